// Clone and save of an object file of any content. The input is a choice byte, two
// parameter bytes, then the object file:
//
//   u8 choices: bit 0 a catalog name for the clone, bit 1 one object taken (parameter 1
//               picks it) instead of all, bit 2 a price saved into the clone, bit 3 a
//               name saved into the clone (language: parameter 2 modulo 20)
//
// Each step either fails cleanly (nothing at the target, the file as it was, no staged
// file left) or reads back every resource it did not set unchanged: the clone holds the
// taken definitions with only their GUID changed, each new and never 0, and every other
// resource as the source held it; a save changes only the object's definition and
// catalog table.

#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "FuzzSupport.h"
#include "catalog/ObjectSet.h"
#include "core/ResultCodes.h"
#include "edit/CatalogEdit.h"
#include "edit/ObjectClone.h"
#include "resfile/ResourceFile.h"
#include "sets/GameFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

namespace fs = std::filesystem;

using Key = std::tuple<ResType, int16_t, std::string, uint8_t>;
using Contents = std::map<Key, std::vector<uint8_t>>;

/// Every resource whose body reads, opened read-only; false when the file does not open.
bool ReadContents(const std::string& path, Contents& contents) {
    contents.clear();
    GameFile located;
    if (located.Locate(path) != rc::kOk || located.OpenAlone(GameFileAccess::kReadOnly) != rc::kOk) return false;
    ResourceFile& file = *located.Container();
    for (int16_t t = 1; t > 0 && t <= file.CountTypes(); ++t) {
        const ResType type = file.GetIndType(t);
        for (int16_t i = 1; i > 0 && i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) continue;
            uint16_t id = 0;
            file.GetResID(block, id);
            LabelText label;
            file.GetResName(block, label);
            contents[{type, static_cast<int16_t>(id), std::string(label.View()), file.GetResAttrs(block)}] =
                std::vector<uint8_t>(block->data, block->data + block->size);
            file.ReleaseResource(block);
        }
    }
    return true;
}

bool IsCatalog(ResType type) { return type == restype::kCATS || type == restype::kCTSS; }

void ExpectNothingStaged(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".part") Fail("a staged file stayed: %s", entry.path().c_str());
}

void CheckClone(const Contents& source, const std::string& target, const CloneResult& result, bool named) {
    Contents clone;
    if (!ReadContents(target, clone)) Fail("the clone does not open");
    std::map<int16_t, const ClonedRecord*> taken;
    std::set<uint32_t> guids;
    for (const ClonedRecord& r : result.records) {
        taken[static_cast<int16_t>(r.id)] = &r;
        if (r.newGuid == 0 || r.newGuid == r.oldGuid) Fail("definition %d kept GUID %08x", r.id, r.newGuid);
        if (!guids.insert(r.newGuid).second) Fail("GUID %08x given twice", r.newGuid);
    }
    for (const auto& [key, body] : source) {
        const ResType type = std::get<0>(key);
        const auto copy = clone.find(key);
        if (type == restype::kOBJD) {
            const auto t = taken.find(std::get<1>(key));
            if (t == taken.end()) continue;  // left out
            if (copy == clone.end()) Fail("taken definition %d missing", std::get<1>(key));
            std::vector<uint8_t> a = body, b = copy->second;
            uint32_t guid = 0;
            if (!ReadDefinitionGuid(b.data(), static_cast<uint32_t>(b.size()), guid) || guid != t->second->newGuid)
                Fail("definition %d does not hold its new GUID", std::get<1>(key));
            WriteDefinitionGuid(a.data(), static_cast<uint32_t>(a.size()), 0);
            WriteDefinitionGuid(b.data(), static_cast<uint32_t>(b.size()), 0);
            if (a != b) Fail("definition %d changed beyond its GUID", std::get<1>(key));
            continue;
        }
        if (named && IsCatalog(type)) continue;
        if (copy == clone.end() || copy->second != body)
            Fail("%s %d lost or changed in the clone", ResTypeText(type).c_str(), std::get<1>(key));
    }
    for (const auto& [key, body] : clone)
        if (!source.count(key) && !(named && IsCatalog(std::get<0>(key))))
            Fail("the clone holds %s %d the source did not", ResTypeText(std::get<0>(key)).c_str(), std::get<1>(key));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    const uint8_t choices = input.Byte();
    const uint8_t pick = input.Byte();
    const uint8_t language = input.Byte() % 20;
    const std::string folder = ScratchPath("edit");
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    const std::string source = folder + "/Source.iff";
    const std::string target = folder + "/Clone.iff";
    if (!WriteFile(source, input.Rest(), input.Remaining())) Fail("cannot write the scratch source");
    const std::vector<uint8_t> sourceBytes = ReadFile(source);

    Contents before;
    if (!ReadContents(source, before)) return 0;

    CloneRequest request;
    request.source = source;
    request.target = target;
    if (choices & 1) request.name = "Fuzzed \xC3\xA9";
    if (choices & 2) request.objects = {pick % 4};
    uint32_t counter = 0x1000;
    request.random = [&counter] { return counter++; };
    CloneResult result;
    const int32_t cloned = CloneObjectFile(request, result);
    if (ReadFile(source) != sourceBytes) Fail("the clone changed its source");
    ExpectNothingStaged(folder);
    if (cloned != rc::kOk) {
        if (fs::exists(target, error)) Fail("a failed clone left %s", target.c_str());
        return 0;
    }
    CheckClone(before, target, result, request.name.has_value());

    CatalogChange change;
    change.file = target;
    change.language = language;
    if (choices & 4) change.price = static_cast<int16_t>(pick * 131);
    if (choices & 8) change.name = "Saved";
    if (!change.price && !change.name) return 0;
    Contents clone;
    ReadContents(target, clone);
    const std::vector<uint8_t> cloneBytes = ReadFile(target);
    int32_t recordId = -1;
    {
        GameFile located;
        if (located.Locate(target) == rc::kOk && located.OpenAlone(GameFileAccess::kReadOnly) == rc::kOk) {
            ObjectSet set;
            set.SetResourceSet(located.TakeContainer());
            set.Load(0);
            if (!set.Objects().empty()) recordId = set.Objects()[0]->Id();
        }
    }
    const int32_t saved = ApplyCatalogChange(change);
    ExpectNothingStaged(folder);
    if (saved != rc::kOk) {
        if (ReadFile(target) != cloneBytes) Fail("a failed save changed the file");
        return 0;
    }
    Contents after;
    if (!ReadContents(target, after)) Fail("the saved file does not open");
    for (const auto& [key, body] : clone) {
        const ResType type = std::get<0>(key);
        if (IsCatalog(type) || (type == restype::kOBJD && std::get<1>(key) == static_cast<int16_t>(recordId))) continue;
        const auto now = after.find(key);
        if (now == after.end() || now->second != body)
            Fail("%s %d lost or changed by a save", ResTypeText(type).c_str(), std::get<1>(key));
    }
    return 0;
}
