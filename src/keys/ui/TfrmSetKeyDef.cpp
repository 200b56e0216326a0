#include "keys/ui/TfrmSetKeyDef.h"

#include "keys/KeyDefFile.h"
#include "keys/KeyTable.h"
#include "ui/FileDialogs.h"
#include "ui/SkinLayout.h"
#include "ui/TKTStaff.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <algorithm>
#include <utility>

namespace {

constexpr int RowTop = 40, RowStep = 24;
constexpr int OctaveMin = -3, OctaveMax = 3, OctaveBase = 4;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Texts of the records keep their line breaks as CR LF; the memo shows them as its own.
QString FromCp936(const std::string& bytes) {
    return FromUtf8(Cp936ToUtf8(bytes)).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// The text in code page 936, cut to at most `limit` bytes without splitting a
// two-byte character (lead bytes 0x81..0xFE), which would read back as garbage.
std::string ToCp936(QString text, size_t limit) {
    return CutCp936(
        Utf8ToCp936(text.replace(QLatin1String("\n"), QLatin1String("\r\n")).toStdString()), limit);
}

std::optional<std::string> AskFile(QWidget* parent, const std::string& folder, bool save) {
    return AskFileWithQt(parent, folder, KeyDefFileFilter,
                         std::string_view(KeyDefFileExt).substr(1), save);
}

QString ShownPath(const std::string& path) {
    return QDir::toNativeSeparators(FromUtf8(path));
}

QLabel* MakeLabel(const char* text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// Drop-down lists with a narrow arrow, so that "None" is whole in a list 49 pixels
// wide, and whose list opens below the box in every style.
class TNarrowListStyle : public QProxyStyle {
public:
    static constexpr int ArrowWidth = 11, Frame = 2, TextIndent = 0;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        if (control == CC_ComboBox && (sub == SC_ComboBoxArrow || sub == SC_ComboBoxEditField)) {
            const QRect r = option->rect;
            const QRect part =
                sub == SC_ComboBoxArrow
                    ? QRect(r.right() - ArrowWidth, r.top(), ArrowWidth + 1, r.height())
                    : QRect(r.left() + Frame + TextIndent, r.top() + Frame,
                            r.width() - ArrowWidth - 2 * Frame - TextIndent,
                            r.height() - 2 * Frame);
            return visualRect(option->direction, r, part);
        }
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

QComboBox* MakeList(const QStringList& items, QWidget* parent, QRect place, QStyle* style) {
    auto* list = new QComboBox(parent);
    list->setStyle(style);
    list->setGeometry(place);
    list->addItems(items);
    return list;
}

QSpinBox* MakeSpin(int min, int max, QWidget* parent, QRect place) {
    auto* spin = new QSpinBox(parent);
    spin->setGeometry(place);
    spin->setRange(min, max);
    spin->setValue(std::clamp(0, min, max));
    return spin;
}

} // namespace

TKeyDefDialogs TKeyDefDialogs::Standard() {
    TKeyDefDialogs d;
    d.AskOpenFile = [](QWidget* parent, const std::string& folder) {
        return AskFile(parent, folder, false);
    };
    d.AskSaveFile = [](QWidget* parent, const std::string& folder) {
        return AskFile(parent, folder, true);
    };
    d.ShowMessage = [](QWidget* parent, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, parent ? parent->windowTitle() : QString(), text,
                        QMessageBox::Ok, parent);
        box.exec();
    };
    return d;
}

TfrmSetKeyDef::TfrmSetKeyDef(const QImage& staffMask, std::string folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      StaffMask(staffMask), Folder(std::move(folder)) {
    setWindowTitle(QString::fromUtf8("修改键定义"));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);
    ListStyle = new TNarrowListStyle;

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setGeometry(8, 0, 521, 209);
    Label26 = MakeLabel("键：", GroupBox2, 16, 27);
    QStringList names;
    for (int k = 0; k < KeyCount; ++k) {
        if (!DefinableKeys[static_cast<size_t>(k)]) continue;
        ListKeys.push_back(k);
        names << FromUtf8(KeyTable[static_cast<size_t>(k)].Name);
    }
    cbbKeysName = MakeList(names, GroupBox2, {40, 23, 137, 20}, ListStyle);
    cbbKeysName->setMaxVisibleItems(16);
    Label26->setBuddy(cbbKeysName);

    // The caption and the no-transpose flag are shown, not edited.
    GroupBox1 = new QGroupBox(GroupBox2);
    GroupBox1->setGeometry(200, 12, 313, 40);
    GroupBox1->setEnabled(false);
    Label25 = MakeLabel("标注：", GroupBox1, 8, 17);
    Label25->setEnabled(false);
    edKeyCaption = new QLineEdit(GroupBox1);
    edKeyCaption->setGeometry(48, 13, 89, 20);
    cbNoTranspose = new QCheckBox(QString::fromUtf8("不移调"), GroupBox1);
    cbNoTranspose->setGeometry(224, 16, 65, 17);
    cbNoTranspose->setEnabled(false);

    gbNotes = new QGroupBox(QString::fromUtf8(" 音符 "), GroupBox2);
    gbNotes->setGeometry(8, 56, 505, 145);
    Label2 = MakeLabel("唱名：", gbNotes, 94, 20);
    Label3 = MakeLabel("升降号：", gbNotes, 162, 20);
    Label4 = MakeLabel("8度：", gbNotes, 235, 20);
    Label6 = MakeLabel("力度：", gbNotes, 301, 20);
    Label6->setEnabled(false);
    Label5 = MakeLabel("通道：", gbNotes, 365, 20);
    Label5->setEnabled(false);
    QFont rowFont = font;
    rowFont.setPixelSize(15);
    rowFont.setBold(true);
    const std::array<QLabel**, RowCount> rowLabels{&Label7, &Label1, &Label8, &Label9};
    for (int r = 0; r < RowCount; ++r) {
        *rowLabels[r] = new QLabel(QString::number(r + 1) + QString::fromUtf8("#音符："), gbNotes);
        (*rowLabels[r])->setFont(rowFont);
        (*rowLabels[r])->move(16, 43 + RowStep * r);
        (*rowLabels[r])->adjustSize();
        MakeRow(r);
        (*rowLabels[r])->setBuddy(cbbDegree[r]);
    }
    Label10 = MakeLabel("预览：", gbNotes, 446, 21);
    imgPreviewNotes = new QLabel(gbNotes);
    imgPreviewNotes->setGeometry(440, 40, PreviewWidth, PreviewHeight);

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setGeometry(8, 210, 521, 113);
    memRemarks = new QPlainTextEdit(GroupBox3);
    memRemarks->setGeometry(8, 16, 369, 89);
    memRemarks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memRemarks->setTabChangesFocus(true);
    btnSaveKeysDef = new QPushButton(QString::fromUtf8("保存键定义到文件"), GroupBox3);
    btnSaveKeysDef->setGeometry(392, 24, 113, 25);
    btnLoadKeysDef = new QPushButton(QString::fromUtf8("从文件加载键定义"), GroupBox3);
    btnLoadKeysDef->setGeometry(392, 64, 113, 25);

    btnOK = new QPushButton(QString::fromUtf8("确定"), this);
    btnOK->setGeometry(72, 336, 75, 25);
    Button1 = new QPushButton(QString::fromUtf8("取消"), this);
    Button1->setGeometry(192, 336, 75, 25);
    btnHelp = new QPushButton(QString::fromUtf8("帮助"), this);
    btnHelp->setGeometry(400, 336, 75, 25);

    connect(cbbKeysName, &QComboBox::currentIndexChanged, this, [this] { cbbKeysNameChange(); });
    connect(edKeyCaption, &QLineEdit::textChanged, this, [this] { KeyControlChange(false); });
    connect(cbNoTranspose, &QCheckBox::toggled, this, [this] { KeyControlChange(false); });
    connect(btnSaveKeysDef, &QPushButton::clicked, this, &TfrmSetKeyDef::btnSaveKeysDefClick);
    connect(btnLoadKeysDef, &QPushButton::clicked, this, &TfrmSetKeyDef::btnLoadKeysDefClick);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmSetKeyDef::btnHelpClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    // The last child, so that it is deleted after the lists that use it.
    ListStyle->setParent(this);

    Preview = QImage(PreviewWidth, PreviewHeight, QImage::Format_RGB32);
    Preview.fill(Qt::white);
    imgPreviewNotes->setPixmap(QPixmap::fromImage(Preview));

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSetKeyDef::MakeRow(int r) {
    const int top = RowTop + RowStep * r;
    cbbDegree[r] = MakeList({QStringLiteral("None"), QStringLiteral("1"), QStringLiteral("2"),
                             QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                             QStringLiteral("6"), QStringLiteral("7")},
                            gbNotes, {88, top, 49, 20}, ListStyle);
    cbbAccidental[r] = MakeList({QStringLiteral("None"), QStringLiteral("#"), QStringLiteral("b")},
                                gbNotes, {160, top, 49, 20}, ListStyle);
    seOctave[r] = MakeSpin(OctaveMin, OctaveMax, gbNotes, {232, top, 41, 21});
    seVelocity[r] = MakeSpin(0, 127, gbNotes, {296, top, 41, 21});
    seVelocity[r]->setEnabled(false);
    cbbKeyboard[r] = MakeList({QString::fromUtf8("左键盘"), QString::fromUtf8("右键盘")}, gbNotes,
                              {360, top, 65, 20}, ListStyle);
    cbbKeyboard[r]->setEnabled(false);

    connect(cbbDegree[r], &QComboBox::currentIndexChanged, this,
            [this] { KeyControlChange(true); });
    connect(cbbAccidental[r], &QComboBox::currentIndexChanged, this,
            [this] { KeyControlChange(false); });
    connect(seOctave[r], &QSpinBox::valueChanged, this, [this] { KeyControlChange(false); });
    connect(seVelocity[r], &QSpinBox::valueChanged, this, [this] { KeyControlChange(false); });
    connect(cbbKeyboard[r], &QComboBox::currentIndexChanged, this,
            [this] { KeyControlChange(false); });
}

int TfrmSetKeyDef::SelectedKey() const {
    const int i = cbbKeysName->currentIndex();
    return i >= 0 && i < static_cast<int>(ListKeys.size()) ? ListKeys[static_cast<size_t>(i)] : -1;
}

void TfrmSetKeyDef::SelectKey(int keyIndex) {
    const auto found = std::find(ListKeys.begin(), ListKeys.end(), keyIndex);
    const int entry = found == ListKeys.end() ? 0 : static_cast<int>(found - ListKeys.begin());
    Filling = true;
    cbbKeysName->setCurrentIndex(entry);
    Filling = false;
    LoadKey(Set.Keys[ListKeys[static_cast<size_t>(entry)]]);
    RemarkShown = FromCp936(Set.Remark.Bytes());
    memRemarks->setPlainText(RemarkShown);
}

void TfrmSetKeyDef::LoadKey(const TKeyDef& record) {
    Filling = true;
    Shown = record;
    CaptionShown = FromCp936(record.Caption.Bytes());
    edKeyCaption->setText(CaptionShown);
    cbNoTranspose->setChecked(record.NoTranspose != 0);
    for (int r = 0; r < RowCount; ++r) {
        const TKeyNote& slot = record.Slots[r];
        // A degree the editor cannot write counts as an empty slot, as it plays.
        const int degree = slot.Degree <= 7 ? slot.Degree : 0;
        cbbDegree[r]->setCurrentIndex(degree);
        cbbAccidental[r]->setCurrentIndex(slot.Accidental <= 2 ? slot.Accidental : 0);
        const int octave = slot.Octave - OctaveBase;
        seOctave[r]->setValue(octave >= OctaveMin && octave <= OctaveMax ? octave : 0);
        seVelocity[r]->setValue(slot.Velocity); // the spin box keeps it in 0..127
        cbbKeyboard[r]->setCurrentIndex(slot.IsLeft() ? 0 : 1);
        cbbAccidental[r]->setEnabled(degree != 0);
        seOctave[r]->setEnabled(degree != 0);
    }
    Filling = false;
    DrawPreview(record);
}

void TfrmSetKeyDef::StoreKey(TKeyDef& record) const {
    TKeyDef out = EmptyKeyDef();
    if (edKeyCaption->text() == CaptionShown)
        out.Caption = Shown.Caption;
    else
        out.Caption.SetBytes(ToCp936(edKeyCaption->text(), CaptionBytes));
    const bool noTranspose = cbNoTranspose->isChecked();
    out.NoTranspose = noTranspose == (Shown.NoTranspose != 0) ? Shown.NoTranspose : noTranspose;

    out.Count = RowCount;
    for (int r = 0; r < RowCount; ++r) {
        TKeyNote& slot = out.Slots[r];
        const TKeyNote& shown = Shown.Slots[r];
        const int degree = cbbDegree[r]->currentIndex();
        slot.Degree = static_cast<uint8_t>(degree >= 1 && degree <= 7 ? degree : 0);
        const int accidental = cbbAccidental[r]->currentIndex();
        slot.Accidental = static_cast<uint8_t>(accidental >= 0 && accidental <= 2 ? accidental : 0);
        const int octave = seOctave[r]->value();
        slot.Octave = static_cast<uint8_t>(
            (octave >= OctaveMin && octave <= OctaveMax ? octave : 0) + OctaveBase);
        // What the spin box and the list were given comes back exactly, also a value
        // they cannot show (a velocity above 127, a keyboard byte above 1).
        const int velocity = seVelocity[r]->value();
        // Read by value: the record is packed, and std::clamp would bind a reference.
        const int32_t shownVelocity = shown.Velocity;
        slot.Velocity = velocity == std::clamp(shownVelocity, 0, 127) ? shownVelocity : velocity;
        const int keyboard = cbbKeyboard[r]->currentIndex() == 1 ? 1 : 0;
        slot.Keyboard =
            keyboard == (shown.IsLeft() ? 0 : 1) ? shown.Keyboard : static_cast<uint8_t>(keyboard);
        if (slot.Degree == 0 && out.Count == RowCount) out.Count = r;
    }
    record = out;
}

void TfrmSetKeyDef::StoreRemark() {
    if (const int k = SelectedKey(); k >= 0) StoreKey(Set.Keys[k]);
    // An untouched memo keeps the remark's bytes as they were.
    if (memRemarks->toPlainText() != RemarkShown)
        Set.Remark.SetBytes(ToCp936(memRemarks->toPlainText(), RemarkBytes));
}

void TfrmSetKeyDef::cbbKeysNameChange() {
    if (Filling) return;
    // Every change was stored when it was made: the key chosen is only shown.
    if (const int k = SelectedKey(); k >= 0) LoadKey(Set.Keys[k]);
}

void TfrmSetKeyDef::KeyControlChange(bool degreeChanged) {
    if (Filling) return;
    const int k = SelectedKey();
    if (k < 0) return;
    StoreKey(Set.Keys[k]);
    // A degree turns its row's accidental and octave on or off: the key is shown
    // again. The memo is left as it is, so that a remark being typed survives.
    if (degreeChanged)
        LoadKey(Set.Keys[k]);
    else
        DrawPreview(Set.Keys[k]);
}

void TfrmSetKeyDef::DrawPreview(const TKeyDef& record) {
    Preview.fill(Qt::white);
    const TKeyNote& first = record.Slots[0];
    if (record.Count > 0 && first.HasNote() && !StaffMask.isNull()) {
        const int height =
            TKTStaff::DrawNumberedNote(nullptr, StaffMask, 0, {}, false, true, first, 0);
        TKTStaff::DrawNumberedNote(
            &Preview, StaffMask, (PreviewWidth - SkinLayout::NumberedDigitWidth) / 2,
            QColor(Qt::black), false, false, first, (PreviewHeight - height) / 2);
    }
    imgPreviewNotes->setPixmap(QPixmap::fromImage(Preview));
}

void TfrmSetKeyDef::btnSaveKeysDefClick() {
    StoreRemark();
    const std::optional<std::string> file = Dialogs.AskSaveFile(this, Folder);
    if (!file) return;
    // The user is told when the set did not reach the file, lest they count on it.
    if (!SaveKeyDefFile(Set, *file))
        Dialogs.ShowMessage(this, QString::fromUtf8("无法保存文件 %1").arg(ShownPath(*file)));
}

void TfrmSetKeyDef::btnLoadKeysDefClick() {
    const std::optional<std::string> file = Dialogs.AskOpenFile(this, Folder);
    if (!file) return;
    // A file that is not a key-definition set changes nothing; the user is told why
    // nothing happened.
    if (!LoadKeyDefFile(*file, Set)) {
        Dialogs.ShowMessage(this, QString::fromUtf8("无法读取文件 %1").arg(ShownPath(*file)));
        return;
    }
    SelectKey(SelectedKey());
}

void TfrmSetKeyDef::btnHelpClick() {
    Dialogs.ShowMessage(this, QString::fromUtf8(HelpText));
}

bool EditKeyDefs(QWidget* parent, TKeyDefSet& set, int firstKey, const QImage& staffMask,
                 const std::string& folder) {
    TfrmSetKeyDef dialog(staffMask, folder, parent);
    dialog.Set = set;
    dialog.SelectKey(firstKey);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.StoreRemark();
    set = dialog.Set;
    return true;
}
