#include "fileaccess/FileSystem.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/AsciiCase.h"
#include "platform/PlatformFile.h"

namespace tambrix {

namespace {

constexpr char kIndexSeparator = '\\';

bool nameFits(const char* name) { return name != nullptr && std::strlen(name) <= kMaxFileNameLength; }

}  // namespace

// ---------------------------------------------------------------------------------------
// FileHandle

bool FileHandle::holdWhole() {
    if (mWhole) return true;
    if (mWholeTried || mShared || mWritable || mSize == 0 || mSize > kWholeFileBytes) return false;
    mWholeTried = 1;
    std::shared_ptr<uint8_t[]> whole(new (std::nothrow) uint8_t[mSize]);
    if (!whole) return false;  // memory is short: read on demand
    uint32_t done = 0;
    // A file that changed size since it was opened is read on demand, as it now is.
    if (!platform::ReadFileAt(mFile, 0, whole.get(), mSize, done) || done != mSize) return false;
    mWhole = std::move(whole);
    mLender.emplace(mWhole);
    return true;
}

uint32_t FileHandle::Read(void* buffer, uint32_t count) {
    if (!mFile || (!buffer && count > 0)) return 0;
    uint32_t done = 0;
    if (mShared) {
        // Positioned reads leave the archive's file pointer alone; the lock keeps a read
        // from meeting the closing of its archive.
        std::lock_guard<std::mutex> lock(mFileSystem->mArchiveLock);
        if (mPosition > mSize) return 0;
        count = std::min(count, mSize - mPosition);
        platform::ReadFileAt(mFile, uint64_t{mBase} + mPosition, buffer, count, done);
    } else if (count > 0 && !mWhole && mPosition == 0 && count >= mSize) {
        // The whole file into the caller's buffer: no copy of it is held as well.
        platform::ReadFileAt(mFile, 0, buffer, count, done);
    } else if (count > 0 && holdWhole() && !lentAny(mPosition, count)) {
        done = mPosition < mSize ? std::min(count, mSize - mPosition) : 0;
        std::memcpy(buffer, mWhole.get() + mPosition, done);
    } else {
        platform::ReadFileAt(mFile, mPosition, buffer, count, done);
    }
    mPosition += done;
    return done;
}

size_t FileHandle::lentAfter(uint32_t position) const {
    auto next = std::lower_bound(mLent.begin(), mLent.end(), position,
                                 [](const Range& range, uint32_t value) { return range.begin < value; });
    return static_cast<size_t>(next - mLent.begin());
}

bool FileHandle::lentAny(uint32_t position, uint32_t count) const {
    return !mLent.empty() && lent(position, count, lentAfter(position));
}

bool FileHandle::held(uint32_t position, uint32_t count) {
    return count > 0 && holdWhole() && position <= mSize && count <= mSize - position;
}

bool FileHandle::lent(uint32_t position, uint32_t count, size_t next) const {
    const uint64_t end = uint64_t{position} + count;
    if (next < mLent.size() && mLent[next].begin < end) return true;
    return next > 0 && mLent[next - 1].end > position;
}

DataBlock* FileHandle::Lend(uint32_t position, uint32_t count) {
    if (!held(position, count)) return nullptr;
    const size_t next = lentAfter(position);
    if (lent(position, count, next)) return nullptr;
    DataBlock* block = mLender->Lend(mWhole.get() + position, count);
    if (block && mLent.empty()) mLent.reserve(kFirstLoans);
    if (block) mLent.insert(mLent.begin() + static_cast<ptrdiff_t>(next), Range{position, position + count});
    return block;
}

const uint8_t* FileHandle::Peek(uint32_t position, uint32_t count) {
    return held(position, count) && !lentAny(position, count) ? mWhole.get() + position : nullptr;
}

uint32_t FileHandle::Write(const void* buffer, uint32_t count) {
    if (!mFile || !mWritable || count == 0 || !buffer) return 0;
    uint32_t done = 0;
    platform::WriteFileAt(mFile, mPosition, buffer, count, done);
    mPosition += done;
    mSize = std::max(mSize, mPosition);
    return done;
}

bool FileHandle::Seek(uint32_t position) {
    if (!mFile || position > mSize) return false;
    mPosition = position;
    return true;
}

bool FileHandle::SeekExtend(uint32_t position) {
    if (!mFile || mShared) return false;
    mSize = std::max(mSize, position);
    mPosition = position;
    return true;
}

bool FileHandle::SetSize(uint32_t size) {
    // Only a disk file opened for writing: a window must never cut the shared archive.
    if (!mFile || mShared || !mWritable) return false;
    if (!platform::SetFileSize(mFile, size)) return false;
    mPosition = size;
    {
        std::lock_guard<std::mutex> lock(mFileSystem->mArchiveLock);
        FileSystem::Keys keys;
        if (FileSystem::splitName(mName.c_str(), keys)) {
            if (IndexEntry* entry = mFileSystem->findLocked(keys)) entry->size = size;
        }
    }
    mSize = size;
    return true;
}

bool FileHandle::Flush() {
    if (!mFile) return false;
    return platform::FlushFile(mFile);
}

// ---------------------------------------------------------------------------------------
// FileSystem

namespace {
thread_local int tReadOnlyScopes = 0;
}

FileSystem::ReadOnlyScope::ReadOnlyScope() { ++tReadOnlyScopes; }
FileSystem::ReadOnlyScope::~ReadOnlyScope() { --tReadOnlyScopes; }
bool FileSystem::IsReadOnlyHere() { return tReadOnlyScopes > 0; }

namespace {
thread_local FileSystem* tThreadFileSystem = nullptr;
}

FileSystem& FileSystem::Instance() {
    if (tThreadFileSystem) return *tThreadFileSystem;
    // Made on first use, so that it exists before any static that opens a file.
    static FileSystem instance;
    return instance;
}

ThreadFileSystem::ThreadFileSystem(FileSystem& files) : mPrevious(tThreadFileSystem) { tThreadFileSystem = &files; }

ThreadFileSystem::~ThreadFileSystem() { tThreadFileSystem = mPrevious; }

FileSystem::~FileSystem() {
    for (auto& [file, archive] : mArchives) platform::CloseFile(file);
}

CTGString FileSystem::FoldName(std::string_view name) {
    CTGString folded(name);
    for (char& c : folded) c = c == '/' ? kIndexSeparator : FoldAscii(c);
    return folded;
}

bool FileSystem::NormaliseName(const char* name, CTGString& normalised) {
    if (!nameFits(name)) return false;
    normalised = FoldName(name);
    return true;
}

bool FileSystem::splitName(const char* name, Keys& keys) {
    CTGString normalised;
    if (!NormaliseName(name, normalised)) return false;
    size_t last = normalised.rfind(kIndexSeparator);
    if (last == std::string::npos) {
        keys.directory.clear();
        keys.file = std::move(normalised);
    } else {
        keys.directory = normalised.substr(0, last + 1);
        keys.file = normalised.substr(last + 1);
    }
    return true;
}

IndexEntry* FileSystem::findLocked(const Keys& keys) {
    auto directory = mIndex.find(keys.directory);
    if (directory == mIndex.end()) return nullptr;
    auto file = directory->second.find(keys.file);
    return file == directory->second.end() ? nullptr : &file->second;
}

bool FileSystem::Find(const char* name, IndexEntry* entry) {
    Keys keys;
    if (!splitName(name, keys)) return false;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    IndexEntry* found = findLocked(keys);
    if (found && entry) *entry = *found;
    return found != nullptr;
}

FileHandle* FileSystem::Open(const char* name, bool forWriting) {
    if (forWriting && IsReadOnlyHere()) return nullptr;
    Keys keys;
    if (!splitName(name, keys)) return nullptr;
    CTGString normalised = keys.directory + keys.file;

    {
        std::lock_guard<std::mutex> lock(mArchiveLock);
        IndexEntry* entry = findLocked(keys);
        if (entry && entry->inArchive) {
            if (forWriting) return nullptr;  // archived files are read-only
            // Its stored bytes are not the file: handing them out would be a wrong result.
            if (entry->compressed) return nullptr;
            auto archive = mArchives.find(entry->archive);
            if (archive == mArchives.end()) return nullptr;
            auto* handle = new (std::nothrow) FileHandle;
            if (!handle) return nullptr;
            handle->mName = std::move(normalised);
            handle->mFile = entry->archive;
            handle->mSize = entry->size;
            handle->mBase = entry->offset;
            handle->mShared = 1;
            handle->mFileSystem = this;
            ++archive->second.openWindows;
            return handle;
        }
    }

    uint32_t size = 0;
    platform::NativeFile* file = platform::OpenFile(
        name, forWriting ? platform::OpenMode::ReadWriteExisting : platform::OpenMode::ReadExisting, &size);
    if (!file) return nullptr;
    auto* handle = new (std::nothrow) FileHandle;
    if (!handle) {
        platform::CloseFile(file);
        return nullptr;
    }
    handle->mName = std::move(normalised);
    handle->mFile = file;
    handle->mSize = size;
    handle->mWritable = forWriting ? 1 : 0;
    handle->mFileSystem = this;
    return handle;
}

void FileSystem::Close(FileHandle* handle) {
    if (!handle) return;
    if (handle->mShared) {
        std::lock_guard<std::mutex> lock(mArchiveLock);
        releaseWindowLocked(handle->mFile);
    } else {
        platform::CloseFile(handle->mFile);
    }
    delete handle;
}

void FileSystem::releaseWindowLocked(platform::NativeFile* file) {
    auto archive = mArchives.find(file);
    if (archive == mArchives.end()) return;
    if (archive->second.openWindows > 0) --archive->second.openWindows;
    if (archive->second.closing && archive->second.openWindows == 0) {
        platform::CloseFile(file);
        mArchives.erase(archive);
    }
}

bool FileSystem::Create(const char* name) {
    if (IsReadOnlyHere()) return false;
    Keys keys;
    if (!splitName(name, keys)) return false;
    {
        std::lock_guard<std::mutex> lock(mArchiveLock);
        if (findLocked(keys)) return false;
    }
    platform::NativeFile* file = platform::OpenFile(name, platform::OpenMode::CreateAlways);
    if (!file) return false;
    platform::CloseFile(file);

    std::lock_guard<std::mutex> lock(mArchiveLock);
    auto directory = mIndex.find(keys.directory);
    if (directory != mIndex.end()) {
        IndexEntry entry;
        entry.name = name;
        entry.writable = 1;
        directory->second[keys.file] = std::move(entry);
    }
    return true;
}

bool FileSystem::Delete(const char* name) {
    if (IsReadOnlyHere()) return false;
    Keys keys;
    if (!splitName(name, keys)) return false;
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(mArchiveLock);
        IndexEntry* entry = findLocked(keys);
        if (entry && entry->inArchive) return false;
        known = entry != nullptr;
    }
    if (!platform::DeleteFile(name)) return false;
    // The index forgets a disk file only once it is really gone.
    if (known) {
        std::lock_guard<std::mutex> lock(mArchiveLock);
        auto directory = mIndex.find(keys.directory);
        if (directory != mIndex.end()) directory->second.erase(keys.file);
    }
    return true;
}

bool FileSystem::Exists(const char* name) {
    if (!nameFits(name)) return false;
    if (Find(name)) return true;
    return platform::FileExists(name);
}

platform::NativeFile* FileSystem::OpenArchive(const char* name) {
    if (!nameFits(name)) return nullptr;
    platform::NativeFile* file = platform::OpenFile(name, platform::OpenMode::ReadExisting);
    if (!file) return nullptr;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    Archive& archive = mArchives[file];
    archive.size = platform::GetFileSize(file);
    return file;
}

bool FileSystem::MountEntry(const char* name, platform::NativeFile* file, uint32_t offset, uint32_t size,
                            bool compressed) {
    Keys keys;
    if (!splitName(name, keys) || keys.file.empty()) return false;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    auto archive = mArchives.find(file);
    if (archive == mArchives.end() || archive->second.closing) return false;
    // The range comes from the archive's own directory: it must lie inside the archive.
    if (offset > archive->second.size || size > archive->second.size - offset) return false;
    if (findLocked(keys)) return false;
    IndexEntry entry;
    entry.name = name;
    entry.archive = file;
    entry.offset = offset;
    entry.size = size;
    entry.inArchive = 1;
    entry.compressed = compressed ? 1 : 0;
    mIndex[keys.directory][keys.file] = std::move(entry);
    return true;
}

void FileSystem::CloseArchive(platform::NativeFile* file) {
    std::lock_guard<std::mutex> lock(mArchiveLock);
    closeArchiveLocked(file);
}

void FileSystem::closeArchiveLocked(platform::NativeFile* file) {
    auto archive = mArchives.find(file);
    if (archive == mArchives.end()) return;
    for (auto directory = mIndex.begin(); directory != mIndex.end();) {
        std::erase_if(directory->second,
                      [file](const auto& item) { return item.second.inArchive && item.second.archive == file; });
        directory = directory->second.empty() ? mIndex.erase(directory) : std::next(directory);
    }
    archive->second.closing = true;
    if (archive->second.openWindows == 0) {
        platform::CloseFile(file);
        mArchives.erase(archive);
    }
}

bool FileSystem::directoryKey(const char* directory, CTGString& key) {
    if (!NormaliseName(directory, key)) return false;
    if (!key.empty() && key.back() != kIndexSeparator) key.push_back(kIndexSeparator);
    return true;
}

uint32_t FileSystem::CloseArchivesUnder(const char* directory) {
    CTGString key;
    if (!directoryKey(directory, key)) return 0;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    std::vector<platform::NativeFile*> found;
    // Every key that starts with the directory's key lies in one run of the ordered map.
    for (auto item = mIndex.lower_bound(key); item != mIndex.end() && item->first.starts_with(key); ++item) {
        for (const auto& [fileKey, entry] : item->second) {
            if (entry.inArchive && std::find(found.begin(), found.end(), entry.archive) == found.end()) {
                found.push_back(entry.archive);
            }
        }
    }
    for (platform::NativeFile* file : found) closeArchiveLocked(file);
    return static_cast<uint32_t>(found.size());
}

void FileSystem::ListMountedFolders(const char* directory, std::vector<CTGString>& folders) {
    folders.clear();
    CTGString key;
    if (!directoryKey(directory, key)) return;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    CTGString last;
    for (auto item = mIndex.lower_bound(key); item != mIndex.end() && item->first.starts_with(key); ++item) {
        const CTGString& deeper = item->first;
        if (deeper.size() == key.size()) continue;  // the directory itself
        auto mounted = std::find_if(item->second.begin(), item->second.end(),
                                    [](const auto& file) { return file.second.inArchive != 0; });
        if (mounted == item->second.end()) continue;
        size_t end = deeper.find(kIndexSeparator, key.size());
        CTGString folder = deeper.substr(key.size(), end - key.size());
        // All keys below one folder follow each other in the ordered map.
        if (!folders.empty() && folder == last) continue;
        // A key is its name normalised character by character: the same positions in the
        // mounted name give the folder's own spelling.
        const CTGString& spelled = mounted->second.name;
        folders.push_back(spelled.size() == deeper.size() + mounted->first.size()
                              ? CTGString(spelled.substr(key.size(), folder.size()))
                              : folder);
        last = std::move(folder);
    }
}

void FileSystem::ListMountedFiles(const char* directory, std::vector<MountedFile>& files) {
    files.clear();
    CTGString key;
    if (!directoryKey(directory, key)) return;
    std::lock_guard<std::mutex> lock(mArchiveLock);
    auto item = mIndex.find(key);
    if (item == mIndex.end()) return;
    for (const auto& [fileKey, entry] : item->second) {
        if (!entry.inArchive) continue;
        MountedFile file;
        file.name = entry.name.size() >= fileKey.size()
                        ? CTGString(entry.name.substr(entry.name.size() - fileKey.size()))
                        : fileKey;
        file.size = entry.size;
        file.compressed = entry.compressed != 0;
        files.push_back(std::move(file));
    }
}

}  // namespace tambrix
