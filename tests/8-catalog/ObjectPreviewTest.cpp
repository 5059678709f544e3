#include <gtest/gtest.h>

#include <memory>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "graphics/PreviewRenderer.h"
#include "support/FakeResourceFile.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;
using platform::Bitmap;

namespace {

constexpr ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)

struct Objd {
    int16_t baseGraphic = 0;
    int16_t graphicCount = 1;
    int16_t masterId = 0;
    int16_t subIndex = 0;
    int16_t level = 0;
};

// A 216-byte object definition of version 138 with the fields the renderer reads.
std::vector<uint8_t> objd(const Objd& o) {
    std::vector<uint8_t> b(216, 0);
    auto put = [&b](size_t at, int32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 138, 4);             // version
    put(6, o.baseGraphic, 2);   // base graphic ID
    put(8, o.graphicCount, 2);  // graphic count
    put(20, o.masterId, 2);     // master ID
    put(22, o.subIndex, 2);     // sub-index: -1 master, else tile x (high), y (low)
    put(112, o.level, 2);       // level
    return b;
}

// A solid 2 x 2 "SPR2" of one colour index.
std::vector<uint8_t> solid(uint8_t index) {
    ByteBuilder s;
    for (int y = 0; y < 2; ++y) {
        Spr2Word(s, 0x0000, 0);
        Spr2Word(s, 0x2000, 2).U8(0).U8(index).U8(0).U8(index);
    }
    Spr2Word(s, 0xA000, 0);
    return Spr2Chunk({{.width = 2, .height = 2, .stream = s}}, kPalette);
}

bool hasColour(const Bitmap& b, int index) {
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* row = b.Row(y);
        for (int32_t x = 0; x < b.Width(); ++x)
            if (row[3 * x + 2] == index && row[3 * x + 1] == 255 - index) return true;
    }
    return false;
}

// A file with a single-tile object (OBJD 10), and a multi-tile object: master 20 and
// tiles 21 at (0, 0) and 22 at (1, 0). Each record's draw group shows its own colour.
class ObjectPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto file = std::make_unique<FakeResourceFile>();
        fake = file.get();
        fake->Put(restype::kPALT, kPalette, DistinctPaltChunk());
        const std::pair<ResId, uint8_t> looks[] = {{10, 10}, {20, 20}, {21, 21}, {22, 22}};
        for (auto [id, colour] : looks) {
            fake->Put(restype::kSPR2, id, solid(colour));
            fake->Put(restype::kDGRP, static_cast<ResId>(id * 100), DgrpAllViews({{.spriteId = id}}));
        }
        fake->Put(restype::kOBJD, 10, objd({.baseGraphic = 1000}));
        fake->Put(restype::kOBJD, 20, objd({.baseGraphic = 2000, .masterId = 5, .subIndex = -1}));
        fake->Put(restype::kOBJD, 21, objd({.baseGraphic = 2100, .masterId = 5, .subIndex = 0x0000}));
        fake->Put(restype::kOBJD, 22, objd({.baseGraphic = 2200, .masterId = 5, .subIndex = 0x0100}));
        set.SetResourceSet(std::move(file));
        set.Load(1);
        ASSERT_EQ(set.Objects().size(), 2u);
    }

    ObjectRecord& single() { return *set.Objects()[0]; }
    ObjectRecord& master() { return *set.Objects()[1]; }

    FakeResourceFile* fake = nullptr;
    ObjectSet set;
};

TEST_F(ObjectPreviewTest, SingleTileObjectDrawsItself) {
    auto b = RenderObjectPreview(single(), kDefaultPreviewImage, 0x00FFFFFF);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 34);
    EXPECT_TRUE(hasColour(*b, 10));
    // The current graphic number picks the draw group; out of range draws nothing.
    single().SetCurrentGraphicNumber(1);
    auto none = RenderObjectPreview(single(), kDefaultPreviewImage, 0x00FFFFFF);
    EXPECT_EQ(none->Width(), 33);
    EXPECT_EQ(fake->Outstanding(), 0u);
}

TEST_F(ObjectPreviewTest, MasterDrawsItsTilesPlacedByTile) {
    ASSERT_EQ(master().Tiles().size(), 2u);
    // Near zoom, rotation 0: tile x 1 lies 64 right and 32 down, at depth −347.
    auto b = RenderObjectPreview(master(), 8, 0x00FFFFFF);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 64 + 2 + 32);
    EXPECT_EQ(b->Height(), 32 + 2 + 32);
    EXPECT_FALSE(hasColour(*b, 20));  // the master's own graphics are not drawn
    EXPECT_TRUE(hasColour(*b, 21));
    EXPECT_TRUE(hasColour(*b, 22));
    EXPECT_EQ(master().Tiles()[0]->TileDepth(), 0);
    EXPECT_EQ(master().Tiles()[1]->TileDepth(), -347);
    // Rotation 2 turns the depth around.
    RenderObjectPreview(master(), kDefaultPreviewImage, 0x00FFFFFF);
    EXPECT_EQ(master().Tiles()[1]->TileDepth(), 347);
}

}  // namespace
