#include <gtest/gtest.h>

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
const Rgb kW{255, 255, 255};
Rgb colour(int i) { return {i, 255 - i, i / 2}; }

Rgb pixel(const Bitmap& b, int32_t column, int32_t rowFromBottom) {
    const uint8_t* p = b.Row(rowFromBottom) + 3 * column;
    return {p[2], p[1], p[0]};
}

// A w x h "SPR2" frame: pixel x shows index + x * step at `depth`, opaque (two-byte
// pixels) or with `alpha` (0-31, three-byte pixels) when given.
Bytes sprite(uint16_t w, uint16_t h, uint8_t index, uint8_t depth, int alpha = -1, int step = 0) {
    ByteBuilder s;
    for (int y = 0; y < h; ++y) {
        Spr2Word(s, 0x0000, 0);
        Spr2Word(s, alpha < 0 ? 0x2000 : 0x4000, w);
        for (int x = 0; x < w; ++x) {
            s.U8(depth).U8(static_cast<uint8_t>(index + x * step));
            if (alpha >= 0) s.U8(static_cast<uint8_t>(alpha));
        }
        if (alpha >= 0 && w % 2) s.U8(0);
    }
    Spr2Word(s, 0xA000, 0);
    return Spr2Chunk({{.width = w, .height = h, .stream = s}}, kPalette);
}

// A 1 x h "SPR#" sprite of colour 9.
Bytes sprColumn(int16_t h) {
    ByteBuilder s;
    for (int y = 0; y < h; ++y) s.Append({4, 0, 2, 1, 9, 0});
    return SprChunk({{.width = 1, .height = h, .stream = s.Append({5, 0})}}, kPalette);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.Put(restype::kPALT, kPalette, DistinctPaltChunk());
        file.Put(restype::kSPR2, 1, sprite(10, 20, 9, 0));
        file.Put(restype::kSPR2, 2, sprite(3, 1, 1, 10, -1, 1));  // indices 1, 2, 3
        file.Put(restype::kSPR2, 3, sprite(2, 2, 100, 0));
        file.Put(restype::kSPR2, 4, sprite(2, 2, 100, 0, 31));  // stored alpha 31 is 248
        file.Put(restype::kSPR2, 5, sprite(2, 2, 100, 0, 0));   // fully transparent
        file.Put(restype::kSPR2, 6, sprite(2, 2, 10, 50));
        file.Put(restype::kSPR2, 7, sprite(2, 2, 20, 50));
        file.Put(restype::kSPR2, 8, sprite(2, 2, 30, 49));
        file.Put(restype::kSPR2, 9, sprite(2, 2, 40, 10, 0));
        file.Put(restype::kSPR2, 10, Spr2Chunk({{.width = 0, .height = 4, .stream = {0, 0xA0}}}, kPalette));
        file.Put(restype::kSPR2, 11, sprite(40, 5000, 20, 0));  // taller than 4,096
        file.Put(restype::kSPR2, 13, sprite(1, 6, 9, 0));       // one pixel wide
        file.Put(restype::kSPR2, 14, sprite(1, 2, 9, 0));
        file.Put(restype::kSPR, 15, sprColumn(1));
        file.Put(restype::kSPR, 16, sprColumn(3));
        // Nine wide: a group of eight pixels drawn together, and one more.
        file.Put(restype::kSPR2, 17, sprite(9, 1, 100, 0, 31));
        file.Put(restype::kSPR2, 18, sprite(9, 1, 1, 10, -1, 1));  // indices 1 to 9
        file.Put(restype::kSPR2, 19, sprite(9, 1, 20, 50));
    }
    void TearDown() override { EXPECT_EQ(file.Outstanding(), 0u); }

    // A single-tile object whose draw group 1000 shows `image` in every view.
    std::unique_ptr<Bitmap> render(const std::vector<DrawGroupEntry>& image, int32_t opacity = 255,
                                   uint32_t background = kWhite, PreviewReport* report = nullptr) {
        file.Put(restype::kDGRP, 1000, DgrpAllViews(image));
        parts = {{.baseGraphicId = 1000, .graphicCount = 1, .opacity = opacity}};
        return RenderPreviewParts(&file, parts, false, kNear, background, report);
    }

    FakeResourceFile file;
    std::vector<PreviewPart> parts;
};

// Placement inside the 16-pixel margin, mirroring, opacity and alpha blending (truncated),
// and depth: equal depth drawn later wins, nearer always wins, a transparent pixel still
// claims its depth. Nothing drawable gives 33 x 33 of background.
TEST_F(PreviewTest, PlacementBlendAndDepth) {
    struct Case {
        const char* what;
        std::vector<DrawGroupEntry> image;
        int32_t opacity;
        int32_t width, height;
        std::vector<std::tuple<int, int, Rgb>> pixels;  // column, row from the bottom, colour
    };
    const Case cases[] = {
        {"margin", {{.spriteId = 1}}, 255, 42, 52,
         {{16, 16, colour(9)}, {25, 35, colour(9)}, {15, 16, kW}, {26, 16, kW}, {16, 15, kW}, {16, 36, kW}}},
        {"plain", {{.spriteId = 2}}, 255, 35, 33, {{16, 16, colour(1)}, {18, 16, colour(3)}}},
        {"mirrored", {{.spriteId = 2, .flags = 1}}, 255, 35, 33,
         {{16, 16, colour(3)}, {17, 16, colour(2)}, {18, 16, colour(1)}}},
        // α 255 becomes 128: ((255 − 128) × 255 + 128 × (100, 155, 50)) / 255, truncated.
        {"opacity", {{.spriteId = 3}}, 128, 34, 34, {{16, 16, Rgb{177, 204, 152}}}},
        {"alpha 248", {{.spriteId = 4}}, 255, 34, 34, {{16, 16, Rgb{104, 157, 55}}}},
        {"alpha 0", {{.spriteId = 5}}, 255, 34, 34, {{16, 16, kW}}},
        {"equal depth", {{.spriteId = 6}, {.spriteId = 7}}, 255, 34, 34, {{16, 16, colour(20)}}},
        {"nearer first", {{.spriteId = 8}, {.spriteId = 6}}, 255, 34, 34, {{16, 16, colour(30)}}},
        {"transparent nearer", {{.spriteId = 9}, {.spriteId = 6}}, 255, 34, 34, {{16, 16, kW}}},
        {"alpha 248, nine wide", {{.spriteId = 17}}, 255, 41, 33,
         {{16, 16, Rgb{104, 157, 55}}, {23, 16, Rgb{104, 157, 55}}, {24, 16, Rgb{104, 157, 55}}}},
        {"mirrored, nine wide", {{.spriteId = 18, .flags = 1}}, 255, 41, 33,
         {{16, 16, colour(9)}, {23, 16, colour(2)}, {24, 16, colour(1)}}},
        {"nearer first, nine wide", {{.spriteId = 8}, {.spriteId = 19}}, 255, 41, 34,
         {{17, 16, colour(30)}, {18, 16, colour(20)}, {24, 16, colour(20)}}},
        {"1 wide", {{.spriteId = 13}}, 255, 33, 38, {{16, 16, colour(9)}, {16, 21, colour(9)}, {15, 16, kW}}},
        {"1 wide mirrored", {{.spriteId = 13, .flags = 1}}, 255, 33, 38, {{16, 16, colour(9)}, {16, 21, colour(9)}}},
        {"1 x 2", {{.spriteId = 14}}, 255, 33, 34, {{16, 16, colour(9)}, {16, 17, colour(9)}, {15, 17, kW}}},
        {"SPR# 1 x 1", {{.spriteId = 15}}, 255, 33, 33, {{16, 16, colour(9)}, {15, 16, kW}}},
        {"SPR# 1 x 3 mirrored", {{.spriteId = 16, .flags = 1}}, 255, 33, 35,
         {{16, 16, colour(9)}, {16, 18, colour(9)}}},
        {"missing and empty", {{.spriteId = 12}, {.spriteId = 10, .xOffset = 40}}, 255, 33, 33, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto b = render(c.image, c.opacity);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->BitsPerPixel(), 24);
        EXPECT_EQ(b->Width(), c.width);
        EXPECT_EQ(b->Height(), c.height);
        for (auto [x, y, rgb] : c.pixels) EXPECT_EQ(pixel(*b, x, y), rgb) << x << "," << y;
    }
    auto blank = render({}, 255, 0x00302010);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(pixel(*blank, x, y), (Rgb{0x10, 0x20, 0x30})) << x << "," << y;
    // The one dynamic sprite (base 2, count 1) is left out: sprite 3 alone sizes the picture.
    file.Put(restype::kDGRP, 1000, DgrpAllViews({{.spriteId = 2}, {.spriteId = 3}}));
    parts = {{.baseGraphicId = 1000, .graphicCount = 1, .dynamicSpriteBaseId = 2, .dynamicSpriteCount = 1}};
    EXPECT_EQ(RenderPreviewParts(&file, parts, false, kNear, kWhite, nullptr)->Width(), 34);
    // A draw group with fewer images than views has nothing for this view.
    file.Put(restype::kDGRP, 1000, EncodeDrawGroup(DrawGroupImages(1, {{.spriteId = 3}})));
    PreviewReport report;
    RenderPreviewParts(&file, parts, false, kNear, kWhite, &report);
    EXPECT_EQ(report.outcome, PreviewReport::Outcome::kNothingToDraw);
}

// Whatever fits the bitmap caps is drawn, however far apart the sprites lie and however
// tall a frame is (a real object's box is about 1,800 x 9,300); a larger picture is
// refused, and the report says why in the words callers show.
TEST_F(PreviewTest, LargePicturesAreDrawnUpToTheCapsAndRefusalsSayWhy) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    using Outcome = PreviewReport::Outcome;
    struct Case {
        std::vector<DrawGroupEntry> image;
        Outcome outcome;
        int64_t width, height;
        const char* text;
    };
    const Case cases[] = {
        {{{.spriteId = 11}, {.spriteId = 3, .xOffset = 1766, .yOffset = 4268}}, Outcome::kDrawn, 1800, 9300, ""},
        {{{.spriteId = 3}, {.spriteId = 3, .xOffset = 29226, .yOffset = -28981}}, Outcome::kTooLarge, 29260, 29015,
         "picture too large: 29,260 x 29,015 pixels"},
        // the sides fit, but 24-bit rows come to over 64 MiB
        {{{.spriteId = 3}, {.spriteId = 3, .xOffset = 4702, .yOffset = -4702}}, Outcome::kTooLarge, 4736, 4736,
         "picture too large: 4,736 x 4,736 pixels"},
        {{{.spriteId = 3}, {.spriteId = 3, .xOffset = kMax}}, Outcome::kTooLarge, int64_t{kMax} + 34, 34,
         "picture too large: 2,147,483,681 x 34 pixels"},
        {{{.spriteId = 12}}, Outcome::kNothingToDraw, 33, 33, "no sprite to draw in this view"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PreviewReport report;
        auto b = render(c.image, 255, kWhite, &report);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.width, c.width);
        EXPECT_EQ(report.height, c.height);
        EXPECT_EQ(PreviewReportText(report), c.text);
        ASSERT_EQ(b != nullptr, c.outcome != Outcome::kTooLarge);
        if (c.outcome != Outcome::kDrawn) continue;
        ASSERT_EQ(b->Width(), c.width);
        ASSERT_EQ(b->Height(), c.height);
        EXPECT_EQ(pixel(*b, 16 + 1766, 16), colour(100));      // the small sprite, bottom right
        EXPECT_EQ(pixel(*b, 16, 16 + 4268), colour(20));       // the tall one's bottom row
        EXPECT_EQ(pixel(*b, 16 + 39, 16 + 9267), colour(20));  // and its top row
        EXPECT_EQ(pixel(*b, 16 + 40, 16 + 9267), kW);
    }
}

// Three tiles, (0,0) colour 10, (1,0) colour 20, (0,1) colour 30, land by the projection of
// each view: screen steps per tile x and tile y at zoom 0, doubled per nearer zoom.
TEST_F(PreviewTest, TilesArePlacedByTheProjectionOfEveryView) {
    for (int id : {1, 2, 3}) file.Put(restype::kDGRP, 1000 * id, DgrpAllViews({{.spriteId = int16_t(id + 5)}}));
    file.Put(restype::kSPR2, 8, sprite(2, 2, 30, 0));
    const int far[4][4] = {{16, -8, -16, -8}, {-16, -8, -16, 8}, {-16, 8, 16, 8}, {16, 8, 16, -8}};
    auto find = [](const Bitmap& b, int index) {
        for (int32_t y = 0; y < b.Height(); ++y)
            for (int32_t x = 0; x < b.Width(); ++x)
                if (pixel(b, x, y) == colour(index)) return std::pair{x, y};
        return std::pair{-1, -1};
    };
    for (int32_t view = 0; view < 12; ++view) {
        SCOPED_TRACE(view);
        parts = {{.baseGraphicId = 1000, .graphicCount = 1},
                 {.baseGraphicId = 2000, .graphicCount = 1, .tileX = 1},
                 {.baseGraphicId = 3000, .graphicCount = 1, .tileY = 1}};
        auto b = RenderPreviewParts(&file, parts, true, view, kWhite);
        ASSERT_TRUE(b);
        const int k = 1 << (view >> 2), dxX = far[view & 3][0] * k, dyX = far[view & 3][1] * k,
                  dxY = far[view & 3][2] * k, dyY = far[view & 3][3] * k;
        const auto [ox, oy] = find(*b, 10);
        EXPECT_EQ(find(*b, 20), (std::pair{ox + dxX, oy + dyX}));
        EXPECT_EQ(find(*b, 30), (std::pair{ox + dxY, oy + dyY}));
        // The box holds the three sprites and the margin.
        EXPECT_EQ(b->Width(), std::max({0, dxX, dxY}) - std::min({0, dxX, dxY}) + 2 + 32);
        EXPECT_EQ(b->Height(), std::max({0, dyX, dyY}) - std::min({0, dyX, dyY}) + 2 + 32);
    }
}

}  // namespace
