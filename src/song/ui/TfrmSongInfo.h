// The song information dialog: title, performer and remark of a song, shown read-only
// after a song is opened, or edited before a recording is saved and for a saved song.
#pragma once

#include "song/SongRecords.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmSongInfo : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 201, ClientHeight = 262;

    explicit TfrmSongInfo(QWidget* parent = nullptr);

    // The three texts can be changed, or not; read-only also gives OK the focus.
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return IsReadOnly; }
    void FillFields(const TSongInfoRec& info);
    // The fields as a record: each text cut to its field's bytes in code page 936
    // (39, 19 and 255), a character that straddles the limit cut in the middle.
    TSongInfoRec ReadFields() const;

    QLabel* lblTitle = nullptr;
    QLineEdit* edTitle = nullptr;
    QLabel* lblPlayer = nullptr;
    QLineEdit* edPlayer = nullptr;
    QLabel* lblRemark = nullptr;
    QPlainTextEdit* memRemark = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool IsReadOnly = false;
};

// Shows the dialog modally with the caption and the information. Closed with OK, the
// fields go to `out` and the result is true; closed otherwise `out` stays as it was.
// With typedTitle, the title as typed goes there too (also cut by nothing).
bool ShowSongInfo(QWidget* parent, const QString& caption, const TSongInfoRec& in,
                  TSongInfoRec& out, bool readOnly, QString* typedTitle = nullptr);
