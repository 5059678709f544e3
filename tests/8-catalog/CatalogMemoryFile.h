#pragma once

#include "support/MemoryResourceFile.h"

namespace tambrix::testing {

/// The in-memory file with the replacing add of the real containers: adding a resource
/// whose type and ID are taken replaces the one stored.
class CatalogMemoryFile : public test::MemoryResourceFile {
public:
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override {
        if (IsWritable() && failAdd == 0) {
            DataBlock* old = GetResource(type, id, nullptr);
            if (old && old != block) RemoveResource(old);
        }
        return MemoryResourceFile::AddResource(block, type, id, label, libraryOrder);
    }
};

}  // namespace tambrix::testing
