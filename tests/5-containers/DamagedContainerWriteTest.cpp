// Containers written by the library, some then altered byte-wise. A file opened
// read-write and only looked at is not written at all. After a write into a damaged
// file, close and reopen, every resource the change did not touch reads back as it was,
// the change is there (or refused with a code), and the file grew only by what was
// written.

#include <gtest/gtest.h>

#include <functional>

#include "IffTestSupport.h"
#include "platform/PlatformFile.h"

namespace tambrix {
namespace {

using namespace tambrix::testing;

constexpr ResType kTEST = MakeResType("TEST");
constexpr ResType kOTHR = MakeResType("OTHR");
constexpr ResType kOBJD = restype::kOBJD;

/// The resource chunks in file order: free chunks, label tables and maps left out.
std::vector<ListedChunk> ResourceChunks(const std::vector<uint8_t>& bytes, uint32_t headerSize) {
    std::vector<ListedChunk> chunks = ListChunks(bytes, headerSize);
    std::erase_if(chunks,
                  [](const ListedChunk& c) { return c.type == "XXXX" || c.type == "NAME" || c.type == "rsmp"; });
    return chunks;
}
/// Where the map's entry for the chunk at `offset` starts (its offset, ID and flags
/// fields, little-endian as the library writes them).
size_t MapEntryOf(const std::vector<uint8_t>& bytes, uint32_t offset) {
    const uint8_t pattern[4] = {uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16), uint8_t(offset >> 24)};
    auto body = bytes.begin() + MapOffsetOf(bytes) + 76 + 12;  // behind the chunk header and the envelope
    return static_cast<size_t>(std::search(body, bytes.end(), pattern, pattern + 4) - bytes.begin());
}

inline void Drop(std::vector<Seen>& seen, ResType type, uint16_t id) {
    std::erase_if(seen, [&](const Seen& s) { return s.type == type && s.id == id; });
}
/// The resource of that type and ID, added as "<missing>" when there is none.
inline Seen& Find(std::vector<Seen>& seen, ResType type, uint16_t id) {
    auto it = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.type == type && s.id == id; });
    if (it == seen.end()) it = seen.insert(seen.end(), Seen{type, id, "<missing>", 0, false, ""});
    return *it;
}

using DamagedContainerWriteTest = ContainerFolder<>;
const Generation& Gen(bool legacy) { return legacy ? kVersion1 : kVersion2; }

TEST_F(DamagedContainerWriteTest, aFileOnlyLookedAtIsNeverWritten) {
    // Resource 2 is stored in the other byte order: loading it converts the body.
    const std::vector<Seen> plan = {Res(kTEST, 1, "one", 40), Res(kOTHR, 2, "", 40, false),
                                    Res(kTEST, 3, "three", 300)};
    const LabelText missing("missing");
    static const ConversionRoutine reverse = [](uint8_t* p, uint32_t n) { std::reverse(p, p + n); };
    std::string converted = Body(2, 40);
    std::reverse(converted.begin(), converted.end());
    struct Road {
        const char* what;
        std::function<void(ResourceFile&)> take;
        bool changes = false;
    };
    const Road roads[] = {
        {"open and close", [](ResourceFile&) {}},
        // 1.0 cannot suspend, and a resume that failed would fail the close.
        {"suspend and resume", [](ResourceFile& f) { if (f.Suspend() == 0) f.Resume(); }},
        {"lookups, loads, a conversion, release and load again, unique name and ID, update",
         [&](ResourceFile& f) {
             EXPECT_FALSE(f.GetResource(kOBJD, 1, reverse) || f.GetNamedResource(kTEST, missing, nullptr) ||
                          f.GetIndResource(kOTHR, 9, nullptr));
             for (int i = 0; i < 2; ++i) {
                 DataBlock* block = f.GetResource(kOTHR, 2, reverse);
                 EXPECT_EQ(BlockText(block), converted) << "load " << i;
                 EXPECT_EQ(f.ReleaseResource(block), 0);
             }
             EXPECT_EQ(Snapshot(f).size(), 3u);
             LabelText label("one");
             f.UniqueName(kTEST, label);
             f.UniqueID(kTEST);
             EXPECT_EQ(f.Update(), 0);
         }},
        {"detaching a resource in the file",
         [](ResourceFile& f) {
             DataBlock* block = f.GetResource(kTEST, 3, nullptr);
             if (f.DetachResource(block) == 0) FreeDataBlock(block);
         }},
        // The other side: one change, and a 1.0 file gets its label table and any file
        // with much free space is compacted.
        {"a rewrite in place", [](ResourceFile& f) { EXPECT_EQ(f.WriteResource(f.GetResource(kTEST, 1, nullptr)), 0); },
         true},
    };
    struct File {
        const char* what;
        bool legacy, labelTable, muchFree;
    } const files[] = {{"2.5", false, false, false},          {"2.5, 12,000 bytes free", false, false, true},
                       {"1.0", true, true, false},            {"1.0, 12,000 bytes free", true, true, true},
                       {"1.0 without label table", true, false, false},
                       {"1.0 without label table, 12,000 bytes free", true, false, true}};
    for (const File& file : files) {
        SCOPED_TRACE(file.what);
        std::vector<uint8_t> bytes = Build(Gen(file.legacy), plan);
        if (file.legacy && !file.labelTable) {
            const ListedChunk table = ChunkOf(ListChunks(bytes, 16), "NAME", 1);
            ASSERT_NE(table.offset, 0u);
            bytes.erase(bytes.begin() + table.offset, bytes.begin() + table.offset + table.size);
        }
        if (file.muchFree) {
            // A free chunk at the end (behind the map, which counts it as free).
            ByteBuilder free;
            if (file.legacy) {
                LegacyChunk(free, "XXXX", 0, 0x04, 0xFFFFFFFF, std::string(12000, '\0'));
            } else {
                ModernChunk(free, "XXXX", 0, 0x04, "", std::string(12000, '\0'));
                const size_t count = MapOffsetOf(bytes) + 76 + 12;  // free byte count, the map's first field
                for (int i = 0; i < 4; ++i) bytes[count + i] = static_cast<uint8_t>(free.Size() >> (8 * i));
            }
            bytes.insert(bytes.end(), free.Bytes().begin(), free.Bytes().end());
        }
        for (const Road& road : roads) {
            SCOPED_TRACE(road.what);
            Write(bytes);
            const uint64_t writes = platform::Hooks().writes.load();
            auto opened = Gen(file.legacy).Make();
            ASSERT_EQ(opened->Open(Path()), 0);
            ASSERT_TRUE(opened->IsWritable());
            road.take(*opened);
            EXPECT_EQ(opened->Close(), 0);
            const std::vector<uint8_t> after = Read();
            if (!road.changes) {
                EXPECT_EQ(platform::Hooks().writes.load(), writes);
                EXPECT_TRUE(after == bytes);
                continue;
            }
            const auto chunks = ListChunks(after, file.legacy ? 16 : 76);
            EXPECT_EQ(CountChunks(chunks, "NAME"), file.legacy ? 1 : 0);
            EXPECT_TRUE(CountChunks(chunks, "XXXX") == 0 || !file.muchFree) << "compacted";
        }
    }
}

TEST_F(DamagedContainerWriteTest, newChunksGoAtTheEndOfTheFileWhateverTheChainSays) {
    enum Damage { kSizeZero, kSizePastEnd, kCut };
    struct Case {
        const char* what;
        bool legacy;
        Damage damage;
        uint32_t pastEnd;  // for kSizePastEnd
    };
    const Case cases[] = {
        {"2.5: a header before chunks the map lists says size 0", false, kSizeZero, 0},
        {"2.5: a size runs 100 bytes past the end, over where new chunks go", false, kSizePastEnd, 100},
        {"2.5: cut inside its last resource, map lost", false, kCut, 0},
        {"1.0: a header says size 0", true, kSizeZero, 0},
        {"1.0: a size runs 16 MiB past the end", true, kSizePastEnd, 0x01000000},
        {"1.0: cut inside its last resource", true, kCut, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t headerSize = c.legacy ? 16 : 76;
        std::vector<Seen> plan;
        for (int i = 1; i <= 6; ++i)
            plan.push_back(Res(i % 2 ? kTEST : kOTHR, static_cast<ResId>(i), "r" + std::to_string(i), 200));
        std::vector<uint8_t> bytes = Build(Gen(c.legacy), plan);
        const std::vector<ListedChunk> chunks = ResourceChunks(bytes, headerSize);
        ASSERT_EQ(chunks.size(), 6u);
        if (c.damage == kCut)
            bytes.resize(chunks.back().offset + headerSize + 10);
        else
            PutU32BE(bytes, chunks[2].offset + 4,
                     c.damage == kSizeZero ? 0 : bytes.size() - chunks[2].offset + c.pastEnd);
        Write(bytes);
        // What loads before the change loads the same after it; the damaged chunk still does not.
        std::vector<Seen> expected = Contents(Gen(c.legacy));

        // The first chunk is rewritten in place; a replacement of the second that needs
        // a larger chunk, and a new resource, need room at the end.
        const ListedChunk first = chunks[0], second = chunks[1];
        const ResType firstType = first.type == "TEST" ? kTEST : kOTHR;
        const ResType secondType = second.type == "TEST" ? kTEST : kOTHR;
        auto file = Gen(c.legacy).Make();
        ASSERT_EQ(file->Open(Path()), 0);
        DataBlock* rewritten = file->GetResource(firstType, first.id, nullptr);
        ASSERT_NE(rewritten, nullptr);
        const std::string newBody = Body(99, rewritten->size);
        std::copy(newBody.begin(), newBody.end(), rewritten->data);
        ASSERT_EQ(file->WriteResource(rewritten), 0);
        DataBlock* replacement = MakeBlock(Body(8, 260));
        ASSERT_EQ(
            file->AddResource(replacement, secondType, second.id, LabelText("r" + std::to_string(second.id)), true), 0);
        EXPECT_EQ(file->WriteResource(replacement), c.legacy ? rc::kChunkMismatch : 0);
        ASSERT_EQ(file->AddResource(MakeBlock(Body(7, 300)), kOTHR, 77, LabelText("new"), true), 0);
        const int32_t closed = file->Close();
        const std::vector<uint8_t> after = Read();
        Find(expected, firstType, first.id).body = newBody;

        if (c.legacy) {
            // Without a map a chunk behind a broken chain could never be found again:
            // the replacement and the addition are refused, the replaced version stays,
            // and no byte outside the rewritten chunk changes.
            EXPECT_EQ(closed, rc::kChunkMismatch);
            ASSERT_EQ(after.size(), bytes.size());
            std::vector<uint8_t> expectedBytes = bytes;
            std::copy_n(after.begin() + first.offset, first.size, expectedBytes.begin() + first.offset);
            EXPECT_TRUE(after == expectedBytes) << "a byte outside the rewritten chunk changed";
        } else {
            // The new chunks sit at the old end and the new map right behind them.
            EXPECT_EQ(closed, 0);
            const uint32_t map = MapOffsetOf(after);
            EXPECT_EQ(map, bytes.size() + 76 + 260 + 76 + 300);
            ASSERT_LE(map + 8u, after.size());
            EXPECT_EQ(after.size(), map + GetU32BE(after, map + 4));
            Find(expected, secondType, second.id).body = Body(8, 260);
            expected.push_back({kOTHR, 77, "new", 0, true, Body(7, 300)});
        }
        EXPECT_EQ(Contents(Gen(c.legacy)), Sorted(expected));
    }
}

TEST_F(DamagedContainerWriteTest, compactionKeepsEveryListedChunkWhateverItsFlagsAndEntriesSay) {
    // Removing the big resource makes the close compact; an added resource fits the
    // object's chunk exactly, so free space of that size would be taken.
    const std::vector<Seen> plan = {Res(kOBJD, 2, "object", 200), Res(kTEST, 3, "three", 200),
                                    Res(kTEST, 6, "six", 200), Res(kTEST, 1, "big", 12000)};
    enum Damage { kFlagInHeader, kFlagInMap, kFreedBehindTheMap, kTwoEntriesOneChunk };
    const std::pair<const char*, Damage> cases[] = {
        {"free flag in the chunk header", kFlagInHeader}, {"free flag in the map's entry", kFlagInMap},
        {"a map entry over a free chunk", kFreedBehindTheMap}, {"two map entries name one chunk", kTwoEntriesOneChunk}};
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        std::vector<uint8_t> bytes = Build(Gen(false), plan);
        const std::vector<ListedChunk> chunks = ResourceChunks(bytes, 76);
        const ListedChunk object = ChunkOf(chunks, "OBJD", 2);
        if (damage == kFlagInMap) bytes[MapEntryOf(bytes, object.offset) + 6] |= 0x04;  // flags, low byte first
        if (damage == kFlagInHeader || damage == kFreedBehindTheMap) bytes[object.offset + 11] |= 0x04;
        if (damage == kFreedBehindTheMap) std::copy_n("XXXX", 4, bytes.begin() + object.offset);
        if (damage == kTwoEntriesOneChunk) {
            const size_t six = MapEntryOf(bytes, ChunkOf(chunks, "TEST", 6).offset);
            const uint32_t three = ChunkOf(chunks, "TEST", 3).offset;
            for (int i = 0; i < 4; ++i) bytes[six + i] = static_cast<uint8_t>(three >> (8 * i));
        }
        Write(bytes);
        std::vector<Seen> expected = Contents(Gen(false));
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(Path()), 0);
        if (damage != kTwoEntriesOneChunk) {
            DataBlock* added = MakeBlock(Body(9, 200));
            ASSERT_EQ(iff.AddResource(added, kOTHR, 9, LabelText(""), true), 0);
            ASSERT_EQ(iff.WriteResource(added), 0);
            expected.push_back({kOTHR, 9, "", 0, true, Body(9, 200)});
        }
        if (damage <= kFlagInMap) {
            ASSERT_EQ(iff.WriteResource(iff.GetResource(kOBJD, 2, nullptr)), 0);
        }
        ASSERT_EQ(iff.RemoveResource(iff.GetResource(kTEST, 1, nullptr)), 0);
        ASSERT_EQ(iff.Close(), 0);
        const std::vector<uint8_t> after = Read();
        EXPECT_LT(after.size(), 2000u) << "compacted";
        if (damage <= kFlagInMap) {
            EXPECT_EQ(ChunkOf(ListChunks(after, 76), "OBJD", 2).flags, 0x0010) << "no free flag";
        }
        std::erase_if(expected, [](const Seen& s) { return s.type == kTEST && s.id == 1; });
        EXPECT_EQ(Contents(Gen(false)), Sorted(expected));
    }
}

TEST_F(DamagedContainerWriteTest, labelNumbersAreNeverSharedByAccident) {
    // Label numbers as written: "alpha" 1, "beta" 2, the third resource none.
    const std::vector<Seen> plan = {Res(kTEST, 1, "alpha", 20), Res(kOTHR, 2, "beta", 20), Res(kTEST, 3, "", 20)};
    struct Case {
        const char* what;
        ResId patched;  // this resource's chunk is given `number`
        uint32_t number;
        std::function<void(ResourceFile&)> change;
        std::function<void(std::vector<Seen>&)> expect;
    };
    const Case cases[] = {
        {"a chunk already carries the number the table would hand out next", 3, 3,
         [](ResourceFile& f) { f.AddResource(MakeBlock("d"), kOTHR, 4, LabelText("delta"), true); },
         [](std::vector<Seen>& s) { s.push_back({kOTHR, 4, "delta", 0, true, "d"}); }},
        {"removing a resource whose record another chunk shares", 2, 1,
         [](ResourceFile& f) { f.RemoveResource(f.GetResource(kTEST, 1, nullptr)); },
         [](std::vector<Seen>& s) { Drop(s, kTEST, 1); }},
        {"relabelling a resource whose record another chunk shares", 2, 1,
         [](ResourceFile& f) { f.SetResInfo(f.GetResource(kTEST, 1, nullptr), 1, LabelText("renamed"), 0); },
         [](std::vector<Seen>& s) { Find(s, kTEST, 1).label = "renamed"; }},
        {"clearing the label of a resource whose record another chunk shares", 2, 1,
         [](ResourceFile& f) { f.SetResInfo(f.GetResource(kTEST, 1, nullptr), 1, LabelText(""), 0); },
         [](std::vector<Seen>& s) { Find(s, kTEST, 1).label = ""; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = Build(Gen(true), plan);
        const ListedChunk patched = ChunkOf(ResourceChunks(bytes, 16), c.patched == 2 ? "OTHR" : "TEST", c.patched);
        PutU32BE(bytes, patched.offset + 12, c.number);
        Write(bytes);
        std::vector<Seen> expected = Contents(Gen(true));

        LegacyIffResourceFile legacy;
        ASSERT_EQ(legacy.Open(Path()), 0);
        c.change(legacy);
        ASSERT_EQ(legacy.GetError(), 0);
        ASSERT_EQ(legacy.Close(), 0);
        c.expect(expected);
        EXPECT_EQ(Contents(Gen(true)), Sorted(expected));
    }
}

}  // namespace
}  // namespace tambrix
