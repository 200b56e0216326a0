// The settings dialog: latency and reverb level, the external voice set and the four
// performance switches on five tabs, and the way to the key-definition and
// favourite-voice editors.
#pragma once

#include "settings/Settings.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTabWidget;
class QWidget;

// The voice-set files the external voice file button offers, DLS first.
constexpr const char* ExternalVoiceSetFileFilter =
    "DLS files (*.dls)|*.dls|SoundFont 2 files (*.sf2)|*.sf2|"
    "Compressed SoundFont files (*.sf3)|*.sf3";

// How the dialog asks for a voice-set file and tells of a failure. The defaults are
// Qt's file dialog (starting in `folder`, existing files only) and a message box.
struct TSetupDialogs {
    // The chosen file as a UTF-8 path, or nothing when the user cancels.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>
        AskVoiceSetFile;
    std::function<void(QWidget* parent, const QString& text)> ShowMessage;

    static TSetupDialogs Standard();
};

// What the dialog reaches outside itself. The editors open over the dialog; an empty
// editor leaves its button without effect. An empty Save writes the program's
// settings file.
struct TSetupCallbacks {
    std::function<void(QWidget* dialog)> EditKeyDefinitions;
    std::function<void(QWidget* dialog)> EditFavoriteVoices;
    // False when the file could not be written.
    std::function<bool(const TSettings& record)> Save;
};

class TfrmSetup : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 390, ClientHeight = 278;
    static constexpr int LatencyMin = 10, LatencyMax = 100;
    static constexpr int ReverbLevelMin = 0, ReverbLevelMax = 4;

    explicit TfrmSetup(QWidget* parent = nullptr);

    // The record and the switches into the controls; a value outside a track bar's
    // range is shown at its nearest end.
    void FillForm(const TSettings& settings, const TSwitchBlock& switches);
    // The controls back into the record and the switches.
    void ReadForm(TSettings& settings, TSwitchBlock& switches) const;

    // The external voice file the dialog holds, in code page 936 as the record
    // keeps it, and the way to set it as if chosen in the file dialog (false, with
    // a message, for a path the record cannot hold).
    const std::string& ExternalDLSFile() const { return ExternalFile; }
    bool ChooseExternalDLSFile(const std::string& utf8Path);

    TSetupCallbacks Callbacks;
    TSetupDialogs Dialogs = TSetupDialogs::Standard();

    QTabWidget* PageControl = nullptr;
    QWidget* tabsDevice = nullptr;
    QWidget* tabsKeyDef = nullptr;
    QWidget* tabsRecord = nullptr;
    QWidget* tabsAdvanced = nullptr;
    QWidget* tabsOther = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Device
    QGroupBox* GroupBox_Latency = nullptr;
    QLabel* lblResponse = nullptr;
    QLabel* lblFast = nullptr;
    QLabel* lblSlow = nullptr;
    QSlider* trkLatency = nullptr;
    QLabel* lblLatency = nullptr;
    QLabel* lblLatencyNote = nullptr;
    QGroupBox* GroupBox_ReverbLevel = nullptr;
    QLabel* lblReverb = nullptr;
    QSlider* trkReverbLevel = nullptr;
    QLabel* lblReverbLevel = nullptr;
    // Key definition
    QPushButton* btnEditKeydef = nullptr;
    QPushButton* btnEditFavoriteVoices = nullptr;
    // Recording
    QLabel* lblRecordReserved = nullptr;
    // Advanced
    QGroupBox* GroupBox_ExternalDLS = nullptr;
    QCheckBox* cbUseExternalDLS = nullptr;
    QLabel* lblExternalDLSFile = nullptr;
    QPushButton* btnOpenExternalDLSFile = nullptr;
    QLabel* lblExternalDLSFileName = nullptr;
    QLabel* lblRestartNote = nullptr;
    // Other
    QGroupBox* GroupBox_Other = nullptr;
    QCheckBox* cbNotebookMode = nullptr;
    QCheckBox* cbLoopPlay = nullptr;
    QCheckBox* cbSmartSemitone = nullptr;
    QCheckBox* cbPeriodPedal = nullptr;

    void trkLatencyChange();
    void trkReverbLevelChange();
    void btnEditKeydefClick();
    void btnEditFavoriteVoicesClick();
    void btnOpenExternalDLSFileClick();

private:
    void BuildDeviceTab();
    void BuildKeyDefTab();
    void BuildRecordTab();
    void BuildAdvancedTab();
    void BuildOtherTab();
    void ShowExternalFile();

    std::string ExternalFile;     // code page 936
    std::string LiveExternalFile; // the record's, where the file dialog starts
};

// Shows the dialog modally over `settings` and `switches`. OK stores the controls in
// both, saves the record (a failed save is told, and the old file stays) and returns
// true; Cancel or closing changes nothing, writes nothing and returns false.
bool ShowSettingsDialog(QWidget* parent, TSettings& settings, TSwitchBlock& switches,
                        const TSetupCallbacks& callbacks = {},
                        const TSetupDialogs& dialogs = TSetupDialogs::Standard());
