#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "fileaccess/FileStream.h"
#include "containers/ChunkSpace.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

/// What both IFF container generations do alike: the stream and its chunk space, the
/// open/writable checks every operation starts with, loading a chunk body, and the
/// operations that only look a resource up and answer from it. Each generation keeps
/// its own index (a map-backed index, or two lists with a label table) and answers the
/// few questions below about it.
class IffFileBase : public ResourceFile {
public:
    int32_t Delete(const TextBuffer& name) override;
    bool IsWritable() override;
    int32_t GetPath(TextBuffer& name) override;
    bool IsOpen() override;
    void GetResName(DataBlock* block, TextBuffer& label) override;
    ResType GetResType(DataBlock* block) override;
    int32_t GetResID(DataBlock* block, uint16_t& id) override;
    int32_t GetResAux(DataBlock* block, uint16_t& aux) override;
    uint8_t GetResAttrs(DataBlock* block) override;
    void UniqueName(ResType type, TextBuffer& label) override;
    ResId UniqueID(ResType type) override;
    /// Writes a resource whose body awaits writing, then hands its block to the caller.
    /// When that write fails the block stays the file's (the error says so).
    int32_t DetachResource(DataBlock* block) override;
    int32_t ReservedOp(DataBlock* block) override;
    bool IsLibraryOrder(DataBlock* block) override;
    int32_t SetResID(DataBlock* block, ResId id) override;

    /// Sum of the sizes of the file's free chunks.
    uint32_t FreeBytes() const { return mSpace.freeBytes; }

protected:
    /// A changed file is compacted on close when at least this many bytes are free.
    static constexpr uint32_t kCompactThreshold = 10240;

    explicit IffFileBase(iff::ChunkLayout layout) : mSpace(mStream, layout) {}

    /// What the shared operations need to know of the resource holding a block.
    struct EntryFacts {
        ResType type = 0;
        uint32_t offset = iff::kNoOffset;
        uint16_t id = 0;
        uint16_t flags = 0;
        uint8_t attribute = 0;
        std::string_view label;
        bool awaitsWrite = false;
    };
    /// False when no resource holds the block (or the block is null).
    virtual bool describe(const DataBlock* block, EntryFacts& facts) = 0;
    /// Forgets the block of the resource holding it (the caller owns it from now on) and
    /// returns the resource's flags to what the file holds. Never called while the body
    /// awaits writing.
    virtual int32_t detachBody(const DataBlock* block) = 0;
    /// Whether a resource of the type already carries the label (compared ignoring case).
    virtual bool labelTaken(ResType type, std::string_view label) = 0;
    /// The IDs of the type's resources, sign-extended from 16 bits.
    virtual std::vector<int32_t> idsOf(ResType type) = 0;
    /// Whether the index is in memory (the file is open and was read).
    virtual bool hasIndex() const = 0;

    int32_t finish(int32_t code);
    /// Clears the error; false, with the not-open code, when the file or its index is not open.
    bool beginOp();
    /// beginOp, and false with the not-writable code when the file is read-only.
    bool beginChange();

    /// Reads the body of the chunk at `offset` into `data` unless it is there already.
    /// The chunk header must carry `type` and a body the file can hold without running
    /// over another chunk the index lists; nothing is allocated before that is known. A conversion runs when `storedFlags` does not
    /// say library order, and marks `flags` so.
    int32_t loadBody(ResType type, uint32_t offset, uint16_t storedFlags, uint16_t& flags, DataBlock*& data,
                     ConversionRoutine convert);

    /// The body of an entry a lookup found, loaded on first use; null with -98 when the
    /// lookup found nothing, or with the load's code. `storedFlags` names the entry's
    /// field that says how the file holds the body.
    template <class Entry>
    DataBlock* loadEntry(ResType type, Entry* entry, uint16_t Entry::*storedFlags, ConversionRoutine convert) {
        if (!entry) {
            SetError(rc::kNoSuchResource);
            return nullptr;
        }
        int32_t r = loadBody(type, entry->offset, entry->*storedFlags, entry->flags, entry->data, convert);
        if (r != rc::kOk) {
            SetError(r);
            return nullptr;
        }
        return entry->data;
    }

    /// Writes every resource whose body awaits writing, last group and last entry
    /// first; the first failure is kept in `first`. Writing never reshapes the
    /// index, so the positions stay good while it runs.
    template <class Groups>
    void writeUnwritten(Groups& groups, int32_t& first) {
        for (auto g = groups.size(); g-- > 0;) {
            for (auto e = groups[g].entries.size(); e-- > 0;) {
                auto& entry = groups[g].entries[e];
                if (!awaitsWrite(entry)) continue;
                int32_t r = WriteResource(entry.data);
                if (first == rc::kOk) first = r;
            }
        }
    }

    static int16_t clampCount(size_t n);

    /// Whether an entry's body was added and is not in the file yet: a new resource, or
    /// a replacement whose entry still names the chunk of the version it replaces (that
    /// chunk stays until the new one is written, so a failed write loses nothing).
    template <class Entry>
    static bool awaitsWrite(const Entry& entry) {
        return entry.data && (entry.pending || entry.offset == iff::kNoOffset);
    }

    FileStream mStream;
    iff::ChunkSpace mSpace;
};

}  // namespace tambrix
