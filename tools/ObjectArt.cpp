#include "ObjectArt.h"

#include <algorithm>

namespace tambrix::tools {

namespace {
int16_t ClampPosition(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }
}  // namespace

std::vector<SpriteImage> QuantizeFrames(const std::vector<RgbaFrame>& frames, ColourQuantizer& quantizer) {
    std::vector<SpriteImage> out;
    out.reserve(frames.size());
    for (const RgbaFrame& f : frames) {
        SpriteImage image(f.width, f.height);
        image.x = ClampPosition(f.x);
        image.y = ClampPosition(f.y);
        for (size_t i = 0; i < f.rgb.size(); ++i) {
            image.alpha[i] = f.alpha[i];
            image.depth[i] = f.depth[i];
            image.color[i] = f.alpha[i] ? quantizer.Index(f.rgb[i]) : 0;
        }
        out.push_back(std::move(image));
    }
    return out;
}

ObjectArt PaintObject(const Model& model, const Quality& quality, int32_t firstSpriteId, const std::string& label) {
    const int tiles = model.tilesX * model.tilesY;
    // views[tile][zoom][rotation]
    std::vector<std::vector<std::vector<RgbaFrame>>> views(
        tiles, std::vector<std::vector<RgbaFrame>>(kZooms, std::vector<RgbaFrame>(kRotations)));
    std::vector<std::vector<RgbaFrame>> glow(kZooms, std::vector<RgbaFrame>(kRotations));
    ColourQuantizer quantizer;
    for (int zoom = 0; zoom < kZooms; ++zoom) {
        for (int rotation = 0; rotation < kRotations; ++rotation) {
            std::vector<RgbaFrame> frames = PaintView(model, rotation, zoom, quality);
            for (int t = 0; t < tiles; ++t) {
                quantizer.Add(frames[t].rgb, frames[t].alpha);
                views[t][zoom][rotation] = std::move(frames[t]);
            }
            if (model.hasGlow) {
                glow[zoom][rotation] = PaintGlow(model, rotation, zoom);
                quantizer.Add(glow[zoom][rotation].rgb, glow[zoom][rotation].alpha);
            }
        }
    }
    ObjectArt art;
    art.palette = quantizer.BuildPalette();
    int32_t nextId = firstSpriteId;
    std::vector<std::vector<int32_t>> tileSpriteIds(tiles, std::vector<int32_t>(kZooms));
    for (int t = 0; t < tiles; ++t) {
        for (int zoom = 0; zoom < kZooms; ++zoom) {
            SpriteArt sprite;
            sprite.id = nextId++;
            sprite.label = label + (tiles > 1 ? " tile " + std::to_string(t) : std::string()) + " - " + kZoomLabels[zoom];
            sprite.frames = QuantizeFrames(views[t][zoom], quantizer);
            tileSpriteIds[t][zoom] = sprite.id;
            art.sprites.push_back(std::move(sprite));
        }
    }
    std::vector<int32_t> glowIds(kZooms, 0);
    if (model.hasGlow) {
        for (int zoom = 0; zoom < kZooms; ++zoom) {
            SpriteArt sprite;
            sprite.id = nextId++;
            sprite.label = label + " glow - " + kZoomLabels[zoom];
            sprite.frames = QuantizeFrames(glow[zoom], quantizer);
            glowIds[zoom] = sprite.id;
            art.sprites.push_back(std::move(sprite));
        }
    }
    for (int t = 0; t < tiles; ++t) {
        DrawImages images(kImagesPerDrawGroup);
        for (int zoom = 0; zoom < kZooms; ++zoom) {
            for (int rotation = 0; rotation < kRotations; ++rotation) {
                auto& image = images[zoom * kRotations + rotation];
                const RgbaFrame& f = views[t][zoom][rotation];
                if (!f.Empty()) image.push_back(DrawEntry{tileSpriteIds[t][zoom], rotation, f.x, f.y, 0.0f, false});
                // The glow crowns the whole object; the first tile carries it.
                const RgbaFrame& g = glow[zoom][rotation];
                if (model.hasGlow && t == 0 && !g.Empty())
                    image.push_back(DrawEntry{glowIds[zoom], rotation, g.x, g.y, 0.0f, false});
            }
        }
        art.drawGroups.push_back(std::move(images));
    }
    return art;
}

}  // namespace tambrix::tools
