#pragma once

#include <cstdint>
#include <string_view>

#include "containers/ChunkSpace.h"
#include "containers/ResourceMap.h"
#include "fileaccess/FileStream.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

/// What both IFF container generations do alike: the stream and its chunk space, the
/// index of the resources and every operation on it. A generation supplies its file
/// header, how it reads its index on open and writes it back on close (a resource map,
/// or a label table), and, for version 1.0, labels kept as numbers into a label table.
///
/// The generations also differ in a few rules the operations follow: version 2 has an
/// attribute byte, flushes the stream after each change, and compacts its old maps away
/// with the free chunks; version 1.0 keeps its index as lists (ResourceIndex::lists) with
/// a second list for internal resources.
class IffFileBase : public ResourceFile {
public:
    ~IffFileBase() override;

    int32_t Create(const TextBuffer& name) override;
    int32_t Delete(const TextBuffer& name) override;
    int32_t Open(const TextBuffer& name) override;
    int32_t Close() override;
    int32_t Update() override;
    bool IsWritable() override;
    int32_t GetPath(TextBuffer& name) override;
    bool IsOpen() override;
    int16_t CountTypes() override;
    ResType GetIndType(int16_t index) override;
    int16_t CountResources(ResType type) override;
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override;
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override;
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override;
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
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    /// Version 1.0 has no attribute byte: a non-zero attribute answers kAttrUnsupported.
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

    /// Squeezes the free chunks (and old maps) out of the file, moving the other chunks
    /// down. Runs on its own at Close when a changed file has much space free.
    int32_t Compact();
    /// Sum of the sizes of the file's free chunks.
    uint32_t FreeBytes() const { return mSpace.freeBytes; }

protected:
    /// A changed file is compacted on close when at least this many bytes are free.
    static constexpr uint32_t kCompactThreshold = 10240;

    explicit IffFileBase(iff::ChunkLayout layout);

    /// Writes the header of a new, empty file.
    virtual int32_t writeNewHeader(FileStream& stream) = 0;
    /// Checks the header of the file just opened.
    virtual int32_t readHeader() = 0;
    /// Fills the index of the file just opened (its header checked); nothing fails here.
    virtual void readIndex() = 0;
    /// On close, while the index still names its chunks: writes what the file owes.
    virtual int32_t writeBack() = 0;
    /// Forgets what the generation learnt of the file on top of the index.
    virtual void forgetFile() {}

    // Labels: version 2 keeps each label in its entry; version 1.0 keeps a number there.
    virtual std::string_view labelOf(const ResourceEntry& entry) const { return entry.label.View(); }
    /// The resource of the type carrying the label (compared ignoring case); null when none.
    virtual ResourceEntry* findByLabel(ResType type, std::string_view label);
    /// Gives the entry about to be added its label; a failure leaves the file unchanged.
    virtual int32_t labelNew(ResourceEntry& entry, std::string_view label);
    /// Gives an entry a new label (already cut to the longest a label can be); sets
    /// `changed` when it differs. A failure leaves the entry unchanged.
    virtual int32_t relabel(ResourceEntry& entry, std::string_view label, bool& changed);
    /// The entry is about to leave the index.
    virtual void labelGone(const ResourceEntry& /*entry*/) {}
    /// The index changed in a way a chunk write may not show (version 1.0 counts it as a
    /// change that its label table may owe a write to; version 2 writes its map only
    /// behind a written chunk).
    virtual void indexChanged() {}

    int32_t finish(int32_t code);
    /// Clears the error; false, with the not-open code, when the file or its index is not open.
    bool beginOp();
    /// beginOp, and false with the not-writable code when the file is read-only.
    bool beginChange();

    bool legacy() const { return mSpace.Layout() == iff::ChunkLayout::kLegacy; }
    uint8_t attributeOf(const ResourceEntry& entry) const { return legacy() ? 0 : entry.Attribute(); }

    struct Found {
        ResourceIndex* index = nullptr;
        ResourceTypeGroup* group = nullptr;
        ResourceEntry* entry = nullptr;
    };
    /// The entry holding the block, searched in the current index and then in the other
    /// list; nothing for a null block (it would match every entry whose body is not loaded).
    Found findByBlock(const DataBlock* block);
    /// findByBlock, setting the error `missing` when no entry holds the block.
    Found holderOf(const DataBlock* block, int32_t missing);
    /// With a non-zero attribute the first entry carrying it, else the first with
    /// attribute 0.
    ResourceEntry* findById(ResType type, int32_t id, uint8_t attribute);
    /// The body of an entry a lookup found, loaded on first use; null with
    /// kNoSuchResource when the lookup found nothing, or with the load's code.
    DataBlock* load(ResType type, ResourceEntry* entry, ConversionRoutine convert);
    /// Reads the body of the chunk at `offset` into `data` unless it is there already.
    /// The chunk header must carry `type` and a body the file can hold without running
    /// over another chunk the index lists; nothing is allocated before that is known. A
    /// conversion runs when `fileFlags` do not say library order, and marks `flags` so.
    int32_t loadBody(ResType type, uint32_t offset, uint16_t fileFlags, uint16_t& flags, DataBlock*& data,
                     ConversionRoutine convert);
    int32_t addResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t attribute,
                        bool libraryOrder);
    /// Indexes the chunks a walk from the first one finds; free chunks count as free bytes.
    void walk();
    /// Writes every body that awaits writing, current index then the other list, each
    /// from the last group and entry to the first, and flushes when all went well. The
    /// result is `first` when that is a failure already, else the first failure.
    int32_t writeUnwritten(int32_t first);
    bool anyAwaitingWrite() const;
    /// Compacts a changed file with at least kCompactThreshold bytes free.
    int32_t compactIfWorthIt();

    FileStream mStream;
    iff::ChunkSpace mSpace;
    /// The index every lookup works in.
    ResourceIndex mIndex;
    /// Version 1.0: the internal list (the label table), exchanged with mIndex while
    /// the label table is read or written; empty in version 2.
    ResourceIndex mOtherList;
    /// The index was read: the file is open.
    bool mIndexed = false;
    /// Something was written since the file was opened, or (version 1.0) changed.
    bool mChanged = false;

private:
    /// Version 2 flushes the stream after each change; its error comes behind `code`.
    int32_t settle(int32_t code);
};

}  // namespace tambrix
