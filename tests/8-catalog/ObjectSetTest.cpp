#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CatalogMemoryFile.h"
#include "catalog/ObjectSet.h"
#include "graphics/Palette.h"
#include "support/ByteBuilder.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::CatalogMemoryFile;
using Records = std::vector<ObjectRecord*>;

constexpr uint16_t kMulti = 0xFFFD;

struct Definition {
    uint32_t version = 138;
    int16_t masterId = 0, subIndex = 0, catalogId = 0;
    uint32_t size = kObjectDefinitionSize;
    uint8_t fill = 0x11;  // every byte the set does not read, so that zeroing shows
};

/// An "OBJD" body, little-endian.
Bytes MakeDefinition(const Definition& d) {
    Bytes b(std::max(d.size, kObjectDefinitionSize), d.fill);
    auto put16 = [&b](uint32_t at, uint32_t v) { b[at] = uint8_t(v & 0xFF), b[at + 1] = uint8_t((v >> 8) & 0xFF); };
    put16(0, d.version);  // u32 version
    put16(2, d.version >> 16);
    put16(ObjectRecord::kMasterIdOffset, static_cast<uint16_t>(d.masterId));
    put16(ObjectRecord::kSubIndexOffset, static_cast<uint16_t>(d.subIndex));
    put16(ObjectRecord::kCatalogStringsIdOffset, static_cast<uint16_t>(d.catalogId));
    b.resize(d.size);
    return b;
}

class ObjectSetTest : public ::testing::Test {
protected:
    ObjectSetTest() {
        auto owned = std::make_unique<CatalogMemoryFile>();
        file = owned.get();
        set.SetResourceSet(std::move(owned));
    }
    void PutObject(ResId id, const Definition& d) { file->Put(restype::kOBJD, id, MakeDefinition(d)); }
    ObjectRecord& Record(size_t i) { return *set.AllRecords().at(i); }

    ObjectSet set;
    CatalogMemoryFile* file;  // owned by the set
};

TEST_F(ObjectSetTest, TilesLinkToTheFirstMasterAndOrphansAreDropped) {
    PutObject(1, {.masterId = 0});                      // A
    PutObject(2, {.masterId = 5, .subIndex = 0x0102});  // T, tile x 1, y 2, before its masters
    PutObject(3, {.masterId = 5, .subIndex = -1});      // M
    PutObject(4, {.masterId = 5, .subIndex = -1});      // a second master of the same ID
    PutObject(5, {.masterId = 7, .subIndex = 0x0001});  // a tile without master
    set.Load(0);
    set.Load(0);  // a reload rebuilds, it does not add
    ObjectRecord &a = Record(0), &t = Record(1), &m = Record(2), &m2 = Record(3);
    EXPECT_EQ(set.Objects(), (Records{&a, &m, &m2}));
    EXPECT_EQ(a.DisplayIndex() + 10 * m.DisplayIndex(), 10);
    EXPECT_TRUE(t.DisplayIndex() == -1 && t.Master() == &m);
    EXPECT_EQ(m.Tiles(), (Records{&t}));
    EXPECT_TRUE(m2.Tiles().empty() && !a.Master() && !Record(4).Master());
    EXPECT_TRUE(t.TileX() * 10 + t.TileY() == 12 && t.Set() == &set);
}

TEST_F(ObjectSetTest, DefinitionsBecome216BytesOfVersion138) {
    PutObject(1, {.version = 137, .size = 200});
    PutObject(2, {.version = 136, .size = 201});  // the half word at 200 is zeroed too
    PutObject(3, {.version = 138, .size = 100});
    PutObject(4, {.version = 137, .size = 300, .fill = 0x44});
    PutObject(-5, {.version = 0, .size = 0});
    set.Load(0);
    ASSERT_EQ(set.AllRecords().size(), 5u);
    auto zeroFrom = [](const ObjectRecord& r) {
        auto& d = r.Definition();
        return static_cast<uint32_t>(std::find_if(d.rbegin(), d.rend(), [](uint8_t b) { return b != 0; }).base() -
                                     d.begin());
    };
    for (auto [i, zeroes] : {std::pair{0, 200u}, {1, 200u}, {2, 100u}, {4, 0u}}) EXPECT_EQ(zeroFrom(Record(i)), zeroes) << i;
    EXPECT_EQ(Record(0).Version() + Record(1).Version() + Record(3).Version(), 3 * 138u);
    EXPECT_EQ(Record(3).Definition()[215], 0x44) << "a longer definition is cut, not zeroed";
    // The upgrade rewrites the four bytes of the version and nothing after them.
    for (auto [i, fill] : {std::pair{0, 0x11}, {1, 0x11}, {3, 0x44}}) {
        const auto& d = Record(i).Definition();
        EXPECT_EQ(Bytes(d.begin(), d.begin() + 6), (Bytes{138, 0, 0, 0, uint8_t(fill), uint8_t(fill)})) << i;
    }
    EXPECT_EQ(Record(4).Id(), -5);
}

TEST_F(ObjectSetTest, UnreadableResourcesMakeNoEntries) {
    PutObject(1, {});
    file->Put(restype::kPALT, 1, {});
    file->failGet = rc::kShortRead;
    set.Load(1);
    EXPECT_TRUE(set.AllRecords().empty() && set.Palettes().empty());
    ObjectSet detached;  // nothing attached: an empty set
    detached.Load(1);
    EXPECT_TRUE(detached.AllRecords().empty());
}

TEST_F(ObjectSetTest, TextsFallBackToAnyLanguageAndAReadOnlyFileIsNotCompleted) {
    const Bytes original = ByteBuilder().U16(kMulti).U16(2).Entry(2, "Stuhl").Entry(2, "Sitzen");
    file->Put(restype::kCTSS, 8, original);
    std::string name = "x", description = "y";
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 8, false), 0);
    EXPECT_EQ(name + description, "");
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 8, true), 0);
    EXPECT_EQ(name + "/" + description, "Stuhl/Sitzen");
    EXPECT_EQ(ObjectSet::CatalogText(name, description, file, 9, true), rc::kNoSuchResource);
    EXPECT_EQ(ObjectSet::CatalogText(name, description, nullptr, 8, true), -1);
    PutObject(1, {.catalogId = 8});
    file->readOnly = true;
    set.Load(0);
    EXPECT_EQ(*file->Stored(restype::kCTSS, 8), original);
    EXPECT_EQ(Record(0).Name() + "/" + Record(0).Description(), "Stuhl/Sitzen");
    EXPECT_EQ(Record(0).CatalogFound(), 1);
}

TEST(ObjectDefinitionEncoding, FieldsSitAtTheirOffsets) {
    const Bytes b = EncodeObjectDefinition({.baseGraphic = 100, .graphicCount = 2, .masterId = 0x1234,
                                            .subIndex = TileSubIndex(2, 1), .price = -5, .catalogId = 130, .level = 1,
                                            .dynamicBase = 300, .dynamicCount = 4});
    ASSERT_EQ(b.size(), kObjectDefinitionSize);
    std::vector<int> words;  // every nonzero half word: offset, value
    for (size_t at = 0; at < b.size(); at += 2)
        if (b[at] | b[at + 1]) words.insert(words.end(), {int(at), int16_t(b[at] | (b[at + 1] << 8))});
    EXPECT_EQ(words, (std::vector<int>{0, 138, 6, 100, 8, 2, 20, 0x1234, 22, 0x0201, 36, -5, 82, 130, 112, 1, 128, 300,
                                       130, 4}));
    EXPECT_EQ(EncodeCatalogStrings("N", "des"), (Bytes{'d', 'e', 's', 0, 'N', 0}));
}

TEST(ObjectGuidTest, ReadsAndWritesOnlyTheFourGuidBytes) {
    ObjectDefinition d;
    d.guid = 0xBC85AF5B;
    d.price = 321;
    const Bytes encoded = EncodeObjectDefinition(d);
    EXPECT_EQ(Bytes(encoded.begin() + 28, encoded.begin() + 32), (Bytes{0x5B, 0xAF, 0x85, 0xBC}));

    ObjectRecord record(nullptr, 1, "r");
    record.SetDefinition(encoded.data(), static_cast<uint32_t>(encoded.size()));
    EXPECT_EQ(record.Guid(), 0xBC85AF5Bu);
    record.SetGuid(0x01020304);
    Bytes expected = encoded;
    expected[28] = 4, expected[29] = 3, expected[30] = 2, expected[31] = 1;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), record.Definition().begin()));
    EXPECT_EQ(record.Price(), 321);

    // A stored body of any length: written in place when it holds the GUID, else refused.
    struct Case {
        uint32_t size;
        bool holds;
    };
    for (const Case c : {Case{31, false}, Case{32, true}, Case{0, false}, Case{300, true}}) {
        Bytes body(c.size, 0x77);
        uint32_t guid = 9;
        EXPECT_EQ(ReadDefinitionGuid(body.data(), c.size, guid), c.holds) << c.size;
        EXPECT_EQ(guid, c.holds ? 0x77777777u : 0u);
        EXPECT_EQ(WriteDefinitionGuid(body.data(), c.size, 0xA1B2C3D4), c.holds) << c.size;
        Bytes want(c.size, 0x77);
        if (c.holds) want[28] = 0xD4, want[29] = 0xC3, want[30] = 0xB2, want[31] = 0xA1;
        EXPECT_EQ(body, want) << c.size;
    }
    EXPECT_EQ(GuidText(0xBC85AF5B), "0xBC85AF5B");
    EXPECT_EQ(GuidText(0x2A), "0x0000002A");
}

}  // namespace
}  // namespace tambrix
