// FluidSynth opens sound fonts by name through loader callbacks. Images are published
// under names "talvimorena-memory:<n>" that the callbacks resolve here.
#include "sound/platform/fluid/MemoryImages.h"

#include "base/ThreadSafety.h"
#include "voiceset/convert/RuntimeSoundFont.h"

#include <fluidsynth.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace {

class TBytesImage final : public TImageBytes {
public:
    explicit TBytesImage(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : Bytes(std::move(bytes)) {}
    uint64_t Size() const override { return Bytes->size(); }
    bool Read(uint64_t offset, std::span<uint8_t> out) const override {
        if (offset > Bytes->size() || out.size() > Bytes->size() - offset) return false;
        std::memcpy(out.data(), Bytes->data() + offset, out.size());
        return true;
    }

private:
    std::shared_ptr<const std::vector<uint8_t>> Bytes;
};

class TInPlaceImage final : public TImageBytes {
public:
    explicit TInPlaceImage(std::shared_ptr<const TRuntimeSoundFont> image)
        : Image(std::move(image)) {}
    uint64_t Size() const override { return Image->Size(); }
    bool Read(uint64_t offset, std::span<uint8_t> out) const override {
        return Image->Read(offset, out);
    }

private:
    std::shared_ptr<const TRuntimeSoundFont> Image;
};

using TImage = std::shared_ptr<const TImageBytes>;

class TMemoryImages {
public:
    static TMemoryImages& Instance() {
        static TMemoryImages images;
        return images;
    }
    std::string Publish(TImage image) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        const std::string name = Prefix + std::to_string(++Last);
        Images[name] = std::move(image);
        return name;
    }
    void Withdraw(const std::string& name) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        Images.erase(name);
    }
    TImage Find(const char* name) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        auto it = Images.find(name ? name : "");
        return it == Images.end() ? nullptr : it->second;
    }
    static constexpr const char* Prefix = "talvimorena-memory:";

private:
    TMutex Mutex; // wrappers on several threads may load sets at once
    unsigned Last GUARDED_BY(Mutex) = 0;
    std::map<std::string, TImage> Images GUARDED_BY(Mutex);
};

struct TMemoryHandle {
    TImage Image;
    fluid_long_long_t Pos = 0;
};

void* MemOpen(const char* filename) {
    TImage image = TMemoryImages::Instance().Find(filename);
    if (!image) return nullptr; // not ours: FluidSynth's own file loader takes it
    return new TMemoryHandle{std::move(image), 0};
}

// FluidSynth reads a set's samples in one piece into a buffer it has just allocated,
// 140 MB for the built-in set: its pages are asked to be huge ones, so that filling it
// costs a few dozen page faults instead of tens of thousands.
void PreferHugePages(void* buf, size_t count) {
    constexpr uintptr_t Huge = uintptr_t{2} << 20;
    if (count < 4 * Huge) return;
    const auto from = (reinterpret_cast<uintptr_t>(buf) + Huge - 1) & ~(Huge - 1);
    const auto to = (reinterpret_cast<uintptr_t>(buf) + count) & ~(Huge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

int MemRead(void* buf, fluid_long_long_t count, void* handle) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image->Size());
    if (count < 0 || h->Pos > size - count) return FLUID_FAILED;
    PreferHugePages(buf, static_cast<size_t>(count));
    if (!h->Image->Read(static_cast<uint64_t>(h->Pos),
                        {static_cast<uint8_t*>(buf), static_cast<size_t>(count)}))
        return FLUID_FAILED;
    h->Pos += count;
    return FLUID_OK;
}

int MemSeek(void* handle, fluid_long_long_t offset, int origin) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image->Size());
    fluid_long_long_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? h->Pos : size;
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
    const fluid_long_long_t pos = base + offset;
    if (pos < 0 || pos > size) return FLUID_FAILED;
    h->Pos = pos;
    return FLUID_OK;
}

fluid_long_long_t MemTell(void* handle) {
    return static_cast<TMemoryHandle*>(handle)->Pos;
}

int MemClose(void* handle) {
    delete static_cast<TMemoryHandle*>(handle);
    return FLUID_OK;
}

} // namespace

std::shared_ptr<const TImageBytes>
ImageInMemory(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    return std::make_shared<TBytesImage>(std::move(bytes));
}

std::shared_ptr<const TImageBytes> ImageInPlace(std::shared_ptr<const TRuntimeSoundFont> image) {
    return std::make_shared<TInPlaceImage>(std::move(image));
}

void AddMemoryLoader(fluid_settings_t* settings, fluid_synth_t* synth) {
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (!loader) return;
    fluid_sfloader_set_callbacks(loader, MemOpen, MemRead, MemSeek, MemTell, MemClose);
    fluid_synth_add_sfloader(synth, loader);
}

int LoadImage(fluid_synth_t* synth, std::shared_ptr<const TImageBytes> image) {
    const std::string name = TMemoryImages::Instance().Publish(std::move(image));
    const int id = fluid_synth_sfload(synth, name.c_str(), 1);
    TMemoryImages::Instance().Withdraw(name);
    return id;
}
