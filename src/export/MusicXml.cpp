// The MusicXML writer: voices, bars, note values, ties, rests and pedal marks.
#include "export/MusicXml.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <tuple>

namespace {

constexpr std::array<int, 7> LetterPitch = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<const char*, 7> LetterName = {"C", "D", "E", "F", "G", "A", "B"};
// Sharps are added in the order F C G D A E B, flats in B E A D G C F.
constexpr std::array<int, 7> SharpOrder = {3, 0, 4, 1, 5, 2, 6};
constexpr std::array<int, 7> FlatOrder = {6, 2, 5, 1, 4, 0, 3};

// The alteration a key signature gives a letter.
int KeyAlter(int letter, int fifths) {
    for (int i = 0; i < std::min(7, std::abs(fifths)); ++i) {
        if (fifths > 0 && SharpOrder[static_cast<size_t>(i)] == letter) return 1;
        if (fifths < 0 && FlatOrder[static_cast<size_t>(i)] == letter) return -1;
    }
    return 0;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML 1.0; the text keeps its lines.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') continue;
            out += c;
        }
    }
    return out;
}

// A note value: its length in grid units, its type, dots and whether it is a
// triplet's (three in the time of two).
struct TValue {
    int64_t Units;
    const char* Type;
    int Dots;
    bool Triplet;
};

std::vector<TValue> ValuesFor(int unitsPerQuarter) {
    // The types with their length in 64ths of a quarter note.
    static constexpr std::array<std::pair<const char*, int>, 7> Types = {{{"whole", 256},
                                                                          {"half", 128},
                                                                          {"quarter", 64},
                                                                          {"eighth", 32},
                                                                          {"16th", 16},
                                                                          {"32nd", 8},
                                                                          {"64th", 4}}};
    std::vector<TValue> values;
    const auto add = [&](const char* type, int64_t num, int64_t den, int dots, bool triplet) {
        // num/den quarter notes, in units
        const int64_t scaled = num * unitsPerQuarter;
        if (scaled % den == 0 && scaled / den > 0)
            values.push_back({scaled / den, type, dots, triplet});
    };
    for (const auto& [type, len] : Types) {
        add(type, len, 64, 0, false);
        add(type, len * 3, 128, 1, false);
        add(type, len * 7, 256, 2, false);
        add(type, len * 2, 192, 0, true);
    }
    std::stable_sort(values.begin(), values.end(), [](const TValue& a, const TValue& b) {
        return std::tie(b.Units, a.Triplet) < std::tie(a.Units, b.Triplet);
    });
    return values;
}

struct TChord {
    int64_t Start, Length;
    std::vector<int> Pitches; // rising
    int64_t End() const { return Start + Length; }
};

// The drum keys of General MIDI on the percussion staff: where each is drawn and
// whether with a cross.
struct TDrumPlace {
    int Letter, Octave;
    bool Cross;
};
TDrumPlace DrumPlace(int key) {
    switch (key) {
    case 35:
    case 36:
        return {3, 4, false}; // bass drums: F4
    case 37:
    case 38:
    case 39:
    case 40:
        return {0, 5, false}; // snares, clap: C5
    case 41:
    case 43:
        return {1, 4, false}; // low toms
    case 45:
    case 47:
        return {5, 4, false};
    case 48:
    case 50:
        return {2, 5, false}; // high toms
    case 42:
    case 44:
    case 46:
        return {4, 5, true}; // hi-hats: G5 with a cross
    case 49:
    case 52:
    case 55:
    case 57:
        return {5, 5, true}; // crashes
    case 51:
    case 53:
    case 59:
        return {3, 5, true}; // rides
    default:
        return {1, 5, true};
    }
}

class TWriter {
public:
    explicit TWriter(const TScore& s) : Score(s), Values(ValuesFor(s.UnitsPerQuarter)) {}

    std::string Write() {
        O << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
             "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
             "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
             "<score-partwise version=\"4.0\">\n";
        O << "  <work><work-title>" << Escape(Score.Title) << "</work-title></work>\n";
        O << "  <identification>\n";
        if (!Score.Performer.empty())
            O << "    <creator type=\"performer\">" << Escape(Score.Performer) << "</creator>\n";
        O << "    <encoding><software>Talvimorena</software></encoding>\n";
        if (!Score.Remark.empty())
            O << "    <miscellaneous><miscellaneous-field name=\"remark\">" << Escape(Score.Remark)
              << "</miscellaneous-field></miscellaneous>\n";
        O << "  </identification>\n";
        const bool drums = Score.HasPercussion();
        O << "  <part-list>\n"
             "    <score-part id=\"P1\"><part-name>Piano</part-name></score-part>\n";
        if (drums)
            O << "    <score-part id=\"P2\"><part-name>Percussion</part-name>"
                 "<score-instrument id=\"P2-I1\"><instrument-name>Drums</instrument-name>"
                 "</score-instrument></score-part>\n";
        O << "  </part-list>\n";
        WritePart("P1", {1, 2});
        if (drums) WritePart("P2", {3});
        O << "</score-partwise>\n";
        return O.str();
    }

private:
    // Chords of a staff split into voices: each voice a row of chords that do not
    // overlap; notes of one start and length form one chord.
    std::vector<std::vector<TChord>> VoicesOf(int staff) const {
        std::map<std::pair<int64_t, int64_t>, TChord> chords;
        for (const TScoreNote& n : Score.Notes) {
            if (n.Staff != staff) continue;
            TChord& c = chords[{n.Start, n.Length}];
            c.Start = n.Start;
            c.Length = n.Length;
            c.Pitches.push_back(n.Pitch);
        }
        std::vector<TChord> ordered;
        for (auto& [key, c] : chords) {
            std::sort(c.Pitches.begin(), c.Pitches.end());
            ordered.push_back(std::move(c));
        }
        std::stable_sort(ordered.begin(), ordered.end(), [](const TChord& a, const TChord& b) {
            return std::tie(a.Start, b.Length) < std::tie(b.Start, a.Length);
        });
        std::vector<std::vector<TChord>> voices(1);
        for (TChord& c : ordered) {
            auto v =
                std::find_if(voices.begin(), voices.end(), [&](const std::vector<TChord>& row) {
                    return row.empty() || row.back().End() <= c.Start;
                });
            if (v == voices.end()) v = voices.insert(voices.end(), std::vector<TChord>{});
            v->push_back(std::move(c));
        }
        return voices;
    }

    int FifthsAt(int64_t unit) const {
        int fifths = 0;
        for (const TScoreKey& k : Score.Keys)
            if (k.Start <= unit) fifths = k.Fifths;
        return fifths;
    }

    void WritePart(const char* id, std::vector<int> staves) {
        const bool drums = staves.front() == 3;
        std::vector<std::vector<std::vector<TChord>>> voices;
        for (int s : staves)
            voices.push_back(VoicesOf(s));
        const int64_t perBar = Score.UnitsPerBar();
        O << "  <part id=\"" << id << "\">\n";
        int lastFifths = 1000;
        for (int64_t bar = 0; bar < Score.Bars; ++bar) {
            const int64_t from = bar * perBar, to = from + perBar;
            O << "    <measure number=\"" << bar + 1 << "\">\n";
            const int fifths = FifthsAt(from);
            if (bar == 0 || (!drums && fifths != lastFifths)) {
                O << "      <attributes>\n";
                if (bar == 0)
                    O << "        <divisions>" << Score.UnitsPerQuarter << "</divisions>\n";
                if (!drums) O << "        <key><fifths>" << fifths << "</fifths></key>\n";
                if (bar == 0) {
                    O << "        <time><beats>" << Score.Beats
                      << "</beats><beat-type>4</beat-type></time>\n";
                    if (drums) {
                        O << "        <clef><sign>percussion</sign></clef>\n";
                    } else {
                        O << "        <staves>2</staves>\n"
                             "        <clef number=\"1\"><sign>G</sign><line>2</line></clef>\n"
                             "        <clef number=\"2\"><sign>F</sign><line>4</line></clef>\n";
                    }
                }
                O << "      </attributes>\n";
                lastFifths = fifths;
            }
            if (bar == 0 && !drums) {
                const long tempo = std::lround(Score.Tempo);
                O << "      <direction placement=\"above\"><direction-type><metronome>"
                     "<beat-unit>quarter</beat-unit><per-minute>"
                  << tempo << "</per-minute></metronome></direction-type><staff>1</staff>"
                  << "<sound tempo=\"" << tempo << "\"/></direction>\n";
            }
            bool first = true;
            for (size_t s = 0; s < staves.size(); ++s) {
                for (size_t v = 0; v < voices[s].size(); ++v) {
                    const int voice = static_cast<int>(s * 4 + v + 1);
                    const bool primary = v == 0;
                    std::ostringstream part;
                    // The pedal marks go with the bass staff's first voice.
                    const auto marks = !drums && staves[s] == 2 && primary
                                           ? PedalMarks(from, to)
                                           : std::vector<std::pair<int64_t, const char*>>{};
                    if (!WriteVoice(part, voices[s][v], from, to, drums ? 1 : staves[s], voice,
                                    primary, drums, fifths, marks))
                        continue;
                    if (!first)
                        O << "      <backup><duration>" << perBar << "</duration></backup>\n";
                    O << part.str();
                    first = false;
                }
            }
            O << "    </measure>\n";
        }
        O << "  </part>\n";
    }

    // Pedal marks of the bar by place: the lift before the press at one place.
    std::vector<std::pair<int64_t, const char*>> PedalMarks(int64_t from, int64_t to) const {
        std::vector<std::pair<int64_t, const char*>> marks;
        for (const TScorePedal& p : Score.Pedals) {
            if (p.Start >= from && p.Start < to) marks.push_back({p.Start, "start"});
            if (p.End > from && p.End <= to) marks.push_back({p.End, "stop"});
        }
        std::stable_sort(marks.begin(), marks.end(), [](const auto& a, const auto& b) {
            return std::make_pair(a.first, a.second[1] != 't') <
                   std::make_pair(b.first, b.second[1] != 't');
        });
        return marks;
    }

    // The pieces a stretch of the bar is written in: whole beats in values of whole
    // beats where the grid has triplets, the rest within its beat.
    std::vector<TValue> Pieces(int64_t from, int64_t to) const {
        std::vector<TValue> out;
        const int64_t beat = Score.UnitsPerQuarter;
        const auto fill = [&](int64_t len, bool wholeBeats) {
            while (len > 0) {
                for (const TValue& v : Values) {
                    if (v.Units > len) continue;
                    if (wholeBeats && Score.Triplets && (v.Triplet || v.Units % beat != 0))
                        continue;
                    out.push_back(v);
                    len -= v.Units;
                    break;
                }
            }
        };
        if (!Score.Triplets) {
            fill(to - from, false);
            return out;
        }
        int64_t at = from;
        const int64_t firstBeat = (from + beat - 1) / beat * beat;
        if (firstBeat > at && firstBeat <= to) {
            fill(firstBeat - at, false);
            at = firstBeat;
        } else if (firstBeat > to) {
            fill(to - at, false);
            return out;
        }
        const int64_t lastBeat = to / beat * beat;
        if (lastBeat > at) {
            fill(lastBeat - at, true);
            at = lastBeat;
        }
        if (to > at) fill(to - at, false);
        return out;
    }

    static void Type(std::ostream& o, const TValue& v) {
        o << "<type>" << v.Type << "</type>";
        for (int i = 0; i < v.Dots; ++i)
            o << "<dot/>";
        if (v.Triplet)
            o << "<time-modification><actual-notes>3</actual-notes><normal-notes>2</normal-notes>"
                 "</time-modification>";
    }

    void Rest(std::ostream& o, int64_t from, int64_t to, int staff, int voice) const {
        for (const TValue& v : Pieces(from, to)) {
            o << "      <note><rest/><duration>" << v.Units << "</duration><voice>" << voice
              << "</voice>";
            Type(o, v);
            o << "<staff>" << staff << "</staff></note>\n";
        }
    }

    // False when the voice has nothing in this bar and need not be written. The
    // voice is cut at each pedal mark, which is written at its place.
    bool WriteVoice(std::ostream& o, const std::vector<TChord>& chords, int64_t from, int64_t to,
                    int staff, int voice, bool primary, bool drums, int fifths,
                    const std::vector<std::pair<int64_t, const char*>>& marks) const {
        auto it = std::lower_bound(chords.begin(), chords.end(), from,
                                   [](const TChord& c, int64_t at) { return c.End() <= at; });
        const bool empty = it == chords.end() || it->Start >= to;
        if (empty && !primary) return false;
        if (empty && marks.empty()) {
            o << "      <note><rest measure=\"yes\"/><duration>" << to - from
              << "</duration><voice>" << voice << "</voice><staff>" << staff << "</staff></note>\n";
            return true;
        }
        // Stretches of the bar: a chord's part, or a rest (no chord).
        struct TStretch {
            int64_t A, B;
            const TChord* Chord;
        };
        std::vector<TStretch> stretches;
        int64_t at = from;
        for (; it != chords.end() && it->Start < to; ++it) {
            const int64_t a = std::max(it->Start, from), b = std::min(it->End(), to);
            if (a > at) stretches.push_back({at, a, nullptr});
            stretches.push_back({a, b, &*it});
            at = b;
        }
        if (at < to) stretches.push_back({at, to, nullptr});
        size_t mark = 0;
        const auto marksUpTo = [&](int64_t pos) {
            for (; mark < marks.size() && marks[mark].first <= pos; ++mark)
                o << "      <direction placement=\"below\"><direction-type><pedal type=\""
                  << marks[mark].second << "\" line=\"no\"/></direction-type><staff>" << staff
                  << "</staff></direction>\n";
        };
        for (const TStretch& st : stretches) {
            std::vector<int64_t> cuts{st.A};
            for (const auto& [pos, type] : marks)
                if (pos > st.A && pos < st.B && pos != cuts.back()) cuts.push_back(pos);
            cuts.push_back(st.B);
            for (size_t c = 0; c + 1 < cuts.size(); ++c) {
                marksUpTo(cuts[c]);
                if (!st.Chord) {
                    Rest(o, cuts[c], cuts[c + 1], staff, voice);
                    continue;
                }
                int64_t pos = cuts[c];
                for (const TValue& v : Pieces(cuts[c], cuts[c + 1])) {
                    const bool tieStop = pos > st.Chord->Start;
                    const bool tieStart = pos + v.Units < st.Chord->End();
                    for (size_t i = 0; i < st.Chord->Pitches.size(); ++i)
                        Note(o, st.Chord->Pitches[i], i > 0, v, tieStart, tieStop, staff, voice,
                             drums, fifths);
                    pos += v.Units;
                }
            }
        }
        marksUpTo(to);
        return true;
    }

    void Note(std::ostream& o, int pitch, bool chord, const TValue& v, bool tieStart, bool tieStop,
              int staff, int voice, bool drums, int fifths) const {
        o << "      <note>";
        if (chord) o << "<chord/>";
        bool cross = false;
        int alter = 0;
        if (drums) {
            const TDrumPlace d = DrumPlace(pitch);
            cross = d.Cross;
            o << "<unpitched><display-step>" << LetterName[static_cast<size_t>(d.Letter)]
              << "</display-step><display-octave>" << d.Octave << "</display-octave></unpitched>";
        } else {
            const TSpelledPitch p = SpellPitch(pitch, fifths);
            alter = p.Alter;
            o << "<pitch><step>" << LetterName[static_cast<size_t>(p.Letter)] << "</step>";
            if (p.Alter != 0) o << "<alter>" << p.Alter << "</alter>";
            o << "<octave>" << p.Octave << "</octave></pitch>";
            if (p.Alter != KeyAlter(p.Letter, fifths)) alter = 100 + p.Alter; // shown
        }
        o << "<duration>" << v.Units << "</duration>";
        if (tieStop) o << "<tie type=\"stop\"/>";
        if (tieStart) o << "<tie type=\"start\"/>";
        if (drums) o << "<instrument id=\"P2-I1\"/>";
        o << "<voice>" << voice << "</voice>";
        Type(o, v);
        if (alter >= 99) {
            static constexpr std::array<const char*, 3> Names = {"flat", "natural", "sharp"};
            o << "<accidental>" << Names[static_cast<size_t>(alter - 99)] << "</accidental>";
        }
        if (drums) o << "<stem>up</stem>";
        if (cross) o << "<notehead>x</notehead>";
        o << "<staff>" << staff << "</staff>";
        if (tieStart || tieStop) {
            o << "<notations>";
            if (tieStop) o << "<tied type=\"stop\"/>";
            if (tieStart) o << "<tied type=\"start\"/>";
            o << "</notations>";
        }
        o << "</note>\n";
    }

    const TScore& Score;
    const std::vector<TValue> Values;
    std::ostringstream O;
};

} // namespace

TSpelledPitch SpellPitch(int midiNote, int fifths) {
    const int pc = ((midiNote % 12) + 12) % 12;
    // A letter the key signature already gives this pitch: no sign needed.
    int letter = -1, alter = 0;
    for (int l = 0; l < 7 && letter < 0; ++l) {
        const int a = KeyAlter(l, fifths);
        if ((LetterPitch[static_cast<size_t>(l)] + a + 12) % 12 == pc) letter = l, alter = a;
    }
    if (letter < 0) {
        // Otherwise the natural letter, or the sharp of the letter below in sharp keys
        // (and C) and the flat of the letter above in flat keys.
        for (int l = 0; l < 7 && letter < 0; ++l)
            if (LetterPitch[static_cast<size_t>(l)] == pc) letter = l, alter = 0;
        if (letter < 0) {
            if (fifths >= 0) {
                for (int l = 0; l < 7; ++l)
                    if ((LetterPitch[static_cast<size_t>(l)] + 1) % 12 == pc) letter = l, alter = 1;
            } else {
                for (int l = 0; l < 7; ++l)
                    if ((LetterPitch[static_cast<size_t>(l)] + 11) % 12 == pc)
                        letter = l, alter = -1;
            }
        }
    }
    const int natural = midiNote - alter; // the letter's own pitch
    const int octave = (natural - LetterPitch[static_cast<size_t>(letter)]) / 12 - 1;
    return {letter, alter, octave};
}

std::string WriteMusicXml(const TScore& score) {
    return TWriter(score).Write();
}
