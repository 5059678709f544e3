#include "iff/ChunkSpace.h"

#include <memory>
#include <new>

#include "fileaccess/FileStream.h"
#include "resfile/ResultCodes.h"

namespace tambrix::iff {

namespace {
/// Compaction moves chunks through one buffer of this size.
constexpr uint32_t kMoveBufferSize = 51200;

uint32_t saturatingSub(uint32_t a, uint32_t b) { return a > b ? a - b : 0; }
}  // namespace

int32_t ChunkSpace::WriteHeader(uint32_t offset, const ChunkHeader& header) {
    int32_t r = guard();
    if (r != rc::kOk) return r;
    return WriteChunkHeader(mStream, offset, mLayout, header);
}

uint32_t ChunkSpace::Walk(const std::function<void(uint32_t, const ChunkHeader&)>& visit) {
    uint32_t pos = kFirstChunkOffset;
    ChunkHeader header;
    while (ReadHeader(pos, header) == rc::kOk && IsWalkableChunk(mLayout, pos, header.size)) {
        visit(pos, header);
        pos += header.size;
    }
    return pos;
}

int32_t ChunkSpace::MarkFree(uint32_t offset) {
    ChunkHeader header;
    int32_t r = ReadHeader(offset, header);
    if (r != rc::kOk) return r;
    header.flags |= kFlagFree;
    header.type = kFreeType;
    freeBytes += header.size;
    return WriteHeader(offset, header);
}

bool ChunkSpace::IsChunkOf(uint32_t offset, ResType type, ChunkHeader& header, int32_t& error) {
    error = ReadHeader(offset, header);
    if (error != rc::kOk) return false;
    return header.type == type && !header.IsFree() && IsWalkableChunk(mLayout, offset, header.size);
}

int32_t ChunkSpace::ReleaseChunk(uint32_t offset, ResType type) {
    if (offset == kNoOffset) return rc::kOk;
    ChunkHeader header;
    int32_t r = rc::kOk;
    if (IsChunkOf(offset, type, header, r)) r = MarkFree(offset);
    return r;
}

int32_t ChunkSpace::WriteChunk(uint32_t& offset, const ChunkHeader& header, const uint8_t* body, uint32_t length) {
    int32_t r = rc::kOk;
    bool needsSpace = offset == kNoOffset;
    if (!needsSpace) {
        ChunkHeader old;
        if (!IsChunkOf(offset, header.type, old, r)) {
            if (r != rc::kOk) return r;
            needsSpace = true;  // the recorded chunk is not this resource's: leave it alone
        } else if (old.size != header.size) {
            r = MarkFree(offset);
            if (r != rc::kOk) return r;
            needsSpace = true;
        }
    }
    if (needsSpace) {
        uint32_t place = 0;
        r = Allocate(length, place);
        if (r != rc::kOk) {
            // Any old chunk is free by now; the resource waits for its next write.
            offset = kNoOffset;
            return r;
        }
        offset = place;
    }
    r = WriteHeader(offset, header);
    if (r != rc::kOk) return r;
    if (length > 0) r = WriteAt(mStream, offset + HeaderBytes(), body, length);
    return r;
}

int32_t ChunkSpace::Allocate(uint32_t length, uint32_t& offset) {
    int32_t r = guard();
    if (r != rc::kOk) return r;
    const uint32_t headerBytes = HeaderBytes();
    const uint32_t need = length + headerBytes;  // callers keep length below the chunk limit
    uint32_t pos = nextFit > 0 ? static_cast<uint32_t>(nextFit) : kFirstChunkOffset;

    ChunkHeader header;
    while (ReadHeader(pos, header) == rc::kOk && IsWalkableChunk(mLayout, pos, header.size)) {
        nextFit = static_cast<int32_t>(pos);
        if (header.IsFree()) {
            // Merge the free chunks that follow, as long as the sum stays a valid chunk.
            uint32_t merged = header.size;
            ChunkHeader next;
            while (ReadHeader(pos + merged, next) == rc::kOk && next.IsFree() &&
                   IsWalkableChunk(mLayout, pos + merged, next.size) &&
                   next.size <= MaxChunkSize(mLayout) - merged) {
                merged += next.size;
            }
            if (merged != header.size) {
                header.size = merged;
                r = WriteHeader(pos, header);
                if (r != rc::kOk) return r;
            }
            if (header.size == need) {
                freeBytes = saturatingSub(freeBytes, need);
                offset = pos;
                return rc::kOk;
            }
            if (header.size >= need && header.size - need >= headerBytes) {
                // Split: the remainder becomes a free chunk of its own. It is written
                // first, so that an interrupted split leaves the old free chunk whole.
                ChunkHeader rest;
                rest.type = kFreeType;
                rest.size = header.size - need;
                rest.flags = kFlagFree;
                r = WriteHeader(pos + need, rest);
                if (r != rc::kOk) return r;
                header.size = need;
                r = WriteHeader(pos, header);
                if (r != rc::kOk) return r;
                freeBytes = saturatingSub(freeBytes, need);
                offset = pos;
                return rc::kOk;
            }
            // Too small: a remainder shorter than a header is never split off.
        }
        pos += header.size;
    }

    // Append at the end of the chain.
    uint32_t fileSize = 0;
    r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    if (need > UINT32_MAX - pos) return rc::kShortWrite;
    nextFit = static_cast<int32_t>(pos);
    ChunkHeader fresh;
    fresh.type = kFreeType;
    fresh.size = need;
    fresh.flags = kFlagFree;
    offset = pos;
    return WriteHeader(pos, fresh);
}

int32_t ChunkSpace::Compact(ResType dropType, const std::function<void(uint32_t, uint32_t)>& moved) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kMoveBufferSize]);
    if (!buffer) return rc::kNoMemory;

    uint32_t fileSize = 0;
    int32_t r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    // A chain that stops short of the end (a damaged header) or runs past it (a cut
    // file) would make us cut off or shift bytes that no walk can account for.
    if (Walk([](uint32_t, const ChunkHeader&) {}) != fileSize) return rc::kOk;

    r = guard();
    if (r != rc::kOk) return r;

    uint32_t shift = 0;
    uint32_t pos = kFirstChunkOffset;
    ChunkHeader header;
    while (ReadHeader(pos, header) == rc::kOk && IsWalkableChunk(mLayout, pos, header.size)) {
        if (header.IsFree() || (dropType != 0 && header.type == dropType)) {
            shift += header.size;
        } else if (shift > 0) {
            for (uint32_t done = 0; done < header.size;) {
                uint32_t n = header.size - done < kMoveBufferSize ? header.size - done : kMoveBufferSize;
                r = ReadAt(mStream, pos + done, buffer.get(), n);
                if (r != rc::kOk) return r;
                r = WriteAt(mStream, pos - shift + done, buffer.get(), n);
                if (r != rc::kOk) return r;
                done += n;
            }
            if (moved) moved(pos, pos - shift);
        }
        pos += header.size;
    }
    r = mStream.SetSize(pos - shift);
    if (r != rc::kOk) return r;
    nextFit = -1;
    freeBytes = 0;
    return rc::kOk;
}

}  // namespace tambrix::iff
