// Loading the objects of a container of any generation: object definitions, multi-tile
// links and catalog texts (with the catalog completion that may write), then every
// string table in every format it can hold, read in each language and saved back.

#include "FuzzSupport.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "resfile/ResourceFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

constexpr int16_t kMaxTablesPerType = 16;

void ReadEveryLanguage(const StringTable& table) {
    for (uint8_t language = 0; language <= StringTable::kLanguageCount; ++language) {
        const int count = table.Count(language);
        for (int i = 0; i <= count + 1; ++i) {
            table.Get(i, language);
            table.GetComment(i, language);
            table.SourceLanguage(i, language);
        }
    }
    uint8_t found = 0;
    table.FindInAnyLanguage(1, &found);
    table.Get(1, StringTable::kCurrentLanguage);
}

void ReadTables(ResourceFile& file, ResType type) {
    const int16_t count = std::min(file.CountResources(type), kMaxTablesPerType);
    for (int16_t i = 1; i <= count; ++i) {
        DataBlock* block = file.GetIndResource(type, i, nullptr);
        if (!block) continue;
        uint16_t id = 0;
        file.GetResID(block, id);
        file.ReleaseResource(block);

        StringTable all;
        if (type == restype::kSTR || type == restype::kCST) {
            all.Load(&file, id, true);
        } else {
            const uint8_t mode = type == restype::kCATS ? StringTable::kTextMode : StringTable::kBinaryMode;
            all.SetSource(&file, id, type, mode, -1);
            all.Read(true, true);
        }
        ReadEveryLanguage(all);

        StringTable current;
        current.SetSource(&file, id, type, StringTable::kBinaryMode, -1);
        current.Read(false, true);
        ReadEveryLanguage(current);

        std::string name, description;
        ObjectSet::CatalogText(name, description, &file, static_cast<int16_t>(id), true);
        ObjectSet::CatalogText(name, description, &file, static_cast<int16_t>(id), false);

        all.Set(all.Count(StringTable::kCurrentLanguage) + 1, "fz", StringTable::kCurrentLanguage);
        all.Save();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = ScratchPath("objects.iff");
    if (!WriteFile(path, data, size)) return 0;
    std::unique_ptr<ResourceFile> opened = OpenContainer(path);
    if (!opened) return 0;
    ResourceFile& file = *opened;
    ObjectSet set;
    set.SetResourceSet(std::move(opened));
    set.Load(0);
    for (const auto& record : set.AllRecords()) {
        record->Name();
        record->Description();
        if (record->Master() && record->Master()->MasterId() != record->MasterId())
            Fail("object %d is linked to a master of another master ID", record->Id());
    }
    for (ResType type : {restype::kSTR, restype::kCTSS, restype::kCST, restype::kCATS}) ReadTables(file, type);
    set.Close();
    return 0;
}
