#include "ui/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

QString FileDialogNameFilter(std::string_view filter) {
    const QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        // Qt takes the patterns from the parentheses at the end of the name, so
        // those are the patterns of the pair, in Qt's blank-separated form.
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            name.truncate(name.lastIndexOf(QLatin1Char('(')));
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << name + QLatin1Char('(') + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> AskFileWithQt(QWidget* parent, const std::string& folder,
                                         std::string_view filter, std::string_view defaultSuffix,
                                         bool save) {
    QFileDialog dialog(parent, QString(), FromUtf8(folder));
    dialog.setNameFilters(FileDialogNameFilter(filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(FromUtf8(defaultSuffix));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving asks before replacing a file (the dialog's own question).
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}
