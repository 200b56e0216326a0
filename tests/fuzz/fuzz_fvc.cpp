// Favourite-voice files: any bytes lay over the default set without reading or
// writing outside it.
#include "sound/FavoriteVoices.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
    ApplyFavoriteVoicesImage({data, size}, set);
    const size_t n = size < sizeof set ? size : sizeof set;
    if (n && std::memcmp(&set, data, n) != 0) std::abort();
    const TFavoriteVoiceSet d = DefaultFavoriteVoiceSet();
    if (n < sizeof set &&
        std::memcmp(reinterpret_cast<const uint8_t*>(&set) + n,
                    reinterpret_cast<const uint8_t*>(&d) + n, sizeof set - n) != 0)
        std::abort();
    for (const auto& v : set.Voices)
        (void)v.Patch();
    return 0;
}
