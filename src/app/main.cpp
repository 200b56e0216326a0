// talvimorena: the piano. Start-up checks the platform and the glyph library, reads
// the command line and the settings, shows the splash and builds the main window.
#include "app/CommandLine.h"
#include "app/SystemParts.h"
#include "app/TKTPianoForm.h"
#include "base/FileUtil.h"
#include "keys/platform/EvdevKeyboard.h"
#include "settings/Settings.h"
#include "sound/platform/SoundPlatform.h"
#include "sound/platform/fluid/TKTDirectMusic.h"
#include "ui/GlyphLibrary.h"
#include "ui/TfrmAbout.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <iostream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT (a session that ends, Ctrl+C in a terminal) close the window as
// its close box does, through a socket the handler may write to.
int SignalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char c = 1;
    (void)!::write(SignalPipe[1], &c, 1);
}

void CloseOnTerminate(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char c;
        (void)!::read(SignalPipe[0], &c, 1);
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

void ErrorBox(const char* caption, const char* text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption), QString::fromUtf8(text),
                    QMessageBox::Ok);
    box.exec();
}

} // namespace

int main(int argc, char** argv) {
    // --help, --version and a mistaken command line are answered before any display.
    if (const auto status = AnswerCommandLine({argv + 1, argv + argc}, std::cout, std::cerr))
        return *status;

    QApplication app(argc, argv);
    // The title is the main window's caption; it is not made the display name, which
    // Qt would append to every other window's caption.
    QApplication::setApplicationName("talvimorena");
    CloseOnTerminate(app);

    const std::array<TPlatformCheck, 2> checks = {TKTDirectMusic::PlatformCheck(),
                                                  TEvdevKeyboard::PlatformCheck()};
    const uint32_t directXVersion = DetectDirectXVersion(checks);
    if (directXVersion < 0x800) {
        ErrorBox("Talvimorena错误！", "DirectX的版本太低。请安装DirectX 8.0及以上的版本。");
        return 1;
    }

    const std::string folder = ProgramFolder();
    TGlyphLibrary glyphs;
    if (!glyphs.Open(QString::fromStdString(folder))) {
        ErrorBox("错误！", "TalvimorenaGlyphs.dll 没有找到.");
        return 1;
    }

    std::vector<std::string> parameters(argv + 1, argv + argc);
    TPianoFormSetup setup;
    setup.Core.CommandLine = ParseCommandLine(parameters);
    setup.Core.ProgramFolder = folder;
    UseSystemParts(setup.Core);
    setup.DirectXVersion = directXVersion;
    setup.Skin = glyphs.LoadBitmap(TGlyphLibrary::SkinBitmapName);
    setup.StaffMask = glyphs.LoadBitmap(TGlyphLibrary::StaffMaskName);
    if (setup.Skin.isNull() || setup.StaffMask.isNull()) {
        ErrorBox("错误！", "TalvimorenaGlyphs.dll 没有找到.");
        return 1;
    }
    setup.ShowMessage = [](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(TKTPianoForm::Title), text,
                        QMessageBox::Ok);
        box.exec();
    };

    TSettings settings;
    LoadSettings(settings); // before any window exists
    ShowSplash(directXVersion);

    int result = 0;
    {
        TKTPianoForm form(std::move(setup), settings, TSystemTickClock::Instance());
        form.OnFirstShow = [] { CloseSplash(); };
        form.show();
        form.activateWindow();
        result = QApplication::exec();
    }
    CloseSplash();
    return result;
}
