#include "support/ResourceFixtures.h"

#include <algorithm>

#include "core/DataBlock.h"
#include "core/TextBuffer.h"

namespace tambrix::test {

int32_t AddAndWrite(ResourceFile& file, ResType type, ResId id, std::string_view label,
                    const std::vector<uint8_t>& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    if (!body.empty()) std::copy(body.begin(), body.end(), block->data);
    LabelText text(label);
    if (file.AddResource(block, type, id, text, true) != rc::kOk) {
        FreeDataBlock(block);
        return file.GetError();
    }
    return file.WriteResource(block);
}

}  // namespace tambrix::test
