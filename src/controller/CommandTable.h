// The command keys: a table of key, modifiers and action that the controller hands
// every press with a modifier held, or of a key without notes. It holds the
// accompaniment's rows and the Esc reset; the rest of the keyboard's commands join it
// as rows of the same table.
#pragma once

#include "controller/IControllerPorts.h"

#include <cstdint>
#include <functional>
#include <span>

class TPerformanceController;

enum class TCommand : uint8_t {
    ResetPerformance,    // Esc: pedals up, smart semitone off, everything stopped
    SwitchAccompaniment, // Enter: the accompaniment on or off
    SelectAccompStyle,   // Alt+"1".."0": style Arg of the current group
    StepAccompGroup,     // Alt+"-", Alt+"=": the style group Arg steps on, wrapping
    Song,                // the song command TSongCommand(Arg)
    PlaySongOnce,        // Sleep: loop off, then playback on or off
    StepMasterVolume,    // Ctrl+PageUp, Ctrl+PageDown: the master volume by Arg
};

// Modifier values as TDIKeyboardBuffer::ShiftState gives them; a row matches only
// its exact value.
enum TCommandModifiers : uint8_t {
    cmNone = 0,
    cmShift = 1,
    cmAlt = 2,
    cmCtrl = 4,
    cmCtrlShift = 5
};

struct TCommandRow {
    uint8_t Code; // DirectInput code
    uint8_t Modifiers;
    TCommand Command;
    int Arg;
};

// The rows, in the order the table is searched.
std::span<const TCommandRow> CommandRows();
// The row of a key and modifier value, or null.
const TCommandRow* FindCommand(uint8_t code, uint8_t modifiers);

// Main thread only, like the controller.
class TCommandTable final : public ICommandTable {
public:
    // The accompaniment may be null (the program then runs without one).
    explicit TCommandTable(IAccompaniment* accomp = nullptr) : Accomp(accomp) {}
    // The song commands; without them their keys do nothing.
    void SetSongs(ISongCommands* songs) { Songs = songs; }
    // The master volume's step on its 0..127 scale; without it its keys do nothing.
    void SetMasterVolumeStep(std::function<void(int delta)> step) {
        MasterVolumeStep = std::move(step);
    }
    // The controller the commands act on; set once it exists (it is built with this
    // table among its ports).
    void Attach(TPerformanceController& controller) { Controller = &controller; }

    void DoCommand(uint8_t code, uint8_t shiftState) override;
    void Run(const TCommandRow& row);

private:
    void ResetPerformance();

    IAccompaniment* Accomp;
    ISongCommands* Songs = nullptr;
    std::function<void(int delta)> MasterVolumeStep;
    TPerformanceController* Controller = nullptr;
};
