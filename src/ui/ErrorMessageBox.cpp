#include "ui/ErrorMessageBox.h"

#include "base/ErrorDisplay.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>

void InstallErrorMessageBox(QWidget* window, const QString& caption) {
    QPointer<QWidget> owner(window);
    auto showing = std::make_shared<std::atomic<bool>>(false);
    SetErrorDisplay([owner, caption, showing](const std::string& text) {
        if (showing->exchange(true)) return; // one box at a time
        // Queued also on the main thread: the box never opens inside the handler
        // that failed.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner, caption, showing, message = QString::fromStdString(text)] {
                if (owner) {
                    QMessageBox box(QMessageBox::Critical, caption, message, QMessageBox::Ok,
                                    owner);
                    box.exec();
                }
                *showing = false;
            },
            Qt::QueuedConnection);
    });
    QObject::connect(window, &QObject::destroyed, [] { SetErrorDisplay({}); });
}
