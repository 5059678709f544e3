#include "edit/ResourceBody.h"

#include <algorithm>

#include "core/ResultCodes.h"
#include "core/TextBuffer.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

int32_t ReplaceResourceBody(ResourceFile& file, DataBlock* block, const std::vector<uint8_t>& body) {
    const ResType type = file.GetResType(block);
    uint16_t id = 0;
    if (type == 0 || file.GetResID(block, id) != rc::kOk) {
        file.ReleaseResource(block);
        return rc::kNoSuchLabel;
    }
    LabelText label;
    file.GetResName(block, label);
    const uint8_t attribute = file.GetResAttrs(block);
    const bool libraryOrder = file.IsLibraryOrder(block);

    DataBlock* fresh = NewDataBlock(static_cast<uint32_t>(body.size()));
    if (!fresh) {
        file.ReleaseResource(block);
        return rc::kNoMemory;
    }
    std::copy(body.begin(), body.end(), fresh->data);
    // The new block takes the resource's place; the file lets go of the old one.
    const int32_t added = attribute != 0
                              ? file.AddResourceWithAttr(fresh, type, static_cast<ResId>(id), label, attribute, libraryOrder)
                              : file.AddResource(fresh, type, static_cast<ResId>(id), label, libraryOrder);
    if (added != rc::kOk) {
        FreeDataBlock(fresh);
        file.ReleaseResource(block);
        return added;
    }
    const int32_t written = file.WriteResource(fresh);
    const int32_t released = file.ReleaseResource(fresh);
    return written != rc::kOk ? written : released;
}

}  // namespace tambrix
