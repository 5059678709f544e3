#pragma once

// Paints procedural furniture in the game's isometric views. Every solid paints its own
// front surface straight into palette indices: each material owns a ramp of shades in
// the object's palette, so the painter picks a material and a brightness and no colour
// is matched afterwards. The pictures come cut per floor tile of the object, with
// colour, depth and alpha, placed the way the preview renderer places tile parts, so
// that the tiles of a multi-tile object join without a seam.

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"

namespace tambrix::tools {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

/// The colours as palette entries, for EncodePalette.
std::vector<PaletteEntry> PaletteEntries(const std::vector<Rgb>& colours);

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
    Vec3 a;           ///< box: minimum corner; cylinder: centre of the base; sphere: centre
    Vec3 b;           ///< box: maximum corner; cylinder: b.z is the top
    float r0 = 0.0f;  ///< cylinder: radius at the base; sphere: radius
    float r1 = 0.0f;  ///< cylinder: radius at the top
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

    int AddMaterial(const Material& m) {
        materials.push_back(m);
        return static_cast<int>(materials.size()) - 1;
    }
    void AddBox(Vec3 lo, Vec3 hi, int material) { shapes.push_back({ShapeKind::Box, lo, hi, 0, 0, material}); }
    void AddCylinder(Vec3 base, float top, float r0, float r1, int material) {
        shapes.push_back({ShapeKind::Cylinder, base, {base.x, base.y, top}, r0, r1, material});
    }
    void AddSphere(Vec3 centre, float radius, int material) {
        shapes.push_back({ShapeKind::Sphere, centre, centre, radius, radius, material});
    }
};

/// How carefully to draw: samples per pixel side (1 to 8), for smooth edges.
struct Quality {
    int samples = 3;
};
inline constexpr Quality kDraftQuality{1};
inline constexpr Quality kFineQuality{3};

/// Screen scale of the zooms: near 1, medium 1/2, far 1/4 (the shift is 2 - zoom).
constexpr int ZoomShift(int zoom) { return 2 - zoom; }

/// A palette of shade ramps: entry 0 is unused, then each colour gets a run of shades
/// from dark to bright (brightness 1 is the colour itself; the brightest whiten towards
/// a highlight), and the last entry is the colour of floor shadows.
class Ramps {
public:
    static constexpr uint8_t kShadowIndex = 255;

    explicit Ramps(std::vector<Rgb> colours);
    std::vector<Rgb> Palette() const;
    /// The entry of colour `ramp` at a brightness, clamped to the ramp.
    uint8_t Index(int ramp, float brightness) const;

private:
    std::vector<Rgb> mColours;
    int mShades;
};

/// The ramps of a model: its materials in order, then its glow's colour.
Ramps ModelRamps(const Model& model);

/// The pictures of every tile of the model in one view; index = tileY * tilesX + tileX.
/// A picture's x and y are its draw-group offsets against the tile (y is the bottom edge).
std::vector<SpriteImage> PaintView(const Model& model, int rotation, int zoom, const Quality& quality);

/// The model's glow in one view, placed for the tile (0, 0).
SpriteImage PaintGlow(const Model& model, int rotation, int zoom);

}  // namespace tambrix::tools
