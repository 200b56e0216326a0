// Names of the event kinds and the starting values of the song records.
#include "song/SongRecords.h"

#include <cstring>

std::string SongEventKindName(int kind) {
    switch (kind) {
    case evKeyDown:
        return "evKeyDown";
    case evKeyUp:
        return "evKeyUp";
    case evRightOctave:
        return "evRightOctave";
    case evLeftOctave:
        return "evLeftOctave";
    case evTranspose:
        return "evTranspose";
    case evRightVoice:
        return "evRightVoice";
    case evLeftVoice:
        return "evLeftVoice";
    case evRightVolume:
        return "evRightVolume";
    case evLeftVolume:
        return "evLeftVolume";
    case evRightPedal:
        return "evRightPedal";
    case evLeftPedal:
        return "evLeftPedal";
    case evKeyTable:
        return "evKeyTable";
    case evSixKeyMode:
        return "evSixKeyMode";
    case evMidiMessage:
        return "evMidiMessage";
    case evEndMark:
        return "evEndMark";
    default:
        return "kind " + std::to_string(kind);
    }
}

TSongInfoRec MakeSongInfo(const std::string& title, const std::string& performer,
                          const std::string& remark) {
    TSongInfoRec info;
    info.Title.SetUtf8(title);
    info.Performer.SetUtf8(performer);
    info.Remark.SetUtf8(remark);
    return info;
}

TSongInfoRec CleanSongInfo(const TSongInfoRec& info) {
    TSongInfoRec clean;
    clean.Title.SetBytes(info.Title.Bytes());
    clean.Performer.SetBytes(info.Performer.Bytes());
    clean.Remark.SetBytes(info.Remark.Bytes());
    return clean;
}

TPerformSnapshot EmptyPerformSnapshot() {
    TPerformSnapshot snap;
    std::memset(&snap, 0, sizeof snap);
    snap.Reserved[0] = 1;
    snap.Reserved[1] = 0;
    snap.Reserved[2] = 2;
    return snap;
}

TSongHeader NewSongHeader() {
    TSongHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.Magic, SongFileMagic, sizeof header.Magic);
    header.Version = SongFileVersion;
    header.Snapshot = EmptyPerformSnapshot();
    header.KeyTable = DefaultKeyDefSet();
    return header;
}
