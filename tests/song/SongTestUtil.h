// Helpers of the song tests: a hand-driven tick clock and plain views of events.
#pragma once

#include "fakes/FakeTickClock.h"
#include "song/SimpleRecorder.h"

#include <atomic>
#include <cstring>
#include <tuple>
#include <vector>

// time, skip, kind, value: comparable and printable, unlike the packed record.
using TEventFields = std::tuple<uint32_t, int32_t, int, int32_t>;

// Unary + copies each packed (unaligned) field before the tuple binds to it.
inline TEventFields Fields(const TSongEvent& e) {
    return {+e.Time, +e.Skip, +e.Kind, +e.Value};
}

inline std::vector<TEventFields> EventsOf(const TSimpleRecorder& rec) {
    std::vector<TEventFields> out;
    rec.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) { out.push_back(Fields(e)); });
    return out;
}

inline int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
    int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

inline void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}
