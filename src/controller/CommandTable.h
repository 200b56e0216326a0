// The command keys: a table of key, modifiers and action that the controller hands
// every press with a modifier held, or of a key without notes; and the ten one-touch
// setting slots that some of its keys store and recall.
#pragma once

#include "controller/IControllerPorts.h"

#include <array>
#include <cstdint>
#include <span>

class TPerformanceController;
class TSimpleRecorder;
struct TFavoriteVoiceSet;

enum class TCommand : uint8_t {
    ResetPerformance,    // Esc: pedals up, smart semitone off, everything stopped
    ShowAbout,           // Ctrl+Esc
    CloseWindow,         // Alt+F4: as the window's close box
    FavoriteVoice,       // F1..F12 (Arg 0..11, right) and Shift+F1..F12 (12..23, left)
    StepOctave,          // the grave key: Arg 1 the right octave, 0 the left
    SwitchAccompaniment, // Enter: the accompaniment on or off
    SwitchMousePedal,    // Ctrl+Enter
    SwitchSmartSemitone, // Pause, Power
    SelectAccompStyle,   // Alt+"1".."0": style Arg of the current group
    StepAccompGroup,     // Alt+"-", Alt+"=": the style group Arg steps on, wrapping
    RecallSnapshot,      // slot Arg
    StoreSnapshot,       // slot Arg
    RecallNextSnapshot,  // Capslock
    StoreSnapshotInFree, // Ctrl+Capslock
    ClearSnapshots,      // Ctrl+Shift+Capslock
    ForgetRecall,        // Alt+Capslock: the next recall starts at slot 0
    RebuildVoiceLists,   // Alt+Backspace: the external voice lists made anew
    NextVoice,           // Tab (Arg 1) and Shift+Tab (Arg 0)
    StepTranspose,       // Ctrl+Home, Ctrl+End: by Arg
    StepPercussVolume,   // Ctrl+Shift+Home, Ctrl+Shift+End: by Arg, within 0..127
    StepRightVelocity,   // Ctrl+Insert, Ctrl+Delete: by Arg
    StepLeftVelocity,    // Ctrl+Shift+Insert, Ctrl+Shift+Delete: by Arg
    StepMasterVolume,    // Ctrl+PageUp, Ctrl+PageDown: the master volume by Arg
    ScaleTempo,          // Ctrl+Shift+PageUp, Ctrl+Shift+PageDown: Arg percent of it
    Song,                // the song command TSongCommand(Arg)
    PlaySongOnce,        // Sleep: loop off, then playback on or off
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

// What the command keys reach beyond the controller, the accompaniment and the tempo
// clock: the main window and the program around it.
class ICommandHost {
public:
    virtual ~ICommandHost() = default;
    virtual void ShowAbout() = 0;
    // Closes the main window as its close box does (the program then ends).
    virtual void CloseMainWindow() = 0;
    // The external voice set's two lists made anew from the voice list.
    virtual void RebuildExternalVoiceLists() = 0;
    // With the external voice set in use and its lists there: the right list one
    // entry down (or up), its voice sent as a choice in the list sends it; true.
    // Otherwise nothing happens and the result is false.
    virtual bool StepExternalVoiceList(bool down) = 0;
    // The master volume on its 0..127 scale.
    virtual void StepMasterVolume(int delta) = 0;
};

// The tempo clock's speed as the tempo keys change it.
class ITempoControl {
public:
    virtual ~ITempoControl() = default;
    virtual double Tempo() const = 0;
    virtual void SetTempo(double beatsPerMinute) = 0;
};

// One of the ten one-touch setting slots: the performer state it holds.
struct TSnapshotSlot {
    bool Used = false;
    int32_t LeftVoiceIndex = 0, RightVoiceIndex = 0;
    int32_t LeftVelocity = 0, RightVelocity = 0;
    int32_t LeftOctave = 0, RightOctave = 0;
    int32_t Transpose = 0;
    bool operator==(const TSnapshotSlot&) const = default;
};

constexpr int SnapshotSlotCount = 10;

// Main thread only, like the controller. Nothing here allocates once built.
class TCommandTable final : public ICommandTable {
public:
    // The accompaniment may be null (the program then runs without one).
    explicit TCommandTable(IAccompaniment* accomp = nullptr) : Accomp(accomp) {}
    // The parts the commands reach; any left out makes its keys do nothing.
    void SetSongs(ISongCommands* songs) { Songs = songs; }
    void SetHost(ICommandHost* host) { Host = host; }
    void SetTempo(ITempoControl* tempo) { Tempo = tempo; }
    void SetFavorites(const TFavoriteVoiceSet* favorites) { Favorites = favorites; }
    // The controller the commands act on and its recorder; set once it exists (it is
    // built with this table among its ports). Clears the slots from its state.
    void Attach(TPerformanceController& controller, TSimpleRecorder& recorder);

    void DoCommand(uint8_t code, uint8_t shiftState) override;
    void Run(const TCommandRow& row);

    // Esc: the timed pedal off and both pedals up (recorded while recording), the
    // smart semitone off, the recall cursor forgotten, everything stopped.
    void ResetPerformance();

    // The one-touch slots. A slot number outside 0..9 is ignored.
    void StoreSnapshot(int slot);
    // The slot's voices (by position), velocities, octave shifts and transposition
    // become the performer's, in that order; while recording, every one of them is
    // recorded, so that a song plays back what the player heard. An unused slot
    // does nothing.
    void RecallSnapshot(int slot);
    // Into the lowest free slot; nothing when all ten are used.
    void StoreSnapshotInFreeSlot();
    // The next used slot after the cursor, round about; the cursor moves on even when
    // only the slot it stands on is used.
    void RecallNextSnapshot();
    // Every slot unused, holding the first voices, the current velocities and
    // transposition and no octave shift; the cursor forgotten.
    void ClearSnapshots();
    const TSnapshotSlot& Snapshot(int slot) const { return Snapshots[static_cast<size_t>(slot)]; }
    int RecallCursor() const { return Cursor; }

private:
    void StepOctave(bool right);
    void NextVoice(bool right);
    void StepVelocity(bool right, int delta);

    IAccompaniment* Accomp;
    ISongCommands* Songs = nullptr;
    ICommandHost* Host = nullptr;
    ITempoControl* Tempo = nullptr;
    const TFavoriteVoiceSet* Favorites = nullptr;
    TPerformanceController* Controller = nullptr;
    TSimpleRecorder* Recorder = nullptr;
    std::array<TSnapshotSlot, SnapshotSlotCount> Snapshots{};
    int Cursor = -1;
};
