#include "core/DataBlock.h"

#include <cstdlib>
#include <cstring>
#include <new>

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

void FreeDataBlock(DataBlock* block) {
    if (!block) return;
    std::free(block->data);
    delete block;
}

bool ResizeDataBlock(DataBlock* block, uint32_t size) {
    if (!block) return false;
    if (size == 0) {
        std::free(block->data);
        block->data = nullptr;
        block->size = 0;
        return true;
    }
    auto* data = static_cast<uint8_t*>(std::realloc(block->data, size));
    if (!data) return false;
    if (size > block->size) std::memset(data + block->size, kNewBlockFill, size - block->size);
    block->data = data;
    block->size = size;
    return true;
}

}  // namespace tambrix
