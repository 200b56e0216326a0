// A tick clock that tests move by hand.
#pragma once

#include "base/ITickClock.h"

#include <atomic>
#include <cstdint>

// Time stands still unless a test moves it; with Step set, every reading moves it on.
class TFakeClock final : public ITickClock {
public:
    uint32_t TickCount() const override { return Now.fetch_add(Step); }
    mutable std::atomic<uint32_t> Now{0};
    uint32_t Step = 0;
};
