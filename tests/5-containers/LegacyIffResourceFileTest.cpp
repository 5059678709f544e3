// What only version 1.0 containers do: the exact bytes of a file with its label table,
// label numbers, the older table form, lists in reverse order, and the calls this
// generation does not support. What both generations share is tested over both in
// IffFileBaseTest.

#include <gtest/gtest.h>

#include "IffTestSupport.h"
#include "containers/LegacyIffResourceFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kAAAA = MakeResType("AAAA");
constexpr ResType kBBBB = MakeResType("BBBB");
constexpr uint16_t kInternal = 0x08;
constexpr uint16_t kLibrary = 0x10;
constexpr uint32_t kNoLabel = 0xFFFFFFFF;

std::string Text(const ByteBuilder& b) { return std::string(b.Bytes().begin(), b.Bytes().end()); }

/// The envelope head of a label table as this library writes it.
ByteBuilder TableHead() {
    ByteBuilder b;
    b.U8(0).Fill(3, 0).U32(0).Text("EMAN");  // byte-order flag, 3 zeros, version 0, tag "NAME" little-endian
    return b;
}

class LegacyIffResourceFileTest : public ContainerFolder<> {};

TEST_F(LegacyIffResourceFileTest, filesHoldExactlyTheseBytes) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Path("x.flr")), 0);
    EXPECT_FALSE(legacy.IsOpen());
    // Chunk header: type, size (header included), ID, flags (0x08 internal, 0x10 library
    // order), label number.
    ByteBuilder created =
        LegacyFileHeader();  // "IFF FILE 1.0:TYPE FOLLOWED BY SIZE", 0, " KOREL VANSTRAT & MAXIS 1996", 0
    LegacyChunk(created, "NAME", 1, kInternal | kLibrary, kNoLabel, Text(TableHead().U32(0)));  // no records
    ASSERT_EQ(Read("x.flr"), created.Bytes());

    ASSERT_EQ(legacy.Open(Path("x.flr")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("one"), kAAAA, 1, LabelText("Wall"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("two"), kBBBB, 2, LabelText(""), false), 0);
    ASSERT_EQ(legacy.Close(), 0);
    // The grown table moves to the end, its old chunk becomes free (keeping its bytes);
    // then the main list is written from its last entry (the oldest) to its first.
    ByteBuilder expected = LegacyFileHeader();
    LegacyChunk(expected, "XXXX", 1, kInternal | kLibrary | 0x04, kNoLabel, Text(TableHead().U32(0)));  // at 64
    ByteBuilder table = TableHead();
    table.U32(1).U32(1).Text("Wall").U8(0).U8(0xA3);  // one record: number 1, label, NUL, pad keeping the fill byte
    LegacyChunk(expected, "NAME", 1, kInternal | kLibrary, kNoLabel, Text(table));  // at 96
    LegacyChunk(expected, "AAAA", 1, kLibrary, 1, "one");                           // at 138
    LegacyChunk(expected, "BBBB", 2, 0x00, kNoLabel, "two");                        // at 157
    ASSERT_EQ(Read("x.flr"), expected.Bytes());

    // A replacement gets the next number for its label; the replaced label's record stays.
    ASSERT_EQ(legacy.Open(Path("x.flr")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("new"), kAAAA, 1, LabelText("Nw"), true), 0);
    ASSERT_EQ(legacy.Close(), 0);
    const std::vector<uint8_t> bytes = Read("x.flr");
    table = TableHead();
    table.U32(2).U32(1).Text("Wall").U8(0).U8(0xA3).U32(2).Text("Nw").U8(0).U8(0xA3);
    int tables = 0;
    for (const auto& c : ListChunks(bytes, 16)) {
        if (c.type == "AAAA") {
            EXPECT_EQ(GetU32BE(bytes, c.offset + 12), 2u);
        }
        if (c.type != "NAME") continue;
        ++tables;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + c.offset + 16, bytes.begin() + c.offset + c.size),
                  table.Bytes());
    }
    EXPECT_EQ(tables, 1);
}

TEST_F(LegacyIffResourceFileTest, listsRunInReverseOrderOfDiscovery) {
    ByteBuilder b = LegacyFileHeader();
    LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "a1 first");
    LegacyChunk(b, "BBBB", 1, kLibrary, kNoLabel, "b1");
    LegacyChunk(b, "AAAA", 2, kLibrary, kNoLabel, "a2");
    LegacyChunk(b, "AAAA", 1, kLibrary, kNoLabel, "a1 later");
    Write(b.Bytes(), "o.wll");

    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Path("o.wll")), 0);
    EXPECT_EQ(legacy.GetIndType(1), kBBBB) << "first occurs latest";
    EXPECT_EQ(legacy.GetIndType(2), kAAAA);
    EXPECT_EQ(legacy.GetIndType(0), kBBBB) << "a position below 1 is the first type";
    EXPECT_EQ(BlockText(legacy.GetResource(kAAAA, 1, nullptr)), "a1 later");
    EXPECT_EQ(BlockText(legacy.GetIndResource(kAAAA, 2, nullptr)), "a2");
    EXPECT_EQ(BlockText(legacy.GetIndResource(kAAAA, 3, nullptr)), "a1 first");
    // An addition goes to the front of its list.
    ASSERT_EQ(legacy.AddResource(MakeBlock("c"), MakeResType("CCCC"), 1, LabelText(""), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("a3"), kAAAA, 3, LabelText(""), true), 0);
    EXPECT_EQ(legacy.GetIndType(1), MakeResType("CCCC"));
    EXPECT_EQ(BlockText(legacy.GetIndResource(kAAAA, 1, nullptr)), "a3");
}

TEST_F(LegacyIffResourceFileTest, anOlderLabelTableIsReadThenReplacedAfterAChange) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder older;
    older.U32(1).U8(5).Text("Alpha");  // label number (little-endian), length, characters
    older.U32(2).U8(4).Text("Beta");
    older.U32(7).U8(1).Text("g");
    LegacyChunk(b, "NAME", 0, kInternal, kNoLabel, Text(older));
    LegacyChunk(b, "AAAA", 1, kLibrary, 1, "alpha body");
    LegacyChunk(b, "AAAA", 2, kLibrary, 2, "beta body");
    Write(b.Bytes(), "old.wll");

    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Path("old.wll")), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "Alpha");
    EXPECT_EQ(BlockText(legacy.GetNamedResource(kAAAA, LabelText("BETA"), nullptr)), "beta body");
    EXPECT_EQ(legacy.Close(), 0);
    EXPECT_EQ(Read("old.wll"), b.Bytes()) << "an unchanged file is not written";

    // A new label takes the number above the largest (7); none stays without.
    ASSERT_EQ(legacy.Open(Path("old.wll")), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("gamma body"), kBBBB, 3, LabelText("Gamma"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("no label"), kBBBB, 4, LabelText(""), true), 0);
    ASSERT_EQ(legacy.Close(), 0);

    const std::vector<uint8_t> bytes = Read("old.wll");
    int current = 0, older0 = 0;
    for (const auto& c : ListChunks(bytes, 16)) {
        current += c.type == "NAME" && c.id == 1;
        older0 += c.type == "NAME" && c.id == 0;
        if (c.type == "BBBB") {
            EXPECT_EQ(GetU32BE(bytes, c.offset + 12), c.id == 3 ? 8u : kNoLabel) << c.id;
        }
    }
    EXPECT_EQ(current, 1);
    EXPECT_EQ(older0, 0);
    ASSERT_EQ(legacy.Open(Path("old.wll")), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "Alpha");
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 2, nullptr)), "Beta");
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kBBBB, 3, nullptr)), "Gamma");
}

TEST_F(LegacyIffResourceFileTest, aLabelTableStoredInTheOtherByteOrderIsConverted) {
    ByteBuilder b = LegacyFileHeader();
    ByteBuilder table;
    table.U8(0).Fill(3, 0).U32BE(0).Text("NAME");  // envelope as a big-endian writer left it
    table.U32BE(1).U32BE(5).Text("Gamma").U8(0);   // one record: number 5, "Gamma", NUL (even)
    LegacyChunk(b, "NAME", 1, kInternal, kNoLabel, Text(table));
    LegacyChunk(b, "AAAA", 9, kLibrary, 5, "body");
    Write(b.Bytes(), "be.wll");
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Path("be.wll")), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 9, nullptr)), "Gamma");
}

TEST_F(LegacyIffResourceFileTest, attributesSuspendAndResumeAreNotSupported) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Path("u.wll")), 0);
    ASSERT_EQ(legacy.Open(Path("u.wll")), 0);
    EXPECT_EQ(legacy.Suspend(), rc::kIoFailed);
    EXPECT_EQ(legacy.Resume(), rc::kIoFailed);
    EXPECT_TRUE(legacy.IsOpen());
    DataBlock* block = MakeBlock("v");
    ASSERT_EQ(legacy.AddResourceWithAttr(block, kAAAA, 1, LabelText("dropped"), 2, true), 0);
    EXPECT_EQ(LabelOf(legacy, block), "") << "the label goes with the attribute";
    EXPECT_EQ(legacy.GetResAttrs(block), 0);
    EXPECT_EQ(legacy.GetResourceWithAttr(kAAAA, 1, 2, nullptr), nullptr);
    EXPECT_EQ(legacy.GetError(), rc::kAttrUnsupported);
    EXPECT_EQ(legacy.GetResourceWithAttr(kAAAA, 1, 0, nullptr), block);
    EXPECT_EQ(legacy.SetResInfo(block, 1, LabelText("x"), 4), rc::kAttrUnsupported);
    EXPECT_EQ(legacy.Close(), 0);
}

}  // namespace
}  // namespace tambrix
