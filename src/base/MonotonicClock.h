// The monotonic clock in nanoseconds, and a sleep to an absolute deadline on it: what
// the program's timer threads tick by.
#pragma once

#include <cerrno>
#include <cstdint>
#include <ctime>

inline int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// Sleeps until the deadline has passed, however often a signal interrupts.
inline void SleepUntilNs(int64_t deadline) {
    const timespec ts{static_cast<time_t>(deadline / 1000000000),
                      static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}
