#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "core/DataBlock.h"
#include "fileaccess/CTGString.h"

namespace tambrix {

namespace platform {
struct NativeFile;
}

class FileSystem;

/// Names are limited to 259 characters; a longer name is refused by every operation.
inline constexpr uint32_t kMaxFileNameLength = 259;

/// What the index knows about one file: a plain disk file, or a file inside an archive.
struct IndexEntry {
    CTGString name;
    platform::NativeFile* archive = nullptr;  ///< the archive's shared handle (in-archive entries)
    uint32_t offset = 0;                      ///< first byte of the entry within the archive
    uint32_t reserved = 0;
    uint32_t size = 0;
    uint8_t inArchive = 0;
    uint8_t writable = 0;
    uint8_t lastFlag = 0;
    uint8_t compressed = 0;  ///< stored compressed: listed, but opening it fails
};

/// One file of a folder of mounted entries, as FileSystem::ListMountedFiles answers it.
struct MountedFile {
    CTGString name;  ///< the file's own name (no folder), spelled as it was mounted
    uint32_t size = 0;
    bool compressed = false;
};

/// One open file: a whole disk file, or a read-only window (offset and length) over an
/// archive's shared handle. Made by FileSystem::Open and released only by FileSystem::Close.
/// Every read and write is one positioned call at the handle's own position. A disk file
/// opened only for reading and no larger than kWholeFileBytes is read whole by its first
/// read and served from memory from then on, so that reading all of a container costs
/// one call however many resources it holds; its bytes can also be lent out as blocks
/// without a copy (Lend).
class FileHandle {
public:
    static constexpr uint32_t kWholeFileBytes = uint32_t{64} << 20;

    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    /// Bytes read (0 on failure); the position advances over them. A window never reads
    /// past its end, even where the archive goes on. A file held whole reads as it was
    /// at its first read, except where its bytes were lent: those are read from the file.
    uint32_t Read(void* buffer, uint32_t count);
    /// A block of the `count` bytes at `position` that lie in the file held whole, lent
    /// without a copy: the block keeps the held bytes alive after the handle closes, and
    /// whoever holds it may change them, so no byte is lent twice or served by Read once
    /// lent. Null when the file is not held whole (a window, a file opened for writing,
    /// one too large), the range is empty or runs past the end, a byte of it was lent
    /// before, or memory is short: the caller then reads the bytes. The position stays.
    DataBlock* Lend(uint32_t position, uint32_t count);
    /// The `count` bytes at `position` of the file held whole, to look at without a copy
    /// while the handle is open; null where Read would not serve them from memory (the
    /// file is not held, the range runs past the end or was lent). The position stays.
    const uint8_t* Peek(uint32_t position, uint32_t count);
    /// Bytes written; 0 unless the file was opened for writing.
    uint32_t Write(const void* buffer, uint32_t count);
    /// Sets the position for reading; fails beyond the end.
    bool Seek(uint32_t position);
    /// Sets the position for writing; may pass the end, which then grows the recorded size.
    /// Fails for a window.
    bool SeekExtend(uint32_t position);
    /// Cuts or grows the file; only a disk file opened for writing.
    bool SetSize(uint32_t size);
    bool Flush();

    const CTGString& GetName() const { return mName; }
    uint32_t GetSize() const { return mSize; }
    uint32_t GetPosition() const { return mPosition; }
    bool IsWindow() const { return mShared != 0; }
    bool IsWritable() const { return mWritable != 0; }

private:
    friend class FileSystem;
    FileHandle() = default;
    ~FileHandle() = default;
    /// Reads the whole file into mWhole on the first read that needs it; false when it
    /// is not to be held (or cannot be), and reads go to the file.
    bool holdWhole();
    /// The index in mLent of the first range that begins at or after `position`.
    size_t lentAfter(uint32_t position) const;
    /// Whether a byte of [position, position + count) was lent; `next` is lentAfter(position).
    bool lent(uint32_t position, uint32_t count, size_t next) const;
    /// The same, finding `next` itself.
    bool lentAny(uint32_t position, uint32_t count) const;
    /// Whether the file is held whole and [position, position + count) is a non-empty part of it.
    bool held(uint32_t position, uint32_t count);

    CTGString mName;  ///< the normalised name it was opened under
    platform::NativeFile* mFile = nullptr;
    uint32_t mSize = 0;
    uint32_t mBase = 0;
    uint32_t mPosition = 0;
    uint8_t mShared = 0;
    uint8_t mWritable = 0;
    uint8_t mWholeTried = 0;
    std::shared_ptr<uint8_t[]> mWhole;  ///< the whole file (mSize bytes), when held
    std::optional<BlockLender> mLender;  ///< lends parts of mWhole
    struct Range {
        uint32_t begin;
        uint32_t end;
    };
    static constexpr size_t kFirstLoans = 128;  ///< room for a typical object's bodies at once
    std::vector<Range> mLent;                   ///< the ranges of mWhole lent out, ordered and disjoint
    FileSystem* mFileSystem = nullptr;
};

/// Opens, creates, deletes and tests files by name. A name is looked up first in the index
/// of files that live inside archives, then on disk. Index keys are normalised: ASCII
/// capitals lower-cased, '/' turned into '\'; the directory key ends in '\' (empty for a
/// name without a separator) and the file key is the rest.
///
/// One lock (the archive lock) serialises every seek-and-read pair on a shared archive
/// handle, so windows over one archive can be read from several threads at once; it also
/// guards the index and the archives' bookkeeping.
class FileSystem {
public:
    /// The instance that every FileStream uses: the process-wide one, or on a thread
    /// inside a ThreadFileSystem scope that scope's.
    static FileSystem& Instance();

    FileSystem() = default;
    /// Closes the archives still held.
    ~FileSystem();
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    /// Null when the file cannot be opened; an archived entry never opens for writing.
    FileHandle* Open(const char* name, bool forWriting);
    /// While one lives, nothing opens for writing on this thread (a stream then opens
    /// read-only, and stays so) and Create and Delete fail: for a caller that only looks
    /// at files. Scopes nest; other threads are not touched.
    class ReadOnlyScope {
    public:
        ReadOnlyScope();
        ~ReadOnlyScope();
        ReadOnlyScope(const ReadOnlyScope&) = delete;
        ReadOnlyScope& operator=(const ReadOnlyScope&) = delete;
    };
    /// Whether a ReadOnlyScope lives on this thread.
    static bool IsReadOnlyHere();
    /// Creates an empty disk file (truncating an existing one) and closes it again.
    /// Fails for a name in the index.
    bool Create(const char* name);
    /// Fails for an archived entry.
    bool Delete(const char* name);
    bool Exists(const char* name);
    /// Looks the name up in the index; on success copies the entry when one is asked for.
    bool Find(const char* name, IndexEntry* entry = nullptr);
    /// Closes and frees a handle (a window leaves its archive open). Null is ignored.
    void Close(FileHandle* handle);

    /// Opens an archive file read-only as a shared handle for MountEntry; null on failure.
    platform::NativeFile* OpenArchive(const char* name);
    /// Adds a file that lives inside an opened archive: `size` bytes from `offset`. Fails
    /// for an unknown archive, a range outside the archive, a name already in the index,
    /// or a name too long.
    /// A compressed entry is listed by the queries below but never opens.
    bool MountEntry(const char* name, platform::NativeFile* archive, uint32_t offset, uint32_t size,
                    bool compressed = false);
    /// Removes the archive's entries from the index and closes its handle; windows still
    /// open over it stay readable and the handle closes when the last of them does.
    void CloseArchive(platform::NativeFile* archive);
    /// Closes every archive that has a mounted entry in the directory or below it (as
    /// CloseArchive does); answers how many were closed.
    uint32_t CloseArchivesUnder(const char* directory);

    /// The folders directly inside a directory that hold mounted entries (at any depth),
    /// by their names as mounted, in key order. The directory is a name such as
    /// "C:\Sims\GameData" (a final separator is optional; "" is the top level).
    void ListMountedFolders(const char* directory, std::vector<CTGString>& folders);
    /// The mounted entries directly inside a directory, in key order.
    void ListMountedFiles(const char* directory, std::vector<MountedFile>& files);

    /// The normalised form of a name (the key of its index entry); false when too long.
    static bool NormaliseName(const char* name, CTGString& normalised);
    /// A name as the index compares it, whatever its length: ASCII capitals lower-cased,
    /// '/' turned into '\'.
    static CTGString FoldName(std::string_view name);

private:
    friend class FileHandle;

    using Directory = std::map<CTGString, IndexEntry>;

    struct Keys {
        CTGString directory;
        CTGString file;
    };
    struct Archive {
        uint32_t size = 0;
        uint32_t openWindows = 0;
        bool closing = false;
    };

    static bool splitName(const char* name, Keys& keys);
    /// The entry of the keys, or null; the caller holds the lock.
    IndexEntry* findLocked(const Keys& keys);
    /// The caller holds the lock.
    void releaseWindowLocked(platform::NativeFile* archive);
    /// The caller holds the lock.
    void closeArchiveLocked(platform::NativeFile* archive);
    /// The index key of a directory name: normalised, ending in '\' unless empty.
    static bool directoryKey(const char* directory, CTGString& key);

    std::map<CTGString, Directory> mIndex;
    std::map<platform::NativeFile*, Archive> mArchives;
    std::mutex mArchiveLock;
};

/// While it lives, FileSystem::Instance() answers `files` on the thread that made it, so
/// that a background job (the game folder index) mounts archives and opens files in a
/// table of its own, read-only if it likes, and never in the one the user's view uses.
/// Scopes nest; each must end on the thread that made it, the innermost first.
class ThreadFileSystem {
public:
    explicit ThreadFileSystem(FileSystem& files);
    ~ThreadFileSystem();
    ThreadFileSystem(const ThreadFileSystem&) = delete;
    ThreadFileSystem& operator=(const ThreadFileSystem&) = delete;

private:
    FileSystem* mPrevious;
};

}  // namespace tambrix
