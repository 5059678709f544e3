#pragma once

// The search index of a game folder: every object of every object file, on disk and
// inside the folder's archives, by catalog name, description, price and file name, kept
// in an SQLite database with a full-text table. Building it reads files only: each
// worker opens them through a read-only file system of its own, so no catalog table is
// ever completed and the archives the caller has mounted are never touched.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tambrix {

/// One row of the index: an object of a file, or the file itself when it has no object
/// to show (a wall or floor file, a file without objects, a file that cannot be read).
struct IndexHit {
    /// Relative to the game folder, '/' separated; an archive entry as the browser shows
    /// it, below a folder of the archive's name ("GameData/Objects.far/Sub/Chair.iff").
    std::string path;
    int32_t object = -1;  ///< position among the file's top-level objects; -1 for a file row
    std::string name;     ///< catalog name (UTF-8); empty for a file row
    std::string description;
    std::optional<int32_t> price;  ///< none for a file row
    std::string problem;           ///< why the file could not be read; empty when it was
    uint32_t guid = 0;             ///< the object's GUID; 0 for a file row
};

/// One object (or tile) of a file that holds a GUID some other file holds too.
struct GuidHolder {
    std::string path;     ///< as IndexHit::path
    int32_t object = -1;  ///< the top-level object it is or belongs to; -1 for a stray tile
    std::string name;     ///< that object's catalog name (UTF-8), or empty
    /// The path of an earlier holder of the group whose file has the very same bytes
    /// (a copy of one file in two places), or empty.
    std::string sameFileAs;
};

/// A GUID that more than one file of the game folder holds: the game keeps one of them.
struct GuidConflict {
    uint32_t guid = 0;
    std::vector<GuidHolder> holders;  ///< by path, then object
    /// Every file of the group has the same bytes.
    bool SameFile() const;
};

/// Called after each file (or archive) read: `done` of `total`. Answering false cancels
/// the refresh; what was read by then stays in the index.
using IndexProgress = std::function<bool(uint32_t done, uint32_t total)>;

struct IndexReport {
    uint32_t sources = 0;   ///< object, wall and floor files and archives found on disk
    uint32_t read = 0;      ///< of those, read because they were new or changed
    uint32_t removed = 0;   ///< dropped because they are gone
    uint32_t files = 0;     ///< rows of files written (each archive entry counts)
    uint32_t objects = 0;   ///< object rows written
    uint32_t problems = 0;  ///< files written with a problem
};

/// One connection to an index database. Not shared between threads: a thread that
/// queries while another refreshes opens a GameIndex of its own on the same database
/// (readers see the last committed state and are not blocked by the writer).
class GameIndex {
public:
    GameIndex();
    ~GameIndex();
    GameIndex(const GameIndex&) = delete;
    GameIndex& operator=(const GameIndex&) = delete;

    /// Opens the database, creating it and its folder when missing. kOk; kAlreadyOpen;
    /// kIndexDatabase for a file that cannot be opened or is some other database (the
    /// file is then left as it is). An index of an older layout is emptied and rebuilt.
    int32_t Open(const std::string& databasePath);
    /// Opens a database that is only this index's cache (DefaultIndexPath): one that
    /// cannot be opened or read as an index (damaged, of some other kind) is deleted and
    /// made anew, and `rebuilt` says so. The codes of Open.
    int32_t OpenCache(const std::string& databasePath, bool* rebuilt = nullptr);
    void Close();
    bool IsOpen() const { return mDb != nullptr; }

    /// Brings the index up to the game folder as it is now: files whose size or time
    /// changed, and new ones, are read again (with `workers` threads, at least 1); rows
    /// of files gone are dropped; nothing else is touched. An index of another folder is
    /// emptied first. kOk; kIndexNotOpen; kNoSuchFile (not a folder); kIndexCancelled;
    /// kIndexDatabase. A file that cannot be read is a row with its problem, not a failure.
    int32_t Refresh(const std::string& gameFolder, const IndexProgress& progress = {}, IndexReport* report = nullptr,
                    unsigned workers = 2);

    /// Brings the rows of some files up to date at once, without walking the whole
    /// folder. Each path (absolute, or relative to the game folder) names a file, read
    /// again when its size or time changed and its rows dropped when it is gone; or a
    /// folder, whose own files (not those of its folders) are treated so, those on disk
    /// and those the index holds. A file inside an archive stands for the archive; a
    /// path outside the folder is passed over. An index not refreshed for this folder is
    /// left as it is (its first refresh reads everything). kOk; kIndexNotOpen;
    /// kNoSuchFile (not a folder); kIndexDatabase.
    int32_t Update(const std::string& gameFolder, const std::vector<std::string>& paths, IndexReport* report = nullptr,
                   unsigned workers = 1);

    /// The rows that match every word of `text`, best first: each word as the start of a
    /// word of the catalog name, the description or the file's path (ranked, name
    /// matches weigh most), or anywhere inside the file's name (after the ranked ones).
    /// At most `limit` rows; none for a text without words. kOk; kIndexNotOpen;
    /// kIndexDatabase.
    int32_t Query(const std::string& text, uint32_t limit, std::vector<IndexHit>& hits);

    /// The folder the index was last refreshed for (absolute), or empty.
    std::string Folder();

    /// Every GUID the index knows, of every record of every file, tiles included.
    /// kOk; kIndexNotOpen; kIndexDatabase.
    int32_t KnownGuids(std::vector<uint32_t>& guids);
    /// Every GUID but 0 (a record that was never given one) that more than one file
    /// holds, by GUID; the files of a group are compared
    /// byte for byte (read-only, through a file system of this call's own) so that two
    /// copies of one file say so. kOk; kIndexNotOpen; kIndexDatabase.
    int32_t GuidConflicts(std::vector<GuidConflict>& conflicts);
    /// The GUIDs (but 0) that the file at `path` (relative to the game folder, as
    /// IndexHit::path) shares with other files, each with one other file that holds it,
    /// by GUID; quick, for a mark on the file shown. kOk; kIndexNotOpen; kIndexDatabase.
    int32_t SharedGuids(const std::string& path, std::vector<std::pair<uint32_t, std::string>>& shared);

private:
    bool exec(const char* sql);
    bool ensureSchema();
    bool intact();

    sqlite3* mDb = nullptr;
};

/// The index database of a game folder inside a cache folder:
/// CACHE/tambrix/index-HASH.sqlite, HASH a hexadecimal hash of the folder's absolute path.
std::string IndexPathIn(const std::string& cacheFolder, const std::string& gameFolder);

/// IndexPathIn the user's cache folder ($XDG_CACHE_HOME, else $HOME/.cache): the one
/// database of a game folder that every program shares. Empty when the platform knows
/// no cache folder.
std::string DefaultIndexPath(const std::string& gameFolder);

}  // namespace tambrix
