// The About box, which also serves as the splash shown while the program starts:
// the splash is the same form without its border, cut off above the web link.
#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;
class TKTLinkLabel;

// The maker's web page, opened by the About box's link.
inline constexpr const char* MakerHomePage = "https://brenvik.example/talvimorena/";
// The platform version the start-up probe reports when everything is usable.
inline constexpr uint32_t UsablePlatformVersion = 0x800;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // platformVersion as the start-up probe measured it: major in bits 8..15, minor
    // in bits 0..7.
    explicit TfrmAbout(QWidget* parent = nullptr, uint32_t platformVersion = UsablePlatformVersion);

    // The line that names the platform generation: "[DirectX 8.0 或者更新]" for
    // everything the program runs on.
    static QString PlatformLineText(uint32_t platformVersion);

    // Without border, only the part above the link, centred on the screen.
    void MakeSplash();

    QLabel* lblBrenvikFamily = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDXVer = nullptr;
    QLabel* lblTitle = nullptr;
    QPushButton* btnOK = nullptr;
    TKTLinkLabel* lblLink = nullptr;

public slots:
    // The close box and Esc end the box as OK does.
    void reject() override;

private:
    void CentreOnScreen();
};

// Shows the About box modally and destroys it when it is closed.
void ShowAbout(QWidget* parent, uint32_t platformVersion = UsablePlatformVersion);
// Shows the splash without waiting and paints it at once; CloseSplash hides and
// destroys it (and does nothing when there is none).
void ShowSplash(uint32_t platformVersion = UsablePlatformVersion);
void CloseSplash();
// The splash now shown, or null.
TfrmAbout* CurrentSplash();
