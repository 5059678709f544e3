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

void DrawFrames(ResourceFile& file, int32_t spriteId) {
    const int32_t frames = static_cast<int32_t>(CountSpriteFrames(file, spriteId));
    for (int32_t frame : {-1, 0, 1, 2, frames}) {
        if (frame > 0 && frame >= kMaxFrames && frame != frames) continue;
        for (int32_t mode : {kSpriteViewColour, kSpriteViewDepth, kSpriteViewAlpha}) {
            SpritePosition position;
            DrawSprite(file, spriteId, frame, 0xFFFFFF, mode, &position);
        }
        uint32_t fill = kNoFillIndex;
        SpritePosition position;
        SpriteSize size;
        Palette palette;
        int32_t paletteId = 0;
        std::unique_ptr<platform::Bitmap> colour, depth, alpha;
        SpritePlaneSlots slots{&fill, &position, &size, &palette, &paletteId, &colour, &depth, &alpha};
        try {
            DecodeSpritePlanes(file, spriteId, frame, 0x00FF00FF, slots);
        } catch (const SpriteDecodeError&) {
            // a bad command in the pixel stream: reported, nothing held
        }
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
