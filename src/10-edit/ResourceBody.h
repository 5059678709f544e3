#pragma once

#include <cstdint>
#include <vector>

#include "core/DataBlock.h"

namespace tambrix {

class ResourceFile;

/// Stores a new body for the resource whose block `block` is (as the file handed it out),
/// keeping its type, ID, label, attribute and byte-order mark, and writes it at once. The
/// file takes `block` back either way. kOk or the file's error.
int32_t ReplaceResourceBody(ResourceFile& file, DataBlock* block, const std::vector<uint8_t>& body);

}  // namespace tambrix
