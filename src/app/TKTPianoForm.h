// The main window: the skin-drawn surface with the command buttons, the volume
// slider, the value boxes and the external voice lists. It builds its views, builds
// the piano's core pointed at them and connects the two; the program's rules live
// in the core and the controller.
#pragma once

#include "app/ExternalVoiceListBoxes.h"
#include "app/PianoCore.h"
#include "app/WindowKeys.h"
#include "ui/TKTSlider.h"

#include <QComboBox>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class TKTMainButtons;
class TKTPCKeyboard;
class TKTPianoKb;
class TKTSpinEdit;
class TKTStaff;
class TSongDialogs;
class TWindowDialogs;

// What start-up hands the window.
struct TPianoFormSetup {
    TPianoCoreSetup Core;
    QImage Skin;      // "RES_TOTALBMP" as loaded
    QImage StaffMask; // "RES_STAFFMASK"
    uint32_t DirectXVersion = 0;
    // A plain message ("msf4.s not found."); a message box in the program.
    std::function<void(const QString&)> ShowMessage;
};

class TKTPianoForm : public QWidget, public IValueBoxes, public IPianoWindow {
    Q_OBJECT
public:
    static constexpr const char* Title = "Talvimorena模拟钢琴";

    TKTPianoForm(TPianoFormSetup setup, TSettings& settings, const ITickClock& clock);
    ~TKTPianoForm() override;

    TPianoCore& Core() { return *Piano; }
    TKTMainButtons& Buttons() { return *CommandButtons; }
    TKTSlider& VolumeSlider() { return *Slider; }
    TKTSpinEdit& Box(TValueBox box) { return *Boxes[static_cast<size_t>(box)]; }
    TKTPCKeyboard& PCKeyboard() { return *PCKeyboardView; }
    // The upper strip plays the right keyboard, the lower the left.
    TKTPianoKb& Strip(bool right) { return right ? *UpperStrip : *LowerStrip; }
    TKTStaff& Staff() { return *StaffView; }
    QComboBox* ExternalVoiceList(bool right) const { return VoiceLists->List(right); }

    // Called once the window is first shown (start-up hides the splash there).
    std::function<void()> OnFirstShow;

    // IValueBoxes and IPianoWindow.
    void ShowValue(TValueBox box, std::string_view text) override;
    void ConfineCursor(int clientX, int clientY) override;
    void ReleaseCursor() override;
    void SetCursorShape(TCursorShape shape) override;
    void OpenKeyEditor(int keyIndex) override;
    // Opens the key-definition editor on a key (-1: none), from a double click on the
    // PC keyboard picture or from the settings dialog.
    // The key-definition editor on a copy of the live keys, over `over` (the window
    // itself by default), starting at the key or, for -1, at the "1" key.
    void EditKeyDefinitions(int keyIndex, QWidget* over = nullptr);
    bool ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) override;
    void ShowCommandButtons(const TCommandButtonStates& states) override;
    void ShowMessage(std::string_view text) override;
    void ShowExternalVoiceLists(const TVoiceList& voices) override;
    int ExternalVoiceListSelection(bool right) const override;
    void SelectExternalVoiceListItem(bool right, int position) override;
    void CloseWindow() override;
    void OpenWithDesktop(const std::string& path) override;
    void ShowAbout() override;
    void ShowSlider(const TSliderSetting& setting) override;
    // Off while a song plays (the voice boxes and the slider stay usable).
    void SetPlayingViewsEnabled(bool enabled);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void CreateControls();
    void ConnectHandOvers(TPianoCoreSetup& core, const TSettings& settings);

    TPianoFormSetup Setup;
    QImage Skin; // the working copy every control draws from
    std::unique_ptr<TKTPCKeyboard> PCKeyboardView;
    std::unique_ptr<TKTPianoKb> UpperStrip, LowerStrip;
    std::unique_ptr<TKTMainButtons> CommandButtons;
    std::unique_ptr<TKTStaff> StaffView;
    std::array<std::unique_ptr<TKTSpinEdit>, 7> Boxes;
    QPointer<TKTSlider> Slider;
    std::unique_ptr<TExternalVoiceListBoxes> VoiceLists;
    QTimer PedalTimer;
    std::unique_ptr<TSongDialogs> SongDialogs;
    // The core after the views and dialogs it points at, so that it goes first.
    std::unique_ptr<TPianoCore> Piano;
    std::unique_ptr<TWindowDialogs> Dialogs;
    QPointer<TWindowKeys> WindowKeys;
    bool FirstShowDone = false;
};
