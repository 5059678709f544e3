#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MemoryResourceFile.h"

namespace tambrix::test {

/// One resource of a container a test writes.
struct Resource {
    ResType type;
    ResId id;
    std::string label;
    std::vector<uint8_t> body;
};

/// Creates `path` as a container of class C holding `resources` in this order, written
/// through the library's own container; false (and a test failure) when a step fails.
template <typename C>
bool WriteContainer(const std::string& path, const std::vector<Resource>& resources) {
    C file;
    const FileNameText name(path);
    bool ok = file.Create(name) == rc::kOk && file.Open(name) == rc::kOk;
    for (const Resource& r : resources) ok = ok && AddAndWrite(file, r.type, r.id, r.label, r.body) == rc::kOk;
    ok = file.Close() == rc::kOk && ok;
    EXPECT_TRUE(ok) << path;
    return ok;
}

}  // namespace tambrix::test
