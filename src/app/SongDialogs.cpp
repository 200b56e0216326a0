#include "app/SongDialogs.h"

#include "base/FileUtil.h"
#include "export/SongExport.h"
#include "export/SynthCallLog.h"
#include "song/ui/TfrmSongInfo.h"
#include "sound/platform/fluid/OfflineRender.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Dialog settings shared by opening and saving.
void SetUpSongDialog(QFileDialog& dialog) {
    dialog.setNameFilter(QString::fromLatin1(SongDialogFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(SongDialogSuffix));
}

constexpr std::string_view NotExportedText = "文件没有导出！\n";
constexpr std::string_view RenderingText = "正在导出声音文件…";
constexpr std::string_view CancelText = "取消";
constexpr std::string_view BusyText = "上一个声音文件还在导出，请稍候。";

// What the player is told after an export: nothing when all went in, else what was
// left out or mended, one line each.
std::string DropsText(const std::string& path, const TExportDrops& drops) {
    if (!drops.Any()) return {};
    std::string text = "已导出 " + path + "，但：";
    for (const std::string& line : drops.ChineseLines())
        text += "\n" + line;
    return text;
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

TSongDialogs::TSongDialogs(QWidget* window, const QString& programFolder, TSongWindowHooks hooks)
    : Window(window), Hooks(std::move(hooks)) {
    const QFileInfo folder(programFolder);
    Folder = folder.isDir() && folder.isWritable() ? folder.absoluteFilePath() : QDir::homePath();
    RenderWatch.setInterval(50);
    QObject::connect(&RenderWatch, &QTimer::timeout, [this] { WatchRender(); });
    Pause.setSingleShot(true);
    QObject::connect(&Pause, &QTimer::timeout, [this] {
        std::function<void()> then = std::move(AfterPause);
        AfterPause = nullptr;
        if (then) then();
    });
}

TSongDialogs::~TSongDialogs() {
    RenderWatch.stop();
    Job.reset(); // cancels and waits
    delete Progress.data();
}

std::optional<std::string> TSongDialogs::AskOpenSongFile() {
    QFileDialog dialog(Window, QString(), Folder);
    SetUpSongDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Chosen(dialog);
}

std::optional<TSongSaveChoice> TSongDialogs::AskSaveSongFile(const std::string& proposedName) {
    QFileDialog dialog(Window, QString(), Folder);
    SetUpSongDialog(dialog);
    QStringList filters{QString::fromLatin1(SongDialogFilter)};
    for (const char* f : SongExportFilters)
        filters << QString::fromLatin1(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    // A name typed without an ending gets the chosen filter's.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& f) {
            const qsizetype i = filters.indexOf(f);
            dialog.setDefaultSuffix(
                QString::fromLatin1(i > 0 ? SongExportSuffixes[i - 1] : SongDialogSuffix));
        });
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(FromUtf8(proposedName)); // the overwrite prompt is the dialog's own
    const std::optional<std::string> path = Chosen(dialog);
    if (!path) return std::nullopt;
    const qsizetype filter = filters.indexOf(dialog.selectedNameFilter());
    return TSongSaveChoice{*path, filter > 0 ? static_cast<TSongSaveFormat>(filter)
                                             : TSongSaveFormat::Song};
}

// The render's thread: it touches only what the job holds, and the job's atomics
// tell the main thread how far it is.
class TSongWavJob {
public:
    // The calls are replayed up to endMs; the sound ends at soundEndMs (the song's
    // last note or end mark), then its tail.
    TSongWavJob(std::unique_ptr<TSynthCallLog> calls, uint32_t endMs, uint32_t soundEndMs,
                std::string path, std::string voiceSet, int reverb)
        : Calls(std::move(calls)), EndMs(endMs), SoundEndMs(soundEndMs), Path(std::move(path)) {
        Worker =
            std::thread([this, voiceSet = std::move(voiceSet), reverb] { Run(voiceSet, reverb); });
    }
    ~TSongWavJob() {
        Cancel = true;
        if (Worker.joinable()) Worker.join();
    }
    std::unique_ptr<TSynthCallLog> Calls;
    const uint32_t EndMs, SoundEndMs;
    const std::string Path;
    std::atomic<uint32_t> Ms{0};
    std::atomic<bool> Cancel{false}, Done{false};
    TOfflineRenderResult Result; // the worker's until Done

private:
    void Run(const std::string& voiceSet, int reverb) {
        TOfflineRender render;
        if (render.Open(voiceSet, reverb, Result.Error)) {
            Result = render.Render(
                Path, SoundEndMs,
                [this](ISynthesizer& synth, const TVoiceList&,
                       const std::function<bool(uint32_t)>& advance) {
                    Calls->Replay(synth, EndMs, advance);
                },
                [this](uint32_t ms) {
                    Ms = ms;
                    return !Cancel;
                });
        }
        Done.store(true);
    }
    std::thread Worker;
};

void TSongDialogs::ExportSong(TSongSaveFormat format, const std::string& path,
                              std::vector<uint8_t> song) {
    const auto fail = [this](const std::string& why) {
        ShowSongMessage(std::string(NotExportedText) + why);
    };
    if (format == TSongSaveFormat::Wav && Job) {
        ShowSongMessage(BusyText);
        return;
    }
    TSongRun run;
    std::string reason;
    if (!run.LoadBytes(song, reason) || !Hooks.Voices) {
        fail(reason);
        return;
    }
    const TVoiceList& voices = Hooks.Voices();
    if (format == TSongSaveFormat::Wav) {
        // The song runs here, where the key definitions live; the sound is rendered
        // on the job's thread from the calls it made.
        auto calls = std::make_unique<TSynthCallLog>(voices);
        run.Play(*calls, voices, [&](uint32_t ms) {
            calls->NowMs = ms;
            return true;
        });
        // Events after the last note or end mark sound nothing and add no silence.
        const uint32_t soundEndMs = run.ContentEndTime();
        if (!TOfflineRender::Fits(soundEndMs)) {
            fail("歌曲太长，WAV 文件容纳不下。");
            return;
        }
        TExportDrops drops;
        drops.OutOfOrder = run.OutOfOrder();
        PendingDrops = drops;
        Job =
            std::make_unique<TSongWavJob>(std::move(calls), run.EndTime(), soundEndMs, path,
                                          Hooks.VoiceSetPath ? Hooks.VoiceSetPath() : std::string(),
                                          Hooks.ReverbLevel ? Hooks.ReverbLevel() : 0);
        // Not modal: the piano goes on playing while the sound file is written.
        Progress = new QProgressDialog(FromUtf8(RenderingText), FromUtf8(CancelText), 0,
                                       static_cast<int>(std::max<uint32_t>(1, soundEndMs)), Window);
        Progress->setWindowModality(Qt::NonModal);
        Progress->setMinimumDuration(0);
        Progress->setAutoClose(false);
        Progress->setAutoReset(false);
        QObject::connect(Progress, &QProgressDialog::canceled, [this] {
            if (Job) Job->Cancel = true;
        });
        Progress->show();
        RenderWatch.start();
        return;
    }
    const TSongExportResult r = format == TSongSaveFormat::Midi
                                    ? ExportSongMidi(run, voices, TCaptureBanks::GeneralMidi)
                                    : ExportSongMusicXml(run, voices, TScoreOptions{});
    if (!r.Ok) {
        fail(r.Error);
        return;
    }
    if (!WriteFileAtomic(path, r.Bytes)) {
        fail("无法写入 " + path);
        return;
    }
    if (const std::string said = DropsText(path, r.Drops); !said.empty()) ShowSongMessage(said);
}

void TSongDialogs::WatchRender() {
    if (!Job) return;
    if (Progress) Progress->setValue(static_cast<int>(Job->Ms.load()));
    if (Job->Done) FinishRender();
}

void TSongDialogs::FinishRender() {
    RenderWatch.stop();
    const std::unique_ptr<TSongWavJob> job = std::move(Job); // joined at the end
    if (Progress) {
        Progress->hide();
        Progress->deleteLater();
    }
    Progress = nullptr;
    const TOfflineRenderResult r = job->Result;
    const std::string path = job->Path;
    if (r.Cancelled) return; // nothing was written, and nothing needs saying
    if (!r.Ok) {
        ShowSongMessage(std::string(NotExportedText) + r.Error);
        return;
    }
    if (const std::string said = DropsText(path, PendingDrops); !said.empty())
        ShowSongMessage(said);
}

bool TSongDialogs::ShowSongInfo(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                                bool readOnly) {
    return ::ShowSongInfo(Window, FromUtf8(caption), in, out, readOnly);
}

bool TSongDialogs::ShowSongInfoTyped(std::string_view caption, const TSongInfoRec& in,
                                     TSongInfoRec& out, std::string& typedTitle) {
    QString typed;
    const bool ok = ::ShowSongInfo(Window, FromUtf8(caption), in, out, false, &typed);
    typedTitle = ok ? typed.toStdString() : std::string();
    return ok;
}

void TSongDialogs::ShowSongMessage(std::string_view text) {
    if (Hooks.ShowMessage) Hooks.ShowMessage(FromUtf8(text));
}

void TSongDialogs::SetSongCaption(std::string_view caption) {
    Window->setWindowTitle(FromUtf8(caption));
}

void TSongDialogs::ShowSongButtons(const TCommandButtonStates& states) {
    if (Hooks.ShowButtons) Hooks.ShowButtons(states);
}

void TSongDialogs::SetPlayingViewsEnabled(bool enabled) {
    if (Hooks.SetPlayingViewsEnabled) Hooks.SetPlayingViewsEnabled(enabled);
}

void TSongDialogs::StartSongPause(int ms, std::function<void()> then) {
    AfterPause = std::move(then);
    Pause.start(ms);
}

void TSongDialogs::CancelSongPause() {
    Pause.stop();
    AfterPause = nullptr;
}
