// The accompaniment engine: style selection, start and stop, fill-ins and the step
// handler that plays the percussion pattern.
#include "music/AutoAccomp.h"

#include "song/SimpleRecorder.h"
#include "sound/ISynthesizer.h"

#include <algorithm>

namespace {
constexpr uint8_t NoteOnStatus = 0x90, NoteOffStatus = 0x80, ProgramStatus = 0xC0;
// The chord part's programs that sound a pad note on the chord root.
constexpr int PadProgramA = 48, PadProgramB = 52;

int CycleSteps(int beats, bool twoBar) {
    return beats * (twoBar ? 8 : 4);
}
} // namespace

TAutoAccomp::TAutoAccomp(TMetronome& clock)
    : Clock(clock), Bank(std::make_unique<TAccompStyleBank>()),
      Groups(std::make_unique<std::array<TAccompStyleGroup, AccompStyleGroupCount>>()),
      CurrentGroup(std::make_unique<std::array<TAccompStyle, AccompStylesPerGroup>>()),
      ChordStyleCopy(*ChordStyle(DefaultChordStyleIndex)) {
    FillInitialAccompStyleBank(*Bank);
    for (size_t g = 0; g < Groups->size(); ++g) {
        auto& group = (*Groups)[g];
        std::copy_n(Bank->begin() + static_cast<std::ptrdiff_t>(g * AccompStylesPerGroup),
                    AccompStylesPerGroup, group.Styles.begin());
        group.Name = {};
    }
    *CurrentGroup = (*Groups)[0].Styles;
    {
        TLock lock(Mutex);
        Selected = std::make_unique<TAccompStyle>(EmptyAccompStyle());
        Current = std::make_unique<TAccompStyle>(EmptyAccompStyle());
        SavedMain = std::make_unique<TAccompSection>(Current->Main);
    }
    SetAccompStyleIndex(0);
}

TAutoAccomp::~TAutoAccomp() {
    SetStart(false);
}

void TAutoAccomp::SendRaw(uint8_t status, uint8_t data1, uint8_t data2) {
    if (ISynthesizer* s = Synth) s->SendShortMessage(status, data1, data2);
    if (TSimpleRecorder* r = Recorder) r->RecordMidi(status, data1, data2);
}

void TAutoAccomp::Send(uint8_t status, int data1, int data2) {
    const uint8_t kind = status & 0xF0, channel = status & 0x0F;
    if (kind == NoteOnStatus && data2 == 0) return;
    if ((kind == NoteOnStatus || kind == NoteOffStatus) && channel != AccompPercussChannel)
        data1 += TransposeBy;
    if (data1 < 0 || data1 > 127) return; // transposed off the keyboard
    SendRaw(status, static_cast<uint8_t>(data1), static_cast<uint8_t>(std::clamp(data2, 0, 127)));
}

void TAutoAccomp::SendPrograms() {
    const TAccompSection& m = Current->Main;
    SendRaw(ProgramStatus | AccompChordChannel, m.ChordProgram & 0x7F, 0);
    SendRaw(ProgramStatus | AccompArpeggioChannel, m.ArpeggioProgram & 0x7F, 0);
    SendRaw(ProgramStatus | AccompBassChannel, m.BassProgram & 0x7F, 0);
}

void TAutoAccomp::HandleChordPad() {
    // A pad note sounds until the next one (or the stop) replaces it.
    if (PadNote >= 0) {
        SendRaw(NoteOffStatus | AccompChordChannel, static_cast<uint8_t>(PadNote), 64);
        PadNote = -1;
    }
    const TAccompSection& m = Current->Main;
    if (m.ChordProgram != PadProgramA && m.ChordProgram != PadProgramB) return;
    const int velocity = m.ChordLevel / 9;
    const int note = ChordRoot + TransposeBy;
    if (velocity <= 0 || note < 0 || note > 127) return;
    Send(NoteOnStatus | AccompChordChannel, ChordRoot, velocity);
    PadNote = note;
}

TAccompStyle TAutoAccomp::CurrentStyle() const {
    TLock lock(Mutex);
    return *Current;
}

void TAutoAccomp::Subscribe() {
    Clock.Subscribe(AccompSubscription, AccompSubscriptionMask,
                    [this](TMetronome&, uint16_t, bool&, int32_t, double, double) { Step(); });
}

void TAutoAccomp::Unsubscribe() {
    // Returns once the handler is not running: what follows may rewrite the style.
    Clock.Unsubscribe(AccompSubscription);
}

void TAutoAccomp::SetAccompStyleIndex(int i) {
    if (i < 0 || i >= AccompStylesPerGroup) return;
    const bool started = Started;
    if (started) Unsubscribe();
    {
        TLock lock(Mutex);
        *Selected = (*CurrentGroup)[static_cast<size_t>(i)];
        FillIn = fsNoFillIn;
        ResetCounters();
        *Current = *Selected;
        StyleIndex = i;
        SendPrograms();
        HandleChordPad();
        *SavedMain = Current->Main;
    }
    if (OnAccompStyleChange) OnAccompStyleChange(*this);
    // The handler cannot run while unsubscribed, and takes the lock when it does: no
    // wait is needed before it sees the new style.
    if (started) Subscribe();
}

void TAutoAccomp::SetAccompStyleGroupNum(int g) {
    if (g < 0 || g >= AccompStyleGroupCount) return;
    GroupNum = g;
    *CurrentGroup = (*Groups)[static_cast<size_t>(g)].Styles;
    SetAccompStyleIndex(StyleIndex);
}

void TAutoAccomp::SetStart(bool on) {
    if (on == Started) return;
    {
        TLock lock(Mutex);
        PendingFillIn = 0;
    }
    SetFillInState(fsNoFillIn);
    if (on) {
        Synch = false;
        {
            TLock lock(Mutex);
            ResetCounters();
        }
        SetCurrChordRoot(StartChordRoot);
        {
            TLock lock(Mutex);
            SendPrograms();
            HandleChordPad();
        }
        Started = true;
        Subscribe();
    } else {
        Unsubscribe();
        Synch = false;
        Started = false;
        TLock lock(Mutex);
        if (PadNote >= 0) {
            SendRaw(NoteOffStatus | AccompChordChannel, static_cast<uint8_t>(PadNote), 64);
            PadNote = -1;
        }
    }
}

bool TAutoAccomp::ChangeFillIn(TFillInStateType s) {
    if (s == FillIn) return false;
    if (s == fsNoFillIn) {
        Current->Main = *SavedMain;
    } else {
        const TAccompSection& f = s == fsFillIn1 ? Current->FillIn1 : Current->FillIn2;
        if (!f.HasPercussion()) return false; // an empty fill-in does not exist
        Current->Main = f;
    }
    FillIn = s;
    PendingFillIn = 0;
    SendPrograms();
    ResetCounters();
    HandleChordPad();
    return true;
}

void TAutoAccomp::SetFillInState(TFillInStateType s) {
    bool changed;
    {
        TLock lock(Mutex);
        changed = ChangeFillIn(s);
    }
    if (changed && OnFillInEndEvent) OnFillInEndEvent(*this);
}

TFillInStateType TAutoAccomp::FillInState() const {
    TLock lock(Mutex);
    return FillIn;
}

void TAutoAccomp::RequestFillIn(int which) {
    if (which < 0 || which > 2) return;
    TLock lock(Mutex);
    PendingFillIn = which;
}

void TAutoAccomp::SetSynchOn(bool on, int32_t value) {
    if (on == Synch || !Started) return;
    if (on) {
        VolumesBeforeSynch = {PercussVolume, ChordVolume, ArpeggioVolume, BassVolume};
        PercussVolume = ChordVolume = ArpeggioVolume = BassVolume = 0;
        Synch = true;
    } else {
        Synch = false;
        // The parts sound again as they did before the wait.
        PercussVolume = VolumesBeforeSynch[0];
        ChordVolume = VolumesBeforeSynch[1];
        ArpeggioVolume = VolumesBeforeSynch[2];
        BassVolume = VolumesBeforeSynch[3];
        if (OnSynchEndEvent) OnSynchEndEvent(*this, value);
    }
    SetFillInState(fsNoFillIn);
}

void TAutoAccomp::SetTranspose(int t) {
    const bool started = Started;
    if (started) Unsubscribe();
    TransposeBy = t;
    if (started) Subscribe();
}

void TAutoAccomp::SetAutoChordStyleIndex(int i) {
    if (i < 0 || i >= SelectableChordStyleCount) return;
    ChordStyleIndex = i;
    ChordStyleCopy = *ChordStyle(i);
}

void TAutoAccomp::SetCurrChordRoot(int root) {
    ChordRoot = root;
    {
        TLock lock(Mutex);
        HandleChordPad();
    }
    if (OnAutoChordChange) OnAutoChordChange(*this, OneFingerChordName(root));
}

void TAutoAccomp::Step() {
    bool fillInChanged = false;
    {
        TLock lock(Mutex);
        const int beats = Current->Length;
        if (!Synth.load() || beats <= 0) return;
        if (StepCounter % (4 * beats) == 0 && PendingFillIn != 0)
            fillInChanged = ChangeFillIn(static_cast<TFillInStateType>(PendingFillIn));

        const TAccompSection& sec = Current->Main;
        const int steps = CycleSteps(sec.PercussLength, sec.PercussTwoBar != 0);
        if (sec.PercussLevel > 0 && steps > 0) {
            if (PercussPos >= steps) PercussPos = 0;
            const int volume = PercussVolume;
            for (const TDrumTrack& t : sec.DrumTracks) {
                // Marks lie within the 32 steps a track holds.
                if (!t.On || PercussPos >= PatternStepCount || !t.OnMarks[PercussPos]) continue;
                const int velocity = sec.PercussLevel * volume * t.Weight / 81;
                if (velocity > 0 && t.Key >= 0)
                    Send(NoteOnStatus | AccompPercussChannel, t.Key, velocity);
            }
            PercussPos = (PercussPos + 1) % steps;
        }

        ++StepCounter;
        const uint8_t twoBar = FillIn == fsFillIn1   ? Current->FillIn1TwoBar
                               : FillIn == fsFillIn2 ? Current->FillIn2TwoBar
                                                     : Current->TwoBar;
        if (StepCounter >= CycleSteps(beats, twoBar != 0)) {
            if (FillIn == fsNoFillIn)
                ResetCounters();
            else
                fillInChanged = ChangeFillIn(fsNoFillIn) || fillInChanged;
        }
    }
    if (fillInChanged && OnFillInEndEvent) OnFillInEndEvent(*this);
}
