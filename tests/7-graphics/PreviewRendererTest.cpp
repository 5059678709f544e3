#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "graphics/PreviewRenderer.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;
using platform::Bitmap;

namespace {

constexpr ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr int32_t kNear = 10;  // zoom 2, rotation 2

using Rgb = std::tuple<int, int, int>;
const Rgb kWhiteRgb{255, 255, 255};
Rgb paletteColour(int i) { return {i, 255 - i, i / 2}; }

Rgb pixel(const Bitmap& b, int32_t column, int32_t rowFromBottom) {
    const uint8_t* p = b.Row(rowFromBottom) + 3 * column;
    return {p[2], p[1], p[0]};
}

// A solid "SPR2" frame of w x h: every pixel colour `index` at `depth` (two-byte pixels),
// or with `alpha` (0-31, three-byte pixels) when given.
std::vector<uint8_t> solidSprite(uint16_t w, uint16_t h, uint8_t index, uint8_t depth, int alpha = -1) {
    ByteBuilder s;
    for (int y = 0; y < h; ++y) {
        Spr2Word(s, 0x0000, 0);
        if (alpha < 0) {
            Spr2Word(s, 0x2000, w);
            for (int x = 0; x < w; ++x) s.U8(depth).U8(index);
        } else {
            Spr2Word(s, 0x4000, w);
            for (int x = 0; x < w; ++x) s.U8(depth).U8(index).U8(static_cast<uint8_t>(alpha));
            if (w % 2) s.U8(0);
        }
    }
    Spr2Word(s, 0xA000, 0);
    return Spr2Chunk({{.width = w, .height = h, .stream = s}}, kPalette);
}

// One column per palette index: a w x 1 sprite showing 1, 2, 3, ...
std::vector<uint8_t> rampSprite(uint16_t w) {
    ByteBuilder s;
    Spr2Word(s, 0x0000, 0);
    Spr2Word(s, 0x2000, w);
    for (int x = 0; x < w; ++x) s.U8(10).U8(static_cast<uint8_t>(x + 1));
    Spr2Word(s, 0xA000, 0);
    return Spr2Chunk({{.width = w, .height = 1, .stream = s}}, kPalette);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override { file.Put(restype::kPALT, kPalette, DistinctPaltChunk()); }
    void TearDown() override { EXPECT_EQ(file.Outstanding(), 0u); }

    // A single-tile object whose draw group 1000 shows `image` in every view.
    std::unique_ptr<Bitmap> renderSingle(const std::vector<DrawGroupEntry>& image, PreviewPart part = {},
                                         int32_t view = kNear, uint32_t background = kWhite) {
        file.Put(restype::kDGRP, 1000, DgrpAllViews(image));
        part.baseGraphicId = 1000;
        part.graphicCount = 1;
        parts = {part};
        return RenderPreviewParts(&file, parts, false, view, background);
    }

    FakeResourceFile file;
    std::vector<PreviewPart> parts;
};

void expectBlank33(const std::unique_ptr<Bitmap>& b, Rgb background = kWhiteRgb) {
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 33);
    EXPECT_EQ(b->Height(), 33);
    EXPECT_EQ(b->BitsPerPixel(), 24);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(pixel(*b, x, y), background) << x << "," << y;
}

TEST_F(PreviewTest, NothingDrawableGives33x33OfBackground) {
    expectBlank33(renderSingle({}, {}, kNear, 0x00302010), Rgb{0x10, 0x20, 0x30});
    // A missing sprite and an empty frame count as nothing.
    file.Put(restype::kSPR2, 7, Spr2Chunk({{.width = 0, .height = 4, .stream = {0, 0xA0}}}, kPalette));
    expectBlank33(renderSingle({{.spriteId = 6}, {.spriteId = 7, .xOffset = 40}}));
}

TEST_F(PreviewTest, SpriteSitsInsideA16PixelMargin) {
    file.Put(restype::kSPR2, 1, solidSprite(10, 20, 9, 0));
    auto b = renderSingle({{.spriteId = 1}});
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 42);
    EXPECT_EQ(b->Height(), 52);
    const Rgb c = paletteColour(9);
    EXPECT_EQ(pixel(*b, 16, 16), c);
    EXPECT_EQ(pixel(*b, 25, 35), c);
    EXPECT_EQ(pixel(*b, 15, 16), kWhiteRgb);
    EXPECT_EQ(pixel(*b, 26, 16), kWhiteRgb);
    EXPECT_EQ(pixel(*b, 16, 15), kWhiteRgb);
    EXPECT_EQ(pixel(*b, 16, 36), kWhiteRgb);
    // Each sprite is fetched once per pass ("SPR#" is asked first, then "SPR2").
    EXPECT_EQ(file.Fetches(restype::kSPR2), 2);
}

TEST_F(PreviewTest, MirroredEntryShowsTheRightmostColumnFirst) {
    file.Put(restype::kSPR2, 1, rampSprite(3));
    auto plain = renderSingle({{.spriteId = 1}});
    EXPECT_EQ(pixel(*plain, 16, 16), paletteColour(1));
    EXPECT_EQ(pixel(*plain, 18, 16), paletteColour(3));
    auto mirrored = renderSingle({{.spriteId = 1, .flags = 1}});
    EXPECT_EQ(pixel(*mirrored, 16, 16), paletteColour(3));
    EXPECT_EQ(pixel(*mirrored, 17, 16), paletteColour(2));
    EXPECT_EQ(pixel(*mirrored, 18, 16), paletteColour(1));
}

TEST_F(PreviewTest, OpacityScalesAlphaBeforeATruncatingBlend) {
    file.Put(restype::kSPR2, 1, solidSprite(2, 2, 100, 0));
    PreviewPart half;
    half.opacity = 128;
    auto b = renderSingle({{.spriteId = 1}}, half);
    // α 255 becomes 128: ((255 − 128) × 255 + 128 × (100, 155, 50)) / 255, truncated.
    EXPECT_EQ(pixel(*b, 16, 16), (Rgb{177, 204, 152}));

    file.Put(restype::kSPR2, 2, solidSprite(2, 2, 100, 0, 31));  // stored alpha 31 is 248
    auto c = renderSingle({{.spriteId = 2}});
    EXPECT_EQ(pixel(*c, 16, 16), (Rgb{104, 157, 55}));
    file.Put(restype::kSPR2, 3, solidSprite(2, 2, 100, 0, 0));  // fully transparent: colour kept
    auto d = renderSingle({{.spriteId = 3}});
    EXPECT_EQ(pixel(*d, 16, 16), kWhiteRgb);
}

TEST_F(PreviewTest, EqualDepthDrawnLaterWinsNearerAlwaysWins) {
    file.Put(restype::kSPR2, 1, solidSprite(2, 2, 10, 50));
    file.Put(restype::kSPR2, 2, solidSprite(2, 2, 20, 50));
    file.Put(restype::kSPR2, 3, solidSprite(2, 2, 30, 49));
    auto tie = renderSingle({{.spriteId = 1}, {.spriteId = 2}});
    EXPECT_EQ(pixel(*tie, 16, 16), paletteColour(20));
    auto nearerFirst = renderSingle({{.spriteId = 3}, {.spriteId = 1}});
    EXPECT_EQ(pixel(*nearerFirst, 16, 16), paletteColour(30));
    // A transparent pixel still claims its depth.
    file.Put(restype::kSPR2, 4, solidSprite(2, 2, 40, 10, 0));
    auto hidden = renderSingle({{.spriteId = 4}, {.spriteId = 1}});
    EXPECT_EQ(pixel(*hidden, 16, 16), kWhiteRgb);
}

// Whatever fits the bitmap caps is drawn, however far apart the sprites lie and however
// tall a frame is (a real object's box is about 1,800 x 9,300); a larger picture is
// refused, and the report says why in the words callers show.
TEST_F(PreviewTest, LargePicturesAreDrawnUpToTheCapsAndRefusalsSayWhy) {
    file.Put(restype::kSPR2, 1, solidSprite(2, 2, 9, 0));
    file.Put(restype::kSPR2, 2, solidSprite(40, 5000, 20, 0));  // taller than 4,096
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    using Outcome = PreviewReport::Outcome;
    struct Case {
        const char* what;
        std::vector<DrawGroupEntry> image;
        Outcome outcome;
        int64_t width, height;
        const char* text;
    };
    const Case cases[] = {
        {"far apart",
         {{.spriteId = 2}, {.spriteId = 1, .xOffset = 1766, .yOffset = 4268}},
         Outcome::kDrawn,
         1800,
         9300,
         ""},
        {"over the caps",
         {{.spriteId = 1}, {.spriteId = 1, .xOffset = 29226, .yOffset = -28981}},
         Outcome::kTooLarge,
         29260,
         29015,
         "picture too large: 29,260 x 29,015 pixels"},
        {"over the area cap",
         {{.spriteId = 1}, {.spriteId = 1, .xOffset = 10000, .yOffset = 10000}},
         Outcome::kTooLarge,
         10034,
         10034,
         "picture too large: 10,034 x 10,034 pixels"},
        {"int32 offsets",
         {{.spriteId = 1}, {.spriteId = 1, .xOffset = kMax}},
         Outcome::kTooLarge,
         int64_t{kMax} + 34,
         34,
         "picture too large: 2,147,483,681 x 34 pixels"},
        {"nothing", {{.spriteId = 6}}, Outcome::kNothingToDraw, 33, 33, "no sprite to draw in this view"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PreviewReport report;
        file.Put(restype::kDGRP, 1000, DgrpAllViews(c.image));
        parts = {{.baseGraphicId = 1000, .graphicCount = 1}};
        auto b = RenderPreviewParts(&file, parts, false, kNear, kWhite, &report);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.width, c.width);
        EXPECT_EQ(report.height, c.height);
        EXPECT_EQ(PreviewReportText(report), c.text);
        ASSERT_EQ(b != nullptr, c.outcome != Outcome::kTooLarge);
        if (c.outcome != Outcome::kDrawn) continue;
        ASSERT_EQ(b->Width(), c.width);
        ASSERT_EQ(b->Height(), c.height);
        EXPECT_EQ(pixel(*b, 16 + 1766, 16), paletteColour(9));        // the small sprite, bottom right
        EXPECT_EQ(pixel(*b, 16, 16 + 4268), paletteColour(20));       // the tall one's bottom row
        EXPECT_EQ(pixel(*b, 16 + 39, 16 + 9267), paletteColour(20));  // and its top row
        EXPECT_EQ(pixel(*b, 16 + 40, 16 + 9267), kWhiteRgb);
    }
}

// ---------------------------------------------------------------------------------------
// Multi-tile objects
// ---------------------------------------------------------------------------------------

// Three tiles: (0,0) shows colour 10, (1,0) colour 20, (0,1) colour 30, each a 2 x 2 sprite
// at offset (0, 0) in every view. Returns where each landed: column and bottom row.
struct Landing {
    int32_t column = -1;
    int32_t row = -1;
};

Landing find(const Bitmap& b, int index) {
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x)
            if (pixel(b, x, y) == paletteColour(index)) return {x, y};
    return {};
}

TEST_F(PreviewTest, TilesArePlacedByTheProjectionOfEveryView) {
    file.Put(restype::kSPR2, 1, solidSprite(2, 2, 10, 0));
    file.Put(restype::kSPR2, 2, solidSprite(2, 2, 20, 0));
    file.Put(restype::kSPR2, 3, solidSprite(2, 2, 30, 0));
    file.Put(restype::kDGRP, 1000, DgrpAllViews({{.spriteId = 1}}));
    file.Put(restype::kDGRP, 2000, DgrpAllViews({{.spriteId = 2}}));
    file.Put(restype::kDGRP, 3000, DgrpAllViews({{.spriteId = 3}}));

    // Screen steps per tile x and tile y at zoom 0 (far); nearer zooms double them.
    // Columns grow to the right, rows upwards.
    struct Step {
        int dxX, dyX, dxY, dyY;
    };
    const Step far[4] = {
        {16, -8, -16, -8},  // rotation 0
        {-16, -8, -16, 8},  // rotation 1
        {-16, 8, 16, 8},    // rotation 2
        {16, 8, 16, -8},    // rotation 3
    };
    for (int32_t view = 0; view < 12; ++view) {
        SCOPED_TRACE(view);
        parts = {{.baseGraphicId = 1000, .graphicCount = 1},
                 {.baseGraphicId = 2000, .graphicCount = 1, .tileX = 1},
                 {.baseGraphicId = 3000, .graphicCount = 1, .tileY = 1}};
        auto b = RenderPreviewParts(&file, parts, true, view, kWhite);
        ASSERT_TRUE(b);
        const int scale = 1 << (view >> 2);
        const Step& s = far[view & 3];
        const Landing origin = find(*b, 10);
        const Landing tx = find(*b, 20);
        const Landing ty = find(*b, 30);
        EXPECT_EQ(tx.column - origin.column, s.dxX * scale);
        EXPECT_EQ(tx.row - origin.row, s.dyX * scale);
        EXPECT_EQ(ty.column - origin.column, s.dxY * scale);
        EXPECT_EQ(ty.row - origin.row, s.dyY * scale);
        // The box holds the three sprites and the margin.
        const int spanX = std::max({0, s.dxX * scale, s.dxY * scale}) - std::min({0, s.dxX * scale, s.dxY * scale});
        const int spanY = std::max({0, s.dyX * scale, s.dyY * scale}) - std::min({0, s.dyX * scale, s.dyY * scale});
        EXPECT_EQ(b->Width(), spanX + 2 + 32);
        EXPECT_EQ(b->Height(), spanY + 2 + 32);
    }
}

}  // namespace
