#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix::test {

/// A resource file in memory, open and writable as "memory". Each resource keeps its stored
/// bytes and at most one loaded block, owned by the file until DetachResource; a body not in
/// library order gets the conversion routine when loaded. A closed file answers -49 (kNotOpen).
class MemoryResourceFile : public ResourceFile {
public:
    ~MemoryResourceFile() override { freeLoaded(); }

    /// Adds a stored resource without loading it.
    void Put(ResType type, ResId id, const std::vector<uint8_t>& bytes, const std::string& label = "",
             bool libraryOrder = true) {
        if (std::find(mTypes.begin(), mTypes.end(), type) == mTypes.end()) mTypes.push_back(type);
        mEntries.push_back({type, id, label, bytes, libraryOrder, nullptr});
    }
    /// The stored bytes of a resource, or null.
    const std::vector<uint8_t>* Stored(ResType type, ResId id) const {
        for (const Entry& e : mEntries)
            if (e.type == type && e.id == id) return &e.stored;
        return nullptr;
    }
    /// Blocks the file holds right now (handed out and not detached).
    int LoadedBlocks() const { return static_cast<int>(std::ranges::count_if(mEntries, &Entry::loaded)); }

    /// A non-zero code makes every call of that operation fail with it (until set back to 0).
    int32_t failAdd = 0, failWrite = 0, failGet = 0, failDetach = 0;
    /// Refuses changes with -45, as a file opened read-only.
    bool readOnly = false;

    int32_t Create(const TextBuffer& name) override {
        return Delete(name) == rc::kOk ? (mName = name.View(), 0) : GetError();
    }
    int32_t Delete(const TextBuffer&) override {
        return closedFirst() == rc::kOk ? (mEntries.clear(), mTypes.clear(), 0) : GetError();
    }
    int32_t Open(const TextBuffer& name) override {
        return closedFirst() == rc::kOk ? (mName = name.View(), mOpen = true, 0) : GetError();
    }
    int32_t Suspend() override { return begin() ? (mSuspendedName = mName, Close()) : GetError(); }
    int32_t Resume() override { return Open(FileNameText(mSuspendedName)); }
    int32_t Close() override { return begin() ? (freeLoaded(), mOpen = false, 0) : GetError(); }
    int32_t Update() override { return begin() ? rc::kOk : GetError(); }
    bool IsWritable() override { return mOpen && !readOnly; }
    int32_t GetPath(TextBuffer& name) override { return begin() ? (name.Assign(mName), 0) : GetError(); }
    bool IsOpen() override { return mOpen; }
    int16_t CountTypes() override { return begin() ? static_cast<int16_t>(mTypes.size()) : 0; }
    ResType GetIndType(int16_t index) override {
        if (!begin()) return 0;
        if (index >= 1 && static_cast<size_t>(index) <= mTypes.size()) return mTypes[index - 1];
        return SetError(rc::kTypeIndexRange), 0;
    }
    int16_t CountResources(ResType type) override {
        return begin() ? static_cast<int16_t>(std::ranges::count(mEntries, type, &Entry::type)) : 0;
    }
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override {
        return find([&](Entry& e) { return e.type == type && e.id == id; }, convert, rc::kNoSuchResource);
    }
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override {
        return find([&](Entry& e) { return label.Length() > 0 && e.type == type && e.label == label.View(); }, convert,
                    rc::kNoSuchLabel);
    }
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override {
        int16_t seen = 0;
        return find([&](Entry& e) { return e.type == type && ++seen == index; }, convert, rc::kNoSuchResource);
    }
    void GetResName(DataBlock* block, TextBuffer& label) override {
        label.Clear();
        if (Entry* e = byBlock(block)) label.Assign(e->label);
    }
    ResType GetResType(DataBlock* block) override { return byBlock(block) ? byBlock(block)->type : 0; }
    int32_t GetResID(DataBlock* block, uint16_t& id) override {
        Entry* e = byBlock(block);
        id = e ? static_cast<uint16_t>(e->id) : 0;
        return GetError();
    }
    int32_t GetResAux(DataBlock* block, uint16_t& aux) override { return aux = 0, byBlock(block), GetError(); }
    void UniqueName(ResType type, TextBuffer& label) override {
        if (!begin()) return;
        std::string base = label.Length() > 0 ? std::string(label.View()) : "Untitled", candidate = base;
        for (int n = 2; std::ranges::any_of(mEntries, [&](auto& e) { return e.type == type && e.label == candidate; });
             ++n)
            candidate = base + " " + std::to_string(n);
        label.Assign(candidate);
    }
    ResId UniqueID(ResType type) override {
        if (!begin()) return 0;
        for (int32_t id = 1; id <= INT16_MAX; ++id)
            if (!Stored(type, static_cast<ResId>(id))) return static_cast<ResId>(id);
        return 0;
    }
    int32_t DetachResource(DataBlock* block) override {
        if (begin() && failDetach != 0) return fail(failDetach);
        if (Entry* e = byBlock(block)) e->loaded = nullptr;
        return GetError();
    }
    int32_t ReservedOp(DataBlock*) override { return begin() ? fail(rc::kUnsupported) : GetError(); }
    bool IsLibraryOrder(DataBlock* block) override { return byBlock(block) && byBlock(block)->libraryOrder; }
    int32_t SetResID(DataBlock* block, ResId id) override {
        if (Entry* e = changing(block)) e->id = id;
        return GetError();
    }
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override {
        if (!begin()) return GetError();
        if (readOnly || failAdd != 0) return fail(readOnly ? rc::kNotWritable : failAdd);
        if (!block || std::ranges::count(mEntries, block, &Entry::loaded)) return fail(rc::kNoSuchLabel);
        Put(type, id, std::vector<uint8_t>(block->data, block->data + block->size), std::string(label.View()),
            libraryOrder);
        mEntries.back().loaded = block;
        return rc::kOk;
    }
    int32_t WriteResource(DataBlock* block) override {
        if (begin() && (readOnly || failWrite != 0)) return fail(readOnly ? rc::kNotWritable : failWrite);
        if (Entry* e = byBlock(block)) e->stored.assign(block->data, block->data + block->size);
        return GetError();
    }
    int32_t RemoveResource(DataBlock* block) override {
        Entry* e = changing(block);
        if (!e) return GetError();
        ResType type = e->type;
        FreeDataBlock(e->loaded);
        mEntries.erase(mEntries.begin() + (e - mEntries.data()));
        if (CountResources(type) == 0) std::erase(mTypes, type);
        return rc::kOk;
    }
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t) override {
        if (Entry* e = changing(block)) e->id = id, e->label = label.View();
        return GetError();
    }

private:
    struct Entry {
        ResType type;
        ResId id;
        std::string label;
        std::vector<uint8_t> stored;
        bool libraryOrder;
        DataBlock* loaded;
    };

    /// Sets the last error to 0, or to kNotOpen (answering false) when the file is closed.
    bool begin() { return SetError(mOpen ? rc::kOk : rc::kNotOpen), mOpen; }
    int32_t fail(int32_t code) { return SetError(code), code; }
    int32_t closedFirst() { return fail(mOpen ? rc::kAlreadyOpen : rc::kOk); }
    /// The entry of a block handed out (the last error kNoSuchLabel when none, kNotOpen when closed).
    Entry* byBlock(DataBlock* block) {
        if (!begin()) return nullptr;
        for (Entry& e : mEntries)
            if (block && e.loaded == block) return &e;
        return SetError(rc::kNoSuchLabel), nullptr;
    }
    /// byBlock for a change: refused on a read-only file.
    Entry* changing(DataBlock* block) {
        return begin() && readOnly ? (fail(rc::kNotWritable), nullptr) : byBlock(block);
    }
    template <class Match>
    DataBlock* find(Match match, ConversionRoutine convert, int32_t missing) {
        if (!begin()) return nullptr;
        for (Entry& e : mEntries)
            if (match(e)) return load(e, convert);
        return SetError(missing), nullptr;
    }
    DataBlock* load(Entry& entry, ConversionRoutine convert) {
        if (failGet != 0) return SetError(failGet), nullptr;
        if (entry.loaded) return entry.loaded;
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(entry.stored.size()));
        if (!block) return SetError(rc::kNoMemory), nullptr;
        if (!entry.stored.empty()) std::memcpy(block->data, entry.stored.data(), entry.stored.size());
        if (!entry.libraryOrder && convert) convert(block->data, block->size);
        return entry.loaded = block;
    }
    void freeLoaded() {
        for (Entry& e : mEntries) FreeDataBlock(e.loaded), e.loaded = nullptr;
    }

    std::vector<Entry> mEntries;
    std::vector<ResType> mTypes;
    std::string mName = "memory", mSuspendedName;
    bool mOpen = true;
};

/// Adds a resource holding a copy of `body` and writes it to the file: the write's code,
/// or the add's when the add fails (the block is then freed).
inline int32_t AddAndWrite(ResourceFile& file, ResType type, ResId id, std::string_view label,
                           const std::vector<uint8_t>& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    std::copy(body.begin(), body.end(), block->data);
    if (file.AddResource(block, type, id, LabelText(label), true) == rc::kOk) return file.WriteResource(block);
    FreeDataBlock(block);
    return file.GetError();
}

}  // namespace tambrix::test

namespace tambrix::testing {

/// The memory file as the graphics tests use it: storing a body again replaces it.
class FakeResourceFile : public test::MemoryResourceFile {
public:
    /// otherOrder marks a body not in library order, so the fetch applies its conversion routine.
    void Put(ResType type, ResId id, const std::vector<uint8_t>& bytes, bool otherOrder = false) {
        if (DataBlock* old = MemoryResourceFile::GetResource(type, id, nullptr)) RemoveResource(old);
        MemoryResourceFile::Put(type, id, bytes, "", !otherOrder);
    }
    /// Blocks fetched and not yet handed back.
    size_t Outstanding() const { return static_cast<size_t>(LoadedBlocks()); }
};

}  // namespace tambrix::testing
