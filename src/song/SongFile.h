// The song file (.lyt): reading versions 1 to 4 into a header and an event list,
// and writing the version-4 image. The recorder wraps these with its lock; the
// tool uses them directly.
#pragma once

#include "song/SimpleBuffer.h"
#include "song/SongRecords.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

constexpr const char* SongFileExt = ".lyt";
constexpr const char* SongFileFilter = "Talvimorena Song File(*.lyt)|*.lyt";
// The largest file LoadFromFile takes: hours of playing fit in a few megabytes.
constexpr size_t MaxSongFileSize = size_t{256} << 20;

// The first file version: a 376-byte header and 8-byte key events.
constexpr size_t SongV1HeaderSize = 376;
constexpr size_t SongV1EventSize = 8;

enum class TSongFileError {
    None,
    NoStream,
    Missing,       // no such file
    Unreadable,    // the file cannot be opened or read
    TooLarge,      // larger than MaxSongFileSize
    BadMagic,      // the first 16 bytes are not "TalvimorenaSong" and a zero
    BadVersion,    // version 0 or below
    ShortHeader,   // the file ends inside its header
    BadEventCount, // a negative event count
    ShortEvents,   // fewer events than the count promises
    ShortKeyTable, // a key-table image cut short by the end of the file
    WriteFailed,
};

struct TSongFileResult {
    TSongFileError Error = TSongFileError::None;
    std::string Message; // for people: "file ends after 3 of 10 events"; "" when Ok

    bool Ok() const { return Error == TSongFileError::None; }
};

// Read a song. The header receives what was read of it even on failure, and the
// event list (cleared first) keeps the events read before a failure. A version-1
// file is converted to the version-4 layout and its header then reports version 1.
// Trailing bytes after the last event are ignored. Events are taken one at a time
// from the input, so a count that promises more than the input holds fails once the
// input ends, having allocated only for what was there.
TSongFileResult ReadSong(std::span<const uint8_t> bytes, TSongHeader& header,
                         TSimpleBuffer& events);
TSongFileResult ReadSong(std::istream& in, TSongHeader& header, TSimpleBuffer& events);
// The same from a file, read once and in blocks: a regular file only (a named pipe
// or a device is Unreadable, opened without waiting), none larger than
// MaxSongFileSize (TooLarge, refused before anything is read), and of the rest no
// more than the header's event count can use (the trailing bytes are not read).
TSongFileResult ReadSongFile(const std::string& path, TSongHeader& header, TSimpleBuffer& events);

// Stamp the header for saving (magic, the current version, the information with its
// unused bytes zeroed, the event count; snapshot and key table stay) and append the
// whole file image to out. Fails only when the events do not fit the count field.
TSongFileResult WriteSong(TSongHeader& header, const TSongInfoRec& info,
                          const TSimpleBuffer& events, std::vector<uint8_t>& out);
