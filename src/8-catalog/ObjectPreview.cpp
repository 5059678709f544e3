#include "catalog/ObjectPreview.h"

#include <vector>

#include "catalog/ObjectSet.h"

namespace tambrix {

namespace {
PreviewPart partOf(const ObjectRecord& record) {
    PreviewPart part;
    part.baseGraphicId = record.BaseGraphicId();
    part.graphicCount = record.GraphicCount();
    part.currentGraphic = record.CurrentGraphicNumber();
    part.tileX = record.TileX();
    part.tileY = record.TileY();
    part.level = record.Level();
    part.dynamicSpriteBaseId = record.DynamicSpriteBaseId();
    part.dynamicSpriteCount = record.DynamicSpriteCount();
    part.opacity = record.Opacity();
    part.tileDepth = record.TileDepth();
    return part;
}
}  // namespace

std::unique_ptr<platform::Bitmap> RenderObjectPreview(ObjectRecord& record, int32_t imageIndex, uint32_t background,
                                                      PreviewReport* report) {
    // The master of a multi-tile object stands for its tiles; any other record for itself.
    const bool multiTile = record.IsMaster();
    std::vector<ObjectRecord*> records;
    if (multiTile)
        records = record.Tiles();
    else
        records.push_back(&record);
    std::vector<PreviewPart> parts;
    parts.reserve(records.size());
    for (const ObjectRecord* r : records) parts.push_back(partOf(*r));

    ResourceFile* file = record.Set() ? record.Set()->ResourceSet() : nullptr;
    auto picture = RenderPreviewParts(file, parts, multiTile, imageIndex, background, report);
    for (size_t i = 0; i < records.size(); ++i) records[i]->SetTileDepth(parts[i].tileDepth);
    return picture;
}

}  // namespace tambrix
