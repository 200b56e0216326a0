// The favourite-voice set and its file.
#include "sound/FavoriteVoices.h"

#include "base/FileUtil.h"

#include <algorithm>
#include <cstring>
#include <vector>

TFavoriteVoiceSet DefaultFavoriteVoiceSet() {
    // General MIDI programs: grand piano, honky-tonk, rock organ, violin, celesta,
    // marimba, glockenspiel, nylon guitar, muted guitar, jazz guitar, strings 2, synth strings 1.
    static constexpr uint8_t Programs[MainFavoriteCount] = {0, 3,  18, 40, 8,  12,
                                                            9, 24, 28, 26, 49, 50};
    TFavoriteVoiceSet set;
    std::memset(&set, 0, sizeof set);
    for (int i = 0; i < FavoriteVoiceCount; ++i) {
        TFavoriteVoice& v = set.Voices[i];
        v.MSB = 65;
        v.LSB = 0;
        v.Program = Programs[i % MainFavoriteCount];
        v.Reserved1 = 100;
    }
    return set;
}

void ApplyFavoriteVoicesImage(std::span<const uint8_t> bytes, TFavoriteVoiceSet& set) {
    const size_t n = std::min(bytes.size(), sizeof(TFavoriteVoiceSet));
    if (n) std::memcpy(&set, bytes.data(), n);
}

bool LoadFavoriteVoices(const std::string& fileName, TFavoriteVoiceSet& set) {
    set = DefaultFavoriteVoiceSet();
    std::vector<uint8_t> bytes;
    if (ReadFilePrefix(fileName, sizeof(TFavoriteVoiceSet), bytes) != TReadResult::Ok) return false;
    ApplyFavoriteVoicesImage(bytes, set);
    return true;
}

bool SaveFavoriteVoices(const std::string& fileName, const TFavoriteVoiceSet& set) {
    return WriteFileAtomic(fileName, &set, sizeof set);
}

int FavoriteIndexOfCode(int code) {
    if (code >= 0x3B && code <= 0x44) return code - 0x3B; // F1..F10
    if (code == 0x57) return 10;                          // F11
    if (code == 0x58) return 11;                          // F12
    return -1;
}
