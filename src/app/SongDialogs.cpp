#include "app/SongDialogs.h"

#include "song/ui/TfrmSongInfo.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Dialog settings shared by opening and saving.
void SetUpSongDialog(QFileDialog& dialog) {
    dialog.setNameFilter(QString::fromLatin1(SongDialogFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(SongDialogSuffix));
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

TSongDialogs::TSongDialogs(QWidget* window, const QString& programFolder, TSongWindowHooks hooks)
    : Window(window), Hooks(std::move(hooks)) {
    const QFileInfo folder(programFolder);
    Folder = folder.isDir() && folder.isWritable() ? folder.absoluteFilePath() : QDir::homePath();
    Pause.setSingleShot(true);
    QObject::connect(&Pause, &QTimer::timeout, [this] {
        std::function<void()> then = std::move(AfterPause);
        AfterPause = nullptr;
        if (then) then();
    });
}

std::optional<std::string> TSongDialogs::AskOpenSongFile() {
    QFileDialog dialog(Window, QString(), Folder);
    SetUpSongDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Chosen(dialog);
}

std::optional<std::string> TSongDialogs::AskSaveSongFile(const std::string& proposedName) {
    QFileDialog dialog(Window, QString(), Folder);
    SetUpSongDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(FromUtf8(proposedName)); // the overwrite prompt is the dialog's own
    return Chosen(dialog);
}

bool TSongDialogs::ShowSongInfo(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                                bool readOnly) {
    return ::ShowSongInfo(Window, FromUtf8(caption), in, out, readOnly);
}

bool TSongDialogs::ShowSongInfoTyped(std::string_view caption, const TSongInfoRec& in,
                                     TSongInfoRec& out, std::string& typedTitle) {
    QString typed;
    const bool ok = ::ShowSongInfo(Window, FromUtf8(caption), in, out, false, &typed);
    typedTitle = ok ? typed.toStdString() : std::string();
    return ok;
}

void TSongDialogs::ShowSongMessage(std::string_view text) {
    if (Hooks.ShowMessage) Hooks.ShowMessage(FromUtf8(text));
}

void TSongDialogs::SetSongCaption(std::string_view caption) {
    Window->setWindowTitle(FromUtf8(caption));
}

void TSongDialogs::ShowSongButtons(const TCommandButtonStates& states) {
    if (Hooks.ShowButtons) Hooks.ShowButtons(states);
}

void TSongDialogs::SetPlayingViewsEnabled(bool enabled) {
    if (Hooks.SetPlayingViewsEnabled) Hooks.SetPlayingViewsEnabled(enabled);
}

void TSongDialogs::StartSongPause(int ms, std::function<void()> then) {
    AfterPause = std::move(then);
    Pause.start(ms);
}

void TSongDialogs::CancelSongPause() {
    Pause.stop();
    AfterPause = nullptr;
}
