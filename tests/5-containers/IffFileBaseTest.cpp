// What both container generations promise alike, run over each: round trips, hostile
// files, free space, refused calls, and write failures at every point.

#include <gtest/gtest.h>

#include "IffTestSupport.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kAAAA = MakeResType("AAAA");
constexpr ResType kBBBB = MakeResType("BBBB");
constexpr ResType kCCCC = MakeResType("CCCC");

class IffFileBaseTest : public ContainerFolder<::testing::TestWithParam<Generation>> {
protected:
    void TearDown() override {
        platform::Hooks().failWritesAfter = -1;
        platform::Hooks().refuseWriteOpens = false;
    }
    const Generation& gen() const { return GetParam(); }
    /// `count` labelled resources of `size` bytes, IDs 1 and up, types in turn.
    static std::vector<Seen> Plan(int count, size_t size) {
        std::vector<Seen> plan;
        for (int i = 1; i <= count; ++i)
            plan.push_back(Res(i % 3 ? kAAAA : kBBBB, static_cast<ResId>(i), "n" + std::to_string(i), size));
        return plan;
    }
    /// Opens f.iff, which must open.
    std::unique_ptr<IffFileBase> Opened() {
        auto iff = gen().Make();
        EXPECT_EQ(iff->Open(Path()), 0);
        return iff;
    }
};

INSTANTIATE_TEST_SUITE_P(BothGenerations, IffFileBaseTest, ::testing::Values(kVersion2, kVersion1),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(IffFileBaseTest, aRoundTripKeepsEveryResourceLookupsAndReadingChangesNothing) {
    const std::vector<Seen> added = {
        {kAAAA, 5, "first", 0, true, "hello"}, {kBBBB, 7, "", 0, false, Body(1, 300)},
        {kAAAA, static_cast<uint16_t>(-3), "Name", 0, true, ""},
        {kCCCC, 32767, std::string(63, 'x'), 0, true, Body(2, 77)}, {kAAAA, 300, "name0", 0, true, "x"}};
    const std::vector<uint8_t> bytes = Build(gen(), added);
    auto iff = Opened();
    EXPECT_EQ(Sorted(Snapshot(*iff)), Sorted(added));
    EXPECT_EQ(BlockText(iff->GetNamedResource(kAAAA, LabelText("FIRST"), nullptr)), "hello") << "letters fold";
    for (const char* miss : {"firs", ""}) EXPECT_EQ(iff->GetNamedResource(kAAAA, LabelText(miss), nullptr), nullptr);
    EXPECT_EQ(iff->CountResources(gen().ownType), 0);
    EXPECT_EQ(iff->UniqueID(kBBBB), 129);
    EXPECT_EQ(iff->UniqueID(kAAAA), 301);
    EXPECT_EQ(iff->UniqueID(kCCCC), 129) << "no wrap to -32768 when 32767 is taken";
    // A base of 63 characters: the number takes the place of its last one.
    const std::tuple<ResType, std::string, std::string> names[] = {
        {kAAAA, "NAME", "NAME1"}, {kAAAA, "Other", "Other"}, {kBBBB, "Name", "Name"},
        {kCCCC, std::string(63, 'x'), std::string(62, 'x') + "0"}};
    for (const auto& [type, base, unique] : names) {
        LabelText label(base);
        iff->UniqueName(type, label);
        EXPECT_EQ(label.View(), unique) << base;
    }
    EXPECT_EQ(iff->Close(), 0);
    EXPECT_EQ(Read(), bytes);
}

TEST_P(IffFileBaseTest, hostileFilesGiveACodeOrAShorterIndex) {
    const Generation& g = gen();
    auto withChunk = [&](uint32_t size) {
        ByteBuilder b = g.WalkedHeader();
        g.Chunk(b, "AAAA", 1, 0x10, "x", size);
        g.Chunk(b, "BBBB", 1, 0x10, "never seen");
        return b;
    };
    auto cut = [](ByteBuilder b, size_t n) { return b.Bytes().resize(n), b; };
    auto changed = [](ByteBuilder b, size_t at, char value) { return b.Bytes()[at] = static_cast<uint8_t>(value), b; };
    /// A version 1.0 file whose AAAA 1 carries `number` and whose table is `table`.
    auto withTable = [](uint16_t id, uint16_t flags, const ByteBuilder& table, uint32_t number = 1) {
        ByteBuilder b = LegacyFileHeader();
        LegacyChunk(b, "NAME", id, flags, 0xFFFFFFFF, Text(table));
        LegacyChunk(b, "AAAA", 1, 0x10, number, "x");
        return b;
    };
    struct Case {
        const char* what;
        ByteBuilder bytes;
        int32_t openCode = 0;
        int16_t types = 0;
        int32_t loadCode = 0;  ///< of AAAA 1
    };
    const uint32_t h = g.chunkHeader;
    std::vector<Case> cases = {
        {"empty file", ByteBuilder(), rc::kShortRead},
        {"header cut at 40 bytes", cut(g.WalkedHeader(), 40), rc::kShortRead},
        {"the other generation's header", g.legacy ? FileHeader('2', '5', 0) : LegacyFileHeader(), rc::kBadHeader},
        {"header only", g.WalkedHeader()},
        {"chunk size 0", withChunk(0)},
        {"chunk size one below a header", withChunk(h - 1)},
        {"chunk size wrapping past 4 GiB", withChunk(0xFFFFFFF0)},
        {"chunk header cut", cut(withChunk(0), 64 + h - 1)},
        {"body past the end (no huge allocation)", cut(withChunk(0x40000000), 64 + h + 1), 0, 1, rc::kShortRead},
        {"body running 5000 bytes past the end", cut(withChunk(5000), 64 + h + 1), 0, 1, rc::kShortRead},
    };
    if (g.legacy) {
        ByteBuilder older, huge, ghost;
        older.U32(1).U8(200).Text("short");  // label number, a length of 200, 5 characters
        huge.U8(0).Fill(3, 0).U32(0).Text("EMAN").U32(0xFFFFFFFF).U32(1).Text("no terminator");
        ghost.U8(0).Fill(3, 0).U32(0).Text("EMAN").U32(1).U32(0xFFFFFFFF).Text("ghost").U8(0);
        cases.push_back({"older table record cut", withTable(0, 0x08, older), 0, 1});
        cases.push_back({"table with a huge count and an unterminated label", withTable(1, 0x18, huge), 0, 1});
        cases.push_back({"table record under the no-label number", withTable(1, 0x18, ghost, 0xFFFFFFFF), 0, 1});
        cases.push_back({"minor version 5", changed(LegacyFileHeader(), 11, '5'), rc::kBadHeader});
    } else {
        cases.push_back({"version 2.7", FileHeader('2', '7', 0), rc::kBadHeader});
        cases.push_back({"chunk size above 1 GiB", withChunk(0x40000001)});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(c.bytes.Bytes());
        auto iff = g.Make();
        ASSERT_EQ(iff->Open(Path()), c.openCode);
        if (c.openCode != 0) {
            EXPECT_FALSE(iff->IsOpen());
            continue;
        }
        EXPECT_EQ(iff->CountTypes(), c.types);
        if (c.types > 0) {
            DataBlock* block = iff->GetResource(kAAAA, 1, nullptr);
            EXPECT_EQ(iff->GetError(), c.loadCode);
            EXPECT_EQ(LabelOf(*iff, block), "");
            EXPECT_EQ(iff->GetNamedResource(kAAAA, LabelText("ghost"), nullptr), nullptr);
        }
        EXPECT_EQ(iff->Close(), 0);
        EXPECT_EQ(Read(), c.bytes.Bytes()) << "closing wrote to it";
    }
}

// Only the first 35 header bytes are fixed: the creator text behind them is whatever
// the writing program put there, and a write leaves it so. A version 2.5 file gets its
// new map offset in bytes 60-63; nothing else of the header changes.
TEST_P(IffFileBaseTest, anyCreatorTextOpensAndAChangeKeepsTheHeader) {
    const Generation& g = gen();
    const uint32_t creatorSize = g.legacy ? 29 : 25;
    auto arbitrary = [] {
        std::string bytes;
        for (int i = 0; i < 29; ++i) bytes += static_cast<char>(0x80 + 37 * i);
        return bytes;
    };
    const std::string creators[] = {
        g.legacy ? std::string(" KOREL VANSTRAT & MAXIS 1996", 28) + '\0' : " KOREL VANSTRAT & MAXIS 1",
        " JAMIE DOORNBOS & MAXIS 1 2000 IFF", std::string(29, ' '), std::string(29, '\0'), arbitrary()};
    struct Header {
        char major, minor;
        bool mapped;
    };
    const std::vector<Header> headers =
        g.legacy ? std::vector<Header>{{'1', '0', false}} : std::vector<Header>{{'2', '0', false}, {'2', '5', true}};
    for (const Header& h : headers) {
        for (const std::string& creator : creators) {
            const std::string trace = std::string{h.major, '.', h.minor} + " creator \"" + creator.substr(0, creatorSize);
            SCOPED_TRACE(trace);
            ByteBuilder b = g.legacy ? LegacyFileHeader() : FileHeader(h.major, h.minor, 0);
            std::copy_n(creator.begin(), creatorSize, b.Bytes().begin() + 35);
            g.Chunk(b, "AAAA", 1, 0x10, "kept");
            Write(b.Bytes());
            auto iff = Opened();
            ASSERT_TRUE(iff->IsOpen());
            EXPECT_EQ(BlockText(iff->GetResource(kAAAA, 1, nullptr)), "kept");
            ASSERT_EQ(iff->AddResource(MakeBlock("new"), kBBBB, 2, LabelText(""), true), 0);
            ASSERT_EQ(iff->Close(), 0);
            const std::vector<uint8_t> after = Read();
            const size_t kept = h.mapped ? 60 : 64;
            EXPECT_TRUE(std::equal(after.begin(), after.begin() + kept, b.Bytes().begin()));
            if (h.mapped) {
                EXPECT_NE(MapOffsetOf(after), 0u) << "the changed file has its map";
            }
            auto again = Opened();
            EXPECT_EQ(BlockText(again->GetResource(kBBBB, 2, nullptr)), "new");
            EXPECT_EQ(again->Close(), 0);
        }
    }
    // The fixed part is checked: a letter of the text, a version digit, the 0 at 34.
    auto changed = [&](size_t at, char value) {
        ByteBuilder b = g.WalkedHeader();
        b.Bytes()[at] = static_cast<uint8_t>(value);
        return b.Bytes();
    };
    const std::pair<const char*, std::vector<uint8_t>> refused[] = {
        {"text differs", changed(3, 'X')},     {"text differs at 33", changed(33, 'e')},
        {"major not a digit", changed(9, 'x')}, {"another major digit", changed(9, '3')},
        {"no 0 at 34", changed(34, ' ')}};
    for (const auto& [what, bytes] : refused) {
        SCOPED_TRACE(what);
        Write(bytes);
        auto iff = g.Make();
        EXPECT_EQ(iff->Open(Path()), rc::kBadHeader);
        EXPECT_EQ(Read(), bytes);
    }
}

TEST_P(IffFileBaseTest, freeNeighboursMergeAndAreReusedExactlyOrSplitButNeverBelowAHeader) {
    const uint32_t h = gen().chunkHeader, span = 200;  // two free chunks of 100 bytes
    struct Case {
        const char* what;
        uint32_t chunk;  ///< of the new resource
        bool reusesSpan;
    } const cases[] = {{"exact fit", span, true}, {"split leaving a header", span - h, true},
                       {"one byte short of a split", span - h + 1, false}, {"one byte short", span - 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteBuilder b = gen().WalkedHeader();
        gen().Chunk(b, "XXXX", 0, 0x04, std::string(100 - h, '\0'));
        gen().Chunk(b, "XXXX", 0, 0x04, std::string(100 - h, '\0'));
        gen().Chunk(b, "AAAA", 1, 0x10, "aaaa");
        Write(b.Bytes());
        auto iff = Opened();
        EXPECT_EQ(iff->FreeBytes(), span);
        DataBlock* one = iff->GetResource(kAAAA, 1, nullptr);
        ASSERT_NE(one, nullptr);
        one->data[0] = 'A';
        ASSERT_EQ(iff->WriteResource(one), 0);
        EXPECT_EQ(ListChunks(Read(), h).back().offset, 264u) << "rewritten in place";
        DataBlock* added = MakeBlock(std::string(c.chunk - h, 'n'));
        ASSERT_EQ(iff->AddResource(added, kBBBB, 9, LabelText(""), true), 0);
        ASSERT_EQ(iff->WriteResource(added), 0);
        const auto chunks = ListChunks(Read(), h);
        ASSERT_GE(chunks.size(), 2u);
        EXPECT_EQ(chunks[0].type + std::to_string(chunks[0].size),
                  c.reusesSpan ? "BBBB" + std::to_string(c.chunk) : "XXXX" + std::to_string(span));
        if (c.reusesSpan && c.chunk < span) {
            EXPECT_EQ(chunks[1].type + std::to_string(chunks[1].size), "XXXX" + std::to_string(span - c.chunk));
        }
        EXPECT_EQ(chunks.back().type, c.reusesSpan ? "AAAA" : "BBBB");
        EXPECT_EQ(iff->FreeBytes(), c.reusesSpan ? span - c.chunk : span);
        EXPECT_EQ(iff->Close(), 0);
        ASSERT_EQ(iff->Open(Path()), 0);
        EXPECT_EQ(BlockText(iff->GetResource(kAAAA, 1, nullptr)) + BlockText(iff->GetResource(kBBBB, 9, nullptr)),
                  "Aaaa" + std::string(c.chunk - h, 'n'));
    }
}

TEST_P(IffFileBaseTest, aClosedObjectAReadOnlyFileAndBlocksTheFileDoesNotHoldAreRefused) {
    auto iff = gen().Make();
    DataBlock stranger;
    uint16_t value = 0;
    EXPECT_TRUE(iff->CountTypes() == 0 && !iff->GetResource(kAAAA, 1, nullptr) && iff->IsLibraryOrder(&stranger));
    for (int32_t code : {iff->Close(), iff->GetError(), iff->GetResID(&stranger, value), iff->Compact(),
                         iff->AddResource(&stranger, kAAAA, 1, LabelText("x"), true)})
        EXPECT_EQ(code, rc::kNotOpen);
    EXPECT_EQ(iff->Resume(), rc::kIoFailed) << "nothing was suspended";

    const std::vector<uint8_t> bytes = Build(gen(), Plan(3, 40));
    platform::Hooks().refuseWriteOpens = true;  // as the host does for a read-only file
    ASSERT_EQ(iff->Open(Path()), 0);
    platform::Hooks().refuseWriteOpens = false;
    EXPECT_FALSE(iff->IsWritable());
    DataBlock* block = iff->GetResource(kAAAA, 1, nullptr);
    ASSERT_NE(block, nullptr);
    for (int32_t code : {iff->AddResource(&stranger, kAAAA, 9, LabelText(""), true), iff->WriteResource(block),
                         iff->RemoveResource(block), iff->SetResInfo(block, 5, LabelText("n"), 0),
                         iff->SetResID(block, 5), iff->Compact()})
        EXPECT_EQ(code, rc::kNotWritable);
    EXPECT_EQ(iff->Update(), 0);
    EXPECT_EQ(iff->Close(), 0);
    EXPECT_EQ(Read(), bytes);

    ASSERT_EQ(iff->Open(Path()), 0);
    for (DataBlock* none : {static_cast<DataBlock*>(nullptr), &stranger}) {
        EXPECT_EQ(iff->GetResType(none), 0u);
        EXPECT_EQ(iff->GetError(), rc::kNoSuchResource);
        EXPECT_EQ(iff->GetResAttrs(none), 0);
        EXPECT_EQ(iff->GetError(), rc::kNoSuchResource);
        EXPECT_EQ(iff->RemoveResource(none), rc::kNoSuchLabel);
        EXPECT_EQ(iff->DetachResource(none), rc::kNoSuchLabel);
    }
    EXPECT_EQ(iff->AddResource(nullptr, kAAAA, 9, LabelText(""), true), rc::kNoSuchLabel);
    // A block held by another resource would be owned twice; under its own type and
    // ID it replaces the resource with itself.
    DataBlock* held = iff->GetResource(kAAAA, 1, nullptr);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(iff->AddResource(held, kAAAA, 500, LabelText(""), true), rc::kUnsupported);
    EXPECT_EQ(iff->AddResource(held, kAAAA, 1, LabelText("again"), true), 0);
    EXPECT_EQ(iff->WriteResource(held), 0);
    EXPECT_EQ(iff->CountResources(kAAAA) + iff->CountResources(kBBBB), 3);
    // Removing the last resource of a type: a version 1.0 list keeps the empty group.
    ASSERT_EQ(iff->RemoveResource(iff->GetResource(kBBBB, 3, nullptr)), 0);
    EXPECT_EQ(iff->CountTypes(), gen().legacy ? 2 : 1);
    EXPECT_EQ(iff->Close(), 0);  // the sanitizer build catches a double release here
}

TEST_P(IffFileBaseTest, aWriteFailureAtAnyPointLosesNoUntouchedResource) {
    const std::vector<Seen> plan = Plan(9, 120);
    const std::vector<uint8_t> base = Build(gen(), plan, "base.iff");
    // Resource 2 grows, 3 goes, 4 is relabelled, 5 is rewritten in place, 6 is replaced
    // by a body that needs a larger chunk; two are added, one into the freed span.
    const std::string grown = Body(2, 120) + std::string(280, '\xA3');
    std::string flipped = Body(5, 120);
    flipped[0] ^= 0xFF;
    const std::string replacement = Body(60, 300);
    auto changes = [&] {
        auto iff = gen().Make();
        if (iff->Open(Path()) != 0) return;
        iff->AddResource(MakeBlock("new one"), kCCCC, 1, LabelText("c1"), true);
        iff->WriteResource(iff->GetResource(kCCCC, 1, nullptr));
        DataBlock* grow = iff->GetResource(kAAAA, 2, nullptr);
        if (grow && ResizeDataBlock(grow, 400)) iff->WriteResource(grow);
        iff->RemoveResource(iff->GetResource(kBBBB, 3, nullptr));
        iff->SetResInfo(iff->GetResource(kAAAA, 4, nullptr), 4, LabelText("relabelled"), 0);
        iff->AddResource(MakeBlock(Body(7, 123)), kCCCC, 2, LabelText(""), true);
        DataBlock* same = iff->GetResource(kAAAA, 5, nullptr);
        if (same && same->size) same->data[0] ^= 0xFF;
        iff->WriteResource(same);
        iff->AddResource(MakeBlock(replacement), kBBBB, 6, LabelText("n6"), true);
        iff->Close();
    };
    Write(base);
    const uint64_t before = platform::Hooks().writes.load();
    changes();
    const int64_t total = static_cast<int64_t>(platform::Hooks().writes.load() - before);
    ASSERT_GT(total, 5);
    for (int64_t n = 0; n <= total; ++n) {
        SCOPED_TRACE("failure after " + std::to_string(n) + " writes");
        Write(base);
        platform::Hooks().failWritesAfter = n;
        changes();
        platform::Hooks().failWritesAfter = -1;
        auto check = Opened();
        for (const Seen& s : plan) {
            if (s.id == 3) continue;
            const std::string body = BlockText(check->GetResource(s.type, static_cast<ResId>(s.id), nullptr));
            // A changed resource reads as one version or the other, never half-written.
            const bool either = body == s.body || (s.id == 2 && body == grown) || (s.id == 5 && body == flipped) ||
                                (s.id == 6 && body == replacement);
            EXPECT_TRUE(either) << s;
        }
        if (n == total) {
            EXPECT_EQ(LabelOf(*check, check->GetResource(kAAAA, 4, nullptr)), "relabelled");
        }
    }
    // Where nothing can be written, the failure is reported.
    auto iff = Opened();
    DataBlock* added = MakeBlock("lost");
    ASSERT_EQ(iff->AddResource(added, kCCCC, 7, LabelText(""), true), 0);
    platform::Hooks().failWritesAfter = 0;
    EXPECT_NE(iff->ReleaseResource(added), 0) << "a body that could not be written stays with the file";
    EXPECT_NE(iff->Close(), 0);
    EXPECT_FALSE(iff->IsOpen());
}

}  // namespace
}  // namespace tambrix
