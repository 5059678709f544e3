#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tambrix {

/// A draw group holds one image per view of its object: image index = zoom × 4 +
/// rotation, zoom 0 far, 1 medium, 2 near.
inline constexpr int32_t kViewRotations = 4;
inline constexpr int32_t kViewZooms = 3;
inline constexpr int32_t kViewCount = kViewRotations * kViewZooms;

/// Versions: 20003 and later store 32-bit fields, 20004 and later two further floats per
/// entry; before 20003 16-bit fields with an entry type, 20001 and later with a z offset.
inline constexpr uint16_t kDrawGroupWideVersion = 20003;
inline constexpr uint16_t kDrawGroupVersion = 20004;
inline constexpr uint16_t kDrawGroupOldZVersion = 20001;

/// One sprite of a draw-group image.
struct DrawGroupEntry {
    int32_t spriteId = 0;
    int32_t frameIndex = 0;
    int32_t xOffset = 0;            ///< pixels to the right
    int32_t yOffset = 0;            ///< pixels downwards
    float zOffset = 0.0f;           ///< lifts the sprite
    float extra[2] = {0.0f, 0.0f};  ///< kept, not used by the renderer
    uint32_t flags = 0;
    /// The entry type of the versions before 20003: only sprite entries are read (so every
    /// entry read holds kSprite); an entry written with another type is one readers skip.
    uint16_t type = kSprite;

    static constexpr uint32_t kMirror = 0x1;     ///< flags: mirror horizontally
    static constexpr uint16_t kSprite = 0xFFFD;  ///< type
};

/// One view of an object: its sprites in drawing order.
struct DrawGroupImage {
    uint32_t firstValue = 0;   ///< kept, not used by the renderer
    uint32_t secondValue = 0;  ///< kept, not used by the renderer
    std::vector<DrawGroupEntry> entries;
};

/// A decoded "DGRP" chunk: its images in file order.
struct DrawGroup {
    uint16_t version = 0;
    std::vector<DrawGroupImage> images;
    /// The chunk ended before its last image was complete; `images` holds those read.
    bool truncated = false;
};

/// Decodes a "DGRP" chunk (little-endian). Never reads past `size`: a chunk that ends
/// early gives the images read completely before the end.
DrawGroup ReadDrawGroup(const uint8_t* data, uint32_t size);

/// The images of a draw group in view order, as an encoder takes them.
using DrawGroupImages = std::vector<std::vector<DrawGroupEntry>>;

/// Encodes a "DGRP" chunk of `version` in its layout. Each image's two values are the
/// game's direction bit of the image's rotation and its zoom number (1 far to 3 near);
/// fields a version does not store are left out, 32-bit values cut to 16 bits in the
/// older layouts.
std::vector<uint8_t> EncodeDrawGroup(const DrawGroupImages& images, uint16_t version = kDrawGroupVersion);

}  // namespace tambrix
