#include "app/TKTPianoForm.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"
#include "keys/EvdevKeyCodes.h"
#include "keys/KeyDef.h"
#include "keys/platform/EvdevKeyboard.h"
#include "settings/Settings.h"
#include "sound/FavoriteVoices.h"
#include "sound/PortList.h"
#include "sound/VoiceList.h"
#include "ui/TKTMainButtons.h"
#include "ui/TKTSlider.h"
#include "ui/TKTSpinEdit.h"
#include "ui/TfrmAbout.h"

#include <QComboBox>
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

// The value boxes: left, top, width (all 19 high) on the window.
struct TBoxPlace {
    int Left, Top, Width;
};
constexpr std::array<TBoxPlace, 7> BoxPlaces = {{
    {373, 316, 96}, // transposition
    {373, 346, 37}, // left octave
    {432, 346, 37}, // right octave
    {373, 376, 37}, // left velocity
    {433, 376, 37}, // right velocity
    {373, 406, 37}, // left voice
    {433, 406, 37}, // right voice
}};
constexpr int BoxHeight = 19;

// A file of the program folder (given with or without its final slash).
std::string InFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

QString ProgramFile(const std::string& folder, const char* name) {
    return QString::fromStdString(InFolder(folder, name));
}

} // namespace

TKTPianoForm::TKTPianoForm(TPianoFormSetup setup, TSimpleRecorder& recorder,
                           const ITickClock& clock)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Setup(std::move(setup)), Recorder(recorder) {
    // Frame, skin and client area.
    setWindowTitle(QString::fromUtf8(Title));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    Skin = Setup.Skin.copy();
    StaffMask = Setup.StaffMask;
    setFixedSize(ClientWidth, ClientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // The synthesiser exists from here on, opened or not, so that the controller
    // always has one to speak to.
    Music = std::make_unique<TKTDirectMusic>(Voices, Setup.Sound);
    TControllerPorts ports;
    ports.Boxes = this;
    ports.Window = this;
    ports.Songs = this;
    Performer = std::make_unique<TPerformanceController>(*Music, Recorder, clock, Voices, ports);

    // Command buttons: the enabled states of a window with no song.
    CommandButtons = std::make_unique<TKTMainButtons>(this, &Skin);
    CommandButtons->SetOnButtonClick(
        [this](TKTMultiGlyphButton* sender) { OnButtonClick(sender->Tag()); });
    const bool enabled[TKTMainButtons::ButtonCount] = {true, false, false, true, true, true, true};
    for (int i = 0; i < TKTMainButtons::ButtonCount; ++i)
        CommandButtons->SetButtonEnabled(i, enabled[i]);
    CreateSlider();
    CreateValueBoxes();

    // The keyboard reader posts its messages to this window, whose thread handles them.
    // postEvent is safe from any thread; the reader (and its worker) ends before the
    // window does, and events still queued for the window go with it.
    Reader = std::make_unique<TKTDIKeyBoard>(
        [this](int message, int code, int keyIndex) {
            QCoreApplication::postEvent(this, new TDIKeyMessage(message, code, keyIndex));
        },
        Setup.UseEvdev ? TKeySourceStarter(TEvdevKeyboard::StartOn) : TKeySourceStarter());
    Reader->SetActive(true);
    Performer->HeldKeys().Clear();
    LoadDefaultKeyDefs();

    SetUpSound(Setup.CommandLine, Setup.ProgramFolder);

    Performer->SetPerformerDefaults();
    Performer->ConnectRecorder();

    SynthVolumeValue = 0;
    Music->SetSynthVolume(0);
    Performer->SelectRightVoice(0);
    Performer->SelectLeftVoice(0);
    LoadFavoriteVoices(InFolder(Setup.ProgramFolder, "Default.fvc"), Favorites);
    Performer->SelectRightVoice(0);
    Performer->SelectLeftVoice(0);
    Music->SelectDrumKit();

    ReleaseTimer.setSingleShot(true);
    ReleaseTimer.setInterval(ReleaseWaitMs);
    connect(&ReleaseTimer, &QTimer::timeout, this, [this] { FlushReleases(); });
    PendingReleases.reserve(16);

    PedalTimer.setInterval(PedalTimerInterval);
    connect(&PedalTimer, &QTimer::timeout, this, [this] { Performer->TimedPedalTick(); });
    PedalTimer.start();
}

TKTPianoForm::~TKTPianoForm() {
    PedalTimer.stop();
    Performer->StopAll(true, true, true, true, true, true, true, true);
    Performer->SetMousePedal(false);
    // The reader goes first, so that nothing is posted to a window being destroyed.
    Reader.reset();
    releaseKeyboard();
}

void TKTPianoForm::CreateSlider() {
    Slider = new TKTSlider(this);
    Slider->SetTrack(&Skin, QRect(371, 288, 110, 19));
    Slider->SetThumb(&Skin, QRect(1077, 288, 8, 19));
    Slider->move(371, 288);
    Slider->SetMin(0);
    Slider->SetMax(127);
    Slider->SetHorizontal(true);
    Slider->SetTrackStart(QPoint(0, 0));
    Slider->SetTrackEnd(Slider->width() - 10);
    Slider->SetPosition(50);
    Slider->SetOnChange([this](TKTSlider*) { OnSliderChange(); });
    Slider->SetOnDblClick([this](TKTSlider*) { OnSliderDoubleClick(); });
}

void TKTPianoForm::CreateValueBoxes() {
    for (size_t i = 0; i < Boxes.size(); ++i) {
        const TBoxPlace& p = BoxPlaces[i];
        Boxes[i] = std::make_unique<TKTSpinEdit>(this, p.Top, p.Left, BoxHeight, p.Width, &Skin);
        const auto box = static_cast<TValueBox>(i);
        Boxes[i]->SetOnClick([this, box](TKTMultiGlyphButton* arrow) {
            OnBoxArrow(box, arrow->Tag() == TKTSpinEdit::UpArrow);
        });
    }
}

// ---- Sound ----

void TKTPianoForm::SetUpSound(const TCommandLine& commandLine, const std::string& programFolder) {
    int port = commandLine.PortNumber;
    if (port >= 0)
        WriteOutDevList(Music->PortList(), InFolder(programFolder, OutDevListFileName));
    else
        port = Music->DefaultOutputPortIndex();
    SoundIsOpen = Music->SelectOutputPort(port);
    if (!SoundIsOpen) return; // the program runs silently
    Latency = static_cast<int>(Music->GetWriteLatency());
    Period = static_cast<int>(Music->GetWritePeriod());
    ApplySettings(Setup.Settings, {false, false, false, false});
    const std::string external = ExternalVoiceSetPath(Setup.Settings);
    ExternalInUse = !external.empty();
    if (ExternalInUse) {
        Music->ReloadExternalDLS(external);
        RebuildExternalVoiceLists();
        return;
    }
    std::vector<uint8_t> image;
    const std::string path = InFolder(programFolder, "msf4.s");
    if (ReadFilePrefix(path, size_t{1} << 30, image) != TReadResult::Ok) {
        if (Setup.ShowMessage) Setup.ShowMessage(QStringLiteral("msf4.s not found."));
        return;
    }
    Music->LoadVoiceSetFromMemory(image);
}

void TKTPianoForm::ApplySettings(const TSettings& record, const std::array<bool, 4>& switches) {
    Latency = record.Latency;
    Period = WritePeriodForLatency(record.Latency);
    Music->SetWriteLatency(static_cast<uint32_t>(std::max(Latency, 0)));
    Music->SetWritePeriod(static_cast<uint32_t>(std::max(Period, 0)));
    Music->SetReverbLevel(record.ReverbLevel);
    Performer->SetNotebookMode(switches[0]);
    Performer->SetLoopPlay(switches[1]);
    Performer->SetSmartSemitone(switches[3]);
    Performer->SetTimedPedal(switches[2]);
}

void TKTPianoForm::RebuildExternalVoiceLists() {
    delete LeftList;
    delete RightList;
    LeftList = new QComboBox(this);
    RightList = new QComboBox(this);
    LeftList->setGeometry(32, 240, 201, LeftList->sizeHint().height());
    RightList->setGeometry(272, 240, 201, RightList->sizeHint().height());
    for (QComboBox* list : {LeftList.data(), RightList.data()}) {
        list->setFocusPolicy(Qt::NoFocus); // keys stay with the instrument
        list->setMaxVisibleItems(16);
        for (int p = 0; p < Voices.Count(); ++p)
            list->addItem(QString::fromStdString(Voices.ListText(p)));
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
        list->show();
    }
    connect(LeftList, &QComboBox::activated, this, [this] { OnExternalListChange(false); });
    connect(RightList, &QComboBox::activated, this, [this] { OnExternalListChange(true); });
}

void TKTPianoForm::OnExternalListChange(bool right) {
    QComboBox* list = right ? RightList : LeftList;
    if (!list) return;
    const int position = list->currentIndex();
    if (position < 0 || position >= Voices.Count()) return;
    const uint32_t patch = Voices[position].Patch;
    Music->SetPatch(right ? RightChannel : LeftChannel, patch);
    if (Recorder.IsRecording()) {
        if (right)
            Recorder.RecordRightVoice(static_cast<int32_t>(patch));
        else
            Recorder.RecordLeftVoice(static_cast<int32_t>(patch));
    }
}

// ---- Buttons, boxes, slider ----

void TKTPianoForm::OnButtonClick(int index) {
    switch (index) {
    case TKTMainButtons::Play:
        if (Performer->HeldKeys().ShiftState() == 1) Performer->SetLoopPlay(true);
        // Playback of songs arrives with the song commands.
        break;
    case TKTMainButtons::Help:
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(ProgramFile(Setup.ProgramFolder, "Talvimorena3.chm")));
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            ProgramFile(Setup.ProgramFolder, "Talvimorena4.0简要说明.htm")));
        break;
    case TKTMainButtons::About:
        Performer->StopAll(true, true, true, true, true, true, true, true);
        ShowAbout(this, Setup.DirectXVersion);
        break;
    default:
        // Open, Save, Record and Setup arrive with the song commands and the
        // settings dialog.
        break;
    }
}

void TKTPianoForm::UpdateButtons() {
    const bool recording = Recorder.IsRecording();
    const bool playing = Recorder.IsPlaying();
    TKTMainButtons& b = *CommandButtons;
    if (recording || playing) {
        for (int i = 0; i < TKTMainButtons::ButtonCount; ++i) b.SetButtonEnabled(i, false);
        b.SetButtonEnabled(recording ? TKTMainButtons::Record : TKTMainButtons::Play, true);
        return;
    }
    for (int i = 0; i < TKTMainButtons::ButtonCount; ++i) b.SetButtonEnabled(i, true);
    b.SetButtonEnabled(TKTMainButtons::Save, false); // no song name yet: nothing new to save
    b.SetButtonEnabled(TKTMainButtons::Play, Recorder.EventCount() > 0);
}

void TKTPianoForm::OnBoxArrow(TValueBox box, bool up) {
    const TPerformerState& s = Performer->State();
    const int step = up ? 1 : -1;
    const int count = Voices.Count();
    switch (box) {
    case TValueBox::Transpose: Performer->SetTranspose(s.Transpose + step); break;
    case TValueBox::LeftOctave: Performer->SetLeftOctave(s.LeftOctave + step); break;
    case TValueBox::RightOctave: Performer->SetRightOctave(s.RightOctave + step); break;
    case TValueBox::LeftVelocity: Performer->SetLeftVelocity(s.LeftVelocity + step); break;
    case TValueBox::RightVelocity: Performer->SetRightVelocity(s.RightVelocity + step); break;
    case TValueBox::LeftVoice:
        if (count > 0) Performer->SelectLeftVoice((count + s.LeftVoiceIndex + step) % count);
        break;
    case TValueBox::RightVoice:
        if (count > 0) Performer->SelectRightVoice((count + s.RightVoiceIndex + step) % count);
        break;
    }
}

void TKTPianoForm::ShowValue(TValueBox box, std::string_view text) {
    const auto i = static_cast<size_t>(box);
    if (i < Boxes.size() && Boxes[i])
        Boxes[i]->SetText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TKTPianoForm::OnSliderChange() {
    if (!SliderSynthMode) return; // the system's master volume arrives with the mixer
    SynthVolumeValue = Slider->Position();
    Music->SetSynthVolume(SynthVolumeValue);
}

void TKTPianoForm::SetSliderQuietly(int min, int max, int position) {
    Slider->SetOnChange({});
    Slider->SetMin(min);
    Slider->SetMax(max);
    Slider->SetPosition(position);
    Slider->SetOnChange([this](TKTSlider*) { OnSliderChange(); });
}

void TKTPianoForm::OnSliderDoubleClick() {
    SliderSynthMode = !SliderSynthMode;
    if (SliderSynthMode)
        SetSliderQuietly(-2000, 2000, SynthVolumeValue);
    else
        SetSliderQuietly(0, 127, 0); // no mixer yet: the master volume reads 0
}

// ---- Window: cursor, songs, keys, activation, painting ----

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
        setCursor(Qt::PointingHandCursor);
}

void TKTPianoForm::OpenKeyEditor(int) {
    // The key-definition editor arrives with its own dialog.
}

void TKTPianoForm::SetSongRecording(bool on) {
    Recorder.SetRecording(on);
    CommandButtons->SetButtonLatched(TKTMainButtons::Record, Recorder.IsRecording());
    UpdateButtons();
}

void TKTPianoForm::SetSongPlaying(bool on) {
    Recorder.SetPlaying(on);
    CommandButtons->SetButtonLatched(TKTMainButtons::Play, Recorder.IsPlaying());
    UpdateButtons();
}

bool TKTPianoForm::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case WM_DIKEYDOWN:
    case WM_DIKEYUP: {
        const auto* m = static_cast<TDIKeyMessage*>(e);
        if (static_cast<int>(e->type()) == WM_DIKEYDOWN)
            Performer->WMDIKeyDown(m->Code, m->KeyIndex);
        else
            Performer->WMDIKeyUp(m->Code, m->KeyIndex);
        return true;
    }
    // Every key belongs to the instrument: no focus moves, no shortcuts.
    case QEvent::KeyPress: HandleKey(static_cast<QKeyEvent*>(e), true); return true;
    case QEvent::KeyRelease: HandleKey(static_cast<QKeyEvent*>(e), false); return true;
    case QEvent::ShortcutOverride: e->accept(); return true;
    default: return QWidget::event(e);
    }
}

void TKTPianoForm::HandleKey(QKeyEvent* key, bool down) {
    // The system's auto-repeat comes as release and press pairs: both are dropped.
    if (key->isAutoRepeat()) return;
    // Under X11 the native scan code is the evdev code plus 8; keys pair by it, never
    // by key(), which Shift changes between press and release.
    const int code = DikOfEvdevCode(static_cast<int>(key->nativeScanCode()) - 8);
    if (code < 0) return;
    const quint64 time = key->timestamp();
    if (!down) {
        PendingReleases.push_back({code, time});
        if (!ReleaseTimer.isActive()) ReleaseTimer.start();
        return;
    }
    for (auto it = PendingReleases.begin(); it != PendingReleases.end(); ++it) {
        if (it->Code != code) continue;
        const bool repeat = it->Time == time;
        PendingReleases.erase(it);
        if (repeat) return; // the key is still held: nothing happened
        // A real release, then a new stroke: both reach the reader in their order.
        Reader->Device().SetKey(TKeyboardState::TSource::WindowKeys, code, false);
        break;
    }
    Reader->Device().SetKey(TKeyboardState::TSource::WindowKeys, code, true);
}

void TKTPianoForm::FlushReleases() {
    ReleaseTimer.stop();
    for (const TPendingRelease& r : PendingReleases)
        Reader->Device().SetKey(TKeyboardState::TSource::WindowKeys, r.Code, false);
    PendingReleases.clear();
}

void TKTPianoForm::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange) Activated(isActiveWindow());
    QWidget::changeEvent(e);
}

void TKTPianoForm::Activated(bool active) {
    if (!active) {
        // No key is read while another window is active, and none is left down.
        FlushReleases();
        Reader->Unacquire();
        releaseKeyboard();
        return;
    }
    if (!FirstActivationDone) {
        FirstActivationDone = true;
        if (ExternalInUse) {
            OnExternalListChange(false);
            OnExternalListChange(true);
        }
    }
    Reader->Acquire();
    grabKeyboard(); // the Windows keys and Alt combinations reach the instrument
}

void TKTPianoForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FirstShowDone) return;
    FirstShowDone = true;
    if (OnFirstShow) OnFirstShow();
}

void TKTPianoForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), Skin, QRect(0, 0, ClientWidth, ClientHeight));
}

void TKTPianoForm::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Performer->WindowMouseDown();
    QWidget::mousePressEvent(e);
}

void TKTPianoForm::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Performer->WindowMouseUp();
    QWidget::mouseReleaseEvent(e);
}

void TKTPianoForm::mouseMoveEvent(QMouseEvent* e) {
    // A confined cursor is put back on its pixel.
    if (CursorConfined && e->position().toPoint() != ConfinedAt)
        QCursor::setPos(mapToGlobal(ConfinedAt));
    QWidget::mouseMoveEvent(e);
}
