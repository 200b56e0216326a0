#include "music/AccompStyle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

// Steps of a section's percussion pattern, as the accompaniment counts them.
int PatternSteps(const TAccompSection& s) {
    return s.PercussLength * (s.PercussTwoBar ? 8 : 4);
}

std::vector<int> SwitchedOnKeys(const TAccompSection& s) {
    std::vector<int> keys;
    for (const TDrumTrack& t : s.DrumTracks)
        if (t.On) keys.push_back(t.Key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

std::vector<int> OnMarkSteps(const TDrumTrack& t) {
    std::vector<int> steps;
    for (int k = 0; k < PatternStepCount; ++k)
        if (t.OnMarks[k]) steps.push_back(k);
    return steps;
}

bool SameBytes(const TAccompStyle& a, const TAccompStyle& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct TExpectedPreset {
    const char* Name;
    int Length;
    bool TwoBar, FillIn1, FillIn2;
    int ChordProgram, ArpeggioProgram, BassProgram;
    int PercussLevel, ChordLevel, ArpeggioLevel, BassLevel;
    std::vector<int> DrumKeys;
};

const std::vector<TExpectedPreset> Expected = {
    {"4/4 分解和弦", 4, false, true, true, 49, 25, 33, 9, 4, 7, 9, {36, 40, 42}},
    {"4/4 （摇滚）", 4, false, true, false, 25, 48, 33, 9, 5, 4, 9, {35, 40, 44, 46}},
    {"4/4 (密集)", 4, false, false, false, 49, 25, 33, 9, 5, 7, 9, {35, 38, 39, 42, 46, 54, 57}},
    {"3/4 华尔兹", 3, true, true, true, 25, 49, 33, 9, 5, 3, 7, {35, 38, 44}},
    {"3/4 华尔兹 （分解和弦）", 3, true, true, false, 50, 25, 33, 9, 5, 6, 8, {35, 38, 44}},
    {"3/4 华尔兹(柔和)", 3, true, true, true, 51, 45, 33, 7, 6, 0, 8, {35, 44}},
    {"2/4 波尔卡", 2, false, true, true, 2, 33, 33, 9, 6, 0, 7, {35, 38}},
    {"4/4  （轻快）", 4, false, true, true, 25, 28, 33, 9, 4, 6, 7, {35, 69, 75}},
    {"2/4 迪斯科", 2, true, true, true, 26, 2, 34, 9, 4, 0, 7, {35, 38, 44}},
    {"4/4 伦巴", 4, false, false, false, 2, 54, 33, 9, 6, 4, 8, {44, 62, 64}},
    {"4/4 阿根廷探戈", 4, false, false, false, 26, 0, 33, 9, 6, 0, 7, {35, 38, 44, 74}},
    {"4/4 吉巴特", 4, false, false, false, 25, 0, 33, 7, 7, 0, 9, {35, 39, 44}},
    {"2/4 节拍器", 2, false, false, false, 0, 0, 0, 9, 0, 0, 0, {38, 44}},
    {"3/4 节拍器", 3, false, false, false, 0, 0, 0, 9, 0, 0, 0, {38, 44}},
    {"4/4 节拍器", 4, false, false, false, 0, 0, 0, 9, 0, 0, 0, {38, 44}},
    {"4/4 颂歌1", 4, false, false, false, 5, 49, 33, 9, 7, 5, 9, {35, 37}},
    {"4/4 颂歌2", 4, false, false, false, 5, 49, 35, 9, 8, 5, 9, {35, 38}},
    {"3/4 校园民谣(吉他分解和弦)", 3, true, false, false, 25, 25, 33, 7, 0, 9, 8, {36, 40, 42, 46}},
};

} // namespace

TEST(AccompStyleRecord, FieldsSitAtTheirFileOffsets) {
    auto style = std::make_unique<TAccompStyle>();
    std::memset(style.get(), 0, sizeof *style);
    const auto* raw = reinterpret_cast<const uint8_t*>(style.get());
    style->Main.DrumTracks[2].OnMarks[5] = 1;
    EXPECT_EQ(raw[131 + 67 + 2 * 67 + 35 + 5], 1);
    style->FillIn1.ArpeggioSteps[1][3] = 7;
    EXPECT_EQ(raw[877 + 676 + 3], 7);
    style->FillIn2.BassLevel = 9; // the last byte of the record
    EXPECT_EQ(raw[2367], 9);
    EXPECT_EQ(sizeof(TAccompStyle), 2368u);
}

TEST(PresetStyles, NamesAreTheExactCodePage936Texts) {
    const auto& presets = PresetAccompStyles();
    for (size_t i = 0; i < Expected.size(); ++i)
        EXPECT_EQ(presets[i].Name.Utf8(), Expected[i].Name) << "preset " << i;
    // Full-width brackets, and the two blanks of the brisk style.
    EXPECT_EQ(presets[1].Name.Bytes(), "4/4 \xA3\xA8\xD2\xA1\xB9\xF6\xA3\xA9");
    EXPECT_EQ(presets[2].Name.Bytes(), "4/4 (\xC3\xDC\xBC\xAF)");
    EXPECT_EQ(presets[4].Name.Bytes(),
              "3/4 \xBB\xAA\xB6\xFB\xD7\xC8 \xA3\xA8\xB7\xD6\xBD\xE2\xBA\xCD\xCF\xD2\xA3\xA9");
    EXPECT_EQ(presets[7].Name.Bytes(), "4/4  \xA3\xA8\xC7\xE1\xBF\xEC\xA3\xA9");
    EXPECT_EQ(presets[12].Name.Bytes(), "2/4 \xBD\xDA\xC5\xC4\xC6\xF7");
}

TEST(PresetStyles, MatchTheStyleTable) {
    for (size_t i = 0; i < Expected.size(); ++i) {
        SCOPED_TRACE(Expected[i].Name);
        const TExpectedPreset& e = Expected[i];
        const TAccompStyle& s = PresetAccompStyle(static_cast<int>(i));
        EXPECT_EQ(s.Length, e.Length);
        EXPECT_EQ(s.TwoBar != 0, e.TwoBar);
        EXPECT_EQ(s.FillIn1.HasPercussion(), e.FillIn1);
        EXPECT_EQ(s.FillIn2.HasPercussion(), e.FillIn2);
        EXPECT_EQ(s.Main.ChordProgram, e.ChordProgram);
        EXPECT_EQ(s.Main.ArpeggioProgram, e.ArpeggioProgram);
        EXPECT_EQ(s.Main.BassProgram, e.BassProgram);
        EXPECT_EQ(s.Main.PercussLevel, e.PercussLevel);
        EXPECT_EQ(s.Main.ChordLevel, e.ChordLevel);
        EXPECT_EQ(s.Main.ArpeggioLevel, e.ArpeggioLevel);
        EXPECT_EQ(s.Main.BassLevel, e.BassLevel);
        EXPECT_EQ(SwitchedOnKeys(s.Main), e.DrumKeys);
    }
}

TEST(PresetStyles, MetronomesAccentTheFirstBeatAtTheDefaultVolume) {
    const int percussVolume = 60;
    const std::map<int, std::map<int, int>> expected = {
        {12, {{0, 26}, {4, 60}}},
        {13, {{0, 26}, {4, 60}, {8, 60}}},
        {14, {{0, 26}, {4, 60}, {8, 60}, {12, 60}}},
    };
    for (const auto& [index, velocities] : expected) {
        SCOPED_TRACE(index);
        const TAccompSection& m = PresetAccompStyle(index).Main;
        EXPECT_EQ(m.DrumTracks[0].Key, 38);
        EXPECT_EQ(m.DrumTracks[0].Weight, 4);
        EXPECT_EQ(m.DrumTracks[2].Key, 44);
        EXPECT_EQ(m.DrumTracks[2].Weight, 9);
        std::map<int, int> sounding; // step -> velocity
        for (int k = 0; k < PatternSteps(m); ++k)
            for (const TDrumTrack& t : m.DrumTracks)
                if (t.On && t.OnMarks[k])
                    sounding[k] = m.PercussLevel * percussVolume * t.Weight / 81;
        EXPECT_EQ(sounding, velocities);
    }
}

TEST(PresetStyles, BrokenChordMainSectionIsTheClassicPattern) {
    const TAccompSection& m = PresetAccompStyle(0).Main;
    EXPECT_EQ(m.PercussLength, 4);
    EXPECT_EQ(PatternSteps(m), 16);
    std::map<int, std::vector<int>> marksByKey;
    bool hasSwitchedOffOpenHat = false;
    for (const TDrumTrack& t : m.DrumTracks) {
        if (t.On) marksByKey[t.Key] = OnMarkSteps(t);
        if (!t.On && t.Key == 46) hasSwitchedOffOpenHat = true;
    }
    EXPECT_EQ(marksByKey[36], (std::vector<int>{0, 8}));
    EXPECT_EQ(marksByKey[40], (std::vector<int>{4, 12}));
    EXPECT_EQ(marksByKey[42], (std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16}));
    EXPECT_TRUE(hasSwitchedOffOpenHat);

    const std::map<int, int> chord = {{0, 7}, {4, 7}, {8, 7}, {12, 7}};
    const std::map<int, int> arpeggio = {{0, 0}, {2, 4},  {4, 7},  {6, 4},
                                         {8, 9}, {10, 4}, {12, 7}, {14, 4}};
    for (int k = 0; k < 16; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m.ChordSteps[k], chord.contains(k) ? chord.at(k) : StepCodeHold);
        if (arpeggio.contains(k)) {
            EXPECT_EQ(m.ArpeggioSteps[0][k], arpeggio.at(k));
        }
    }
    EXPECT_EQ(m.BassSteps[0], -7);
    EXPECT_EQ(m.BassSteps[8], -10);
}

// What the accompaniment needs of every section it may play: values in range, no
// switched-on track that stays silent, a fill-in as long as its own cycle, and the
// voices of the main section (a fill-in sends the programs again when it starts).
TEST(PresetStyles, EverySectionIsPlayable) {
    for (int i = 0; i < PresetAccompStyleCount; ++i) {
        const TAccompStyle& s = PresetAccompStyle(i);
        SCOPED_TRACE(s.Name.Utf8());
        const TAccompSection* sections[] = {&s.Main, &s.FillIn1, &s.FillIn2};
        const uint8_t twoBarFlags[] = {s.TwoBar, s.FillIn1TwoBar, s.FillIn2TwoBar};
        for (int n = 0; n < 3; ++n) {
            const TAccompSection& sec = *sections[n];
            SCOPED_TRACE(n);
            if (!sec.HasPercussion()) {
                EXPECT_NE(n, 0) << "the main section must have percussion";
                continue;
            }
            EXPECT_EQ(PatternSteps(sec), s.Length * (twoBarFlags[n] ? 8 : 4));
            EXPECT_GE(sec.PercussLevel, 0);
            EXPECT_LE(sec.PercussLevel, 9);
            for (int level : {sec.ChordLevel, sec.ArpeggioLevel, sec.BassLevel}) {
                EXPECT_GE(level, 0);
                EXPECT_LE(level, 9);
            }
            for (const TDrumTrack& t : sec.DrumTracks) {
                EXPECT_GE(t.Weight, 0);
                EXPECT_LE(t.Weight, 9);
                if (!t.On) continue;
                EXPECT_GE(t.Key, 27);
                EXPECT_LE(t.Key, 87);
                auto marks = OnMarkSteps(t);
                EXPECT_TRUE(!marks.empty() && marks.front() < PatternSteps(sec))
                    << "key " << int(t.Key) << " never sounds";
            }
            EXPECT_EQ(sec.ChordProgram, s.Main.ChordProgram);
            EXPECT_EQ(sec.ArpeggioProgram, s.Main.ArpeggioProgram);
            EXPECT_EQ(sec.BassProgram, s.Main.BassProgram);
        }
    }
}

TEST(PresetStyles, StepCodesAreMarkersOrNotesOverAMiddleRoot) {
    for (int i = 0; i < PresetAccompStyleCount; ++i) {
        const TAccompSection& m = PresetAccompStyle(i).Main;
        SCOPED_TRACE(i);
        const int8_t* lines[] = {m.ChordSteps, m.ArpeggioSteps[0], m.ArpeggioSteps[1], m.BassSteps};
        for (const int8_t* line : lines)
            for (int k = 0; k < PatternStepCount; ++k) {
                int c = line[k];
                bool marker = c == StepCodeHold || c == StepCodeRelease || c == StepCodeNoNote;
                EXPECT_TRUE(marker || DegreeCodeToMidi(48, c) >= 0) << "step " << k;
            }
    }
}

TEST(EmptyStyle, IsASilentPlaceholder) {
    const TAccompStyle& e = EmptyAccompStyle();
    EXPECT_EQ(e.Name.Bytes(), "None");
    EXPECT_EQ(e.Length, 2);
    EXPECT_EQ(e.Main.Name.Bytes(), "None");
    EXPECT_EQ(e.Main.PercussLength, 2);
    EXPECT_EQ(e.Main.PercussLevel, 0);
    EXPECT_TRUE(SwitchedOnKeys(e.Main).empty());
    EXPECT_EQ(e.Main.ChordProgram, 0);
    EXPECT_EQ(e.Main.ArpeggioProgram, 25);
    EXPECT_EQ(e.Main.BassProgram, 33);
    EXPECT_FALSE(e.FillIn1.HasPercussion());
    EXPECT_FALSE(e.FillIn2.HasPercussion());
}

TEST(StyleBank, StartsWithThePresetsThenEmptyStyles) {
    auto bank = std::make_unique<TAccompStyleBank>();
    FillInitialAccompStyleBank(*bank);
    for (int i = 0; i < AccompStyleBankSize; ++i) {
        const TAccompStyle& want =
            i < PresetAccompStyleCount ? PresetAccompStyles()[i] : EmptyAccompStyle();
        EXPECT_TRUE(SameBytes((*bank)[i], want)) << "slot " << i;
    }
    EXPECT_TRUE(SameBytes(PresetAccompStyle(-1), EmptyAccompStyle()));
    EXPECT_TRUE(SameBytes(PresetAccompStyle(PresetAccompStyleCount), EmptyAccompStyle()));
    EXPECT_FALSE(SameBytes(PresetAccompStyle(PresetAccompStyleCount - 1), EmptyAccompStyle()));
}
