// Song files: the memory, the stream and the file reader agree on any bytes, and a
// song that loads writes an image that loads again to the very same bytes and plays
// to its end.
#include "song/SimpleRecorder.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

class TFixedClock final : public ITickClock {
public:
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 0;
};

// The bytes as a file: one file in memory, rewritten for every input.
std::string AsFile(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("fuzz.lyt", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string Image(TSimpleRecorder& rec, const TSongInfoRec& info) {
    std::ostringstream out;
    if (!rec.WriteToStream(&out, info)) std::abort();
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFixedClock clock;
    TSimpleRecorder fromBytes(clock), fromStream(clock);
    TSongInfoRec info{}, streamInfo{};
    const bool ok = fromBytes.LoadFromBytes({data, size}, info);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (fromStream.LoadFromStream(&in, streamInfo) != ok ||
        fromStream.LastResult().Error != fromBytes.LastResult().Error ||
        fromStream.EventCount() != fromBytes.EventCount())
        std::abort();
    TSimpleRecorder fromFile(clock);
    TSongInfoRec fileInfo{};
    if (fromFile.LoadFromFile(AsFile(data, size), fileInfo) != ok ||
        fromFile.LastResult().Error != fromBytes.LastResult().Error ||
        fromFile.EventCount() != fromBytes.EventCount())
        std::abort();
    if (!ok) return 0;

    size_t tables = 0, playable = 0;
    fromBytes.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet* table) {
        if ((table != nullptr) != (e.Kind == evKeyTable)) std::abort();
        tables += table != nullptr;
        playable += e.Skip == 0;
        (void)SongEventKindName(e.Kind);
    });
    const std::string first = Image(fromBytes, info);
    if (first.size() != sizeof(TSongHeader) + fromBytes.EventCount() * sizeof(TSongEvent) +
                            tables * sizeof(TKeyDefSet))
        std::abort();

    TSimpleRecorder again(clock);
    TSongInfoRec againInfo{};
    if (!again.LoadFromBytes({reinterpret_cast<const uint8_t*>(first.data()), first.size()},
                             againInfo) ||
        again.Header().Version != SongFileVersion || Image(again, againInfo) != first)
        std::abort();

    // Everything that is not skipped is due once the clock has run as far as it goes.
    size_t played = 0, ends = 0;
    fromBytes.SetOnPlayEvent([&](uint8_t, int32_t, const TKeyDefSet*) { ++played; });
    fromBytes.SetOnPlayEnd([&] { ++ends; });
    fromBytes.SetPlaying(true);
    if (fromBytes.IsPlaying() == fromBytes.IsEmpty()) std::abort();
    clock.Now = UINT32_MAX;
    fromBytes.PlaybackTick();
    if (fromBytes.IsPlaying() && (played != playable || ends != 1)) std::abort();
    return 0;
}
