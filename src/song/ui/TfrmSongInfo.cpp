#include "song/ui/TfrmSongInfo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// The record's texts keep a remark's line breaks as CR LF, as the files hold them.
QString FromRecord(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

std::string ToRecord(QString text) {
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n")).toStdString();
}

} // namespace

TfrmSongInfo::TfrmSongInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8("歌曲信息"));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);

    lblTitle = new QLabel(QString::fromUtf8("标题："), this);
    lblTitle->move(8, 8);
    edTitle = new QLineEdit(this);
    edTitle->setGeometry(8, 24, 185, 20);
    lblPlayer = new QLabel(QString::fromUtf8("演奏者："), this);
    lblPlayer->move(8, 56);
    edPlayer = new QLineEdit(this);
    edPlayer->setGeometry(8, 72, 185, 20);
    lblRemark = new QLabel(QString::fromUtf8("注释："), this);
    lblRemark->move(8, 104);
    memRemark = new QPlainTextEdit(this);
    memRemark->setGeometry(8, 120, 185, 105);
    memRemark->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memRemark->setTabChangesFocus(true);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setGeometry(66, 232, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    for (QLabel* l : {lblTitle, lblPlayer, lblRemark})
        l->adjustSize();
    SetReadOnly(false);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSongInfo::SetReadOnly(bool readOnly) {
    IsReadOnly = readOnly;
    edTitle->setReadOnly(readOnly);
    edPlayer->setReadOnly(readOnly);
    memRemark->setReadOnly(readOnly);
    if (readOnly) {
        setTabOrder(btnOK, edTitle);
        setTabOrder(edTitle, edPlayer);
        setTabOrder(edPlayer, memRemark);
    } else {
        setTabOrder(edTitle, edPlayer);
        setTabOrder(edPlayer, memRemark);
        setTabOrder(memRemark, btnOK);
    }
    if (isVisible()) (readOnly ? static_cast<QWidget*>(btnOK) : edTitle)->setFocus();
}

void TfrmSongInfo::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The first control of the tab order has the focus.
    (IsReadOnly ? static_cast<QWidget*>(btnOK) : edTitle)->setFocus();
}

void TfrmSongInfo::FillFields(const TSongInfoRec& info) {
    edTitle->setText(FromRecord(info.Title.Utf8()));
    edPlayer->setText(FromRecord(info.Performer.Utf8()));
    memRemark->setPlainText(FromRecord(info.Remark.Utf8()));
}

TSongInfoRec TfrmSongInfo::ReadFields() const {
    TSongInfoRec info{};
    info.Title.SetUtf8(ToRecord(edTitle->text()));
    info.Performer.SetUtf8(ToRecord(edPlayer->text()));
    info.Remark.SetUtf8(ToRecord(memRemark->toPlainText()));
    return info;
}

bool ShowSongInfo(QWidget* parent, const QString& caption, const TSongInfoRec& in,
                  TSongInfoRec& out, bool readOnly, QString* typedTitle) {
    TfrmSongInfo dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.SetReadOnly(readOnly);
    dialog.FillFields(in);
    if (dialog.exec() != QDialog::Accepted) return false;
    out = dialog.ReadFields();
    if (typedTitle) *typedTitle = dialog.edTitle->text();
    return true;
}
