#include <gtest/gtest.h>

#include "platform/Bitmap.h"

using tambrix::platform::Bitmap;

TEST(Bitmap, RefusesBadSizesAndDepths) {
    EXPECT_FALSE(Bitmap::Create(0, 1, 8));
    EXPECT_FALSE(Bitmap::Create(1, 0, 8));
    EXPECT_FALSE(Bitmap::Create(-1, 5, 24));
    EXPECT_FALSE(Bitmap::Create(5, 5, 32));
    EXPECT_FALSE(Bitmap::Create(Bitmap::kMaxDimension + 1, 1, 8));
    EXPECT_TRUE(Bitmap::Create(Bitmap::kMaxDimension, 1, 8));
    // Each side allowed, the area not.
    EXPECT_FALSE(Bitmap::Create(Bitmap::kMaxDimension, Bitmap::kMaxDimension, 24));
}

TEST(Bitmap, RowsAreBottomUpAndFillsLeaveThePadding) {
    auto b = Bitmap::Create(3, 2, 24);
    ASSERT_TRUE(b);
    b->Fill24(1, 2, 3);
    EXPECT_EQ(b->Row(1), b->Bits() + b->Stride());
    EXPECT_EQ(b->TopRow(0), b->Row(1));
    const uint8_t* row = b->Row(0);
    EXPECT_EQ(row[0], 1);
    EXPECT_EQ(row[8], 3);
    EXPECT_EQ(row[9], 0);  // padding untouched
    EXPECT_EQ(row[11], 0);

    auto d = Bitmap::Create(3, 1, 16);
    ASSERT_TRUE(d);
    d->Fill16(0xFFFF);
    EXPECT_EQ(d->Row(0)[5], 0xFF);
    EXPECT_EQ(d->Row(0)[6], 0);
}
