// The main window: the skin-drawn surface with the command buttons, the volume
// slider and the seven value boxes; it owns the synthesiser, the keyboard reader and
// the performance controller, hands the keys to the controller on its own thread and
// shows what the controller reports.
#pragma once

#include "app/CommandLine.h"
#include "controller/IControllerPorts.h"
#include "controller/PerformanceController.h"
#include "keys/KTDIKeyBoard.h"
#include "settings/Settings.h"
#include "sound/FavoriteVoices.h"
#include "sound/platform/TKTDirectMusic.h"

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
class TKTMultiGlyphButton;
class TKTSpinEdit;
class TSimpleRecorder;

// What start-up hands the window.
struct TPianoFormSetup {
    TCommandLine CommandLine;
    std::string ProgramFolder;
    QImage Skin;      // "RES_TOTALBMP" as loaded
    QImage StaffMask; // "RES_STAFFMASK"
    uint32_t DirectXVersion = 0;
    // A plain message ("msf4.s not found."); a message box in the program.
    std::function<void(const QString&)> ShowMessage;
    // The synthesiser's surroundings; the system's by default.
    TKTDirectMusicSetup Sound;
    TSettings Settings;
    // Whether the evdev keyboards may feed the keyboard reader.
    bool UseEvdev = true;
};

class TKTPianoForm : public QWidget,
                     public IValueBoxes,
                     public IMainWindow,
                     public ISongCommands {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 621;
    static constexpr int ClientHeight = 436;
    static constexpr int PedalTimerInterval = 3000;
    static constexpr const char* Title = "Talvimorena模拟钢琴";

    TKTPianoForm(TPianoFormSetup setup, TSimpleRecorder& recorder, const ITickClock& clock);
    ~TKTPianoForm() override;

    // The command buttons' handler, by button index.
    void OnButtonClick(int index);
    // Enabled and latched states of the command buttons after a song command.
    void UpdateButtons();
    // The two drop-down lists of the external voice set, refilled from the voice list.
    void RebuildExternalVoiceLists();
    // The synthesiser's settings and the controller's four switches.
    void ApplySettings(const TSettings& record, const std::array<bool, 4>& switches);

    // IValueBoxes, IMainWindow, ISongCommands.
    void ShowValue(TValueBox box, std::string_view text) override;
    void ConfineCursor(int clientX, int clientY) override;
    void ReleaseCursor() override;
    void SetCursorShape(TCursorShape shape) override;
    void OpenKeyEditor(int keyIndex) override;
    void SetSongRecording(bool on) override;
    void SetSongPlaying(bool on) override;

    TPerformanceController& Controller() { return *Performer; }
    TKTDirectMusic& Synth() { return *Music; }
    TKTDIKeyBoard& Keyboard() { return *Reader; }
    TKTMainButtons& Buttons() { return *CommandButtons; }
    TKTSlider& VolumeSlider() { return *Slider; }
    TKTSpinEdit& Box(TValueBox box) { return *Boxes[static_cast<size_t>(box)]; }
    bool SoundOpen() const { return SoundIsOpen; }
    bool ExternalVoiceSetInUse() const { return ExternalInUse; }
    bool SynthVolumeMode() const { return SliderSynthMode; }
    int SynthVolume() const { return SynthVolumeValue; }
    int LatencyCopy() const { return Latency; }
    int PeriodCopy() const { return Period; }
    QComboBox* ExternalVoiceList(bool right) const { return right ? RightList : LeftList; }
    const QImage& WorkingSkin() const { return Skin; }

    // Called once the window is first shown (start-up hides the splash there).
    std::function<void()> OnFirstShow;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void CreateValueBoxes();
    void CreateSlider();
    void SetUpSound(const TCommandLine& commandLine, const std::string& programFolder);
    void OnBoxArrow(TValueBox box, bool up);
    void OnSliderChange();
    void OnSliderDoubleClick();
    void SetSliderQuietly(int min, int max, int position);
    void OnExternalListChange(bool right);
    void HandleKey(QKeyEvent* key, bool down);
    void FlushReleases();
    void Activated(bool active);

    TPianoFormSetup Setup;
    QImage Skin;      // the working copy every control draws from
    QImage StaffMask;
    TSimpleRecorder& Recorder;
    TVoiceList Voices;
    TFavoriteVoiceSet Favorites = DefaultFavoriteVoiceSet();
    // Declared before what uses them, so that they outlive it.
    std::unique_ptr<TKTDirectMusic> Music;
    std::unique_ptr<TPerformanceController> Performer;
    std::unique_ptr<TKTDIKeyBoard> Reader;
    std::unique_ptr<TKTMainButtons> CommandButtons;
    std::array<std::unique_ptr<TKTSpinEdit>, 7> Boxes;
    QPointer<TKTSlider> Slider;
    QPointer<QComboBox> LeftList, RightList;
    QTimer PedalTimer;
    // Releases wait a moment for a press of the same key at the same server time: that
    // pair is the system's auto-repeat even where Qt did not flag it.
    struct TPendingRelease {
        int Code;
        quint64 Time;
    };
    std::vector<TPendingRelease> PendingReleases;
    QTimer ReleaseTimer;
    static constexpr int ReleaseWaitMs = 10;

    bool SoundIsOpen = false;
    bool ExternalInUse = false;
    bool SliderSynthMode = false;
    int SynthVolumeValue = 0;
    int Latency = 0, Period = 0;
    bool FirstShowDone = false;
    bool FirstActivationDone = false;
    bool CursorConfined = false;
    QPoint ConfinedAt;
};
