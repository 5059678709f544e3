#pragma once

// A resource file held in memory for the benchmarks, which link the library alone:
// bodies stored per type and ID, a fresh block handed out per fetch.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix::bench {

class BenchResourceFile : public ResourceFile {
public:
    ~BenchResourceFile() override {
        for (auto& [block, key] : mOut) FreeDataBlock(block);
    }

    /// Stores a body; otherOrder marks one that is not in library order, so the fetch
    /// applies its conversion routine.
    void Put(ResType type, ResId id, std::vector<uint8_t> bytes, bool otherOrder = false) {
        mBodies[{type, id}] = Body{std::move(bytes), otherOrder};
    }
    size_t Outstanding() const { return mOut.size(); }
    int Fetches(ResType type) const {
        auto it = mFetches.find(type);
        return it == mFetches.end() ? 0 : it->second;
    }

    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override {
        SetError(rc::kOk);
        ++mFetches[type];
        auto it = mBodies.find({type, id});
        if (it == mBodies.end()) {
            SetError(rc::kNoSuchResource);
            return nullptr;
        }
        const auto& bytes = it->second.bytes;
        // As a container serves a body it holds in memory: one copy, no fill first.
        DataBlock* block = NewUnfilledDataBlock(static_cast<uint32_t>(bytes.size()));
        if (!block) {
            SetError(rc::kNoMemory);
            return nullptr;
        }
        if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), block->data);
        if (it->second.otherOrder && convert) convert(block->data, block->size);
        mOut[block] = it->first;
        return block;
    }
    int16_t CountResources(ResType type) override {
        int16_t n = 0;
        for (const auto& [key, body] : mBodies) n += key.first == type;
        return n;
    }
    /// Resources of a type in rising ID order; index is 1-based.
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override {
        for (const auto& [key, body] : mBodies)
            if (key.first == type && --index == 0) return GetResource(type, key.second, convert);
        SetError(rc::kNoSuchResource);
        return nullptr;
    }
    int32_t GetResID(DataBlock* block, uint16_t& id) override {
        auto it = mOut.find(block);
        if (it == mOut.end()) return unsupported();
        id = static_cast<uint16_t>(it->second.second);
        SetError(rc::kOk);
        return rc::kOk;
    }
    void GetResName(DataBlock*, TextBuffer& label) override { label.Clear(); }
    int32_t DetachResource(DataBlock* block) override {
        if (mOut.erase(block) == 0) {
            SetError(rc::kNoSuchLabel);
            return rc::kNoSuchLabel;
        }
        SetError(rc::kOk);
        return rc::kOk;
    }

    int32_t Create(const TextBuffer&) override { return unsupported(); }
    int32_t Delete(const TextBuffer&) override { return unsupported(); }
    int32_t Open(const TextBuffer&) override { return unsupported(); }
    int32_t Suspend() override { return unsupported(); }
    int32_t Resume() override { return unsupported(); }
    int32_t Close() override { return unsupported(); }
    int32_t Update() override { return unsupported(); }
    bool IsWritable() override { return false; }
    int32_t GetPath(TextBuffer&) override { return unsupported(); }
    bool IsOpen() override { return true; }
    int16_t CountTypes() override { return 0; }
    ResType GetIndType(int16_t) override { return 0; }
    DataBlock* GetNamedResource(ResType, const TextBuffer&, ConversionRoutine) override { return nullptr; }
    ResType GetResType(DataBlock*) override { return 0; }
    int32_t GetResAux(DataBlock*, uint16_t&) override { return unsupported(); }
    void UniqueName(ResType, TextBuffer&) override {}
    ResId UniqueID(ResType) override { return 0; }
    int32_t ReservedOp(DataBlock*) override { return unsupported(); }
    bool IsLibraryOrder(DataBlock*) override { return true; }
    int32_t SetResID(DataBlock*, ResId) override { return unsupported(); }
    int32_t AddResource(DataBlock*, ResType, ResId, const TextBuffer&, bool) override { return unsupported(); }
    int32_t WriteResource(DataBlock*) override { return unsupported(); }
    int32_t RemoveResource(DataBlock*) override { return unsupported(); }
    int32_t SetResInfo(DataBlock*, ResId, const TextBuffer&, uint8_t) override { return unsupported(); }

private:
    struct Body {
        std::vector<uint8_t> bytes;
        bool otherOrder = false;
    };
    int32_t unsupported() {
        SetError(rc::kUnsupported);
        return rc::kUnsupported;
    }

    std::map<std::pair<ResType, ResId>, Body> mBodies;
    std::map<DataBlock*, std::pair<ResType, ResId>> mOut;
    std::map<ResType, int> mFetches;
};

}  // namespace tambrix::bench
