#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/DataBlock.h"
#include "core/TextBuffer.h"
#include "resfile/ResourceFile.h"

namespace tambrix::test {

/// Adds a resource holding a copy of `body` and writes it to the file: the write's code,
/// or the add's when the add fails (the block is then freed).
inline int32_t AddAndWrite(ResourceFile& file, ResType type, ResId id, std::string_view label,
                           const std::vector<uint8_t>& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    std::copy(body.begin(), body.end(), block->data);
    if (file.AddResource(block, type, id, LabelText(label), true) == rc::kOk) return file.WriteResource(block);
    FreeDataBlock(block);
    return file.GetError();
}

}  // namespace tambrix::test
