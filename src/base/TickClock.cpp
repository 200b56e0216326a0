// The monotonic millisecond tick counter.
#include "base/ITickClock.h"

#include <chrono>

uint32_t TSystemTickClock::TickCount() const {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

const TSystemTickClock& TSystemTickClock::Instance() {
    static const TSystemTickClock clock;
    return clock;
}
