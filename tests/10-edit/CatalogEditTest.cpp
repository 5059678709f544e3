// Catalog texts and price saved in place: what changes reads back, every other resource
// keeps its bytes, and a save that fails at any write leaves the file as it was.

#include <gtest/gtest.h>

#include <filesystem>

#include "EditFixtures.h"
#include "catalog/StringTable.h"
#include "edit/CatalogEdit.h"
#include "edit/ObjectClone.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using test::Bytes;
using test::Contents;
using test::EditFolder;

class CatalogEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloneRequest request;
        request.source = game.Disk();
        request.target = game.game.File("Downloads/Sofa.iff");
        CloneResult result;
        ASSERT_EQ(CloneObjectFile(request, result), rc::kOk);
        file = result.objectFile;
    }

    /// The catalog texts of object K as the object view reads them, in a language.
    std::pair<std::string, std::string> Texts(int object, uint8_t language) {
        GameFile opened;
        EXPECT_EQ(opened.Locate(file), rc::kOk);
        EXPECT_EQ(opened.OpenAlone(GameFileAccess::kReadOnly), rc::kOk);
        ObjectSet set;
        set.SetResourceSet(opened.TakeContainer());
        set.Load(0);
        const ObjectRecord* record = set.Objects().at(static_cast<size_t>(object));
        price = record->Price();
        if (language == 0 || record->CatalogStringsId() == 100) return {record->Name(), record->Description()};
        StringTable table;
        table.SetSource(set.ResourceSet(), static_cast<uint16_t>(record->CatalogStringsId()), restype::kCTSS,
                        StringTable::kBinaryMode, 0);
        EXPECT_EQ(table.Read(true, false), rc::kOk);
        auto text = [](const char* s) { return std::string(s ? s : "(none)"); };
        return {text(table.Get(1, language)), text(table.Get(2, language))};
    }

    EditFolder game;
    std::string file;
    int16_t price = 0;
};

TEST_F(CatalogEditTest, SavesNamesDescriptionsAndPricesInTheirLanguage) {
    struct Case {
        const char* what;
        int object;
        int language;
        std::optional<std::string> name, description;
        std::optional<int32_t> price;
        std::pair<std::string, std::string> expected;
        int16_t expectedPrice;
    };
    const Case cases[] = {
        {"a CATS table: name only", 0, 0, "Elm Chair", {}, {}, {"Elm Chair", "Sturdy"}, 120},
        {"a CATS table: description and price", 0, 0, {}, "Caf\xC3\xA9 seat", -32768, {"Elm Chair", "Caf\xE9 seat"},
         -32768},
        {"a CTSS table, first language", 1, 0, "Couch", "Long", 32767, {"Couch", "Long"}, 32767},
        {"a CTSS table, second language", 1, 1, "Canap\xC3\xA9", {}, {}, {"Canap\xE9", "Doux"}, 32767},
        {"a language the table lacks", 1, 5, {}, "Lang", {}, {"", "Lang"}, 32767},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Contents before = test::ReadContents(file);
        CatalogChange change{file, c.object, c.language, c.name, c.description, c.price};
        ASSERT_EQ(ApplyCatalogChange(change), rc::kOk);
        EXPECT_EQ(Texts(c.object, static_cast<uint8_t>(c.language)), c.expected);
        EXPECT_EQ(price, c.expectedPrice);
        // Only the catalog table and the one definition changed.
        const Contents after = test::ReadContents(file);
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [key, body] : before) {
            const ResType type = std::get<0>(key);
            const bool changes = type == restype::kCATS || type == restype::kCTSS ||
                                 (type == restype::kOBJD && std::get<1>(key) == 128 + c.object);
            if (!changes) {
                EXPECT_EQ(after.at(key), body);
            }
        }
    }
    // The saved file keeps the access rights of the one it replaced.
    namespace fs = std::filesystem;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(ApplyCatalogChange({file, 0, 0, "Rights", {}, {}}), rc::kOk);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // The first language kept its texts through the other languages' saves.
    EXPECT_EQ(Texts(1, 0), (std::pair<std::string, std::string>{"Couch", "Long"}));
}

TEST_F(CatalogEditTest, RefusesAndLeavesTheFileAsItWas) {
    game.game.Write("Downloads/Text.iff", "not a container");
    game.game.Write("Downloads/Readme.txt", "text");
    struct Case {
        const char* what;
        CatalogChange change;
        int32_t expected;
    };
    const std::string f = file;
    const Case cases[] = {
        {"a price above int16", {f, 0, 0, {}, {}, 32768}, rc::kEditPriceRange},
        {"a price below int16", {f, 0, 0, {}, {}, -32769}, rc::kEditPriceRange},
        {"a language past 19", {f, 0, 20, "x", {}, {}}, rc::kEditLanguage},
        {"a negative language", {f, 0, -1, "x", {}, {}}, rc::kEditLanguage},
        {"no such object", {f, 2, 0, "x", {}, {}}, rc::kEditNoObject},
        {"a negative object", {f, -1, 0, "x", {}, {}}, rc::kEditNoObject},
        {"a character outside the set", {f, 0, 0, "\xE2\x84\xA2\xE4\xB8\xAD", {}, {}}, rc::kEditBadText},
        {"not UTF-8", {f, 0, 0, {}, "\xC3", {}}, rc::kEditBadText},
        {"a NUL", {f, 0, 0, std::string("a\0b", 3), {}, {}}, rc::kEditBadText},
        {"the game's folder", {game.Disk(), 0, 0, "x", {}, {}}, rc::kEditGameFolder},
        {"an archive entry", {game.Archived(), 0, 0, "x", {}, {}}, rc::kEditInArchive},
        {"a missing file", {game.game.File("Downloads/None.iff"), 0, 0, "x", {}, {}}, rc::kNoSuchFile},
        {"not an object file", {game.game.File("Downloads/Readme.txt"), 0, 0, "x", {}, {}}, rc::kEditNotObjectFile},
        {"no container", {game.game.File("Downloads/Text.iff"), 0, 0, "x", {}, {}}, rc::kBadHeader},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = test::Snapshot(game.game);
        const int32_t code = ApplyCatalogChange(c.change);
        if (c.expected == rc::kBadHeader)
            EXPECT_NE(code, rc::kOk);
        else
            EXPECT_EQ(code, c.expected);
        EXPECT_EQ(test::Snapshot(game.game), before);
    }

    // A file the host will not open for writing is not replaced behind its back.
    const Bytes bytes = game.game.Read("Downloads/Sofa.iff");
    platform::Hooks().refuseWriteOpens = true;
    const int32_t refused = ApplyCatalogChange({f, 0, 0, "x", {}, {}});
    platform::Hooks().refuseWriteOpens = false;
    EXPECT_EQ(refused, rc::kNotWritable);
    EXPECT_EQ(game.game.Read("Downloads/Sofa.iff"), bytes);
}

// A failure at every write of a save, in turn: the file then reads back wholly as before
// or wholly as after, and no staged file stays.
TEST_F(CatalogEditTest, AFailedSaveLeavesTheFileBeforeOrAfterNeverAMix) {
    platform::IoHooks& hooks = platform::Hooks();
    const CatalogChange change{file, 1, 1, "Neu", "Weich", 77};
    const Contents before = test::ReadContents(file);
    const Bytes beforeBytes = game.game.Read("Downloads/Sofa.iff");
    const uint64_t start = hooks.writes.load();
    ASSERT_EQ(ApplyCatalogChange(change), rc::kOk);
    const uint64_t writes = hooks.writes.load() - start;
    RecordProperty("writes", static_cast<int>(writes));
    const Contents after = test::ReadContents(file);
    ASSERT_NE(after, before);
    for (uint64_t n = 0; n <= writes; ++n) {
        SCOPED_TRACE("writes allowed: " + std::to_string(n));
        game.game.Write("Downloads/Sofa.iff", beforeBytes);
        hooks.failWritesAfter = static_cast<int64_t>(n);
        const int32_t code = ApplyCatalogChange(change);
        hooks.failWritesAfter = -1;
        const Contents now = test::ReadContents(file);
        if (code == rc::kOk) {
            EXPECT_EQ(n, writes);
            EXPECT_EQ(now, after);
        } else {
            EXPECT_EQ(game.game.Read("Downloads/Sofa.iff"), beforeBytes);
        }
        for (const auto& [name, bytes] : test::Snapshot(game.game)) EXPECT_EQ(name.find(".part"), std::string::npos);
    }
}

}  // namespace
}  // namespace tambrix
