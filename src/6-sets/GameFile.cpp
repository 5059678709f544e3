#include "sets/GameFile.h"

#include <algorithm>
#include <optional>

#include "containers/IffFormat.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/AsciiCase.h"
#include "core/ByteReader.h"
#include "core/NameParts.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "sets/ViewResourceSet.h"

namespace tambrix {

namespace {

struct KindName {
    std::string_view extension;
    GameFileKind kind;
    const char* text;
    bool listed;  ///< shown in the browser's file list
};
constexpr KindName kKinds[] = {
    {".iff", GameFileKind::kObject, "object file", true}, {".spf", GameFileKind::kSprites, "sprite file", true},
    {".wll", GameFileKind::kWall, "wall file", true},     {".flr", GameFileKind::kFloor, "floor file", true},
    {".bmp", GameFileKind::kBitmap, "bitmap", true},      {".far", GameFileKind::kArchive, "archive", false},
    {".skn", GameFileKind::kSkinMesh, "skin mesh", true}, {".cmx", GameFileKind::kSkeleton, "skeleton bindings", true},
};
constexpr const char* kOtherText = "not listed";

template <typename File>
int32_t tryOpen(const std::string& path, std::unique_ptr<ResourceFile>& opened) {
    auto file = std::make_unique<File>();
    const int32_t code = file->Open(FileNameText(path));
    if (code == rc::kOk) opened = std::move(file);
    return code;
}

}  // namespace

GameFileKind KindOfName(std::string_view name) {
    const std::string_view extension = nameparts::Extension(name);
    for (const KindName& kind : kKinds)
        if (EqualNoCase(extension, kind.extension)) return kind.kind;
    return GameFileKind::kOther;
}

const char* KindText(GameFileKind kind) {
    for (const KindName& each : kKinds)
        if (each.kind == kind) return each.text;
    return kOtherText;
}

bool IsListedKind(GameFileKind kind) {
    for (const KindName& each : kKinds)
        if (each.kind == kind) return each.listed;
    return false;
}

UserDataKind UserDataKindOf(std::string_view path, const std::vector<ResType>& types) {
    if (KindOfName(path) != GameFileKind::kObject) return UserDataKind::kNone;
    // The file's name and the name of its folder, with either separator.
    const size_t nameStart = nameparts::FileNameStart(path);
    const std::string_view name = path.substr(nameStart);
    std::string_view folder = path.substr(0, nameStart == 0 ? 0 : nameStart - 1);
    folder = folder.substr(nameparts::FileNameStart(folder));
    if (EqualNoCase(name, "Neighborhood.iff")) return UserDataKind::kNeighborhood;
    if (EqualNoCase(folder, "Houses")) return UserDataKind::kHouse;
    if (EqualNoCase(folder, "Characters")) return UserDataKind::kCharacter;
    // "House" and digits, as the game numbers its lots, wherever the file was copied.
    const std::string_view base = name.substr(0, nameparts::ExtensionStart(name));
    constexpr std::string_view kHouse = "House";
    if (base.size() > kHouse.size() && EqualNoCase(base.substr(0, kHouse.size()), kHouse) &&
        std::all_of(base.begin() + kHouse.size(), base.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return UserDataKind::kHouse;
    const auto holds = [&types](const char (&type)[5]) {
        return std::find(types.begin(), types.end(), MakeResType(type)) != types.end();
    };
    if (holds("HOUS")) return UserDataKind::kHouse;
    if (holds("NGBH") || holds("NBRS")) return UserDataKind::kNeighborhood;
    return UserDataKind::kNone;
}

const char* UserDataKindText(UserDataKind kind) {
    switch (kind) {
        case UserDataKind::kHouse: return "house file";
        case UserDataKind::kCharacter: return "character file";
        case UserDataKind::kNeighborhood: return "neighborhood file";
        case UserDataKind::kNone: break;
    }
    return "object file";
}

std::string GroupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

std::string HeldFilesText(const std::vector<std::string>& names) {
    if (names.empty()) return {};
    std::vector<std::string> extensions;
    bool bare = false;
    for (const std::string& name : names) {
        const std::string_view extension = nameparts::Extension(name);
        if (extension.empty()) {
            bare = true;
            continue;
        }
        extensions.push_back(FoldedAscii(extension));
    }
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    if (bare) extensions.emplace_back("no extension");
    std::string text = GroupedNumber(names.size()) + (names.size() == 1 ? " file:" : " files:");
    for (size_t i = 0; i < extensions.size(); ++i) text += (i ? ", " : " ") + extensions[i];
    return text;
}

std::string ContainerHeaderVersion(const std::vector<uint8_t>& head) {
    uint16_t version = 0;
    if (head.size() < iff::kFileHeaderSize || !iff::ReadHeaderVersion(head.data(), version)) return {};
    return std::string{static_cast<char>('0' + (version >> 8)), '.', static_cast<char>('0' + (version & 0xFF))};
}

GameFile::~GameFile() {
    mContainer.reset();
    unmount();
}

void GameFile::unmount() {
    if (!mMountedArchive.empty()) UnmountFarArchives(mMountedArchive.c_str());
    mMountedArchive.clear();
}

int32_t GameFile::Locate(std::string_view path) {
    mContainer.reset();
    unmount();
    mKind = KindOfName(path);
    mState = GamePathState::kMissing;
    mPath.assign(path);
    mFailedArchive.clear();
    // A longer name would be cut to another file's name.
    if (path.empty() || path.size() > kMaxFileNameLength) return rc::kNoSuchFile;

    FarMountReport mount;
    const int32_t mounted = MountFarArchiveOnPath(mPath.c_str(), &mount);
    if (mounted != rc::kOk) {
        mFailedArchive = mount.archive.empty() ? mPath : std::string(mount.archive);
        return mounted;
    }
    if (mount.mounted > 0) mMountedArchive = std::string(mount.archive);

    if (FileSystem::Instance().Find(mPath.c_str())) {
        mState = GamePathState::kArchiveEntry;
        return MountedEntryError(mPath.c_str());
    }
    const std::string resolved = platform::ResolvePath(mPath);
    if (platform::DirectoryExists(resolved)) {
        mState = GamePathState::kFolder;
        return rc::kNoFileKind;
    }
    if (!platform::FileExists(resolved)) return rc::kNoSuchFile;
    mState = GamePathState::kFile;
    mPath = resolved;
    return rc::kOk;
}

int32_t GameFile::Open(std::string_view path, GameFileAccess access) {
    const int32_t code = Locate(path);
    return code == rc::kOk ? Open(access) : code;
}

int32_t GameFile::Open(GameFileAccess access) {
    switch (mKind) {
        case GameFileKind::kBitmap:
        case GameFileKind::kArchive:
        case GameFileKind::kSkinMesh:
        case GameFileKind::kSkeleton: return rc::kNoFileKind;
        case GameFileKind::kWall:
        case GameFileKind::kFloor: return openContainer(true, access);
        case GameFileKind::kObject: break;
        default: return openContainer(false, access);
    }
    mContainer.reset();
    if (mState != GamePathState::kFile && mState != GamePathState::kArchiveEntry) return rc::kNoSuchFile;
    std::optional<FileSystem::ReadOnlyScope> readOnly;
    if (access == GameFileAccess::kReadOnly) readOnly.emplace();
    auto set = std::make_unique<ViewResourceSet>();
    const int32_t code = set->OpenObjectFile(FileNameText(mPath));
    if (code == rc::kOk) mContainer = std::move(set);
    return code;
}

int32_t GameFile::OpenAlone(GameFileAccess access) {
    return openContainer(mKind == GameFileKind::kWall || mKind == GameFileKind::kFloor, access);
}

int32_t GameFile::openContainer(bool legacyFirst, GameFileAccess access) {
    mContainer.reset();
    if (mState != GamePathState::kFile && mState != GamePathState::kArchiveEntry) return rc::kNoSuchFile;
    // The streams opened now stay read-only for their whole life.
    std::optional<FileSystem::ReadOnlyScope> readOnly;
    if (access == GameFileAccess::kReadOnly) readOnly.emplace();
    int32_t code = rc::kOk;
    if (legacyFirst) code = tryOpen<LegacyIffResourceFile>(mPath, mContainer);
    if (!mContainer) code = tryOpen<IffResourceFile>(mPath, mContainer);
    if (!mContainer && !legacyFirst) code = tryOpen<LegacyIffResourceFile>(mPath, mContainer);
    return code;
}

int32_t GameFile::ReadHead(std::vector<uint8_t>& bytes, uint32_t limit) const {
    bytes.clear();
    if (mState != GamePathState::kFile && mState != GamePathState::kArchiveEntry) return rc::kNoSuchFile;
    FileSystem& files = FileSystem::Instance();
    FileHandle* handle = files.Open(mPath.c_str(), false);
    if (!handle) return rc::kNoSuchFile;
    bytes.resize(std::min(limit, handle->GetSize()));
    bytes.resize(handle->Read(bytes.data(), static_cast<uint32_t>(bytes.size())));
    files.Close(handle);
    return rc::kOk;
}

int32_t GameFile::Size(uint64_t& bytes) const {
    bytes = 0;
    if (mState != GamePathState::kFile && mState != GamePathState::kArchiveEntry) return rc::kNoSuchFile;
    FileSystem& files = FileSystem::Instance();
    FileHandle* handle = files.Open(mPath.c_str(), false);
    if (!handle) return rc::kNoSuchFile;
    bytes = handle->GetSize();
    files.Close(handle);
    return rc::kOk;
}

std::string GameFile::ContainerVersion() const {
    std::vector<uint8_t> head;
    ReadHead(head, iff::kFileHeaderSize);
    return ContainerHeaderVersion(head);
}

ChunkDamage GameFile::FindChunkDamage() const {
    ChunkDamage damage;
    const uint32_t headerSize = ContainerVersion() == "1.0" ? iff::kLegacyHeaderSize : iff::kModernHeaderSize;
    // Each chunk header starts with the type and the big-endian size.
    constexpr uint32_t kTypeAndSize = 8;
    FileSystem& files = FileSystem::Instance();
    FileHandle* handle = files.Open(mPath.c_str(), false);
    if (!handle) return damage;
    damage.fileSize = handle->GetSize();
    uint32_t at = iff::kFirstChunkOffset;
    while (at < damage.fileSize) {
        damage.offset = at;
        uint8_t raw[kTypeAndSize];
        if (damage.fileSize - at < headerSize || !handle->Seek(at) || handle->Read(raw, kTypeAndSize) != kTypeAndSize) {
            damage.kind = ChunkDamage::Kind::kCutInHeader;
            break;
        }
        ByteReader reader(raw, kTypeAndSize);
        reader.Skip(4);
        damage.chunkSize = reader.U32BE();
        if (damage.chunkSize < headerSize) {
            damage.kind = ChunkDamage::Kind::kImpossibleSize;
            break;
        }
        if (damage.chunkSize > damage.fileSize - at) {
            damage.kind = ChunkDamage::Kind::kCutInBody;
            break;
        }
        at += damage.chunkSize;
    }
    files.Close(handle);
    return damage;
}

}  // namespace tambrix
