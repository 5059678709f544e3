#pragma once

// Containers written for the set tests with the library's own writers.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resfile/ResourceFile.h"

namespace tambrix::test {

/// Writes a container of the given class holding one resource per (type, ID) pair; each
/// body is the text "<type> <id>".
template <typename Container>
void WriteContainer(const std::string& path, std::initializer_list<std::pair<ResType, ResId>> resources) {
    Container file;
    FileNameText name(path);
    ASSERT_EQ(file.Create(name), rc::kOk) << path;
    ASSERT_EQ(file.Open(name), rc::kOk) << path;
    for (auto [type, id] : resources) {
        std::string body = ResTypeText(type) + " " + std::to_string(id);
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
        std::memcpy(block->data, body.data(), body.size());
        ASSERT_EQ(file.AddResource(block, type, id, LabelText(), true), rc::kOk);
    }
    ASSERT_EQ(file.Close(), rc::kOk);
}

inline std::string BlockText(const DataBlock* block) {
    return block ? std::string(reinterpret_cast<const char*>(block->data), block->size) : std::string("<null>");
}

}  // namespace tambrix::test
