// The ranges of the performer's values and the texts of their boxes.
#pragma once

#include <string>

constexpr int MinTranspose = -4, MaxTranspose = 7;

// Remainder by 12, then into -4..+7: stepping past either end comes round the other.
int WrapTranspose(int t);
// -1..+1 and 0..127.
int ClampOctave(int o);
int ClampVelocity(int v);

// Key name of a transposition in -4..+7 ("bA" .. "G").
const char* TransposeKeyName(int t);
// The key signature the staff draws for a transposition in -4..+7: the number of
// sharps, or 7 plus the number of flats; 0 for none.
int KeySignatureCode(int t);

// "1=bE (+3)", "1=C (0)", "1=B (-1)".
std::string TransposeText(int t);
// "+1", "0", "-1".
std::string OctaveText(int o);
// "%d": velocities and voice positions.
std::string NumberText(int v);
