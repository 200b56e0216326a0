// The piano's core without a window: its start-up with and without sound, voice
// sets and favourites from the program folder, the external set's lists, the command
// buttons, the slider's two modes and the key messages, through the real controller,
// recorder and synthesiser (offline; what it is sent is read from the MIDI log).
#include "TempDir.h"
#include "sound/platform/PulseTestServer.h"
#include "sound/synth/OfflineSynth.h"

#include "app/PianoCore.h"
#include "app/SystemParts.h"
#include "base/FileUtil.h"
#include "keys/KeyTable.h"
#include "sound/MidiLog.h"
#include "sound/platform/PulseMixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace {

struct TClock : ITickClock {
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 1000;
};

// The window as the core sees it: what it was asked to show and open.
struct TFakeWindow : IPianoWindow, IValueBoxes {
    void ConfineCursor(int, int) override {}
    void ReleaseCursor() override {}
    void SetCursorShape(TCursorShape) override {}
    void OpenKeyEditor(int) override {}
    void ShowCommandButtons(const TCommandButtonStates& states) override {
        Buttons.push_back(states);
    }
    void ShowMessage(std::string_view text) override { Messages.emplace_back(text); }
    void ShowExternalVoiceLists(const TVoiceList& voices) override {
        ListItems.clear();
        for (int p = 0; p < voices.Count(); ++p)
            ListItems.push_back(voices.ListText(p));
        Selection = {0, 0};
    }
    int ExternalVoiceListSelection(bool right) const override {
        return ListItems.empty() ? -1 : Selection[right ? 1 : 0];
    }
    void SelectExternalVoiceListItem(bool right, int position) override {
        Selection[right ? 1 : 0] = position;
    }
    void CloseWindow() override { ++CloseAsked; }
    bool ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) override {
        ++SettingsShown;
        SwitchesShown = switches;
        if (!SettingsAnswer) return false;
        settings = SettingsAnswer->first;
        switches = SettingsAnswer->second;
        return true;
    }
    void OpenWithDesktop(const std::string& path) override { Opened.push_back(path); }
    void ShowAbout() override { ++AboutShown; }
    void ShowValue(TValueBox box, std::string_view text) override { Boxes[box] = text; }
    void ShowSlider(const TSliderSetting& setting) override { Sliders.push_back(setting); }

    std::vector<TCommandButtonStates> Buttons;
    std::vector<std::string> Messages, ListItems, Opened;
    std::array<int, 2> Selection{-1, -1};
    int AboutShown = 0, CloseAsked = 0, SettingsShown = 0;
    std::optional<std::pair<TSettings, TSwitchBlock>> SettingsAnswer;
    TSwitchBlock SwitchesShown;
    std::map<TValueBox, std::string> Boxes;
    std::vector<TSliderSetting> Sliders;
};

// Two melodic voices and a kit, as a voice set lists them: programs 5 and 0 of
// bank 65, the kit first.
TDlsCollection ThreeVoices() {
    TDlsCollection c = SineCollection(TimeCents(0.2), 0, true);
    c.Instruments.push_back(SineCollection(TimeCents(0.2), 5).Instruments[0]);
    c.Instruments.push_back(SineCollection(TimeCents(0.2), 0).Instruments[0]);
    return c;
}

class PianoCore : public ::testing::Test {
protected:
    PianoCore() { EXPECT_TRUE(Log.Open(Dir.Path("midi.log"))); }

    // The core of a window started in the test's program folder; offline, it renders
    // on demand as if a port had opened.
    TPianoCore& Start(bool offline, TPianoCoreSetup setup = {},
                      TKTDirectMusicSetup sound = TKTDirectMusicSetup::Offline()) {
        setup.ProgramFolder = Dir.Root().string();
        sound.Log = &Log;
        setup.MakeSound = FluidSynthSound(std::move(sound));
        setup.OfflinePort = offline;
        setup.ManualTempoClock = true; // the test moves the tempo clock
        TControllerPorts views;
        views.Boxes = &Window;
        Core = std::make_unique<TPianoCore>(std::move(setup), Settings, Clock, Window, views);
        return *Core;
    }
    std::vector<std::string> Messages() const {
        std::ifstream in(Dir.Path("midi.log"));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteFileAtomic(Dir.Path(name), bytes));
    }
    // The built-in set loading beside a real driver on ALSA's null device after
    // start-up: its arrival is posted here, and the test runs it on its own thread.
    struct TLateSet {
        std::mutex Mutex;
        std::vector<std::function<void()>> Posted;
        // Waits up to 10 s for the load to post its arrival; true once it has.
        bool Arrived() {
            for (int i = 0; i < 1000; ++i) {
                {
                    std::lock_guard lock(Mutex);
                    if (!Posted.empty()) return Posted.size() == 1;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        }
    };
    TPianoCore& StartWithTheSetLater(TLateSet& late) {
        TPianoCoreSetup setup;
        setup.PostVoiceSetLoaded = [&late](std::function<void()> job) {
            std::lock_guard lock(late.Mutex);
            late.Posted.push_back(std::move(job));
        };
        TKTDirectMusicSetup sound;
        sound.Devices = std::vector<TSoundDevice>{{TAudioSystem::Alsa, "null", "null", {}}};
        sound.Ports = BuildPortList({"alsa"}, {});
        return Start(false, std::move(setup), std::move(sound));
    }

    TTempDir Dir;
    TMidiLog Log;
    TClock Clock;
    TSettings Settings;
    TFakeWindow Window;
    std::unique_ptr<TPianoCore> Core;
};

} // namespace

TEST_F(PianoCore, WithoutAPortItRunsSilentlyAndLooksForNoVoiceSet) {
    TPianoCore& core = Start(false);
    EXPECT_FALSE(core.SoundOpen());
    EXPECT_TRUE(Window.Messages.empty());
    EXPECT_EQ(core.Voices().Count(), 0);
    EXPECT_EQ(Window.Boxes[TValueBox::Transpose], "1=C (0)");
    EXPECT_EQ(Window.Boxes[TValueBox::LeftVelocity], "70");
    EXPECT_EQ(Window.Boxes[TValueBox::RightVelocity], "100");
    EXPECT_TRUE(Window.Buttons.empty()) << "the window starts with its own button states";
    EXPECT_FALSE(FileExists(Dir.Path("OutDevList.txt")));
}

TEST_F(PianoCore, AMissingBuiltInSetIsToldAndLeavesNoVoices) {
    TPianoCore& core = Start(true);
    EXPECT_TRUE(core.SoundOpen());
    EXPECT_EQ(Window.Messages, std::vector<std::string>{"msf4.s not found."});
    EXPECT_EQ(core.Voices().Count(), 0);
    EXPECT_EQ(core.LatencyCopy(), 40) << "the settings' latency";
    EXPECT_EQ(core.PeriodCopy(), WritePeriodForLatency(40));
}

// A built-in set that is there but cannot be read is told as a missing one, whether
// it is read at start-up or arrives after it, and leaves no voices.
TEST_F(PianoCore, ABuiltInSetThatCannotBeReadIsToldAsMissing) {
    const std::vector<uint8_t> whole = Image(ThreeVoices());
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> broken = {
        {"empty", {}},
        {"cut short",
         {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)}},
        {"no voice set", std::vector<uint8_t>(4096, 0x5A)},
    };
    for (const auto& [what, bytes] : broken) {
        SCOPED_TRACE(what);
        Core.reset();
        Window.Messages.clear();
        WriteFile("msf4.s", bytes);
        TPianoCore& core = Start(true);
        EXPECT_EQ(Window.Messages, std::vector<std::string>{"msf4.s not found."});
        EXPECT_EQ(core.Voices().Count(), 0);

        // The same set loaded beside a real driver, after start-up.
        Core.reset();
        Window.Messages.clear();
        TLateSet arrival;
        TPianoCore& late = StartWithTheSetLater(arrival);
        ASSERT_TRUE(late.SoundOpen());
        EXPECT_TRUE(Window.Messages.empty()) << "nothing is said before the set is read";
        ASSERT_TRUE(arrival.Arrived());
        arrival.Posted[0]();
        EXPECT_EQ(Window.Messages, std::vector<std::string>{"msf4.s not found."});
        EXPECT_EQ(late.Voices().Count(), 0);
        Core.reset();
    }
}

TEST_F(PianoCore, TheBuiltInSetIsSortedAndBothKeyboardsTakeItsFirstVoice) {
    WriteFile("msf4.s", Image(ThreeVoices()));
    TFavoriteVoiceSet mine = DefaultFavoriteVoiceSet();
    mine.Voices[0].MSB = 1;
    mine.Voices[0].Program = 77;
    ASSERT_TRUE(SaveFavoriteVoices(Dir.Path("Default.fvc"), mine));

    TPianoCore& core = Start(true);
    EXPECT_TRUE(Window.Messages.empty());
    ASSERT_EQ(core.Voices().Count(), 3);
    EXPECT_EQ(core.Voices()[0].Patch, MakePatch(65, 0, 0));
    EXPECT_TRUE(IsDrumPatch(core.Voices()[2].Patch)) << "the kit sorts last";
    EXPECT_EQ(core.Synth().ChannelPatch(0), MakePatch(65, 0, 0));
    EXPECT_EQ(core.Synth().ChannelPatch(1), MakePatch(65, 0, 0));
    EXPECT_EQ(Window.Boxes[TValueBox::LeftVoice], "0");
    EXPECT_EQ(core.Favorites().Voices[0].Program, 77) << "Default.fvc of the program folder";
    EXPECT_TRUE(Window.ListItems.empty()) << "no external lists for the built-in set";
}

TEST_F(PianoCore, TheBuiltInSetArrivesAfterStartUpAndThenBothKeyboardsTakeItsFirstVoice) {
    WriteFile("msf4.s", Image(ThreeVoices()));
    TLateSet arrival;
    TPianoCore& core = StartWithTheSetLater(arrival);
    ASSERT_TRUE(core.SoundOpen());
    EXPECT_TRUE(Window.Messages.empty());
    EXPECT_EQ(core.Voices().Count(), 0) << "the constructor did not wait for the set";
    core.KeyMessage(WM_DIKEYDOWN, DIK::Q, KeyIndexOfCode(DIK::Q));
    core.KeyMessage(WM_DIKEYUP, DIK::Q, KeyIndexOfCode(DIK::Q));

    ASSERT_TRUE(arrival.Arrived());
    EXPECT_EQ(core.Voices().Count(), 0) << "the list is filled on the main thread";
    arrival.Posted[0]();
    ASSERT_EQ(core.Voices().Count(), 3);
    EXPECT_EQ(core.Synth().ChannelPatch(0), MakePatch(65, 0, 0));
    EXPECT_EQ(core.Synth().ChannelPatch(1), MakePatch(65, 0, 0));
    EXPECT_TRUE(IsDrumPatch(core.Synth().ChannelPatch(9)));
    EXPECT_EQ(Window.Boxes[TValueBox::RightVoice], "0");
    EXPECT_EQ(Window.Boxes[TValueBox::LeftVoice], "0");
}

TEST_F(PianoCore, AnExternalSetFillsTheListsWhoseVoicesAreSentOnTheFirstActivation) {
    WriteFile("mine.dls", Image(ThreeVoices()));
    Settings.UseExternalDLS = true;
    Settings.ExternalDLSFile = Dir.Path("mine.dls");
    TPianoCore& core = Start(true);
    ASSERT_TRUE(core.ExternalVoiceSetInUse());
    // The collection's own order, not sorted.
    ASSERT_EQ(Window.ListItems.size(), 3u);
    EXPECT_EQ(Window.ListItems[1], core.Voices().ListText(1));
    EXPECT_TRUE(IsDrumPatch(core.Voices()[0].Patch));

    Window.Selection = {1, 2};
    core.WindowActivated(true);
    EXPECT_EQ(core.Synth().ChannelPatch(0), MakePatch(65, 0, 5));
    EXPECT_EQ(core.Synth().ChannelPatch(1), MakePatch(65, 0, 0));
    EXPECT_EQ(core.Controller().State().LeftVoiceIndex, 0) << "the boxes' positions stay";
    // Only the first activation sends them again.
    core.Controller().SelectExternalVoice(false, 2);
    core.WindowActivated(false);
    core.WindowActivated(true);
    EXPECT_EQ(core.Synth().ChannelPatch(0), MakePatch(65, 0, 0));
}

TEST_F(PianoCore, CommandKeysReachTheWindowTheExternalListsAndTheTempoClock) {
    WriteFile("mine.dls", Image(ThreeVoices()));
    Settings.UseExternalDLS = true;
    Settings.ExternalDLSFile = Dir.Path("mine.dls");
    TPianoCore& core = Start(true);
    const auto press = [&](std::initializer_list<int> codes) {
        for (int c : codes)
            core.KeyMessage(WM_DIKEYDOWN, c, KeyIndexOfCode(c));
        for (int c : codes)
            core.KeyMessage(WM_DIKEYUP, c, KeyIndexOfCode(c));
    };
    // Tab moves the right list (round about at its end) and sends its voice; the
    // voice positions stay; Shift+Tab moves it back up.
    Window.Selection = {0, 2};
    press({DIK::TAB});
    EXPECT_EQ(Window.Selection[1], 0);
    EXPECT_EQ(core.Synth().ChannelPatch(1), core.Voices()[0].Patch);
    press({DIK::LSHIFT, DIK::TAB});
    EXPECT_EQ(Window.Selection[1], 2);
    EXPECT_EQ(core.Synth().ChannelPatch(1), core.Voices()[2].Patch);
    EXPECT_EQ(core.Controller().State().RightVoiceIndex, 0);
    // Alt+Backspace makes the lists anew, item 0 selected.
    press({DIK::LMENU, DIK::BACK});
    EXPECT_EQ(Window.Selection, (std::array<int, 2>{0, 0}));
    // Ctrl+Esc, Alt+F4, and the tempo keys on the tempo clock.
    press({DIK::LCONTROL, DIK::ESCAPE});
    press({DIK::LMENU, DIK::F4});
    EXPECT_EQ(Window.AboutShown, 1);
    EXPECT_EQ(Window.CloseAsked, 1);
    const double tempo = core.Metronome().Tempo();
    press({DIK::LCONTROL, DIK::LSHIFT, DIK::PRIOR});
    EXPECT_DOUBLE_EQ(core.Metronome().Tempo(), tempo * 1.05);
    const int drums = core.Accompaniment().APercussVolume();
    press({DIK::LCONTROL, DIK::LSHIFT, DIK::END});
    EXPECT_EQ(core.Accompaniment().APercussVolume(), drums - 5);
}

TEST_F(PianoCore, SetupAppliesWhatTheDialogConfirmsAndReloadsAChangedExternalSet) {
    WriteFile("one.dls", Image(ThreeVoices()));
    TDlsCollection two = SineCollection(TimeCents(0.2), 7);
    WriteFile("two.dls", Image(two));
    Settings.UseExternalDLS = true;
    Settings.ExternalDLSFile = Dir.Path("one.dls");
    TPianoCore& core = Start(true);
    ASSERT_EQ(core.Voices().Count(), 3);
    core.Controller().SetTimedPedal(true);

    // Cancel: nothing applied; the dialog was shown the switches as they are.
    core.CommandButtonClick(cbSetup);
    EXPECT_EQ(Window.SettingsShown, 1);
    EXPECT_TRUE(Window.SwitchesShown.TimedPedal);
    EXPECT_FALSE(Window.SwitchesShown.LoopPlay);

    // OK with latency 10, loop play on and another external file: applied, and the
    // new set is loaded at once, its lists made anew and their first voices sent.
    TSettings changed = Settings;
    changed.Latency = 10;
    changed.ExternalDLSFile = Dir.Path("two.dls");
    Window.SettingsAnswer = {changed, TSwitchBlock{false, true, false, false}};
    Window.Selection = {0, 0};
    core.CommandButtonClick(cbSetup);
    EXPECT_EQ(core.LatencyCopy(), 10);
    EXPECT_EQ(core.PeriodCopy(), 5);
    EXPECT_TRUE(core.Controller().IsLoopPlay());
    EXPECT_FALSE(core.Controller().IsTimedPedal());
    EXPECT_EQ(core.Voices().Count(), 1);
    EXPECT_EQ(Window.ListItems.size(), 1u);
    EXPECT_EQ(core.Synth().ChannelPatch(1), MakePatch(65, 0, 7));

    // A file that is not there: the voices in use stay.
    changed.ExternalDLSFile = Dir.Path("gone.dls");
    Window.SettingsAnswer = {changed, TSwitchBlock{}};
    core.CommandButtonClick(cbSetup);
    EXPECT_EQ(core.Voices().Count(), 1);
    EXPECT_FALSE(core.ExternalVoiceSetInUse());
}

TEST_F(PianoCore, SwitchingTheExternalSetOnLoadsItOnlyAtTheNextStart) {
    WriteFile("one.dls", Image(ThreeVoices()));
    TPianoCore& core = Start(true);
    const int builtIn = core.Voices().Count();
    TSettings changed = Settings;
    changed.UseExternalDLS = true;
    changed.ExternalDLSFile = Dir.Path("one.dls");
    Window.SettingsAnswer = {changed, TSwitchBlock{}};
    core.CommandButtonClick(cbSetup);
    EXPECT_TRUE(core.ExternalVoiceSetInUse());
    EXPECT_EQ(core.Voices().Count(), builtIn);
    EXPECT_TRUE(Window.ListItems.empty());
    // With no lists yet Tab steps the voice positions.
    core.KeyMessage(WM_DIKEYDOWN, DIK::TAB, KeyIndexOfCode(DIK::TAB));
    EXPECT_EQ(core.Controller().State().RightVoiceIndex, builtIn > 1 ? 1 : 0);
}

TEST_F(PianoCore, EditedKeyDefinitionsSoundAtOnceAndGoIntoARecording) {
    TPianoCore& core = Start(false);
    TKeyDefSet edited = KeyDefs;
    const int q = KeyIndexOfCode(DIK::Q);
    edited.Keys[q].Count = 1;
    edited.Keys[q].Slots[0] = edited.Keys[KeyIndexOfCode(DIK::W)].Slots[0];
    core.Recorder().SetRecording(true);
    core.InstallEditedKeyDefs(edited);
    const uint8_t degree = edited.Keys[q].Slots[0].Degree;
    ASSERT_NE(degree, DefaultKeyDefSet().Keys[q].Slots[0].Degree);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[0].Degree, degree);
    int tables = 0;
    core.Recorder().ForEachEvent([&](const TSongEvent&, const TKeyDefSet* table) {
        if (table && table->Keys[q].Slots[0].Degree == degree) ++tables;
    });
    EXPECT_EQ(tables, 1);
}

TEST_F(PianoCore, SettingsAndTheSwitchBlockReachSynthesiserAndController) {
    TPianoCore& core = Start(true);
    TSettings record;
    record.Latency = 100;
    core.ApplySettings(record, {.NotebookMode = true, .TimedPedal = true});
    EXPECT_EQ(core.LatencyCopy(), 100);
    EXPECT_EQ(core.PeriodCopy(), 25);
    EXPECT_TRUE(core.Controller().IsNotebookMode());
    EXPECT_FALSE(core.Controller().IsLoopPlay());
    EXPECT_TRUE(core.Controller().IsTimedPedal());
    EXPECT_FALSE(core.Controller().IsSmartSemitone());
    core.ApplySettings(record, {.LoopPlay = true, .SmartSemitone = true});
    EXPECT_FALSE(core.Controller().IsNotebookMode());
    EXPECT_TRUE(core.Controller().IsLoopPlay());
    EXPECT_FALSE(core.Controller().IsTimedPedal());
    EXPECT_TRUE(core.Controller().IsSmartSemitone());
}

TEST_F(PianoCore, CommandButtonsFollowTheSongAndHelpAndAboutReachTheWindow) {
    TPianoCore& core = Start(true);
    core.SetSongRecording(true);
    ASSERT_EQ(Window.Buttons.size(), 1u);
    EXPECT_EQ(Window.Buttons.back(), CommandButtonsFor(true, false, "", true));
    core.KeyMessage(WM_DIKEYDOWN, DIK::Q, KeyIndexOfCode(DIK::Q));
    core.SetSongRecording(false);
    EXPECT_EQ(Window.Buttons.back(), CommandButtonsFor(false, false, "", false))
        << "the key was recorded: Play works";

    core.CommandButtonClick(cbHelp);
    EXPECT_EQ(Window.Opened,
              (std::vector<std::string>{core.ProgramFile("Talvimorena3.chm"),
                                        core.ProgramFile("Talvimorena4.0简要说明.htm")}));
    core.KeyMessage(WM_DIKEYDOWN, DIK::W, KeyIndexOfCode(DIK::W));
    core.CommandButtonClick(cbAbout);
    EXPECT_EQ(Window.AboutShown, 1);
    EXPECT_FALSE(core.Controller().HeldKeys().IsDown(DIK::W)) << "About stops everything first";

    core.CommandButtonClick(cbPlay);
    EXPECT_FALSE(core.Controller().IsLoopPlay());
    core.Controller().HeldKeys().SetDown(DIK::RSHIFT);
    core.CommandButtonClick(cbPlay);
    EXPECT_TRUE(core.Controller().IsLoopPlay()) << "Shift alone makes Play loop";
}

TEST_F(PianoCore, KeyMessagesPlayAndTheSliderSwitchesBetweenItsTwoVolumes) {
    TPianoCore& core = Start(true);
    const size_t base = Messages().size();
    core.KeyMessage(WM_DIKEYDOWN, DIK::Q, KeyIndexOfCode(DIK::Q));
    core.KeyMessage(WM_DIKEYUP, DIK::Q, KeyIndexOfCode(DIK::Q));
    const auto m = Messages();
    ASSERT_EQ(m.size(), base + 2);
    EXPECT_EQ(m[base], "90 3C 46");
    EXPECT_EQ(m[base + 1], "80 3C 40");

    EXPECT_FALSE(core.SynthVolumeMode());
    core.SliderChanged(100); // the system's volume: nothing of the synthesiser changes
    EXPECT_EQ(core.SynthVolume(), 0);
    EXPECT_EQ(core.SliderDoubleClick(), (TSliderSetting{-2000, 2000, 0}));
    core.SliderChanged(-600);
    EXPECT_EQ(core.SynthVolume(), -600);
    EXPECT_EQ(core.SliderDoubleClick(), (TSliderSetting{0, 127, 0})) << "no mixer: reads 0";
    EXPECT_EQ(core.SliderDoubleClick(), (TSliderSetting{-2000, 2000, -600}));
}

TEST_F(PianoCore, TheSliderAndTheSoundServersVolumeFollowEachOther) {
    TPulseTestServer server({{"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    Pactl("set-sink-volume piano 32768 32768");
    TPulseNotices notices;
    TPianoCoreSetup setup;
    setup.MakeMixer = [](std::function<void()> notify) -> std::unique_ptr<IMixerLines> {
        return TPulseMixer::Create(std::move(notify));
    };
    setup.PostMixerChange = notices.Notify();
    TPianoCore& core = Start(true, std::move(setup));
    ASSERT_EQ(Window.Sliders, (std::vector<TSliderSetting>{{0, 127, 64}})) << "read at start";
    Window.Messages.clear(); // the folder holds no voice set

    core.SliderChanged(100);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{51200, 51200}));
    EXPECT_EQ(core.SynthVolume(), 0);

    // A change made elsewhere moves the slider, once its notice reaches the main thread.
    int seen = notices.Now();
    Pactl("set-sink-volume piano 13107 13107");
    ASSERT_TRUE(notices.WaitBeyond(seen));
    core.MixerChanged();
    EXPECT_EQ(Window.Sliders.back(), (TSliderSetting{0, 127, 25}));

    // Ctrl+PageUp: five steps up.
    core.KeyMessage(WM_DIKEYDOWN, DIK::LCONTROL, KeyIndexOfCode(DIK::LCONTROL));
    core.KeyMessage(WM_DIKEYDOWN, DIK::PRIOR, KeyIndexOfCode(DIK::PRIOR));
    core.KeyMessage(WM_DIKEYUP, DIK::PRIOR, KeyIndexOfCode(DIK::PRIOR));
    core.KeyMessage(WM_DIKEYUP, DIK::LCONTROL, KeyIndexOfCode(DIK::LCONTROL));
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{15360, 15360}));
    EXPECT_EQ(Window.Sliders.back(), (TSliderSetting{0, 127, 30}));
    core.StepMasterVolume(-100);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{0, 0}));

    // While the slider shows the synthesiser's volume it is left alone.
    core.SliderDoubleClick();
    const size_t shown = Window.Sliders.size();
    Pactl("set-sink-volume piano 65536 65536");
    core.MixerChanged();
    EXPECT_EQ(Window.Sliders.size(), shown);
    EXPECT_EQ(core.SliderDoubleClick(), (TSliderSetting{0, 127, 127}));
    EXPECT_TRUE(Window.Messages.empty());
    for (int i = 0; i < 3; ++i)
        core.WindowActivated(true);
    EXPECT_TRUE(Window.Messages.empty()) << "a mixer: no warning";
}

TEST_F(PianoCore, WithoutAMixerTheSecondActivationWarnsOnceAndTheSliderReadsZero) {
    TPianoCore& core = Start(true);
    EXPECT_TRUE(Window.Sliders.empty()) << "the slider keeps its first position";
    Window.Messages.clear(); // the folder holds no voice set
    core.WindowActivated(true);
    EXPECT_TRUE(Window.Messages.empty());
    core.WindowActivated(false);
    core.WindowActivated(true);
    EXPECT_EQ(Window.Messages,
              (std::vector<std::string>{"由于某种原因，Talvimorena在您的机器上无法调整总音量。"}));
    core.WindowActivated(false);
    core.WindowActivated(true);
    EXPECT_EQ(Window.Messages.size(), 1u);
    core.SliderChanged(90);
    core.StepMasterVolume(5);
    EXPECT_EQ(Window.Sliders.back(), (TSliderSetting{0, 127, 0}));
}

TEST_F(PianoCore, EnterPlaysTheChosenStyleIntoTheSynthesiserAndASongThatPlaysItBack) {
    WriteFile("msf4.s", Image(ThreeVoices()));
    TPianoCore& core = Start(true);
    const auto key = [&](int message, int code) {
        core.KeyMessage(message, code, KeyIndexOfCode(code));
    };
    const auto tap = [&](int code) {
        key(WM_DIKEYDOWN, code);
        key(WM_DIKEYUP, code);
    };
    const auto altTap = [&](int code) {
        key(WM_DIKEYDOWN, DIK::LMENU);
        tap(code);
        key(WM_DIKEYUP, DIK::LMENU);
    };
    EXPECT_EQ(core.Accompaniment().AccompStyleGroupNum(), 0);
    altTap(DIK::EQUALS); // the group of the metronomes
    altTap(DIK::K1 + 2); // Alt+"3"
    EXPECT_EQ(core.Accompaniment().CurrentStyle().Name.Utf8(), "4/4 节拍器");

    core.SetSongRecording(true);
    const size_t before = Messages().size();
    tap(DIK::RETURN);
    EXPECT_TRUE(core.Controller().IsAccompanimentRunning());
    EXPECT_TRUE(core.Accompaniment().Start());
    EXPECT_TRUE(core.Metronome().Active());
    // The first tick is step 0, the first beat; then a tick every step to the second.
    core.Metronome().Tick();
    for (int step = 1; step <= 4; ++step) {
        Clock.Now += 150;
        core.Metronome().Tick();
    }
    tap(DIK::ESCAPE);
    EXPECT_FALSE(core.Accompaniment().Start());
    EXPECT_FALSE(core.Recorder().IsRecording());
    const std::vector<std::string> all = Messages();
    const std::vector<std::string> played(all.begin() + static_cast<std::ptrdiff_t>(before),
                                          all.end());
    const std::vector<std::string> accomp = {"C6 00 00", "C5 00 00", "C4 00 00", "99 26 1A",
                                             "99 2C 3C"};
    EXPECT_TRUE(std::search(played.begin(), played.end(), accomp.begin(), accomp.end()) !=
                played.end())
        << ::testing::PrintToString(played);

    // The song holds the accompaniment as raw messages and sends them again.
    core.SetSongPlaying(true);
    const size_t replayFrom = Messages().size();
    for (int i = 0; i < 100; ++i) {
        Clock.Now += 10;
        core.Recorder().PlaybackTick();
    }
    const std::vector<std::string> again = Messages();
    const std::vector<std::string> replayed(again.begin() + static_cast<std::ptrdiff_t>(replayFrom),
                                            again.end());
    EXPECT_TRUE(std::search(replayed.begin(), replayed.end(), accomp.begin(), accomp.end()) !=
                replayed.end())
        << ::testing::PrintToString(replayed);
}

namespace {

// The real offline synthesiser, with the start-up's calls on it written down in order.
class TRecordingDevice final : public ISoundDevice {
public:
    TRecordingDevice(std::unique_ptr<ISoundDevice> real, std::vector<std::string>& calls)
        : Real(std::move(real)), Calls(calls) {}
    ISynthesizer& Synth() override { return Real->Synth(); }
    const TPortList& PortList() const override { return Real->PortList(); }
    int32_t DefaultOutputPortIndex() const override { return Real->DefaultOutputPortIndex(); }
    bool SelectOutputPort(int32_t index) override {
        return Note("SelectOutputPort " + std::to_string(index), Real->SelectOutputPort(index));
    }
    bool OpenOfflinePort() override { return Note("OpenPort", Real->OpenOfflinePort()); }
    uint32_t GetWriteLatency() const override { return Real->GetWriteLatency(); }
    uint32_t GetWritePeriod() const override { return Real->GetWritePeriod(); }
    bool SetWriteLatency(uint32_t ms) override {
        return Note("SetWriteLatency " + std::to_string(ms), Real->SetWriteLatency(ms));
    }
    bool SetWritePeriod(uint32_t ms) override { return Real->SetWritePeriod(ms); }
    void SetReverbLevel(uint8_t level) override {
        Note("SetReverbLevel " + std::to_string(level), true);
        Real->SetReverbLevel(level);
    }
    bool SetSynthVolume(int32_t level) override {
        return Note("SetSynthVolume " + std::to_string(level), Real->SetSynthVolume(level));
    }
    bool ReloadExternalDLS(const std::string& path) override {
        return Note("ReloadExternalDLS", Real->ReloadExternalDLS(path));
    }
    bool LoadVoiceSetFromMemory(std::vector<uint8_t>&& image) override {
        return Note("LoadVoiceSetFromMemory", Real->LoadVoiceSetFromMemory(std::move(image)));
    }
    bool BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) override {
        return Note("BeginVoiceSetLoad", Real->BeginVoiceSetLoad(path, std::move(loaded)));
    }
    bool FinishVoiceSetLoad() override { return Real->FinishVoiceSetLoad(); }

private:
    bool Note(std::string call, bool result) {
        Calls.push_back(std::move(call));
        return result;
    }
    std::unique_ptr<ISoundDevice> Real;
    std::vector<std::string>& Calls;
};

} // namespace

// The start-up's steps on the sound device, in their order: the port first; with no
// port no setting and no voice set; the settings' latency and reverb before any voice
// set; an external set named in the settings instead of the built-in one; the
// synthesiser's own volume set to 0 in every case; a set loaded beside the player
// begun after every other step.
TEST_F(PianoCore, TheStartUpSequenceOpensThePortAppliesTheSettingsThenLoadsOneVoiceSet) {
    WriteFile("msf4.s", Image(ThreeVoices()));
    WriteFile("my.dls", Image(ThreeVoices()));
    struct TCase {
        const char* Name;
        bool Offline, External, Beside;
        std::vector<std::string> Calls;
    };
    const std::vector<TCase> cases = {
        {"no port", false, false, false, {"SelectOutputPort -1", "SetSynthVolume 0"}},
        {"built-in set",
         true,
         false,
         false,
         {"OpenPort", "SetWriteLatency 40", "SetReverbLevel 2", "LoadVoiceSetFromMemory",
          "SetSynthVolume 0"}},
        {"external set",
         true,
         true,
         false,
         {"OpenPort", "SetWriteLatency 40", "SetReverbLevel 2", "ReloadExternalDLS",
          "SetSynthVolume 0"}},
        // The offline port has no player to load beside: the set is then read at once.
        {"built-in set asked beside the player",
         true,
         false,
         true,
         {"OpenPort", "SetWriteLatency 40", "SetReverbLevel 2", "SetSynthVolume 0",
          "BeginVoiceSetLoad", "LoadVoiceSetFromMemory"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Core.reset();
        Settings = TSettings{};
        Settings.UseExternalDLS = c.External;
        Settings.ExternalDLSFile = c.External ? Dir.Path("my.dls") : "";
        std::vector<std::string> calls;
        TPianoCoreSetup setup;
        if (c.Beside) setup.PostVoiceSetLoaded = [&](std::function<void()>) {};
        setup.ProgramFolder = Dir.Root().string();
        TKTDirectMusicSetup sound = TKTDirectMusicSetup::Offline();
        sound.Log = &Log;
        setup.MakeSound = [&calls, make = FluidSynthSound(sound)](TVoiceList& voices) {
            return std::make_unique<TRecordingDevice>(make(voices), calls);
        };
        setup.OfflinePort = c.Offline;
        setup.ManualTempoClock = true;
        TControllerPorts views;
        views.Boxes = &Window;
        Core = std::make_unique<TPianoCore>(std::move(setup), Settings, Clock, Window, views);
        EXPECT_EQ(calls, c.Calls);
        Core.reset();
    }
}
