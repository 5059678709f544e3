#include "core/DataBlock.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace tambrix {

DataBlock* NewUnfilledDataBlock(uint32_t size) {
    auto* block = new (std::nothrow) DataBlock;
    if (!block) return nullptr;
    if (size > 0) {
        block->data = static_cast<uint8_t*>(std::malloc(size));
        if (!block->data) {
            delete block;
            return nullptr;
        }
    }
    block->size = size;
    return block;
}

DataBlock* NewDataBlock(uint32_t size) {
    DataBlock* block = NewUnfilledDataBlock(size);
    if (block && size > 0) std::memset(block->data, kNewBlockFill, size);
    return block;
}

struct BlockLender::Batch {
    static constexpr size_t kBlocks = 64;
    std::shared_ptr<void> buffer;
    std::array<DataBlock, kBlocks> blocks;
    size_t used = 0;
};

DataBlock* BlockLender::Lend(uint8_t* data, uint32_t size) {
    try {
        if (!mBatch || mBatch->used == Batch::kBlocks) {
            auto batch = std::make_shared<Batch>();
            batch->buffer = mBuffer;
            mBatch = std::move(batch);
        }
        DataBlock* block = &mBatch->blocks[mBatch->used];
        block->keeper = mBatch;  // the batch lives while a block of it does
        ++mBatch->used;
        block->data = data;
        block->size = size;
        block->lent = true;
        block->batched = true;
        return block;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeDataBlock(DataBlock* block) {
    if (!block) return;
    if (!block->lent) std::free(block->data);
    if (!block->batched) {
        delete block;
        return;
    }
    block->data = nullptr;
    block->size = 0;
    // The batch may hold its last block here: it goes when this copy does, after which
    // the block is not touched again.
    std::shared_ptr<void> batch = std::move(block->keeper);
}

bool ResizeDataBlock(DataBlock* block, uint32_t size) {
    if (!block) return false;
    // Bytes lent from a larger buffer are never resized there: they are copied into bytes
    // of the block's own.
    const bool lent = block->lent;
    uint8_t* data = nullptr;
    if (size > 0) {
        data = static_cast<uint8_t*>(lent ? std::malloc(size) : std::realloc(block->data, size));
        if (!data) return false;
        const uint32_t kept = std::min(size, block->size);
        if (lent && kept > 0) std::memcpy(data, block->data, kept);
        if (size > kept) std::memset(data + kept, kNewBlockFill, size - kept);
    } else if (!lent) {
        std::free(block->data);
    }
    block->data = data;
    block->size = size;
    block->lent = false;
    // A block of a batch keeps the batch (and with it the buffer) until it is freed.
    if (!block->batched) block->keeper.reset();
    return true;
}

}  // namespace tambrix
