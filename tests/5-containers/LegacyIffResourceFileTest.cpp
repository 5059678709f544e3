#include "containers/LegacyIffResourceFile.h"

#include <gtest/gtest.h>

#include "IffTestSupport.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kAAAA = MakeResType("AAAA");
constexpr ResType kBBBB = MakeResType("BBBB");
constexpr ResType kNAME = MakeResType("NAME");
constexpr uint16_t kInternal = 0x08;
constexpr uint16_t kLibrary = 0x10;
constexpr uint32_t kNoLabel = 0xFFFFFFFF;

class LegacyIffResourceFileTest : public ::testing::Test {
protected:
    void TearDown() override { platform::Hooks().failWritesAfter = -1; }
    FileNameText Name(const std::string& file) { return FileNameText(dir.File(file)); }
    void Write(const std::string& file, const ByteBuilder& b) { WriteAll(dir.File(file), b.Bytes()); }
    std::vector<uint8_t> Read(const std::string& file) { return ReadAll(dir.File(file)); }

    /// Label number field of the chunk at offset.
    static uint32_t LabelNumberAt(const std::vector<uint8_t>& bytes, uint32_t offset) {
        return (uint32_t{bytes[offset + 12]} << 24) | (uint32_t{bytes[offset + 13]} << 16) |
               (uint32_t{bytes[offset + 14]} << 8) | bytes[offset + 15];
    }
    static std::string Label(ResourceFile& file, DataBlock* block) {
        LabelText label;
        file.GetResName(block, label);
        return std::string(label.View());
    }

    test::TempDir dir;
};

TEST_F(LegacyIffResourceFileTest, createWritesTheHeaderAndAnEmptyLabelTable) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Name("new.wll")), 0);
    EXPECT_FALSE(legacy.IsOpen());
    ByteBuilder expected = LegacyFileHeader();
    expected.Text("NAME").U32BE(32).U16BE(1).U16BE(kInternal | kLibrary).U32BE(kNoLabel);  // 16-byte header
    expected.U8(0).Fill(3, 0).U32(0).Text("EMAN");  // envelope: flag, version 0, tag "NAME" little-endian
    expected.U32(0);                                // no records
    EXPECT_EQ(Read("new.wll"), expected.Bytes());
}

TEST_F(LegacyIffResourceFileTest, roundTripKeepsLabelsBodiesAndReverseOrder) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Name("r.flr")), 0);
    ASSERT_EQ(legacy.Open(Name("r.flr")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("one"), kAAAA, 1, LabelText("Wall"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("two"), kBBBB, 2, LabelText(""), false), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock(Body(3, 500)), kAAAA, -5, LabelText("Floor"), true), 0);
    EXPECT_EQ(legacy.GetIndType(1), kBBBB) << "the newest type is at the front";
    ASSERT_EQ(legacy.Close(), 0);

    ASSERT_EQ(legacy.Open(Name("r.flr")), 0);
    EXPECT_EQ(legacy.CountTypes(), 2);
    EXPECT_EQ(legacy.CountResources(kAAAA), 2);
    DataBlock* one = legacy.GetResource(kAAAA, 1, nullptr);
    EXPECT_EQ(BlockText(one), "one");
    EXPECT_EQ(Label(legacy, one), "Wall");
    EXPECT_TRUE(legacy.IsLibraryOrder(one));
    DataBlock* two = legacy.GetResource(kBBBB, 2, nullptr);
    EXPECT_EQ(BlockText(two), "two");
    EXPECT_EQ(Label(legacy, two), "");
    EXPECT_FALSE(legacy.IsLibraryOrder(two));
    DataBlock* floor = legacy.GetNamedResource(kAAAA, LabelText("fLOOR"), nullptr);
    EXPECT_EQ(BlockText(floor), Body(3, 500));
    uint16_t id = 0;
    EXPECT_EQ(legacy.GetResID(floor, id), 0);
    EXPECT_EQ(static_cast<int16_t>(id), -5);
    EXPECT_EQ(legacy.GetNamedResource(kBBBB, LabelText("Floor"), nullptr), nullptr) << "label of another type";
    EXPECT_EQ(legacy.GetError(), rc::kNoSuchLabel);
    EXPECT_EQ(legacy.CountResources(kNAME), 0) << "the label table is internal";
    EXPECT_EQ(legacy.Close(), 0);
}

TEST_F(LegacyIffResourceFileTest, listsRunInReverseOrderOfDiscovery) {
    ByteBuilder b = LegacyFileHeader();
    LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "a1 first");
    LegacyChunk(b, "BBBB", 1, kLibrary, kNoLabel, "b1");
    LegacyChunk(b, "AAAA", 2, kLibrary, kNoLabel, "a2");
    LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "a1 later");
    Write("o.wll", b);

    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("o.wll")), 0);
    EXPECT_EQ(legacy.GetIndType(1), kBBBB) << "first occurs latest";
    EXPECT_EQ(legacy.GetIndType(2), kAAAA);
    EXPECT_EQ(legacy.GetIndType(0), kBBBB) << "a position below 1 is the first type";
    EXPECT_EQ(legacy.GetIndType(3), 0u);
    EXPECT_EQ(legacy.GetError(), rc::kTypeIndexRange);
    EXPECT_EQ(BlockText(legacy.GetResource(kAAAA, 1, nullptr)), "a1 later");
    EXPECT_EQ(BlockText(legacy.GetIndResource(kAAAA, 2, nullptr)), "a2");
    EXPECT_EQ(BlockText(legacy.GetIndResource(kAAAA, 3, nullptr)), "a1 first");
    EXPECT_EQ(legacy.GetIndResource(kAAAA, 4, nullptr), nullptr);
    EXPECT_EQ(legacy.GetError(), rc::kNoSuchResource);
}

TEST_F(LegacyIffResourceFileTest, headerIsComparedByteForByte) {
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
    } cases[] = {{"last byte not 0", 63, ' '}, {"year 1997", 62, '7'}, {"version 2.5", 11, '5'}, {"text", 3, 'X'}};
    for (const auto& c : cases) {
        ByteBuilder b = LegacyFileHeader();
        b.PatchU8(c.at, c.value);
        Write("h.wll", b);
        LegacyIffResourceFile legacy;
        EXPECT_EQ(legacy.Open(Name("h.wll")), rc::kBadHeader) << c.what;
        EXPECT_FALSE(legacy.IsOpen()) << c.what;
    }
}

TEST_F(LegacyIffResourceFileTest, olderLabelTableIsReadThenReplacedAfterAChange) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder older;
    older.U32(1).U8(5).Text("Alpha");  // label number, length, characters
    older.U32(2).U8(4).Text("Beta");
    LegacyChunk(b, "NAME", 0, kInternal, kNoLabel, std::string(older.Bytes().begin(), older.Bytes().end()));
    LegacyChunk(b, "AAAA", 1, kLibrary, 1, "alpha body");
    LegacyChunk(b, "AAAA", 2, kLibrary, 2, "beta body");
    Write("old.wll", b);

    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("old.wll")), 0);
    EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "Alpha");
    EXPECT_EQ(BlockText(legacy.GetNamedResource(kAAAA, LabelText("BETA"), nullptr)), "beta body");
    EXPECT_EQ(legacy.Close(), 0);
    EXPECT_EQ(Read("old.wll"), b.Bytes()) << "an unchanged file is not written";

    ASSERT_EQ(legacy.Open(Name("old.wll")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("gamma body"), kBBBB, 3, LabelText("Gamma"), true), 0);
    ASSERT_EQ(legacy.Close(), 0);

    auto chunks = ListChunks(Read("old.wll"), 16);
    int current = 0, older0 = 0;
    for (const auto& c : chunks) {
        if (c.type == "NAME" && c.id == 1) ++current;
        if (c.type == "NAME" && c.id == 0) ++older0;
    }
    EXPECT_EQ(current, 1);
    EXPECT_EQ(older0, 0);
    ASSERT_EQ(legacy.Open(Name("old.wll")), 0);
    EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "Alpha");
    EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 2, nullptr)), "Beta");
    EXPECT_EQ(Label(legacy, legacy.GetResource(kBBBB, 3, nullptr)), "Gamma");
}

TEST_F(LegacyIffResourceFileTest, newLabelNumberIsOneAboveTheLargest) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder older;
    older.U32(1).U8(1).Text("a").U32(2).U8(1).Text("b").U32(7).U8(1).Text("g");
    LegacyChunk(b, "NAME", 0, kInternal, kNoLabel, std::string(older.Bytes().begin(), older.Bytes().end()));
    Write("n.wll", b);
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("n.wll")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("x"), kAAAA, 1, LabelText("new"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("y"), kAAAA, 2, LabelText(""), true), 0);
    ASSERT_EQ(legacy.Close(), 0);
    std::vector<uint8_t> bytes = Read("n.wll");
    for (const auto& c : ListChunks(bytes, 16)) {
        if (c.type != "AAAA") continue;
        EXPECT_EQ(LabelNumberAt(bytes, c.offset), c.id == 1 ? 8u : kNoLabel) << c.id;
    }
}

TEST_F(LegacyIffResourceFileTest, replacingAResourceAddsItsLabelAndKeepsTheOldRecord) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder table;
    table.U8(0).Fill(3, 0).U32(0).Text("EMAN");  // envelope: flag, version 0, tag "NAME"
    table.U32(1).U32(1).Text("Od").U8(0).U8(0xA3);  // one record: number 1, "Od", NUL, pad
    LegacyChunk(b, "NAME", 1, kInternal | kLibrary, kNoLabel, std::string(table.Bytes().begin(), table.Bytes().end()));
    LegacyChunk(b, "AAAA", 1, kLibrary, 1, "old");
    Write("rep.wll", b);

    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("rep.wll")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("new"), kAAAA, 1, LabelText("Nw"), true), 0);
    ASSERT_EQ(legacy.Close(), 0);

    std::vector<uint8_t> bytes = Read("rep.wll");
    ByteBuilder expected;
    expected.U8(0).Fill(3, 0).U32(0).Text("EMAN").U32(2);
    expected.U32(1).Text("Od").U8(0).U8(0xA3);  // the replaced resource's record stays
    expected.U32(2).Text("Nw").U8(0).U8(0xA3);  // the new label gets the next number
    int tables = 0;
    for (const auto& c : ListChunks(bytes, 16)) {
        if (c.type == "AAAA") {
            EXPECT_EQ(LabelNumberAt(bytes, c.offset), 2u);
        }
        if (c.type != "NAME") continue;
        ++tables;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + c.offset + 16, bytes.begin() + c.offset + c.size), expected.Bytes());
    }
    EXPECT_EQ(tables, 1);
}

TEST_F(LegacyIffResourceFileTest, labelTableStoredInTheOtherByteOrderIsConverted) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder table;
    table.U8(0).Fill(3, 0).U32BE(0).Text("NAME");  // envelope as a big-endian writer left it
    table.U32BE(1).U32BE(5).Text("Gamma").U8(0);   // one record: number 5, "Gamma", NUL (even)
    LegacyChunk(b, "NAME", 1, kInternal, kNoLabel, std::string(table.Bytes().begin(), table.Bytes().end()));
    LegacyChunk(b, "AAAA", 9, kLibrary, 5, "body");
    Write("be.wll", b);
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("be.wll")), 0);
    EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 9, nullptr)), "Gamma");
}

TEST_F(LegacyIffResourceFileTest, setResInfoNumbersRenamesAndClearsLabels) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Name("s.wll")), 0);
    ASSERT_EQ(legacy.Open(Name("s.wll")), 0);
    DataBlock* block = MakeBlock("body");
    ASSERT_EQ(legacy.AddResource(block, kAAAA, 1, LabelText(""), true), 0);
    ASSERT_EQ(legacy.WriteResource(block), 0);
    EXPECT_EQ(legacy.SetResInfo(block, 1, LabelText("x"), 4), rc::kAttrUnsupported);
    ASSERT_EQ(legacy.SetResInfo(block, 2, LabelText("Named"), 0), 0);
    EXPECT_EQ(Label(legacy, block), "Named");
    ASSERT_EQ(legacy.Close(), 0);

    ASSERT_EQ(legacy.Open(Name("s.wll")), 0);
    block = legacy.GetResource(kAAAA, 2, nullptr);
    ASSERT_NE(block, nullptr) << "the new ID reached the chunk header";
    EXPECT_EQ(Label(legacy, block), "Named");
    ASSERT_EQ(legacy.SetResInfo(block, 2, LabelText(""), 0), 0);
    EXPECT_EQ(Label(legacy, block), "");
    ASSERT_EQ(legacy.Close(), 0);
    ASSERT_EQ(legacy.Open(Name("s.wll")), 0);
    EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 2, nullptr)), "");
    EXPECT_EQ(legacy.GetNamedResource(kAAAA, LabelText("Named"), nullptr), nullptr);
}

TEST_F(LegacyIffResourceFileTest, unsupportedOperationsAnswerTheirCodes) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Name("u.wll")), 0);
    EXPECT_EQ(legacy.CountTypes(), 0);
    EXPECT_EQ(legacy.GetError(), rc::kNotOpen);
    ASSERT_EQ(legacy.Open(Name("u.wll")), 0);
    EXPECT_EQ(legacy.Suspend(), rc::kIoFailed);
    EXPECT_EQ(legacy.Resume(), rc::kIoFailed);
    EXPECT_TRUE(legacy.IsOpen());
    ASSERT_EQ(legacy.AddResource(MakeBlock("v"), kAAAA, 1, LabelText("L"), true), 0);
    EXPECT_EQ(legacy.GetResourceWithAttr(kAAAA, 1, 2, nullptr), nullptr);
    EXPECT_EQ(legacy.GetError(), rc::kAttrUnsupported);
    EXPECT_EQ(BlockText(legacy.GetResourceWithAttr(kAAAA, 1, 0, nullptr)), "v");
    EXPECT_EQ(legacy.GetResAttrs(legacy.GetResource(kAAAA, 1, nullptr)), 0);
    DataBlock stranger;
    EXPECT_EQ(legacy.GetResAttrs(&stranger), 0);
    EXPECT_EQ(legacy.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(legacy.UniqueID(kAAAA), 129);
    LabelText label("L");
    legacy.UniqueName(kAAAA, label);
    EXPECT_EQ(label.View(), "L0");
    EXPECT_EQ(legacy.Close(), 0);
}

TEST_F(LegacyIffResourceFileTest, hostileFilesGiveACodeOrAShorterIndex) {
    struct Case {
        const char* what;
        ByteBuilder bytes;
        int16_t types;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, uint32_t size, int16_t types) {
        ByteBuilder b = LegacyFileHeader();
        LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "x", size);
        LegacyChunk(b, "BBBB", 1, kLibrary, kNoLabel, "never seen");
        cases.push_back({what, b, types});
    };
    add("size 0", 0, 0);
    add("size 15", 15, 0);
    add("size wrapping past 4 GiB", 0xFFFFFFF0, 0);
    {
        ByteBuilder b = LegacyFileHeader();
        ByteBuilder older;
        older.U32(1).U8(200).Text("short");  // length says 200, 5 are there
        LegacyChunk(b, "NAME", 0, kInternal, kNoLabel, std::string(older.Bytes().begin(), older.Bytes().end()));
        LegacyChunk(b, "AAAA", 1, kLibrary, 1, "x");
        cases.push_back({"older table record cut", b, 1});
    }
    {
        ByteBuilder b = LegacyFileHeader();
        ByteBuilder table;
        table.U8(0).Fill(3, 0).U32(0).Text("EMAN").U32(0xFFFFFFFF).U32(1).Text("no terminator");
        LegacyChunk(b, "NAME", 1, kInternal | kLibrary, kNoLabel, std::string(table.Bytes().begin(), table.Bytes().end()));
        LegacyChunk(b, "AAAA", 1, kLibrary, 1, "x");
        cases.push_back({"table with huge count and unterminated label", b, 1});
    }
    for (auto& c : cases) {
        Write("bad.wll", c.bytes);
        LegacyIffResourceFile legacy;
        ASSERT_EQ(legacy.Open(Name("bad.wll")), 0) << c.what;
        EXPECT_EQ(legacy.CountTypes(), c.types) << c.what;
        if (c.types) {
            EXPECT_EQ(Label(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "") << c.what;
        }
    }
    // A body that runs past the end of the file is listed but does not load.
    ByteBuilder b = LegacyFileHeader();
    LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "x", 0x7FFFFFFF);
    Write("cut.wll", b);
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Name("cut.wll")), 0);
    EXPECT_EQ(legacy.CountResources(kAAAA), 1);
    EXPECT_EQ(legacy.GetResource(kAAAA, 1, nullptr), nullptr);
    EXPECT_EQ(legacy.GetError(), rc::kShortRead);
}

TEST_F(LegacyIffResourceFileTest, closingWithMuchFreeSpaceCompacts) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Name("k.wll")), 0);
    ASSERT_EQ(legacy.Open(Name("k.wll")), 0);
    for (int i = 1; i <= 20; ++i)
        ASSERT_EQ(legacy.AddResource(MakeBlock(Body(i, 1100)), kAAAA, static_cast<ResId>(i), LabelText("n" + std::to_string(i)), true), 0);
    ASSERT_EQ(legacy.Close(), 0);
    ASSERT_EQ(legacy.Open(Name("k.wll")), 0);
    for (int i = 1; i <= 20; i += 2) ASSERT_EQ(legacy.RemoveResource(legacy.GetResource(kAAAA, static_cast<ResId>(i), nullptr)), 0);
    ASSERT_GE(legacy.FreeBytes(), 10240u);
    ASSERT_EQ(legacy.Close(), 0);

    std::vector<uint8_t> bytes = Read("k.wll");
    auto chunks = ListChunks(bytes, 16);
    ASSERT_FALSE(chunks.empty());
    for (const auto& c : chunks) EXPECT_NE(c.type, "XXXX");
    EXPECT_EQ(chunks.back().offset + chunks.back().size, bytes.size());
    ASSERT_EQ(legacy.Open(Name("k.wll")), 0);
    EXPECT_EQ(legacy.CountResources(kAAAA), 10);
    for (int i = 2; i <= 20; i += 2) {
        DataBlock* block = legacy.GetResource(kAAAA, static_cast<ResId>(i), nullptr);
        EXPECT_EQ(BlockText(block), Body(i, 1100)) << i;
        EXPECT_EQ(Label(legacy, block), "n" + std::to_string(i)) << i;
    }
}

TEST_F(LegacyIffResourceFileTest, aWriteFailureAtAnyPointLosesNoUntouchedResource) {
    {
        LegacyIffResourceFile legacy;
        ASSERT_EQ(legacy.Create(Name("base.wll")), 0);
        ASSERT_EQ(legacy.Open(Name("base.wll")), 0);
        for (int i = 1; i <= 6; ++i)
            legacy.AddResource(MakeBlock(Body(i, 90)), kAAAA, static_cast<ResId>(i), LabelText("L" + std::to_string(i)), true);
        ASSERT_EQ(legacy.Close(), 0);
    }
    const std::vector<uint8_t> base = Read("base.wll");
    auto changes = [&] {
        LegacyIffResourceFile legacy;
        if (legacy.Open(Name("crash.wll")) != 0) return;
        legacy.AddResource(MakeBlock("added"), kBBBB, 1, LabelText("B"), true);
        DataBlock* grow = legacy.GetResource(kAAAA, 2, nullptr);
        if (grow && ResizeDataBlock(grow, 300)) legacy.WriteResource(grow);
        legacy.RemoveResource(legacy.GetResource(kAAAA, 3, nullptr));
        legacy.Close();
    };
    WriteAll(dir.File("crash.wll"), base);
    uint64_t before = platform::Hooks().writes.load();
    changes();
    const int64_t total = static_cast<int64_t>(platform::Hooks().writes.load() - before);
    ASSERT_GT(total, 3);
    for (int64_t n = 0; n <= total; ++n) {
        WriteAll(dir.File("crash.wll"), base);
        platform::Hooks().failWritesAfter = n;
        changes();
        platform::Hooks().failWritesAfter = -1;
        LegacyIffResourceFile check;
        ASSERT_EQ(check.Open(Name("crash.wll")), 0) << n;
        for (int i : {1, 4, 5, 6})
            EXPECT_EQ(BlockText(check.GetResource(kAAAA, static_cast<ResId>(i), nullptr)), Body(i, 90)) << i << " after " << n;
        // The grown resource reads as one version or the other, never as a half-written chunk.
        const std::string grown = BlockText(check.GetResource(kAAAA, 2, nullptr));
        EXPECT_EQ(grown.substr(0, 90), Body(2, 90)) << "2 after " << n;
        EXPECT_TRUE(grown.size() == 90 || grown.size() == 300) << "2 after " << n;
    }
}

}  // namespace
}  // namespace tambrix
