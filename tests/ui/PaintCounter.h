// Counts the paint events that reach watched widgets: what a change repaints, and
// that nothing repaints while nothing changes.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTest>
#include <QWidget>

#include <map>
#include <set>

namespace uitest {

class TPaintCounter : public QObject {
public:
    void Watch(QWidget* w) { w->installEventFilter(this); }
    // Lets every pending paint happen, then forgets what was painted so far.
    void Settle() {
        Flush();
        Painted.clear();
    }
    // Lets pending paints happen and gives the widgets painted since the last Settle.
    std::set<QObject*> PaintedSince() {
        Flush();
        std::set<QObject*> names;
        for (const auto& [w, count] : Painted)
            names.insert(w);
        return names;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Painted[watched];
        return false;
    }

private:
    static void Flush() {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            QTest::qWait(20);
        }
    }
    std::map<QObject*, int> Painted;
};

} // namespace uitest
