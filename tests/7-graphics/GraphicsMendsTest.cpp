// Faults that once crashed or lost pixels: a sprite frame of negative width, sprites one
// pixel wide in the preview, and a preview box within the side limit but over the area cap.

#include <gtest/gtest.h>

#include <string>

#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

constexpr ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr int32_t kNear = 10;

// An "SPR#" stream of h rows, each a run of w pixels of colour 9.
std::vector<uint8_t> sprRows(int w, int h) {
    ByteBuilder s;
    for (int y = 0; y < h; ++y) s.U8(4).U8(0).U8(2).U8(static_cast<uint8_t>(w)).U8(9).U8(0);
    s.U8(5).U8(0);
    return s;
}

// An "SPR2" frame of w x h, every pixel colour 9 at depth 10.
std::vector<uint8_t> spr2Solid(uint16_t w, uint16_t h) {
    ByteBuilder s;
    for (int y = 0; y < h; ++y) {
        Spr2Word(s, 0x0000, 0);
        Spr2Word(s, 0x2000, w);
        for (int x = 0; x < w; ++x) s.U8(10).U8(9);
    }
    Spr2Word(s, 0xA000, 0);
    return Spr2Chunk({{.width = w, .height = h, .stream = s}}, kPalette);
}

TEST(GraphicsMends, SprFrameOfNegativeOrZeroSizeFailsCleanly) {
    struct Case {
        int16_t width, height;
        const char* error;  // null: drawn
    } cases[] = {
        {-1, 4, "could not GetObject on HBITMAP"},     {-32768, 4, "could not GetObject on HBITMAP"},
        {4, -5, "could not GetObject on HBITMAP"},     {-3, -3, "could not GetObject on HBITMAP"},
        {0, 4, "empty"},                               {1, 4, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        FakeResourceFile file;
        file.Put(restype::kPALT, kPalette, DistinctPaltChunk());
        file.Put(restype::kSPR, 1, SprChunk({{.width = c.width, .height = c.height, .stream = sprRows(3, 2)}}, kPalette));
        for (int32_t mode : {kSpriteViewColour, kSpriteViewDepth, kSpriteViewAlpha}) {
            auto picture = DrawSprite(file, 1, 0, kWhite, mode);
            if (c.error) {
                EXPECT_FALSE(picture);
                EXPECT_STREQ(LastGraphicsError(), c.error);
            } else {
                ASSERT_TRUE(picture);
                EXPECT_EQ(picture->Width(), c.width);
                EXPECT_EQ(picture->TopRow(0)[0], 9);
            }
        }
        EXPECT_EQ(file.Outstanding(), 0u);
    }
}

TEST(GraphicsMends, PreviewDrawsSpritesOnePixelWide) {
    struct Case {
        const char* name;
        bool spr2;
        uint16_t height;
        uint32_t flags;
    } cases[] = {
        {"SPR2 1 x 6", true, 6, 0},
        {"SPR2 1 x 6 mirrored", true, 6, DrawGroupEntry::kMirror},
        {"SPR2 1 x 2", true, 2, 0},
        {"SPR# 1 x 1", false, 1, 0},
        {"SPR# 1 x 3 mirrored", false, 3, DrawGroupEntry::kMirror},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeResourceFile file;
        file.Put(restype::kPALT, kPalette, DistinctPaltChunk());
        if (c.spr2)
            file.Put(restype::kSPR2, 1, spr2Solid(1, c.height));
        else
            file.Put(restype::kSPR, 1,
                     SprChunk({{.width = 1, .height = static_cast<int16_t>(c.height), .stream = sprRows(1, c.height)}},
                              kPalette));
        file.Put(restype::kDGRP, 1000, DgrpAllViews({{.spriteId = 1, .flags = c.flags}}));
        std::vector<PreviewPart> parts = {{.baseGraphicId = 1000, .graphicCount = 1}};
        PreviewReport report;
        auto picture = RenderPreviewParts(&file, parts, false, kNear, kWhite, &report);
        ASSERT_TRUE(picture);
        EXPECT_EQ(report.outcome, PreviewReport::Outcome::kDrawn);
        EXPECT_EQ(picture->Width(), 33);
        EXPECT_EQ(picture->Height(), 32 + c.height);
        for (int row = 16; row < 16 + c.height; ++row) {
            const uint8_t* p = picture->Row(row) + 3 * 16;
            EXPECT_EQ(p[2], 9) << "row " << row;  // red of entry 9
            EXPECT_EQ(p[1], 255 - 9);
            EXPECT_EQ(picture->Row(row)[3 * 15], 255) << "left of the sprite stays background";
        }
        EXPECT_EQ(file.Outstanding(), 0u);
    }
}

TEST(GraphicsMends, PreviewOverTheAreaCapGivesNoPicture) {
    // Every box here is under 16,384 a side; its 24-bit rows exceed 64 MiB.
    struct Case {
        int32_t spread;  // the second sprite's offset right and up
        int64_t width, height;
    } cases[] = {{4700, 4736, 4736}, {9000, 9036, 9036}, {16000, 16036, 16036}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spread);
        FakeResourceFile file;
        file.Put(restype::kPALT, kPalette, DistinctPaltChunk());
        file.Put(restype::kSPR2, 1, spr2Solid(4, 4));
        file.Put(restype::kDGRP, 1000,
                 DgrpAllViews({{.spriteId = 1}, {.spriteId = 1, .xOffset = c.spread, .yOffset = -c.spread}}));
        std::vector<PreviewPart> parts = {{.baseGraphicId = 1000, .graphicCount = 1}};
        PreviewReport report;
        EXPECT_FALSE(RenderPreviewParts(&file, parts, false, kNear, kWhite, &report));
        EXPECT_EQ(report.outcome, PreviewReport::Outcome::kTooLarge);
        EXPECT_EQ(report.width, c.width);
        EXPECT_EQ(report.height, c.height);
        EXPECT_EQ(PreviewReportText(report).rfind("picture too large: ", 0), 0u);
        EXPECT_EQ(file.Outstanding(), 0u);
    }
}

}  // namespace
