#pragma once

// A small ray caster that draws procedural furniture in the game's isometric views:
// for every rotation and zoom it produces, per floor tile of the object, a picture
// with colour, depth and alpha, already placed the way the preview renderer places
// tile parts, so that the tiles of a multi-tile object join without a seam.

#include <cstdint>
#include <string>
#include <vector>

#include "ResourceEncoders.h"

namespace tambrix::tools {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

/// A surface: its colour and how it takes light.
struct Material {
    Rgb colour;
    float gloss = 0.0f;     ///< strength of the highlight
    float opacity = 1.0f;   ///< below 1: glass, seen through
    float emission = 0.0f;  ///< glows by itself (a lit shade)
};

enum class ShapeKind { Box, Cylinder, Sphere };

/// A solid in object space: x and y in tiles (the object covers 0..tilesX, 0..tilesY),
/// z upwards in tiles. A cylinder stands upright and may narrow (a lamp shade).
struct Shape {
    ShapeKind kind = ShapeKind::Box;
    Vec3 a;             ///< box: minimum corner; cylinder: centre of the base; sphere: centre
    Vec3 b;             ///< box: maximum corner; cylinder: b.z is the top
    float r0 = 0.0f;    ///< cylinder: radius at the base; sphere: radius
    float r1 = 0.0f;    ///< cylinder: radius at the top
    int material = 0;
};

/// A soft halo drawn as a sprite of its own above the object (a lamp's glow).
struct Glow {
    Vec3 centre;
    float radius = 0.5f;  ///< in tiles
    Rgb colour;
    float strength = 0.6f;
};

struct Model {
    std::string name;
    int tilesX = 1;
    int tilesY = 1;
    std::vector<Material> materials;
    std::vector<Shape> shapes;
    bool hasGlow = false;
    Glow glow;
    float shadowStrength = 0.55f;

    int AddMaterial(const Material& m);
    void AddBox(Vec3 lo, Vec3 hi, int material);
    void AddCylinder(Vec3 base, float top, float r0, float r1, int material);
    void AddSphere(Vec3 centre, float radius, int material);
    float Height() const;
};

/// How carefully to draw: samples per pixel side and soft-shadow samples.
struct Quality {
    int samples = 3;
    int shadowSamples = 12;
};
inline constexpr Quality kDraftQuality{1, 2};
inline constexpr Quality kFineQuality{3, 12};

/// One drawn picture before its colours are mapped to a palette: top row first.
struct RgbaFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;  ///< draw-group x offset of the tile part
    int32_t y = 0;  ///< draw-group y offset (the bottom edge)
    std::vector<Rgb> rgb;
    std::vector<uint8_t> depth;
    std::vector<uint8_t> alpha;
    bool Empty() const { return width == 0 || height == 0; }
};

/// Screen scale of the zooms: near 1, medium 1/2, far 1/4 (the shift is 2 - zoom).
constexpr int ZoomShift(int zoom) { return 2 - zoom; }

/// Pixels per tile of height at near zoom.
inline constexpr float kPixelsPerHeight = 96.0f;

/// One view of the whole model before it is cut into tiles. Pixel (0, 0) lies at
/// screen position (x0, y0) from the floor origin of the object's first tile.
struct WholeView {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> rgb;
    std::vector<uint8_t> depth;  ///< relative to the tile that owns the pixel
    std::vector<uint8_t> alpha;
    std::vector<int> owner;      ///< the tile of each pixel, -1 for none
};

WholeView PaintWholeView(const Model& model, int rotation, int zoom, const Quality& quality);

/// Cuts a view into one picture per tile, each placed against its tile's own screen
/// position as the renderer places tile parts.
std::vector<RgbaFrame> CutTiles(const Model& model, const WholeView& view, int rotation, int zoom);

/// The pictures of every tile of the model in one view; index = tileY * tilesX + tileX.
std::vector<RgbaFrame> PaintView(const Model& model, int rotation, int zoom, const Quality& quality);

/// The model's glow in one view, placed for the tile (0, 0).
RgbaFrame PaintGlow(const Model& model, int rotation, int zoom);

}  // namespace tambrix::tools
