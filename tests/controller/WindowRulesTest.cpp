// The rules behind the main window's controls, without a window: the volume slider's
// two modes over a real master volume, the external voice lists over the real
// controller, and what a song's playback leaves usable.
#include "ControllerFakes.h"

#include "controller/ExternalVoiceLists.h"
#include "controller/PlayingViews.h"
#include "controller/VolumeSlider.h"

#include <memory>

namespace {

struct TFakeMixer final : IMixerLines {
    bool GetLineVolume(int, int, TLineVolume& out) override {
        out = Level;
        return true;
    }
    bool SetLineVolume(int, int, bool mute, uint16_t left, uint16_t right) override {
        Level = {left, right, mute};
        return true;
    }
    std::string LastError() const override { return ""; }
    TLineVolume Level;
};

// One uniform level, and a message on every write.
struct TFakeFallback final : IMasterVolumeFallback {
    bool GetMasterVolume(uint16_t& value, std::string&) override {
        value = Value;
        return true;
    }
    bool SetMasterVolume(uint16_t value, std::string& message) override {
        Value = value;
        message = "written";
        return true;
    }
    uint16_t Value = 0;
};

struct TSliderWindow final : IVolumeSliderView, ISynthVolume {
    void ShowSlider(const TSliderSetting& s) override { Shown.push_back(s); }
    void ShowMessage(std::string_view text) override { Messages.emplace_back(text); }
    bool SetSynthVolume(int32_t level) override {
        SynthLevels.push_back(level);
        return true;
    }
    std::vector<TSliderSetting> Shown;
    std::vector<std::string> Messages;
    std::vector<int32_t> SynthLevels;
};

} // namespace

TEST(VolumeSlider, TheTwoModesKeepTheirOwnVolumeAndOnlyTheSystemModeFollowsTheMixer) {
    enum class TMaster { Mixer, Fallback, None };
    for (TMaster kind : {TMaster::Mixer, TMaster::Fallback, TMaster::None}) {
        SCOPED_TRACE(static_cast<int>(kind));
        auto* mixer = kind == TMaster::Mixer ? new TFakeMixer : nullptr;
        auto* fallback = kind == TMaster::Fallback ? new TFakeFallback : nullptr;
        if (mixer) mixer->Level = {40960, 20480, false};
        TMasterVolume master{std::unique_ptr<IMixerLines>(mixer),
                             std::unique_ptr<IMasterVolumeFallback>(fallback)};
        TSliderWindow window;
        TVolumeSlider slider(master, window, window);

        slider.ShowMasterVolume();
        slider.ResetSynthVolume();
        using TShown = std::vector<TSliderSetting>;
        EXPECT_EQ(window.Shown, (mixer ? TShown{{0, 127, 80}} : TShown{}));
        EXPECT_EQ(window.SynthLevels, std::vector<int32_t>{0});
        window.Shown.clear();
        slider.Changed(130); // the master volume; the fallback's slider follows to 127
        EXPECT_EQ(window.Shown, (fallback ? TShown{{0, 127, 127}} : TShown{}));
        if (mixer) {
            EXPECT_EQ(mixer->Level, (TLineVolume{65024, 32512, false}));
        }
        EXPECT_EQ(window.SynthLevels.size(), 1u) << "the synthesiser's volume is untouched";

        EXPECT_EQ(slider.DoubleClick(), (TSliderSetting{-2000, 2000, 0}));
        slider.Changed(-600);
        EXPECT_EQ(window.SynthLevels.back(), -600);
        window.Shown.clear();
        slider.MixerChanged();
        slider.StepMasterVolume(-5);
        EXPECT_TRUE(window.Shown.empty()) << "the slider keeps showing the synthesiser's volume";
        EXPECT_EQ(slider.DoubleClick(), (TSliderSetting{0, 127, kind == TMaster::None ? 0 : 122}));
        EXPECT_EQ(slider.DoubleClick(), (TSliderSetting{-2000, 2000, -600})) << "remembered";
        EXPECT_EQ(window.Messages.size(), fallback ? 2u : 0u) << "each fallback write told once";

        // Without a mixer the second activation warns, once.
        window.Messages.clear();
        for (bool active : {true, false, true, true, false, true})
            slider.WindowActivated(active);
        EXPECT_EQ(window.Messages.size(), mixer ? 0u : 1u);
    }
}

namespace {

struct TListWindow final : IExternalVoiceListsView {
    void ShowExternalVoiceLists(const TVoiceList& voices) override {
        Count = voices.Count();
        Selection = {0, 0};
        ++Built;
    }
    int ExternalVoiceListSelection(bool right) const override {
        return Count < 0 ? -1 : Selection[right ? 1 : 0];
    }
    void SelectExternalVoiceListItem(bool right, int position) override {
        Selection[right ? 1 : 0] = position;
    }
    int Count = -1, Built = 0;
    std::array<int, 2> Selection{-1, -1};
};

} // namespace

TEST_F(ControllerTest, TheExternalListsStepRoundAboutAndSendTheirVoicesOnlyWhileInUse) {
    TListWindow window;
    TExternalVoiceLists lists(Voices, Ctl, window);
    EXPECT_FALSE(lists.Step(true)) << "no lists";
    lists.WindowActivated();
    EXPECT_TRUE(MidiSent().empty()) << "not in use: nothing sent at the first activation";
    lists.Rebuild();
    EXPECT_FALSE(lists.Step(true)) << "lists of a set not in use";

    lists.SetInUse(true);
    const int last = Voices.Count() - 1;
    // Up from the first item is the last; down from the last is the first again.
    for (auto [down, expected] : {std::pair{false, last}, {true, 0}, {true, 1}}) {
        ASSERT_TRUE(lists.Step(down));
        EXPECT_EQ(window.Selection[1], expected);
        EXPECT_EQ(Synth.ChannelPatch(RightChannel), Voices[expected].Patch);
    }
    EXPECT_EQ(window.Selection[0], 0) << "the left list stays";
    EXPECT_EQ(Ctl.State().RightVoiceIndex, 0) << "the voice box keeps its position";

    window.Selection = {2, 3};
    Reset();
    lists.WindowActivated();
    EXPECT_TRUE(MidiSent().empty()) << "the first activation was spent before the set was in use";
    TExternalVoiceLists fresh(Voices, Ctl, window);
    fresh.SetInUse(true);
    fresh.WindowActivated();
    fresh.WindowActivated();
    EXPECT_EQ(Synth.ChannelPatch(LeftChannel), Voices[2].Patch);
    EXPECT_EQ(Synth.ChannelPatch(RightChannel), Voices[3].Patch);
    EXPECT_EQ(MidiSent().size(), 6u) << "both voices once: the first activation only";
}

TEST(PlayingViews, APlayingSongTakesTheKeysAndTheFiveValueBoxesButNotTheVoicesOrTheSlider) {
    const TPlayingViews playing = PlayingViewsEnabled(false);
    const TPlayingViews stopped = PlayingViewsEnabled(true);
    EXPECT_FALSE(playing.Keys);
    EXPECT_TRUE(stopped.Keys);
    for (size_t box = 0; box < ValueBoxCount; ++box) {
        const bool voice = box == static_cast<size_t>(TValueBox::LeftVoice) ||
                           box == static_cast<size_t>(TValueBox::RightVoice);
        EXPECT_EQ(playing.Boxes[box], (voice ? std::nullopt : std::optional<bool>(false))) << box;
        EXPECT_EQ(stopped.Boxes[box], (voice ? std::nullopt : std::optional<bool>(true))) << box;
    }
    EXPECT_EQ(playing.Slider, std::nullopt);
    EXPECT_EQ(stopped.Slider, true);
}
