// The platform probe run once at start-up, before the main window exists. Its
// answer keeps the program's "DirectX version" numbering (major version in bits
// 8..15, minor in bits 0..7) because start-up, the keyboard reader, the reverb and
// the About box compare against it: 0x800 when every library checked is usable, 0
// otherwise.
#pragma once

#include "base/PlatformCheck.h"

#include <cstdint>
#include <span>
#include <string>

constexpr uint32_t DirectXVersionUsable = 0x800;

// The checks of the sound platform: ALSA loads its configuration, libpulse sets up
// a main loop and a context (no sound server is needed for either).
std::span<const TPlatformCheck> SoundPlatformChecks();

// Runs the sound platform's checks, then `more`, in order, and stops at the first
// that fails. Returns DirectXVersionUsable when all pass, else 0 and the failing
// library's name in *failedLibrary.
uint32_t DetectDirectXVersion(std::span<const TPlatformCheck> more = {},
                              std::string* failedLibrary = nullptr);
