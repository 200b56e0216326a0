#include "app/TKTPianoForm.h"

#include "app/SongDialogs.h"
#include "app/WindowKeys.h"
#include "base/FileUtil.h"
#include "keys/KeyDef.h"
#include "keys/platform/EvdevKeyboard.h"
#include "keys/ui/TKTPCKeyboard.h"
#include "keys/ui/TfrmSetKeyDef.h"
#include "settings/Settings.h"
#include "settings/ui/TfrmSetup.h"
#include "sound/ui/TfrmSetFavoriteVoices.h"
#include "ui/HandCursors.h"
#include "ui/SkinRect.h"
#include "ui/TKTMainButtons.h"
#include "ui/TKTPianoKb.h"
#include "ui/TKTSlider.h"
#include "ui/TKTSpinEdit.h"
#include "ui/TKTStaff.h"
#include "ui/TfrmAbout.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>

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
static_assert(TKTMainButtons::Open == cbOpen && TKTMainButtons::Save == cbSave &&
              TKTMainButtons::Play == cbPlay && TKTMainButtons::Record == cbRecord &&
              TKTMainButtons::Setup == cbSetup && TKTMainButtons::Help == cbHelp &&
              TKTMainButtons::About == cbAbout);

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TKTPianoForm::TKTPianoForm(TPianoFormSetup setup, TSettings& settings, const ITickClock& clock)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Setup(std::move(setup)) {
    // Frame, skin and client area.
    setWindowTitle(QString::fromUtf8(Title));
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

    // The keyboard reader posts its messages to this window, whose thread handles them.
    // postEvent is safe from any thread; the reader (and its worker) ends with the
    // core, before the window, and events still queued for the window go with it.
    TPianoCoreSetup core = std::move(Setup.Core);
    core.PostKeyMessage = [this](int message, int code, int keyIndex) {
        QCoreApplication::postEvent(this, new TDIKeyMessage(message, code, keyIndex));
    };
    if (Setup.UseEvdev) core.ExtraKeySource = TEvdevKeyboard::StartOn;
    // The mixer's notices come from its own thread.
    core.PostMixerChange = [this] {
        QMetaObject::invokeMethod(
            this, [this] { Piano->MixerChanged(); }, Qt::QueuedConnection);
    };
    // The song commands' dialogs; the playback timer's ticks come from its worker.
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
    core.PostTimerEvent = [this](std::function<void()> job) {
        QCoreApplication::postEvent(this, new TPostedJob(std::move(job)));
    };
    // The built-in voice set arrives after the window shows.
    core.PostVoiceSetLoaded = core.PostTimerEvent;
    TControllerPorts views;
    views.PCKeyboard = PCKeyboardView.get();
    views.RightStrip = UpperStrip.get();
    views.LeftStrip = LowerStrip.get();
    views.Staff = StaffView.get();
    views.Boxes = this;
    Piano = std::make_unique<TPianoCore>(std::move(core), settings, clock, *this, views);
    WindowKeys = new TWindowKeys(Piano->Keyboard().Device(), this);

    PedalTimer.setInterval(PedalTimerInterval);
    connect(&PedalTimer, &QTimer::timeout, this, [this] { Piano->Controller().TimedPedalTick(); });
    PedalTimer.start();
}

TKTPianoForm::~TKTPianoForm() {
    PedalTimer.stop();
    Piano.reset();
    releaseKeyboard();
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

// Range and position are set with the change handler detached, so that showing
// them writes nothing back.
void TKTPianoForm::ShowSlider(const TSliderSetting& setting) {
    Slider->SetOnChange({});
    Slider->SetMin(setting.Min);
    Slider->SetMax(setting.Max);
    Slider->SetPosition(setting.Position);
    Slider->SetOnChange([this](TKTSlider* s) { Piano->SliderChanged(s->Position()); });
}

// ---- What the core and the controller show ----

void TKTPianoForm::ShowValue(TValueBox box, std::string_view text) {
    const auto i = static_cast<size_t>(box);
    if (i < Boxes.size() && Boxes[i]) Boxes[i]->SetText(FromUtf8(text));
}

void TKTPianoForm::ShowCommandButtons(const TCommandButtonStates& states) {
    for (int i = 0; i < CommandButtonCount; ++i)
        CommandButtons->SetButtonEnabled(i, states.Enabled[static_cast<size_t>(i)]);
    CommandButtons->SetButtonLatched(cbPlay, states.PlayLatched);
    CommandButtons->SetButtonLatched(cbRecord, states.RecordLatched);
}

void TKTPianoForm::ShowMessage(std::string_view text) {
    if (Setup.ShowMessage) Setup.ShowMessage(FromUtf8(text));
}

void TKTPianoForm::ShowExternalVoiceLists(const TVoiceList& voices) {
    delete LeftList;
    delete RightList;
    LeftList = new QComboBox(this);
    RightList = new QComboBox(this);
    const std::array<std::pair<QComboBox*, SkinLayout::TSkinRect>, 2> lists{
        {{LeftList, SkinLayout::LeftVoiceListPlace}, {RightList, SkinLayout::RightVoiceListPlace}}};
    for (const auto& [list, place] : lists) {
        list->setGeometry(place.Left, place.Top, place.Width, list->sizeHint().height());
        list->setFocusPolicy(Qt::NoFocus); // keys stay with the instrument
        list->setMaxVisibleItems(16);
        for (int p = 0; p < voices.Count(); ++p)
            list->addItem(QString::fromStdString(voices.ListText(p)));
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
        list->show();
        const bool right = list == RightList;
        connect(list, &QComboBox::activated, this, [this, right](int position) {
            Piano->Controller().SelectExternalVoice(right, position);
        });
    }
}

int TKTPianoForm::ExternalVoiceListSelection(bool right) const {
    const QComboBox* list = right ? RightList : LeftList;
    return list ? list->currentIndex() : -1;
}

void TKTPianoForm::SelectExternalVoiceListItem(bool right, int position) {
    // Only a user's choice (activated) runs the list's handler, not this.
    if (QComboBox* list = right ? RightList : LeftList) list->setCurrentIndex(position);
}

void TKTPianoForm::CloseWindow() {
    // After the key message that asked for it has been handled.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TKTPianoForm::OpenWithDesktop(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void TKTPianoForm::ShowAbout() {
    ::ShowAbout(this, Setup.DirectXVersion);
}

void TKTPianoForm::ConfineCursor(int clientX, int clientY) {
    ConfinedAt = QPoint(clientX, clientY);
    CursorConfined = true;
    QCursor::setPos(mapToGlobal(ConfinedAt));
    grabMouse();
}

void TKTPianoForm::ReleaseCursor() {
    if (!CursorConfined) return;
    CursorConfined = false;
    releaseMouse();
}

void TKTPianoForm::SetCursorShape(TCursorShape shape) {
    if (shape == TCursorShape::Default)
        unsetCursor();
    else
        setCursor(shape == TCursorShape::LeftHand ? LeftHandCursor() : RightHandCursor());
}

void TKTPianoForm::OpenKeyEditor(int keyIndex) {
    EditKeyDefinitions(keyIndex);
}

void TKTPianoForm::EditKeyDefinitions(int keyIndex, QWidget* over) {
    // The press that may follow the editor's closing on the picture is not a note.
    PCKeyboardView->SetSkipNextKeyboardPress(true);
    constexpr int OneKey = 14;
    TKeyDefSet edited = KeyDefs;
    if (EditKeyDefs(over ? over : this, edited, keyIndex >= 0 ? keyIndex : OneKey, Setup.StaffMask,
                    Piano->ProgramFile("")))
        Piano->InstallEditedKeyDefs(edited);
}

bool TKTPianoForm::ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) {
    TSetupCallbacks editors;
    editors.EditKeyDefinitions = [this](QWidget* dialog) { EditKeyDefinitions(-1, dialog); };
    editors.EditFavoriteVoices = [this](QWidget* dialog) {
        TFavoriteVoiceSet edited = Piano->Favorites();
        if (EditFavoriteVoices(dialog, edited, Piano->Voices(), Piano->ProgramFile("")))
            Piano->SetFavorites(edited);
    };
    // The settings file lives with the program's other own files.
    editors.Save = [this](const TSettings& record) {
        return SaveSettings(record, OwnFilesFolder(Piano->ProgramFile("")) + SettingsFileName);
    };
    return ::ShowSettingsDialog(this, settings, switches, editors);
}

// While a song plays the keys and the boxes it sets are the song's.
void TKTPianoForm::SetPlayingViewsEnabled(bool enabled) {
    PCKeyboardView->SetKeysEnabled(enabled);
    UpperStrip->SetKeysEnabled(enabled);
    LowerStrip->SetKeysEnabled(enabled);
    for (TValueBox box : {TValueBox::Transpose, TValueBox::LeftOctave, TValueBox::RightOctave,
                          TValueBox::LeftVelocity, TValueBox::RightVelocity})
        Boxes[static_cast<size_t>(box)]->SetEnabled(enabled);
    if (enabled) Slider->setEnabled(true);
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
    if (e->button() == Qt::LeftButton) Piano->Controller().WindowMouseDown();
    QWidget::mousePressEvent(e);
}

void TKTPianoForm::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Piano->Controller().WindowMouseUp();
    QWidget::mouseReleaseEvent(e);
}

void TKTPianoForm::mouseMoveEvent(QMouseEvent* e) {
    // A confined cursor is put back on its pixel.
    if (CursorConfined && e->position().toPoint() != ConfinedAt)
        QCursor::setPos(mapToGlobal(ConfinedAt));
    QWidget::mouseMoveEvent(e);
}
