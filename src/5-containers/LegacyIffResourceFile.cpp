#include "containers/LegacyIffResourceFile.h"

#include <algorithm>
#include <functional>

#include "core/AsciiCase.h"

namespace tambrix {

using namespace iff;

namespace {
constexpr ResId kOlderLabelTableId = 0;
constexpr ResId kLabelTableId = 1;

bool sameLabel(std::string_view a, std::string_view b) { return EqualNoCase(a, b); }
void leaveAsIs(uint8_t*, uint32_t) {}
}  // namespace

LegacyIffResourceFile::LegacyIffResourceFile() : IffFileBase(ChunkLayout::kLegacy) {
    mSpace.SetIndex([this](const std::function<void(uint32_t&, ResType)>& visit) {
        for (List* list : {&mMain, &mInternal})
            for (auto& group : *list)
                for (auto& entry : group.entries) visit(entry.offset, group.type);
    });
    // There is no map: a chunk the walk cannot reach is not in the file.
    mSpace.RequireWalkableAppends();
    mSpace.SetWriteGuard([this] {
        mChanged = true;
        return rc::kOk;
    });
}

LegacyIffResourceFile::~LegacyIffResourceFile() {
    if (IsOpen()) Close();
    releaseLists();
}

bool LegacyIffResourceFile::hasIndex() const { return mLabels != nullptr; }

void LegacyIffResourceFile::releaseLists() {
    for (List* list : {&mMain, &mInternal}) {
        for (auto& group : *list)
            for (auto& entry : group.entries) FreeDataBlock(entry.data);
        list->clear();
    }
}

// ---- files ---------------------------------------------------------------------

int32_t LegacyIffResourceFile::Create(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Create(name);
    if (r != rc::kOk) return finish(r);
    FileStream fresh;
    r = fresh.Open(name);
    if (r == rc::kOk) {
        r = WriteLegacyFileHeader(fresh);
        fresh.Close();
    }
    if (r != rc::kOk) return finish(r);
    // A new file gets its empty label table: opened, marked changed, closed.
    if (Open(name) == rc::kOk) {
        mChanged = true;
        Close();
    }
    return finish(r);
}

int32_t LegacyIffResourceFile::Open(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    int32_t r = mStream.Open(name);
    if (r != rc::kOk) return finish(r);
    r = ReadLegacyFileHeader(mStream);
    if (r != rc::kOk) {
        mStream.Close();
        return finish(r);
    }
    releaseLists();
    mSpace.freeBytes = 0;
    mSpace.Walk([this](uint32_t offset, const ChunkHeader& header) {
        if (header.IsFree()) {
            mSpace.freeBytes += header.size;
            return;
        }
        List& list = (header.flags & kFlagInternal) ? mInternal : mMain;
        TypeGroup* group = findGroup(list, header.type);
        if (!group) {
            list.push_back(TypeGroup{header.type, {}});
            group = &list.back();
        }
        Entry entry;
        entry.id = static_cast<uint16_t>(header.id);
        entry.flags = entry.fileFlags = header.flags;
        entry.offset = offset;
        entry.labelNumber = header.labelNumber;
        group->entries.push_back(entry);
    });
    // The lists run in reverse order of discovery: built forwards, then turned round.
    for (List* list : {&mMain, &mInternal}) {
        std::reverse(list->begin(), list->end());
        for (auto& group : *list) std::reverse(group.entries.begin(), group.entries.end());
    }
    mSpace.Forget();
    mLabels = std::make_unique<LabelTable>();
    mInternalMode = true;
    readLabelTable();
    mInternalMode = false;
    mChanged = false;
    return finish(rc::kOk);
}

void LegacyIffResourceFile::readLabelTable() {
    if (DataBlock* older = GetResource(kLabelTableType, kOlderLabelTableId, leaveAsIs)) {
        mLabels->ReadOlderForm(*older);
        mLabels->SetChanged(false);
    } else if (DataBlock* table = GetResource(kLabelTableType, kLabelTableId, EnvelopeConversion)) {
        mLabels->ReadCurrentForm(*table);
        mLabels->SetChanged(false);
    }
    // Without a table, the table stays empty and marked changed: the first change to a
    // writable file writes one along with it.
    SetError(rc::kOk);
}

// In internal mode. The table is written as "NAME" ID 1; an older ID 0 table goes.
int32_t LegacyIffResourceFile::writeLabelTable() {
    if (!mLabels->IsChanged()) return finish(rc::kOk);
    DataBlock* block = SerializeToBlock(*mLabels, 0);
    if (!block) return finish(rc::kNoMemory);
    Entry* table = findById(kLabelTableType, kLabelTableId);
    if (table && table->offset != kNoOffset) {
        // The table in the file is rewritten, not first released: a table that cannot
        // be written (no room behind a damaged chunk) leaves the old one in place.
        FreeDataBlock(table->data);
        table->data = block;
        table->flags = kFlagLibraryOrder | kFlagInternal;
        if (WriteResource(block) != rc::kOk) return GetError();
    } else {
        LabelText noLabel;
        if (AddResource(block, kLabelTableType, kLabelTableId, noLabel, true) != rc::kOk) {
            FreeDataBlock(block);
            return GetError();
        }
        if (WriteResource(block) != rc::kOk) {
            int32_t r = GetError();
            RemoveResource(block);
            return finish(r);
        }
    }
    ReleaseResource(block);
    mLabels->SetChanged(false);
    if (TypeGroup* group = findGroup(current(), kLabelTableType)) {
        auto older = std::find_if(group->entries.begin(), group->entries.end(),
                                  [](const Entry& e) { return e.id == static_cast<uint16_t>(kOlderLabelTableId); });
        if (older != group->entries.end()) {
            int32_t r = mSpace.ReleaseChunk(older->offset, kLabelTableType);
            if (r != rc::kOk) return finish(r);
            FreeDataBlock(older->data);
            group->entries.erase(older);
        }
    }
    return finish(rc::kOk);
}

int32_t LegacyIffResourceFile::Suspend() { return finish(rc::kIoFailed); }
int32_t LegacyIffResourceFile::Resume() { return finish(rc::kIoFailed); }

int32_t LegacyIffResourceFile::Update() {
    if (!beginOp()) return GetError();
    // A file only looked at is never written, not even to give it the label table it
    // lacks; a read-only file cannot have been changed.
    if (!mChanged) return finish(rc::kOk);
    mInternalMode = true;
    int32_t first = writeLabelTable();
    mInternalMode = false;
    for (List* list : {&mMain, &mInternal}) writeUnwritten(*list, first);
    // Flushing gives what closing and reopening the stream would, without the risk of
    // a failed reopen leaving the object half open.
    if (first == rc::kOk) first = mStream.Flush();
    return finish(first);
}

int32_t LegacyIffResourceFile::Close() {
    if (!IsOpen()) return finish(rc::kNotOpen);
    int32_t r = rc::kOk;
    if (mLabels) r = Update();
    // Compacted while the lists still name their chunks: what they list is kept. Only
    // a changed file is compacted.
    if (mLabels && r == rc::kOk && mChanged && mSpace.freeBytes >= kCompactThreshold) r = Compact();
    releaseLists();
    mLabels.reset();
    int32_t closed = mStream.Close();
    mSpace.Forget();
    mSpace.nextFit = -1;
    mSpace.freeBytes = 0;
    mInternalMode = false;
    mChanged = false;
    // A failure while writing the changes is not hidden behind a good close.
    return finish(r != rc::kOk ? r : closed);
}

// ---- lookups -------------------------------------------------------------------

LegacyIffResourceFile::TypeGroup* LegacyIffResourceFile::findGroup(List& list, ResType type) {
    for (auto& group : list)
        if (group.type == type) return &group;
    return nullptr;
}

LegacyIffResourceFile::Entry* LegacyIffResourceFile::findById(ResType type, ResId id) {
    TypeGroup* group = findGroup(current(), type);
    if (!group) return nullptr;
    for (auto& entry : group->entries)
        if (entry.id == static_cast<uint16_t>(id)) return &entry;
    return nullptr;
}

// Both lists are searched, the current one first: Update writes internal resources
// while not in internal mode.
LegacyIffResourceFile::Found LegacyIffResourceFile::findByBlock(const DataBlock* block) {
    if (!block) return {};
    List& first = current();
    List& second = mInternalMode ? mMain : mInternal;
    for (List* list : {&first, &second})
        for (auto& group : *list)
            for (auto& entry : group.entries)
                if (entry.data == block) return {&group, &entry};
    return {};
}

std::string_view LegacyIffResourceFile::labelOf(const Entry& entry) const {
    if (entry.labelNumber == kNoLabelNumber || !mLabels) return "";  // not {}: a null view must not reach TextBuffer::Assign
    const LabelTable::Record* record = mLabels->Find(entry.labelNumber);
    return record ? record->label.View() : std::string_view("");
}

bool LegacyIffResourceFile::labelNumberShared(uint32_t number, const Entry* self) const {
    for (const List* list : {&mMain, &mInternal})
        for (const auto& group : *list)
            for (const auto& entry : group.entries)
                if (&entry != self && entry.labelNumber == number) return true;
    return false;
}

// One above the largest number in use, by the table or by any chunk (a chunk may carry
// a number its table lacks); when that would be the "no label" mark, the lowest unused.
bool LegacyIffResourceFile::newLabelNumber(uint32_t& number) const {
    std::vector<uint32_t> used;
    for (const auto& record : mLabels->Records()) used.push_back(record.number);
    for (const List* list : {&mMain, &mInternal})
        for (const auto& group : *list)
            for (const auto& entry : group.entries)
                if (entry.labelNumber != kNoLabelNumber) used.push_back(entry.labelNumber);
    const uint32_t largest = used.empty() ? 0 : *std::max_element(used.begin(), used.end());
    if (largest < kNoLabelNumber - 1) {
        number = largest + 1;
        return true;
    }
    std::sort(used.begin(), used.end());
    number = 1;
    for (uint32_t n : used) {
        if (n > number) break;
        if (n == number) ++number;
    }
    return number < kNoLabelNumber;
}

int16_t LegacyIffResourceFile::CountTypes() {
    if (!beginOp()) return 0;
    return clampCount(current().size());
}

ResType LegacyIffResourceFile::GetIndType(int16_t index) {
    if (!beginOp()) return 0;
    List& list = current();
    if (index < 1) index = 1;  // a position below 1 is the first type
    if (static_cast<size_t>(index) > list.size()) {
        SetError(rc::kTypeIndexRange);
        return 0;
    }
    return list[index - 1].type;
}

int16_t LegacyIffResourceFile::CountResources(ResType type) {
    if (!beginOp()) return 0;
    TypeGroup* group = findGroup(current(), type);
    return group ? clampCount(group->entries.size()) : 0;
}

// Whether a body needs converting is what the file holds; a body converted on load is
// marked in the flags its next write will carry.
DataBlock* LegacyIffResourceFile::load(ResType type, Entry* entry, ConversionRoutine convert) {
    return loadEntry(type, entry, &Entry::fileFlags, convert);
}

DataBlock* LegacyIffResourceFile::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    return load(type, findById(type, id), convert);
}

DataBlock* LegacyIffResourceFile::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    TypeGroup* group = findGroup(current(), type);
    if (label.Length() > 0 && group) {
        for (const auto& record : mLabels->Records()) {
            if (!sameLabel(record.label.View(), label.View())) continue;
            for (auto& entry : group->entries)
                if (entry.labelNumber == record.number) return load(type, &entry, convert);
        }
    }
    SetError(rc::kNoSuchLabel);
    return nullptr;
}

DataBlock* LegacyIffResourceFile::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    TypeGroup* group = findGroup(current(), type);
    Entry* entry = nullptr;
    if (group && index >= 1 && static_cast<size_t>(index) <= group->entries.size()) entry = &group->entries[index - 1];
    return load(type, entry, convert);
}

bool LegacyIffResourceFile::describe(const DataBlock* block, EntryFacts& facts) {
    Found found = findByBlock(block);
    if (!found.entry) return false;
    facts.type = found.group->type;
    facts.offset = found.entry->offset;
    facts.id = found.entry->id;
    facts.flags = found.entry->flags;
    facts.attribute = 0;  // this generation has no attributes
    facts.label = labelOf(*found.entry);
    facts.awaitsWrite = awaitsWrite(*found.entry);
    return true;
}

bool LegacyIffResourceFile::labelTaken(ResType type, std::string_view label) {
    TypeGroup* group = findGroup(current(), type);
    if (!group) return false;
    return std::any_of(group->entries.begin(), group->entries.end(), [&](const Entry& e) {
        return e.labelNumber != kNoLabelNumber && !labelOf(e).empty() && sameLabel(labelOf(e), label);
    });
}

std::vector<int32_t> LegacyIffResourceFile::idsOf(ResType type) {
    std::vector<int32_t> ids;
    if (TypeGroup* group = findGroup(current(), type))
        for (const auto& entry : group->entries) ids.push_back(static_cast<int16_t>(entry.id));
    return ids;
}

// ---- changes -------------------------------------------------------------------

// The flags return to what the file holds (a conversion on load set 0x10). They are
// kept, not read back from the chunk: a failed read would leave the block neither the
// file's nor freed, and the next load would skip the conversion.
int32_t LegacyIffResourceFile::detachBody(const DataBlock* block) {
    Found found = findByBlock(block);
    found.entry->data = nullptr;
    found.entry->flags = found.entry->fileFlags;
    return rc::kOk;
}

int32_t LegacyIffResourceFile::AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                           bool libraryOrder) {
    if (!beginChange()) return GetError();
    if (!block) return finish(rc::kNoSuchLabel);
    Entry* entry = findById(type, id);
    // A block held by another resource would be owned twice.
    Found holder = findByBlock(block);
    if (holder.entry && holder.entry != entry) return finish(rc::kUnsupported);
    uint32_t labelNumber = kNoLabelNumber;
    if (label.Length() > 0 && !newLabelNumber(labelNumber)) return finish(rc::kNoLabelNumber);
    if (entry) {
        // The replaced version keeps its chunk (and the entry its offset and file flags)
        // until the new body is written: a write that fails or is refused loses nothing.
        if (entry->data != block) FreeDataBlock(entry->data);
        // The replaced resource's label record stays in the table; only removing a
        // resource drops its record.
    } else {
        List& list = current();
        TypeGroup* group = findGroup(list, type);
        if (!group) {
            list.insert(list.begin(), TypeGroup{type, {}});
            group = &list.front();
        }
        group->entries.insert(group->entries.begin(), Entry{});
        entry = &group->entries.front();
    }
    if (labelNumber != kNoLabelNumber) mLabels->Set(labelNumber, label.View());
    entry->id = static_cast<uint16_t>(id);
    entry->flags = static_cast<uint16_t>((libraryOrder ? kFlagLibraryOrder : 0) | (mInternalMode ? kFlagInternal : 0));
    entry->labelNumber = labelNumber;
    entry->data = block;
    entry->pending = true;
    mChanged = true;
    return finish(rc::kOk);
}

int32_t LegacyIffResourceFile::WriteResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    Entry& entry = *found.entry;
    const uint32_t length = block->size;
    if (length > UINT32_MAX - kLegacyHeaderSize) return finish(rc::kUnsupported);
    ChunkHeader header;
    header.type = found.group->type;
    header.size = length + kLegacyHeaderSize;
    header.id = static_cast<int16_t>(entry.id);
    header.flags = entry.flags;
    header.labelNumber = entry.labelNumber;
    int32_t r = mSpace.WriteChunk(entry.offset, header, block->data, length);
    if (r != rc::kOk) return finish(r);
    entry.fileFlags = entry.flags;
    entry.pending = false;
    return finish(rc::kOk);
}

int32_t LegacyIffResourceFile::RemoveResource(DataBlock* block) {
    if (!beginChange()) return GetError();
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    int32_t r = mSpace.ReleaseChunk(found.entry->offset, found.group->type);
    if (r != rc::kOk) return finish(r);
    mChanged = true;
    // A record that another chunk also names stays: that resource keeps its label.
    const uint32_t number = found.entry->labelNumber;
    if (number != kNoLabelNumber && !labelNumberShared(number, found.entry)) mLabels->Remove(number);
    FreeDataBlock(found.entry->data);
    auto& entries = found.group->entries;
    entries.erase(entries.begin() + (found.entry - entries.data()));  // the group stays, even empty
    return finish(rc::kOk);
}

int32_t LegacyIffResourceFile::SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) {
    if (!beginChange()) return GetError();
    if (attribute != 0) return finish(rc::kAttrUnsupported);
    Found found = findByBlock(block);
    if (!found.entry) return finish(rc::kNoSuchLabel);
    Entry& entry = *found.entry;
    std::string_view newLabel = label.View().substr(0, kMaxLabelLength);
    const bool labelChanged = labelOf(entry) != newLabel;
    // A record that other chunks also name is theirs too: this resource leaves it (and
    // gets a number of its own for a new label) instead of changing it under them.
    const bool shared = entry.labelNumber != kNoLabelNumber && labelNumberShared(entry.labelNumber, &entry);
    if (labelChanged && !newLabel.empty() && (entry.labelNumber == kNoLabelNumber || shared)) {
        uint32_t number = kNoLabelNumber;
        if (!newLabelNumber(number)) return finish(rc::kNoLabelNumber);
        entry.labelNumber = number;
    } else if (labelChanged && newLabel.empty() && shared) {
        entry.labelNumber = kNoLabelNumber;
    }
    bool changed = false;
    if (entry.id != static_cast<uint16_t>(id)) {
        entry.id = static_cast<uint16_t>(id);
        changed = true;
    }
    if (labelChanged) {
        if (!newLabel.empty())
            mLabels->Set(entry.labelNumber, newLabel);
        else if (entry.labelNumber != kNoLabelNumber)
            mLabels->Remove(entry.labelNumber);
        changed = true;
    }
    if (changed) mChanged = true;
    int32_t r = rc::kOk;
    // A body awaiting its write takes the new ID and label number with it; the chunk of
    // the version it replaces keeps its own until then.
    if (changed && !awaitsWrite(entry)) {
        ChunkHeader header;
        if (mSpace.IsChunkOf(entry.offset, found.group->type, header, r)) {
            header.id = static_cast<int16_t>(entry.id);
            header.labelNumber = entry.labelNumber;
            r = mSpace.WriteHeader(entry.offset, header);
        } else if (r == rc::kOk) {
            r = rc::kChunkMismatch;
        }
    }
    return finish(r);
}

int32_t LegacyIffResourceFile::Compact() {
    if (!beginChange()) return GetError();
    return finish(mSpace.Compact(0));
}

}  // namespace tambrix
