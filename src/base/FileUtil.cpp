// POSIX implementation of the model layer's file helpers.
#include "base/FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    const std::string p = path.empty() ? "." : path;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExtractFileDir(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string LowerFileExt(const std::string& path) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

TReadResult ReadFilePrefix(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                           bool failIfLarger) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? TReadResult::Missing : TReadResult::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TReadResult::Unreadable;
    }
    if (failIfLarger && static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return TReadResult::TooLarge;
    }
    // The file system's size is only a hint (the file may change under us): room for
    // it is reserved, but the data grows with what is really read.
    out.reserve(
        static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), maxBytes)));
    const size_t chunk = 1024 * 1024;
    while (out.size() < maxBytes) {
        size_t want = std::min(chunk, maxBytes - out.size());
        size_t old = out.size();
        out.resize(old + want);
        ssize_t n = ::read(fd, out.data() + old, want);
        if (n < 0) {
            if (errno == EINTR) {
                out.resize(old);
                continue;
            }
            ::close(fd);
            out.clear();
            return TReadResult::Unreadable;
        }
        out.resize(old + static_cast<size_t>(n));
        if (n == 0) break;
    }
    if (failIfLarger && out.size() == maxBytes) {
        char extra;
        if (::read(fd, &extra, 1) == 1) {
            ::close(fd);
            out.clear();
            return TReadResult::TooLarge;
        }
    }
    ::close(fd);
    return TReadResult::Ok;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    if (path.empty() || path.back() == '/') return false;
    std::string dir = ExtractFileDir(path);
    std::string tmpl = (dir.empty() ? std::string(".") : dir) + "/.tvm-save-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    bool ok = true;
    struct stat old {};
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) ok = false; // never replace a folder or a device
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (ok) ok = ::fchmod(fd, mode) == 0;
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = size;
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(name.data(), path.c_str()) == 0;
    if (!ok) ::unlink(name.data());
    return ok;
}

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string exe(buf, static_cast<size_t>(n));
    std::string dir = ExtractFileDir(exe);
    return dir == "/" ? dir : dir + "/";
}

std::string UserConfigFolder() {
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/talvimorena/";
}

namespace {
bool Writable(const std::string& folder) {
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

// mkdir -p, the new folders private to the user.
void MakeFolders(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
}
} // namespace

std::string OwnFilesFolder(const std::string& programFolder) {
    if (Writable(programFolder)) return programFolder;
    const std::string user = UserConfigFolder();
    MakeFolders(user);
    return user;
}

std::string OwnFileToRead(const std::string& programFolder, const std::string& name) {
    if (!Writable(programFolder)) {
        const std::string user = UserConfigFolder() + name;
        if (FileExists(user)) return user;
    }
    return programFolder + name;
}
