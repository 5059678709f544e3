#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"

namespace tambrix {

class ObjectSet;
class Palette;
class ResourceFile;

/// Size of an object definition in a record: 108 little-endian 16-bit words.
inline constexpr uint32_t kObjectDefinitionSize = 216;
inline constexpr uint32_t kObjectDefinitionWords = kObjectDefinitionSize / 2;
/// The version of the definitions this system reads; older ones are brought to it on load.
inline constexpr uint32_t kObjectDefinitionVersion = 138;

/// Shown instead of the catalog texts of a record that has none (a tile of a
/// multi-tile object carries no texts; its master does).
inline constexpr const char* kNameUndefined = "[Name undefined: see master object!]";

/// One object definition ("OBJD") of a file, with its catalog texts and, for a
/// multi-tile object, the link between master and tiles.
class ObjectRecord {
public:
    /// Byte offsets of the definition fields that the system reads.
    enum Field : uint32_t {
        kVersionOffset = 0,                // u32
        kBaseGraphicIdOffset = 6,          // i16: draw-group ID of graphic number 0
        kGraphicCountOffset = 8,           // i16
        kMasterIdOffset = 20,              // i16: shared by the records of one multi-tile object
        kSubIndexOffset = 22,              // i16: -1 for the master; else tile x (high), y (low)
        kGuidOffset = 28,                  // u32: the identity the game tells objects apart by
        kPriceOffset = 36,                 // i16
        kCatalogStringsIdOffset = 82,      // i16: "CATS"/"CTSS" ID
        kLevelOffset = 112,                // i16
        kDynamicSpriteBaseIdOffset = 128,  // i16
        kDynamicSpriteCountOffset = 130,   // i16
    };
    static constexpr int16_t kMasterSubIndex = -1;

    ObjectRecord(ObjectSet* set, int32_t id, std::string_view label);
    ObjectRecord(const ObjectRecord&) = delete;
    ObjectRecord& operator=(const ObjectRecord&) = delete;

    ObjectSet* Set() const { return mSet; }
    /// The "OBJD" resource ID (sign-extended).
    int32_t Id() const { return mId; }
    /// Position in the set's objects list, or -1 for a record that is not top-level.
    int32_t DisplayIndex() const { return mDisplayIndex; }
    const TextBuffer& Label() const { return mLabel; }

    /// The 216 definition bytes, little-endian words.
    const std::array<uint8_t, kObjectDefinitionSize>& Definition() const { return mDefinition; }
    void SetDefinition(const uint8_t* data, uint32_t size);
    /// Word of the definition at a byte offset (0 outside the definition).
    int16_t Word(uint32_t byteOffset) const;
    uint32_t Version() const;
    int16_t BaseGraphicId() const { return Word(kBaseGraphicIdOffset); }
    int16_t GraphicCount() const { return Word(kGraphicCountOffset); }
    int16_t MasterId() const { return Word(kMasterIdOffset); }
    int16_t SubIndex() const { return Word(kSubIndexOffset); }
    /// Tile position of a tile record: x is the high byte of the sub-index, y the low one.
    uint8_t TileX() const { return static_cast<uint8_t>(static_cast<uint16_t>(SubIndex()) >> 8); }
    uint8_t TileY() const { return static_cast<uint8_t>(static_cast<uint16_t>(SubIndex()) & 0xFF); }
    int16_t Price() const { return Word(kPriceOffset); }
    int16_t CatalogStringsId() const { return Word(kCatalogStringsIdOffset); }
    int16_t Level() const { return Word(kLevelOffset); }
    int16_t DynamicSpriteBaseId() const { return Word(kDynamicSpriteBaseIdOffset); }
    int16_t DynamicSpriteCount() const { return Word(kDynamicSpriteCountOffset); }
    /// The object's identity in the game: two objects with one GUID conflict there. Each
    /// tile of a multi-tile object has its own.
    uint32_t Guid() const;
    /// Changes the four GUID bytes and nothing else of the definition.
    void SetGuid(uint32_t guid);
    bool IsMaster() const { return MasterId() != 0 && SubIndex() == kMasterSubIndex; }

    /// The master of a tile whose master was found; null otherwise.
    ObjectRecord* Master() const { return mMaster; }
    /// The tiles of a master, in enumeration order.
    const std::vector<ObjectRecord*>& Tiles() const { return mTiles; }

    /// The renderer draws draw group BaseGraphicId() + this.
    int32_t CurrentGraphicNumber() const { return mCurrentGraphicNumber; }
    void SetCurrentGraphicNumber(int32_t number) { mCurrentGraphicNumber = number; }
    /// 255 is opaque.
    int32_t Opacity() const { return mOpacity; }
    void SetOpacity(int32_t opacity) { mOpacity = opacity; }
    /// The renderer's sorting key.
    int32_t TileDepth() const { return mTileDepth; }
    void SetTileDepth(int32_t depth) { mTileDepth = depth; }
    /// Two bytes kept for the views; 0 until set.
    uint8_t Mark(int which) const { return which == 0 ? mMark0 : mMark1; }
    void SetMark(int which, uint8_t value) { (which == 0 ? mMark0 : mMark1) = value; }

    /// Catalog name and description, or the placeholder when CatalogFound() is 0.
    const std::string& Name() const { return mName; }
    const std::string& Description() const { return mDescription; }
    uint8_t CatalogFound() const { return mCatalogFound; }

private:
    friend class ObjectSet;

    ObjectSet* mSet;
    int32_t mId;
    int32_t mDisplayIndex = -1;
    LabelText mLabel;
    std::array<uint8_t, kObjectDefinitionSize> mDefinition{};
    ObjectRecord* mMaster = nullptr;
    std::vector<ObjectRecord*> mTiles;
    int32_t mCurrentGraphicNumber = 0;
    int32_t mOpacity = 255;
    int32_t mTileDepth = 0;
    uint8_t mMark0 = 0;
    uint8_t mMark1 = 0;
    std::string mName;
    std::string mDescription;
    uint8_t mCatalogFound = 0;
};

/// A sprite resource of the file ("SPR#" or "SPR2"); its data loads on demand.
struct SpriteRef {
    ObjectSet* set = nullptr;
    ResType type = 0;
    int32_t id = 0;
    LabelText label;
    uint8_t mark0 = 0;
    uint8_t mark1 = 0;
};

/// A palette resource of the file with its decoded colours.
struct PaletteRef {
    PaletteRef();
    ~PaletteRef();
    PaletteRef(PaletteRef&&) noexcept;
    PaletteRef& operator=(PaletteRef&&) noexcept;

    ObjectSet* set = nullptr;
    int32_t id = 0;
    LabelText label;
    /// Never null in a set's list.
    std::unique_ptr<Palette> palette;
    uint8_t mark = 0;
};

/// A draw-group resource of the file; its data loads on demand.
struct DrawGroupRef {
    ObjectSet* set = nullptr;
    int32_t id = 0;
    LabelText label;
    int32_t value = 0;
};

/// What the last Load did to the catalog tables that lack their first two strings.
struct CatalogTableCounts {
    int written = 0;  ///< completed and stored back
    int pending = 0;  ///< left as they are: the file was opened read-only
    int failed = 0;   ///< the store failed
};

/// The objects of one opened object file: every definition with its catalog texts,
/// multi-tile objects linked to their master, and the lists of draw groups, sprites and
/// palettes. Owns the resource file attached to it.
class ObjectSet {
public:
    ObjectSet();
    /// Closes the set (and the attached resource file).
    ~ObjectSet();
    ObjectSet(const ObjectSet&) = delete;
    ObjectSet& operator=(const ObjectSet&) = delete;

    /// Takes ownership of the resource file the set is built from. A file attached
    /// before is closed and destroyed.
    void SetResourceSet(std::unique_ptr<ResourceFile> file);
    ResourceFile* ResourceSet() const { return mResourceSet.get(); }

    /// Clears the set and rebuilds it from the attached file; with withGraphics also
    /// the draw-group, sprite and palette lists. Completing a catalog table that lacks
    /// its first two strings writes the table back to the file when it is writable
    /// (CatalogTables tells what was done).
    void Load(uint8_t withGraphics);
    const CatalogTableCounts& CatalogTables() const { return mCatalogTables; }
    /// Destroys every record and graphics entry.
    void Clear();
    /// Clear, then close and destroy the attached file.
    void Close();

    /// Finds the catalog texts of catalogId: "CATS" (description, then name) first,
    /// then the "CTSS" table (string 1 name, string 2 description) in the current
    /// language, then, with anyLanguage, in any language. 0 when found, else an error.
    static int32_t CatalogText(std::string& name, std::string& description, ResourceFile* resourceSet,
                               int16_t catalogId, bool anyLanguage);

    /// Every record, in the file's order of "OBJD" resources.
    const std::vector<std::unique_ptr<ObjectRecord>>& AllRecords() const { return mAllRecords; }
    /// The top-level records (single-tile objects and masters): what the user sees.
    const std::vector<ObjectRecord*>& Objects() const { return mObjects; }
    /// "SPR#" resources first, then "SPR2".
    const std::vector<SpriteRef>& Sprites() const { return mSprites; }
    const std::vector<PaletteRef>& Palettes() const { return mPalettes; }
    const std::vector<DrawGroupRef>& DrawGroups() const { return mDrawGroups; }
    uint8_t GraphicsLoaded() const { return mGraphicsLoaded; }

    /// The palette listed with that resource ID, or null.
    const Palette* FindPalette(int32_t id) const;

private:
    void loadRecord(int16_t index);
    void linkTiles();
    void loadGraphics();

    std::unique_ptr<ResourceFile> mResourceSet;
    std::vector<std::unique_ptr<ObjectRecord>> mAllRecords;
    std::vector<ObjectRecord*> mObjects;
    std::vector<SpriteRef> mSprites;
    std::vector<PaletteRef> mPalettes;
    std::vector<DrawGroupRef> mDrawGroups;
    uint8_t mGraphicsLoaded = 0;
    CatalogTableCounts mCatalogTables;
};

/// The fields of an object definition that the system reads, for writing one.
struct ObjectDefinition {
    uint32_t version = kObjectDefinitionVersion;
    int16_t baseGraphic = 0;
    int16_t graphicCount = 1;
    int16_t masterId = 0;
    int16_t subIndex = 0;  ///< ObjectRecord::kMasterSubIndex, TileSubIndex(x, y), or 0
    uint32_t guid = 0;
    int16_t price = 0;
    int16_t catalogId = 0;
    int16_t level = 0;
    int16_t dynamicBase = 0;
    int16_t dynamicCount = 0;
};

/// The sub-index of the tile at (x, y) of a multi-tile object.
constexpr int16_t TileSubIndex(int x, int y) { return static_cast<int16_t>((x << 8) | y); }

/// The 216 bytes of a definition: the fields at their offsets, every other byte 0.
std::vector<uint8_t> EncodeObjectDefinition(const ObjectDefinition& definition);

/// The GUID of a definition body as it is stored (any length, any version); false when
/// the body is too short to hold one.
bool ReadDefinitionGuid(const uint8_t* body, uint32_t size, uint32_t& guid);
/// Writes the GUID into a stored definition body, touching no other byte; false (and
/// nothing changed) when the body is too short to hold one.
bool WriteDefinitionGuid(uint8_t* body, uint32_t size, uint32_t guid);

/// A GUID as the game's tools show it: "0x" and eight capital hexadecimal digits.
std::string GuidText(uint32_t guid);

/// A "CATS" body: the description, then the name, each NUL-terminated.
std::vector<uint8_t> EncodeCatalogStrings(const std::string& name, const std::string& description);

}  // namespace tambrix
