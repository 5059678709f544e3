#include "resfile/ResourceFile.h"

#include "catalog/StringTable.h"

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

void ResourceFile::GetIndString(TextBuffer& text, int16_t tableId, int16_t index) {
    StringTable table;
    // A missing table simply leaves the text empty.
    table.Load(this, static_cast<uint16_t>(tableId), false);
    text.Clear();
    if (index >= 1 && index <= table.Count(StringTable::kCurrentLanguage)) {
        if (const char* value = table.Get(index, StringTable::kCurrentLanguage)) text.Assign(value);
    }
}

int32_t ResourceFile::ReleaseResource(DataBlock* block) {
    DetachResource(block);
    if (GetError() != rc::kOk) return GetError();
    FreeDataBlock(block);
    return rc::kOk;
}

}  // namespace tambrix
