// Numbered notation from MIDI notes, and the staff's letters in the key.
#include "ui/StaffSpelling.h"

#include "controller/PerformerText.h"

#include <array>

namespace {
struct TSpelled {
    uint8_t Degree, Accidental;
};
// By note mod 12: 1, 1#, 2, 2#, 3, 4, 4#, 5, 5#, 6, 6#, 7.
constexpr std::array<TSpelled, 12> SharpSpelling{{{1, 0},
                                                  {1, 1},
                                                  {2, 0},
                                                  {2, 1},
                                                  {3, 0},
                                                  {4, 0},
                                                  {4, 1},
                                                  {5, 0},
                                                  {5, 1},
                                                  {6, 0},
                                                  {6, 1},
                                                  {7, 0}}};

// The letters the signatures alter, in the order they are added.
constexpr std::array<int, 7> SharpLetters{4, 1, 5, 2, 6, 3, 7}; // F C G D A E B
constexpr std::array<int, 7> FlatLetters{7, 3, 6, 2, 5, 1, 4};  // B E A D G C F

bool AmongFirst(const std::array<int, 7>& letters, int count, int letter) {
    for (int i = 0; i < count && i < 7; ++i)
        if (letters[static_cast<size_t>(i)] == letter) return true;
    return false;
}

// Tonic letter of the key of each transposition -4..7, and its octave offset.
constexpr std::array<int, 12> TonicLetter{6, 6, 7, 7, 1, 2, 2, 3, 3, 4, 4, 5};
} // namespace

void MidiToSlot(int midiNote, int transpose, TKeyNote& slot) {
    const int n = midiNote - transpose;
    if (midiNote > 127 || n < 12) {
        // Octave -1 and below cannot be written in numbered notation.
        slot.Degree = 0;
        slot.Accidental = 0;
        slot.Octave = 4;
        return;
    }
    const TSpelled s = SharpSpelling[static_cast<size_t>(n % 12)];
    slot.Degree = s.Degree;
    slot.Accidental = s.Accidental;
    slot.Octave = static_cast<uint8_t>(n / 12 - 1);
}

bool SignatureSharpens(int code, int letter) {
    return code >= 1 && code <= 7 && AmongFirst(SharpLetters, code, letter);
}

bool SignatureFlattens(int code, int letter) {
    return code >= 8 && code <= 14 && AmongFirst(FlatLetters, code - 7, letter);
}

void RespellForKey(TKeyNote& slot, int transpose) {
    if (!IsDrawableDegree(slot) || transpose < MinTranspose || transpose > MaxTranspose) return;
    const int tonic = TonicLetter[static_cast<size_t>(transpose - MinTranspose)];
    int letter = tonic + slot.Degree - 1;
    int octave = slot.Octave + (transpose < 0 ? -1 : 0);
    if (letter > 7) {
        letter -= 7;
        ++octave;
    }
    const int code = KeySignatureCode(transpose);
    if (slot.Accidental == 1 && SignatureFlattens(code, letter))
        slot.Accidental = NaturalSign;
    else if (slot.Accidental == 2 && SignatureSharpens(code, letter))
        slot.Accidental = NaturalSign;
    slot.Degree = static_cast<uint8_t>(letter);
    slot.Octave = static_cast<uint8_t>(octave);
}
