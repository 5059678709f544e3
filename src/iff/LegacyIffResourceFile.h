#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fileaccess/FileStream.h"
#include "iff/ChunkSpace.h"
#include "iff/LabelTable.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

/// A resource file over a version 1.0 IFF container: 16-byte chunk headers, labels in
/// a "NAME" label table, no map. The index is two lists, the main list and an
/// internal list for internal resources (the label table); new groups and entries go
/// to the front, so each list runs in reverse order of discovery or addition.
class LegacyIffResourceFile : public ResourceFile {
public:
    LegacyIffResourceFile();
    ~LegacyIffResourceFile() override;

    int32_t Create(const TextBuffer& name) override;
    int32_t Delete(const TextBuffer& name) override;
    int32_t Open(const TextBuffer& name) override;
    /// Not supported: -50.
    int32_t Suspend() override;
    /// Not supported: -50.
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
    /// Always 0; -98 when no resource holds the block.
    uint8_t GetResAttrs(DataBlock* block) override;
    void UniqueName(ResType type, TextBuffer& label) override;
    ResId UniqueID(ResType type) override;
    int32_t DetachResource(DataBlock* block) override;
    int32_t ReservedOp(DataBlock* block) override;
    bool IsLibraryOrder(DataBlock* block) override;
    int32_t SetResID(DataBlock* block, ResId id) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    /// A non-zero attribute answers -91.
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

    /// Squeezes the free chunks out of the file. Runs on its own at Close when much
    /// space is free.
    int32_t Compact();

    uint32_t FreeBytes() const { return mSpace.freeBytes; }

private:
    struct Entry {
        uint16_t id = 0;
        uint16_t flags = 0;
        uint32_t offset = iff::kNoOffset;
        uint32_t labelNumber = iff::kNoLabelNumber;
        DataBlock* data = nullptr;
    };
    struct TypeGroup {
        ResType type = 0;
        std::vector<Entry> entries;  ///< front first
    };
    using List = std::vector<TypeGroup>;  ///< front first
    struct Found {
        TypeGroup* group = nullptr;
        Entry* entry = nullptr;
    };

    List& current() { return mInternalMode ? mInternal : mMain; }
    bool beginOp();
    bool beginChange();
    static TypeGroup* findGroup(List& list, ResType type);
    Entry* findById(ResType type, ResId id);
    Found findByBlock(const DataBlock* block);
    std::string_view labelOf(const Entry& entry) const;
    DataBlock* load(ResType type, Entry* entry, ConversionRoutine convert);
    int32_t loadBody(ResType type, Entry& entry, ConversionRoutine convert);
    void readLabelTable();
    int32_t writeLabelTable();
    void releaseLists();
    int32_t finish(int32_t code);

    FileStream mStream;
    List mMain;
    List mInternal;
    iff::ChunkSpace mSpace;
    std::unique_ptr<LabelTable> mLabels;
    bool mInternalMode = false;
};

}  // namespace tambrix
