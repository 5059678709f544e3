#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "containers/IffResourceFile.h"
#include "graphics/PreviewRenderer.h"
#include "sets/ViewResourceSet.h"
#include "support/SpriteBuilders.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;
using namespace tambrix::testing;

constexpr ResId kPalette = 3;  // entry i is (i, 255 - i, i / 2)
constexpr ResId kSprite = 1;
constexpr ResId kDrawGroup = 1000;
constexpr int kColour = 9;
constexpr uint32_t kWhite = 0x00FFFFFF;

struct Body {
    ResType type;
    ResId id;
    std::vector<uint8_t> bytes;
};

void WriteIff(const std::string& path, const std::vector<Body>& bodies) {
    IffResourceFile file;
    FileNameText name(path);
    ASSERT_EQ(file.Create(name), rc::kOk);
    ASSERT_EQ(file.Open(name), rc::kOk);
    for (const Body& body : bodies) {
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.bytes.size()));
        std::memcpy(block->data, body.bytes.data(), body.bytes.size());
        ASSERT_EQ(file.AddResource(block, body.type, body.id, LabelText(), true), rc::kOk);
    }
    ASSERT_EQ(file.Close(), rc::kOk);
}

/// A solid 4 x 4 "SPR2" frame of palette index kColour (two-byte pixels: depth, index).
std::vector<uint8_t> SolidSprite() {
    constexpr uint16_t kSide = 4;
    ByteBuilder stream;
    for (int y = 0; y < kSide; ++y) {
        Spr2Word(stream, 0x0000, 0);      // row start
        Spr2Word(stream, 0x2000, kSide);  // kSide pixels with depth
        for (int x = 0; x < kSide; ++x) stream.U8(0).U8(static_cast<uint8_t>(kColour));
    }
    Spr2Word(stream, 0xA000, 0);  // end of frame
    return Spr2Chunk({{.width = kSide, .height = kSide, .stream = stream}}, kPalette);
}

/// A 216-byte object definition (version 138) whose draw groups start at `baseGraphic`.
std::vector<uint8_t> ObjectDefinition(int16_t baseGraphic) {
    std::vector<uint8_t> bytes(216, 0);
    auto put = [&bytes](size_t at, int32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(0, 138, 4);          // version
    put(6, baseGraphic, 2);  // base graphic ID
    put(8, 1, 2);            // graphic count
    return bytes;
}

/// Red, green and blue of a pixel (rows counted from the bottom; stored blue first).
std::tuple<int, int, int> Colour(const platform::Bitmap& picture, int32_t column, int32_t rowFromBottom) {
    const uint8_t* pixel = picture.Row(rowFromBottom) + 3 * column;
    return {pixel[2], pixel[1], pixel[0]};
}

TEST(ObjectPreviewThroughSet, SpritesComeFromTheSpriteFile) {
    TempDir dir;
    // The object file holds no graphics; its companion holds them all.
    WriteIff(dir.File("lamp.iff"), {{restype::kOBJD, 128, ObjectDefinition(kDrawGroup)}});
    WriteIff(dir.File("lamp.spf"), {{restype::kPALT, kPalette, DistinctPaltChunk()},
                                    {restype::kSPR2, kSprite, SolidSprite()},
                                    {restype::kDGRP, kDrawGroup, DgrpAllViews({{.spriteId = kSprite}})}});

    // The object view's road: the set, the object set over it, the preview.
    auto set = std::make_unique<ViewResourceSet>();
    ASSERT_EQ(set->Open(FileNameText(dir.File("lamp"))), rc::kOk);
    ASSERT_EQ(set->CountMembers(), 2);
    ObjectSet objects;
    objects.SetResourceSet(std::move(set));
    objects.Load(1);
    ASSERT_EQ(objects.Objects().size(), 1u);
    std::unique_ptr<platform::Bitmap> picture =
        RenderObjectPreview(*objects.Objects()[0], kDefaultPreviewImage, kWhite);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 4 + 2 * kPreviewMargin);
    EXPECT_EQ(picture->Height(), 4 + 2 * kPreviewMargin);
    // The sprite's colour inside the margin, white outside it (rows bottom-up, BGR).
    EXPECT_EQ(Colour(*picture, kPreviewMargin, kPreviewMargin), std::make_tuple(kColour, 255 - kColour, kColour / 2));
    EXPECT_EQ(Colour(*picture, 0, 0), std::make_tuple(255, 255, 255));
}

}  // namespace
}  // namespace tambrix
