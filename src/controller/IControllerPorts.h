// What the performance controller sees of the rest of the program: the views of the
// main window, the window itself, the accompaniment and its tempo clock, the command
// table and the song commands. The main window wires the real ones; tests and the
// headless tool put recording fakes or nothing in their place.
#pragma once

#include "controller/HeldChord.h"

#include <cstdint>
#include <functional>
#include <string_view>

// The picture of the PC keyboard.
class IPCKeyboardView {
public:
    virtual ~IPCKeyboardView() = default;
    // Key index 0..106 shown pressed or released; keys without a picture ignore it.
    virtual void SetKeyState(int keyIndex, bool pressed) = 0;
    virtual void ReleaseAll() = 0;
    // KeyDefs changed as a whole: redraw every key's label and show all released.
    virtual void RefreshAllKeys() = 0;
    // An octave shift changed: redraw the labels (their octave dots), show all released.
    virtual void LeftOctaveChanged(int shift) = 0;
    virtual void RightOctaveChanged(int shift) = 0;
    // The smart-semitone mode was switched. The controller has already rewritten the
    // six editing-block keys in KeyDefs where the mode changed; the view only redraws
    // those six keys and shows them released.
    virtual void SetSixKeyLabels(bool on) = 0;
};

// One of the two small piano keyboards; position = MIDI note - 24.
class IPianoStrip {
public:
    virtual ~IPianoStrip() = default;
    // Positions outside 0..72 are ignored.
    virtual void SetKeyState(int position, bool pressed) = 0;
    virtual void ReleaseAll() = 0;
};

class IStaffView {
public:
    virtual ~IStaffView() = default;
    // The held chord, spelled for the transposition.
    virtual void ShowChord(const THeldChord& chord, int transpose) = 0;
    // One note played with the mouse on a piano strip: a MIDI note, converted by the
    // staff for the transposition; keyboard 0 left, 1 right.
    virtual void ShowSingleNote(int midiNote, uint8_t keyboard, int velocity, int transpose) = 0;
    virtual void ClearNotes() = 0;
    // 0 none, 1..7 sharps, 8..14 seven plus the number of flats.
    virtual void SetKeySignature(int code) = 0;
};

enum class TValueBox {
    Transpose,
    LeftOctave,
    RightOctave,
    LeftVelocity,
    RightVelocity,
    LeftVoice,
    RightVoice
};

// The value boxes of the main window. Showing a value never raises the box's own
// change handler: programmatic changes must not loop back into the controller.
class IValueBoxes {
public:
    virtual ~IValueBoxes() = default;
    virtual void ShowValue(TValueBox box, std::string_view text) = 0;
};

enum class TCursorShape { Default, LeftHand, RightHand };

class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    // Moves the mouse cursor to the client point and holds it in that one pixel.
    virtual void ConfineCursor(int clientX, int clientY) = 0;
    virtual void ReleaseCursor() = 0;
    virtual void SetCursorShape(TCursorShape shape) = 0;
    // Opens the key-definition editor on a key (a double click on the PC keyboard).
    virtual void OpenKeyEditor(int keyIndex) = 0;
};

class IAccompaniment {
public:
    virtual ~IAccompaniment() = default;
    virtual void SetStart(bool on) = 0;
    // Velocity of the percussion, 0..127; the drum keys play with it too.
    virtual int APercussVolume() const = 0;
    virtual void SetAPercussVolume(int v) = 0;
    // Style i (0..11, others ignored) of the current group, and the group (0..5).
    virtual void SetAccompStyleIndex(int i) = 0;
    virtual int AccompStyleGroupNum() const = 0;
    virtual void SetAccompStyleGroupNum(int g) = 0;
};

// Event bits of the tempo clock: 1 tick, 2 bar, 4 beat, 8 quarter-beat step, 16 second.
class ITempoClock {
public:
    using TAction = std::function<void(uint16_t events)>;
    virtual ~ITempoClock() = default;
    virtual void SetActive(bool on) = 0;
    // False (and nothing changes) when the name is already subscribed.
    virtual bool Subscribe(std::string_view name, uint16_t mask, TAction action) = 0;
    virtual bool Unsubscribe(std::string_view name) = 0;
};

// The command keys: a press with a modifier held, or of a key without notes. Space
// (the sustain pedal) and the two Windows keys (retuning) are the controller's own
// and never reach the table.
class ICommandTable {
public:
    virtual ~ICommandTable() = default;
    // shiftState as TDIKeyboardBuffer::ShiftState gives it.
    virtual void DoCommand(uint8_t code, uint8_t shiftState) = 0;
};

// The song commands the command keys reach.
enum class TSongCommand {
    ToggleRecording, // recording on or off, an end mark written first
    TogglePlaying,   // playback on or off
    LoopPlayback,    // loop on, then playback unless a song plays
    Open,
    OpenAndEditInfo,
    SaveNew,
    Save,
};

// The main window's song commands: recording and playback on and off with the
// buttons, the caption and the views that follow them.
class ISongCommands {
public:
    virtual ~ISongCommands() = default;
    virtual void SetSongRecording(bool on) = 0;
    virtual void SetSongPlaying(bool on) = 0;
    // A program without song files (the headless tool) leaves these out.
    virtual void RunSongCommand(TSongCommand) {}
};

// The links a controller is built with. Any left null is a part the program runs
// without (the headless tool has no views, say): nothing is shown or asked there.
struct TControllerPorts {
    IPCKeyboardView* PCKeyboard = nullptr;
    IPianoStrip* LeftStrip = nullptr;  // the lower strip
    IPianoStrip* RightStrip = nullptr; // the upper strip
    IStaffView* Staff = nullptr;
    IValueBoxes* Boxes = nullptr;
    IMainWindow* Window = nullptr;
    IAccompaniment* Accomp = nullptr;
    ITempoClock* Tempo = nullptr;
    ICommandTable* Commands = nullptr;
    // Without song commands the controller switches the recorder itself.
    ISongCommands* Songs = nullptr;
};
