// Where every picture lies in the skin bitmap and in the staff mask. The skin painter
// draws at these rectangles and the views cut their pictures from the same numbers.
// Plain constexpr data: no Qt, so the build-time painter and the tests share it too.
#pragma once

#include <array>
#include <cstddef>

namespace SkinLayout {

struct TSkinRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;

    constexpr int Right() const { return Left + Width; }  // one past the last column
    constexpr int Bottom() const { return Top + Height; } // one past the last row
    constexpr bool IsEmpty() const { return Width <= 0 || Height <= 0; }
    constexpr TSkinRect Moved(int dx, int dy) const { return {Left + dx, Top + dy, Width, Height}; }
    friend constexpr bool operator==(const TSkinRect&, const TSkinRect&) = default;
};

struct TSkinPoint {
    int X = 0, Y = 0;
};

// ---- The skin bitmap ("RES_TOTALBMP") ----

// The released face of the window lies at the window's own coordinates; the pressed
// picture of every drawn control lies this far to the right of its released one.
constexpr int WindowWidth = 621;
constexpr int WindowHeight = 436;
constexpr int PressedOffset = 621;
constexpr int SkinWidth = WindowWidth + PressedOffset;
constexpr int SkinHeight = WindowHeight;
constexpr TSkinRect WindowFace{0, 0, WindowWidth, WindowHeight};

constexpr TSkinRect PressedOf(const TSkinRect& released) {
    return released.Moved(PressedOffset, 0);
}

// Main button strip: Open, Save, Play, Record, Setup, Help, About.
constexpr int MainButtonCount = 7;
constexpr std::array<TSkinRect, MainButtonCount> MainButtonRects{{
    {22, 9, 65, 28},
    {94, 9, 65, 28},
    {166, 9, 65, 28},
    {238, 9, 65, 28},
    {310, 9, 65, 28},
    {382, 9, 65, 28},
    {520, 9, 65, 28},
}};
// The captions painted on the buttons (UTF-8).
constexpr std::array<const char*, MainButtonCount> MainButtonCaptions{
    "打开", "保存", "播放", "录音", "设置", "帮助", "关于"};

// Volume slider: the empty track, and the thumb picture (which lies in the pressed
// half, over the track's pressed copy: the track has no pressed face).
constexpr TSkinRect SliderTrack{371, 288, 110, 19};
constexpr TSkinRect SliderThumb{1077, 288, 8, 19};
// Travel of the thumb's left edge inside the track, in track pixels.
constexpr int SliderTrackEnd = SliderTrack.Width - 10;

// Value boxes: the number display of each, with its up and down arrows at its right.
constexpr TSkinRect TransposeBox{373, 316, 96, 19};
constexpr TSkinRect LeftOctaveBox{373, 346, 37, 19};
constexpr TSkinRect RightOctaveBox{432, 346, 37, 19};
constexpr TSkinRect LeftVelocityBox{373, 376, 37, 19};
constexpr TSkinRect RightVelocityBox{433, 376, 37, 19};
constexpr TSkinRect LeftVoiceBox{373, 406, 37, 19};
constexpr TSkinRect RightVoiceBox{433, 406, 37, 19};
constexpr std::array<TSkinRect, 7> ValueBoxes{TransposeBox,    LeftOctaveBox,    RightOctaveBox,
                                              LeftVelocityBox, RightVelocityBox, LeftVoiceBox,
                                              RightVoiceBox};
constexpr int SpinArrowWidth = 11;
constexpr int SpinUpArrowHeight = 10;
constexpr TSkinRect SpinUpArrow(const TSkinRect& display) {
    return {display.Right(), display.Top, SpinArrowWidth, SpinUpArrowHeight};
}
// The down arrow stands its own height above the display's foot: with the 19-pixel
// boxes it is 9 high at top + 9, one pixel over the up arrow.
constexpr TSkinRect SpinDownArrow(const TSkinRect& display) {
    return {display.Right(), display.Top + display.Height - SpinUpArrowHeight, SpinArrowWidth,
            display.Height - SpinUpArrowHeight};
}

// The external voice set's two drop-down lists over the lower piano strip's row (their
// height is the list's own).
constexpr TSkinRect LeftVoiceListPlace{32, 240, 201, 0};
constexpr TSkinRect RightVoiceListPlace{272, 240, 201, 0};

// Piano strips: the right keyboard above, the left keyboard below. Keys by position
// 0..72 (MIDI note - 24); black keys 0..29 and white keys 0..42 from the left.
constexpr TSkinPoint UpperPianoOrigin{10, 213};
constexpr TSkinPoint LowerPianoOrigin{10, 240};
constexpr int PianoWidth = 602;
constexpr int PianoHeight = 26;
constexpr int PianoOctaveWidth = 98;
constexpr int PianoBlackKeyCount = 30;
constexpr int PianoWhiteKeyCount = 43;
constexpr int PianoWhiteWidth = 14;
constexpr int PianoBlackHeight = 14;

constexpr TSkinRect PianoBlackKey(TSkinPoint origin, int black) {
    constexpr std::array<int, 5> left{9, 23, 51, 65, 79};
    return {origin.X + PianoOctaveWidth * (black / 5) + left[static_cast<std::size_t>(black % 5)],
            origin.Y, 12, PianoBlackHeight};
}
// The lower, full-width part of a white key (the top C is full height).
constexpr TSkinRect PianoWhiteLower(TSkinPoint origin, int white) {
    if (white == PianoWhiteKeyCount - 1)
        return {origin.X + PianoWhiteWidth * white, origin.Y, PianoWhiteWidth, PianoHeight};
    return {origin.X + PianoWhiteWidth * white, origin.Y + PianoBlackHeight, PianoWhiteWidth,
            PianoHeight - PianoBlackHeight};
}
// The upper part of a white key, between its black neighbours.
constexpr TSkinRect PianoWhiteUpper(TSkinPoint origin, int white) {
    constexpr std::array<int, 7> left{0, 21, 35, 42, 63, 77, 91};
    constexpr std::array<int, 7> width{9, 2, 7, 9, 2, 2, 7};
    const auto w = static_cast<std::size_t>(white % 7);
    return {origin.X + PianoOctaveWidth * (white / 7) + left[w], origin.Y, width[w],
            PianoBlackHeight};
}

// PC keyboard: the place of each definable key by key index (empty for the others).
constexpr int PCKeyCount = 107;
constexpr int PCKeyPitch = 27;
constexpr TSkinRect PCKeyRect(int keyIndex) {
    auto row = [](int index, int first, int left, int top) -> TSkinRect {
        return {left + PCKeyPitch * (index - first), top, 24, 20};
    };
    const int k = keyIndex;
    if (k >= 14 && k <= 26) return row(k, 14, 38, 80);      // "1" .. "\"
    if (k >= 29 && k <= 40) return row(k, 29, 53, 102);     // "Q" .. "]"
    if (k >= 43 && k <= 53) return row(k, 43, 65, 125);     // "A" .. "'"
    if (k >= 55 && k <= 64) return row(k, 55, 77, 147);     // "Z" .. "/"
    if (k >= 80 && k <= 82) return row(k, 80, 422, 102);    // Insert, Home, PageUp
    if (k >= 83 && k <= 85) return row(k, 83, 422, 125);    // Delete, End, PageDown
    if (k == 86) return {449, 147, 24, 20};                 // Up
    if (k >= 87 && k <= 89) return row(k, 87, 422, 170);    // Left, Down, Right
    if (k >= 90 && k <= 93) return row(k, 90, 507, 80);     // NumLock, /, *, -
    if (k >= 94 && k <= 96) return row(k, 94, 507, 102);    // 7, 8, 9
    if (k == 97) return {588, 102, 24, 43};                 // +
    if (k >= 98 && k <= 100) return row(k, 98, 507, 125);   // 4, 5, 6
    if (k >= 101 && k <= 103) return row(k, 101, 507, 147); // 1, 2, 3
    if (k == 104) return {588, 147, 24, 43};                // keypad Enter
    if (k == 105) return {507, 170, 51, 20};                // 0
    if (k == 106) return {561, 170, 24, 20};                // .
    return {};
}

// Staff panels: key signature, note heads on the grand staff, numbered notation.
constexpr TSkinRect KeySignaturePanel{51, 290, 61, 126};
constexpr TSkinRect StaffPanel{119, 280, 46, 151};
constexpr TSkinRect NumberedPanel{220, 280, 46, 151};
// Top of a note head (10 x 10) in the staff panel by octave and letter (C = 1 .. B = 7),
// or -1 where the staff has no place. The staff lines run through the heads' middles.
constexpr int StaffNoteHeight = 10;
constexpr int StaffNoteTop(int octave, int letter) {
    constexpr std::array<std::array<int, 7>, 4> tops{{
        {134, 130, 125, 121, 116, 112, 108},
        {103, 98, 94, 90, 85, 80, 75},
        {70, 65, 61, 56, 52, 47, 43},
        {38, 33, 28, 23, 19, 15, 9},
    }};
    if (letter < 1 || letter > 7) return -1;
    if (octave == 6) return letter == 1 ? 5 : -1;
    if (octave < 2 || octave > 5) return -1;
    return tops[static_cast<std::size_t>(octave - 2)][static_cast<std::size_t>(letter - 1)];
}

// Inside the staff panel: a note head's left edge, and beside it when its neighbour one
// step away stands at the usual place; the accidental at the panel's left, raised so
// that its middle meets the head's.
constexpr int StaffHeadLeft = 16;
constexpr int StaffShiftedHeadLeft = 27;
constexpr int StaffAccidentalLeft = 2;
constexpr int StaffAccidentalRaise = 4;
// Key-signature symbol k = 1..7 in its panel: the left edge, and the tops by clef in
// the order the sharps (F C G D A E B) and the flats (B E A D G C F) are added.
constexpr int KeySignatureSymbolLeft(int k) {
    return 2 + 8 * (k - 1);
}
constexpr std::array<int, 7> TrebleSharpTops{5, 20, 0, 15, 30, 10, 25};
constexpr std::array<int, 7> BassSharpTops{71, 85, 66, 81, 93, 76, 89};
constexpr std::array<int, 7> TrebleFlatTops{21, 6, 25, 11, 29, 16, 34};
constexpr std::array<int, 7> BassFlatTops{85, 71, 90, 76, 61, 80, 67};
// The numbered column: the digits' left edge, their accidentals this far left of it,
// and the gap between two digits stacked in the column.
constexpr int NumberedDigitLeft = 10;
constexpr int NumberedAccidentalGap = 8;
constexpr int NumberedDigitGap = 5;

// ---- The staff mask ("RES_STAFFMASK"): black symbols on white ----

constexpr int MaskWidth = 1000;
constexpr int MaskHeight = 72;

constexpr TSkinRect MaskKeySignatureSharp{6, 9, 8, 26};
constexpr TSkinRect MaskKeySignatureFlat{29, 5, 7, 24};
constexpr TSkinRect MaskNoteHead{64, 17, 10, 10};
constexpr TSkinRect MaskSharp{83, 13, 6, 18};
constexpr TSkinRect MaskNatural{94, 14, 5, 16};
constexpr TSkinRect MaskFlat{105, 11, 5, 15};

// Numbered-notation digit 1..7 with its octave dots, octaves 0..8 (4 has no dots).
constexpr int NumberedDigitHeight(int octave) {
    constexpr std::array<int, 9> heights{43, 37, 31, 25, 18, 25, 31, 37, 43};
    return octave >= 0 && octave <= 8 ? heights[static_cast<std::size_t>(octave)] : 0;
}
constexpr int NumberedDigitWidth = 14;
constexpr TSkinRect MaskNumberedDigit(int octave, int degree) {
    return {112 + NumberedDigitWidth * (7 * octave + degree - 1), 0, NumberedDigitWidth,
            NumberedDigitHeight(octave)};
}

// The small digits that label the PC keyboard's keys, octaves 1..7.
constexpr int SmallDigitHeight(int octave) {
    constexpr std::array<int, 7> heights{19, 16, 13, 10, 13, 16, 19};
    return octave >= 1 && octave <= 7 ? heights[static_cast<std::size_t>(octave - 1)] : 0;
}
constexpr int SmallDigitWidth = 8;
constexpr TSkinRect MaskSmallDigit(int octave, int degree) {
    return {SmallDigitWidth * (7 * octave + degree - 8), 48, SmallDigitWidth,
            SmallDigitHeight(octave)};
}
constexpr TSkinRect MaskSmallSharp{168, 60, 4, 9};
constexpr TSkinRect MaskSmallFlat{176, 60, 4, 9};
constexpr TSkinRect MaskSmallNatural{184, 60, 4, 9};

} // namespace SkinLayout
