// The run-time SoundFont image the synthesiser loads a DLS collection from, held
// without its sample data: the small parts (RIFF headers, INFO, the hydra) are bytes,
// the sample data a list of runs read from the collection's source whenever the image
// is read. The synthesiser keeps the only copy of the samples.
#pragma once

#include "base/MappedFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

// Where the waves' data places (TDlsWave::DataInPlace) point into: the collection's
// file or its bytes in memory.
class IWaveBytes {
public:
    virtual ~IWaveBytes() = default;
    // Fills `out` with the bytes from `offset` on; false when the source does not hold
    // them all or cannot be read.
    virtual bool ReadAt(uint64_t offset, std::span<uint8_t> out) const = 0;
};

// Bytes in memory, which must outlive the object.
class TSpanWaveBytes final : public IWaveBytes {
public:
    explicit TSpanWaveBytes(std::span<const uint8_t> bytes) : Bytes(bytes) {}
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override;

private:
    std::span<const uint8_t> Bytes;
};

// A file, read at positions: the bytes go from the page cache to the reader's buffer
// without being mapped into the program.
class TFileWaveBytes final : public IWaveBytes {
public:
    explicit TFileWaveBytes(TReadOnlyFile file) : File(std::move(file)) {}
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        return File.ReadAt(offset, out);
    }

private:
    TReadOnlyFile File;
};

// One sample of the image's 'smpl' data: the points of one channel of a wave as the
// source holds it, as 16-bit signed points, then the SoundFont's guard points (zeros).
struct TRuntimeSampleRun {
    uint64_t SourceOffset = 0; // the wave's first frame in the source
    uint32_t Frames = 0;
    uint8_t Channels = 1; // frames interleaved in the source: 1 or 2
    uint8_t Channel = 0;  // the one this sample plays, below Channels
    uint8_t Bits = 16;    // in the source: 16 (signed) or 8 (unsigned, (v - 128) << 8)
};

class TRuntimeSoundFont {
public:
    TRuntimeSoundFont() = default;
    // The image is `head`, the runs one after the other (each with its guard points),
    // then `tail`: `head` ends with the header of the 'smpl' chunk, and its sizes
    // already count the runs.
    TRuntimeSoundFont(std::vector<uint8_t> head, std::vector<TRuntimeSampleRun> runs,
                      std::vector<uint8_t> tail, std::shared_ptr<const IWaveBytes> source);

    // Bytes of the whole image.
    uint64_t Size() const { return Head.size() + SampleBytes + Tail.size(); }
    // Fills `out` with the image's bytes from `offset` on: any range, in one piece or
    // many. False when the range runs past the image or the source fails. A run of
    // 16-bit mono points is read from the source straight into `out`; others go
    // through a small buffer.
    bool Read(uint64_t offset, std::span<uint8_t> out) const;

private:
    // Bytes from `pos` of the sample data, within one run (points or guard), into
    // `out`; how many, or 0 on a failure of the source.
    size_t ReadSamples(uint64_t pos, std::span<uint8_t> out) const;
    bool ReadPoints(const TRuntimeSampleRun& run, uint64_t byteInRun, std::span<uint8_t> out) const;

    std::vector<uint8_t> Head, Tail;
    std::vector<TRuntimeSampleRun> Runs;
    std::vector<uint64_t> RunStart; // each run's first byte in the sample data
    uint64_t SampleBytes = 0;
    std::shared_ptr<const IWaveBytes> Source;
};
