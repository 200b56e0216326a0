// The link label: what a click opens, and its colour under the mouse.
#include "ui/TKTLinkLabel.h"

#include "WidgetTestSupport.h"

#include <QDesktopServices>

using namespace uitest;

namespace {

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() {
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "Open");
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QStringList Opened;
public slots:
    void Open(const QUrl& url) { Opened << url.toString(); }
};

class LinkLabelTest : public ::testing::Test {
protected:
    UrlCatcher Desktop;
    std::unique_ptr<QWidget> Host = MakeHost(300, 100);
    TKTLinkLabel* Link = new TKTLinkLabel(Host.get());
    int Clicks = 0;

    void SetUp() override {
        Link->setText(QStringLiteral("访问作者主页以获取更多信息"));
        Link->move(20, 30);
        Link->adjustSize();
        Link->OnClick = [this](TKTLinkLabel*) { ++Clicks; };
        Show(*Host);
    }
};

TEST_F(LinkLabelTest, AWebLinkOpensItsAddress) {
    EXPECT_EQ(Link->AddressType, TAddressType::atWWW);
    Link->Address = QStringLiteral("https://brenvik.example/talvimorena/");
    Click(Link, {5, 5});
    EXPECT_EQ(Desktop.Opened, QStringList{"https://brenvik.example/talvimorena/"});
    EXPECT_EQ(Clicks, 1) << "the ordinary click follows";
}

TEST_F(LinkLabelTest, AWebAddressWithoutSchemeStillOpensAsAWebPage) {
    Link->Address = QStringLiteral("www.brenvik.example");
    EXPECT_EQ(Link->Target().toString(), QStringLiteral("http://www.brenvik.example"));
}

TEST_F(LinkLabelTest, AMailLinkOpensANewMailToItsAddress) {
    Link->AddressType = TAddressType::atMail;
    Link->Address = QStringLiteral("piano@brenvik.example");
    Click(Link, {5, 5});
    EXPECT_EQ(Desktop.Opened, QStringList{"mailto:piano@brenvik.example"});
}

TEST_F(LinkLabelTest, AWebLinkWithoutAddressOpensAnEmptyMail) {
    Link->Click();
    EXPECT_EQ(Desktop.Opened, QStringList{"mailto:"});
    EXPECT_EQ(Clicks, 1);
}

TEST_F(LinkLabelTest, PressAndReleaseMustBothBeOnTheLabel) {
    Link->Address = QStringLiteral("https://brenvik.example/");
    Press(Link, {5, 5});
    Release(Link, {5, 60});
    Click(Link, {-10, 5});
    Click(Link, {5, 5}, Qt::RightButton);
    EXPECT_TRUE(Desktop.Opened.isEmpty());
    EXPECT_EQ(Clicks, 0);
}

TEST_F(LinkLabelTest, TakesTheActiveColourWhileTheMouseIsOver) {
    QPalette p = Link->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Link->setPalette(p);
    Link->ActiveColor = QColor(255, 0, 0);
    int enters = 0, exits = 0;
    Link->OnMouseEnter = [&](TKTLinkLabel*) { ++enters; };
    Link->OnMouseExit = [&](TKTLinkLabel*) { ++exits; };

    Move(Link, {-15, -15});
    Move(Link, {5, 5});
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(Link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(Link->cursor().shape(), Qt::PointingHandCursor);
    Move(Link, {-15, -15});
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(Link->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(Link->cursor().shape(), Qt::ArrowCursor);
}

} // namespace

#include "LinkLabelTest.moc"
