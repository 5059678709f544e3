#include "containers/IffFileBase.h"

#include <algorithm>
#include <functional>

#include "core/AsciiCase.h"

namespace tambrix {

using namespace iff;

namespace {
int16_t clampCount(size_t n) { return static_cast<int16_t>(std::min<size_t>(n, INT16_MAX)); }
}  // namespace

IffFileBase::IffFileBase(ChunkLayout layout) : mSpace(mStream, layout) {
    mSpace.SetIndex([this](const std::function<void(uint32_t&, ResType)>& visit) {
        for (ResourceIndex* index : {&mIndex, &mOtherList})
            for (auto& group : index->groups)
                for (auto& entry : group.entries) visit(entry.offset, group.type);
    });
}

// The generation closes an open file in its own destructor, while its own write-back
// can still run.
IffFileBase::~IffFileBase() {
    mIndex.Clear();
    mOtherList.Clear();
}

int32_t IffFileBase::finish(int32_t code) {
    SetError(code);
    return code;
}

bool IffFileBase::beginOp() {
    if (!mStream.IsOpen() || !mIndexed) {
        SetError(rc::kNotOpen);
        return false;
    }
    SetError(rc::kOk);
    return true;
}

bool IffFileBase::beginChange() {
    if (!beginOp()) return false;
    if (!mStream.IsOpenedForWriting()) {
        SetError(rc::kNotWritable);
        return false;
    }
    return true;
}

int32_t IffFileBase::settle(int32_t code) {
    if (legacy()) return finish(code);
    int32_t flushed = mStream.Flush();
    // A failed change is reported, not hidden behind a good flush.
    return finish(code != rc::kOk ? code : flushed);
}

// ---- files ---------------------------------------------------------------------

int32_t IffFileBase::Create(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Create(name);
    if (r != rc::kOk) return finish(r);
    // The header goes in through a stream of its own: the object stays closed.
    FileStream fresh;
    r = fresh.Open(name);
    if (r == rc::kOk) {
        r = writeNewHeader(fresh);
        fresh.Close();
    }
    return finish(r);
}

int32_t IffFileBase::Delete(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    return finish(mStream.Delete(name));
}

int32_t IffFileBase::Open(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Open(name);
    if (r != rc::kOk) return finish(r);
    r = readHeader();
    if (r != rc::kOk) {
        mStream.Close();
        return finish(r);
    }
    mIndexed = true;
    mSpace.freeBytes = 0;
    readIndex();
    mSpace.Forget();  // what it saw while the index was being read is not the file's index
    mChanged = false;
    return finish(rc::kOk);
}

int32_t IffFileBase::Close() {
    if (!IsOpen()) return finish(rc::kNotOpen);
    SetError(rc::kOk);
    int32_t r = mIndexed ? writeBack() : rc::kOk;
    mIndex.Clear();
    mOtherList.Clear();
    mIndexed = false;
    forgetFile();
    int32_t closed = mStream.Close();
    // Nothing of this file is carried into the next Create or Open of this object.
    mSpace.Reset();
    mChanged = false;
    // A failure while writing the changes is not hidden behind a good close.
    return finish(r != rc::kOk ? r : closed);
}

int32_t IffFileBase::Update() {
    if (!beginOp()) return GetError();
    return writeUnwritten(rc::kOk);
}

int32_t IffFileBase::writeUnwritten(int32_t first) {
    // Writing never reshapes the index, so the positions stay good while it runs.
    for (ResourceIndex* index : {&mIndex, &mOtherList}) {
        for (auto g = index->groups.size(); g-- > 0;) {
            for (auto e = index->groups[g].entries.size(); e-- > 0;) {
                const ResourceEntry& entry = index->groups[g].entries[e];
                if (!entry.AwaitsWrite()) continue;
                int32_t r = WriteResource(entry.data);
                if (first == rc::kOk) first = r;
            }
        }
    }
    if (first == rc::kOk) first = mStream.Flush();
    return finish(first);
}

bool IffFileBase::anyAwaitingWrite() const {
    for (const ResourceIndex* index : {&mIndex, &mOtherList})
        for (const auto& group : index->groups)
            for (const auto& entry : group.entries)
                if (entry.AwaitsWrite()) return true;
    return false;
}

int32_t IffFileBase::compactIfWorthIt() {
    return mChanged && mSpace.freeBytes >= kCompactThreshold ? Compact() : rc::kOk;
}

int32_t IffFileBase::Compact() {
    if (!beginChange()) return GetError();
    // Old maps go with the free chunks (version 1.0 has none).
    return finish(mSpace.Compact(legacy() ? kNoType : kMapType));
}

bool IffFileBase::IsWritable() { return mStream.IsOpenedForWriting(); }

int32_t IffFileBase::GetPath(TextBuffer& name) {
    name.Clear();
    return finish(mStream.GetName(name));
}

bool IffFileBase::IsOpen() { return mStream.IsOpen(); }

void IffFileBase::walk() {
    mIndex.Clear();
    mOtherList.Clear();
    mSpace.freeBytes = 0;
    mSpace.Walk([this](uint32_t offset, const ChunkHeader& header) {
        if (header.IsFree()) {
            mSpace.freeBytes += header.size;
            return;
        }
        const bool internal = legacy() && (header.flags & kFlagInternal);
        ResourceEntry& entry = (internal ? mOtherList : mIndex).Append(header.type);
        entry.offset = offset;
        entry.id = header.id;
        entry.flags = entry.fileFlags = header.flags;
        entry.label.Assign(header.Label());
        entry.labelNumber = header.labelNumber;
    });
    // Lists run newest first: built in file order, then turned round.
    for (ResourceIndex* index : {&mIndex, &mOtherList})
        if (index->lists) index->Reverse();
}

// ---- lookups -------------------------------------------------------------------

IffFileBase::Found IffFileBase::findByBlock(const DataBlock* block) {
    if (!block) return {};
    for (ResourceIndex* index : {&mIndex, &mOtherList})
        for (auto& group : index->groups)
            for (auto& entry : group.entries)
                if (entry.data == block) return {index, &group, &entry};
    return {};
}

ResourceEntry* IffFileBase::findById(ResType type, int32_t id, uint8_t attribute) {
    ResourceTypeGroup* group = mIndex.FindGroup(type);
    if (!group) return nullptr;
    if (attribute != 0) {
        for (auto& entry : group->entries)
            if (entry.id == id && attributeOf(entry) == attribute) return &entry;
    }
    for (auto& entry : group->entries)
        if (entry.id == id && attributeOf(entry) == 0) return &entry;
    return nullptr;
}

ResourceEntry* IffFileBase::findByLabel(ResType type, std::string_view label) {
    ResourceTypeGroup* group = mIndex.FindGroup(type);
    if (!group) return nullptr;
    for (auto& entry : group->entries)
        if (attributeOf(entry) == 0 && EqualNoCase(labelOf(entry), label)) return &entry;
    return nullptr;
}

int16_t IffFileBase::CountTypes() {
    if (!beginOp()) return 0;
    return clampCount(mIndex.groups.size());
}

ResType IffFileBase::GetIndType(int16_t index) {
    if (!beginOp()) return 0;
    if (index < 1 || static_cast<size_t>(index) > mIndex.groups.size()) {
        SetError(rc::kTypeIndexRange);
        return 0;
    }
    return mIndex.groups[index - 1].type;
}

int16_t IffFileBase::CountResources(ResType type) {
    if (!beginOp()) return 0;
    ResourceTypeGroup* group = mIndex.FindGroup(type);
    return group ? clampCount(group->entries.size()) : 0;
}

// ---- bodies --------------------------------------------------------------------

int32_t IffFileBase::loadBody(ResType type, uint32_t offset, uint16_t fileFlags, uint16_t& flags, DataBlock*& data,
                              ConversionRoutine convert) {
    if (data) return rc::kOk;
    if (offset == kNoOffset) return rc::kChunkMismatch;  // detached before it was ever written
    const uint32_t headerSize = mSpace.HeaderBytes();
    ResType chunkType = 0;
    uint32_t chunkSize = 0;
    int32_t r = ReadChunkTypeAndSize(mStream, offset, mSpace.Layout(), chunkType, chunkSize);
    if (r != rc::kOk) return r;
    if (chunkType != type || chunkSize < headerSize || chunkSize - headerSize > MaxChunkSize(mSpace.Layout()))
        return rc::kChunkMismatch;
    const uint32_t bodySize = chunkSize - headerSize;
    uint32_t fileSize = 0;
    r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    const uint64_t bodyEnd = uint64_t{offset} + headerSize + bodySize;
    if (bodyEnd > fileSize) return rc::kShortRead;  // the body runs past the end of the file
    // A size that runs over another listed chunk (a cut chunk with new chunks behind
    // the old end) would hand out that chunk's bytes as this body.
    if (mSpace.CoversListedChunk(offset, bodyEnd)) return rc::kChunkMismatch;
    // A file held in memory lends its bytes; any other is read into a block of its own.
    DataBlock* block = mStream.Lend(offset + headerSize, bodySize);
    if (!block && !(block = NewUnfilledDataBlock(bodySize))) return rc::kNoMemory;  // the read fills it
    if (!block->lent && bodySize > 0) {
        r = ReadAt(mStream, offset + headerSize, block->data, bodySize);
        if (r != rc::kOk) {
            FreeDataBlock(block);
            return r;
        }
    }
    if (!(fileFlags & kFlagLibraryOrder) && convert) {
        convert(block->data, block->size);
        flags |= kFlagLibraryOrder;
    }
    data = block;
    return rc::kOk;
}

// Whether a body needs converting is what the file holds; a body converted on load is
// marked in the flags its next write will carry.
DataBlock* IffFileBase::load(ResType type, ResourceEntry* entry, ConversionRoutine convert) {
    if (!entry) {
        SetError(rc::kNoSuchResource);
        return nullptr;
    }
    int32_t r = loadBody(type, entry->offset, entry->fileFlags, entry->flags, entry->data, convert);
    if (r != rc::kOk) {
        SetError(r);
        return nullptr;
    }
    return entry->data;
}

DataBlock* IffFileBase::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    return load(type, findById(type, id, 0), convert);
}

DataBlock* IffFileBase::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    ResourceEntry* entry = label.Length() == 0 ? nullptr : findByLabel(type, label.View());
    if (!entry) {
        SetError(rc::kNoSuchLabel);
        return nullptr;
    }
    return load(type, entry, convert);
}

DataBlock* IffFileBase::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    ResourceTypeGroup* group = mIndex.FindGroup(type);
    ResourceEntry* entry = nullptr;
    if (group && index >= 1 && static_cast<size_t>(index) <= group->entries.size()) entry = &group->entries[index - 1];
    return load(type, entry, convert);
}

// ---- answers about one resource ------------------------------------------------

IffFileBase::Found IffFileBase::holderOf(const DataBlock* block, int32_t missing) {
    Found found = findByBlock(block);
    if (!found.entry) SetError(missing);
    return found;
}

void IffFileBase::GetResName(DataBlock* block, TextBuffer& label) {
    label.Clear();
    if (!beginOp()) return;
    if (Found found = holderOf(block, rc::kNoSuchResource); found.entry) label.Assign(labelOf(*found.entry));
}

ResType IffFileBase::GetResType(DataBlock* block) {
    if (!beginOp()) return 0;
    Found found = holderOf(block, rc::kNoSuchResource);
    return found.entry ? found.group->type : 0;
}

int32_t IffFileBase::GetResID(DataBlock* block, uint16_t& id) {
    if (!beginOp()) return GetError();
    if (Found found = holderOf(block, rc::kNoSuchResource); found.entry) id = static_cast<uint16_t>(found.entry->id);
    return GetError();
}

int32_t IffFileBase::GetResAux(DataBlock* /*block*/, uint16_t& aux) {
    aux = 0;
    if (!beginOp()) return GetError();
    return finish(rc::kUnsupported);
}

uint8_t IffFileBase::GetResAttrs(DataBlock* block) {
    if (!beginOp()) return 0;
    Found found = holderOf(block, rc::kNoSuchResource);
    return found.entry ? attributeOf(*found.entry) : 0;
}

void IffFileBase::UniqueName(ResType type, TextBuffer& label) {
    if (!beginOp()) return;
    PickUniqueName(label, [this, type](std::string_view text) { return findByLabel(type, text) != nullptr; });
}

ResId IffFileBase::UniqueID(ResType type) {
    if (!beginOp()) return 0;
    std::vector<int32_t> ids;
    if (ResourceTypeGroup* group = mIndex.FindGroup(type))
        for (const auto& entry : group->entries) ids.push_back(entry.id);
    return PickUniqueId(ids);
}

bool IffFileBase::IsLibraryOrder(DataBlock* block) {
    if (!beginOp()) return true;
    Found found = holderOf(block, rc::kNoSuchLabel);
    return !found.entry || (found.entry->flags & kFlagLibraryOrder) != 0;
}

int32_t IffFileBase::ReservedOp(DataBlock* /*block*/) {
    if (!beginOp()) return GetError();
    return finish(rc::kUnsupported);
}

// ---- changes -------------------------------------------------------------------

int32_t IffFileBase::DetachResource(DataBlock* block) {
    if (!beginOp()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    // A body that cannot be written stays with the file, which tries again on close;
    // handing it over would drop the change while answering success.
    if (found.entry->AwaitsWrite() && WriteResource(block) != rc::kOk) return GetError();
    // The flags return to what the file holds (a conversion on load set the library-order
    // flag). They are kept, not read back from the chunk: a failed read would leave the
    // block neither the file's nor freed, and the next load would skip the conversion.
    found.entry->data = nullptr;
    found.entry->flags = found.entry->fileFlags;
    return finish(rc::kOk);
}

int32_t IffFileBase::labelNew(ResourceEntry& entry, std::string_view label) {
    entry.label.Assign(label.substr(0, kMaxLabelLength));
    return rc::kOk;
}

int32_t IffFileBase::relabel(ResourceEntry& entry, std::string_view label, bool& changed) {
    if (entry.label.View() == label) return rc::kOk;
    entry.label.Assign(label);
    changed = true;
    return rc::kOk;
}

int32_t IffFileBase::AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) {
    return addResource(block, type, id, label, 0, libraryOrder);
}

int32_t IffFileBase::addResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t attribute,
                                 bool libraryOrder) {
    if (!beginChange()) return GetError();
    if (!block) return finish(rc::kNoSuchLabel);
    // The resource replaced carries this very attribute: a lookup may fall back from
    // a variant to the plain resource, but adding a variant must not replace it.
    ResourceEntry* entry = findById(type, id, attribute);
    if (entry && attributeOf(*entry) != attribute) entry = nullptr;
    // A block held by another resource would be owned twice.
    Found holder = findByBlock(block);
    if (holder.entry && holder.entry != entry) return finish(rc::kUnsupported);

    ResourceEntry added;
    added.id = id;
    added.flags = static_cast<uint16_t>((attribute << kAttributeShift) | (libraryOrder ? kFlagLibraryOrder : 0));
    added.fileFlags = 0;
    added.data = block;
    added.pending = true;
    int32_t r = labelNew(added, label.View());
    if (r != rc::kOk) return finish(r);
    if (entry) {
        // The replaced version keeps its chunk (and the entry its offset and file flags)
        // until the new body is written: a write that fails or never comes loses nothing.
        if (entry->data != block) FreeDataBlock(entry->data);
        added.offset = entry->offset;
        added.fileFlags = entry->fileFlags;
        *entry = added;
    } else {
        mIndex.Add(type) = added;
    }
    indexChanged();
    return finish(rc::kOk);
}

int32_t IffFileBase::WriteResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    ResourceEntry& entry = *found.entry;
    const uint32_t length = block->size;
    const uint32_t headerBytes = mSpace.HeaderBytes();
    // A larger chunk would not fit its size field or would end every later walk.
    if (length > MaxChunkSize(mSpace.Layout()) - headerBytes) return finish(rc::kUnsupported);

    ChunkHeader header;
    header.type = found.group->type;
    header.size = length + headerBytes;
    header.id = static_cast<int16_t>(entry.id);
    // A listed chunk whose header carries the free flag was kept as a resource; writing
    // the flag back would hand it out as free space on the next walk.
    entry.flags &= static_cast<uint16_t>(~kFlagFree);
    header.flags = entry.flags;
    header.SetLabel(entry.label.View());
    header.labelNumber = entry.labelNumber;
    int32_t r = mSpace.WriteChunk(entry.offset, header, block->data, length);
    if (r != rc::kOk) return finish(r);
    entry.fileFlags = entry.flags;
    entry.pending = false;
    return settle(rc::kOk);
}

int32_t IffFileBase::RemoveResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    int32_t r = mSpace.ReleaseChunk(found.entry->offset, found.group->type);
    if (r == rc::kOk) {
        labelGone(*found.entry);
        indexChanged();
        found.index->Remove(*found.group, *found.entry);
    }
    return settle(r);
}

int32_t IffFileBase::SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) {
    if (!beginChange()) return GetError();
    if (attribute != 0 && legacy()) return finish(rc::kAttrUnsupported);
    Found found = findByBlock(block);
    if (!found.entry) return settle(rc::kNoSuchLabel);
    ResourceEntry& entry = *found.entry;
    bool changed = false;
    int32_t r = relabel(entry, label.View().substr(0, kMaxLabelLength), changed);
    if (r != rc::kOk) return finish(r);
    if (entry.id != id) {
        entry.id = id;
        changed = true;
    }
    if (changed) indexChanged();
    // A body awaiting its write takes the new ID and label with it; the chunk of the
    // version it replaces keeps its own until then.
    if (changed && !entry.AwaitsWrite()) {
        ChunkHeader header;
        if (mSpace.IsChunkOf(entry.offset, found.group->type, header, r)) {
            header.id = static_cast<int16_t>(entry.id);
            header.SetLabel(entry.label.View());
            header.labelNumber = entry.labelNumber;
            header.flags &= static_cast<uint16_t>(~kFlagFree);  // a listed chunk is a resource (see WriteResource)
            r = mSpace.WriteHeader(entry.offset, header);
            if (r == rc::kOk) entry.fileFlags &= static_cast<uint16_t>(~kFlagFree);
        } else if (r == rc::kOk) {
            r = rc::kChunkMismatch;
        }
    }
    return settle(r);
}

int32_t IffFileBase::SetResID(DataBlock* block, ResId id) {
    LabelText label;
    GetResName(block, label);
    if (GetError() != rc::kOk) return GetError();
    uint8_t attribute = GetResAttrs(block);
    if (GetError() != rc::kOk) return GetError();
    return SetResInfo(block, id, label, attribute);
}

}  // namespace tambrix
