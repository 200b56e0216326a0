// Key-definition files: any bytes either load into a set or leave it untouched.
#include "keys/KeyDefFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TKeyDefSet before = DefaultKeyDefSet();
    TKeyDefSet set = before;
    std::span<const uint8_t> bytes(data, size);
    if (ParseKeyDefFileImage(bytes, set) == TKeyDefParse::Ok) {
        // A loaded set writes back to the very bytes it came from.
        const auto image = KeyDefFileImage(set);
        if (std::memcmp(image.data() + KeyDefFileSetOffset, data + KeyDefFileSetOffset,
                        sizeof(TKeyDefSet)) != 0)
            std::abort();
        // Every slot is safe to turn into a note and to respell.
        for (auto& def : set.Keys)
            for (auto& slot : def.Slots) {
                int n = KeyNoteToMidi(slot, true, {7, -1, 1});
                if (n < -1 || n > 127) std::abort();
                RaiseKeyNote(slot);
                LowerKeyNote(slot);
            }
        for (auto& def : set.Keys)
            (void)def.Caption.Utf8();
        (void)set.Remark.Utf8();
    } else if (std::memcmp(&set, &before, sizeof set) != 0) {
        std::abort();
    }
    return 0;
}
