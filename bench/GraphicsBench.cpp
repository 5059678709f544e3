// Sprite decoding against the floor of copying the same bytes, and object previews of a
// single-tile and a four-tile object at each zoom.
//
// The pair to read side by side: BM_DecodeObjectFrames decodes every frame of every
// sprite of a 3 MB object of painted furniture into its three planes, and
// BM_MemcpyObjectPlanes copies the same plane bytes once; their bytes_per_second give the
// decoder's distance from memory speed. BM_DecodeObjectFrames holds each sprite for all
// its frames (SpriteDecoder); BM_DecodeObjectFramesOneCallEach makes one DecodeSpritePlanes
// call per frame, which fetches the sprite and its palette each time.

#include <benchmark/benchmark.h>

#include <cstring>
#include <utility>
#include <vector>

#include "BenchResourceFile.h"
#include "demo/Furniture.h"
#include "demo/IsoPainter.h"
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

// A 3 MB object: the demo's furniture painted in every view, one "SPR2" per model, tile
// (or glow) and zoom holding the four rotations, as the game groups them; the set is
// repeated under fresh IDs until the sprite chunks reach 3 MB.
struct PaintedObject {
    static constexpr size_t kTargetBytes = size_t{3} << 20;
    BenchResourceFile file;
    struct Sprite {
        ResId id;
        int32_t frames;
    };
    std::vector<Sprite> sprites;
    size_t chunkBytes = 0;

    PaintedObject() {
        using namespace tambrix::tools;
        const std::vector<Model> models = {DiningChairModel(), FloorLampModel(), GlassTableModel(),
                                           SofaModel(),        FernModel(),      RubberPlantModel(),
                                           BookcaseModel(),    ArmchairModel(),  CrateModel(1)};
        std::vector<std::pair<ResId, std::vector<uint8_t>>> chunks;
        for (size_t m = 0; m < models.size(); ++m) {
            const Model& model = models[m];
            const auto paletteId = static_cast<ResId>(10 + m);
            file.Put(restype::kPALT, paletteId, EncodePalette(PaletteEntries(ModelRamps(model).Palette())));
            const int parts = model.tilesX * model.tilesY + (model.hasGlow ? 1 : 0);
            for (int zoom = 0; zoom < kViewZooms; ++zoom) {
                std::vector<std::vector<SpriteImage>> frames(static_cast<size_t>(parts));
                for (int rotation = 0; rotation < kViewRotations; ++rotation) {
                    std::vector<SpriteImage> views = PaintView(model, rotation, zoom, kFineQuality);
                    if (model.hasGlow) views.push_back(PaintGlow(model, rotation, zoom));
                    for (int t = 0; t < parts; ++t) frames[t].push_back(std::move(views[t]));
                }
                for (const auto& f : frames) chunks.emplace_back(paletteId, EncodeSpr2(f, paletteId));
            }
        }
        for (ResId id = 1000; chunkBytes < kTargetBytes; ++id) {
            const auto& chunk = chunks[(id - 1000) % chunks.size()].second;
            file.Put(restype::kSPR2, id, chunk);
            sprites.push_back({id, static_cast<int32_t>(CountSpriteFrames(file, id))});
            chunkBytes += chunk.size();
        }
    }
};

PaintedObject& paintedObject() {
    static PaintedObject object;
    return object;
}

struct DecodedPlanes {
    std::unique_ptr<platform::Bitmap> colour, depth, alpha;
    SpriteSize size;
    Palette palette;

    SpritePlaneSlots Slots() {
        return {.size = &size, .palette = &palette, .colourPlane = &colour, .depthPlane = &depth, .alphaPlane = &alpha};
    }
};

int64_t planeBytes(const DecodedPlanes& planes) {
    int64_t n = 0;
    for (const auto* plane : {&planes.colour, &planes.depth, &planes.alpha})
        if (*plane) n += (*plane)->ImageSize();
    return n;
}

// Decodes every frame of every sprite of the object through `decode(sprite, frame,
// planes)`, where `sprite` is made once per sprite by `hold(id)`.
template <typename Hold, typename Decode>
void decodeEveryFrame(benchmark::State& state, Hold hold, Decode decode) {
    PaintedObject& object = paintedObject();
    int64_t frames = 0;
    int64_t bytes = 0;
    for (auto _ : state) {
        for (const auto& sprite : object.sprites) {
            auto held = hold(object.file, sprite.id);
            for (int32_t f = 0; f < sprite.frames; ++f) {
                DecodedPlanes planes;
                decode(held, f, planes);
                bytes += planeBytes(planes);
                benchmark::DoNotOptimize(planes.colour.get());
                ++frames;
            }
        }
    }
    state.SetItemsProcessed(frames);
    state.SetBytesProcessed(bytes);
    state.counters["chunk_bytes"] = static_cast<double>(object.chunkBytes);
}

// Every frame of every sprite as the renderer asks for it (size, palette and three
// planes), each sprite fetched once for all its frames.
void BM_DecodeObjectFrames(benchmark::State& state) {
    decodeEveryFrame(
        state, [](ResourceFile& file, int32_t id) { return SpriteDecoder(file, id); },
        [](auto& decoder, int32_t f, DecodedPlanes& planes) { decoder.Decode(f, 0xFFFFFF, planes.Slots()); });
}
BENCHMARK(BM_DecodeObjectFrames)->Unit(benchmark::kMillisecond);

// The same through one DecodeSpritePlanes call per frame, which fetches the sprite and
// its palette anew each time.
void BM_DecodeObjectFramesOneCallEach(benchmark::State& state) {
    decodeEveryFrame(
        state, [](ResourceFile& file, int32_t id) { return std::pair<ResourceFile*, int32_t>(&file, id); },
        [](auto& sprite, int32_t f, DecodedPlanes& planes) {
            DecodeSpritePlanes(*sprite.first, sprite.second, f, 0xFFFFFF, planes.Slots());
        });
}
BENCHMARK(BM_DecodeObjectFramesOneCallEach)->Unit(benchmark::kMillisecond);

// The floor of the pair: the decoded plane bytes of the same frames, copied once.
void BM_MemcpyObjectPlanes(benchmark::State& state) {
    PaintedObject& object = paintedObject();
    std::vector<const platform::Bitmap*> sources;
    std::vector<DecodedPlanes> held;
    for (const auto& sprite : object.sprites) {
        for (int32_t f = 0; f < sprite.frames; ++f) {
            DecodeSpritePlanes(object.file, sprite.id, f, 0xFFFFFF, held.emplace_back().Slots());
            for (const auto* plane : {&held.back().colour, &held.back().depth, &held.back().alpha})
                if (*plane) sources.push_back(plane->get());
        }
    }
    size_t total = 0;
    for (const auto* plane : sources) total += plane->ImageSize();
    std::vector<uint8_t> target(total);
    for (auto _ : state) {
        uint8_t* to = target.data();
        for (const auto* plane : sources) {
            std::memcpy(to, plane->Bits(), plane->ImageSize());
            to += plane->ImageSize();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(held.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(total));
}
BENCHMARK(BM_MemcpyObjectPlanes)->Unit(benchmark::kMillisecond);

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
