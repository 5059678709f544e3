#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix::test {

/// A small resource file in memory, for tests that need one before (or without) a real
/// container. Constructed open and writable under the name "memory". Types are listed in
/// the order of their first resource; resources of a type in the order they were added.
///
/// Each resource has its stored bytes (what a container keeps on disk) and at most one
/// loaded block that the file owns until DetachResource. AddResource stores a copy of the
/// block's bytes; WriteResource stores them again; GetResource loads a fresh block from
/// the stored bytes, applying the conversion routine to a body not in library order.
class MemoryResourceFile : public ResourceFile {
public:
    MemoryResourceFile();
    ~MemoryResourceFile() override;

    // --- Test controls ---
    /// Adds a stored resource without loading it.
    void Put(ResType type, ResId id, const std::vector<uint8_t>& bytes, const std::string& label = "",
             bool libraryOrder = true);
    /// The stored bytes of a resource, or null.
    const std::vector<uint8_t>* Stored(ResType type, ResId id) const;
    /// Blocks the file holds right now (handed out and not detached).
    int LoadedBlocks() const;

    /// A non-zero code makes every call of that operation fail with it (until set back to 0).
    int32_t failAdd = 0;
    int32_t failWrite = 0;
    int32_t failGet = 0;
    int32_t failDetach = 0;
    /// Refuses changes with -45, as a file opened read-only.
    bool readOnly = false;

    // --- ResourceFile ---
    int32_t Create(const TextBuffer& name) override;
    int32_t Delete(const TextBuffer& name) override;
    int32_t Open(const TextBuffer& name) override;
    int32_t Suspend() override;
    int32_t Resume() override;
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
    void UniqueName(ResType type, TextBuffer& label) override;
    ResId UniqueID(ResType type) override;
    int32_t DetachResource(DataBlock* block) override;
    int32_t ReservedOp(DataBlock* block) override;
    bool IsLibraryOrder(DataBlock* block) override;
    int32_t SetResID(DataBlock* block, ResId id) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

private:
    struct Entry {
        ResType type = 0;
        ResId id = 0;
        std::string label;
        std::vector<uint8_t> stored;
        bool libraryOrder = true;
        DataBlock* loaded = nullptr;
    };

    /// Sets the last error to 0, or to -49 (answering false) when the file is closed.
    bool begin();
    int32_t fail(int32_t code);
    Entry* byBlock(DataBlock* block);
    Entry* byTypeAndIndex(ResType type, int16_t index);
    DataBlock* load(Entry& entry, ConversionRoutine convert);
    void freeLoaded();

    std::vector<Entry> mEntries;
    std::vector<ResType> mTypes;
    std::string mName = "memory";
    std::string mSuspendedName;
    bool mOpen = true;
};

}  // namespace tambrix::test
