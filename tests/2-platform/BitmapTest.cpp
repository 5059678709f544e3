#include <gtest/gtest.h>

#include <tuple>

#include "platform/Bitmap.h"
#include "support/ByteBuilder.h"

using tambrix::platform::Bitmap;
using tambrix::platform::ReadBitmapFileInfo;

TEST(Bitmap, SizesDepthsRowsPaddingAndFileHeaders) {
    EXPECT_FALSE(Bitmap::Create(0, 1, 8) || Bitmap::Create(1, 0, 8) || Bitmap::Create(-1, 5, 24) ||
                 Bitmap::Create(5, 5, 32) || Bitmap::Create(Bitmap::kMaxDimension + 1, 1, 8));
    EXPECT_TRUE(Bitmap::Create(Bitmap::kMaxDimension, 1, 8));
    EXPECT_FALSE(Bitmap::Create(Bitmap::kMaxDimension, Bitmap::kMaxDimension, 24));  // each side allowed, the area not
    auto b = Bitmap::Create(3, 2, 24), d = Bitmap::Create(3, 1, 16);
    ASSERT_TRUE(b && d);
    b->Fill24(1, 2, 3);
    EXPECT_TRUE(b->Row(1) == b->Bits() + b->Stride() && b->TopRow(0) == b->Row(1));  // bottom-up
    EXPECT_EQ(b->Row(0)[0] * 10 + b->Row(0)[8] + (b->Row(0)[9] | b->Row(0)[11]), 13);  // padding zero
    d->Fill16(0xFFFF);
    EXPECT_EQ(d->Row(0)[5] * 256 + d->Row(0)[6], 0xFF00);  // a row of 6 bytes, padded to 8

    // "BM", u32 file size, two u16, u32 pixel offset; u32 header size, i32 width, i32 height, u16 planes, u16 bits.
    auto head = [](const char* magic, int32_t height) {
        return tambrix::testing::ByteBuilder().Text(magic).U32(1000).U32(0).U32(54).U32(40).I32(12).I32(height).U16(1)
            .U16(24).Bytes();
    };
    const std::vector<uint8_t> sound = head("BM", -9), other = head("MB", 9);
    const auto info = ReadBitmapFileInfo(sound.data(), sound.size());
    ASSERT_TRUE(info);  // stored top-down:
    EXPECT_EQ(std::tuple(info->width, info->height, info->bitsPerPixel), std::tuple(12, 9, 24));
    EXPECT_FALSE(ReadBitmapFileInfo(sound.data(), sound.size() - 1) || ReadBitmapFileInfo(other.data(), other.size()));
}
