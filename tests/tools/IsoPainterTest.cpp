#include "IsoPainter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ColourQuantizer.h"
#include "Furniture.h"

namespace tambrix::tools {
namespace {

// A low bench across two tiles and a post on the second: small enough to paint fast.
Model Bench() {
    Model m;
    m.tilesX = 2;
    const int wood = m.AddMaterial(Material{{150, 100, 60}, 0.2f, 1.0f, 0.0f});
    m.AddBox({0.2f, 0.3f, 0.0f}, {1.8f, 0.7f, 0.3f}, wood);
    m.AddCylinder({1.5f, 0.5f, 0.3f}, 0.9f, 0.08f, 0.08f, wood);
    return m;
}

// Screen offset of tile (tx, ty) as the renderer places tile parts: per rotation the
// screen x and y steps of one tile along x and along y, at near zoom.
struct Steps {
    int xx, xy, yx, yy;
};
constexpr Steps kSteps[4] = {{64, -64, 32, 32}, {-64, -64, 32, -32}, {-64, 64, -32, -32}, {64, 64, -32, 32}};

TEST(IsoPainter, TilesPlacedAsTheRendererPlacesThemRebuildTheWholeView) {
    const Model model = Bench();
    for (int zoom = 0; zoom < 3; ++zoom) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE("zoom " + std::to_string(zoom) + " rotation " + std::to_string(rotation));
            const WholeView view = PaintWholeView(model, rotation, zoom, kDraftQuality);
            const std::vector<RgbaFrame> tiles = CutTiles(model, view, rotation, zoom);
            ASSERT_EQ(tiles.size(), 2u);
            std::vector<int> covered(view.rgb.size(), -1);
            const int s = ZoomShift(zoom);
            for (int t = 0; t < 2; ++t) {
                const RgbaFrame& f = tiles[t];
                ASSERT_FALSE(f.Empty());
                const int tx = t, ty = 0;
                const int sx = (tx * kSteps[rotation].xx + ty * kSteps[rotation].xy) >> s;
                const int sy = (tx * kSteps[rotation].yx + ty * kSteps[rotation].yy) >> s;
                const int left = f.x + sx - view.x0;
                const int top = f.y + sy - f.height - view.y0;  // y is the bottom edge
                for (int y = 0; y < f.height; ++y) {
                    for (int x = 0; x < f.width; ++x) {
                        const size_t src = static_cast<size_t>(y) * f.width + x;
                        if (f.alpha[src] == 0) continue;
                        const int vx = left + x, vy = top + y;
                        ASSERT_TRUE(vx >= 0 && vy >= 0 && vx < view.width && vy < view.height);
                        const size_t dst = static_cast<size_t>(vy) * view.width + vx;
                        EXPECT_EQ(covered[dst], -1) << "two tiles on one pixel";
                        covered[dst] = t;
                        EXPECT_EQ(f.alpha[src], view.alpha[dst]);
                        EXPECT_EQ(f.rgb[src], view.rgb[dst]);
                    }
                }
            }
            for (size_t i = 0; i < covered.size(); ++i) EXPECT_EQ(covered[i], view.owner[i]) << i;
        }
    }
}

TEST(IsoPainter, DepthOfOneTileStaysBelowTheStepBetweenTiles) {
    // The renderer adds 347 (shifted by the zoom) per tile nearer the viewer; a tile's
    // own depth bytes must span less, or a farther tile could cover a nearer one.
    const Model model = Bench();
    for (int zoom = 0; zoom < 3; ++zoom) {
        const WholeView view = PaintWholeView(model, 0, zoom, kDraftQuality);
        uint8_t deepest = 0;
        for (size_t i = 0; i < view.alpha.size(); ++i)
            if (view.alpha[i]) deepest = std::max(deepest, view.depth[i]);
        EXPECT_LT(deepest, 347 >> ZoomShift(zoom)) << zoom;
        EXPECT_LT(deepest, 255) << zoom;  // 255 means "no pixel"
    }
}

TEST(IsoPainter, NearerSurfacesHaveSmallerDepth) {
    // A post standing in front of a wall, seen in rotation 0 (the viewer looks towards
    // low x and low y): along the column through the post, the post is nearer.
    Model m;
    const int grey = m.AddMaterial(Material{{200, 200, 200}, 0.0f, 1.0f, 0.0f});
    const int blue = m.AddMaterial(Material{{30, 50, 230}, 0.0f, 1.0f, 0.0f});
    m.AddBox({0.05f, 0.05f, 0.0f}, {0.95f, 0.15f, 1.0f}, grey);     // wall at low y
    m.AddCylinder({0.6f, 0.7f, 0.0f}, 1.0f, 0.06f, 0.06f, blue);    // post in front
    const WholeView post = PaintWholeView(m, 0, 2, kDraftQuality);
    Model wallOnly = m;
    wallOnly.shapes.pop_back();
    const WholeView wall = PaintWholeView(wallOnly, 0, 2, kDraftQuality);
    ASSERT_EQ(post.width, wall.width);
    int compared = 0;
    for (size_t i = 0; i < post.alpha.size(); ++i) {
        const bool postPixel = post.rgb[i].b > post.rgb[i].r + 40;
        if (post.alpha[i] == 255 && wall.alpha[i] == 255 && postPixel) {
            EXPECT_LT(post.depth[i], wall.depth[i]);
            ++compared;
        }
    }
    EXPECT_GT(compared, 20);
}

TEST(IsoPainter, GlassIsSeenThroughUnlessSomethingSolidLiesBehind) {
    Model m;
    const int glass = m.AddMaterial(Material{{160, 210, 230}, 0.0f, 0.3f, 0.0f});
    const int solid = m.AddMaterial(Material{{200, 40, 40}, 0.0f, 1.0f, 0.0f});
    m.AddBox({0.1f, 0.1f, 0.4f}, {0.9f, 0.9f, 0.45f}, glass);
    m.AddBox({0.4f, 0.4f, 0.0f}, {0.6f, 0.6f, 0.2f}, solid);
    m.shadowStrength = 0.0f;
    const WholeView view = PaintWholeView(m, 2, 2, kDraftQuality);
    int translucent = 0, opaqueRed = 0;
    for (size_t i = 0; i < view.alpha.size(); ++i) {
        if (view.alpha[i] > 0 && view.alpha[i] < 200) ++translucent;
        if (view.alpha[i] == 255 && view.rgb[i].r > view.rgb[i].b) ++opaqueRed;
    }
    EXPECT_GT(translucent, 1000);  // the glass top over empty floor
    EXPECT_GT(opaqueRed, 50);      // the red block, tinted, under the glass
}

TEST(IsoPainter, PaintingIsRepeatable) {
    const Model model = FloorLampModel();
    const std::vector<RgbaFrame> a = PaintView(model, 1, 0, kDraftQuality);
    const std::vector<RgbaFrame> b = PaintView(model, 1, 0, kDraftQuality);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a[0].rgb, b[0].rgb);
    EXPECT_EQ(a[0].alpha, b[0].alpha);
    EXPECT_EQ(a[0].depth, b[0].depth);
    const RgbaFrame glow = PaintGlow(model, 1, 0);
    EXPECT_FALSE(glow.Empty());
    // Brightest at the core, fading to nothing at the rim, in front of everything.
    const size_t centre = static_cast<size_t>(glow.height / 2) * glow.width + glow.width / 2;
    EXPECT_GT(glow.alpha[centre], 100);
    EXPECT_EQ(glow.alpha[0], 0);
    EXPECT_EQ(glow.depth[0], 255);
    EXPECT_EQ(glow.depth[centre], 0);
}

TEST(IsoPainter, ZoomsHalveTheSize) {
    const Model model = DiningChairModel();
    const RgbaFrame near = PaintView(model, 0, 2, kDraftQuality)[0];
    const RgbaFrame medium = PaintView(model, 0, 1, kDraftQuality)[0];
    EXPECT_NEAR(medium.width * 2, near.width, 3);
    EXPECT_NEAR(medium.height * 2, near.height, 3);
}

TEST(ColourQuantizerTest, FewColoursMapToThemselves) {
    ColourQuantizer q;
    const std::vector<Rgb> colours = {{255, 0, 0}, {0, 128, 0}, {0, 0, 200}, {16, 16, 16}};
    q.Add(colours, {255, 255, 255, 255});
    q.Add({{1, 2, 3}}, {0});  // weight 0: not counted
    const std::vector<Rgb> palette = q.BuildPalette();
    ASSERT_EQ(palette.size(), static_cast<size_t>(kPaletteSize));
    for (const Rgb& c : colours) EXPECT_EQ(palette[q.Index(c)], c);
}

TEST(ColourQuantizerTest, ManyColoursStayClose) {
    ColourQuantizer q;
    std::vector<Rgb> ramp;
    for (int i = 0; i < 4096; ++i)
        ramp.push_back(Rgb{static_cast<uint8_t>(i & 255), static_cast<uint8_t>((i * 7) & 255), static_cast<uint8_t>(i >> 4)});
    q.Add(ramp, std::vector<uint8_t>(ramp.size(), 255));
    const std::vector<Rgb> palette = q.BuildPalette();
    for (const Rgb& c : ramp) {
        const Rgb p = palette[q.Index(c)];
        EXPECT_LE(std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b), 96);
    }
}

}  // namespace
}  // namespace tambrix::tools
