// The preset style table and the records built from it; the empty style; the bank
// as it starts.
#include "music/AccompStyle.h"

#include "music/PresetStyleData.h"

#include <algorithm>

using namespace PresetStyleData;

namespace {

// Slots 0..17 of the bank, in this order.
constexpr std::array<TStyleDef, PresetAccompStyleCount> PresetStyleDefs = {{
    {"4/4 分解和弦", 4, 0, &BrokenChordMain, &BrokenChordFill1, &BrokenChordFill2,
     &BrokenChordParts},
    {"4/4 （摇滚）", 4, 0, &RockMain, &RockFill1, nullptr, &RockParts},
    {"4/4 (密集)", 4, 0, &DenseMain, nullptr, nullptr, &DenseParts},
    {"3/4 华尔兹", 3, 1, &WaltzMain, &WaltzFill1, &WaltzFill2, &WaltzParts},
    {"3/4 华尔兹 （分解和弦）", 3, 1, &WaltzBrokenMain, &WaltzBrokenFill1, nullptr,
     &WaltzBrokenParts},
    {"3/4 华尔兹(柔和)", 3, 1, &SoftWaltzMain, &SoftWaltzFill1, &SoftWaltzFill2, &SoftWaltzParts},
    {"2/4 波尔卡", 2, 0, &PolkaMain, &PolkaFill1, &PolkaFill2, &PolkaParts},
    {"4/4  （轻快）", 4, 0, &BriskMain, &BriskFill1, &BriskFill2, &BriskParts},
    {"2/4 迪斯科", 2, 1, &DiscoMain, &DiscoFill1, &DiscoFill2, &DiscoParts},
    {"4/4 伦巴", 4, 0, &RumbaMain, nullptr, nullptr, &RumbaParts},
    {"4/4 阿根廷探戈", 4, 0, &TangoMain, nullptr, nullptr, &TangoParts},
    {"4/4 吉巴特", 4, 0, &JitterbugMain, nullptr, nullptr, &JitterbugParts},
    {"2/4 节拍器", 2, 0, &Metronome2Main, nullptr, nullptr, &MetronomeParts},
    {"3/4 节拍器", 3, 0, &Metronome3Main, nullptr, nullptr, &MetronomeParts},
    {"4/4 节拍器", 4, 0, &Metronome4Main, nullptr, nullptr, &MetronomeParts},
    {"4/4 颂歌1", 4, 0, &Hymn1Main, nullptr, nullptr, &Hymn1Parts},
    {"4/4 颂歌2", 4, 0, &Hymn2Main, nullptr, nullptr, &Hymn2Parts},
    {"3/4 校园民谣(吉他分解和弦)", 3, 1, &FolkMain, nullptr, nullptr, &FolkParts},
}};

void CopyLine(int8_t (&to)[PatternStepCount], const TStepLine& from) {
    std::copy(from.begin(), from.end(), to);
}

void FillTrack(TDrumTrack& track, const TTrackDef& def) {
    track.On = def.On;
    track.Key = def.Key;
    track.Weight = def.Weight;
    // Drum notes are one-shots and are never ended, so the presets carry no off-marks.
    for (size_t k = 0; k < def.OnMarks.size(); ++k)
        track.OnMarks[k] = def.OnMarks[k] == 'x' ? 1 : 0;
}

void FillParts(TAccompSection& s, const TPartsDef& p) {
    s.ChordLength = s.ArpeggioLength = s.BassLength = p.Length;
    s.ChordTwoBar = s.ArpeggioTwoBar = s.BassTwoBar = p.TwoBar;
    s.ChordProgram = p.ChordProgram;
    s.ChordOption = p.ChordOption;
    CopyLine(s.ChordSteps, p.Chord);
    s.ChordLevel = p.ChordLevel;
    s.ArpeggioProgram = p.ArpeggioProgram;
    CopyLine(s.ArpeggioSteps[0], p.Arpeggio1);
    CopyLine(s.ArpeggioSteps[1], p.Arpeggio2);
    s.ArpeggioLevel = p.ArpeggioLevel;
    s.BassProgram = p.BassProgram;
    CopyLine(s.BassSteps, p.Bass);
    s.BassLevel = p.BassLevel;
}

// A fill-in keeps the parts of its style, so the voices do not change under it.
void FillSection(TAccompSection& s, const TPercussionDef& perc, const TPartsDef& parts) {
    s.Name.SetUtf8(perc.SectionName);
    s.PercussLength = perc.Length;
    s.PercussTwoBar = perc.TwoBar;
    for (int t = 0; t < DrumTrackCount; ++t)
        FillTrack(s.DrumTracks[t], perc.Tracks[t]);
    s.PercussLevel = perc.Level;
    FillParts(s, parts);
}

TAccompStyle BuildPreset(const TStyleDef& def) {
    TAccompStyle style{};
    style.Name.SetUtf8(def.Name);
    style.Length = def.Length;
    style.TwoBar = def.TwoBar;
    FillSection(style.Main, *def.Main, *def.Parts);
    // A fill-in lasts one cycle of its own pattern; an absent one stays all zero.
    if (def.FillIn1) {
        FillSection(style.FillIn1, *def.FillIn1, *def.Parts);
        style.FillIn1TwoBar = def.FillIn1->TwoBar;
    }
    if (def.FillIn2) {
        FillSection(style.FillIn2, *def.FillIn2, *def.Parts);
        style.FillIn2TwoBar = def.FillIn2->TwoBar;
    }
    return style;
}

// "None": a silent one-bar 2/4 placeholder. Its parts idle (every step holds), so
// that nothing would sound even if they were played.
TAccompStyle BuildEmpty() {
    TAccompStyle style{};
    style.Name.SetUtf8("None");
    style.Length = 2;
    TAccompSection& m = style.Main;
    m.Name.SetUtf8("None");
    m.PercussLength = 2;
    m.PercussLevel = 0;
    m.ChordLength = m.ArpeggioLength = m.BassLength = 2;
    m.ChordProgram = 0;
    m.ArpeggioProgram = 25;
    m.BassProgram = 33;
    std::fill(std::begin(m.ChordSteps), std::end(m.ChordSteps), StepCodeHold);
    std::fill(std::begin(m.ArpeggioSteps[0]), std::end(m.ArpeggioSteps[0]), StepCodeHold);
    std::fill(std::begin(m.ArpeggioSteps[1]), std::end(m.ArpeggioSteps[1]), StepCodeNoNote);
    std::fill(std::begin(m.BassSteps), std::end(m.BassSteps), StepCodeHold);
    return style;
}

std::array<TAccompStyle, PresetAccompStyleCount> BuildPresets() {
    std::array<TAccompStyle, PresetAccompStyleCount> presets;
    for (int i = 0; i < PresetAccompStyleCount; ++i)
        presets[i] = BuildPreset(PresetStyleDefs[i]);
    return presets;
}

} // namespace

const std::array<TAccompStyle, PresetAccompStyleCount>& PresetAccompStyles() {
    static const std::array<TAccompStyle, PresetAccompStyleCount> presets = BuildPresets();
    return presets;
}

const TAccompStyle& EmptyAccompStyle() {
    static const TAccompStyle empty = BuildEmpty();
    return empty;
}

const TAccompStyle& PresetAccompStyle(int index) {
    if (index < 0 || index >= PresetAccompStyleCount) return EmptyAccompStyle();
    return PresetAccompStyles()[static_cast<size_t>(index)];
}

void FillInitialAccompStyleBank(TAccompStyleBank& bank) {
    for (int i = 0; i < AccompStyleBankSize; ++i)
        bank[static_cast<size_t>(i)] = PresetAccompStyle(i);
}
