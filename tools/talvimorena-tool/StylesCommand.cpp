// styles: the preset accompaniment styles and the chord styles.
#include "Commands.h"
#include "Report.h"

#include "music/AccompStyle.h"
#include "music/Chord.h"

#include <iostream>

namespace {

// One character a step: 'x' where the track sounds, '.' elsewhere.
std::string MarkString(const uint8_t (&marks)[PatternStepCount], int steps) {
    std::string s;
    for (int i = 0; i < steps && i < PatternStepCount; ++i)
        s += marks[i] ? 'x' : '.';
    return s;
}

TReport DescribeSection(const TAccompSection& sec) {
    TReport r = TReport::Object();
    r.Set("name", sec.Name.Utf8());
    r.Set("percussionLength", int{sec.PercussLength});
    r.Set("percussionTwoBar", sec.PercussTwoBar != 0);
    r.Set("percussionLevel", int{sec.PercussLevel});
    const int steps = sec.PercussLength * (sec.PercussTwoBar ? 8 : 4);
    TReport& tracks = r.Set("drumTracks", TReport::Array());
    for (const TDrumTrack& t : sec.DrumTracks) {
        if (!t.On && t.Key == 0) continue; // unused track
        TReport tr = TReport::Object();
        tr.Set("key", int{t.Key});
        tr.Set("on", t.On != 0);
        tr.Set("weight", int{t.Weight});
        tr.Set("pattern", MarkString(t.OnMarks, steps));
        tracks.Add(std::move(tr));
    }
    TReport& parts = r.Set("parts", TReport::Object());
    TReport& chord = parts.Set("chord", TReport::Object());
    chord.Set("program", int{sec.ChordProgram});
    chord.Set("level", int{sec.ChordLevel});
    TReport& arp = parts.Set("arpeggio", TReport::Object());
    arp.Set("program", int{sec.ArpeggioProgram});
    arp.Set("level", int{sec.ArpeggioLevel});
    TReport& bass = parts.Set("bass", TReport::Object());
    bass.Set("program", int{sec.BassProgram});
    bass.Set("level", int{sec.BassLevel});
    return r;
}

TReport DescribeStyle(int index, const TAccompStyle& s) {
    TReport r = TReport::Object();
    r.Set("index", index);
    r.Set("name", s.Name.Utf8());
    r.Set("beats", int{s.Length});
    r.Set("twoBar", s.TwoBar != 0);
    r.Set("fillIn1", s.FillIn1.HasPercussion());
    r.Set("fillIn2", s.FillIn2.HasPercussion());
    r.Set("main", DescribeSection(s.Main));
    if (s.FillIn1.HasPercussion()) r.Set("fillIn1Section", DescribeSection(s.FillIn1));
    if (s.FillIn2.HasPercussion()) r.Set("fillIn2Section", DescribeSection(s.FillIn2));
    return r;
}

TReport DescribeChordStyle(int index, const TChordStyleNoVolumeType& c) {
    TReport r = TReport::Object();
    r.Set("index", index);
    r.Set("name", std::string(c.Name));
    TReport& rows = r.Set("offsets", TReport::Object());
    for (int root = 0; root < ChordRootCount; ++root) {
        TReport& row =
            rows.Set(std::string(RootNames[static_cast<size_t>(root)]), TReport::Array());
        for (int32_t v : c.Offsets[root])
            if (v != ChordOffsetNone) row.Add(v);
    }
    return r;
}

TReport NameTable(const auto& table) {
    TReport r = TReport::Array();
    for (std::string_view name : table)
        r.Add(std::string(name));
    return r;
}

} // namespace

int StylesCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    const bool json = TakeFlag(args, "--json");
    if (!args.empty()) return UsageError("styles takes no arguments but --json");
    TReport report = TReport::Object();
    TReport& styles = report.Set("presetStyles", TReport::Array());
    const auto& presets = PresetAccompStyles();
    for (int i = 0; i < PresetAccompStyleCount; ++i)
        styles.Add(DescribeStyle(i, presets[static_cast<size_t>(i)]));
    report.Set("emptyStyle", DescribeStyle(PresetAccompStyleCount, EmptyAccompStyle()));
    TReport& chords = report.Set("chordStyles", TReport::Array());
    for (int i = 0; i < ChordStyleCount; ++i)
        chords.Add(DescribeChordStyle(i, ChordStyles[static_cast<size_t>(i)]));
    report.Set("oneFingerChordNames", NameTable(OneFingerChordNames));
    report.Set("chordTypeSuffixes", NameTable(ChordTypeSuffixes));
    report.Set("rootNames", NameTable(RootNames));
    if (json)
        report.PrintJson(std::cout);
    else
        report.PrintText(std::cout);
    return 0;
}
