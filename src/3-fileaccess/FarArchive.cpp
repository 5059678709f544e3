#include "fileaccess/FarArchive.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <string_view>
#include <tuple>

#include "core/ByteReader.h"
#include "fileaccess/FarFormat.h"
#include "platform/PlatformFile.h"

namespace tambrix {

namespace {

using namespace farformat;

/// Keeps a FileSystem handle for one scope.
class OpenedFile {
public:
    OpenedFile(FileSystem& files, FileHandle* handle) : mFiles(files), mHandle(handle) {}
    ~OpenedFile() { mFiles.Close(mHandle); }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    FileHandle* get() const { return mHandle; }

private:
    FileSystem& mFiles;
    FileHandle* mHandle;
};

/// The manifest as read under one name-length variant.
struct Reading {
    FarManifest manifest;
    bool complete = false;   ///< every declared entry was read
    bool endsAtEnd = false;  ///< ...and the last one ends where the file does
    uint32_t usable = 0;
};

/// Checks one entry against the file; kOk or the reason it cannot be used.
int32_t checkEntry(const FarEntry& entry, uint32_t fileSize) {
    if (!IsSafeFarEntryName(entry.name)) return rc::kFarUnsafeName;
    // Written so that offset + size cannot overflow.
    if (entry.offset > fileSize || entry.StoredSize() > fileSize - entry.offset) return rc::kFarEntryOutside;
    return rc::kOk;
}

// Manifest (from its offset to the end of the file), little-endian:
//   0   u32  entry count
//   then per entry:
//   0   u32  size
//   4   u32  second size (differs from size when the entry is stored compressed)
//   8   u32  offset of the entry's bytes within the archive
//   12  u32 (1a) or u16 (1b)  name length
//   ..  the name, that many bytes, no terminator
Reading readAs(FarVariant variant, const uint8_t* bytes, size_t size, uint32_t fileSize) {
    Reading reading;
    reading.manifest.variant = variant;
    ByteReader in(bytes, size);
    uint32_t count = 0;
    if (!in.ReadU32(count)) return reading;
    reading.manifest.declaredCount = count;
    // Never trust the count for an allocation: at most as many entries as the bytes can hold.
    const size_t smallestEntry = kEntryFixedBytes + NameLengthBytes(variant) + 1;
    reading.manifest.entries.reserve(std::min<size_t>(count, in.Remaining() / smallestEntry));
    for (uint32_t i = 0; i < count; ++i) {
        FarEntry entry;
        uint32_t nameLength = 0;
        bool read = in.ReadU32(entry.size) && in.ReadU32(entry.secondSize) && in.ReadU32(entry.offset);
        if (variant == FarVariant::k1a) {
            read = read && in.ReadU32(nameLength);
        } else {
            uint16_t shortLength = 0;
            read = read && in.ReadU16(shortLength);
            nameLength = shortLength;
        }
        // A name longer than the bytes left ends the manifest here: what follows cannot
        // be found any more.
        if (!read || !in.ReadText(nameLength, entry.name)) break;
        entry.compressed = entry.size != entry.secondSize;
        entry.status = checkEntry(entry, fileSize);
        if (entry.status == rc::kOk) ++reading.usable;
        reading.manifest.entries.push_back(std::move(entry));
    }
    reading.complete = reading.manifest.entries.size() == count;
    reading.endsAtEnd = reading.complete && in.Remaining() == 0;
    return reading;
}

/// Picks the variant under which the manifest reads best: all entries and ending at the
/// end of the file; else the most usable entries (a misread name length leaves names of
/// NUL bytes, which are never usable), then all entries read; 1a on a tie.
int32_t parseManifest(const uint8_t* bytes, size_t size, uint32_t fileSize, FarManifest& manifest) {
    Reading wide = readAs(FarVariant::k1a, bytes, size, fileSize);
    Reading narrow = readAs(FarVariant::k1b, bytes, size, fileSize);
    auto rank = [](const Reading& r) {
        return std::make_tuple(r.endsAtEnd, r.usable, r.complete, r.manifest.entries.size());
    };
    manifest = rank(narrow) > rank(wide) ? std::move(narrow.manifest) : std::move(wide.manifest);
    return rc::kOk;
}

// Header, 16 bytes, little-endian:
//   0   8 bytes  signature "FAR!byAZ"
//   8   u32      version, 1
//   12  u32      offset of the manifest
int32_t parseHeader(const uint8_t* bytes, size_t size, uint32_t fileSize, uint32_t& manifestOffset) {
    ByteReader in(bytes, size);
    std::string signature;
    uint32_t version = 0;
    if (!in.ReadText(kSignature.size(), signature) || signature != kSignature) return rc::kFarNotArchive;
    if (!in.ReadU32(version) || !in.ReadU32(manifestOffset)) return rc::kFarNotArchive;
    if (version != kVersion) return rc::kFarBadVersion;
    // The manifest needs at least its count, after the header and inside the file.
    if (manifestOffset < kHeaderBytes || manifestOffset > fileSize || fileSize - manifestOffset < kCountBytes) {
        return rc::kFarBadManifest;
    }
    if (fileSize - manifestOffset > kMaxManifestBytes) return rc::kFarBadManifest;
    return rc::kOk;
}

/// Names compared as the index compares them.
std::string foldName(std::string_view name) { return FileSystem::FoldName(name); }

std::vector<std::string_view> splitComponents(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t end = name.find_first_of("\\/", start);
        parts.push_back(name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::string joinHost(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path.push_back('/');
    path.append(name);
    return path;
}

/// Creates a folder and its missing parents (links among the existing ones are taken as
/// the user made them).
bool makeFolderPath(const std::string& folder) {
    if (platform::DirectoryExists(folder)) return true;
    std::string prefix;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t end = folder.find_first_of("\\/", start);
        if (end == std::string::npos) end = folder.size();
        prefix = folder.substr(0, end);
        start = end + 1;
        if (prefix.empty() || end == 0 || folder[end - 1] == '/' || folder[end - 1] == '\\') continue;
        if (!platform::DirectoryExists(prefix) && !platform::MakeDirectory(prefix)) return false;
    }
    return platform::DirectoryExists(folder);
}

/// Copies `count` bytes from `offset` of the source into the target.
int32_t copyBytes(FileHandle* source, uint32_t offset, uint32_t count, FileHandle* target) {
    std::vector<uint8_t> buffer(std::min(count, kCopyChunkBytes));
    if (!source->Seek(offset)) return rc::kShortRead;
    while (count > 0) {
        uint32_t step = std::min(count, kCopyChunkBytes);
        if (source->Read(buffer.data(), step) != step) return rc::kShortRead;
        if (target && target->Write(buffer.data(), step) != step) return rc::kShortWrite;
        count -= step;
    }
    return rc::kOk;
}

/// Writes one entry below the output folder; kOk or why not.
int32_t extractEntry(FileSystem& files, FileHandle* archive, const FarEntry& entry, const std::string& outDir,
                     std::string& written) {
    if (entry.status != rc::kOk) return entry.status;
    if (entry.compressed) return rc::kFarCompressed;
    // Checked again here: the manifest's own status must not be the only guard.
    if (!IsSafeFarEntryName(entry.name)) return rc::kFarUnsafeName;
    std::vector<std::string_view> parts = splitComponents(entry.name);
    std::string path = outDir;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        path = joinHost(path, parts[i]);
        if (path.size() > kMaxFileNameLength) return rc::kFarNameTooLong;
        // A sub-folder that is a link (or a file) could lead outside: refused.
        if (!platform::MakeDirectory(path)) return rc::kFarUnsafeTarget;
    }
    path = joinHost(path, parts.back());
    if (path.size() > kMaxFileNameLength) return rc::kFarNameTooLong;
    if (files.Exists(path.c_str())) return rc::kFileExists;
    if (!files.Create(path.c_str())) return rc::kCreateFailed;
    FileHandle* target = files.Open(path.c_str(), true);
    if (!target) {
        files.Delete(path.c_str());
        return rc::kCreateFailed;
    }
    int32_t code = copyBytes(archive, entry.offset, entry.StoredSize(), target);
    files.Close(target);
    // A half-written file is worse than none: it would look like the entry.
    if (code != rc::kOk) {
        files.Delete(path.c_str());
        return code;
    }
    written = std::move(path);
    return rc::kOk;
}

void collectArchives(const std::string& folder, uint32_t depth, uint32_t& foldersSeen,
                     std::vector<std::string>& archives) {
    if (depth > kMaxFolderDepth || foldersSeen >= kMaxFoldersSearched) return;
    ++foldersSeen;
    std::vector<platform::DirEntry> found;
    if (!platform::FindFiles(joinHost(folder, "*"), found)) return;
    std::sort(found.begin(), found.end(),
              [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
    for (const platform::DirEntry& item : found) {
        std::string path = joinHost(folder, item.name);
        if (item.isDirectory)
            collectArchives(path, depth + 1, foldersSeen, archives);
        else if (platform::MatchPattern(item.name, kArchivePattern))
            archives.push_back(std::move(path));
    }
}

}  // namespace

bool IsSafeFarEntryName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        if (c < kFirstPrintable || c == kDelete || c == ':') return false;
    }
    for (std::string_view part : splitComponents(name)) {
        // Empty: a leading separator (absolute), a doubled or a trailing one.
        if (part.empty()) return false;
        // ".", "..", and names of dots and spaces only, which Windows trims to "..".
        if (part.find_first_not_of(". ") == std::string_view::npos) return false;
    }
    return true;
}

int32_t ParseFarArchive(const uint8_t* bytes, size_t size, FarManifest& manifest) {
    manifest = FarManifest();
    if (!bytes || size < kHeaderBytes) return rc::kFarNotArchive;
    if (size > std::numeric_limits<uint32_t>::max()) return rc::kFarBadManifest;
    const auto fileSize = static_cast<uint32_t>(size);
    uint32_t manifestOffset = 0;
    int32_t code = parseHeader(bytes, size, fileSize, manifestOffset);
    if (code != rc::kOk) return code;
    return parseManifest(bytes + manifestOffset, fileSize - manifestOffset, fileSize, manifest);
}

int32_t ListFarArchive(const char* path, FarManifest& manifest, FileSystem& files) {
    manifest = FarManifest();
    if (!path) return rc::kNoSuchFile;
    OpenedFile file(files, files.Open(path, false));
    if (!file.get()) return rc::kNoSuchFile;
    const uint32_t fileSize = file.get()->GetSize();
    if (fileSize < kHeaderBytes) return rc::kFarNotArchive;
    uint8_t header[kHeaderBytes];
    if (file.get()->Read(header, kHeaderBytes) != kHeaderBytes) return rc::kShortRead;
    uint32_t manifestOffset = 0;
    int32_t code = parseHeader(header, kHeaderBytes, fileSize, manifestOffset);
    if (code != rc::kOk) return code;
    // Sized from the file's real length (checked and capped above), never from a count.
    const uint32_t manifestSize = fileSize - manifestOffset;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(manifestSize);
    } catch (const std::bad_alloc&) {
        return rc::kNoMemory;
    }
    if (!file.get()->Seek(manifestOffset) || file.get()->Read(bytes.data(), manifestSize) != manifestSize) {
        return rc::kShortRead;
    }
    return parseManifest(bytes.data(), bytes.size(), fileSize, manifest);
}

int32_t ReadFarEntry(const char* path, const char* entryName, std::vector<uint8_t>& bytes, FileSystem& files) {
    bytes.clear();
    if (!entryName) return rc::kFarNoSuchEntry;
    FarManifest manifest;
    int32_t code = ListFarArchive(path, manifest, files);
    if (code != rc::kOk) return code;
    const std::string wanted = foldName(entryName);
    // The first entry of a name wins, as when mounting.
    auto entry = std::find_if(manifest.entries.begin(), manifest.entries.end(),
                              [&](const FarEntry& item) { return foldName(item.name) == wanted; });
    if (entry == manifest.entries.end()) return rc::kFarNoSuchEntry;
    if (entry->status != rc::kOk) return entry->status;
    if (entry->compressed) return rc::kFarCompressed;
    OpenedFile file(files, files.Open(path, false));
    if (!file.get()) return rc::kNoSuchFile;
    // The size was checked against the file's length when the manifest was read.
    try {
        bytes.resize(entry->size);
    } catch (const std::bad_alloc&) {
        return rc::kNoMemory;
    }
    if (!file.get()->Seek(entry->offset) || file.get()->Read(bytes.data(), entry->size) != entry->size) {
        bytes.clear();
        return rc::kShortRead;
    }
    return rc::kOk;
}

int32_t MountFarArchive(const char* path, FarMountReport* report, FileSystem& files) {
    FarMountReport local;
    FarMountReport& result = report ? *report : local;
    result = FarMountReport();
    if (!path) return result.code = rc::kNoSuchFile;
    result.archive = path;

    std::vector<CTGString> folders;
    std::vector<MountedFile> mountedFiles;
    files.ListMountedFolders(path, folders);
    files.ListMountedFiles(path, mountedFiles);
    if (!folders.empty() || !mountedFiles.empty()) return result.code = rc::kFarAlreadyMounted;

    FarManifest manifest;
    int32_t code = ListFarArchive(path, manifest, files);
    if (code != rc::kOk) return result.code = code;
    if (manifest.declaredCount == 0) return result.code = rc::kOk;

    platform::NativeFile* archive = files.OpenArchive(path);
    if (!archive) return result.code = rc::kNoSuchFile;
    auto skip = [&result](int32_t why) {
        if (result.firstSkip == rc::kOk) result.firstSkip = why;
    };
    const std::string folder = std::string(path) + '\\';
    for (const FarEntry& entry : manifest.entries) {
        int32_t why = entry.status;
        if (why == rc::kOk) {
            std::string name = folder + entry.name;
            if (name.size() > kMaxFileNameLength) {
                why = rc::kFarNameTooLong;
            } else if (!files.MountEntry(name.c_str(), archive, entry.offset, entry.StoredSize(), entry.compressed)) {
                // The index refuses a name it holds already, or a range outside the archive
                // as it is now (it may have changed since its manifest was read).
                why = files.Find(name.c_str()) ? rc::kFarDuplicateName : rc::kFarEntryOutside;
            }
        }
        if (why != rc::kOk) {
            ++result.skipped;
            skip(why);
            continue;
        }
        ++result.mounted;
        if (entry.compressed) ++result.compressed;
    }
    if (manifest.declaredCount > manifest.entries.size()) {
        result.skipped += manifest.declaredCount - static_cast<uint32_t>(manifest.entries.size());
        skip(rc::kFarEntriesMissing);
    }
    if (result.mounted == 0) {
        files.CloseArchive(archive);
        return result.code = rc::kFarNoUsableEntry;
    }
    return result.code = rc::kOk;
}

int32_t MountFarFolder(const char* folder, FarFolderReport* report, FileSystem& files) {
    FarFolderReport local;
    FarFolderReport& result = report ? *report : local;
    result = FarFolderReport();
    if (!folder || !platform::DirectoryExists(folder)) return rc::kNoSuchFile;
    std::vector<std::string> archives;
    uint32_t foldersSeen = 0;
    collectArchives(folder, 0, foldersSeen, archives);
    for (const std::string& path : archives) {
        FarMountReport one;
        MountFarArchive(path.c_str(), &one, files);
        ++result.archivesFound;
        if (one.code == rc::kOk && one.mounted > 0) ++result.archivesMounted;
        result.entriesMounted += one.mounted;
        result.entriesSkipped += one.skipped;
        result.archives.push_back(std::move(one));
    }
    return rc::kOk;
}

int32_t MountedEntryError(const char* name, FileSystem& files) {
    IndexEntry entry;
    if (!name || !files.Find(name, &entry)) return rc::kOk;
    return entry.inArchive && entry.compressed ? rc::kFarCompressed : rc::kOk;
}

int32_t MountFarArchiveOnPath(const char* name, FarMountReport* report, FileSystem& files) {
    FarMountReport local;
    FarMountReport& result = report ? *report : local;
    result = FarMountReport();
    if (!name) return result.code = rc::kNoSuchFile;
    const std::string path(name);
    // The last component is the file itself: only the folders before it can be archives.
    const char* separators = "\\/";
    for (size_t end = path.find_first_of(separators); end != std::string::npos;
         end = path.find_first_of(separators, end + 1)) {
        const std::string prefix = path.substr(0, end);
        const size_t start = prefix.find_last_of("\\/");
        const std::string component = start == std::string::npos ? prefix : prefix.substr(start + 1);
        if (!platform::MatchPattern(component, kArchivePattern) || !platform::FileExists(prefix)) continue;
        int32_t code = MountFarArchive(prefix.c_str(), &result, files);
        if (code == rc::kFarAlreadyMounted) code = result.code = rc::kOk;
        return code;
    }
    return result.code = rc::kOk;
}

uint32_t UnmountFarArchives(const char* path, FileSystem& files) {
    if (!path) return 0;
    return files.CloseArchivesUnder(path);
}

int32_t ExtractFarArchive(const char* path, const std::vector<std::string>& names, const char* outDir,
                          FarExtractReport* report, FileSystem& files) {
    FarExtractReport local;
    FarExtractReport& result = report ? *report : local;
    result = FarExtractReport();
    if (!outDir || !*outDir) return rc::kCreateFailed;
    FarManifest manifest;
    int32_t code = ListFarArchive(path, manifest, files);
    if (code != rc::kOk) return code;

    auto problem = [&result](const std::string& name, int32_t why) {
        result.problems.push_back(FarExtractProblem{name, why});
    };
    // The chosen entries, in manifest order; names asked for but absent are problems.
    std::vector<const FarEntry*> chosen;
    if (names.empty()) {
        for (const FarEntry& entry : manifest.entries) chosen.push_back(&entry);
    } else {
        std::vector<std::string> wanted;
        for (const std::string& name : names) wanted.push_back(foldName(name));
        std::vector<bool> found(wanted.size(), false);
        for (const FarEntry& entry : manifest.entries) {
            const std::string folded = foldName(entry.name);
            bool pick = false;
            for (size_t i = 0; i < wanted.size(); ++i) {
                if (wanted[i] == folded) pick = found[i] = true;
            }
            if (pick) chosen.push_back(&entry);
        }
        for (size_t i = 0; i < names.size(); ++i) {
            if (!found[i]) problem(names[i], rc::kFarNoSuchEntry);
        }
    }

    // Nothing to write (every name asked for is missing): no folder is made either.
    if (chosen.empty()) return result.problems.empty() ? rc::kOk : result.problems.front().code;
    if (!makeFolderPath(outDir)) {
        problem(outDir, rc::kCreateFailed);
        return rc::kCreateFailed;
    }
    OpenedFile archive(files, files.Open(path, false));
    if (!archive.get()) return rc::kNoSuchFile;

    std::set<std::string> done;  // folded names written, so that a second one is refused
    for (const FarEntry* entry : chosen) {
        const std::string folded = foldName(entry->name);
        if (done.count(folded) != 0) {
            problem(entry->name, rc::kFarDuplicateName);
            continue;
        }
        std::string written;
        int32_t why = extractEntry(files, archive.get(), *entry, outDir, written);
        if (why != rc::kOk) {
            problem(entry->name, why);
            continue;
        }
        done.insert(folded);
        ++result.written;
        result.files.push_back(std::move(written));
    }
    return result.problems.empty() ? rc::kOk : result.problems.front().code;
}

}  // namespace tambrix
