#include "containers/IffResourceFile.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "containers/IffFormat.h"
#include "IffTestSupport.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kTEST = MakeResType("TEST");
constexpr ResType kOTHR = MakeResType("OTHR");
constexpr ResType kSPR = restype::kSPR;

class IffResourceFileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Hooks().failWritesAfter = -1; }
    void TearDown() override {
        platform::Hooks().failWritesAfter = -1;
        platform::Hooks().refuseWriteOpens = false;
    }

    FileNameText Name(std::string_view file) { return FileNameText(dir.File(std::string(file))); }

    /// Creates `file` through the library holding `count` resources and returns what was added.
    std::vector<Seen> MakeFile(std::string_view file, int count, size_t bodySize = 40) {
        IffResourceFile iff;
        EXPECT_EQ(iff.Create(Name(file)), 0);
        EXPECT_EQ(iff.Open(Name(file)), 0);
        std::vector<Seen> added;
        for (int i = 0; i < count; ++i) {
            ResType type = i % 3 == 0 ? kTEST : (i % 3 == 1 ? kSPR : kOTHR);
            std::string body = Body(i, bodySize + i % 7);
            std::string label = i % 2 ? "label " + std::to_string(i) : "";
            EXPECT_EQ(iff.AddResource(MakeBlock(body), type, static_cast<ResId>(100 + i), LabelText(label), i % 4 != 1), 0);
            added.push_back({type, static_cast<uint16_t>(100 + i), label, 0, i % 4 != 1, body});
        }
        EXPECT_EQ(iff.Close(), 0);
        return added;
    }

    /// The same resources grouped by type in order of first appearance.
    static std::vector<Seen> InIndexOrder(const std::vector<Seen>& added) {
        std::vector<ResType> order;
        for (const auto& s : added)
            if (std::find(order.begin(), order.end(), s.type) == order.end()) order.push_back(s.type);
        std::vector<Seen> sorted;
        for (ResType t : order)
            for (const auto& s : added)
                if (s.type == t) sorted.push_back(s);
        return sorted;
    }

    test::TempDir dir;
};

// ---- round trips -----------------------------------------------------------------

TEST_F(IffResourceFileTest, roundTripThroughTheMapKeepsIndexOrderAndBodies) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Name("a.iff")), 0);
    ASSERT_EQ(iff.Open(Name("a.iff")), 0);
    std::vector<Seen> added = {
        {kTEST, 5, "first", 0, true, "hello"},
        {kSPR, 7, "", 0, false, Body(1, 300)},
        {kTEST, static_cast<uint16_t>(-3), "negative id", 0, true, ""},
        {kOTHR, 1, std::string(63, 'x'), 2, true, Body(2, 77)},
        {kTEST, 5, "same id, attribute 3", 3, false, "attr"},
    };
    for (const auto& s : added) {
        DataBlock* block = MakeBlock(s.body);
        ASSERT_EQ(iff.AddResourceWithAttr(block, s.type, static_cast<ResId>(s.id), LabelText(s.label), s.attribute,
                                          s.libraryOrder),
                  0)
            << s;
    }
    ASSERT_EQ(iff.Close(), 0);

    const std::vector<uint8_t> bytes = ReadAll(dir.File("a.iff"));
    uint32_t mapOffset = MapOffsetOf(bytes);
    auto chunks = ListChunks(bytes, 76);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.back().offset, mapOffset) << "the map is the last chunk";
    EXPECT_EQ(chunks.back().type, "rsmp");
    EXPECT_EQ(chunks.back().flags, 0x0010);

    ASSERT_EQ(iff.Open(Name("a.iff")), 0);
    EXPECT_EQ(Snapshot(iff), InIndexOrder(added));
    EXPECT_EQ(iff.Close(), 0);
    EXPECT_EQ(ReadAll(dir.File("a.iff")), bytes) << "reading changed nothing";
}

TEST_F(IffResourceFileTest, versionTwoFileIsWalkedAndYieldsTheSameResources) {
    std::vector<Seen> added = MakeFile("w.iff", 12);
    std::vector<uint8_t> bytes = ReadAll(dir.File("w.iff"));
    bytes[11] = '0';  // version 2.0: bytes 60-63 are not used
    WriteAll(dir.File("w.iff"), bytes);

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("w.iff")), 0);
    std::vector<Seen> seen = Snapshot(iff);
    // A walk lists in file order; the map chunk is never a resource.
    auto key = [](const Seen& s) { return std::make_tuple(s.type, s.id); };
    std::map<std::tuple<ResType, uint16_t>, Seen> a, b;
    for (const auto& s : added) a[key(s)] = s;
    for (const auto& s : seen) b[key(s)] = s;
    EXPECT_EQ(seen.size(), added.size());
    EXPECT_EQ(a, b);
    EXPECT_EQ(iff.CountResources(iff::kMapType), 0);
}

TEST_F(IffResourceFileTest, handMadeFileIsReadFieldByField) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "STR#", 300, 0x0310, "Strings", "abc");  // attribute 3, library order
    ModernChunk(b, "XXXX", 0, 0x0004, "", std::string(24, '\0'));  // free chunk of 100 bytes
    ModernChunk(b, "STR#", -2, 0x0000, std::string(64, 'L'), "");  // label field without NUL
    WriteAll(dir.File("h.iff"), b.Bytes());

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("h.iff")), 0);
    EXPECT_EQ(iff.FreeBytes(), 100u);
    std::vector<Seen> expected = {
        {restype::kSTR, 300, "Strings", 3, true, "abc"},
        {restype::kSTR, static_cast<uint16_t>(-2), std::string(63, 'L'), 0, false, ""},
    };
    EXPECT_EQ(Snapshot(iff), expected);
    EXPECT_EQ(iff.GetResource(restype::kSTR, 300, nullptr), nullptr) << "a plain lookup needs attribute 0";
    EXPECT_EQ(iff.GetError(), rc::kNoSuchResource);
    EXPECT_NE(iff.GetResourceWithAttr(restype::kSTR, 300, 3, nullptr), nullptr);
}

TEST_F(IffResourceFileTest, mapStreamStartsWithTheEnvelope) {
    MakeFile("m.iff", 1);
    std::vector<uint8_t> bytes = ReadAll(dir.File("m.iff"));
    uint32_t body = MapOffsetOf(bytes) + 76;
    ASSERT_LE(body + 12, bytes.size());
    std::vector<uint8_t> head(bytes.begin() + body, bytes.begin() + body + 12);
    // flag 0, 3 zero bytes, version 0, tag "rsmp" written little-endian
    EXPECT_EQ(head, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0x70, 0x6D, 0x73, 0x72}));
}

TEST_F(IffResourceFileTest, aClosedFileHoldsExactlyTheseBytes) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Name("x.iff")), 0);
    ASSERT_EQ(iff.Open(Name("x.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("x"), kTEST, 5, LabelText("ab"), true), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(""), kTEST, 6, LabelText(""), false), 0);
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("o"), kOTHR, -1, LabelText("abc"), 2, true), 0);
    ASSERT_EQ(iff.Close(), 0);

    // Update writes the last group first and each group's last entry first.
    ByteBuilder expected = FileHeader('2', '5', 294);
    ModernChunk(expected, "OTHR", -1, 0x0210, "abc", "o");  // at 64, 77 bytes
    ModernChunk(expected, "TEST", 6, 0x0000, "", "");       // at 141, 76 bytes
    ModernChunk(expected, "TEST", 5, 0x0010, "ab", "x");    // at 217, 77 bytes
    ByteBuilder map;
    map.U8(0).Fill(3, 0).U32(0).Text("pmsr");  // envelope: flag, version 0, tag "rsmp" little-endian
    map.U32(0).U32(2);                       // free bytes, two groups
    map.Text("TSET").U32(2);                   // "TEST" as a little-endian number, two entries
    map.U32(217).U16(5).U16(0x0010).Text("ab").U8(0).U8(0xA3);  // label ends odd: pad keeps the fill byte
    map.U32(141).U16(6).U16(0x0000).U8(0).U8(0xA3);
    map.Text("RHTO").U32(1);
    map.U32(64).U16(0xFFFF).U16(0x0210).Text("abc").U8(0);  // even: no pad
    ModernChunk(expected, "rsmp", 0, 0x0010, "", std::string(map.Bytes().begin(), map.Bytes().end()));  // at 294
    EXPECT_EQ(ReadAll(dir.File("x.iff")), expected.Bytes());
}

// ---- lookups ---------------------------------------------------------------------

TEST_F(IffResourceFileTest, lookupsAnswerTheirCodes) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Name("l.iff")), 0);
    ASSERT_EQ(iff.Open(Name("l.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("a"), kTEST, 1, LabelText("Alpha"), true), 0);
    ASSERT_EQ(iff.AddResourceWithAttr(MakeBlock("b"), kTEST, 2, LabelText(""), 3, true), 0);

    EXPECT_EQ(iff.GetResource(kOTHR, 1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(iff.GetNamedResource(kTEST, LabelText(""), nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kNoSuchLabel);
    EXPECT_EQ(BlockText(iff.GetNamedResource(kTEST, LabelText("aLPHA"), nullptr)), "a") << "letters fold";
    EXPECT_EQ(iff.GetNamedResource(kTEST, LabelText("Alph"), nullptr), nullptr) << "lengths must match";
    EXPECT_EQ(iff.GetIndType(2), 0u);
    EXPECT_EQ(iff.GetError(), rc::kTypeIndexRange);
    // Attribute 3 asked and present; attribute 5 asked, falls back to attribute 0.
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 2, 3, nullptr)), "b");
    EXPECT_EQ(BlockText(iff.GetResourceWithAttr(kTEST, 1, 5, nullptr)), "a");
    EXPECT_EQ(iff.Close(), 0);
}

TEST_F(IffResourceFileTest, blockQueriesNeverMatchAnUnloadedResource) {
    MakeFile("n.iff", 3);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("n.iff")), 0);
    DataBlock stranger;
    for (DataBlock* block : {static_cast<DataBlock*>(nullptr), &stranger}) {
        EXPECT_EQ(iff.GetResType(block), 0u);
        EXPECT_EQ(iff.GetError(), rc::kNoSuchResource);
        EXPECT_EQ(iff.RemoveResource(block), rc::kNoSuchLabel);
        EXPECT_EQ(iff.DetachResource(block), rc::kNoSuchLabel);
    }
    EXPECT_EQ(iff.AddResource(nullptr, kTEST, 9, LabelText(""), true), rc::kNoSuchLabel);
    EXPECT_EQ(iff.CountResources(kTEST) + iff.CountResources(kSPR) + iff.CountResources(kOTHR), 3);
}

TEST_F(IffResourceFileTest, blockHeldByAnotherResourceIsNotAddedTwice) {
    MakeFile("d.iff", 2);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("d.iff")), 0);
    DataBlock* block = iff.GetResource(kTEST, 100, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(iff.AddResource(block, kTEST, 500, LabelText(""), true), rc::kUnsupported);
    // Adding it again under its own type and ID replaces the resource with itself.
    EXPECT_EQ(iff.AddResource(block, kTEST, 100, LabelText("again"), true), 0);
    EXPECT_EQ(iff.WriteResource(block), 0);
    EXPECT_EQ(iff.Close(), 0);  // the sanitizer build catches a double release here
}

TEST_F(IffResourceFileTest, closedFileAnswersNotOpen) {
    IffResourceFile iff;
    DataBlock block;
    uint16_t value = 0;
    EXPECT_EQ(iff.Close(), rc::kNotOpen);
    EXPECT_EQ(iff.CountTypes(), 0);
    EXPECT_EQ(iff.GetError(), rc::kNotOpen);
    EXPECT_EQ(iff.GetResource(kTEST, 1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kNotOpen);
    EXPECT_EQ(iff.GetResID(&block, value), rc::kNotOpen);
    EXPECT_TRUE(iff.IsLibraryOrder(&block));
    EXPECT_EQ(iff.AddResource(&block, kTEST, 1, LabelText("x"), true), rc::kNotOpen);
    EXPECT_EQ(iff.Compact(), rc::kNotOpen);
    EXPECT_EQ(iff.Resume(), rc::kIoFailed) << "nothing was suspended";
}

TEST_F(IffResourceFileTest, uniqueIdAndName) {
    IffResourceFile iff;
    ASSERT_EQ(iff.Create(Name("u.iff")), 0);
    ASSERT_EQ(iff.Open(Name("u.iff")), 0);
    EXPECT_EQ(iff.UniqueID(kTEST), 129);
    for (ResId id : {1, 2, 300}) iff.AddResource(MakeBlock("x"), kTEST, id, LabelText(""), true);
    EXPECT_EQ(iff.UniqueID(kTEST), 301);
    iff.AddResource(MakeBlock("x"), kOTHR, 32767, LabelText(""), true);
    iff.AddResource(MakeBlock("x"), kOTHR, 129, LabelText(""), true);
    EXPECT_EQ(iff.UniqueID(kOTHR), 130) << "no wrap to -32768 when 32767 is taken";

    iff.AddResource(MakeBlock("x"), kTEST, 10, LabelText("Name"), true);
    iff.AddResource(MakeBlock("x"), kTEST, 11, LabelText("name0"), true);
    LabelText label("Name");
    iff.UniqueName(kTEST, label);
    EXPECT_EQ(label.View(), "Name1");
    LabelText fresh("Other");
    iff.UniqueName(kTEST, fresh);
    EXPECT_EQ(fresh.View(), "Other");

    // A base of 63 characters: the number takes the place of its last characters.
    std::string longName(63, 'q');
    iff.AddResource(MakeBlock("x"), kTEST, 12, LabelText(longName), true);
    LabelText longLabel(longName);
    iff.UniqueName(kTEST, longLabel);
    EXPECT_EQ(longLabel.View(), std::string(62, 'q') + "0");
    EXPECT_EQ(iff.Close(), 0);
}

// ---- changes -----------------------------------------------------------------------

TEST_F(IffResourceFileTest, rewriteOfSameLengthStaysInPlaceAndOfNewLengthMoves) {
    ByteBuilder b = FileHeader('2', '5', 0);
    ModernChunk(b, "TEST", 1, 0x10, "", "aaaa");
    ModernChunk(b, "TEST", 2, 0x10, "", "bbbb");
    WriteAll(dir.File("r.iff"), b.Bytes());

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("r.iff")), 0);
    DataBlock* one = iff.GetResource(kTEST, 1, nullptr);
    ASSERT_NE(one, nullptr);
    one->data[0] = 'A';
    ASSERT_EQ(iff.WriteResource(one), 0);
    auto chunks = ListChunks(ReadAll(dir.File("r.iff")), 76);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].id, 1);
    EXPECT_EQ(chunks[0].offset, 64u);

    ASSERT_TRUE(ResizeDataBlock(one, 10));
    ASSERT_EQ(iff.WriteResource(one), 0);
    chunks = ListChunks(ReadAll(dir.File("r.iff")), 76);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "XXXX");
    EXPECT_EQ(chunks[0].flags & 0x04, 0x04);
    EXPECT_EQ(chunks[2].id, 1);
    EXPECT_EQ(chunks[2].size, 86u);
    EXPECT_EQ(iff.FreeBytes(), 80u);
    EXPECT_EQ(iff.Close(), 0);

    ASSERT_EQ(iff.Open(Name("r.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kTEST, 1, nullptr)), std::string("Aaaa") + std::string(6, '\xA3'));
}

TEST_F(IffResourceFileTest, freedSpaceIsReusedExactlyOrSplitButNotBelowAHeader) {
    // Three free-able chunks of 300 bytes each, then a keeper.
    auto build = [&] {
        ByteBuilder b = FileHeader('2', '0', 0);
        ModernChunk(b, "TEST", 1, 0x10, "", std::string(224, 'a'));  // 300 bytes at 64
        ModernChunk(b, "TEST", 2, 0x10, "", std::string(224, 'b'));  // at 364
        WriteAll(dir.File("s.iff"), b.Bytes());
    };
    struct Case {
        uint32_t body;
        bool reusesSpan;
        const char* what;
    };
    for (Case c : {Case{224, true, "exact fit"}, Case{224 - 76, true, "split leaving 76"},
                   Case{224 - 75, false, "75 bytes short"}, Case{223, false, "1 byte short"}}) {
        build();
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Name("s.iff")), 0);
        ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 1, nullptr)), 0);
        EXPECT_EQ(iff.FreeBytes(), 300u);
        ASSERT_EQ(iff.AddResource(MakeBlock(std::string(c.body, 'n')), kOTHR, 9, LabelText(""), true), 0);
        ASSERT_EQ(iff.WriteResource(iff.GetResource(kOTHR, 9, nullptr)), 0);
        auto chunks = ListChunks(ReadAll(dir.File("s.iff")), 76);
        if (c.reusesSpan) {
            EXPECT_EQ(chunks[0].type, "OTHR") << c.what;
            EXPECT_EQ(chunks[0].size, c.body + 76) << c.what;
            if (c.body + 76 < 300) {
                EXPECT_EQ(chunks[1].type, "XXXX") << c.what;
                EXPECT_EQ(chunks[1].size, 300 - c.body - 76) << c.what;
            }
        } else {
            EXPECT_EQ(chunks[0].type, "XXXX") << c.what;
            EXPECT_EQ(chunks.back().type, "OTHR") << c.what;
        }
        EXPECT_EQ(iff.FreeBytes(), c.reusesSpan ? 300 - (c.body + 76) : 300u) << c.what;
        iff.Close();
    }
}

TEST_F(IffResourceFileTest, nextFitStartsWhereTheLastSearchStopped) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "TEST", 1, 0x10, "", std::string(100, 'a'));
    ModernChunk(b, "TEST", 2, 0x10, "", std::string(100, 'b'));
    WriteAll(dir.File("f.iff"), b.Bytes());

    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("f.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("appended"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);  // appends: the next search starts at the end
    ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 1, nullptr)), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(std::string(100, 'c')), kOTHR, 2, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);
    auto chunks = ListChunks(ReadAll(dir.File("f.iff")), 76);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "XXXX") << "the span freed behind the search is not reused";
    EXPECT_EQ(chunks[3].id, 2);
    // After Suspend and Resume the search starts at the front again.
    ASSERT_EQ(iff.Suspend(), 0);
    EXPECT_FALSE(iff.IsOpen());
    ASSERT_EQ(iff.Resume(), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(std::string(100, 'd')), kOTHR, 3, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);
    chunks = ListChunks(ReadAll(dir.File("f.iff")), 76);
    EXPECT_EQ(chunks[0].type, "OTHR");
    EXPECT_EQ(chunks[0].id, 3);
    iff.Close();
}

TEST_F(IffResourceFileTest, adjacentFreeChunksMergeBeforeTheyAreMeasured) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "XXXX", 0, 0x04, "", std::string(24, 0));  // 100 free
    ModernChunk(b, "XXXX", 0, 0x04, "", std::string(24, 0));  // 100 free
    ModernChunk(b, "TEST", 1, 0x10, "", "keep");
    WriteAll(dir.File("g.iff"), b.Bytes());
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("g.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock(std::string(200 - 76, 'z')), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Update(), 0);
    auto chunks = ListChunks(ReadAll(dir.File("g.iff")), 76);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].type, "OTHR");
    EXPECT_EQ(chunks[0].size, 200u);
    EXPECT_EQ(chunks[1].type, "TEST");
    iff.Close();
}

TEST_F(IffResourceFileTest, setResInfoRewritesTheHeaderAndDetachHandsTheBlockOver) {
    MakeFile("i.iff", 3);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("i.iff")), 0);
    DataBlock* block = iff.GetResource(kTEST, 100, nullptr);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(iff.SetResInfo(block, 222, LabelText("renamed"), 0), 0);
    ASSERT_EQ(iff.SetResID(block, 223), 0);
    LabelText label;
    iff.GetResName(block, label);
    EXPECT_EQ(label.View(), "renamed");
    ASSERT_EQ(iff.DetachResource(block), 0);
    EXPECT_EQ(iff.GetResType(block), 0u) << "the file no longer knows the block";
    std::string body = BlockText(block);
    FreeDataBlock(block);
    ASSERT_EQ(iff.Close(), 0);

    // Walk the file so that the chunk header itself is what is checked.
    std::vector<uint8_t> bytes = ReadAll(dir.File("i.iff"));
    bytes[11] = '0';
    WriteAll(dir.File("i.iff"), bytes);
    ASSERT_EQ(iff.Open(Name("i.iff")), 0);
    DataBlock* again = iff.GetNamedResource(kTEST, LabelText("RENAMED"), nullptr);
    ASSERT_NE(again, nullptr);
    uint16_t id = 0;
    iff.GetResID(again, id);
    EXPECT_EQ(id, 223);
    EXPECT_EQ(BlockText(again), body);
    iff.Close();
}

TEST_F(IffResourceFileTest, conversionRunsOnceOnBodiesNotInLibraryOrder) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "TEST", 1, 0x00, "", std::string("\x01\x02", 2));  // big-endian body
    ModernChunk(b, "TEST", 2, 0x10, "", std::string("\x01\x02", 2));  // library order already
    WriteAll(dir.File("c.iff"), b.Bytes());
    static int calls = 0;
    calls = 0;
    ConversionRoutine swap = [](uint8_t* p, uint32_t n) {
        ++calls;
        if (n == 2) std::swap(p[0], p[1]);
    };
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("c.iff")), 0);
    DataBlock* one = iff.GetResource(kTEST, 1, swap);
    EXPECT_EQ(BlockText(one), std::string("\x02\x01", 2));
    EXPECT_TRUE(iff.IsLibraryOrder(one));
    EXPECT_EQ(iff.GetResource(kTEST, 1, swap), one);
    EXPECT_EQ(BlockText(iff.GetResource(kTEST, 2, swap)), std::string("\x01\x02", 2));
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(iff.WriteResource(one), 0);  // written back in library order with the bit set
    EXPECT_EQ(iff.Close(), 0);
    auto chunks = ListChunks(ReadAll(dir.File("c.iff")), 76);
    EXPECT_EQ(chunks[0].flags, 0x10);
}

TEST_F(IffResourceFileTest, aBodyConvertedButNotWrittenIsStillConvertedAfterTheMap) {
    ByteBuilder b = FileHeader('2', '0', 0);
    ModernChunk(b, "TEST", 1, 0x00, "", std::string("\x01\x02", 2));  // big-endian body
    ModernChunk(b, "TEST", 2, 0x10, "", "bb");
    WriteAll(dir.File("k.iff"), b.Bytes());
    ConversionRoutine swap = [](uint8_t* p, uint32_t n) {
        if (n == 2) std::swap(p[0], p[1]);
    };
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("k.iff")), 0);
    ASSERT_EQ(BlockText(iff.GetResource(kTEST, 1, swap)), std::string("\x02\x01", 2));
    ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 2, nullptr)), 0);  // a change: a map is written
    ASSERT_EQ(iff.Close(), 0);

    std::vector<uint8_t> bytes = ReadAll(dir.File("k.iff"));
    ASSERT_NE(MapOffsetOf(bytes), 0u);
    EXPECT_EQ(ListChunks(bytes, 76)[0].flags, 0x00) << "the chunk itself was not rewritten";
    ASSERT_EQ(iff.Open(Name("k.iff")), 0);
    DataBlock* one = iff.GetResource(kTEST, 1, swap);
    EXPECT_EQ(BlockText(one), std::string("\x02\x01", 2)) << "the map must not claim library order";
    EXPECT_EQ(iff.Close(), 0);
}

TEST_F(IffResourceFileTest, anAddedButUnwrittenResourceIsWrittenOnClose) {
    MakeFile("p.iff", 1);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("p.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("pending"), kOTHR, 42, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);
    ASSERT_EQ(iff.Open(Name("p.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 42, nullptr)), "pending");
    iff.Close();
}

// ---- the map and when it is trusted ----------------------------------------------------

uint64_t ReadsToOpen(const std::string& path) {
    IffResourceFile iff;
    uint64_t before = platform::Hooks().reads.load();
    EXPECT_EQ(iff.Open(FileNameText(path)), 0);
    uint64_t reads = platform::Hooks().reads.load() - before;
    iff.Close();
    return reads;
}

TEST_F(IffResourceFileTest, openingThroughAGoodMapReadsNoOtherChunkHeader) {
    MakeFile("small.iff", 1);
    MakeFile("large.iff", 60);
    uint64_t small = ReadsToOpen(dir.File("small.iff"));
    uint64_t large = ReadsToOpen(dir.File("large.iff"));
    EXPECT_EQ(small, large) << "header, map header and map body, whatever the number of resources";
    EXPECT_LE(large, 4u);

    std::vector<uint8_t> bytes = ReadAll(dir.File("large.iff"));
    std::fill(bytes.begin() + 60, bytes.begin() + 64, 0);  // map offset 0: no valid map
    WriteAll(dir.File("large.iff"), bytes);
    EXPECT_GE(ReadsToOpen(dir.File("large.iff")), 60u) << "walked";
}

/// A version 2.5 file of two resources whose map chunk is built from `mapStream`.
std::vector<uint8_t> FileWithMap(const ByteBuilder& mapStream, int64_t mapSizeOverride = kFittingSize) {
    ByteBuilder b = FileHeader('2', '5', 0);
    ModernChunk(b, "TEST", 1, 0x10, "one", "first");
    ModernChunk(b, "OTHR", 2, 0x10, "", "second");
    uint32_t mapOffset = static_cast<uint32_t>(b.Size());
    ByteBuilder body;
    body.U8(0).Fill(3, 0).U32(0).Text("pmsr").Append(mapStream.Bytes());  // envelope: flag, version 0, tag
    ModernChunk(b, "rsmp", 0, 0x10, "", std::string(body.Bytes().begin(), body.Bytes().end()), mapSizeOverride);
    std::vector<uint8_t> bytes = b.Bytes();
    bytes[60] = static_cast<uint8_t>(mapOffset >> 24);
    bytes[61] = static_cast<uint8_t>(mapOffset >> 16);
    bytes[62] = static_cast<uint8_t>(mapOffset >> 8);
    bytes[63] = static_cast<uint8_t>(mapOffset);
    return bytes;
}

TEST_F(IffResourceFileTest, aGoodHandMadeMapReplacesTheWalk) {
    // The map lists only the OTHR resource, with a label the chunk does not have: what
    // is listed is what the index holds.
    ByteBuilder stream;
    stream.U32(0)                       // free byte count
        .U32(1)                         // one group
        .U32(MakeResType("OTHR"))       // its type
        .U32(1)                         // one entry
        .U32(64 + 81)                   // chunk offset
        .U16(2)                         // ID
        .U16(0x10)                      // flags
        .Text("from map").U8(0).U8(0xA3);  // label, NUL, pad to an even position
    WriteAll(dir.File("good.iff"), FileWithMap(stream));
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("good.iff")), 0);
    std::vector<Seen> expected = {{kOTHR, 2, "from map", 0, true, "second"}};
    EXPECT_EQ(Snapshot(iff), expected);
}

TEST_F(IffResourceFileTest, damagedMapsAreWalkedInstead) {
    struct Case {
        const char* what;
        ByteBuilder stream;
    };
    std::vector<Case> cases;
    cases.push_back({"huge group count", ByteBuilder().U32(0).U32(0xFFFFFFFF)});
    cases.push_back({"huge entry count", ByteBuilder().U32(0).U32(1).U32(kTEST).U32(0x7FFFFFFF)});
    cases.push_back({"entry cut short",
                     ByteBuilder().U32(0).U32(1).U32(kTEST).U32(2).U32(64).U16(1).U16(0x10).Text("x").U8(0)});
    cases.push_back({"label without NUL",
                     ByteBuilder().U32(0).U32(1).U32(kTEST).U32(1).U32(64).U16(1).U16(0x10).Text("unterminated")});
    cases.push_back({"map listing a map",
                     ByteBuilder().U32(0).U32(1).U32(iff::kMapType).U32(1).U32(64).U16(0).U16(0x10).U8(0).U8(0)});
    for (auto& c : cases) {
        WriteAll(dir.File("bad.iff"), FileWithMap(c.stream));
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Name("bad.iff")), 0) << c.what;
        EXPECT_EQ(iff.CountTypes(), 2) << c.what;
        EXPECT_EQ(BlockText(iff.GetResource(kTEST, 1, nullptr)), "first") << c.what;
        EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 2, nullptr)), "second") << c.what;
        EXPECT_EQ(iff.CountResources(iff::kMapType), 0) << c.what;
    }
    // A map offset that points past the end, or at a resource.
    for (uint32_t offset : {0x7FFFFFF0u, 64u, 70u}) {
        std::vector<uint8_t> bytes = FileWithMap(ByteBuilder().U32(0).U32(0));
        bytes[60] = static_cast<uint8_t>(offset >> 24);
        bytes[61] = static_cast<uint8_t>(offset >> 16);
        bytes[62] = static_cast<uint8_t>(offset >> 8);
        bytes[63] = static_cast<uint8_t>(offset);
        WriteAll(dir.File("bad.iff"), bytes);
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Name("bad.iff")), 0) << offset;
        EXPECT_EQ(iff.CountTypes(), 2) << offset;
    }
}

TEST_F(IffResourceFileTest, aMapOffsetThatPointsAtAResourceDoesNotFreeIt) {
    std::vector<uint8_t> bytes = FileWithMap(ByteBuilder().U32(0).U32(0));
    bytes[60] = bytes[61] = bytes[62] = 0;
    bytes[63] = 64;  // the header claims the first resource is the map
    WriteAll(dir.File("lie.iff"), bytes);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("lie.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("new"), kOTHR, 3, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);
    ASSERT_EQ(iff.Open(Name("lie.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kTEST, 1, nullptr)), "first");
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 3, nullptr)), "new");
}

TEST_F(IffResourceFileTest, aMapEntryPointingAtAnotherChunkIsNotFreedByAReplacement) {
    ByteBuilder stream;
    stream.U32(0).U32(1).U32(kTEST).U32(1)
        .U32(64 + 81)  // points at the OTHR chunk
        .U16(1).U16(0x10).U8(0).U8(0);
    WriteAll(dir.File("m.iff"), FileWithMap(stream));
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("m.iff")), 0);
    EXPECT_EQ(iff.GetResource(kTEST, 1, nullptr), nullptr);
    EXPECT_EQ(iff.GetError(), rc::kChunkMismatch);
    ASSERT_EQ(iff.AddResource(MakeBlock("replacement"), kTEST, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);

    std::vector<uint8_t> bytes = ReadAll(dir.File("m.iff"));
    bytes[11] = '0';  // walk it
    WriteAll(dir.File("m.iff"), bytes);
    ASSERT_EQ(iff.Open(Name("m.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 2, nullptr)), "second");
    // The TEST chunk the map did not list comes back with the walk, before the new one.
    ASSERT_EQ(iff.CountResources(kTEST), 2);
    EXPECT_EQ(BlockText(iff.GetIndResource(kTEST, 2, nullptr)), "replacement");
}

// ---- compaction, idle files, read-only files -----------------------------------------------

TEST_F(IffResourceFileTest, closingWithMuchFreeSpaceCompacts) {
    std::vector<Seen> added = MakeFile("k.iff", 30, 1000);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("k.iff")), 0);
    std::vector<Seen> kept;
    for (const auto& s : InIndexOrder(added)) {
        if (s.id % 3 == 0) {
            ASSERT_EQ(iff.RemoveResource(iff.GetResource(s.type, static_cast<ResId>(s.id), nullptr)), 0);
        } else {
            kept.push_back(s);
        }
    }
    ASSERT_GE(iff.FreeBytes(), 10240u);
    ASSERT_EQ(iff.Close(), 0);

    std::vector<uint8_t> bytes = ReadAll(dir.File("k.iff"));
    auto chunks = ListChunks(bytes, 76);
    uint32_t end = 64;
    for (const auto& c : chunks) {
        EXPECT_NE(c.type, "XXXX");
        end = c.offset + c.size;
    }
    EXPECT_EQ(end, bytes.size()) << "the chain covers the whole file";
    EXPECT_EQ(chunks.back().type, "rsmp");
    EXPECT_EQ(chunks.back().offset, MapOffsetOf(bytes));
    ASSERT_EQ(iff.Open(Name("k.iff")), 0);
    EXPECT_EQ(Snapshot(iff), kept);
    EXPECT_EQ(iff.FreeBytes(), 0u);
}

TEST_F(IffResourceFileTest, closingWithLittleFreeSpaceKeepsTheFreeChunk) {
    MakeFile("q.iff", 5, 1000);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("q.iff")), 0);
    ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 100, nullptr)), 0);
    ASSERT_LT(iff.FreeBytes(), 10240u);
    ASSERT_EQ(iff.Close(), 0);
    auto chunks = ListChunks(ReadAll(dir.File("q.iff")), 76);
    EXPECT_TRUE(std::any_of(chunks.begin(), chunks.end(), [](const ListedChunk& c) { return c.type == "XXXX"; }));
}

TEST_F(IffResourceFileTest, aReadOnlyFileOpensReadOnlyAndRefusesEveryChange) {
    MakeFile("ro.iff", 3);
    std::vector<uint8_t> before = ReadAll(dir.File("ro.iff"));

    IffResourceFile iff;
    // The host refuses to open the file for writing (as it does for a read-only file).
    platform::Hooks().refuseWriteOpens = true;
    int32_t opened = iff.Open(Name("ro.iff"));
    platform::Hooks().refuseWriteOpens = false;
    ASSERT_EQ(opened, 0);
    EXPECT_FALSE(iff.IsWritable());

    DataBlock* block = iff.GetResource(kTEST, 100, nullptr);
    ASSERT_NE(block, nullptr);
    DataBlock* refused = MakeBlock("x");
    EXPECT_EQ(iff.AddResource(refused, kTEST, 1, LabelText(""), true), rc::kNotWritable);
    FreeDataBlock(refused);
    EXPECT_EQ(iff.WriteResource(block), rc::kNotWritable);
    EXPECT_EQ(iff.RemoveResource(block), rc::kNotWritable);
    EXPECT_EQ(iff.SetResInfo(block, 5, LabelText("n"), 0), rc::kNotWritable);
    EXPECT_EQ(iff.SetResID(block, 5), rc::kNotWritable);
    EXPECT_EQ(iff.Compact(), rc::kNotWritable);
    EXPECT_EQ(iff.Update(), 0);
    EXPECT_EQ(iff.Close(), 0);
    EXPECT_EQ(ReadAll(dir.File("ro.iff")), before);
}

// ---- write failures ------------------------------------------------------------------------

TEST_F(IffResourceFileTest, aWriteFailureAtAnyPointLosesNoUntouchedResource) {
    std::vector<Seen> added = MakeFile("base.iff", 9, 120);
    const std::vector<uint8_t> base = ReadAll(dir.File("base.iff"));
    // Resources 100..108; the sequence touches 101 to 105 and adds two. 105 is replaced
    // by a body that needs a larger chunk: the file holds one version or the other.
    const std::string replacement = Body(9, 300);
    auto changes = [&](IffResourceFile& iff) {
        if (iff.Open(Name("crash.iff")) != 0) return;
        iff.AddResource(MakeBlock("new one"), kOTHR, 1, LabelText("n1"), true);
        iff.WriteResource(iff.GetResource(kOTHR, 1, nullptr));
        DataBlock* grow = iff.GetResource(kSPR, 101, nullptr);
        if (grow && ResizeDataBlock(grow, 400)) iff.WriteResource(grow);
        iff.RemoveResource(iff.GetResource(kOTHR, 102, nullptr));
        iff.SetResInfo(iff.GetResource(kTEST, 103, nullptr), 103, LabelText("relabelled"), 0);
        iff.AddResource(MakeBlock(Body(7, 123)), kOTHR, 2, LabelText(""), true);  // fits the freed span
        DataBlock* same = iff.GetResource(kSPR, 104, nullptr);
        if (same && same->size) same->data[0] ^= 0xFF;
        iff.WriteResource(same);
        iff.AddResource(MakeBlock(replacement), kOTHR, 105, LabelText("label 5"), true);
        iff.Close();
    };

    WriteAll(dir.File("crash.iff"), base);
    uint64_t before = platform::Hooks().writes.load();
    {
        IffResourceFile iff;
        changes(iff);
    }
    const int64_t total = static_cast<int64_t>(platform::Hooks().writes.load() - before);
    ASSERT_GT(total, 5);

    for (int64_t n = 0; n <= total; ++n) {
        WriteAll(dir.File("crash.iff"), base);
        platform::Hooks().failWritesAfter = n;
        {
            IffResourceFile iff;
            changes(iff);
        }
        platform::Hooks().failWritesAfter = -1;

        IffResourceFile check;
        ASSERT_EQ(check.Open(Name("crash.iff")), 0) << "failure after " << n << " writes";
        for (const auto& s : added) {
            if (s.id >= 101 && s.id <= 104) continue;
            const std::string body = BlockText(check.GetResource(s.type, static_cast<ResId>(s.id), nullptr));
            if (s.id != 105 || body != replacement) {
                EXPECT_EQ(body, s.body) << s << " after " << n << " writes";
            }
        }
        check.Close();
    }
}

TEST_F(IffResourceFileTest, closeReportsAFailedWriteOfTheChanges) {
    MakeFile("fail.iff", 2);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("fail.iff")), 0);
    DataBlock* added = MakeBlock("lost");
    ASSERT_EQ(iff.AddResource(added, kOTHR, 7, LabelText(""), true), 0);
    platform::Hooks().failWritesAfter = 0;
    EXPECT_NE(iff.ReleaseResource(added), 0) << "a body that could not be written stays with the file";
    EXPECT_NE(iff.Close(), 0);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_FALSE(iff.IsOpen());
}

// ---- hostile files -------------------------------------------------------------------------

TEST_F(IffResourceFileTest, hostileFilesGiveACodeOrAShorterIndex) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t openCode;
        int16_t types;  // resources visible after a good open
    };
    auto withChunk = [](uint32_t size, std::string_view body) {
        ByteBuilder b = FileHeader('2', '0', 0);
        ModernChunk(b, "TEST", 1, 0x10, "", body, size);
        ModernChunk(b, "OTHR", 2, 0x10, "", "never seen");
        return b.Bytes();
    };
    auto cut = [](std::vector<uint8_t> bytes, size_t n) {
        bytes.resize(n);
        return bytes;
    };
    std::vector<Case> cases = {
        {"empty file", {}, rc::kShortRead, 0},
        {"header cut at 40 bytes", cut(FileHeader('2', '5', 0).Bytes(), 40), rc::kShortRead, 0},
        {"version 1.0 header", LegacyFileHeader().Bytes(), rc::kBadHeader, 0},
        {"version 2.7", FileHeader('2', '7', 0).Bytes(), rc::kBadHeader, 0},
        {"header only", FileHeader('2', '5', 0).Bytes(), 0, 0},
        {"chunk size 0", withChunk(0, "x"), 0, 0},
        {"chunk size 75", withChunk(75, "x"), 0, 0},
        {"chunk size 0xFFFFFFFF", withChunk(0xFFFFFFFF, "x"), 0, 0},
        {"chunk size 0x40000001", withChunk(0x40000001, "x"), 0, 0},
        {"chunk header cut", cut(withChunk(0, "x"), 100), 0, 0},
    };
    ByteBuilder text = FileHeader('2', '5', 0);
    text.PatchU8(20, 'x');
    cases.push_back({"template differs", text.Bytes(), rc::kBadHeader, 0});
    for (auto& c : cases) {
        WriteAll(dir.File("h.iff"), c.bytes);
        IffResourceFile iff;
        EXPECT_EQ(iff.Open(Name("h.iff")), c.openCode) << c.what;
        if (c.openCode != 0) {
            EXPECT_FALSE(iff.IsOpen()) << c.what;
            continue;
        }
        EXPECT_EQ(iff.CountTypes(), c.types) << c.what;
        EXPECT_EQ(iff.Close(), 0) << c.what;
        EXPECT_EQ(ReadAll(dir.File("h.iff")), c.bytes) << c.what << ": closing wrote to it";
    }
}

TEST_F(IffResourceFileTest, aBodyRunningPastTheEndFailsToLoadWithoutAHugeAllocation) {
    for (uint32_t size : {0x40000000u, 5000u}) {
        ByteBuilder b = FileHeader('2', '0', 0);
        ModernChunk(b, "TEST", 1, 0x10, "", "short body", size);
        WriteAll(dir.File("cut.iff"), b.Bytes());
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Name("cut.iff")), 0);
        ASSERT_EQ(iff.CountResources(kTEST), 1) << "listed: the walk checks only the size field";
        EXPECT_EQ(iff.GetResource(kTEST, 1, nullptr), nullptr) << size;
        EXPECT_EQ(iff.GetError(), rc::kShortRead) << size;
    }
}

TEST_F(IffResourceFileTest, anObjectReusedForAnotherFileCarriesNothingOver) {
    MakeFile("big.iff", 20, 500);
    MakeFile("small.iff", 1);
    IffResourceFile iff;
    ASSERT_EQ(iff.Open(Name("big.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("at the end"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);  // the search position now lies far behind small.iff's end

    ASSERT_EQ(iff.Open(Name("small.iff")), 0);
    ASSERT_EQ(iff.AddResource(MakeBlock("second file"), kOTHR, 1, LabelText(""), true), 0);
    ASSERT_EQ(iff.Close(), 0);
    std::vector<uint8_t> bytes = ReadAll(dir.File("small.iff"));
    auto chunks = ListChunks(bytes, 76);
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.back().offset + chunks.back().size, bytes.size()) << "no gap in the chain";
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[1].type, "XXXX") << "the old map, too small for the new resource";
    EXPECT_EQ(chunks[2].type, "OTHR");
    ASSERT_EQ(iff.Open(Name("small.iff")), 0);
    EXPECT_EQ(BlockText(iff.GetResource(kOTHR, 1, nullptr)), "second file");
}

}  // namespace
}  // namespace tambrix
