#include "settings/ui/TfrmSetup.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"
#include "ui/FileDialogs.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStringList>
#include <QTabWidget>

#include <algorithm>
#include <string_view>

namespace {

constexpr int TrackX = 96, TrackWidth = 177, TrackHeight = 25;
constexpr int ValueLabelWidth = 48;

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(const char* text, QWidget* parent, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A word-wrapped text in its place, grown downwards when its lines need more room.
// With a line pitch its lines stand about that many pixels apart: the fallback fonts
// space their lines far wider than 12-pixel characters need, and the latency note
// would not fit its group box.
QLabel* MakeWrappedLabel(const char* text, QWidget* parent, QRect place, int linePitch = 0) {
    auto* label = new QLabel(parent);
    if (linePitch > 0) {
        // Rich text takes a line height smaller than the font's only as a share of it.
        const int share = 100 * linePitch / label->fontMetrics().lineSpacing();
        label->setTextFormat(Qt::RichText);
        label->setText(QStringLiteral("<p style=\"line-height:%1%\">%2</p>")
                           .arg(std::min(share, 100))
                           .arg(QString::fromUtf8(text).toHtmlEscaped()));
    } else {
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromUtf8(text));
    }
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place.setHeight(std::max(place.height(), label->heightForWidth(place.width())));
    label->setGeometry(place);
    return label;
}

QSlider* MakeTrackBar(QWidget* parent, int y, int min, int max, int pageSize) {
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setGeometry(TrackX, y, TrackWidth, TrackHeight);
    track->setRange(min, max);
    track->setPageStep(pageSize);
    track->setTickPosition(QSlider::NoTicks);
    return track;
}

QCheckBox* MakeCheckBox(const char* text, QWidget* parent, int x, int y) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->move(x, y);
    box->adjustSize();
    return box;
}

std::optional<std::string> AskVoiceSetFileWithQt(QWidget* parent, const std::string& folder) {
    return AskFileWithQt(parent, folder, ExternalVoiceSetFileFilter, "dls", false);
}

} // namespace

TSetupDialogs TSetupDialogs::Standard() {
    TSetupDialogs d;
    d.AskVoiceSetFile = AskVoiceSetFileWithQt;
    d.ShowMessage = [](QWidget* parent, const QString& text) {
        QMessageBox::warning(parent, QString::fromUtf8("设置"), text);
    };
    return d;
}

TfrmSetup::TfrmSetup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8("设置"));
    QFont font(QStringList{"SimSun", "Noto Serif CJK SC", "Noto Sans CJK SC"});
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(ClientWidth, ClientHeight);

    PageControl = new QTabWidget(this);
    PageControl->setGeometry(4, 0, 381, 241);
    BuildDeviceTab();
    BuildKeyDefTab();
    BuildRecordTab();
    BuildAdvancedTab();
    BuildOtherTab();
    PageControl->setCurrentIndex(0);

    btnOK = new QPushButton(QString::fromUtf8("确定"), this);
    btnOK->setGeometry(184, 248, 75, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QString::fromUtf8("取消"), this);
    btnCancel->setGeometry(296, 247, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Both value labels show their track bar's position from the start, also when
    // filling the form leaves a position where it was.
    trkLatencyChange();
    trkReverbLevelChange();
    ShowExternalFile();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSetup::BuildDeviceTab() {
    tabsDevice = new QWidget;
    PageControl->addTab(tabsDevice, QString::fromUtf8("设备"));

    GroupBox_Latency = new QGroupBox(tabsDevice);
    GroupBox_Latency->setGeometry(8, 8, 353, 121);
    lblResponse = MakeLabel("响应速度：", GroupBox_Latency, 16, 36);
    lblFast = MakeLabel("快", GroupBox_Latency, 96, 16);
    lblSlow = MakeLabel("慢", GroupBox_Latency, 256, 16);
    trkLatency = MakeTrackBar(GroupBox_Latency, 32, LatencyMin, LatencyMax, 10);
    lblLatency = new QLabel(GroupBox_Latency);
    lblLatency->setGeometry(280, 34, ValueLabelWidth, lblResponse->height());
    lblLatencyNote = MakeWrappedLabel(
        "使用这个功能来调节按键后发音的响应速度。通常情况下不必调节。如果在演奏过程中出现"
        "噪音（不演奏时没有噪音）甚至死机，可以将响应速度调慢。如果演奏快速乐曲时感觉按键后"
        "发音有点延迟，可以将响应速度调快。",
        GroupBox_Latency, QRect(24, 60, 305, 52), 13);

    GroupBox_ReverbLevel = new QGroupBox(tabsDevice);
    GroupBox_ReverbLevel->setGeometry(8, 136, 353, 57);
    lblReverb = MakeLabel("混响级别：", GroupBox_ReverbLevel, 16, 25);
    trkReverbLevel = MakeTrackBar(GroupBox_ReverbLevel, 24, ReverbLevelMin, ReverbLevelMax, 1);
    lblReverbLevel = new QLabel(GroupBox_ReverbLevel);
    lblReverbLevel->setGeometry(282, 25, ValueLabelWidth, lblReverb->height());

    connect(trkLatency, &QSlider::valueChanged, this, &TfrmSetup::trkLatencyChange);
    connect(trkReverbLevel, &QSlider::valueChanged, this, &TfrmSetup::trkReverbLevelChange);
}

void TfrmSetup::BuildKeyDefTab() {
    tabsKeyDef = new QWidget;
    PageControl->addTab(tabsKeyDef, QString::fromUtf8("键定义"));
    btnEditKeydef = new QPushButton(QString::fromUtf8("编辑发音键的定义…"), tabsKeyDef);
    btnEditKeydef->setGeometry(24, 16, 129, 25);
    btnEditFavoriteVoices = new QPushButton(QString::fromUtf8("编辑快捷音色…"), tabsKeyDef);
    btnEditFavoriteVoices->setGeometry(24, 48, 129, 25);
    connect(btnEditKeydef, &QPushButton::clicked, this, &TfrmSetup::btnEditKeydefClick);
    connect(btnEditFavoriteVoices, &QPushButton::clicked, this,
            &TfrmSetup::btnEditFavoriteVoicesClick);
}

void TfrmSetup::BuildRecordTab() {
    tabsRecord = new QWidget;
    PageControl->addTab(tabsRecord, QString::fromUtf8("录音"));
    lblRecordReserved = MakeLabel("此功能为以后预留。", tabsRecord, 32, 40);
}

void TfrmSetup::BuildAdvancedTab() {
    tabsAdvanced = new QWidget;
    PageControl->addTab(tabsAdvanced, QString::fromUtf8("高级"));
    // The reserved-for-later note lies under the group box here and is never seen.
    MakeLabel("此功能为以后预留。", tabsAdvanced, 32, 40)->hide();

    GroupBox_ExternalDLS = new QGroupBox(tabsAdvanced);
    GroupBox_ExternalDLS->setGeometry(5, 3, 365, 97);
    cbUseExternalDLS = MakeCheckBox("使用外部音色", GroupBox_ExternalDLS, 8, 16);
    lblExternalDLSFile = MakeLabel("外部音色文件：", GroupBox_ExternalDLS, 8, 48);
    btnOpenExternalDLSFile = new QPushButton(QString::fromUtf8("…"), GroupBox_ExternalDLS);
    btnOpenExternalDLSFile->setGeometry(98, 46, 25, 15);
    lblExternalDLSFileName = new QLabel(GroupBox_ExternalDLS);
    lblExternalDLSFileName->setGeometry(8, 72, 365 - 2 * 8, lblExternalDLSFile->height());
    lblRestartNote = MakeWrappedLabel("注意：对此处的修改需要重新启动后才能生效。 ",
                                      GroupBox_ExternalDLS, QRect(176, 24, 153, 41));
    connect(btnOpenExternalDLSFile, &QPushButton::clicked, this,
            &TfrmSetup::btnOpenExternalDLSFileClick);
}

void TfrmSetup::BuildOtherTab() {
    tabsOther = new QWidget;
    PageControl->addTab(tabsOther, QString::fromUtf8("其他"));
    GroupBox_Other = new QGroupBox(tabsOther);
    GroupBox_Other->setGeometry(4, 0, 365, 193);
    auto box = [this](const char* text, int y) {
        auto* b = new QCheckBox(QString::fromUtf8(text), GroupBox_Other);
        b->setGeometry(16, y, 97, 17);
        return b;
    };
    cbNotebookMode = box("笔记本模式", 17);
    cbLoopPlay = box("循环放音", 40);
    cbSmartSemitone = box("智能半音", 63);
    cbPeriodPedal = box("定时踏板", 86);
}

void TfrmSetup::FillForm(const TSettings& settings, const TSwitchBlock& switches) {
    // The slider keeps a position outside its range at the nearest end.
    trkLatency->setValue(settings.Latency);
    trkReverbLevel->setValue(settings.ReverbLevel);
    cbUseExternalDLS->setChecked(settings.UseExternalDLS);
    LiveExternalFile = settings.ExternalDLSFile;
    // The record's own bytes, so that OK writes back the very path it read, also one
    // that does not decode.
    ExternalFile = settings.ExternalDLSFile;
    ShowExternalFile();
    cbNotebookMode->setChecked(switches.NotebookMode);
    cbLoopPlay->setChecked(switches.LoopPlay);
    cbSmartSemitone->setChecked(switches.SmartSemitone);
    cbPeriodPedal->setChecked(switches.TimedPedal);
}

void TfrmSetup::ReadForm(TSettings& settings, TSwitchBlock& switches) const {
    settings.Latency = trkLatency->value();
    settings.ReverbLevel = static_cast<uint8_t>(trkReverbLevel->value());
    settings.UseExternalDLS = cbUseExternalDLS->isChecked();
    settings.ExternalDLSFile = CutCp936(ExternalFile, ExternalDLSFileMaxBytes);
    switches.NotebookMode = cbNotebookMode->isChecked();
    switches.LoopPlay = cbLoopPlay->isChecked();
    switches.TimedPedal = cbPeriodPedal->isChecked();
    switches.SmartSemitone = cbSmartSemitone->isChecked();
}

void TfrmSetup::trkLatencyChange() {
    lblLatency->setText(QString::number(trkLatency->value()));
}

void TfrmSetup::trkReverbLevelChange() {
    lblReverbLevel->setText(QString::fromUtf8("%1级").arg(trkReverbLevel->value()));
}

void TfrmSetup::btnEditKeydefClick() {
    if (Callbacks.EditKeyDefinitions) Callbacks.EditKeyDefinitions(this);
}

void TfrmSetup::btnEditFavoriteVoicesClick() {
    if (Callbacks.EditFavoriteVoices) Callbacks.EditFavoriteVoices(this);
}

void TfrmSetup::btnOpenExternalDLSFileClick() {
    // The folder of the file the settings name, else the program folder.
    std::string folder = ExtractFileDir(Cp936ToUtf8(LiveExternalFile));
    if (folder.empty()) folder = ProgramFolder();
    if (!Dialogs.AskVoiceSetFile) return;
    if (const std::optional<std::string> file = Dialogs.AskVoiceSetFile(this, folder))
        ChooseExternalDLSFile(*file);
}

bool TfrmSetup::ChooseExternalDLSFile(const std::string& utf8Path) {
    // The settings file holds the path in code page 936 and at most 250 bytes of it: a
    // path cut or with characters replaced would name another file, so such a path
    // is refused rather than stored.
    const std::string bytes = Utf8ToCp936(utf8Path);
    const char* problem = nullptr;
    if (Cp936ToUtf8(bytes) != utf8Path)
        problem = "无法使用这个文件：它的路径中有设置文件不能保存的字符。";
    else if (bytes.size() > ExternalDLSFileMaxBytes)
        problem = "无法使用这个文件：它的路径超过 250 字节，设置文件不能保存。";
    if (problem) {
        if (Dialogs.ShowMessage)
            Dialogs.ShowMessage(this, QString::fromUtf8(problem) + QLatin1Char('\n') +
                                          FromUtf8(utf8Path));
        return false;
    }
    ExternalFile = bytes;
    ShowExternalFile();
    return true;
}

void TfrmSetup::ShowExternalFile() {
    // A long path keeps its start and its file name; the whole of it is the tip.
    const QString path = FromUtf8(Cp936ToUtf8(ExternalFile));
    const QString shown = lblExternalDLSFileName->fontMetrics().elidedText(
        path, Qt::ElideMiddle, lblExternalDLSFileName->width());
    lblExternalDLSFileName->setText(shown);
    lblExternalDLSFileName->setToolTip(shown == path ? QString() : path);
}

bool ShowSettingsDialog(QWidget* parent, TSettings& settings, TSwitchBlock& switches,
                        const TSetupCallbacks& callbacks, const TSetupDialogs& dialogs) {
    TfrmSetup dialog(parent);
    dialog.Callbacks = callbacks;
    dialog.Dialogs = dialogs;
    dialog.FillForm(settings, switches);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.ReadForm(settings, switches);
    // The new values hold for this run even when they cannot be kept for the next;
    // the old file then stays whole.
    const bool saved = callbacks.Save ? callbacks.Save(settings) : SaveSettings(settings);
    if (!saved && dialogs.ShowMessage)
        dialogs.ShowMessage(parent, QString::fromUtf8("无法保存设置文件 %1。\n"
                                                      "新的设置只在本次运行中有效。")
                                        .arg(QString::fromLatin1(SettingsFileName)));
    return true;
}
