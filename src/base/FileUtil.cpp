// POSIX implementation of the model layer's file helpers.
#include "base/FileUtil.h"

#include "base/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
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
    // Without blocking: opening a named pipe would wait for a writer for ever. Only a
    // regular file is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

namespace {
// The file a path names once its symbolic links are followed (the path itself when
// it is none). A link whose target does not exist yet names that target; a chain
// that loops or goes too deep is refused (ELOOP).
bool ResolveLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT;
        if (!S_ISLNK(st.st_mode)) return true;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return false;
        const std::string link(buf, static_cast<size_t>(n));
        if (link[0] == '/') {
            target = link;
        } else {
            const std::string dir = ExtractFileDir(target);
            target = dir.empty() ? link : (dir == "/" ? "/" + link : dir + "/" + link);
        }
    }
    errno = ELOOP;
    return false;
}

// A file that exceeds the size limit fails its write with EFBIG instead of ending
// the process, so that a save breaking off keeps the old file and says so.
void IgnoreFileSizeSignal() {
    static const bool done = [] {
        struct sigaction old {};
        if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL &&
            !(old.sa_flags & SA_SIGINFO)) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGXFSZ, &ignore, nullptr);
        }
        return true;
    }();
    (void)done;
}

bool SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // A file system that cannot sync folders (EINVAL) keeps its renames its own way.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}
} // namespace

bool WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    if (path.empty() || path.back() == '/') return false;
    IgnoreFileSizeSignal();
    // A link is written through: its target gets the new bytes, the link stays.
    std::string target;
    if (!ResolveLinks(path, target)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    mode_t mode;
    if (exists) {
        if (!S_ISREG(old.st_mode)) { // never replace a folder or a device
            errno = EISDIR;
            return false;
        }
        // A read-only file stays as it is, for root too (who may write anything).
        if ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            errno = EACCES;
            return false;
        }
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const std::string dir = ExtractFileDir(target);
    std::string tmpl = (dir.empty() ? std::string(".") : dir) + "/.tvm-save-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    RegisterTempFile(name.data()); // where signals are handled so (the tool), not left behind
    bool ok = true;
    int error = 0;
    const auto fail = [&] {
        if (ok) error = errno;
        ok = false;
    };
    // The owner and group of the old file where the user may give them (root may;
    // anyone may keep a group they belong to); the mode last, as a change of owner
    // clears the set-id bits.
    if (exists && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    if (::fchmod(fd, mode) != 0) fail();
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = size;
    while (ok && left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail();
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) fail();
    if (::close(fd) != 0) fail();
    if (ok && ::rename(name.data(), target.c_str()) != 0) fail();
    if (!ok) ::unlink(name.data());
    UnregisterTempFile(name.data());
    if (!ok) {
        errno = error;
        return false;
    }
    // The rename itself reaches the disk only with its folder.
    if (!SyncFolder(dir)) return false;
    return true;
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
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : nullptr;
        }
        // No home of the user's own: no folder, rather than one others share.
        if (!home) return {};
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

bool IsFolderSafe(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (st.st_uid != ::geteuid()) return false;
    if (st.st_mode & S_IWOTH) return false;
    // Writable by the group: only the user's own group may be.
    return !(st.st_mode & S_IWGRP) || st.st_gid == ::getegid();
}

std::string OwnFilesFolder(const std::string& programFolder) {
    if (Writable(programFolder) && IsFolderSafe(programFolder.empty() ? "." : programFolder))
        return programFolder;
    const std::string user = UserConfigFolder();
    if (user.empty()) return {};
    MakeFolders(user);
    return IsFolderSafe(user) ? user : std::string();
}

std::string OwnFileToRead(const std::string& programFolder, const std::string& name) {
    if (!Writable(programFolder)) {
        const std::string user = UserConfigFolder();
        if (IsFolderSafe(user) && FileExists(user + name)) return user + name;
    }
    return programFolder + name;
}
