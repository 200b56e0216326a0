// The program's file dialogs: its filters ("Name(*.ext)|*.ext|...", as the files
// of the program write them) in Qt's form, and the dialog every editor asks with.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

class QWidget;

// "Name(*.a)|*.a|Other(*.b;*.c)|*.b;*.c" -> "Name(*.a);;Other(*.b *.c)".
QString FileDialogNameFilter(std::string_view filter);

// Qt's file dialog starting in `folder`, with the filter and the suffix a name typed
// without one gets: an existing file to open, or a file to save under (asking
// before replacing one). The chosen path in UTF-8, or nothing when cancelled.
std::optional<std::string> AskFileWithQt(QWidget* parent, const std::string& folder,
                                         std::string_view filter, std::string_view defaultSuffix,
                                         bool save);
