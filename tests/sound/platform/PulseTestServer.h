// A private PulseAudio daemon for one test: null sinks with known names and
// descriptions, a default sink, and a socket in a temporary folder. While it runs,
// PULSE_SERVER points this process at it; the old value comes back afterwards.
#pragma once

#include "TempDir.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

struct TTestSink {
    std::string Name;
    std::string Description;
    std::string MoreArgs; // e.g. "rate=48000 channels=1"
};

// Sets an environment variable for the scope and restores the old value.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(std::string name, const std::string& value) : Name(std::move(name)) {
        if (const char* old = ::getenv(Name.c_str())) Old = old;
        ::setenv(Name.c_str(), value.c_str(), 1);
    }
    ~TEnvironmentVariable() {
        if (Old)
            ::setenv(Name.c_str(), Old->c_str(), 1);
        else
            ::unsetenv(Name.c_str());
    }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    std::string Name;
    std::optional<std::string> Old;
};

// Points PULSE_SERVER somewhere for the scope.
struct TPulseServerVariable : TEnvironmentVariable {
    explicit TPulseServerVariable(const std::string& address)
        : TEnvironmentVariable("PULSE_SERVER", address) {}
};

class TPulseTestServer {
public:
    // Starts the daemon (package "pulseaudio") and waits until its socket accepts
    // connections, which happens only after every sink is loaded and the default
    // set. Error() tells why when it did not come up.
    TPulseTestServer(const std::vector<TTestSink>& sinks, const std::string& defaultSink) {
        std::ofstream script(Dir.Path("test.pa"));
        for (const TTestSink& s : sinks)
            script << "load-module module-null-sink sink_name=" << s.Name
                   << " sink_properties='device.description=\"" << s.Description << "\"' "
                   << s.MoreArgs << "\n";
        if (!defaultSink.empty()) script << "set-default-sink " << defaultSink << "\n";
        script << "load-module module-native-protocol-unix socket=" << Dir.Path("native")
               << " auth-anonymous=1\n";
        script.close();
        Address = "unix:" + Dir.Path("native");
        Start();
        if (ErrorText.empty()) Variable.emplace(Address);
    }
    ~TPulseTestServer() { Stop(); }
    TPulseTestServer(const TPulseTestServer&) = delete;
    TPulseTestServer& operator=(const TPulseTestServer&) = delete;

    const std::string& Error() const { return ErrorText; }
    bool Running() const { return Pid > 0; }

    // Ends the daemon; PULSE_SERVER keeps pointing at its (now dead) socket until
    // the server object goes away, so that clients see no server.
    void Stop() {
        if (Pid <= 0) return;
        ::kill(Pid, SIGTERM);
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(Pid, nullptr, WNOHANG) == Pid) {
                Pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
        Pid = -1;
    }

private:
    void Start() {
        // The daemon keeps its runtime and state files in the temporary folder.
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            for (const char* k : {"HOME=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=",
                                  "PULSE_RUNTIME_PATH=", "PULSE_STATE_PATH=", "PULSE_SERVER="})
                if (v.rfind(k, 0) == 0) v.clear();
            if (!v.empty()) env.push_back(v);
        }
        const std::string root = Dir.Root().string();
        env.push_back("HOME=" + root);
        env.push_back("XDG_RUNTIME_DIR=" + root);
        env.push_back("XDG_CONFIG_HOME=" + root);
        env.push_back("PULSE_RUNTIME_PATH=" + root + "/runtime");
        env.push_back("PULSE_STATE_PATH=" + root + "/state");
        std::vector<char*> envp;
        for (std::string& v : env)
            envp.push_back(v.data());
        envp.push_back(nullptr);

        std::vector<std::string> args = {"pulseaudio",
                                         "-n",
                                         "-F",
                                         Dir.Path("test.pa"),
                                         "--daemonize=no",
                                         "--system=no",
                                         "--exit-idle-time=-1",
                                         "--use-pid-file=no",
                                         "--disable-shm=yes",
                                         "--realtime=no",
                                         "--high-priority=no",
                                         "--log-target=stderr"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string log = Dir.Path("daemon.log");
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        int rc = ::posix_spawnp(&pid, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ErrorText =
                "cannot start pulseaudio (package \"pulseaudio\"): errno " + std::to_string(rc);
            return;
        }
        Pid = pid;
        // Not a timing check: only how long to wait before giving up.
        for (int i = 0; i < 1000; ++i) {
            if (SocketAccepts()) return;
            int status = 0;
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                Pid = -1;
                ErrorText = "pulseaudio ended at start:\n" + DaemonLog();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ErrorText = "pulseaudio did not open its socket:\n" + DaemonLog();
        Stop();
    }

    bool SocketAccepts() const {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = Dir.Path("native");
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }

    std::string DaemonLog() const {
        std::ifstream f(Dir.Path("daemon.log"));
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    TTempDir Dir;
    std::string Address;
    std::string ErrorText;
    pid_t Pid = -1;
    std::optional<TPulseServerVariable> Variable;
};

// What pactl, the server's own tool, says.
inline std::string Pactl(const std::string& args) {
    std::string out;
    if (FILE* p = ::popen(("pactl " + args + " 2>&1").c_str(), "r")) {
        std::array<char, 512> buf{};
        while (std::fgets(buf.data(), buf.size(), p))
            out += buf.data();
        ::pclose(p);
    }
    return out;
}

// The raw channel volumes (65536 = 100 %) in the sink's channel order.
inline std::vector<long> SinkVolumes(const std::string& sink) {
    const std::string text = Pactl("get-sink-volume " + sink);
    std::vector<long> v;
    static const std::regex channel(R"([a-z-]+: (\d+) /)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), channel);
         it != std::sregex_iterator(); ++it)
        v.push_back(std::stol((*it)[1]));
    return v;
}

// Counts the change notices of a mixer, which arrive on the mixer's own thread.
struct TPulseNotices {
    std::mutex Lock;
    std::condition_variable Arrived;
    int Count = 0;
    std::function<void()> Notify() {
        return [this] {
            std::lock_guard<std::mutex> hold(Lock);
            ++Count;
            Arrived.notify_all();
        };
    }
    // Not a timing check: how long to wait before calling the notice lost.
    bool WaitBeyond(int count) {
        std::unique_lock<std::mutex> hold(Lock);
        return Arrived.wait_for(hold, std::chrono::seconds(10), [&] { return Count > count; });
    }
    int Now() {
        std::lock_guard<std::mutex> hold(Lock);
        return Count;
    }
};
