// Drawing what a container of any generation holds: palettes, draw groups, every frame
// of its sprites ("SPR#" and "SPR2") in each view mode and as separate planes, and the
// preview of each object in one view per zoom.

#include <algorithm>

#include "FuzzSupport.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "graphics/BitmapExport.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "resfile/ResourceFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

constexpr size_t kMaxSprites = 8;
constexpr int32_t kMaxFrames = 3;
constexpr size_t kMaxObjects = 4;
constexpr int16_t kMaxBodies = 16;
constexpr int32_t kOneViewPerZoom[] = {0, 5, 10};

void DecodeBodies(ResourceFile& file) {
    const int16_t palettes = std::min(file.CountResources(restype::kPALT), kMaxBodies);
    for (int16_t i = 1; i <= palettes; ++i) {
        if (DataBlock* block = file.GetIndResource(restype::kPALT, i, nullptr)) {
            Palette palette;
            palette.LoadFromChunk(block);
            palette.NearestIndex(200, 100, 50);
        }
    }
    const int16_t groups = std::min(file.CountResources(restype::kDGRP), kMaxBodies);
    for (int16_t i = 1; i <= groups; ++i) {
        if (DataBlock* block = file.GetIndResource(restype::kDGRP, i, nullptr)) {
            DrawGroup group = ReadDrawGroup(block->data, block->size);
            for (const auto& image : group.images)
                if (image.entries.size() > block->size)
                    Fail("a draw group of %u bytes gave %zu entries", block->size, image.entries.size());
        }
    }
}

// What one plane decode gave, to hold the road through a held sprite against the road
// through one call.
struct Decoded {
    uint32_t flags = 0;
    bool badToken = false;
    uint32_t fill = kNoFillIndex;
    SpritePosition position;
    SpriteSize size;
    Palette palette;
    int32_t paletteId = 0;
    std::unique_ptr<platform::Bitmap> colour, depth, alpha;

    SpritePlaneSlots Slots() { return {&fill, &position, &size, &palette, &paletteId, &colour, &depth, &alpha}; }
};

bool samePlane(const platform::Bitmap* a, const platform::Bitmap* b) {
    if (!a || !b) return a == b;
    return a->Width() == b->Width() && a->Height() == b->Height() && a->ColourTable() == b->ColourTable() &&
           std::equal(a->Bits(), a->Bits() + a->ImageSize(), b->Bits(), b->Bits() + b->ImageSize());
}

bool same(const Decoded& a, const Decoded& b) {
    return a.flags == b.flags && a.badToken == b.badToken && a.fill == b.fill && a.position.first == b.position.first &&
           a.position.second == b.position.second && a.size.width == b.size.width && a.size.height == b.size.height &&
           a.paletteId == b.paletteId && a.palette.Entries() == b.palette.Entries() &&
           samePlane(a.colour.get(), b.colour.get()) && samePlane(a.depth.get(), b.depth.get()) &&
           samePlane(a.alpha.get(), b.alpha.get());
}

template <class Decode>
void decodeInto(Decoded& out, Decode decode) {
    try {
        out.flags = decode(out.Slots());
    } catch (const SpriteDecodeError&) {
        out.badToken = true;  // a bad command in the pixel stream: reported, nothing held
    }
}

void DrawFrames(ResourceFile& file, int32_t spriteId) {
    const int32_t frames = static_cast<int32_t>(CountSpriteFrames(file, spriteId));
    SpriteDecoder held(file, spriteId);
    for (int32_t frame : {-1, 0, 1, 2, frames}) {
        if (frame > 0 && frame >= kMaxFrames && frame != frames) continue;
        for (int32_t mode : {kSpriteViewColour, kSpriteViewDepth, kSpriteViewAlpha}) {
            SpritePosition position;
            DrawSprite(file, spriteId, frame, 0xFFFFFF, mode, &position);
        }
        Decoded once, throughHeld;
        decodeInto(once, [&](const SpritePlaneSlots& slots) {
            return DecodeSpritePlanes(file, spriteId, frame, 0x00FF00FF, slots);
        });
        decodeInto(throughHeld, [&](const SpritePlaneSlots& slots) { return held.Decode(frame, 0x00FF00FF, slots); });
        if (!same(once, throughHeld))
            Fail("sprite %d frame %d decodes otherwise through a held sprite", spriteId, frame);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = ScratchPath("graphics.iff");
    if (!WriteFile(path, data, size)) return 0;
    std::unique_ptr<ResourceFile> opened = OpenContainer(path);
    if (!opened) return 0;
    ResourceFile& file = *opened;
    ObjectSet set;
    set.SetResourceSet(std::move(opened));
    set.Load(1);

    DecodeBodies(file);
    for (const auto& ref : set.Palettes()) ref.palette->NearestIndex(10, 20, 30);
    for (size_t s = 0; s < std::min(set.Sprites().size(), kMaxSprites); ++s) DrawFrames(file, set.Sprites()[s].id);
    for (size_t o = 0; o < std::min(set.Objects().size(), kMaxObjects); ++o) {
        for (int32_t view : kOneViewPerZoom) {
            std::unique_ptr<platform::Bitmap> picture = RenderObjectPreview(*set.Objects()[o], view, 0x808080);
            if (picture) BitmapToPackedDib(picture.get(), kDibUncompressed);
        }
    }
    set.Close();
    return 0;
}
