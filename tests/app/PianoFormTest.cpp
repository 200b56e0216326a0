// The main window offscreen, with the real controller and synthesiser (no port: its
// messages are seen in the MIDI log): key events to notes, value boxes, slider modes,
// the command buttons.
#include "TempDir.h"

#include "app/CommandLine.h"
#include "app/SystemParts.h"
#include "app/TKTPianoForm.h"
#include "base/FileUtil.h"
#include "keys/KeyTable.h"
#include "keys/ui/TKTPCKeyboard.h"
#include "keys/ui/TfrmSetKeyDef.h"
#include "settings/ui/TfrmSetup.h"
#include "sound/MidiLog.h"
#include "sound/ui/TfrmSetFavoriteVoices.h"
#include "ui/TKTMainButtons.h"
#include "ui/TKTPianoKb.h"
#include "ui/TKTSlider.h"
#include "ui/TKTSpinEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRectF>
#include <QSlider>
#include <QTimer>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

struct TClock : ITickClock {
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 1000;
};

// A skin of the real size, its released half one colour and its pressed half another.
QImage TestSkin() {
    QImage skin(1242, 436, QImage::Format_RGB32);
    QPainter p(&skin);
    p.fillRect(0, 0, 621, 436, QColor(30, 40, 50));
    p.fillRect(621, 0, 621, 436, QColor(200, 40, 40));
    return skin;
}

class PianoForm : public ::testing::Test {
protected:
    PianoForm() {
        TPianoFormSetup setup;
        setup.Core.ProgramFolder = Dir.Root().string();
        setup.Skin = TestSkin();
        setup.StaffMask = QImage(200, 100, QImage::Format_RGB32);
        setup.DirectXVersion = 0x800;
        setup.ShowMessage = [this](const QString& m) { Shown.push_back(m); };
        setup.Core.MakeSound = FluidSynthSound(TKTDirectMusicSetup::Offline(&Log));
        EXPECT_TRUE(Log.Open(Dir.Path("midi.log")));
        Form = std::make_unique<TKTPianoForm>(std::move(setup), Settings, Clock);
    }

    std::vector<std::string> Messages() const {
        std::ifstream in(Dir.Path("midi.log"));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
    // The log once n more lines arrived (a failure after 5 s, not a timing).
    std::vector<std::string> WaitForMessages(size_t n) {
        for (int i = 0; i < 500 && Messages().size() < n; ++i) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return Messages();
    }
    void Key(int evdev, bool down, bool repeat = false, quint64 time = 0) {
        QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, 0, Qt::NoModifier,
                    static_cast<quint32>(evdev + 8), 0, 0, QString(), repeat);
        e.setTimestamp(time);
        QApplication::sendEvent(Form.get(), &e);
    }
    void Click(QWidget* w) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
    QString BoxText(TValueBox box) { return Form->Box(box).Text(); }

    TTempDir Dir;
    TMidiLog Log;
    TClock Clock;
    TSettings Settings;
    std::vector<QString> Shown;
    std::unique_ptr<TKTPianoForm> Form;
};

} // namespace

TEST_F(PianoForm, StartsWithTheDefaultsAndNoSoundWithoutAPort) {
    EXPECT_EQ(Form->size(), QSize(621, 436));
    EXPECT_EQ(Form->windowTitle(), QString::fromUtf8("Talvimorena模拟钢琴"));
    EXPECT_FALSE(Form->Core().SoundOpen());
    EXPECT_TRUE(Shown.empty()) << "no port: no voice set is looked for";
    EXPECT_EQ(BoxText(TValueBox::Transpose), "1=C (0)");
    EXPECT_EQ(BoxText(TValueBox::LeftOctave), "0");
    EXPECT_EQ(BoxText(TValueBox::LeftVelocity), "70");
    EXPECT_EQ(BoxText(TValueBox::RightVelocity), "100");
    const bool enabled[] = {true, false, false, true, true, true, true};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Form->Buttons().ButtonEnabled(i), enabled[i]) << i;
    // The surface is the skin's released face.
    const QImage shot = Form->grab().toImage();
    EXPECT_EQ(shot.pixelColor(300, 300), QColor(30, 40, 50));
}

TEST_F(PianoForm, EveryControlStandsInItsPlaceOnTheWindow) {
    EXPECT_EQ(Form->size(), QSize(621, 436));
    const auto key = [&](int code) { return Form->PCKeyboard().KeyButton(KeyIndexOfCode(code)); };
    TKTSpinEdit& transpose = Form->Box(TValueBox::Transpose);
    TKTPianoKb& upper = Form->Strip(true);
    TKTPianoKb& lower = Form->Strip(false);
    const struct {
        const char* what;
        QWidget* control;
        QRect place;
    } places[] = {
        {"Open", Form->Buttons().Button(TKTMainButtons::Open), {22, 9, 65, 28}},
        {"Record", Form->Buttons().Button(TKTMainButtons::Record), {238, 9, 65, 28}},
        {"Help", Form->Buttons().Button(TKTMainButtons::Help), {382, 9, 65, 28}},
        {"About", Form->Buttons().Button(TKTMainButtons::About), {520, 9, 65, 28}},
        {"volume slider", &Form->VolumeSlider(), {371, 288, 110, 19}},
        {"transposition", transpose.Display(), {373, 316, 96, 19}},
        {"transposition up", transpose.Up(), {469, 316, 11, 10}},
        {"transposition down", transpose.Down(), {469, 325, 11, 9}},
        {"left octave", Form->Box(TValueBox::LeftOctave).Display(), {373, 346, 37, 19}},
        {"right octave", Form->Box(TValueBox::RightOctave).Display(), {432, 346, 37, 19}},
        {"left velocity", Form->Box(TValueBox::LeftVelocity).Display(), {373, 376, 37, 19}},
        {"right velocity", Form->Box(TValueBox::RightVelocity).Display(), {433, 376, 37, 19}},
        {"right velocity up", Form->Box(TValueBox::RightVelocity).Up(), {470, 376, 11, 10}},
        {"left voice", Form->Box(TValueBox::LeftVoice).Display(), {373, 406, 37, 19}},
        {"right voice", Form->Box(TValueBox::RightVoice).Display(), {433, 406, 37, 19}},
        // The right keyboard's strip at (10, 213), the left keyboard's at (10, 240).
        {"upper black 0", upper.BlackKey(0), {19, 213, 12, 14}},
        {"upper black 25 (MIDI 85)", upper.BlackKey(25), {509, 213, 12, 14}},
        {"upper black 29 (MIDI 94)", upper.BlackKey(29), {579, 213, 12, 14}},
        {"upper white 22 lower", upper.BigWhiteKey(22), {318, 227, 14, 12}},
        {"upper white 22 upper (a D)", upper.LittleWhiteKey(22), {325, 213, 2, 14}},
        {"upper top C", upper.BigWhiteKey(42), {598, 213, 14, 26}},
        {"upper top C upper", upper.LittleWhiteKey(42), {598, 213, 9, 14}},
        {"lower black 0", lower.BlackKey(0), {19, 240, 12, 14}},
        {"lower black 3 (MIDI 32)", lower.BlackKey(3), {75, 240, 12, 14}},
        {"lower white 0 lower", lower.BigWhiteKey(0), {10, 254, 14, 12}},
        {"lower white 6 upper (a B)", lower.LittleWhiteKey(6), {101, 240, 7, 14}},
        {"key 1", key(DIK::K1), {38, 80, 24, 20}},
        {"key Q", key(DIK::Q), {53, 102, 24, 20}},
        {"key L", key(DIK::L), {281, 125, 24, 20}},
        {"key /", key(DIK::SLASH), {320, 147, 24, 20}},
        {"key Right", key(DIK::RIGHT), {476, 170, 24, 20}},
        {"keypad +", key(DIK::ADD), {588, 102, 24, 43}},
        {"keypad 0", key(DIK::NUMPAD0), {507, 170, 51, 20}},
    };
    for (const auto& p : places) {
        ASSERT_NE(p.control, nullptr) << p.what;
        EXPECT_EQ(p.control->geometry(), p.place) << p.what;
    }
    EXPECT_EQ(key(DIK::ESCAPE), nullptr) << "no button for a key that cannot be defined";

    EXPECT_EQ(Form->ExternalVoiceList(false), nullptr) << "no lists for the built-in set";
    TVoiceList voices;
    voices.Add(TVoiceEntry{0, MakePatch(65, 0, 0), "Piano", 0, 0});
    Form->ShowExternalVoiceLists(voices);
    for (bool right : {false, true}) {
        const QRect list = Form->ExternalVoiceList(right)->geometry();
        EXPECT_EQ(list.topLeft(), QPoint(right ? 272 : 32, 240)) << right;
        EXPECT_EQ(list.width(), 201) << right;
        EXPECT_EQ(Form->ExternalVoiceList(right)->currentText(), "0: Piano");
    }
}

TEST_F(PianoForm, MousePedalHoldsBothPedalsUntilTheButtonThatPressedIsReleased) {
    const QPointF surface(400, 120); // no control there: the window's own surface
    const auto mouse = [&](QEvent::Type type, Qt::MouseButton button) {
        const bool press = type == QEvent::MouseButtonPress;
        QMouseEvent e(type, surface, Form->mapToGlobal(surface), button,
                      press ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Form.get(), &e);
    };
    const auto click = [&](Qt::MouseButton button) {
        mouse(QEvent::MouseButtonPress, button);
        mouse(QEvent::MouseButtonRelease, button);
    };
    // The synthesiser logs each message as it is handed over: what a step sent.
    size_t seen = Messages().size();
    const auto sent = [&] {
        const auto m = Messages();
        const std::vector<std::string> step(m.begin() + static_cast<long>(seen), m.end());
        seen = m.size();
        return step;
    };
    const std::vector<std::string> down{"B0 40 7F", "B1 40 7F"}, up{"B0 40 00", "B1 40 00"};
    TPerformanceController& controller = Form->Core().Controller();
    const struct {
        Qt::MouseButton pedal, other;
    } cases[] = {{Qt::LeftButton, Qt::RightButton},
                 {Qt::MiddleButton, Qt::LeftButton},
                 {Qt::RightButton, Qt::MiddleButton}};
    for (const auto& c : cases) {
        controller.SetMousePedal(false);
        click(c.pedal);
        EXPECT_EQ(sent(), std::vector<std::string>{}) << "mouse pedal off, button " << c.pedal;
        controller.SetMousePedal(true);
        mouse(QEvent::MouseButtonPress, c.pedal);
        EXPECT_EQ(sent(), down) << "button " << c.pedal;
        click(c.other); // neither presses again nor lets go
        EXPECT_EQ(sent(), std::vector<std::string>{}) << "button " << c.other;
        mouse(QEvent::MouseButtonRelease, c.pedal);
        EXPECT_EQ(sent(), up) << "button " << c.pedal;
    }
    controller.SetMousePedal(false);
}

TEST_F(PianoForm, KeyEventsBecomeNotesAndRepeatsAreDropped) {
    Form->Core().Keyboard().Acquire(); // as on activation
    const size_t base = Messages().size();
    Key(16, true);        // Q
    Key(16, false, true); // the system's auto-repeat: a release and a press
    Key(16, true, true);
    auto m = WaitForMessages(base + 1);
    Key(16, false);
    m = WaitForMessages(base + 2);
    ASSERT_GE(m.size(), base + 2);
    EXPECT_EQ(m[base], "90 3C 46");
    EXPECT_EQ(m[base + 1], "80 3C 40");
    Key(79, true); // keypad 1: the right keyboard
    m = WaitForMessages(base + 3);
    EXPECT_EQ(m.back(), "91 3C 64");
    Key(79, false);
    WaitForMessages(base + 4);
    // Leaving the window releases what is held.
    Key(16, true);
    WaitForMessages(base + 5);
    Form->Core().Keyboard().Unacquire();
    m = WaitForMessages(base + 6);
    EXPECT_EQ(m.back(), "80 3C 40");
}

TEST_F(PianoForm, AnUnflaggedRepeatPairAtOneServerTimeIsDroppedToo) {
    Form->Core().Keyboard().Acquire();
    const size_t base = Messages().size();
    Key(16, true, false, 100);
    for (quint64 t = 760; t < 1000; t += 40) { // release and press at the same time
        Key(16, false, false, t);
        Key(16, true, false, t);
    }
    Key(16, false, false, 1010);
    WaitForMessages(base + 2);
    // A real release and a new stroke at different times are both played.
    Key(16, true, false, 1500);
    WaitForMessages(base + 3);
    Key(16, false, false, 1600);
    Key(16, true, false, 1601);
    WaitForMessages(base + 5);
    Key(16, false, false, 1700);
    auto m = WaitForMessages(base + 6);
    for (int i = 0; i < 20; ++i) { // anything more would arrive now
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m = Messages();
    EXPECT_EQ(std::vector<std::string>(m.begin() + static_cast<long>(base), m.end()),
              (std::vector<std::string>{"90 3C 46", "80 3C 40", "90 3C 46", "80 3C 40", "90 3C 46",
                                        "80 3C 40"}));
}

TEST_F(PianoForm, ValueBoxArrowsStepTheControllerAndShowItsTexts) {
    Click(Form->Box(TValueBox::Transpose).Up());
    EXPECT_EQ(BoxText(TValueBox::Transpose), "1=bD (+1)");
    EXPECT_EQ(Form->Core().Controller().State().Transpose, 1);
    Click(Form->Box(TValueBox::RightOctave).Down());
    EXPECT_EQ(BoxText(TValueBox::RightOctave), "-1");
    Click(Form->Box(TValueBox::LeftVelocity).Up());
    EXPECT_EQ(BoxText(TValueBox::LeftVelocity), "71");
    // No voices loaded: the voice arrows do nothing and divide by nothing.
    Click(Form->Box(TValueBox::RightVoice).Up());
    EXPECT_EQ(Form->Core().Controller().State().RightVoiceIndex, 0);
}

TEST_F(PianoForm, SliderDoubleClickSwitchesBetweenSystemAndSynthesiserVolume) {
    TKTSlider& s = Form->VolumeSlider();
    EXPECT_EQ(s.Position(), 50);
    EXPECT_FALSE(Form->Core().SynthVolumeMode());
    const QPointF at(s.ThumbPlace().center());
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, s.mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s, &dbl);
    EXPECT_TRUE(Form->Core().SynthVolumeMode());
    EXPECT_EQ(s.MinValue(), -2000);
    EXPECT_EQ(s.MaxValue(), 2000);
    EXPECT_EQ(s.Position(), 0);
    s.SetPosition(-600);
    EXPECT_EQ(Form->Core().SynthVolume(), -600);
    QApplication::sendEvent(&s, &dbl);
    EXPECT_FALSE(Form->Core().SynthVolumeMode());
    EXPECT_EQ(s.MaxValue(), 127);
    EXPECT_EQ(Form->Core().SynthVolume(), -600) << "the synthesiser keeps its volume";
    QApplication::sendEvent(&s, &dbl);
    EXPECT_EQ(s.Position(), -600) << "and the slider shows it again";
}

TEST_F(PianoForm, ButtonsFollowRecordingAndShiftMakesPlayLoop) {
    Form->Core().SetSongRecording(true);
    EXPECT_TRUE(Form->Buttons().ButtonLatched(TKTMainButtons::Record));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Form->Buttons().ButtonEnabled(i), i == TKTMainButtons::Record) << i;
    Form->Core().SetSongRecording(false);
    EXPECT_FALSE(Form->Buttons().ButtonLatched(TKTMainButtons::Record));
    EXPECT_TRUE(Form->Buttons().ButtonEnabled(TKTMainButtons::Open));
    EXPECT_FALSE(Form->Buttons().ButtonEnabled(TKTMainButtons::Play)) << "nothing was recorded";

    Form->Core().SetSongRecording(true);
    Form->Core().Recorder().RecordKeyDown(DIK::Q);
    Form->Core().SetSongRecording(false);
    ASSERT_TRUE(Form->Buttons().ButtonEnabled(TKTMainButtons::Play));
    Click(Form->Buttons().Button(TKTMainButtons::Play));
    EXPECT_FALSE(Form->Core().Controller().IsLoopPlay()) << "a plain click";
    Form->Core().Controller().HeldKeys().SetDown(DIK::LSHIFT);
    Click(Form->Buttons().Button(TKTMainButtons::Play));
    EXPECT_TRUE(Form->Core().Controller().IsLoopPlay());
}

// Runs `act` on the modal dialog of type T once it is open (from inside its loop).
template <typename T, typename F> void WhenOpen(F act) {
    QTimer::singleShot(50, [act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(dialog);
        else
            WhenOpen<T>(act);
    });
}

TEST_F(PianoForm, SetupAndTheKeyEditorOverItChangeWhatTheKeysPlay) {
    Form->Core().Keyboard().Acquire();
    // The note of the "1" key (evdev 2) as it was: a C.
    const auto noteOfKey1 = [&] {
        const size_t base = Messages().size();
        Key(2, true);
        const auto m = WaitForMessages(base + 1);
        Key(2, false);
        WaitForMessages(base + 2);
        return m.size() > base ? std::stoi(m[base].substr(3, 2), nullptr, 16) : -1;
    };
    const int before = noteOfKey1();
    ASSERT_EQ(before % 12, 0);
    // Setup; in it the key editor on its first key, "1": row 0 becomes re (D); OK
    // there, then latency 10 and OK in the settings.
    bool editorSeen = false;
    WhenOpen<TfrmSetup>([&](TfrmSetup* setup) {
        WhenOpen<TfrmSetKeyDef>([&](TfrmSetKeyDef* editor) {
            editorSeen = true;
            editor->cbbDegree[0]->setCurrentIndex(2);
            editor->btnOK->click();
        });
        setup->btnEditKeydef->click();
        setup->trkLatency->setValue(10);
        setup->btnOK->click();
    });
    Click(Form->Buttons().Button(TKTMainButtons::Setup));
    EXPECT_TRUE(editorSeen);
    EXPECT_EQ(Form->Core().LatencyCopy(), 10);
    EXPECT_EQ(Form->Core().PeriodCopy(), 5);
    EXPECT_TRUE(FileExists(Dir.Path("Talvimorena4.cfg"))) << "saved with the program's files";
    // The "1" key now plays D at once.
    EXPECT_EQ(noteOfKey1(), before + 2);

    // Cancel in the editor (opened by a double click's path) changes nothing.
    WhenOpen<TfrmSetKeyDef>([](TfrmSetKeyDef* editor) {
        editor->cbbDegree[0]->setCurrentIndex(5);
        editor->Button1->click();
    });
    Form->EditKeyDefinitions(KeyIndexOfCode(DIK::K1 + 1));
    EXPECT_EQ(KeyDefs.Keys[KeyIndexOfCode(DIK::K1)].Slots[0].Degree, 2);
    EXPECT_NE(KeyDefs.Keys[KeyIndexOfCode(DIK::K1 + 1)].Slots[0].Degree, 5);
}

TEST_F(PianoForm, TheFavouriteVoiceEditorOfTheSettingsIsCentredOnTheMainWindow) {
    // Away from the screen's centre, where the settings dialog stands.
    Form->move(50, 32);
    QRect editorPlace, setupPlace;
    WhenOpen<TfrmSetup>([&](TfrmSetup* setup) {
        setupPlace = setup->geometry();
        WhenOpen<TfrmSetFavoriteVoices>([&](TfrmSetFavoriteVoices* editor) {
            editorPlace = editor->geometry();
            editor->btnCancel->click();
        });
        setup->btnEditFavoriteVoices->click();
        setup->btnCancel->click();
    });
    Click(Form->Buttons().Button(TKTMainButtons::Setup));
    ASSERT_FALSE(editorPlace.isNull());
    const QPointF centre = QRectF(Form->geometry()).center();
    ASSERT_GT(QLineF(centre, QRectF(setupPlace).center()).length(), 20) << "a case that tells";
    // To the pixel: the halves of the odd width are rounded.
    EXPECT_LE(QLineF(QRectF(editorPlace).center(), centre).length(), 1.0)
        << editorPlace.x() << "," << editorPlace.y() << " in " << Form->geometry().x() << ","
        << Form->geometry().y();
}

TEST(PianoCommandLine, WordsNumbersAndTheRest) {
    auto a = ParseCommandLine({"multiinstance", "2"});
    EXPECT_TRUE(a.MultiInstance);
    EXPECT_EQ(a.PortNumber, 2);
    auto b = ParseCommandLine({"letters"});
    EXPECT_FALSE(b.MultiInstance);
    EXPECT_EQ(b.PortNumber, -1);
    EXPECT_EQ(ParseCommandLine({"5", "3"}).PortNumber, 3);
    EXPECT_EQ(ParseCommandLine({"MultiInstance", "-1", "x7", "+4"}).PortNumber, 4);
    EXPECT_EQ(ParseCommandLine({"99999999999"}).PortNumber, -1) << "does not fit 32 bits";
    EXPECT_EQ(ParseCommandLine({""}).PortNumber, -1);
}
