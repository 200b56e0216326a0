#include "SongTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <sstream>

namespace {

TKeyDefSet TableWithRemark(const char* remark) {
    TKeyDefSet table = DefaultKeyDefSet();
    table.Remark.SetUtf8(remark);
    return table;
}

// Six events, the second and fourth key tables; 25590 bytes as a file.
constexpr size_t SecondEvent = 8760 + 13, ThirdEvent = SecondEvent + 13 + 8376,
                 FourthEvent = ThirdEvent + 13, SixthEvent = FourthEvent + 13 + 8376 + 13;

class SongFile : public ::testing::Test {
protected:
    void SetUp() override {
        Rec.SetSongInfo(MakeSongInfo("夜曲", "某人", "备注"));
        TPerformSnapshot snap = EmptyPerformSnapshot();
        snap.Transpose = -2;
        snap.RightVoice = 0x410005;
        snap.SmartSemitone = -1;
        Rec.SetSnapshot(snap);
        Rec.SetStartKeyTable(TableWithRemark("开始"));
        Clock.Now = 500;
        Rec.SetRecording(true);
        Clock.Now = 510;
        Rec.RecordKeyDown(DIK::Q);
        Rec.RecordKeyTable(TableWithRemark("第二"));
        Clock.Now = 530;
        Rec.RecordMidi(0x99, 36, 100);
        Rec.RecordKeyTable(TableWithRemark("第三"));
        Clock.Now = 600;
        Rec.RecordKeyUp(DIK::Q);
        Rec.RecordEndMark();
        Rec.SetRecording(false);
        ASSERT_TRUE(Rec.SaveToFile(Dir.Path("a.lyt"), MakeSongInfo("月光", "演奏者", "")));
        Image = Dir.Read("a.lyt");
    }

    TFakeClock Clock;
    TSimpleRecorder Rec{Clock};
    TTempDir Dir;
    std::vector<uint8_t> Image;
    TSongInfoRec Info{};
};

TEST_F(SongFile, SavedImageHasTheFileLayout) {
    ASSERT_EQ(Image.size(), SixthEvent + 13);
    EXPECT_EQ(std::memcmp(Image.data(), "TalvimorenaSong\0", 16), 0);
    EXPECT_EQ(I32At(Image, 16), 4);
    EXPECT_EQ(Image[20], Utf8ToCp936("月光").size());
    EXPECT_EQ(I32At(Image, 356), 0x410005); // right voice in the snapshot
    const TKeyDefSet start = TableWithRemark("开始"), second = TableWithRemark("第二");
    EXPECT_EQ(std::memcmp(Image.data() + 380, &start, sizeof start), 0);
    EXPECT_EQ(I32At(Image, 8756), 6);
    // Q went down 10 ms into the recording.
    EXPECT_EQ(std::vector(Image.begin() + 8760, Image.begin() + 8773),
              (std::vector<uint8_t>{10, 0, 0, 0, 0, 0, 0, 0, evKeyDown, DIK::Q, 0, 0, 0}));
    EXPECT_EQ(Image[SecondEvent + 8], evKeyTable);
    EXPECT_EQ(std::memcmp(Image.data() + SecondEvent + 13, &second, sizeof second), 0);
    EXPECT_EQ(I32At(Image, ThirdEvent + 9), 0x992464);
    EXPECT_EQ(Image[SixthEvent + 8], evEndMark);
}

TEST_F(SongFile, SaveLoadSaveIsByteExactThroughFilesAndStreams) {
    TSimpleRecorder fromFile(Clock), fromStream(Clock);
    ASSERT_TRUE(fromFile.LoadFromFile(Dir.Path("a.lyt"), Info));
    EXPECT_EQ(Info.Title.Utf8(), "月光");
    EXPECT_EQ(EventsOf(fromFile), EventsOf(Rec));
    ASSERT_TRUE(fromFile.SaveToFile(Dir.Path("b.lyt"), Info));
    EXPECT_EQ(Dir.Read("b.lyt"), Image);

    std::istringstream in(std::string(Image.begin(), Image.end()));
    ASSERT_TRUE(fromStream.LoadFromStream(&in, Info));
    std::ostringstream out;
    ASSERT_TRUE(fromStream.WriteToStream(&out, Info));
    EXPECT_EQ(out.str(), std::string(Image.begin(), Image.end()));
}

TEST_F(SongFile, SavingALoadedSongKeepsItsSnapshotAndKeyTables) {
    std::vector<uint8_t> old = Image;
    PutI32(old, SecondEvent + 9, 0x12345678); // a key-table event's value means nothing
    TSimpleRecorder rec(Clock);
    ASSERT_TRUE(rec.LoadFromBytes(old, Info));
    TSongInfoRec edited = MakeSongInfo("新", "", "");
    edited.Title.Raw[30] = 0x55; // past the text: written as zero
    ASSERT_TRUE(rec.SaveToFile(Dir.Path("a.lyt"), edited));
    const std::vector<uint8_t> saved = Dir.Read("a.lyt");
    ASSERT_EQ(saved.size(), Image.size());
    EXPECT_TRUE(std::equal(saved.begin() + 336, saved.end(), Image.begin() + 336));
    EXPECT_EQ(saved[50], 0);
    EXPECT_EQ(rec.Header().Info.Title.Utf8(), "新");
}

TEST_F(SongFile, DamagedFilesFailToLoad) {
    struct TCase {
        const char* Name;
        std::function<void(std::vector<uint8_t>&)> Spoil;
        TSongFileError Error;
        size_t EventsLeft;
    };
    const TCase cases[] = {
        {"wrong letter", [](auto& b) { b[0] = 't'; }, TSongFileError::BadMagic, 6},
        {"no zero at 15", [](auto& b) { b[15] = ' '; }, TSongFileError::BadMagic, 6},
        {"version 0", [](auto& b) { PutI32(b, 16, 0); }, TSongFileError::BadVersion, 6},
        {"version -3", [](auto& b) { PutI32(b, 16, -3); }, TSongFileError::BadVersion, 6},
        {"empty", [](auto& b) { b.clear(); }, TSongFileError::ShortHeader, 6},
        {"short header", [](auto& b) { b.resize(8759); }, TSongFileError::ShortHeader, 6},
        {"count beyond", [](auto& b) { PutI32(b, 8756, 8); }, TSongFileError::ShortEvents, 6},
        {"huge count", [](auto& b) { PutI32(b, 8756, INT32_MAX); }, TSongFileError::ShortEvents, 6},
        {"last event cut", [](auto& b) { b.resize(SixthEvent + 12); }, TSongFileError::ShortEvents,
         5},
        {"table cut", [](auto& b) { b.resize(FourthEvent + 13 + 8375); },
         TSongFileError::ShortKeyTable, 3},
        {"negative count", [](auto& b) { PutI32(b, 8756, -1); }, TSongFileError::BadEventCount, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<uint8_t> bytes = Image;
        c.Spoil(bytes);
        TSimpleRecorder rec(Clock);
        ASSERT_TRUE(rec.LoadFromBytes(Image, Info));
        EXPECT_FALSE(rec.LoadFromBytes(bytes, Info));
        EXPECT_EQ(rec.LastResult().Error, c.Error);
        EXPECT_FALSE(rec.LastError().empty());
        EXPECT_EQ(rec.EventCount(), c.EventsLeft);
    }
    std::vector<uint8_t> bytes = Image;
    PutI32(bytes, 8756, 10);
    EXPECT_FALSE(Rec.LoadFromBytes(bytes, Info));
    EXPECT_EQ(Rec.LastError(), "file ends after 6 of 10 events");
    EXPECT_EQ(Rec.Header().EventCount, 10); // the header read stays
}

TEST_F(SongFile, MissingSourcesAndTargetsFail) {
    EXPECT_FALSE(Rec.LoadFromStream(nullptr, Info));
    EXPECT_EQ(Rec.LastResult().Error, TSongFileError::NoStream);
    EXPECT_FALSE(Rec.WriteToStream(nullptr, Info));
    EXPECT_FALSE(Rec.LoadFromFile(Dir.Path("none.lyt"), Info));
    EXPECT_EQ(Rec.LastResult().Error, TSongFileError::Missing);
    // Just over the cap (a sparse file): refused before anything is read.
    std::ofstream(Dir.Path("big.lyt")).close();
    std::filesystem::resize_file(Dir.Path("big.lyt"), MaxSongFileSize + 1);
    EXPECT_FALSE(Rec.LoadFromFile(Dir.Path("big.lyt"), Info));
    EXPECT_EQ(Rec.LastResult().Error, TSongFileError::TooLarge);
    EXPECT_FALSE(Rec.SaveToFile(Dir.Path("no/such/folder.lyt"), Info));
    EXPECT_EQ(Rec.LastResult().Error, TSongFileError::WriteFailed);
    EXPECT_EQ(Rec.EventCount(), 6u);
}

// A first-version file: 376-byte header, then time, skip, code, down, unused.
std::vector<uint8_t> V1Image(int32_t count, const std::vector<std::array<int, 4>>& events) {
    std::vector<uint8_t> b(376, 0xCC);
    std::memcpy(b.data(), "TalvimorenaSong", 16);
    PutI32(b, 16, 1);
    const TSongInfoRec info = MakeSongInfo("老歌", "", "");
    std::memcpy(b.data() + 20, &info, sizeof info);
    const int32_t words[5] = {3, 90, 80, 1, -1};
    std::memcpy(b.data() + 337, words, sizeof words);
    PutI32(b, 372, count);
    for (const auto& [time, skip, code, down] : events) {
        b.resize(b.size() + 8, 0xEE);
        PutI32(b, b.size() - 8, time);
        b[b.size() - 4] = skip, b[b.size() - 3] = code, b[b.size() - 2] = down;
    }
    return b;
}

TEST(SongFileV1, ConvertsOnLoadAndReportsVersion1) {
    std::vector<std::array<int, 4>> events = {
        {100, 0, 0x10, 1}, {150, 1, 0x11, 1}, {200, 0, 63, 1}, {300, 0, 0x10, 0}};
    // Enough events that a stream must deliver some after the header's read-ahead.
    for (int i = 0; i < 1200; ++i)
        events.push_back({400 + i, 0, 0x20, 1});
    const std::vector<uint8_t> v1 = V1Image(static_cast<int32_t>(events.size()), events);
    std::istringstream in(std::string(v1.begin(), v1.end()));
    TFakeClock clock;
    TSongInfoRec info;
    for (bool viaStream : {false, true}) {
        TSimpleRecorder rec(clock);
        ASSERT_TRUE(viaStream ? rec.LoadFromStream(&in, info) : rec.LoadFromBytes(v1, info));
        const TSongHeader h = rec.Header();
        EXPECT_EQ(h.Version, 1);
        EXPECT_EQ(info.Title.Utf8(), "老歌");
        const TPerformSnapshot& s = h.Snapshot;
        EXPECT_EQ(std::vector<int>({s.Transpose, s.RightVolume, s.LeftVolume, s.RightOctave,
                                    s.LeftOctave, s.RightVoice, s.LeftVoice, s.Reserved[0],
                                    s.Reserved[1], s.Reserved[2], s.SmartSemitone}),
                  std::vector<int>({3, 90, 80, 1, -1, 0x410000, 0x410000, 1, 0, 2, 0}));
        const TKeyDefSet def = DefaultKeyDefSet();
        EXPECT_EQ(std::memcmp(&h.KeyTable, &def, sizeof def), 0);
        const auto got = EventsOf(rec);
        ASSERT_EQ(got.size(), events.size());
        EXPECT_EQ(std::vector(got.begin(), got.begin() + 4),
                  (std::vector<TEventFields>{{100, 0, evKeyDown, 0x10},
                                             {150, -1, evKeyDown, 0x11},
                                             {200, -1, evKeyDown, 63},
                                             {300, 0, evKeyUp, 0x10}}));
        EXPECT_EQ(got.back(), TEventFields(1599, 0, evKeyDown, 0x20));

        std::ostringstream out;
        ASSERT_TRUE(rec.WriteToStream(&out, info));
        const std::string saved = out.str();
        TSimpleRecorder reloaded(clock);
        ASSERT_TRUE(reloaded.LoadFromBytes(
            std::span(reinterpret_cast<const uint8_t*>(saved.data()), saved.size()), info));
        EXPECT_EQ(reloaded.Header().Version, 4);
        EXPECT_EQ(EventsOf(reloaded), got);
    }
}

TEST(SongFileV1, ShortFilesFail) {
    TFakeClock clock;
    TSimpleRecorder rec(clock);
    TSongInfoRec info;
    EXPECT_FALSE(rec.LoadFromBytes(V1Image(3, {{1, 0, 2, 1}, {2, 0, 2, 0}}), info));
    EXPECT_EQ(rec.LastResult().Error, TSongFileError::ShortEvents);
    EXPECT_EQ(rec.Header().Version, 1);
    std::vector<uint8_t> cut = V1Image(0, {});
    cut.pop_back();
    EXPECT_FALSE(rec.LoadFromBytes(cut, info));
    EXPECT_EQ(rec.LastResult().Error, TSongFileError::ShortHeader);
}

} // namespace
