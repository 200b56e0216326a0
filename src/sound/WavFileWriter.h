// A stereo 16-bit PCM WAV file written as audio comes in. The frames go to a
// temporary file in the target's folder; Commit completes the header, flushes the
// file to disk and renames it over the target, so that a run that fails or is
// interrupted never leaves a half-written file in the target's place.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TWavFileWriter {
public:
    // The RIFF size fields are 32 bits: the most frames a file can hold.
    static constexpr uint64_t MaxFrames = (uint64_t{0xFFFFFFFF} - 36) / 4;

    TWavFileWriter(std::string path, uint32_t sampleRate);
    // Without a Commit the temporary file is removed and the target stays as it was.
    ~TWavFileWriter();
    TWavFileWriter(const TWavFileWriter&) = delete;
    TWavFileWriter& operator=(const TWavFileWriter&) = delete;

    // Creates the temporary file; false with the reason in words.
    bool Open(std::string& reason);
    // Appends frames (both spans of one length), samples -1..1 scaled to 16 bits;
    // louder samples are clipped and counted. False once writing has failed, or when
    // the file would outgrow MaxFrames.
    bool Write(std::span<const float> left, std::span<const float> right);
    bool Commit(std::string& reason);

    // Why the last Write failed.
    const std::string& Error() const { return FailReason; }
    uint64_t Frames() const { return FrameCount; }
    uint64_t ClippedSamples() const { return Clipped; }

private:
    bool WriteAll(const void* data, size_t size);
    void Abandon();

    std::string Path;
    std::string TempPath;
    uint32_t SampleRate;
    int Fd = -1;
    bool Failed = false;
    std::string FailReason;
    uint64_t FrameCount = 0;
    uint64_t Clipped = 0;
    std::vector<uint8_t> Buffer;
};
