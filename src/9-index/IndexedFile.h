#pragma once

// What the game folder index reads from one file: the catalog texts and prices of its
// top-level objects, or why it could not be read. Every file goes through ReadIndexedFile,
// which opens it in one place (OpenIndexedContainer) and only ever for reading.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/GameText.h"

namespace tambrix {

class ResourceFile;

/// The kinds of file the index lists, as the opening entry tells them by the extension.
enum class IndexedKind : uint8_t {
    kNone,     ///< not listed
    kObject,   ///< ".iff": read for its objects
    kWall,     ///< ".wll": listed by its name only
    kFloor,    ///< ".flr": listed by its name only
    kArchive,  ///< ".far": its entries are listed as files of a folder of the archive's name
};

IndexedKind IndexedKindOfName(std::string_view name);

/// One top-level object (a single-tile object or the master of a multi-tile one).
struct IndexedObject {
    std::string name;         ///< catalog name, UTF-8; empty when the file has no catalog texts for it
    std::string description;  ///< UTF-8
    int32_t price = 0;
    uint32_t guid = 0;
    std::vector<uint32_t> tileGuids;  ///< of the tiles of a multi-tile object, in file order
};

struct IndexedFileRead {
    std::vector<IndexedObject> objects;
    /// GUIDs of records that belong to no shown object (a tile whose master is missing):
    /// the game still knows them.
    std::vector<uint32_t> strayGuids;
    std::string problem;  ///< why the file could not be read; empty when it was
};

/// Opens an object file for reading: a version 2.x container first, then version 1.0.
/// Null with the code of the first attempt when neither opens. `name` is a disk path or
/// a name mounted in FileSystem::Instance(), which must be read-only (GameIndex makes
/// one per worker): a file that opens writable is closed again unread (kIndexWritable),
/// so that nothing read through here can ever be stored back.
std::unique_ptr<ResourceFile> OpenIndexedContainer(const std::string& name, int32_t& code);

/// Reads the objects of an object file (other kinds have none to read). The file is
/// opened read-only and the catalog decoding stores nothing: no catalog table is
/// completed, whatever it lacks.
IndexedFileRead ReadIndexedFile(const std::string& name, IndexedKind kind);

}  // namespace tambrix
