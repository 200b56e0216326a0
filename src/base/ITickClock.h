// The system's millisecond tick counter, behind an interface so that tests drive time.
#pragma once

#include <cstdint>

class ITickClock {
public:
    virtual ~ITickClock() = default;
    // Milliseconds since an arbitrary start; wraps like a 32-bit tick counter.
    virtual uint32_t TickCount() const = 0;
};

// The real clock: a monotonic millisecond counter.
class TSystemTickClock final : public ITickClock {
public:
    uint32_t TickCount() const override;
    static const TSystemTickClock& Instance();
};
