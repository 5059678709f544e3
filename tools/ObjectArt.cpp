#include "ObjectArt.h"

namespace tambrix::tools {

namespace {
const char* const kZoomLabels[kZooms] = {"far", "medium", "near"};
}  // namespace

ObjectArt PaintObject(const Model& model, const Quality& quality, int32_t firstSpriteId, const std::string& label) {
    const int tiles = model.tilesX * model.tilesY;
    ObjectArt art;
    art.palette = ModelRamps(model).Palette();
    // Sprites in tile order, one per zoom with a frame per rotation; the glow's last.
    std::vector<SpriteArt> glow;
    art.sprites.resize(static_cast<size_t>(tiles) * kZooms);
    for (int zoom = 0; zoom < kZooms; ++zoom) {
        if (model.hasGlow) glow.push_back(SpriteArt{0, label + " glow - " + kZoomLabels[zoom], {}});
        for (int rotation = 0; rotation < kRotations; ++rotation) {
            std::vector<SpriteImage> frames = PaintView(model, rotation, zoom, quality);
            for (int t = 0; t < tiles; ++t) art.sprites[t * kZooms + zoom].frames.push_back(std::move(frames[t]));
            if (model.hasGlow) glow.back().frames.push_back(PaintGlow(model, rotation, zoom));
        }
    }
    for (size_t i = 0; i < art.sprites.size(); ++i) {
        const int t = static_cast<int>(i) / kZooms;
        art.sprites[i].id = firstSpriteId + static_cast<int32_t>(i);
        art.sprites[i].label = label + (tiles > 1 ? " tile " + std::to_string(t) : std::string()) + " - " + kZoomLabels[i % kZooms];
    }
    for (SpriteArt& g : glow) {
        g.id = firstSpriteId + static_cast<int32_t>(art.sprites.size());
        art.sprites.push_back(std::move(g));
    }
    // Draw groups: each view of a tile shows its own frame; the first tile also carries
    // the glow, which crowns the whole object.
    for (int t = 0; t < tiles; ++t) {
        DrawImages images(kImagesPerDrawGroup);
        for (int image = 0; image < kImagesPerDrawGroup; ++image) {
            const int zoom = image / kRotations, rotation = image % kRotations;
            const SpriteArt& sprite = art.sprites[t * kZooms + zoom];
            const SpriteImage& f = sprite.frames[rotation];
            if (!f.Empty()) images[image].push_back(DrawEntry{sprite.id, rotation, f.x, f.y, 0.0f, false});
            if (!model.hasGlow || t != 0) continue;
            const SpriteArt& g = art.sprites[tiles * kZooms + zoom];
            if (!g.frames[rotation].Empty())
                images[image].push_back(DrawEntry{g.id, rotation, g.frames[rotation].x, g.frames[rotation].y, 0.0f, false});
        }
        art.drawGroups.push_back(std::move(images));
    }
    return art;
}

}  // namespace tambrix::tools
