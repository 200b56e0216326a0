// The performer's values, voices, switches and pedals, and the accompaniment switch.
#include "controller/PerformanceController.h"

#include "controller/PerformerText.h"
#include "sound/VoiceList.h"

namespace {
// The client point the mouse pedal holds the cursor at.
constexpr int MousePedalX = 400, MousePedalY = 120;
// Two Space presses closer than this switch the timed pedal.
constexpr uint32_t DoublePressMs = 500;
// The main window's own subscription while the accompaniment runs.
constexpr const char* BeatSubscription = "NewSecondAndNewBeat";
constexpr uint16_t BeatSubscriptionMask = 20; // new second, new beat
} // namespace

void TPerformanceController::Show(TValueBox box, const std::string& text) {
    if (Ports.Boxes) Ports.Boxes->ShowValue(box, text);
}

void TPerformanceController::SetTranspose(int t) {
    t = WrapTranspose(t);
    Performer.Transpose = t;
    if (Ports.Staff) Ports.Staff->SetKeySignature(KeySignatureCode(t));
    Show(TValueBox::Transpose, TransposeText(t));
}

void TPerformanceController::SetLeftOctave(int o) {
    o = ClampOctave(o);
    Performer.LeftOctave = o;
    Show(TValueBox::LeftOctave, OctaveText(o));
    if (Ports.PCKeyboard) Ports.PCKeyboard->LeftOctaveChanged(o);
}

void TPerformanceController::SetRightOctave(int o) {
    o = ClampOctave(o);
    Performer.RightOctave = o;
    Show(TValueBox::RightOctave, OctaveText(o));
    if (Ports.PCKeyboard) Ports.PCKeyboard->RightOctaveChanged(o);
}

void TPerformanceController::SetLeftVelocity(int v) {
    v = ClampVelocity(v);
    Performer.LeftVelocity = v;
    Show(TValueBox::LeftVelocity, NumberText(v));
}

void TPerformanceController::SetRightVelocity(int v) {
    v = ClampVelocity(v);
    Performer.RightVelocity = v;
    Show(TValueBox::RightVelocity, NumberText(v));
}

void TPerformanceController::SetPerformerDefaults() {
    const TPerformerState defaults;
    SetTranspose(defaults.Transpose);
    SetLeftOctave(defaults.LeftOctave);
    SetRightOctave(defaults.RightOctave);
    SetLeftVelocity(defaults.LeftVelocity);
    SetRightVelocity(defaults.RightVelocity);
}

void TPerformanceController::SelectVoice(bool right, int position) {
    if (position < 0 || position >= Voices.Count()) return;
    const uint32_t patch = Voices[position].Patch;
    if (right) {
        Performer.RightVoiceIndex = position;
        Synth.SetPatch(RightChannel, patch);
        Recorder.RecordRightVoice(static_cast<int32_t>(patch));
        Show(TValueBox::RightVoice, NumberText(position));
    } else {
        Performer.LeftVoiceIndex = position;
        Synth.SetPatch(LeftChannel, patch);
        Recorder.RecordLeftVoice(static_cast<int32_t>(patch));
        Show(TValueBox::LeftVoice, NumberText(position));
    }
}

void TPerformanceController::SelectLeftVoice(int position) {
    SelectVoice(false, position);
}

void TPerformanceController::SelectRightVoice(int position) {
    SelectVoice(true, position);
}

void TPerformanceController::SelectLeftVoiceByPatch(uint32_t patch) {
    SelectVoice(false, VoiceIndexForStoredPatch(Voices, patch));
}

void TPerformanceController::SelectRightVoiceByPatch(uint32_t patch) {
    SelectVoice(true, VoiceIndexForStoredPatch(Voices, patch));
}

void TPerformanceController::StepValueBox(TValueBox box, bool up) {
    const int step = up ? 1 : -1;
    const int count = Voices.Count();
    switch (box) {
    case TValueBox::Transpose:
        SetTranspose(Performer.Transpose + step);
        break;
    case TValueBox::LeftOctave:
        SetLeftOctave(Performer.LeftOctave + step);
        break;
    case TValueBox::RightOctave:
        SetRightOctave(Performer.RightOctave + step);
        break;
    case TValueBox::LeftVelocity:
        SetLeftVelocity(Performer.LeftVelocity + step);
        break;
    case TValueBox::RightVelocity:
        SetRightVelocity(Performer.RightVelocity + step);
        break;
    case TValueBox::LeftVoice:
        if (count > 0) SelectLeftVoice((count + Performer.LeftVoiceIndex + step) % count);
        break;
    case TValueBox::RightVoice:
        if (count > 0) SelectRightVoice((count + Performer.RightVoiceIndex + step) % count);
        break;
    }
}

void TPerformanceController::SelectExternalVoice(bool right, int position) {
    if (position < 0 || position >= Voices.Count()) return;
    const uint32_t patch = Voices[position].Patch;
    Synth.SetPatch(right ? RightChannel : LeftChannel, patch);
    if (right)
        Recorder.RecordRightVoice(static_cast<int32_t>(patch));
    else
        Recorder.RecordLeftVoice(static_cast<int32_t>(patch));
}

void TPerformanceController::EndSemitoneNote(int note) {
    Synth.NoteOff(RightChannel, static_cast<uint8_t>(note));
    if (Ports.RightStrip) Ports.RightStrip->SetKeyState(note - 24, false);
}

void TPerformanceController::SetSmartSemitone(bool on) {
    const bool changed = on != SmartSemitone;
    SmartSemitone = on;
    // Notes the block still sounds end now: the keys' releases will not end them.
    Started.ReleaseBlockNotes([this](const TStartedNote& n) { EndSemitoneNote(n.Note); });
    Semitones.FreeAll([](int) {});
    // Only a real change rewrites the six keys, so that switching the mode off when it
    // is off (every Esc does) leaves a layout's own definitions of them alone.
    if (changed) ApplySixKeyDefs(KeyDefs, on);
    if (Ports.PCKeyboard) Ports.PCKeyboard->SetSixKeyLabels(on);
    Recorder.RecordSixKeyMode(on ? 1 : 0);
}

void TPerformanceController::SetLeftPedal(bool on) {
    Synth.SetSustain(LeftChannel, on);
    Recorder.RecordLeftPedal(on ? -1 : 0);
}

void TPerformanceController::SetRightPedal(bool on) {
    Synth.SetSustain(RightChannel, on);
    Recorder.RecordRightPedal(on ? -1 : 0);
}

void TPerformanceController::SetTimedPedal(bool on) {
    TimedPedal = on;
    SetLeftPedal(on);
}

void TPerformanceController::SetMousePedal(bool on) {
    MousePedal = on;
    if (!Ports.Window) return;
    if (on)
        Ports.Window->ConfineCursor(MousePedalX, MousePedalY);
    else
        Ports.Window->ReleaseCursor();
}

std::optional<TClientPoint> TPerformanceController::ConfinedCursor() const {
    if (!MousePedal || !Ports.Window) return std::nullopt;
    return TClientPoint{MousePedalX, MousePedalY};
}

void TPerformanceController::SpacePedalPress() {
    const uint32_t now = Clock.TickCount();
    // Unsigned difference: the tick counter may wrap between two presses.
    if (LastSpacePress && now - *LastSpacePress < DoublePressMs)
        SetTimedPedal(!TimedPedal);
    else
        SetLeftPedal(true);
    LastSpacePress = now;
}

void TPerformanceController::TimedPedalTick() {
    if (!TimedPedal) return;
    // Lift and press again: the notes the pedal gathered are let go.
    Synth.SetSustain(LeftChannel, false);
    Synth.SetSustain(LeftChannel, true);
    Recorder.RecordLeftPedal(0);
    Recorder.RecordLeftPedal(-1);
}

void TPerformanceController::WindowMouseDown(TMouseButton button) {
    if (!MousePedal || MousePedalButton) return;
    MousePedalButton = button;
    Synth.SetSustain(LeftChannel, true);
    Synth.SetSustain(RightChannel, true);
    Recorder.RecordLeftPedal(-1);
    Recorder.RecordRightPedal(-1);
}

void TPerformanceController::WindowMouseUp(TMouseButton button) {
    // The button that put the pedals down lifts them even if the mouse pedal was
    // switched off while it was held.
    if (MousePedalButton != button) return;
    MousePedalButton.reset();
    Synth.SetSustain(LeftChannel, false);
    Synth.SetSustain(RightChannel, false);
    Recorder.RecordLeftPedal(0);
    Recorder.RecordRightPedal(0);
}

void TPerformanceController::SetAccompaniment(bool on) {
    if (on == AccompanimentRunning) return;
    if (on) {
        // The clock restarts from zero under the accompaniment.
        if (Ports.Tempo) {
            Ports.Tempo->SetActive(false);
            Ports.Tempo->Subscribe(BeatSubscription, BeatSubscriptionMask, [](uint16_t) {});
        }
        if (Ports.Accomp) Ports.Accomp->SetStart(true);
        AccompanimentRunning = true;
        if (Ports.Tempo) Ports.Tempo->SetActive(true);
    } else {
        if (Ports.Accomp) Ports.Accomp->SetStart(false);
        if (Ports.Tempo && !Recorder.IsRecording()) Ports.Tempo->Unsubscribe(BeatSubscription);
        AccompanimentRunning = false;
    }
}
