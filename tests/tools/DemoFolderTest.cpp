#include "DemoFolder.h"

#include "Cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ToolsTestSupport.h"

#include "catalog/ObjectSet.h"
#include "fileaccess/FarArchive.h"
#include "catalog/StringTable.h"
#include "iff/IffResourceFile.h"
#include "iff/LegacyIffResourceFile.h"
#include "graphics/Sprite.h"
#include "graphics/PreviewRenderer.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

// Every file under a folder, by relative path, with its bytes.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = test::ReadFileBytes(entry.path().string());
    }
    return files;
}

// One demo folder shared by the tests that only read it (painting takes a while).
class DemoFolderFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = new test::ScratchFolder;
        DemoOptions options;
        options.quality = Quality{1, 1};  // the cheapest pictures: these tests check structure
        options.scale = 3;
        std::string error;
        sCode = WriteDemoFolder(*sFolder / "demo", options, &sFiles, error);
        sError = error;
    }
    static void TearDownTestSuite() {
        delete sFolder;
        sFolder = nullptr;
    }
    void SetUp() override { ASSERT_EQ(sCode, 0) << sError; }

    static std::string Path(const std::string& relative) { return *sFolder / ("demo/" + relative); }

    // Opens a file as the browser does for its extension, and loads its object set.
    static std::unique_ptr<ObjectSet> Load(const std::string& relative, bool legacy = false) {
        std::unique_ptr<ResourceFile> file;
        if (legacy) file = std::make_unique<LegacyIffResourceFile>();
        else file = std::make_unique<IffResourceFile>();
        EXPECT_EQ(file->Open(FileNameText(Path(relative))), 0) << relative;
        auto set = std::make_unique<ObjectSet>();
        set->SetResourceSet(std::move(file));
        set->Load(1);
        return set;
    }

    static test::ScratchFolder* sFolder;
    static std::vector<DemoFile> sFiles;
    static int32_t sCode;
    static std::string sError;
};
test::ScratchFolder* DemoFolderFiles::sFolder = nullptr;
std::vector<DemoFile> DemoFolderFiles::sFiles;
int32_t DemoFolderFiles::sCode = 0;
std::string DemoFolderFiles::sError;

TEST_F(DemoFolderFiles, TreeHoldsListedUnlistedAndEmptyFolders) {
    EXPECT_TRUE(fs::is_regular_file(Path("readme.txt")));
    EXPECT_TRUE(fs::is_regular_file(Path("GameData/Behavior.dat")));
    EXPECT_TRUE(fs::is_directory(Path("GameData/Objects/Lighting")));
    EXPECT_TRUE(fs::is_empty(Path("GameData/Sounds")));
    EXPECT_TRUE(fs::is_empty(Path("UserData/Houses")));
    for (const DemoFile& f : sFiles) EXPECT_TRUE(fs::is_regular_file(Path(f.path))) << f.path;
}

TEST_F(DemoFolderFiles, SingleTileObjectHasItsCatalogAndTwelveViews) {
    auto set = Load("GameData/Objects/ChairDining.iff");
    ASSERT_EQ(set->Objects().size(), 1u);
    const ObjectRecord& chair = *set->Objects()[0];
    EXPECT_EQ(chair.Name(), "Dining Chair");
    EXPECT_EQ(chair.Price(), 80);
    EXPECT_EQ(chair.CatalogFound(), 1);
    EXPECT_FALSE(chair.Description().empty());
    ASSERT_EQ(set->Sprites().size(), 3u);  // far, medium, near
    for (const SpriteRef& s : set->Sprites()) EXPECT_EQ(CountSpriteFrames(*set->ResourceSet(), s.id), 4u);
    ASSERT_EQ(set->DrawGroups().size(), 1u);
    EXPECT_EQ(set->DrawGroups()[0].id, chair.BaseGraphicId());
}

TEST_F(DemoFolderFiles, MultiTileObjectIsAMasterWithThreeTiles) {
    auto set = Load("GameData/Objects/SofaModern.iff");
    ASSERT_EQ(set->AllRecords().size(), 4u);
    ASSERT_EQ(set->Objects().size(), 1u);
    const ObjectRecord& master = *set->Objects()[0];
    EXPECT_TRUE(master.IsMaster());
    ASSERT_EQ(master.Tiles().size(), 3u);
    for (size_t t = 0; t < 3; ++t) {
        EXPECT_EQ(master.Tiles()[t]->TileX(), t);
        EXPECT_EQ(master.Tiles()[t]->TileY(), 0);
        EXPECT_EQ(master.Tiles()[t]->Name(), kNameUndefined);  // the master carries the texts
    }
    EXPECT_EQ(master.Name(), "Three-Seat Sofa");
}

TEST_F(DemoFolderFiles, CatalogKinds) {
    EXPECT_EQ(Load("GameData/Objects/Lighting/LampFloor.iff")->Objects()[0]->Name(), "Brass Reading Lamp");  // CATS
    auto armchair = Load("Downloads/ArmchairPrototype.IFF");
    EXPECT_EQ(armchair->Objects()[0]->Name(), kNameUndefined);
    EXPECT_EQ(armchair->Objects()[0]->CatalogFound(), 0);
    // Two languages: the second language's name is there for a reader who asks for it.
    auto table = Load("GameData/Objects/GlassTable.iff");
    EXPECT_EQ(table->Objects()[0]->Name(), "Glass Coffee Table");
    StringTable strings;
    strings.SetSource(table->ResourceSet(), 128, MakeResType("CTSS"), StringTable::kBinaryMode, -1);
    ASSERT_EQ(strings.Read(true, false), 0);
    ASSERT_NE(strings.Get(1, 1), nullptr);
    EXPECT_STREQ(strings.Get(1, 1), "Table basse en verre");
    EXPECT_EQ(strings.SourceLanguage(1, 1), 1);
}

TEST_F(DemoFolderFiles, SpritesOfTheCompanionLiveOnlyInTheSpriteFile) {
    auto object = Load("GameData/Objects/GlassTable.iff");
    EXPECT_TRUE(object->Sprites().empty());
    EXPECT_EQ(object->Objects().size(), 1u);
    auto sprites = Load("GameData/Objects/GlassTable.spf");
    EXPECT_EQ(sprites->Sprites().size(), 3u);
    EXPECT_EQ(sprites->Palettes().size(), 1u);
    EXPECT_TRUE(sprites->Objects().empty());
}

TEST_F(DemoFolderFiles, OlderFileIsVersion20WithByteSwappedSprHash) {
    const std::vector<uint8_t> header = test::ReadFileBytes(Path("GameData/Objects/Bookcase_Old.iff"));
    ASSERT_GE(header.size(), 64u);
    EXPECT_EQ(header[9], '2');
    EXPECT_EQ(header[11], '0');
    auto set = Load("GameData/Objects/Bookcase_Old.iff");
    ASSERT_EQ(set->Objects().size(), 1u);
    ASSERT_EQ(set->Sprites().size(), 3u);
    EXPECT_EQ(set->Sprites()[0].type, MakeResType("SPR#"));
    // Drawn through the byte-order fix-up and its own palette.
    auto frame = DrawSprite(*set->ResourceSet(), set->Sprites()[2].id, 2, 0xFFFFFF, kSpriteViewColour);
    ASSERT_NE(frame, nullptr) << LastGraphicsError();
    EXPECT_GT(frame->Height(), 100);
}

TEST_F(DemoFolderFiles, FileWithoutObjectsShowsStringTableZero) {
    auto set = Load("GameData/UIGraphics/Icons.iff");
    EXPECT_TRUE(set->Objects().empty());
    EXPECT_EQ(set->Sprites().size(), 2u);
    StringTable table;
    ASSERT_EQ(table.Load(set->ResourceSet(), 0, false), 0);
    EXPECT_STREQ(table.Get(1, StringTable::kCurrentLanguage), "Interface Icons");
    EXPECT_STREQ(table.Get(2, StringTable::kCurrentLanguage), "0");
}

TEST_F(DemoFolderFiles, WallHasThreeSpritesOfFourFramesInOrder) {
    auto set = Load("GameData/Walls/SageStripe.wll", true);
    ASSERT_EQ(set->Sprites().size(), 3u);
    EXPECT_EQ(set->Sprites()[0].label.View(), "Far");
    EXPECT_EQ(set->Sprites()[2].label.View(), "Near");
    for (const SpriteRef& s : set->Sprites()) EXPECT_EQ(CountSpriteFrames(*set->ResourceSet(), s.id), 4u);
    StringTable table;
    ASSERT_EQ(table.Load(set->ResourceSet(), 0, false), 0);
    EXPECT_STREQ(table.Get(1, StringTable::kCurrentLanguage), "Sage Stripe Wallpaper");
}

TEST_F(DemoFolderFiles, FloorHasThreeOneFrameSprites) {
    auto set = Load("GameData/Floors/Parquet.flr", true);
    ASSERT_EQ(set->Sprites().size(), 3u);
    for (const SpriteRef& s : set->Sprites()) EXPECT_EQ(CountSpriteFrames(*set->ResourceSet(), s.id), 1u);
}

TEST_F(DemoFolderFiles, ScaleAddsGeneratedObjects) {
    int generated = 0;
    for (const DemoFile& f : sFiles) {
        if (f.note != "generated") continue;
        ++generated;
        auto set = Load(f.path);
        ASSERT_EQ(set->Objects().size(), 1u) << f.path;
        EXPECT_EQ(set->Objects()[0]->Name().rfind("Crate No. ", 0), 0u);
    }
    EXPECT_EQ(generated, 3);
}

// The part of a preview that is not background: its width and height.
struct Drawn {
    int width = 0, height = 0;
};
Drawn DrawnArea(const platform::Bitmap& picture) {
    int x0 = picture.Width(), x1 = -1, y0 = picture.Height(), y1 = -1;
    for (int y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.TopRow(y);
        for (int x = 0; x < picture.Width(); ++x) {
            if (row[3 * x] == 255 && row[3 * x + 1] == 255 && row[3 * x + 2] == 255) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    return x1 < 0 ? Drawn{} : Drawn{x1 - x0 + 1, y1 - y0 + 1};
}

TEST_F(DemoFolderFiles, EveryObjectRendersInEveryView) {
    const char* const files[] = {"GameData/Objects/ChairDining.iff", "GameData/Objects/Lighting/LampFloor.iff",
                                 "GameData/Objects/SofaModern.iff", "GameData/Objects/Bookcase_Old.iff",
                                 "Downloads/ArmchairPrototype.IFF"};
    for (const char* file : files) {
        auto set = Load(file);
        ASSERT_FALSE(set->Objects().empty()) << file;
        int widths[kPreviewImageCount] = {};
        for (int view = 0; view < kPreviewImageCount; ++view) {
            auto picture = RenderObjectPreview(*set->Objects()[0], view, 0xFFFFFF);
            ASSERT_NE(picture, nullptr) << file << " view " << view;
            widths[view] = DrawnArea(*picture).width;
            EXPECT_GT(widths[view], 4) << file << " view " << view;  // something was drawn
        }
        // Far is a quarter of near, medium a half (shadows and rounding aside).
        EXPECT_LT(widths[2] * 3, widths[10]) << file;
        EXPECT_LT(widths[6] * 3, widths[10] * 2) << file;
        EXPECT_GT(widths[6] * 3, widths[10]) << file;
    }
}

TEST_F(DemoFolderFiles, MultiTilePreviewIsWiderThanAnyOfItsTiles) {
    auto set = Load("GameData/Objects/SofaModern.iff");
    ObjectRecord& master = *set->Objects()[0];
    auto whole = RenderObjectPreview(master, kDefaultPreviewImage, 0xFFFFFF);
    ASSERT_NE(whole, nullptr);
    const Drawn all = DrawnArea(*whole);
    for (ObjectRecord* tile : master.Tiles()) {
        auto part = RenderObjectPreview(*tile, kDefaultPreviewImage, 0xFFFFFF);
        ASSERT_NE(part, nullptr);
        EXPECT_GT(all.width, DrawnArea(*part).width + 50);
    }
}

TEST_F(DemoFolderFiles, LampGlowIsBlendedOverTheBackground) {
    auto set = Load("GameData/Objects/Lighting/LampFloor.iff");
    auto picture = RenderObjectPreview(*set->Objects()[0], kDefaultPreviewImage, 0x000000);
    ASSERT_NE(picture, nullptr);
    // On black, the halo leaves warm pixels that are neither black nor a palette colour
    // of the lamp at full strength: count pixels with red above blue, not fully bright.
    int warm = 0;
    for (int y = 0; y < picture->Height(); ++y) {
        const uint8_t* row = picture->TopRow(y);
        for (int x = 0; x < picture->Width(); ++x) {
            const int b = row[3 * x], r = row[3 * x + 2];
            if (r > b + 20 && r > 10 && r < 160) ++warm;
        }
    }
    EXPECT_GT(warm, 300);
}

TEST_F(DemoFolderFiles, CliOpensAnObjectTogetherWithItsSpriteFile) {
    const std::string object = Path("GameData/Objects/GlassTable.iff");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"info", object, "--json", "--no-write"}, out, err), kExitOk) << err.str();
    EXPECT_NE(out.str().find("{\"type\": \"SPR2\", \"id\": 102,"), std::string::npos) << out.str();
    const std::string png = *sFolder / "glass.png";
    ASSERT_EQ(RunCli({"render", object, "--no-write", "-o", png}, out, err), kExitOk) << err.str();
    const std::vector<uint8_t> bytes = test::ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_GT((bytes[18] << 8) | bytes[19], 100);  // wider than the 33 pixels of an empty preview
    ASSERT_EQ(RunCli({"sprite", object, "--id", "102", "--frame", "2", "--no-write", "-o", png}, out, err), kExitOk)
        << err.str();
}

TEST_F(DemoFolderFiles, ArchiveHoldsObjectsAWallAndAFloorInSubFolders) {
    FarManifest manifest;
    ASSERT_EQ(ListFarArchive(Path("GameData/Objects/Objects.far").c_str(), manifest), rc::kOk);
    std::vector<std::string> names;
    for (const FarEntry& e : manifest.entries) {
        names.push_back(e.name);
        EXPECT_EQ(e.status, rc::kOk) << e.name;
        EXPECT_FALSE(e.compressed) << e.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Chairs\\ChairKitchen.iff", "Chairs\\ArmchairClub.iff",
                                               "Plants\\PlantRubber.iff", "Plants\\PlantRubber.spf",
                                               "CrateStorage.iff", "Walls\\RoseStripe.wll",
                                               "Floors\\ParquetDark.flr"}));
    // The staging folder the entries were written in is gone, and nothing is listed twice.
    EXPECT_FALSE(fs::exists(Path(".far-staging")));
    for (const DemoFile& f : sFiles) EXPECT_EQ(f.path.find("staging"), std::string::npos) << f.path;
}

TEST_F(DemoFolderFiles, CliOpensAnArchivedObjectWithItsCompanionFromTheArchive) {
    const std::string object = Path("GameData/Objects/Objects.far/Plants/PlantRubber.iff");
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"info", object, "--json"}, out, err), kExitOk) << err.str();
    EXPECT_NE(out.str().find("\"name\": \"Office Rubber Plant\""), std::string::npos) << out.str();
    // The sprites live only in the companion entry.
    EXPECT_NE(out.str().find("{\"type\": \"SPR2\", \"id\": 102,"), std::string::npos) << out.str();
    const std::string png = *sFolder / "archived.png";
    ASSERT_EQ(RunCli({"render", object, "--view", "5", "-o", png}, out, err), kExitOk) << err.str();
    const std::vector<uint8_t> bytes = test::ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_GT((bytes[18] << 8) | bytes[19], 40);  // wider than the 33 pixels of an empty preview

    // The same object extracted and opened as loose files shows the same.
    const std::string loose = *sFolder / "loose";
    std::ostringstream out2, err2, out3;
    ASSERT_EQ(RunCli({"far", "extract", Path("GameData/Objects/Objects.far"), "Plants\\PlantRubber.iff",
                      "Plants/PlantRubber.spf", "-o", loose},
                     out2, err2),
              kExitOk)
        << err2.str();
    ASSERT_EQ(RunCli({"info", loose + "/Plants/PlantRubber.iff", "--json", "--no-write"}, out3, err2), kExitOk) << err2.str();
    EXPECT_EQ(out3.str(), out.str());
}

TEST_F(DemoFolderFiles, ArchivedWallAndFloorShowTheirSprites) {
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"info", Path("GameData/Objects/Objects.far/Walls/RoseStripe.wll")}, out, err), kExitOk) << err.str();
    EXPECT_NE(out.str().find("name: Rose Stripe Wallpaper"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("3 \"Near\": 4 frames"), std::string::npos) << out.str();
    const std::string png = *sFolder / "floor.png";
    ASSERT_EQ(RunCli({"sprite", Path("GameData/Objects/Objects.far/Floors/ParquetDark.flr"), "--id", "3", "-o", png},
                     out, err),
              kExitOk)
        << err.str();
}

TEST_F(DemoFolderFiles, AnArchivedCatalogIsNotCompletedAndTheArchiveStaysAsItWas) {
    const std::string archive = Path("GameData/Objects/Objects.far");
    const std::vector<uint8_t> before = test::ReadFileBytes(archive);
    std::ostringstream out, err;
    // No --no-write: the completion a loose file would get is skipped without a word.
    ASSERT_EQ(RunCli({"info", archive + "/CrateStorage.iff"}, out, err), kExitOk) << err.str();
    EXPECT_TRUE(err.str().empty()) << err.str();
    EXPECT_NE(out.str().find("name: Storage Crate\nprice: 25\ndescription: \n"), std::string::npos) << out.str();
    EXPECT_EQ(test::ReadFileBytes(archive), before);
}

// Runs last among these: it changes a file.
TEST_F(DemoFolderFiles, ZzIncompleteCatalogIsCompletedOnFirstView) {
    const std::string path = "GameData/Objects/Plants.iff";
    const std::vector<uint8_t> before = test::ReadFileBytes(Path(path));
    auto set = Load(path);
    ASSERT_EQ(set->Objects().size(), 2u);
    EXPECT_EQ(set->Objects()[0]->Name(), "Potted Fern");
    EXPECT_EQ(set->Objects()[0]->Description(), "");
    EXPECT_EQ(set->Objects()[1]->Name(), "Rubber Plant");
    set.reset();  // closes the file
    EXPECT_NE(test::ReadFileBytes(Path(path)), before);
}

TEST_F(DemoFolderFiles, BitmapsOfEightAndTwentyFourBits) {
    auto le32 = [](const std::vector<uint8_t>& b, size_t at) {
        return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24));
    };
    const std::vector<uint8_t> sunset = test::ReadFileBytes(Path("GameData/UIGraphics/Sunset.bmp"));
    ASSERT_GT(sunset.size(), 54u);
    EXPECT_EQ(sunset[0], 'B');
    EXPECT_EQ(le32(sunset, 10), 54u);  // no colour table
    EXPECT_EQ(sunset[28], 24);
    const std::vector<uint8_t> swatches = test::ReadFileBytes(Path("GameData/UIGraphics/Swatches.BMP"));
    ASSERT_GT(swatches.size(), 1078u);
    EXPECT_EQ(le32(swatches, 10), 1078u);  // 256 colours
    EXPECT_EQ(swatches[28], 8);
    EXPECT_EQ(le32(swatches, 2), swatches.size());
}

TEST(DemoFolder, TwoRunsWriteTheSameBytes) {
    test::ScratchFolder folder;
    DemoOptions options;
    options.quality = Quality{1, 1};
    options.scale = 2;
    std::string error;
    ASSERT_EQ(WriteDemoFolder(folder / "one", options, nullptr, error), 0) << error;
    ASSERT_EQ(WriteDemoFolder(folder / "two", options, nullptr, error), 0) << error;
    const auto one = Snapshot(folder / "one"), two = Snapshot(folder / "two");
    ASSERT_EQ(one.size(), two.size());
    ASSERT_TRUE(one.count("GameData/Objects/Objects.far"));
    for (const auto& [name, bytes] : one) {
        ASSERT_TRUE(two.count(name)) << name;
        EXPECT_TRUE(bytes == two.at(name)) << name;
    }
}

TEST(DemoFolder, RefusesAFolderThatHoldsFilesAndAnAbsurdScale) {
    test::ScratchFolder folder;
    std::ofstream(folder / "keep.txt") << "mine";
    std::string error;
    EXPECT_NE(WriteDemoFolder(folder.Path(), DemoOptions{}, nullptr, error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(test::ReadFileBytes(folder / "keep.txt").size(), 4u);
    DemoOptions huge;
    huge.scale = kMaxDemoScale + 1;
    EXPECT_NE(WriteDemoFolder(folder / "new", huge, nullptr, error), 0);
    EXPECT_FALSE(fs::exists(folder / "new"));
}

}  // namespace
}  // namespace tambrix::tools
