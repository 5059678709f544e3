// The game folder index over a small folder written with the library's own writers:
// object files on disk and inside an archive, a damaged file, a wall file, and a
// catalog table that the view would complete (the index must not).

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "catalog/ObjectSet.h"
#include "containers/IffResourceFile.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "index/GameIndex.h"
#include "index/IndexedFile.h"
#include "support/ByteBuilder.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

struct Object {
    ObjectDefinition definition;
    Bytes catalog;  ///< body of the catalog table (type below), empty for a tile
    ResType catalogType = restype::kCATS;
};

Object Single(int16_t catalogId, int16_t price, const std::string& name, const std::string& description) {
    return {{.price = price, .catalogId = catalogId}, EncodeCatalogStrings(name, description)};
}

class GameIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        Object master = Single(10, 450, "Velvet Sofas", "A deep couch for lazy evenings");
        master.definition.masterId = 7;
        master.definition.subIndex = ObjectRecord::kMasterSubIndex;
        master.definition.guid = 0xBC85AF5B;
        const Object tile{{.masterId = 7, .subIndex = TileSubIndex(1, 0), .guid = 0x00A1B2C3}, {}};
        WriteObjectFile(game.File("GameData/Objects/Living.iff"),
                        {master, tile, Single(11, 25, "Desk Lamp", "Light for late reading")});
        // Texts in the second language only: the view's catalog completion would store
        // empty strings for the first language into this file.
        WriteObjectFile(game.File("GameData/Objects/Stuhl.iff"),
                        {{{.price = 80, .catalogId = 12},
                          testing::ByteBuilder().U16(0xFFFD).U16(2).Entry(2, "Stuhl").Entry(2, "Zum Sitzen"),
                          restype::kCTSS}});
        game.Write("GameData/Objects/Damaged.iff", "IFF FILE 2.5: this file was cut short");
        game.Write("Walls/Stone.wll", Bytes(40, 0));

        Object chair = Single(20, 120, "Carved Chair", "Cut from mahogany");
        chair.definition.guid = 0x7000C4A1;
        WriteObjectFile(scratch.File("chair.iff"), {chair});
        ASSERT_EQ(WriteFarArchive(game.File("GameData/Objects.far").c_str(),
                                  {{"Chairs\\ATS_LundbyAcajou.iff", scratch.Read("chair.iff")},
                                   {"Broken.iff", Bytes(10, 0xEE)},
                                   {"Brick.wll", Bytes(8, 1)},
                                   {"Readme.txt", Bytes(3, 'x')}}),
                  rc::kOk);
        ASSERT_EQ(index.Open(scratch.File("cache/index.sqlite")), rc::kOk);
    }

    static void WriteObjectFile(const std::string& path, const std::vector<Object>& objects) {
        fs::create_directories(fs::path(path).parent_path());
        std::vector<test::Resource> all;
        ResId id = 128;
        for (const Object& object : objects) {
            all.push_back({restype::kOBJD, id++, "object", EncodeObjectDefinition(object.definition)});
            if (!object.catalog.empty()) all.push_back({object.catalogType, object.definition.catalogId, "cat", object.catalog});
        }
        test::WriteContainer<IffResourceFile>(path, all);
    }

    /// Every file of the game folder with its bytes.
    std::map<std::string, Bytes> Snapshot() const {
        std::map<std::string, Bytes> all;
        for (const auto& entry : fs::recursive_directory_iterator(game.Path()))
            if (entry.is_regular_file()) all[fs::relative(entry.path(), game.Path()).generic_string()] = {};
        for (auto& [relative, bytes] : all) bytes = game.Read(relative);
        return all;
    }

    std::vector<IndexHit> Find(const std::string& text) {
        std::vector<IndexHit> hits;
        EXPECT_EQ(index.Query(text, 50, hits), rc::kOk) << text;
        return hits;
    }

    test::TempDir game;
    test::TempDir scratch;
    GameIndex index;
};

TEST_F(GameIndexTest, FindsObjectsByNameDescriptionAndFileWordsOnDiskAndInArchives) {
    IndexReport report;
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    EXPECT_EQ(report.sources, 5u) << "three object files, the wall file and the archive";

    struct Case {
        const char* text;
        const char* path;  ///< of the only hit
        const char* name;
        int32_t price;  ///< -1: a file row without price
        bool problem;
    };
    const Case cases[] = {
        {"lazy", "GameData/Objects/Living.iff", "Velvet Sofas", 450, false},  // a word of the description
        {"sofa", "GameData/Objects/Living.iff", "Velvet Sofas", 450, false},  // prefix of a word of the name
        {"VELVET eve", "GameData/Objects/Living.iff", "Velvet Sofas", 450, false},
        {"late lamp", "GameData/Objects/Living.iff", "Desk Lamp", 25, false},
        {"sitzen", "GameData/Objects/Stuhl.iff", "Stuhl", 80, false},
        {"mahogany", "GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff", "Carved Chair", 120, false},
        {"acajou", "GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff", "Carved Chair", 120, false},
        {"damaged", "GameData/Objects/Damaged.iff", "", -1, true},
        {"broken", "GameData/Objects.far/Broken.iff", "", -1, true},
        {"stone", "Walls/Stone.wll", "", -1, false},
        {"brick", "GameData/Objects.far/Brick.wll", "", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<IndexHit> hits = Find(c.text);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(std::tuple(hits[0].path, hits[0].name, hits[0].price.value_or(-1), !hits[0].problem.empty()),
                  std::tuple(std::string(c.path), std::string(c.name), c.price, c.problem));
    }
    // Not a kind the browser lists, words of two objects, nothing, and query syntax read as words.
    for (const char* none : {"readme", "velvet mahogany", "", "\"*) OR NEAR("}) EXPECT_TRUE(Find(none).empty()) << none;
    EXPECT_EQ(Find("objects").size(), 7u) << "every row under GameData/Objects*, tiles not among them";
}

TEST_F(GameIndexTest, NeverWritesAGameFileNorTouchesTheCallersArchives) {
    // The caller has the archive mounted, as the browser has: the index leaves it as it is.
    const std::string archive = game.File("GameData/Objects.far");
    ASSERT_EQ(MountFarArchive(archive.c_str()), rc::kOk);
    const std::map<std::string, Bytes> before = Snapshot();
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    game.Write("GameData/Objects/Damaged.iff", "IFF FILE 2.5: damaged in another way");
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);

    std::map<std::string, Bytes> after = Snapshot(), expected = before;
    after.erase("GameData/Objects/Damaged.iff");
    expected.erase("GameData/Objects/Damaged.iff");
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(FileSystem::Instance().Find((archive + "/Broken.iff").c_str()));
    EXPECT_EQ(UnmountFarArchives(archive.c_str()), 1u);
}

TEST_F(GameIndexTest, RefreshReadsOnlyWhatChangedAndFollowsARename) {
    IndexReport report;
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    ASSERT_EQ(report.read, 5u);
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    EXPECT_EQ(report.read, 0u);
    EXPECT_EQ(report.removed, 0u);

    fs::rename(game.File("GameData/Objects/Living.iff"), game.File("GameData/Couch.iff"));
    std::vector<std::pair<uint32_t, uint32_t>> calls;
    auto progress = [&](uint32_t done, uint32_t total) { return calls.emplace_back(done, total), true; };
    ASSERT_EQ(index.Refresh(game.Path(), progress, &report), rc::kOk);
    EXPECT_EQ(report.read, 1u);
    EXPECT_EQ(report.removed, 1u);
    EXPECT_EQ(calls, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 1}, {1, 1}}));
    ASSERT_EQ(Find("lazy").size(), 1u);
    EXPECT_EQ(Find("lazy")[0].path, "GameData/Couch.iff");
    EXPECT_EQ(Find("stuhl").size(), 1u) << "the unchanged rows stay";

    // Cancelled before anything is read: what is gone is dropped, nothing else changes,
    // and the next refresh completes the work.
    fs::remove(game.File("Walls/Stone.wll"));
    game.Write("GameData/Objects/Damaged.iff", "still no container");
    EXPECT_EQ(index.Refresh(
                  game.Path(), [](uint32_t, uint32_t) { return false; }, &report),
              rc::kIndexCancelled);
    EXPECT_TRUE(Find("stone").empty());
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    EXPECT_EQ(report.read, 1u);
}

TEST_F(GameIndexTest, RefusesBadArgumentsAndForeignDatabases) {
    std::vector<IndexHit> hits;
    for (const std::string& folder : {game.File("missing"), game.File("Walls/Stone.wll"), std::string()})
        EXPECT_EQ(index.Refresh(folder), rc::kNoSuchFile) << folder;

    GameIndex closed;  // not open yet
    EXPECT_EQ(closed.Query("sofa", 10, hits), rc::kIndexNotOpen);
    EXPECT_EQ(closed.Refresh(game.Path()), rc::kIndexNotOpen);
    // Not a database, and not an index's: refused and left as they are.
    const std::string text = scratch.Write("notes.txt", std::string(200, 'n'));
    EXPECT_EQ(closed.Open(text), rc::kIndexDatabase);
    EXPECT_EQ(scratch.Read("notes.txt"), Bytes(200, 'n'));

    // Another folder's index is emptied first.
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    ASSERT_EQ(index.Refresh(game.File("Walls")), rc::kOk);
    EXPECT_TRUE(Find("sofa").empty());
    EXPECT_EQ(Find("stone").size(), 1u);
}


// File names match anywhere inside them; catalog texts and folder names only where a
// word starts. Ranked matches come before those found inside a name.
TEST_F(GameIndexTest, FileNamesMatchInsideWordsCatalogWordsOnlyAtTheirStart) {
    WriteObjectFile(game.File("Downloads/stp_wfchair.iff"), {Single(30, 60, "Wicker Seat", "Woven")});
    WriteObjectFile(game.File("Downloads/ArmchairPrototype.IFF"), {Single(31, 90, "Chair Prototype", "Soft")});
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);

    struct Case {
        const char* text;
        std::vector<std::string> paths;  ///< the hits' files, in order
    };
    const Case cases[] = {
        // The whole-word matches, ranked; then the names holding the text.
        {"chair", {"GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff", "Downloads/ArmchairPrototype.IFF",
                   "Downloads/stp_wfchair.iff"}},
        {"WFCHAIR", {"Downloads/stp_wfchair.iff"}},
        {"mchairpro", {"Downloads/ArmchairPrototype.IFF"}},
        {"ndbyaca", {"GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff"}},
        {"wicker wfch", {"Downloads/stp_wfchair.iff"}},  // one word of the name, one inside the file name
        {"icker", {}},                                    // inside a word of a catalog name: no
        {"elvet", {}},
        {"bjects", {}},  // inside a folder's name: no
        {"wfchair lamp", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> paths;
        for (const IndexHit& hit : Find(c.text)) paths.push_back(hit.path);
        EXPECT_EQ(paths, c.paths);
    }
}

// Updating named files reads what changed and drops what is gone at once, for a file,
// a folder's own files, a file inside an archive (the archive is read again) and a
// folder gone with its files; other rows and paths outside the folder stay untouched.
TEST_F(GameIndexTest, UpdateFollowsNamedFilesAndFolders) {
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    auto found = [&](const char* text) {
        std::vector<std::string> paths;
        for (const IndexHit& hit : Find(text)) paths.push_back(hit.path);
        return paths;
    };
    using Paths = std::vector<std::string>;
    IndexReport report;

    // Deleted and added in one folder, told by the folder (as a watcher tells).
    fs::remove(game.File("GameData/Objects/Stuhl.iff"));
    WriteObjectFile(game.File("GameData/Objects/NewChair2.iff"), {Single(40, 70, "Rocking Chair", "Back and forth")});
    ASSERT_EQ(index.Update(game.Path(), {game.File("GameData/Objects")}, &report), rc::kOk);
    EXPECT_EQ(std::tuple(report.read, report.removed), std::tuple(1u, 1u));
    EXPECT_TRUE(found("stuhl").empty());
    EXPECT_EQ(found("rocking"), Paths{"GameData/Objects/NewChair2.iff"});

    // A changed file told by its relative path; unchanged ones named beside it are not read.
    fs::remove(game.File("GameData/Objects/NewChair2.iff"));
    WriteObjectFile(game.File("GameData/Objects/NewChair2.iff"), {Single(40, 75, "Swivel Chair", "Turns")});
    ASSERT_EQ(index.Update(game.Path(), {"GameData/Objects/NewChair2.iff", "GameData/Objects/Living.iff"}, &report),
              rc::kOk);
    EXPECT_EQ(std::tuple(report.read, report.removed), std::tuple(1u, 0u));
    EXPECT_TRUE(found("rocking").empty());
    EXPECT_EQ(found("swivel"), Paths{"GameData/Objects/NewChair2.iff"});

    // A file of the archive stands for the archive.
    ASSERT_EQ(WriteFarArchive(game.File("GameData/Objects.far").c_str(), {{"Chairs\\Stool.wll", Bytes(8, 2)}}),
              rc::kOk);
    ASSERT_EQ(index.Update(game.Path(), {game.File("GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff")}, &report),
              rc::kOk);
    EXPECT_EQ(report.read, 1u);
    EXPECT_TRUE(found("mahogany").empty());
    EXPECT_EQ(found("stool"), Paths{"GameData/Objects.far/Chairs/Stool.wll"});

    // A folder gone with what was in it, told by its own path.
    fs::remove_all(game.File("Walls"));
    ASSERT_EQ(index.Update(game.Path(), {game.File("Walls")}, &report), rc::kOk);
    EXPECT_EQ(report.removed, 1u);
    EXPECT_TRUE(found("stone").empty());

    // Nothing to do: outside the folder, unchanged, empty, a kind not indexed.
    game.Write("GameData/Objects/notes.txt", "x");
    for (const Paths& paths : {Paths{scratch.File("chair.iff")}, Paths{"../elsewhere.iff"},
                               Paths{game.File("GameData/Objects/Living.iff")}, Paths{},
                               Paths{game.File("GameData/Objects/notes.txt")}}) {
        ASSERT_EQ(index.Update(game.Path(), paths, &report), rc::kOk);
        EXPECT_EQ(std::tuple(report.read, report.removed), std::tuple(0u, 0u));
    }
    EXPECT_EQ(found("lazy"), Paths{"GameData/Objects/Living.iff"});
    // What the updates did is what a full refresh finds.
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    EXPECT_EQ(std::tuple(report.read, report.removed), std::tuple(0u, 0u));
}

TEST_F(GameIndexTest, UpdateLeavesAnIndexOfAnotherFolderAndRefusesBadArguments) {
    IndexReport report;
    GameIndex closed;
    EXPECT_EQ(closed.Update(game.Path(), {"x.iff"}), rc::kIndexNotOpen);
    EXPECT_EQ(index.Update(game.File("missing"), {"x.iff"}), rc::kNoSuchFile);
    // Never refreshed for this folder: nothing read, the first refresh reads it all.
    ASSERT_EQ(index.Update(game.Path(), {game.File("GameData/Objects")}, &report), rc::kOk);
    EXPECT_EQ(report.read, 0u);
    EXPECT_TRUE(Find("lazy").empty());
    ASSERT_EQ(index.Refresh(game.Path(), {}, &report), rc::kOk);
    EXPECT_EQ(report.read, 5u);
}

// A cache database that is damaged or not an index is made anew and says so; a sound
// one is kept with its rows. Open itself still refuses such a file and leaves it.
TEST_F(GameIndexTest, CacheDatabaseDamagedIsBuiltAgain) {
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    index.Close();
    const std::string database = scratch.File("cache/index.sqlite");
    const Bytes sound = scratch.Read("cache/index.sqlite");
    ASSERT_GT(sound.size(), 4096u);

    struct Case {
        const char* what;
        std::optional<Bytes> bytes;  ///< none: the sound index as it is
        bool rebuilt;
    };
    Bytes cut(sound.begin(), sound.begin() + 4096);
    Bytes scrambled = sound;
    for (size_t i = 4096; i < scrambled.size(); ++i) scrambled[i] = static_cast<uint8_t>(i * 7);
    const Case cases[] = {
        {"sound", std::nullopt, false},
        {"not a database", Bytes(3000, 'z'), true},
        {"cut short", cut, true},
        {"pages scrambled", scrambled, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes) {
            scratch.Write("cache/index.sqlite", *c.bytes);
            GameIndex plain;
            EXPECT_NE(plain.Open(database) == rc::kOk && plain.Refresh(game.Path()) == rc::kOk, true);
            plain.Close();
            scratch.Write("cache/index.sqlite", *c.bytes);
        }
        GameIndex cache;
        bool rebuilt = !c.rebuilt;
        ASSERT_EQ(cache.OpenCache(database, &rebuilt), rc::kOk);
        EXPECT_EQ(rebuilt, c.rebuilt);
        ASSERT_EQ(cache.Refresh(game.Path()), rc::kOk);
        std::vector<IndexHit> hits;
        ASSERT_EQ(cache.Query("lazy", 5, hits), rc::kOk);
        EXPECT_EQ(hits.size(), 1u);
    }
}

TEST(IndexPath, FollowsTheCacheFolderOfTheEnvironment) {
    struct Case {
        const char* xdg;   ///< nullptr: unset
        const char* home;  ///< nullptr: unset
        const char* cache;  ///< the expected cache folder, nullptr for none
    };
    const Case cases[] = {
        {"/x/cache", "/home/u", "/x/cache"},
        {"relative/cache", "/home/u", "/home/u/.cache"},  // a relative value does not count
        {nullptr, "/home/u", "/home/u/.cache"},
        {"", "/home/u", "/home/u/.cache"},
        {nullptr, nullptr, nullptr},
        {nullptr, "relative", nullptr},
    };
    const char* oldXdg = getenv("XDG_CACHE_HOME");
    const char* oldHome = getenv("HOME");
    const std::optional<std::string> keptXdg = oldXdg ? std::optional<std::string>(oldXdg) : std::nullopt;
    const std::optional<std::string> keptHome = oldHome ? std::optional<std::string>(oldHome) : std::nullopt;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "-") + " " + (c.home ? c.home : "-"));
        c.xdg ? setenv("XDG_CACHE_HOME", c.xdg, 1) : unsetenv("XDG_CACHE_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(DefaultIndexPath("/games/sims"), c.cache ? IndexPathIn(c.cache, "/games/sims") : std::string());
    }
    keptXdg ? setenv("XDG_CACHE_HOME", keptXdg->c_str(), 1) : unsetenv("XDG_CACHE_HOME");
    keptHome ? setenv("HOME", keptHome->c_str(), 1) : unsetenv("HOME");
    // One database per folder, whatever its spelling.
    EXPECT_EQ(IndexPathIn("/c", "/games/sims/"), IndexPathIn("/c", "/games/./sims"));
    EXPECT_NE(IndexPathIn("/c", "/games/sims"), IndexPathIn("/c", "/games/sims2"));
}

TEST_F(GameIndexTest, FindsAnObjectByTheGuidOfItselfOrOfItsTiles) {
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    struct Case {
        const char* text;
        const char* name;  ///< of the only hit; null for none
    };
    const Case cases[] = {
        {"0xbc85af5b", "Velvet Sofas"}, {"0xBC85AF5B", "Velvet Sofas"}, {"bc85af5b", "Velvet Sofas"},
        {"BC85AF5B", "Velvet Sofas"},   {"0x00a1b2c3", "Velvet Sofas"},  // a tile's GUID finds its object
        {"7000c4a1", "Carved Chair"},   {"0xbc85af5c", nullptr},
    };
    for (const Case& c : cases) {
        const std::vector<IndexHit> hits = Find(c.text);
        if (!c.name) {
            EXPECT_TRUE(hits.empty()) << c.text;
            continue;
        }
        ASSERT_EQ(hits.size(), 1u) << c.text;
        EXPECT_EQ(hits[0].name, c.name) << c.text;
    }
    EXPECT_EQ(Find("sofa")[0].guid, 0xBC85AF5Bu);

    std::vector<uint32_t> guids;
    ASSERT_EQ(index.KnownGuids(guids), rc::kOk);
    for (const uint32_t guid : {0xBC85AF5Bu, 0x00A1B2C3u, 0x7000C4A1u})
        EXPECT_NE(std::find(guids.begin(), guids.end(), guid), guids.end()) << GuidText(guid);
}

TEST_F(GameIndexTest, ConflictsListFilesSharingAGuidAndTellCopiesApart) {
    std::vector<GuidConflict> conflicts;
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    ASSERT_EQ(index.GuidConflicts(conflicts), rc::kOk);
    EXPECT_TRUE(conflicts.empty()) << "a master and its tile in one file, every other GUID once";

    // A copy of the archived chair on disk, and another file that reuses the sofa's GUID.
    game.Write("Downloads/ChairCopy.iff", scratch.Read("chair.iff"));
    Object other = Single(30, 5, "Rug", "Soft");
    other.definition.guid = 0xBC85AF5B;
    WriteObjectFile(game.File("Downloads/Rug.iff"), {other});
    ASSERT_EQ(index.Refresh(game.Path()), rc::kOk);
    ASSERT_EQ(index.GuidConflicts(conflicts), rc::kOk);
    ASSERT_EQ(conflicts.size(), 2u);

    EXPECT_EQ(conflicts[0].guid, 0x7000C4A1u);
    ASSERT_EQ(conflicts[0].holders.size(), 2u);
    EXPECT_EQ(conflicts[0].holders[0].path, "Downloads/ChairCopy.iff");
    EXPECT_EQ(conflicts[0].holders[1].path, "GameData/Objects.far/Chairs/ATS_LundbyAcajou.iff");
    EXPECT_EQ(conflicts[0].holders[1].sameFileAs, "Downloads/ChairCopy.iff") << "an archive entry is compared too";
    EXPECT_EQ(conflicts[0].holders[1].name, "Carved Chair");
    EXPECT_TRUE(conflicts[0].SameFile());

    EXPECT_EQ(conflicts[1].guid, 0xBC85AF5Bu);
    ASSERT_EQ(conflicts[1].holders.size(), 2u);
    EXPECT_EQ(conflicts[1].holders[0].path, "Downloads/Rug.iff");
    EXPECT_EQ(conflicts[1].holders[1].path, "GameData/Objects/Living.iff");
    EXPECT_EQ(conflicts[1].holders[1].object, 0);
    EXPECT_TRUE(conflicts[1].holders[1].sameFileAs.empty());
    EXPECT_FALSE(conflicts[1].SameFile());

    GameIndex closed;
    EXPECT_EQ(closed.GuidConflicts(conflicts), rc::kIndexNotOpen);
    std::vector<uint32_t> guids;
    EXPECT_EQ(closed.KnownGuids(guids), rc::kIndexNotOpen);
}

}  // namespace
}  // namespace tambrix
