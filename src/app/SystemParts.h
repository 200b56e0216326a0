// The program's platform parts, the only place that names them: the FluidSynth
// synthesiser, the sound server's mixer with ALSA's simple mixer as its fallback, and
// the evdev keyboards beside the window's key events.
#pragma once

#include "app/PianoCore.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

// The synthesiser made with these surroundings (the system's by default).
TPianoCoreSetup::TMakeSound FluidSynthSound(TKTDirectMusicSetup sound = {});

// The setup's synthesiser, master volume and extra key source made the system's.
void UseSystemParts(TPianoCoreSetup& setup);
