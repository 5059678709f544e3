#pragma once

// The host's file calls, standing in for the Windows kernel file API. Names arrive
// with '\' or '/' separators; a name whose exact spelling does not exist on a
// case-sensitive file system is resolved case-insensitively, one component at a time
// (an exact spelling always wins).

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tambrix::platform {

/// An open host file. Opaque; closed with CloseFile.
struct NativeFile;

enum class OpenMode {
    ReadWriteExisting,  ///< read and write, the file must exist
    ReadExisting,       ///< read only, the file must exist
    CreateAlways,       ///< write, created or truncated
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
bool DeleteFile(const std::string& name);
/// Puts the plain file `from` in the place of `to` in one step (both in one folder): a
/// reader sees the old file or the new one, never a mix. False when it cannot, and then
/// `to` is as it was.
bool ReplaceFile(const std::string& from, const std::string& to);
/// Whether a file (not a folder) of that name can be opened for reading.
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
/// Creates one folder (its parent must exist). True when a real folder of that name is
/// there afterwards, new or old; a symbolic link does not count, so that whatever is
/// written below the name stays where the name says.
bool MakeDirectory(const std::string& name);
std::string CurrentDirectory();
/// The user's folder for caches: $XDG_CACHE_HOME when it is an absolute path, else
/// $HOME/.cache; empty when neither is known.
std::string UserCacheFolder();

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
/// OpenFile refuses ReadWriteExisting and CreateAlways, and ReplaceFile refuses, as the
/// host refuses a read-only file (a superuser may write any file, so permissions alone
/// cannot show it).
struct IoHooks {
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> writes{0};
    std::atomic<int64_t> failWritesAfter{-1};
    std::atomic<bool> refuseWriteOpens{false};
};
IoHooks& Hooks();

}  // namespace tambrix::platform
