// A fixed table of names that the signal handler reads without locks or allocation:
// a slot is claimed, filled, then published; the handler only reads published slots.
#include "base/TempFiles.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstring>

#include <signal.h>
#include <unistd.h>

namespace {

enum : int { Free = 0, Filling = 1, Published = 2 };

struct TSlot {
    std::atomic<int> State{Free};
    char Path[PATH_MAX];
};

std::array<TSlot, 16> Slots;

void RemoveAndEnd(int signal) {
    for (TSlot& slot : Slots)
        if (slot.State.load(std::memory_order_acquire) == Published) ::unlink(slot.Path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

bool RegisterTempFile(const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX) return false;
    for (TSlot& slot : Slots) {
        int expected = Free;
        if (!slot.State.compare_exchange_strong(expected, Filling, std::memory_order_acq_rel))
            continue;
        std::memcpy(slot.Path, path.c_str(), path.size() + 1);
        slot.State.store(Published, std::memory_order_release);
        return true;
    }
    return false;
}

void UnregisterTempFile(const std::string& path) {
    for (TSlot& slot : Slots)
        if (slot.State.load(std::memory_order_acquire) == Published && path == slot.Path) {
            slot.State.store(Free, std::memory_order_release);
            return;
        }
}

void RemoveTempFilesOnSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndEnd;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}
