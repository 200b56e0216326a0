// The fixed records inside DLS chunks, as stored (little-endian, packed), and the
// chunk ids. Shared by the DLS reader and writer only.
#pragma once

#include "voiceset/RiffChunk.h"

#include <cstddef>
#include <cstdint>

namespace DlsId {
constexpr uint32_t Dls = RiffId("DLS ");
constexpr uint32_t Colh = RiffId("colh");
constexpr uint32_t Vers = RiffId("vers");
constexpr uint32_t Lins = RiffId("lins");
constexpr uint32_t Ins = RiffId("ins ");
constexpr uint32_t Insh = RiffId("insh");
constexpr uint32_t Lrgn = RiffId("lrgn");
constexpr uint32_t Rgn = RiffId("rgn ");
constexpr uint32_t Rgn2 = RiffId("rgn2");
constexpr uint32_t Rgnh = RiffId("rgnh");
constexpr uint32_t Wsmp = RiffId("wsmp");
constexpr uint32_t Wlnk = RiffId("wlnk");
constexpr uint32_t Lart = RiffId("lart");
constexpr uint32_t Lar2 = RiffId("lar2");
constexpr uint32_t Art1 = RiffId("art1");
constexpr uint32_t Art2 = RiffId("art2");
constexpr uint32_t Ptbl = RiffId("ptbl");
constexpr uint32_t Wvpl = RiffId("wvpl");
constexpr uint32_t Wave = RiffId("wave");
constexpr uint32_t Fmt = RiffId("fmt ");
constexpr uint32_t Data = RiffId("data");
constexpr uint32_t Info = RiffId("INFO");
constexpr uint32_t Inam = RiffId("INAM");
} // namespace DlsId

#pragma pack(push, 1)
struct TDlsVersRec {
    uint32_t MS;
    uint32_t LS;
};
struct TDlsInshRec {
    uint32_t Regions;
    uint32_t Bank;       // bits 0-6 LSB, 8-14 MSB, 31 drum flag
    uint32_t Instrument; // bits 0-6 program
};
struct TDlsRgnhRec {
    uint16_t KeyLow, KeyHigh, VelLow, VelHigh;
    uint16_t Options;
    uint16_t KeyGroup;
    // Level 2 headers may go on with a 16-bit layer.
};
struct TDlsWlnkRec {
    uint16_t Options;
    uint16_t PhaseGroup;
    uint32_t Channel;
    uint32_t TableIndex;
};
struct TDlsWsmpRec {
    uint32_t Size; // of this record; the loops follow it
    uint16_t UnityNote;
    int16_t FineTune;
    int32_t Gain;
    uint32_t Options;
    uint32_t Loops;
};
struct TDlsLoopRec {
    uint32_t Size; // of this record; the next loop follows it
    uint32_t Type;
    uint32_t Start;
    uint32_t Length;
};
// Heads 'art1', 'art2' and 'ptbl': Size is where the entries start.
struct TDlsTableRec {
    uint32_t Size;
    uint32_t Count;
};
struct TDlsConnectionRec {
    uint16_t Source;
    uint16_t Control;
    uint16_t Destination;
    uint16_t Transform;
    int32_t Scale;
};
struct TDlsFmtRec {
    uint16_t FormatTag;
    uint16_t Channels;
    uint32_t SamplesPerSec;
    uint32_t AvgBytesPerSec;
    uint16_t BlockAlign;
    uint16_t BitsPerSample;
};
#pragma pack(pop)

static_assert(sizeof(TDlsVersRec) == 8);
static_assert(sizeof(TDlsInshRec) == 12);
static_assert(sizeof(TDlsRgnhRec) == 12);
static_assert(offsetof(TDlsRgnhRec, Options) == 8);
static_assert(sizeof(TDlsWlnkRec) == 12);
static_assert(offsetof(TDlsWlnkRec, TableIndex) == 8);
static_assert(sizeof(TDlsWsmpRec) == 20);
static_assert(offsetof(TDlsWsmpRec, Gain) == 8);
static_assert(offsetof(TDlsWsmpRec, Loops) == 16);
static_assert(sizeof(TDlsLoopRec) == 16);
static_assert(sizeof(TDlsTableRec) == 8);
static_assert(sizeof(TDlsConnectionRec) == 12);
static_assert(offsetof(TDlsConnectionRec, Scale) == 8);
static_assert(sizeof(TDlsFmtRec) == 16);
static_assert(offsetof(TDlsFmtRec, BlockAlign) == 12);

constexpr size_t DlsRgnhLayerSize = sizeof(TDlsRgnhRec) + 2;
