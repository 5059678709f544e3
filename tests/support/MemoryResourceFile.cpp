#include "support/MemoryResourceFile.h"

#include <algorithm>
#include <cstring>

namespace tambrix::test {

MemoryResourceFile::MemoryResourceFile() = default;

MemoryResourceFile::~MemoryResourceFile() { freeLoaded(); }

void MemoryResourceFile::Put(ResType type, ResId id, const std::vector<uint8_t>& bytes, const std::string& label,
                             bool libraryOrder) {
    if (std::find(mTypes.begin(), mTypes.end(), type) == mTypes.end()) mTypes.push_back(type);
    Entry entry;
    entry.type = type;
    entry.id = id;
    entry.label = label;
    entry.stored = bytes;
    entry.libraryOrder = libraryOrder;
    mEntries.push_back(std::move(entry));
}

const std::vector<uint8_t>* MemoryResourceFile::Stored(ResType type, ResId id) const {
    for (const Entry& e : mEntries) {
        if (e.type == type && e.id == id) return &e.stored;
    }
    return nullptr;
}

int MemoryResourceFile::LoadedBlocks() const {
    return static_cast<int>(std::count_if(mEntries.begin(), mEntries.end(), [](const Entry& e) { return e.loaded; }));
}

bool MemoryResourceFile::begin() {
    SetError(mOpen ? rc::kOk : rc::kNotOpen);
    return mOpen;
}

int32_t MemoryResourceFile::fail(int32_t code) {
    SetError(code);
    return code;
}

MemoryResourceFile::Entry* MemoryResourceFile::byBlock(DataBlock* block) {
    if (!block) return nullptr;
    for (Entry& e : mEntries) {
        if (e.loaded == block) return &e;
    }
    return nullptr;
}

MemoryResourceFile::Entry* MemoryResourceFile::byTypeAndIndex(ResType type, int16_t index) {
    int16_t seen = 0;
    for (Entry& e : mEntries) {
        if (e.type == type && ++seen == index) return &e;
    }
    return nullptr;
}

DataBlock* MemoryResourceFile::load(Entry& entry, ConversionRoutine convert) {
    if (failGet != 0) {
        SetError(failGet);
        return nullptr;
    }
    if (entry.loaded) return entry.loaded;
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(entry.stored.size()));
    if (!block) {
        SetError(rc::kNoMemory);
        return nullptr;
    }
    if (!entry.stored.empty()) std::memcpy(block->data, entry.stored.data(), entry.stored.size());
    if (!entry.libraryOrder && convert) convert(block->data, block->size);
    entry.loaded = block;
    return block;
}

void MemoryResourceFile::freeLoaded() {
    for (Entry& e : mEntries) {
        FreeDataBlock(e.loaded);
        e.loaded = nullptr;
    }
}

int32_t MemoryResourceFile::Create(const TextBuffer& name) {
    SetError(rc::kOk);
    if (mOpen) return fail(rc::kAlreadyOpen);
    mName = name.View();
    mEntries.clear();
    mTypes.clear();
    return rc::kOk;
}

int32_t MemoryResourceFile::Delete(const TextBuffer& /*name*/) {
    SetError(rc::kOk);
    if (mOpen) return fail(rc::kAlreadyOpen);
    mEntries.clear();
    mTypes.clear();
    return rc::kOk;
}

int32_t MemoryResourceFile::Open(const TextBuffer& name) {
    SetError(rc::kOk);
    if (mOpen) return fail(rc::kAlreadyOpen);
    mName = name.View();
    mOpen = true;
    return rc::kOk;
}

int32_t MemoryResourceFile::Suspend() {
    if (!begin()) return GetError();
    mSuspendedName = mName;
    return Close();
}

int32_t MemoryResourceFile::Resume() {
    SetError(rc::kOk);
    FileNameText name(mSuspendedName);
    return Open(name);
}

int32_t MemoryResourceFile::Close() {
    if (!begin()) return GetError();
    freeLoaded();
    mOpen = false;
    return rc::kOk;
}

int32_t MemoryResourceFile::Update() { return begin() ? rc::kOk : GetError(); }

bool MemoryResourceFile::IsWritable() { return mOpen && !readOnly; }

int32_t MemoryResourceFile::GetPath(TextBuffer& name) {
    if (!begin()) return GetError();
    name.Assign(mName);
    return rc::kOk;
}

bool MemoryResourceFile::IsOpen() { return mOpen; }

int16_t MemoryResourceFile::CountTypes() {
    if (!begin()) return 0;
    return static_cast<int16_t>(mTypes.size());
}

ResType MemoryResourceFile::GetIndType(int16_t index) {
    if (!begin()) return 0;
    if (index < 1 || static_cast<size_t>(index) > mTypes.size()) {
        SetError(rc::kTypeIndexRange);
        return 0;
    }
    return mTypes[index - 1];
}

int16_t MemoryResourceFile::CountResources(ResType type) {
    if (!begin()) return 0;
    return static_cast<int16_t>(
        std::count_if(mEntries.begin(), mEntries.end(), [type](const Entry& e) { return e.type == type; }));
}

DataBlock* MemoryResourceFile::GetResource(ResType type, ResId id, ConversionRoutine convert) {
    if (!begin()) return nullptr;
    for (Entry& e : mEntries) {
        if (e.type == type && e.id == id) return load(e, convert);
    }
    SetError(rc::kNoSuchResource);
    return nullptr;
}

DataBlock* MemoryResourceFile::GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) {
    if (!begin()) return nullptr;
    if (label.Length() > 0) {
        for (Entry& e : mEntries) {
            if (e.type == type && e.label == label.View()) return load(e, convert);
        }
    }
    SetError(rc::kNoSuchLabel);
    return nullptr;
}

DataBlock* MemoryResourceFile::GetIndResource(ResType type, int16_t index, ConversionRoutine convert) {
    if (!begin()) return nullptr;
    if (Entry* e = byTypeAndIndex(type, index)) return load(*e, convert);
    SetError(rc::kNoSuchResource);
    return nullptr;
}

void MemoryResourceFile::GetResName(DataBlock* block, TextBuffer& label) {
    label.Clear();
    if (!begin()) return;
    if (Entry* e = byBlock(block)) {
        label.Assign(e->label);
        return;
    }
    SetError(rc::kNoSuchLabel);
}

ResType MemoryResourceFile::GetResType(DataBlock* block) {
    if (!begin()) return 0;
    if (Entry* e = byBlock(block)) return e->type;
    SetError(rc::kNoSuchLabel);
    return 0;
}

int32_t MemoryResourceFile::GetResID(DataBlock* block, uint16_t& id) {
    id = 0;
    if (!begin()) return GetError();
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    id = static_cast<uint16_t>(e->id);
    return rc::kOk;
}

int32_t MemoryResourceFile::GetResAux(DataBlock* block, uint16_t& aux) {
    aux = 0;
    if (!begin()) return GetError();
    return byBlock(block) ? rc::kOk : fail(rc::kNoSuchLabel);
}

void MemoryResourceFile::UniqueName(ResType type, TextBuffer& label) {
    if (!begin()) return;
    std::string base = label.Length() > 0 ? std::string(label.View()) : std::string("Untitled");
    std::string candidate = base;
    for (int n = 2;; ++n) {
        bool used = std::any_of(mEntries.begin(), mEntries.end(),
                                [&](const Entry& e) { return e.type == type && e.label == candidate; });
        if (!used) break;
        candidate = base + " " + std::to_string(n);
    }
    label.Assign(candidate);
}

ResId MemoryResourceFile::UniqueID(ResType type) {
    if (!begin()) return 0;
    for (int32_t id = 1; id <= INT16_MAX; ++id) {
        bool used =
            std::any_of(mEntries.begin(), mEntries.end(), [&](const Entry& e) { return e.type == type && e.id == id; });
        if (!used) return static_cast<ResId>(id);
    }
    return 0;
}

int32_t MemoryResourceFile::DetachResource(DataBlock* block) {
    if (!begin()) return GetError();
    if (failDetach != 0) return fail(failDetach);
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    e->loaded = nullptr;
    return rc::kOk;
}

int32_t MemoryResourceFile::ReservedOp(DataBlock* /*block*/) {
    if (!begin()) return GetError();
    return fail(rc::kUnsupported);
}

bool MemoryResourceFile::IsLibraryOrder(DataBlock* block) {
    if (!begin()) return false;
    Entry* e = byBlock(block);
    if (!e) {
        SetError(rc::kNoSuchLabel);
        return false;
    }
    return e->libraryOrder;
}

int32_t MemoryResourceFile::SetResID(DataBlock* block, ResId id) {
    if (!begin()) return GetError();
    if (readOnly) return fail(rc::kNotWritable);
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    e->id = id;
    return rc::kOk;
}

int32_t MemoryResourceFile::AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                        bool libraryOrder) {
    if (!begin()) return GetError();
    if (readOnly) return fail(rc::kNotWritable);
    if (failAdd != 0) return fail(failAdd);
    if (!block || byBlock(block)) return fail(rc::kNoSuchLabel);
    std::vector<uint8_t> bytes;
    if (block->size > 0) bytes.assign(block->data, block->data + block->size);
    Put(type, id, bytes, std::string(label.View()), libraryOrder);
    mEntries.back().loaded = block;
    return rc::kOk;
}

int32_t MemoryResourceFile::WriteResource(DataBlock* block) {
    if (!begin()) return GetError();
    if (readOnly) return fail(rc::kNotWritable);
    if (failWrite != 0) return fail(failWrite);
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    if (block->size > 0)
        e->stored.assign(block->data, block->data + block->size);
    else
        e->stored.clear();
    return rc::kOk;
}

int32_t MemoryResourceFile::RemoveResource(DataBlock* block) {
    if (!begin()) return GetError();
    if (readOnly) return fail(rc::kNotWritable);
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    ResType type = e->type;
    FreeDataBlock(e->loaded);
    mEntries.erase(mEntries.begin() + (e - mEntries.data()));
    if (CountResources(type) == 0) mTypes.erase(std::find(mTypes.begin(), mTypes.end(), type));
    return rc::kOk;
}

int32_t MemoryResourceFile::SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t /*attribute*/) {
    if (!begin()) return GetError();
    if (readOnly) return fail(rc::kNotWritable);
    Entry* e = byBlock(block);
    if (!e) return fail(rc::kNoSuchLabel);
    e->id = id;
    e->label = label.View();
    return rc::kOk;
}

}  // namespace tambrix::test
