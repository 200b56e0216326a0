// The MIDI log: line format, appending, the environment variable, and lines from
// two threads at once.
#include "sound/MidiLog.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream f(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(f, line);)
        lines.push_back(line);
    return lines;
}

// "1532 90 3C 46" -> time and the hex after it.
struct TParsed {
    bool Ok = false;
    long long Ms = -1;
    std::string Bytes;
};

TParsed Parse(const std::string& line) {
    static const std::regex form("^([0-9]+)((?: [0-9A-F]{2})*)$");
    std::smatch m;
    if (!std::regex_match(line, m, form)) return {};
    return {true, std::stoll(m[1].str()), m[2].str()};
}

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : Name(name) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable() { ::unsetenv(Name); }

private:
    const char* Name;
};

} // namespace

TEST(MidiLog, OneLinePerMessageTimeThenUpperCaseHex) {
    TTempDir dir;
    TMidiLog log;
    ASSERT_TRUE(log.Open(dir.Path("midi.log")));
    EXPECT_TRUE(log.IsOn());
    log.Log(0x90, 0x3C, 0x46);
    log.Log(0xB1, 0x7B, 0x00);
    const uint8_t single[] = {0xFE};
    log.Log(single);
    std::vector<uint8_t> longer(TMidiLog::MaxBytes + 4, 0xAB);
    log.Log(longer);

    std::vector<std::string> lines = Lines(dir.Path("midi.log"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Parse(lines[0]).Bytes, " 90 3C 46");
    EXPECT_EQ(Parse(lines[1]).Bytes, " B1 7B 00");
    EXPECT_EQ(Parse(lines[2]).Bytes, " FE");
    std::string cut;
    for (size_t i = 0; i < TMidiLog::MaxBytes; ++i)
        cut += " AB";
    EXPECT_EQ(Parse(lines[3]).Bytes, cut);
    long long previous = 0;
    for (const std::string& line : lines) {
        TParsed p = Parse(line);
        ASSERT_TRUE(p.Ok) << line;
        EXPECT_GE(p.Ms, previous);
        previous = p.Ms;
    }
}

TEST(MidiLog, AppendsAndWritesNothingWhileOff) {
    TTempDir dir;
    dir.WriteText("midi.log", "earlier 80 3C 40\n");
    TMidiLog log;
    EXPECT_FALSE(log.IsOn());
    log.Log(0x90, 1, 2); // off: no file anywhere to write to, nothing happens

    ASSERT_TRUE(log.Open(dir.Path("midi.log")));
    log.Log(0xC0, 0x02, 0x00);
    log.Close();
    EXPECT_FALSE(log.IsOn());
    log.Log(0x90, 0x40, 0x40);

    std::vector<std::string> lines = Lines(dir.Path("midi.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier 80 3C 40");
    EXPECT_EQ(Parse(lines[1]).Bytes, " C0 02 00");

    EXPECT_FALSE(log.Open(dir.Path("no/such/folder/midi.log")));
    EXPECT_FALSE(log.IsOn());
}

TEST(MidiLog, EnvironmentVariableNamesTheFile) {
    TTempDir dir;
    TMidiLog log;
    {
        ScopedVariable v(TMidiLog::EnvironmentVariable, dir.Path("env.log").c_str());
        ASSERT_TRUE(log.OpenFromEnvironment());
        log.Log(0x99, 0x24, 0x7F);
    }
    EXPECT_EQ(Lines(dir.Path("env.log")).size(), 1u);
    {
        ScopedVariable v(TMidiLog::EnvironmentVariable, "");
        EXPECT_FALSE(log.OpenFromEnvironment());
        EXPECT_FALSE(log.IsOn());
    }
    {
        ScopedVariable v(TMidiLog::EnvironmentVariable, nullptr);
        EXPECT_FALSE(log.OpenFromEnvironment());
    }
}

TEST(MidiLog, ProcessWideLogOpensFromTheEnvironment) {
    TTempDir dir;
    const std::string path = dir.Path("process.log");
    // A child process, so that the process-wide log's first use is this one.
    EXPECT_EXIT(
        {
            ::setenv(TMidiLog::EnvironmentVariable, path.c_str(), 1);
            ProcessMidiLog().Log(0x91, 0x3C, 0x46);
            std::exit(ProcessMidiLog().IsOn() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Parse(lines[0]).Bytes, " 91 3C 46");
}

TEST(MidiLog, LinesFromTwoThreadsAreAllThereAndWhole) {
    TTempDir dir;
    TMidiLog log;
    ASSERT_TRUE(log.Open(dir.Path("threads.log")));
    constexpr int PerThread = 5000;
    auto send = [&](uint8_t status) {
        for (int i = 0; i < PerThread; ++i)
            log.Log(status, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(i / 128));
    };
    std::thread a(send, 0x90), b(send, 0x91);
    a.join();
    b.join();

    std::vector<std::string> lines = Lines(dir.Path("threads.log"));
    ASSERT_EQ(lines.size(), 2u * PerThread);
    int next[2] = {0, 0};
    long long lastMs[2] = {0, 0};
    for (const std::string& line : lines) {
        TParsed p = Parse(line);
        ASSERT_TRUE(p.Ok) << line;
        ASSERT_EQ(p.Bytes.size(), 9u) << line;
        int who = p.Bytes.substr(1, 2) == "90" ? 0 : 1;
        ASSERT_TRUE(who == 0 || p.Bytes.substr(1, 2) == "91") << line;
        // Each thread's messages arrive in the order it sent them.
        int i = next[who]++;
        char expected[16];
        std::snprintf(expected, sizeof expected, " %02X %02X", i % 128, i / 128);
        EXPECT_EQ(p.Bytes.substr(3), expected);
        EXPECT_GE(p.Ms, lastMs[who]);
        lastMs[who] = p.Ms;
    }
    EXPECT_EQ(next[0], PerThread);
    EXPECT_EQ(next[1], PerThread);
}
