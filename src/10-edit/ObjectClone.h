#pragma once

// A copy of an object file that the game takes for new objects: every copied object
// definition gets a new GUID, and the copy may get a catalog name of its own. The source
// (on disk or inside an archive) is only read; the copy is written beside its target and
// put in place in one step, so that a failure leaves no file or a complete one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tambrix {

struct CloneRequest {
    std::string source;  ///< an object file (".iff"), on disk or inside an archive
    std::string target;  ///< the new object file (".iff"); its ".spf" goes beside it
    /// UTF-8. Every language of each copied top-level object's catalog name becomes this;
    /// the descriptions and prices stay.
    std::optional<std::string> name;
    /// Top-level objects to take, 0-based, each with its tiles; empty takes every record.
    /// Resources other than object definitions are all copied, also those that only a
    /// left-out object uses.
    std::vector<int32_t> objects;
    /// Whether an existing target (and its ".spf") may be replaced. A ".spf" beside the
    /// target counts as taken even when the source has none; with replace it is removed
    /// then, so that the clone does not open with another file's sprites.
    bool replace = false;
    /// Whether the target's folder is made when missing (as the browser's Downloads/NAME).
    bool makeFolder = false;
    /// GUIDs the game folder holds already (GameIndex::KnownGuids); a new GUID is none of
    /// them, none of the source file's, and never 0.
    std::vector<uint32_t> usedGuids;
    /// Where new GUIDs come from; empty: the system's random source.
    std::function<uint32_t()> random;
};

struct ClonedRecord {
    int32_t id = 0;       ///< the "OBJD" resource ID
    int32_t object = -1;  ///< the top-level object it is or belongs to (-1: a tile without master)
    bool tile = false;
    std::string label;
    uint32_t oldGuid = 0;
    uint32_t newGuid = 0;
};

struct CloneResult {
    std::string objectFile;  ///< the new object file as written
    std::string spriteFile;  ///< its ".spf", or empty when the source has none
    std::vector<ClonedRecord> records;  ///< in the file's order
    uint32_t leftOut = 0;    ///< definitions not taken (and not copied)
};

/// Checks a request before anything is read: the target's place (CheckWritePlace) and
/// name (".iff"), the name's characters. kOk or the refusing code.
int32_t CheckCloneRequest(const CloneRequest& request);

/// Writes the clone. kOk; a refusal of CheckCloneRequest; kNoSuchFile; kEditNotObjectFile;
/// kEditSameFile; kEditTargetExists (without replace); kEditNoObject; kEditShortDefinition;
/// kEditNoFreeGuid; kEditCatalogUnsafe; kEditTooLarge; or the code of a failed read or
/// write, after which no part of the clone is left.
int32_t CloneObjectFile(const CloneRequest& request, CloneResult& result);

/// The GUIDs a game folder's index knows: the database is opened (when it exists, or
/// always with `create`), brought up to date and asked. `indexed` says whether there was
/// an index. kOk, or the index's code.
int32_t IndexedGuids(const std::string& gameFolder, const std::string& database, bool create,
                     std::vector<uint32_t>& guids, bool& indexed);

}  // namespace tambrix
