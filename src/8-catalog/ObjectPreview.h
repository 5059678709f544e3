#pragma once

// The preview of an object record: the renderer's parts taken from the object's records.

#include <cstdint>
#include <memory>

#include "graphics/PreviewRenderer.h"

namespace tambrix {

class ObjectRecord;

/// The preview of an object record: a master of a multi-tile object draws its tiles,
/// placed by tile; any other record draws itself. Writes the tile depth of every record
/// drawn. The caller owns the picture; `report` as for RenderPreviewParts.
std::unique_ptr<platform::Bitmap> RenderObjectPreview(ObjectRecord& record, int32_t imageIndex, uint32_t background,
                                                      PreviewReport* report = nullptr);

}  // namespace tambrix
