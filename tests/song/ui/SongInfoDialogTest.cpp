// The song information dialog offscreen: its controls where they belong, the texts of
// a record in and out (cut to the fields' bytes in code page 936), read-only mode, and
// the modal call's two endings.
#include "ui/WidgetTestSupport.h"

#include "base/ShortString.h"
#include "song/ui/TfrmSongInfo.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The next modal dialog, once it shows, handed to `act`.
void WhenShown(std::function<void(TfrmSongInfo&)> act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<TfrmSongInfo*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
    });
}

// The four controls in the order Tab visits them, from `first`.
std::vector<QWidget*> TabOrder(TfrmSongInfo& d, QWidget* first) {
    const std::vector<QWidget*> controls{d.edTitle, d.edPlayer, d.memRemark, d.btnOK};
    std::vector<QWidget*> order;
    QWidget* w = first;
    do {
        if (std::find(controls.begin(), controls.end(), w) != controls.end()) order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && order.size() < controls.size());
    return order;
}

TEST(SongInfoDialog, ControlsCaptionsAndTabOrderAreTheFormsAndTheRecordFillsThem) {
    TfrmSongInfo d;
    EXPECT_EQ(d.windowTitle(), Q("歌曲信息"));
    EXPECT_EQ(d.size(), QSize(201, 262));
    EXPECT_EQ(d.lblTitle->text(), Q("标题："));
    EXPECT_EQ(d.lblPlayer->text(), Q("演奏者："));
    EXPECT_EQ(d.lblRemark->text(), Q("注释："));
    EXPECT_EQ(d.lblTitle->pos(), QPoint(8, 8));
    EXPECT_EQ(d.lblPlayer->pos(), QPoint(8, 56));
    EXPECT_EQ(d.lblRemark->pos(), QPoint(8, 104));
    EXPECT_EQ(d.edTitle->geometry(), QRect(8, 24, 185, 20));
    EXPECT_EQ(d.edPlayer->geometry(), QRect(8, 72, 185, 20));
    EXPECT_EQ(d.memRemark->geometry(), QRect(8, 120, 185, 105));
    EXPECT_EQ(d.memRemark->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(d.btnOK->geometry(), QRect(66, 232, 75, 25));
    EXPECT_EQ(d.btnOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(TabOrder(d, d.edTitle),
              (std::vector<QWidget*>{d.edTitle, d.edPlayer, d.memRemark, d.btnOK}));

    d.FillFields(MakeSongInfo("月光", "小林", "第一行\r\n第二行"));
    EXPECT_EQ(d.edTitle->text(), Q("月光"));
    EXPECT_EQ(d.edPlayer->text(), Q("小林"));
    EXPECT_EQ(d.memRemark->toPlainText(), Q("第一行\n第二行"));
    const TSongInfoRec back = d.ReadFields();
    EXPECT_EQ(back.Remark.Utf8(), "第一行\r\n第二行")
        << "line breaks go back as the files hold them";
    EXPECT_EQ(back.Title.Bytes(), Utf8ToCp936("月光"));

    d.show();
    uitest::SaveShot(d.grab().toImage(), "song-info-edit");
}

TEST(SongInfoDialog, TextsAreCutToTheirFieldsBytesInCodePage936) {
    TfrmSongInfo d;
    // 20 characters of two bytes: 40 bytes, one more than the title holds.
    d.edTitle->setText(QString(20, QChar(0x6708)));                                // 月
    d.edPlayer->setText(QStringLiteral("abcdefghij") + QString(5, QChar(0x5149))); // 光
    d.memRemark->setPlainText(QString(300, QLatin1Char('x')));
    const TSongInfoRec info = d.ReadFields();
    const std::string month = Utf8ToCp936("月");
    ASSERT_EQ(month.size(), 2u);
    ASSERT_EQ(info.Title.Length(), 39u);
    std::string nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += month;
    EXPECT_EQ(info.Title.Bytes().substr(0, 38), nineteen);
    EXPECT_EQ(static_cast<uint8_t>(info.Title.Raw[39]), static_cast<uint8_t>(month[0]))
        << "the straddling character is cut in the middle";
    EXPECT_EQ(info.Performer.Length(), 19u) << "10 letters and 4 1/2 characters";
    EXPECT_EQ(info.Performer.Bytes().substr(0, 10), "abcdefghij");
    EXPECT_EQ(info.Remark.Length(), 255u);
}

TEST(SongInfoDialog, ReadOnlyGivesOKTheFocusAndKeepsTheTexts) {
    TfrmSongInfo d;
    d.SetReadOnly(true);
    d.FillFields(MakeSongInfo("标题", "演奏", "注释"));
    d.show();
    d.activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(d.ReadOnly());
    EXPECT_TRUE(d.edTitle->isReadOnly());
    EXPECT_TRUE(d.edPlayer->isReadOnly());
    EXPECT_TRUE(d.memRemark->isReadOnly());
    EXPECT_EQ(d.focusWidget(), d.btnOK);
    EXPECT_EQ(TabOrder(d, d.btnOK),
              (std::vector<QWidget*>{d.btnOK, d.edTitle, d.edPlayer, d.memRemark}));
    QTest::keyClicks(d.edTitle, QStringLiteral("xyz"));
    QTest::keyClicks(d.memRemark, QStringLiteral("xyz"));
    EXPECT_EQ(d.edTitle->text(), Q("标题"));
    EXPECT_EQ(d.memRemark->toPlainText(), Q("注释"));
    uitest::SaveShot(d.grab().toImage(), "song-info-readonly");

    d.SetReadOnly(false);
    EXPECT_FALSE(d.edTitle->isReadOnly() || d.edPlayer->isReadOnly() || d.memRemark->isReadOnly());
    QTest::keyClicks(d.edTitle, QStringLiteral("!"));
    EXPECT_EQ(d.edTitle->text(), Q("标题!"));
}

TEST(SongInfoDialog, OKHandsBackTheFieldsAndTheCloseBoxLeavesTheRecord) {
    const TSongInfoRec in = MakeSongInfo("旧", "甲", "");
    TSongInfoRec out = MakeSongInfo("untouched", "", "");

    WhenShown([](TfrmSongInfo& d) {
        EXPECT_EQ(d.windowTitle(), Q("修改歌曲信息"));
        d.edTitle->setText(Q("新"));
        d.close();
    });
    EXPECT_FALSE(ShowSongInfo(nullptr, Q("修改歌曲信息"), in, out, false));
    EXPECT_EQ(out.Title.Utf8(), "untouched");

    WhenShown([](TfrmSongInfo& d) {
        d.edTitle->setText(Q("新"));
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(ShowSongInfo(nullptr, Q("修改歌曲信息"), in, out, false));
    EXPECT_EQ(out.Title.Utf8(), "新");
    EXPECT_EQ(out.Performer.Utf8(), "甲");

    // A title beyond code page 936: the record keeps what it can, the typed text
    // comes back whole for the file name.
    QString typed;
    WhenShown([](TfrmSongInfo& d) {
        d.edTitle->setText(Q("한국 Ωé ✓"));
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(ShowSongInfo(nullptr, Q("修改歌曲信息"), in, out, false, &typed));
    EXPECT_EQ(typed, Q("한국 Ωé ✓"));
    EXPECT_NE(out.Title.Utf8(), "한국 Ωé ✓");
}

} // namespace
