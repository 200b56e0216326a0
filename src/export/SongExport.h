// A song's exports that need no sound: its MIDI file and its score, each built from
// the messages the song sends when it plays, with what had to be left out counted.
#pragma once

#include "export/CaptureSynthesizer.h"
#include "export/SongRun.h"
#include "export/SongScore.h"

#include <cstdint>
#include <string>
#include <vector>

struct TSongExportResult {
    bool Ok = false;
    std::string Error; // in English; "" when Ok
    std::vector<uint8_t> Bytes;
    size_t Messages = 0; // MIDI messages written
    TExportDrops Drops;
};

// The run's messages as a Standard MIDI File, named after the song's title.
TSongExportResult ExportSongMidi(TSongRun& run, const TVoiceList& voices, TCaptureBanks banks);
// The run's notes as MusicXML; title, performer and remark from the song's
// information where the options leave them empty.
TSongExportResult ExportSongMusicXml(TSongRun& run, const TVoiceList& voices,
                                     TScoreOptions options);
