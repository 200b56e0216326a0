// Favourite voices on F1..F12 (right keyboard) and Shift+F1..F12 (left keyboard),
// and the .fvc file that holds a set of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

constexpr int FavoriteVoiceCount = 24;
constexpr int MainFavoriteCount = 12; // records 0..11: F1..F12, right keyboard
constexpr const char* FavoriteVoicesFileExt = ".fvc";
constexpr const char* FavoriteVoicesFileFilter = "Talvimorena FavoriteVoices File(*.fvc)|*.fvc";
constexpr const char* DefaultFavoriteVoicesFile = "Default.fvc";

#pragma pack(push, 1)
struct TFavoriteVoice {
    uint8_t MSB;
    uint8_t LSB;
    uint8_t Program;
    uint8_t Reserved0;      // 0 in the default set; never read
    int32_t Reserved1;      // 100 in the default set; never read
    uint8_t Reserved2[176]; // kept as they are by every edit

    // The patch number of bytes 0..2 (no drum flag: it is not stored).
    uint32_t Patch() const { return (uint32_t{MSB} << 16) | (uint32_t{LSB} << 8) | Program; }
    void SetPatch(uint32_t patch) {
        MSB = static_cast<uint8_t>(patch >> 16);
        LSB = static_cast<uint8_t>(patch >> 8);
        Program = static_cast<uint8_t>(patch);
    }
};

struct TFavoriteVoiceSet {
    TFavoriteVoice Voices[FavoriteVoiceCount];
};
#pragma pack(pop)

static_assert(sizeof(TFavoriteVoice) == 184);
static_assert(offsetof(TFavoriteVoice, Reserved1) == 4);
static_assert(offsetof(TFavoriteVoice, Reserved2) == 8);
static_assert(sizeof(TFavoriteVoiceSet) == 4416);

TFavoriteVoiceSet DefaultFavoriteVoiceSet();

// Lays `bytes` (at most the first 4416) over `set`; a shorter image replaces only
// as many bytes as it has.
void ApplyFavoriteVoicesImage(std::span<const uint8_t> bytes, TFavoriteVoiceSet& set);

// The default set, then up to 4416 bytes of the file over it if it exists.
// Returns whether the file was read (false: missing or unreadable, defaults only).
bool LoadFavoriteVoices(const std::string& fileName, TFavoriteVoiceSet& set);
// Writes the 4416 bytes, replacing the file only with a complete new one.
bool SaveFavoriteVoices(const std::string& fileName, const TFavoriteVoiceSet& set);

// Index 0..11 of the favourite for a function key's DirectInput code, or -1.
int FavoriteIndexOfCode(int code);
