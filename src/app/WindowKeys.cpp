#include "app/WindowKeys.h"

#include "keys/EvdevKeyCodes.h"

#include <QKeyEvent>

TWindowKeys::TWindowKeys(TKeyboardState& state, QObject* parent) : QObject(parent), State(state) {
    ReleaseTimer.setSingleShot(true);
    ReleaseTimer.setInterval(ReleaseWaitMs);
    connect(&ReleaseTimer, &QTimer::timeout, this, [this] { FlushReleases(); });
    PendingReleases.reserve(16);
}

void TWindowKeys::Report(int code, bool down) {
    State.SetKey(TKeyboardState::TSource::WindowKeys, code, down);
}

void TWindowKeys::KeyEvent(const QKeyEvent& key, bool down) {
    if (key.isAutoRepeat()) return;
    const int code = DikOfEvdevCode(static_cast<int>(key.nativeScanCode()) - 8);
    if (code < 0) return;
    const quint64 time = key.timestamp();
    if (!down) {
        PendingReleases.push_back({code, time});
        if (!ReleaseTimer.isActive()) ReleaseTimer.start();
        return;
    }
    for (auto it = PendingReleases.begin(); it != PendingReleases.end(); ++it) {
        if (it->Code != code) continue;
        const bool repeat = it->Time == time;
        PendingReleases.erase(it);
        if (repeat) return; // the key is still held: nothing happened
        // A real release, then a new stroke: both reach the reader in their order.
        Report(code, false);
        break;
    }
    Report(code, true);
}

void TWindowKeys::FlushReleases() {
    ReleaseTimer.stop();
    for (const TPendingRelease& r : PendingReleases)
        Report(r.Code, false);
    PendingReleases.clear();
}
