#pragma once

#include "device.h"

#include <string>
#include <vector>

namespace mci {

// How a sequencer is set up: which SoundFonts to try, in order, and whether
// sound goes anywhere.
struct SequencerSetup {
    std::vector<std::string> soundFonts;
    // No audio output at all; the clock still runs, so playing takes real time.
    bool nullAudio = false;
};

// The General MIDI SoundFonts looked for: NORRAVA_SOUNDFONT first when set,
// then the system's own.
std::vector<std::string> soundFontCandidates();

// The setup the environment asks for (NORRAVA_SOUNDFONT, NORRAVA_AUDIO=null).
SequencerSetup sequencerSetupFromEnvironment();

// MIDI files, played by FluidSynth with a General MIDI SoundFont. Times are
// milliseconds; length, position and tempo come from our own file reader.
std::unique_ptr<Device> openSequencerDevice(const std::string& path, Reply* failure);
std::unique_ptr<Device> openSequencerDevice(const std::string& path, const SequencerSetup& setup, Reply* failure);

} // namespace mci
