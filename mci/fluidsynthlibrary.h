#pragma once

namespace mci {

// Whether FluidSynth, loaded on the first MIDI open (fluidsynthlibrary.cpp),
// could be loaded; loads it if that has not happened yet.
bool fluidSynthLoaded();

} // namespace mci
