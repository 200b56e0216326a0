// Reading a large file without copying it onto the heap: a file opened for reads at
// any position, and a read-only mapping of a whole file. The voice sets are read this
// way, so that their sample data goes from the page cache straight to where it is
// played instead of through copies of our own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

enum class TFileOpenResult { Ok, Missing, Unreadable, TooLarge, Empty };

// A regular file open for reading; closed with the object.
class TReadOnlyFile {
public:
    TReadOnlyFile() = default;
    ~TReadOnlyFile();
    TReadOnlyFile(TReadOnlyFile&& other) noexcept;
    TReadOnlyFile& operator=(TReadOnlyFile&& other) noexcept;
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // Opens `path` (closing what was open): Missing when there is no such file,
    // Unreadable when it cannot be opened or is no regular file.
    TFileOpenResult Open(const std::string& path);
    bool IsOpen() const { return Fd >= 0; }
    int Descriptor() const { return Fd; }
    uint64_t Size() const { return FileSize; } // as it was when opened

    // Fills `out` with the bytes from `offset` on; false on an error or when the file
    // ends first. Safe from several threads at once (the file position is not used).
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const;

private:
    int Fd = -1;
    uint64_t FileSize = 0;
};

// The bytes of a whole file, mapped read-only and private; unmapped with the object.
// Pages are read in as they are touched, so what is never looked at is never read.
class TMappedFile {
public:
    TMappedFile() = default;
    ~TMappedFile() { Unmap(); }
    TMappedFile(TMappedFile&& other) noexcept;
    TMappedFile& operator=(TMappedFile&& other) noexcept;
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    // Maps the open file (which may be closed afterwards; the mapping stays). Refused:
    // a file that is not open (Unreadable), an empty one (Empty), one longer than
    // maxBytes (TooLarge), a mapping the system refuses (Unreadable).
    TFileOpenResult Map(const TReadOnlyFile& file, size_t maxBytes);
    // Opens and maps `path`.
    TFileOpenResult Map(const std::string& path, size_t maxBytes);
    void Unmap();

    std::span<const uint8_t> Bytes() const { return {Data, Length}; }

private:
    const uint8_t* Data = nullptr;
    size_t Length = 0;
};
