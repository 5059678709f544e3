// The object set over real files: the catalog completion writes, and the file stays whole for every later reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "graphics/Palette.h"
#include "sets/ViewResourceSet.h"
#include "support/ByteBuilder.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;

constexpr uint16_t kMulti = 0xFFFD, kPacked = 0xFFFC;
constexpr int16_t kCatalogId = 8;
constexpr size_t kMapOffsetPosition = 60;

using Key = std::pair<ResType, ResId>;
using Contents = std::map<Key, std::pair<std::string, Bytes>>;  // label, body

/// Every resource of the file, by type and ID: label and body.
Contents ReadAll(const std::string& path) {
    Contents all;
    IffResourceFile file;
    EXPECT_EQ(file.Open(FileNameText(path)), rc::kOk);
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        const ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            uint16_t id = 0;
            LabelText label;
            if (!block) ADD_FAILURE() << "resource " << i << " of a type is unreadable";
            if (!block) continue;
            file.GetResID(block, id);
            file.GetResName(block, label);
            all[{type, ResId(id)}] = {std::string(label.View()), Bytes(block->data, block->data + block->size)};
            file.ReleaseResource(block);
        }
    }
    file.Close();
    return all;
}

class ObjectSetFileTest : public ::testing::Test {
protected:
    /// `base`.iff: one object whose catalog table holds `catalog`, a sprite, a palette and two more tables.
    std::string WriteObjectFile(const std::string& base, const Bytes& catalog) {
        test::WriteContainer<IffResourceFile>(dir.File(base + ".iff"), {
            {restype::kOBJD, 128, "chair", EncodeObjectDefinition({.graphicCount = 0, .catalogId = kCatalogId})},
            {restype::kCTSS, kCatalogId, "catalog", catalog},
            {restype::kSPR2, 300, "sprite", Bytes(40, 0x5A)},
            {restype::kPALT, 300, "palette", EncodePalette({{9, 8, 7, 0}})},
            {restype::kSTR, 0, "strings", ByteBuilder().U16(0xFFFF).U16(1).CString("x")},
            {restype::kCTSS, 9, "other", ByteBuilder().U16(0xFFFF).U16(2).CString("a").CString("b")}});
        return dir.File(base + ".iff");
    }

    /// Loads the set as the object view does: through its resource set, opened by the name without extension.
    void LoadSet(ObjectSet& set, const std::string& base) {
        auto file = std::make_unique<ViewResourceSet>();
        ASSERT_EQ(file->Open(FileNameText(dir.File(base))), rc::kOk);
        set.SetResourceSet(std::move(file));
        set.Load(1);
        ASSERT_EQ(set.Objects().size(), 1u);
    }

    test::TempDir dir;
};

// A catalog table in the second language only: the completion adds language 1.
TEST_F(ObjectSetFileTest, CompletionStoresEmptyStringsAndKeepsEverythingElse) {
    const std::string path = WriteObjectFile("chair", ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen"));
    // Another program's creator text in the header, which the completion must keep.
    Bytes header = dir.Read("chair.iff");
    const std::string creator = " JAMIE DOORNBOS & MAXIS 1";
    std::copy(creator.begin(), creator.end(), header.begin() + 35);
    dir.Write("chair.iff", header);
    Contents before = ReadAll(path);
    ASSERT_EQ(before.size(), 6u);
    ObjectSet set;
    LoadSet(set, "chair");
    EXPECT_EQ(set.Objects()[0]->Name() + set.Objects()[0]->Description(), "");
    EXPECT_EQ(set.Objects()[0]->CatalogFound(), 1);
    EXPECT_EQ(set.Sprites().size() * 10 + set.Palettes().size(), 11u);
    set.Close();  // writes the new map
    const Bytes onDisk = dir.Read("chair.iff");
    // The container header keeps the map's offset, big-endian, in its last four bytes: the changed file has its map.
    ASSERT_GE(onDisk.size(), kMapOffsetPosition + 4);
    EXPECT_NE(onDisk[60] | onDisk[61] | onDisk[62] | onDisk[63], 0);
    EXPECT_TRUE(std::equal(onDisk.begin(), onDisk.begin() + kMapOffsetPosition, header.begin()));
    Contents after = ReadAll(path);
    before[{restype::kCTSS, kCatalogId}].second = ByteBuilder().U16(kMulti).U16(4).Entry(1, "").Entry(1, "")
        .Entry(2, "Stuhl").Entry(2, "Sitzen").U8(0xA3).U8(0xA3).U8(0xA3).U8(0xA3);
    EXPECT_EQ(after, before);
    // A second load finds the table complete and leaves the file as it is.
    LoadSet(set, "chair");
    EXPECT_EQ(set.Objects()[0]->CatalogFound(), 1);
    FixedText<64> text;
    GetIndString(*set.ResourceSet(), text, 0, 1);
    EXPECT_EQ(text.View(), "x");
    set.Close();
    EXPECT_EQ(dir.Read("chair.iff"), onDisk);
}

// A table that needs no completion, a packed table of the later game and tables the
// decoder cannot read whole (which read as empty or short, or hide texts behind a count
// too small) stay as they are, and so does every other byte of the file.
TEST_F(ObjectSetFileTest, ViewingLeavesEveryByteOfTheFile) {
    ByteBuilder twenty;  // 20 language sets of a name and a description
    twenty.U16(kPacked).U8(20);
    for (uint8_t l = 0; l < 20; ++l) twenty.U16(2).Pair(l, "Roulette " + std::to_string(l), "c").Pair(l, "Spin");
    const struct { const char* name; Bytes catalog; const char* shown; } cases[] = {
        {"complete", ByteBuilder().U16(kMulti).U16(2).Entry(1, "Chair").Entry(1, "Sit").U8(0xA3).U8(0xA3), "Chair"},
        {"packed", twenty, "Roulette 0"},
        {"packedWithoutStrings", ByteBuilder().U16(kPacked).U8(0), ""},
        {"unknownCode", ByteBuilder().U16(0xFFFB).U16(2).Entry(1, "Chair").Entry(1, "Sit"), ""},
        {"stringPastEnd", ByteBuilder().U16(kMulti).U16(2).Entry(1, "Chair").U8(1).Text("Si"), "Chair"},
        {"countBeyondData", ByteBuilder().U16(kMulti).U16(3).Entry(2, "Stuhl").Entry(2, "Sitzen"), "Stuhl"},
        {"countTooSmall", ByteBuilder().U16(kMulti).U16(1).Entry(1, "Chair").Entry(1, "Sit").U8(0xA3), "Chair"},
        {"negativeCount", ByteBuilder().U16(0xFFFF).U16(0x8000).CString("Chair").CString("Sit"), ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteObjectFile(c.name, c.catalog);
        const Bytes before = dir.Read(c.name + std::string(".iff"));
        ObjectSet set;
        LoadSet(set, c.name);
        EXPECT_EQ(set.Objects()[0]->Name(), c.shown);
        set.Close();
        EXPECT_EQ(dir.Read(c.name + std::string(".iff")), before);
    }
}

}  // namespace
}  // namespace tambrix
