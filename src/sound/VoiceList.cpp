// The voice list: filling, sorting, finding, stepping and display forms.
#include "sound/VoiceList.h"

#include <cstdio>
#include <utility>

const TVoiceEntry& TVoiceList::operator[](int position) const {
    static const TVoiceEntry empty{};
    if (position < 0 || position >= Size) return empty;
    return Entries[static_cast<size_t>(position)];
}

void TVoiceList::Clear() {
    for (auto& e : Entries)
        e = TVoiceEntry{};
    Size = 0;
}

bool TVoiceList::Add(const TVoiceEntry& entry) {
    if (Size >= VoiceListCapacity) return false;
    TVoiceEntry& e = Entries[static_cast<size_t>(Size++)];
    e = entry;
    e.Name = VoiceNameOf(entry.Name);
    return true;
}

void TVoiceList::Sort() {
    // An exchange sort, so that equal patches end up in the same order as always.
    for (int i = 0; i + 1 < Size; ++i)
        for (int j = i + 1; j < Size; ++j)
            if (Entries[static_cast<size_t>(j)].Patch < Entries[static_cast<size_t>(i)].Patch)
                std::swap(Entries[static_cast<size_t>(i)], Entries[static_cast<size_t>(j)]);
}

int TVoiceList::FindVoiceIndex(uint32_t patch) const {
    for (int i = 0; i < Size; ++i)
        if (Entries[static_cast<size_t>(i)].Patch == patch) return i;
    return -1;
}

int TVoiceList::NextPosition(int position) const {
    if (Size == 0) return -1;
    const long long p = (static_cast<long long>(position) % Size + Size) % Size;
    return static_cast<int>((p + 1) % Size);
}

int TVoiceList::PreviousPosition(int position) const {
    if (Size == 0) return -1;
    const long long p = (static_cast<long long>(position) % Size + Size) % Size;
    return static_cast<int>((p + Size - 1) % Size);
}

std::string TVoiceList::NumberText(int position) {
    return std::to_string(position);
}

std::string TVoiceList::ListText(int position) const {
    return std::to_string(position) + ": " + (*this)[position].Name;
}

std::string TVoiceList::FavoriteText(int position) const {
    const TVoiceEntry& e = (*this)[position];
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d:<%d:%d:%d> ", position, PatchMSB(e.Patch), PatchLSB(e.Patch),
                  PatchProgram(e.Patch));
    return buf + e.Name;
}

uint32_t LegacyPatch(uint32_t patch) {
    if (PatchMSB(patch) != 64) return patch;
    // Only the plain bank 64, LSB 0 is known; any other LSB has no translation.
    if (PatchLSB(patch) != 0) return patch;
    int program;
    switch (PatchProgram(patch)) {
    case 0:
    case 4:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 127:
        program = 0;
        break;
    case 1:
        program = 2;
        break;
    case 2:
        program = 18;
        break;
    case 3:
        program = 8;
        break;
    case 5:
        program = 24;
        break;
    case 6:
        program = 28;
        break;
    case 7:
        program = 49;
        break;
    case 9:
        program = 9;
        break;
    default:
        return patch;
    }
    return (patch & DrumPatchFlag) | MakePatch(65, 0, static_cast<uint8_t>(program));
}

int VoiceIndexForStoredPatch(const TVoiceList& list, uint32_t patch) {
    if (PatchMSB(patch) == 64) patch = LegacyPatch(patch);
    return list.FindVoiceIndex(patch);
}

std::string VoiceNameOf(std::string_view utf8) {
    // Count characters by their lead bytes; never cut inside a character.
    size_t chars = 0, i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (chars == 31 || i + len > utf8.size()) break;
        i += len;
        ++chars;
    }
    return std::string(utf8.substr(0, i));
}
