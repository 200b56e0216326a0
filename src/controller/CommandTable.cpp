// The command table's rows and what each does.
#include "controller/CommandTable.h"

#include "controller/PerformanceController.h"
#include "keys/KeyTable.h"

#include "song/SimpleRecorder.h"
#include "sound/FavoriteVoices.h"

#include <algorithm>
#include <array>

namespace {

// The accompaniment's style groups, six of twelve styles (group 1 holds the metronomes).
constexpr int StyleGroups = 6;
constexpr int MaxRows = 128;

struct TRows {
    std::array<TCommandRow, MaxRows> Row{};
    size_t Count = 0;
    constexpr void Add(int code, uint8_t modifiers, TCommand command, int arg = 0) {
        Row[Count++] = {static_cast<uint8_t>(code), modifiers, command, arg};
    }
};

// The digit keys "1".."9", "0" as slots or styles 0..9.
constexpr int DigitCode(int i) {
    return i < 9 ? DIK::K1 + i : DIK::K0;
}

constexpr TRows Rows = [] {
    TRows r;
    using C = TCommand;
    r.Add(DIK::ESCAPE, cmNone, C::ResetPerformance);
    r.Add(DIK::ESCAPE, cmCtrl, C::ShowAbout);
    r.Add(DIK::F4, cmAlt, C::CloseWindow);
    // F1..F10, F11, F12: favourites 0..11 for the right keyboard, with Shift 12..23
    // for the left.
    for (int i = 0; i < 12; ++i) {
        const int code = i < 10 ? DIK::F1 + i : DIK::F11 + (i - 10);
        r.Add(code, cmNone, C::FavoriteVoice, i);
        r.Add(code, cmShift, C::FavoriteVoice, 12 + i);
    }
    r.Add(DIK::GRAVE, cmNone, C::StepOctave, 1);
    r.Add(DIK::GRAVE, cmShift, C::StepOctave, 0);
    for (int i = 0; i < 10; ++i) {
        r.Add(DigitCode(i), cmAlt, C::SelectAccompStyle, i);
        r.Add(DigitCode(i), cmCtrl, C::RecallSnapshot, i);
        r.Add(DigitCode(i), cmCtrlShift, C::StoreSnapshot, i);
    }
    // Not among the program's original keys: without them the metronome styles of
    // group 1 could never be chosen.
    r.Add(DIK::MINUS, cmAlt, C::StepAccompGroup, -1);
    r.Add(DIK::EQUALS, cmAlt, C::StepAccompGroup, +1);
    r.Add(DIK::BACK, cmNone, C::RecallSnapshot, 0);
    r.Add(DIK::BACK, cmAlt, C::RebuildVoiceLists);
    r.Add(DIK::BACK, cmCtrl, C::StoreSnapshot, 0);
    r.Add(DIK::SYSRQ, cmNone, C::RecallSnapshot, 1);
    r.Add(DIK::SYSRQ, cmCtrl, C::StoreSnapshot, 1);
    r.Add(DIK::SCROLL, cmNone, C::RecallSnapshot, 2);
    r.Add(DIK::SCROLL, cmCtrl, C::StoreSnapshot, 2);
    r.Add(DIK::CAPITAL, cmNone, C::RecallNextSnapshot);
    r.Add(DIK::CAPITAL, cmCtrl, C::StoreSnapshotInFree);
    r.Add(DIK::CAPITAL, cmCtrlShift, C::ClearSnapshots);
    r.Add(DIK::CAPITAL, cmAlt, C::ForgetRecall);
    r.Add(DIK::TAB, cmNone, C::NextVoice, 1);
    r.Add(DIK::TAB, cmShift, C::NextVoice, 0);
    r.Add(DIK::RETURN, cmNone, C::SwitchAccompaniment);
    r.Add(DIK::RETURN, cmCtrl, C::SwitchMousePedal);
    r.Add(DIK::HOME, cmCtrl, C::StepTranspose, +1);
    r.Add(DIK::END, cmCtrl, C::StepTranspose, -1);
    r.Add(DIK::HOME, cmCtrlShift, C::StepPercussVolume, +5);
    r.Add(DIK::END, cmCtrlShift, C::StepPercussVolume, -5);
    r.Add(DIK::INSERT, cmCtrl, C::StepRightVelocity, +5);
    r.Add(DIK::DELETE, cmCtrl, C::StepRightVelocity, -5);
    r.Add(DIK::INSERT, cmCtrlShift, C::StepLeftVelocity, +5);
    r.Add(DIK::DELETE, cmCtrlShift, C::StepLeftVelocity, -5);
    r.Add(DIK::PRIOR, cmCtrl, C::StepMasterVolume, +5);
    r.Add(DIK::NEXT, cmCtrl, C::StepMasterVolume, -5);
    r.Add(DIK::PRIOR, cmCtrlShift, C::ScaleTempo, 105);
    r.Add(DIK::NEXT, cmCtrlShift, C::ScaleTempo, 95);
    r.Add(DIK::PAUSE, cmNone, C::SwitchSmartSemitone);
    r.Add(DIK::PAUSE, cmShift, C::SwitchSmartSemitone);
    r.Add(DIK::POWER, cmNone, C::SwitchSmartSemitone);
    // The song commands.
    const auto song = [](TSongCommand c) { return static_cast<int>(c); };
    r.Add(DIK::WAKE, cmNone, C::Song, song(TSongCommand::ToggleRecording));
    r.Add(DIK::R, cmCtrl, C::Song, song(TSongCommand::ToggleRecording));
    r.Add(DIK::SLEEP, cmNone, C::PlaySongOnce);
    r.Add(DIK::P, cmCtrl, C::Song, song(TSongCommand::TogglePlaying));
    r.Add(DIK::SLEEP, cmShift, C::Song, song(TSongCommand::LoopPlayback));
    r.Add(DIK::P, cmCtrlShift, C::Song, song(TSongCommand::LoopPlayback));
    r.Add(DIK::O, cmCtrl, C::Song, song(TSongCommand::Open));
    r.Add(DIK::O, cmCtrlShift, C::Song, song(TSongCommand::OpenAndEditInfo));
    r.Add(DIK::S, cmCtrl, C::Song, song(TSongCommand::SaveNew));
    r.Add(DIK::S, cmCtrlShift, C::Song, song(TSongCommand::Save));
    return r;
}();

} // namespace

std::span<const TCommandRow> CommandRows() {
    return {Rows.Row.data(), Rows.Count};
}

const TCommandRow* FindCommand(uint8_t code, uint8_t modifiers) {
    for (const TCommandRow& r : CommandRows())
        if (r.Code == code && r.Modifiers == modifiers) return &r;
    return nullptr;
}

void TCommandTable::DoCommand(uint8_t code, uint8_t shiftState) {
    if (const TCommandRow* row = FindCommand(code, shiftState)) Run(*row);
}

void TCommandTable::Attach(TPerformanceController& controller, TSimpleRecorder& recorder) {
    Controller = &controller;
    Recorder = &recorder;
    ClearSnapshots();
}

void TCommandTable::Run(const TCommandRow& row) {
    using C = TCommand;
    // The accompaniment's and the host's rows need only their own parts.
    switch (row.Command) {
    case C::SelectAccompStyle:
        if (Accomp) Accomp->SetAccompStyleIndex(row.Arg);
        return;
    case C::StepAccompGroup:
        if (Accomp)
            Accomp->SetAccompStyleGroupNum(
                ((Accomp->AccompStyleGroupNum() + row.Arg) % StyleGroups + StyleGroups) %
                StyleGroups);
        return;
    case C::StepPercussVolume:
        if (Accomp)
            Accomp->SetAPercussVolume(std::clamp(Accomp->APercussVolume() + row.Arg, 0, 127));
        return;
    case C::ScaleTempo:
        if (Tempo) Tempo->SetTempo(Tempo->Tempo() * row.Arg / 100.0);
        return;
    case C::Song:
        if (Songs) Songs->RunSongCommand(static_cast<TSongCommand>(row.Arg));
        return;
    case C::ShowAbout:
        if (Host) Host->ShowAbout();
        return;
    case C::CloseWindow:
        if (Host) Host->CloseMainWindow();
        return;
    case C::RebuildVoiceLists:
        if (Host) Host->RebuildExternalVoiceLists();
        return;
    case C::StepMasterVolume:
        if (Host) Host->StepMasterVolume(row.Arg);
        return;
    default:
        break;
    }
    if (!Controller) return;
    TPerformanceController& c = *Controller;
    switch (row.Command) {
    case C::ResetPerformance:
        ResetPerformance();
        break;
    case C::FavoriteVoice:
        if (Favorites) {
            const uint32_t patch = Favorites->Voices[row.Arg].Patch();
            if (row.Arg < MainFavoriteCount)
                c.SelectRightVoiceByPatch(patch);
            else
                c.SelectLeftVoiceByPatch(patch);
        }
        break;
    case C::StepOctave:
        StepOctave(row.Arg == 1);
        break;
    case C::SwitchAccompaniment:
        c.SetAccompaniment(!c.IsAccompanimentRunning());
        break;
    case C::SwitchMousePedal:
        c.SetMousePedal(!c.IsMousePedal());
        break;
    case C::SwitchSmartSemitone:
        c.SetSmartSemitone(!c.IsSmartSemitone());
        break;
    case C::RecallSnapshot:
        RecallSnapshot(row.Arg);
        break;
    case C::StoreSnapshot:
        StoreSnapshot(row.Arg);
        break;
    case C::RecallNextSnapshot:
        RecallNextSnapshot();
        break;
    case C::StoreSnapshotInFree:
        StoreSnapshotInFreeSlot();
        break;
    case C::ClearSnapshots:
        ClearSnapshots();
        break;
    case C::ForgetRecall:
        Cursor = -1;
        break;
    case C::NextVoice:
        NextVoice(row.Arg == 1);
        break;
    case C::StepTranspose:
        c.SetTranspose(c.State().Transpose + row.Arg);
        Recorder->RecordTranspose(c.State().Transpose);
        break;
    case C::StepRightVelocity:
        StepVelocity(true, row.Arg);
        break;
    case C::StepLeftVelocity:
        StepVelocity(false, row.Arg);
        break;
    case C::PlaySongOnce:
        c.SetLoopPlay(false);
        if (Songs) Songs->RunSongCommand(TSongCommand::TogglePlaying);
        break;
    default:
        break;
    }
}

void TCommandTable::StepOctave(bool right) {
    // Right: 0, +1, -1, 0; left: 0, -1, +1, 0.
    const auto next = [right](int o) {
        if (o == 0) return right ? 1 : -1;
        if (o == (right ? 1 : -1)) return -o;
        return 0;
    };
    TPerformanceController& c = *Controller;
    if (right) {
        c.SetRightOctave(next(c.State().RightOctave));
        Recorder->RecordRightOctave(c.State().RightOctave);
    } else {
        c.SetLeftOctave(next(c.State().LeftOctave));
        Recorder->RecordLeftOctave(c.State().LeftOctave);
    }
}

void TCommandTable::NextVoice(bool tab) {
    // With the external lists Shift+Tab, too, moves the right list (up); without them
    // Tab steps the right voice on and Shift+Tab the left one.
    if (Host && Host->StepExternalVoiceList(tab)) return;
    TPerformanceController& c = *Controller;
    const int count = c.VoiceCount();
    if (count <= 0) return;
    if (tab)
        c.SelectRightVoice((c.State().RightVoiceIndex + 1) % count);
    else
        c.SelectLeftVoice((c.State().LeftVoiceIndex + 1) % count);
}

void TCommandTable::StepVelocity(bool right, int delta) {
    TPerformanceController& c = *Controller;
    if (right) {
        c.SetRightVelocity(c.State().RightVelocity + delta);
        Recorder->RecordRightVolume(c.State().RightVelocity);
    } else {
        c.SetLeftVelocity(c.State().LeftVelocity + delta);
        Recorder->RecordLeftVolume(c.State().LeftVelocity);
    }
}

void TCommandTable::ResetPerformance() {
    if (!Controller) return;
    // The timed pedal's flag and the left pedal, then the right pedal (both recorded
    // while recording), the smart semitone, the recall cursor and the general stop.
    Controller->SetTimedPedal(false);
    Controller->SetRightPedal(false);
    Controller->SetSmartSemitone(false);
    Cursor = -1;
    Controller->StopAll(TStop::Everything);
}

void TCommandTable::StoreSnapshot(int slot) {
    if (!Controller || slot < 0 || slot >= SnapshotSlotCount) return;
    const TPerformerState& p = Controller->State();
    Snapshots[static_cast<size_t>(slot)] = {true,           p.LeftVoiceIndex, p.RightVoiceIndex,
                                            p.LeftVelocity, p.RightVelocity,  p.LeftOctave,
                                            p.RightOctave,  p.Transpose};
}

void TCommandTable::RecallSnapshot(int slot) {
    if (!Controller || slot < 0 || slot >= SnapshotSlotCount) return;
    const TSnapshotSlot& s = Snapshots[static_cast<size_t>(slot)];
    if (!s.Used) return;
    TPerformanceController& c = *Controller;
    // The voices record themselves; the values are recorded here.
    c.SelectLeftVoice(s.LeftVoiceIndex);
    c.SelectRightVoice(s.RightVoiceIndex);
    c.SetLeftVelocity(s.LeftVelocity);
    c.SetRightVelocity(s.RightVelocity);
    c.SetLeftOctave(s.LeftOctave);
    c.SetRightOctave(s.RightOctave);
    c.SetTranspose(s.Transpose);
    const TPerformerState& p = c.State();
    Recorder->RecordLeftVolume(p.LeftVelocity);
    Recorder->RecordRightVolume(p.RightVelocity);
    Recorder->RecordLeftOctave(p.LeftOctave);
    Recorder->RecordRightOctave(p.RightOctave);
    Recorder->RecordTranspose(p.Transpose);
}

void TCommandTable::StoreSnapshotInFreeSlot() {
    for (int s = 0; s < SnapshotSlotCount; ++s)
        if (!Snapshots[static_cast<size_t>(s)].Used) {
            StoreSnapshot(s);
            return;
        }
}

void TCommandTable::RecallNextSnapshot() {
    if (std::none_of(Snapshots.begin(), Snapshots.end(),
                     [](const TSnapshotSlot& s) { return s.Used; }))
        return;
    // The nine slots after the cursor; with none of them used the last one tried.
    int a = 0;
    for (int i = 1; i <= 9; ++i) {
        a = (Cursor + i + SnapshotSlotCount) % SnapshotSlotCount;
        if (Snapshots[static_cast<size_t>(a)].Used) break;
    }
    RecallSnapshot(a);
    Cursor = a;
}

void TCommandTable::ClearSnapshots() {
    if (!Controller) return;
    const TPerformerState& p = Controller->State();
    Snapshots.fill({false, 0, 0, p.LeftVelocity, p.RightVelocity, 0, 0, p.Transpose});
    Cursor = -1;
}
