#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix::test {

/// Adds a resource holding a copy of `body` and writes it to the file: the write's code,
/// or the add's when the add fails (the block is then freed).
int32_t AddAndWrite(ResourceFile& file, ResType type, ResId id, std::string_view label,
                    const std::vector<uint8_t>& body);

}  // namespace tambrix::test
