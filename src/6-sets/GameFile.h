#pragma once

// The one entry through which every program opens a file of a game folder: the
// browser's object view, tambrix-cli and the tests alike. It tells the kind by the
// name, finds the file on disk or inside an archive, and picks the container class by
// kind and content, so that the same name gets the same answer wherever it is asked.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resfile/ResourceFile.h"

namespace tambrix {

/// The kinds of file in a game folder, told by the name's extension (ASCII case
/// ignored). Only the last dot counts: "my.sofa.iff" is an object file.
enum class GameFileKind : uint8_t {
    kObject,   ///< ".iff": objects, opened with the ".spf" file of the same base
    kSprites,  ///< ".spf": the sprites of an object file
    kWall,     ///< ".wll"
    kFloor,    ///< ".flr"
    kBitmap,   ///< ".bmp": a plain picture, no container
    kArchive,  ///< ".far": a folder of entries, never a container itself
    kSkinMesh,  ///< ".skn": a skin's mesh, a text file of the game; no container
    kSkeleton,  ///< ".cmx": skeletons and the skins bound to them, a text file; no container
    kOther,    ///< any other name
};

GameFileKind KindOfName(std::string_view name);
/// "object file", "sprite file", "wall file", "floor file", "bitmap", "archive", "skin
/// mesh", "skeleton bindings", "not listed".
const char* KindText(GameFileKind kind);
/// Whether the browser's file list shows files of the kind.
bool IsListedKind(GameFileKind kind);

/// What a container named ".iff" holds beside objects: the game keeps its houses,
/// characters and the neighborhood in such files, which have nothing to preview and
/// are never completed or written by looking.
enum class UserDataKind : uint8_t {
    kNone,          ///< an object file
    kHouse,         ///< "Houses/House01.iff", or a file holding a "HOUS" resource
    kCharacter,     ///< a file in a "Characters" folder
    kNeighborhood,  ///< "Neighborhood.iff", or a file holding "NGBH" or "NBRS"
};
/// The kind told by the name and its folder (ASCII case ignored), else by the resource
/// types the container holds; kNone for any other name than ".iff".
UserDataKind UserDataKindOf(std::string_view path, const std::vector<ResType>& types);
/// "house file", "character file", "neighborhood file", "object file".
const char* UserDataKindText(UserDataKind kind);

/// A count with a comma between each group of three digits ("1,204").
std::string GroupedNumber(uint64_t value);
/// What a folder of files holds, for one that holds no file of a listed kind: the count
/// and the extensions, in lower case, sorted ("521 files: .otf"; "2 files: .txt, no
/// extension"); an empty text for no names.
std::string HeldFilesText(const std::vector<std::string>& names);

/// Where a located name leads.
enum class GamePathState : uint8_t {
    kMissing,
    kFolder,        ///< a folder on disk
    kFile,          ///< a file on disk
    kArchiveEntry,  ///< an entry of a mounted archive: always read-only
};

enum class GameFileAccess : uint8_t {
    /// As the browser opens a file: writable where the file allows it, so that the
    /// catalog completion may store what it adds.
    kViewing,
    /// Every container opens read-only; nothing done through it can write.
    kReadOnly,
};

/// The version "d.d" of a container's 64-byte header ("IFF FILE 2.5:..." gives "2.5"),
/// or an empty text when the bytes hold no container header.
std::string ContainerHeaderVersion(const std::vector<uint8_t>& head);

/// Where a container file is cut short or states a size no chunk can have.
struct ChunkDamage {
    enum class Kind : uint8_t {
        kNone,
        kCutInHeader,     ///< the file ends inside the chunk's header
        kImpossibleSize,  ///< the stated size is smaller than the header
        kCutInBody,       ///< the file ends before the stated size
    };
    Kind kind = Kind::kNone;
    uint32_t offset = 0;     ///< where the chunk starts
    uint32_t chunkSize = 0;  ///< as stated
    uint32_t fileSize = 0;
};

/// One file of a game folder: located, then opened as its kind.
class GameFile {
public:
    GameFile() = default;
    /// Closes the container, then unmounts the archive this object mounted.
    ~GameFile();
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;

    /// Finds the name: an entry of a mounted archive, or a disk file with its case
    /// resolved as every name of the platform is. An archive that the name leads
    /// through ("Objects.far/Chairs/Chair.iff") is mounted when it is not yet, and stays
    /// mounted while this object lives. kOk for a file; kNoSuchFile when nothing is
    /// there (or the name is longer than a file name can be); kNoFileKind for a folder;
    /// the archive's code when the archive on the way does not mount (FailedArchive
    /// names it); kFarCompressed for an entry stored compressed.
    int32_t Locate(std::string_view path);
    /// Locate, then Open.
    int32_t Open(std::string_view path, GameFileAccess access);
    /// Opens the located file as the object view opens its kind: an object file through
    /// a ViewResourceSet with its ".spf" companion; a wall or floor file as version 1.0,
    /// else 2.x; a sprite file or any other name as version 2.x, else 1.0. kNoFileKind
    /// for a bitmap or an archive, which hold no container.
    int32_t Open(GameFileAccess access);
    /// Opens the located file as exactly one container, whatever its name says: version
    /// 1.0 first for a wall or floor file, 2.x first otherwise.
    int32_t OpenAlone(GameFileAccess access);

    GameFileKind Kind() const { return mKind; }
    GamePathState State() const { return mState; }
    /// The name as found: the disk spelling, or the name as given for an entry.
    const std::string& Path() const { return mPath; }
    /// The archive that did not mount on the way to the name, or an empty text.
    const std::string& FailedArchive() const { return mFailedArchive; }
    /// Up to `limit` bytes from the start of the located file; kNoSuchFile when it
    /// cannot be read.
    int32_t ReadHead(std::vector<uint8_t>& bytes, uint32_t limit) const;
    /// The size of the located file; kNoSuchFile when it cannot be opened.
    int32_t Size(uint64_t& bytes) const;
    /// The header version of the located file ("" without a container header).
    std::string ContainerVersion() const;
    /// Walks the chunks of the located container as they stand back to back behind its
    /// header, each size counting its header, and tells the first that cannot be right:
    /// the container then opens with fewer resources than the file was meant to hold.
    ChunkDamage FindChunkDamage() const;

    /// The opened container, or null.
    ResourceFile* Container() const { return mContainer.get(); }
    /// Hands the opened container to the caller (an object set owns it then).
    std::unique_ptr<ResourceFile> TakeContainer() { return std::move(mContainer); }

private:
    int32_t openContainer(bool legacyFirst, GameFileAccess access);
    void unmount();

    GameFileKind mKind = GameFileKind::kOther;
    GamePathState mState = GamePathState::kMissing;
    std::string mPath;
    std::string mFailedArchive;
    std::string mMountedArchive;  ///< what Locate mounted, unmounted again by this object
    std::unique_ptr<ResourceFile> mContainer;
};

}  // namespace tambrix
