// The POSIX side of the host's file calls (PlatformFile.h).
#include "platform/PlatformFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/AsciiCase.h"
#include "platform/PlatformFileDetail.h"

namespace tambrix::platform {

struct NativeFile {
    int fd = -1;
};

namespace {

constexpr char kHostSeparator = '/';
constexpr mode_t kNewFileMode = 0666;    // narrowed by the process umask, as for any new file
constexpr mode_t kNewFolderMode = 0777;  // likewise

/// A name holding a zero byte would reach the host cut short, naming another file: such
/// a name names nothing here.
bool holdsZero(const std::string& name) { return name.find('\0') != std::string::npos; }

bool entryExists(const std::string& path) {
    if (holdsZero(path)) return false;
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == kHostSeparator) return folder + name;
    return folder + kHostSeparator + name;
}

/// The entry of `folder` whose name equals `name` but for ASCII case, or an empty text.
/// Several such entries (possible only on a case-sensitive host) resolve to the first in
/// byte order, so that the choice does not depend on the enumeration order.
std::string findNoCase(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string best;
    while (dirent* entry = ::readdir(dir)) {
        std::string candidate = entry->d_name;
        if (!EqualNoCase(candidate, name)) continue;
        if (best.empty() || candidate < best) best = candidate;
    }
    ::closedir(dir);
    return best;
}

/// The path a new file takes for `name`: its folders resolved as for reading, its last
/// part exactly as given. Empty for an empty name.
std::string pathForNewFile(const std::string& name) {
    if (holdsZero(name)) return {};
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', kHostSeparator);
    const size_t split = path.find_last_of(kHostSeparator);
    if (split == std::string::npos) return path;
    const std::string last = path.substr(split + 1);
    std::string folder = split == 0 ? std::string(1, kHostSeparator) : ResolvePath(path.substr(0, split));
    if (last.empty()) return folder + kHostSeparator;
    return joinPath(folder, last);
}

/// The folder part of a host path ("." for a bare name).
std::string folderOf(const std::string& path) {
    const size_t split = path.find_last_of(kHostSeparator);
    if (split == std::string::npos) return ".";
    return split == 0 ? std::string(1, kHostSeparator) : path.substr(0, split);
}

// The three 32-bit clamps below keep the layer's positions and sizes honest for a file of
// 4 GB or more, which the game never has: such a file reads as 4 GB - 1 bytes.
uint32_t clampTo32(off_t value) {
    if (value < 0) return 0;
    if (static_cast<uint64_t>(value) > UINT32_MAX) return UINT32_MAX;
    return static_cast<uint32_t>(value);
}



}  // namespace

std::string UserCacheFolder() {
    // The base-directory convention: a relative value is invalid and ignored.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return cache;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache";
    return std::string();
}


std::string ResolvePath(const std::string& name) {
    if (holdsZero(name)) return {};
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', kHostSeparator);
    if (path.empty() || entryExists(path)) return path;

    // Walk the components: each one keeps its exact spelling when that exists, else takes
    // the spelling of an entry that differs only in case. Once a component is missing, the
    // rest is kept as given (a file about to be created in a resolved folder).
    std::string resolved = path.front() == kHostSeparator ? std::string(1, kHostSeparator) : std::string();
    bool missing = false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(kHostSeparator, start);
        if (end == std::string::npos) end = path.size();
        std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;
        std::string exact = joinPath(resolved, component);
        if (missing || component == "." || component == ".." || entryExists(exact)) {
            resolved = exact;
            continue;
        }
        std::string match = findNoCase(resolved, component);
        if (match.empty()) {
            missing = true;
            resolved = exact;
        } else {
            resolved = joinPath(resolved, match);
        }
    }
    if (path.back() == kHostSeparator && (resolved.empty() || resolved.back() != kHostSeparator)) {
        resolved.push_back(kHostSeparator);
    }
    return resolved;
}

NativeFile* OpenFile(const std::string& name, OpenMode mode, uint32_t* size) {
    if (mode != OpenMode::ReadExisting && Hooks().refuseWriteOpens.load()) return nullptr;
    if (auto* hook = Hooks().beforeWriteOpen.load(); hook && mode == OpenMode::ReadWriteExisting) hook(name);
    // Non-blocking only while opening: a named pipe would otherwise wait for a writer.
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (mode) {
        case OpenMode::ReadWriteExisting: flags |= O_RDWR; break;
        case OpenMode::ReadExisting: flags |= O_RDONLY; break;
        case OpenMode::CreateAlways: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    auto openPath = [flags](const std::string& path) {
        int fd;
        do {
            fd = ::open(path.c_str(), flags, kNewFileMode);
        } while (fd < 0 && errno == EINTR);
        return fd;
    };
    // An existing file whose name is spelled as it is on disk opens at once, as ResolvePath
    // would keep that spelling; only a miss looks for one that differs in case. A file
    // opened for creation keeps its last name part exactly: resolving it would truncate
    // another file whose name merely differs in case.
    int fd = -1;
    if (holdsZero(name)) return nullptr;
    if (mode == OpenMode::CreateAlways || mode == OpenMode::CreateNew) {
        const std::string path = pathForNewFile(name);
        if (path.empty()) return nullptr;
        fd = openPath(path);
    } else if (!name.empty()) {
        std::string exact = name;
        std::replace(exact.begin(), exact.end(), '\\', kHostSeparator);
        fd = openPath(exact);
        if (fd < 0) {
            const std::string path = ResolvePath(name);
            if (path.empty()) return nullptr;
            fd = openPath(path);
        }
    }
    if (fd < 0) return nullptr;
    // Only plain files open: a folder is not a file here, as on Windows.
    // Of the flags F_SETFL sets, only O_NONBLOCK was asked for: clearing them all clears it.
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    auto* file = new (std::nothrow) NativeFile;
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    file->fd = fd;
    if (size) *size = clampTo32(info.st_size);
    return file;
}

void CloseFile(NativeFile* file) {
    if (!file) return;
    ::close(file->fd);
    delete file;
}

bool ReadFile(NativeFile* file, void* buffer, uint32_t count, uint32_t& done) {
    Hooks().reads.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0)) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::read(file->fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;  // end of file
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool WriteFile(NativeFile* file, const void* buffer, uint32_t count, uint32_t& done) {
    Hooks().writes.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0)) return false;
    if (!detail::TakeWriteAllowance()) return false;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::write(file->fd, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool ReadFileAt(NativeFile* file, uint64_t offset, void* buffer, uint32_t count, uint32_t& done) {
    Hooks().reads.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0) || offset > static_cast<uint64_t>(INT64_MAX) - count) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(file->fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;  // end of file
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool WriteFileAt(NativeFile* file, uint64_t offset, const void* buffer, uint32_t count, uint32_t& done) {
    Hooks().writes.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0) || offset > static_cast<uint64_t>(INT64_MAX) - count) return false;
    if (!detail::TakeWriteAllowance()) return false;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::pwrite(file->fd, in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool SetFileSize(NativeFile* file, uint32_t size) {
    if (!file) return false;
    int result;
    do {
        result = ::ftruncate(file->fd, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool SetFilePointer(NativeFile* file, uint32_t position) {
    if (!file) return false;
    return ::lseek(file->fd, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

uint32_t GetFilePointer(NativeFile* file) {
    if (!file) return 0;
    return clampTo32(::lseek(file->fd, 0, SEEK_CUR));
}

uint32_t GetFileSize(NativeFile* file) {
    if (!file) return 0;
    struct stat info;
    if (::fstat(file->fd, &info) != 0) return 0;
    return clampTo32(info.st_size);
}

bool SetEndOfFile(NativeFile* file) {
    if (!file) return false;
    off_t position = ::lseek(file->fd, 0, SEEK_CUR);
    if (position < 0) return false;
    return ::ftruncate(file->fd, position) == 0;
}

bool FlushFile(NativeFile* file) {
    if (!file) return false;
    return ::fsync(file->fd) == 0;
}

bool DeleteFile(const std::string& name) {
    std::string path = ResolvePath(name);
    struct stat info;
    if (path.empty() || ::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool WriteWholeFile(const std::string& name, const std::vector<std::pair<const void*, uint32_t>>& parts) {
    if (Hooks().refuseWriteOpens.load()) return false;
    std::string path = pathForNewFile(name);
    if (path.empty() || path.back() == kHostSeparator) return false;
    struct stat existing;
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing) {
        // Only a plain file is replaced, and only one this user may write: a folder or a
        // read-only file keeps its name. A link is written through: its file is replaced.
        if (!S_ISREG(existing.st_mode) || ::access(path.c_str(), W_OK) != 0) return false;
        char* target = ::realpath(path.c_str(), nullptr);
        if (!target) return false;
        path = target;
        std::free(target);
    }
    // A short hidden name beside the file (the file's own name may be as long as a name
    // can be); made exclusively, so that it never is another program's file.
    static std::atomic<unsigned> serial{0};
    const std::string stem = joinPath(folderOf(path), ".tambrix-" + std::to_string(::getpid()) + "-");
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = stem + std::to_string(serial.fetch_add(1)) + ".tmp";
        do {
            fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    // A replaced file keeps its permissions; a new one has those of any new file.
    if (replacing) ::fchmod(fd, existing.st_mode & 07777);
    NativeFile file;
    file.fd = fd;
    bool written = true;
    for (const auto& [data, count] : parts) {
        uint32_t done = 0;
        if (!WriteFile(&file, data, count, done) || done != count) {
            written = false;
            break;
        }
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

std::string OtherCaseEntry(const std::string& name) {
    const std::string path = pathForNewFile(name);
    if (path.empty() || path.back() == kHostSeparator || entryExists(path)) return {};
    const size_t split = path.find_last_of(kHostSeparator);
    const std::string folder =
        split == std::string::npos ? std::string() : split == 0 ? std::string(1, kHostSeparator) : path.substr(0, split);
    const std::string match = findNoCase(folder, path.substr(split == std::string::npos ? 0 : split + 1));
    return match.empty() ? std::string() : joinPath(folder, match);
}


bool detail::NameTaken(const std::string& name) {
    return entryExists(pathForNewFile(name)) || !OtherCaseEntry(name).empty();
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    struct stat info;
    if (path.empty() || holdsZero(path) || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    constexpr int64_t kNsPerSecond = 1000000000;
    FileIdentity identity;
    identity.size = static_cast<uint64_t>(info.st_size);
    identity.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec;
    identity.changedNs = static_cast<int64_t>(info.st_ctim.tv_sec) * kNsPerSecond + info.st_ctim.tv_nsec;
    identity.inode = static_cast<uint64_t>(info.st_ino);
    identity.device = static_cast<uint64_t>(info.st_dev);
    return identity;
}

bool MoveFile(const std::string& from, const std::string& to, bool replace) {
    const std::string source = ResolvePath(from);
    const std::string target = ResolvePath(to);
    struct stat info;
    // Only a plain file moves: a folder or a missing name leaves the target as it was.
    if (source.empty() || target.empty() || ::lstat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (Hooks().refuseWriteOpens.load()) return false;
    if (replace) return ::rename(source.c_str(), target.c_str()) == 0;
    // A hard link refuses an existing target in the same step that makes the new name;
    // rename would replace it. A file system without hard links falls back to a check
    // and a rename.
    if (::link(source.c_str(), target.c_str()) == 0) {
        ::unlink(source.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EXDEV) return false;
    if (entryExists(target)) return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool MayRemoveEntry(const std::string& path, std::string& why) {
    why.clear();
    struct stat entry;
    if (path.empty() || holdsZero(path) || ::lstat(path.c_str(), &entry) != 0) {
        why = std::strerror(path.empty() || holdsZero(path) ? ENOENT : errno);
        return false;
    }
    const std::string folder = folderOf(path);
    if (Hooks().refuseRemovals.load()) {
        why = std::string("the folder is not writable: ") + std::strerror(EACCES);
        return false;
    }
    // Removing a name changes the folder, not the file: the host asks for write and
    // search permission there, for this user (a superuser has both).
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        why = std::string("the folder is not writable: ") + std::strerror(errno);
        return false;
    }
    // In a sticky folder (such as /tmp) only the owner of the file or of the folder may.
    struct stat parent;
    if (::stat(folder.c_str(), &parent) == 0 && (parent.st_mode & S_ISVTX) != 0) {
        const uid_t user = ::geteuid();
        if (user != 0 && user != entry.st_uid && user != parent.st_uid) {
            why = "the folder lets only the file's owner remove it";
            return false;
        }
    }
    return true;
}

bool DirectoryExists(const std::string& name) {
    std::string path = ResolvePath(name);
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& name) {
    std::string path = ResolvePath(name);
    if (path.empty()) return false;
    while (path.size() > 1 && path.back() == kHostSeparator) path.pop_back();
    if (::mkdir(path.c_str(), kNewFolderMode) != 0 && errno != EEXIST) return false;
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string CurrentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}


bool FindFiles(const std::string& folderAndPattern, std::vector<DirEntry>& entries) {
    entries.clear();
    size_t split = folderAndPattern.find_last_of("/\\");
    std::string folder = split == std::string::npos ? std::string(".") : folderAndPattern.substr(0, split + 1);
    std::string pattern = split == std::string::npos ? folderAndPattern : folderAndPattern.substr(split + 1);

    std::string path = ResolvePath(folder);
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || pattern.empty() || !MatchPattern(name, pattern)) continue;
        std::string full = joinPath(path, name);
        struct stat info;
        // A dangling link still shows, as the link itself.
        if (::stat(full.c_str(), &info) != 0 && ::lstat(full.c_str(), &info) != 0) continue;
        DirEntry found;
        found.name = name;
        found.isDirectory = S_ISDIR(info.st_mode);
        found.size = found.isDirectory ? 0 : static_cast<uint64_t>(info.st_size);
        found.modified = static_cast<int64_t>(info.st_mtime);
        found.readOnly = (info.st_mode & S_IWUSR) == 0;
        entries.push_back(std::move(found));
    }
    ::closedir(dir);
    return true;
}

}  // namespace tambrix::platform
