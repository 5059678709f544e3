#include <gtest/gtest.h>

#include "support/SpriteBuilders.h"
#include "graphics/DrawGroup.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

DrawGroup read(const std::vector<uint8_t>& bytes) {
    return ReadDrawGroup(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

const std::vector<std::vector<DgrpEntry>> kTwoImages = {
    {{.spriteId = 300, .frameIndex = 2, .x = -5, .y = 7, .z = 0.5f, .flags = 1},
     {.spriteId = 301, .frameIndex = 0, .x = 1, .y = 2, .type = 0x0001}},
    {}};

class DrawGroupVersions : public ::testing::TestWithParam<uint16_t> {};

TEST_P(DrawGroupVersions, ReadsEntriesOfEveryVersion) {
    const uint16_t version = GetParam();
    DrawGroup g = read(DgrpChunk(kTwoImages, version));
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
        const auto full = DgrpChunk({{{.spriteId = 1}}, {{.spriteId = 2}, {.spriteId = 3}}, {{.spriteId = 4}}}, version);
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

TEST(DrawGroup, HugeCountsDoNotAllocate) {
    Bytes b;
    b.u16(20004).u32(0xFFFFFFFF);                  // four billion images
    b.u32(0).u32(0).u32(0x7FFFFFFF);               // the first claims two billion entries
    DrawGroup g = read(b);
    EXPECT_TRUE(g.images.empty());
    EXPECT_TRUE(g.truncated);

    Bytes old;
    old.u16(20000).u16(0xFFFF).u16(0xFFFF).u8(0).u8(0);
    EXPECT_TRUE(read(old).images.empty());
    EXPECT_TRUE(ReadDrawGroup(nullptr, 0).images.empty());
}

}  // namespace
