// The About box and the splash made from it.
#include "ui/TKTLinkLabel.h"
#include "ui/TfrmAbout.h"

#include "WidgetTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace uitest;

namespace {

TEST(AboutBox, ShowsTheTitleFamilyVersionAndPlatformLines) {
    TfrmAbout box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("关于"));
    EXPECT_EQ(box.size(), QSize(279, 248));
    EXPECT_EQ(box.font().pixelSize(), 12);
    EXPECT_EQ(box.lblTitle->text(), QStringLiteral("Talvimorena"));
    EXPECT_EQ(box.lblTitle->geometry(), QRect(24, 24, 232, 45));
    EXPECT_EQ(box.lblTitle->font().pixelSize(), 32);
    EXPECT_TRUE(box.lblTitle->font().bold());
    EXPECT_TRUE(box.lblTitle->font().italic());
    EXPECT_EQ(box.lblTitle->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    EXPECT_EQ(box.lblBrenvikFamily->text(), QStringLiteral("Brenvik音乐软件系列"));
    EXPECT_EQ(box.lblBrenvikFamily->pos(), QPoint(16, 8));
    EXPECT_EQ(box.lblVersion->text(), QStringLiteral("版本: 4.0"));
    EXPECT_EQ(box.lblVersion->pos(), QPoint(86, 75));
    EXPECT_EQ(box.lblDXVer->text(), QStringLiteral("[DirectX 8.0 或者更新]"));
    EXPECT_EQ(box.lblDXVer->y(), 91);
    EXPECT_EQ(box.lblDXVer->x(), (279 - box.lblDXVer->width()) / 2);
    EXPECT_GT(box.lblDXVer->width(), 60) << "sized to its text";
    EXPECT_EQ(box.btnOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.btnOK->geometry(), QRect(106, 216, 75, 25));
    EXPECT_EQ(box.findChild<QWidget*>("Bevel1")->geometry(), QRect(40, 200, 201, 10));
    EXPECT_EQ(box.findChild<QWidget*>("Shape1")->geometry(), QRect(0, 0, 279, 248));
}

TEST(AboutBox, ThePlatformLineIsTheSameForEveryUsableVersion) {
    for (uint32_t v : {0x800u, 0x801u, 0x900u}) {
        TfrmAbout box(nullptr, v);
        EXPECT_EQ(box.lblDXVer->text(), QStringLiteral("[DirectX 8.0 或者更新]")) << v;
    }
    EXPECT_EQ(TfrmAbout::PlatformLineText(0x700), QStringLiteral("[DirectX 7.0]"));
}

TEST(AboutBox, TheLinkLeadsToTheMakersPage) {
    TfrmAbout box;
    TKTLinkLabel* link = box.lblLink;
    EXPECT_EQ(link->text(), QStringLiteral("访问作者主页以获取更多信息"));
    EXPECT_EQ(link->AddressType, TAddressType::atWWW);
    EXPECT_EQ(link->Address, QLatin1String(MakerHomePage));
    EXPECT_EQ(link->Target(), QUrl(QLatin1String(MakerHomePage)));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->ActiveColor, QColor(0, 0, 255));
    EXPECT_EQ(link->y(), 184);
    EXPECT_EQ(link->x(), (279 - link->width()) / 2);
}

TEST(AboutBox, PaintsSkyBlueInsideABlackFrame) {
    TfrmAbout box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QImage shot = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveShot(shot, "about");
    EXPECT_EQ(QColor(shot.pixel(1, 100)), QColor(Qt::black));
    EXPECT_EQ(QColor(shot.pixel(277, 246)), QColor(Qt::black));
    EXPECT_EQ(QColor(shot.pixel(10, 150)), QColor(166, 202, 240));
    // The title is drawn in maroon.
    int maroon = 0;
    for (int y = 24; y < 69; ++y)
        for (int x = 24; x < 256; ++x)
            maroon += QColor(shot.pixel(x, y)) == QColor(128, 0, 0);
    EXPECT_GT(maroon, 200);
}

TEST(AboutBox, OKAndTheCloseBoxBothEndItAsOK) {
    TfrmAbout box;
    box.show();
    box.btnOK->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);

    TfrmAbout other;
    other.show();
    other.close();
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(other.result(), QDialog::Accepted);
}

TEST(AboutBox, ShowAboutWaitsForTheBoxAndDestroysIt) {
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isModal());
        box->btnOK->click();
        clicked = true;
    });
    ShowAbout(nullptr);
    EXPECT_TRUE(clicked);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TfrmAbout*>(w), nullptr);
}

TEST(Splash, IsTheBoxWithoutBorderCutAboveTheLink) {
    ShowSplash();
    TfrmAbout* splash = CurrentSplash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_FALSE(splash->isModal());
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->size(), QSize(279, 184));
    EXPECT_EQ(splash->lblDXVer->text(), QStringLiteral("[DirectX 8.0 或者更新]"));
    const QImage shot = splash->grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveShot(shot, "splash");
    EXPECT_EQ(shot.size(), QSize(279, 184));
    // The frame closes above where the link would be.
    EXPECT_EQ(QColor(shot.pixel(100, 183)), QColor(Qt::black));
    EXPECT_EQ(QColor(shot.pixel(100, 175)), QColor(166, 202, 240));
    EXPECT_EQ(splash->findChild<QWidget*>("Shape1")->geometry(), QRect(0, 0, 279, 184));

    QPointer<TfrmAbout> watch = splash;
    CloseSplash();
    EXPECT_EQ(CurrentSplash(), nullptr);
    EXPECT_TRUE(watch.isNull()) << "destroyed";
    CloseSplash(); // nothing left to close
}

TEST(Splash, ASecondSplashReplacesTheFirst) {
    ShowSplash();
    QPointer<TfrmAbout> first = CurrentSplash();
    ShowSplash();
    EXPECT_TRUE(first.isNull());
    EXPECT_NE(CurrentSplash(), nullptr);
    CloseSplash();
}

} // namespace
