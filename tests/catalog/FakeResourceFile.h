#pragma once

// A small in-memory resource file for the catalog tests. It keeps the handing-out rules
// of the real containers: a block stays the file's until DetachResource, an added block
// is written by WriteResource (or on detach), and a body not stored in library order
// goes through the caller's conversion routine when it is handed out.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ByteBuilder.h"
#include "resfile/ResourceFile.h"

namespace tambrix::testing {

class FakeResourceFile : public ResourceFile {
public:
    struct Stored {
        Bytes bytes;
        std::string label;
        bool libraryOrder = true;
    };
    using Key = std::pair<ResType, ResId>;

    ~FakeResourceFile() override {
        for (auto& [block, info] : mOut) FreeDataBlock(block);
    }

    // --- test controls
    void Put(ResType type, ResId id, Bytes bytes, std::string label = {}, bool libraryOrder = true) {
        auto [it, inserted] = mStore.try_emplace({type, id});
        it->second = Stored{std::move(bytes), std::move(label), libraryOrder};
        if (inserted) mOrder.push_back({type, id});
    }
    const Stored* Find(ResType type, ResId id) const {
        auto it = mStore.find({type, id});
        return it == mStore.end() ? nullptr : &it->second;
    }
    bool readOnly = false;
    bool open = true;
    int adds = 0;
    int writes = 0;
    /// Blocks the file still holds (handed out and not released).
    size_t Outstanding() const { return mOut.size(); }

    // --- the interface
    int32_t Create(const TextBuffer&) override { return unsupported(); }
    int32_t Delete(const TextBuffer&) override { return unsupported(); }
    int32_t Open(const TextBuffer&) override { return unsupported(); }
    int32_t Suspend() override { return unsupported(); }
    int32_t Resume() override { return unsupported(); }
    int32_t Close() override {
        open = false;
        SetError(rc::kOk);
        return rc::kOk;
    }
    int32_t Update() override { return unsupported(); }
    bool IsWritable() override { return !readOnly; }
    int32_t GetPath(TextBuffer& name) override {
        name.Clear();
        return unsupported();
    }
    bool IsOpen() override { return open; }
    int16_t CountTypes() override { return static_cast<int16_t>(types().size()); }
    ResType GetIndType(int16_t index) override {
        auto t = types();
        if (index < 1 || index > static_cast<int16_t>(t.size())) return fail(rc::kTypeIndexRange), 0;
        SetError(rc::kOk);
        return t[index - 1];
    }
    int16_t CountResources(ResType type) override {
        SetError(rc::kOk);
        int16_t n = 0;
        for (auto& key : mOrder) n += key.first == type;
        return n;
    }
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override {
        if (!mStore.count({type, id})) return fail(rc::kNoSuchResource), nullptr;
        return handOut({type, id}, convert);
    }
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override {
        for (auto& key : mOrder)
            if (key.first == type && !label.View().empty() && mStore[key].label == label.View())
                return handOut(key, convert);
        return fail(rc::kNoSuchLabel), nullptr;
    }
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override {
        int16_t n = 0;
        for (auto& key : mOrder)
            if (key.first == type && ++n == index) return handOut(key, convert);
        return fail(rc::kNoSuchResource), nullptr;
    }
    void GetResName(DataBlock* block, TextBuffer& label) override {
        label.Clear();
        auto it = mOut.find(block);
        if (it == mOut.end()) return fail(rc::kNoSuchResource);
        SetError(rc::kOk);
        if (auto s = mStore.find(it->second.key); s != mStore.end()) label.Assign(s->second.label);
        else label.Assign(it->second.pendingLabel);
    }
    ResType GetResType(DataBlock* block) override {
        auto it = mOut.find(block);
        if (it == mOut.end()) return fail(rc::kNoSuchResource), 0;
        SetError(rc::kOk);
        return it->second.key.first;
    }
    int32_t GetResID(DataBlock* block, uint16_t& id) override {
        auto it = mOut.find(block);
        if (it == mOut.end()) return fail(rc::kNoSuchResource), GetError();
        id = static_cast<uint16_t>(it->second.key.second);
        return SetError(rc::kOk), rc::kOk;
    }
    int32_t GetResAux(DataBlock*, uint16_t& aux) override {
        aux = 0;
        return unsupported();
    }
    void UniqueName(ResType, TextBuffer&) override { unsupported(); }
    ResId UniqueID(ResType) override { return unsupported(), 0; }
    int32_t DetachResource(DataBlock* block) override {
        auto it = mOut.find(block);
        if (it == mOut.end()) return fail(rc::kNoSuchLabel), GetError();
        if (it->second.pending) WriteResource(block);
        mOut.erase(block);
        return SetError(rc::kOk), rc::kOk;
    }
    int32_t ReservedOp(DataBlock*) override { return unsupported(); }
    bool IsLibraryOrder(DataBlock*) override { return true; }
    int32_t SetResID(DataBlock*, ResId) override { return unsupported(); }
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                        bool libraryOrder) override {
        if (!open) return fail(rc::kNotOpen), GetError();
        if (readOnly) return fail(rc::kNotWritable), GetError();
        ++adds;
        for (auto it = mOut.begin(); it != mOut.end();) {
            // A block still handed out for the replaced resource is dropped with it.
            if (it->first != block && it->second.key == Key{type, id}) {
                FreeDataBlock(it->first);
                it = mOut.erase(it);
            } else {
                ++it;
            }
        }
        mOut[block] = Out{{type, id}, true, std::string(label.View()), libraryOrder};
        return SetError(rc::kOk), rc::kOk;
    }
    int32_t WriteResource(DataBlock* block) override {
        if (!open) return fail(rc::kNotOpen), GetError();
        if (readOnly) return fail(rc::kNotWritable), GetError();
        auto it = mOut.find(block);
        if (it == mOut.end()) return fail(rc::kNoSuchLabel), GetError();
        ++writes;
        Out& out = it->second;
        Bytes bytes(block->data, block->data + block->size);
        if (out.pending) {
            Put(out.key.first, out.key.second, std::move(bytes), out.pendingLabel, out.libraryOrder);
            out.pending = false;
        } else {
            mStore[out.key].bytes = std::move(bytes);
        }
        return SetError(rc::kOk), rc::kOk;
    }
    int32_t RemoveResource(DataBlock*) override { return unsupported(); }
    int32_t SetResInfo(DataBlock*, ResId, const TextBuffer&, uint8_t) override { return unsupported(); }

private:
    struct Out {
        Key key;
        bool pending = false;  // added, not yet written
        std::string pendingLabel;
        bool libraryOrder = true;
    };

    int32_t unsupported() {
        SetError(rc::kUnsupported);
        return rc::kUnsupported;
    }
    void fail(int32_t code) { SetError(code); }
    std::vector<ResType> types() const {
        std::vector<ResType> t;
        for (auto& key : mOrder)
            if (std::find(t.begin(), t.end(), key.first) == t.end()) t.push_back(key.first);
        return t;
    }
    DataBlock* handOut(const Key& key, ConversionRoutine convert) {
        if (!open) return fail(rc::kNotOpen), nullptr;
        const Stored& s = mStore[key];
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(s.bytes.size()));
        if (!s.bytes.empty()) std::memcpy(block->data, s.bytes.data(), s.bytes.size());
        if (!s.libraryOrder && convert) convert(block->data, block->size);
        mOut[block] = Out{key, false, {}, true};
        SetError(rc::kOk);
        return block;
    }

    std::map<Key, Stored> mStore;
    std::vector<Key> mOrder;
    std::map<DataBlock*, Out> mOut;
};

}  // namespace tambrix::testing
