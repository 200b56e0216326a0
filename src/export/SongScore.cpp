// From a song's messages to notes, and from notes to bars on a grid.
#include "export/SongScore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

namespace {

constexpr uint8_t PercussionChannel = 9;
constexpr uint8_t SustainController = 64, AllNotesOffController = 123;
constexpr int MiddleC = 60;
constexpr double DefaultTempo = 120;

int64_t RoundDiv(double value, double unit) {
    return static_cast<int64_t>(std::llround(value / unit));
}

} // namespace

std::vector<std::string> TExportDrops::Lines() const {
    std::vector<std::string> lines;
    if (OutOfOrder)
        lines.push_back(std::to_string(OutOfOrder) +
                        " song events stamped before an earlier one were left out");
    if (Overlapping)
        lines.push_back(std::to_string(Overlapping) +
                        " notes that started again while sounding were ended there");
    if (NotMidi)
        lines.push_back(std::to_string(NotMidi) +
                        " messages that are no MIDI channel messages were left out");
    if (NoNotes) lines.push_back("the song holds no notes: only rests were written");
    return lines;
}

std::vector<std::string> TExportDrops::ChineseLines() const {
    std::vector<std::string> lines;
    if (OutOfOrder)
        lines.push_back("时间顺序错乱的事件已略去：" + std::to_string(OutOfOrder) + " 个");
    if (Overlapping) lines.push_back("重叠的音符已截短：" + std::to_string(Overlapping) + " 个");
    if (NotMidi) lines.push_back("无效的 MIDI 消息已略去：" + std::to_string(NotMidi) + " 个");
    if (NoNotes) lines.push_back("歌曲中没有音符，只写了休止符");
    return lines;
}

TSongNotes CollectSongNotes(std::span<const TMidiFileMessage> messages, uint32_t endMs,
                            TExportDrops& drops) {
    TSongNotes out;
    // Sounding notes by channel and pitch: the index of the note in out.Notes.
    std::map<std::pair<uint8_t, uint8_t>, size_t> sounding;
    std::array<bool, 16> pedalDown{};
    int pedalsDown = 0;
    uint32_t pedalSince = 0;
    bool accompaniment = false;
    const auto end = [&](size_t index, uint32_t at) {
        out.Notes[index].OffMs = std::max(out.Notes[index].OnMs, at);
    };
    for (const TMidiFileMessage& m : messages) {
        const uint8_t kind = m.Status & 0xF0, ch = m.Status & 0x0F;
        const uint32_t at = m.TimeMs;
        if (kind == 0xC0 && ch >= 4 && ch <= 6) accompaniment = true;
        if (kind == 0x90 && m.Data2 > 0) {
            if (ch == PercussionChannel) {
                out.Notes.push_back({ch, m.Data1, at, at});
                if (accompaniment) out.AccompanimentOnsets.push_back({at, m.Data1});
                continue;
            }
            if (ch > 1) continue; // the accompaniment's other parts sound no notes of ours
            const auto key = std::make_pair(ch, m.Data1);
            if (auto it = sounding.find(key); it != sounding.end()) {
                end(it->second, at);
                ++drops.Overlapping;
            }
            sounding[key] = out.Notes.size();
            out.Notes.push_back({ch, m.Data1, at, at});
        } else if (kind == 0x80 || kind == 0x90) {
            if (auto it = sounding.find({ch, m.Data1}); it != sounding.end()) {
                end(it->second, at);
                sounding.erase(it);
            }
        } else if (kind == 0xB0 && m.Data1 == AllNotesOffController) {
            for (auto it = sounding.begin(); it != sounding.end();) {
                if (it->first.first != ch) {
                    ++it;
                    continue;
                }
                end(it->second, at);
                it = sounding.erase(it);
            }
        } else if (kind == 0xB0 && m.Data1 == SustainController && ch <= 1) {
            const bool down = m.Data2 >= 64;
            if (down == pedalDown[ch]) continue;
            pedalDown[ch] = down;
            if (down && pedalsDown++ == 0) pedalSince = at;
            if (!down && --pedalsDown == 0) out.Pedals.push_back({pedalSince, at});
        }
    }
    for (const auto& [key, index] : sounding)
        end(index, std::max(endMs, out.Notes[index].OnMs));
    if (pedalsDown > 0) out.Pedals.push_back({pedalSince, std::max(endMs, pedalSince)});
    std::stable_sort(out.Notes.begin(), out.Notes.end(),
                     [](const TSongNote& a, const TSongNote& b) { return a.OnMs < b.OnMs; });
    out.HasAccompaniment = accompaniment && out.AccompanimentOnsets.size() >= 4;
    return out;
}

std::optional<TScoreGrid> ParseScoreGrid(const std::string& text) {
    if (text == "auto") return TScoreGrid::Auto;
    if (text == "8") return TScoreGrid::Eighths;
    if (text == "16") return TScoreGrid::Sixteenths;
    if (text == "32") return TScoreGrid::ThirtySeconds;
    if (text == "8t") return TScoreGrid::EighthTriplets;
    if (text == "16t") return TScoreGrid::SixteenthTriplets;
    return std::nullopt;
}

int GridUnitsPerQuarter(TScoreGrid grid) {
    switch (grid) {
    case TScoreGrid::Eighths:
        return 2;
    case TScoreGrid::ThirtySeconds:
        return 8;
    case TScoreGrid::EighthTriplets:
        return 3;
    case TScoreGrid::SixteenthTriplets:
        return 6;
    default:
        return 4;
    }
}

std::optional<TAccompanimentTime>
ReadAccompanimentTime(std::span<const TAccompanimentOnset> onsetsIn) {
    std::vector<TAccompanimentOnset> hits(onsetsIn.begin(), onsetsIn.end());
    const auto earlier = [](const TAccompanimentOnset& x, const TAccompanimentOnset& y) {
        return x.Ms != y.Ms ? x.Ms < y.Ms : x.Pitch < y.Pitch;
    };
    std::sort(hits.begin(), hits.end(), earlier);
    std::vector<uint32_t> times;
    for (const TAccompanimentOnset& h : hits)
        if (times.empty() || times.back() != h.Ms) times.push_back(h.Ms);
    if (times.size() < 4) return std::nullopt;
    const uint32_t first = times.front();
    // The longest period that every onset keeps to, within the tempo clock's
    // millisecond steps: the pattern's finest step, or a multiple of the tempo clock's
    // step. Each trial period is fitted to the onsets as they are taken in (least
    // squares through the first), so that the last onsets of a long song, hundreds of
    // periods on, still find their step.
    constexpr double Tolerance = 3;
    const auto fitted = [&](double trial) -> double {
        double p = trial, nd = 0, nn = 0;
        for (uint32_t t : times) {
            const double d = t - first, n = std::round(d / p);
            if (std::fabs(d - n * p) > Tolerance) return 0;
            if (n > 0) {
                nd += n * d;
                nn += n * n;
                p = nd / nn;
            }
        }
        for (uint32_t t : times) {
            const double d = t - first;
            if (std::fabs(d - std::round(d / p) * p) > Tolerance) return 0;
        }
        return p;
    };
    double period = 0;
    for (double trial = 2000; trial >= 20 && period == 0; trial -= 0.25)
        period = fitted(trial);
    if (period == 0) return std::nullopt;
    // The period is a sixteenth, an eighth or a beat; the tempo nearest the clock's
    // own starting tempo (100) is taken for it.
    double tempo = 0;
    int unitsPerBeat = 1;
    for (int k : {1, 2, 4}) {
        const double t = 60000.0 / (period * k);
        if (t < 30 || t > 300) continue;
        if (tempo == 0 || std::fabs(std::log(t / 100)) < std::fabs(std::log(tempo / 100))) {
            tempo = t;
            unitsPerBeat = k;
        }
    }
    if (tempo == 0) return std::nullopt;
    // The bar: what sounds in each beat (which drums, at which step of the beat)
    // repeats every bar, or every two bars for a pattern of two. A pattern that
    // repeats every three or six beats and never every two, four or eight is 3/4;
    // anything else is written in 4/4.
    std::map<int64_t, std::set<std::pair<int64_t, int>>> beats;
    int64_t lastBeat = 0;
    for (const TAccompanimentOnset& h : hits) {
        const auto step = static_cast<int64_t>(std::llround((h.Ms - first) / period));
        beats[step / unitsPerBeat].insert({step % unitsPerBeat, h.Pitch});
        lastBeat = std::max(lastBeat, step / unitsPerBeat);
    }
    // Two cycles seen at least; the last beat is left out of the comparison, where the
    // recording may have stopped in the middle of it.
    const auto repeatsEvery = [&](int n) {
        if (lastBeat + 1 < 2 * n) return false;
        for (int64_t b = 0; b + n < lastBeat; ++b) {
            const auto x = beats.find(b), y = beats.find(b + n);
            const bool xHas = x != beats.end(), yHas = y != beats.end();
            if (xHas != yHas || (xHas && x->second != y->second)) return false;
        }
        return true;
    };
    const bool threes = repeatsEvery(3) || repeatsEvery(6);
    const bool twos = repeatsEvery(2) || repeatsEvery(4) || repeatsEvery(8);
    const int bar = threes && !twos ? 3 : 4;
    return TAccompanimentTime{tempo, bar, first};
}

int KeyFifthsOfTranspose(int transpose) {
    // -4 A flat, -3 A, -2 B flat, -1 B, 0 C, 1 D flat, 2 D, 3 E flat, 4 E, 5 F,
    // 6 F sharp, 7 G.
    static constexpr std::array<int, 12> Fifths = {-4, 3, -2, 5, 0, -5, 2, -3, 4, -1, 6, 1};
    if (transpose < -4 || transpose > 7) return 0;
    return Fifths[static_cast<size_t>(transpose + 4)];
}

bool TScore::HasPercussion() const {
    return std::any_of(Notes.begin(), Notes.end(),
                       [](const TScoreNote& n) { return n.Staff == 3; });
}

namespace {

// How far the song's note edges lie from a grid of `unitMs`, summed.
double GridError(const TSongNotes& notes, double originMs, double unitMs) {
    double error = 0;
    for (const TSongNote& n : notes.Notes) {
        for (uint32_t t : {n.OnMs, n.OffMs}) {
            const double u = (t - originMs) / unitMs;
            error += std::fabs(u - std::round(u)) * unitMs;
        }
    }
    return error;
}

} // namespace

TScore BuildScore(const TSongNotes& notes, std::span<const TTransposeAt> transposes,
                  const TScoreOptions& options) {
    TScore score;
    score.Title = options.Title;
    score.Performer = options.Performer;
    score.Remark = options.Remark;
    std::optional<TAccompanimentTime> accomp;
    if (notes.HasAccompaniment) accomp = ReadAccompanimentTime(notes.AccompanimentOnsets);
    score.Tempo = options.Tempo ? *options.Tempo : accomp ? accomp->Tempo : DefaultTempo;
    score.Beats = accomp ? accomp->Beats : 4;
    const double quarterMs = 60000.0 / score.Tempo;

    // The first bar line: the accompaniment's first step, moved back by whole bars
    // to before the first note; without one, the first note.
    const double barMs = quarterMs * score.Beats;
    double origin = notes.Notes.empty() ? 0 : notes.Notes.front().OnMs;
    if (accomp) {
        origin = accomp->StartMs;
        if (!notes.Notes.empty() && notes.Notes.front().OnMs < origin)
            origin -= std::ceil((origin - notes.Notes.front().OnMs) / barMs) * barMs;
    }

    TScoreGrid grid = options.Grid;
    if (grid == TScoreGrid::Auto) {
        const double sixteenths = GridError(notes, origin, quarterMs / 4);
        const double triplets = GridError(notes, origin, quarterMs / 3);
        grid = triplets < 0.6 * sixteenths ? TScoreGrid::EighthTriplets : TScoreGrid::Sixteenths;
    }
    score.UnitsPerQuarter = GridUnitsPerQuarter(grid);
    score.Triplets = score.UnitsPerQuarter % 3 == 0;
    const double unitMs = quarterMs / score.UnitsPerQuarter;
    const auto unitOf = [&](double ms) {
        return std::max<int64_t>(0, RoundDiv(ms - origin, unitMs));
    };

    int64_t end = 0;
    // Percussion notes last until the next percussion onset, a beat at most.
    std::vector<int64_t> drumStarts;
    for (const TSongNote& n : notes.Notes)
        if (n.Channel == PercussionChannel) drumStarts.push_back(unitOf(n.OnMs));
    std::sort(drumStarts.begin(), drumStarts.end());
    for (const TSongNote& n : notes.Notes) {
        TScoreNote s{};
        s.Pitch = n.Pitch;
        s.Start = unitOf(n.OnMs);
        if (n.Channel == PercussionChannel) {
            s.Staff = 3;
            const auto next = std::upper_bound(drumStarts.begin(), drumStarts.end(), s.Start);
            const int64_t until =
                next == drumStarts.end() ? s.Start + score.UnitsPerQuarter : *next;
            s.Length = std::min<int64_t>(until - s.Start, score.UnitsPerQuarter);
        } else {
            // A note shorter than the grid keeps one step of it.
            s.Length = std::max<int64_t>(1, unitOf(n.OffMs) - s.Start);
            if (options.Staves == TStaffSplit::Keyboard)
                s.Staff = n.Channel == 0 ? 2 : 1;
            else
                s.Staff = n.Pitch >= MiddleC ? 1 : 2;
        }
        end = std::max(end, s.Start + s.Length);
        score.Notes.push_back(s);
    }
    // Two notes of one pitch on one staff may not overlap: the first ends where the
    // second starts (the grid can bring them together).
    std::stable_sort(
        score.Notes.begin(), score.Notes.end(), [](const TScoreNote& a, const TScoreNote& b) {
            return std::tie(a.Staff, a.Pitch, a.Start) < std::tie(b.Staff, b.Pitch, b.Start);
        });
    std::vector<TScoreNote> kept;
    for (const TScoreNote& n : score.Notes) {
        if (!kept.empty() && kept.back().Staff == n.Staff && kept.back().Pitch == n.Pitch) {
            TScoreNote& prev = kept.back();
            if (prev.Start == n.Start) { // the same note twice: one is kept, the longer
                prev.Length = std::max(prev.Length, n.Length);
                continue;
            }
            prev.Length = std::min(prev.Length, n.Start - prev.Start);
        }
        kept.push_back(n);
    }
    score.Notes = std::move(kept);
    std::stable_sort(
        score.Notes.begin(), score.Notes.end(), [](const TScoreNote& a, const TScoreNote& b) {
            return std::tie(a.Start, a.Staff, a.Pitch) < std::tie(b.Start, b.Staff, b.Pitch);
        });

    for (const TPedalSpan& p : notes.Pedals) {
        const int64_t s = unitOf(p.OnMs), e = unitOf(p.OffMs);
        if (e <= s) continue;
        score.Pedals.push_back({s, e});
        end = std::max(end, e);
    }
    // Keys: the one in force at each bar's start.
    const int64_t perBar = score.UnitsPerBar();
    score.Bars = std::max<int64_t>(1, (end + perBar - 1) / perBar);
    int current = transposes.empty() ? 0 : KeyFifthsOfTranspose(transposes.front().Transpose);
    score.Keys.push_back({0, current});
    for (const TTransposeAt& t : transposes) {
        const int fifths = KeyFifthsOfTranspose(t.Transpose);
        if (fifths == score.Keys.back().Fifths) continue;
        // A change takes effect at the bar line on or after it.
        const int64_t at = unitOf(t.TimeMs);
        const int64_t bar = (at + perBar - 1) / perBar * perBar;
        if (bar >= score.Bars * perBar) continue;
        if (score.Keys.back().Start == bar)
            score.Keys.back().Fifths = fifths;
        else
            score.Keys.push_back({bar, fifths});
    }
    return score;
}
