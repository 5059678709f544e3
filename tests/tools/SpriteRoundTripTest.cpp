// The sprite round trip over the demo folder: export, edit the pictures (or not), import,
// and compare what the file decodes to and previews as with what it did before.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ToolsTestSupport.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/SpriteExchange.h"
#include "core/AsciiCase.h"
#include "core/JsonReader.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FarArchive.h"
#include "graphics/Palette.h"
#include "graphics/PngFile.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWhite = 0xFFFFFF;

// The object files of the demo that lie on disk, copied (with their companions) to a
// folder of the user's own, where an import may write.
const char* const kObjects[] = {
    "ChairDining.iff", "Lighting/LampFloor.iff", "GlassTable.iff", "SofaModern.iff", "Plants.iff", "Bookcase_Old.iff",
};

// One frame as it decodes: colours (red, green, blue where a pixel is), depth, alpha.
struct Decoded {
    bool spr2 = false;
    int32_t width = 0, height = 0, x = 0, y = 0;
    std::vector<uint8_t> rgb, depth, alpha;
    bool operator==(const Decoded&) const = default;
};

std::vector<Decoded> DecodeAll(const std::string& path) {
    GameFile game;
    EXPECT_EQ(game.Open(path, GameFileAccess::kReadOnly), rc::kOk) << path;
    std::vector<Decoded> frames;
    ResourceFile& file = *game.Container();
    for (const ResType type : {restype::kSPR, restype::kSPR2}) {
        const int16_t count = file.CountResources(type);
        for (int16_t i = 1; i <= count; ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            uint16_t id = 0;
            file.GetResID(block, id);
            file.ReleaseResource(block);
            SpriteDecoder decoder(file, static_cast<ResId>(id));
            for (uint32_t f = 0; f < CountSpriteFrames(file, static_cast<ResId>(id)); ++f) {
                Decoded d;
                d.spr2 = type == restype::kSPR2;
                Palette palette;
                SpritePosition position;
                SpriteSize size;
                uint32_t fill = 0;
                std::unique_ptr<platform::Bitmap> c, dp, a;
                decoder.Decode(static_cast<int32_t>(f), 0,
                               {&fill, &position, &size, &palette, nullptr, &c, &dp, &a});
                d.width = size.width, d.height = size.height, d.x = position.first, d.y = position.second;
                for (int32_t y = 0; c && y < size.height; ++y)
                    for (int32_t x = 0; x < size.width; ++x) {
                        const uint8_t depth = dp->TopRow(y)[x], alpha = a->TopRow(y)[x];
                        const PaletteEntry e = palette.Entry(c->TopRow(y)[x]);
                        const bool present = depth != 255 || alpha != 0;
                        d.rgb.insert(d.rgb.end(), {present ? e.red : uint8_t{0}, present ? e.green : uint8_t{0},
                                                   present ? e.blue : uint8_t{0}});
                        d.depth.push_back(depth);
                        d.alpha.push_back(alpha);
                    }
                frames.push_back(std::move(d));
            }
        }
    }
    return frames;
}

// Every object's preview in all twelve views, as red, green, blue rows.
std::vector<std::vector<uint8_t>> Previews(const std::string& path) {
    GameFile game;
    EXPECT_EQ(game.Open(path, GameFileAccess::kReadOnly), rc::kOk) << path;
    ObjectSet set;
    set.SetResourceSet(game.TakeContainer());
    set.Load(1);
    std::vector<std::vector<uint8_t>> pictures;
    for (ObjectRecord* object : set.Objects())
        for (int view = 0; view < kPreviewImageCount; ++view) {
            auto picture = RenderObjectPreview(*object, view, kWhite, nullptr);
            std::vector<uint8_t> rgb{static_cast<uint8_t>(picture ? picture->Width() : 0)};
            for (int32_t y = 0; picture && y < picture->Height(); ++y)
                for (int32_t x = 0; x < picture->Width(); ++x) {
                    const uint8_t* row = picture->TopRow(y);
                    const platform::RgbQuad q = picture->BitsPerPixel() == 8 ? picture->ColourTable()[row[x]]
                                                                             : platform::RgbQuad{row[3 * x], row[3 * x + 1],
                                                                                                 row[3 * x + 2], 0};
                    rgb.insert(rgb.end(), {q.red, q.green, q.blue});
                }
            pictures.push_back(std::move(rgb));
        }
    return pictures;
}

// The PNG bytes with a text chunk before the end, as another program saving the same
// pixels adds its name.
std::vector<uint8_t> WithTextChunk(std::vector<uint8_t> png) {
    const std::string text = "Software\0another editor";
    std::vector<uint8_t> chunk{0, 0, 0, static_cast<uint8_t>(text.size()), 't', 'E', 'X', 't'};
    chunk.insert(chunk.end(), text.begin(), text.end());
    const uint32_t crc = PngChunkCrc(chunk.data() + 4, chunk.size() - 4);
    chunk.insert(chunk.end(), {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                               static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)});
    png.insert(png.end() - 12, chunk.begin(), chunk.end());  // before IEND
    return png;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Rewrites every picture of an export through `edit` (colour pictures as RGBA, depth and
// alpha as grey), saving each as another program would.
template <typename Edit>
void EditPictures(const std::string& folder, Edit edit) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".png") continue;
        const bool colour = entry.path().filename().string().find("_color") != std::string::npos;
        PngImage image;
        ASSERT_TRUE(ReadPngFile(entry.path().string(), colour ? 4 : 1, image).Ok());
        edit(image, colour);
        if (!colour) {
            // Saved as grey in red, green and blue: other bytes, the same grey.
            PngImage rgb(image.width, image.height, 3);
            for (size_t i = 0; i < image.pixels.size(); ++i) std::fill_n(&rgb.pixels[3 * i], 3, image.pixels[i]);
            image = std::move(rgb);
        }
        WriteBytes(entry.path().string(), WithTextChunk(EncodePng(image)));
    }
}

class SpriteRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = new Folder;
        DemoOptions options;
        options.quality = kDraftQuality;
        std::string error;
        sCode = WriteDemoFolder(sFolder->File("demo"), options, nullptr, error);
    }
    static void TearDownTestSuite() {
        UnmountFarArchives(sFolder->Path().c_str());
        delete sFolder;
    }
    void SetUp() override {
        ASSERT_EQ(sCode, 0);
        fs::create_directories(mDir.File("mods/Lighting"));
        for (const char* object : kObjects) {
            const fs::path from = sFolder->File(std::string("demo/GameData/Objects/") + object);
            fs::copy_file(from, mDir.File(std::string("mods/") + object));
            fs::path companion = from;
            companion.replace_extension(".spf");
            if (fs::exists(companion)) {
                fs::path to = mDir.File(std::string("mods/") + object);
                fs::copy_file(companion, to.replace_extension(".spf"));
            }
        }
    }
    std::string Mod(const std::string& object) const { return mDir.File("mods/" + object); }
    std::string Out(const std::string& object) const { return mDir.File("out/" + object); }

    static inline Folder* sFolder = nullptr;
    static inline int32_t sCode = 0;
    Folder mDir;
};

// Export then import with no picture changed writes nothing.
TEST_F(SpriteRoundTrip, UnchangedPicturesLeaveEveryFileAsItWas) {
    for (const char* object : kObjects) {
        SCOPED_TRACE(object);
        const std::vector<uint8_t> before = ReadFileBytes(Mod(object));
        const CliRun exported = Cli({"export-sprites", Mod(object), "-o", Out(object)});
        ASSERT_EQ(exported.code, 0) << exported.err;
        const CliRun imported = Cli({"import-sprites", Mod(object), Out(object)});
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_TRUE(Has(imported.out, "0 sprites changed")) << imported.out;
        EXPECT_FALSE(Has(imported.out, "re-encoded")) << imported.out;
        EXPECT_EQ(ReadFileBytes(Mod(object)), before);
    }
}

// Every picture saved again by another program, pixels unchanged: the frames are
// re-encoded, decode to the same planes, and the previews match in all twelve views.
TEST_F(SpriteRoundTrip, ResavedPicturesDecodeAndPreviewTheSame) {
    for (const char* object : kObjects) {
        SCOPED_TRACE(object);
        const std::vector<Decoded> frames = DecodeAll(Mod(object));
        const auto previews = Previews(Mod(object));
        ASSERT_EQ(Cli({"export-sprites", Mod(object), "-o", Out(object)}).code, 0);
        EditPictures(Out(object), [](PngImage&, bool) {});
        const CliRun imported = Cli({"import-sprites", Mod(object), Out(object)});
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_TRUE(Has(imported.out, "re-encoded; palette")) << imported.out;
        EXPECT_TRUE(Has(imported.out, " kept; largest colour error 0")) << imported.out;
        EXPECT_FALSE(Has(imported.out, "unchanged")) << imported.out;
        EXPECT_TRUE(DecodeAll(Mod(object)) == frames);
        EXPECT_TRUE(Previews(Mod(object)) == previews);
    }
}

// Red and blue swapped in every colour: shape, depth and alpha come back exactly, the
// colours swapped within the stated error (0 for the demo: no sprite of it has more than
// 256 colours, so the palette made holds every one), and so do the previews.
TEST_F(SpriteRoundTrip, RecolouredSpritesKeepTheirShapeAndPreviewSwapped) {
    const auto swap = [](std::vector<uint8_t>& rgb) {
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    };
    for (const char* object : kObjects) {
        SCOPED_TRACE(object);
        std::vector<Decoded> frames = DecodeAll(Mod(object));
        auto previews = Previews(Mod(object));
        ASSERT_EQ(Cli({"export-sprites", Mod(object), "-o", Out(object)}).code, 0);
        EditPictures(Out(object), [](PngImage& image, bool colour) {
            if (!colour) return;
            for (size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 2]);
        });
        const CliRun imported = Cli({"import-sprites", Mod(object), Out(object)});
        ASSERT_EQ(imported.code, 0) << imported.err;
        EXPECT_TRUE(Has(imported.out, "made")) << imported.out;
        const auto count = [&](const std::string& words) {
            size_t n = 0;
            for (size_t at = imported.out.find(words); at != std::string::npos; at = imported.out.find(words, at + 1)) ++n;
            return n;
        };
        EXPECT_EQ(count("largest colour error 0\n"), count("re-encoded")) << imported.out;
        for (Decoded& f : frames) swap(f.rgb);
        EXPECT_TRUE(DecodeAll(Mod(object)) == frames);
        for (auto& p : previews) {
            std::vector<uint8_t> pixels(p.begin() + 1, p.end());
            swap(pixels);
            std::copy(pixels.begin(), pixels.end(), p.begin() + 1);
        }
        EXPECT_TRUE(Previews(Mod(object)) == previews);
    }
}

TEST(SpriteCommands, BadCommandLinesGiveOneLineAndExitTwo) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"export-sprites", "a.iff"}, "export-sprites needs -o DIR"},
        {{"export-sprites", "a.iff", "-o", "d", "--sprite", "x"}, "--sprite must be a number"},
        {{"export-sprites", "a.iff", "-o", "d", "--sprite", "40000"}, "--sprite must be a number"},
        {{"export-sprites", "a.iff", "-o", "d", "-o", "e"}, "given twice"},
        {{"import-sprites", "a.iff"}, "import-sprites takes a file and a folder"},
        {{"import-sprites", "a.iff", "d", "--sprite", "1"}, "unknown option --sprite"},
    };
    for (const auto& [args, words] : cases) ExpectOneErrorLine(Cli(args), kExitBadArgument, words);
}

// From an archive entry sprites export (two of them chosen here) but never import; a dry
// run says what a real one then does, and writes nothing.
TEST_F(SpriteRoundTrip, ArchivesExportOnlyAndADryRunSaysWhatARealRunDoes) {
    const std::string entry = sFolder->File("demo/GameData/Objects/Objects.far/Chairs/ChairKitchen.iff");
    const CliRun exported = Cli({"export-sprites", entry, "-o", Out("kitchen"), "--sprite", "101", "--sprite", "100"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    EXPECT_EQ(exported.out, "2 sprites, 8 frames, 24 pictures written to " + Out("kitchen") + "\n");
    ExpectOneErrorLine(Cli({"import-sprites", entry, Out("kitchen")}), kExitBadFile, "lies in an archive");
    ExpectOneErrorLine(Cli({"import-sprites", sFolder->File("demo/GameData/Objects/Plants.iff"), Out("kitchen")}),
                       kExitBadFile, "the game's own folders");

    ASSERT_EQ(Cli({"export-sprites", Mod("Plants.iff"), "-o", Out("plants")}).code, 0);
    EditPictures(Out("plants") + "/SPR2_201", [](PngImage& image, bool colour) {
        if (colour) image.pixels[0] ^= 0x40;
    });
    const std::vector<uint8_t> before = ReadFileBytes(Mod("Plants.iff"));
    const CliRun dry = Cli({"import-sprites", Mod("Plants.iff"), Out("plants"), "--dry-run"});
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(ReadFileBytes(Mod("Plants.iff")), before);
    EXPECT_TRUE(Has(dry.out, "dry run: 1 sprites would change; nothing was written\n")) << dry.out;
    const CliRun real = Cli({"import-sprites", Mod("Plants.iff"), Out("plants")});
    ASSERT_EQ(real.code, 0) << real.err;
    EXPECT_TRUE(Has(real.out, "SPR2 201 \"Rubber Plant - medium\": frames 0, 1, 2, 3 re-encoded")) << real.out;
    EXPECT_EQ(real.out.substr(0, real.out.rfind("SPR2 202")), dry.out.substr(0, dry.out.rfind("SPR2 202")));
    EXPECT_NE(ReadFileBytes(Mod("Plants.iff")), before);
}

// The encoders' output reads back through the decoders for every frame of every demo
// object file, archives included.
TEST_F(SpriteRoundTrip, EncodersReadBackThroughTheDecodersForEveryDemoFrame) {
    size_t checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(sFolder->File("demo"))) {
        const std::string ext = FoldedAscii(entry.path().extension().string());
        if (ext != ".iff" && ext != ".spf") continue;
        SCOPED_TRACE(entry.path().string());
        for (const Decoded& d : DecodeAll(entry.path().string())) {
            SpriteImage image(d.width, d.height);
            image.x = static_cast<int16_t>(d.x), image.y = static_cast<int16_t>(d.y);
            // Each distinct colour gets an index: a palette made for this frame alone.
            std::vector<PaletteEntry> palette;
            std::map<uint32_t, uint8_t> index;
            for (size_t i = 0; i < image.alpha.size(); ++i) {
                image.depth[i] = d.depth[i];
                image.alpha[i] = d.alpha[i];
                const uint32_t rgb = uint32_t{d.rgb[3 * i]} << 16 | d.rgb[3 * i + 1] << 8 | d.rgb[3 * i + 2];
                if (!index.count(rgb)) {
                    index[rgb] = static_cast<uint8_t>(palette.size());
                    palette.push_back({d.rgb[3 * i], d.rgb[3 * i + 1], d.rgb[3 * i + 2], 0});
                }
                image.color[i] = index[rgb];
            }
            ASSERT_LE(palette.size(), 256u);
            const std::string path = mDir.File("one.iff");
            fs::remove(path);
            WriteIff(path, {{restype::kPALT, 1, "", EncodePalette(palette)},
                            d.spr2 ? Resource{restype::kSPR2, 1, "", EncodeSpr2({image}, 1)}
                                   : Resource{restype::kSPR, 1, "", EncodeSprHash({image}, 1)}});
            const std::vector<Decoded> back = DecodeAll(path);
            ASSERT_EQ(back.size(), 1u);
            EXPECT_TRUE(back[0] == d) << "frame " << checked;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100u);
}

}  // namespace
}  // namespace tambrix::tools
