// Sprite decoding against the floor of copying the same bytes, and object previews of a
// single-tile and a four-tile object at each zoom.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchResourceFile.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"

using namespace tambrix;
using tambrix::bench::BenchResourceFile;

namespace {

constexpr ResId kPalette = 3;

// Entry i is (i, 255 - i, i / 2): every index its own colour.
std::vector<uint8_t> distinctPalette() {
    std::vector<PaletteEntry> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2), 0});
    return EncodePalette(colours);
}

// A w x h "SPR2" frame shaped like an object sprite: each row a transparent margin, a
// run of translucent pixels (depth, colour and alpha), then opaque ones (depth and colour).
std::vector<uint8_t> objectSprite(uint16_t w, uint16_t h) {
    SpriteImage image(w, h);
    const int margin = w / 8;
    const int translucent = w / 4;
    for (int y = 0; y < h; ++y) {
        for (int x = margin; x < w - margin; ++x) {
            const size_t i = image.Index(x, y);
            image.color[i] = static_cast<uint8_t>(x + 7);
            image.depth[i] = static_cast<uint8_t>(y % 250);
            image.alpha[i] = x < margin + translucent ? 200 : 255;
        }
    }
    return EncodeSpr2({image}, kPalette);
}

constexpr uint16_t kSpriteW = 136;
constexpr uint16_t kSpriteH = 384;

void BM_DecodeSpritePlanes(benchmark::State& state) {
    BenchResourceFile file;
    file.Put(restype::kPALT, kPalette, distinctPalette());
    file.Put(restype::kSPR2, 1, objectSprite(kSpriteW, kSpriteH));
    for (auto _ : state) {
        Palette palette;
        std::unique_ptr<platform::Bitmap> c, d, a;
        benchmark::DoNotOptimize(DecodeSpritePlanes(
            file, 1, 0, 0xFFFFFF, {.palette = &palette, .colourPlane = &c, .depthPlane = &d, .alphaPlane = &a}));
    }
    state.SetItemsProcessed(state.iterations() * kSpriteW * kSpriteH);
}
BENCHMARK(BM_DecodeSpritePlanes);

void BM_DrawSprite(benchmark::State& state) {
    BenchResourceFile file;
    file.Put(restype::kPALT, kPalette, distinctPalette());
    file.Put(restype::kSPR2, 1, objectSprite(kSpriteW, kSpriteH));
    for (auto _ : state) benchmark::DoNotOptimize(DrawSprite(file, 1, 0, 0xFFFFFF, kSpriteViewColour));
    state.SetItemsProcessed(state.iterations() * kSpriteW * kSpriteH);
}
BENCHMARK(BM_DrawSprite);

// The floor: copying the sprite's bytes once, counted in the same pixels.
void BM_MemcpySpriteBytes(benchmark::State& state) {
    const std::vector<uint8_t> chunk = objectSprite(kSpriteW, kSpriteH);
    std::vector<uint8_t> target(chunk.size());
    for (auto _ : state) {
        std::memcpy(target.data(), chunk.data(), chunk.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSpriteW * kSpriteH);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(chunk.size()));
}
BENCHMARK(BM_MemcpySpriteBytes);

// An object definition with the fields the renderer reads.
std::vector<uint8_t> objd(int16_t baseGraphic, int16_t masterId, int16_t subIndex) {
    return EncodeObjectDefinition({.baseGraphic = baseGraphic, .masterId = masterId, .subIndex = subIndex});
}

// An object of tilesPerSide² tiles loaded through an object set; each tile's draw group
// shows, per view, a body sprite and a smaller detail sprite sized for the view's zoom.
struct ObjectFixture {
    ObjectSet set;

    explicit ObjectFixture(int tilesPerSide) {
        auto owned = std::make_unique<BenchResourceFile>();
        BenchResourceFile& file = *owned;
        file.Put(restype::kPALT, kPalette, distinctPalette());
        for (int zoom = 0; zoom < 3; ++zoom) {
            const int scale = 1 << zoom;
            file.Put(restype::kSPR2, static_cast<ResId>(100 + zoom), objectSprite(34 * scale, 96 * scale));
            file.Put(restype::kSPR2, static_cast<ResId>(200 + zoom), objectSprite(16 * scale, 24 * scale));
        }
        DrawGroupImages images;
        for (int view = 0; view < kViewCount; ++view) {
            const int zoom = view / kViewRotations;
            images.push_back(
                {{.spriteId = 100 + zoom, .xOffset = -17 << zoom, .yOffset = -80 << zoom},
                 {.spriteId = 200 + zoom, .xOffset = -4 << zoom, .yOffset = -60 << zoom, .zOffset = 0.25f}});
        }
        file.Put(restype::kDGRP, 1000, EncodeDrawGroup(images));
        if (tilesPerSide == 1) {
            file.Put(restype::kOBJD, 1, objd(1000, 0, 0));
        } else {
            file.Put(restype::kOBJD, 1, objd(1000, 7, -1));
            ResId id = 2;
            for (int x = 0; x < tilesPerSide; ++x)
                for (int y = 0; y < tilesPerSide; ++y)
                    file.Put(restype::kOBJD, id++, objd(1000, 7, static_cast<int16_t>(x << 8 | y)));
        }
        set.SetResourceSet(std::move(owned));
        set.Load(1);
    }
};

void renderBench(benchmark::State& state, int tilesPerSide) {
    ObjectFixture object(tilesPerSide);
    ObjectRecord& record = *object.set.Objects().front();
    const int32_t view = static_cast<int32_t>(state.range(0)) * 4 + 2;  // rotation 2 at each zoom
    for (auto _ : state) benchmark::DoNotOptimize(RenderObjectPreview(record, view, 0xFFFFFF));
}

void BM_RenderSingleTile(benchmark::State& state) { renderBench(state, 1); }
void BM_RenderFourTiles(benchmark::State& state) { renderBench(state, 2); }
BENCHMARK(BM_RenderSingleTile)->ArgName("zoom")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderFourTiles)->ArgName("zoom")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
