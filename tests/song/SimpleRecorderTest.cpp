#include "SongTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>

namespace {

TEST(SimpleRecorder, EachRecordOperationStampsTheTimeSinceTheStart) {
    TFakeClock clock;
    clock.Now = 1000;
    TSimpleRecorder rec(clock);
    rec.SetRecording(true);
    TKeyDefSet table = DefaultKeyDefSet();
    const struct {
        std::function<void()> Record;
        int Kind;
        int32_t Value;
    } ops[] = {
        {[&] { rec.RecordKeyDown(0x10); }, evKeyDown, 0x10},
        {[&] { rec.RecordKeyUp(0x10); }, evKeyUp, 0x10},
        {[&] { rec.RecordRightOctave(1); }, evRightOctave, 1},
        {[&] { rec.RecordLeftOctave(-1); }, evLeftOctave, -1},
        {[&] { rec.RecordTranspose(7); }, evTranspose, 7},
        {[&] { rec.RecordRightVoice(0x410005); }, evRightVoice, 0x410005},
        {[&] { rec.RecordLeftVoice(0x410100); }, evLeftVoice, 0x410100},
        {[&] { rec.RecordRightVolume(127); }, evRightVolume, 127},
        {[&] { rec.RecordLeftVolume(3); }, evLeftVolume, 3},
        {[&] { rec.RecordRightPedal(-1); }, evRightPedal, -1},
        {[&] { rec.RecordLeftPedal(0); }, evLeftPedal, 0},
        {[&] { rec.RecordKeyTable(table); }, evKeyTable, 0},
        {[&] { rec.RecordSixKeyMode(1); }, evSixKeyMode, 1},
        {[&] { rec.RecordMidi(0x90, 0x3C, 0x46); }, evMidiMessage, 0x903C46},
        {[&] { rec.RecordEndMark(); }, evEndMark, 0},
    };
    std::vector<TEventFields> want;
    for (const auto& op : ops) {
        clock.Now += 7;
        op.Record();
        want.push_back({clock.Now - 1000, 0, op.Kind, op.Value});
    }
    EXPECT_EQ(EventsOf(rec), want);

    // The recorder kept its own copy of the table.
    const std::string remark = table.Remark.Bytes();
    table.Remark.SetBytes("changed");
    rec.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet* t) {
        ASSERT_EQ(t != nullptr, e.Kind == evKeyTable);
        if (t) {
            EXPECT_EQ(t->Remark.Bytes(), remark);
        }
    });
}

TEST(SimpleRecorder, RecordsOnlyWhileRecording) {
    TFakeClock clock;
    TSimpleRecorder rec(clock);
    rec.RecordKeyDown(1);
    EXPECT_TRUE(rec.IsEmpty());
    clock.Now = 0xFFFFFF00; // the tick counter wraps during this recording
    rec.SetRecording(true);
    clock.Now = 0x100;
    rec.RecordKeyDown(2);
    rec.SetRecording(false);
    rec.RecordKeyUp(2);
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(EventsOf(rec), (std::vector<TEventFields>{{0x200, 0, evKeyDown, 2}}));
    // A new recording discards the old song and starts its own clock.
    rec.SetRecording(true);
    EXPECT_TRUE(rec.IsEmpty());
    rec.RecordEndMark();
    EXPECT_EQ(EventsOf(rec), (std::vector<TEventFields>{{0, 0, evEndMark, 0}}));
}

TEST(SimpleRecorder, MidiFromTwoThreadsAllLandsInTimeOrder) {
    TFakeClock clock;
    clock.Step = 1; // every reading is a new millisecond
    TSimpleRecorder rec(clock);
    rec.SetRecording(true);
    constexpr int PerThread = 10000;
    const auto play = [&](uint8_t status) {
        for (int i = 0; i < PerThread; ++i)
            rec.RecordMidi(status, i >> 7, i & 0x7F);
    };
    std::thread a(play, 0x90), b(play, 0x99);
    a.join();
    b.join();
    const auto events = EventsOf(rec);
    ASSERT_EQ(events.size(), 2u * PerThread);
    // Times rise strictly, and each thread's messages keep their order.
    int next[2] = {0, 0}, wrong = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        const auto [time, skip, kind, v] = events[i];
        const int n = next[(v >> 16) == 0x99]++;
        wrong += (v & 0xFFFF) != (n >> 7 << 8 | (n & 0x7F));
        wrong += i > 0 && std::get<0>(events[i - 1]) >= time;
    }
    EXPECT_EQ(wrong, 0);
}

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        Rec.SetOnPlayEvent([this](uint8_t kind, int32_t value, const TKeyDefSet* table) {
            Played.push_back({kind, value});
            if (table) Tables.push_back(table->Remark.Bytes());
            if (OnEvent) OnEvent();
        });
        Rec.SetOnPlayStart([this] { ++Starts; });
        Rec.SetOnPlayEnd([this] {
            ++Ends;
            if (StopAtEnd) Rec.SetPlaying(false);
        });
    }
    void Load(const std::vector<TSongEvent>& events) {
        TSongHeader header = NewSongHeader();
        TSimpleBuffer buffer;
        for (const TSongEvent& e : events) {
            std::unique_ptr<TKeyDefSet> table;
            if (e.Kind == evKeyTable)
                (table = std::make_unique<TKeyDefSet>())->Remark.SetBytes("k");
            buffer.Add(e, std::move(table));
        }
        std::vector<uint8_t> image;
        WriteSong(header, TSongInfoRec{}, buffer, image);
        TSongInfoRec info;
        ASSERT_TRUE(Rec.LoadFromBytes(image, info));
    }
    void Start() {
        Clock.Now += 1000;
        StartedAt = Clock.Now;
        Rec.SetPlaying(true);
    }
    void TickAt(uint32_t elapsed) {
        Clock.Now = StartedAt + elapsed;
        Rec.PlaybackTick();
    }

    TFakeClock Clock;
    TSimpleRecorder Rec{Clock};
    uint32_t StartedAt = 0;
    std::vector<std::pair<int, int32_t>> Played;
    std::vector<std::string> Tables;
    std::function<void()> OnEvent;
    int Starts = 0, Ends = 0;
    bool StopAtEnd = false;
};

TEST_F(Playback, DeliversDueEventsInRecordingOrderAndPassesOverSkipped) {
    Load({{0, 0, evKeyDown, 0x10},
          {0, 0, evKeyUp, 0x10},
          {50, -1, evKeyDown, 0x11},
          {60, 0, evKeyTable, 0},
          {200, 0, evEndMark, 0},
          {5000, 1, evKeyUp, 0x11}}); // skipped: does not lengthen the song
    Start();
    EXPECT_EQ(Starts, 1);
    TickAt(0);
    EXPECT_EQ(Played, (decltype(Played){{evKeyDown, 0x10}, {evKeyUp, 0x10}}));
    TickAt(59);
    EXPECT_EQ(Played.size(), 2u);
    TickAt(60);
    EXPECT_EQ(Played.back(), std::make_pair(int{evKeyTable}, 0));
    EXPECT_EQ(Tables, std::vector<std::string>{"k"});
    TickAt(199); // the end mark keeps the song going, silently, until its time
    EXPECT_EQ(Ends, 0);
    TickAt(200);
    EXPECT_EQ(Played.back(), std::make_pair(int{evEndMark}, 0));
    EXPECT_EQ(Ends, 1);
    TickAt(210); // raised again until the owner stops
    EXPECT_EQ(Ends, 2);

    Rec.SetPlaying(false);
    TickAt(220);
    EXPECT_EQ(Ends, 2);
    Start(); // from the beginning again
    TickAt(0);
    EXPECT_EQ(Starts, 2);
    EXPECT_EQ(Played.size(), 6u);
}

TEST_F(Playback, NeedsEventsAndNoRecording) {
    Start();
    Rec.PlaybackTick();
    EXPECT_FALSE(Rec.IsPlaying());
    EXPECT_EQ(Starts + Ends, 0);
    Rec.SetRecording(true);
    Rec.RecordKeyDown(1);
    Start();
    EXPECT_FALSE(Rec.IsPlaying());
    Rec.SetRecording(false);
    Start();
    EXPECT_TRUE(Rec.IsPlaying());
    Rec.SetRecording(true); // not while playing
    EXPECT_FALSE(Rec.IsRecording());
    EXPECT_EQ(Rec.EventCount(), 1u);
}

TEST_F(Playback, HandlersMayStopPlaybackOrThrow) {
    Load({{0, 0, evKeyDown, 1}, {0, 0, evKeyDown, 2}, {0, 0, evKeyDown, 3}});
    StopAtEnd = true;
    OnEvent = [this] {
        if (Played.size() == 1) throw std::runtime_error("handler failed");
    };
    Start();
    EXPECT_THROW(TickAt(0), std::runtime_error);
    TickAt(0); // the next pass goes on after the event that threw
    EXPECT_EQ(Played.size(), 3u);
    EXPECT_EQ(Ends, 1);
    EXPECT_FALSE(Rec.IsPlaying());
    TickAt(10);
    EXPECT_EQ(Ends, 1);

    // Stopping from an event handler ends the pass there.
    OnEvent = [this] { Rec.SetPlaying(false); };
    Start();
    TickAt(0);
    EXPECT_EQ(Played.size(), 4u);
    EXPECT_EQ(Ends, 1);
}

} // namespace
