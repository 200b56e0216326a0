// The key-definition editor: what each definable key plays (up to four notes, each a
// degree, an accidental and an octave), the remark of the whole set, and .kdf files
// saved and loaded. It edits a copy of a set; the caller gets it back only on OK.
#pragma once

#include "keys/KeyDef.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStyle;

// How the editor asks for .kdf files and shows a message. The defaults are Qt's file
// dialogs (starting in `folder`) and a message box.
struct TKeyDefDialogs {
    // The chosen existing file, or nothing when the user cancels.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>
        AskOpenFile;
    // The chosen file to write (an existing one confirmed), or nothing.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>
        AskSaveFile;
    std::function<void(QWidget* parent, const QString& text)> ShowMessage;

    static TKeyDefDialogs Standard();
};

class TfrmSetKeyDef : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 536, ClientHeight = 372;
    static constexpr int RowCount = EditorSlotCount;
    static constexpr int PreviewWidth = 49, PreviewHeight = 97;
    static constexpr size_t CaptionBytes = 4, RemarkBytes = 240;
    static constexpr const char* HelpText = "自4.0版起，允许每个键定义成和弦(多个音同时发音)。"
                                            "但此功能目前尚不完善，建议慎用。";

    // The preview draws with the symbols of `staffMask` (it stays white without
    // them); the file dialogs start in `folder`. The mask must outlive the dialog.
    TfrmSetKeyDef(const QImage& staffMask, std::string folder, QWidget* parent = nullptr);

    // The dialog's copy of the set: every change of a control is stored in it at once,
    // the remark only by StoreRemark.
    TKeyDefSet Set{};

    // Shows the key (the first of the list when it is not a definable key): its
    // record in the rows, and the set's remark in the memo.
    void SelectKey(int keyIndex);
    // The key index shown, or -1.
    int SelectedKey() const;
    // Fills the controls from a record, no change handler running meanwhile, and
    // draws the preview.
    void LoadKey(const TKeyDef& record);
    // The record as the controls show it. The controls the user cannot change write
    // back exactly what LoadKey gave them.
    void StoreKey(TKeyDef& record) const;
    // StoreKey for the key shown, then the memo into the set's remark (at most 240
    // bytes in code page 936, never half a character).
    void StoreRemark();

    // The buttons' work.
    void btnSaveKeysDefClick();
    void btnLoadKeysDefClick();
    void btnHelpClick();

    // What the preview shows now.
    const QImage& PreviewPicture() const { return Preview; }

    TKeyDefDialogs Dialogs = TKeyDefDialogs::Standard();

    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label26 = nullptr;
    QComboBox* cbbKeysName = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label25 = nullptr;
    QLineEdit* edKeyCaption = nullptr;
    QCheckBox* cbNoTranspose = nullptr;
    QGroupBox* gbNotes = nullptr;
    QLabel *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label6 = nullptr,
           *Label5 = nullptr;
    QLabel *Label7 = nullptr, *Label1 = nullptr, *Label8 = nullptr, *Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* imgPreviewNotes = nullptr;
    // The note rows, row r for slot r.
    std::array<QComboBox*, RowCount> cbbDegree{};
    std::array<QComboBox*, RowCount> cbbAccidental{};
    std::array<QSpinBox*, RowCount> seOctave{};
    std::array<QSpinBox*, RowCount> seVelocity{};
    std::array<QComboBox*, RowCount> cbbKeyboard{};
    QGroupBox* GroupBox3 = nullptr;
    QPlainTextEdit* memRemarks = nullptr;
    QPushButton* btnSaveKeysDef = nullptr;
    QPushButton* btnLoadKeysDef = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* btnHelp = nullptr;

private:
    void MakeRow(int r);
    void cbbKeysNameChange();
    // A change of a row's control (or of the caption or no-transpose controls).
    void KeyControlChange(bool degreeChanged);
    void DrawPreview(const TKeyDef& record);

    const QImage& StaffMask;
    std::string Folder;
    std::vector<int> ListKeys; // the key index of each entry of cbbKeysName
    bool Filling = false;      // the controls are being filled: handlers do nothing
    TKeyDef Shown{};           // the record LoadKey last showed
    QString CaptionShown, RemarkShown;
    QImage Preview;
    QStyle* ListStyle = nullptr; // the drop-down lists' style, owned by the dialog
};

// Runs the editor modally over a copy of `set`, showing `firstKey` first. OK copies
// the edited set (every key changed, and the remark) into `set` and returns true;
// Cancel or closing leaves `set` alone and returns false. The preview draws with
// `staffMask`; the file dialogs start in `folder`.
bool EditKeyDefs(QWidget* parent, TKeyDefSet& set, int firstKey, const QImage& staffMask,
                 const std::string& folder);
