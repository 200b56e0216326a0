// The latency clock's mapping from send times to samples, and the queue that carries
// messages from the senders to the renderer.
#include "sound/LatencyClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

namespace {

constexpr int Rate = 44100;

int64_t NanosOf(int64_t sample) {
    return std::llround(double(sample) * 1e9 / Rate);
}

} // namespace

TEST(LatencyClock, RegularPeriodsPlayEachMessageOnePeriodAfterItWasSent) {
    TLatencyClock clock(Rate);
    clock.Configure(220, 441);
    for (int64_t first = 0; first < 220 * 50; first += 220)
        clock.Period(NanosOf(first) + 5'000'000'000, first, 220);
    EXPECT_EQ(clock.DelayFrames(), 220);
    // The time base is the senders' clock: the first period began at 5 s on it.
    for (int64_t sample : {11000, 11001, 11219})
        EXPECT_EQ(clock.Due(NanosOf(sample) + 5'000'000'000), sample + 220) << sample;
}

TEST(LatencyClock, WakeUpJitterIsSmoothedAndNoMessageArrivesLate) {
    // The renderer wakes up to 1.5 ms early or late; a message sent any time after a
    // period began is picked up by the next period and must still be due in it or
    // later, and the delay stays within the buffer.
    constexpr int Period = 256;
    TLatencyClock clock(Rate);
    clock.Configure(Period, 4 * Period);
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> jitter(-1'500'000, 1'500'000);
    std::uniform_real_distribution<double> within(0, 1);
    int64_t previousWake = 0;
    int late = 0;
    for (int64_t k = 0; k < 2000; ++k) {
        const int64_t first = k * Period;
        const int64_t wake = NanosOf(first) + jitter(random);
        clock.Period(wake, first, Period);
        if (k > 200) {
            // A message sent between the previous wake-up and this one.
            const int64_t sent =
                previousWake + int64_t(within(random) * double(wake - previousWake));
            if (clock.Due(sent) < first) ++late;
        }
        previousWake = wake;
    }
    EXPECT_EQ(late, 0);
    EXPECT_GT(clock.DelayFrames(), Period) << "the jitter is allowed for";
    EXPECT_LE(clock.DelayFrames(), 4 * Period);
    // The line follows the periods, not each wake-up: within a tenth of the jitter.
    EXPECT_NEAR(double(clock.SampleAt(NanosOf(2000 * Period))), 2000.0 * Period, 7);
}

TEST(LatencyClock, TheDelayNeverExceedsTheBufferAndAStallStartsTheLineAfresh) {
    TLatencyClock clock(Rate);
    clock.Configure(441, 300);
    clock.Period(0, 0, 441);
    EXPECT_EQ(clock.DelayFrames(), 300) << "capped by the buffer";
    clock.Configure(441, 882);
    clock.Period(NanosOf(441), 441, 441);
    EXPECT_EQ(clock.Due(NanosOf(500)), 941);
    // The stream stalled for a second: sample 882 is rendered at 1.01 s.
    clock.Period(1'010'000'000, 882, 441);
    EXPECT_EQ(clock.SampleAt(1'010'000'000), 882);
    EXPECT_EQ(clock.DelayFrames(), 441);
}

TEST(LatencyClock, CatchingUpAfterAStallDoesNotHoldTheNotesBack) {
    // 512-frame periods in a 100 ms buffer; the renderer is held up for 40 ms (short
    // of a restart), then renders eight periods back to back, as a driver refilling a
    // deep buffer does.
    constexpr int Period = 512;
    TLatencyClock clock(Rate);
    clock.Configure(Period, 4410);
    int64_t first = 0;
    for (; first < 100 * Period; first += Period)
        clock.Period(NanosOf(first), first, Period);
    EXPECT_EQ(clock.DelayFrames(), Period);
    const int64_t stalled = NanosOf(first) + 40'000'000;
    for (int i = 0; i < 8; ++i, first += Period)
        clock.Period(stalled + i * 100'000, first, Period);
    EXPECT_LE(clock.DelayFrames(), 2 * Period) << "at most a period of lead is counted";
    for (int i = 0; i < 50; ++i, first += Period)
        clock.Period(NanosOf(first), first, Period);
    EXPECT_LE(clock.DelayFrames(), 2 * Period);
}

TEST(TimedMessageQueue, KeepsOrderAndRefusesWhenFull) {
    TTimedMessageQueue<4> queue;
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Front(), nullptr);
    for (uint8_t i = 0; i < 4; ++i)
        EXPECT_TRUE(queue.Push({i, 0x90, i, 100}));
    EXPECT_FALSE(queue.Push({9, 0x90, 9, 100})) << "full";
    ASSERT_NE(queue.Front(), nullptr);
    EXPECT_EQ(queue.Front()->Data1, 0);
    queue.Pop();
    EXPECT_TRUE(queue.Push({4, 0x80, 4, 64}));
    for (uint8_t i = 1; i <= 4; ++i) {
        ASSERT_NE(queue.Front(), nullptr);
        EXPECT_EQ(queue.Front()->Data1, i);
        queue.Pop();
    }
    EXPECT_TRUE(queue.Empty());
}

TEST(TimedMessageQueue, ARendererTakesWhatASenderPushesInOrder) {
    // Run under the thread sanitizer too: the two sides share no lock.
    TTimedMessageQueue<64> queue;
    constexpr int Count = 20000;
    std::thread sender([&] {
        for (int i = 0; i < Count; ++i) {
            TTimedMessage m{i, 0x90, static_cast<uint8_t>(i & 0x7F), 1, i, 0, 0};
            while (!queue.Push(m))
                std::this_thread::yield();
        }
    });
    int next = 0, outOfOrder = 0;
    while (next < Count) {
        const TTimedMessage* m = queue.Front();
        if (!m) {
            std::this_thread::yield();
            continue;
        }
        if (m->Sent != next || m->SoundFont != next) ++outOfOrder;
        queue.Pop();
        ++next;
    }
    sender.join();
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_TRUE(queue.Empty());
}
