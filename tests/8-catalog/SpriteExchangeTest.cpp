// The sprite round trip on small files made here: what an import refuses, what it
// changes and what it must leave alone, and that a failed write leaves the file as it was.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "catalog/SpriteExchange.h"
#include "containers/IffResourceFile.h"
#include "core/ResultCodes.h"
#include "graphics/Palette.h"
#include "graphics/PngFile.h"
#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

namespace fs = std::filesystem;

const SpriteImportChange& Of(const SpriteImportResult& result, int32_t id) {
    for (const SpriteImportChange& c : result.sprites)
        if (c.id == id) return c;
    static const SpriteImportChange none;
    ADD_FAILURE() << "no sprite " << id;
    return none;
}

std::vector<uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

// A 4 x 3 frame: an opaque left half, translucent top right, nothing bottom right.
SpriteImage Frame(uint8_t firstColour) {
    SpriteImage f(4, 3);
    f.x = 5, f.y = -7;
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const size_t i = f.Index(x, y);
            if (x >= 2 && y == 2) continue;
            f.color[i] = static_cast<uint8_t>(firstColour + x + y);
            f.depth[i] = static_cast<uint8_t>(10 * x + y);
            f.alpha[i] = x < 2 ? 255 : 128;
        }
    return f;
}

// Palette 7 of sixteen greys, shared by "SPR2" 300 (two frames) and 301; "SPR#" 400
// with palette 9.
std::vector<test::Resource> Resources() {
    std::vector<PaletteEntry> greys, blues;
    for (uint8_t i = 0; i < 16; ++i) greys.push_back({static_cast<uint8_t>(16 * i), static_cast<uint8_t>(16 * i),
                                                       static_cast<uint8_t>(16 * i), 0});
    for (uint8_t i = 0; i < 16; ++i) blues.push_back({0, 0, static_cast<uint8_t>(100 + i), 0});
    return {{restype::kPALT, 7, "greys", EncodePalette(greys)},
            {restype::kSPR2, 300, "chair", EncodeSpr2({Frame(1), Frame(3)}, 7)},
            {restype::kSPR2, 301, "table", EncodeSpr2({Frame(2)}, 7)},
            {restype::kPALT, 9, "blues", EncodePalette(blues)},
            {restype::kSPR, 400, "lamp", EncodeSprHash({Frame(0)}, 9)}};
}

class SpriteExchange : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(mDir.File("mods"));
        test::WriteContainer<IffResourceFile>(mFile, Resources());
        ASSERT_EQ(ExportSprites(mFile, mOut).code, rc::kOk);
        mBefore = Bytes(mFile);
    }
    std::string Picture(const std::string& sprite, int frame, const std::string& plane) const {
        return mOut + "/" + sprite + "/frame" + std::to_string(frame) + "_" + plane + ".png";
    }
    // Changes the colour picture of a frame through `edit` of its RGBA pixels.
    template <typename Edit>
    void EditColour(const std::string& sprite, int frame, Edit edit) {
        PngImage image;
        ASSERT_TRUE(ReadPngFile(Picture(sprite, frame, "color"), 4, image).Ok());
        edit(image);
        ASSERT_TRUE(WritePngFile(Picture(sprite, frame, "color"), image).Ok());
    }
    Palette PaletteOf(int32_t spriteId, int32_t* paletteId) {
        GameFile game;
        EXPECT_EQ(game.Open(mFile, GameFileAccess::kReadOnly), rc::kOk);
        SpriteDecoder decoder(*game.Container(), spriteId);
        Palette palette;
        SpritePlaneSlots slots;
        slots.palette = &palette;
        slots.paletteId = paletteId;
        uint32_t fill = 0;
        slots.fillIndex = &fill;
        decoder.Decode(-1, 0, slots);
        return palette;
    }

    test::TempDir mDir;
    std::string mFile = mDir.File("mods/thing.iff");
    std::string mOut = mDir.File("export/here");
    std::vector<uint8_t> mBefore;
};

TEST_F(SpriteExchange, ExportWritesThePicturesOfEachKind) {
    for (const auto& [path, exists] : std::vector<std::pair<std::string, bool>>{
             {Picture("SPR2_300", 1, "color"), true},
             {Picture("SPR2_300", 1, "depth"), true},
             {Picture("SPR2_301", 0, "alpha"), true},
             {Picture("SPR#_400", 0, "color"), true},
             {Picture("SPR#_400", 0, "depth"), false},
             {Picture("SPR2_300", 2, "color"), false},
         })
        EXPECT_EQ(fs::exists(path), exists) << path;
    PngImage colour;
    ASSERT_TRUE(ReadPngFile(Picture("SPR2_300", 0, "color"), 4, colour).Ok());
    EXPECT_EQ(std::vector<uint8_t>(colour.At(0, 0), colour.At(0, 0) + 4), (std::vector<uint8_t>{16, 16, 16, 255}));
    EXPECT_EQ(colour.At(3, 2)[3], 0);  // no pixel: fully transparent
    EXPECT_EQ(Bytes(mFile), mBefore);  // the source is never written

    // Only the sprites asked for; an ID the file lacks is an error.
    const std::string some = mDir.File("some");
    EXPECT_EQ(ExportSprites(mFile, some, {301}).sprites, 1u);
    EXPECT_FALSE(fs::exists(some + "/SPR2_300"));
    EXPECT_EQ(ExportSprites(mFile, some, {302}).code, rc::kNoSuchResource);
}

// What an import refuses, each with a reason naming what is wrong; the file is untouched.
TEST_F(SpriteExchange, RefusalsNameTheProblemAndWriteNothing) {
    fs::create_directories(mDir.File("game/GameData/Objects"));
    fs::copy_file(mFile, mDir.File("game/GameData/Objects/thing.iff"));
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::string file;
        std::string folder;
        const char* words;
    } cases[] = {
        {"game folder", [] {}, mDir.File("game/GameData/Objects/thing.iff"), mOut, "game's own folders"},
        {"no list", [] {}, mFile, mDir.File("nowhere"), "sprites.json: cannot be read"},
        {"bad list", [&] { Put(mOut + "/sprites.json", "{\"sprites\": [}"); }, mFile, mOut, "line 1"},
        {"no type", [&] { Put(mOut + "/sprites.json", "{\"sprites\": [{\"id\": 300}]}"); }, mFile, mOut, "\"type\""},
        {"frames differ",
         [&] { Put(mOut + "/sprites.json", "{\"sprites\": [{\"type\": \"SPR2\", \"id\": 300, \"frames\": []}]}"); },
         mFile, mOut, "the file has 2 frames, sprites.json lists 0"},
        {"missing picture", [&] { fs::remove(Picture("SPR2_300", 1, "depth")); }, mFile, mOut,
         "SPR2 300 frame 1: "},
        {"damaged picture", [&] { Put(Picture("SPR2_301", 0, "alpha"), "not a picture"); }, mFile, mOut,
         "SPR2 301 frame 0: "},
        {"resized colour alone",
         [&] { ASSERT_TRUE(WritePngFile(Picture("SPR2_300", 1, "color"), PngImage(6, 6, 4)).Ok()); }, mFile, mOut,
         "SPR2 300 frame 1: the colour picture is 6 x 6, so the depth picture must be changed"},
        {"depth of another size",
         [&] { ASSERT_TRUE(WritePngFile(Picture("SPR2_300", 0, "depth"), PngImage(2, 2, 1)).Ok()); }, mFile, mOut,
         "SPR2 300 frame 0: the depth picture is 2 x 2, the frame 4 x 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(mOut);
        ASSERT_EQ(ExportSprites(mFile, mOut).code, rc::kOk);
        c.prepare();
        const SpriteImportResult result = ImportSprites(c.file, c.folder);
        EXPECT_NE(result.code, rc::kOk);
        EXPECT_NE(result.error.find(c.words), std::string::npos) << result.error;
        EXPECT_FALSE(result.written);
        EXPECT_EQ(Bytes(mFile), mBefore);
    }
}

// A recoloured sprite whose palette another sprite shares gets a palette of its own; the
// other sprite and the shared palette stay byte for byte, and a dry run writes nothing.
TEST_F(SpriteExchange, ASharedPaletteIsLeftAloneAndTheSpriteGetsItsOwn) {
    EditColour("SPR2_300", 0, [](PngImage& image) {
        for (size_t i = 0; i < image.pixels.size(); i += 4) image.pixels[i] = 200;  // red everywhere
    });
    const SpriteImportResult dry = ImportSprites(mFile, mOut, {.dryRun = true});
    ASSERT_EQ(dry.code, rc::kOk) << dry.error;
    EXPECT_EQ(Bytes(mFile), mBefore);
    ASSERT_EQ(dry.sprites.size(), 3u);
    EXPECT_EQ(Of(dry, 300).frames, std::vector<int32_t>{0});
    EXPECT_TRUE(Of(dry, 300).paletteAdded);
    EXPECT_NE(Of(dry, 300).paletteId, 7);
    EXPECT_EQ(Of(dry, 301).Describe(), "SPR2 301 \"table\": unchanged");

    const SpriteImportResult done = ImportSprites(mFile, mOut);
    ASSERT_EQ(done.code, rc::kOk) << done.error;
    EXPECT_TRUE(done.written);
    EXPECT_EQ(Of(done, 300).Describe(), Of(dry, 300).Describe());
    EXPECT_NE(Of(done, 300).Describe().find("frame 0 re-encoded; palette 300 made as a new resource"),
              std::string::npos)
        << Of(done, 300).Describe();

    // Untouched resources read back as they were written.
    IffResourceFile file;
    ASSERT_EQ(file.Open(FileNameText(mFile)), rc::kOk);
    for (const test::Resource& r : Resources()) {
        if (r.type == restype::kSPR2 && r.id == 300) continue;
        DataBlock* block = file.GetResource(r.type, r.id, nullptr);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(std::vector<uint8_t>(block->data, block->data + block->size), r.body) << r.label;
        file.ReleaseResource(block);
    }
    file.Close();
    int32_t paletteId = 0;
    PaletteOf(300, &paletteId);
    EXPECT_EQ(paletteId, 300);

    // A second export of the new look, imported unchanged, writes nothing.
    const std::vector<uint8_t> after = Bytes(mFile);
    fs::remove_all(mOut);
    ASSERT_EQ(ExportSprites(mFile, mOut).code, rc::kOk);
    ASSERT_EQ(ImportSprites(mFile, mOut).code, rc::kOk);
    EXPECT_EQ(Bytes(mFile), after);
}

// More than 256 colours: the quantizer makes the palette, the shape stays, and the
// colour error is stated; a larger frame with pictures of its size takes its new size,
// with the offsets edited in the list.
TEST_F(SpriteExchange, ManyColoursAreQuantizedAndAFrameMayGrow) {
#if !TAMBRIX_HAVE_IMAGEQUANT
    GTEST_SKIP() << "this build has no quantizer (libimagequant has no Windows build here)";
#endif
    for (const bool dither : {false, true}) {
        SCOPED_TRACE(dither);
        fs::remove_all(mOut);
        fs::remove(mFile);
        test::WriteContainer<IffResourceFile>(mFile, Resources());
        ASSERT_EQ(ExportSprites(mFile, mOut).code, rc::kOk);
        PngImage colour(40, 30, 4), depth(40, 30, 1), alpha(40, 30, 1);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                uint8_t* p = colour.At(x, y);
                p[0] = static_cast<uint8_t>(6 * x), p[1] = static_cast<uint8_t>(8 * y), p[2] = static_cast<uint8_t>(x * y);
                p[3] = x == 0 ? 0 : 255;  // the left column stays empty
                *depth.At(x, y) = static_cast<uint8_t>(x + y);
                *alpha.At(x, y) = 255;
            }
        ASSERT_TRUE(WritePngFile(Picture("SPR2_301", 0, "color"), colour).Ok());
        ASSERT_TRUE(WritePngFile(Picture("SPR2_301", 0, "depth"), depth).Ok());
        ASSERT_TRUE(WritePngFile(Picture("SPR2_301", 0, "alpha"), alpha).Ok());
        const std::string listText = [&] {
            std::vector<uint8_t> b = Bytes(mOut + "/sprites.json");
            return std::string(b.begin(), b.end());
        }();
        std::string edited = listText;
        const size_t table = edited.find("\"id\": 301");
        const size_t x = edited.find("\"x\": 5", table);
        ASSERT_NE(x, std::string::npos);
        edited.replace(x, 6, "\"x\": 11");
        Put(mOut + "/sprites.json", edited);

        const SpriteImportResult result = ImportSprites(mFile, mOut, {.dither = dither});
        ASSERT_EQ(result.code, rc::kOk) << result.error;
        const SpriteImportChange& table301 = Of(result, 301);
        EXPECT_FALSE(table301.paletteKept);
        EXPECT_EQ(table301.paletteColours, 256u);
        EXPECT_GT(table301.largestError, 0);
        EXPECT_LE(table301.largestError, dither ? 64 : 32);

        GameFile game;
        ASSERT_EQ(game.Open(mFile, GameFileAccess::kReadOnly), rc::kOk);
        SpriteDecoder decoder(*game.Container(), 301);
        SpriteSize size;
        SpritePosition position;
        std::unique_ptr<platform::Bitmap> c, d, a;
        Palette palette;
        uint32_t fill = 0;
        decoder.Decode(0, 0, {&fill, &position, &size, &palette, nullptr, &c, &d, &a});
        EXPECT_EQ(size.width, 40);
        EXPECT_EQ(size.height, 30);
        EXPECT_EQ(position.first, 11);
        EXPECT_EQ(position.second, -7);
        int32_t worst = 0;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                EXPECT_EQ(d->TopRow(y)[x], x == 0 ? 255 : x + y);
                EXPECT_EQ(a->TopRow(y)[x], x == 0 ? 0 : 255);
                if (x == 0) continue;
                const PaletteEntry e = palette.Entry(c->TopRow(y)[x]);
                const uint8_t* p = colour.At(x, y);
                worst = std::max({worst, std::abs(e.red - p[0]), std::abs(e.green - p[1]), std::abs(e.blue - p[2])});
            }
        EXPECT_EQ(worst, table301.largestError);  // the figure stated is the one found
    }
}

// Every write of the import failing in turn: the file stays as it was and no copy is
// left beside it; with no failure the change is there.
TEST_F(SpriteExchange, AFailedWriteLeavesTheFileAsItWas) {
    EditColour("SPR#_400", 0, [](PngImage& image) { image.At(0, 0)[2] = 107; });  // another palette blue
    bool succeeded = false;
    for (int64_t allowed = 0; allowed < 200 && !succeeded; ++allowed) {
        SCOPED_TRACE(allowed);
        platform::Hooks().failWritesAfter = allowed;
        const SpriteImportResult result = ImportSprites(mFile, mOut);
        platform::Hooks().failWritesAfter = -1;
        EXPECT_FALSE(fs::exists(mFile + ".tambrix-import"));
        if (result.code == rc::kOk) {
            succeeded = true;
            EXPECT_EQ(Of(result, 400).Describe(), "SPR# 400 \"lamp\": frame 0 re-encoded; palette 9 kept; largest colour error 0");
        } else {
            EXPECT_FALSE(result.error.empty());
            EXPECT_EQ(Bytes(mFile), mBefore);
        }
    }
    EXPECT_TRUE(succeeded);
    EXPECT_NE(Bytes(mFile), mBefore);

    platform::Hooks().refuseWriteOpens = true;
    const SpriteImportResult refused = ImportSprites(mFile, mOut);
    platform::Hooks().refuseWriteOpens = false;
    EXPECT_NE(refused.error.find("cannot be written"), std::string::npos) << refused.error;
}

// An object whose palette lies in the object file and whose sprite lies in its ".spf"
// companion: a recolour changes both files, or, when a write fails, neither.
TEST(SpriteExchangeCompanion, BothFilesChangeTogetherOrNeither) {
    test::TempDir dir;
    const std::string object = dir.File("mods/pair.iff"), companion = dir.File("mods/pair.spf");
    const std::string out = dir.File("out");
    fs::create_directories(dir.File("mods"));
    const std::vector<test::Resource> resources = Resources();
    test::WriteContainer<IffResourceFile>(object, {resources[0]});                // palette 7
    test::WriteContainer<IffResourceFile>(companion, {resources[1], resources[3]});  // SPR2 300, palette 9
    ASSERT_EQ(ExportSprites(object, out).code, rc::kOk);
    const std::string picture = out + "/SPR2_300/frame1_color.png";
    PngImage image;
    ASSERT_TRUE(ReadPngFile(picture, 4, image).Ok());
    image.At(0, 0)[1] = 99;  // a colour no palette holds
    ASSERT_TRUE(WritePngFile(picture, image).Ok());
    const std::vector<uint8_t> objectBefore = Bytes(object), companionBefore = Bytes(companion);

    bool succeeded = false;
    for (int64_t allowed = 0; allowed < 200 && !succeeded; ++allowed) {
        SCOPED_TRACE(allowed);
        platform::Hooks().failWritesAfter = allowed;
        const SpriteImportResult result = ImportSprites(object, out);
        platform::Hooks().failWritesAfter = -1;
        EXPECT_FALSE(fs::exists(object + ".tambrix-import") || fs::exists(companion + ".tambrix-import"));
        succeeded = result.code == rc::kOk;
        if (!succeeded) {
            EXPECT_EQ(Bytes(object), objectBefore);
            EXPECT_EQ(Bytes(companion), companionBefore);
        } else {
            // Palette 7 is the sprite's alone: it is made anew in place, in the object file.
            EXPECT_EQ(result.sprites[0].Describe(),
                      "SPR2 300 \"chair\": frame 1 re-encoded; palette 7 made (8 colours); largest colour error 0");
        }
    }
    ASSERT_TRUE(succeeded);
    EXPECT_NE(Bytes(object), objectBefore);
    EXPECT_NE(Bytes(companion), companionBefore);
}

}  // namespace
}  // namespace tambrix
