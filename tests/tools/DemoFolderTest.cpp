// The demo folder: the same bytes on every run, and every file opens through the
// library and shows what it was made for; show and find on it change nothing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "ToolsTestSupport.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "cli/CliCommon.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FarArchive.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#if TAMBRIX_FIND_COMMAND
#include "index/GameIndex.h"
#endif
#include "sets/GameFile.h"
#include "support/HostTest.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWhite = 0xFFFFFF;

// Every file under a folder, by relative path, with its bytes.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& root) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = ReadFileBytes(entry.path().string());
    return files;
}

DemoOptions DraftWithCrates() {
    DemoOptions options;
    options.quality = kDraftQuality;
    options.scale = 2;
    return options;
}

// One demo folder, in draft quality with two generated crates, shared by the tests.
class DemoFolderFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = new Folder;
        sCode = WriteDemoFolder(sFolder->File("demo"), DraftWithCrates(), nullptr, sError);
        if (sCode == 0) sWritten = Snapshot(sFolder->File("demo"));  // before anything opens a file
    }
    static void TearDownTestSuite() {
        UnmountFarArchives(sFolder->Path().c_str());
        delete sFolder;
    }
    void SetUp() override { ASSERT_EQ(sCode, 0) << sError; }

    static std::string Path(const std::string& relative) { return sFolder->File("demo/" + relative); }

    // Opens a file as the browser does, through an archive when the path leads through
    // one (mounted here, so that it stays for the set).
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

    static inline Folder* sFolder = nullptr;
    static inline int32_t sCode = 0;
    static inline std::string sError;
    static inline std::map<std::string, std::vector<uint8_t>> sWritten;
};

// What a file shows: its top-level objects (each previewed in all twelve views), its
// sprites with their frames (each frame drawn), and the name in string table 0.
TEST_F(DemoFolderFiles, EveryFileOpensAndShowsWhatItWasMadeFor) {
    const std::vector<uint32_t> views(3, 4), views2(6, 4), oneEach(3, 1);
    const struct {
        const char* path;
        std::vector<std::string> objects;
        std::vector<uint32_t> frames;  // per sprite, in order
        const char* tableZero;
    } table[] = {
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
        {"ExpansionPack1/ExpansionPack1.far/Objects/PatioChair.iff", {"Patio Chair"}, views, nullptr},
        {"Downloads/Generated/Crate0.iff", {"Crate No. 0"}, views, nullptr},
        {"Downloads/Generated/Deep/L1/L2/L3/L4/L5/L6/L7/L8/L9/L10/L11/L12/L13/L14/L15/L16/Crate1.iff",
         {"Crate No. 1"}, views, nullptr},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.path);
        auto set = Load(row.path);
        std::vector<std::string> names;
        for (ObjectRecord* object : set->Objects()) {
            names.push_back(object->Name());
            for (int view = 0; view < kPreviewImageCount; ++view) {
                PreviewReport report;
                auto picture = RenderObjectPreview(*object, view, kWhite, &report);
                ASSERT_NE(picture, nullptr) << "view " << view;
                EXPECT_TRUE(report.outcome == PreviewReport::Outcome::kDrawn && picture->Width() > 36) << view;
            }
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

// What make run shows without a display: every file the browser lists, archives as
// folders of their entries, with the pictures the browser shows; find answers from the
// folder's index, archives included. The folder stays as it was.
TEST_F(DemoFolderFiles, ShowAndFindAnswerForTheFolderAndChangeNothing) {
    if (!kPngOutput) GTEST_SKIP() << test::kNoPngInBuild << " (show writes its pictures as PNG)";
    if (!kFindCommand) GTEST_SKIP() << test::kNoIndexInBuild;
#if TAMBRIX_FIND_COMMAND
    Folder out;
    CliRun r = Cli({"show", Path(""), "--pictures", out.Path()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    for (const char* shown : {"GameData/Objects/ChairDining.iff", "GameData/Objects/Objects.far (archive",
                              "GameData/Objects/Objects.far/Walls/RoseStripe.wll", "GameData/UIGraphics/Swatches.BMP"})
        EXPECT_TRUE(Has(r.out, std::string("== ") + shown)) << shown;
    EXPECT_FALSE(Has(r.out, "== readme.txt") || Has(r.out, "not shown")) << r.out;
    // The game's own files and skins say what they are; an archive of sounds what it holds.
    for (const char* said : {"note: house file: 5 resources, no object definitions",
                             "note: character file: 3 resources, 1 object definition",
                             "note: neighborhood file: 2 resources, no object definitions",
                             "note: skin mesh: 80 bytes", "holds no file the browser lists: 3 files: .wav"})
        EXPECT_TRUE(Has(r.out, said)) << said;
    for (const char* picture : {"GameData_Objects_ChairDining-view10.png", "GameData_Floors_Parquet-sprite3-frame0.png",
                                "GameData_UIGraphics_Sunset.bmp"})
        EXPECT_TRUE(fs::is_regular_file(out.File(picture))) << picture;
    const std::string db = out.File("index.sqlite");
    r = Cli({"find", Path(""), "fluorescent", "--index", db});
    EXPECT_TRUE(Has(r.out, "GameData/Objects/Objects.far/Plants/PlantRubber.iff  \"Office Rubber Plant\"")) << r.out;
    r = Cli({"find", Path(""), "neglect", "--index", db, "--json"});
    EXPECT_TRUE(Has(r.out, "\"name\": \"Office Rubber Plant\"")) << r.out;
    r = Cli({"find", Path(""), "zzzunheardof", "--index", db});
    EXPECT_TRUE(r.code == kExitOk && r.out.empty()) << r.out << r.err;
    ExpectOneErrorLine(Cli({"find", Path("readme.txt"), "x", "--index", db}), kExitBadFile, "not a folder");
    EXPECT_EQ(Snapshot(Path("")), sWritten);
#endif
}

// Without --index, find keeps the folder's one database in the user's cache folder (the
// browser's too); a damaged one there is built again and said so on stderr, while a damaged
// file named with --index is refused and left as it is.
TEST_F(DemoFolderFiles, FindKeepsOneCacheDatabaseAndBuildsADamagedOneAgain) {
    if (!kFindCommand) GTEST_SKIP() << test::kNoIndexInBuild;
#if TAMBRIX_FIND_COMMAND
    Folder cache;
    const char* old = getenv("XDG_CACHE_HOME");
    const std::string kept = old ? old : "";
    setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
    const std::string database = DefaultIndexPath(Path(""));
    EXPECT_EQ(database.rfind(cache.Path() + "/tambrix/index-", 0), 0u) << database;

    struct Case {
        const char* what;
        const char* bytes;  ///< written over the database first; nullptr: left as it is
        bool rebuilt;
    };
    const Case cases[] = {{"first use", nullptr, false}, {"again", nullptr, false}, {"damaged", "not sqlite", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes) cache.Write(fs::relative(database, cache.Path()).string(), c.bytes);
        const CliRun r = Cli({"find", Path(""), "fluorescent"});
        EXPECT_EQ(r.code, kExitOk) << r.err;
        EXPECT_TRUE(Has(r.out, "PlantRubber.iff")) << r.out;
        EXPECT_EQ(Has(r.err, "the index was damaged and is built again"), c.rebuilt) << r.err;
    }
    const std::string named = cache.Write("named.sqlite", "not sqlite");
    ExpectOneErrorLine(Cli({"find", Path(""), "x", "--index", named}), kExitBadFile, "named.sqlite");
    EXPECT_EQ(cache.Read("named.sqlite"), std::vector<uint8_t>({'n', 'o', 't', ' ', 's', 'q', 'l', 'i', 't', 'e'}));
    old ? setenv("XDG_CACHE_HOME", kept.c_str(), 1) : unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(Snapshot(Path("")), sWritten);
#endif
}

TEST_F(DemoFolderFiles, ASecondRunWritesTheSameBytes) {
    std::string error;
    ASSERT_EQ(WriteDemoFolder(sFolder->File("again"), DraftWithCrates(), nullptr, error), 0) << error;
    EXPECT_TRUE(Snapshot(sFolder->File("again")) == sWritten);
}

TEST(DemoFolder, RefusesAFolderThatHoldsFilesAndAnAbsurdScale) {
    Folder folder;
    folder.Write("keep.txt", "mine");
    std::string error;
    EXPECT_NE(WriteDemoFolder(folder.Path(), DemoOptions{}, nullptr, error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.Read("keep.txt"), Bytes("mine"));
    DemoOptions huge;
    huge.scale = kMaxDemoScale + 1;
    EXPECT_NE(WriteDemoFolder(folder.File("new"), huge, nullptr, error), 0);
    EXPECT_FALSE(fs::exists(folder.File("new")));
}

}  // namespace
}  // namespace tambrix::tools
