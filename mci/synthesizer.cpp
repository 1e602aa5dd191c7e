#include "synthesizer.h"

#include "fluidsynthlibrary.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace mci {
namespace {

// synth.gain for full volume. FluidSynth's output amplitude is proportional
// to its gain, so gain = kFullGain * volume keeps loudness linear in the
// volume. 0.5 sounds about as loud as other media at full volume without
// clipping ordinary songs (FluidSynth's own default of 0.2 is quiet).
constexpr float kFullGain = 0.5f;

// Without audio output the synthesizer is rendered into nothing at this
// rate.
constexpr double kNullSampleRate = 22050;

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

// FluidSynth chats on stderr at every open ("Using PulseAudio driver");
// the player reports what matters itself, so only warnings and worse stay.
void quietSynthLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

// Loads the first of soundFonts that loads; else says what was looked for.
bool loadSoundFont(fluid_synth_t* synth, const std::vector<std::string>& soundFonts, Reply* failure)
{
    std::vector<std::string> unloadable;
    for (const std::string& soundFont : soundFonts) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(soundFont, error))
            continue;
        if (fluid_synth_sfload(synth, soundFont.c_str(), 1) != FLUID_FAILED)
            return true;
        unloadable.push_back(soundFont);
    }
    std::string text = "No General MIDI SoundFont was found to play MIDI files (looked for " + joined(soundFonts) +
                       ").";
    if (!unloadable.empty())
        text += " These could not be loaded as SoundFonts: " + joined(unloadable) + ".";
    text += " Install one (for example the timgm6mb-soundfont package) or set NORRAVA_SOUNDFONT to a .sf2 file.";
    *failure = Reply::error(ErrDeviceNotInstalled, text);
    return false;
}

} // namespace

std::unique_ptr<Synthesizer> Synthesizer::create(const std::vector<std::string>& soundFonts, bool nullAudio,
                                                 Reply* failure)
{
    if (!fluidSynthLoaded()) {
        *failure = Reply::error(ErrDeviceNotInstalled, "The MIDI synthesizer (FluidSynth) could not be loaded; "
                                                       "install libfluidsynth to play MIDI files.");
        return nullptr;
    }
    quietSynthLog();
    std::unique_ptr<Synthesizer> synth(new Synthesizer);
    synth->settings_ = new_fluid_settings();
    if (!synth->settings_) {
        *failure = Reply::error(ErrInternal, "The MIDI synthesizer cannot be set up.");
        return nullptr;
    }
    if (nullAudio) {
        fluid_settings_setnum(synth->settings_, "synth.sample-rate", kNullSampleRate);
        fluid_settings_setint(synth->settings_, "synth.reverb.active", 0);
        fluid_settings_setint(synth->settings_, "synth.chorus.active", 0);
    }
    synth->synth_ = new_fluid_synth(synth->settings_);
    if (!synth->synth_) {
        *failure = Reply::error(ErrInternal, "The MIDI synthesizer cannot be set up.");
        return nullptr;
    }
    if (!loadSoundFont(synth->synth_, soundFonts, failure))
        return nullptr;
    if (nullAudio)
        return synth;

    for (const char* driver : {"pulseaudio", "alsa"}) {
        fluid_settings_setstr(synth->settings_, "audio.driver", driver);
        synth->driver_ = new_fluid_audio_driver(synth->settings_, synth->synth_);
        if (synth->driver_)
            return synth;
    }
    *failure = Reply::error(ErrHardware, "The MIDI synthesizer cannot reach the sound output "
                                         "(neither PulseAudio nor ALSA could be opened).");
    return nullptr;
}

Synthesizer::~Synthesizer()
{
    // In reverse of their making: the driver still calls into the synth.
    if (driver_)
        delete_fluid_audio_driver(driver_);
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

void Synthesizer::send(uint8_t status, uint8_t data1, uint8_t data2)
{
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, channel, data1); break;
    case 0x90: fluid_synth_noteon(synth_, channel, data1, data2); break;
    case 0xA0: fluid_synth_key_pressure(synth_, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth_, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth_, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, channel, data1 | data2 << 7); break;
    }
}

void Synthesizer::sendSysex(std::span<const uint8_t> body)
{
    if (!body.empty())
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(body.data()), int(body.size()), nullptr, nullptr,
                          nullptr, 0);
}

void Synthesizer::allSoundsOff()
{
    fluid_synth_all_sounds_off(synth_, -1);
}

void Synthesizer::allNotesOff()
{
    fluid_synth_all_notes_off(synth_, -1);
}

void Synthesizer::reset()
{
    fluid_synth_system_reset(synth_);
}

void Synthesizer::setVolume(double volume)
{
    fluid_synth_set_gain(synth_, float(kFullGain * std::clamp(volume, 0.0, 1.0)));
}

void Synthesizer::renderNowhere(double seconds)
{
    int frames = int(seconds * kNullSampleRate);
    constexpr int kBlock = 1024;
    scratch_.resize(2 * kBlock);
    while (frames > 0) {
        const int count = std::min(frames, kBlock);
        fluid_synth_write_float(synth_, count, scratch_.data(), 0, 2, scratch_.data(), 1, 2);
        frames -= count;
    }
}

} // namespace mci
