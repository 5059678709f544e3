// What only version 2 containers do: the exact bytes of a file with its map, the attribute
// byte, when a map is trusted, and a next-fit search that stays in its file. What both
// generations share is tested over both in IffFileBaseTest.

#include <gtest/gtest.h>

#include "IffTestSupport.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kTEST = MakeResType("TEST");
constexpr ResType kOTHR = MakeResType("OTHR");
constexpr ResType kMap = MakeResType("rsmp");

/// A version 2.5 file of two resources whose map chunk is built from `mapStream`.
std::vector<uint8_t> FileWithMap(const ByteBuilder& mapStream, char minor = '5', bool swapped = false) {
    ByteBuilder b = FileHeader('2', minor, 0);
    ModernChunk(b, "TEST", 1, 0x10, "one", "first");  // at 64, 81 bytes
    ModernChunk(b, "OTHR", 2, 0x10, "", "second");    // at 145
    const uint32_t mapOffset = static_cast<uint32_t>(b.Size());
    ByteBuilder body;
    body.U8(swapped).Fill(3, 0).U32(0).Text("pmsr").Append(mapStream.Bytes());  // envelope: swap flag, version 0, tag
    ModernChunk(b, "rsmp", 0, 0x10, "", Text(body));
    std::vector<uint8_t> bytes = b.Bytes();
    PutU32BE(bytes, 60, mapOffset);
    return bytes;
}

using IffResourceFileTest = ContainerFolder<>;

TEST_F(IffResourceFileTest, aClosedFileHoldsExactlyTheseBytesAndReadsBackWithItsAttributes) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Path()), 0);
    ASSERT_EQ(iff.Open(Path()), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("x"), kTEST, 5, LabelText("ab"), true), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(""), kTEST, 6, LabelText(""), false), 0);
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("y"), kTEST, 5, LabelText(""), 3, false), 0);  // attribute 3
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("o"), kOTHR, -1, LabelText("abc"), 2, true), 0);
    ASSERT_EQ(iff.Close(), 0);

    // Update writes the last group first and each group's last entry first; the map
    // follows. Flags: attribute byte high, 0x10 library order.
    ByteBuilder expected = FileHeader('2', '5', 371);       // "IFF FILE 2.5:...", map offset 371
    ModernChunk(expected, "OTHR", -1, 0x0210, "abc", "o");  // at 64, 77 bytes
    ModernChunk(expected, "TEST", 5, 0x0300, "", "y");      // at 141, 77 bytes
    ModernChunk(expected, "TEST", 6, 0x0000, "", "");       // at 218, 76 bytes
    ModernChunk(expected, "TEST", 5, 0x0010, "ab", "x");    // at 294, 77 bytes
    ByteBuilder map;  // envelope: byte-order flag, 3 zeros, version 0, tag "rsmp" little-endian
    map.U8(0).Fill(3, 0).U32(0).Text("pmsr");
    map.U32(0).U32(2);        // free bytes, two groups
    map.Text("TSET").U32(3);  // "TEST" as a little-endian number, three entries in index order
    // Offset, ID, flags, label; a label ending at an odd position gets a pad byte, which
    // keeps the fill byte of a new block.
    map.U32(294).U16(5).U16(0x0010).Text("ab").U8(0).U8(0xA3);
    map.U32(218).U16(6).U16(0x0000).U8(0).U8(0xA3);
    map.U32(141).U16(5).U16(0x0300).U8(0).U8(0xA3);
    map.Text("RHTO").U32(1);
    map.U32(64).U16(0xFFFF).U16(0x0210).Text("abc").U8(0);    // even end: no pad
    ModernChunk(expected, "rsmp", 0, 0x0010, "", Text(map));  // at 371
    ASSERT_EQ(Read(), expected.Bytes());

    ASSERT_EQ(iff.Open(Path()), 0);
    EXPECT_EQ(Snapshot(iff), (std::vector<Seen>{{kTEST, 5, "ab", 0, true, "x"},
                                                {kTEST, 6, "", 0, false, ""},
                                                {kTEST, 5, "", 3, false, "y"},
                                                {kOTHR, 0xFFFF, "abc", 2, true, "o"}}));
    // A plain lookup takes attribute 0 only; a variant asked for falls back to it.
    EXPECT_EQ(iff.GetResource(kOTHR, -1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 5, 3, nullptr)), "y");
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 5, 7, nullptr)), "x");
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kOTHR, -1, 2, nullptr)), "o");
}

TEST_F(IffResourceFileTest, aReadOnlyOpenReadsTheFileInOneReadWhateverItHolds) {
    for (const int count : {1, 80}) {
        SCOPED_TRACE(count);
        std::vector<Seen> added;
        for (int i = 1; i <= count; ++i)
            added.push_back({kTEST, uint16_t(i), "r" + std::to_string(i), 0, true, Body(i, 90)});
        Build(kVersion2, added);
        const FileSystem::ReadOnlyScope readOnly;
        const uint64_t before = platform::Hooks().reads.load();
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Path()), 0);
        EXPECT_FALSE(iff.IsWritable());
        EXPECT_EQ(Snapshot(iff), added);
        EXPECT_EQ(platform::Hooks().reads.load() - before, 1u);
        // The bodies lie in the file held in memory, yet each is the caller's alone: one
        // changed in place changes no later load, and it outlives its container.
        DataBlock* first = iff.GetIndResource(kTEST, 1, nullptr);
        ASSERT_EQ(iff.DetachResource(first), 0);
        first->data[0] = 'Z';
        EXPECT_EQ(BlockText(iff.GetIndResource(kTEST, 1, nullptr)), added[0].body);
        EXPECT_EQ(iff.Close(), 0);
        ASSERT_TRUE(ResizeDataBlock(first, 2));
        EXPECT_EQ(BlockText(first), "Z" + added[0].body.substr(1, 1));
        FreeDataBlock(first);
    }
}

TEST_F(IffResourceFileTest, damagedMapsAreWalkedInstead) {
    const std::vector<Seen> walked = {{kTEST, 1, "one", 0, true, "first"}, {kOTHR, 2, "", 0, true, "second"}};
    auto entry = [](ResType type, uint32_t count) { return ByteBuilder().U32(0).U32(1).U32(type).U32(count); };
    struct Case {
        const char* what;
        ByteBuilder stream;
        std::vector<Seen> expected;
        uint32_t mapOffset = 1;  ///< when not 1, the header's map offset
        char minor = '5';
        bool mapFreed = false;  ///< the map's chunk carries the free flag: an old map, never read
        bool swapped = false;   ///< the map's values are stored in the other byte order
    };
    std::vector<Case> cases = {
        // Only the OTHR resource, with a label its chunk does not have: offset, ID,
        // flags, label, NUL, pad to an even position.
        {"sound map",
         entry(kOTHR, 1).U32(145).U16(2).U16(0x10).Text("from map").U8(0).U8(0xA3),
         {{kOTHR, 2, "from map", 0, true, "second"}}},
        {"sound map, values swapped",
         ByteBuilder().U32BE(0).U32BE(1).U32BE(kOTHR).U32BE(1).U32BE(145).U16BE(2).U16BE(0x10).Text("from map").U8(0).U8(0),
         {{kOTHR, 2, "from map", 0, true, "second"}}, 1, '5', false, true},
        {"freed map", entry(kOTHR, 1).U32(145).U16(2).U16(0x10).Text("from map").U8(0).U8(0xA3), walked, 1, '5', true},
        {"version 2.0 never trusts a map", entry(kOTHR, 1).U32(145).U16(2).U16(0x10).U8(0).U8(0), walked, 1, '0'},
        {"huge group count", ByteBuilder().U32(0).U32(0xFFFFFFFF), walked},
        {"huge entry count", entry(kTEST, 0x7FFFFFFF), walked},
        {"entry cut short", entry(kTEST, 2).U32(64).U16(1).U16(0x10).Text("x").U8(0), walked},
        {"label without NUL", entry(kTEST, 1).U32(64).U16(1).U16(0x10).Text("unterminated"), walked},
        {"map listing a map", entry(kMap, 1).U32(64).U16(0).U16(0x10).U8(0).U8(0), walked},
        {"an entry at another resource's chunk",
         entry(kTEST, 1).U32(145).U16(1).U16(0x10).U16(0),
         {{kTEST, 0xFFFF, "<load failed>", 0, false, std::to_string(rc::kChunkMismatch)}}},
    };
    for (uint32_t offset : {0u, 0x7FFFFFF0u, 64u, 70u})  // none, past the end, at a resource, inside one
        cases.push_back({"map offset elsewhere", ByteBuilder().U32(0).U32(0), walked, offset});
    for (auto& c : cases) {
        SCOPED_TRACE(c.what + std::string(" ") + std::to_string(c.mapOffset));
        std::vector<uint8_t> bytes = FileWithMap(c.stream, c.minor, c.swapped);
        if (c.mapOffset != 1) PutU32BE(bytes, 60, c.mapOffset);
        if (c.mapFreed) bytes[MapOffsetOf(bytes) + 11] |= 0x04;
        Write(bytes);
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Path()), 0);
        EXPECT_EQ(Snapshot(iff), c.expected);
        EXPECT_EQ(iff.CountResources(kMap), 0);
        // Replacing TEST 1 frees no chunk the map does not own: walked, OTHR 2 is still there.
        ASSERT_EQ(iff.AddResource(MakeBlock("new"), kTEST, 1, LabelText(""), true), 0);
        ASSERT_EQ(iff.Close(), 0);
        bytes = Read();
        bytes[11] = '0';
        Write(bytes);
        ASSERT_EQ(iff.Open(Path()), 0);
        EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 2, nullptr)), "second");
        EXPECT_EQ(BlockText(iff.GetIndResource(kTEST, iff.CountResources(kTEST), nullptr)), "new");
        EXPECT_EQ(iff.Close(), 0);
    }
}

TEST_F(IffResourceFileTest, anObjectReusedForASmallerFileCarriesNoSearchPositionOver) {
    Build(kVersion2, {Res(kTEST, 1, "", 5000)}, "large.iff");
    Build(kVersion2, {Res(kTEST, 1, "", 40)}, "small.iff");
    IffResourceFile iff;
    for (const char* file : {"large.iff", "small.iff"}) {  // the first leaves its search far behind the second's end
        ASSERT_EQ(iff.Open(Path(file)), 0);
        ASSERT_EQ(iff.AddResource(MakeBlock(file), kOTHR, 1, LabelText(""), true), 0);
        ASSERT_EQ(iff.Close(), 0);
    }
    const std::vector<uint8_t> bytes = Read("small.iff");
    const auto chunks = ListChunks(bytes, 76);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks.back().offset + chunks.back().size, bytes.size()) << "no gap in the chain";
    EXPECT_EQ(chunks[2].type, "OTHR");
}

}  // namespace
}  // namespace tambrix
