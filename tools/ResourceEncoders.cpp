#include "ResourceEncoders.h"

#include "ByteWriter.h"

namespace tambrix::tools {

namespace {
constexpr uint16_t kSpriteEntryType = 0xFFFD;  // older draw groups: only these are drawn
constexpr uint16_t kOtherEntryType = 0x0001;
constexpr uint32_t kMirrorFlag = 1;
constexpr uint32_t kPaletteVersion = 1;
constexpr uint16_t kLanguageFormat = 0xFFFD;
constexpr uint16_t kPlainFormat = 0xFFFF;

// The two image values the renderer keeps but does not use: the game's direction bit
// for the rotation and its zoom number.
uint32_t DirectionValue(size_t image) { return 1u << (2 * (image % kRotations)); }
uint32_t ZoomValue(size_t image) { return static_cast<uint32_t>(image / kRotations + 1); }
}  // namespace

// u16 version, u32 image count; per image u32 direction, u32 zoom, u32 entry count;
// per entry u32 sprite ID, u32 frame, i32 x, i32 y, f32 z, u32 flags, f32, f32.
std::vector<uint8_t> EncodeDrawGroup(const DrawImages& images) {
    ByteWriter w;
    w.U16(kDrawGroupVersion);
    w.U32(static_cast<uint32_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        w.U32(DirectionValue(i));
        w.U32(ZoomValue(i));
        w.U32(static_cast<uint32_t>(images[i].size()));
        for (const DrawEntry& e : images[i]) {
            w.U32(static_cast<uint32_t>(e.spriteId));
            w.U32(static_cast<uint32_t>(e.frame));
            w.I32(e.x);
            w.I32(e.y);
            w.F32(e.z);
            w.U32(e.mirror ? kMirrorFlag : 0);
            w.F32(0.0f);
            w.F32(0.0f);
        }
    }
    return w.Take();
}

// u16 version, u16 image count; per image u16 entry count, u8 direction, u8 zoom;
// per entry u16 type, i16 sprite ID, i16 frame, u16 flags, i16 x, i16 y, f32 z.
std::vector<uint8_t> EncodeOldDrawGroup(const DrawImages& images, int droppedPerImage) {
    ByteWriter w;
    w.U16(kDrawGroupOldVersion);
    w.U16(static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        w.U16(static_cast<uint16_t>(images[i].size() + droppedPerImage));
        w.U8(static_cast<uint8_t>(DirectionValue(i)));
        w.U8(static_cast<uint8_t>(ZoomValue(i)));
        auto entry = [&](uint16_t type, const DrawEntry& e) {
            w.U16(type);
            w.I16(static_cast<int16_t>(e.spriteId));
            w.I16(static_cast<int16_t>(e.frame));
            w.U16(e.mirror ? kMirrorFlag : 0);
            w.I16(static_cast<int16_t>(e.x));
            w.I16(static_cast<int16_t>(e.y));
            w.F32(e.z);
        };
        for (int k = 0; k < droppedPerImage; ++k) {
            // A sprite the reader must drop: were it drawn, it would cover the picture.
            entry(kOtherEntryType, DrawEntry{images[i].empty() ? 0 : images[i][0].spriteId, 0, -500, 500, 0, false});
        }
        for (const DrawEntry& e : images[i]) entry(kSpriteEntryType, e);
    }
    return w.Take();
}

// 108 little-endian 16-bit words; the fields the browser reads sit at these byte offsets.
std::vector<uint8_t> EncodeObjectDefinition(const ObjectDefinition& d) {
    std::vector<uint8_t> bytes(kObjectDefinitionSize, 0);
    auto put16 = [&](size_t at, int16_t v) {
        bytes[at] = static_cast<uint8_t>(v);
        bytes[at + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    };
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(d.version >> (8 * i));
    put16(6, d.baseGraphic);
    put16(8, d.graphicCount);
    put16(20, d.masterId);
    put16(22, d.subIndex);
    put16(36, d.price);
    put16(82, d.catalogId);
    put16(112, d.level);
    put16(128, d.dynamicBase);
    put16(130, d.dynamicCount);
    return bytes;
}

// u32 version, u32 count, 8 unused bytes, then red, green, blue per entry.
std::vector<uint8_t> EncodePalette(const std::vector<Rgb>& colours) {
    ByteWriter w;
    w.U32(kPaletteVersion);
    w.U32(static_cast<uint32_t>(colours.size()));
    w.U32(0);
    w.U32(0);
    for (const Rgb& c : colours) {
        w.U8(c.r);
        w.U8(c.g);
        w.U8(c.b);
    }
    return w.Take();
}

std::vector<uint8_t> EncodeCatalogStrings(const std::string& name, const std::string& description) {
    ByteWriter w;
    w.CString(description);
    w.CString(name);
    return w.Take();
}

std::vector<uint8_t> EncodeLanguageStrings(const std::vector<LanguageString>& entries) {
    ByteWriter w;
    w.U16(kLanguageFormat);
    w.U16(static_cast<uint16_t>(entries.size()));
    for (const LanguageString& e : entries) {
        w.U8(e.languageCode);
        w.CString(e.value);
        w.CString(e.comment);
    }
    return w.Take();
}

std::vector<uint8_t> EncodePlainStrings(const std::vector<std::string>& strings) {
    ByteWriter w;
    w.U16(kPlainFormat);
    w.I16(static_cast<int16_t>(strings.size()));
    for (const std::string& s : strings) w.CString(s);
    return w.Take();
}

std::vector<uint8_t> EncodeCaretText(const std::vector<std::string>& strings) {
    std::vector<uint8_t> bytes;
    for (const std::string& s : strings) {
        bytes.push_back('^');
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back('^');
        bytes.push_back('\n');
    }
    return bytes;
}

}  // namespace tambrix::tools
