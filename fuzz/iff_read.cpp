// Reading a container of any generation: open, index, every body with the conversion
// its type would get, lookups by label and attribute, and every body read once more as
// a serialized object (a map, a label table in both forms). A version 2 file that was
// only read must be left exactly as it was.

#include <cstring>

#include "FuzzSupport.h"
#include "catalog/StringTable.h"
#include "containers/LabelTable.h"
#include "containers/ResourceMap.h"
#include "containers/SerialStream.h"
#include "graphics/Sprite.h"
#include "resfile/ResourceFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

ConversionRoutine ConversionFor(ResType type) {
    switch (type) {
        case restype::kSTR:
        case restype::kCTSS: return StringTableConversion;
        case restype::kSPR: return SpriteByteOrderFixup;
        case restype::kOBJD:
        case restype::kPALT: return nullptr;
        default: return EnvelopeConversion;
    }
}

void ReadAsObjects(const DataBlock& body) {
    ResourceIndex index;
    ResourceMap map(index);
    map.Read(body);
    index.ReleaseBlocks();
    LabelTable current;
    current.ReadCurrentForm(body);
    LabelTable older;
    older.ReadOlderForm(body);
    uint32_t version = 0;
    LabelTable viaEnvelope;
    DeserializeFromBlock(viaEnvelope, &body, &version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = ScratchPath("read.iff");
    if (!WriteFile(path, data, size)) return 0;
    {
        std::unique_ptr<ResourceFile> file = OpenContainer(path);
        if (!file) return 0;
        const int16_t types = file->CountTypes();
        for (int16_t t = 0; t <= types + 1; ++t) {  // one index on each side of the range too
            const ResType type = file->GetIndType(t);
            const int16_t count = file->CountResources(type);
            for (int16_t i = 0; i <= count + 1; ++i) {
                DataBlock* block = file->GetIndResource(type, i, ConversionFor(type));
                if (!block) continue;
                if (file->GetResType(block) != type)
                    Fail("a body of %s answers another type", ResTypeText(type).c_str());
                uint16_t id = 0;
                file->GetResID(block, id);
                const uint8_t attribute = file->GetResAttrs(block);
                file->IsLibraryOrder(block);
                LabelText label;
                file->GetResName(block, label);
                if (attribute == 0 && label.Length() > 0 && !file->GetNamedResource(type, label, nullptr) &&
                    file->GetError() == rc::kNoSuchLabel)
                    Fail("label \"%s\" of %s %d does not find a resource", label.CStr(), ResTypeText(type).c_str(),
                         static_cast<int16_t>(id));
                if (!file->GetResourceWithAttr(type, static_cast<ResId>(id), attribute, nullptr) &&
                    file->GetError() == rc::kNoSuchResource)
                    Fail("%s %d with attribute %d is not found by its ID", ResTypeText(type).c_str(),
                         static_cast<int16_t>(id), attribute);
                ReadAsObjects(*block);
            }
            file->UniqueID(type);
            LabelText unique("fz");
            file->UniqueName(type, unique);
        }
        FixedText<256> text;
        GetIndString(*file, text, 0, 1);
        file->Close();
    }
    // Reading never writes a version 2 file (a 1.0 file gains a label table by design).
    if (!LooksLegacy(data, size)) {
        std::vector<uint8_t> after = ReadFile(path);
        if (after.size() != size || (size > 0 && std::memcmp(after.data(), data, size) != 0))
            Fail("reading changed the file (%zu bytes, now %zu)", size, after.size());
    }
    return 0;
}
