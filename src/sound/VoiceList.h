// The voices a player can pick: the instruments of the loaded voice set, addressed
// by position for display and stepping, and by patch number when stored.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int VoiceListCapacity = 300;
constexpr uint32_t DrumPatchFlag = 0x80000000u;

// Patch numbers: MSB in bits 16..23, LSB in bits 8..15, program in bits 0..7, bit 31
// the drum-kit flag.
constexpr uint32_t MakePatch(uint8_t msb, uint8_t lsb, uint8_t program, bool drum = false) {
    return (drum ? DrumPatchFlag : 0u) | (uint32_t{msb} << 16) | (uint32_t{lsb} << 8) | program;
}
constexpr uint8_t PatchMSB(uint32_t patch) {
    return static_cast<uint8_t>(patch >> 16);
}
constexpr uint8_t PatchLSB(uint32_t patch) {
    return static_cast<uint8_t>(patch >> 8);
}
constexpr uint8_t PatchProgram(uint32_t patch) {
    return static_cast<uint8_t>(patch);
}
constexpr bool IsDrumPatch(uint32_t patch) {
    return (patch & DrumPatchFlag) != 0;
}

// The stored byte triple MSB, LSB, program read as a little-endian 24-bit number
// (program << 16 | LSB << 8 | MSB) and the patch number are each other with the
// lowest and highest byte exchanged.
constexpr uint32_t SwapPatchTriple(uint32_t v) {
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

struct TVoiceEntry {
    int32_t Index = 0;  // the instrument's position in its collection (kept through sorting)
    uint32_t Patch = 0; // its patch number
    std::string Name;   // UTF-8, at most 31 characters
    // Where the synthesiser finds it: bank and program of the loaded sound font.
    int SynthBank = 0;
    int SynthProgram = 0;
};

class TVoiceList {
public:
    int Count() const { return Size; }
    // Entry at a position; positions outside 0..Count-1 give an empty entry.
    const TVoiceEntry& operator[](int position) const;

    void Clear(); // every entry zeroed, count 0
    // Appends one instrument; false (and nothing stored) once the list holds 300.
    bool Add(const TVoiceEntry& entry);
    // Ascending patch numbers as unsigned 32-bit values: melodic banks first in
    // program order, drum kits (bit 31) last.
    void Sort();

    // Position of the first entry whose patch equals `patch` in all 32 bits, or -1.
    int FindVoiceIndex(uint32_t patch) const;

    // (position + 1) mod Count and (Count + position - 1) mod Count; with an empty
    // list both give -1 (nothing to select).
    int NextPosition(int position) const;
    int PreviousPosition(int position) const;

    // The three display forms: "%d", "%d: %s" and "%d:<%d:%d:%d> %s".
    static std::string NumberText(int position);
    std::string ListText(int position) const;
    std::string FavoriteText(int position) const;

private:
    std::array<TVoiceEntry, VoiceListCapacity> Entries{};
    int Size = 0;
};

// Translation of the bank-64 patch numbers of an older built-in set to the current
// numbering (bank MSB 65). Any patch it does not know comes back unchanged.
uint32_t LegacyPatch(uint32_t patch);
// The voice a stored patch selects: MSB 64 is translated first; -1 when the list
// does not hold it.
int VoiceIndexForStoredPatch(const TVoiceList& list, uint32_t patch);

// Cuts a UTF-8 name to at most 31 characters (the width of a voice-list entry).
std::string VoiceNameOf(std::string_view utf8);
