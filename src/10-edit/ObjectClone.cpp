#include "edit/ObjectClone.h"

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <unordered_set>

#include "catalog/ObjectSet.h"
#include "core/AsciiCase.h"
#include "core/NameParts.h"
#include "core/ResultCodes.h"
#include "edit/CatalogEdit.h"
#include "core/GameText.h"
#include "edit/ResourceBody.h"
#include "edit/StagedFile.h"
#include "sets/WritePlace.h"
#include "index/GameIndex.h"
#include "platform/PlatformFile.h"
#include "resfile/ResourceFile.h"
#include "sets/GameFile.h"

namespace tambrix {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kObjectExtension = ".iff";
constexpr std::string_view kSpriteExtension = ".spf";
// Draws of a random GUID before giving up; with 2^32 values and a game's few thousand
// objects, a handful always suffice.
constexpr int kGuidDraws = 4096;

std::string companionOf(const std::string& objectFile) {
    return objectFile.substr(0, objectFile.size() - kObjectExtension.size()) + std::string(kSpriteExtension);
}

bool hasObjectExtension(const std::string& name) {
    return EqualNoCase(nameparts::Extension(name), kObjectExtension);
}

/// The same file on disk (a link, another spelling of the name) or not.
bool sameDiskFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(fs::path(platform::ResolvePath(a)), fs::path(platform::ResolvePath(b)), error) && !error;
}

/// What is known of one object definition of the source.
struct SourceRecord {
    int32_t object = -1;
    bool tile = false;
    bool taken = false;
};

}  // namespace

int32_t CheckCloneRequest(const CloneRequest& request) {
    if (!hasObjectExtension(request.target)) return rc::kEditNotObjectFile;
    if (const int32_t place = CheckWritePlace(request.target); place != rc::kOk) return place;
    if (const int32_t place = CheckWritePlace(companionOf(request.target)); place != rc::kOk) return place;
    std::string converted;
    if (request.name && Utf8ToGameText(*request.name, converted) != rc::kOk) return rc::kEditBadText;
    return rc::kOk;
}

int32_t CloneObjectFile(const CloneRequest& request, CloneResult& result) {
    result = CloneResult();
    if (const int32_t checked = CheckCloneRequest(request); checked != rc::kOk) return checked;
    std::string name;
    if (request.name) Utf8ToGameText(*request.name, name);

    // The source, read only: its bytes and its companion's.
    GameFile source;
    int32_t code = source.Locate(request.source);
    if (code != rc::kOk) return code == rc::kNoFileKind ? rc::kNoSuchFile : code;
    if (source.Kind() != GameFileKind::kObject) return rc::kEditNotObjectFile;
    GameFile companion;
    const bool hasCompanion = companion.Locate(companionOf(source.Path())) == rc::kOk;

    const std::string target = request.target;
    const std::string spriteTarget = companionOf(target);
    for (const std::string& written : {target, spriteTarget}) {
        if (source.State() == GamePathState::kFile && sameDiskFile(written, source.Path())) return rc::kEditSameFile;
        if (hasCompanion && companion.State() == GamePathState::kFile && sameDiskFile(written, companion.Path()))
            return rc::kEditSameFile;
    }
    // A sprite file beside the target would be opened with the clone even when the
    // source has none, so it counts as taken too.
    const bool spritesThere = platform::FileExists(spriteTarget) || platform::DirectoryExists(spriteTarget);
    if (!request.replace && (platform::FileExists(target) || platform::DirectoryExists(target) || spritesThere))
        return rc::kEditTargetExists;

    // Which records there are, and which are taken.
    std::map<int32_t, SourceRecord> records;  // by resource ID
    std::unordered_set<uint32_t> used(request.usedGuids.begin(), request.usedGuids.end());
    used.insert(0);
    {
        if ((code = source.OpenAlone(GameFileAccess::kReadOnly)) != rc::kOk) return code;
        ObjectSet set;
        set.SetResourceSet(source.TakeContainer());
        set.Load(0);
        for (const int32_t k : request.objects)
            if (k < 0 || k >= static_cast<int32_t>(set.Objects().size())) return rc::kEditNoObject;
        const bool all = request.objects.empty();
        for (const auto& r : set.AllRecords()) {
            SourceRecord& known = records[r->Id()];
            const ObjectRecord* top = r->Master() ? r->Master() : r.get();
            known.object = top->DisplayIndex();
            known.tile = r->Master() != nullptr;
            known.taken = all;
            used.insert(r->Guid());
        }
        for (const int32_t k : request.objects) {
            const ObjectRecord* top = set.Objects()[static_cast<size_t>(k)];
            records[top->Id()].taken = true;
            for (const ObjectRecord* tile : top->Tiles()) records[tile->Id()].taken = true;
        }
    }

    if (request.makeFolder) {
        const std::string folder = fs::path(target).parent_path().string();
        if (!folder.empty() && (code = MakeFolders(folder)) != rc::kOk) return code;
    }

    std::vector<uint8_t> bytes;
    if ((code = ReadWholeFile(source, bytes)) != rc::kOk) return code;
    StagedFile stagedObjects;
    if ((code = stagedObjects.Stage(target, bytes)) != rc::kOk) return code;
    StagedFile stagedSprites;
    if (hasCompanion) {
        if ((code = ReadWholeFile(companion, bytes)) != rc::kOk) return code;
        if ((code = stagedSprites.Stage(spriteTarget, bytes)) != rc::kOk) return code;
    }
    bytes.clear();
    bytes.shrink_to_fit();

    std::mt19937 systemRandom{std::random_device{}()};
    auto draw = [&]() -> uint32_t { return request.random ? request.random() : static_cast<uint32_t>(systemRandom()); };
    auto newGuid = [&](uint32_t& guid) {
        for (int i = 0; i < kGuidDraws; ++i) {
            guid = draw();
            if (used.insert(guid).second) return true;
        }
        return false;
    };

    std::unique_ptr<ResourceFile> file;
    if ((code = stagedObjects.Open(file)) != rc::kOk) return code;
    // Every definition by its place in the file: new GUIDs for the taken ones, the others
    // removed afterwards (a removal while counting would shift the places).
    struct Removal {
        ResId id;
        uint8_t attribute;
    };
    std::vector<Removal> removals;
    std::set<int16_t> catalogs;  // of the taken top-level objects
    const int16_t count = file->CountResources(restype::kOBJD);
    for (int16_t i = 1; code == rc::kOk && i > 0 && i <= count; ++i) {
        DataBlock* block = file->GetIndResource(restype::kOBJD, i, nullptr);
        if (!block) {
            code = file->GetError() != rc::kOk ? file->GetError() : rc::kNoSuchResource;
            break;
        }
        uint16_t rawId = 0;
        file->GetResID(block, rawId);
        const int32_t id = static_cast<int16_t>(rawId);
        const auto known = records.find(id);
        if (known == records.end() || !known->second.taken) {
            removals.push_back({static_cast<ResId>(id), file->GetResAttrs(block)});
            file->ReleaseResource(block);
            ++result.leftOut;
            continue;
        }
        ClonedRecord cloned;
        cloned.id = id;
        cloned.object = known->second.object;
        cloned.tile = known->second.tile;
        LabelText label;
        file->GetResName(block, label);
        cloned.label = std::string(label.View());
        std::vector<uint8_t> body(block->data, block->data + block->size);
        if (!ReadDefinitionGuid(body.data(), static_cast<uint32_t>(body.size()), cloned.oldGuid)) {
            file->ReleaseResource(block);
            code = rc::kEditShortDefinition;
            break;
        }
        if (!newGuid(cloned.newGuid)) {
            file->ReleaseResource(block);
            code = rc::kEditNoFreeGuid;
            break;
        }
        WriteDefinitionGuid(body.data(), static_cast<uint32_t>(body.size()), cloned.newGuid);
        if (!cloned.tile && body.size() >= ObjectRecord::kCatalogStringsIdOffset + 2u)
            catalogs.insert(static_cast<int16_t>(body[ObjectRecord::kCatalogStringsIdOffset] |
                                                 (body[ObjectRecord::kCatalogStringsIdOffset + 1] << 8)));
        code = ReplaceResourceBody(*file, block, body);
        result.records.push_back(std::move(cloned));
    }
    for (size_t i = 0; code == rc::kOk && i < removals.size(); ++i) {
        DataBlock* block = file->GetResourceWithAttr(restype::kOBJD, removals[i].id, removals[i].attribute, nullptr);
        if (!block) continue;  // a duplicate ID and attribute: removed with the first
        if ((code = file->RemoveResource(block)) != rc::kOk) file->ReleaseResource(block);
    }
    if (code == rc::kOk && request.name) {
        for (const int16_t catalog : catalogs) {
            for (const uint8_t language : CatalogNameLanguages(*file, catalog))
                if ((code = WriteCatalogTexts(*file, catalog, language, &name, nullptr)) != rc::kOk) break;
            if (code != rc::kOk) break;
        }
    }
    const int32_t closed = file->Close();
    file.reset();
    if (code == rc::kOk) code = closed;
    if (code != rc::kOk) {
        result = CloneResult();
        return code;  // both staged files go with their objects
    }

    // The sprites first: an object file is only ever there with its companion.
    if (hasCompanion && (code = stagedSprites.Commit(request.replace)) != rc::kOk) {
        result = CloneResult();
        return code;
    }
    if ((code = stagedObjects.Commit(request.replace)) != rc::kOk) {
        // A companion moved in place a moment ago goes again, unless it replaced one.
        if (hasCompanion && !spritesThere) platform::DeleteFile(stagedSprites.Target());
        result = CloneResult();
        return code;
    }
    // The sprites of the file just replaced would otherwise pair with a clone that has
    // none of its own.
    if (!hasCompanion && spritesThere) platform::DeleteFile(spriteTarget);
    result.objectFile = stagedObjects.Target();
    result.spriteFile = hasCompanion ? stagedSprites.Target() : std::string();
    return rc::kOk;
}

int32_t IndexedGuids(const std::string& gameFolder, const std::string& database, bool create,
                     std::vector<uint32_t>& guids, bool& indexed) {
    guids.clear();
    indexed = false;
    if (gameFolder.empty() || database.empty() || (!create && !platform::FileExists(database))) return rc::kOk;
    GameIndex index;
    int32_t code = index.Open(database);
    if (code == rc::kOk) code = index.Refresh(gameFolder);
    if (code == rc::kOk) code = index.KnownGuids(guids);
    indexed = code == rc::kOk;
    return code;
}

}  // namespace tambrix
