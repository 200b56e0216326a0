// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

class TTempDir {
public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tvm-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        Dir = tmpl;
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    const std::filesystem::path& Root() const { return Dir; }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream f(Path(name), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream f(Path(name), std::ios::binary);
        f << text;
    }
    std::vector<uint8_t> Read(const std::string& name) const {
        std::ifstream f(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    // Names of the entries of the folder (to prove that nothing stray was left).
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(Dir))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path Dir;
};

// Limits the size of files this process may write, so that a write fails half-way
// (EFBIG) even for root; restores the old limit when it goes out of scope.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &Old);
        OldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = Old;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        ::signal(SIGXFSZ, OldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Old{};
    sighandler_t OldHandler{};
};
