// Every class of malformed collection is refused with its reason, whether its samples
// are to be copied or left in place, and leaves the caller's collection as it was.
#include "DlsSampleFiles.h"

#include "voiceset/dls/DlsReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

std::string Reject(const TBytes& bytes) {
    TDlsCollection c;
    c.Name = "untouched";
    const auto r = ReadDls(bytes, c);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Message.empty());
    EXPECT_EQ(c.Name, "untouched");
    // Leaving the samples in place changes nothing of what is refused, or why.
    const auto inPlace = ReadDls(bytes, c, TDlsReadOptions{.SamplesInPlace = true});
    EXPECT_EQ(inPlace.Message, r.Message);
    EXPECT_EQ(c.Name, "untouched");
    return r.Message;
}

TEST(DlsReject, OtherFilesAndForms) {
    EXPECT_THAT(Reject({}), HasSubstr("not a RIFF file"));
    EXPECT_THAT(Reject(Riff("sfbk", {List("INFO", {})})), HasSubstr("RIFF form 'sfbk'"));
}

TEST(DlsReject, TruncatedAnywhere) {
    const TBytes full = TLevel1File{}.Build();
    for (size_t len = 0; len < full.size(); ++len) {
        TDlsCollection c;
        EXPECT_FALSE(ReadDls(TBytes(full.begin(), full.begin() + len), c).Ok) << len;
    }
}

// A cut whose 'RIFF' size is made to fit: the inner chunks now run past the file, or
// a required part is missing. Only a cut just before the collection's INFO list
// (which is optional) leaves a valid collection.
TEST(DlsReject, TruncatedWithTheOuterSizeMended) {
    TLevel1File f;
    const TBytes full = f.Build();
    const size_t infoAt = full.size() - f.SetInfo.size();
    size_t accepted = 0;
    for (size_t len = 12; len < full.size(); ++len) {
        TBytes cut(full.begin(), full.begin() + len);
        PutU32(cut, 4, uint32_t(len - 8));
        TDlsCollection c;
        const bool ok = ReadDls(cut, c).Ok;
        EXPECT_EQ(ok, len == infoAt) << len;
        accepted += ok;
    }
    EXPECT_EQ(accepted, 1u);
}

TEST(DlsReject, SizesPastTheirList) {
    TLevel1File f;
    f.RegionWsmp = Chunk("wsmp", TBytes(20), 200);
    EXPECT_THAT(Reject(f.Build()), HasSubstr("chunk 'wsmp'"));

    TLevel1File g;
    TBytes bytes = g.Build();
    const size_t lins = FindId(bytes, "lins") - 8; // the LIST header of 'lins'
    const uint32_t linsSize = U32At(bytes, lins + 4);
    PutU32(bytes, lins + 4, linsSize + 1000);
    EXPECT_THAT(Reject(bytes), HasSubstr("list 'DLS '"));
    // grown a little, it takes in part of the next chunk's header
    PutU32(bytes, lins + 4, linsSize + 2);
    EXPECT_THAT(Reject(bytes), HasSubstr("list 'lins' ends with 2 bytes"));
}

TEST(DlsReject, MissingRequiredParts) {
    struct TCase {
        const char* Reason;
        TBytes Bytes;
    };
    TLevel1File f;
    std::vector<TCase> cases;
    cases.push_back({"no 'colh'", Riff("DLS ", {f.Lins(), f.Ptbl, f.Wvpl()})});
    cases.push_back({"no 'lins'", Riff("DLS ", {f.Colh, f.Ptbl, f.Wvpl()})});
    cases.push_back({"no 'ptbl'", Riff("DLS ", {f.Colh, f.Lins(), f.Wvpl()})});
    cases.push_back({"no 'wvpl'", Riff("DLS ", {f.Colh, f.Lins(), f.Ptbl})});
    auto without = [](auto change) {
        TLevel1File v;
        change(v);
        return v.Build();
    };
    cases.push_back({"instrument 0: no 'insh'", without([](auto& v) { v.InsHeader = {}; })});
    cases.push_back(
        {"instrument 0, region 0: no 'rgnh'", without([](auto& v) { v.RegionHeader = {}; })});
    cases.push_back(
        {"instrument 0, region 0: no 'wlnk'", without([](auto& v) { v.WaveLink = {}; })});
    cases.push_back({"wave 0: no 'fmt '", without([](auto& v) { v.Format = {}; })});
    cases.push_back({"wave 0: no 'data'", without([](auto& v) { v.Data = {}; })});
    for (const auto& c : cases)
        EXPECT_THAT(Reject(c.Bytes), HasSubstr(c.Reason));
}

TEST(DlsReject, RepeatedParts) {
    TLevel1File f;
    f.Colh = Cat({f.Colh, f.Colh});
    EXPECT_THAT(Reject(f.Build()), HasSubstr("'colh' appears 2 times"));

    TLevel1File g;
    g.RegionExtra = Wlnk(0);
    EXPECT_THAT(Reject(g.Build()), HasSubstr("region 0: 'wlnk' appears 2 times"));

    TLevel1File h;
    h.PoolExtra = h.Wave();
    const TBytes twoPools = Riff("DLS ", {h.Colh, h.Lins(), h.Ptbl, h.Wvpl(), h.Wvpl()});
    EXPECT_THAT(Reject(twoPools), HasSubstr("list 'wvpl' appears 2 times"));
}

TEST(DlsReject, RecordsShorterThanTheirLayout) {
    auto build = [](auto change) {
        TLevel1File v;
        change(v);
        return v.Build();
    };
    EXPECT_THAT(Reject(build([](auto& v) {
                    v.Colh = Chunk("colh", {1, 0});
                })),
                HasSubstr("'colh' holds 2 bytes, needs 4"));
    EXPECT_THAT(Reject(build([](auto& v) { v.InsHeader = Chunk("insh", TBytes(8)); })),
                HasSubstr("'insh' holds 8 bytes, needs 12"));
    EXPECT_THAT(Reject(build([](auto& v) { v.RegionHeader = Chunk("rgnh", TBytes(10)); })),
                HasSubstr("'rgnh' holds 10 bytes, needs 12"));
    EXPECT_THAT(Reject(build([](auto& v) { v.WaveLink = Chunk("wlnk", TBytes(8)); })),
                HasSubstr("'wlnk' holds 8 bytes, needs 12"));
    EXPECT_THAT(Reject(build([](auto& v) { v.Format = Chunk("fmt ", TBytes(14)); })),
                HasSubstr("'fmt ' holds 14 bytes, needs 16"));
    EXPECT_THAT(Reject(build([](auto& v) { v.RegionWsmp = Chunk("wsmp", TBytes(16)); })),
                HasSubstr("'wsmp' holds 16 bytes, needs 20"));
    EXPECT_THAT(Reject(build([](auto& v) { v.InsArt = List("lart", {Chunk("art1", U32(8))}); })),
                HasSubstr("'art1' holds 4 bytes, needs 8"));
}

TEST(DlsReject, CountsThatDisagree) {
    TLevel1File f;
    f.Colh = Chunk("colh", U32(5));
    EXPECT_THAT(Reject(f.Build()), HasSubstr("'colh' counts 5 instruments, 'lins' holds 1"));

    TLevel1File g;
    g.InsHeader = Insh(2, 0, 0);
    EXPECT_THAT(Reject(g.Build()),
                HasSubstr("instrument 0: 'insh' counts 2 regions, the instrument holds 1"));
}

// Counts far beyond the bytes present are caught before anything is allocated.
TEST(DlsReject, CountsBeyondTheirChunk) {
    for (uint32_t count : {2u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        TLevel1File f;
        f.Ptbl = Chunk("ptbl", Cat({U32(8), U32(count), U32(0)}));
        EXPECT_THAT(Reject(f.Build()), HasSubstr("'ptbl' declares " + std::to_string(count) +
                                                 " cues but holds room for 1"));

        TLevel1File g;
        g.InsArt =
            List("lart", {Chunk("art1", Cat({U32(8), U32(count), Connection(0, 0, 0, 0, 0)}))});
        EXPECT_THAT(Reject(g.Build()), HasSubstr("declares " + std::to_string(count) +
                                                 " connections but holds room for 1"));

        TLevel1File h;
        h.RegionWsmp = Chunk("wsmp", Cat({U32(20), U16(60), U16(0), U32(0), U32(0), U32(count),
                                          U32(16), U32(0), U32(0), U32(1)}));
        EXPECT_THAT(Reject(h.Build()), HasSubstr("'wsmp' declares " + std::to_string(count) +
                                                 " loops but holds room for 1"));
    }
}

TEST(DlsReject, HeaderSizesOutsideTheirChunk) {
    TLevel1File f;
    f.Ptbl = Chunk("ptbl", Cat({U32(4), U32(1), U32(0)}));
    EXPECT_THAT(Reject(f.Build()), HasSubstr("'ptbl' gives its header size as 4"));
    f.Ptbl = Chunk("ptbl", Cat({U32(40), U32(0), U32(0)}));
    EXPECT_THAT(Reject(f.Build()), HasSubstr("'ptbl' gives its header size as 40"));

    TLevel1File g;
    g.RegionWsmp = Chunk("wsmp", Cat({U32(12), U16(60), U16(0), U32(0), U32(0), U32(0)}));
    EXPECT_THAT(Reject(g.Build()), HasSubstr("'wsmp' gives its header size as 12"));

    // a loop record that claims to be shorter than a loop, or longer than what is left
    for (uint32_t loopSize : {8u, 17u}) {
        TLevel1File h;
        h.RegionWsmp = Chunk("wsmp", Cat({U32(20), U16(60), U16(0), U32(0), U32(0), U32(1),
                                          U32(loopSize), U32(0), U32(0), U32(1)}));
        EXPECT_THAT(Reject(h.Build()), HasSubstr("loop 0 gives its size as"));
    }
}

TEST(DlsReject, WaveLinksAndPoolCuesThatLeadNowhere) {
    TLevel1File f;
    f.WaveLink = Wlnk(1);
    EXPECT_THAT(Reject(f.Build()), HasSubstr("instrument 0, region 0: links to cue 1 of 1"));

    TLevel1File g;
    g.Ptbl = Chunk("ptbl", Cat({U32(8), U32(0)}));
    EXPECT_THAT(Reject(g.Build()), HasSubstr("links to cue 0 of 0"));

    // into the middle of the first of two waves, past the pool, and at an unknown
    // chunk in the pool
    TLevel1File h;
    const uint32_t junkAt = uint32_t(h.Wave().size());
    h.PoolExtra = Cat({Chunk("JUNK", {}), h.Wave()});
    for (uint32_t offset : {4u, 12u, 100000u, junkAt, junkAt + 2, 0xFFFFFFFFu}) {
        h.Ptbl = Chunk("ptbl", Cat({U32(8), U32(1), U32(offset)}));
        EXPECT_THAT(Reject(h.Build()),
                    HasSubstr("pool cue 0 points at offset " + std::to_string(offset) +
                              " of 'wvpl', where no wave starts"));
    }
}

TEST(DlsReject, NestingAndFloodsOfChunks) {
    TLevel1File f;
    TBytes deep = Chunk("leaf", {});
    for (int i = 0; i < 20; ++i)
        deep = List("deep", {deep});
    f.RegionExtra = deep;
    EXPECT_THAT(Reject(f.Build()), HasSubstr("nested deeper than"));
}

} // namespace
