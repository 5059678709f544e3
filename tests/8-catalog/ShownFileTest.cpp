// What the object view shows of each kind of file: files written with the library's own
// writers, opened through the opening entry, described once.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/ShownFile.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"
#include "support/ByteBuilder.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::Resource;
using test::WriteContainer;

/// A sprite of `frames` opaque 2 x 2 frames in palette 1.
std::vector<uint8_t> Sprite(int frames) {
    SpriteImage frame(2, 2);
    std::fill(frame.alpha.begin(), frame.alpha.end(), 255);
    std::fill(frame.color.begin(), frame.color.end(), 1);
    return EncodeSprHash(std::vector<SpriteImage>(static_cast<size_t>(frames), frame), 1);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (size_t i = 0; i < texts.size(); ++i) all += (i ? "|" : "") + texts[i];
    return all;
}

TEST(ShownFile, EachKindIsDescribedAsTheFormShowsItAndAFileThatDoesNotOpenShowsNothing) {
    test::TempDir dir;
    const auto spr = [](ResId id, int frames) { return Resource{restype::kSPR, id, "", Sprite(frames)}; };
    const Resource palt{restype::kPALT, 1, "", EncodePalette({{0, 0, 0, 0}, {200, 10, 10, 0}})};
    WriteContainer<IffResourceFile>(
        dir.File("lamp.iff"),
        {{restype::kOBJD, 128, "", EncodeObjectDefinition({.baseGraphic = 1000, .price = -25, .catalogId = 7})},
         {restype::kCATS, 7, "", EncodeCatalogStrings("Lamp", "Bright.")},
         {restype::kOBJD, 129, "", EncodeObjectDefinition({.catalogId = 8})},
         {restype::kCATS, 8, "", EncodeCatalogStrings("Shade", "")}});
    WriteContainer<IffResourceFile>(
        dir.File("lamp.spf"),
        {palt, spr(5, 1), {restype::kDGRP, 1000, "", EncodeDrawGroup(DrawGroupImages(kViewCount, {{.spriteId = 5}}))}});
    WriteContainer<IffResourceFile>(dir.File("bits.iff"),
                               {palt, spr(7, 2), {restype::kSTR, 0, "", EncodePlainStrings({"Bits", "3", "Loose"})}});
    WriteContainer<LegacyIffResourceFile>(dir.File("brick.wll"), {palt, spr(200, 5), spr(201, 5), spr(202, 5), spr(203, 5)});
    WriteContainer<IffResourceFile>(dir.File("grass.flr"),
                               {palt, spr(300, 3), {restype::kSTR, 0, "", EncodePlainStrings({"Grass", "4"})}});
    dir.Write(
        "Photo.bmp",
        testing::ByteBuilder().Text("BM").U32(1000).U32(0).U32(1078).U32(40).I32(12).I32(9).U16(1).U16(8).Bytes());
    // name|price|description / table found / objects / the sprite list's labels / the first sprite's frame labels
    const std::pair<const char*, ViewForm> forms[] = {
        {"lamp.iff", ViewForm::kPreview}, {"bits.iff", ViewForm::kSprites}, {"brick.wll", ViewForm::kWall},
        {"grass.flr", ViewForm::kFloor},  {"lamp.spf", ViewForm::kSprites}, {"Photo.bmp", ViewForm::kBitmap}};
    const char* shown[] = {"Lamp|-25|Bright./0/Lamp|Shade//",
                           "Bits|3|Loose/1//7/0|1",
                           "||/0//Far|Medium|Near|/Left|Right|Facing|Insert|",
                           "Grass|4|/1//Far/",
                           "||/0//5/0",
                           "||/0///"};
    for (int i = 0; i < 6; ++i) {
        const auto [name, form] = forms[i];
        SCOPED_TRACE(name);
        ShownFile file;
        ASSERT_EQ(file.Open(dir.File(name), GameFileAccess::kReadOnly), rc::kOk);
        const ViewDescription& view = file.Description();
        EXPECT_EQ(view.form, form);
        std::vector<std::string> labels;
        for (const ViewSprite& sprite : view.sprites) labels.push_back(sprite.label);
        EXPECT_EQ(Joined({view.texts.name, view.texts.price, view.texts.description}) + "/" +
                      (view.tableFound ? "1" : "0") + "/" + Joined(view.objects) + "/" + Joined(labels) + "/" +
                      (view.sprites.empty() ? "" : Joined(view.sprites[0].frames)),
                  shown[i] + std::string(form == ViewForm::kFloor ? kFloorFrameItem : ""));
        EXPECT_EQ(view.framesShown, form != ViewForm::kFloor);
        EXPECT_EQ(view.previewView, kDefaultPreviewImage);
        EXPECT_EQ(view.bitmap.has_value(), form == ViewForm::kBitmap);
        // The pictures the form would draw.
        EXPECT_EQ(file.RenderPreview(0, view.previewView, 0xFFFFFF) != nullptr, form == ViewForm::kPreview);
        EXPECT_EQ(file.DrawFrame(view.sprites.empty() ? 0 : view.sprites[0].id, 0) != nullptr, !view.sprites.empty());
        if (view.bitmap) {
            EXPECT_EQ(std::tuple(view.bitmap->width, view.bitmap->height, view.bitmap->bitsPerPixel),
                      std::tuple(12, 9, 8));
        }
    }
    // A file that does not open answers its code and shows nothing.
    dir.Write("junk.wll", std::string(200, 'x'));
    ShownFile file;
    EXPECT_TRUE(file.Open(dir.File("missing.iff"), GameFileAccess::kViewing) == rc::kNoSuchFile &&
                file.Description().kind == GameFileKind::kObject);
    EXPECT_NE(file.Open(dir.File("junk.wll"), GameFileAccess::kViewing), rc::kOk);
    EXPECT_TRUE(!file.Objects() && file.Description().form == ViewForm::kNothing);
}

}  // namespace
}  // namespace tambrix
