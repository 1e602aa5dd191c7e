#pragma once

#include "device.h"

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace mci {

// A FluidSynth synthesizer with a General MIDI SoundFont, heard through the
// sound server (PulseAudio, else ALSA) or, without audio output, rendered
// into nothing by its owner so that its voices end as they would when heard.
// Calls are not synchronised: the sequencer makes them under its own lock.
class Synthesizer {
public:
    // The first SoundFont of soundFonts that loads is used. On failure
    // returns null and fills *failure with what is missing.
    static std::unique_ptr<Synthesizer> create(const std::vector<std::string>& soundFonts, bool nullAudio,
                                               Reply* failure);
    ~Synthesizer();

    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

    // A channel message (status 0x80..0xEF with its data bytes).
    void send(uint8_t status, uint8_t data1, uint8_t data2);
    // A system exclusive message, without F0 and the closing F7.
    void sendSysex(std::span<const uint8_t> body);

    void allSoundsOff(); // silences every voice at once
    void allNotesOff();  // releases every note, which rings out
    void reset();        // programs and controllers as at power-on

    // Linear volume 0..1.
    void setVolume(double volume);

    // Without audio output: renders this much time into nothing.
    void renderNowhere(double seconds);

private:
    Synthesizer() = default;

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    std::vector<float> scratch_;
};

} // namespace mci
