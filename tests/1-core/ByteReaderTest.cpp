#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"

namespace tambrix {
namespace {

// 01 02 03 04 05 | 'a' 'b' 00 | 'c'
const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 'a', 'b', 0x00, 'c'};

TEST(ByteReader, ValuesInBothOrdersAndFailuresThatStick) {
    ByteReader le(kBytes, sizeof kBytes), be(kBytes, sizeof kBytes);
    EXPECT_EQ(le.U16(), 0x0201);
    EXPECT_EQ(le.U16(), 0x0403);
    EXPECT_EQ(be.U32BE(), 0x01020304u);
    EXPECT_TRUE(be.U8() == 0x05 && be.Position() == 5u && !be.Failed());
    // A value read past the end answers 0 and jumps to the end; seeking back keeps the failure.
    ByteReader r(kBytes, 3);
    EXPECT_TRUE(r.U32() == 0u && r.Failed() && r.AtEnd());
    r.Seek(0);
    EXPECT_TRUE(r.U8() == 0x01 && r.Failed());
    ByteReader exact(kBytes, 4), over(kBytes, 4);
    exact.Seek(4);  // exactly the end fits
    EXPECT_FALSE(exact.Failed());
    exact.Skip(1);
    over.Seek(5);
    EXPECT_TRUE(exact.Failed() && over.Failed());
}

TEST(ByteReader, CheckedReadsThatDoNotFitMoveNothing) {
    ByteReader r(kBytes, 3);
    uint32_t value = 7;
    EXPECT_FALSE(r.ReadU32(value));
    EXPECT_TRUE(value == 7u && r.Position() == 0u && r.Failed());
    uint16_t small = 0;
    EXPECT_TRUE(r.ReadU16(small) && small == 0x0201);  // a smaller read still fits
    const uint8_t* bytes = nullptr;
    EXPECT_FALSE(r.ReadBytes(2, bytes));
    EXPECT_TRUE(r.ReadBytes(1, bytes) && *bytes == 0x03);

    ByteReader text(kBytes, sizeof kBytes);
    text.Skip(5);
    std::string_view view;
    ASSERT_TRUE(text.ReadCString(view));
    EXPECT_EQ(view, "ab");
    EXPECT_FALSE(text.ReadCString(view));  // "c" has no NUL
    EXPECT_EQ(text.Position(), 8u);
    EXPECT_EQ(text.ReadTextToEnd(), "c");
    EXPECT_TRUE(text.AtEnd() && text.ReadTextToEnd().empty());

    ByteReader none(nullptr, 16);  // null data has no bytes
    std::string copy;
    EXPECT_TRUE(none.Size() == 0u && !none.ReadText(1, copy) && none.ReadText(0, copy) && none.U8() == 0);
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
