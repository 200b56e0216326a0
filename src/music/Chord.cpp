// Chord style data and the chord name tables.
#include "music/Chord.h"

#include <initializer_list>

namespace {

using TRow = std::initializer_list<int32_t>;

constexpr void SetRow(int32_t (&to)[ChordPlaceCount], TRow row) {
    int place = 0;
    for (int32_t offset : row)
        to[place++] = offset;
    while (place < ChordPlaceCount)
        to[place++] = ChordOffsetNone;
}

// A chord type: the same offsets over every root.
constexpr TChordStyleNoVolumeType Uniform(std::string_view name, TRow row) {
    TChordStyleNoVolumeType s{name, {}};
    for (auto& to : s.Offsets)
        SetRow(to, row);
    return s;
}

// A voicing that follows the scale of C: its own offsets for each root.
constexpr TChordStyleNoVolumeType PerRoot(std::string_view name,
                                          std::array<TRow, ChordRootCount> rows) {
    TChordStyleNoVolumeType s{name, {}};
    for (int r = 0; r < ChordRootCount; ++r)
        SetRow(s.Offsets[r], rows[static_cast<size_t>(r)]);
    return s;
}

} // namespace

// clang-format off
constinit const std::array<TChordStyleNoVolumeType, ChordStyleCount> ChordStyles = {{
    Uniform("大三和弦", {0, 4, 7}),
    Uniform("小三和弦      (m)", {0, 3, 7}),
    Uniform("减三和弦      (m-5或dim)", {0, 3, 6}),
    Uniform("增三和弦      (+5或aug)", {0, 4, 8}),
    Uniform("六和弦        (6)", {0, 4, 7, 9}),
    Uniform("小六和弦      (m6)", {0, 3, 7, 9}),
    Uniform("七和弦        (7)", {0, 4, 7, 10}),
    Uniform("小七和弦      (m7)", {0, 3, 7, 10}),
    Uniform("大七和弦      (M7)", {0, 4, 7, 11}),
    Uniform("小大七和弦    (mM7)", {0, 3, 7, 11}),
    Uniform("减七和弦      (dim7)", {0, 3, 6, 9}),
    Uniform("降五小七和弦  (m7-5)", {0, 3, 6, 10}),
    Uniform("降五七和弦    (7-5)", {0, 4, 6, 10}),
    Uniform("升三七和弦    (7Sus4)", {0, 5, 7, 10}),
    Uniform("升三大三和弦  (Sus4)", {0, 5, 7}),
    PerRoot("Brenvik方式和弦1(351)",
            {{{4, 7, 12}, {3, 6, 9, 11}, {3, 7, 12}, {-1, 3, 6, 9}, {0, 3, 7}, {0, 4, 7},
              {-3, -1, 3, 6}, {-5, 0, 4}, {-3, -1, 3, 6}, {-5, 0, 3}, {-6, -3, -1, 3}, {-6, 0, 3}}}),
    PerRoot("Brenvik方式和弦2(513)",
            {{{7, 12, 16}, {6, 9, 11, 15}, {7, 12, 15}, {3, 6, 9, 11}, {3, 7, 12}, {4, 7, 12},
              {-1, 3, 6, 9}, {0, 4, 7}, {-1, 3, 6, 9}, {0, 3, 7}, {-3, -1, 3, 6}, {0, 3, 6}}}),
    PerRoot("Brenvik方式和弦3(135)",
            {{{0, 4, 7}, {-1, 3, 6, 9}, {-5, 0, 3}, {-3, -1, 3, 6}, {-5, 0, 3}, {-5, 0, 4},
              {-6, -3, -1, 3}, {-8, -5, 0}, {-6, -3, -1, 3}, {-9, -5, 0}, {-9, -6, -3, -1},
              {-12, -9, -6}}}),
    Uniform("高8度双音", {0, 12}),
    Uniform("低8度双音", {0, -12}),
    PerRoot("自然上方3度双音",
            {{{0, 4}, {0, 3}, {0, 3}, {0, 2}, {0, 3}, {0, 4},
              {0, 3}, {0, 4}, {0, 3}, {0, 3}, {0, 2}, {0, 3}}}),
    PerRoot("自然下方3度双音",
            {{{0, -3}, {0, -4}, {0, -3}, {0, -4}, {0, -4}, {0, -3},
              {0, -4}, {0, -3}, {0, -4}, {0, -4}, {0, -5}, {0, -4}}}),
    PerRoot("自然下方4度双音",
            {{{0, -5}, {0, -6}, {0, -5}, {0, -6}, {0, -5}, {0, -5},
              {0, -6}, {0, -5}, {0, -6}, {0, -5}, {0, -6}, {0, -6}}}),
    PerRoot("自然下方5度双音",
            {{{0, -7}, {0, -8}, {0, -7}, {0, -8}, {0, -7}, {0, -6},
              {0, -7}, {0, -7}, {0, -8}, {0, -7}, {0, -8}, {0, -7}}}),
    PerRoot("自然下方3度和8度",
            {{{0, -3, -12}, {0, -4, -12}, {0, -3, -12}, {0, -4, -12}, {0, -4, -12}, {0, -3, -12},
              {0, -4, -12}, {0, -3, -12}, {0, -4, -12}, {0, -4, -12}, {0, -5, -12}, {0, -4, -12}}}),
    PerRoot("自然下方6度",
            {{{0, -9}, {0, -8}, {0, -9}, {0, -8}, {0, -8}, {0, -9},
              {0, -8}, {0, -9}, {0, -8}, {0, -8}, {0, -7}, {0, -8}}}),
    PerRoot("自然下方6度和8度",
            {{{0, -9, -12}, {0, -8, -12}, {0, -9, -12}, {0, -8, -12}, {0, -8, -12}, {0, -9, -12},
              {0, -8, -12}, {0, -9, -12}, {0, -8, -12}, {0, -8, -12}, {0, -7, -12}, {0, -8, -12}}}),
    PerRoot("自然三和弦(原位)",
            {{{0, 4, 7}, {0, 3, 6}, {0, 3, 7}, {0, 2, 6}, {0, 3, 7}, {0, 4, 7},
              {0, 3, 6}, {0, 4, 7}, {0, 3, 6}, {0, 3, 7}, {0, 2, 6}, {0, 3, 6}}}),
    PerRoot("自然三和弦(第一转位)",
            {{{4, 7, 12}, {3, 6, 12}, {3, 7, 12}, {2, 6, 12}, {3, 7, 12}, {4, 7, 12},
              {3, 6, 12}, {4, 7, 12}, {3, 6, 12}, {3, 7, 12}, {2, 6, 12}, {3, 6, 12}}}),
    PerRoot("自然三和弦(第二转位)",
            {{{-5, 0, 4}, {-6, 0, 3}, {-5, 0, 3}, {-6, 0, 2}, {-5, 0, 3}, {-5, 0, 4},
              {-6, 0, 3}, {-5, 0, 4}, {-6, 0, 3}, {-5, 0, 3}, {-6, 0, 2}, {-6, 0, 3}}}),
    PerRoot("自然三和弦(重复上下8度根音)",
            {{{0, 4, 7, 12, -12}, {0, 3, 6, 12, -12}, {0, 3, 7, 12, -12}, {0, 2, 6, 12, -12},
              {0, 3, 7, 12, -12}, {0, 4, 7, 12, -12}, {0, 3, 6, 12, -12}, {0, 4, 7, 12, -12},
              {0, 3, 6, 12, -12}, {0, 3, 7, 12, -12}, {0, 2, 6, 12, -12}, {0, 3, 6, 12, -12}}}),
    PerRoot("自然七和弦",
            {{{0, 4, 7, 11}, {0, 3, 6, 10}, {0, 3, 7, 10}, {0, 2, 6, 9}, {0, 3, 7, 10},
              {0, 4, 7, 11}, {0, 3, 6, 10}, {0, 4, 7, 10}, {0, 3, 6, 9}, {0, 3, 7, 10},
              {0, 2, 6, 9}, {0, 3, 6, 10}}}),
}};
// clang-format on

const std::array<std::string_view, ChordRootCount> OneFingerChordNames = {
    "C", "C7", "Dm", "D7", "Em", "F", "F7", "G", "G7", "Am", "A7", "Bdim"};

const std::array<std::string_view, ChordTypeCount> ChordTypeSuffixes = {
    "",   "m",   "dim",  "aug",  "6",   "m6",    "7",   "m7",
    "M7", "mM7", "dim7", "m7-5", "7-5", "7sus4", "sus4"};

const std::array<std::string_view, ChordRootCount> RootNames = {"C",  "#C", "D",  "#D", "E",  "F",
                                                                "#F", "G",  "#G", "A",  "#A", "B"};

const TChordStyleNoVolumeType* ChordStyle(int index) {
    if (index < 0 || index >= ChordStyleCount) return nullptr;
    return &ChordStyles[static_cast<size_t>(index)];
}

std::string_view OneFingerChordName(int root) {
    return OneFingerChordNames[static_cast<size_t>(((root % 12) + 12) % 12)];
}
