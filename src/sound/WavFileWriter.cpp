// WAV writing: a 44-byte RIFF header (PCM format chunk, data chunk) completed once
// the length is known, then the samples interleaved left, right, little-endian.
#include "sound/WavFileWriter.h"

#include "base/FileUtil.h"
#include "base/TempFiles.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t HeaderSize = 44;
constexpr uint16_t Channels = 2, BitsPerSample = 16;

void PutLE(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int16_t ToPcm(float x, uint64_t& clipped) {
    // NaN would make lrint undefined; silence is the harmless reading of it.
    if (std::isnan(x)) return 0;
    if (x > 1.0f || x < -1.0f) {
        ++clipped;
        x = x > 0 ? 1.0f : -1.0f;
    }
    return static_cast<int16_t>(std::lrint(x * 32767.0f));
}

} // namespace

TWavFileWriter::TWavFileWriter(std::string path, uint32_t sampleRate)
    : Path(std::move(path)), SampleRate(sampleRate) {}

TWavFileWriter::~TWavFileWriter() {
    Abandon();
}

void TWavFileWriter::Abandon() {
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
        ::unlink(TempPath.c_str());
        UnregisterTempFile(TempPath);
    }
}

bool TWavFileWriter::Open(std::string& reason) {
    if (Path.empty() || Path.back() == '/') {
        reason = "names a folder, not a file";
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(Path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        reason = "exists and is not a regular file";
        return false;
    }
    const std::string dir = ExtractFileDir(Path);
    if (!DirectoryExists(dir)) {
        reason = "the folder does not exist";
        return false;
    }
    std::string tmpl = (dir.empty() ? std::string(".") : dir) + "/.tvm-render-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    Fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (Fd < 0) {
        reason = std::string("cannot be written: ") + std::strerror(errno);
        return false;
    }
    TempPath = name.data();
    RegisterTempFile(TempPath); // an interrupted render removes it
    // The file that replaces an old one keeps its permissions; a new one gets the
    // usual ones rather than mkstemp's private 0600.
    mode_t mode;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const uint8_t blank[HeaderSize] = {};
    if (::fchmod(Fd, mode) != 0 || !WriteAll(blank, sizeof blank)) {
        reason = std::string("cannot be written: ") + std::strerror(errno);
        Abandon();
        return false;
    }
    return true;
}

bool TWavFileWriter::WriteAll(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(Fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Failed = true;
            FailReason = std::string("cannot be written: ") + std::strerror(errno);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool TWavFileWriter::Write(std::span<const float> left, std::span<const float> right) {
    if (Fd < 0 || Failed || left.size() != right.size()) return false;
    if (left.size() > MaxFrames - FrameCount) {
        Failed = true;
        FailReason = "the audio is longer than a WAV file holds";
        return false;
    }
    Buffer.resize(left.size() * 4);
    uint8_t* p = Buffer.data();
    for (size_t i = 0; i < left.size(); ++i, p += 4) {
        PutLE(p, static_cast<uint16_t>(ToPcm(left[i], Clipped)), 2);
        PutLE(p + 2, static_cast<uint16_t>(ToPcm(right[i], Clipped)), 2);
    }
    if (!WriteAll(Buffer.data(), Buffer.size())) return false;
    FrameCount += left.size();
    return true;
}

bool TWavFileWriter::Commit(std::string& reason) {
    if (Fd < 0) {
        reason = "was not opened";
        return false;
    }
    if (!Failed) {
        const auto dataBytes = static_cast<uint32_t>(FrameCount * 4);
        uint8_t h[HeaderSize];
        std::memcpy(h, "RIFF", 4);
        PutLE(h + 4, 36 + dataBytes, 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLE(h + 16, 16, 4);
        PutLE(h + 20, 1, 2); // PCM
        PutLE(h + 22, Channels, 2);
        PutLE(h + 24, SampleRate, 4);
        PutLE(h + 28, SampleRate * Channels * BitsPerSample / 8, 4);
        PutLE(h + 32, Channels * BitsPerSample / 8, 2);
        PutLE(h + 34, BitsPerSample, 2);
        std::memcpy(h + 36, "data", 4);
        PutLE(h + 40, dataBytes, 4);
        if (::lseek(Fd, 0, SEEK_SET) != 0) {
            Failed = true;
            FailReason = std::string("cannot be written: ") + std::strerror(errno);
        } else if (WriteAll(h, sizeof h) && ::fsync(Fd) != 0) {
            Failed = true;
            FailReason = std::string("cannot be written: ") + std::strerror(errno);
        }
    }
    if (::close(Fd) != 0 && !Failed) {
        Failed = true;
        FailReason = std::string("cannot be written: ") + std::strerror(errno);
    }
    Fd = -1;
    if (!Failed && ::rename(TempPath.c_str(), Path.c_str()) != 0) {
        Failed = true;
        FailReason = std::string("cannot be written: ") + std::strerror(errno);
    }
    if (Failed) {
        ::unlink(TempPath.c_str());
        UnregisterTempFile(TempPath);
        reason = FailReason;
        return false;
    }
    UnregisterTempFile(TempPath);
    return true;
}
