// The general stop, notes played with the mouse, and song playback handed back to
// the controller.
#include "controller/PerformanceController.h"

#include "controller/PerformerText.h"

void TPerformanceController::StopAll(TStop parts) {
    if (Has(parts, TStop::Accompaniment)) SetAccompaniment(false);
    if (Has(parts, TStop::Recording) && Recorder.IsRecording()) {
        Recorder.RecordEndMark();
        if (Ports.Songs)
            Ports.Songs->SetSongRecording(false);
        else
            Recorder.SetRecording(false);
    }
    if (Has(parts, TStop::Playback) && Recorder.IsPlaying()) {
        if (Ports.Songs)
            Ports.Songs->SetSongPlaying(false);
        else
            Recorder.SetPlaying(false);
    }
    if (Has(parts, TStop::Notes)) {
        Synth.AllNotesOff(LeftChannel);
        Synth.AllNotesOff(RightChannel);
        Synth.AllSoundOff(LeftChannel);
        Synth.AllSoundOff(RightChannel);
        // Nothing the keys started sounds any more; stale entries would only fill the
        // block and end notes that a later press starts.
        Semitones.FreeAll([](int) {});
        Started.Clear();
    }
    if (Has(parts, TStop::PianoStrips)) {
        if (Ports.LeftStrip) Ports.LeftStrip->ReleaseAll();
        if (Ports.RightStrip) Ports.RightStrip->ReleaseAll();
    }
    if (Has(parts, TStop::PCKeyboard) && Ports.PCKeyboard) Ports.PCKeyboard->ReleaseAll();
    if (Has(parts, TStop::Staff) && Ports.Staff) Ports.Staff->ClearNotes();
    if (Has(parts, TStop::HeldKeys)) Held.Clear();
}

void TPerformanceController::PianoKeyDown(bool rightStrip, int position) {
    if (position < 0 || position > 72) return;
    const int note = position + 24;
    const int velocity = rightStrip ? Performer.RightVelocity : Performer.LeftVelocity;
    // Mouse notes take no octave shift or transposition and are not recorded.
    Synth.NoteOn(rightStrip ? RightChannel : LeftChannel, static_cast<uint8_t>(note),
                 static_cast<uint8_t>(velocity));
    if (Ports.Staff)
        Ports.Staff->ShowSingleNote(note, rightStrip ? 1 : 0, velocity, Performer.Transpose);
}

void TPerformanceController::PianoKeyUp(bool rightStrip, int position) {
    if (position < 0 || position > 72) return;
    Synth.NoteOff(rightStrip ? RightChannel : LeftChannel, static_cast<uint8_t>(position + 24));
    if (Ports.Staff) Ports.Staff->ClearNotes();
}

void TPerformanceController::PCKeyboardMouseDown(int keyIndex) {
    // Exactly as the key pressed on the keyboard: notebook mode and the playing guard apply.
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    WMDIKeyDown(KeyTable[static_cast<size_t>(keyIndex)].Code, keyIndex);
}

void TPerformanceController::PCKeyboardMouseUp(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    WMDIKeyUp(KeyTable[static_cast<size_t>(keyIndex)].Code, keyIndex);
}

void TPerformanceController::PCKeyboardDoubleClick(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    // The press of the double click does not sound; it is only shown released.
    if (Ports.PCKeyboard) Ports.PCKeyboard->SetKeyState(keyIndex, false);
    if (Ports.Window) Ports.Window->OpenKeyEditor(keyIndex);
}

void TPerformanceController::PCKeyboardMouseMove(int keyIndex) {
    if (!Ports.Window) return;
    TCursorShape shape = TCursorShape::Default;
    if (IsNoteKey(keyIndex))
        shape = KeyDefs.Keys[keyIndex].Slots[0].IsLeft() ? TCursorShape::LeftHand
                                                         : TCursorShape::RightHand;
    Ports.Window->SetCursorShape(shape);
}

void TPerformanceController::ApplySongSnapshot() {
    const TSongHeader header = Recorder.Header();
    ApplySongSnapshot(header.Snapshot, header.KeyTable);
}

void TPerformanceController::ApplySongSnapshot(const TPerformSnapshot& snapshot,
                                               const TKeyDefSet& keyTable) {
    SetSmartSemitone(snapshot.SmartSemitone != 0);
    InstallKeyDefs(keyTable);
    SetRightOctave(snapshot.RightOctave);
    SetLeftOctave(snapshot.LeftOctave);
    SetTranspose(snapshot.Transpose);
    SetRightVelocity(snapshot.RightVolume);
    SetLeftVelocity(snapshot.LeftVolume);
    SelectRightVoiceByPatch(static_cast<uint32_t>(snapshot.RightVoice));
    SelectLeftVoiceByPatch(static_cast<uint32_t>(snapshot.LeftVoice));
}

void TPerformanceController::PlaySongEvent(uint8_t kind, int32_t value,
                                           const TKeyDefSet* keyTable) {
    // Straight to the handlers: recorded codes are already replaced by notebook mode.
    switch (kind) {
    case evKeyDown:
        DoKeyDown(value);
        break;
    case evKeyUp:
        DoKeyUp(value);
        break;
    case evRightOctave:
        SetRightOctave(value);
        break;
    case evLeftOctave:
        SetLeftOctave(value);
        break;
    case evTranspose:
        SetTranspose(value);
        break;
    case evRightVoice:
        SelectRightVoiceByPatch(static_cast<uint32_t>(value));
        break;
    case evLeftVoice:
        SelectLeftVoiceByPatch(static_cast<uint32_t>(value));
        break;
    case evRightVolume:
        SetRightVelocity(value);
        break;
    case evLeftVolume:
        SetLeftVelocity(value);
        break;
    case evRightPedal:
        Synth.SetSustain(RightChannel, value != 0);
        break;
    case evLeftPedal:
        Synth.SetSustain(LeftChannel, value != 0);
        break;
    case evKeyTable:
        if (keyTable) InstallKeyDefs(*keyTable);
        break;
    case evSixKeyMode:
        SetSmartSemitone(value != 0);
        break;
    case evMidiMessage:
        Synth.SendShortMessage(static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value));
        break;
    default:
        break;
    }
}

void TPerformanceController::ConnectRecorder() {
    Recorder.SetOnPlayStart([this] { ApplySongSnapshot(); });
    Recorder.SetOnPlayEvent([this](uint8_t kind, int32_t value, const TKeyDefSet* keyTable) {
        PlaySongEvent(kind, value, keyTable);
    });
}
