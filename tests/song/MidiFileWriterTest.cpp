#include "song/MidiFileWriter.h"
#include "song/MidiFileTestReader.h"

#include <gtest/gtest.h>

namespace {

using TLines = std::vector<std::string>;

TSmf WriteAndRead(const std::vector<TMidiFileMessage>& messages, const TMidiFileOptions& options,
                  TMidiFileResult* result = nullptr) {
    std::vector<uint8_t> bytes;
    const TMidiFileResult r = BuildMidiFile(messages, options, bytes);
    EXPECT_TRUE(r.Ok) << r.Message;
    if (result) *result = r;
    TSmf smf;
    TSmfReader reader;
    EXPECT_TRUE(reader.Read(bytes, smf)) << reader.Error;
    return smf;
}

} // namespace

TEST(MidiFileWriter, WritesOneTrackOfMillisecondTicksByteForByte) {
    std::vector<uint8_t> bytes = {0xAA}; // appended to, not replaced
    const TMidiFileResult r = BuildMidiFile(std::vector<TMidiFileMessage>{{0, 0xC1, 0x05, 0x00},
                                                                          {0, 0x91, 0x3C, 0x64},
                                                                          {200, 0x81, 0x3C, 0x40}},
                                            {"Ab", 0}, bytes);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(r.Dropped, 0u);
    // clang-format off
    const std::vector<uint8_t> expected = {
        0xAA,
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xF4, // format 0, 1 track, 500
        'M', 'T', 'r', 'k', 0, 0, 0, 29,
        0x00, 0xFF, 0x03, 0x02, 'A', 'b',         // track name
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // 500000 us a quarter
        0x00, 0xC1, 0x05,                         // program change: one data byte
        0x00, 0x91, 0x3C, 0x64,
        0x81, 0x48, 0x81, 0x3C, 0x40,             // 200 ticks later
        0x00, 0xFF, 0x2F, 0x00};
    // clang-format on
    EXPECT_EQ(bytes, expected);
}

TEST(MidiFileWriter, EveryTimeSurvivesTheVariableLengthDeltas) {
    // Gaps at the largest and smallest of one-, two-, three- and four-byte deltas.
    const uint32_t gaps[] = {0, 127, 128, 16383, 16384, 2097151, 2097152, MidiFileMaxDelta, 1};
    std::vector<TMidiFileMessage> messages;
    std::vector<uint32_t> times;
    uint32_t t = 0;
    for (uint32_t gap : gaps) {
        t += gap;
        times.push_back(t);
        messages.push_back({t, 0x90, 0x40, 0x50});
    }
    const TSmf smf = WriteAndRead(messages, {});
    EXPECT_EQ(smf.Format, 0);
    ASSERT_EQ(smf.Tracks.size(), 1u);
    // One tick is one millisecond: ticks x tempo / division = microseconds.
    EXPECT_EQ(uint64_t{smf.Division} * 1000, uint64_t{MidiFileTempo});
    std::vector<uint32_t> ticks;
    for (const TSmfEvent& e : smf.Tracks[0].Events)
        if (!e.IsMeta()) ticks.push_back(e.Tick);
    EXPECT_EQ(ticks, times);
}

TEST(MidiFileWriter, MessagesComeBackInTimeOrderWithEqualTimesInTheirOwnOrder) {
    const TSmf smf = WriteAndRead({{10, 0xB0, 0x00, 0x41},
                                   {10, 0xB0, 0x20, 0x00},
                                   {10, 0xC0, 0x07, 0x00},
                                   {30, 0x80, 0x3C, 0x40},
                                   {20, 0x90, 0x3C, 0x46}, // handed over late
                                   {20, 0xD3, 0x22, 0x7F},
                                   {25, 0xE1, 0x00, 0x40}},
                                  {});
    EXPECT_EQ(SmfChannelLines(smf.Tracks[0]),
              (TLines{"10: B0 00 41", "10: B0 20 00", "10: C0 07", "20: 90 3C 46", "20: D3 22",
                      "25: E1 00 40", "30: 80 3C 40"}));
}

TEST(MidiFileWriter, LeavesOutWhatIsNoChannelMessageAndKeepsTheRestIntact) {
    TMidiFileResult r;
    const TSmf smf = WriteAndRead({{0, 0x90, 0x3C, 0x46},
                                   {5, 0xFF, 0x2F, 0x00}, // would end the track early
                                   {6, 0xF0, 0x7E, 0x7F}, // would open a system-exclusive
                                   {7, 0x3C, 0x40, 0x00}, // a data byte as status
                                   {8, 0x90, 0x80, 0x40}, // a status as data
                                   {9, 0xB0, 0x07, 0xFF},
                                   {10, 0xC0, 0x05, 0xFF}, // the unsent byte does not matter
                                   {11, 0x80, 0x3C, 0x40}},
                                  {}, &r);
    EXPECT_EQ(r.Dropped, 5u);
    EXPECT_EQ(SmfChannelLines(smf.Tracks[0]), (TLines{"0: 90 3C 46", "10: C0 05", "11: 80 3C 40"}));
}

TEST(MidiFileWriter, TheTrackEndsAtTheSongsEndOrAfterItsLastMessage) {
    TSmf smf = WriteAndRead({{100, 0x90, 0x3C, 0x46}}, {"", 5000});
    ASSERT_FALSE(smf.Tracks[0].Events.empty());
    EXPECT_EQ(SmfText(smf.Tracks[0].Events.back()), "meta 2F");
    EXPECT_EQ(smf.Tracks[0].Events.back().Tick, 5000u);
    // No name meta without a name: tempo first.
    EXPECT_EQ(SmfText(smf.Tracks[0].Events.front()), "meta 51 07 A1 20");

    smf = WriteAndRead({{100, 0x90, 0x3C, 0x46}}, {"", 40});
    EXPECT_EQ(smf.Tracks[0].Events.back().Tick, 100u);

    smf = WriteAndRead({}, {"Empty", 0});
    EXPECT_EQ(smf.Tracks[0].Events.size(), 3u); // name, tempo, end
    EXPECT_EQ(smf.Tracks[0].Events.back().Tick, 0u);
}

TEST(MidiFileWriter, AGapBeyondWhatADeltaHoldsFailsAndLeavesTheOutputAlone) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    TMidiFileResult r =
        BuildMidiFile(std::vector<TMidiFileMessage>{{0, 0x90, 0x3C, 0x46},
                                                    {MidiFileMaxDelta + 1, 0x80, 0x3C, 0x40}},
                      {}, bytes);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Message.find("delta"), std::string::npos) << r.Message;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));

    r = BuildMidiFile(std::vector<TMidiFileMessage>{{0, 0x90, 0x3C, 0x46}}, {"", UINT32_MAX},
                      bytes);
    EXPECT_FALSE(r.Ok) << "the end of the track is a delta too";
    EXPECT_EQ(bytes.size(), 3u);

    const TSmf smf =
        WriteAndRead({{7, 0x90, 0x3C, 0x46}, {7 + MidiFileMaxDelta, 0x80, 0x3C, 0x40}}, {});
    EXPECT_EQ(SmfChannelLines(smf.Tracks[0]).back(),
              std::to_string(7 + MidiFileMaxDelta) + ": 80 3C 40");
}
