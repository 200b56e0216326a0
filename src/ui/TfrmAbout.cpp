// The About form's controls and texts, and the process-wide splash.
#include "ui/TfrmAbout.h"

#include "ui/TKTLinkLabel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int FormWidth = 279, FormHeight = 248;
constexpr int LinkTop = 184; // the splash shows only what lies above the link

// The frame of the whole form: a sky-blue rectangle with a broad border, following
// the form's size (the splash is shorter).
class TShape : public QWidget {
public:
    explicit TShape(QWidget* form) : QWidget(form) {
        setGeometry(form->rect());
        form->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        constexpr int penWidth = 3;
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, penWidth));
        painter.setBrush(QColor(166, 202, 240));
        painter.drawRect(QRectF(rect()).adjusted(penWidth / 2.0, penWidth / 2.0, -penWidth / 2.0,
                                                 -penWidth / 2.0));
    }
};

// A sunken line along the bottom edge.
class TBevelLine : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(0, height() - 2, width() - 1, height() - 2);
        painter.setPen(Qt::white);
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

QFont FormFont() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    return font;
}

QFont TitleFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(32);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

void SetTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

// A label the size of its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

void CentreHorizontally(QWidget* control, int formWidth) {
    control->move((formWidth - control->width()) / 2, control->y());
}

QPointer<TfrmAbout> Splash;
} // namespace

QString TfrmAbout::PlatformLineText(uint32_t platformVersion) {
    if (platformVersion >= UsablePlatformVersion) return QStringLiteral("[DirectX 8.0 或者更新]");
    // The program does not start below 8.0; a box made anyway names what was found.
    return QStringLiteral("[DirectX %1.%2]")
        .arg((platformVersion >> 8) & 0xFF)
        .arg(platformVersion & 0xFF);
}

TfrmAbout::TfrmAbout(QWidget* parent, uint32_t platformVersion)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setFont(FormFont());

    setFixedSize(FormWidth, FormHeight);
    auto* shape = new TShape(this);
    shape->setObjectName(QStringLiteral("Shape1"));

    lblBrenvikFamily =
        MakeLabel(this, "lblBrenvikFamily", QStringLiteral("Brenvik音乐软件系列"), 16, 8);
    lblVersion = MakeLabel(this, "lblVersion", QStringLiteral("版本: 4.0"), 106, 75);
    lblVersion->move(lblVersion->x() - 20, lblVersion->y());

    auto* bevel = new TBevelLine(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setGeometry(40, 200, 201, 10);

    lblDXVer = MakeLabel(this, "lblDXVer", PlatformLineText(platformVersion), 103, 91);
    CentreHorizontally(lblDXVer, FormWidth);

    lblTitle = new QLabel(QStringLiteral("Talvimorena"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setTextFormat(Qt::PlainText);
    lblTitle->setFont(TitleFont());
    SetTextColour(lblTitle, QColor(128, 0, 0));
    lblTitle->setGeometry(24, 24, 232, 45);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(106, 216, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    lblLink = new TKTLinkLabel(this);
    lblLink->setObjectName(QStringLiteral("lblLink"));
    lblLink->AddressType = TAddressType::atWWW;
    lblLink->Address = QString::fromLatin1(MakerHomePage);
    lblLink->setText(QStringLiteral("访问作者主页以获取更多信息"));
    QFont linkFont = lblLink->font();
    linkFont.setUnderline(true);
    lblLink->setFont(linkFont);
    SetTextColour(lblLink, QColor(0, 0, 255));
    lblLink->ActiveColor = QColor(0, 0, 255);
    lblLink->move(64, LinkTop);
    lblLink->adjustSize();
    CentreHorizontally(lblLink, FormWidth);

    CentreOnScreen();
}

void TfrmAbout::reject() {
    accept();
}

void TfrmAbout::CentreOnScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TfrmAbout::MakeSplash() {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setFixedSize(FormWidth, LinkTop);
    CentreOnScreen();
}

void ShowAbout(QWidget* parent, uint32_t platformVersion) {
    TfrmAbout box(parent, platformVersion);
    box.exec();
}

void ShowSplash(uint32_t platformVersion) {
    CloseSplash();
    Splash = new TfrmAbout(nullptr, platformVersion);
    Splash->MakeSplash();
    Splash->show();
    Splash->repaint();
    // Let the window system map and draw it before the long start-up work begins.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CloseSplash() {
    if (!Splash) return;
    Splash->hide();
    delete Splash.data();
    Splash = nullptr;
}

TfrmAbout* CurrentSplash() {
    return Splash.data();
}
