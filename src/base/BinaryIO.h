// Bounds-checked little-endian reading and writing of the program's file records.
// Every stored record goes through TByteReader / TByteWriter; a read past the end
// never touches memory outside the buffer, it only clears the reader's ok flag.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "file records are copied as little-endian images");

class TByteReader {
public:
    TByteReader() = default;
    explicit TByteReader(std::span<const uint8_t> data) : Data(data) {}

    size_t Position() const { return Pos; }
    size_t Size() const { return Data.size(); }
    size_t Remaining() const { return Data.size() - Pos; }
    bool Ok() const { return Good; }

    // Copies n bytes to dst; on a short read copies nothing, fails and leaves the
    // position at the end of the data.
    bool ReadBytes(void* dst, size_t n) {
        if (!Good || n > Remaining()) {
            Good = false;
            Pos = Data.size();
            return false;
        }
        if (n) std::memcpy(dst, Data.data() + Pos, n);
        Pos += n;
        return true;
    }

    // Copies a whole trivially copyable record image (packed structs of the file layouts).
    template <typename T> bool ReadRecord(T& rec) {
        static_assert(std::is_trivially_copyable_v<T>);
        return ReadBytes(&rec, sizeof(T));
    }

    uint8_t ReadU8() { return ReadValue<uint8_t>(); }
    int32_t ReadI32() { return ReadValue<int32_t>(); }
    uint32_t ReadU32() { return ReadValue<uint32_t>(); }

    bool Skip(size_t n) {
        if (!Good || n > Remaining()) {
            Good = false;
            Pos = Data.size();
            return false;
        }
        Pos += n;
        return true;
    }

private:
    template <typename T> T ReadValue() {
        T v{};
        ReadBytes(&v, sizeof(T));
        return v;
    }

    std::span<const uint8_t> Data;
    size_t Pos = 0;
    bool Good = true;
};

class TByteWriter {
public:
    explicit TByteWriter(std::vector<uint8_t>& out) : Out(out) {}

    void WriteBytes(const void* src, size_t n) {
        const auto* p = static_cast<const uint8_t*>(src);
        Out.insert(Out.end(), p, p + n);
    }
    template <typename T> void WriteRecord(const T& rec) {
        static_assert(std::is_trivially_copyable_v<T>);
        WriteBytes(&rec, sizeof(T));
    }
    void WriteU8(uint8_t v) { WriteBytes(&v, 1); }
    void WriteI32(int32_t v) { WriteBytes(&v, 4); }
    void WriteU32(uint32_t v) { WriteBytes(&v, 4); }
    void WriteZeros(size_t n) { Out.insert(Out.end(), n, uint8_t{0}); }

    size_t Size() const { return Out.size(); }

private:
    std::vector<uint8_t>& Out;
};
