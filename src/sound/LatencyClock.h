// The synthesiser's latency clock: messages are stamped when they are sent and play
// one fixed delay later on the renderer's sample clock. The queue carries them from
// the threads that send (keys, tempo clock) to the one thread that renders; the clock
// maps a send time to the sample at which the message sounds.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// One message on its way to the renderer. Program selections are resolved by the
// sender: Status 0xC0..0xCF carries the set, bank and program to select.
struct TTimedMessage {
    int64_t Sent = 0; // nanoseconds on the sender's clock, or a sample for sample stamps
    uint8_t Status = 0;
    uint8_t Data1 = 0;
    uint8_t Data2 = 0;
    int SoundFont = -1;
    int Bank = 0;
    int Program = 0;
};

// A bounded first-in first-out queue for one sending side and one rendering side.
// The senders take turns under their own lock; the renderer takes none, and neither
// side ever waits for the other.
template <size_t Capacity> class TTimedMessageQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    // False when the queue is full (the message is not taken).
    bool Push(const TTimedMessage& message) {
        const size_t tail = Tail.load(std::memory_order_relaxed);
        if (tail - Head.load(std::memory_order_acquire) == Capacity) return false;
        Slots[tail & (Capacity - 1)] = message;
        Tail.store(tail + 1, std::memory_order_release);
        return true;
    }
    // The oldest message, or null when the queue is empty; renderer side.
    const TTimedMessage* Front() const {
        const size_t head = Head.load(std::memory_order_relaxed);
        if (head == Tail.load(std::memory_order_acquire)) return nullptr;
        return &Slots[head & (Capacity - 1)];
    }
    // Lets go of the message Front gave; renderer side.
    void Pop() { Head.store(Head.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
    bool Empty() const {
        return Head.load(std::memory_order_acquire) == Tail.load(std::memory_order_acquire);
    }

private:
    std::array<TTimedMessage, Capacity> Slots{};
    alignas(64) std::atomic<size_t> Head{0}; // next to read
    alignas(64) std::atomic<size_t> Tail{0}; // next to write
};

// Maps the sender's clock to the renderer's sample clock. The renderer reports each
// period it starts (the time and the first sample); a smoothed line through those
// reports is the sample clock, so that the jitter of the renderer's wake-ups does not
// reach the notes. A message sent at time t plays at sample(t) + delay, the delay
// being one period plus how far the renderer has been seen running ahead of the line,
// never more than the buffer it is given.
class TLatencyClock {
public:
    explicit TLatencyClock(int sampleRate) : Rate(sampleRate) {}

    // The driver's period and the most the delay may be, in frames.
    void Configure(int periodFrames, int maxDelayFrames);
    // The renderer starts a period of `frames` frames at sample `first`, at time `now`.
    void Period(int64_t now, int64_t first, int frames);
    // The sample at which a message sent at `sent` plays.
    int64_t Due(int64_t sent) const;
    // The sample clock at `time` (the smoothed line).
    int64_t SampleAt(int64_t time) const;
    // The delay now in force, in frames.
    int DelayFrames() const;
    // Forget the line (the stream was restarted); the next period starts it afresh.
    void Reset() { Locked = false; }

private:
    const int Rate;
    int PeriodFrames = 64;
    int MaxDelayFrames = 1 << 30;
    int LastFrames = 0; // the renderer's last period, when longer than the driver's
    bool Locked = false;
    double AnchorTime = 0; // nanoseconds of AnchorSample on the line
    int64_t AnchorSample = 0;
    double LeadPeak = 0; // frames the renderer ran ahead of the line, decaying
};
