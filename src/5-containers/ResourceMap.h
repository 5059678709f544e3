#pragma once

#include <cstdint>
#include <vector>

#include "core/DataBlock.h"
#include "containers/SerialStream.h"
#include "core/TextBuffer.h"
#include "containers/IffFormat.h"
#include "core/ResourceTypes.h"

namespace tambrix {

/// One resource of a version 2 container.
struct ResourceEntry {
    uint32_t offset = iff::kNoOffset;  ///< chunk header offset; kNoOffset while never written
    int32_t id = -1;                   ///< the sign-extended 16-bit ID
    uint16_t flags = 0xFFFF;           ///< as next written; attribute byte high
    uint16_t fileFlags = 0xFFFF;       ///< as last read from or written to the file
    DataBlock* data = nullptr;         ///< owned while attached
    LabelText label;
    bool pending = false;              ///< `data` was added and awaits writing

    uint8_t Attribute() const { return static_cast<uint8_t>(flags >> iff::kAttributeShift); }
};

struct ResourceTypeGroup {
    ResType type = 0;
    std::vector<ResourceEntry> entries;  ///< in order of addition (file or map order)
};

/// The index of a version 2 container: groups in order of first appearance of their
/// type, at most one group per type, and the file's free byte count.
struct ResourceIndex {
    std::vector<ResourceTypeGroup> groups;
    uint32_t freeBytes = 0;

    ResourceTypeGroup* FindGroup(ResType type);
    /// The type's group, appended at the end when there is none.
    ResourceTypeGroup& GroupFor(ResType type);
    void RemoveGroup(ResType type);
    /// Frees every attached block.
    void ReleaseBlocks();
};

/// The resource map: the index as a serialized object of type "rsmp".
///
/// Stream (numbers in the envelope's byte order):
///   u32 free byte count, u32 group count G, then G groups of
///     u32 type, u32 entry count N, then N entries of
///       u32 chunk offset, u16 ID, u16 flags, label (NUL, then a pad byte to an even position)
///
/// Reading never trusts the counts: a count that cannot fit in the bytes that remain,
/// or a label that runs past the body, marks the map unusable (Valid() false).
class ResourceMap : public Serializable {
public:
    explicit ResourceMap(ResourceIndex& index) : mIndex(index) {}

    void Serialize(SerialStream& stream, uint32_t version) override;
    ResType Tag() const override { return iff::kMapType; }

    /// Reads a map body (envelope included) into the index, replacing its groups and
    /// free count. False, with the index left empty, when the body is damaged.
    bool Read(const DataBlock& body);
    bool Valid() const { return mValid; }

private:
    void read(SerialStream& stream);
    void write(SerialStream& stream);

    ResourceIndex& mIndex;
    bool mValid = true;
};

}  // namespace tambrix
