#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "containers/IffFormat.h"
#include "containers/SerialStream.h"
#include "core/DataBlock.h"
#include "core/TextBuffer.h"

namespace tambrix {

/// The labels of a version 1.0 container, keyed by label number, kept in the "NAME"
/// resource. Two stored forms:
///
/// ID 1 (written): a serialized object (envelope tag "NAME"), stream
///   u32 record count, then per record u32 label number and the label as a text
///   (NUL, pad byte to an even position).
/// ID 0 (older, read only): records back to back to the end of the body, each
///   u32 label number (little-endian), u8 length L, L characters without terminator.
class LabelTable : public Serializable {
public:
    struct Record {
        uint32_t number = 0;
        LabelText label;
    };

    void Serialize(SerialStream& stream, uint32_t version) override;
    ResType Tag() const override { return iff::kLabelTableType; }

    /// Reads an ID 1 body (envelope included). Records that cannot be read completely
    /// are dropped; the count is checked against the bytes that remain.
    void ReadCurrentForm(const DataBlock& body);
    /// Reads an ID 0 body record by record; a record cut by the end of the body is dropped.
    void ReadOlderForm(const DataBlock& body);

    const Record* Find(uint32_t number) const;
    /// Replaces or adds the record of `number`.
    void Set(uint32_t number, std::string_view label);
    void Remove(uint32_t number);

    const std::vector<Record>& Records() const { return mRecords; }
    bool IsChanged() const { return mChanged; }
    void SetChanged(bool changed) { mChanged = changed; }

private:
    std::vector<Record> mRecords;
    bool mChanged = true;  ///< a new table is written by the next update
};

}  // namespace tambrix
