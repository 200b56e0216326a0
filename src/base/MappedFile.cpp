// Positional reads and mappings over POSIX file descriptors.
#include "base/MappedFile.h"

#include <cerrno>
#include <cstdint>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TReadOnlyFile::~TReadOnlyFile() {
    if (Fd >= 0) ::close(Fd);
}

TReadOnlyFile::TReadOnlyFile(TReadOnlyFile&& other) noexcept
    : Fd(std::exchange(other.Fd, -1)), FileSize(std::exchange(other.FileSize, 0)) {}

TReadOnlyFile& TReadOnlyFile::operator=(TReadOnlyFile&& other) noexcept {
    if (this != &other) {
        if (Fd >= 0) ::close(Fd);
        Fd = std::exchange(other.Fd, -1);
        FileSize = std::exchange(other.FileSize, 0);
    }
    return *this;
}

TFileOpenResult TReadOnlyFile::Open(const std::string& path) {
    *this = TReadOnlyFile();
    // Without blocking (a named pipe would wait for a writer); regular files only.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? TFileOpenResult::Missing : TFileOpenResult::Unreadable;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TFileOpenResult::Unreadable;
    }
    Fd = fd;
    FileSize = static_cast<uint64_t>(st.st_size);
    return TFileOpenResult::Ok;
}

bool TReadOnlyFile::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
    if (Fd < 0) return false;
    size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = offset + done;
        if (at < offset || at > uint64_t(INT64_MAX)) return false;
        const ssize_t n = ::pread(Fd, out.data() + done, out.size() - done, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

TMappedFile::TMappedFile(TMappedFile&& other) noexcept
    : Data(std::exchange(other.Data, nullptr)), Length(std::exchange(other.Length, 0)) {}

TMappedFile& TMappedFile::operator=(TMappedFile&& other) noexcept {
    if (this != &other) {
        Unmap();
        Data = std::exchange(other.Data, nullptr);
        Length = std::exchange(other.Length, 0);
    }
    return *this;
}

TFileOpenResult TMappedFile::Map(const TReadOnlyFile& file, size_t maxBytes) {
    Unmap();
    if (!file.IsOpen()) return TFileOpenResult::Unreadable;
    if (file.Size() == 0) return TFileOpenResult::Empty;
    if (file.Size() > maxBytes) return TFileOpenResult::TooLarge;
    const auto length = static_cast<size_t>(file.Size());
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, file.Descriptor(), 0);
    if (p == MAP_FAILED) return TFileOpenResult::Unreadable;
    // Only the parts a reader looks at should be brought in, not their neighbours.
    ::madvise(p, length, MADV_RANDOM);
    Data = static_cast<const uint8_t*>(p);
    Length = length;
    return TFileOpenResult::Ok;
}

TFileOpenResult TMappedFile::Map(const std::string& path, size_t maxBytes) {
    TReadOnlyFile file;
    if (const TFileOpenResult opened = file.Open(path); opened != TFileOpenResult::Ok) {
        Unmap();
        return opened;
    }
    return Map(file, maxBytes);
}

void TMappedFile::Unmap() {
    if (Data) ::munmap(const_cast<uint8_t*>(Data), Length);
    Data = nullptr;
    Length = 0;
}
