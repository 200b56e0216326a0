// The memory files the synthesiser reads: a voice set reaches it as a SoundFont image
// published under a name of its own for the time of the load, never as a file on disk.
#pragma once

#include "sound/platform/fluid/FluidTypes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class TRuntimeSoundFont;

// The bytes of one image, read where the synthesiser asks; any thread may read.
class TImageBytes {
public:
    virtual ~TImageBytes() = default;
    virtual uint64_t Size() const = 0;
    // False when [offset, offset + out.size()) is not all inside the image.
    virtual bool Read(uint64_t offset, std::span<uint8_t> out) const = 0;
};

// An image held whole in memory.
std::shared_ptr<const TImageBytes> ImageInMemory(std::shared_ptr<const std::vector<uint8_t>> bytes);
// A run-time image, whose samples are read from the voice set's file as they are asked
// for.
std::shared_ptr<const TImageBytes> ImageInPlace(std::shared_ptr<const TRuntimeSoundFont> image);

// Lets `synth` open published images (once, when it is built).
void AddMemoryLoader(fluid_settings_t* settings, fluid_synth_t* synth);
// Publishes `image`, has `synth` load it and withdraws it again: the id of the loaded
// SoundFont, or -1 when the synthesiser refused it. The synthesiser holds its own lock
// for the whole load.
int LoadImage(fluid_synth_t* synth, std::shared_ptr<const TImageBytes> image);
