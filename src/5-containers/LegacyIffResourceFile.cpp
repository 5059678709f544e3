#include "containers/LegacyIffResourceFile.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/AsciiCase.h"

namespace tambrix {

using namespace iff;

namespace {
constexpr ResId kOlderLabelTableId = 0;
constexpr ResId kLabelTableId = 1;
constexpr uint32_t kLabelTableVersion = 0;

void leaveAsIs(uint8_t*, uint32_t) {}
}  // namespace

LegacyIffResourceFile::LegacyIffResourceFile() : IffFileBase(ChunkLayout::kLegacy) {
    mIndex.lists = mOtherList.lists = true;
    // There is no map: a chunk the walk cannot reach is not in the file.
    mSpace.RequireWalkableAppends();
    mSpace.SetWriteGuard([this] {
        mChanged = true;
        return rc::kOk;
    });
}

LegacyIffResourceFile::~LegacyIffResourceFile() {
    if (IsOpen()) Close();
}

// ---- the file and its label table ----------------------------------------------

int32_t LegacyIffResourceFile::writeNewHeader(FileStream& stream) { return WriteLegacyFileHeader(stream); }

int32_t LegacyIffResourceFile::Create(const TextBuffer& name) {
    int32_t r = IffFileBase::Create(name);
    // A new file gets its empty label table: opened, marked changed, closed.
    if (r == rc::kOk && Open(name) == rc::kOk) {
        mChanged = true;
        Close();
    }
    return finish(r);
}

int32_t LegacyIffResourceFile::readHeader() { return ReadLegacyFileHeader(mStream); }

void LegacyIffResourceFile::readIndex() {
    walk();
    mLabels = LabelTable();
    std::swap(mIndex, mOtherList);  // the label table is an internal resource
    readLabelTable();
    std::swap(mIndex, mOtherList);
}

int32_t LegacyIffResourceFile::readLabelTable() {
    if (DataBlock* older = GetResource(kLabelTableType, kOlderLabelTableId, leaveAsIs)) {
        mLabels.ReadOlderForm(*older);
        mLabels.SetChanged(false);
    } else if (DataBlock* table = GetResource(kLabelTableType, kLabelTableId, EnvelopeConversion)) {
        mLabels.ReadCurrentForm(*table);
        mLabels.SetChanged(false);
    }
    // Without a table, the table stays empty and marked changed: the first change to a
    // writable file writes one along with it.
    return finish(rc::kOk);
}

// With the lists exchanged. The table is written as "NAME" ID 1; older ID 0 tables go.
int32_t LegacyIffResourceFile::writeLabelTable() {
    if (!mLabels.IsChanged()) return finish(rc::kOk);
    DataBlock* block = SerializeToBlock(mLabels, kLabelTableVersion);
    if (!block) return finish(rc::kNoMemory);
    ResourceEntry* table = findById(kLabelTableType, kLabelTableId, 0);
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
        findByBlock(block).entry->flags |= kFlagInternal;
        if (WriteResource(block) != rc::kOk) {
            int32_t r = GetError();
            RemoveResource(block);
            return finish(r);
        }
    }
    ReleaseResource(block);
    mLabels.SetChanged(false);
    // Every table the next open would read instead of this one goes: each older table
    // (a damaged file may hold several), and each other copy of this one that now lies
    // behind it in the file (the table moved into free space in front of it). Left in
    // place, it would drop the labels of this session.
    ResourceTypeGroup* group = mIndex.FindGroup(kLabelTableType);
    const ResourceEntry* written = findById(kLabelTableType, kLabelTableId, 0);
    const size_t keep = static_cast<size_t>(written - group->entries.data());
    const uint32_t writtenAt = written->offset;
    for (size_t i = group->entries.size(); i-- > 0;) {
        ResourceEntry& other = group->entries[i];
        const bool shadows = other.id == kOlderLabelTableId || (other.id == kLabelTableId && i != keep &&
                                                                other.offset != kNoOffset && other.offset > writtenAt);
        if (!shadows) continue;
        int32_t r = mSpace.ReleaseChunk(other.offset, kLabelTableType);
        if (r != rc::kOk) return finish(r);
        mIndex.Remove(*group, other);
    }
    return finish(rc::kOk);
}

int32_t LegacyIffResourceFile::Update() {
    if (!beginOp()) return GetError();
    // A file only looked at is never written, not even to give it the label table it
    // lacks; a read-only file cannot have been changed.
    if (!mChanged) return finish(rc::kOk);
    std::swap(mIndex, mOtherList);
    int32_t first = writeLabelTable();
    std::swap(mIndex, mOtherList);
    // Flushing gives what closing and reopening the stream would, without the risk of
    // a failed reopen leaving the object half open.
    return writeUnwritten(first);
}

// Compacted while the lists still name their chunks: what they list is kept.
int32_t LegacyIffResourceFile::writeBack() {
    int32_t r = Update();
    return r == rc::kOk ? compactIfWorthIt() : r;
}

int32_t LegacyIffResourceFile::Suspend() { return finish(rc::kIoFailed); }
int32_t LegacyIffResourceFile::Resume() { return finish(rc::kIoFailed); }

ResType LegacyIffResourceFile::GetIndType(int16_t index) {
    return IffFileBase::GetIndType(std::max<int16_t>(index, 1));
}

// ---- label numbers -------------------------------------------------------------

std::string_view LegacyIffResourceFile::labelOf(const ResourceEntry& entry) const {
    if (entry.labelNumber == kNoLabelNumber) return "";  // not {}: a null view must not reach TextBuffer::Assign
    const LabelTable::Record* record = mLabels.Find(entry.labelNumber);
    return record ? record->label.View() : std::string_view("");
}

// The table's records in their order, each looked for among the type's entries.
ResourceEntry* LegacyIffResourceFile::findByLabel(ResType type, std::string_view label) {
    ResourceTypeGroup* group = mIndex.FindGroup(type);
    if (!group) return nullptr;
    for (const auto& record : mLabels.Records()) {
        // A record under the "no label" number would lend its label to every unlabelled entry.
        if (record.number == kNoLabelNumber || !EqualNoCase(record.label.View(), label)) continue;
        for (auto& entry : group->entries)
            if (entry.labelNumber == record.number) return &entry;
    }
    return nullptr;
}

bool LegacyIffResourceFile::labelNumberShared(uint32_t number, const ResourceEntry* self) const {
    for (const ResourceIndex* index : {&mIndex, &mOtherList})
        for (const auto& group : index->groups)
            for (const auto& entry : group.entries)
                if (&entry != self && entry.labelNumber == number) return true;
    return false;
}

// One above the largest number in use, by the table or by any chunk (a chunk may carry
// a number its table lacks); when that would be the "no label" mark, the lowest unused.
bool LegacyIffResourceFile::newLabelNumber(uint32_t& number) const {
    std::vector<uint32_t> used;
    for (const auto& record : mLabels.Records()) used.push_back(record.number);
    for (const ResourceIndex* index : {&mIndex, &mOtherList})
        for (const auto& group : index->groups)
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

int32_t LegacyIffResourceFile::labelNew(ResourceEntry& entry, std::string_view label) {
    uint32_t number = kNoLabelNumber;
    if (!label.empty() && !newLabelNumber(number)) return rc::kNoLabelNumber;
    // A replaced resource's record stays in the table; only removing a resource drops it.
    if (number != kNoLabelNumber) mLabels.Set(number, label);
    entry.labelNumber = number;
    return rc::kOk;
}

int32_t LegacyIffResourceFile::relabel(ResourceEntry& entry, std::string_view label, bool& changed) {
    if (labelOf(entry) == label) return rc::kOk;
    // A record that other chunks also name is theirs too: this resource leaves it (and
    // gets a number of its own for a new label) instead of changing it under them.
    const bool shared = entry.labelNumber != kNoLabelNumber && labelNumberShared(entry.labelNumber, &entry);
    if (!label.empty() && (entry.labelNumber == kNoLabelNumber || shared)) {
        uint32_t number = kNoLabelNumber;
        if (!newLabelNumber(number)) return rc::kNoLabelNumber;
        entry.labelNumber = number;
    } else if (label.empty() && shared) {
        entry.labelNumber = kNoLabelNumber;
    }
    if (!label.empty())
        mLabels.Set(entry.labelNumber, label);
    else if (entry.labelNumber != kNoLabelNumber)
        mLabels.Remove(entry.labelNumber);
    changed = true;
    return rc::kOk;
}

// A record that another chunk also names stays: that resource keeps its label.
void LegacyIffResourceFile::labelGone(const ResourceEntry& entry) {
    if (entry.labelNumber != kNoLabelNumber && !labelNumberShared(entry.labelNumber, &entry))
        mLabels.Remove(entry.labelNumber);
}

}  // namespace tambrix
