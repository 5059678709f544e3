#pragma once

// The host's file calls, standing in for the Windows kernel file API: POSIX in
// PlatformFilePosix.cpp, Windows in PlatformFileWin32.cpp. Names are UTF-8 and arrive
// with '\' or '/' separators; a name whose exact spelling does not exist on a
// case-sensitive file system is resolved case-insensitively, one component at a time
// (an exact spelling always wins; Windows ignores case itself, and resolves nothing). That resolution is for finding what exists: a file
// being created takes its last name part exactly as given, so that it never takes over
// another file whose name differs only in case (OtherCaseEntry tells of one).

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tambrix::platform {

/// An open host file. Opaque; closed with CloseFile.
struct NativeFile;

enum class OpenMode {
    ReadWriteExisting,  ///< read and write, the file must exist
    ReadExisting,       ///< read only, the file must exist
    CreateAlways,       ///< write, created or truncated; the last name part exactly as given
    CreateNew,          ///< read and write, created; fails when the name exists (a link too)
};

/// The host path for a name: separators converted, case resolved where needed.
std::string ResolvePath(const std::string& name);

/// Opens a plain file (never a folder or a device); `size`, when given, receives its size
/// as it was opened.
NativeFile* OpenFile(const std::string& name, OpenMode mode, uint32_t* size = nullptr);
void CloseFile(NativeFile* file);
/// Reads at the file pointer; `done` receives the bytes read. False on an I/O error.
bool ReadFile(NativeFile* file, void* buffer, uint32_t count, uint32_t& done);
/// Writes at the file pointer; `done` receives the bytes written. False on an I/O error.
bool WriteFile(NativeFile* file, const void* buffer, uint32_t count, uint32_t& done);
/// Reads at `offset` without moving the file pointer (one positioned read); `done`
/// receives the bytes read, fewer at the end of the file. False on an I/O error.
bool ReadFileAt(NativeFile* file, uint64_t offset, void* buffer, uint32_t count, uint32_t& done);
/// Writes at `offset` without moving the file pointer; a position past the end grows the
/// file. `done` receives the bytes written. False on an I/O error.
bool WriteFileAt(NativeFile* file, uint64_t offset, const void* buffer, uint32_t count, uint32_t& done);
/// Cuts or grows the file to `size` bytes; the file pointer stays.
bool SetFileSize(NativeFile* file, uint32_t size);
/// Moves the file pointer; a position past the end is allowed (a later write grows
/// the file). False when the host refuses the position.
bool SetFilePointer(NativeFile* file, uint32_t position);
uint32_t GetFilePointer(NativeFile* file);
uint32_t GetFileSize(NativeFile* file);
/// Cuts or grows the file to the file pointer.
bool SetEndOfFile(NativeFile* file);
bool FlushFile(NativeFile* file);
/// Deletes a file (never a folder); its name is free at once, though the file may still
/// be open (where it reads on until closed).
bool DeleteFile(const std::string& name);
/// Writes a whole file under `name` (its folders resolved, its last part exactly as given)
/// from `parts` in order. The bytes go to a new file beside it first, which then takes the
/// name in one step: a failed write leaves whatever had the name as it was and removes
/// only its own new file. A file the host would not let this user write is not replaced;
/// a replaced file keeps its permissions, and a link is written through to its file.
bool WriteWholeFile(const std::string& name, const std::vector<std::pair<const void*, uint32_t>>& parts);
/// The host path of an existing entry beside `name` whose last name part differs from it
/// only in ASCII case, when there is no entry of the exact name; else an empty text. Before
/// creating a file, a caller asks this so as not to write over such a file unasked.
std::string OtherCaseEntry(const std::string& name);
/// `name` itself when neither it nor an entry differing from it in case exists; else the
/// first free name "STEM (2).EXT", "STEM (3).EXT", ... beside it (empty after 9999 tries).
std::string FreeFileName(const std::string& name);

/// Whether this user may remove the entry at exactly `path` from its folder, as the host
/// itself decides (write and search permission on the folder, and the folder's sticky
/// bit), not as the file's own write bit suggests. False with the reason in `why`.
bool MayRemoveEntry(const std::string& path, std::string& why);
/// Gives a plain file a new name in one step, as the host's rename does: a reader sees the
/// old file or the new one at `to`, never a mix. With `replace` an existing file at `to`
/// is replaced, else the move fails when anything is there. Both names should lie in one
/// folder (or one file system). False when the host refuses or `from` is no plain file,
/// and then `to` is as it was.
bool MoveFile(const std::string& from, const std::string& to, bool replace);
/// Whether a file (not a folder) of that name can be opened for reading.
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
/// Creates one folder (its parent must exist). True when a real folder of that name is
/// there afterwards, new or old; a symbolic link does not count, so that whatever is
/// written below the name stays where the name says.
bool MakeDirectory(const std::string& name);
/// Makes a folder and every missing folder above it; true when the folder is there after.
bool MakeDirectories(const std::string& name);
std::string CurrentDirectory();
/// The user's folder for caches: $XDG_CACHE_HOME when it is an absolute path, else
/// $HOME/.cache; on Windows %LOCALAPPDATA% when it is absolute. Empty when none is known.
std::string UserCacheFolder();

/// What tells one state of a file on disk from another, and one file from another that
/// later takes its name: a write in between changes the size or a time (the change time
/// cannot be set back), a file put in its place the inode. Equal identities mean the same
/// unchanged file as far as the host can tell.
struct FileIdentity {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    uint64_t inode = 0;
    uint64_t device = 0;
    bool operator==(const FileIdentity&) const = default;
};
/// The identity of the plain file at exactly `path` (no case resolution); nothing when
/// there is none.
std::optional<FileIdentity> IdentifyFile(const std::string& path);
/// A 64-bit digest of a file's bytes (FNV-1a), for telling whether a file was rewritten
/// within the times' granularity; nothing when it cannot be read whole.
std::optional<uint64_t> DigestFile(const std::string& name);

struct DirEntry {
    std::string name;  ///< the name as stored, without its folder
    bool isDirectory = false;
    uint64_t size = 0;
    int64_t modified = 0;  ///< seconds since 1970 (UTC)
    bool readOnly = false;
};

/// Matches a name against a pattern of '*' and '?' as Windows does: case-insensitively.
bool MatchPattern(const std::string& name, const std::string& pattern);
/// Lists the entries of a folder whose names match the pattern, for a search such as
/// "C:\\games\\sims\\*.iff" (folder, then pattern). "." and ".." are not listed.
/// Entries come in the host's enumeration order. False when the folder does not exist.
bool FindFiles(const std::string& folderAndPattern, std::vector<DirEntry>& entries);

/// Counters and fault injection for tests: every read and write call counts (the
/// positioned ones too);
/// with failWritesAfter >= 0, that many more writes succeed and the next ones fail
/// (write nothing, return false) until it is set back to -1. With refuseWriteOpens set,
/// OpenFile refuses ReadWriteExisting and CreateAlways, and MoveFile refuses, as the host
/// refuses a read-only file (a superuser may write any file, so permissions alone cannot
/// show it). beforeWriteOpen, when set, is called with the name before OpenFile opens it
/// for reading and writing: a test changes the file there as another program would
/// between a look and a write.
struct IoHooks {
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> writes{0};
    std::atomic<int64_t> failWritesAfter{-1};
    std::atomic<bool> refuseWriteOpens{false};
    /// MayRemoveEntry answers as for a folder without write permission (a superuser may
    /// remove anything, so permissions alone cannot show it).
    std::atomic<bool> refuseRemovals{false};
    std::atomic<void (*)(const std::string& name)> beforeWriteOpen{nullptr};
};
IoHooks& Hooks();

}  // namespace tambrix::platform
