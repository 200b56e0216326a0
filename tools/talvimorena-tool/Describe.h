// Turning the program's records into reports for printing.
#pragma once

#include "Report.h"

#include <string>

struct TKeyDefSet;
struct TKeyNote;
struct TFavoriteVoiceSet;
struct TSettings;

std::string PatchText(uint32_t patch); // "<MSB:LSB:program>", with " drum" for drum kits
std::string KeyNoteText(const TKeyNote& note);

// structured: each slot as an object (JSON); otherwise one line of notes a key.
TReport DescribeKeyDefSet(const TKeyDefSet& set, bool structured);
TReport DescribeFavorites(const TFavoriteVoiceSet& set);
TReport DescribeSettings(const TSettings& settings);
