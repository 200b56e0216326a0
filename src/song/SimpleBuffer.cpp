// The song event list.
#include "song/SimpleBuffer.h"

#include <stdexcept>

void TSimpleBuffer::Add(const TSongEvent& event, std::unique_ptr<TKeyDefSet> keyTable) {
    if ((event.Kind == evKeyTable) != (keyTable != nullptr))
        throw std::invalid_argument(event.Kind == evKeyTable
                                        ? "a key-table event needs its key table"
                                        : "only a key-table event carries a key table");
    Entries.push_back({event, std::move(keyTable)});
}

void TSimpleBuffer::Clear() {
    std::vector<TSongEventEntry>().swap(Entries);
}
