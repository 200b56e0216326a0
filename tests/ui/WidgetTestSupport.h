// Shared pieces of the widget tests: a skin whose every pixel tells where it lies,
// a shown host window, mouse input through the window system path (so that Qt's
// own routing and mouse grab are part of what is tested), and screenshots.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace uitest {

constexpr int SkinWidth = 1300, SkinHeight = 440;

// A pixel colour that no other pixel of the test skin has.
inline QRgb SkinPixel(int x, int y) {
    return qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
}

inline QImage CoordinateSkin() {
    QImage skin(SkinWidth, SkinHeight, QImage::Format_RGB32);
    for (int y = 0; y < SkinHeight; ++y)
        for (int x = 0; x < SkinWidth; ++x)
            skin.setPixel(x, y, SkinPixel(x, y));
    return skin;
}

// True when every pixel of the picture is the skin's pixel at origin + its place.
inline ::testing::AssertionResult ShowsSkinAt(const QImage& picture, QPoint origin) {
    const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != SkinPixel(origin.x() + x, origin.y() + y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is not skin pixel (" << origin.x() + x
                       << ", " << origin.y() + y << ")";
    return ::testing::AssertionSuccess();
}

// A main-window-sized top-level window; Show puts it on the offscreen screen.
inline std::unique_ptr<QWidget> MakeHost(int width = 621, int height = 436) {
    auto host = std::make_unique<QWidget>();
    host->setFixedSize(width, height);
    return host;
}

inline void Show(QWidget& host) {
    host.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
}

// Mouse input at a point of a child, delivered to the top-level window.
inline QPoint InWindow(QWidget* w, QPoint p) {
    return w->mapTo(w->window(), p);
}
inline void Press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(w->window()->windowHandle(), b, {}, InWindow(w, p));
}
inline void Release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseRelease(w->window()->windowHandle(), b, {}, InWindow(w, p));
}
inline void Move(QWidget* w, QPoint p) {
    QTest::mouseMove(w->window()->windowHandle(), InWindow(w, p));
}
inline void Click(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    Press(w, p, b);
    Release(w, p, b);
}

// Saves a picture where TALVIMORENA_UI_SHOTS points (nothing otherwise), for
// looking at the controls by eye.
inline void SaveShot(const QImage& picture, const char* name) {
    const QString dir = qEnvironmentVariable("TALVIMORENA_UI_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    picture.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

// The next modal dialog of type T, once it shows, handed to `act` (from inside its
// event loop).
template <typename T> void WhenShown(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
    });
}

// File dialogs that answer with a fixed file and remember the folders they were
// opened in and the messages shown, for a dialog's AskOpenFile, AskSaveFile and
// ShowMessage hooks.
struct TFileDialogStandIn {
    explicit TFileDialogStandIn(std::optional<std::string> file = std::nullopt)
        : File(std::move(file)) {}

    std::optional<std::string> File;
    std::vector<QString> Messages;
    std::vector<std::string> Folders;

    template <typename THooks> void Install(THooks& hooks) {
        auto ask = [this](QWidget*, const std::string& folder) {
            Folders.push_back(folder);
            return File;
        };
        hooks.AskOpenFile = ask;
        hooks.AskSaveFile = ask;
        hooks.ShowMessage = [this](QWidget*, const QString& text) { Messages.push_back(text); };
    }
};

} // namespace uitest
