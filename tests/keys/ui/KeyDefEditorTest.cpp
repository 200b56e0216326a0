// The key-definition editor offscreen with the real staff mask: its controls where they
// belong, records shown in the note rows and stored back (count, octaves, the fields
// the user cannot change), the preview, the remark's cut, .kdf files saved and loaded
// through stand-in file dialogs, and the modal call's two endings.
#include "TempDir.h"
#include "ui/GlyphTestSupport.h"
#include "ui/WidgetTestSupport.h"

#include "keys/KeyDefFile.h"
#include "keys/ui/TfrmSetKeyDef.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr int Key1 = 14, KeyBackslash = 26, KeyQ = 29, KeyW = 30, KeyZ = 55, KeyEsc = 0,
              KeyNumDot = 106;

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const QImage& Mask() {
    static const QImage mask = glyphtest::Library().LoadBitmap(TGlyphLibrary::StaffMaskName);
    return mask;
}

std::vector<uint8_t> Bytes(const TKeyDefSet& set) {
    const auto* p = reinterpret_cast<const uint8_t*>(&set);
    return {p, p + sizeof set};
}
std::vector<uint8_t> Bytes(const TKeyDef& key) {
    const auto* p = reinterpret_cast<const uint8_t*>(&key);
    return {p, p + sizeof key};
}

TKeyNote Note(int degree, int octave, int accidental = 0, int keyboard = 0, int velocity = 0) {
    return {static_cast<uint8_t>(degree), static_cast<uint8_t>(accidental),
            static_cast<uint8_t>(octave), static_cast<uint8_t>(keyboard), velocity};
}

// The default set with key Q a chord do-mi-sol (right keyboard, sol sharp) and a
// caption on key W.
TKeyDefSet ChordSet() {
    TKeyDefSet set = DefaultKeyDefSet();
    TKeyDef& q = set.Keys[KeyQ];
    q.Count = 3;
    q.Slots[0] = Note(1, 4, 0, 1);
    q.Slots[1] = Note(3, 4, 0, 1);
    q.Slots[2] = Note(5, 4, 1, 1, 90);
    set.Keys[KeyW].Caption.SetUtf8("钢琴");
    return set;
}

// The next modal editor, once it shows, handed to `act`.
void WhenShown(std::function<void(TfrmSetKeyDef&)> act) {
    uitest::WhenShown<TfrmSetKeyDef>(std::move(act));
}

// File dialogs that answer with a fixed file and remember what they were asked.
struct TStandIn : uitest::TFileDialogStandIn {
    using TFileDialogStandIn::TFileDialogStandIn;
    void Install(TfrmSetKeyDef& d) { TFileDialogStandIn::Install(d.Dialogs); }
};

// The smallest rectangle holding the preview's non-white pixels, and whether any of
// them has colour.
struct TInk {
    QRect Box;
    bool Coloured = false;
};
TInk InkOf(const QImage& picture) {
    TInk ink;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if ((p & 0xffffff) == 0xffffff) continue;
            ink.Box |= QRect(x, y, 1, 1);
            ink.Coloured |= qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
        }
    return ink;
}

TEST(KeyDefEditor, ControlsCaptionsPlacesAndRangesAreTheForms) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    EXPECT_EQ(d.windowTitle(), Q("修改键定义"));
    EXPECT_EQ(d.size(), QSize(536, 372));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed border";

    const std::pair<QWidget*, QRect> places[] = {
        {d.GroupBox2, {8, 0, 521, 209}},        {d.cbbKeysName, {40, 23, 137, 20}},
        {d.GroupBox1, {200, 12, 313, 40}},      {d.edKeyCaption, {48, 13, 89, 20}},
        {d.cbNoTranspose, {224, 16, 65, 17}},   {d.gbNotes, {8, 56, 505, 145}},
        {d.imgPreviewNotes, {440, 40, 49, 97}}, {d.GroupBox3, {8, 210, 521, 113}},
        {d.memRemarks, {8, 16, 369, 89}},       {d.btnSaveKeysDef, {392, 24, 113, 25}},
        {d.btnLoadKeysDef, {392, 64, 113, 25}}, {d.btnOK, {72, 336, 75, 25}},
        {d.Button1, {192, 336, 75, 25}},        {d.btnHelp, {400, 336, 75, 25}}};
    for (const auto& [w, place] : places)
        EXPECT_EQ(w->geometry(), place) << w->metaObject()->className() << " at " << place.x();
    EXPECT_EQ(d.edKeyCaption->parentWidget(), d.GroupBox1);
    EXPECT_EQ(d.memRemarks->parentWidget(), d.GroupBox3);
    EXPECT_EQ(d.gbNotes->title(), Q(" 音符 "));

    const std::tuple<QLabel*, const char*, QPoint, bool> labels[] = {
        {d.Label26, "键：", {16, 27}, true},     {d.Label25, "标注：", {8, 17}, false},
        {d.Label2, "唱名：", {94, 20}, true},    {d.Label3, "升降号：", {162, 20}, true},
        {d.Label4, "8度：", {235, 20}, true},    {d.Label6, "力度：", {301, 20}, false},
        {d.Label5, "通道：", {365, 20}, false},  {d.Label7, "1#音符：", {16, 43}, true},
        {d.Label1, "2#音符：", {16, 67}, true},  {d.Label8, "3#音符：", {16, 91}, true},
        {d.Label9, "4#音符：", {16, 115}, true}, {d.Label10, "预览：", {446, 21}, true}};
    for (const auto& [label, text, place, enabled] : labels) {
        EXPECT_EQ(label->text(), Q(text));
        EXPECT_EQ(label->pos(), place) << text;
        EXPECT_EQ(label->isEnabled(), enabled) << text;
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << text;
    }
    EXPECT_TRUE(d.Label9->font().bold());
    EXPECT_EQ(d.Label9->font().pixelSize(), 15);
    EXPECT_FALSE(d.edKeyCaption->isEnabled()) << "inside the disabled caption group";
    EXPECT_FALSE(d.cbNoTranspose->isEnabled());
    EXPECT_EQ(d.cbNoTranspose->text(), Q("不移调"));
    for (const auto& [b, text] : {std::pair{d.btnSaveKeysDef, "保存键定义到文件"},
                                  {d.btnLoadKeysDef, "从文件加载键定义"},
                                  {d.btnOK, "确定"},
                                  {d.Button1, "取消"},
                                  {d.btnHelp, "帮助"}}) {
        EXPECT_EQ(b->text(), Q(text));
        EXPECT_LT(b->fontMetrics().horizontalAdvance(b->text()), b->width() - 4) << text;
    }

    // The 73 definable keys, in key-table order.
    ASSERT_EQ(d.cbbKeysName->count(), 73);
    EXPECT_EQ(d.cbbKeysName->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(d.cbbKeysName->itemText(12), QStringLiteral("\\"));
    EXPECT_EQ(d.cbbKeysName->itemText(13), QStringLiteral("Q"));
    EXPECT_EQ(d.cbbKeysName->itemText(72), QStringLiteral("Num-."));

    for (int r = 0; r < TfrmSetKeyDef::RowCount; ++r) {
        const int top = 40 + 24 * r;
        EXPECT_EQ(d.cbbDegree[r]->geometry(), QRect(88, top, 49, 20));
        EXPECT_EQ(d.cbbAccidental[r]->geometry(), QRect(160, top, 49, 20));
        EXPECT_EQ(d.seOctave[r]->geometry(), QRect(232, top, 41, 21));
        EXPECT_EQ(d.seVelocity[r]->geometry(), QRect(296, top, 41, 21));
        EXPECT_EQ(d.cbbKeyboard[r]->geometry(), QRect(360, top, 65, 20));
        EXPECT_EQ(d.cbbDegree[r]->count(), 8);
        EXPECT_EQ(d.cbbDegree[r]->itemText(0), QStringLiteral("None"));
        EXPECT_EQ(d.cbbDegree[r]->itemText(7), QStringLiteral("7"));
        EXPECT_EQ(d.cbbAccidental[r]->itemText(1), QStringLiteral("#"));
        EXPECT_EQ(d.cbbAccidental[r]->itemText(2), QStringLiteral("b"));
        EXPECT_EQ(d.cbbKeyboard[r]->itemText(0), Q("左键盘"));
        EXPECT_EQ(d.cbbKeyboard[r]->itemText(1), Q("右键盘"));
        EXPECT_EQ(std::pair(d.seOctave[r]->minimum(), d.seOctave[r]->maximum()), std::pair(-3, 3));
        EXPECT_EQ(std::pair(d.seVelocity[r]->minimum(), d.seVelocity[r]->maximum()),
                  std::pair(0, 127));
        EXPECT_FALSE(d.seVelocity[r]->isEnabled());
        EXPECT_FALSE(d.cbbKeyboard[r]->isEnabled());
    }
    // Every entry of every list is whole in its box (the text is drawn a pixel in from
    // either side of the field).
    for (QComboBox* list : {d.cbbKeysName, d.cbbDegree[3], d.cbbAccidental[3], d.cbbKeyboard[3]}) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_GE(field.width() - 2, list->fontMetrics().horizontalAdvance(list->itemText(i)))
                << list->itemText(i).toStdString();
    }
}

TEST(KeyDefEditor, RowsShowTheRecordAndANoneRowEndsTheCountAndDisablesItsControls) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    d.Set = ChordSet();
    d.SelectKey(KeyQ);
    EXPECT_EQ(d.cbbKeysName->currentText(), QStringLiteral("Q"));
    EXPECT_EQ(d.cbbDegree[2]->currentIndex(), 5);
    EXPECT_EQ(d.cbbAccidental[2]->currentIndex(), 1);
    EXPECT_EQ(d.seVelocity[2]->value(), 90);
    EXPECT_EQ(d.cbbKeyboard[2]->currentText(), Q("右键盘"));
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(d.cbbAccidental[r]->isEnabled(), r < 3) << r;
        EXPECT_EQ(d.seOctave[r]->isEnabled(), r < 3) << r;
    }

    // Row 2 "None" between two notes: the key plays its first note only, and the third
    // note is kept.
    d.cbbDegree[1]->setCurrentIndex(0);
    const TKeyDef& q = d.Set.Keys[KeyQ];
    EXPECT_EQ(q.Count, 1);
    EXPECT_EQ(q.Slots[1].Degree, 0);
    EXPECT_EQ(q.Slots[2].Degree, 5);
    EXPECT_EQ(q.Slots[2].Accidental, 1);
    EXPECT_FALSE(d.cbbAccidental[1]->isEnabled());
    EXPECT_FALSE(d.seOctave[1]->isEnabled());
    EXPECT_TRUE(d.cbbAccidental[2]->isEnabled());

    // A degree again: the row's controls come back on and the three notes sound.
    d.cbbDegree[1]->setCurrentIndex(2);
    EXPECT_TRUE(d.cbbAccidental[1]->isEnabled());
    EXPECT_TRUE(d.seOctave[1]->isEnabled());
    EXPECT_EQ(q.Count, 3);
    EXPECT_EQ(q.Slots[1].Degree, 2);
    // A fourth note; then the first row "None": nothing sounds.
    d.cbbDegree[3]->setCurrentIndex(7);
    EXPECT_EQ(q.Count, 4);
    d.cbbDegree[0]->setCurrentIndex(0);
    EXPECT_EQ(q.Count, 0);
    EXPECT_EQ(q.Slots[3].Degree, 7);
    EXPECT_EQ(d.Set.Keys[KeyW].Count, 1) << "only the key shown changes";
}

TEST(KeyDefEditor, OctavesAccidentalsAndDegreesMapBetweenRecordAndRows) {
    // The octave shown for each stored octave (outside 1..7 shows 0), and what each
    // octave chosen stores back.
    const std::pair<int, int> shown[] = {{1, -3}, {2, -2}, {4, 0},  {7, 3},
                                         {0, 0},  {8, 0},  {200, 0}};
    for (const auto& [octave, value] : shown) {
        TfrmSetKeyDef d(Mask(), "/tmp");
        d.Set = DefaultKeyDefSet();
        d.Set.Keys[KeyQ].Slots[0].Octave = static_cast<uint8_t>(octave);
        d.SelectKey(KeyQ);
        EXPECT_EQ(d.seOctave[0]->value(), value) << "octave " << octave;
    }
    TfrmSetKeyDef d(Mask(), "/tmp");
    d.Set = DefaultKeyDefSet();
    d.SelectKey(KeyZ); // do in octave 2
    EXPECT_EQ(d.seOctave[0]->value(), -2);
    for (const auto& [value, octave] : {std::pair{-3, 1}, {3, 7}, {-1, 3}, {0, 4}}) {
        d.seOctave[0]->setValue(value);
        EXPECT_EQ(d.Set.Keys[KeyZ].Slots[0].Octave, octave) << "value " << value;
    }
    d.cbbAccidental[0]->setCurrentIndex(2);
    EXPECT_EQ(d.Set.Keys[KeyZ].Slots[0].Accidental, 2);

    // An accidental above 2 and a degree above 7 show "None"; the degree then plays
    // nothing, as the note rule treats it.
    TKeyDef odd = DefaultKeyDefSet().Keys[KeyQ];
    odd.Slots[0].Accidental = 3;
    odd.Slots[1] = Note(9, 4);
    d.LoadKey(odd);
    EXPECT_EQ(d.cbbAccidental[0]->currentText(), QStringLiteral("None"));
    EXPECT_EQ(d.cbbDegree[1]->currentText(), QStringLiteral("None"));
    EXPECT_FALSE(d.seOctave[1]->isEnabled());
    TKeyDef stored{};
    d.StoreKey(stored);
    EXPECT_EQ(stored.Slots[0].Accidental, 0);
    EXPECT_EQ(stored.Slots[1].Degree, 0);
    EXPECT_EQ(stored.Count, 1);
}

TEST(KeyDefEditor, FieldsTheUserCannotChangeGoBackExactly) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    d.Set = DefaultKeyDefSet();
    TKeyDef& q = d.Set.Keys[KeyQ];
    q.Caption.SetBytes(std::string("\xB8\xD6\xC7", 3)); // 钢 and half of 琴
    q.NoTranspose = 1;
    q.Slots[0] = Note(1, 4, 0, 5, 300); // keyboard byte 5 (right), velocity 300
    q.Slots[1] = Note(3, 4, 0, 0, -7);
    q.Count = 2;
    q.Slots[5] = Note(2, 4); // a slot beyond the editor's four
    d.SelectKey(KeyQ);
    EXPECT_TRUE(d.cbNoTranspose->isChecked());
    EXPECT_EQ(d.seVelocity[0]->value(), 127);
    EXPECT_EQ(d.cbbKeyboard[0]->currentIndex(), 1);
    EXPECT_EQ(d.edKeyCaption->text().left(1), Q("钢"));

    d.cbbAccidental[1]->setCurrentIndex(1); // the user's one change
    TKeyDef expected = DefaultKeyDefSet().Keys[KeyQ];
    expected.Caption.SetBytes(std::string("\xB8\xD6\xC7", 3));
    expected.NoTranspose = 1;
    expected.Slots[0] = Note(1, 4, 0, 5, 300);
    expected.Slots[1] = Note(3, 4, 1, 0, -7);
    expected.Count = 2;
    EXPECT_EQ(Bytes(q), Bytes(expected)) << "slots 4..7 are written empty";

    // Given other values (no user can, but the code path stores what is shown), the
    // controls store those, the caption cut to 4 bytes without half a character.
    d.edKeyCaption->setText(Q("a钢琴"));
    d.cbNoTranspose->setChecked(false);
    d.cbbKeyboard[0]->setCurrentIndex(0);
    EXPECT_EQ(q.Caption.Bytes(), Utf8ToCp936("a钢"));
    EXPECT_EQ(q.NoTranspose, 0);
    EXPECT_EQ(q.Slots[0].Keyboard, 0);
    EXPECT_EQ(q.Slots[0].Velocity, 300) << "the velocity box was not touched";
}

TEST(KeyDefEditor, ChoosingAKeyOnlyShowsItAndThePreviewDrawsItsFirstNoteInBlack) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    ASSERT_FALSE(Mask().isNull());
    d.Set = ChordSet();
    d.SelectKey(Key1);
    d.memRemarks->setPlainText(QStringLiteral("typing"));
    d.seOctave[0]->setValue(-1); // key "1": do, now in octave 3
    const TKeyDefSet before = d.Set;

    d.cbbKeysName->setCurrentIndex(13); // "Q"
    EXPECT_EQ(Bytes(d.Set), Bytes(before)) << "showing a key stores nothing";
    EXPECT_EQ(d.cbbDegree[1]->currentIndex(), 3);
    EXPECT_EQ(d.memRemarks->toPlainText(), QStringLiteral("typing"));
    d.cbbDegree[3]->setCurrentIndex(4); // a degree change keeps the memo being typed
    EXPECT_EQ(d.memRemarks->toPlainText(), QStringLiteral("typing"));

    // Do of the right keyboard, drawn black and centred.
    const TInk chord = InkOf(d.PreviewPicture());
    ASSERT_FALSE(chord.Box.isEmpty());
    EXPECT_FALSE(chord.Coloured);
    EXPECT_EQ(d.PreviewPicture().size(), QSize(49, 97));
    EXPECT_LE(std::abs(chord.Box.top() - (96 - chord.Box.bottom())), 1) << "centred up and down";
    EXPECT_GE(chord.Box.left(), 17);
    EXPECT_LE(chord.Box.right(), 30);

    // Higher octaves draw taller digits; a sharp adds ink to the left of the digit.
    d.seOctave[0]->setValue(2);
    const TInk high = InkOf(d.PreviewPicture());
    EXPECT_GT(high.Box.height(), chord.Box.height());
    d.cbbAccidental[0]->setCurrentIndex(1);
    EXPECT_LT(InkOf(d.PreviewPicture()).Box.left(), 17);

    // No first note, or no key definition: a white preview.
    d.cbbDegree[0]->setCurrentIndex(0);
    EXPECT_TRUE(InkOf(d.PreviewPicture()).Box.isEmpty());
    d.SelectKey(KeyEsc); // not a definable key: the list's first key is shown
    EXPECT_EQ(d.SelectedKey(), Key1);
    d.Set.Keys[KeyBackslash].Count = 0;
    d.SelectKey(KeyBackslash);
    EXPECT_TRUE(InkOf(d.PreviewPicture()).Box.isEmpty());
}

TEST(KeyDefEditor, CancelLeavesTheSetAndOKAppliesEveryKeyChangedAndTheRemark) {
    const TKeyDefSet original = ChordSet();
    TKeyDefSet set = original;
    WhenShown([](TfrmSetKeyDef& d) {
        EXPECT_EQ(d.SelectedKey(), KeyQ);
        d.cbbDegree[1]->setCurrentIndex(0);
        d.memRemarks->setPlainText(QStringLiteral("changed"));
        d.Button1->click();
    });
    EXPECT_FALSE(EditKeyDefs(nullptr, set, KeyQ, Mask(), "/tmp"));
    EXPECT_EQ(Bytes(set), Bytes(original));

    // Unchanged, OK gives the set back byte for byte.
    WhenShown([](TfrmSetKeyDef& d) { d.btnOK->click(); });
    EXPECT_TRUE(EditKeyDefs(nullptr, set, KeyW, Mask(), "/tmp"));
    EXPECT_EQ(Bytes(set), Bytes(original));

    WhenShown([](TfrmSetKeyDef& d) {
        d.cbbDegree[1]->setCurrentIndex(0); // Q: one note
        d.cbbKeysName->setCurrentIndex(d.cbbKeysName->findText(QStringLiteral("Z")));
        d.cbbAccidental[0]->setCurrentIndex(1); // Z: do sharp
        d.cbbKeysName->setCurrentIndex(d.cbbKeysName->findText(QStringLiteral("Num-.")));
        d.cbbDegree[1]->setCurrentIndex(3); // Num-.: a second note, shown last
        d.memRemarks->setPlainText(Q("第一行\n第二行"));
        d.btnOK->click();
    });
    EXPECT_TRUE(EditKeyDefs(nullptr, set, KeyQ, Mask(), "/tmp"));
    EXPECT_EQ(set.Keys[KeyQ].Count, 1);
    EXPECT_EQ(set.Keys[KeyZ].Slots[0].Accidental, 1);
    EXPECT_EQ(set.Keys[KeyNumDot].Count, 2);
    EXPECT_EQ(set.Keys[KeyNumDot].Slots[1].Degree, 3);
    EXPECT_EQ(set.Remark.Bytes(), Utf8ToCp936("第一行\r\n第二行"));
    EXPECT_EQ(Bytes(set.Keys[KeyW]), Bytes(original.Keys[KeyW]));
}

TEST(KeyDefEditor, ARemarkLongerThan240BytesIsCutOnOKAndOnSave) {
    TTempDir dir;
    const QString halfAtTheEnd = QStringLiteral("x") + QString(150, QChar(0x7434)); // 琴
    // The memo's text, and the remark's bytes then: 240 at most, never half a character.
    const std::pair<QString, size_t> cases[] = {{QString(300, QLatin1Char('r')), 240},
                                                {QString(150, QChar(0x7434)), 240},
                                                {halfAtTheEnd, 239}};
    for (const auto& [text, length] : cases) {
        TKeyDefSet set = DefaultKeyDefSet();
        WhenShown([&text](TfrmSetKeyDef& d) {
            d.memRemarks->setPlainText(text);
            d.btnOK->click();
        });
        ASSERT_TRUE(EditKeyDefs(nullptr, set, KeyQ, Mask(), dir.Root().string()));
        EXPECT_EQ(set.Remark.Length(), length);
        const std::string whole = Utf8ToCp936(text.toStdString());
        EXPECT_EQ(set.Remark.Bytes(), whole.substr(0, length));

        TfrmSetKeyDef d(Mask(), dir.Root().string());
        TStandIn files{dir.Path("remark.kdf")};
        files.Install(d);
        d.Set = DefaultKeyDefSet();
        d.SelectKey(KeyQ);
        d.memRemarks->setPlainText(text);
        d.btnSaveKeysDefClick();
        TKeyDefSet saved{};
        ASSERT_TRUE(LoadKeyDefFile(dir.Path("remark.kdf"), saved));
        EXPECT_EQ(saved.Remark.Bytes(), whole.substr(0, length));
    }
}

TEST(KeyDefEditor, SavedFileLoadsBackAndABadFileChangesNothing) {
    TTempDir dir;
    TfrmSetKeyDef d(Mask(), dir.Root().string());
    TStandIn files{dir.Path("mine.kdf")};
    files.Install(d);
    d.Set = ChordSet();
    d.SelectKey(KeyQ);
    d.cbbDegree[3]->setCurrentIndex(1);
    d.seOctave[3]->setValue(1);
    d.memRemarks->setPlainText(Q("和弦"));
    d.btnSaveKeysDefClick();
    EXPECT_TRUE(files.Messages.empty());
    EXPECT_EQ(files.Folders, std::vector<std::string>{dir.Root().string()});
    const TKeyDefSet saved = d.Set;
    EXPECT_EQ(saved.Remark.Utf8(), "和弦");
    EXPECT_EQ(dir.Read("mine.kdf"), KeyDefFileImage(saved));

    // Other keys and remark, then the file: the set, the key shown and the memo are
    // the file's.
    d.cbbDegree[0]->setCurrentIndex(0);
    d.cbbKeysName->setCurrentIndex(0);
    d.memRemarks->setPlainText(QStringLiteral("unsaved"));
    d.cbbKeysName->setCurrentIndex(13);
    d.btnLoadKeysDefClick();
    EXPECT_EQ(Bytes(d.Set), Bytes(saved));
    EXPECT_EQ(d.SelectedKey(), KeyQ);
    EXPECT_EQ(d.cbbDegree[0]->currentIndex(), 1);
    EXPECT_EQ(d.seOctave[3]->value(), 1);
    EXPECT_EQ(d.memRemarks->toPlainText(), Q("和弦"));

    // A file with a wrong magic, a cancelled dialog, a missing file: nothing changes;
    // the failures are told.
    std::vector<uint8_t> wrong = KeyDefFileImage(DefaultKeyDefSet());
    wrong[1] = 't';
    dir.Write("wrong.kdf", wrong);
    d.cbbDegree[2]->setCurrentIndex(0);
    d.memRemarks->setPlainText(QStringLiteral("being typed"));
    const TKeyDefSet before = d.Set;
    for (const std::optional<std::string>& file :
         {std::optional(dir.Path("wrong.kdf")), std::optional<std::string>(),
          std::optional(dir.Path("absent.kdf"))}) {
        files.File = file;
        files.Messages.clear();
        d.btnLoadKeysDefClick();
        EXPECT_EQ(Bytes(d.Set), Bytes(before));
        EXPECT_EQ(d.memRemarks->toPlainText(), QStringLiteral("being typed"));
        EXPECT_EQ(d.cbbDegree[2]->currentIndex(), 0);
        EXPECT_EQ(d.SelectedKey(), KeyQ);
        ASSERT_EQ(files.Messages.size(), file ? 1u : 0u);
        if (file) {
            EXPECT_TRUE(files.Messages[0].contains(QString::fromStdString(*file)));
        }
    }

    // Saving where it cannot be written is told, and writes nothing.
    files.File = dir.Path("no-such-folder/keys.kdf");
    files.Messages.clear();
    d.btnSaveKeysDefClick();
    ASSERT_EQ(files.Messages.size(), 1u);
    EXPECT_TRUE(files.Messages[0].startsWith(Q("无法保存文件")));
    EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(KeyDefEditor, HelpTellsAboutChords) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    TStandIn files;
    files.Install(d);
    d.btnHelp->click();
    EXPECT_EQ(files.Messages,
              std::vector<QString>{Q("自4.0版起，允许每个键定义成和弦(多个音同时发音)"
                                     "。但此功能目前尚不完善，建议慎用。")});
}

TEST(KeyDefEditor, Screenshots) {
    TfrmSetKeyDef d(Mask(), "/tmp");
    d.Set = ChordSet();
    d.Set.Keys[KeyQ].Caption.SetUtf8("和弦");
    d.SelectKey(KeyW);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    uitest::SaveShot(d.grab().toImage(), "keydef-dialog");
    d.SelectKey(KeyQ);
    uitest::SaveShot(d.grab().toImage(), "keydef-chord");
    EXPECT_FALSE(InkOf(d.PreviewPicture()).Box.isEmpty());
    d.seOctave[0]->setValue(1);
    d.cbbAccidental[0]->setCurrentIndex(1);
    uitest::SaveShot(d.grab().toImage(), "keydef-sharp");
    EXPECT_LT(InkOf(d.PreviewPicture()).Box.left(), 17);
}

} // namespace
