#include "containers/ChunkSpace.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

#include "core/ResultCodes.h"
#include "fileaccess/FileStream.h"

namespace tambrix::iff {

namespace {
/// Compaction moves chunks through one buffer of this size.
constexpr uint32_t kMoveBufferSize = 51200;

uint32_t saturatingSub(uint32_t a, uint32_t b) { return a > b ? a - b : 0; }

/// The first element at or after `offset` in a sequence ordered by offset.
template <class Sequence, class Offset>
auto firstAtOrAfter(Sequence& sequence, uint32_t offset, Offset of) {
    return std::lower_bound(sequence.begin(), sequence.end(), offset,
                            [&of](const auto& element, uint32_t value) { return of(element) < value; });
}
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

// ---- what the index holds ----------------------------------------------------------

int32_t ChunkSpace::learn() {
    if (mKnown) return rc::kOk;
    uint32_t fileSize = 0;
    int32_t r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;

    // A chunk belongs to the entries that list it under its own type; a cut chunk
    // holds only the bytes the file has.
    std::vector<Claim> claims;
    bool stale = false;
    if (mIndex) {
        mIndex([&](uint32_t& offset, ResType type) {
            ChunkHeader header;
            if (r != rc::kOk || offset == kNoOffset) return;
            int32_t read = ReadHeader(offset, header);
            if (read != rc::kOk && read != rc::kShortRead) r = read;  // a short read: no chunk there
            stale = stale || read != rc::kOk || header.type != type;
            if (read != rc::kOk || header.type != type) return;
            const uint64_t end = std::min<uint64_t>(uint64_t{offset} + std::max(header.size, HeaderBytes()), fileSize);
            claims.push_back({offset, static_cast<uint32_t>(end), 1});
        });
    }
    if (r != rc::kOk) return r;
    std::sort(claims.begin(), claims.end(), [](const Claim& a, const Claim& b) { return a.begin < b.begin; });
    mClaims.clear();
    mDisjoint = true;
    for (const Claim& claim : claims) {
        if (!mClaims.empty() && mClaims.back().begin == claim.begin) {
            ++mClaims.back().owners;
            continue;
        }
        mDisjoint = mDisjoint && (mClaims.empty() || mClaims.back().end <= claim.begin);
        mClaims.push_back(claim);
    }
    mMayHaveStale = stale;
    mChainKnown = false;
    mKnown = true;
    return rc::kOk;
}

ChunkSpace::Claim* ChunkSpace::claimAt(uint32_t offset) {
    auto it = firstAtOrAfter(mClaims, offset, [](const Claim& c) { return c.begin; });
    return it != mClaims.end() && it->begin == offset ? &*it : nullptr;
}

void ChunkSpace::insertClaim(const Claim& claim) {
    auto it = mClaims.insert(firstAtOrAfter(mClaims, claim.begin, [](const Claim& c) { return c.begin; }), claim);
    mDisjoint = mDisjoint && (it == mClaims.begin() || std::prev(it)->end <= it->begin) &&
                (std::next(it) == mClaims.end() || it->end <= std::next(it)->begin);
}

bool ChunkSpace::chainWhole(uint32_t fileSize) {
    if (!mChainKnown) {
        // Walked when first needed; until then the space only rewrote chunks of the
        // chain or split and merged free ones, which keeps it as it was.
        // A tail too short for a chunk header holds no chunk: the chain still ends there.
        const uint32_t end = Walk([](uint32_t, const ChunkHeader&) {});
        mChainEnd = kNoOffset;
        if (end <= fileSize && fileSize - end < HeaderBytes() && !claimed(end, fileSize)) mChainEnd = end;
        mChainKnown = true;
    }
    return mChainEnd != kNoOffset && mChainEnd <= fileSize && fileSize - mChainEnd < HeaderBytes();
}

bool ChunkSpace::claimed(uint64_t begin, uint64_t end, const Claim* except) const {
    if (mDisjoint) {
        // Claims one after another: only those just before `end` can reach into the span.
        auto it = end > UINT32_MAX
                      ? mClaims.end()
                      : firstAtOrAfter(mClaims, static_cast<uint32_t>(end), [](const Claim& c) { return c.begin; });
        while (it != mClaims.begin()) {
            --it;
            if (it->end <= begin) return false;
            if (&*it != except) return true;
        }
        return false;
    }
    // Claims of a damaged file may overlap one another, so every one is looked at.
    for (const Claim& c : mClaims)
        if (&c != except && c.begin < end && begin < c.end) return true;
    return false;
}

void ChunkSpace::forgetStaleEntries(uint32_t begin, uint32_t end, const uint32_t* self) {
    // Entries only name what is not theirs when the file came that way: the space
    // never frees a chunk an entry still names.
    if (!mIndex || !mMayHaveStale) return;
    mListedKnown = false;
    mIndex([&](uint32_t& offset, ResType) {
        if (&offset != self && offset != kNoOffset && offset >= begin && offset < end) offset = kNoOffset;
    });
}

// ---- freeing ---------------------------------------------------------------------

int32_t ChunkSpace::markFree(uint32_t offset) {
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
    return header.type == type && IsWalkableChunk(mLayout, offset, header.size);
}

bool ChunkSpace::CoversListedChunk(uint32_t offset, uint64_t end) {
    if (!mIndex) return false;
    if (!mListedKnown) {
        // The offsets the index names, sorted; kept until the space moves an entry.
        mListed.clear();
        mIndex([&](uint32_t& other, ResType type) {
            if (other != kNoOffset) mListed.emplace_back(other, type);
        });
        std::sort(mListed.begin(), mListed.end());
        mListedKnown = true;
    }
    auto it = firstAtOrAfter(mListed, offset + 1, [](const std::pair<uint32_t, ResType>& l) { return l.first; });
    for (; it != mListed.end() && it->first < end; ++it) {
        ChunkHeader header;
        if (ReadHeader(it->first, header) == rc::kOk && header.type == it->second) return true;
    }
    return false;
}

int32_t ChunkSpace::letGo(uint32_t offset) {
    if (Claim* mine = claimAt(offset)) {
        if (--mine->owners > 0) return rc::kOk;  // another entry lists the same chunk
        mClaims.erase(mClaims.begin() + (mine - mClaims.data()));
    }
    if (claimed(offset, uint64_t{offset} + HeaderBytes())) return rc::kOk;  // its header lies in another's chunk
    return markFree(offset);
}

int32_t ChunkSpace::ReleaseChunk(uint32_t offset, ResType type) {
    if (offset == kNoOffset) return rc::kOk;
    int32_t r = learn();
    if (r != rc::kOk) return r;
    ChunkHeader header;
    if (!IsChunkOf(offset, type, header, r)) return r;
    return letGo(offset);
}

// ---- writing ---------------------------------------------------------------------

int32_t ChunkSpace::WriteChunk(uint32_t& offset, const ChunkHeader& header, const uint8_t* body, uint32_t length) {
    int32_t r = learn();
    if (r != rc::kOk) return r;
    const uint32_t oldOffset = offset;
    bool oldIsOurs = false;
    if (offset != kNoOffset) {
        ChunkHeader old;
        if (IsChunkOf(offset, header.type, old, r)) {
            Claim* mine = claimAt(offset);
            const bool alone = !mine || mine->owners == 1;
            if (alone && old.size == header.size && !claimed(offset, uint64_t{offset} + header.size, mine)) {
                r = WriteHeader(offset, header);
                if (r == rc::kOk && length > 0) r = WriteAt(mStream, offset + HeaderBytes(), body, length);
                if (Claim* again = claimAt(offset); again && again->end < offset + header.size) {
                    again->end = offset + header.size;  // a cut chunk is whole again
                    mDisjoint =
                        mDisjoint && (again + 1 == mClaims.data() + mClaims.size() || again->end <= again[1].begin);
                }
                forgetStaleEntries(offset, offset + header.size, &offset);
                return r;
            }
            oldIsOurs = true;
        } else if (r != rc::kOk) {
            return r;
        }
    }
    // The old chunk is let go only once the new one is written, so that a refused or
    // failed write (no room behind a broken chain, a full disk) leaves the resource as
    // the file held it; the new chunk therefore never takes the old one's own span.
    offset = kNoOffset;  // the recorded chunk is not ours any more (or never was)

    uint32_t place = 0;
    r = Allocate(length, place);
    if (r != rc::kOk) {
        if (oldIsOurs) offset = oldOffset;
        return r;
    }
    offset = place;
    mListedKnown = false;
    forgetStaleEntries(place, place + header.size, &offset);
    insertClaim(Claim{place, place + header.size, 1});
    // Body first: until its header is written the span is the free chunk Allocate left,
    // so a write cut short leaves no half chunk that a walk would list (a version 1.0
    // list would find it before the old version).
    if (length > 0) r = WriteAt(mStream, place + HeaderBytes(), body, length);
    if (r == rc::kOk) r = WriteHeader(place, header);
    if (r != rc::kOk) {
        if (oldIsOurs) offset = oldOffset;  // the whole old chunk beats a part of the new one
        return r;
    }
    return oldIsOurs ? letGo(oldOffset) : rc::kOk;
}

int32_t ChunkSpace::Allocate(uint32_t length, uint32_t& offset) {
    int32_t r = learn();
    if (r != rc::kOk) return r;
    r = guard();
    if (r != rc::kOk) return r;
    uint32_t fileSize = 0;
    r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    const uint32_t headerBytes = HeaderBytes();
    const uint32_t need = length + headerBytes;  // callers keep length below the chunk limit
    // Free space is a free chunk that lies wholly inside the file and holds no byte of
    // a chunk the index lists (a listed chunk with the free flag is still a resource).
    auto isFreeSpace = [&](uint32_t pos, const ChunkHeader& h) {
        return h.IsFree() && uint64_t{pos} + h.size <= fileSize && !claimed(pos, uint64_t{pos} + h.size);
    };
    uint32_t pos = nextFit > 0 ? static_cast<uint32_t>(nextFit) : kFirstChunkOffset;

    ChunkHeader header;
    while (ReadHeader(pos, header) == rc::kOk && IsWalkableChunk(mLayout, pos, header.size)) {
        nextFit = static_cast<int32_t>(pos);
        if (isFreeSpace(pos, header)) {
            // Merge the free chunks that follow, as long as the sum stays a valid chunk.
            uint32_t merged = header.size;
            ChunkHeader next;
            while (ReadHeader(pos + merged, next) == rc::kOk && IsWalkableChunk(mLayout, pos + merged, next.size) &&
                   next.size <= MaxChunkSize(mLayout) - merged && isFreeSpace(pos + merged, next)) {
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

    // Append at the end of the file, never beyond it: where the chain stops short of
    // the end (a damaged header) or runs past it (a cut file), the bytes in between
    // may still hold listed chunks, and a size field must not make the file grow.
    const bool whole = chainWhole(fileSize);
    // Without a map the next open finds chunks only by walking, and a chunk behind a
    // broken chain would be lost without a word.
    if (!whole && mWalkableAppends) return rc::kChunkMismatch;
    const uint32_t at = whole ? mChainEnd : fileSize;
    if (need > UINT32_MAX - at) return rc::kShortWrite;
    nextFit = static_cast<int32_t>(at);
    mChainEnd = whole ? at + need : kNoOffset;
    ChunkHeader fresh;
    fresh.type = kFreeType;
    fresh.size = need;
    fresh.flags = kFlagFree;
    offset = at;
    return WriteHeader(at, fresh);
}

// ---- compaction --------------------------------------------------------------------

int32_t ChunkSpace::Compact(ResType dropType) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kMoveBufferSize]);
    if (!buffer) return rc::kNoMemory;
    int32_t r = learn();
    if (r != rc::kOk) return r;
    uint32_t fileSize = 0;
    r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;

    struct Link {
        uint32_t offset;
        uint32_t size;
        bool squeeze;
    };
    std::vector<Link> chain;
    const uint32_t end = Walk([&](uint32_t offset, const ChunkHeader& header) {
        chain.push_back({offset, header.size, header.IsFree() || (dropType != kNoType && header.type == dropType)});
    });
    // A chain that stops short of the end (a damaged header) or runs past it (a cut
    // file) would make us cut off or shift bytes that no walk can account for; so
    // would a listed chunk that is not a link of the chain.
    if (end != fileSize) return rc::kOk;
    for (const Claim& claim : mClaims) {
        auto link = firstAtOrAfter(chain, claim.begin, [](const Link& l) { return l.offset; });
        if (link == chain.end() || link->offset != claim.begin || link->offset + link->size != claim.end)
            return rc::kOk;
        link->squeeze = false;  // listed: a resource, whatever its flags say
    }

    r = guard();
    if (r != rc::kOk) return r;
    Forget();

    // Where each link went (kNoOffset: squeezed out), in chain order.
    std::vector<std::pair<uint32_t, uint32_t>> moves;
    moves.reserve(chain.size());
    uint32_t shift = 0;
    for (const Link& link : chain) {
        if (link.squeeze) {
            shift += link.size;
            moves.emplace_back(link.offset, kNoOffset);
            continue;
        }
        for (uint32_t done = 0; shift > 0 && done < link.size && r == rc::kOk;) {
            uint32_t n = std::min(link.size - done, kMoveBufferSize);
            r = ReadAt(mStream, link.offset + done, buffer.get(), n);
            if (r == rc::kOk) r = WriteAt(mStream, link.offset - shift + done, buffer.get(), n);
            done += n;
        }
        if (r != rc::kOk) break;
        moves.emplace_back(link.offset, link.offset - shift);
    }
    if (r == rc::kOk) r = mStream.SetSize(end - shift);

    // Every entry follows its chunk, however many name it. After a full run an entry
    // that named no link names nothing; after a failed one, unmoved entries stay.
    const bool whole = r == rc::kOk;
    if (mIndex) {
        mIndex([&](uint32_t& offset, ResType) {
            if (offset == kNoOffset) return;
            auto it = firstAtOrAfter(moves, offset, [](const std::pair<uint32_t, uint32_t>& m) { return m.first; });
            if (it != moves.end() && it->first == offset)
                offset = it->second;
            else if (whole)
                offset = kNoOffset;
        });
    }
    if (!whole) return r;
    nextFit = kFromFirstChunk;
    freeBytes = 0;
    return rc::kOk;
}

}  // namespace tambrix::iff
