#include "containers/IffResourceFile.h"

#include <algorithm>
#include <functional>

namespace tambrix {

using namespace iff;

namespace {
bool sameLabel(const TextBuffer& a, std::string_view b) { return a.View().size() == b.size() && a.CompareNoCase(b) == 0; }
}  // namespace

IffResourceFile::IffResourceFile() : IffFileBase(ChunkLayout::kModern) {
    mSpace.SetWriteGuard([this] { return beforeChunkWrite(); });
    mSpace.SetIndex([this](const std::function<void(uint32_t&, ResType)>& visit) {
        if (!mIndex) return;
        for (auto& group : mIndex->groups)
            for (auto& entry : group.entries) visit(entry.offset, group.type);
    });
}

IffResourceFile::~IffResourceFile() {
    if (IsOpen()) Close();
}

bool IffResourceFile::hasIndex() const { return mIndex != nullptr; }

// ---- files ---------------------------------------------------------------------

int32_t IffResourceFile::Create(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Create(name);
    if (r != rc::kOk) return finish(r);
    // A new file is a version 2.5 header without a map and no chunks.
    FileStream fresh;
    r = fresh.Open(name);
    if (r == rc::kOk) {
        r = iff::WriteFileHeader(fresh, 0);
        fresh.Close();
    }
    return finish(r);
}

int32_t IffResourceFile::Open(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Open(name);
    if (r != rc::kOk) return finish(r);
    FileHeaderInfo info;
    r = ReadFileHeader(mStream, info);
    if (r != rc::kOk) {
        mStream.Close();
        return finish(r);
    }
    mMapOffset = info.mapOffset;
    mIndex = std::make_unique<ResourceIndex>();
    mSpace.freeBytes = 0;
    if (mMapOffset == 0 || !readMap(mMapOffset)) walk();
    mIndex->RemoveGroup(kMapType);
    mSpace.Forget();  // what it saw while the index was being read is not the file's index
    mDirty = false;
    return finish(rc::kOk);
}

bool IffResourceFile::readMap(uint32_t offset) {
    ChunkHeader header;
    if (mSpace.ReadHeader(offset, header) != rc::kOk || header.IsFree() || header.type != kMapType) return false;
    ResourceEntry mapEntry;
    mapEntry.offset = offset;
    mapEntry.id = header.id;
    mapEntry.flags = mapEntry.fileFlags = header.flags;
    mapEntry.label.Assign(header.Label());
    if (loadBody(kMapType, offset, mapEntry.fileFlags, mapEntry.flags, mapEntry.data, nullptr) != rc::kOk || !mapEntry.data)
        return false;
    std::unique_ptr<DataBlock, void (*)(DataBlock*)> body(mapEntry.data, FreeDataBlock);

    ResourceMap map(*mIndex);
    if (!map.Read(*body)) return false;  // counts or labels ran past the body
    mSpace.freeBytes = mIndex->freeBytes;
    // A map that lists a map of its own cannot be the one written for this file.
    ResourceTypeGroup* maps = mIndex->FindGroup(kMapType);
    if (maps) {
        for (const auto& entry : maps->entries) {
            if (entry.id == 0 && entry.Attribute() == 0) {
                mIndex->groups.clear();
                return false;
            }
        }
    }
    return true;
}

void IffResourceFile::walk() {
    // The free count comes from the free chunks the walk meets, not from a map that
    // was just discarded.
    mIndex->groups.clear();
    mSpace.freeBytes = 0;
    mSpace.Walk([this](uint32_t offset, const ChunkHeader& header) {
        if (header.IsFree()) {
            mSpace.freeBytes += header.size;
            return;
        }
        ResourceEntry entry;
        entry.offset = offset;
        entry.id = header.id;
        entry.flags = entry.fileFlags = header.flags;
        entry.label.Assign(header.Label());
        mIndex->GroupFor(header.type).entries.push_back(entry);
    });
}

int32_t IffResourceFile::Suspend() {
    if (!IsOpen()) return finish(rc::kNotOpen);
    FileNameText name;
    mStream.GetName(name);
    int32_t r = Close();
    mRememberedPath.Assign(name);
    return finish(r);
}

int32_t IffResourceFile::Resume() {
    FileNameText path(mRememberedPath);
    mRememberedPath.Clear();
    if (path.Length() == 0) return finish(rc::kIoFailed);
    int32_t r = Open(path);
    mSpace.nextFit = 0;
    return finish(r);
}

int32_t IffResourceFile::writeMap() {
    mIndex->RemoveGroup(kMapType);
    mIndex->freeBytes = mSpace.freeBytes;
    ResourceMap map(*mIndex);
    DataBlock* block = SerializeToBlock(map, 0);
    if (!block) return rc::kNoMemory;
    LabelText noLabel;
    AddResource(block, kMapType, 0, noLabel, true);
    if (GetError() != rc::kOk) {
        FreeDataBlock(block);
        return GetError();
    }
    WriteResource(block);
    if (GetError() != rc::kOk) return GetError();
    ResourceEntry* entry = findById(kMapType, 0, 0);
    if (!entry || entry->offset == kNoOffset) return rc::kOk;
    return writeFileHeader(entry->offset);
}

int32_t IffResourceFile::Close() {
    if (!IsOpen()) return finish(rc::kNotOpen);
    SetError(rc::kOk);
    const bool writable = mStream.IsOpenedForWriting();
    int32_t r = rc::kOk;
    // A resource added but never written counts as a change too: without it an
    // addition to an otherwise untouched file would be dropped on close.
    const bool pending = mIndex && std::any_of(mIndex->groups.begin(), mIndex->groups.end(), [](const ResourceTypeGroup& g) {
        return std::any_of(g.entries.begin(), g.entries.end(), [](const ResourceEntry& e) { return awaitsWrite(e); });
    });
    if (mIndex && writable && (mDirty || pending)) {
        Update();
        r = GetError();
    }
    if (mIndex && r == rc::kOk && writable && mMapOffset == 0 && mDirty && mSpace.freeBytes >= kCompactThreshold)
        r = Compact();
    if (mIndex && r == rc::kOk && writable && mDirty) r = writeMap();
    if (mIndex) mIndex->ReleaseBlocks();
    mIndex.reset();
    int32_t closed = mStream.Close();
    // Nothing of this file is carried into the next Create or Open of this object.
    mMapOffset = 0;
    mDirty = false;
    mSpace.Forget();
    mSpace.nextFit = -1;
    mSpace.freeBytes = 0;
    // A failure while writing the changes is not hidden behind a good close.
    return finish(r != rc::kOk ? r : closed);
}

int32_t IffResourceFile::Update() {
    if (!beginOp()) return GetError();
    int32_t first = rc::kOk;
    writeUnwritten(mIndex->groups, first);
    if (first == rc::kOk) first = mStream.Flush();
    return finish(first);
}

// ---- lookups -------------------------------------------------------------------

IffResourceFile::Found IffResourceFile::findByBlock(const DataBlock* block) {
    // A null block would match every entry whose body is not loaded.
    if (!block) return {};
    for (auto& group : mIndex->groups)
        for (auto& entry : group.entries)
            if (entry.data == block) return {&group, &entry};
    return {};
}

ResourceEntry* IffResourceFile::findById(ResType type, int32_t id, uint8_t attribute) {
    ResourceTypeGroup* group = mIndex->FindGroup(type);
    if (!group) return nullptr;
    if (attribute != 0) {
        for (auto& entry : group->entries)
            if (entry.id == id && entry.Attribute() == attribute) return &entry;
    }
    for (auto& entry : group->entries)
        if (entry.id == id && entry.Attribute() == 0) return &entry;
    return nullptr;
}

ResourceEntry* IffResourceFile::findByLabel(ResType type, std::string_view label) {
    ResourceTypeGroup* group = mIndex->FindGroup(type);
    if (!group) return nullptr;
    for (auto& entry : group->entries)
        if (entry.Attribute() == 0 && sameLabel(entry.label, label)) return &entry;
    return nullptr;
}

int16_t IffResourceFile::CountTypes() {
    if (!beginOp()) return 0;
    return clampCount(mIndex->groups.size());
}

ResType IffResourceFile::GetIndType(int16_t index) {
    if (!beginOp()) return 0;
    if (index < 1 || static_cast<size_t>(index) > mIndex->groups.size()) {
        SetError(rc::kTypeIndexRange);
        return 0;
    }
    return mIndex->groups[index - 1].type;
}

int16_t IffResourceFile::CountResources(ResType type) {
    if (!beginOp()) return 0;
    ResourceTypeGroup* group = mIndex->FindGroup(type);
    return group ? clampCount(group->entries.size()) : 0;
}

DataBlock* IffResourceFile::load(ResType type, ResourceEntry* entry, ConversionRoutine convert) {
    return loadEntry(type, entry, &ResourceEntry::fileFlags, convert);
}

DataBlock* IffResourceFile::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    return GetResourceWithAttr(type, id, 0, convert);
}

DataBlock* IffResourceFile::GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    return load(type, findById(type, id, attribute), convert);
}

DataBlock* IffResourceFile::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    ResourceEntry* entry = label.Length() == 0 ? nullptr : findByLabel(type, label.View());
    if (!entry) {
        SetError(rc::kNoSuchLabel);
        return nullptr;
    }
    return load(type, entry, convert);
}

DataBlock* IffResourceFile::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    ResourceTypeGroup* group = mIndex->FindGroup(type);
    ResourceEntry* entry = nullptr;
    if (group && index >= 1 && static_cast<size_t>(index) <= group->entries.size()) entry = &group->entries[index - 1];
    return load(type, entry, convert);
}

bool IffResourceFile::describe(const DataBlock* block, EntryFacts& facts) {
    Found found = findByBlock(block);
    if (!found.entry) return false;
    facts.type = found.group->type;
    facts.offset = found.entry->offset;
    facts.id = static_cast<uint16_t>(found.entry->id);
    facts.flags = found.entry->flags;
    facts.attribute = found.entry->Attribute();
    facts.label = found.entry->label.View();
    facts.awaitsWrite = awaitsWrite(*found.entry);
    return true;
}

bool IffResourceFile::labelTaken(ResType type, std::string_view label) { return findByLabel(type, label) != nullptr; }

std::vector<int32_t> IffResourceFile::idsOf(ResType type) {
    std::vector<int32_t> ids;
    if (ResourceTypeGroup* group = mIndex->FindGroup(type))
        for (const auto& entry : group->entries) ids.push_back(entry.id);
    return ids;
}

// ---- changes -------------------------------------------------------------------

// Before the first header write of a session the header's map offset goes to 0, so
// that a file caught half-written is walked rather than trusted to a stale map.
int32_t IffResourceFile::beforeChunkWrite() {
    mDirty = true;
    if (mMapOffset != 0) return writeFileHeader(0);
    return rc::kOk;
}

int32_t IffResourceFile::writeFileHeader(uint32_t mapOffset) {
    if (mMapOffset != 0) {
        // The old map becomes free space, but only when it really is a map: a header
        // whose offset points elsewhere must not turn a resource into free space.
        const uint32_t old = mMapOffset;
        mMapOffset = 0;
        ChunkHeader header;
        int32_t r = mSpace.ReadHeader(old, header);
        if (r == rc::kOk && header.type == kMapType && !header.IsFree())
            r = mSpace.ReleaseChunk(old, kMapType);
        else
            r = rc::kOk;
        mMapOffset = old;
        if (r != rc::kOk) return r;
    }
    int32_t r = iff::WriteFileHeader(mStream, mapOffset);
    if (r != rc::kOk) return r;
    r = mStream.Flush();
    mMapOffset = mapOffset;
    mDirty = true;
    return r;
}

int32_t IffResourceFile::AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                     bool libraryOrder) {
    return AddResourceWithAttr(block, type, id, label, 0, libraryOrder);
}

int32_t IffResourceFile::AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                             uint8_t attribute, bool libraryOrder) {
    if (!beginChange()) return GetError();
    if (!block) return finish(rc::kNoSuchLabel);
    // The resource replaced carries this very attribute: a lookup may fall back from
    // a variant to the plain resource, but adding a variant must not replace it.
    ResourceEntry* entry = findById(type, id, attribute);
    if (entry && entry->Attribute() != attribute) entry = nullptr;
    // A block held by another resource would be owned twice.
    Found holder = findByBlock(block);
    if (holder.entry && holder.entry != entry) return finish(rc::kUnsupported);
    if (entry) {
        // The replaced version keeps its chunk (and the entry its offset and file flags)
        // until the new body is written: a write that fails or never comes loses nothing.
        if (entry->data != block) FreeDataBlock(entry->data);
    } else {
        ResourceTypeGroup& group = mIndex->GroupFor(type);
        group.entries.emplace_back();
        entry = &group.entries.back();
        entry->fileFlags = 0;
    }
    entry->id = id;
    entry->flags = static_cast<uint16_t>((attribute << kAttributeShift) | (libraryOrder ? kFlagLibraryOrder : 0));
    entry->data = block;
    entry->label.Assign(label.View().substr(0, kMaxLabelLength));
    entry->pending = true;
    return rc::kOk;
}

int32_t IffResourceFile::WriteResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    ResourceEntry& entry = *found.entry;
    const ResType type = found.group->type;
    const uint32_t length = block->size;
    // Larger chunks would end every later walk of the file.
    if (length > kMaxChunkSize - kModernHeaderSize) return finish(rc::kUnsupported);

    ChunkHeader header;
    header.type = type;
    header.size = length + kModernHeaderSize;
    header.id = static_cast<int16_t>(entry.id);
    // A listed chunk whose header carries the free flag was kept as a resource; writing
    // the flag back would hand it out as free space on the next walk.
    entry.flags &= static_cast<uint16_t>(~kFlagFree);
    header.flags = entry.flags;
    header.SetLabel(entry.label.View());
    int32_t r = mSpace.WriteChunk(entry.offset, header, block->data, length);
    if (r != rc::kOk) return finish(r);
    entry.fileFlags = entry.flags;
    entry.pending = false;
    return finish(mStream.Flush());
}

int32_t IffResourceFile::RemoveResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    const ResType type = found.group->type;
    int32_t r = mSpace.ReleaseChunk(found.entry->offset, type);
    if (r == rc::kOk) {
        FreeDataBlock(found.entry->data);
        auto& entries = found.group->entries;
        entries.erase(entries.begin() + (found.entry - entries.data()));
        if (entries.empty()) mIndex->RemoveGroup(type);
    }
    int32_t flushed = mStream.Flush();
    // A failed release is reported, not hidden behind a good flush.
    return finish(r != rc::kOk ? r : flushed);
}

int32_t IffResourceFile::SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t /*attribute*/) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) {
        mStream.Flush();
        return finish(rc::kNoSuchLabel);
    }
    ResourceEntry& entry = *found.entry;
    std::string_view newLabel = label.View().substr(0, kMaxLabelLength);
    bool changed = false;
    if (entry.id != id) {
        entry.id = id;
        changed = true;
    }
    if (entry.label.View() != newLabel) {
        entry.label.Assign(newLabel);
        changed = true;
    }
    int32_t r = rc::kOk;
    // A body awaiting its write takes the new ID and label with it; the chunk of the
    // version it replaces keeps its own until then.
    if (changed && !awaitsWrite(entry)) {
        ChunkHeader header;
        if (mSpace.IsChunkOf(entry.offset, found.group->type, header, r)) {
            header.id = id;
            header.SetLabel(entry.label.View());
            header.flags &= static_cast<uint16_t>(~kFlagFree);  // a listed chunk is a resource (see WriteResource)
            r = mSpace.WriteHeader(entry.offset, header);
            if (r == rc::kOk) entry.fileFlags &= static_cast<uint16_t>(~kFlagFree);
        } else if (r == rc::kOk) {
            r = rc::kChunkMismatch;
        }
    }
    int32_t flushed = mStream.Flush();
    return finish(r != rc::kOk ? r : flushed);
}

int32_t IffResourceFile::detachBody(const DataBlock* block) {
    Found found = findByBlock(block);
    found.entry->data = nullptr;
    found.entry->flags = found.entry->fileFlags;
    return rc::kOk;
}

int32_t IffResourceFile::Compact() {
    if (!beginChange()) return GetError();
    return finish(mSpace.Compact(kMapType));
}

}  // namespace tambrix
