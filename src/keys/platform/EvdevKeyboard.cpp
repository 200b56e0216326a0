#include "keys/platform/EvdevKeyboard.h"

#include "keys/EvdevKeyCodes.h"

#include <libevdev/libevdev.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

// The event devices under /dev/input, by path.
std::vector<std::string> EventDevicePaths() {
    std::vector<std::string> paths;
    DIR* dir = ::opendir("/dev/input");
    if (!dir) return paths;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.rfind("event", 0) == 0) paths.push_back("/dev/input/" + name);
    }
    ::closedir(dir);
    return paths;
}

// A keyboard has the letter keys and Space (mice, buttons and lid switches do not).
bool IsKeyboard(libevdev* dev) {
    return libevdev_has_event_type(dev, EV_KEY) && libevdev_has_event_code(dev, EV_KEY, KEY_A) &&
           libevdev_has_event_code(dev, EV_KEY, KEY_Z) &&
           libevdev_has_event_code(dev, EV_KEY, KEY_SPACE);
}

// Opens path as a keyboard: the device and its descriptor, or null.
libevdev* OpenKeyboard(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    libevdev* dev = nullptr;
    if (libevdev_new_from_fd(fd, &dev) < 0 || !IsKeyboard(dev)) {
        if (dev) libevdev_free(dev);
        ::close(fd);
        fd = -1;
        return nullptr;
    }
    return dev;
}

} // namespace

TEvdevKeyboard::TEvdevKeyboard(TKeyboardState& state) : State(state) {}

TEvdevKeyboard::~TEvdevKeyboard() {
    Stop();
}

bool TEvdevKeyboard::Readable() {
    for (const std::string& path : EventDevicePaths()) {
        int fd = -1;
        if (libevdev* dev = OpenKeyboard(path, fd)) {
            libevdev_free(dev);
            ::close(fd);
            return true;
        }
    }
    return false;
}

TPlatformCheck TEvdevKeyboard::PlatformCheck() {
    return {"libevdev", [] {
                libevdev* dev = libevdev_new();
                if (dev) libevdev_free(dev);
                return dev != nullptr;
            }};
}

std::unique_ptr<IKeySource> TEvdevKeyboard::StartOn(TKeyboardState& state) {
    if (!Readable()) return nullptr;
    auto keyboard = std::make_unique<TEvdevKeyboard>(state);
    if (!keyboard->Start()) return nullptr;
    return keyboard;
}

bool TEvdevKeyboard::Start() {
    if (Reader.joinable()) return true;
    for (const std::string& path : EventDevicePaths()) {
        int fd = -1;
        if (libevdev* dev = OpenKeyboard(path, fd)) {
            Devices.push_back(dev);
            Fds.push_back(fd);
        }
    }
    if (Devices.empty() || ::pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Stop();
        return false;
    }
    Reader = std::thread([this] { Run(); });
    return true;
}

void TEvdevKeyboard::Stop() {
    if (Reader.joinable()) {
        const char stop = 1;
        (void)!::write(WakePipe[1], &stop, 1);
        Reader.join();
    }
    for (libevdev* dev : Devices)
        libevdev_free(dev);
    for (int fd : Fds)
        ::close(fd);
    Devices.clear();
    Fds.clear();
    for (int& fd : WakePipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void TEvdevKeyboard::HandleEvent(unsigned type, unsigned code, int value) {
    if (type != EV_KEY || (value != 0 && value != 1)) return;
    const int dik = DikOfEvdevCode(static_cast<int>(code));
    if (dik >= 0) State.SetKey(TKeyboardState::TSource::Evdev, dik, value == 1);
}

void TEvdevKeyboard::Run() {
    std::vector<pollfd> polls;
    for (int fd : Fds)
        polls.push_back({fd, POLLIN, 0});
    polls.push_back({WakePipe[0], POLLIN, 0});
    for (;;) {
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (polls.back().revents) return; // asked to stop
        for (size_t i = 0; i < Devices.size(); ++i) {
            if (polls[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                polls[i].fd = -1; // unplugged: read the others on
                continue;
            }
            if (!(polls[i].revents & POLLIN)) continue;
            input_event ev{};
            unsigned flag = LIBEVDEV_READ_FLAG_NORMAL;
            for (;;) {
                const int rc = libevdev_next_event(Devices[i], flag, &ev);
                if (rc == LIBEVDEV_READ_STATUS_SYNC) {
                    // Events were dropped: catch up with the device's real state.
                    flag = LIBEVDEV_READ_FLAG_SYNC;
                    HandleEvent(ev.type, ev.code, ev.value);
                    continue;
                }
                if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
                    HandleEvent(ev.type, ev.code, ev.value);
                    continue;
                }
                if (rc == -EAGAIN && flag == LIBEVDEV_READ_FLAG_SYNC) {
                    flag = LIBEVDEV_READ_FLAG_NORMAL;
                    continue;
                }
                break;
            }
        }
    }
}
