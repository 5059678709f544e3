#pragma once

// The shared in-memory resource file, with what the graphics tests add: storing a body
// again replaces it, and the blocks not handed back are counted.

#include <vector>

#include "support/MemoryResourceFile.h"

namespace tambrix::testing {

class FakeResourceFile : public test::MemoryResourceFile {
public:
    /// Stores a body under type and ID, replacing one stored before; otherOrder marks a
    /// body that is not in library order, so the fetch applies its conversion routine.
    void Put(ResType type, ResId id, const std::vector<uint8_t>& bytes, bool otherOrder = false) {
        if (DataBlock* old = MemoryResourceFile::GetResource(type, id, nullptr)) RemoveResource(old);
        MemoryResourceFile::Put(type, id, bytes, "", !otherOrder);
    }
    /// Blocks fetched and not yet handed back.
    size_t Outstanding() const { return static_cast<size_t>(LoadedBlocks()); }
};

}  // namespace tambrix::testing
