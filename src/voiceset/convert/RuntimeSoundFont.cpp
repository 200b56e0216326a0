// Reading the run-time image: the head and tail from memory, the sample data run by
// run from the source.
#include "voiceset/convert/RuntimeSoundFont.h"

#include "voiceset/sf2/Sf2Bank.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint64_t GuardBytes = Sf2GuardPoints * 2;

uint64_t RunBytes(const TRuntimeSampleRun& run) {
    return uint64_t{run.Frames} * 2 + GuardBytes;
}

} // namespace

bool TSpanWaveBytes::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > Bytes.size() || out.size() > Bytes.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), Bytes.data() + offset, out.size());
    return true;
}

TRuntimeSoundFont::TRuntimeSoundFont(std::vector<uint8_t> head, std::vector<TRuntimeSampleRun> runs,
                                     std::vector<uint8_t> tail,
                                     std::shared_ptr<const IWaveBytes> source)
    : Head(std::move(head)), Tail(std::move(tail)), Runs(std::move(runs)),
      Source(std::move(source)) {
    RunStart.reserve(Runs.size());
    for (const TRuntimeSampleRun& run : Runs) {
        RunStart.push_back(SampleBytes);
        SampleBytes += RunBytes(run);
    }
}

bool TRuntimeSoundFont::Read(uint64_t offset, std::span<uint8_t> out) const {
    const uint64_t size = Size();
    if (offset > size || out.size() > size - offset) return false;
    const uint64_t samplesEnd = Head.size() + SampleBytes;
    size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = offset + done;
        const std::span<uint8_t> rest = out.subspan(done);
        size_t n;
        if (at < Head.size()) {
            n = static_cast<size_t>(std::min<uint64_t>(rest.size(), Head.size() - at));
            std::memcpy(rest.data(), Head.data() + at, n);
        } else if (at < samplesEnd) {
            n = ReadSamples(at - Head.size(), rest);
            if (n == 0) return false;
        } else {
            n = rest.size(); // the range check above keeps it within the tail
            std::memcpy(rest.data(), Tail.data() + (at - samplesEnd), n);
        }
        done += n;
    }
    return true;
}

size_t TRuntimeSoundFont::ReadSamples(uint64_t pos, std::span<uint8_t> out) const {
    const size_t i = static_cast<size_t>(std::upper_bound(RunStart.begin(), RunStart.end(), pos) -
                                         RunStart.begin() - 1);
    const TRuntimeSampleRun& run = Runs[i];
    const uint64_t inRun = pos - RunStart[i];
    const uint64_t pointBytes = uint64_t{run.Frames} * 2;
    if (inRun >= pointBytes) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(out.size(), RunBytes(run) - inRun));
        std::memset(out.data(), 0, n);
        return n;
    }
    const auto n = static_cast<size_t>(std::min<uint64_t>(out.size(), pointBytes - inRun));
    return Source && ReadPoints(run, inRun, out.first(n)) ? n : 0;
}

bool TRuntimeSoundFont::ReadPoints(const TRuntimeSampleRun& run, uint64_t byteInRun,
                                   std::span<uint8_t> out) const {
    if (run.Channels == 1 && run.Bits == 16)
        return Source->ReadAt(run.SourceOffset + byteInRun, out);
    // Other layouts are converted a block of frames at a time.
    constexpr size_t BlockFrames = 8192;
    const size_t frameBytes = size_t{run.Channels} * (run.Bits / 8);
    if (frameBytes == 0 || run.Channel >= run.Channels) return false;
    std::vector<uint8_t> raw(BlockFrames * frameBytes);
    std::array<int16_t, BlockFrames> points;
    size_t done = 0;
    uint64_t pos = byteInRun;
    while (done < out.size()) {
        const uint64_t frame = pos / 2;
        const auto count =
            static_cast<size_t>(std::min<uint64_t>(BlockFrames, uint64_t{run.Frames} - frame));
        if (!Source->ReadAt(run.SourceOffset + frame * frameBytes,
                            std::span(raw).first(count * frameBytes)))
            return false;
        for (size_t f = 0; f < count; ++f) {
            const uint8_t* p = raw.data() + f * frameBytes + run.Channel * (run.Bits / 8);
            if (run.Bits == 16)
                std::memcpy(&points[f], p, 2);
            else
                points[f] = static_cast<int16_t>((int(*p) - 128) * 256);
        }
        const auto skip = static_cast<size_t>(pos - frame * 2);
        const size_t n = std::min(out.size() - done, count * 2 - skip);
        std::memcpy(out.data() + done, reinterpret_cast<const uint8_t*>(points.data()) + skip, n);
        done += n;
        pos += n;
    }
    return true;
}
