#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"

namespace tambrix {
namespace {

// 01 02 03 04 05 | 'a' 'b' 00 | 'c'
const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 'a', 'b', 0x00, 'c'};

TEST(ByteReader, readsLittleAndBigEndian) {
    ByteReader le(kBytes, sizeof kBytes);
    EXPECT_EQ(le.U16(), 0x0201);
    EXPECT_EQ(le.U16(), 0x0403);
    ByteReader be(kBytes, sizeof kBytes);
    EXPECT_EQ(be.U32BE(), 0x01020304u);
    EXPECT_EQ(be.U8(), 0x05);
    EXPECT_EQ(be.Position(), 5u);
    EXPECT_FALSE(be.Failed());
}

TEST(ByteReader, valueReadPastEndAnswersZeroAndJumpsToEnd) {
    ByteReader r(kBytes, 3);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_TRUE(r.Failed());
    EXPECT_TRUE(r.AtEnd());
    // Seeking back works, but the failure stays.
    r.Seek(0);
    EXPECT_EQ(r.U8(), 0x01);
    EXPECT_TRUE(r.Failed());
}

TEST(ByteReader, seekAndSkipPastEndFail) {
    ByteReader exact(kBytes, 4);
    exact.Seek(4);  // exactly the end fits
    EXPECT_FALSE(exact.Failed());
    exact.Skip(1);
    EXPECT_TRUE(exact.Failed());
    ByteReader over(kBytes, 4);
    over.Seek(5);
    EXPECT_TRUE(over.Failed());
}

TEST(ByteReader, checkedReadThatDoesNotFitMovesNothing) {
    ByteReader r(kBytes, 3);
    uint32_t value = 7;
    EXPECT_FALSE(r.ReadU32(value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_TRUE(r.Failed());
    uint16_t small = 0;
    EXPECT_TRUE(r.ReadU16(small));  // a smaller read still fits
    EXPECT_EQ(small, 0x0201);
    const uint8_t* bytes = nullptr;
    EXPECT_FALSE(r.ReadBytes(2, bytes));
    EXPECT_TRUE(r.ReadBytes(1, bytes));
    EXPECT_EQ(*bytes, 0x03);
}

TEST(ByteReader, cStringsAndTextToEnd) {
    ByteReader r(kBytes, sizeof kBytes);
    r.Skip(5);
    std::string_view text;
    ASSERT_TRUE(r.ReadCString(text));
    EXPECT_EQ(text, "ab");
    EXPECT_FALSE(r.ReadCString(text));  // "c" has no NUL
    EXPECT_EQ(r.Position(), 8u);
    EXPECT_EQ(r.ReadTextToEnd(), "c");
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.ReadTextToEnd(), "");
}

TEST(ByteReader, nullDataHasNoBytes) {
    ByteReader r(nullptr, 16);
    EXPECT_EQ(r.Size(), 0u);
    std::string copy;
    EXPECT_FALSE(r.ReadText(1, copy));
    EXPECT_TRUE(r.ReadText(0, copy));
    EXPECT_EQ(r.U8(), 0);
}

TEST(ByteWriter, PutsPatchesAndPadding) {
    ByteWriter w;
    w.U32(0).U8(1).PadToEven(0xEE).U32BE(0x0A0B0C0D).Field("ab", 3).CString("c");
    w.PatchU32(0, 0x11223344);
    const std::vector<uint8_t> expected = {0x44, 0x33, 0x22, 0x11, 0x01, 0xEE, 0x0A, 0x0B,
                                           0x0C, 0x0D, 'a',  'b',  0x00, 'c',  0x00};
    EXPECT_EQ(w.Bytes(), expected);
}

}  // namespace
}  // namespace tambrix
