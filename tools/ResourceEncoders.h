#pragma once

// Encoders for the resource bodies that the library reads but does not write: draw
// groups, object definitions, palettes, and the catalog and string formats that a
// string table's own save cannot produce (two languages, "CATS", the older formats).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tambrix::tools {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

/// One sprite placed in one image of a draw group.
struct DrawEntry {
    int32_t spriteId = 0;
    int32_t frame = 0;
    int32_t x = 0;  ///< pixels to the right
    int32_t y = 0;  ///< pixels downwards (the sprite's bottom edge)
    float z = 0.0f;
    bool mirror = false;
};

/// The images of a draw group in order: image index = zoom * 4 + rotation.
using DrawImages = std::vector<std::vector<DrawEntry>>;

inline constexpr uint16_t kDrawGroupVersion = 20004;
inline constexpr uint16_t kDrawGroupOldVersion = 20001;
inline constexpr int kImagesPerDrawGroup = 12;
inline constexpr int kRotations = 4;
inline constexpr int kZooms = 3;

/// A draw group of the current version (32-bit fields, two further floats per entry).
std::vector<uint8_t> EncodeDrawGroup(const DrawImages& images);
/// A draw group of the older version (16-bit fields, entry types); every entry is of
/// the sprite type, and `droppedPerImage` entries of another type are added to each
/// image to show that a reader skips them.
std::vector<uint8_t> EncodeOldDrawGroup(const DrawImages& images, int droppedPerImage = 0);

/// The fields of an object definition that the browser reads.
struct ObjectDefinition {
    uint32_t version = 138;
    int16_t baseGraphic = 0;
    int16_t graphicCount = 1;
    int16_t masterId = 0;
    int16_t subIndex = 0;
    int16_t price = 0;
    int16_t catalogId = 0;
    int16_t level = 0;
    int16_t dynamicBase = 0;
    int16_t dynamicCount = 0;
};
inline constexpr size_t kObjectDefinitionSize = 216;
inline constexpr int16_t kMasterSubIndex = -1;
/// The sub-index of the tile at (x, y) of a multi-tile object.
constexpr int16_t TileSubIndex(int x, int y) { return static_cast<int16_t>((x << 8) | y); }

std::vector<uint8_t> EncodeObjectDefinition(const ObjectDefinition& d);

/// A "PALT" body of the given colours.
std::vector<uint8_t> EncodePalette(const std::vector<Rgb>& colours);

/// A "CATS" body: the description first, then the name.
std::vector<uint8_t> EncodeCatalogStrings(const std::string& name, const std::string& description);

/// One string of a multi-language table.
struct LanguageString {
    uint8_t languageCode = 1;  ///< 1 = the first language
    std::string value;
    std::string comment;
};
/// The multi-language format: u16 0xFFFD, u16 count, then per entry the language code,
/// the value and the comment, each NUL-terminated. Entries must be grouped by language.
std::vector<uint8_t> EncodeLanguageStrings(const std::vector<LanguageString>& entries);
/// The plain list format: u16 0xFFFF, i16 count, NUL-terminated strings.
std::vector<uint8_t> EncodePlainStrings(const std::vector<std::string>& strings);
/// A caret text: each string between two carets.
std::vector<uint8_t> EncodeCaretText(const std::vector<std::string>& strings);

}  // namespace tambrix::tools
