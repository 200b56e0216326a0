// The favourite-voice editor: the twelve main voices of F1..F12 and the twelve
// secondary voices of Shift+F1..Shift+F12, each picked from the voice list, with
// loading and saving of .fvc files and the default set.
#pragma once

#include "sound/FavoriteVoices.h"
#include "sound/VoiceList.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QStyle;

// How the dialog asks for files and reports a failure. The defaults are Qt's file
// dialogs (starting in `folder`, .fvc files) and a message box.
struct TFavoriteVoicesFileDialogs {
    // The chosen existing file, or nothing when the user cancels.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>
        AskOpenFile;
    // The chosen file to write (an existing one confirmed), or nothing.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>
        AskSaveFile;
    std::function<void(QWidget* parent, const QString& text)> ShowMessage;

    static TFavoriteVoicesFileDialogs Standard();
};

class TfrmSetFavoriteVoices : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 680, ClientHeight = 334;
    static constexpr int RowCount = MainFavoriteCount;

    // `live` is the set being edited: what the dialog shows first and the base of
    // every set it builds. The voice list must outlive the dialog.
    TfrmSetFavoriteVoices(const TVoiceList& voices, const TFavoriteVoiceSet& live,
                          std::string programFolder, QWidget* parent = nullptr);

    // Selects for each row the list position of its record's patch (position 0 when
    // the list does not hold it). Patches of the older bank 64 are not translated.
    void ShowSet(const TFavoriteVoiceSet& set);
    // The live set with bytes 0..2 of every record taken from its row's voice; with
    // an empty voice list nothing can be chosen and every record stays as it was.
    TFavoriteVoiceSet BuildSet() const;

    // The buttons' work: a file into the rows (the live set untouched), the rows
    // into a file, the default set into the rows.
    void LoadFromFile();
    void SaveToFile();
    void RestoreToDefault();

    // The combo box of record 0..23 (0..11 in gbMaster, 12..23 in gbSlave).
    QComboBox* RecordCombo(int record) const;
    // Places the dialog centred on `window` (without it QDialog centres it on its
    // parent when shown).
    void CentreOn(QWidget* window) { adjustPosition(window); }

    TFavoriteVoicesFileDialogs FileDialogs = TFavoriteVoicesFileDialogs::Standard();

    QGroupBox* gbSlave = nullptr;
    QGroupBox* gbMaster = nullptr;
    std::array<QLabel*, RowCount> lblSlave{};
    std::array<QComboBox*, RowCount> cbSlave{};
    std::array<QLabel*, RowCount> lblMaster{};
    std::array<QComboBox*, RowCount> cbMaster{};
    QPushButton* btnLoad = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnRestoreToDefult = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    QGroupBox* MakeGroup(const char* caption, int x, const char* labelPrefix,
                         std::array<QLabel*, RowCount>& labels,
                         std::array<QComboBox*, RowCount>& combos);

    const TVoiceList& Voices;
    const TFavoriteVoiceSet Live;
    std::string ProgramFolder;
    QStyle* ListStyle = nullptr; // the combo boxes' style, owned by the dialog
};

// Runs the dialog modally over `set`, centred on `centreOn` (by default on `parent`).
// OK stores the edited set in `set` and returns true; Cancel (or closing) leaves
// `set` alone and returns false.
bool EditFavoriteVoices(QWidget* parent, TFavoriteVoiceSet& set, const TVoiceList& voices,
                        const std::string& programFolder, QWidget* centreOn = nullptr);
