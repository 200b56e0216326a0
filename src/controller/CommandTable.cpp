// The command table's rows and what each does.
#include "controller/CommandTable.h"

#include "controller/PerformanceController.h"
#include "keys/KeyTable.h"

#include <array>

namespace {

// The accompaniment's style groups, six of twelve styles (group 1 holds the metronomes).
constexpr int StyleGroups = 6;

constexpr auto Rows = [] {
    std::array<TCommandRow, 26> rows{};
    size_t n = 0;
    rows[n++] = {DIK::ESCAPE, cmNone, TCommand::ResetPerformance, 0};
    rows[n++] = {DIK::RETURN, cmNone, TCommand::SwitchAccompaniment, 0};
    // "1".."9" and "0": styles 0..9.
    for (int i = 0; i < 10; ++i)
        rows[n++] = {static_cast<uint8_t>(i < 9 ? DIK::K1 + i : DIK::K0), cmAlt,
                     TCommand::SelectAccompStyle, i};
    // Not among the program's original keys: without them the metronome styles of
    // group 1 could never be chosen.
    rows[n++] = {DIK::MINUS, cmAlt, TCommand::StepAccompGroup, -1};
    rows[n++] = {DIK::EQUALS, cmAlt, TCommand::StepAccompGroup, +1};
    // The song commands.
    const auto song = [](TSongCommand c) { return static_cast<int>(c); };
    rows[n++] = {DIK::WAKE, cmNone, TCommand::Song, song(TSongCommand::ToggleRecording)};
    rows[n++] = {DIK::R, cmCtrl, TCommand::Song, song(TSongCommand::ToggleRecording)};
    rows[n++] = {DIK::SLEEP, cmNone, TCommand::PlaySongOnce, 0};
    rows[n++] = {DIK::P, cmCtrl, TCommand::Song, song(TSongCommand::TogglePlaying)};
    rows[n++] = {DIK::SLEEP, cmShift, TCommand::Song, song(TSongCommand::LoopPlayback)};
    rows[n++] = {DIK::P, cmCtrlShift, TCommand::Song, song(TSongCommand::LoopPlayback)};
    rows[n++] = {DIK::O, cmCtrl, TCommand::Song, song(TSongCommand::Open)};
    rows[n++] = {DIK::O, cmCtrlShift, TCommand::Song, song(TSongCommand::OpenAndEditInfo)};
    rows[n++] = {DIK::S, cmCtrl, TCommand::Song, song(TSongCommand::SaveNew)};
    rows[n++] = {DIK::S, cmCtrlShift, TCommand::Song, song(TSongCommand::Save)};
    // The master volume on its 0..127 scale.
    rows[n++] = {DIK::PRIOR, cmCtrl, TCommand::StepMasterVolume, +5};
    rows[n++] = {DIK::NEXT, cmCtrl, TCommand::StepMasterVolume, -5};
    // Every row is filled: an empty one would match code 0 without modifiers.
    if (n != rows.size()) throw "the command table's size is its row count";
    return rows;
}();

} // namespace

std::span<const TCommandRow> CommandRows() {
    return Rows;
}

const TCommandRow* FindCommand(uint8_t code, uint8_t modifiers) {
    for (const TCommandRow& r : Rows)
        if (r.Code == code && r.Modifiers == modifiers) return &r;
    return nullptr;
}

void TCommandTable::DoCommand(uint8_t code, uint8_t shiftState) {
    if (const TCommandRow* row = FindCommand(code, shiftState)) Run(*row);
}

void TCommandTable::Run(const TCommandRow& row) {
    switch (row.Command) {
    case TCommand::ResetPerformance:
        ResetPerformance();
        break;
    case TCommand::SwitchAccompaniment:
        if (Controller) Controller->SetAccompaniment(!Controller->IsAccompanimentRunning());
        break;
    case TCommand::SelectAccompStyle:
        if (Accomp) Accomp->SetAccompStyleIndex(row.Arg);
        break;
    case TCommand::StepAccompGroup:
        if (Accomp)
            Accomp->SetAccompStyleGroupNum(
                ((Accomp->AccompStyleGroupNum() + row.Arg) % StyleGroups + StyleGroups) %
                StyleGroups);
        break;
    case TCommand::PlaySongOnce:
        if (Controller) Controller->SetLoopPlay(false);
        if (Songs) Songs->RunSongCommand(TSongCommand::TogglePlaying);
        break;
    case TCommand::Song:
        if (Songs) Songs->RunSongCommand(static_cast<TSongCommand>(row.Arg));
        break;
    case TCommand::StepMasterVolume:
        if (MasterVolumeStep) MasterVolumeStep(row.Arg);
        break;
    }
}

void TCommandTable::ResetPerformance() {
    if (!Controller) return;
    // The timed pedal's flag and the left pedal, then the right pedal (both recorded
    // while recording), the smart semitone, and the general stop.
    Controller->SetTimedPedal(false);
    Controller->SetRightPedal(false);
    Controller->SetSmartSemitone(false);
    Controller->StopAll(true, true, true, true, true, true, true, true);
}
