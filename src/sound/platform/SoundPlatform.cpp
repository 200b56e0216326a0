// The start-up probe over the sound platform's checks and those the caller adds.
#include "sound/platform/SoundPlatform.h"

#include "sound/platform/AlsaDevices.h"
#include "sound/platform/PulseAudioDevices.h"

#include <array>

namespace {

constexpr std::array<TPlatformCheck, 2> Checks = {{
    {"ALSA", AlsaLibraryUsable},
    {"libpulse", PulseLibraryUsable},
}};

bool RunChecks(std::span<const TPlatformCheck> checks, std::string* failedLibrary) {
    for (const TPlatformCheck& check : checks) {
        if (check.Usable && check.Usable()) continue;
        if (failedLibrary) *failedLibrary = check.Library ? check.Library : "";
        return false;
    }
    return true;
}

} // namespace

std::span<const TPlatformCheck> SoundPlatformChecks() {
    return Checks;
}

uint32_t DetectDirectXVersion(std::span<const TPlatformCheck> more, std::string* failedLibrary) {
    if (failedLibrary) failedLibrary->clear();
    if (!RunChecks(Checks, failedLibrary) || !RunChecks(more, failedLibrary)) return 0;
    return DirectXVersionUsable;
}
