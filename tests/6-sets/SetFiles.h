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
void WriteTextContainer(const std::string& path, std::initializer_list<std::pair<ResType, ResId>> resources) {
    std::vector<Resource> all;
    for (auto [type, id] : resources) all.push_back({type, id, "", TextBytes(ResTypeText(type) + " " + std::to_string(id))});
    WriteContainer<Container>(path, all);
}

inline std::string BlockText(const DataBlock* block) {
    return block ? std::string(reinterpret_cast<const char*>(block->data), block->size) : std::string("<null>");
}

}  // namespace tambrix::test
