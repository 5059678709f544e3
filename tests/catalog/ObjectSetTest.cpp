#include "catalog/ObjectSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteBuilder.h"
#include "FakeResourceFile.h"
#include "catalog/StringTable.h"
#include "graphics/Palette.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::FakeResourceFile;

constexpr uint16_t kMulti = 0xFFFD;

struct Definition {
    uint32_t version = 138;
    int16_t masterId = 0;
    int16_t subIndex = 0;
    int16_t catalogId = 0;
    int16_t price = 0;
    uint32_t size = kObjectDefinitionSize;
    uint8_t fill = 0x11;  // every other byte, so that zeroing shows
};

/// An "OBJD" body: every byte `fill` except the fields the set reads.
Bytes MakeDefinition(const Definition& d) {
    Bytes b(std::max<uint32_t>(d.size, kObjectDefinitionSize), d.fill);
    auto put16 = [&b](uint32_t at, int16_t v) {
        b[at] = static_cast<uint8_t>(v & 0xFF);
        b[at + 1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF);
    };
    put16(0, static_cast<int16_t>(d.version & 0xFFFF));  // version, u32
    put16(2, static_cast<int16_t>(d.version >> 16));
    put16(ObjectRecord::kMasterIdOffset, d.masterId);
    put16(ObjectRecord::kSubIndexOffset, d.subIndex);
    put16(ObjectRecord::kPriceOffset, d.price);
    put16(ObjectRecord::kCatalogStringsIdOffset, d.catalogId);
    b.resize(d.size);
    return b;
}

/// A "PALT" body: version, count, 8 unread bytes, then count RGB triplets.
Bytes MakePalette(std::vector<std::array<uint8_t, 3>> colours) {
    ByteBuilder b;
    b.U32(1).U32(static_cast<uint32_t>(colours.size())).U32(0).U32(0);
    for (auto& c : colours) b.U8(c[0]).U8(c[1]).U8(c[2]);
    return b;
}

/// A file that tells when it was closed and destroyed.
class WatchedFile : public FakeResourceFile {
public:
    explicit WatchedFile(bool* destroyed) : mDestroyed(destroyed) {}
    ~WatchedFile() override { *mDestroyed = true; }

private:
    bool* mDestroyed;
};

class ObjectSetTest : public ::testing::Test {
protected:
    ObjectSetTest() {
        auto owned = std::make_unique<FakeResourceFile>();
        file = owned.get();
        set.SetResourceSet(std::move(owned));
    }
    void PutObject(ResId id, const Definition& d, std::string label = {}) {
        file->Put(restype::kOBJD, id, MakeDefinition(d), std::move(label));
    }
    ObjectRecord& Record(size_t i) { return *set.AllRecords().at(i); }

    ObjectSet set;
    FakeResourceFile* file;  // owned by the set
};

// --- multi-tile objects

TEST_F(ObjectSetTest, TilesLinkToTheirMaster) {
    PutObject(1, {.masterId = 0}, "A");
    PutObject(2, {.masterId = 5, .subIndex = -1}, "M");
    PutObject(3, {.masterId = 5, .subIndex = 0x0102}, "T");
    set.Load(0);
    ASSERT_EQ(set.AllRecords().size(), 3u);
    ObjectRecord &a = Record(0), &m = Record(1), &t = Record(2);
    EXPECT_EQ(set.Objects(), (std::vector<ObjectRecord*>{&a, &m}));
    EXPECT_EQ(a.DisplayIndex(), 0);
    EXPECT_EQ(m.DisplayIndex(), 1);
    EXPECT_EQ(t.DisplayIndex(), -1);
    EXPECT_EQ(t.Master(), &m);
    EXPECT_EQ(m.Tiles(), (std::vector<ObjectRecord*>{&t}));
    EXPECT_EQ(a.Master(), nullptr);
    EXPECT_TRUE(a.Tiles().empty());
    EXPECT_EQ(t.TileX(), 1);
    EXPECT_EQ(t.TileY(), 2);
    EXPECT_EQ(t.Label().View(), "T");
    EXPECT_EQ(t.Set(), &set);
}

TEST_F(ObjectSetTest, TileWithoutMasterIsNeitherShownNorLinked) {
    PutObject(1, {.masterId = 7, .subIndex = 0x0001});
    PutObject(2, {.masterId = 0});
    set.Load(0);
    ASSERT_EQ(set.AllRecords().size(), 2u);
    EXPECT_EQ(set.Objects(), (std::vector<ObjectRecord*>{&Record(1)}));
    EXPECT_EQ(Record(0).Master(), nullptr);
    EXPECT_EQ(Record(0).DisplayIndex(), -1);
    EXPECT_EQ(Record(1).DisplayIndex(), 0);
}

TEST_F(ObjectSetTest, TilesAttachToFirstOfTwoMasters) {
    PutObject(1, {.masterId = 9, .subIndex = 0x0100});  // tile before its masters
    PutObject(2, {.masterId = 9, .subIndex = -1});
    PutObject(3, {.masterId = 9, .subIndex = -1});
    set.Load(0);
    EXPECT_EQ(Record(0).Master(), &Record(1));
    EXPECT_EQ(Record(1).Tiles().size(), 1u);
    EXPECT_TRUE(Record(2).Tiles().empty());
    EXPECT_EQ(set.Objects(), (std::vector<ObjectRecord*>{&Record(1), &Record(2)}));
}

// --- definitions

TEST_F(ObjectSetTest, OldVersionsAreUpgradedAndZeroExtended) {
    PutObject(1, {.version = 137, .size = 200});
    PutObject(2, {.version = 136, .size = 201});  // odd: the half word at 200 is zeroed too
    PutObject(3, {.version = 138, .size = 100, .fill = 0x22});
    PutObject(4, {.version = 138, .size = 300, .fill = 0x33});
    PutObject(5, {.version = 137, .size = 250, .fill = 0x44});
    PutObject(6, {.version = 0, .size = 0});
    set.Load(0);
    ASSERT_EQ(set.AllRecords().size(), 6u);

    auto& d1 = Record(0).Definition();
    EXPECT_EQ(Record(0).Version(), 138u);
    EXPECT_EQ(d1[199], 0x11);
    for (uint32_t i = 200; i < kObjectDefinitionSize; ++i) ASSERT_EQ(d1[i], 0) << i;

    EXPECT_EQ(Record(1).Version(), 138u);
    EXPECT_EQ(Record(1).Definition()[199], 0x11);
    EXPECT_EQ(Record(1).Definition()[200], 0);

    EXPECT_EQ(Record(2).Version(), 138u);
    EXPECT_EQ(Record(2).Definition()[99], 0x22);
    EXPECT_EQ(Record(2).Definition()[100], 0);

    EXPECT_EQ(Record(3).Definition()[215], 0x33) << "a longer definition is cut to 216 bytes";
    EXPECT_EQ(Record(4).Version(), 138u);
    EXPECT_EQ(Record(4).Definition()[215], 0x44);
    EXPECT_EQ(Record(5).Version(), 0u);
    EXPECT_EQ(Record(5).MasterId(), 0);
}

TEST_F(ObjectSetTest, FieldsAndIdsAreSigned) {
    PutObject(-5, {.price = -20});
    set.Load(0);
    EXPECT_EQ(Record(0).Id(), -5);
    EXPECT_EQ(Record(0).Price(), -20);
    EXPECT_EQ(Record(0).Word(kObjectDefinitionSize - 1), 0) << "a word past the definition";
}

// --- catalog texts

TEST_F(ObjectSetTest, CatalogStringsGiveNameAndDescription) {
    PutObject(1, {.catalogId = 100});
    PutObject(2, {.catalogId = 101});
    PutObject(3, {.catalogId = 102});
    PutObject(4, {.catalogId = 103});
    file->Put(restype::kCATS, 100, ByteBuilder().Text("desc").Text("name"));
    file->Put(restype::kCATS, 101, ByteBuilder().Text("only"));
    file->Put(restype::kCATS, 102, ByteBuilder().Text("d").Raw("unterminated"));
    file->Put(restype::kCTSS, 103, ByteBuilder().U16(kMulti).U16(2).Entry(1, "Chair").Entry(1, "Sit"));
    set.Load(0);
    EXPECT_EQ(Record(0).Name(), "name");
    EXPECT_EQ(Record(0).Description(), "desc");
    EXPECT_EQ(Record(1).Name(), "");
    EXPECT_EQ(Record(1).Description(), "only");
    EXPECT_EQ(Record(1).CatalogFound(), 1);
    EXPECT_EQ(Record(2).Name(), "unterminated");
    EXPECT_EQ(Record(3).Name(), "Chair");
    EXPECT_EQ(Record(3).Description(), "Sit");
    EXPECT_EQ(file->writes, 0) << "a complete table is not written";
}

TEST_F(ObjectSetTest, MissingCatalogGivesPlaceholder) {
    PutObject(1, {.catalogId = 55});
    set.Load(0);
    EXPECT_EQ(Record(0).Name(), kNameUndefined);
    EXPECT_EQ(Record(0).Description(), kNameUndefined);
    EXPECT_EQ(Record(0).CatalogFound(), 0);
}

TEST_F(ObjectSetTest, CatalogTextFallsBackToAnyLanguage) {
    file->Put(restype::kCTSS, 8, ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen"));
    std::string name = "x", description = "y";
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 8, false), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(description, "");
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 8, true), 0);
    EXPECT_EQ(name, "Stuhl");
    EXPECT_EQ(description, "Sitzen");
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 9, true), rc::kNoSuchResource);
    EXPECT_EQ(ObjectSet::CatalogText(name, description, nullptr, 8, true), -1);
    EXPECT_EQ(file->Outstanding(), 0u);
}

TEST_F(ObjectSetTest, IncompleteCatalogTableIsCompletedInTheFile) {
    file->Put(restype::kCTSS, 8, ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen"), "cat");
    PutObject(1, {.catalogId = 8});
    set.Load(0);
    EXPECT_EQ(Record(0).Name(), "");
    EXPECT_EQ(Record(0).Description(), "");
    EXPECT_EQ(Record(0).CatalogFound(), 1);

    // Empty code-1 strings 1 and 2 first, the code-2 strings kept.
    Bytes expected = ByteBuilder().U16(kMulti).U16(4).Entry(1, "").Entry(1, "").Entry(2, "Stuhl").Entry(2, "Sitzen")
                         .U8(0xA3).U8(0xA3).U8(0xA3).U8(0xA3);
    EXPECT_EQ(file->Find(restype::kCTSS, 8)->bytes, expected);
    EXPECT_EQ(file->Find(restype::kCTSS, 8)->label, "cat");
}

TEST_F(ObjectSetTest, TableWithOnlyANameGetsAnEmptyDescription) {
    file->Put(restype::kCTSS, 8, ByteBuilder().U16(0xFFFF).U16(1).Text("Lamp"));
    PutObject(1, {.catalogId = 8});
    set.Load(0);
    EXPECT_EQ(Record(0).Name(), "Lamp");
    EXPECT_EQ(Record(0).Description(), "");
    Bytes expected = ByteBuilder().U16(kMulti).U16(2).Entry(1, "Lamp").Entry(1, "").U8(0xA3).U8(0xA3);
    EXPECT_EQ(file->Find(restype::kCTSS, 8)->bytes, expected);
}

TEST_F(ObjectSetTest, ReadOnlyFileIsNotCompletedAndStillShowsTexts) {
    Bytes original = ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen");
    file->Put(restype::kCTSS, 8, original);
    PutObject(1, {.catalogId = 8});
    file->readOnly = true;
    set.Load(0);
    EXPECT_EQ(file->Find(restype::kCTSS, 8)->bytes, original);
    EXPECT_EQ(file->adds, 0);
    EXPECT_EQ(Record(0).Name(), "Stuhl");
    EXPECT_EQ(Record(0).Description(), "Sitzen");
    EXPECT_EQ(Record(0).CatalogFound(), 1);
}

// --- graphics lists and lifetime

TEST_F(ObjectSetTest, GraphicsListsOnlyWithGraphics) {
    PutObject(1, {});
    file->Put(restype::kSPR2, 20, {1}, "two");
    file->Put(restype::kSPR, 10, {1}, "one");
    file->Put(restype::kSPR, -3, {1});
    file->Put(restype::kDGRP, 100, {1}, "dg");
    file->Put(restype::kPALT, 4, MakePalette({{1, 2, 3}, {4, 5, 6}}), "pal");
    file->Put(restype::kPALT, 5, ByteBuilder().U32(1).U32(1000));  // count far past the block

    set.Load(0);
    EXPECT_EQ(set.GraphicsLoaded(), 0);
    EXPECT_TRUE(set.Sprites().empty());
    EXPECT_TRUE(set.Palettes().empty());
    EXPECT_TRUE(set.DrawGroups().empty());

    set.Load(1);
    EXPECT_EQ(set.GraphicsLoaded(), 1);
    ASSERT_EQ(set.Sprites().size(), 3u);
    EXPECT_EQ(set.Sprites()[0].type, restype::kSPR);
    EXPECT_EQ(set.Sprites()[0].id, 10);
    EXPECT_EQ(set.Sprites()[1].id, -3);
    EXPECT_EQ(set.Sprites()[2].type, restype::kSPR2);
    EXPECT_EQ(set.Sprites()[2].label.View(), "two");
    ASSERT_EQ(set.DrawGroups().size(), 1u);
    EXPECT_EQ(set.DrawGroups()[0].id, 100);
    EXPECT_EQ(set.DrawGroups()[0].set, &set);
    ASSERT_EQ(set.Palettes().size(), 2u);
    EXPECT_EQ(set.Palettes()[0].label.View(), "pal");
    const Palette* p = set.FindPalette(4);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->Count(), 2u);
    EXPECT_EQ(p->Entry(1).red, 4);
    EXPECT_EQ(set.FindPalette(6), nullptr);
    EXPECT_EQ(set.AllRecords().size(), 1u) << "a reload rebuilds, it does not add";
    EXPECT_EQ(file->Outstanding(), 0u);
}

TEST(ObjectSetLifetimeTest, CloseClosesAndDestroysTheFile) {
    bool destroyed = false;
    ObjectSet set;
    auto owned = std::make_unique<WatchedFile>(&destroyed);
    owned->Put(restype::kOBJD, 1, MakeDefinition({}));
    set.SetResourceSet(std::move(owned));
    set.Load(1);
    ASSERT_EQ(set.Objects().size(), 1u);
    set.Clear();
    EXPECT_TRUE(set.Objects().empty());
    EXPECT_TRUE(set.AllRecords().empty());
    EXPECT_FALSE(destroyed);
    set.Close();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(set.ResourceSet(), nullptr);
    set.Load(1);  // nothing attached: an empty set
    EXPECT_TRUE(set.AllRecords().empty());
}

TEST(ObjectSetLifetimeTest, DestroyingTheSetDestroysTheFile) {
    bool destroyed = false;
    {
        ObjectSet set;
        set.SetResourceSet(std::make_unique<WatchedFile>(&destroyed));
    }
    EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace tambrix
