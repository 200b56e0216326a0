#include "app/TKTPianoForm.h"

#include "app/SongDialogs.h"
#include "app/WindowDialogs.h"
#include "app/WindowKeys.h"
#include "keys/ui/TKTPCKeyboard.h"
#include "settings/Settings.h"
#include "ui/ErrorMessageBox.h"
#include "ui/HandCursors.h"
#include "ui/SkinRect.h"
#include "ui/TKTMainButtons.h"
#include "ui/TKTPianoKb.h"
#include "ui/TKTSlider.h"
#include "ui/TKTSpinEdit.h"
#include "ui/TKTStaff.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <optional>

namespace {

// A key message of the keyboard reader, queued for the window's own thread under
// the message's number.
class TDIKeyMessage : public QEvent {
public:
    TDIKeyMessage(int message, int code, int keyIndex)
        : QEvent(static_cast<QEvent::Type>(message)), Code(code), KeyIndex(keyIndex) {}
    const int Code;
    const int KeyIndex;
};

// The command strip's buttons are the song commands' buttons, in the same order.
static_assert(TKTMainButtons::ButtonCount == CommandButtonCount);
constexpr bool SameButton(TKTMainButtons::TButton strip, TCommandButton command) {
    return static_cast<int>(strip) == static_cast<int>(command);
}
static_assert(SameButton(TKTMainButtons::Open, cbOpen) &&
              SameButton(TKTMainButtons::Save, cbSave) &&
              SameButton(TKTMainButtons::Play, cbPlay) &&
              SameButton(TKTMainButtons::Record, cbRecord) &&
              SameButton(TKTMainButtons::Setup, cbSetup) &&
              SameButton(TKTMainButtons::Help, cbHelp) &&
              SameButton(TKTMainButtons::About, cbAbout));

// The buttons the surface hands to the controller (the mouse pedal's).
std::optional<TMouseButton> SurfaceButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::MiddleButton:
        return TMouseButton::Middle;
    case Qt::RightButton:
        return TMouseButton::Right;
    default:
        return std::nullopt;
    }
}

} // namespace

TKTPianoForm::TKTPianoForm(TPianoFormSetup setup, TSettings& settings, const ITickClock& clock)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Setup(std::move(setup)) {
    // Frame, skin and client area.
    setWindowTitle(QString::fromUtf8(Title));
    // Errors no handler caught (a timer's tick) are shown in a box on this window.
    InstallErrorMessageBox(this, QString::fromUtf8(Title));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    Skin = Setup.Skin.copy();
    setFixedSize(SkinLayout::WindowWidth, SkinLayout::WindowHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    CreateControls();

    TPianoCoreSetup core = std::move(Setup.Core);
    ConnectHandOvers(core, settings);
    TControllerPorts views;
    views.PCKeyboard = PCKeyboardView.get();
    views.RightStrip = UpperStrip.get();
    views.LeftStrip = LowerStrip.get();
    views.Staff = StaffView.get();
    views.Boxes = this;
    VoiceLists = std::make_unique<TExternalVoiceListBoxes>(this, [this](bool right, int position) {
        Piano->Controller().SelectExternalVoice(right, position);
    });
    Piano = std::make_unique<TPianoCore>(std::move(core), settings, clock, *this, views);
    // The press that may follow the key editor's closing on the picture is not a note.
    Dialogs = std::make_unique<TWindowDialogs>(
        this, *Piano, Setup.StaffMask, Setup.DirectXVersion,
        [this] { PCKeyboardView->SetSkipNextKeyboardPress(true); });
    WindowKeys = new TWindowKeys(Piano->Keyboard().Device(), this);

    PedalTimer.setInterval(TPerformanceController::TimedPedalPeriodMs);
    connect(&PedalTimer, &QTimer::timeout, this, [this] { Piano->Controller().TimedPedalTick(); });
    PedalTimer.start();
}

TKTPianoForm::~TKTPianoForm() {
    PedalTimer.stop();
    Piano.reset();
    releaseKeyboard();
}

// What the core hands to the main thread: the keyboard reader's messages (from its
// worker), the mixer's notices (from its own thread), the playback timer's ticks and
// the built-in set's arrival. postEvent is safe from any thread; the reader (and its
// worker) ends with the core, before the window, and events still queued for the
// window go with it. The song commands' dialogs are the window's; a song's exports
// play with the piano's voices, voice set file and reverb.
void TKTPianoForm::ConnectHandOvers(TPianoCoreSetup& core, const TSettings& settings) {
    core.PostKeyMessage = [this](int message, int code, int keyIndex) {
        QCoreApplication::postEvent(this, new TDIKeyMessage(message, code, keyIndex));
    };
    core.PostMixerChange = [this] {
        QMetaObject::invokeMethod(
            this, [this] { Piano->MixerChanged(); }, Qt::QueuedConnection);
    };
    core.PostTimerEvent = [this](std::function<void()> job) {
        QCoreApplication::postEvent(this, new TPostedJob(std::move(job)));
    };
    core.PostVoiceSetLoaded = core.PostTimerEvent;
    SongDialogs = std::make_unique<TSongDialogs>(
        this, QString::fromStdString(core.ProgramFolder),
        TSongWindowHooks{[this](const QString& text) { ShowMessage(text.toStdString()); },
                         [this](const TCommandButtonStates& s) { ShowCommandButtons(s); },
                         [this](bool on) { SetPlayingViewsEnabled(on); },
                         [this]() -> const TVoiceList& { return Piano->Voices(); },
                         [this, &settings, folder = core.ProgramFolder] {
                             return Piano->ExternalVoiceSetInUse() ? ExternalVoiceSetPath(settings)
                                                                   : folder + "/msf4.s";
                         },
                         [&settings] { return settings.ReverbLevel; }});
    core.SongWindow = SongDialogs.get();
}

void TKTPianoForm::CreateControls() {
    PCKeyboardView =
        std::make_unique<TKTPCKeyboard>(this, Setup.Skin, Skin, Setup.StaffMask, KeyDefs);
    PCKeyboardView->SetOnKeyDown([this](int key) { Piano->Controller().PCKeyboardMouseDown(key); });
    PCKeyboardView->SetOnKeyUp([this](int key) { Piano->Controller().PCKeyboardMouseUp(key); });
    PCKeyboardView->SetOnMouseMove(
        [this](int key) { Piano->Controller().PCKeyboardMouseMove(key); });
    PCKeyboardView->SetOnDoubleClick(
        [this](int key) { Piano->Controller().PCKeyboardDoubleClick(key); });

    const auto strip = [this](SkinLayout::TSkinPoint origin, bool right) {
        auto kb = std::make_unique<TKTPianoKb>(this, &Skin, origin);
        kb->SetKeysCursor(right ? RightHandCursor() : LeftHandCursor());
        kb->SetOnPianoKeyDown([this, right](TKTMultiGlyphButton*, int position) {
            Piano->Controller().PianoKeyDown(right, position);
        });
        kb->SetOnPianoKeyUp([this, right](TKTMultiGlyphButton*, int position) {
            Piano->Controller().PianoKeyUp(right, position);
        });
        return kb;
    };
    UpperStrip = strip(SkinLayout::UpperPianoOrigin, true);
    LowerStrip = strip(SkinLayout::LowerPianoOrigin, false);

    CommandButtons = std::make_unique<TKTMainButtons>(this, &Skin);
    CommandButtons->SetOnButtonClick(
        [this](TKTMultiGlyphButton* sender) { Piano->CommandButtonClick(sender->Tag()); });
    ShowCommandButtons(InitialCommandButtons());

    Slider = new TKTSlider(this);
    Slider->SetTrack(&Skin, ToQRect(SkinLayout::SliderTrack));
    Slider->SetThumb(&Skin, ToQRect(SkinLayout::SliderThumb));
    Slider->move(TopLeftOf(SkinLayout::SliderTrack));
    Slider->SetHorizontal(true);
    Slider->SetTrackStart(QPoint(0, 0));
    Slider->SetTrackEnd(SkinLayout::SliderTrackEnd);
    ShowSlider(TPianoCore::InitialSlider);
    Slider->SetOnDblClick([this](TKTSlider*) { ShowSlider(Piano->SliderDoubleClick()); });

    StaffView = std::make_unique<TKTStaff>(this, &Skin, &Setup.StaffMask);

    for (size_t i = 0; i < Boxes.size(); ++i) {
        const SkinLayout::TSkinRect& r = SkinLayout::ValueBoxes[i];
        Boxes[i] = std::make_unique<TKTSpinEdit>(this, r.Top, r.Left, r.Height, r.Width, &Skin);
        const auto box = static_cast<TValueBox>(i);
        Boxes[i]->SetOnClick([this, box](TKTMultiGlyphButton* arrow) {
            Piano->Controller().StepValueBox(box, arrow->Tag() == TKTSpinEdit::UpArrow);
        });
    }
}

// ---- Events ----

bool TKTPianoForm::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case WM_DIKEYDOWN:
    case WM_DIKEYUP: {
        const auto* m = static_cast<TDIKeyMessage*>(e);
        Piano->KeyMessage(static_cast<int>(e->type()), m->Code, m->KeyIndex);
        return true;
    }
    case THighTimer::TimerEventType:
        static_cast<TPostedJob*>(e)->Run();
        return true;
    // Every key belongs to the instrument: no focus moves, no shortcuts.
    case QEvent::KeyPress:
        WindowKeys->KeyEvent(*static_cast<QKeyEvent*>(e), true);
        return true;
    case QEvent::KeyRelease:
        WindowKeys->KeyEvent(*static_cast<QKeyEvent*>(e), false);
        return true;
    case QEvent::ShortcutOverride:
        e->accept();
        return true;
    default:
        return QWidget::event(e);
    }
}

void TKTPianoForm::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange) {
        const bool active = isActiveWindow();
        if (!active) WindowKeys->FlushReleases();
        Piano->WindowActivated(active);
        // While active the Windows keys and Alt combinations reach the instrument.
        if (active)
            grabKeyboard();
        else
            releaseKeyboard();
    }
    QWidget::changeEvent(e);
}

void TKTPianoForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FirstShowDone) return;
    FirstShowDone = true;
    if (OnFirstShow) OnFirstShow();
}

void TKTPianoForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), Skin, ToQRect(SkinLayout::WindowFace));
}

void TKTPianoForm::mousePressEvent(QMouseEvent* e) {
    if (const auto button = SurfaceButton(e->button()))
        Piano->Controller().WindowMouseDown(*button);
    QWidget::mousePressEvent(e);
}

void TKTPianoForm::mouseReleaseEvent(QMouseEvent* e) {
    if (const auto button = SurfaceButton(e->button())) Piano->Controller().WindowMouseUp(*button);
    QWidget::mouseReleaseEvent(e);
}

void TKTPianoForm::mouseMoveEvent(QMouseEvent* e) {
    // A confined cursor is put back on its pixel.
    if (const auto at = Piano->Controller().ConfinedCursor()) {
        const QPoint pixel(at->X, at->Y);
        if (e->position().toPoint() != pixel) QCursor::setPos(mapToGlobal(pixel));
    }
    QWidget::mouseMoveEvent(e);
}
