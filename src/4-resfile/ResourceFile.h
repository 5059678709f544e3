#pragma once

#include <cstdint>

#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/ResultCodes.h"
#include "core/TextBuffer.h"

namespace tambrix {

/// The interface through which the whole system reads and writes resources: typed,
/// numbered blocks of bytes kept in a container. Every operation leaves a result code
/// behind (GetError); a failing operation returns a neutral value (0, null, false, or
/// the code). Nothing here throws or talks to the user.
///
/// Blocks handed out by Get... stay owned by the file until DetachResource; the
/// per-block operations take such a block to name the resource.
class ResourceFile {
public:
    ResourceFile() = default;
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    virtual ~ResourceFile();
    virtual int32_t Create(const TextBuffer& name) = 0;
    virtual int32_t Delete(const TextBuffer& name) = 0;
    virtual int32_t Open(const TextBuffer& name) = 0;
    /// Remembers the open file's name, then closes it.
    virtual int32_t Suspend() = 0;
    /// Opens the remembered name again.
    virtual int32_t Resume() = 0;
    virtual int32_t Close() = 0;
    /// Writes pending changes.
    virtual int32_t Update() = 0;
    virtual bool IsWritable() = 0;
    virtual int32_t GetPath(TextBuffer& name) = 0;
    virtual bool IsOpen() = 0;
    virtual int16_t CountTypes() = 0;
    /// index is 1-based.
    virtual ResType GetIndType(int16_t index) = 0;
    virtual int16_t CountResources(ResType type) = 0;
    virtual DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) = 0;
    virtual DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) = 0;
    /// index is 1-based.
    virtual DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) = 0;
    /// Attribute 0 is a plain GetResource; any other attribute answers rc::kAttrUnsupported and
    /// null.
    virtual DataBlock* GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert);
    virtual void GetResName(DataBlock* block, TextBuffer& label) = 0;
    /// 0 when the block is not this file's.
    virtual ResType GetResType(DataBlock* block) = 0;
    virtual int32_t GetResID(DataBlock* block, uint16_t& id) = 0;
    virtual int32_t GetResAux(DataBlock* block, uint16_t& aux) = 0;
    /// Asks GetResID (for its error) and answers 0.
    virtual uint8_t GetResAttrs(DataBlock* block);
    virtual void UniqueName(ResType type, TextBuffer& label) = 0;
    virtual ResId UniqueID(ResType type) = 0;
    /// Hands the block to the caller, who frees it with FreeDataBlock.
    virtual int32_t DetachResource(DataBlock* block) = 0;
    virtual int32_t ReservedOp(DataBlock* block) = 0;
    virtual bool IsLibraryOrder(DataBlock* block) = 0;
    virtual int32_t SetResID(DataBlock* block, ResId id) = 0;
    virtual int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                bool libraryOrder) = 0;
    /// Adds through AddResource with an empty label; the attribute is not kept.
    virtual int32_t AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                        uint8_t attribute, bool libraryOrder);
    virtual int32_t WriteResource(DataBlock* block) = 0;
    virtual int32_t RemoveResource(DataBlock* block) = 0;
    virtual int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) = 0;

    int32_t GetError() const { return mLastError; }
    void SetError(int32_t code) { mLastError = code; }
    /// DetachResource, then frees the block; answers the detach error when there is one.
    int32_t ReleaseResource(DataBlock* block);

private:
    int32_t mLastError = rc::kOk;
};

}  // namespace tambrix
