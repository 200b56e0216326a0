// talvimorena-tool render-style, run as a real process with the built-in voice set:
// the metronome's clicks in the MIDI file and in the rendered sound, and the
// arguments it refuses.
#include "AudioMeasure.h"
#include "SongMaker.h"
#include "ToolRun.h"

#include "song/MidiFileTestReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class RenderStyleTest : public ::testing::Test {
protected:
    TRun Render(const std::string& args) { return RunTool(Dir, "render-style " + args); }
    TTempDir Dir;
};

// Milliseconds at which a sound starts after silence: the level over 1 ms stands
// above -80 dBFS where the 20 ms before it (the last 3 ms left out: the stroke's
// first samples) stayed below -100.
std::vector<double> Onsets(const std::vector<float>& x) {
    const size_t ms = 44, n = x.size() / ms;
    std::vector<double> level(n);
    for (size_t i = 0; i < n; ++i)
        level[i] = audio::LevelDb({x.data() + i * ms, ms});
    std::vector<double> onsets;
    for (size_t i = 0; i < n; ++i) {
        double before = -200;
        for (size_t k = i >= 20 ? i - 20 : 0; k + 3 < i; ++k)
            before = std::max(before, level[k]);
        if (level[i] > -80 && before < -100 &&
            (onsets.empty() || double(i * ms) / 44.1 - onsets.back() > 20))
            onsets.push_back(double(i * ms) / 44.1);
    }
    return onsets;
}

TEST_F(RenderStyleTest, TheFourFourMetronomeAtOneHundredClicksEvery600Ms) {
    const TRun r = Render(Q("4/4 节拍器") + " " + Q(Dir.Path("m.wav")) +
                          " --tempo 100 --bars 4 --midi " + Q(Dir.Path("m.mid")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("16 notes"), std::string::npos) << r.Out;

    // The messages: the three programs, then a click every 600 ms, key 38 at velocity
    // 26 on the first beat of each bar and key 44 at 60 on the others.
    TSmf smf;
    TSmfReader reader;
    ASSERT_TRUE(reader.Read(Dir.Read("m.mid"), smf)) << reader.Error;
    ASSERT_EQ(smf.Tracks.size(), 1u);
    std::vector<std::string> expected = {"0: C6 00", "0: C5 00", "0: C4 00"};
    for (int beat = 0; beat < 16; ++beat)
        expected.push_back(std::to_string(beat * 600) +
                           (beat % 4 == 0 ? ": 99 26 1A" : ": 99 2C 3C"));
    EXPECT_EQ(SmfChannelLines(smf.Tracks[0]), expected);

    // The sound: sixteen strokes, each beginning within a few ms of its beat (the
    // synthesiser starts notes on its 64-frame blocks, 1.45 ms).
    const TWav w = ReadWav(Dir.Read("m.wav"));
    ASSERT_GE(w.Frames(), size_t{9600 * 44});
    const std::vector<double> onsets = Onsets(w.Mono);
    ASSERT_EQ(onsets.size(), 16u) << ::testing::PrintToString(onsets);
    for (size_t k = 0; k < onsets.size(); ++k)
        EXPECT_NEAR(onsets[k], 600.0 * double(k), 3.0) << k;
}

TEST_F(RenderStyleTest, StylesAreFoundByNumberOrNameAndTheTempoSetsTheLength) {
    TRun r = Render("14 " + Q(Dir.Path("a.wav")) + " --tempo 200 --bars 2 --midi " +
                    Q(Dir.Path("a.mid")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"4/4 节拍器\", 2 bars of 4 beats at 200.0"), std::string::npos) << r.Out;
    TSmf smf;
    TSmfReader reader;
    ASSERT_TRUE(reader.Read(Dir.Read("a.mid"), smf)) << reader.Error;
    const std::vector<std::string> lines = SmfChannelLines(smf.Tracks[0]);
    ASSERT_EQ(lines.size(), 3u + 8u);
    EXPECT_EQ(lines[4], "300: 99 2C 3C");
    EXPECT_EQ(lines.back(), "2100: 99 2C 3C");

    // The empty style plays nothing at all.
    r = Render("None " + Q(Dir.Path("none.wav")) + " --bars 1");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find(", 0 notes"), std::string::npos) << r.Out;
    EXPECT_LT(audio::LevelDb(ReadWav(Dir.Read("none.wav")).Mono), -100);
}

TEST_F(RenderStyleTest, BadArgumentsAreUsageErrorsAndWriteNothing) {
    const std::string out = Q(Dir.Path("x.wav"));
    for (const std::string& args : std::vector<std::string>{
             "nope " + out, "72 " + out, "-1 " + out, "14 " + out + " --tempo 0",
             "14 " + out + " --tempo abc", "14 " + out + " --bars 0", "14 " + out + " --bars 1.5",
             "14 " + out + " --tempo", std::string("14"), "14 " + out + " --swing 3",
             "14 " + out + " --midi " + out}) {
        const TRun r = Render(args);
        EXPECT_EQ(r.Status, 2) << args << "\n" << r.Err;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("x.wav")));
}

} // namespace
