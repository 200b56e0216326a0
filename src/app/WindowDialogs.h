// The main window's own dialogs over the piano's core: the key-definition editor,
// the settings dialog with its two editors and its save, the About box and the
// files handed to the desktop.
#pragma once

#include "app/PianoCore.h"

#include <QImage>

#include <functional>
#include <string>

class QWidget;

class TWindowDialogs {
public:
    // `beforeKeyEditor` runs before the key-definition editor opens.
    TWindowDialogs(QWidget* window, TPianoCore& piano, const QImage& staffMask,
                   uint32_t directXVersion, std::function<void()> beforeKeyEditor)
        : Window(window), Piano(piano), StaffMask(staffMask), DirectXVersion(directXVersion),
          BeforeKeyEditor(std::move(beforeKeyEditor)) {}

    // The key-definition editor on a copy of the live keys, over `over` (the window
    // by default), starting at the key or, for -1, at the "1" key; its set installed
    // on OK.
    void EditKeyDefinitions(int keyIndex, QWidget* over = nullptr);
    bool ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches);
    void ShowAbout();
    void OpenWithDesktop(const std::string& path);

private:
    QWidget* Window;
    TPianoCore& Piano;
    const QImage& StaffMask;
    uint32_t DirectXVersion;
    std::function<void()> BeforeKeyEditor;
};
