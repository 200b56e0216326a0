// The MIDI and MusicXML exports of a song.
#include "export/SongExport.h"

#include "export/MusicXml.h"

namespace {

TCaptureSynthesizer Capture(TSongRun& run, const TVoiceList& voices, TCaptureBanks banks) {
    TCaptureSynthesizer capture(voices, banks);
    run.Play(capture, voices, [&](uint32_t ms) {
        capture.NowMs = ms;
        return true;
    });
    return capture;
}

} // namespace

TSongExportResult ExportSongMidi(TSongRun& run, const TVoiceList& voices, TCaptureBanks banks) {
    TSongExportResult r;
    r.Drops.OutOfOrder = run.OutOfOrder();
    const TCaptureSynthesizer capture = Capture(run, voices, banks);
    TMidiFileOptions options;
    options.TrackName = run.Info().Title.Utf8();
    options.EndMs = run.EndTime();
    const TMidiFileResult built = BuildMidiFile(capture.Messages, options, r.Bytes);
    r.Drops.NotMidi = built.Dropped;
    if (!built.Ok) {
        r.Error = "cannot be written as a MIDI file: " + built.Message;
        return r;
    }
    r.Messages = capture.Messages.size() - built.Dropped;
    r.Ok = true;
    return r;
}

TSongExportResult ExportSongMusicXml(TSongRun& run, const TVoiceList& voices,
                                     TScoreOptions options) {
    TSongExportResult r;
    r.Drops.OutOfOrder = run.OutOfOrder();
    // General MIDI channels: a keyboard playing the drum kit is percussion.
    const TCaptureSynthesizer capture = Capture(run, voices, TCaptureBanks::GeneralMidi);
    const TSongNotes notes = CollectSongNotes(capture.Messages, run.EndTime(), r.Drops);
    r.Drops.NoNotes = notes.Notes.empty();
    const TSongInfoRec info = run.Info();
    if (options.Title.empty()) options.Title = info.Title.Utf8();
    if (options.Performer.empty()) options.Performer = info.Performer.Utf8();
    if (options.Remark.empty()) options.Remark = info.Remark.Utf8();
    std::vector<TTransposeAt> transposes;
    for (const TSongRun::TTransposeChange& t : run.Transpositions())
        transposes.push_back({t.TimeMs, t.Transpose});
    const TScore score = BuildScore(notes, transposes, options);
    const std::string xml = WriteMusicXml(score);
    r.Bytes.assign(xml.begin(), xml.end());
    r.Messages = capture.Messages.size();
    r.Ok = true;
    return r;
}
