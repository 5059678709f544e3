#pragma once

#include <cstdint>

#include "containers/IffFileBase.h"
#include "containers/LabelTable.h"

namespace tambrix {

/// A resource file over a version 1.0 IFF container: 16-byte chunk headers, labels in
/// a "NAME" label table, no map. The index is two lists, the main list and an
/// internal list for internal resources (the label table); new groups and entries go
/// to the front, so each list runs in reverse order of discovery or addition. Resources
/// carry no attributes: GetResAttrs answers 0 (kNoSuchResource when no resource holds
/// the block). A file that is never changed is never written, even when opened
/// read-write: a file without a label table gets one with its first change.
class LegacyIffResourceFile : public IffFileBase {
public:
    LegacyIffResourceFile();
    ~LegacyIffResourceFile() override;

    /// Writes the header, then the empty label table.
    int32_t Create(const TextBuffer& name) override;
    /// Not supported: kIoFailed.
    int32_t Suspend() override;
    /// Not supported: kIoFailed.
    int32_t Resume() override;
    int32_t Update() override;
    /// A position below 1 is the first type.
    ResType GetIndType(int16_t index) override;

private:
    int32_t writeNewHeader(FileStream& stream) override;
    int32_t readHeader() override;
    void readIndex() override;
    int32_t writeBack() override;
    void forgetFile() override { mLabels = LabelTable(); }

    std::string_view labelOf(const ResourceEntry& entry) const override;
    ResourceEntry* findByLabel(ResType type, std::string_view label) override;
    int32_t labelNew(ResourceEntry& entry, std::string_view label) override;
    int32_t relabel(ResourceEntry& entry, std::string_view label, bool& changed) override;
    void labelGone(const ResourceEntry& entry) override;
    void indexChanged() override { mChanged = true; }

    int32_t readLabelTable();
    int32_t writeLabelTable();
    /// Whether an entry other than `self` carries the label number.
    bool labelNumberShared(uint32_t number, const ResourceEntry* self) const;
    /// A label number that neither the table nor any chunk uses; false when none is left.
    bool newLabelNumber(uint32_t& number) const;

    LabelTable mLabels;
};

}  // namespace tambrix
