// The favourite-voice dialog offscreen: its controls where they belong, records shown
// as list positions and built back into a set, .fvc files saved and loaded through
// stand-in file dialogs, the default set, and the modal call's two endings.
#include "TempDir.h"
#include "ui/WidgetTestSupport.h"

#include "sound/ui/TfrmSetFavoriteVoices.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// General MIDI's program names, in program order.
constexpr const char* GmNames =
    "Acoustic Grand Piano|Bright Acoustic Piano|Electric Grand Piano|"
    "Honky-tonk Piano|Electric Piano 1|Electric Piano 2|Harpsichord|Clavi|Celesta|"
    "Glockenspiel|Music Box|Vibraphone|Marimba|Xylophone|Tubular Bells|Dulcimer|"
    "Drawbar Organ|Percussive Organ|Rock Organ|Church Organ|Reed Organ|Accordion|"
    "Harmonica|Tango Accordion|Nylon-str.Guitar|Steel-str.Guitar|Jazz Guitar|"
    "Clean Guitar|Muted Guitar|Overdriven Guitar|Distortion Guitar|"
    "Guitar Harmonics|Acoustic Bass|Fingered Bass|Picked Bass|Fretless Bass|"
    "Slap Bass 1|Slap Bass 2|Synth Bass 1|Synth Bass 2|Violin|Viola|Cello|"
    "Contrabass|Tremolo Strings|Pizzicato Strings|Orchestral Harp|Timpani|Strings|"
    "Slow Strings|Synth Strings 1|Synth Strings 2|Choir Aahs|Voice Oohs|"
    "Synth Voice|Orchestra Hit|Trumpet|Trombone|Tuba|Muted Trumpet|French Horn|"
    "Brass Section|Synth Brass 1|Synth Brass 2|Soprano Sax|Alto Sax|Tenor Sax|"
    "Baritone Sax|Oboe|English Horn|Bassoon|Clarinet|Piccolo|Flute|Recorder|"
    "Pan Flute|Blown Bottle|Shakuhachi|Whistle|Ocarina|Square Lead|Saw Lead|"
    "Calliope Lead|Chiff Lead|Charang Lead|Voice Lead|Fifths Lead|Bass + Lead|"
    "New Age|Warm Pad|Polysynth|Choir Pad|Bowed Pad|Metallic Pad|Halo Pad|"
    "Sweep Pad|Rain|Soundtrack|Crystal|Atmosphere|Brightness|Goblins|Echoes|Sci-fi|"
    "Sitar|Banjo|Shamisen|Koto|Kalimba|Bagpipe|Fiddle|Shanai|Tinkle Bell|Agogo|"
    "Steel Drums|Woodblock|Taiko Drum|Melodic Tom|Synth Drum|Reverse Cymbal|"
    "Fret Noise|Breath Noise|Seashore|Bird Tweet|Telephone|Helicopter|Applause|"
    "Gunshot|";

// A built-in-like list: General MIDI programs in bank 65, two variations (LSB 8) and
// a drum kit, sorted as the program sorts it.
const TVoiceList& GmVoices() {
    static const TVoiceList list = [] {
        TVoiceList l;
        int index = 0;
        l.Add({index++, MakePatch(0, 0, 0, true), "Standard Drum Kit"});
        l.Add({index++, MakePatch(65, 8, 4), "Detuned EP 1"});
        const QStringList names = QString::fromLatin1(GmNames).split(QLatin1Char('|'));
        for (int p = 0; p < 128; ++p)
            l.Add({index++, MakePatch(65, 0, static_cast<uint8_t>(p)), names[p].toStdString()});
        l.Add({index++, MakePatch(65, 8, 0), "Grand Piano Wide"});
        l.Sort();
        return l;
    }();
    return list;
}

constexpr int DrumPosition = 130, WidePianoPosition = 128, DetunedEPPosition = 129;

// A set whose reserved bytes are all different from the default set's.
TFavoriteVoiceSet MarkedSet() {
    TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
    for (int r = 0; r < FavoriteVoiceCount; ++r) {
        set.Voices[r].Reserved0 = static_cast<uint8_t>(0x40 + r);
        set.Voices[r].Reserved1 = 1000 + r;
        std::memset(set.Voices[r].Reserved2, 0xA0 + r, sizeof set.Voices[r].Reserved2);
    }
    return set;
}

std::vector<uint8_t> Bytes(const TFavoriteVoiceSet& set) {
    const auto* p = reinterpret_cast<const uint8_t*>(&set);
    return {p, p + sizeof set};
}

std::vector<int> Selections(const TfrmSetFavoriteVoices& d) {
    std::vector<int> s;
    for (int r = 0; r < FavoriteVoiceCount; ++r)
        s.push_back(d.RecordCombo(r)->currentIndex());
    return s;
}

// The next modal dialog, once it shows, handed to `act`.
void WhenShown(std::function<void(TfrmSetFavoriteVoices&)> act) {
    uitest::WhenShown<TfrmSetFavoriteVoices>(std::move(act));
}

// File dialogs that answer with a fixed file and remember the messages.
struct TStandIn : uitest::TFileDialogStandIn {
    using TFileDialogStandIn::TFileDialogStandIn;
    void Install(TfrmSetFavoriteVoices& d) { TFileDialogStandIn::Install(d.FileDialogs); }
};

TEST(FavoriteVoicesDialog, ControlsLabelsAndListsAreTheForms) {
    const TVoiceList& voices = GmVoices();
    TfrmSetFavoriteVoices d(voices, DefaultFavoriteVoiceSet(), "/tmp");
    EXPECT_EQ(d.windowTitle(), Q("编辑快捷音色"));
    EXPECT_EQ(d.size(), QSize(680, 334));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed border";
    EXPECT_EQ(d.gbSlave->title(), Q(" 副音色 "));
    EXPECT_EQ(d.gbMaster->title(), Q(" 主音色 "));
    EXPECT_EQ(d.gbSlave->geometry(), QRect(8, 8, 281, 313));
    EXPECT_EQ(d.gbMaster->geometry(), QRect(296, 8, 281, 313));

    const std::pair<QPushButton*, const char*> buttons[] = {{d.btnLoad, "加载…"},
                                                            {d.btnSave, "保存…"},
                                                            {d.btnRestoreToDefult, "恢复到缺省"},
                                                            {d.btnOK, "确定"},
                                                            {d.btnCancel, "取消"}};
    int lastBottom = 0;
    for (const auto& [b, text] : buttons) {
        EXPECT_EQ(b->text(), Q(text));
        EXPECT_EQ(b->x(), 592);
        EXPECT_GT(b->y(), lastBottom) << text << " below the one before";
        EXPECT_LE(b->geometry().right(), 679);
        EXPECT_LT(b->fontMetrics().horizontalAdvance(b->text()), b->width() - 8) << text;
        lastBottom = b->geometry().bottom();
    }
    EXPECT_LE(lastBottom, 333);

    const struct {
        int row;
        const char* master;
        const char* slave;
    } labels[] = {{0, "         F1:", " Shift + F1:"},
                  {8, "         F9:", " Shift + F9:"},
                  {9, "        F10:", "Shift + F10:"},
                  {11, "        F12:", "Shift + F12:"}};
    for (const auto& l : labels) {
        EXPECT_EQ(d.lblMaster[l.row]->text(), Q(l.master));
        EXPECT_EQ(d.lblSlave[l.row]->text(), Q(l.slave));
    }
    for (int i = 0; i < 12; ++i)
        for (const auto& [label, combo] :
             {std::pair{d.lblMaster[i], d.cbMaster[i]}, std::pair{d.lblSlave[i], d.cbSlave[i]}}) {
            EXPECT_EQ(label->text().size(), 12);
            EXPECT_EQ(label->pos(), QPoint(8, 18 + 24 * i));
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text().trimmed()),
                      label->width());
            EXPECT_LE(label->geometry().right(), 87) << "left of the combo box";
            EXPECT_EQ(combo->geometry(), QRect(88, 14 + 24 * i, 180, 20));
            EXPECT_LE(combo->geometry().bottom(), 313 - 1) << "inside the group box";
            EXPECT_EQ(combo->maxVisibleItems(), 16);
            EXPECT_FALSE(combo->isEditable());
            EXPECT_EQ(combo->count(), voices.Count());
        }
    EXPECT_EQ(d.lblMaster[3]->parentWidget(), d.gbMaster);
    EXPECT_EQ(d.cbSlave[3]->parentWidget(), d.gbSlave);

    const struct {
        int position;
        const char* text;
    } items[] = {{0, "0:<65:0:0> Acoustic Grand Piano"},
                 {127, "127:<65:0:127> Gunshot"},
                 {WidePianoPosition, "128:<65:8:0> Grand Piano Wide"},
                 {DetunedEPPosition, "129:<65:8:4> Detuned EP 1"},
                 {DrumPosition, "130:<0:0:0> Standard Drum Kit"}};
    for (const auto& it : items) {
        EXPECT_EQ(d.cbMaster[0]->itemText(it.position), Q(it.text));
        EXPECT_EQ(d.cbSlave[11]->itemText(it.position), Q(it.text));
    }

    // The default set: F1 the grand piano, F4 the violin, Shift+F12 the synth strings.
    EXPECT_EQ(Selections(d), (std::vector<int>{0, 3, 18, 40, 8, 12, 9, 24, 28, 26, 49, 50,
                                               0, 3, 18, 40, 8, 12, 9, 24, 28, 26, 49, 50}));

    d.show();
    d.cbMaster[1]->setCurrentIndex(DetunedEPPosition);
    uitest::SaveShot(d.grab().toImage(), "fav-dialog");

    // The list drops down 16 entries high and shows whole names, wider than the box.
    QComboBox* combo = d.cbMaster[1];
    combo->showPopup();
    QWidget* popup = combo->view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_GE(popup->geometry().top(), combo->mapToGlobal(QPoint(0, 0)).y() + combo->height() - 1);
    EXPECT_EQ(combo->view()->viewport()->height() / combo->view()->sizeHintForRow(0), 16);
    int widest = 0;
    for (int p = 0; p < combo->count(); ++p)
        widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(p)));
    EXPECT_GT(combo->view()->viewport()->width(), widest);
    uitest::SaveShot(popup->grab().toImage(), "fav-dialog-list");
    combo->hidePopup();
}

TEST(FavoriteVoicesDialog, OpensCentredOnItsParent) {
    auto host = uitest::MakeHost();
    host->move(100, 80);
    uitest::Show(*host);
    TfrmSetFavoriteVoices d(GmVoices(), DefaultFavoriteVoiceSet(), "/tmp", host.get());
    d.show();
    const QPoint offset = d.frameGeometry().center() - host->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << ", " << offset.y();
}

TEST(FavoriteVoicesDialog, OKWithoutChangesWritesEveryRowsPatchAndKeepsTheOtherBytes) {
    const TVoiceList& voices = GmVoices();
    TFavoriteVoiceSet set = MarkedSet();
    set.Voices[2].SetPatch(MakePatch(65, 8, 4));  // a variation: kept
    set.Voices[5].SetPatch(MakePatch(65, 1, 12)); // not in the list
    set.Voices[7].SetPatch(MakePatch(64, 0, 2));  // older numbering: not translated here
    set.Voices[13].SetPatch(MakePatch(0, 0, 0));  // the drum kit's patch without its flag
    set.Voices[23].SetPatch(MakePatch(65, 0, 127));
    const TFavoriteVoiceSet before = set;

    WhenShown([](TfrmSetFavoriteVoices& d) {
        EXPECT_EQ(d.cbMaster[2]->currentIndex(), DetunedEPPosition);
        EXPECT_EQ(d.cbMaster[5]->currentIndex(), 0);
        EXPECT_EQ(d.cbMaster[7]->currentIndex(), 0);
        EXPECT_EQ(d.cbSlave[1]->currentIndex(), 0);
        EXPECT_EQ(d.cbSlave[11]->currentIndex(), 127);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(EditFavoriteVoices(nullptr, set, voices, "/tmp"));

    TFavoriteVoiceSet expected = before;
    for (int r : {5, 7, 13})
        expected.Voices[r].SetPatch(voices[0].Patch);
    EXPECT_EQ(Bytes(set), Bytes(expected));
    EXPECT_EQ(set.Voices[5].Reserved1, 1005);
    EXPECT_EQ(set.Voices[5].Reserved2[175], 0xA5);
}

TEST(FavoriteVoicesDialog, ChosenVoicesGoToTheirRecordsOnOKAndCancelKeepsTheSet) {
    const TVoiceList& voices = GmVoices();
    const TFavoriteVoiceSet original = MarkedSet();
    TFavoriteVoiceSet set = original;

    WhenShown([](TfrmSetFavoriteVoices& d) {
        d.cbMaster[0]->setCurrentIndex(WidePianoPosition);
        d.cbSlave[11]->setCurrentIndex(DrumPosition);
        QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(EditFavoriteVoices(nullptr, set, voices, "/tmp"));
    EXPECT_EQ(Bytes(set), Bytes(original));

    WhenShown([](TfrmSetFavoriteVoices& d) {
        d.cbMaster[0]->setCurrentIndex(WidePianoPosition);
        d.cbSlave[11]->setCurrentIndex(DrumPosition);
        d.cbSlave[0]->setCurrentIndex(-1); // nothing chosen counts as position 0
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(EditFavoriteVoices(nullptr, set, voices, "/tmp"));
    TFavoriteVoiceSet expected = original;
    expected.Voices[0].SetPatch(MakePatch(65, 8, 0));
    expected.Voices[23].SetPatch(MakePatch(0, 0, 0)); // the drum flag is not stored
    expected.Voices[12].SetPatch(voices[0].Patch);
    EXPECT_EQ(Bytes(set), Bytes(expected));
}

TEST(FavoriteVoicesDialog, RestoreShowsTheDefaultsAndStoresNothingUntilOK) {
    TFavoriteVoiceSet set = MarkedSet();
    for (int r = 0; r < FavoriteVoiceCount; ++r)
        set.Voices[r].SetPatch(MakePatch(65, 0, static_cast<uint8_t>(100 + r)));
    const TFavoriteVoiceSet original = set;

    WhenShown([](TfrmSetFavoriteVoices& d) {
        EXPECT_EQ(d.cbMaster[0]->currentIndex(), 100);
        QTest::mouseClick(d.btnRestoreToDefult, Qt::LeftButton);
        EXPECT_EQ(d.cbMaster[0]->currentIndex(), 0);
        EXPECT_EQ(d.cbMaster[3]->currentIndex(), 40);
        EXPECT_EQ(d.cbSlave[11]->currentIndex(), 50);
        d.reject();
    });
    EXPECT_FALSE(EditFavoriteVoices(nullptr, set, GmVoices(), "/tmp"));
    EXPECT_EQ(Bytes(set), Bytes(original));

    WhenShown([](TfrmSetFavoriteVoices& d) {
        QTest::mouseClick(d.btnRestoreToDefult, Qt::LeftButton);
        d.accept();
    });
    EXPECT_TRUE(EditFavoriteVoices(nullptr, set, GmVoices(), "/tmp"));
    const TFavoriteVoiceSet defaults = DefaultFavoriteVoiceSet();
    for (int r = 0; r < FavoriteVoiceCount; ++r) {
        EXPECT_EQ(set.Voices[r].Patch(), defaults.Voices[r].Patch()) << r;
        EXPECT_EQ(set.Voices[r].Reserved1, 1000 + r) << "the live set's other bytes stay";
    }
}

TEST(FavoriteVoicesDialog, SaveWritesTheBuiltSetAndLoadShowsItWithoutTouchingTheLiveSet) {
    TTempDir dir;
    const std::string file = dir.Path("mine.fvc");
    const TFavoriteVoiceSet live = MarkedSet();
    std::vector<int> saved;
    {
        TfrmSetFavoriteVoices d(GmVoices(), live, dir.Root().string());
        TStandIn files{file};
        files.Install(d);
        d.cbMaster[4]->setCurrentIndex(DetunedEPPosition);
        d.cbSlave[7]->setCurrentIndex(77);
        d.cbSlave[8]->setCurrentIndex(DrumPosition); // saved without its flag: not found again
        QTest::mouseClick(d.btnSave, Qt::LeftButton);
        EXPECT_TRUE(files.Messages.empty());
        EXPECT_EQ(files.Folders, std::vector<std::string>{dir.Root().string()});
        const std::vector<uint8_t> bytes = dir.Read("mine.fvc");
        ASSERT_EQ(bytes.size(), 4416u);
        EXPECT_EQ(bytes, Bytes(d.BuildSet()));
        EXPECT_EQ(bytes[184 * 4 + 1], 8) << "F5's LSB";
        saved = Selections(d);
        saved[20] = 0;
    }

    TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
    WhenShown([&](TfrmSetFavoriteVoices& d) {
        TStandIn files{file};
        files.Install(d);
        QTest::mouseClick(d.btnLoad, Qt::LeftButton);
        EXPECT_TRUE(files.Messages.empty());
        EXPECT_EQ(Selections(d), saved);
        QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(EditFavoriteVoices(nullptr, set, GmVoices(), dir.Root().string()));
    EXPECT_EQ(Bytes(set), Bytes(DefaultFavoriteVoiceSet())) << "Load alone stores nothing";

    WhenShown([&](TfrmSetFavoriteVoices& d) {
        TStandIn files{file};
        files.Install(d);
        QTest::mouseClick(d.btnLoad, Qt::LeftButton);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(EditFavoriteVoices(nullptr, set, GmVoices(), dir.Root().string()));
    EXPECT_EQ(set.Voices[4].Patch(), MakePatch(65, 8, 4));
    EXPECT_EQ(set.Voices[19].Patch(), MakePatch(65, 0, 77));
    EXPECT_EQ(set.Voices[20].Patch(), GmVoices()[0].Patch);
    EXPECT_EQ(set.Voices[4].Reserved1, 100) << "the other bytes are the live set's, not the file's";
}

TEST(FavoriteVoicesDialog, FailedFilesAreReportedAndChangeNothing) {
    TTempDir dir;
    TfrmSetFavoriteVoices d(GmVoices(), MarkedSet(), dir.Root().string());
    TStandIn files;
    files.Install(d);
    d.cbMaster[0]->setCurrentIndex(60);
    const std::vector<int> shown = Selections(d);

    files.File = std::nullopt; // the user cancels the file dialogs
    QTest::mouseClick(d.btnSave, Qt::LeftButton);
    QTest::mouseClick(d.btnLoad, Qt::LeftButton);
    EXPECT_TRUE(files.Messages.empty());
    EXPECT_TRUE(dir.Entries().empty());

    files.File = dir.Path("no-such-folder/mine.fvc");
    QTest::mouseClick(d.btnSave, Qt::LeftButton);
    ASSERT_EQ(files.Messages.size(), 1u);
    EXPECT_TRUE(files.Messages[0].contains(QStringLiteral("mine.fvc")))
        << files.Messages[0].toStdString();

    // A folder cannot be read as a file: the defaults LoadFavoriteVoices falls back to
    // must not be shown as if the file held them.
    files.File = dir.Root().string();
    QTest::mouseClick(d.btnLoad, Qt::LeftButton);
    EXPECT_EQ(files.Messages.size(), 2u);
    EXPECT_EQ(Selections(d), shown);

    // A short file replaces only the records it holds.
    TFavoriteVoiceSet head = DefaultFavoriteVoiceSet();
    head.Voices[0].SetPatch(MakePatch(65, 0, 33));
    const std::vector<uint8_t> bytes = Bytes(head);
    dir.Write("short.fvc", {bytes.begin(), bytes.begin() + 184});
    files.File = dir.Path("short.fvc");
    QTest::mouseClick(d.btnLoad, Qt::LeftButton);
    EXPECT_EQ(files.Messages.size(), 2u);
    EXPECT_EQ(d.cbMaster[0]->currentIndex(), 33);
    EXPECT_EQ(d.cbMaster[1]->currentIndex(), 3);
}

TEST(FavoriteVoicesDialog, AnEmptyVoiceListShowsNothingAndOKKeepsEveryRecord) {
    const TVoiceList empty;
    TFavoriteVoiceSet set = MarkedSet();
    set.Voices[6].SetPatch(MakePatch(64, 0, 2));
    const TFavoriteVoiceSet original = set;
    TTempDir dir;

    WhenShown([&](TfrmSetFavoriteVoices& d) {
        for (int r = 0; r < FavoriteVoiceCount; ++r) {
            EXPECT_EQ(d.RecordCombo(r)->count(), 0);
            EXPECT_EQ(d.RecordCombo(r)->currentIndex(), -1);
        }
        TStandIn files{dir.Path("empty.fvc")};
        files.Install(d);
        QTest::mouseClick(d.btnRestoreToDefult, Qt::LeftButton);
        QTest::mouseClick(d.btnSave, Qt::LeftButton);
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(EditFavoriteVoices(nullptr, set, empty, dir.Root().string()));
    EXPECT_EQ(Bytes(set), Bytes(original));
    EXPECT_EQ(dir.Read("empty.fvc"), Bytes(original));
}

// Qt's own file dialogs: the program folder, the .fvc filter, existing files only
// for loading, and a typed name gets the .fvc suffix when saving.
TEST(FavoriteVoicesDialog, QtFileDialogsStartInTheProgramFolderWithTheFvcFilter) {
    TTempDir dir;
    const QString folder = QString::fromStdString(dir.Root().string());
    TfrmSetFavoriteVoices d(GmVoices(), DefaultFavoriteVoiceSet(), dir.Root().string());
    d.cbMaster[0]->setCurrentIndex(42);
    bool seen = false;
    auto inFileDialog = [&](std::function<void(QFileDialog&)> act) {
        seen = false;
        QTimer::singleShot(0, [&, act] {
            auto* f = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            seen = true;
            EXPECT_EQ(QDir(f->directory()).canonicalPath(), QDir(folder).canonicalPath());
            EXPECT_EQ(f->nameFilters(), QStringList{Q("Talvimorena FavoriteVoices File(*.fvc)")});
            EXPECT_EQ(f->defaultSuffix(), QStringLiteral("fvc"));
            act(*f);
        });
    };

    inFileDialog([](QFileDialog& f) {
        EXPECT_EQ(f.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(f.testOption(QFileDialog::DontConfirmOverwrite));
        f.selectFile(QStringLiteral("picked"));
        static_cast<QDialog&>(f).accept(); // as the dialog's own button does
    });
    QTest::mouseClick(d.btnSave, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(dir.Read("picked.fvc"), Bytes(d.BuildSet()));

    d.cbMaster[0]->setCurrentIndex(0);
    inFileDialog([&](QFileDialog& f) {
        EXPECT_EQ(f.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(f.fileMode(), QFileDialog::ExistingFile);
        f.selectFile(QString::fromStdString(dir.Path("picked.fvc")));
        static_cast<QDialog&>(f).accept(); // as the dialog's own button does
    });
    QTest::mouseClick(d.btnLoad, Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(d.cbMaster[0]->currentIndex(), 42);
}

} // namespace
