#include "index/IndexedFile.h"

#include "catalog/ObjectSet.h"
#include "core/ResultCodes.h"
#include "core/TextBuffer.h"
#include "sets/GameFile.h"

namespace tambrix {

IndexedKind IndexedKindOfName(std::string_view name) {
    // The kind comes from the opening entry, which tells every program's files apart.
    switch (KindOfName(name)) {
        case GameFileKind::kObject: return IndexedKind::kObject;
        case GameFileKind::kWall: return IndexedKind::kWall;
        case GameFileKind::kFloor: return IndexedKind::kFloor;
        case GameFileKind::kArchive: return IndexedKind::kArchive;
        default: return IndexedKind::kNone;
    }
}

std::unique_ptr<ResourceFile> OpenIndexedContainer(const std::string& name, int32_t& code) {
    GameFile located;
    code = located.Locate(name);
    if (code == rc::kOk) code = located.OpenAlone(GameFileAccess::kReadOnly);
    if (code != rc::kOk) return nullptr;
    std::unique_ptr<ResourceFile> file = located.TakeContainer();
    // Nothing opened here may be written; a container that opened writable after all is
    // closed unread, so that no completion can reach it.
    if (file->IsWritable()) {
        file->Close();
        code = rc::kIndexWritable;
        return nullptr;
    }
    return file;
}

IndexedFileRead ReadIndexedFile(const std::string& name, IndexedKind kind) {
    IndexedFileRead read;
    if (kind != IndexedKind::kObject) return read;
    int32_t code = rc::kOk;
    std::unique_ptr<ResourceFile> file = OpenIndexedContainer(name, code);
    if (!file) {
        read.problem = DescribeResult(code);
        return read;
    }
    ObjectSet set;
    set.SetResourceSet(std::move(file));
    set.Load(0);
    for (const ObjectRecord* record : set.Objects()) {
        IndexedObject object;
        if (record->CatalogFound()) {
            object.name = GameTextToUtf8(record->Name());
            object.description = GameTextToUtf8(record->Description());
        }
        object.price = record->Price();
        object.guid = record->Guid();
        for (const ObjectRecord* tile : record->Tiles()) object.tileGuids.push_back(tile->Guid());
        read.objects.push_back(std::move(object));
    }
    for (const auto& record : set.AllRecords())
        if (record->DisplayIndex() < 0 && !record->Master()) read.strayGuids.push_back(record->Guid());
    return read;
}

}  // namespace tambrix
