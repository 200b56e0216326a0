#include "sound/ui/TfrmSetFavoriteVoices.h"

#include "ui/FileDialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStringList>
#include <QtWidgets/qdrawutil.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int GroupY = 8, GroupWidth = 281, GroupHeight = 313;
constexpr int LabelX = 8, LabelY = 18, LabelWidth = 72;
constexpr int ComboX = 88, ComboY = 14, ComboWidth = 180, ComboHeight = 20, RowStep = 24;
constexpr int ListMargin = 32; // the list's frame, item padding and scroll bar
constexpr int ButtonX = 592, ButtonWidth = 80, ButtonHeight = 25;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::string> AskFile(QWidget* parent, const std::string& folder, bool save) {
    return AskFileWithQt(parent, folder, FavoriteVoicesFileFilter,
                         std::string_view(FavoriteVoicesFileExt).substr(1), save);
}

// A group box whose frame line runs through the middle of its caption (the caption's
// blanks keep the line off the text), so that rows placed from y 14 lie inside the
// frame in every style; some styles put the caption above the frame and would draw
// the line through the first row.
class TCaptionOnFrameGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm = fontMetrics();
        // An etched line, as the classic group box draws it.
        qDrawShadeRect(&p, rect().adjusted(0, fm.height() / 2, 0, 0), palette(), true, 1, 0);
        const QRect caption(8, 0, fm.horizontalAdvance(title()), fm.height());
        p.fillRect(caption, palette().window());
        p.setPen(palette().windowText().color());
        p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, title());
    }
};

// Lists that drop down below their box, 16 entries high with a scroll bar, also in
// the styles whose lists otherwise open over the box as high as the screen allows.
class TDropDownListStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

QString ShownPath(const std::string& path) {
    return QDir::toNativeSeparators(FromUtf8(path));
}

} // namespace

TFavoriteVoicesFileDialogs TFavoriteVoicesFileDialogs::Standard() {
    TFavoriteVoicesFileDialogs d;
    d.AskOpenFile = [](QWidget* parent, const std::string& folder) {
        return AskFile(parent, folder, false);
    };
    d.AskSaveFile = [](QWidget* parent, const std::string& folder) {
        return AskFile(parent, folder, true);
    };
    d.ShowMessage = [](QWidget* parent, const QString& text) {
        QMessageBox::warning(parent, parent ? parent->windowTitle() : QString(), text);
    };
    return d;
}

TfrmSetFavoriteVoices::TfrmSetFavoriteVoices(const TVoiceList& voices,
                                             const TFavoriteVoiceSet& live,
                                             std::string programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Voices(voices), Live(live), ProgramFolder(std::move(programFolder)) {
    setWindowTitle(QString::fromUtf8("编辑快捷音色"));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    // A fixed border; with a parent, QDialog centres the dialog over it when shown.
    setFixedSize(ClientWidth, ClientHeight);

    ListStyle = new TDropDownListStyle;
    gbSlave = MakeGroup(" 副音色 ", 8, "Shift + F", lblSlave, cbSlave);
    gbMaster = MakeGroup(" 主音色 ", 296, "F", lblMaster, cbMaster);

    auto button = [this](const char* text, int y) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setGeometry(ButtonX, y, ButtonWidth, ButtonHeight);
        return b;
    };
    btnLoad = button("加载…", 22);
    btnSave = button("保存…", 54);
    btnRestoreToDefult = button("恢复到缺省", 86);
    btnOK = button("确定", GroupY + GroupHeight - 2 * ButtonHeight - 7);
    btnCancel = button("取消", GroupY + GroupHeight - ButtonHeight);
    btnOK->setDefault(true);
    connect(btnLoad, &QPushButton::clicked, this, &TfrmSetFavoriteVoices::LoadFromFile);
    connect(btnSave, &QPushButton::clicked, this, &TfrmSetFavoriteVoices::SaveToFile);
    connect(btnRestoreToDefult, &QPushButton::clicked, this,
            &TfrmSetFavoriteVoices::RestoreToDefault);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The last child, so that it is deleted after the combo boxes that use it.
    ListStyle->setParent(this);
    ShowSet(Live);
}

QGroupBox* TfrmSetFavoriteVoices::MakeGroup(const char* caption, int x, const char* labelPrefix,
                                            std::array<QLabel*, RowCount>& labels,
                                            std::array<QComboBox*, RowCount>& combos) {
    auto* group = new TCaptionOnFrameGroupBox(QString::fromUtf8(caption), this);
    group->setGeometry(x, GroupY, GroupWidth, GroupHeight);

    QStringList items;
    int widest = 0;
    for (int p = 0; p < Voices.Count(); ++p) {
        items << FromUtf8(Voices.FavoriteText(p));
        widest = std::max(widest, fontMetrics().horizontalAdvance(items.back()));
    }

    for (int i = 0; i < RowCount; ++i) {
        // Twelve characters, right-aligned with blanks: " Shift + F1:", "        F12:".
        const QString text =
            (QString::fromLatin1(labelPrefix) + QString::number(i + 1) + QLatin1Char(':'))
                .rightJustified(12, QLatin1Char(' '));
        labels[i] = new QLabel(text, group);
        // The colons line up in any font, not only in one whose blanks are as wide
        // as its digits.
        labels[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        labels[i]->setGeometry(LabelX, LabelY + RowStep * i, LabelWidth,
                               labels[i]->sizeHint().height());

        combos[i] = new QComboBox(group);
        combos[i]->setGeometry(ComboX, ComboY + RowStep * i, ComboWidth, ComboHeight);
        combos[i]->setMaxVisibleItems(16);
        combos[i]->setStyle(ListStyle);
        combos[i]->addItems(items);
        // The box shows the start of a long name; its list is wide enough for all of it.
        combos[i]->view()->setMinimumWidth(widest + ListMargin);
        labels[i]->setBuddy(combos[i]);
    }
    return group;
}

QComboBox* TfrmSetFavoriteVoices::RecordCombo(int record) const {
    if (record < 0 || record >= FavoriteVoiceCount) return nullptr;
    return record < RowCount ? cbMaster[record] : cbSlave[record - RowCount];
}

void TfrmSetFavoriteVoices::ShowSet(const TFavoriteVoiceSet& set) {
    for (int r = 0; r < FavoriteVoiceCount; ++r) {
        const int position = Voices.FindVoiceIndex(set.Voices[r].Patch());
        // An empty list has nothing to select; the combo stays without a choice.
        RecordCombo(r)->setCurrentIndex(Voices.Count() == 0 ? -1 : std::max(position, 0));
    }
}

TFavoriteVoiceSet TfrmSetFavoriteVoices::BuildSet() const {
    TFavoriteVoiceSet set = Live;
    if (Voices.Count() == 0) return set;
    for (int r = 0; r < FavoriteVoiceCount; ++r) {
        const int selected = RecordCombo(r)->currentIndex();
        const int position = selected >= 0 && selected < Voices.Count() ? selected : 0;
        set.Voices[r].SetPatch(Voices[position].Patch);
    }
    return set;
}

void TfrmSetFavoriteVoices::LoadFromFile() {
    const std::optional<std::string> file = FileDialogs.AskOpenFile(this, ProgramFolder);
    if (!file) return;
    TFavoriteVoiceSet scratch;
    if (!LoadFavoriteVoices(*file, scratch)) {
        // Showing the default set here would pass it off as the file's content.
        FileDialogs.ShowMessage(this, QString::fromUtf8("无法读取文件 %1").arg(ShownPath(*file)));
        return;
    }
    ShowSet(scratch);
}

void TfrmSetFavoriteVoices::SaveToFile() {
    const std::optional<std::string> file = FileDialogs.AskSaveFile(this, ProgramFolder);
    if (!file) return;
    if (!SaveFavoriteVoices(*file, BuildSet()))
        FileDialogs.ShowMessage(this, QString::fromUtf8("无法保存文件 %1").arg(ShownPath(*file)));
}

void TfrmSetFavoriteVoices::RestoreToDefault() {
    ShowSet(DefaultFavoriteVoiceSet());
}

bool EditFavoriteVoices(QWidget* parent, TFavoriteVoiceSet& set, const TVoiceList& voices,
                        const std::string& programFolder, QWidget* centreOn) {
    TfrmSetFavoriteVoices dialog(voices, set, programFolder, parent);
    if (centreOn) dialog.CentreOn(centreOn);
    if (dialog.exec() != QDialog::Accepted) return false;
    set = dialog.BuildSet();
    return true;
}
