#include <gtest/gtest.h>

#include <memory>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "graphics/PreviewRenderer.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

constexpr ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)

bool hasColour(const platform::Bitmap& b, int index) {
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x)
            if (b.Row(y)[3 * x + 2] == index && b.Row(y)[3 * x + 1] == 255 - index) return true;
    return false;
}

// A single-tile object (10) and a multi-tile one: master 20, tiles 21 at (0, 0) and 22 at (1, 0).
// Each record's draw group shows a solid 2 x 2 sprite of its own colour.
TEST(ObjectPreview, SingleObjectsDrawThemselvesMastersTheirTilesPlacedByTile) {
    auto owned = std::make_unique<FakeResourceFile>();
    FakeResourceFile* fake = owned.get();
    fake->Put(restype::kPALT, kPalette, DistinctPaltChunk());
    for (uint8_t id : {10, 20, 21, 22}) {
        ByteBuilder s;
        for (int y = 0; y < 2; ++y) Spr2Word(Spr2Word(s, 0x0000, 0), 0x2000, 2).U8(0).U8(id).U8(0).U8(id);
        Spr2Word(s, 0xA000, 0);
        fake->Put(restype::kSPR2, id, Spr2Chunk({{.width = 2, .height = 2, .stream = s}}, kPalette));
        fake->Put(restype::kDGRP, static_cast<ResId>(id * 100), DgrpAllViews({{.spriteId = id}}));
    }
    fake->Put(restype::kOBJD, 10, EncodeObjectDefinition({.baseGraphic = 1000}));
    fake->Put(restype::kOBJD, 20, EncodeObjectDefinition({.baseGraphic = 2000, .masterId = 5, .subIndex = -1}));
    fake->Put(restype::kOBJD, 21, EncodeObjectDefinition({.baseGraphic = 2100, .masterId = 5}));
    fake->Put(restype::kOBJD, 22, EncodeObjectDefinition({.baseGraphic = 2200, .masterId = 5, .subIndex = 0x0100}));
    ObjectSet set;
    set.SetResourceSet(std::move(owned));
    set.Load(1);
    ASSERT_EQ(set.Objects().size(), 2u);
    ObjectRecord &single = *set.Objects()[0], &master = *set.Objects()[1];

    auto b = RenderObjectPreview(single, kDefaultPreviewImage, 0x00FFFFFF);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 34);
    EXPECT_TRUE(hasColour(*b, 10));
    single.SetCurrentGraphicNumber(1);  // picks the draw group; out of range draws nothing
    EXPECT_EQ(RenderObjectPreview(single, kDefaultPreviewImage, 0x00FFFFFF)->Width(), 33);

    // Near zoom, rotation 0: tile x 1 lies 64 right and 32 down, at depth -347; the master itself is not drawn.
    ASSERT_EQ(master.Tiles().size(), 2u);
    b = RenderObjectPreview(master, 8, 0x00FFFFFF);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width() * 1000 + b->Height(), (64 + 2 + 32) * 1000 + 32 + 2 + 32);
    EXPECT_TRUE(!hasColour(*b, 20) && hasColour(*b, 21) && hasColour(*b, 22));
    EXPECT_EQ(master.Tiles()[0]->TileDepth() * 1000 + master.Tiles()[1]->TileDepth(), -347);
    RenderObjectPreview(master, kDefaultPreviewImage, 0x00FFFFFF);  // rotation 2 turns the depth around
    EXPECT_EQ(master.Tiles()[1]->TileDepth(), 347);
    EXPECT_EQ(fake->Outstanding(), 0u);
}

}  // namespace
