#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/DrawGroup.h"
#include "platform/Bitmap.h"

namespace tambrix {

class ResourceFile;

/// Views of an object: one per image of its draw groups.
inline constexpr int32_t kPreviewImageCount = kViewCount;
/// The view the object view shows: near, rotation 2.
inline constexpr int32_t kDefaultPreviewImage = 10;
/// The view of a zoom (0 far, 1 medium, 2 near) and a rotation (0 to 3).
constexpr int32_t PreviewView(int32_t zoom, int32_t rotation) { return zoom * kViewRotations + rotation; }
constexpr int32_t PreviewZoom(int32_t view) { return view / kViewRotations; }
constexpr int32_t PreviewRotation(int32_t view) { return view % kViewRotations; }
/// "far, rotation 0" ... "near, rotation 3"; empty outside 0..11.
std::string PreviewViewText(int32_t view);
/// Space left around the drawn sprites on every side.
inline constexpr int32_t kPreviewMargin = 16;

/// What the renderer reads of one tile part of an object (one object record).
struct PreviewPart {
    int16_t baseGraphicId = 0;
    int16_t graphicCount = 0;
    int32_t currentGraphic = 0;
    uint8_t tileX = 0;
    uint8_t tileY = 0;
    int16_t level = 0;
    int16_t dynamicSpriteBaseId = 0;
    int16_t dynamicSpriteCount = 0;
    int32_t opacity = 255;
    /// Written by the render: the part's depth, its sorting key.
    int32_t tileDepth = 0;
};

/// What a render shows of the object, for callers to tell the user.
struct PreviewReport {
    enum class Outcome {
        kDrawn,          ///< at least one sprite was drawn
        kNothingToDraw,  ///< no sprite to draw in this view: the picture is 33 × 33 of background
        kTooLarge,       ///< the picture (width × height, margin included) exceeds the bitmap caps: none
    };
    Outcome outcome = Outcome::kDrawn;
    int64_t width = 0;  ///< the picture's size, margin included
    int64_t height = 0;
};

/// The words for a report: "" when drawn, "no sprite to draw in this view", or
/// "picture too large: 29,260 x 29,015 pixels".
std::string PreviewReportText(const PreviewReport& report);

/// Composes the parts' draw groups from `file` into a 24-bit picture for view
/// `imageIndex` on `background` (0x00BBGGRR), through a 16-bit depth buffer. With
/// `placeByTile` the parts are placed by their tile position and level; otherwise all sit
/// at the origin. Writes each part's tile depth. Nothing drawable (a null file included)
/// gives 33 × 33 of background; null only when the picture would be too large to create.
/// `report`, when given, says which of the three happened.
std::unique_ptr<platform::Bitmap> RenderPreviewParts(ResourceFile* file, std::vector<PreviewPart>& parts,
                                                     bool placeByTile, int32_t imageIndex, uint32_t background,
                                                     PreviewReport* report = nullptr);

}  // namespace tambrix
