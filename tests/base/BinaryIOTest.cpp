#include "base/BinaryIO.h"

#include <gtest/gtest.h>

TEST(ByteReader, ReadsLittleEndianAndStopsAtTheEnd) {
    const std::vector<uint8_t> bytes = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x07};
    TByteReader r(bytes);
    EXPECT_EQ(r.ReadU32(), 0x12345678u);
    EXPECT_EQ(r.ReadI32(), -1);
    EXPECT_EQ(r.ReadU8(), 7);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.ReadU8(), 0); // past the end: zero, and the reader fails
    EXPECT_FALSE(r.Ok());
}

TEST(ByteReader, ShortRecordReadCopiesNothing) {
    const std::vector<uint8_t> bytes = {1, 2, 3};
    TByteReader r(bytes);
    uint32_t v = 0xAABBCCDD;
    EXPECT_FALSE(r.ReadRecord(v));
    EXPECT_EQ(v, 0xAABBCCDDu);
    EXPECT_EQ(r.Remaining(), 0u);
    // Once failed, it stays failed even for reads that would fit.
    EXPECT_FALSE(r.Skip(0) && r.Ok());
}

TEST(ByteWriter, WritesLittleEndian) {
    std::vector<uint8_t> out;
    TByteWriter w(out);
    w.WriteI32(-2);
    w.WriteU8(9);
    w.WriteZeros(2);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 9, 0, 0}));
}
