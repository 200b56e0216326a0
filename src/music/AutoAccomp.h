// TAutoAccomp: the automatic accompaniment. Holds the bank of 72 styles in six
// groups, plays the current style's percussion on every quarter-beat step of the
// tempo clock and sends the programs of its chord, arpeggio and bass parts. Every
// message also goes to the song recorder, which keeps it while it records.
#pragma once

#include "base/ThreadSafety.h"
#include "music/AccompStyle.h"
#include "music/Chord.h"
#include "music/KTMetronome.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

class ISynthesizer;
class TSimpleRecorder;

enum TFillInStateType : int { fsNoFillIn = 0, fsFillIn1 = 1, fsFillIn2 = 2 };

// Channels counted from 0.
constexpr uint8_t AccompPercussChannel = 9, AccompChordChannel = 6, AccompArpeggioChannel = 5,
                  AccompBassChannel = 4;
// The accompaniment's subscription to the tempo clock: quarter-beat steps.
constexpr const char* AccompSubscription = "Accomp";
constexpr uint16_t AccompSubscriptionMask = meNewStep;
constexpr int DefaultAccompVolume = 90, DefaultPercussVolume = 60;
constexpr int StartChordRoot = 48;

// A group of the bank's second arrangement: its 12 styles and a name area.
struct TAccompStyleGroup {
    std::array<TAccompStyle, AccompStylesPerGroup> Styles;
    TShortString<65> Name; // never set
};

// The main thread selects, starts and stops; the step handler runs on the tempo
// clock's worker. What both touch (the current style and its sections, the counters,
// the fill-in state) is guarded by the engine's lock, which the handler holds for one
// step, so it never sees a style half copied. The volumes are single atomic values.
// The synthesiser and the recorder guard themselves; the engine's lock is taken
// before theirs, never after.
class TAutoAccomp {
public:
    using TNotify = std::function<void(TAutoAccomp& sender)>;
    using TAutoChordChange = std::function<void(TAutoAccomp& sender, std::string_view chordName)>;
    using TSynchEnd = std::function<void(TAutoAccomp& sender, int32_t value)>;

    explicit TAutoAccomp(TMetronome& clock);
    // Stops (Start false).
    ~TAutoAccomp();
    TAutoAccomp(const TAutoAccomp&) = delete;
    TAutoAccomp& operator=(const TAutoAccomp&) = delete;

    // Set by the owner before the accompaniment starts; null leaves that output out.
    void SetSynthesizer(ISynthesizer* synth) { Synth = synth; }
    void SetRecorder(TSimpleRecorder* recorder) { Recorder = recorder; }

    // Ignored unless 0..11: unsubscribes while started, makes style i of the current
    // group the current one, sends its programs, subscribes again while started.
    void SetAccompStyleIndex(int i) EXCLUDES(Mutex);
    int AccompStyleIndex() const { return StyleIndex; }
    // Ignored unless 0..5: loads group g and selects the current index again.
    void SetAccompStyleGroupNum(int g) EXCLUDES(Mutex);
    int AccompStyleGroupNum() const { return GroupNum; }
    // A copy of the current style as the handler plays it (its main section holds a
    // fill-in while one plays).
    TAccompStyle CurrentStyle() const EXCLUDES(Mutex);

    void SetStart(bool on) EXCLUDES(Mutex);
    bool Start() const { return Started; }

    void SetFillInState(TFillInStateType s) EXCLUDES(Mutex);
    TFillInStateType FillInState() const EXCLUDES(Mutex);
    // A fill-in (1 or 2) to begin at the next cycle boundary; 0 cancels.
    void RequestFillIn(int which) EXCLUDES(Mutex);

    // Ignored when unchanged or not started. On silences the four parts until it is
    // switched off again; off raises OnSynchEndEvent with `value`.
    void SetSynchOn(bool on, int32_t value = 0) EXCLUDES(Mutex);
    bool SynchOn() const { return Synch; }

    void SetTranspose(int t) EXCLUDES(Mutex);
    int Transpose() const { return TransposeBy; }
    // Ignored unless 0..15; copies chord style i into TotalChordStyle.
    void SetAutoChordStyleIndex(int i);
    int AutoChordStyleIndex() const { return ChordStyleIndex; }
    const TChordStyleNoVolumeType& TotalChordStyle() const { return ChordStyleCopy; }
    // Stores the root, handles the chord pad note and raises OnAutoChordChange.
    void SetCurrChordRoot(int root) EXCLUDES(Mutex);
    int CurrChordRoot() const { return ChordRoot; }

    // 0..127, stored as given.
    void SetAPercussVolume(int v) { PercussVolume = v; }
    int APercussVolume() const { return PercussVolume; }
    void SetAChordVolume(int v) { ChordVolume = v; }
    int AChordVolume() const { return ChordVolume; }
    void SetAArpeggioVolume(int v) { ArpeggioVolume = v; }
    int AArpeggioVolume() const { return ArpeggioVolume; }
    void SetABassVolume(int v) { BassVolume = v; }
    int ABassVolume() const { return BassVolume; }

    void SetOnAccompStyleChange(TNotify h) { OnAccompStyleChange = std::move(h); }
    void SetOnAutoChordChange(TAutoChordChange h) { OnAutoChordChange = std::move(h); }
    // Raised on the tempo clock's worker when a fill-in ends there.
    void SetOnFillInEndEvent(TNotify h) { OnFillInEndEvent = std::move(h); }
    void SetOnSynchEndEvent(TSynchEnd h) { OnSynchEndEvent = std::move(h); }

    // The bank, slot by slot (0..71).
    const TAccompStyle& BankStyle(int slot) const { return (*Bank)[static_cast<size_t>(slot)]; }

    // The step handler, as the tempo clock calls it on every new quarter-beat step.
    void Step() EXCLUDES(Mutex);

private:
    // Notes on every channel but percussion are raised by Transpose; a note on of
    // velocity 0 is not sent.
    void Send(uint8_t status, int data1, int data2);
    void SendRaw(uint8_t status, uint8_t data1, uint8_t data2);
    void SendPrograms() REQUIRES(Mutex);
    void HandleChordPad() REQUIRES(Mutex);
    void ResetCounters() REQUIRES(Mutex) { StepCounter = PercussPos = 0; }
    // The fill-in state change without its event; true when it changed.
    bool ChangeFillIn(TFillInStateType s) REQUIRES(Mutex);
    void Subscribe();
    void Unsubscribe();

    TMetronome& Clock;
    std::atomic<ISynthesizer*> Synth{nullptr};
    std::atomic<TSimpleRecorder*> Recorder{nullptr};

    std::unique_ptr<TAccompStyleBank> Bank;
    std::unique_ptr<std::array<TAccompStyleGroup, AccompStyleGroupCount>> Groups;
    std::unique_ptr<std::array<TAccompStyle, AccompStylesPerGroup>> CurrentGroup;

    mutable TMutex Mutex;
    // Slot 0 of the original arrangement: the style last selected, as selected.
    std::unique_ptr<TAccompStyle> Selected GUARDED_BY(Mutex);
    std::unique_ptr<TAccompStyle> Current GUARDED_BY(Mutex);
    std::unique_ptr<TAccompSection> SavedMain GUARDED_BY(Mutex);
    int32_t StepCounter GUARDED_BY(Mutex) = 0;
    int32_t PercussPos GUARDED_BY(Mutex) = 0;
    TFillInStateType FillIn GUARDED_BY(Mutex) = fsNoFillIn;
    int PendingFillIn GUARDED_BY(Mutex) = 0;
    int PadNote GUARDED_BY(Mutex) = -1; // the chord pad note sounding, -1 none

    std::atomic<bool> Started{false};
    std::atomic<bool> Synch{false};
    std::atomic<int> StyleIndex{0};
    std::atomic<int> GroupNum{0};
    std::atomic<int> ChordRoot{StartChordRoot};
    std::atomic<int> TransposeBy{0};
    int ChordStyleIndex = DefaultChordStyleIndex;
    TChordStyleNoVolumeType ChordStyleCopy;
    std::atomic<int> PercussVolume{DefaultPercussVolume};
    std::atomic<int> ChordVolume{DefaultAccompVolume};
    std::atomic<int> ArpeggioVolume{DefaultAccompVolume};
    std::atomic<int> BassVolume{DefaultAccompVolume};
    // Kept by SynchOn while the parts are silenced.
    std::array<int, 4> VolumesBeforeSynch{};

    TNotify OnAccompStyleChange, OnFillInEndEvent;
    TAutoChordChange OnAutoChordChange;
    TSynchEnd OnSynchEndEvent;
};
