#pragma once

#include <cstdint>
#include <vector>

#include "containers/IffFormat.h"
#include "containers/SerialStream.h"
#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"

namespace tambrix {

/// One resource of a container: the index entry both generations keep.
struct ResourceEntry {
    /// What an entry holds until it is filled in.
    static constexpr int32_t kUnsetId = -1;
    static constexpr uint16_t kUnsetFlags = 0xFFFF;

    uint32_t offset = iff::kNoOffset;            ///< chunk header offset; kNoOffset while never written
    int32_t id = kUnsetId;                       ///< the sign-extended 16-bit ID
    uint16_t flags = kUnsetFlags;                ///< as next written; version 2: attribute byte high
    uint16_t fileFlags = kUnsetFlags;            ///< as last read from or written to the file
    DataBlock* data = nullptr;                   ///< owned while attached
    LabelText label;                             ///< version 2: the label itself
    uint32_t labelNumber = iff::kNoLabelNumber;  ///< version 1.0: the label's key in the label table
    bool pending = false;                        ///< `data` was added and awaits writing

    uint8_t Attribute() const { return static_cast<uint8_t>(flags >> iff::kAttributeShift); }
    /// Whether the body was added and is not in the file yet: a new resource, or a
    /// replacement whose entry still names the chunk of the version it replaces (that
    /// chunk stays until the new one is written, so a failed write loses nothing).
    bool AwaitsWrite() const { return data && (pending || offset == iff::kNoOffset); }
};

struct ResourceTypeGroup {
    ResType type = 0;
    std::vector<ResourceEntry> entries;
};

/// The resources of a container by type: at most one group per type, and the file's
/// free byte count. Version 2 keeps groups and entries in order of first appearance
/// (file or map order, then additions). Version 1.0 keeps lists: each new group and
/// entry goes to the front, so a list runs newest first, and a group stays when its
/// last entry goes.
struct ResourceIndex {
    std::vector<ResourceTypeGroup> groups;
    uint32_t freeBytes = 0;
    bool lists = false;  ///< the version 1.0 order

    ResourceTypeGroup* FindGroup(ResType type);
    /// The type's group, added at the end when there is none.
    ResourceTypeGroup& GroupFor(ResType type);
    /// A new entry of the type in file order: behind the group's others, the group at
    /// the end when new. A list read this way is turned round once it is complete.
    ResourceEntry& Append(ResType type);
    /// A new entry of the type in the index's own order (for lists: at the front).
    ResourceEntry& Add(ResType type);
    /// Reverses the order of the groups and of each group's entries.
    void Reverse();
    /// Removes the entry; its group goes with its last entry unless this is a list.
    void Remove(ResourceTypeGroup& group, ResourceEntry& entry);
    void RemoveGroup(ResType type);
    /// Frees every attached block.
    void ReleaseBlocks();
    /// Frees every attached block and forgets every group.
    void Clear();
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
