#include "core/DataBlock.h"

#include <algorithm>
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

DataBlock* NewLentDataBlock(uint8_t* data, uint32_t size, std::shared_ptr<void> keeper) {
    auto* block = new (std::nothrow) DataBlock;
    if (!block) return nullptr;
    block->data = data;
    block->size = size;
    block->keeper = std::move(keeper);
    return block;
}

void FreeDataBlock(DataBlock* block) {
    if (!block) return;
    if (!block->keeper) std::free(block->data);
    delete block;  // a lent block lets go of its buffer here
}

bool ResizeDataBlock(DataBlock* block, uint32_t size) {
    if (!block) return false;
    // Bytes lent from a larger buffer are never resized there: they are copied into bytes
    // of the block's own.
    const bool lent = block->keeper != nullptr;
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
    block->keeper.reset();
    return true;
}

}  // namespace tambrix
