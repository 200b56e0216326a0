// The key path: key messages, note keys sounded and silenced, the held chord and the
// key definitions as a whole. Nothing here allocates, and every note goes to the
// synthesiser before any view or the recorder hears of the key.
#include "controller/PerformanceController.h"

#include "controller/KeyRoles.h"
#include "controller/PerformerText.h"
#include "sound/VoiceList.h"

#include <algorithm>

namespace {
// The accompaniment's percussion volume when the program runs without one.
constexpr int DefaultPercussVolume = 60;

// Slots a definition sounds: its count, within the eight slots a record has.
int SlotCount(const TKeyDef& def) {
    const int32_t count = def.Count; // by value: the record is packed
    return std::clamp(count, 0, KeySlotCount);
}

// A note of one key on its way to a piano strip, shown once all notes are sent.
struct TStripNote {
    uint8_t Channel;
    uint8_t Note;
};
} // namespace

TPerformanceController::TPerformanceController(ISynthesizer& synth, TSimpleRecorder& recorder,
                                               const ITickClock& clock, const TVoiceList& voices,
                                               const TControllerPorts& ports)
    : Synth(synth), Recorder(recorder), Clock(clock), Voices(voices), Ports(ports) {}

void TPerformanceController::WMDIKeyDown(int code, int keyIndex) {
    if (keyIndex < 0) return;
    if (NotebookMode) code = NotebookCode(code);
    if (Recorder.IsPlaying()) {
        // While a song plays only Esc and Power act: they stop it.
        if (code == DIK::ESCAPE || code == DIK::POWER) {
            if (Ports.Songs)
                Ports.Songs->SetSongPlaying(false);
            else
                Recorder.SetPlaying(false);
        }
        return;
    }
    DoKeyDown(code);
}

void TPerformanceController::WMDIKeyUp(int code, int keyIndex) {
    if (keyIndex < 0 || Recorder.IsPlaying()) return;
    if (NotebookMode) code = NotebookCode(code);
    DoKeyUp(code);
}

bool TPerformanceController::IsNoteKey(int keyIndex) const {
    // Only the definable keys carry notes: a file that "defines" Esc or a Shift key
    // must not turn it into a note key.
    return keyIndex >= 0 && keyIndex < KeyCount && DefinableKeys[static_cast<size_t>(keyIndex)] &&
           KeyDefs.Keys[keyIndex].Count > 0;
}

void TPerformanceController::DoKeyDown(int code) {
    const uint8_t m = Held.ShiftState(); // this key is not marked yet
    const int k = KeyIndexOfCode(code);
    if (k < 0) return;
    if (m == 0 && IsNoteKey(k)) {
        if (Retune == rmOff) {
            SoundKey(k);
            if (Ports.PCKeyboard) Ports.PCKeyboard->SetKeyState(k, true);
            Held.SetDown(code);
            ShowHeldChord();
            Recorder.RecordKeyDown(code);
        } else if (Retune == rmRaise || Retune == rmLower) {
            // The key is respelled instead of sounding, and is not marked held.
            if (Retune == rmRaise)
                RaiseKeyBySemitone(k);
            else
                LowerKeyBySemitone(k);
            InstallKeyDefs(KeyDefs);
            if (Recorder.IsRecording()) Recorder.RecordKeyTable(KeyDefs);
        }
        return;
    }
    if (code == DIK::SPACE) {
        if (m == 0) SpacePedalPress();
    } else if (code == DIK::LWIN) {
        Retune = rmRaise;
    } else if (code == DIK::RWIN) {
        Retune = rmLower;
    } else if (Ports.Commands) {
        Ports.Commands->DoCommand(static_cast<uint8_t>(code), m);
    }
    if (code != DIK::WAKE) Held.SetDown(code);
}

void TPerformanceController::DoKeyUp(int code) {
    Held.SetUp(code);
    const uint8_t m = Held.ShiftState(); // releasing a Shift key itself gives 0
    const int k = KeyIndexOfCode(code);
    if (k < 0) return;
    // A key that sounds ends its notes whatever is held now: under a modifier (the
    // window losing the keyboard releases keys in any order), while a Windows key
    // respells, or after its definition changed.
    const bool sounding = Started.IsSounding(k);
    if (!sounding && (m != 0 || !IsNoteKey(k))) {
        if (code == DIK::SPACE) SetLeftPedal(false);
        if (code == DIK::LWIN || code == DIK::RWIN) Retune = rmOff;
        return;
    }
    if (!sounding && Retune != rmOff) return;
    SilenceKey(k);
    if (Ports.PCKeyboard) Ports.PCKeyboard->SetKeyState(k, false);
    ShowHeldChord();
    Recorder.RecordKeyUp(code);
}

void TPerformanceController::SoundKey(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    // A key struck again before its release (a song may say so) ends its notes first,
    // so that none is forgotten.
    if (Started.IsSounding(keyIndex)) SilenceKey(keyIndex);
    const int drum = DrumNoteOfKey(keyIndex);
    if (drum >= 0) {
        const int volume = Ports.Accomp ? Ports.Accomp->APercussVolume() : DefaultPercussVolume;
        const auto v = static_cast<uint8_t>(ClampVelocity(volume));
        Synth.NoteOn(DrumChannel, static_cast<uint8_t>(drum), v);
        Started.Add(keyIndex, {DrumChannel, static_cast<uint8_t>(drum), false});
        Recorder.RecordMidi(0x99, static_cast<uint8_t>(drum), v);
        return;
    }
    const bool six = SmartSemitone && IsSixKey(keyIndex);
    const TKeyDef def = KeyDefs.Keys[keyIndex]; // a copy: a view may rewrite KeyDefs
    const int count = SlotCount(def);
    const TNoteShifts shifts = Shifts();

    TStripNote shown[KeySlotCount];
    int shownCount = 0;
    for (int j = 0; j < count; ++j) {
        const TKeyNote& slot = def.Slots[j];
        int n = KeyNoteToMidi(slot, true, shifts);
        if (n < 0) continue;
        const uint8_t c = slot.IsLeft() ? LeftChannel : RightChannel;
        int v = slot.Velocity;
        if (v == 0) v = slot.IsLeft() ? Performer.LeftVelocity : Performer.RightVelocity;
        const bool fromBlock = six && c == RightChannel;
        if (fromBlock) n = SemitoneNote(keyIndex);
        // The voices of programs 126 and 127 ignore the transposition.
        if (PatchProgram(Synth.ChannelPatch(c)) >= 126) n -= Performer.Transpose;
        if (n < 0 || n > 127) continue;
        if (fromBlock) Semitones.Take(keyIndex, n);
        Synth.NoteOn(c, static_cast<uint8_t>(n), static_cast<uint8_t>(ClampVelocity(v)));
        Started.Add(keyIndex, {c, static_cast<uint8_t>(n), fromBlock});
        shown[shownCount++] = {c, static_cast<uint8_t>(n)};
    }
    for (int i = 0; i < shownCount; ++i) {
        IPianoStrip* strip = shown[i].Channel == LeftChannel ? Ports.LeftStrip : Ports.RightStrip;
        if (strip) strip->SetKeyState(shown[i].Note - 24, true);
    }
}

void TPerformanceController::SilenceKey(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    // Exactly the notes the press started, whatever the shifts and the definition
    // say now.
    TStripNote shown[TStartedNotes::PerKey];
    int shownCount = 0;
    Started.Release(keyIndex, [&](const TStartedNote& n) {
        Synth.NoteOff(n.Channel, n.Note);
        if (n.Channel == DrumChannel)
            Recorder.RecordMidi(0x89, n.Note, 64);
        else
            shown[shownCount++] = {n.Channel, n.Note};
    });
    Semitones.ReleaseKey(keyIndex, [](int) {});
    for (int i = 0; i < shownCount; ++i) {
        IPianoStrip* strip = shown[i].Channel == LeftChannel ? Ports.LeftStrip : Ports.RightStrip;
        if (strip) strip->SetKeyState(shown[i].Note - 24, false);
    }
}

int TPerformanceController::SemitoneNote(int keyIndex) const {
    return ::SemitoneNote(keyIndex, Performer.Transpose, Synth.LastNote(RightChannel));
}

THeldChord TPerformanceController::CollectHeldNotes() const {
    THeldChord chord;
    for (int code = 0; code < 256; ++code) {
        if (!Held.IsDown(code)) continue;
        const int k = KeyIndexOfCode(code);
        // Held command keys (the modifiers, say) carry no notes.
        if (k < 0 || !IsNoteKey(k)) continue;
        const TKeyDef& def = KeyDefs.Keys[k];
        const int count = SlotCount(def);
        for (int j = 0; j < count; ++j) {
            chord.Notes[chord.Count++] = def.Slots[j];
            if (chord.Count == HeldChordSize) return chord;
        }
    }
    return chord;
}

void TPerformanceController::ShowHeldChord() {
    if (!Ports.Staff) return;
    const THeldChord chord = CollectHeldNotes();
    Ports.Staff->ShowChord(chord, Performer.Transpose);
}

void TPerformanceController::InstallKeyDefs(const TKeyDefSet& set) {
    if (&set != &KeyDefs) KeyDefs = set;
    if (Ports.PCKeyboard) Ports.PCKeyboard->RefreshAllKeys();
}
