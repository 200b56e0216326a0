// The program's file filters in the form Qt's file dialogs take.
#include "ui/FileDialogs.h"

#include <gtest/gtest.h>

namespace {
QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
} // namespace

TEST(FileDialogs, FiltersBecomeQtNameFilters) {
    const struct {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"Talvimorena FavoriteVoices File(*.fvc)|*.fvc", "Talvimorena FavoriteVoices File(*.fvc)"},
        {"Songs|*.lyt;*.mid", "Songs(*.lyt *.mid)"},
        {"Keys(*.kdf)|*.kdf|All files|*.*", "Keys(*.kdf);;All files(*.*)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileDialogNameFilter(c.filter), Q(c.qt)) << c.filter;
}
