#pragma once

#include <cstdint>
#include <vector>

namespace tambrix {

/// One sprite of a draw-group image.
struct DrawGroupEntry {
    int32_t spriteId = 0;
    int32_t frameIndex = 0;
    int32_t xOffset = 0;  ///< pixels to the right
    int32_t yOffset = 0;  ///< pixels downwards
    float zOffset = 0.0f; ///< lifts the sprite
    float extra[2] = {0.0f, 0.0f};  ///< kept, not used by the renderer
    uint32_t flags = 0;

    static constexpr uint32_t kMirror = 0x1;  ///< flags: mirror horizontally
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

}  // namespace tambrix
