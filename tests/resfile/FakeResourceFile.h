#pragma once

// A small in-memory resource file for the set tests: resources live in a vector, every
// block is owned by the file until detached, and each call leaves a code behind as the
// real containers do.

#include <algorithm>
#include <string>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix::test {

class FakeResourceFile : public ResourceFile {
public:
    struct Resource {
        ResType type = 0;
        ResId id = 0;
        std::string label;
        DataBlock* block = nullptr;
    };

    explicit FakeResourceFile(std::string path = "fake.iff", bool writable = true)
        : mPath(std::move(path)), mWritable(writable) {}
    ~FakeResourceFile() override {
        if (destroyed) *destroyed = true;
        for (Resource& resource : resources) FreeDataBlock(resource.block);
    }

    /// Adds a resource whose body is one byte holding `marker`.
    DataBlock* Put(ResType type, ResId id, std::string label = {}, uint8_t marker = 0) {
        DataBlock* block = NewDataBlock(1);
        block->data[0] = marker;
        resources.push_back({type, id, std::move(label), block});
        return block;
    }

    int32_t Create(const TextBuffer&) override { return Done(rc::kOk); }
    int32_t Delete(const TextBuffer&) override { return Done(rc::kOk); }
    int32_t Open(const TextBuffer&) override { return Done(rc::kOk); }
    int32_t Suspend() override { return Done(suspendResult); }
    int32_t Resume() override { return Done(rc::kOk); }
    int32_t Close() override {
        ++closeCalls;
        open = false;
        return Done(closeResult);
    }
    int32_t Update() override {
        ++updateCalls;
        return Done(updateResult);
    }
    bool IsWritable() override { return mWritable; }
    int32_t GetPath(TextBuffer& name) override {
        name.Assign(mPath);
        return Done(rc::kOk);
    }
    bool IsOpen() override { return open; }
    int16_t CountTypes() override {
        if (typesError != rc::kOk) return Fail<int16_t>(typesError, 0);
        Done(rc::kOk);
        return static_cast<int16_t>(Types().size());
    }
    ResType GetIndType(int16_t index) override {
        std::vector<ResType> types = Types();
        if (index < 1 || static_cast<size_t>(index) > types.size()) return Fail<ResType>(rc::kTypeIndexRange, 0);
        Done(rc::kOk);
        return types[index - 1];
    }
    int16_t CountResources(ResType type) override {
        if (countError != rc::kOk) return Fail<int16_t>(countError, 0);
        Done(rc::kOk);
        return static_cast<int16_t>(std::count_if(resources.begin(), resources.end(),
                                                  [type](const Resource& r) { return r.type == type; }));
    }
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine) override {
        for (Resource& r : resources) {
            if (r.type == type && r.id == id) return Found(r);
        }
        return Fail<DataBlock*>(rc::kNoSuchResource, nullptr);
    }
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine) override {
        for (Resource& r : resources) {
            if (r.type == type && label.Compare(r.label) == 0) return Found(r);
        }
        return Fail<DataBlock*>(rc::kNoSuchLabel, nullptr);
    }
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine) override {
        int16_t position = 0;
        for (Resource& r : resources) {
            if (r.type == type && ++position == index) return Found(r);
        }
        return Fail<DataBlock*>(rc::kNoSuchResource, nullptr);
    }
    void GetResName(DataBlock* block, TextBuffer& label) override {
        label.Clear();
        if (Resource* r = Holder(block)) label.Assign(r->label);
    }
    ResType GetResType(DataBlock* block) override {
        Resource* r = Holder(block);
        return r ? r->type : 0;
    }
    int32_t GetResID(DataBlock* block, uint16_t& id) override {
        Resource* r = Holder(block);
        id = r ? static_cast<uint16_t>(r->id) : 0;
        return GetError();
    }
    int32_t GetResAux(DataBlock*, uint16_t& aux) override {
        aux = 0;
        return Done(rc::kUnsupported);
    }
    void UniqueName(ResType type, TextBuffer& label) override {
        // Appends "+" while the label is taken, so each member's turn is visible.
        Done(rc::kOk);
        std::string base(label.View());
        while (std::any_of(resources.begin(), resources.end(),
                           [&](const Resource& r) { return r.type == type && r.label == base; })) {
            base += "+";
        }
        label.Assign(base);
    }
    ResId UniqueID(ResType) override {
        Done(rc::kOk);
        return uniqueId;
    }
    int32_t DetachResource(DataBlock* block) override {
        Resource* r = Holder(block);
        if (!r) return Done(rc::kNoSuchLabel);
        r->block = nullptr;
        return Done(rc::kOk);
    }
    int32_t ReservedOp(DataBlock*) override { return Done(rc::kUnsupported); }
    bool IsLibraryOrder(DataBlock* block) override { return Holder(block) != nullptr && libraryOrder; }
    int32_t SetResID(DataBlock* block, ResId id) override {
        Resource* r = Holder(block);
        if (r) r->id = id;
        return GetError();
    }
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool) override {
        if (!mWritable) return Done(rc::kNotWritable);
        resources.push_back({type, id, std::string(label.View()), block});
        return Done(rc::kOk);
    }
    int32_t AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t,
                                bool libraryOrder) override {
        ++addCalls;
        return AddResource(block, type, id, label, libraryOrder);
    }
    int32_t WriteResource(DataBlock* block) override {
        ++writeCalls;
        Holder(block);
        return GetError();
    }
    int32_t RemoveResource(DataBlock* block) override {
        for (auto it = resources.begin(); it != resources.end(); ++it) {
            if (block && it->block == block) {
                FreeDataBlock(it->block);
                resources.erase(it);
                return Done(rc::kOk);
            }
        }
        return Done(rc::kNoSuchLabel);
    }
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t) override {
        Resource* r = Holder(block);
        if (r) {
            r->id = id;
            r->label = std::string(label.View());
        }
        return GetError();
    }

    std::vector<Resource> resources;
    bool open = true;
    bool libraryOrder = true;
    bool* destroyed = nullptr;
    int32_t typesError = rc::kOk;
    int32_t countError = rc::kOk;
    int32_t suspendResult = rc::kOk;
    int32_t closeResult = rc::kOk;
    int32_t updateResult = rc::kOk;
    ResId uniqueId = 200;
    int closeCalls = 0;
    int updateCalls = 0;
    int addCalls = 0;
    int writeCalls = 0;

private:
    int32_t Done(int32_t code) {
        SetError(code);
        return code;
    }
    template <typename T>
    T Fail(int32_t code, T neutral) {
        SetError(code);
        return neutral;
    }
    DataBlock* Found(Resource& r) {
        SetError(rc::kOk);
        if (!r.block) {
            // Detached earlier: load a fresh copy, as a container would.
            r.block = NewDataBlock(1);
            r.block->data[0] = 0;
        }
        return r.block;
    }
    /// The resource holding the block; sets -99 when there is none.
    Resource* Holder(DataBlock* block) {
        for (Resource& r : resources) {
            if (block && r.block == block) {
                SetError(rc::kOk);
                return &r;
            }
        }
        SetError(rc::kNoSuchLabel);
        return nullptr;
    }
    std::vector<ResType> Types() const {
        std::vector<ResType> types;
        for (const Resource& r : resources) {
            if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
        }
        return types;
    }

    std::string mPath;
    bool mWritable;
};

}  // namespace tambrix::test
