#pragma once

#include <cstdint>
#include <memory>

namespace tambrix {

/// The bytes of one resource in memory. A container hands blocks out and owns them
/// until DetachResource; a detached block is freed with FreeDataBlock.
///
/// A block either owns its bytes, or (`lent`) its bytes lie in a larger buffer that
/// `keeper` keeps alive: a file held in memory whose bodies are lent out without a copy.
/// The bytes are the block's alone either way; the caller may change them in place.
/// A lent block may itself lie in a batch of blocks made together (`batched`), which
/// `keeper` keeps alive as well.
struct DataBlock {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    bool lent = false;             ///< `data` lies in a buffer the block does not own
    bool batched = false;          ///< the block lies in a batch; FreeDataBlock lets go of it
    std::shared_ptr<void> keeper;  ///< keeps the lent buffer (and the batch) alive
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

/// Lends blocks over parts of one buffer, which they keep alive. The blocks are made in
/// batches: lending many bodies of a file costs one allocation per batch, not one per body.
/// A block may outlive the lender; the buffer and a batch go with the last block of theirs.
class BlockLender {
public:
    explicit BlockLender(std::shared_ptr<void> buffer) : mBuffer(std::move(buffer)) {}
    /// A block of the `size` bytes at `data`, which lie in the buffer; null when memory is short.
    DataBlock* Lend(uint8_t* data, uint32_t size);

private:
    struct Batch;
    std::shared_ptr<void> mBuffer;
    std::shared_ptr<Batch> mBatch;  ///< the batch new blocks are taken from
};

/// Frees the bytes (or lets go of the buffer they lie in), then the block (or lets go of
/// its batch). Null is ignored.
void FreeDataBlock(DataBlock* block);

/// Resizes the bytes of a block, keeping the leading ones and filling new ones with 0xA3;
/// bytes that lie in a lent buffer are first copied into bytes of the block's own.
/// Returns false (and leaves the block unchanged) when memory is short.
bool ResizeDataBlock(DataBlock* block, uint32_t size);

/// The size of a block; a null block reads as 0.
inline uint32_t BlockSize(const DataBlock* block) { return block ? block->size : 0; }

}  // namespace tambrix
