// Clones of an object file: new GUIDs for what is taken, every other byte as it was, the
// source never written, and no half clone left by a failed write.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "EditFixtures.h"
#include "catalog/StringTable.h"
#include "edit/ObjectClone.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using test::Bytes;
using test::Contents;
using test::EditFolder;

class CloneTest : public ::testing::Test {
protected:
    CloneRequest Request(const std::string& source, const std::string& target = "Downloads/Mine/Mine.iff") {
        game.game.MakeDir("Downloads/Mine");
        CloneRequest request;
        request.source = source;
        request.target = game.game.File(target);
        return request;
    }

    /// The clone holds every resource of the source unchanged but for the GUIDs of the
    /// definitions (and, with a name, the catalog tables).
    static void ExpectSameButGuids(const Contents& source, const Contents& clone, bool catalogsChanged) {
        ASSERT_EQ(source.size(), clone.size());
        for (const auto& [key, body] : source) {
            const auto other = clone.find(key);
            ASSERT_NE(other, clone.end());
            const ResType type = std::get<0>(key);
            if (type == restype::kOBJD) {
                Bytes a = body, b = other->second;
                WriteDefinitionGuid(a.data(), static_cast<uint32_t>(a.size()), 0);
                WriteDefinitionGuid(b.data(), static_cast<uint32_t>(b.size()), 0);
                EXPECT_EQ(a, b) << "only the GUID of a definition changes";
                EXPECT_NE(test::GuidOf(body), test::GuidOf(other->second));
            } else if (!(catalogsChanged && (type == restype::kCATS || type == restype::kCTSS))) {
                EXPECT_EQ(body, other->second);
            }
        }
    }

    EditFolder game;
};

TEST_F(CloneTest, CopiesFromDiskAndFromAnArchiveWithNewGuidsAndTheCompanion) {
    for (const bool archived : {false, true}) {
        SCOPED_TRACE(archived ? "archive" : "disk");
        const std::string source = archived ? game.Archived() : game.Disk();
        const std::string target = archived ? "Downloads/Mine/FromFar.iff" : "Downloads/Mine/FromDisk.iff";
        const auto before = test::Snapshot(game.game);
        CloneRequest request = Request(source, target);
        request.usedGuids = {0x55555555};
        CloneResult result;
        ASSERT_EQ(CloneObjectFile(request, result), rc::kOk);
        EXPECT_EQ(result.objectFile, game.game.File(target));
        EXPECT_EQ(result.spriteFile, game.game.File(target.substr(0, target.size() - 4) + ".spf"));
        EXPECT_EQ(result.leftOut, 0u);

        // The source is as it was; only the two new files are added, nothing staged remains.
        auto after = test::Snapshot(game.game);
        EXPECT_EQ(after.size(), before.size() + 2);
        for (const auto& [name, bytes] : before) EXPECT_EQ(after[name], bytes) << name;

        ExpectSameButGuids(test::ReadContents(game.Disk()), test::ReadContents(result.objectFile), false);
        EXPECT_EQ(test::ReadContents(game.game.File("GameData/Objects/Sofa.spf")), test::ReadContents(result.spriteFile));

        ASSERT_EQ(result.records.size(), 4u);
        const uint32_t old[] = {EditFolder::kChairGuid, EditFolder::kSofaGuid, EditFolder::kTileGuids[0],
                                EditFolder::kTileGuids[1]};
        std::set<uint32_t> fresh;
        for (size_t i = 0; i < 4; ++i) {
            const ClonedRecord& r = result.records[i];
            EXPECT_EQ(r.id, static_cast<int32_t>(128 + i));
            EXPECT_EQ(r.oldGuid, old[i]);
            EXPECT_EQ(r.object, i == 0 ? 0 : 1);
            EXPECT_EQ(r.tile, i >= 2);
            EXPECT_TRUE(std::find(std::begin(old), std::end(old), r.newGuid) == std::end(old));
            EXPECT_NE(r.newGuid, 0u);
            EXPECT_NE(r.newGuid, 0x55555555u);
            fresh.insert(r.newGuid);
        }
        EXPECT_EQ(fresh.size(), 4u) << "unique within the file";

        // The copy opens as the browser opens it: the sofa keeps its tiles.
        GameFile opened;
        ASSERT_EQ(opened.Open(result.objectFile, GameFileAccess::kReadOnly), rc::kOk);
        ObjectSet set;
        set.SetResourceSet(opened.TakeContainer());
        set.Load(1);
        ASSERT_EQ(set.Objects().size(), 2u);
        EXPECT_EQ(set.Objects()[1]->Tiles().size(), 2u);
        EXPECT_EQ(set.Objects()[1]->Guid(), result.records[1].newGuid);
        EXPECT_EQ(set.Sprites().size(), 1u) << "from the companion";
    }
}

TEST_F(CloneTest, TakesChosenObjectsWithTheirTilesAndRenamesEveryLanguage) {
    CloneRequest request = Request(game.Disk());
    request.objects = {1};
    request.name = "Ma\xC3\xAFs Sofa \xE2\x82\xAC";  // UTF-8: a diaeresis and the euro sign
    CloneResult result;
    ASSERT_EQ(CloneObjectFile(request, result), rc::kOk);
    EXPECT_EQ(result.leftOut, 1u);
    ASSERT_EQ(result.records.size(), 3u);
    EXPECT_EQ(result.records[0].oldGuid, EditFolder::kSofaGuid);

    const Contents clone = test::ReadContents(result.objectFile);
    EXPECT_EQ(clone.count({restype::kOBJD, 128, "chair"}), 0u) << "the chair is left out";
    EXPECT_EQ(clone.count({restype::kCATS, 100, "chair texts"}), 1u) << "other resources stay";
    EXPECT_EQ(clone.at({restype::kCATS, 100, "chair texts"}), EncodeCatalogStrings("Oak Chair", "Sturdy"));

    GameFile opened;
    ASSERT_EQ(opened.Locate(result.objectFile), rc::kOk);
    ASSERT_EQ(opened.OpenAlone(GameFileAccess::kReadOnly), rc::kOk);
    StringTable table;
    table.SetSource(opened.Container(), 101, restype::kCTSS, StringTable::kBinaryMode, 0);
    ASSERT_EQ(table.Read(true, false), rc::kOk);
    const std::string name = "Ma\xEFs Sofa \x80";  // the game's bytes
    for (const uint8_t language : {0, 1}) {
        EXPECT_STREQ(table.Get(1, language), name.c_str()) << int(language);
    }
    EXPECT_STREQ(table.Get(2, 0), "Soft and deep");
    EXPECT_STREQ(table.Get(2, 1), "Doux");
    const Bytes& stored = clone.at({restype::kCTSS, 101, "sofa texts"});
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(stored[2] | (stored[3] << 8), 4) << "the two languages of the table, no more";
}

TEST_F(CloneTest, NewGuidsAvoidZeroTheFolderAndTheFileItself) {
    // The random source offers 0, a GUID the folder knows, the source's own ones and one
    // already given, before fresh ones.
    std::vector<uint32_t> offers = {0, 0x55555555, EditFolder::kSofaGuid, EditFolder::kTileGuids[1], 0xA0000001,
                                    0xA0000001, 0,          0xA0000002, 0xA0000003, 0xA0000004};
    size_t next = 0;
    CloneRequest request = Request(game.Disk());
    request.usedGuids = {0x55555555};
    request.random = [&] { return offers[std::min(next++, offers.size() - 1)]; };
    CloneResult result;
    ASSERT_EQ(CloneObjectFile(request, result), rc::kOk);
    std::vector<uint32_t> given;
    for (const ClonedRecord& r : result.records) given.push_back(r.newGuid);
    EXPECT_EQ(given, (std::vector<uint32_t>{0xA0000001, 0xA0000002, 0xA0000003, 0xA0000004}));

    // A source that never offers a free one fails cleanly.
    request.target = game.game.File("Downloads/Mine/Never.iff");
    request.random = [] { return EditFolder::kChairGuid; };
    EXPECT_EQ(CloneObjectFile(request, result), rc::kEditNoFreeGuid);
    EXPECT_FALSE(game.game.Exists("Downloads/Mine/Never.iff"));
    EXPECT_FALSE(game.game.Exists("Downloads/Mine/Never.spf"));
}

TEST_F(CloneTest, RefusesWithoutTouchingAnything) {
    game.game.Write("Downloads/Taken.iff", "mine");
    game.game.Write("Downloads/SpritesTaken.spf", "mine too");
    struct Case {
        const char* why;
        std::string source;
        std::string target;
        std::vector<int32_t> objects;
        std::optional<std::string> name;
        int32_t expected;
    };
    const std::string d = game.Disk();
    const Case cases[] = {
        {"into the game's folder", d, "GameData/Objects/Copy.iff", {}, {}, rc::kEditGameFolder},
        {"into an expansion folder", d, "ExpansionPack3/Copy.iff", {}, {}, rc::kEditGameFolder},
        {"into an archive", d, "Downloads/Mine.far/Copy.iff", {}, {}, rc::kEditInArchive},
        {"not an object file", d, "Downloads/Copy.spf", {}, {}, rc::kEditNotObjectFile},
        {"existing file", d, "Downloads/Taken.iff", {}, {}, rc::kEditTargetExists},
        {"existing companion", d, "Downloads/SpritesTaken.iff", {}, {}, rc::kEditTargetExists},
        {"no such object", d, "Downloads/Copy.iff", {2}, {}, rc::kEditNoObject},
        {"negative object", d, "Downloads/Copy.iff", {-1}, {}, rc::kEditNoObject},
        {"name outside the set", d, "Downloads/Copy.iff", {}, "\xE4\xB8\xAD", rc::kEditBadText},
        {"missing source", game.game.File("Downloads/None.iff"), "Downloads/Copy.iff", {}, {}, rc::kNoSuchFile},
        {"source not an object file", game.game.File("Downloads/Taken.iff") + "x", "Downloads/Copy.iff", {}, {},
         rc::kNoSuchFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto before = test::Snapshot(game.game);
        CloneRequest request;
        request.source = c.source;
        request.target = game.game.File(c.target);
        request.objects = c.objects;
        request.name = c.name;
        CloneResult result;
        EXPECT_EQ(CloneObjectFile(request, result), c.expected);
        EXPECT_EQ(test::Snapshot(game.game), before);
        EXPECT_TRUE(result.objectFile.empty());
    }

    // Onto the source itself, even when replacing is allowed: refused.
    game.game.MakeDir("Downloads/Own");
    game.game.Write("Downloads/Own/Own.iff", game.game.Read("GameData/Objects/Sofa.iff"));
    CloneRequest own;
    own.source = game.game.File("Downloads/Own/Own.iff");
    own.target = game.game.File("Downloads/Own/../Own/Own.iff");
    own.replace = true;
    CloneResult result;
    EXPECT_EQ(CloneObjectFile(own, result), rc::kEditSameFile);
    EXPECT_EQ(game.game.Read("Downloads/Own/Own.iff"), game.game.Read("GameData/Objects/Sofa.iff"));

    // A source without sprites onto a name whose .spf is there: that file would open with
    // the clone, so it is refused, and with replace it goes.
    game.game.Write("Downloads/Lone.iff", game.game.Read("GameData/Objects/Sofa.iff"));
    CloneRequest lone = Request(game.game.File("Downloads/Lone.iff"), "Downloads/SpritesTaken.iff");
    EXPECT_EQ(CloneObjectFile(lone, result), rc::kEditTargetExists);
    EXPECT_TRUE(game.game.Exists("Downloads/SpritesTaken.spf"));
    lone.replace = true;
    ASSERT_EQ(CloneObjectFile(lone, result), rc::kOk);
    EXPECT_TRUE(result.spriteFile.empty());
    EXPECT_FALSE(game.game.Exists("Downloads/SpritesTaken.spf"));

    // With replace, an existing clone is replaced whole.
    CloneRequest again = Request(game.Disk(), "Downloads/Taken.iff");
    again.replace = true;
    ASSERT_EQ(CloneObjectFile(again, result), rc::kOk);
    EXPECT_EQ(test::ReadContents(result.objectFile).size(), test::ReadContents(game.Disk()).size());
}

// A failure at every write of a clone, in turn: afterwards the target is absent (with
// its companion and every staged file) or complete, never a mix, and the source unchanged.
TEST_F(CloneTest, AFailedWriteLeavesNoPartOfTheClone) {
    platform::IoHooks& hooks = platform::Hooks();
    const auto before = test::Snapshot(game.game);
    uint64_t writes = 0;
    {
        const uint64_t start = hooks.writes.load();
        CloneResult result;
        CloneRequest request = Request(game.Disk(), "Downloads/Mine/Counted.iff");
        request.name = "Counted";
        ASSERT_EQ(CloneObjectFile(request, result), rc::kOk);
        writes = hooks.writes.load() - start;
        ASSERT_GT(writes, 4u);
        RecordProperty("writes", static_cast<int>(writes));
    }
    const Contents complete = test::ReadContents(game.game.File("Downloads/Mine/Counted.iff"));
    for (uint64_t n = 0; n <= writes; ++n) {
        SCOPED_TRACE("writes allowed: " + std::to_string(n));
        const std::string name = "Downloads/Mine/Fault" + std::to_string(n);
        CloneRequest request = Request(game.Disk(), name + ".iff");
        request.name = "Counted";
        CloneResult result;
        hooks.failWritesAfter = static_cast<int64_t>(n);
        const int32_t code = CloneObjectFile(request, result);
        hooks.failWritesAfter = -1;
        const auto files = test::Snapshot(game.game);
        if (code == rc::kOk) {
            EXPECT_EQ(n, writes) << "only with every write allowed";
            const Contents clone = test::ReadContents(result.objectFile);
            ASSERT_EQ(clone.size(), complete.size());
            for (const auto& [key, body] : complete)
                if (std::get<0>(key) != restype::kOBJD) {
                    EXPECT_EQ(clone.at(key), body);
                }
        } else {
            EXPECT_FALSE(game.game.Exists(name + ".iff"));
            EXPECT_FALSE(game.game.Exists(name + ".spf"));
            for (const auto& [file, bytes] : files) EXPECT_EQ(file.find(".part"), std::string::npos) << file;
        }
        for (const auto& [file, bytes] : before) EXPECT_EQ(files.at(file), bytes) << file;
    }
}

}  // namespace
}  // namespace tambrix
