// info for songs: header, snapshot, song information, key table and every event.
#include "Describe.h"

#include "keys/KeyTable.h"
#include "song/SongFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

bool LooksLikeSong(std::span<const uint8_t> bytes) {
    // The magic letters without the terminating zero: a file that has them but not
    // the zero is a damaged song, and its reason is worth printing.
    return bytes.size() >= 15 && std::memcmp(bytes.data(), SongFileMagic, 15) == 0;
}

namespace {

std::string Hex2(int v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

// What an event's value means, in words.
std::string Meaning(const TSongEvent& e, const TKeyDefSet* table) {
    switch (e.Kind) {
    case evKeyDown:
    case evKeyUp: {
        int index = KeyIndexOfCode(e.Value);
        return index < 0 ? "code " + std::to_string(e.Value) + " (no such key)"
                         : std::string(KeyTable[static_cast<size_t>(index)].Name);
    }
    case evRightVoice:
    case evLeftVoice:
        return PatchText(static_cast<uint32_t>(e.Value));
    case evRightPedal:
    case evLeftPedal:
        return e.Value ? "down" : "up";
    case evSixKeyMode:
        return e.Value ? "on" : "off";
    case evMidiMessage:
        return Hex2(e.Value >> 16) + " " + Hex2(e.Value >> 8) + " " + Hex2(e.Value);
    case evKeyTable: {
        int defined = 0;
        if (table)
            for (const auto& def : table->Keys)
                defined += def.IsDefined();
        return std::to_string(defined) + " keys defined";
    }
    default:
        return "";
    }
}

TReport DescribeSnapshot(const TPerformSnapshot& s) {
    TReport r = TReport::Object();
    r.Set("transpose", s.Transpose);
    r.Set("rightVolume", s.RightVolume);
    r.Set("leftVolume", s.LeftVolume);
    r.Set("rightOctave", s.RightOctave);
    r.Set("leftOctave", s.LeftOctave);
    r.Set("rightVoice", PatchText(static_cast<uint32_t>(s.RightVoice)));
    r.Set("leftVoice", PatchText(static_cast<uint32_t>(s.LeftVoice)));
    TReport& reserved = r.Set("reserved", TReport::Array());
    for (int32_t v : s.Reserved)
        reserved.Add(v);
    r.Set("smartSemitone", s.SmartSemitone);
    return r;
}

} // namespace

bool DescribeSongFile(const std::string& path, bool structured, TReport& out, std::string& reason) {
    TSongHeader header;
    std::memset(&header, 0, sizeof header);
    // Read once, in blocks; the report's event lists are made as they are printed.
    auto events = std::make_shared<TSimpleBuffer>();
    const TSongFileResult result = ReadSongFile(path, header, *events);
    if (!result.Ok()) {
        reason = result.Message;
        return false;
    }
    out.Set("magic", std::string(reinterpret_cast<const char*>(header.Magic), 15));
    out.Set("version", header.Version);
    if (header.Version < SongFileVersion)
        out.Set("note", "version " + std::to_string(header.Version) +
                            " file, converted on loading (default key layout and voices)");
    TReport& info = out.Set("songInfo", TReport::Object());
    info.Set("title", header.Info.Title.Utf8());
    info.Set("performer", header.Info.Performer.Utf8());
    info.Set("remark", header.Info.Remark.Utf8());
    out.Set("snapshot", DescribeSnapshot(header.Snapshot));
    out.Set("eventCount", header.EventCount);
    uint32_t length = 0;
    std::vector<size_t> tableEvents; // the events that carry a key table
    for (size_t i = 0; i < events->Count(); ++i) {
        length = std::max(length, (*events)[i].Event.Time);
        if ((*events)[i].KeyTable) tableEvents.push_back(i);
    }
    out.Set("lengthMs", length);
    out.Set("events", TReport::Generated(events->Count(), [events](size_t i) {
                const TSongEventEntry& entry = (*events)[i];
                const TSongEvent& e = entry.Event;
                TReport ev = TReport::Object();
                ev.Set("time", e.Time);
                ev.Set("skip", e.Skip);
                ev.Set("kind", SongEventKindName(e.Kind));
                ev.Set("value", e.Value);
                if (std::string m = Meaning(e, entry.KeyTable.get()); !m.empty())
                    ev.Set("meaning", m);
                return ev;
            }));
    out.Set("keyTable", DescribeKeyDefSet(header.KeyTable, structured));
    // The key tables the song carries inside (respelled keys while recording).
    out.Set("eventKeyTables",
            TReport::Generated(tableEvents.size(), [events, tableEvents, structured](size_t i) {
                TReport t = TReport::Object();
                t.Set("event", static_cast<int64_t>(tableEvents[i]));
                t.Set("keyDefinitions",
                      DescribeKeyDefSet(*(*events)[tableEvents[i]].KeyTable, structured));
                return t;
            }));
    return true;
}
