// The object set over real container files: the catalog completion writes into the
// file, and the file must stay whole for every later reader.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "graphics/Palette.h"
#include "sets/ViewResourceSet.h"
#include "support/ByteBuilder.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::AddAndWrite;
using testing::ByteBuilder;
using testing::Bytes;

constexpr uint16_t kMulti = 0xFFFD, kPacked = 0xFFFC;
constexpr int16_t kCatalogId = 8;
/// The container header keeps the resource map's offset in its last four bytes.
constexpr size_t kMapOffsetPosition = 60;

using Key = std::pair<ResType, ResId>;
using Contents = std::map<Key, std::pair<std::string, Bytes>>;  // label, body

Bytes Definition(int16_t catalogId) { return EncodeObjectDefinition({.graphicCount = 0, .catalogId = catalogId}); }

/// Every resource of an open file, by type and ID.
Contents ReadAll(IffResourceFile& file) {
    Contents all;
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) {
                ADD_FAILURE() << "resource " << i << " of a type is unreadable";
                continue;
            }
            uint16_t id = 0;
            file.GetResID(block, id);
            LabelText label;
            file.GetResName(block, label);
            all[{type, static_cast<ResId>(id)}] = {std::string(label.View()),
                                                   Bytes(block->data, block->data + block->size)};
            file.ReleaseResource(block);
        }
    }
    return all;
}

uint32_t MapOffset(const Bytes& file) {
    if (file.size() < kMapOffsetPosition + 4) return 0;
    // big-endian, like the rest of the container header
    return (uint32_t{file[60]} << 24) | (uint32_t{file[61]} << 16) | (uint32_t{file[62]} << 8) | file[63];
}

class ObjectSetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A catalog table in the second language only: the completion adds language 1.
        WriteObjectFile("chair", ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen"));
        IffResourceFile file;
        ASSERT_EQ(file.Open(FileNameText(dir.File("chair.iff"))), rc::kOk);
        ASSERT_EQ(AddAndWrite(file, restype::kSTR, 0, "strings", ByteBuilder().U16(0xFFFF).U16(1).CString("x")), 0);
        ASSERT_EQ(
            AddAndWrite(file, restype::kCTSS, 9, "other", ByteBuilder().U16(0xFFFF).U16(2).CString("a").CString("b")),
            0);
        ASSERT_EQ(file.Close(), rc::kOk);
        ASSERT_NE(MapOffset(dir.Read("chair.iff")), 0u) << "a written file carries its map";
    }

    /// `base`.iff: one object whose catalog table holds `catalog`, a sprite and a palette.
    void WriteObjectFile(const std::string& base, const Bytes& catalog) {
        FileNameText name(dir.File(base + ".iff"));
        IffResourceFile file;
        ASSERT_EQ(file.Create(name), rc::kOk);
        ASSERT_EQ(file.Open(name), rc::kOk);
        ASSERT_EQ(AddAndWrite(file, restype::kOBJD, 128, "chair", Definition(kCatalogId)), 0);
        ASSERT_EQ(AddAndWrite(file, restype::kCTSS, kCatalogId, "catalog", catalog), 0);
        ASSERT_EQ(AddAndWrite(file, restype::kSPR2, 300, "sprite", Bytes(40, 0x5A)), 0);
        ASSERT_EQ(AddAndWrite(file, restype::kPALT, 300, "palette", EncodePalette({{9, 8, 7, 0}})), 0);
        ASSERT_EQ(file.Close(), rc::kOk);
    }

    Contents ReopenAndRead() {
        IffResourceFile file;
        EXPECT_EQ(file.Open(FileNameText(dir.File("chair.iff"))), rc::kOk);
        Contents all = ReadAll(file);
        file.Close();
        return all;
    }

    /// Loads the set as the object view does: through its resource set, opened by the
    /// object file's name without extension.
    void LoadSet(ObjectSet& set, const std::string& base = "chair") {
        auto file = std::make_unique<ViewResourceSet>();
        ASSERT_EQ(file->Open(FileNameText(dir.File(base))), rc::kOk);
        set.SetResourceSet(std::move(file));
        set.Load(1);
    }

    test::TempDir dir;
};

TEST_F(ObjectSetFileTest, CompletionStoresEmptyStringsAndKeepsEverythingElse) {
    Contents before = ReopenAndRead();
    ASSERT_EQ(before.size(), 6u);
    {
        ObjectSet set;
        LoadSet(set);
        ASSERT_EQ(set.Objects().size(), 1u);
        const ObjectRecord& chair = *set.Objects()[0];
        EXPECT_EQ(chair.Name(), "");
        EXPECT_EQ(chair.Description(), "");
        EXPECT_EQ(chair.CatalogFound(), 1);
        EXPECT_EQ(set.Sprites().size(), 1u);
        EXPECT_EQ(set.Palettes().size(), 1u);
        set.Close();  // writes the new map
    }

    Bytes onDisk = dir.Read("chair.iff");
    EXPECT_NE(MapOffset(onDisk), 0u) << "the changed file opens through its map again";
    Contents after = ReopenAndRead();
    ASSERT_EQ(after.size(), before.size());
    for (auto& [key, value] : before) {
        ASSERT_EQ(after.count(key), 1u);
        if (key == Key{restype::kCTSS, kCatalogId}) continue;
        EXPECT_EQ(after[key], value) << "resource " << ResTypeText(key.first) << " " << key.second;
    }
    auto& table = after[{restype::kCTSS, kCatalogId}];
    EXPECT_EQ(table.first, "catalog");
    Bytes expected = ByteBuilder()
                         .U16(kMulti)
                         .U16(4)
                         .Entry(1, "")
                         .Entry(1, "")
                         .Entry(2, "Stuhl")
                         .Entry(2, "Sitzen")
                         .U8(0xA3)
                         .U8(0xA3)
                         .U8(0xA3)
                         .U8(0xA3);
    EXPECT_EQ(table.second, expected);

    // A second load finds the table complete and leaves the file as it is.
    {
        ObjectSet set;
        LoadSet(set);
        ASSERT_EQ(set.Objects().size(), 1u);
        EXPECT_EQ(set.Objects()[0]->CatalogFound(), 1);
        FixedText<64> text;
        GetIndString(*set.ResourceSet(), text, 0, 1);
        EXPECT_EQ(text.View(), "x");
    }
    EXPECT_EQ(dir.Read("chair.iff"), onDisk);
}

// A table that needs no completion, a packed table of the later game and tables the
// decoder cannot read whole (which read as empty or short, or hide texts behind a count
// too small) stay as they are, and so does every other byte of the file.
TEST_F(ObjectSetFileTest, ViewingLeavesEveryByteOfTheFile) {
    ByteBuilder twenty;  // 20 language sets of a name and a description
    twenty.U16(kPacked).U8(20);
    for (uint8_t l = 0; l < 20; ++l) twenty.U16(2).Pair(l, "Roulette " + std::to_string(l), "c").Pair(l, "Spin");
    const struct {
        const char* name;
        Bytes catalog;
        const char* shown;
    } cases[] = {
        {"complete", ByteBuilder().U16(kMulti).U16(2).Entry(1, "Chair").Entry(1, "Sit").U8(0xA3).U8(0xA3), "Chair"},
        {"packed", twenty, "Roulette 0"},
        {"packedWithoutStrings", ByteBuilder().U16(kPacked).U8(0), ""},
        {"unknownCode", ByteBuilder().U16(0xFFFB).U16(2).Entry(1, "Chair").Entry(1, "Sit"), ""},
        {"stringPastEnd", ByteBuilder().U16(kMulti).U16(2).Entry(1, "Chair").U8(1).Text("Si"), "Chair"},
        {"countBeyondData", ByteBuilder().U16(kMulti).U16(3).Entry(2, "Stuhl").Entry(2, "Sitzen"), "Stuhl"},
        {"countTooSmall", ByteBuilder().U16(kMulti).U16(1).Entry(1, "Chair").Entry(1, "Sit").U8(0xA3), "Chair"},
        {"negativeCount", ByteBuilder().U16(0xFFFF).U16(0x8000).CString("Chair").CString("Sit"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = std::string("view-") + c.name;
        WriteObjectFile(base, c.catalog);
        const Bytes before = dir.Read(base + ".iff");
        {
            ObjectSet set;
            LoadSet(set, base);
            ASSERT_EQ(set.Objects().size(), 1u);
            EXPECT_EQ(set.Objects()[0]->Name(), c.shown);
        }
        EXPECT_EQ(dir.Read(base + ".iff"), before);
    }
}

}  // namespace
}  // namespace tambrix
