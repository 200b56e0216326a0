#include "DlsTestBytes.h"

#include "voiceset/RiffChunk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

TRiffParseResult Parse(const TBytes& b, TRiffChunk& root, const TRiffLimits& limits = {}) {
    return ParseRiff(b, root, limits);
}

TEST(RiffParse, NestedTreePointsIntoTheInput) {
    const TBytes file =
        Riff("TEST", {Chunk("abcd", {1, 2, 3, 4}),
                      List("outr", {Chunk("in 1", {9}), List("innr", {})}), Chunk("last", {})});
    TRiffChunk root;
    ASSERT_TRUE(Parse(file, root).Ok);
    EXPECT_EQ(root.Id, RiffIdRiff);
    EXPECT_EQ(root.ListType, RiffId("TEST"));
    ASSERT_EQ(root.Children.size(), 3u);

    const auto& abcd = root.Children[0];
    EXPECT_EQ(abcd.Id, RiffId("abcd"));
    EXPECT_FALSE(abcd.IsList());
    EXPECT_EQ(abcd.Offset, 12u);
    EXPECT_EQ(abcd.DataOffset(), 20u);
    EXPECT_EQ(abcd.Data.data(), file.data() + 20); // not a copy
    EXPECT_EQ(abcd.Data.size(), 4u);

    const auto& outer = root.Children[1];
    EXPECT_TRUE(outer.IsList(RiffId("outr")));
    EXPECT_EQ(outer.Offset, 24u);
    EXPECT_EQ(outer.DataOffset(), 36u);
    ASSERT_EQ(outer.Children.size(), 2u);
    EXPECT_EQ(outer.Children[0].Data.size(), 1u);
    EXPECT_EQ(outer.Children[0].Data[0], 9);
    // the odd chunk's pad byte is skipped: the next list starts 10 bytes on
    EXPECT_EQ(outer.Children[1].Offset, 46u);
    EXPECT_TRUE(outer.Children[1].Children.empty());
    EXPECT_TRUE(root.Children[2].Data.empty());

    EXPECT_EQ(root.Find(RiffId("last")), &root.Children[2]);
    EXPECT_EQ(root.Find(RiffId("outr")), nullptr); // a list type is not a chunk id
    EXPECT_EQ(root.FindList(RiffId("outr")), &outer);
    EXPECT_EQ(root.FindList(RiffId("abcd")), nullptr);
    EXPECT_EQ(outer.CountLists(RiffId("innr")), 1u);
    EXPECT_EQ(root.Count(RiffId("abcd")), 1u);
}

TEST(RiffParse, ToleratesAMissingFinalPadAndTrailingBytes) {
    // 'odd!' has 3 bytes and ends its list without the pad byte.
    TBytes noPad = Cat({Id("RIFF"), U32(4 + 8 + 3), Id("TEST"), Id("odd!"), U32(3), {7, 7, 7}});
    TRiffChunk root;
    ASSERT_TRUE(Parse(noPad, root).Ok);
    ASSERT_EQ(root.Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Data.size(), 3u);

    TBytes trailing = Riff("TEST", {Chunk("abcd", {1})});
    trailing.insert(trailing.end(), {0xDE, 0xAD, 0xBE});
    ASSERT_TRUE(Parse(trailing, root).Ok);
    EXPECT_EQ(root.Children.size(), 1u);
}

TEST(RiffParse, TakesAPadByteAsMissingWhereOnlyTheReadingWithoutItMakesSense) {
    // 'odd!' holds 3 bytes and its pad is left out; the sizes around it count none.
    const TBytes data = Cat({Id("odd!"), U32(3), {7, 7, 7}, Id("next"), U32(2), {1, 2}});
    TRiffChunk root;
    auto r = Parse(Cat({Id("RIFF"), U32(uint32_t(4 + data.size())), Id("TEST"), data}), root);
    ASSERT_TRUE(r.Ok) << r.Message;
    ASSERT_EQ(root.Children.size(), 2u);
    EXPECT_EQ(root.Children[1].Id, RiffId("next"));
    EXPECT_EQ(root.Children[1].Offset, 23u);
    EXPECT_EQ(root.Children[1].Data.size(), 2u);

    // A list of odd size without its pad, followed by a chunk of its parent.
    const TBytes inner = Cat({Id("abcd"), Id("odd!"), U32(3), {7, 7, 7}});
    const TBytes nested = Cat({Id("LIST"), U32(uint32_t(inner.size())), inner, Chunk("last", {5})});
    r = Parse(Cat({Id("RIFF"), U32(uint32_t(4 + nested.size())), Id("TEST"), nested}), root);
    ASSERT_TRUE(r.Ok) << r.Message;
    ASSERT_EQ(root.Children.size(), 2u);
    EXPECT_TRUE(root.Children[0].IsList(RiffId("abcd")));
    EXPECT_EQ(root.Children[1].Id, RiffId("last"));

    // A pad byte that is there (even a stray non-zero one) is taken when the header
    // after it makes sense, though the reading without it would too: "pnex" with the
    // size 't' would fit in the room the filler leaves.
    const TBytes padded = Cat(
        {Id("odd!"), U32(3), {7, 7, 7}, {'p'}, Id("next"), U32(0), Chunk("fill", TBytes(120, 0))});
    r = Parse(Cat({Id("RIFF"), U32(uint32_t(4 + padded.size())), Id("TEST"), padded}), root);
    ASSERT_TRUE(r.Ok) << r.Message;
    ASSERT_EQ(root.Children.size(), 3u);
    EXPECT_EQ(root.Children[1].Id, RiffId("next"));
    EXPECT_EQ(root.Children[2].Id, RiffId("fill"));
}

TEST(RiffParse, KeepsRefusingWhatNoPadReadingMakesSenseOf) {
    TRiffChunk root;
    // After the odd chunk neither place holds a header: a code that is no text.
    const TBytes junk = Cat({Id("odd!"), U32(3), {7, 7, 7}, {1, 2, 3, 4, 5, 6, 7, 8, 9}});
    auto r = Parse(Cat({Id("RIFF"), U32(uint32_t(4 + junk.size())), Id("TEST"), junk}), root);
    EXPECT_FALSE(r.Ok);
    // Nor when the header without the pad claims more than its list holds.
    const TBytes tooBig = Cat({Id("odd!"), U32(3), {7, 7, 7}, Id("next"), U32(40), {1, 2}});
    r = Parse(Cat({Id("RIFF"), U32(uint32_t(4 + tooBig.size())), Id("TEST"), tooBig}), root);
    EXPECT_FALSE(r.Ok);
}

TEST(RiffParse, RejectsChunksThatRunPastTheirList) {
    TRiffChunk root;
    // 'wsmp' claims 30 bytes inside a list that has 12 left for it
    const TBytes inner =
        Riff("TEST", {List("rgn ", {Chunk("wsmp", TBytes(4), 30)}), Chunk("pad!", TBytes(20))});
    auto r = Parse(inner, root);
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("'wsmp'"));
    EXPECT_THAT(r.Message, HasSubstr("list 'rgn '"));
    EXPECT_THAT(r.Message, HasSubstr("declares 30"));

    TBytes cut = Riff("TEST", {Chunk("abcd", TBytes(10))});
    cut.resize(cut.size() - 1);
    r = Parse(cut, root);
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("'RIFF'"));
}

TEST(RiffParse, RejectsMalformedLists) {
    TRiffChunk root;
    // a list too short to hold its type
    auto r = Parse(Riff("TEST", {Chunk("LIST", {1, 2})}), root);
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("too few for its type"));
    // 3 stray bytes at the end of a list
    r = Parse(Riff("TEST", {List("abcd", {Chunk("xxxx", {}), TBytes{1, 2, 3}})}), root);
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("list 'abcd' ends with 3 bytes"));
    // not RIFF at all, or too short for a RIFF header
    EXPECT_FALSE(Parse(Cat({Id("RIFX"), U32(4), Id("TEST")}), root).Ok);
    EXPECT_FALSE(Parse(Cat({Id("RIFF"), U32(0)}), root).Ok);
    EXPECT_FALSE(Parse({}, root).Ok);
}

TEST(RiffParse, LimitsNestingAndChunkCount) {
    TBytes nested = Chunk("leaf", {});
    for (int i = 0; i < 5; ++i)
        nested = List("nest", {nested});
    const TBytes file = Riff("TEST", {nested}); // six lists deep
    TRiffChunk root;
    EXPECT_TRUE(Parse(file, root, {6, 100}).Ok);
    auto r = Parse(file, root, {5, 100});
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("nested deeper than 5"));

    // six lists and the leaf
    EXPECT_TRUE(Parse(file, root, {16, 7}).Ok);
    r = Parse(file, root, {16, 6});
    EXPECT_FALSE(r.Ok);
    EXPECT_THAT(r.Message, HasSubstr("more than 6 chunks"));

    // the default limits stop a flood of empty chunks
    const TBytes tiny = Chunk("tiny", {});
    TBytes flood(tiny.size() * ((1 << 20) + 1));
    for (size_t at = 0; at < flood.size(); at += tiny.size())
        std::copy(tiny.begin(), tiny.end(), flood.begin() + at);
    EXPECT_FALSE(
        Parse(Cat({Id("RIFF"), U32(uint32_t(flood.size() + 4)), Id("TEST"), flood}), root).Ok);
}

TEST(RiffParse, RootKeepsItsTreeOnFailure) {
    TRiffChunk root;
    ASSERT_TRUE(Parse(Riff("GOOD", {Chunk("abcd", {})}), root).Ok);
    EXPECT_FALSE(Parse(Riff("BAD ", {Chunk("abcd", {}, 99)}), root).Ok);
    EXPECT_EQ(root.ListType, RiffId("GOOD"));
}

TEST(RiffId, QuotesCodesForMessages) {
    EXPECT_EQ(RiffId("abcd"), 0x64636261u);
    EXPECT_EQ(RiffIdText(RiffId("wsmp")), "'wsmp'");
    EXPECT_EQ(RiffIdText(0x00FF6261u), "'ab\\xFF\\x00'");
}

TEST(RiffWriter, BuildsNestedChunksWithSizesAndPads) {
    TBytes out;
    TRiffWriter w(out);
    w.BeginRiff(RiffId("TEST"));
    w.Chunk(RiffId("abcd"), TBytes{1, 2, 3, 4});
    w.BeginList(RiffId("outr"));
    w.BeginChunk(RiffId("in 1"));
    w.Append(TBytes{9});
    w.End();
    w.BeginList(RiffId("innr"));
    w.End();
    w.End();
    w.Chunk(RiffId("last"), {});
    w.End();
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(out, Riff("TEST",
                        {Chunk("abcd", {1, 2, 3, 4}),
                         List("outr", {Chunk("in 1", {9}), List("innr", {})}), Chunk("last", {})}));
}

TEST(RiffWriter, PatchesFieldsAndReportsMisuse) {
    TBytes out;
    TRiffWriter w(out);
    w.BeginRiff(RiffId("TEST"));
    w.BeginChunk(RiffId("offs"));
    const size_t at = w.Size();
    w.AppendU32(0);
    w.AppendU16(0xBEEF);
    w.End();
    w.PatchU32(at, w.Size());
    EXPECT_FALSE(w.Finish()); // the RIFF is still open
    w.End();
    EXPECT_TRUE(w.Finish());
    EXPECT_EQ(out, Riff("TEST", {Chunk("offs", Cat({U32(26), U16(0xBEEF)}))}));

    w.End(); // nothing open
    EXPECT_FALSE(w.Finish());

    TBytes other;
    TRiffWriter v(other);
    v.PatchU32(0, 1); // past the end
    EXPECT_FALSE(v.Finish());
    EXPECT_TRUE(other.empty());
}

} // namespace
