// FluidSynth, loaded when the first MIDI file is opened rather than when the
// program starts.
//
// FluidSynth brings a dozen libraries of its own (instrument patches,
// readline, JACK, OpenGL loaders ...) whose pages a player that never opens
// a MIDI file would carry for nothing. So the media layer is not linked
// against it: these definitions of the functions the sequencer uses load the
// library on the first call and forward to it. Without the library every
// call fails cleanly (new_fluid_settings() gives null).
#include "fluidsynthlibrary.h"

#include "lazylibrary.h"

#include <fluidsynth.h>

namespace {

// X(return type, name, parameters, arguments, value without the library)
#define FLUID_FUNCTIONS(X)                                                                                           \
    X(fluid_log_function_t, fluid_set_log_function, (int level, fluid_log_function_t fun, void* data),               \
      (level, fun, data), nullptr)                                                                                   \
    X(fluid_settings_t*, new_fluid_settings, (void), (), nullptr)                                                    \
    X(void, delete_fluid_settings, (fluid_settings_t * settings), (settings), )                                      \
    X(int, fluid_settings_setint, (fluid_settings_t * settings, const char* name, int val), (settings, name, val),   \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_settings_setnum, (fluid_settings_t * settings, const char* name, double val),                       \
      (settings, name, val), FLUID_FAILED)                                                                           \
    X(int, fluid_settings_setstr, (fluid_settings_t * settings, const char* name, const char* str),                 \
      (settings, name, str), FLUID_FAILED)                                                                           \
    X(fluid_synth_t*, new_fluid_synth, (fluid_settings_t * settings), (settings), nullptr)                           \
    X(void, delete_fluid_synth, (fluid_synth_t * synth), (synth), )                                                  \
    X(fluid_audio_driver_t*, new_fluid_audio_driver, (fluid_settings_t * settings, fluid_synth_t * synth),          \
      (settings, synth), nullptr)                                                                                    \
    X(void, delete_fluid_audio_driver, (fluid_audio_driver_t * driver), (driver), )                                  \
    X(int, fluid_synth_sfload, (fluid_synth_t * synth, const char* filename, int reset_presets),                    \
      (synth, filename, reset_presets), FLUID_FAILED)                                                                \
    X(int, fluid_synth_noteon, (fluid_synth_t * synth, int chan, int key, int vel), (synth, chan, key, vel),        \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_synth_noteoff, (fluid_synth_t * synth, int chan, int key), (synth, chan, key), FLUID_FAILED)       \
    X(int, fluid_synth_key_pressure, (fluid_synth_t * synth, int chan, int key, int val), (synth, chan, key, val),  \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_synth_cc, (fluid_synth_t * synth, int chan, int ctrl, int val), (synth, chan, ctrl, val),          \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_synth_program_change, (fluid_synth_t * synth, int chan, int program), (synth, chan, program),      \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_synth_channel_pressure, (fluid_synth_t * synth, int chan, int val), (synth, chan, val),            \
      FLUID_FAILED)                                                                                                  \
    X(int, fluid_synth_pitch_bend, (fluid_synth_t * synth, int chan, int val), (synth, chan, val), FLUID_FAILED)    \
    X(int, fluid_synth_sysex,                                                                                        \
      (fluid_synth_t * synth, const char* data, int len, char* response, int* response_len, int* handled,            \
       int dryrun),                                                                                                  \
      (synth, data, len, response, response_len, handled, dryrun), FLUID_FAILED)                                     \
    X(int, fluid_synth_system_reset, (fluid_synth_t * synth), (synth), FLUID_FAILED)                                 \
    X(int, fluid_synth_all_notes_off, (fluid_synth_t * synth, int chan), (synth, chan), FLUID_FAILED)               \
    X(int, fluid_synth_all_sounds_off, (fluid_synth_t * synth, int chan), (synth, chan), FLUID_FAILED)              \
    X(void, fluid_synth_set_gain, (fluid_synth_t * synth, float gain), (synth, gain), )                              \
    X(int, fluid_synth_write_float,                                                                                  \
      (fluid_synth_t * synth, int len, void* lout, int loff, int lincr, void* rout, int roff, int rincr),            \
      (synth, len, lout, loff, lincr, rout, roff, rincr), FLUID_FAILED)

struct Library {
    FLUID_FUNCTIONS(NORRAVA_LAZY_POINTER)
    bool complete = false;
};

Library load()
{
    Library library;
    // The file name the build was linked against (its major version), then
    // the development link as a last resort.
    void* handle = mci::openFirstLibrary({NORRAVA_FLUIDSYNTH_SONAME, "libfluidsynth.so"});
    if (!handle)
        return library;
    bool complete = true;
#define FLUID_RESOLVE(ret, name, params, args, fallback)                                                             \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name));                                   \
    complete = complete && library.name;
    FLUID_FUNCTIONS(FLUID_RESOLVE)
#undef FLUID_RESOLVE
    // A library lacking any of them is not used at all, so a synthesizer
    // is never half made.
    if (!complete)
        return Library();
    library.complete = true;
    return library;
}

// Loaded once, on the first call from any thread; never unloaded, since its
// audio driver's thread may outlive any one synthesizer.
const Library& library()
{
    static const Library loaded = load();
    return loaded;
}

} // namespace

bool mci::fluidSynthLoaded()
{
    return library().complete;
}

extern "C" {
FLUID_FUNCTIONS(NORRAVA_LAZY_FORWARD)
}
