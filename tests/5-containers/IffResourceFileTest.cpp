// What only version 2 containers do: the exact bytes of a file with its map, the
// attribute byte, when a map is trusted, and the next-fit search across Suspend and
// Resume. What both generations share is tested over both in IffFileBaseTest.

#include <gtest/gtest.h>

#include <algorithm>

#include "IffTestSupport.h"
#include "containers/IffResourceFile.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kTEST = MakeResType("TEST");
constexpr ResType kOTHR = MakeResType("OTHR");
constexpr ResType kMap = MakeResType("rsmp");

/// A version 2.5 file of two resources whose map chunk is built from `mapStream`.
std::vector<uint8_t> FileWithMap(const ByteBuilder& mapStream) {
    ByteBuilder b = FileHeader('2', '5', 0);
    ModernChunk(b, "TEST", 1, 0x10, "one", "first");  // at 64, 81 bytes
    ModernChunk(b, "OTHR", 2, 0x10, "", "second");    // at 145
    const uint32_t mapOffset = static_cast<uint32_t>(b.Size());
    ByteBuilder body;
    body.U8(0).Fill(3, 0).U32(0).Text("pmsr").Append(mapStream.Bytes());  // envelope: flag, version 0, tag
    ModernChunk(b, "rsmp", 0, 0x10, "", std::string(body.Bytes().begin(), body.Bytes().end()));
    std::vector<uint8_t> bytes = b.Bytes();
    PutU32BE(bytes, 60, mapOffset);
    return bytes;
}

class IffResourceFileTest : public ContainerFolder<> {
protected:
    /// Creates `file` through the library holding `count` resources of about `size` bytes.
    std::vector<Seen> MakeFile(std::string_view file, int count, size_t size = 40) {
        IffResourceFile iff;
        EXPECT_EQ(iff.Create(Path(std::string(file))), 0);
        EXPECT_EQ(iff.Open(Path(std::string(file))), 0);
        std::vector<Seen> added;
        for (int i = 0; i < count; ++i) {
            const ResType type = i % 2 ? kTEST : kOTHR;
            const std::string label = i % 2 ? "label " + std::to_string(i) : "";
            added.push_back({type, static_cast<uint16_t>(100 + i), label, 0, i % 4 != 1, Body(i, size + i % 7)});
            EXPECT_EQ(iff.AddResource(MakeBlock(added.back().body), type, static_cast<ResId>(100 + i), LabelText(label),
                                      added.back().libraryOrder),
                      0);
        }
        EXPECT_EQ(iff.Close(), 0);
        return added;
    }
};

TEST_F(IffResourceFileTest, aClosedFileHoldsExactlyTheseBytesAndReadsBackWithItsAttributes) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Path("x.iff")), 0);
    ASSERT_EQ(iff.Open(Path("x.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("x"), kTEST, 5, LabelText("ab"), true), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(""), kTEST, 6, LabelText(""), false), 0);
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("y"), kTEST, 5, LabelText(""), 3, false),
              0);  // ID 5 again, attribute 3
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("o"), kOTHR, -1, LabelText("abc"), 2, true), 0);
    ASSERT_EQ(iff.Close(), 0);

    // Update writes the last group first and each group's last entry first; the map
    // follows. Chunk header: type, size (header included), ID, flags (attribute byte
    // high, 0x10 library order), 64-byte label field.
    ByteBuilder expected = FileHeader('2', '5', 371);       // "IFF FILE 2.5:...", map offset 371
    ModernChunk(expected, "OTHR", -1, 0x0210, "abc", "o");  // at 64, 77 bytes
    ModernChunk(expected, "TEST", 5, 0x0300, "", "y");      // at 141, 77 bytes
    ModernChunk(expected, "TEST", 6, 0x0000, "", "");       // at 218, 76 bytes
    ModernChunk(expected, "TEST", 5, 0x0010, "ab", "x");    // at 294, 77 bytes
    ByteBuilder map;
    map.U8(0).Fill(3, 0).U32(0).Text(
        "pmsr");              // envelope: byte-order flag, 3 zeros, version 0, tag "rsmp" little-endian
    map.U32(0).U32(2);        // free bytes, two groups
    map.Text("TSET").U32(3);  // "TEST" as a little-endian number, three entries in index order
    // Offset, ID, flags, label; a label ending at an odd position gets a pad byte, which
    // keeps the fill byte of a new block.
    map.U32(294).U16(5).U16(0x0010).Text("ab").U8(0).U8(0xA3);
    map.U32(218).U16(6).U16(0x0000).U8(0).U8(0xA3);
    map.U32(141).U16(5).U16(0x0300).U8(0).U8(0xA3);
    map.Text("RHTO").U32(1);
    map.U32(64).U16(0xFFFF).U16(0x0210).Text("abc").U8(0);  // even end: no pad
    ModernChunk(expected, "rsmp", 0, 0x0010, "", std::string(map.Bytes().begin(), map.Bytes().end()));  // at 371
    ASSERT_EQ(Read("x.iff"), expected.Bytes());

    ASSERT_EQ(iff.Open(Path("x.iff")), 0);
    const std::vector<Seen> seen = {{kTEST, 5, "ab", 0, true, "x"},
                                    {kTEST, 6, "", 0, false, ""},
                                    {kTEST, 5, "", 3, false, "y"},
                                    {kOTHR, 0xFFFF, "abc", 2, true, "o"}};
    EXPECT_EQ(Snapshot(iff), seen);
    // A plain lookup takes attribute 0 only; a variant asked for falls back to it.
    EXPECT_EQ(iff.GetResource(kOTHR, -1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 5, 3, nullptr)), "y");
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 5, 7, nullptr)), "x");
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kOTHR, -1, 2, nullptr)), "o");
    EXPECT_EQ(iff.Close(), 0);
}

TEST_F(IffResourceFileTest, readingEveryBodyOfAFileOpenedForReadingTakesOneReadWhateverItHolds) {
    // A file opened for writing reads each body where it lies; one opened for reading
    // is read whole once.
    for (const int count : {1, 80}) {
        SCOPED_TRACE(count);
        const std::string file = "r" + std::to_string(count) + ".iff";
        const std::vector<Seen> added = MakeFile(file, count);
        const FileSystem::ReadOnlyScope readOnly;
        const uint64_t before = platform::Hooks().reads.load();
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Path(file)), 0);
        EXPECT_FALSE(iff.IsWritable());
        EXPECT_EQ(Sorted(Snapshot(iff)), Sorted(added));
        EXPECT_EQ(platform::Hooks().reads.load() - before, 1u);
        EXPECT_EQ(iff.Close(), 0);
    }
}

TEST_F(IffResourceFileTest, aWalkedFileIsReadFieldByField) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "STR#", 300, 0x0310, "Strings", "abc");         // attribute 3, library order
    ModernChunk(b, "XXXX", 0, 0x0004, "", std::string(24, '\0'));  // free chunk of 100 bytes
    ModernChunk(b, "STR#", -2, 0x0000, std::string(64, 'L'), "");  // label field without NUL
    ModernChunk(b, "rsmp", 0, 0x0010, "", std::string(16, '\0'));  // a map a walk finds is no resource
    Write(b.Bytes(), "h.iff");

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("h.iff")), 0);
    EXPECT_EQ(iff.FreeBytes(), 100u);
    const std::vector<Seen> expected = {{restype::kSTR, 300, "Strings", 3, true, "abc"},
                                        {restype::kSTR, static_cast<uint16_t>(-2), std::string(63, 'L'), 0, false, ""}};
    EXPECT_EQ(Snapshot(iff), expected);
}

TEST_F(IffResourceFileTest, aGoodMapSparesTheWalkAndAWalkFindsTheSameResources) {
    auto readsToOpen = [&](std::string_view file, std::vector<Seen>* seen = nullptr) {
        IffResourceFile iff;
        const uint64_t before = platform::Hooks().reads.load();
        EXPECT_EQ(iff.Open(Path(std::string(file))), 0);
        const uint64_t reads = platform::Hooks().reads.load() - before;
        if (seen) *seen = Snapshot(iff);
        EXPECT_EQ(iff.CountResources(kMap), 0);
        iff.Close();
        return reads;
    };
    MakeFile("small.iff", 1);
    const std::vector<Seen> added = MakeFile("large.iff", 60);
    const uint64_t large = readsToOpen("large.iff");
    EXPECT_EQ(readsToOpen("small.iff"), large) << "header, map header and map body, whatever the number of resources";
    EXPECT_LE(large, 4u);

    const std::vector<uint8_t> bytes = Read("large.iff");
    for (const char* what : {"version 2.0", "map offset 0"}) {
        SCOPED_TRACE(what);
        std::vector<uint8_t> walked = bytes;
        if (what[0] == 'v')
            walked[11] = '0';  // bytes 60-63 are not used
        else
            PutU32BE(walked, 60, 0);
        Write(walked, "walked.iff");
        std::vector<Seen> seen;
        EXPECT_GE(readsToOpen("walked.iff", &seen), 60u);
        EXPECT_EQ(Sorted(seen), Sorted(added));
    }
}

TEST_F(IffResourceFileTest, aSoundMapIsWhatTheIndexHoldsAndADamagedOneIsWalkedPast) {
    const std::vector<Seen> walked = {{kTEST, 1, "one", 0, true, "first"}, {kOTHR, 2, "", 0, true, "second"}};
    struct Case {
        const char* what;
        ByteBuilder stream;
        std::vector<Seen> expected;
        uint32_t mapOffset = 0;  ///< when not 0, the header's map offset
    };
    std::vector<Case> cases;
    // Only the OTHR resource, with a label its chunk does not have.
    cases.push_back({"sound map",
                     ByteBuilder()
                         .U32(0)      // free byte count
                         .U32(1)      // one group
                         .U32(kOTHR)  // its type
                         .U32(1)      // one entry
                         .U32(145)    // chunk offset
                         .U16(2)      // ID
                         .U16(0x10)   // flags
                         .Text("from map")
                         .U8(0)
                         .U8(0xA3),  // label, NUL, pad to an even position
                     {{kOTHR, 2, "from map", 0, true, "second"}}});
    cases.push_back({"huge group count", ByteBuilder().U32(0).U32(0xFFFFFFFF), walked});
    cases.push_back({"huge entry count", ByteBuilder().U32(0).U32(1).U32(kTEST).U32(0x7FFFFFFF), walked});
    cases.push_back({"entry cut short",
                     ByteBuilder().U32(0).U32(1).U32(kTEST).U32(2).U32(64).U16(1).U16(0x10).Text("x").U8(0), walked});
    cases.push_back({"label without NUL",
                     ByteBuilder().U32(0).U32(1).U32(kTEST).U32(1).U32(64).U16(1).U16(0x10).Text("unterminated"),
                     walked});
    cases.push_back({"map listing a map",
                     ByteBuilder().U32(0).U32(1).U32(kMap).U32(1).U32(64).U16(0).U16(0x10).U8(0).U8(0), walked});
    for (uint32_t offset : {0x7FFFFFF0u, 64u, 70u})  // past the end, at a resource, inside one
        cases.push_back({"map offset elsewhere", ByteBuilder().U32(0).U32(0), walked, offset});
    for (auto& c : cases) {
        SCOPED_TRACE(c.what + std::string(" ") + std::to_string(c.mapOffset));
        std::vector<uint8_t> bytes = FileWithMap(c.stream);
        if (c.mapOffset) PutU32BE(bytes, 60, c.mapOffset);
        Write(bytes);
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Path()), 0);
        EXPECT_EQ(Snapshot(iff), c.expected);
        EXPECT_EQ(iff.CountResources(kMap), 0);
    }
}

TEST_F(IffResourceFileTest, aMapOffsetThatPointsAtAResourceDoesNotFreeIt) {
    std::vector<uint8_t> bytes = FileWithMap(ByteBuilder().U32(0).U32(0));
    PutU32BE(bytes, 60, 64);  // the header claims the first resource is the map
    Write(bytes, "lie.iff");
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("lie.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("new"), kOTHR, 3, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);
    ASSERT_EQ(iff.Open(Path("lie.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kTEST, 1, nullptr)), "first");
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 3, nullptr)), "new");
}

TEST_F(IffResourceFileTest, aMapEntryPointingAtAnotherChunkIsNotFreedByAReplacement) {
    ByteBuilder stream;
    stream.U32(0)
        .U32(1)
        .U32(kTEST)
        .U32(1)
        .U32(145)  // points at the OTHR chunk
        .U16(1)
        .U16(0x10)
        .U8(0)
        .U8(0);
    Write(FileWithMap(stream), "m.iff");
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("m.iff")), 0);
    EXPECT_EQ(iff.GetResource(kTEST, 1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kChunkMismatch);
    ASSERT_EQ(iff.AddResource(MakeBlock("replacement"), kTEST, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);

    std::vector<uint8_t> bytes = Read("m.iff");
    bytes[11] = '0';  // walk it
    Write(bytes, "m.iff");
    ASSERT_EQ(iff.Open(Path("m.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 2, nullptr)), "second");
    // The TEST chunk the map did not list comes back with the walk, before the new one.
    ASSERT_EQ(iff.CountResources(kTEST), 2);
    EXPECT_EQ(BlockText(iff.GetIndResource(kTEST, 2, nullptr)), "replacement");
}

TEST_F(IffResourceFileTest, aBodyConvertedButNotWrittenIsStillConvertedAfterTheMap) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "TEST", 1, 0x00, "", std::string("\x01\x02", 2));  // stored in the other order
    ModernChunk(b, "TEST", 2, 0x10, "", "bb");
    Write(b.Bytes(), "k.iff");
    ConversionRoutine swap = [](uint8_t* p, uint32_t n) {
        if (n == 2) std::swap(p[0], p[1]);
    };
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("k.iff")), 0);
    ASSERT_EQ(BlockText(iff.GetResource(kTEST, 1, swap)), std::string("\x02\x01", 2));
    ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 2, nullptr)), 0);  // a change: a map is written
    ASSERT_EQ(iff.Close(), 0);

    const std::vector<uint8_t> bytes = Read("k.iff");
    ASSERT_NE(MapOffsetOf(bytes), 0u);
    EXPECT_EQ(ListChunks(bytes, 76)[0].flags, 0x00) << "the chunk itself was not rewritten";
    ASSERT_EQ(iff.Open(Path("k.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kTEST, 1, swap)), std::string("\x02\x01", 2))
        << "the map must not claim library order";
    EXPECT_EQ(iff.Close(), 0);
}

TEST_F(IffResourceFileTest, nextFitStartsWhereTheLastSearchStoppedUntilSuspendAndResume) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "TEST", 1, 0x10, "", std::string(100, 'a'));
    ModernChunk(b, "TEST", 2, 0x10, "", std::string(100, 'b'));
    Write(b.Bytes());

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("f.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("appended"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);  // appends: the next search starts at the end
    ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 1, nullptr)), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(std::string(100, 'c')), kOTHR, 2, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);
    auto chunks = ListChunks(Read("f.iff"), 76);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "XXXX") << "the span freed behind the search is not reused";
    EXPECT_EQ(chunks[3].id, 2);
    ASSERT_EQ(iff.Suspend(), 0);
    EXPECT_FALSE(iff.IsOpen());
    ASSERT_EQ(iff.Resume(), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(std::string(100, 'd')), kOTHR, 3, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);
    chunks = ListChunks(Read("f.iff"), 76);
    EXPECT_EQ(chunks[0].type, "OTHR");
    EXPECT_EQ(chunks[0].id, 3);
    iff.Close();
}

TEST_F(IffResourceFileTest, anObjectReusedForAnotherFileCarriesNothingOver) {
    MakeFile("big.iff", 20, 500);
    MakeFile("small.iff", 1);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Path("big.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("at the end"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);  // the search position now lies far behind small.iff's end

    ASSERT_EQ(iff.Open(Path("small.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("second file"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);
    const std::vector<uint8_t> bytes = Read("small.iff");
    const auto chunks = ListChunks(bytes, 76);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks.back().offset + chunks.back().size, bytes.size()) << "no gap in the chain";
    EXPECT_EQ(chunks[1].type, "XXXX") << "the old map, too small for the new resource";
    EXPECT_EQ(chunks[2].type, "OTHR");
    ASSERT_EQ(iff.Open(Path("small.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 1, nullptr)), "second file");
}

}  // namespace
}  // namespace tambrix
