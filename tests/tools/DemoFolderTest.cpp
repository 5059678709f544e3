// The demo folder: the same bytes on every run, and every file opens through the
// library and shows what it was made for.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ToolsTestSupport.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "demo/DemoFolder.h"
#include "fileaccess/FarArchive.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "sets/GameFile.h"

namespace tambrix::tools {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWhite = 0xFFFFFF;

// The drawn part of a preview: the columns that hold something besides white.
int DrawnWidth(const platform::Bitmap& picture) {
    int left = picture.Width(), right = -1;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.TopRow(y)[3 * x] != 255 || picture.TopRow(y)[3 * x + 1] != 255 ||
                picture.TopRow(y)[3 * x + 2] != 255) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right < left ? 0 : right - left + 1;
}

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
            int widths[kPreviewImageCount] = {};
            for (int view = 0; view < kPreviewImageCount; ++view) {
                auto picture = RenderObjectPreview(*object, view, kWhite);
                ASSERT_NE(picture, nullptr) << "view " << view;
                widths[view] = DrawnWidth(*picture);
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

// What make run shows without a display: every file the browser lists, archives as
// folders of their entries, with the pictures the browser shows; the folder unchanged.
TEST_F(DemoFolderFiles, ShowGivesEveryListedFileWithItsPictures) {
    Folder pictures;
    const CliRun r = Cli({"show", Path(""), "--pictures", pictures.Path()});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    for (const char* shown : {"GameData/Objects/ChairDining.iff", "GameData/Objects/Objects.far (archive",
                              "GameData/Objects/Objects.far/Walls/RoseStripe.wll", "GameData/UIGraphics/Swatches.BMP"})
        EXPECT_TRUE(Has(r.out, std::string("== ") + shown)) << shown;
    EXPECT_FALSE(Has(r.out, "== readme.txt"));
    EXPECT_FALSE(Has(r.out, "not shown")) << r.out;
    for (const char* picture : {"GameData_Objects_ChairDining-view10.png", "GameData_Floors_Parquet-sprite3-frame0.png",
                                "GameData_UIGraphics_Sunset.bmp"})
        EXPECT_TRUE(fs::is_regular_file(pictures.File(picture))) << picture;
    EXPECT_EQ(Snapshot(Path("")), sWritten);
}

// find answers from the index of the folder: a description word finds the plant inside
// the archive, a missing word nothing; no game file changes.
TEST_F(DemoFolderFiles, FindSearchesTheFolderIndexArchivesIncluded) {
    Folder cache;
    const std::string db = cache.File("index.sqlite");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string expected;  ///< in the output (stdout, or stderr for a failure)
    } cases[] = {
        {{"find", Path(""), "fluorescent", "--index", db}, kExitOk,
         "GameData/Objects/Objects.far/Plants/PlantRubber.iff  \"Office Rubber Plant\""},
        {{"find", Path(""), "neglect", "--index", db, "--json"}, kExitOk, "\"name\": \"Office Rubber Plant\""},
        {{"find", Path(""), "zzzunheardof", "--index", db}, kExitOk, ""},
        {{"find", Path("readme.txt"), "x", "--index", db}, kExitBadFile, "not a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[2]);
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        const std::string& text = c.code == kExitOk ? r.out : r.err;
        EXPECT_TRUE(c.expected.empty() ? text.empty() : Has(text, c.expected)) << text;
    }
    EXPECT_EQ(Snapshot(Path("")), sWritten);
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
