// The records of a song: the time-stamped event, the song information, the
// performer snapshot taken at recording start and the .lyt file header.
#pragma once

#include "base/ShortString.h"
#include "keys/KeyDef.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Event kinds. Kinds 6, 7, 14 and 15 are never written; a file may still hold
// them (or anything else) and they are carried along unchanged.
enum TSongEventKind : uint8_t {
    evKeyDown = 1,      // value: DirectInput key code
    evKeyUp = 2,        // value: key code
    evRightOctave = 3,  // -1, 0, +1
    evLeftOctave = 4,   // -1, 0, +1
    evTranspose = 5,    // semitones, -4..+7
    evRightVoice = 8,   // patch number
    evLeftVoice = 9,    // patch number
    evRightVolume = 10, // 0..127
    evLeftVolume = 11,  // 0..127
    evRightPedal = 12,  // 0 up, -1 down (any nonzero value is down)
    evLeftPedal = 13,   // 0 up, -1 down
    evKeyTable = 16,    // a TKeyDefSet image follows the event in the file
    evSixKeyMode = 17,  // smart semitone: 0 off, nonzero on
    evMidiMessage = 18, // status << 16 | data1 << 8 | data2
    evEndMark = 19,     // 0; only lengthens the song to its time
};

// "evKeyDown" ... "evEndMark" for the known kinds, "kind 7" for any other.
std::string SongEventKindName(int kind);

#pragma pack(push, 1)
struct TSongEvent {
    uint32_t Time; // ms from the start of the recording
    int32_t Skip;  // 0 = play; anything else is passed over on playback
    uint8_t Kind;  // TSongEventKind
    int32_t Value; // by kind; for evKeyTable nothing (0 is written)
};

struct TSongInfoRec {
    TShortString<40> Title;
    TShortString<20> Performer;
    TShortString<256> Remark;
};

struct TPerformSnapshot {
    int32_t Transpose;
    int32_t RightVolume;
    int32_t LeftVolume;
    int32_t RightOctave;
    int32_t LeftOctave;
    int32_t RightVoice; // patch number
    int32_t LeftVoice;
    int32_t Reserved[3];   // written as 1, 0, 2, never read
    int32_t SmartSemitone; // 0 off, -1 on (any nonzero value is on)
};

struct TSongHeader {
    uint8_t Magic[16]; // "TalvimorenaSong" and a zero byte
    int32_t Version;
    TSongInfoRec Info;
    TPerformSnapshot Snapshot;
    TKeyDefSet KeyTable; // the key definitions at recording start
    int32_t EventCount;
};
#pragma pack(pop)

static_assert(sizeof(TSongEvent) == 13);
static_assert(offsetof(TSongEvent, Skip) == 4);
static_assert(offsetof(TSongEvent, Kind) == 8);
static_assert(offsetof(TSongEvent, Value) == 9);

static_assert(sizeof(TSongInfoRec) == 316);
static_assert(offsetof(TSongInfoRec, Performer) == 40);
static_assert(offsetof(TSongInfoRec, Remark) == 60);

static_assert(sizeof(TPerformSnapshot) == 44);
static_assert(offsetof(TPerformSnapshot, RightVoice) == 20);
static_assert(offsetof(TPerformSnapshot, Reserved) == 28);
static_assert(offsetof(TPerformSnapshot, SmartSemitone) == 40);

static_assert(sizeof(TSongHeader) == 8760);
static_assert(offsetof(TSongHeader, Version) == 16);
static_assert(offsetof(TSongHeader, Info) == 20);
static_assert(offsetof(TSongHeader, Snapshot) == 336);
static_assert(offsetof(TSongHeader, KeyTable) == 380);
static_assert(offsetof(TSongHeader, EventCount) == 8756);

constexpr char SongFileMagic[16] = "TalvimorenaSong"; // with its terminating zero
static_assert(sizeof(SongFileMagic) == 16);
constexpr int32_t SongFileVersion = 4;

// The voice a song of the first file version plays on both keyboards: bank MSB 65,
// LSB 0, program 0, the first voice of the built-in set.
constexpr int32_t DefaultSongVoice = 65 << 16;

// Song information with the three texts given in UTF-8.
TSongInfoRec MakeSongInfo(const std::string& title, const std::string& performer,
                          const std::string& remark);
// The same information with every byte past each text's length zeroed, as files hold it.
TSongInfoRec CleanSongInfo(const TSongInfoRec& info);
// A snapshot whose reserved words hold what files carry (1, 0, 2), the rest zero.
TPerformSnapshot EmptyPerformSnapshot();
// Magic, the current version, empty information, an empty snapshot, the default
// key layout and no events: the header of a recorder that has recorded nothing.
TSongHeader NewSongHeader();
