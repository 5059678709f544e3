#pragma once

#include <cstdint>
#include <functional>

#include "iff/IffFormat.h"

namespace tambrix {

class FileStream;

namespace iff {

/// The chain of chunks behind the file header as space to be handed out: walking it,
/// freeing chunks, next-fit allocation with merging and splitting, and compaction.
/// Both container generations use it; they differ only in the header layout and in
/// what must happen before the first header is written (the write guard).
class ChunkSpace {
public:
    ChunkSpace(FileStream& stream, ChunkLayout layout) : mStream(stream), mLayout(layout) {}

    /// Called before every header write and allocation; a non-zero code stops it.
    void SetWriteGuard(std::function<int32_t()> guard) { mGuard = std::move(guard); }

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

    /// Turns the chunk at offset into a free chunk and counts its bytes as free.
    int32_t MarkFree(uint32_t offset);

    /// Whether the chunk at offset is a live chunk of `type`: a damaged map may point
    /// at another chunk or into a body, and such a chunk is not ours to free or rewrite.
    /// A failed read is reported through `error`.
    bool IsChunkOf(uint32_t offset, ResType type, ChunkHeader& header, int32_t& error);

    /// Frees the chunk at offset if it is a live chunk of `type`; anything else is left.
    int32_t ReleaseChunk(uint32_t offset, ResType type);

    /// Writes a chunk (header, then body). A chunk of the same size at `offset` is
    /// rewritten in place; otherwise the old one is freed and room is found anew, and
    /// `offset` receives the new place (kNoOffset when no room could be had).
    int32_t WriteChunk(uint32_t& offset, const ChunkHeader& header, const uint8_t* body, uint32_t length);

    /// Finds room for a body of `length` bytes, next-fit from where the last search
    /// stopped: an exact fit, or a free chunk large enough to split off a free
    /// remainder of at least one header; else appends at the end of the chain. The
    /// chunk at the returned offset is left as a free header of the right size for the
    /// caller to overwrite.
    int32_t Allocate(uint32_t length, uint32_t& offset);

    /// Squeezes out every free chunk (and every chunk `dropType` names, 0 for none),
    /// moving the others down through one buffer; moved(from, to) reports each move.
    /// The file is cut behind the last chunk. Nothing happens when the chain does not
    /// run exactly to the end of the file, so that bytes a walk cannot reach are kept.
    int32_t Compact(ResType dropType, const std::function<void(uint32_t, uint32_t)>& moved);

    /// Offset of the chunk the last search examined (or of the end after an append);
    /// a value <= 0 starts the next search at the first chunk.
    int32_t nextFit = -1;
    /// Sum of the sizes of the free chunks.
    uint32_t freeBytes = 0;

private:
    int32_t guard() { return mGuard ? mGuard() : 0; }

    FileStream& mStream;
    ChunkLayout mLayout;
    std::function<int32_t()> mGuard;
};

}  // namespace iff
}  // namespace tambrix
