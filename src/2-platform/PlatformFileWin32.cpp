// The Windows side of the host's file calls (PlatformFile.h), through the wide-character
// API: names arrive and leave as UTF-8 and are converted here, at this one boundary, so
// that a name outside the 8-bit code page works. The file system ignores case, so no
// name is resolved; a file's position is kept here and every read and write names its
// offset, one call each, with no separate seek.
#include "platform/PlatformFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The layer's own DeleteFile and MoveFile, not the host's macros for the W functions.
#undef DeleteFile
#undef MoveFile

#include <algorithm>
#include <climits>
#include <new>

#include "core/AsciiCase.h"
#include "platform/PlatformFileDetail.h"

namespace tambrix::platform {

struct NativeFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    uint64_t position = 0;  ///< the file pointer, kept here (see above)
    bool writable = false;
};

namespace {

constexpr char kHostSeparator = '\\';
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Between 1601-01-01 and 1970-01-01, in the 100-nanosecond ticks of a FILETIME.
constexpr int64_t kEpochTicks = 116444736000000000LL;

/// The UTF-16 form of a UTF-8 name; false for text that is not UTF-8 or holds a zero
/// (the host would cut the name there and open another file).
bool widen(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    if (text.find('\0') != std::string::npos || text.size() > INT_MAX) return false;
    const int size = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (count <= 0) return false;
    wide.resize(static_cast<size_t>(count));
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), count) == count;
}

std::string narrow(const wchar_t* text, size_t length) {
    if (length == 0 || length > INT_MAX) return {};
    const int size = static_cast<int>(length);
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string result(static_cast<size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, size, result.data(), count, nullptr, nullptr);
    return result;
}

std::string narrow(const std::wstring& text) { return narrow(text.data(), text.size()); }

/// The host spelling of a name: '\' separators.
std::string hostPath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '/', kHostSeparator);
    return path;
}

/// The host's wide name for `name`; false for a name it cannot take.
bool wideName(const std::string& name, std::wstring& wide) { return !name.empty() && widen(hostPath(name), wide); }

DWORD attributesOf(const std::string& name) {
    std::wstring wide;
    if (!wideName(name, wide)) return INVALID_FILE_ATTRIBUTES;
    return ::GetFileAttributesW(wide.c_str());
}

bool entryExists(const std::string& name) { return attributesOf(name) != INVALID_FILE_ATTRIBUTES; }

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == kHostSeparator || folder.back() == ':') return folder + name;
    return folder + kHostSeparator + name;
}

/// The folder part of a host path ("." for a bare name), and the last part.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const size_t split = path.find_last_of("\\:");
    if (split == std::string::npos) return {".", path};
    std::string folder = path.substr(0, split + 1);
    // "C:\" and "C:" keep their separator; any other folder loses it.
    if (folder.size() > 1 && folder.back() == kHostSeparator && folder[folder.size() - 2] != ':') folder.pop_back();
    return {folder, path.substr(split + 1)};
}

std::string systemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? narrow(text, length) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : message;
}

int64_t ticksOf(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

uint32_t clampTo32(uint64_t value) { return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value); }

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

bool readAt(HANDLE handle, uint64_t offset, void* buffer, uint32_t count, uint32_t& done) {
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
        OVERLAPPED place = at(offset + done);
        DWORD n = 0;
        if (!::ReadFile(handle, out + done, count - done, &n, &place)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return false;
        }
        if (n == 0) break;  // end of file
        done += n;
    }
    return true;
}

bool writeAt(HANDLE handle, uint64_t offset, const void* buffer, uint32_t count, uint32_t& done) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        OVERLAPPED place = at(offset + done);
        DWORD n = 0;
        if (!::WriteFile(handle, in + done, count - done, &n, &place) || n == 0) return false;
        done += n;
    }
    return true;
}

bool setSize(HANDLE handle, uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end) != 0;
}

}  // namespace

std::string UserCacheFolder() {
    // The per-user, non-roaming application data; a relative value is ignored.
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    const std::string folder = narrow(buffer, length);
    const bool absolute = (folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) ||
                          folder.rfind("\\\\", 0) == 0;
    return absolute ? folder : std::string();
}

std::string ResolvePath(const std::string& name) { return hostPath(name); }

NativeFile* OpenFile(const std::string& name, OpenMode mode, uint32_t* size) {
    if (mode != OpenMode::ReadExisting && Hooks().refuseWriteOpens.load()) return nullptr;
    if (auto* hook = Hooks().beforeWriteOpen.load(); hook && mode == OpenMode::ReadWriteExisting) hook(name);
    std::wstring wide;
    if (!wideName(name, wide)) return nullptr;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::ReadWriteExisting: access = GENERIC_READ | GENERIC_WRITE; break;
        case OpenMode::ReadExisting: break;
        case OpenMode::CreateAlways:
            access = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::CreateNew:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = CREATE_NEW;
            break;
    }
    // Others may read, write and rename the file meanwhile, as on POSIX.
    HANDLE handle = ::CreateFileW(wide.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // Only plain files open: a device name (CON, NUL, a pipe) is not a file here.
    LARGE_INTEGER length{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &length)) {
        ::CloseHandle(handle);
        return nullptr;
    }
    auto* file = new (std::nothrow) NativeFile;
    if (!file) {
        ::CloseHandle(handle);
        return nullptr;
    }
    file->handle = handle;
    file->writable = mode != OpenMode::ReadExisting;
    if (size) *size = clampTo32(static_cast<uint64_t>(length.QuadPart));
    return file;
}

void CloseFile(NativeFile* file) {
    if (!file) return;
    ::CloseHandle(file->handle);
    delete file;
}

bool ReadFile(NativeFile* file, void* buffer, uint32_t count, uint32_t& done) {
    Hooks().reads.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0)) return false;
    const bool ok = readAt(file->handle, file->position, buffer, count, done);
    file->position += done;
    return ok;
}

bool WriteFile(NativeFile* file, const void* buffer, uint32_t count, uint32_t& done) {
    Hooks().writes.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0)) return false;
    if (!detail::TakeWriteAllowance()) return false;
    const bool ok = writeAt(file->handle, file->position, buffer, count, done);
    file->position += done;
    return ok;
}

bool ReadFileAt(NativeFile* file, uint64_t offset, void* buffer, uint32_t count, uint32_t& done) {
    Hooks().reads.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0) || offset > static_cast<uint64_t>(INT64_MAX) - count) return false;
    return readAt(file->handle, offset, buffer, count, done);
}

bool WriteFileAt(NativeFile* file, uint64_t offset, const void* buffer, uint32_t count, uint32_t& done) {
    Hooks().writes.fetch_add(1);
    done = 0;
    if (!file || (!buffer && count > 0) || offset > static_cast<uint64_t>(INT64_MAX) - count) return false;
    if (!detail::TakeWriteAllowance()) return false;
    return writeAt(file->handle, offset, buffer, count, done);
}

bool SetFileSize(NativeFile* file, uint32_t size) { return file && setSize(file->handle, size); }

bool SetFilePointer(NativeFile* file, uint32_t position) {
    if (!file) return false;
    file->position = position;
    return true;
}

uint32_t GetFilePointer(NativeFile* file) { return file ? clampTo32(file->position) : 0; }

uint32_t GetFileSize(NativeFile* file) {
    LARGE_INTEGER length{};
    if (!file || !::GetFileSizeEx(file->handle, &length)) return 0;
    return clampTo32(static_cast<uint64_t>(length.QuadPart));
}

bool SetEndOfFile(NativeFile* file) { return file && setSize(file->handle, file->position); }

// A file open for reading has nothing to flush, and the host refuses to flush it.
bool FlushFile(NativeFile* file) { return file && (!file->writable || ::FlushFileBuffers(file->handle) != 0); }

bool DeleteFile(const std::string& name) {
    std::wstring wide;
    if (!wideName(name, wide)) return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // A file still open somewhere (this program may show it) keeps its name on Windows until
    // the last handle goes, where POSIX removes the name at once. So that the name is free
    // and gone from listings as it is there, the file first takes a hidden name beside it.
    static std::atomic<unsigned> serial{0};
    const std::string path = hostPath(name);
    std::wstring hidden;
    if (widen(joinPath(splitPath(path).first, ".tambrix-deleted-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                                  std::to_string(serial.fetch_add(1)) + ".tmp"),
              hidden) &&
        ::MoveFileExW(wide.c_str(), hidden.c_str(), 0)) {
        if (::DeleteFileW(hidden.c_str())) return true;
        ::MoveFileExW(hidden.c_str(), wide.c_str(), 0);  // not deleted: it keeps its name
        return false;
    }
    return ::DeleteFileW(wide.c_str()) != 0;
}

bool WriteWholeFile(const std::string& name, const std::vector<std::pair<const void*, uint32_t>>& parts) {
    if (Hooks().refuseWriteOpens.load()) return false;
    std::string path = hostPath(name);
    std::wstring widePath;
    if (path.empty() || path.back() == kHostSeparator || !widen(path, widePath)) return false;
    const DWORD existing = ::GetFileAttributesW(widePath.c_str());
    const bool replacing = existing != INVALID_FILE_ATTRIBUTES;
    if (replacing) {
        // Only a plain file is replaced, and only one that is not read-only: a folder or a
        // read-only file keeps its name. A link is written through: its file is replaced.
        if (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
        if (existing & FILE_ATTRIBUTE_REPARSE_POINT) {
            HANDLE target = ::CreateFileW(widePath.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
            if (target == INVALID_HANDLE_VALUE) return false;
            std::wstring final(32768, L'\0');
            const DWORD length = ::GetFinalPathNameByHandleW(target, final.data(), 32768, FILE_NAME_NORMALIZED);
            ::CloseHandle(target);
            if (length == 0 || length >= 32768) return false;
            final.resize(length);
            widePath = final;
            path = narrow(final);
        }
    }
    // A short hidden name beside the file, made exclusively, so that it never is another
    // program's file.
    static std::atomic<unsigned> serial{0};
    const std::string stem =
        joinPath(splitPath(path).first, ".tambrix-" + std::to_string(::GetCurrentProcessId()) + "-");
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        if (!widen(stem + std::to_string(serial.fetch_add(1)) + ".tmp", temporary)) return false;
        handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (handle == INVALID_HANDLE_VALUE) return false;
    NativeFile file;
    file.handle = handle;
    bool written = true;
    for (const auto& [data, count] : parts) {
        uint32_t done = 0;
        if (!WriteFile(&file, data, count, done) || done != count) {
            written = false;
            break;
        }
    }
    written = written && ::FlushFileBuffers(handle) != 0;
    written = ::CloseHandle(handle) != 0 && written;
    // A replaced file keeps its attributes and permissions (ReplaceFileW carries them over).
    if (written && replacing &&
        ::ReplaceFileW(widePath.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    if (written && !replacing && ::MoveFileExW(temporary.c_str(), widePath.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(temporary.c_str());
    return false;
}

std::string OtherCaseEntry(const std::string& name) {
    // The host finds the entry whatever the case; it tells the name as stored.
    const std::string path = hostPath(name);
    std::wstring wide;
    if (path.empty() || path.back() == kHostSeparator || path.find_first_of("*?") != std::string::npos ||
        !widen(path, wide))
        return {};
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return {};
    ::FindClose(search);
    const size_t split = name.find_last_of("/\\:");
    const std::string last = split == std::string::npos ? name : name.substr(split + 1);
    const std::string stored = narrow(found.cFileName, wcslen(found.cFileName));
    // A short (8.3) name finds its long name too: only a difference in case counts. The
    // folder stays as the caller spelled it, the entry's name is the stored one.
    if (stored == last || !EqualNoCase(stored, last)) return {};
    return name.substr(0, split == std::string::npos ? 0 : split + 1) + stored;
}

bool detail::NameTaken(const std::string& name) { return entryExists(name); }

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    std::wstring wide;
    if (!wideName(path, wide)) return std::nullopt;
    HANDLE handle = ::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = ::GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(handle);
    if (!ok) return std::nullopt;
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.modifiedNs = (ticksOf(info.ftLastWriteTime) - kEpochTicks) * 100;
    // Windows keeps no change time apart from the write time.
    identity.changedNs = identity.modifiedNs;
    return identity;
}

bool MoveFile(const std::string& from, const std::string& to, bool replace) {
    std::wstring source, target;
    if (!wideName(from, source) || !wideName(to, target)) return false;
    const DWORD attributes = ::GetFileAttributesW(source.c_str());
    // Only a plain file moves: a folder or a missing name leaves the target as it was.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (Hooks().refuseWriteOpens.load()) return false;
    return ::MoveFileExW(source.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
}

bool MayRemoveEntry(const std::string& path, std::string& why) {
    why.clear();
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        why = systemErrorText(::GetLastError());
        return false;
    }
    if (Hooks().refuseRemovals.load()) {
        why = "the folder is not writable: " + systemErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    // The host refuses to delete a read-only file; the folder's own permissions show only
    // when it is tried.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        why = "the file is read-only";
        return false;
    }
    return true;
}

bool DirectoryExists(const std::string& name) {
    const DWORD attributes = attributesOf(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectory(const std::string& name) {
    std::string path = hostPath(name);
    while (path.size() > 1 && path.back() == kHostSeparator && path[path.size() - 2] != ':') path.pop_back();
    std::wstring wide;
    if (path.empty() || !widen(path, wide)) return false;
    if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    // A link (a junction) does not count: what is written below must stay where the name says.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string CurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return narrow(buffer.data(), length);
        buffer.resize(length);
    }
}

bool FindFiles(const std::string& folderAndPattern, std::vector<DirEntry>& entries) {
    entries.clear();
    const size_t split = folderAndPattern.find_last_of("/\\");
    const std::string folder = split == std::string::npos ? std::string(".\\") : folderAndPattern.substr(0, split + 1);
    const std::string pattern = split == std::string::npos ? folderAndPattern : folderAndPattern.substr(split + 1);
    if (!DirectoryExists(folder)) return false;
    // Every entry is listed and matched here, as on every host: the host's own match would
    // also match the short (8.3) names.
    std::wstring wide;
    if (!widen(hostPath(folder) + "*", wide)) return false;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty drive
    do {
        const std::string name = narrow(found.cFileName, wcslen(found.cFileName));
        if (name.empty() || name == "." || name == ".." || pattern.empty() || !MatchPattern(name, pattern)) continue;
        DirEntry entry;
        entry.name = name;
        entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = entry.isDirectory ? 0 : (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entry.modified = (ticksOf(found.ftLastWriteTime) - kEpochTicks) / 10000000;
        entry.readOnly = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return true;
}

}  // namespace tambrix::platform
