#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "containers/IffFormat.h"

namespace tambrix {

class FileStream;

namespace iff {

/// The chain of chunks behind the file header as space to be handed out: walking it,
/// freeing chunks, next-fit allocation with merging and splitting, and compaction.
/// Both container generations use it; they differ in the header layout, in what must
/// happen before the first header is written (the write guard), and in whether a chunk
/// added at the end must be reachable by a walk (a container without a map).
///
/// The index is the authority on what the file holds. A damaged file can disagree with
/// it: a chunk the index lists may carry the free flag, a size may run past the end of
/// the file or over other chunks, the chain may stop short. Whatever the chain says, a
/// write never touches a byte of a chunk the index lists unless it rewrites that chunk
/// for its own resource, and the file only grows by the bytes written at its end.
class ChunkSpace {
public:
    /// Calls the visitor with the offset field and type of every index entry; the
    /// space may set an offset to kNoOffset (its chunk is gone) or move it (compaction).
    using IndexVisitor = std::function<void(const std::function<void(uint32_t& offset, ResType type)>&)>;

    ChunkSpace(FileStream& stream, ChunkLayout layout) : mStream(stream), mLayout(layout) {}

    /// Called before every header write and allocation; a non-zero code stops it.
    void SetWriteGuard(std::function<int32_t()> guard) { mGuard = std::move(guard); }
    /// How the space sees the index of the file that is open.
    void SetIndex(IndexVisitor index) { mIndex = std::move(index); }
    /// For a container without a map: a chunk is only added at the end when a walk from
    /// the first chunk reaches it; otherwise the allocation fails with kChunkMismatch.
    void RequireWalkableAppends() { mWalkableAppends = true; }
    /// Forgets what was learnt about the file; called whenever a file is opened or closed.
    void Forget() {
        mKnown = false;
        mListedKnown = false;
    }

    ChunkLayout Layout() const { return mLayout; }
    uint32_t HeaderBytes() const { return HeaderSize(mLayout); }

    int32_t ReadHeader(uint32_t offset, ChunkHeader& header) {
        return ReadChunkHeader(mStream, offset, mLayout, header);
    }
    /// Runs the write guard, then writes the header.
    int32_t WriteHeader(uint32_t offset, const ChunkHeader& header);

    /// Calls visit(offset, header) for each chunk from the first on; stops at a header
    /// that cannot be read or whose size cannot stand in a chain (too small, too large,
    /// or wrapping past 4 GiB), so every walk ends. Returns the offset where it stopped.
    uint32_t Walk(const std::function<void(uint32_t, const ChunkHeader&)>& visit);

    /// Whether the chunk at offset is a chunk of `type` that a walk can step over: a
    /// damaged index may point at another chunk or into a body, and such a chunk is not
    /// ours to free or rewrite. The free flag does not count: a chunk the index lists
    /// under its own type stays a resource. A failed read is reported through `error`.
    bool IsChunkOf(uint32_t offset, ResType type, ChunkHeader& header, int32_t& error);

    /// Whether another chunk the index lists (under its own type) starts inside
    /// (offset, end): the chunk at offset then claims bytes that are not its own, as a
    /// cut chunk does once new chunks stand behind the old end of the file.
    bool CoversListedChunk(uint32_t offset, uint64_t end);

    /// An index entry lets go of its chunk at offset, which it holds if the chunk is one
    /// of `type`. The chunk becomes free unless another entry still holds it or its
    /// header lies inside a chunk another entry holds; anything else is left alone.
    int32_t ReleaseChunk(uint32_t offset, ResType type);

    /// Writes a chunk for the index entry whose offset field is `offset`. The entry's
    /// own chunk of the same size is rewritten in place when no other entry holds any of
    /// its bytes; otherwise room is found anew, the body and then the header are written
    /// there, `offset` receives the new place, and only then is the old chunk let go.
    /// When that fails, `offset` keeps naming the old chunk (or kNoOffset when it named
    /// none of the type).
    int32_t WriteChunk(uint32_t& offset, const ChunkHeader& header, const uint8_t* body, uint32_t length);

    /// Finds room for a body of `length` bytes, next-fit from where the last search
    /// stopped: an exact fit, or a free chunk large enough to split off a free
    /// remainder of at least one header; else appends at the end of the file. Only a
    /// free chunk that lies wholly inside the file and holds no byte of a chunk the
    /// index lists is taken. The chunk at the returned offset is left as a free header
    /// of the right size for the caller to overwrite.
    int32_t Allocate(uint32_t length, uint32_t& offset);

    /// Squeezes out every free chunk (and every chunk `dropType` names, if not kNoType) that
    /// the index does not list, moving the others down through one buffer and every
    /// index entry with them (an entry that named no kept chunk of the chain names
    /// nothing afterwards). The file is cut behind the last chunk. Nothing happens
    /// when the chain does not run exactly to the end of the file or a chunk the index
    /// lists is not one of its links, so that bytes a walk cannot account for are kept.
    int32_t Compact(ResType dropType);

    /// The next search starts at the first chunk.
    static constexpr int32_t kFromFirstChunk = -1;
    /// Forgets the file entirely (Forget), the search position and the free count too.
    void Reset() {
        Forget();
        nextFit = kFromFirstChunk;
        freeBytes = 0;
    }

    /// Offset of the chunk the last search examined (or of the end after an append);
    /// a value <= 0 starts the next search at the first chunk.
    int32_t nextFit = kFromFirstChunk;
    /// Sum of the sizes of the free chunks.
    uint32_t freeBytes = 0;

private:
    /// Bytes [begin, end) of the chunk at begin, held by `owners` index entries.
    struct Claim {
        uint32_t begin;
        uint32_t end;
        uint32_t owners;
    };

    int32_t guard() { return mGuard ? mGuard() : 0; }
    /// Learns once per opened file which bytes the index holds and where the chain ends.
    int32_t learn();
    Claim* claimAt(uint32_t offset);
    /// Whether the chain from the first chunk leads to the end of a file of this size.
    bool chainWhole(uint32_t fileSize);
    /// Whether [begin, end) overlaps a claim other than `except`.
    bool claimed(uint64_t begin, uint64_t end, const Claim* except = nullptr) const;
    /// Turns the chunk at offset into a free chunk and counts its bytes as free.
    int32_t markFree(uint32_t offset);
    /// One holder of the chunk at offset lets go; the chunk becomes free when no entry
    /// holds it any more and its header lies in no chunk another entry holds.
    int32_t letGo(uint32_t offset);
    void insertClaim(const Claim& claim);
    /// Every index entry other than `self` that names an offset in [begin, end) pointed
    /// into free space or a chunk not its own; now that a chunk is written there, it
    /// names nothing.
    void forgetStaleEntries(uint32_t begin, uint32_t end, const uint32_t* self);

    FileStream& mStream;
    ChunkLayout mLayout;
    std::function<int32_t()> mGuard;
    IndexVisitor mIndex;
    bool mWalkableAppends = false;

    bool mKnown = false;
    std::vector<Claim> mClaims;  ///< ordered by begin
    /// No two claims overlap (as in any undamaged file): overlap tests need no full scan.
    bool mDisjoint = true;
    /// Some entry named an offset that holds no chunk of its type when the file was learnt.
    bool mMayHaveStale = false;
    /// The offsets and types the index names, ordered, for CoversListedChunk.
    std::vector<std::pair<uint32_t, ResType>> mListed;
    bool mListedKnown = false;
    /// Where the chain from the first chunk ends, when it ends at the end of the file
    /// or in a tail too short to hold a chunk header; kNoOffset when it does not.
    uint32_t mChainEnd = kNoOffset;
    bool mChainKnown = false;
};

}  // namespace iff
}  // namespace tambrix
