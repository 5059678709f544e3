#include "containers/ResourceMap.h"

#include <algorithm>

#include "core/ByteReader.h"

namespace tambrix {

namespace {
// Smallest stored sizes, used to check counts against the bytes that remain.
constexpr uint32_t kGroupHeadBytes = 8;  // type, entry count
constexpr uint32_t kEntryHeadBytes = 8;  // offset, ID, flags
constexpr uint32_t kMinEntryBytes = 10;  // those, then an empty label with its pad byte
constexpr uint32_t kSwapFlagOffset = 0;
}  // namespace

ResourceTypeGroup* ResourceIndex::FindGroup(ResType type) {
    for (auto& group : groups)
        if (group.type == type) return &group;
    return nullptr;
}

ResourceTypeGroup& ResourceIndex::GroupFor(ResType type) {
    if (ResourceTypeGroup* group = FindGroup(type)) return *group;
    return groups.emplace_back(ResourceTypeGroup{type, {}});
}

ResourceEntry& ResourceIndex::Append(ResType type) { return GroupFor(type).entries.emplace_back(); }

ResourceEntry& ResourceIndex::Add(ResType type) {
    if (!lists) return Append(type);
    ResourceTypeGroup* group = FindGroup(type);
    if (!group) group = &*groups.insert(groups.begin(), ResourceTypeGroup{type, {}});
    return *group->entries.emplace(group->entries.begin());
}

void ResourceIndex::Reverse() {
    std::reverse(groups.begin(), groups.end());
    for (auto& group : groups) std::reverse(group.entries.begin(), group.entries.end());
}

void ResourceIndex::Remove(ResourceTypeGroup& group, ResourceEntry& entry) {
    FreeDataBlock(entry.data);
    group.entries.erase(group.entries.begin() + (&entry - group.entries.data()));
    if (group.entries.empty() && !lists) groups.erase(groups.begin() + (&group - groups.data()));
}

void ResourceIndex::RemoveGroup(ResType type) {
    auto it = std::find_if(groups.begin(), groups.end(), [type](const ResourceTypeGroup& g) { return g.type == type; });
    if (it == groups.end()) return;
    for (auto& entry : it->entries) FreeDataBlock(entry.data);
    groups.erase(it);
}

void ResourceIndex::ReleaseBlocks() {
    for (auto& group : groups)
        for (auto& entry : group.entries) {
            FreeDataBlock(entry.data);
            entry.data = nullptr;
        }
}

void ResourceIndex::Clear() {
    ReleaseBlocks();
    groups.clear();
    freeBytes = 0;
}

void ResourceMap::Serialize(SerialStream& stream, uint32_t /*version*/) {
    if (stream.IsReading())
        read(stream);
    else
        write(stream);
}

void ResourceMap::write(SerialStream& stream) {
    uint32_t freeBytes = mIndex.freeBytes;
    uint32_t groupCount = static_cast<uint32_t>(mIndex.groups.size());
    stream.U32s(&freeBytes, 1);
    stream.U32s(&groupCount, 1);
    for (auto& group : mIndex.groups) {
        uint32_t type = group.type;
        uint32_t count = static_cast<uint32_t>(group.entries.size());
        stream.U32s(&type, 1);
        stream.U32s(&count, 1);
        for (auto& entry : group.entries) {
            uint32_t offset = entry.offset;
            uint16_t id = static_cast<uint16_t>(entry.id);
            // The flags the chunk header on disk carries: a body converted on load has
            // the library-order flag in its entry's flags but is still stored in the
            // other order, and a reader that trusted the map would skip its conversion.
            uint16_t flags = entry.fileFlags;
            stream.U32s(&offset, 1);
            stream.U16s(&id, 1);
            stream.U16s(&flags, 1);
            stream.Text(entry.label);
        }
    }
}

void ResourceMap::read(SerialStream& stream) {
    auto remaining = [&stream] { return stream.Size() > stream.Position() ? stream.Size() - stream.Position() : 0u; };
    auto fail = [this] {
        mValid = false;
        mIndex.groups.clear();
    };
    mIndex.groups.clear();
    uint32_t freeBytes = 0;
    uint32_t groupCount = 0;
    stream.U32s(&freeBytes, 1);
    stream.U32s(&groupCount, 1);
    if (stream.Failed() || groupCount > remaining() / kGroupHeadBytes) return fail();
    mIndex.freeBytes = freeBytes;
    for (uint32_t g = 0; g < groupCount; ++g) {
        uint32_t type = 0;
        uint32_t count = 0;
        stream.U32s(&type, 1);
        stream.U32s(&count, 1);
        if (stream.Failed() || count > remaining() / kMinEntryBytes) return fail();
        // A type listed twice is merged into its first group: a type has one group.
        ResourceTypeGroup& group = mIndex.GroupFor(type);
        group.entries.reserve(group.entries.size() + count);
        for (uint32_t i = 0; i < count; ++i) {
            // Read in place (a failure forgets every group): an entry is costly to copy.
            ResourceEntry& entry = group.entries.emplace_back();
            // Offset, ID and flags in one read.
            uint8_t head[kEntryHeadBytes];
            stream.Bytes(head, kEntryHeadBytes);
            stream.Text(entry.label);
            if (stream.Failed()) return fail();
            ByteReader in(head, kEntryHeadBytes);
            entry.offset = stream.Swapped() ? in.U32BE() : in.U32();
            const uint16_t id = stream.Swapped() ? in.U16BE() : in.U16();
            entry.id = static_cast<int16_t>(id);
            entry.flags = stream.Swapped() ? in.U16BE() : in.U16();
            entry.fileFlags = entry.flags;
        }
    }
}

bool ResourceMap::Read(const DataBlock& body) {
    mValid = true;
    if (body.size < kEnvelopeSize) {
        mValid = false;
        mIndex.groups.clear();
        return false;
    }
    // The stream is confined to the payload behind the 12-byte envelope head.
    uint16_t swap = body.data[kSwapFlagOffset] != 0 ? 1 : 0;
    SerialStream stream(body.data + kEnvelopeSize, body.size - kEnvelopeSize, SerialStream::kRead, swap);
    read(stream);
    return mValid;
}

}  // namespace tambrix
