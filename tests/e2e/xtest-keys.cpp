// Presses and releases keys by raw X keycode through XTest, for the end-to-end
// tests: "+24" presses keycode 24, "-24" releases it, "w100" waits 100 ms.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "xtest-keys: cannot open the display\n");
        return 1;
    }
    int event, error, major, minor;
    if (!XTestQueryExtension(dpy, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "xtest-keys: the display has no XTest\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() < 2) continue;
        const int n = std::atoi(a.c_str() + 1);
        if (a[0] == 'w') {
            XSync(dpy, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(n));
        } else if (a[0] == '+' || a[0] == '-') {
            XTestFakeKeyEvent(dpy, static_cast<unsigned>(n), a[0] == '+', CurrentTime);
        }
    }
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
}
