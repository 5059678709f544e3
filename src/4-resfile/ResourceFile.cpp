#include "resfile/ResourceFile.h"

namespace tambrix {

ResourceFile::~ResourceFile() = default;

DataBlock* ResourceFile::GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) {
    if (attribute == 0) return GetResource(type, id, convert);
    SetError(rc::kAttrUnsupported);
    return nullptr;
}

uint8_t ResourceFile::GetResAttrs(DataBlock* block) {
    uint16_t id = 0;
    GetResID(block, id);
    return 0;
}

int32_t ResourceFile::AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& /*label*/,
                                          uint8_t /*attribute*/, bool libraryOrder) {
    LabelText empty;
    return AddResource(block, type, id, empty, libraryOrder);
}

int32_t ResourceFile::ReleaseResource(DataBlock* block) {
    DetachResource(block);
    if (GetError() != rc::kOk) return GetError();
    FreeDataBlock(block);
    return rc::kOk;
}

}  // namespace tambrix
