// The performance controller: turns key presses and releases into notes from the
// live key definitions and the performer state, keeps the views in step, reports
// to the song recorder, and plays recorded songs back through the same paths. It
// owns the pedals, the drum keys, the smart-semitone block and the general stop.
// Everything here runs on the main thread.
#pragma once

#include "base/ITickClock.h"
#include "controller/DIKeyboardBuffer.h"
#include "controller/HeldChord.h"
#include "controller/IControllerPorts.h"
#include "controller/SmartSemitone.h"
#include "controller/StartedNotes.h"
#include "keys/KeyDef.h"
#include "song/SimpleRecorder.h"
#include "sound/ISynthesizer.h"
#include "sound/VoiceList.h"

#include <cstdint>
#include <optional>
#include <string>

// Channel indices of the synthesiser.
constexpr uint8_t LeftChannel = 0, RightChannel = 1, DrumChannel = 9;

struct TPerformerState {
    int Transpose = 0;   // -4..+7 semitones, both keyboards
    int LeftOctave = 0;  // -1..+1
    int RightOctave = 0; // -1..+1
    int LeftVelocity = 70;
    int RightVelocity = 100;
    int LeftVoiceIndex = 0; // positions in VoiceList last chosen
    int RightVoiceIndex = 0;
};

// Retuning: while the left (right) Windows key is held, every defined key pressed is
// respelled a semitone up (down) instead of sounding.
enum TRetuneMode : uint8_t { rmOff = 0, rmRaise = 1, rmLower = 2 };

// What the general stop stops, any combination of these.
enum class TStop : uint8_t {
    None = 0,
    Accompaniment = 1,
    Notes = 2,     // every note and sound of channels 0 and 1
    Recording = 4, // ended with its end mark
    Playback = 8,
    HeldKeys = 16,
    Staff = 32,
    PCKeyboard = 64, // the picture's keys released
    PianoStrips = 128,
    // What a song starting or ending stops: all that sounds and shows, but not the songs.
    Performance = Notes | HeldKeys | Staff | PCKeyboard | PianoStrips,
    Everything = 255,
};
constexpr TStop operator|(TStop a, TStop b) {
    return static_cast<TStop>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr bool Has(TStop set, TStop part) {
    return (static_cast<uint8_t>(set) & static_cast<uint8_t>(part)) != 0;
}

// A point of the main window's client area.
struct TClientPoint {
    int X = 0, Y = 0;
    bool operator==(const TClientPoint&) const = default;
};

// The mouse buttons the main window's surface reports.
enum class TMouseButton : uint8_t { Left, Middle, Right };

class TPerformanceController {
public:
    // Voices are chosen by position in `voices`, the list the synthesiser fills.
    TPerformanceController(ISynthesizer& synth, TSimpleRecorder& recorder, const ITickClock& clock,
                           const TVoiceList& voices, const TControllerPorts& ports = {});
    TPerformanceController(const TPerformanceController&) = delete;
    TPerformanceController& operator=(const TPerformanceController&) = delete;

    // The two key messages of the keyboard reader: DirectInput code and its key index.
    void WMDIKeyDown(int code, int keyIndex);
    void WMDIKeyUp(int code, int keyIndex);

    void DoKeyDown(int code);
    void DoKeyUp(int code);
    // SoundKey remembers the notes it starts; SilenceKey ends exactly those.
    void SoundKey(int keyIndex);
    void SilenceKey(int keyIndex);
    // Does the key sound notes of its own press (not yet silenced)?
    bool IsKeySounding(int keyIndex) const { return Started.IsSounding(keyIndex); }
    THeldChord CollectHeldNotes() const;
    // The right keyboard's note for a six-key in smart-semitone mode.
    int SemitoneNote(int keyIndex) const;

    // Each stores its value clamped (the transposition wraps) and shows it in its box.
    // These five do not record; their callers do.
    void SetTranspose(int t);
    void SetLeftOctave(int o);
    void SetRightOctave(int o);
    void SetLeftVelocity(int v);
    void SetRightVelocity(int v);
    // The performer state a fresh piano starts with: no transposition, no octave
    // shifts, velocities 70 (left) and 100 (right), each shown in its box.
    void SetPerformerDefaults();
    // Voices by VoiceList position (recorded), and by stored patch number. A position
    // outside the list or a patch not in it changes nothing.
    void SelectLeftVoice(int position);
    void SelectRightVoice(int position);
    void SelectLeftVoiceByPatch(uint32_t patch);
    void SelectRightVoiceByPatch(uint32_t patch);
    // A value box's up arrow (one more, the next voice) or down arrow (one less, the
    // previous voice): the box's setter one step on, clamping or wrapping as it does;
    // the voice boxes wrap round the list and do nothing while it is empty. Only the
    // voice steps are recorded, by the voice operations.
    void StepValueBox(TValueBox box, bool up);
    // A voice chosen in one of the external voice set's lists: its patch on the
    // keyboard's channel, recorded while recording. The voice positions of the value
    // boxes stay as they are.
    void SelectExternalVoice(bool right, int position);

    // The switches and pedals record by themselves while a recording runs.
    void SetSmartSemitone(bool on);
    void SetTimedPedal(bool on);
    void SetMousePedal(bool on);
    void SetLeftPedal(bool on);
    void SetRightPedal(bool on);
    void SetNotebookMode(bool on) { NotebookMode = on; }
    void SetLoopPlay(bool on) { LoopPlay = on; }
    // The accompaniment and its tempo-clock subscription.
    void SetAccompaniment(bool on);

    // Space without modifiers: the left sustain pedal, or a second press within
    // 500 ms switching the timed pedal.
    void SpacePedalPress();
    // The timed pedal's timer, running from the window's creation to its destruction.
    static constexpr int TimedPedalPeriodMs = 3000;
    void TimedPedalTick();
    // Mouse buttons on the main window's own surface: with the mouse pedal on, a
    // button pressed puts both pedals down and the release of that same button lifts
    // them; the other buttons meanwhile do nothing.
    void WindowMouseDown(TMouseButton button);
    void WindowMouseUp(TMouseButton button);

    void InstallKeyDefs(const TKeyDefSet& set);
    void StopAll(TStop parts);

    // Mouse on a piano strip (position = MIDI note - 24) and on the PC keyboard view.
    void PianoKeyDown(bool rightStrip, int position);
    void PianoKeyUp(bool rightStrip, int position);
    void PCKeyboardMouseDown(int keyIndex);
    void PCKeyboardMouseUp(int keyIndex);
    void PCKeyboardDoubleClick(int keyIndex);
    void PCKeyboardMouseMove(int keyIndex);

    // Song playback: the recorder's OnPlayStart and OnPlayEvent.
    void ApplySongSnapshot();
    void ApplySongSnapshot(const TPerformSnapshot& snapshot, const TKeyDefSet& keyTable);
    void PlaySongEvent(uint8_t kind, int32_t value, const TKeyDefSet* keyTable);
    // Hands both callbacks to the recorder.
    void ConnectRecorder();

    const TPerformerState& State() const { return Performer; }
    int VoiceCount() const { return Voices.Count(); }
    bool IsNotebookMode() const { return NotebookMode; }
    bool IsLoopPlay() const { return LoopPlay; }
    bool IsTimedPedal() const { return TimedPedal; }
    bool IsSmartSemitone() const { return SmartSemitone; }
    bool IsMousePedal() const { return MousePedal; }
    // Where the mouse pedal holds the cursor (the window puts it back there when it
    // moves); none while the pedal is off or there is no window.
    std::optional<TClientPoint> ConfinedCursor() const;
    bool IsAccompanimentRunning() const { return AccompanimentRunning; }
    TRetuneMode RetuneMode() const { return Retune; }
    TDIKeyboardBuffer& HeldKeys() { return Held; }
    const TDIKeyboardBuffer& HeldKeys() const { return Held; }
    const TSemitoneSlots& SemitoneSlots() const { return Semitones; }

private:
    bool IsNoteKey(int keyIndex) const;
    TNoteShifts Shifts() const {
        return {Performer.Transpose, Performer.LeftOctave, Performer.RightOctave};
    }
    void ShowHeldChord();
    void EndSemitoneNote(int note);
    void SelectVoice(bool right, int position);
    void Show(TValueBox box, const std::string& text);

    ISynthesizer& Synth;
    TSimpleRecorder& Recorder;
    const ITickClock& Clock;
    const TVoiceList& Voices;
    TControllerPorts Ports;

    TPerformerState Performer;
    bool NotebookMode = false;
    bool LoopPlay = false;
    bool TimedPedal = false;
    bool SmartSemitone = false;
    bool MousePedal = false;
    std::optional<TMouseButton> MousePedalButton; // the button holding both pedals down
    bool AccompanimentRunning = false;
    TRetuneMode Retune = rmOff;
    TDIKeyboardBuffer Held;
    TSemitoneSlots Semitones;
    TStartedNotes Started;
    std::optional<uint32_t> LastSpacePress; // tick of the previous Space press
};
