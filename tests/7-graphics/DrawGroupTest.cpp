#include <gtest/gtest.h>

#include "graphics/DrawGroup.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

DrawGroup read(const std::vector<uint8_t>& bytes) {
    return ReadDrawGroup(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

const std::vector<std::vector<DrawGroupEntry>> kTwoImages = {
    {{.spriteId = 300,
      .frameIndex = 2,
      .xOffset = -5,
      .yOffset = 7,
      .zOffset = 0.5f,
      .extra = {1.5f, 2.5f},
      .flags = 1},
     {.spriteId = 301, .frameIndex = 0, .xOffset = 1, .yOffset = 2, .type = 0x0001}},
    {}};

class DrawGroupVersions : public ::testing::TestWithParam<uint16_t> {};

TEST_P(DrawGroupVersions, ReadsEntriesOfEveryVersion) {
    const uint16_t version = GetParam();
    DrawGroup g = read(EncodeDrawGroup(kTwoImages, version));
    EXPECT_EQ(g.version, version);
    EXPECT_FALSE(g.truncated);
    ASSERT_EQ(g.images.size(), 2u);
    const bool wide = version >= 20003;
    // Older versions keep only entries of type 0xFFFD.
    ASSERT_EQ(g.images[0].entries.size(), wide ? 2u : 1u);
    const DrawGroupEntry& e = g.images[0].entries[0];
    EXPECT_EQ(e.spriteId, 300);
    EXPECT_EQ(e.frameIndex, 2);
    EXPECT_EQ(e.xOffset, -5);
    EXPECT_EQ(e.yOffset, 7);
    EXPECT_EQ(e.flags, 1u);
    EXPECT_EQ(e.zOffset, (version >= 20001 ? 0.5f : 0.0f));
    EXPECT_EQ(e.extra[1], (version >= 20004 ? 2.5f : 0.0f));
    EXPECT_TRUE(g.images[1].entries.empty());
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, DrawGroupVersions, ::testing::Values(20000, 20001, 20002, 20003, 20004));

TEST(DrawGroup, TruncatedChunkYieldsTheImagesReadSoFar) {
    for (uint16_t version : {20001, 20004}) {
        const auto full =
            EncodeDrawGroup({{{.spriteId = 1}}, {{.spriteId = 2}, {.spriteId = 3}}, {{.spriteId = 4}}}, version);
        // Every cut point: never a read past the end, never more images than fitted.
        size_t lastCount = 0;
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + n);
            DrawGroup g = read(cut);
            EXPECT_TRUE(g.truncated) << n;
            EXPECT_LE(g.images.size(), 2u);
            EXPECT_GE(g.images.size(), lastCount);
            lastCount = g.images.size();
        }
        EXPECT_EQ(lastCount, 2u);
        DrawGroup whole = read(full);
        ASSERT_EQ(whole.images.size(), 3u);
        EXPECT_EQ(whole.images[1].entries[1].spriteId, 3);
    }
}

TEST(DrawGroupEncoding, CurrentVersionEntryBytesAreExact) {
    const DrawGroupImages images = {
        {{.spriteId = 0x0102, .frameIndex = 3, .xOffset = -5, .yOffset = 40, .zOffset = 0.5f, .flags = 1}}};
    const std::vector<uint8_t> expected = {
        0x24, 0x4E,              // version 20004
        0x01, 0x00, 0x00, 0x00,  // one image
        0x01, 0x00, 0x00, 0x00,  // direction of rotation 0
        0x01, 0x00, 0x00, 0x00,  // zoom number of zoom 0
        0x01, 0x00, 0x00, 0x00,  // one entry
        0x02, 0x01, 0x00, 0x00,  // sprite 0x0102
        0x03, 0x00, 0x00, 0x00,  // frame 3
        0xFB, 0xFF, 0xFF, 0xFF,  // x -5
        0x28, 0x00, 0x00, 0x00,  // y 40
        0x00, 0x00, 0x00, 0x3F,  // z 0.5
        0x01, 0x00, 0x00, 0x00,  // flags: mirrored
        0x00, 0x00, 0x00, 0x00,  // two further floats
        0x00, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(EncodeDrawGroup(images), expected);
    // Image 10: rotation 2, zoom 2 (near).
    const std::vector<uint8_t> bytes = EncodeDrawGroup(DrawGroupImages(kViewCount));
    ASSERT_EQ(bytes.size(), 2u + 4u + 12u * 12u);
    const size_t image10 = 6 + 10 * 12;
    EXPECT_EQ(bytes[image10], 1u << 4);
    EXPECT_EQ(bytes[image10 + 4], 3u);
}

}  // namespace
