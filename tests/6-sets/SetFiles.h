#pragma once

// Containers written for the set tests with the library's own writers.

#include <gtest/gtest.h>

#include <string>

#include "resfile/ResourceFile.h"
#include "support/ResourceFixtures.h"

namespace tambrix::test {

inline std::vector<uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

/// Writes a container of the given class holding one resource per (type, ID) pair; each
/// body is the text "<type> <id>".
template <typename Container>
void WriteContainer(const std::string& path, std::initializer_list<std::pair<ResType, ResId>> resources) {
    Container file;
    ASSERT_EQ(file.Create(FileNameText(path)), rc::kOk) << path;
    ASSERT_EQ(file.Open(FileNameText(path)), rc::kOk) << path;
    for (auto [type, id] : resources)
        ASSERT_EQ(AddAndWrite(file, type, id, "", TextBytes(ResTypeText(type) + " " + std::to_string(id))), rc::kOk);
    ASSERT_EQ(file.Close(), rc::kOk);
}

inline std::string BlockText(const DataBlock* block) {
    return block ? std::string(reinterpret_cast<const char*>(block->data), block->size) : std::string("<null>");
}

}  // namespace tambrix::test
