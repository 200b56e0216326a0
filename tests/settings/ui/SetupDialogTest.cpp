// The settings dialog offscreen: its five tabs laid out whole, the record and the
// switches in and out of the controls, the settings file written on OK only (a
// failed write told), the external voice file chosen through stand-in and real file
// dialogs, and the editors' buttons.
#include "TempDir.h"
#include "ui/WidgetTestSupport.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"
#include "settings/ui/TfrmSetup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::string Text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// The next modal settings dialog, once it shows, handed to `act`.
void WhenShown(std::function<void(TfrmSetup&)> act) {
    uitest::WhenShown<TfrmSetup>(std::move(act));
}

// Saves to a file of the temporary folder and remembers messages and file questions.
struct TStandIn {
    explicit TStandIn(const TTempDir& dir) : File(dir.Path(SettingsFileName)) {}

    std::string File;
    std::optional<std::string> Answer;
    std::vector<std::string> Folders;
    std::vector<QString> Messages;

    TSetupCallbacks Callbacks() const {
        TSetupCallbacks c;
        c.Save = [file = File](const TSettings& r) { return SaveSettings(r, file); };
        return c;
    }
    TSetupDialogs Dialogs() {
        TSetupDialogs d;
        d.AskVoiceSetFile = [this](QWidget*, const std::string& folder) {
            Folders.push_back(folder);
            return Answer;
        };
        d.ShowMessage = [this](QWidget*, const QString& text) { Messages.push_back(text); };
        return d;
    }
};

TSettings SampleSettings() {
    TSettings s;
    s.Latency = 60;
    s.ReverbLevel = 3;
    s.UseExternalDLS = true;
    s.ExternalDLSFile = Utf8ToCp936("/home/player/音色/GeneralUser.dls");
    return s;
}

// Every control lies inside its parent and shows its whole text.
void ExpectWhole(QWidget* top) {
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->parentWidget()->inherits("QStackedWidget")) continue;
        const QString name = w->objectName().isEmpty()
                                 ? QString::fromLatin1(w->metaObject()->className())
                                 : w->objectName();
        const QRect inside = w->parentWidget()->rect();
        EXPECT_TRUE(inside.contains(w->geometry()))
            << name.toStdString() << " sticks out of its parent";
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap())
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << label->text().toStdString();
            else
                EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width())
                << button->text().toStdString();
        }
    }
}

TEST(SetupDialog, TabsControlsAndTextsAreTheForms) {
    TfrmSetup d;
    EXPECT_EQ(d.windowTitle(), Q("设置"));
    EXPECT_EQ(d.size(), QSize(390, 278));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed border";
    EXPECT_EQ(d.PageControl->geometry(), QRect(4, 0, 381, 241));
    EXPECT_EQ(d.PageControl->currentIndex(), 0);
    const char* captions[] = {"设备", "键定义", "录音", "高级", "其他"};
    ASSERT_EQ(d.PageControl->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(d.PageControl->tabText(i), Q(captions[i]));
    EXPECT_EQ(d.btnOK->text(), Q("确定"));
    EXPECT_EQ(d.btnOK->geometry(), QRect(184, 248, 75, 25));
    EXPECT_EQ(d.btnCancel->text(), Q("取消"));
    EXPECT_EQ(d.btnCancel->geometry(), QRect(296, 247, 75, 25));

    const struct {
        QWidget* control;
        QWidget* parent;
        const char* text; // "" for none
        QPoint place;
    } controls[] = {
        {d.GroupBox_Latency, d.tabsDevice, "", {8, 8}},
        {d.lblResponse, d.GroupBox_Latency, "响应速度：", {16, 36}},
        {d.lblFast, d.GroupBox_Latency, "快", {96, 16}},
        {d.lblSlow, d.GroupBox_Latency, "慢", {256, 16}},
        {d.trkLatency, d.GroupBox_Latency, "", {96, 32}},
        {d.lblLatency, d.GroupBox_Latency, "10", {280, 34}},
        {d.lblLatencyNote,
         d.GroupBox_Latency,
         "使用这个功能来调节按键后发音的响应速度。通常情况下不必调节。如果在演奏过程中出现噪音（"
         "不演奏时没有噪音）甚至死机，可以将响应速度调慢。如果演奏快速乐曲时感觉按键后发音有点延"
         "迟，可以将响应速度调快。",
         {24, 60}},
        {d.GroupBox_ReverbLevel, d.tabsDevice, "", {8, 136}},
        {d.lblReverb, d.GroupBox_ReverbLevel, "混响级别：", {16, 25}},
        {d.trkReverbLevel, d.GroupBox_ReverbLevel, "", {96, 24}},
        {d.lblReverbLevel, d.GroupBox_ReverbLevel, "0级", {282, 25}},
        {d.btnEditKeydef, d.tabsKeyDef, "编辑发音键的定义…", {24, 16}},
        {d.btnEditFavoriteVoices, d.tabsKeyDef, "编辑快捷音色…", {24, 48}},
        {d.lblRecordReserved, d.tabsRecord, "此功能为以后预留。", {32, 40}},
        {d.GroupBox_ExternalDLS, d.tabsAdvanced, "", {5, 3}},
        {d.cbUseExternalDLS, d.GroupBox_ExternalDLS, "使用外部音色", {8, 16}},
        {d.lblExternalDLSFile, d.GroupBox_ExternalDLS, "外部音色文件：", {8, 48}},
        {d.btnOpenExternalDLSFile, d.GroupBox_ExternalDLS, "…", {98, 46}},
        {d.lblExternalDLSFileName, d.GroupBox_ExternalDLS, "", {8, 72}},
        {d.lblRestartNote,
         d.GroupBox_ExternalDLS,
         "注意：对此处的修改需要重新启动后才能生效。 ",
         {176, 24}},
        {d.GroupBox_Other, d.tabsOther, "", {4, 0}},
        {d.cbNotebookMode, d.GroupBox_Other, "笔记本模式", {16, 17}},
        {d.cbLoopPlay, d.GroupBox_Other, "循环放音", {16, 40}},
        {d.cbSmartSemitone, d.GroupBox_Other, "智能半音", {16, 63}},
        {d.cbPeriodPedal, d.GroupBox_Other, "定时踏板", {16, 86}},
    };
    for (const auto& c : controls) {
        ASSERT_NE(c.control, nullptr);
        EXPECT_EQ(c.control->parentWidget(), c.parent) << c.text;
        EXPECT_EQ(c.control->pos(), c.place) << c.text;
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(c.control))
            shown = label->textFormat() == Qt::RichText
                        ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                        : label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(c.control)) shown = button->text();
        if (auto* group = qobject_cast<QGroupBox*>(c.control)) shown = group->title();
        EXPECT_EQ(shown, Q(c.text));
    }

    // Each tab as the user sees it, whole and legible.
    d.FillForm(SampleSettings(), TSwitchBlock{true, false, true, false});
    d.show();
    const char* shots[] = {"setup-tab1-device", "setup-tab2-keydef", "setup-tab3-record",
                           "setup-tab4-advanced", "setup-tab5-other"};
    for (int i = 0; i < 5; ++i) {
        d.PageControl->setCurrentIndex(i);
        QApplication::processEvents();
        ExpectWhole(d.PageControl->widget(i));
        uitest::SaveShot(d.grab().toImage(), shots[i]);
    }
    ExpectWhole(&d);
}

TEST(SetupDialog, CancelChangesNothingAndWritesNothing) {
    TTempDir dir;
    TStandIn standIn(dir);
    standIn.Answer = dir.Path("other.dls");
    TSettings settings = SampleSettings();
    TSwitchBlock switches{false, true, false, true};
    WhenShown([](TfrmSetup& d) {
        d.trkLatency->setValue(20);
        d.trkReverbLevel->setValue(0);
        d.cbUseExternalDLS->setChecked(false);
        QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
        d.cbNotebookMode->setChecked(true);
        d.cbLoopPlay->setChecked(false);
        QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(
        ShowSettingsDialog(nullptr, settings, switches, standIn.Callbacks(), standIn.Dialogs()));
    EXPECT_EQ(standIn.Folders.size(), 1u) << "the file was chosen before Cancel";
    EXPECT_EQ(settings, SampleSettings());
    EXPECT_EQ(switches, (TSwitchBlock{false, true, false, true}));
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_TRUE(standIn.Messages.empty());
}

TEST(SetupDialog, OKWithoutChangesRewritesTheFourLinesWithTheSameValues) {
    TSettings undecodable = SampleSettings();
    undecodable.UseExternalDLS = false;
    undecodable.ExternalDLSFile = "/home/u/\xFF\x80x.dls"; // not code page 936: kept as bytes
    TSettings empty;
    empty.Latency = 10;
    empty.ReverbLevel = 0;
    const struct {
        TSettings settings;
        TSwitchBlock switches;
        std::string file;
    } cases[] = {
        {SampleSettings(),
         {true, false, true, false},
         "60\r\n3\r\n1\r\n" + Utf8ToCp936("/home/player/音色/GeneralUser.dls") + "\r\n"},
        {undecodable, {false, true, false, true}, "60\r\n3\r\n0\r\n/home/u/\xFF\x80x.dls\r\n"},
        {empty, {}, "10\r\n0\r\n0\r\n\r\n"},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        dir.WriteText(SettingsFileName, "77\r\n1\r\n1\r\n/old.dls\r\n");
        TStandIn standIn(dir);
        TSettings settings = c.settings;
        TSwitchBlock switches = c.switches;
        WhenShown([](TfrmSetup& d) { QTest::mouseClick(d.btnOK, Qt::LeftButton); });
        EXPECT_TRUE(ShowSettingsDialog(nullptr, settings, switches, standIn.Callbacks(),
                                       standIn.Dialogs()));
        EXPECT_EQ(settings, c.settings);
        EXPECT_EQ(switches, c.switches);
        EXPECT_EQ(Text(dir.Read(SettingsFileName)), c.file);
        EXPECT_TRUE(standIn.Messages.empty());
    }
}

TEST(SetupDialog, TrackBarsClampTheirValuesAndTheLabelsFollow) {
    const struct {
        int32_t latency;
        uint8_t reverb;
        int shownLatency;
        const char* latencyLabel;
        int shownReverb;
        const char* reverbLabel;
    } cases[] = {
        {40, 2, 40, "40", 2, "2级"}, {500, 200, 100, "100", 4, "4级"}, {-3, 0, 10, "10", 0, "0级"},
        {10, 4, 10, "10", 4, "4级"}, {100, 5, 100, "100", 4, "4级"},
    };
    for (const auto& c : cases) {
        TfrmSetup d;
        TSettings s;
        s.Latency = c.latency;
        s.ReverbLevel = c.reverb;
        d.FillForm(s, {});
        EXPECT_EQ(d.trkLatency->value(), c.shownLatency) << c.latency;
        EXPECT_EQ(d.lblLatency->text(), Q(c.latencyLabel)) << c.latency;
        EXPECT_EQ(d.trkReverbLevel->value(), c.shownReverb) << int(c.reverb);
        EXPECT_EQ(d.lblReverbLevel->text(), Q(c.reverbLabel)) << int(c.reverb);
        TSettings out;
        TSwitchBlock switches;
        d.ReadForm(out, switches);
        EXPECT_EQ(out.Latency, c.shownLatency);
        EXPECT_EQ(out.ReverbLevel, c.shownReverb);
    }

    // The user's moves: a page of the latency is 10, of the reverb level 1.
    TfrmSetup d;
    TSettings s;
    d.FillForm(s, {});
    QTest::keyClick(d.trkLatency, Qt::Key_PageUp);
    EXPECT_EQ(d.lblLatency->text(), Q("50"));
    QTest::keyClick(d.trkLatency, Qt::Key_Home);
    EXPECT_EQ(d.lblLatency->text(), Q("10"));
    QTest::keyClick(d.trkReverbLevel, Qt::Key_PageUp);
    EXPECT_EQ(d.lblReverbLevel->text(), Q("3级"));
    TSwitchBlock switches;
    d.ReadForm(s, switches);
    EXPECT_EQ(s.Latency, 10);
    EXPECT_EQ(s.ReverbLevel, 3);
}

TEST(SetupDialog, EachSwitchHasItsOwnBoxBothWays) {
    const struct {
        TSwitchBlock switches;
        bool notebook, loop, smart, period;
    } cases[] = {
        {{true, false, false, false}, true, false, false, false},
        {{false, true, false, false}, false, true, false, false},
        {{false, false, true, false}, false, false, false, true}, // TimedPedal: 定时踏板
        {{false, false, false, true}, false, false, true, false}, // SmartSemitone: 智能半音
        {{true, true, true, true}, true, true, true, true},
        {{}, false, false, false, false},
    };
    for (const auto& c : cases) {
        TfrmSetup d;
        d.FillForm(DefaultSettings, c.switches);
        EXPECT_EQ(d.cbNotebookMode->isChecked(), c.notebook);
        EXPECT_EQ(d.cbLoopPlay->isChecked(), c.loop);
        EXPECT_EQ(d.cbSmartSemitone->isChecked(), c.smart);
        EXPECT_EQ(d.cbPeriodPedal->isChecked(), c.period);
        TSettings s;
        TSwitchBlock back{!c.switches.NotebookMode, !c.switches.LoopPlay, !c.switches.TimedPedal,
                          !c.switches.SmartSemitone};
        d.ReadForm(s, back);
        EXPECT_EQ(back, c.switches);
    }
}

TEST(SetupDialog, TheExternalFileIsKeptAsTheRecordCanHoldIt) {
    TTempDir dir;
    TStandIn standIn(dir);
    TfrmSetup d;
    d.Dialogs = standIn.Dialogs();
    TSettings s = SampleSettings();
    TSwitchBlock switches;

    // A record's path longer than the file's 250 bytes goes back cut, and never in
    // the middle of a character.
    const std::string ascii = "/" + std::string(299, 'a');
    const std::string chinese = Utf8ToCp936("/" + std::string(248, 'b') + "音色.dls");
    for (const auto& [path, cut] :
         {std::pair{ascii, ascii.substr(0, 250)}, std::pair{chinese, chinese.substr(0, 249)}}) {
        s.ExternalDLSFile = path;
        d.FillForm(s, {});
        const QString shown = d.lblExternalDLSFileName->text();
        EXPECT_LE(d.lblExternalDLSFileName->fontMetrics().horizontalAdvance(shown),
                  d.lblExternalDLSFileName->width());
        EXPECT_EQ(d.lblExternalDLSFileName->toolTip(), QString::fromStdString(Cp936ToUtf8(path)));
        TSettings out;
        d.ReadForm(out, switches);
        EXPECT_EQ(out.ExternalDLSFile, cut);
    }

    // Chosen files: the dialog starts in the folder of the record's file, else in the
    // program folder; a chosen path is shown whole and kept in code page 936.
    s = SampleSettings();
    d.FillForm(s, {});
    const std::string chosen = dir.Path("合成器.sf2");
    standIn.Answer = chosen;
    QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
    EXPECT_EQ(d.lblExternalDLSFileName->text(), QString::fromStdString(chosen));
    EXPECT_EQ(d.ExternalDLSFile(), Utf8ToCp936(chosen));
    s.ExternalDLSFile.clear();
    d.FillForm(s, {});
    QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
    EXPECT_EQ(standIn.Folders, (std::vector<std::string>{"/home/player/音色", ProgramFolder()}));

    // Paths the record cannot hold are refused with a message; so is nothing at all.
    d.FillForm(SampleSettings(), {});
    const std::string kept = SampleSettings().ExternalDLSFile;
    const std::string longest = "/" + std::string(245, 'c') + ".dls"; // 250 bytes
    for (const std::string& refused :
         {longest + "x", std::string("/home/u/\xF0\x9F\x8E\xB9.dls"), std::string()}) {
        standIn.Answer = refused.empty() ? std::nullopt : std::optional<std::string>(refused);
        const size_t messages = standIn.Messages.size();
        QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
        EXPECT_EQ(d.ExternalDLSFile(), kept) << refused;
        EXPECT_EQ(standIn.Messages.size(), messages + (refused.empty() ? 0 : 1)) << refused;
    }
    EXPECT_TRUE(standIn.Messages[0].contains(QString::fromStdString(longest)));
    standIn.Answer = longest;
    QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
    TSettings out;
    d.ReadForm(out, switches);
    EXPECT_EQ(out.ExternalDLSFile, longest);
}

TEST(SetupDialog, EditorButtonsCallTheirEditorsOverTheDialog) {
    TfrmSetup d;
    QTest::mouseClick(d.btnEditKeydef, Qt::LeftButton); // no editors: nothing happens
    QTest::mouseClick(d.btnEditFavoriteVoices, Qt::LeftButton);

    std::vector<std::pair<std::string, QWidget*>> calls;
    d.Callbacks.EditKeyDefinitions = [&](QWidget* over) { calls.push_back({"keys", over}); };
    d.Callbacks.EditFavoriteVoices = [&](QWidget* over) { calls.push_back({"voices", over}); };
    QTest::mouseClick(d.btnEditFavoriteVoices, Qt::LeftButton);
    QTest::mouseClick(d.btnEditKeydef, Qt::LeftButton);
    EXPECT_EQ(calls, (std::vector<std::pair<std::string, QWidget*>>{{"voices", &d}, {"keys", &d}}));
}

TEST(SetupDialog, AFailedSaveIsToldKeepsTheOldFileAndTheNewValuesHold) {
    TTempDir dir;
    const std::string old = "77\r\n1\r\n1\r\n/old.dls\r\n";
    dir.WriteText(SettingsFileName, old);
    TStandIn standIn(dir);
    TSettings settings;
    TSwitchBlock switches;
    WhenShown([](TfrmSetup& d) {
        d.trkLatency->setValue(90);
        d.cbLoopPlay->setChecked(true);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    {
        TFileSizeLimit limit(4); // the new file breaks off after four bytes
        EXPECT_TRUE(ShowSettingsDialog(nullptr, settings, switches, standIn.Callbacks(),
                                       standIn.Dialogs()));
    }
    EXPECT_EQ(Text(dir.Read(SettingsFileName)), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{SettingsFileName});
    ASSERT_EQ(standIn.Messages.size(), 1u);
    EXPECT_TRUE(standIn.Messages[0].contains(QString::fromLatin1(SettingsFileName)));
    EXPECT_EQ(settings.Latency, 90);
    EXPECT_TRUE(switches.LoopPlay);
}

// Qt's own file dialog: the record's folder, DLS first among the voice-set filters,
// existing files only.
TEST(SetupDialog, TheQtFileDialogOffersDlsFirstThenSoundFonts) {
    TTempDir dir;
    dir.WriteText("piano.sf3", "x");
    TfrmSetup d;
    TSettings s;
    s.ExternalDLSFile = Utf8ToCp936(dir.Path("previous.dls"));
    d.FillForm(s, {});
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        seen = true;
        EXPECT_EQ(QDir(f->directory()).canonicalPath(),
                  QDir(QString::fromStdString(dir.Root().string())).canonicalPath());
        EXPECT_EQ(f->nameFilters(),
                  (QStringList{Q("DLS files (*.dls)"), Q("SoundFont 2 files (*.sf2)"),
                               Q("Compressed SoundFont files (*.sf3)")}));
        EXPECT_EQ(f->selectedNameFilter(), Q("DLS files (*.dls)"));
        EXPECT_EQ(f->defaultSuffix(), QStringLiteral("dls"));
        EXPECT_EQ(f->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(f->fileMode(), QFileDialog::ExistingFile);
        f->selectFile(QString::fromStdString(dir.Path("piano.sf3")));
        static_cast<QDialog*>(f)->accept(); // as the dialog's own button does
    });
    QTest::mouseClick(d.btnOpenExternalDLSFile, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(d.ExternalDLSFile(), dir.Path("piano.sf3"));
}

} // namespace
