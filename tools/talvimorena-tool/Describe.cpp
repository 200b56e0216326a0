// Reports of key definitions, favourite voices and settings.
#include "Describe.h"

#include "base/ShortString.h"
#include "keys/KeyDef.h"
#include "settings/Settings.h"
#include "sound/FavoriteVoices.h"

std::string PatchText(uint32_t patch) {
    std::string s = "<" + std::to_string((patch >> 16) & 0xFF) + ":" +
                    std::to_string((patch >> 8) & 0xFF) + ":" + std::to_string(patch & 0xFF) + ">";
    if (patch & 0x80000000u) s += " drum";
    return s;
}

std::string KeyNoteText(const TKeyNote& note) {
    if (!note.HasNote()) return "empty";
    std::string s = std::to_string(note.Degree);
    if (note.Accidental == 1)
        s += "#";
    else if (note.Accidental == 2)
        s += "b";
    else if (note.Accidental != 0)
        s += "?" + std::to_string(note.Accidental);
    s += "/" + std::to_string(note.Octave);
    s += note.Keyboard == 0   ? " left"
         : note.Keyboard == 1 ? " right"
                              : " keyboard " + std::to_string(note.Keyboard);
    if (note.Velocity) s += " v" + std::to_string(note.Velocity);
    return s;
}

namespace {
TReport DescribeSlot(const TKeyNote& n) {
    TReport slot = TReport::Object();
    slot.Set("degree", int{n.Degree});
    slot.Set("accidental", int{n.Accidental});
    slot.Set("octave", int{n.Octave});
    slot.Set("keyboard", int{n.Keyboard});
    slot.Set("velocity", n.Velocity);
    slot.Set("midi", KeyNoteToMidi(n, false));
    return slot;
}

bool IsBlank(const TKeyDef& def) {
    if (def.Count != 0 || def.Caption.Length() != 0 || def.NoTranspose != 0) return false;
    for (const auto& s : def.Slots)
        if (s.HasNote()) return false;
    return true;
}
} // namespace

TReport DescribeKeyDefSet(const TKeyDefSet& set, bool structured) {
    TReport r = TReport::Object();
    r.Set("remark", set.Remark.Utf8());
    int defined = 0;
    for (const auto& def : set.Keys)
        defined += def.IsDefined();
    r.Set("definedKeys", defined);
    TReport& keys = r.Set("keys", TReport::Array());
    for (int i = 0; i < KeyCount; ++i) {
        const TKeyDef& def = set.Keys[i];
        if (IsBlank(def)) continue; // keys that play nothing and carry nothing
        TReport key = TReport::Object();
        key.Set("key", std::string(KeyTable[i].Name));
        key.Set("index", i);
        key.Set("count", def.Count);
        key.Set("caption", def.Caption.Utf8());
        key.Set("noTranspose", def.NoTranspose != 0);
        if (structured) {
            TReport& slots = key.Set("slots", TReport::Array());
            for (const auto& s : def.Slots)
                if (s.HasNote()) slots.Add(DescribeSlot(s));
        } else {
            std::string notes;
            for (const auto& s : def.Slots) {
                if (!s.HasNote()) continue;
                if (!notes.empty()) notes += ", ";
                notes += KeyNoteText(s) + " (" + std::to_string(KeyNoteToMidi(s, false)) + ")";
            }
            key.Set("notes", notes.empty() ? "none" : notes);
        }
        keys.Add(std::move(key));
    }
    return r;
}

TReport DescribeFavorites(const TFavoriteVoiceSet& set) {
    TReport r = TReport::Array();
    for (int i = 0; i < FavoriteVoiceCount; ++i) {
        const TFavoriteVoice& v = set.Voices[i];
        TReport f = TReport::Object();
        const std::string fkey = "F" + std::to_string(i % MainFavoriteCount + 1);
        f.Set("key", i < MainFavoriteCount ? fkey : "Shift+" + fkey);
        f.Set("keyboard", i < MainFavoriteCount ? "right" : "left");
        f.Set("msb", int{v.MSB});
        f.Set("lsb", int{v.LSB});
        f.Set("program", int{v.Program});
        f.Set("patch", PatchText(v.Patch()));
        r.Add(std::move(f));
    }
    return r;
}

TReport DescribeSettings(const TSettings& s) {
    TReport r = TReport::Object();
    r.Set("latency", s.Latency);
    r.Set("period", WritePeriodForLatency(s.Latency));
    r.Set("reverbLevel", int{s.ReverbLevel});
    r.Set("useExternalDLS", s.UseExternalDLS);
    r.Set("externalDLSFile", Cp936ToUtf8(s.ExternalDLSFile));
    return r;
}
