// What only version 1.0 containers do: the exact bytes of a file with its label table,
// label numbers, and the older and foreign-order table forms.

#include <gtest/gtest.h>

#include "IffTestSupport.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kAAAA = MakeResType("AAAA");
constexpr ResType kBBBB = MakeResType("BBBB");
constexpr uint16_t kInternal = 0x08, kLibrary = 0x10;
constexpr uint32_t kNoLabel = 0xFFFFFFFF;

/// The envelope head of a label table as this library writes it: byte-order flag,
/// 3 zeros, version 0, tag "NAME" little-endian.
ByteBuilder TableHead() { return ByteBuilder().U8(0).Fill(3, 0).U32(0).Text("EMAN"); }

using LegacyIffResourceFileTest = ContainerFolder<>;

TEST_F(LegacyIffResourceFileTest, filesHoldExactlyTheseBytes) {
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Create(Path()), 0);
    EXPECT_FALSE(legacy.IsOpen());
    // "IFF FILE 1.0:TYPE FOLLOWED BY SIZE", 0, " KOREL VANSTRAT & MAXIS 1996", 0; chunk
    // header: type, size (header included), ID, flags, label number.
    ByteBuilder created = LegacyFileHeader();
    LegacyChunk(created, "NAME", 1, kInternal | kLibrary, kNoLabel, Text(TableHead().U32(0)));  // no records
    ASSERT_EQ(Read(), created.Bytes());

    ASSERT_EQ(legacy.Open(Path()), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("one"), kAAAA, 1, LabelText("Wall"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("two"), kBBBB, 2, LabelText(""), false), 0);
    ASSERT_EQ(legacy.Close(), 0);
    // The grown table moves to the end, its old chunk becomes free (keeping its bytes);
    // then the main list is written from its last entry (the oldest) to its first.
    ByteBuilder expected = LegacyFileHeader();
    LegacyChunk(expected, "XXXX", 1, kInternal | kLibrary | 0x04, kNoLabel, Text(TableHead().U32(0)));  // at 64
    // One record: number 1, label, NUL, pad keeping the fill byte.
    LegacyChunk(expected, "NAME", 1, kInternal | kLibrary, kNoLabel,
                Text(TableHead().U32(1).U32(1).Text("Wall").U8(0).U8(0xA3)));  // at 96
    LegacyChunk(expected, "AAAA", 1, kLibrary, 1, "one");                      // at 138
    LegacyChunk(expected, "BBBB", 2, 0x00, kNoLabel, "two");                   // at 157
    ASSERT_EQ(Read(), expected.Bytes());

    // A replacement gets the next number for its label; the replaced label's record stays.
    ASSERT_EQ(legacy.Open(Path()), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("new"), kAAAA, 1, LabelText("Nw"), true), 0);
    ASSERT_EQ(legacy.Close(), 0);
    const std::vector<uint8_t> bytes = Read();
    const auto chunks = ListChunks(bytes, 16);
    EXPECT_EQ(GetU32BE(bytes, ChunkOf(chunks, "AAAA", 1).offset + 12), 2u);
    const ListedChunk table = ChunkOf(chunks, "NAME", 1);
    EXPECT_EQ(CountChunks(chunks, "NAME"), 1);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + table.offset + 16, bytes.begin() + table.offset + table.size),
              TableHead().U32(2).U32(1).Text("Wall").U8(0).U8(0xA3).U32(2).Text("Nw").U8(0).U8(0xA3).Bytes());
}

TEST_F(LegacyIffResourceFileTest, olderAndForeignOrderLabelTablesAreReadAndTheOlderIsReplacedAfterAChange) {
    ByteBuilder b = LegacyFileHeader(), older, foreign;
    older.U32(1).U8(5).Text("Alpha").U32(2).U8(4).Text("Beta").U32(7).U8(1).Text("g");  // number, length, text
    LegacyChunk(b, "NAME", 0, kInternal, kNoLabel, Text(older));
    LegacyChunk(b, "AAAA", 1, kLibrary, 1, "alpha body");
    LegacyChunk(b, "AAAA", 2, kLibrary, 2, "beta body");
    Write(b.Bytes());
    // A table as a big-endian writer left it: envelope, one record (number 5, "Gamma", NUL).
    foreign.U8(0).Fill(3, 0).U32BE(0).Text("NAME").U32BE(1).U32BE(5).Text("Gamma").U8(0);
    ByteBuilder be = LegacyFileHeader();
    LegacyChunk(be, "NAME", 1, kInternal, kNoLabel, Text(foreign));
    LegacyChunk(be, "AAAA", 9, kLibrary, 5, "body");
    Write(be.Bytes(), "be.wll");
    LegacyIffResourceFile legacy;
    ASSERT_EQ(legacy.Open(Path("be.wll")), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 9, nullptr)), "Gamma");
    EXPECT_EQ(legacy.Close(), 0);

    ASSERT_EQ(legacy.Open(Path()), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 1, nullptr)), "Alpha");
    EXPECT_EQ(BlockText(legacy.GetNamedResource(kAAAA, LabelText("BETA"), nullptr)), "beta body");
    // A new label takes the number above the largest (7); none stays without.
    ASSERT_EQ(legacy.AddResource(MakeBlock("gamma body"), kBBBB, 3, LabelText("Gamma"), true), 0);
    ASSERT_EQ(legacy.AddResource(MakeBlock("no label"), kBBBB, 4, LabelText(""), true), 0);
    ASSERT_EQ(legacy.Close(), 0);
    const std::vector<uint8_t> bytes = Read();
    const auto chunks = ListChunks(bytes, 16);
    EXPECT_EQ(GetU32BE(bytes, ChunkOf(chunks, "BBBB", 3).offset + 12), 8u);
    EXPECT_EQ(GetU32BE(bytes, ChunkOf(chunks, "BBBB", 4).offset + 12), kNoLabel);
    EXPECT_EQ(CountChunks(chunks, "NAME"), 1);
    EXPECT_EQ(ChunkOf(chunks, "NAME", 0).offset, 0u) << "the older table is gone";
    ASSERT_EQ(legacy.Open(Path()), 0);
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kAAAA, 2, nullptr)), "Beta");
    EXPECT_EQ(LabelOf(legacy, legacy.GetResource(kBBBB, 3, nullptr)), "Gamma");
}

}  // namespace
}  // namespace tambrix
