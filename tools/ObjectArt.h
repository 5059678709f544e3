#pragma once

// From a furniture model to the resources that draw it: the sprites of every tile
// (one sprite per zoom, one frame per rotation), its glow, one palette for all of them,
// and one draw group per tile.

#include <cstdint>
#include <string>
#include <vector>

#include "IsoPainter.h"

namespace tambrix::tools {

/// One sprite resource: its ID, label and frames.
struct SpriteArt {
    int32_t id = 0;
    std::string label;
    std::vector<SpriteImage> frames;
};

struct ObjectArt {
    std::vector<Rgb> palette;            ///< 256 colours
    std::vector<SpriteArt> sprites;      ///< tile sprites in tile order (far, medium, near), then the glow's
    std::vector<DrawImages> drawGroups;  ///< one per tile, in tile order
};

/// Paints every view of the model. Sprite IDs count up from firstSpriteId.
ObjectArt PaintObject(const Model& model, const Quality& quality, int32_t firstSpriteId, const std::string& label);

}  // namespace tambrix::tools
