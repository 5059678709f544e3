#pragma once

// FAR archives: the game keeps most of its objects, walls and floors inside them. This
// reads an archive's manifest, mounts its entries into the FileSystem index as a folder
// of the archive's own name, and extracts entries into a folder. Nothing here trusts a
// count, size, offset or name from the file before checking it against the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ResultCodes.h"
#include "fileaccess/CTGString.h"
#include "fileaccess/FarFormat.h"
#include "fileaccess/FileSystem.h"

namespace tambrix {

/// One entry of the manifest, as the archive states it.
struct FarEntry {
    std::string name;          ///< as stored: '\' (or '/') separates sub-folders
    uint32_t size = 0;         ///< the entry's length
    uint32_t secondSize = 0;   ///< equal to size unless stored compressed
    uint32_t offset = 0;       ///< first byte of the entry within the archive
    bool compressed = false;   ///< secondSize differs from size
    int32_t status = rc::kOk;  ///< why the entry cannot be used, or kOk (compressed entries are kOk)

    /// Bytes the entry occupies in the archive: the second size (equal to size unless
    /// the entry is compressed).
    uint32_t StoredSize() const { return secondSize; }
};

struct FarManifest {
    FarVariant variant = FarVariant::k1a;
    uint32_t declaredCount = 0;     ///< the count the manifest states
    std::vector<FarEntry> entries;  ///< every entry that could be read, usable or not
};

/// Whether an entry name stays inside its archive's folder: not empty, no empty, "." or
/// ".." component (nor one of dots and spaces only, which Windows reads as ".."), not
/// absolute, no ':' (drive letters, streams), no control bytes.
bool IsSafeFarEntryName(const std::string& name);

/// Reads the manifest of a whole archive held in memory. kOk, kFarNotArchive,
/// kFarBadVersion or kFarBadManifest. Entries are checked against `size`.
int32_t ParseFarArchive(const uint8_t* bytes, size_t size, FarManifest& manifest);

/// Reads the manifest of an archive file (reading the header and the manifest only).
/// Codes as ParseFarArchive, plus kNoSuchFile and kShortRead.
int32_t ListFarArchive(const char* path, FarManifest& manifest, FileSystem& files = FileSystem::Instance());

/// Reads one entry's bytes (the name compared as the index does: case and '/' ignored).
/// kFarNoSuchEntry, kFarCompressed, or the entry's status when it is unusable.
int32_t ReadFarEntry(const char* path, const char* entryName, std::vector<uint8_t>& bytes,
                     FileSystem& files = FileSystem::Instance());

/// What mounting one archive did.
struct FarMountReport {
    CTGString archive;            ///< the archive's path as given
    int32_t code = rc::kOk;       ///< kOk when mounted, perhaps with entries skipped
    uint32_t mounted = 0;         ///< entries now in the index, compressed ones included
    uint32_t compressed = 0;      ///< of those, the ones stored compressed
    uint32_t skipped = 0;         ///< entries left out (and entries the count promised but that are missing)
    int32_t firstSkip = rc::kOk;  ///< why the first of them was left out
};

/// Mounts an archive into the index as a folder of the same name: entry "Sub\\Chair.iff"
/// of "C:\\Sims\\Objects.far" becomes "C:\\Sims\\Objects.far\\Sub\\Chair.iff". Usable entries
/// are mounted and the others skipped and counted; compressed entries are mounted but
/// never open. Returns the report's code: kOk (mounted); kFarAlreadyMounted; the codes
/// of ListFarArchive; kFarNoUsableEntry when entries were declared but none could be
/// mounted (then nothing is). An archive of no entries mounts nothing and answers kOk.
int32_t MountFarArchive(const char* path, FarMountReport* report = nullptr, FileSystem& files = FileSystem::Instance());

struct FarFolderReport {
    uint32_t archivesFound = 0;
    uint32_t archivesMounted = 0;
    uint32_t entriesMounted = 0;
    uint32_t entriesSkipped = 0;
    std::vector<FarMountReport> archives;  ///< one per archive found, in path order
};

/// Finds every ".far" file (any case) in a folder and its sub-folders and mounts each.
/// kNoSuchFile when the folder cannot be listed; otherwise kOk, with each archive's own
/// result in the report. Folders deeper than 32 levels are not searched (a link loop
/// ends there).
int32_t MountFarFolder(const char* folder, FarFolderReport* report = nullptr,
                       FileSystem& files = FileSystem::Instance());

/// Why a name in the index will not open, for a clear message where FileSystem::Open
/// answers only null: kFarCompressed for a compressed entry; kOk otherwise (an entry
/// that opens, or a name the index does not hold, which is a disk file's business).
int32_t MountedEntryError(const char* name, FileSystem& files = FileSystem::Instance());

/// Mounts the archive that a file name leads through ("C:\\Sims\\Objects.far\\Sub\\Chair.iff"
/// mounts "C:\\Sims\\Objects.far"), so that the name then opens like any other. kOk when
/// the name leads through no archive file (nothing to do; report.mounted is 0) or the
/// archive is mounted now or was already; otherwise the code of MountFarArchive.
int32_t MountFarArchiveOnPath(const char* name, FarMountReport* report = nullptr,
                              FileSystem& files = FileSystem::Instance());

/// Unmounts every archive mounted at or below a path (an archive or a folder); answers
/// how many. Windows still open over them stay readable until closed.
uint32_t UnmountFarArchives(const char* path, FileSystem& files = FileSystem::Instance());

struct FarExtractProblem {
    std::string name;  ///< the entry's name as stored, or the name asked for
    int32_t code = rc::kOk;
};

struct FarExtractReport {
    uint32_t written = 0;
    std::vector<std::string> files;           ///< the paths written
    std::vector<FarExtractProblem> problems;  ///< entries not written, and why
};

/// Writes chosen entries of an archive (all usable ones when `names` is empty) into
/// `outDir`, creating it and the entries' sub-folders. Nothing is written outside
/// `outDir`: unsafe names are refused, and a sub-folder that is a link is not entered.
/// An existing file is never replaced (kFileExists). A file that fails half way is
/// removed. Returns kOk when every chosen entry was written; otherwise the code of the
/// first problem (the whole-archive codes of ListFarArchive; kFarNoSuchEntry,
/// kFarCompressed, kFarUnsafeName, kFarDuplicateName, kFarNameTooLong, kFileExists,
/// kFarUnsafeTarget, kCreateFailed, kShortRead, kShortWrite for entries).
int32_t ExtractFarArchive(const char* path, const std::vector<std::string>& names, const char* outDir,
                          FarExtractReport* report = nullptr, FileSystem& files = FileSystem::Instance());

}  // namespace tambrix
