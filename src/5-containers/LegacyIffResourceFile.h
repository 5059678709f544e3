#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "containers/IffFileBase.h"
#include "containers/LabelTable.h"

namespace tambrix {

/// A resource file over a version 1.0 IFF container: 16-byte chunk headers, labels in
/// a "NAME" label table, no map. The index is two lists, the main list and an
/// internal list for internal resources (the label table); new groups and entries go
/// to the front, so each list runs in reverse order of discovery or addition. Resources
/// carry no attributes: GetResAttrs answers 0 (-98 when no resource holds the block).
/// A file that is never changed is never written, even when opened read-write: a file
/// without a label table gets one with its first change.
class LegacyIffResourceFile : public IffFileBase {
public:
    LegacyIffResourceFile();
    ~LegacyIffResourceFile() override;

    int32_t Create(const TextBuffer& name) override;
    int32_t Open(const TextBuffer& name) override;
    /// Not supported: -50.
    int32_t Suspend() override;
    /// Not supported: -50.
    int32_t Resume() override;
    int32_t Close() override;
    int32_t Update() override;
    int16_t CountTypes() override;
    ResType GetIndType(int16_t index) override;
    int16_t CountResources(ResType type) override;
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override;
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override;
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    /// A non-zero attribute answers -91.
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

    /// Squeezes the free chunks out of the file. Runs on its own at Close when much
    /// space is free.
    int32_t Compact();

private:
    struct Entry {
        uint16_t id = 0;
        uint16_t flags = 0;      ///< as next written
        uint16_t fileFlags = 0;  ///< as the chunk at `offset` holds them
        uint32_t offset = iff::kNoOffset;
        uint32_t labelNumber = iff::kNoLabelNumber;
        DataBlock* data = nullptr;
        bool pending = false;  ///< `data` was added and awaits writing
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

    bool describe(const DataBlock* block, EntryFacts& facts) override;
    int32_t detachBody(const DataBlock* block) override;
    bool labelTaken(ResType type, std::string_view label) override;
    std::vector<int32_t> idsOf(ResType type) override;
    bool hasIndex() const override;

    List& current() { return mInternalMode ? mInternal : mMain; }
    static TypeGroup* findGroup(List& list, ResType type);
    Entry* findById(ResType type, ResId id);
    Found findByBlock(const DataBlock* block);
    std::string_view labelOf(const Entry& entry) const;
    /// Whether an entry other than `self` carries the label number.
    bool labelNumberShared(uint32_t number, const Entry* self) const;
    /// A label number that neither the table nor any chunk uses; false when none is left.
    bool newLabelNumber(uint32_t& number) const;
    DataBlock* load(ResType type, Entry* entry, ConversionRoutine convert);
    void readLabelTable();
    int32_t writeLabelTable();
    void releaseLists();

    List mMain;
    List mInternal;
    std::unique_ptr<LabelTable> mLabels;
    bool mInternalMode = false;
    /// Something was changed since the file was opened: only then is it written, be it
    /// a missing label table or a compaction.
    bool mChanged = false;
};

}  // namespace tambrix
