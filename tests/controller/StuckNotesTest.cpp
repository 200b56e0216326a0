// No note is left sounding: every key's release ends exactly the notes its press
// started, whatever changed or was held in between, live, when the window loses the
// keyboard, and in song playback. Through the controller with its real command
// table, the real keyboard reader and the real recorder.
#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

#include "controller/CommandTable.h"
#include "keys/KTDIKeyBoard.h"
#include "sound/FavoriteVoices.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

namespace {

// What the synthesiser sounds after a run of messages: the notes still on, and the
// note-offs that found no note sounding.
struct TLedger {
    std::map<std::pair<int, int>, int> On; // (channel, note) -> times started
    int StrayOffs = 0;
    int NoteOns = 0;

    explicit TLedger(const std::vector<TMidiMessage>& messages) {
        for (const TMidiMessage& m : messages) {
            const int channel = m.Status & 0x0F;
            const int kind = m.Status & 0xF0;
            if (kind == 0x90 && m.Data2 > 0) {
                ++On[{channel, m.Data1}];
                ++NoteOns;
            } else if (kind == 0x80 || (kind == 0x90 && m.Data2 == 0)) {
                auto it = On.find({channel, m.Data1});
                if (it == On.end()) {
                    ++StrayOffs;
                } else if (--it->second == 0) {
                    On.erase(it);
                }
            } else if (kind == 0xB0 && m.Data1 == 0x7B) {
                std::erase_if(On, [&](const auto& e) { return e.first.first == channel; });
            }
        }
    }
    int Sounding() const {
        int n = 0;
        for (const auto& e : On)
            n += e.second;
        return n;
    }
};

// The controller as the window builds it: the real command table, fake views.
struct TRig {
    TRig() {
        LoadDefaultKeyDefs();
        FillTestVoices(Voices);
        Table.SetFavorites(&Favorites);
        Table.Attach(Ctl, Recorder);
        Ctl.SetPerformerDefaults();
        Ctl.SelectRightVoice(0);
        Ctl.SelectLeftVoice(0);
        Ctl.ConnectRecorder();
        Synth.Messages.clear();
    }
    void Down(int code) { Ctl.WMDIKeyDown(code, KeyIndexOfCode(code)); }
    void Up(int code) { Ctl.WMDIKeyUp(code, KeyIndexOfCode(code)); }

    TJournal J;
    TFakeClock Clock;
    TFakeSynthesizer Synth;
    TSimpleRecorder Recorder{Clock};
    TFakePCKeyboard PC{J};
    TFakeStrip LeftStrip{J, "left"};
    TFakeStrip RightStrip{J, "right"};
    TFakeStaff Staff{J};
    TFakeBoxes Boxes;
    TFakeWindow Window{J};
    TFakeAccomp Accomp{J};
    TFakeTempo Tempo{J};
    TFakeSongs Songs{J, Recorder};
    TVoiceList Voices;
    const TFavoriteVoiceSet Favorites = DefaultFavoriteVoiceSet();
    TCommandTable Table;
    TPerformanceController Ctl{Synth, Recorder, Clock, Voices,
                               TControllerPorts{&PC, &LeftStrip, &RightStrip, &Staff, &Boxes,
                                                &Window, &Accomp, &Tempo, &Table, &Songs}};
};

// A step of a case: a key going down ('+') or up ('-'), or something done to the
// controller meanwhile.
struct TStep {
    char Kind; // '+', '-', '!'
    int Code = 0;
    std::function<void(TRig&)> Act = {};
};

void Play(TRig& rig, const std::vector<TStep>& steps) {
    for (const TStep& s : steps) {
        if (s.Kind == '+') rig.Down(s.Code);
        if (s.Kind == '-') rig.Up(s.Code);
        if (s.Kind == '!') s.Act(rig);
        rig.Clock.Now += 20;
    }
}

struct TStuckCase {
    const char* Name;
    std::vector<TStep> Steps;
    std::vector<std::string> NoteOffs; // the note-offs sent, in order
};

TEST(StuckNotes, EveryReleaseEndsExactlyTheNotesItsPressStarted) {
    const auto redefineQ = [](TRig& rig) {
        TKeyDefSet set = DefaultKeyDefSet();
        set.Keys[KeyIndexOfCode(DIK::Q)].Slots[0].Octave = 2;
        rig.Ctl.InstallKeyDefs(set);
    };
    const std::vector<TStuckCase> cases = {
        // Shift+` steps the left octave down: the release still ends 60, not 48.
        {"octave shift while held",
         {{'+', DIK::Q},
          {'+', DIK::LSHIFT},
          {'+', DIK::GRAVE},
          {'-', DIK::GRAVE},
          {'-', DIK::LSHIFT},
          {'-', DIK::Q}},
         {"80 3C 40"}},
        // Ctrl+Home transposes up a semitone.
        {"transposition while held",
         {{'+', DIK::Q},
          {'+', DIK::LCONTROL},
          {'+', DIK::HOME},
          {'-', DIK::HOME},
          {'-', DIK::LCONTROL},
          {'-', DIK::Q}},
         {"80 3C 40"}},
        {"released while Shift is held",
         {{'+', DIK::Q}, {'+', DIK::LSHIFT}, {'-', DIK::Q}, {'-', DIK::LSHIFT}},
         {"80 3C 40"}},
        {"released while Ctrl is held",
         {{'+', DIK::NUMPAD1}, {'+', DIK::RCONTROL}, {'-', DIK::NUMPAD1}, {'-', DIK::RCONTROL}},
         {"81 3C 40"}},
        {"drum key released while Alt is held",
         {{'+', DIK::LBRACKET}, {'+', DIK::LMENU}, {'-', DIK::LBRACKET}, {'-', DIK::LMENU}},
         {"89 26 40"}},
        {"definition changed while held",
         {{'+', DIK::Q}, {'!', 0, redefineQ}, {'-', DIK::Q}},
         {"80 3C 40"}},
        {"a Windows key went down while held",
         {{'+', DIK::Q}, {'+', DIK::LWIN}, {'-', DIK::Q}, {'-', DIK::LWIN}},
         {"80 3C 40"}},
        // Six right slots fill the block; the seventh note is ended all the same.
        {"smart semitone with more notes than the block remembers",
         {{'!', 0,
           [](TRig& rig) {
               rig.Ctl.SetSmartSemitone(true);
               TKeyDef& ins = KeyDefs.Keys[80];
               ins.Count = 7;
               for (int j = 1; j < 7; ++j)
                   ins.Slots[j] = ins.Slots[0];
               rig.Synth.Messages.clear();
           }},
          {'+', DIK::INSERT},
          {'-', DIK::INSERT}},
         std::vector<std::string>(7, "81 3A 40")},
        // Switching the mode ends the block's notes; the release sends nothing more.
        {"smart semitone switched off while held",
         {{'!', 0,
           [](TRig& rig) {
               rig.Ctl.SetSmartSemitone(true);
               rig.Synth.Messages.clear();
           }},
          {'+', DIK::END},
          {'!', 0, [](TRig& rig) { rig.Ctl.SetSmartSemitone(false); }},
          {'-', DIK::END}},
         {"81 3D 40"}},
    };
    for (const TStuckCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRig rig;
        Play(rig, c.Steps);
        std::vector<std::string> offs;
        for (const TMidiMessage& m : rig.Synth.Messages)
            if ((m.Status & 0xF0) == 0x80) offs.push_back(MidiText(m));
        EXPECT_EQ(offs, c.NoteOffs);
        const TLedger ledger(rig.Synth.Messages);
        EXPECT_GT(ledger.NoteOns, 0);
        EXPECT_EQ(ledger.Sounding(), 0);
        EXPECT_EQ(ledger.StrayOffs, 0);
        for (int k = 0; k < KeyCount; ++k)
            EXPECT_FALSE(rig.Ctl.IsKeySounding(k)) << k;
    }
}

TEST(StuckNotes, ARandomPerformanceWithShiftsAndModifiersEndsInSilence) {
    // Note keys of both keyboards, a drum key, the six-key block, the modifiers and
    // the octave, transposition and smart-semitone keys, struck in random order.
    const int keys[] = {DIK::Q,        DIK::W,       DIK::R,       DIK::NUMPAD1, DIK::NUMPAD5,
                        DIK::LBRACKET, DIK::END,     DIK::INSERT,  DIK::LSHIFT,  DIK::RSHIFT,
                        DIK::LCONTROL, DIK::LMENU,   DIK::GRAVE,   DIK::HOME,    DIK::LWIN,
                        DIK::SPACE,    DIK::CAPITAL, DIK::SUBTRACT};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        TRig rig;
        std::mt19937 random(seed);
        std::vector<int> held;
        const auto isModifier = [](int code) {
            return code == DIK::LSHIFT || code == DIK::RSHIFT || code == DIK::LCONTROL ||
                   code == DIK::LMENU;
        };
        for (int i = 0; i < 4000; ++i) {
            int code = keys[random() % std::size(keys)];
            // Modifiers are let go again soon, as players do: most notes sound.
            const auto modifier = std::find_if(held.begin(), held.end(), isModifier);
            if (modifier != held.end() && random() % 2 == 0) code = *modifier;
            const auto at = std::find(held.begin(), held.end(), code);
            if (at == held.end()) {
                rig.Down(code);
                held.push_back(code);
            } else {
                rig.Up(code);
                held.erase(at);
            }
            rig.Clock.Now += 37;
        }
        std::shuffle(held.begin(), held.end(), random);
        for (int code : held)
            rig.Up(code);
        const TLedger ledger(rig.Synth.Messages);
        EXPECT_GT(ledger.NoteOns, 100);
        EXPECT_EQ(ledger.Sounding(), 0);
        EXPECT_EQ(ledger.StrayOffs, 0);
    }
}

// What the reader posts, handed to the controller in order as the window's queue does.
class TPostedKeys {
public:
    TKTDIKeyBoard::TPostMessage Poster() {
        return [this](int message, int code, int keyIndex) {
            std::lock_guard lock(Mutex);
            Posted.push_back({message, code, keyIndex});
            Arrived.notify_all();
        };
    }
    // Waits (a failure after 5 s, not a timing) until n messages arrived in all, then
    // hands the new ones to the controller.
    void DeliverUpTo(size_t n, TPerformanceController& ctl) {
        std::vector<std::array<int, 3>> now;
        {
            std::unique_lock lock(Mutex);
            Arrived.wait_for(lock, std::chrono::seconds(5), [&] { return Posted.size() >= n; });
            now.assign(Posted.begin() + static_cast<std::ptrdiff_t>(Delivered), Posted.end());
            Delivered = Posted.size();
        }
        for (const auto& m : now) {
            if (m[0] == WM_DIKEYDOWN) ctl.WMDIKeyDown(m[1], m[2]);
            if (m[0] == WM_DIKEYUP) ctl.WMDIKeyUp(m[1], m[2]);
        }
    }
    size_t Count() {
        std::lock_guard lock(Mutex);
        return Posted.size();
    }

private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::vector<std::array<int, 3>> Posted;
    size_t Delivered = 0;
};

TEST(StuckNotes, TheWindowLosingTheKeyboardEndsEveryHeldNote) {
    // Hold Q and Num-1, then Ctrl+Esc (the About box takes the keyboard): the reader
    // posts the note keys' releases before Ctrl's.
    for (int modifier : {int{DIK::LCONTROL}, int{DIK::LSHIFT}, int{DIK::RMENU}}) {
        SCOPED_TRACE(modifier);
        TRig rig;
        TPostedKeys posted;
        TKTDIKeyBoard reader(posted.Poster());
        reader.SetActive(true);
        reader.Acquire();
        const auto key = [&](int code, bool down, size_t total) {
            reader.Device().SetKey(TKeyboardState::TSource::WindowKeys, code, down);
            posted.DeliverUpTo(total, rig.Ctl);
        };
        key(DIK::Q, true, 1);
        key(DIK::NUMPAD1, true, 2);
        key(modifier, true, 3);
        key(DIK::ESCAPE, true, 4);
        reader.Unacquire();
        posted.DeliverUpTo(8, rig.Ctl);
        EXPECT_EQ(posted.Count(), 8u);
        const TLedger ledger(rig.Synth.Messages);
        EXPECT_EQ(ledger.NoteOns, 2);
        EXPECT_EQ(ledger.Sounding(), 0);
        EXPECT_EQ(ledger.StrayOffs, 0);
        EXPECT_EQ(rig.Ctl.HeldKeys().ShiftState(), 0);
    }
}

TEST(StuckNotes, ASongPlaysBackItsReleasesAsTheyWereStartedAndKeepsItsEvents) {
    TRig rig;
    TPerformSnapshot s = EmptyPerformSnapshot();
    s.LeftVolume = 70;
    s.RightVolume = 100;
    s.RightVoice = static_cast<int32_t>(rig.Synth.ChannelPatch(1));
    s.LeftVoice = static_cast<int32_t>(rig.Synth.ChannelPatch(0));
    rig.Recorder.SetSnapshot(s);
    rig.Recorder.SetStartKeyTable(KeyDefs);
    rig.Recorder.SetRecording(true);
    Play(rig, {{'+', DIK::Q},
               {'+', DIK::LSHIFT},
               {'+', DIK::GRAVE},
               {'-', DIK::GRAVE},
               {'-', DIK::Q},
               {'-', DIK::LSHIFT},
               {'+', DIK::NUMPAD1},
               {'+', DIK::LCONTROL},
               {'+', DIK::HOME},
               {'-', DIK::HOME},
               {'-', DIK::NUMPAD1},
               {'-', DIK::LCONTROL}});
    rig.Recorder.SetRecording(false);
    const std::vector<TEventFields> recorded = EventsOf(rig.Recorder);
    const TLedger live(rig.Synth.Messages);
    EXPECT_EQ(live.NoteOns, 2);
    EXPECT_EQ(live.Sounding(), 0);

    rig.Synth.Messages.clear();
    rig.Recorder.SetPlaying(true);
    for (int t = 0; t < 2000 && rig.Recorder.IsPlaying(); t += 10) {
        rig.Recorder.PlaybackTick();
        rig.Clock.Now += 10;
    }
    std::vector<std::string> notes;
    for (const TMidiMessage& m : rig.Synth.Messages)
        if ((m.Status & 0xE0) == 0x80) notes.push_back(MidiText(m));
    EXPECT_EQ(notes, (std::vector<std::string>{"90 3C 46", "80 3C 40", "91 3C 64", "81 3C 40"}));
    const TLedger played(rig.Synth.Messages);
    EXPECT_EQ(played.Sounding(), 0);
    EXPECT_EQ(played.StrayOffs, 0);
    EXPECT_EQ(EventsOf(rig.Recorder), recorded);
}

} // namespace
