// The event list of a song: events in recording order, each key-table event
// with its own copy of the key definitions.
#pragma once

#include "song/SongRecords.h"

#include <cstddef>
#include <memory>
#include <vector>

struct TSongEventEntry {
    TSongEvent Event;
    std::unique_ptr<TKeyDefSet> KeyTable; // set exactly when Event.Kind == evKeyTable
};

class TSimpleBuffer {
public:
    // Appends an event. A key-table event must come with its table and no other
    // event may carry one (std::invalid_argument otherwise): the file writer puts
    // the image right after the event, so the two must never part.
    void Add(const TSongEvent& event, std::unique_ptr<TKeyDefSet> keyTable = nullptr);

    // Room for `count` events; for a count read from a file, only as many as the
    // file's bytes can hold.
    void Reserve(size_t count) { Entries.reserve(count); }
    size_t Count() const { return Entries.size(); }
    bool IsEmpty() const { return Entries.empty(); }
    // Frees every event and every key table they own.
    void Clear();

    const TSongEventEntry& operator[](size_t index) const { return Entries[index]; }
    auto begin() const { return Entries.begin(); }
    auto end() const { return Entries.end(); }

private:
    std::vector<TSongEventEntry> Entries;
};
