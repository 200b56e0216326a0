// Key-definition records (what each key plays), the live set KeyDefs, the
// note-number rule, the semitone respelling and the slot ordering of the staff.
#pragma once

#include "base/ShortString.h"
#include "keys/KeyTable.h"

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct TKeyNote {
    uint8_t Degree;     // 0 = empty slot; 1..7 = do .. ti (C .. B)
    uint8_t Accidental; // 0 none, 1 sharp, 2 flat
    uint8_t Octave;     // 4 = octave of middle C
    uint8_t Keyboard;   // 0 left, anything else right
    int32_t Velocity;   // 0 = the keyboard's default velocity

    bool HasNote() const { return Degree != 0; }
    bool IsLeft() const { return Keyboard == 0; }
};

constexpr int KeySlotCount = 8;
constexpr int EditorSlotCount = 4;

struct TKeyDef {
    int32_t Count;                // sounding slots, counted from slot 0
    TKeyNote Slots[KeySlotCount]; // slots 4..7 stay empty in everything we write
    TShortString<5> Caption;      // up to 4 bytes, shown on the key
    uint8_t NoTranspose;          // kept in files; the note path does not read it
    uint8_t Padding[2];

    bool IsDefined() const { return Count > 0; }
};

struct TKeyDefSet {
    TKeyDef Keys[KeyCount];
    TShortString<241> Remark; // up to 240 bytes
    uint8_t Padding[3];
};
#pragma pack(pop)

static_assert(sizeof(TKeyNote) == 8);
static_assert(offsetof(TKeyNote, Velocity) == 4);
static_assert(sizeof(TKeyDef) == 76);
static_assert(offsetof(TKeyDef, Slots) == 4);
static_assert(offsetof(TKeyDef, Caption) == 68);
static_assert(offsetof(TKeyDef, NoTranspose) == 73);
static_assert(sizeof(TKeyDefSet) == 8376);
static_assert(offsetof(TKeyDefSet, Remark) == 8132);

// The one live set the performance plays from (process-wide; main thread only).
extern TKeyDefSet KeyDefs;

// The shifts of the note-number rule, owned by the performance controller.
struct TNoteShifts {
    int Transpose = 0;
    int LeftOctave = 0;
    int RightOctave = 0;
};

// The empty record: count 0, every slot degree 0, octave 4, keyboard 0, velocity 0.
TKeyDef EmptyKeyDef();
// The built-in default layout (73 definable keys, one note each, and its remark).
TKeyDefSet DefaultKeyDefSet();
void LoadDefaultKeyDefs(); // KeyDefs = DefaultKeyDefSet()

// False for a negative or out-of-range index, else whether the key's count > 0.
bool IsKeyDefined(int keyIndex);
bool IsKeyDefined(const TKeyDefSet& set, int keyIndex);

// MIDI note of a slot, or -1 (empty slot, or outside 0..127 after the shifts).
// A degree above 7 is treated as an empty slot.
int KeyNoteToMidi(const TKeyNote& slot, bool applyShifts, const TNoteShifts& shifts = {});

// Respell one slot, or all eight slots of a key in KeyDefs, a semitone up or down.
void RaiseKeyNote(TKeyNote& slot);
void LowerKeyNote(TKeyNote& slot);
void RaiseKeyBySemitone(int keyIndex);
void LowerKeyBySemitone(int keyIndex);

// Ascending by octave then degree, empty slots last (accidentals play no part).
void SortKeyNotes(TKeyNote (&slots)[KeySlotCount]);
bool SameStaffStep(const TKeyNote& a, const TKeyNote& b);
bool NextStaffStep(const TKeyNote& a, const TKeyNote& b);
