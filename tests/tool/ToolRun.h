// Runs the real talvimorena-tool (or another program) and collects its exit status and
// output.
#pragma once

#include "TempDir.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

struct TRun {
    int Status;
    std::string Out; // stdout
    std::string Err; // stderr
};

// Runs a program (a shell command's first words) with those arguments.
inline TRun RunProgram(const std::string& program, const TTempDir& dir, const std::string& args) {
    const std::string errFile = dir.Path("stderr.txt");
    const std::string cmd = program + " " + args + " 2>'" + errFile + "'";
    TRun r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return {-1, "", "popen failed"};
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.Out.append(buf, n);
    int status = ::pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = dir.Read("stderr.txt");
    r.Err.assign(err.begin(), err.end());
    std::filesystem::remove(errFile);
    return r;
}

inline TRun RunTool(const TTempDir& dir, const std::string& args) {
    return RunProgram(TALVIMORENA_TOOL, dir, args);
}

inline std::string Q(const std::string& path) {
    return "'" + path + "'";
}
