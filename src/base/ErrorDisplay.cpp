#include "base/ErrorDisplay.h"

#include "base/ThreadSafety.h"

#include <cstdio>

namespace {

TMutex DisplayLock;
TErrorDisplay Display GUARDED_BY(DisplayLock);

std::string TextOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

} // namespace

void SetErrorDisplay(TErrorDisplay display) {
    TLock lock(DisplayLock);
    Display = std::move(display);
}

void ShowUnhandledError(std::exception_ptr error) {
    if (!error) return;
    const std::string text = TextOf(error);
    TErrorDisplay display;
    {
        TLock lock(DisplayLock);
        display = Display;
    }
    if (display)
        display(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
