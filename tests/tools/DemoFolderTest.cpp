// The demo folder: the same bytes on every run, and every file opens through the
// library and shows what it was made for.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ToolsTestSupport.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/Cli.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FarArchive.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "sets/GameFile.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWhite = 0xFFFFFF;

// The drawn part of a preview: the columns that hold something besides the background.
int DrawnWidth(const platform::Bitmap& picture, uint32_t background) {
    int left = picture.Width(), right = -1;
    const uint8_t b = background & 0xFF, g = (background >> 8) & 0xFF, r = (background >> 16) & 0xFF;
    for (int y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.TopRow(y);
        for (int x = 0; x < picture.Width(); ++x) {
            if (row[3 * x] == b && row[3 * x + 1] == g && row[3 * x + 2] == r) continue;
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    return right < left ? 0 : right - left + 1;
}

// Every file under a folder, by relative path, with its bytes.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = test::ReadFileBytes(entry.path().string());
    return files;
}

DemoOptions DraftWithCrates() {
    DemoOptions options;
    options.quality = kDraftQuality;
    options.scale = 2;
    return options;
}

// One demo folder, in draft quality with two generated crates, shared by the tests
// that read it.
class DemoFolderFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = new test::ScratchFolder;
        sCode = WriteDemoFolder(*sFolder / "demo", DraftWithCrates(), &sFiles, sError);
        if (sCode == 0) sWritten = Snapshot(*sFolder / "demo");  // before anything opens a file
    }
    static void TearDownTestSuite() {
        UnmountFarArchives(sFolder->Path().c_str());
        delete sFolder;
        sFolder = nullptr;
    }
    void SetUp() override { ASSERT_EQ(sCode, 0) << sError; }

    static std::string Path(const std::string& relative) { return *sFolder / ("demo/" + relative); }

    // Opens a file through the opening entry, as the browser does, through an archive
    // when the path leads through one (mounted here, so that it stays for the set).
    static std::unique_ptr<ObjectSet> Load(const std::string& relative) {
        const std::string path = Path(relative);
        EXPECT_EQ(MountFarArchiveOnPath(path.c_str()), rc::kOk) << relative;
        GameFile file;
        EXPECT_EQ(file.Open(path, GameFileAccess::kReadOnly), rc::kOk) << relative;
        auto set = std::make_unique<ObjectSet>();
        set->SetResourceSet(file.TakeContainer());
        set->Load(1);
        return set;
    }

    static test::ScratchFolder* sFolder;
    static std::vector<DemoFile> sFiles;
    static int32_t sCode;
    static std::string sError;
    static std::map<std::string, std::vector<uint8_t>> sWritten;
};
test::ScratchFolder* DemoFolderFiles::sFolder = nullptr;
std::vector<DemoFile> DemoFolderFiles::sFiles;
int32_t DemoFolderFiles::sCode = 0;
std::string DemoFolderFiles::sError;
std::map<std::string, std::vector<uint8_t>> DemoFolderFiles::sWritten;

TEST_F(DemoFolderFiles, HoldsTheFilesEveryRoadOfTheBrowserNeeds) {
    std::vector<std::string> listed;
    for (const DemoFile& f : sFiles) {
        listed.push_back(f.path);
        EXPECT_TRUE(fs::is_regular_file(Path(f.path))) << f.path;
        EXPECT_FALSE(f.note.empty()) << f.path;
    }
    const std::string deep =
        "Downloads/Generated/Deep/L1/L2/L3/L4/L5/L6/L7/L8/L9/L10/L11/L12/L13/L14/L15/L16/Crate1.iff";
    EXPECT_EQ(listed,
              (std::vector<std::string>{"readme.txt", "GameData/Behavior.dat", "GameData/Objects/ChairDining.iff",
                                        "GameData/Objects/Lighting/LampFloor.iff", "GameData/Objects/GlassTable.iff",
                                        "GameData/Objects/GlassTable.spf", "GameData/Objects/SofaModern.iff",
                                        "GameData/Objects/Plants.iff", "GameData/Objects/Bookcase_Old.iff",
                                        "Downloads/ArmchairPrototype.IFF", "GameData/UIGraphics/Icons.iff",
                                        "GameData/Walls/SageStripe.wll", "GameData/Floors/Parquet.flr",
                                        "GameData/UIGraphics/Sunset.bmp", "GameData/UIGraphics/Swatches.BMP",
                                        "GameData/Objects/Objects.far", "Downloads/Generated/Crate0.iff", deep}));
    EXPECT_TRUE(fs::is_empty(Path("GameData/Sounds")));
    EXPECT_TRUE(fs::is_empty(Path("UserData/Houses")));
    EXPECT_FALSE(fs::exists(Path(".far-staging")));  // where the archive's entries were written

    FarManifest manifest;
    ASSERT_EQ(ListFarArchive(Path("GameData/Objects/Objects.far").c_str(), manifest), rc::kOk);
    std::vector<std::string> entries;
    for (const FarEntry& e : manifest.entries) entries.push_back(e.name);
    EXPECT_EQ(entries,
              (std::vector<std::string>{"Chairs\\ChairKitchen.iff", "Chairs\\ArmchairClub.iff",
                                        "Plants\\PlantRubber.iff", "Plants\\PlantRubber.spf", "CrateStorage.iff",
                                        "Walls\\RoseStripe.wll", "Floors\\ParquetDark.flr"}));
}

// What a file shows: its top-level objects (each previewed in all twelve views), its
// sprites with their frames (each frame drawn), and the name in string table 0.
struct Shows {
    const char* path;
    std::vector<std::string> objects;
    std::vector<uint32_t> frames;  // per sprite, in order
    const char* tableZero;
};

TEST_F(DemoFolderFiles, EveryFileOpensAndShowsWhatItWasMadeFor) {
    const std::vector<uint32_t> views(3, 4), views2(6, 4), oneEach(3, 1);
    const Shows table[] = {
        {"GameData/Objects/ChairDining.iff", {"Dining Chair"}, views, nullptr},
        {"GameData/Objects/Lighting/LampFloor.iff", {"Brass Reading Lamp"}, views2, nullptr},  // and its glow
        {"GameData/Objects/GlassTable.iff", {"Glass Coffee Table"}, views, nullptr},           // from the .spf
        {"GameData/Objects/GlassTable.spf", {}, views, nullptr},
        {"GameData/Objects/SofaModern.iff", {"Three-Seat Sofa"}, std::vector<uint32_t>(9, 4), nullptr},
        {"GameData/Objects/Plants.iff", {"Potted Fern", "Rubber Plant"}, views2, nullptr},
        {"GameData/Objects/Bookcase_Old.iff", {"Heirloom Bookcase"}, views, nullptr},
        {"Downloads/ArmchairPrototype.IFF", {kNameUndefined}, views, nullptr},
        {"GameData/UIGraphics/Icons.iff", {}, {2, 2}, "Interface Icons"},
        {"GameData/Walls/SageStripe.wll", {}, views, "Sage Stripe Wallpaper"},
        {"GameData/Floors/Parquet.flr", {}, oneEach, "Oak Parquet"},
        {"GameData/Objects/Objects.far/Chairs/ChairKitchen.iff", {"Kitchen Chair"}, views, nullptr},
        {"GameData/Objects/Objects.far/Chairs/ArmchairClub.iff", {"Club Armchair"}, views, nullptr},
        {"GameData/Objects/Objects.far/Plants/PlantRubber.iff", {"Office Rubber Plant"}, views, nullptr},
        {"GameData/Objects/Objects.far/CrateStorage.iff", {"Storage Crate"}, views, nullptr},
        {"GameData/Objects/Objects.far/Walls/RoseStripe.wll", {}, views, "Rose Stripe Wallpaper"},
        {"GameData/Objects/Objects.far/Floors/ParquetDark.flr", {}, oneEach, "Dark Parquet"},
        {"Downloads/Generated/Crate0.iff", {"Crate No. 0"}, views, nullptr},
    };
    for (const Shows& row : table) {
        SCOPED_TRACE(row.path);
        auto set = Load(row.path);
        std::vector<std::string> names;
        for (ObjectRecord* object : set->Objects()) {
            names.push_back(object->Name());
            int widths[kPreviewImageCount] = {};
            for (int view = 0; view < kPreviewImageCount; ++view) {
                auto picture = RenderObjectPreview(*object, view, kWhite);
                ASSERT_NE(picture, nullptr) << "view " << view;
                widths[view] = DrawnWidth(*picture, kWhite);
                EXPECT_GT(widths[view], 4) << "view " << view;
            }
            // Far is a quarter of near, medium a half (shadows and rounding aside).
            EXPECT_LT(widths[2] * 3, widths[10]);
            EXPECT_GT(widths[6] * 3, widths[10]);
            EXPECT_LT(widths[6] * 3, widths[10] * 2);
        }
        EXPECT_EQ(names, row.objects);
        std::vector<uint32_t> frames;
        for (const SpriteRef& s : set->Sprites()) {
            frames.push_back(CountSpriteFrames(*set->ResourceSet(), s.id));
            for (uint32_t f = 0; f < frames.back(); ++f)
                EXPECT_NE(DrawSprite(*set->ResourceSet(), s.id, static_cast<int32_t>(f), kWhite, kSpriteViewColour),
                          nullptr)
                    << "sprite " << s.id << " frame " << f << ": " << LastGraphicsError();
        }
        EXPECT_EQ(frames, row.frames);
        if (row.tableZero) {
            StringTable strings;
            ASSERT_EQ(strings.Load(set->ResourceSet(), 0, false), 0);
            EXPECT_STREQ(strings.Get(1, StringTable::kCurrentLanguage), row.tableZero);
        }
    }
}

TEST_F(DemoFolderFiles, SpecialCasesShowThemselves) {
    // Multi-tile: a master that carries the texts and three tiles joined in its preview,
    // wider than any tile yet no wider than the floor of three tiles by one (4 x 64 pixels
    // across in a near view) and a tile's width of shadow.
    auto sofa = Load("GameData/Objects/SofaModern.iff");
    ObjectRecord& master = *sofa->Objects().at(0);
    ASSERT_EQ(master.Tiles().size(), 3u);
    for (int view = 8; view < kPreviewImageCount; ++view) {
        const int whole = DrawnWidth(*RenderObjectPreview(master, view, kWhite), kWhite);
        EXPECT_LE(whole, 5 * 64) << "view " << view;
        for (ObjectRecord* tile : master.Tiles()) {
            EXPECT_EQ(tile->Name(), kNameUndefined);
            EXPECT_GT(whole, DrawnWidth(*RenderObjectPreview(*tile, view, kWhite), kWhite) + 50) << "view " << view;
        }
    }

    // Each tile's depths stay below the step the renderer puts between neighbouring
    // tiles, so that a farther tile never covers a nearer one.
    ASSERT_EQ(sofa->Sprites().size(), 9u);  // per tile: far, medium, near
    for (size_t i = 0; i < sofa->Sprites().size(); ++i) {
        const int step = 347 >> (2 - static_cast<int>(i % 3));
        for (int frame = 0; frame < 4; ++frame) {
            std::unique_ptr<platform::Bitmap> depth;
            DecodeSpritePlanes(*sofa->ResourceSet(), sofa->Sprites()[i].id, frame, 0, {.depthPlane = &depth});
            ASSERT_NE(depth, nullptr);
            int tooDeep = 0;
            for (int y = 0; y < depth->Height(); ++y)
                for (int x = 0; x < depth->Width(); ++x) tooDeep += depth->Row(y)[x] != 255 && depth->Row(y)[x] >= step;
            EXPECT_EQ(tooDeep, 0) << "sprite " << i << " frame " << frame;
        }
    }

    // The lamp's glow is blended over the background: on black it leaves warm pixels of
    // partial strength, more than the shade alone could.
    auto lamp = Load("GameData/Objects/Lighting/LampFloor.iff");
    auto dark = RenderObjectPreview(*lamp->Objects().at(0), kDefaultPreviewImage, 0x000000);
    ASSERT_NE(dark, nullptr);
    int warm = 0;
    for (int y = 0; y < dark->Height(); ++y)
        for (int x = 0; x < dark->Width(); ++x) {
            const uint8_t* px = dark->TopRow(y) + 3 * x;
            warm += px[2] > px[0] + 20 && px[2] > 10 && px[2] < 160;
        }
    EXPECT_GT(warm, 300);

    // The second language of the two-language catalog.
    auto table = Load("GameData/Objects/GlassTable.iff");
    StringTable strings;
    strings.SetSource(table->ResourceSet(), 128, MakeResType("CTSS"), StringTable::kBinaryMode, -1);
    ASSERT_EQ(strings.Read(true, false), 0);
    EXPECT_STREQ(strings.Get(1, 1), "Table basse en verre");

    // The older file: a 2.0 header and SPR# sprites.
    const std::vector<uint8_t> header = test::ReadFileBytes(Path("GameData/Objects/Bookcase_Old.iff"));
    ASSERT_GE(header.size(), 12u);
    EXPECT_EQ(std::string(header.begin() + 9, header.begin() + 12), "2.0");
    EXPECT_EQ(Load("GameData/Objects/Bookcase_Old.iff")->Sprites().at(0).type, MakeResType("SPR#"));

    // The bitmaps: 24 bits without a colour table, 8 bits with 256 colours.
    for (const auto& [path, bits, offset] : {std::tuple{"GameData/UIGraphics/Sunset.bmp", 24, 54u},
                                             std::tuple{"GameData/UIGraphics/Swatches.BMP", 8, 1078u}}) {
        const std::vector<uint8_t> bmp = test::ReadFileBytes(Path(path));
        ASSERT_GT(bmp.size(), offset) << path;
        EXPECT_EQ(bmp[0], 'B') << path;
        EXPECT_EQ(bmp[10] | bmp[11] << 8, static_cast<int>(offset)) << path;
        EXPECT_EQ(bmp[28], bits) << path;
    }
}

// What make run shows without a display: every file the browser lists, archives as
// folders of their entries, with the pictures the browser shows; the folder unchanged.
TEST_F(DemoFolderFiles, ShowGivesEveryListedFileWithItsPictures) {
    test::ScratchFolder pictures;
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"show", Path(""), "--pictures", pictures.Path()}, out, err), kExitOk) << err.str();
    const std::string text = out.str();
    for (const char* shown : {"GameData/Objects/ChairDining.iff", "GameData/Objects/Objects.far (archive",
                              "GameData/Objects/Objects.far/Walls/RoseStripe.wll", "GameData/UIGraphics/Swatches.BMP"})
        EXPECT_NE(text.find(std::string("== ") + shown), std::string::npos) << shown;
    EXPECT_EQ(text.find("== readme.txt"), std::string::npos);
    EXPECT_EQ(text.find("not shown"), std::string::npos) << text;
    for (const char* picture : {"GameData_Objects_ChairDining-view10.png", "GameData_Floors_Parquet-sprite3-frame0.png",
                                "GameData_UIGraphics_Sunset.bmp"})
        EXPECT_TRUE(fs::is_regular_file(pictures / picture)) << picture;
    EXPECT_EQ(Snapshot(Path("")), sWritten);
}

// find answers from the index of the folder: a description word finds the plant inside
// the archive, a missing word nothing, bad arguments a usage error; no game file changes.
TEST_F(DemoFolderFiles, FindSearchesTheFolderIndexArchivesIncluded) {
    test::ScratchFolder cache;
    const std::string db = cache / "index.sqlite";
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string expected;  ///< in the output (stdout, or stderr for a failure)
    } cases[] = {
        {{"find", Path(""), "fluorescent", "--index", db}, kExitOk,
         "GameData/Objects/Objects.far/Plants/PlantRubber.iff  \"Office Rubber Plant\""},
        {{"find", Path(""), "neglect", "--index", db, "--json"}, kExitOk, "\"name\": \"Office Rubber Plant\""},
        {{"find", Path(""), "zzzunheardof", "--index", db}, kExitOk, ""},
        {{"find", Path(""), "--index", db}, kExitBadArgument, "find takes a folder and a text"},
        {{"find", Path(""), "x", "--limit", "0"}, kExitBadArgument, "--limit must be a number"},
        {{"find", Path("readme.txt"), "x", "--index", db}, kExitBadFile, "not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[2]);
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(c.args, out, err), c.code) << err.str();
        const std::string text = c.code == kExitOk ? out.str() : err.str();
        if (c.expected.empty())
            EXPECT_EQ(text, "");
        else
            EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    }
    EXPECT_EQ(Snapshot(Path("")), sWritten);
}

TEST_F(DemoFolderFiles, ASecondRunWritesTheSameBytes) {
    std::string error;
    ASSERT_EQ(WriteDemoFolder(*sFolder / "again", DraftWithCrates(), nullptr, error), 0) << error;
    const auto again = Snapshot(*sFolder / "again");
    ASSERT_EQ(again.size(), sWritten.size());
    for (const auto& [name, bytes] : sWritten) {
        ASSERT_TRUE(again.count(name)) << name;
        EXPECT_TRUE(bytes == again.at(name)) << name;
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
