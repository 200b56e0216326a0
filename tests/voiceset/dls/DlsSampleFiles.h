// Small DLS files laid out by hand, part by part, so that a test can replace one
// part (a wrong size, a bad link, a missing chunk) and keep the rest valid.
#pragma once

#include "DlsTestBytes.h"

#include "voiceset/DlsConnection.h"

// A Level 1 set: one instrument "Piano" (MSB 65, LSB 2, program 5) with one region
// (keys 36..96, its own wsmp with a loop, an art1 for velocity to attenuation) and an
// instrument art1 (release time), one 8-bit mono wave of five samples, named set.
// The parts are in the order the program's writer uses, so the writer must give
// these very bytes for the same collection.
struct TLevel1File {
    TBytes Colh = Chunk("colh", U32(1));
    TBytes InsHeader = Insh(1, 65 << 8 | 2, 5);
    TBytes RegionHeader = Rgnh(36, 96, 0, 127);
    TBytes RegionWsmp = Wsmp(60, -12, -655360, 1, 2);
    TBytes WaveLink = Wlnk(0);
    TBytes RegionArt = List(
        "lart", {Art("art1", {Connection(DlsSrc::KeyOnVelocity, DlsSrc::None, DlsDst::Attenuation,
                                         DlsTrn::Concave, -96 * 655360)})});
    TBytes RegionExtra; // placed last in the region
    TBytes InsArt =
        List("lart", {Art("art1", {Connection(DlsSrc::None, DlsSrc::None, DlsDst::Eg1ReleaseTime,
                                              DlsTrn::None, -1500 << 16)})});
    TBytes InsInfo = List("INFO", {Text("INAM", "Piano")});
    TBytes Ptbl = Chunk("ptbl", Cat({U32(8), U32(1), U32(0)}));
    TBytes Format = Fmt(1, 1, 22050, 8);
    TBytes Data = Chunk("data", {0x80, 0xFF, 0x00, 0x81, 0x7F});
    TBytes WaveInfo = List("INFO", {Text("INAM", "Piano C4")});
    TBytes PoolExtra; // placed after the wave in the pool
    TBytes SetInfo = List("INFO", {Text("INAM", "Tiny set"), Text("ICOP", "(c) nobody")});

    TBytes Region() const {
        return List("rgn ", {RegionHeader, RegionWsmp, WaveLink, RegionArt, RegionExtra});
    }
    TBytes Instrument() const {
        return List("ins ", {InsHeader, List("lrgn", {Region()}), InsArt, InsInfo});
    }
    TBytes Lins() const { return List("lins", {Instrument()}); }
    TBytes Wave() const { return List("wave", {Format, Data, WaveInfo}); }
    TBytes Wvpl() const { return List("wvpl", {Wave(), PoolExtra}); }
    TBytes Build() const { return Riff("DLS ", {Colh, Lins(), Ptbl, Wvpl(), SetInfo}); }
};

// A Level 2 set with the chunks other programs add around ours: 'vers', 'dlid',
// 'JUNK', a 'cdl ' condition, an unknown list. Two instruments: a drum kit (bank
// flag, MSB 0, LSB 0, program 0) with a layered 'rgn2' region and 'lar2' articulation,
// and a melodic one with two regions. Two 16-bit waves; the pool table lists them in
// reverse order, so cue 0 is the second wave.
inline TBytes Level2File() {
    const TBytes dlid = Chunk("dlid", TBytes(16, 0xAB));
    const TBytes junk = Chunk("JUNK", {1, 2, 3});
    const TBytes drumRegion = List(
        "rgn2", {Chunk("rgnh", Cat({U16(35), U16(35), U16(1), U16(127), U16(1), U16(1), U16(3)})),
                 Wlnk(0, 1, 7, 1), Chunk("cdl ", {0x10, 0, 1, 0, 0, 0}),
                 List("lar2", {Art("art2", {Connection(DlsSrc::KeyOnVelocity, DlsSrc::None,
                                                       DlsDst::FilterCutoff, 0x1234, 4800 << 16),
                                            Connection(DlsSrc::Cc91, DlsSrc::None, DlsDst::Reverb,
                                                       0, 1000 << 16)})})});
    const TBytes drum =
        List("ins ", {Insh(1, 0x80000000, 0), dlid, List("lrgn", {drumRegion, junk}),
                      List("INFO", {Text("INAM", "Standard")})});
    const TBytes melodic = List(
        "ins ", {Insh(2, 1 << 8, 24), List("xyzw", {junk}),
                 List("lrgn", {List("rgn ", {Rgnh(0, 59, 0, 127), Wlnk(1)}),
                               List("rgn ", {Rgnh(60, 127, 0, 127), Wlnk(0), Wsmp(72, 5, 0)})})});
    // wave 0 at pool offset 0, wave 1 after it
    const TBytes wave0 = List("wave", {Fmt(1, 1, 44100, 16), Wsmp(60, 0, 0),
                                       Chunk("data", Cat({U16(1000), U16(uint16_t(-1000))}))});
    const TBytes wave1 =
        List("wave", {dlid, Fmt(1, 1, 32000, 16), Chunk("data", Cat({U16(7), U16(8), U16(9)}))});
    return Riff("DLS ", {Chunk("vers", Cat({U32(0x00020001), U32(0x00030004)})), dlid,
                         Chunk("colh", U32(2)), junk, List("lins", {drum, melodic}),
                         Chunk("ptbl", Cat({U32(8), U32(2), U32(uint32_t(wave0.size())), U32(0)})),
                         List("wvpl", {wave0, wave1})});
}
