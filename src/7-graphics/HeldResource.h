#pragma once

// Helpers the sprite and preview code share for fetching resources by an ID read from
// a wider field.

#include <cstdint>
#include <cstring>
#include <limits>

#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "platform/Bitmap.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

/// A resource fetched for the length of one call, handed back to its file on every exit.
/// A file hands out one block per resource: whoever else fetches and releases the same
/// resource meanwhile frees this block too, so one held longer than a call is taken from
/// the file with Keep.
class HeldResource {
public:
    HeldResource() = default;
    HeldResource(ResourceFile* file, DataBlock* block) : mFile(file), mBlock(block) {}
    HeldResource(const HeldResource&) = delete;
    HeldResource& operator=(const HeldResource&) = delete;
    HeldResource(HeldResource&& other) noexcept : mFile(other.mFile), mBlock(other.mBlock), mOwned(other.mOwned) {
        other.mBlock = nullptr;
    }
    HeldResource& operator=(HeldResource&& other) noexcept {
        if (this != &other) {
            release();
            mFile = other.mFile;
            mBlock = other.mBlock;
            mOwned = other.mOwned;
            other.mBlock = nullptr;
        }
        return *this;
    }
    ~HeldResource() { release(); }
    explicit operator bool() const { return mBlock != nullptr; }
    const uint8_t* Data() const { return mBlock->data; }
    uint32_t Size() const { return mBlock->size; }
    const DataBlock* Block() const { return mBlock; }

    /// Makes the bytes this holder's own, so that later fetches of the resource get a block
    /// of their own: the block is detached from its file (as releasing it would), or, when
    /// the file keeps it, copied. False when memory for the copy is short (the block then
    /// stays held as before).
    bool Keep() {
        if (!mBlock || mOwned) return true;
        if (mFile->DetachResource(mBlock) != rc::kOk) {
            DataBlock* copy = NewUnfilledDataBlock(mBlock->size);
            if (!copy) return false;
            if (mBlock->size > 0) std::memcpy(copy->data, mBlock->data, mBlock->size);
            mBlock = copy;  // the file's block stays the file's, as a failed release leaves it
        }
        mOwned = true;
        return true;
    }

private:
    void release() {
        if (mBlock && mOwned)
            FreeDataBlock(mBlock);
        else if (mBlock)
            mFile->ReleaseResource(mBlock);
        mBlock = nullptr;
    }

    ResourceFile* mFile = nullptr;
    DataBlock* mBlock = nullptr;
    bool mOwned = false;  // detached from the file or copied: freed here
};

// A resource ID is 16 bits on disk. A wider field may hold it sign-extended or as the
// unsigned 16-bit number (0x9C40 stored as 40000 names the resource whose ID reads as
// -25536); both name it. Anything wider names no resource rather than a truncated one.
inline constexpr int32_t kLowestResId = std::numeric_limits<ResId>::min();
inline constexpr int32_t kHighestStoredResId = std::numeric_limits<uint16_t>::max();

/// Whether a wider ID names a resource at all.
inline bool FitsResId(int32_t id) { return id >= kLowestResId && id <= kHighestStoredResId; }
/// The 16-bit ID a wider one names (check FitsResId first).
inline ResId ToResId(int32_t id) { return static_cast<ResId>(static_cast<uint16_t>(id)); }

/// Whether a bitmap of this size and depth is within the bitmap caps (each side
/// 1..kMaxDimension, the rows no more than kMaxImageBytes), so that Create can make it.
inline bool FitsBitmap(int64_t width, int64_t height, uint16_t bitsPerPixel) {
    using platform::Bitmap;
    if (width < 1 || height < 1 || width > Bitmap::kMaxDimension || height > Bitmap::kMaxDimension) return false;
    const int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    return stride * height <= static_cast<int64_t>(Bitmap::kMaxImageBytes);
}

}  // namespace tambrix
