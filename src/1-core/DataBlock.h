#pragma once

#include <cstdint>
#include <memory>

namespace tambrix {

/// The bytes of one resource in memory. A container hands blocks out and owns them
/// until DetachResource; a detached block is freed with FreeDataBlock.
///
/// A block either owns its bytes, or (with `keeper` set) its bytes lie in a larger buffer
/// that `keeper` keeps alive: a file held in memory whose bodies are lent out without a
/// copy. The bytes are the block's alone either way; the caller may change them in place.
struct DataBlock {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    std::shared_ptr<void> keeper;  ///< set when `data` lies in a buffer the block does not own
};

/// Fill byte of every new block: uninitialised bytes are easy to spot in a dump.
inline constexpr uint8_t kNewBlockFill = 0xA3;

/// Allocates a block of `size` bytes filled with 0xA3; null when memory is short.
/// A size of 0 gives a block with no bytes.
DataBlock* NewDataBlock(uint32_t size);

/// Allocates a block of `size` bytes left as they come, for a caller that fills every byte
/// at once (a body read from its file) and frees the block if it cannot; null when memory
/// is short.
DataBlock* NewUnfilledDataBlock(uint32_t size);

/// A block of the `size` bytes at `data`, which lie in a buffer that `keeper` keeps alive
/// (see DataBlock); null when memory is short.
DataBlock* NewLentDataBlock(uint8_t* data, uint32_t size, std::shared_ptr<void> keeper);

/// Frees the bytes (or lets go of the buffer they lie in), then the block. Null is ignored.
void FreeDataBlock(DataBlock* block);

/// Resizes the bytes of a block, keeping the leading ones and filling new ones with 0xA3;
/// bytes that lie in a lent buffer are first copied into bytes of the block's own.
/// Returns false (and leaves the block unchanged) when memory is short.
bool ResizeDataBlock(DataBlock* block, uint32_t size);

/// The size of a block; a null block reads as 0.
inline uint32_t BlockSize(const DataBlock* block) { return block ? block->size : 0; }

}  // namespace tambrix
