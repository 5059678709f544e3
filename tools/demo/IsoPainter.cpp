#include "demo/IsoPainter.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace tambrix::tools {

namespace {

// The projection at near zoom: the floor point (u, v) of view coordinates at height z
// lands on screen x = 64 (u - v), y = 32 (u + v) - 96 z.
constexpr float kHalfWidth = 64.0f;
constexpr float kHalfHeight = 32.0f;
constexpr float kPixelsPerHeight = 96.0f;
constexpr float kShadowMargin = 0.35f;  // floor around the object that may hold shadow
constexpr int kNearDepthRange = 250;    // depth bytes of one tile at near zoom (255 = no pixel)
constexpr float kHeightDepthWeight = 0.5f;
constexpr float kGlowPixelsPerTile = 80.0f;
constexpr float kSeenThroughGlass = 0.3f;  // a solid behind glass looks this much paler
constexpr int kMaxSamples = 8;             // per pixel side; more would only cost memory
constexpr int kMaxShades = 64;
constexpr float kDarkest = 0.1f;    // brightness of a ramp's first shade
constexpr float kBrightest = 2.0f;  // ... and of its last (white)
constexpr float kWhitening = 1.3f;  // brighter shades turn towards white
constexpr Rgb kShadowColour{18, 16, 24};
constexpr float kNothing = -std::numeric_limits<float>::max();
constexpr int kEmpty = -1;   // material of a sample that shows nothing
constexpr int kShadow = -2;  // material of a sample of floor shadow

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(Vec3 a) { return a * (1.0f / std::sqrt(Dot(a, a))); }
bool Within(float v, float lo, float hi) { return v >= lo && v <= hi; }
uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

// One step along a line of sight, towards the viewer: u and v grow alike and z by a
// third, so the screen point stays where it is.
const Vec3 kSight{0.5f, 0.5f, kHalfHeight / kPixelsPerHeight};
const Vec3 kToViewer = Normalize(kSight);
// The light comes from the upper left of the screen, the same in every view.
const Vec3 kLight = Normalize({0.35f, 0.75f, 1.3f});
const Vec3 kHalfway = Normalize(kLight + kToViewer);

// Rotation r turns the object by r quarter turns, as the renderer's tile placement
// does: view = Turn(r, world), world = Turn(4 - r, view).
void Turn(int quarters, float& x, float& y) {
    for (int i = 0; i < (quarters & 3); ++i) {
        const float t = x;
        x = -y;
        y = t;
    }
}

Shape InView(Shape s, int rotation) {
    Turn(rotation, s.a.x, s.a.y);
    Turn(rotation, s.b.x, s.b.y);
    if (s.kind == ShapeKind::Box) {
        if (s.a.x > s.b.x) std::swap(s.a.x, s.b.x);
        if (s.a.y > s.b.y) std::swap(s.a.y, s.b.y);
    }
    return s;
}

void Extent(const Shape& s, Vec3& lo, Vec3& hi) {
    if (s.kind == ShapeKind::Box) {
        lo = s.a;
        hi = s.b;
        return;
    }
    const float r = std::max(s.r0, s.r1);
    const bool sphere = s.kind == ShapeKind::Sphere;
    lo = {s.a.x - r, s.a.y - r, sphere ? s.a.z - r : s.a.z};
    hi = {s.a.x + r, s.a.y + r, sphere ? s.a.z + r : s.b.z};
}

// The point at height z on the line of sight through screen point (sx, sy), near pixels.
Vec3 OnSight(float sx, float sy, float z) {
    const float a = sx / kHalfWidth, b = (sy + kPixelsPerHeight * z) / kHalfHeight;
    return {(a + b) / 2, (b - a) / 2, z};
}

// The front point of a solid (in view coordinates) on the line of sight through screen
// point (sx, sy), and the normal there; false when the line misses the solid.
bool Front(const Shape& s, float sx, float sy, Vec3& p, Vec3& n) {
    switch (s.kind) {
        case ShapeKind::Box: {
            // The faces turned to the viewer: the top, the side at high u, the side at high v.
            const float a = sx / kHalfWidth;
            const auto heightWhere = [sy](float uPlusV) { return (kHalfHeight * uPlusV - sy) / kPixelsPerHeight; };
            p = OnSight(sx, sy, s.b.z);
            n = {0, 0, 1};
            if (Within(p.x, s.a.x, s.b.x) && Within(p.y, s.a.y, s.b.y)) return true;
            p = OnSight(sx, sy, heightWhere(2 * s.b.x - a));
            n = {1, 0, 0};
            if (Within(p.y, s.a.y, s.b.y) && Within(p.z, s.a.z, s.b.z)) return true;
            p = OnSight(sx, sy, heightWhere(2 * s.b.y + a));
            n = {0, 1, 0};
            return Within(p.x, s.a.x, s.b.x) && Within(p.z, s.a.z, s.b.z);
        }
        case ShapeKind::Sphere: {
            const Vec3 q = OnSight(sx, sy, s.a.z) - s.a;
            const float qd = Dot(q, kSight), dd = Dot(kSight, kSight);
            const float disc = qd * qd - dd * (Dot(q, q) - s.r0 * s.r0);
            if (disc < 0) return false;
            const Vec3 offset = q + kSight * ((std::sqrt(disc) - qd) / dd);
            p = s.a + offset;
            n = offset * (1.0f / s.r0);
            return true;
        }
        case ShapeKind::Cylinder: {
            const float height = s.b.z - s.a.z;
            p = OnSight(sx, sy, s.b.z);
            n = {0, 0, 1};
            const float tu = p.x - s.a.x, tv = p.y - s.a.y;
            if (tu * tu + tv * tv <= s.r1 * s.r1) return true;  // the top
            // The side: from the base's height the line of sight rises t * kSight, where
            // the radius is r0 + k z; the larger root is the nearer point.
            const Vec3 q = OnSight(sx, sy, s.a.z) - s.a;
            const float k = height > 0 ? (s.r1 - s.r0) / height : 0.0f;
            const float qa = kSight.x * kSight.x + kSight.y * kSight.y - k * k * kSight.z * kSight.z;
            const float qb = 2 * (q.x * kSight.x + q.y * kSight.y - s.r0 * k * kSight.z);
            const float qc = q.x * q.x + q.y * q.y - s.r0 * s.r0;
            const float disc = qb * qb - 4 * qa * qc;
            if (height <= 0 || disc < 0 || qa <= 0) return false;
            const float t = (std::sqrt(disc) - qb) / (2 * qa);
            if (!Within(t * kSight.z, 0, height)) return false;
            p = s.a + q + kSight * t;
            n = Normalize({p.x - s.a.x, p.y - s.a.y, -k * (s.r0 + k * (p.z - s.a.z))});
            return true;
        }
    }
    return false;
}

// Simple lighting: sky from above, darker near the floor, the light, and a highlight.
float Brightness(const Material& m, Vec3 n, float z) {
    if (m.emission > 0) {
        // Lit from inside: bright, a little dimmer towards the edge.
        return 0.95f + 0.25f * m.emission - 0.25f * (1.0f - std::fabs(Dot(n, kToViewer)));
    }
    const float sky = (0.34f + 0.14f * n.z) * (0.72f + 0.28f * std::min(1.0f, z / 0.12f));
    const float diffuse = std::max(0.0f, Dot(n, kLight));
    return sky + 0.78f * diffuse + m.gloss * std::pow(std::max(0.0f, Dot(n, kHalfway)), 36.0f);
}

float Nearness(Vec3 p) { return p.x + p.y + kHeightDepthWeight * p.z; }

// The floor distance from (u, v) to the solid's cross-section at height z.
float Outside(const Shape& s, float u, float v, float z) {
    const auto length = [](float du, float dv) { return std::sqrt(du * du + dv * dv); };
    if (s.kind == ShapeKind::Box)
        return length(std::max({s.a.x - u, 0.0f, u - s.b.x}), std::max({s.a.y - v, 0.0f, v - s.b.y}));
    float r = s.r0;
    if (s.kind == ShapeKind::Cylinder && s.b.z > s.a.z)
        r += (s.r1 - s.r0) * std::clamp((z - s.a.z) / (s.b.z - s.a.z), 0.0f, 1.0f);
    return std::max(0.0f, length(u - s.a.x, v - s.a.y) - r);
}

// A floor rectangle in view coordinates.
struct FloorBox {
    float u0, v0, u1, v1;
    bool Holds(float u, float v) const { return u >= u0 && u <= u1 && v >= v0 && v <= v1; }
};

// The light's run across the floor per unit of height.
const float kRunU = kLight.x / kLight.z, kRunV = kLight.y / kLight.z;
constexpr float kContactReach = 0.22f;  // floor darkened around the foot of a low solid
constexpr float kLowEnough = 0.6f;
float Penumbra(float height) { return 0.03f + 0.2f * height; }

// A solid as it darkens the floor, with the rectangles its shadow and its contact
// shadow stay inside.
struct Caster {
    Shape shape;
    float bottom, top;  // spheres cast as a disc through their centre
    float weight;       // glass lets some light through
    FloorBox cast, contact;
    bool low;
};

std::vector<Caster> Casters(const Model& model, const std::vector<Shape>& solids) {
    std::vector<Caster> casters;
    for (const Shape& s : solids) {
        Vec3 lo, hi;
        Extent(s, lo, hi);
        const bool sphere = s.kind == ShapeKind::Sphere, glass = model.materials[s.material].opacity < 1.0f;
        Caster c{s, sphere ? s.a.z : lo.z, sphere ? s.a.z : hi.z, glass ? 0.45f : 1.0f, {}, {}, false};
        const float p = Penumbra(c.top);
        c.cast = {lo.x - c.top * kRunU - p, lo.y - c.top * kRunV - p, hi.x - c.bottom * kRunU + p,
                  hi.y - c.bottom * kRunV + p};
        c.contact = {lo.x - kContactReach, lo.y - kContactReach, hi.x + kContactReach, hi.y + kContactReach};
        c.low = !glass && c.bottom < kLowEnough;
        casters.push_back(c);
    }
    return casters;
}

// The floor shadow at (u, v): cast along the light with a soft edge that widens with the
// height of what casts it, and darker at the foot of low solids.
float ShadowAlpha(const std::vector<Caster>& casters, float u, float v, float strength) {
    float cast = 0, contact = 0;
    for (const Caster& c : casters) {
        if (c.cast.Holds(u, v)) {
            // The distance along the light's line is convex in the height: a ternary search.
            const auto at = [&](float t) { return Outside(c.shape, u + t * kRunU, v + t * kRunV, t); };
            float lo = c.bottom, hi = c.top;
            for (int i = 0; i < 10 && hi - lo > 1e-3f; ++i) {
                const float m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
                if (at(m1) < at(m2))
                    hi = m2;
                else
                    lo = m1;
            }
            const float t = (lo + hi) / 2;
            cast = std::max(cast, c.weight * std::clamp(1.0f - at(t) / Penumbra(t), 0.0f, 1.0f));
        }
        if (c.low && c.contact.Holds(u, v)) {
            const float near = std::clamp(1.0f - Outside(c.shape, u, v, c.bottom) / kContactReach, 0.0f, 1.0f);
            contact = std::max(contact, near * near * (1.0f - c.bottom / kLowEnough));
        }
    }
    return std::min(0.8f, strength * (0.55f * cast + 0.8f * contact));
}

struct Sample {
    float nearness = kNothing;
    int material = kEmpty;
    float brightness = 0;
    float alpha = 0;
    Vec3 at;  // the point shown, view coordinates
};

int16_t Position(int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

}  // namespace

std::vector<PaletteEntry> PaletteEntries(const std::vector<Rgb>& colours) {
    std::vector<PaletteEntry> entries;
    for (const Rgb& c : colours) entries.push_back({c.r, c.g, c.b, 0});
    return entries;
}

Ramps::Ramps(std::vector<Rgb> colours) : mColours(std::move(colours)), mShades(kMaxShades) {
    assert(mColours.size() * 2 < kShadowIndex);
    if (!mColours.empty()) mShades = std::min(kMaxShades, (kShadowIndex - 1) / static_cast<int>(mColours.size()));
}

std::vector<Rgb> Ramps::Palette() const {
    std::vector<Rgb> palette(kShadowIndex + 1, Rgb{255, 255, 255});
    for (size_t r = 0; r < mColours.size(); ++r) {
        const Rgb c = mColours[r];
        for (int i = 0; i < mShades; ++i) {
            const float b =
                kDarkest + (kBrightest - kDarkest) * static_cast<float>(i) / static_cast<float>(mShades - 1);
            // The colour scaled, and above kWhitening mixed with white.
            const float k = std::min(b, kWhitening),
                        white = std::max(0.0f, (b - kWhitening) / (kBrightest - kWhitening));
            const auto channel = [&](uint8_t v) { return ToByte(v * k * (1.0f - white) + 255.0f * white); };
            palette[1 + r * mShades + i] = Rgb{channel(c.r), channel(c.g), channel(c.b)};
        }
    }
    palette[kShadowIndex] = kShadowColour;
    return palette;
}

uint8_t Ramps::Index(int ramp, float brightness) const {
    const float t = (brightness - kDarkest) / (kBrightest - kDarkest);
    const int shade = std::clamp(static_cast<int>(std::lround(t * static_cast<float>(mShades - 1))), 0, mShades - 1);
    return static_cast<uint8_t>(1 + ramp * mShades + shade);
}

Ramps ModelRamps(const Model& model) {
    std::vector<Rgb> colours;
    for (const Material& m : model.materials) colours.push_back(m.colour);
    if (model.hasGlow) colours.push_back(model.glow.colour);
    return Ramps(std::move(colours));
}

std::vector<SpriteImage> PaintView(const Model& model, int rotation, int zoom, const Quality& quality) {
    const int shift = ZoomShift(zoom);
    const float unit = static_cast<float>(1 << shift);  // near pixels per pixel of this zoom
    const int n = std::clamp(quality.samples, 1, kMaxSamples);
    float tallest = 0;
    for (const Shape& s : model.shapes) tallest = std::max(tallest, s.kind == ShapeKind::Sphere ? s.a.z + s.r0 : s.b.z);
    // The floor the object and its shadow may cover, in view coordinates, and the pixels
    // they may cover: pixel (0, 0) lies at (x0, y0) from the first tile's floor origin.
    float fu0 = -kShadowMargin, fv0 = -kShadowMargin, fu1 = model.tilesX + kShadowMargin,
          fv1 = model.tilesY + kShadowMargin;
    Turn(rotation, fu0, fv0);
    Turn(rotation, fu1, fv1);
    if (fu0 > fu1) std::swap(fu0, fu1);
    if (fv0 > fv1) std::swap(fv0, fv1);
    const int x0 = static_cast<int>(std::floor(kHalfWidth * (fu0 - fv1) / unit)) - 1;
    const int y0 = static_cast<int>(std::floor((kHalfHeight * (fu0 + fv0) - kPixelsPerHeight * tallest) / unit)) - 1;
    const int width = static_cast<int>(std::ceil(kHalfWidth * (fu1 - fv0) / unit)) + 1 - x0;
    const int height = static_cast<int>(std::ceil(kHalfHeight * (fu1 + fv1) / unit)) + 1 - y0;

    // n x n samples per pixel; sample (i, j) lies at near-zoom screen point (screenX(i), screenY(j)).
    const int sw = width * n, sh = height * n;
    std::vector<Sample> samples(static_cast<size_t>(sw) * sh);
    const auto sample = [&](int i, int j) -> Sample& { return samples[static_cast<size_t>(j) * sw + i]; };
    const auto screenX = [&](int i) { return (x0 + (i + 0.5f) / n) * unit; };
    const auto screenY = [&](int j) { return (y0 + (j + 0.5f) / n) * unit; };
    const auto sampleAt = [&](float s, int origin, int count) {
        return std::clamp(static_cast<int>(std::floor((s / unit - origin) * n)), 0, count);
    };
    std::vector<Shape> solids;
    for (const Shape& s : model.shapes) solids.push_back(InView(s, rotation));

    // Solids first, then glass over them. Equal nearness: the solid painted first stays.
    for (int glass = 0; glass < 2; ++glass) {
        for (const Shape& s : solids) {
            const Material& m = model.materials[s.material];
            if ((m.opacity < 1.0f) != (glass == 1)) continue;
            Vec3 lo, hi;
            Extent(s, lo, hi);
            const int i1 = sampleAt(kHalfWidth * (hi.x - lo.y), x0, sw - 1) + 1;
            const int j1 = sampleAt(kHalfHeight * (hi.x + hi.y) - kPixelsPerHeight * lo.z, y0, sh - 1) + 1;
            for (int j = sampleAt(kHalfHeight * (lo.x + lo.y) - kPixelsPerHeight * hi.z, y0, sh); j < j1; ++j) {
                for (int i = sampleAt(kHalfWidth * (lo.x - hi.y), x0, sw); i < i1; ++i) {
                    Vec3 p, normal;
                    if (!Front(s, screenX(i), screenY(j), p, normal) || Nearness(p) <= sample(i, j).nearness) continue;
                    Sample& out = sample(i, j);
                    const float b = Brightness(m, normal, p.z);
                    if (!glass)
                        out = Sample{Nearness(p), s.material, b, 1.0f, p};
                    else if (out.material >= 0)
                        out.brightness += kSeenThroughGlass;
                    else
                        out = Sample{Nearness(p), s.material, b, m.opacity, p};
                }
            }
        }
    }

    // Each pixel: the floor shadow where nothing stands (soft, so one value at the middle
    // of the pixel serves all its samples); the cover of its samples; for the rest the
    // middle sample when it shows a solid (so that edges step cleanly), else the nearest.
    // Its depth counts from the nearest corner of the tile it belongs to.
    const std::vector<Caster> casters = Casters(model, solids);
    const Ramps ramps = ModelRamps(model);
    const float nearnessMax = 2.0f + kHeightDepthWeight * (tallest + 0.1f);
    SpriteImage whole(width, height);
    std::vector<int> owner(static_cast<size_t>(width) * height, -1);
    struct Box {
        int left, top, right, bottom;
    };
    std::vector<Box> boxes(static_cast<size_t>(model.tilesX) * model.tilesY, Box{width, height, -1, -1});
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            const Vec3 floor = OnSight((x0 + px + 0.5f) * unit, (y0 + py + 0.5f) * unit, 0);
            const bool onFloor = Within(floor.x, fu0, fu1) && Within(floor.y, fv0, fv1);
            float cover = 0, shadow = -1;
            const Sample* best = nullptr;
            for (int j = py * n; j < (py + 1) * n; ++j) {
                for (int i = px * n; i < (px + 1) * n; ++i) {
                    Sample& s = sample(i, j);
                    if (s.material == kEmpty && onFloor) {
                        if (shadow < 0) shadow = ShadowAlpha(casters, floor.x, floor.y, model.shadowStrength);
                        if (shadow > 0) s = Sample{Nearness(floor), kShadow, 0, shadow, floor};
                    }
                    if (s.material == kEmpty) continue;
                    cover += s.alpha;
                    if (!best || s.nearness > best->nearness) best = &s;
                }
            }
            const Sample& middle = sample(px * n + n / 2, py * n + n / 2);
            if (middle.material >= 0) best = &middle;
            const uint8_t a = ToByte(255.0f * cover / static_cast<float>(n * n));
            if (!best || a == 0) continue;
            float x = best->at.x, y = best->at.y;
            Turn(4 - rotation, x, y);
            const int tx = std::clamp(static_cast<int>(std::floor(x)), 0, model.tilesX - 1);
            const int ty = std::clamp(static_cast<int>(std::floor(y)), 0, model.tilesY - 1);
            float u0 = static_cast<float>(tx), v0 = static_cast<float>(ty), u1 = u0 + 1, v1 = v0 + 1;
            Turn(rotation, u0, v0);
            Turn(rotation, u1, v1);
            const float nearness = Nearness(best->at) - std::min(u0, u1) - std::min(v0, v1);
            const size_t at = whole.Index(px, py);
            whole.alpha[at] = a;
            whole.color[at] =
                best->material == kShadow ? Ramps::kShadowIndex : ramps.Index(best->material, best->brightness);
            whole.depth[at] = static_cast<uint8_t>(
                std::lround((1.0f - std::clamp(nearness / nearnessMax, 0.0f, 1.0f)) * (kNearDepthRange >> shift)));
            owner[at] = ty * model.tilesX + tx;
            Box& box = boxes[static_cast<size_t>(owner[at])];
            box = {std::min(box.left, px), std::min(box.top, py), std::max(box.right, px), std::max(box.bottom, py)};
        }
    }

    // One picture per tile, placed against the tile's own screen position, which the
    // renderer adds.
    std::vector<SpriteImage> frames(boxes.size());
    for (int tile = 0; tile < static_cast<int>(boxes.size()); ++tile) {
        const auto [left, top, right, bottom] = boxes[static_cast<size_t>(tile)];
        if (right < 0) continue;
        SpriteImage& f = frames[static_cast<size_t>(tile)] = SpriteImage(right - left + 1, bottom - top + 1);
        for (int py = top; py <= bottom; ++py) {
            for (int px = left; px <= right; ++px) {
                const size_t src = whole.Index(px, py), dst = f.Index(px - left, py - top);
                if (owner[src] != tile) continue;
                f.color[dst] = whole.color[src];
                f.alpha[dst] = whole.alpha[src];
                f.depth[dst] = whole.depth[src];
            }
        }
        float u = static_cast<float>(tile % model.tilesX), v = static_cast<float>(tile / model.tilesX);
        Turn(rotation, u, v);
        f.x = Position(x0 + left - (static_cast<int>(std::lround(kHalfWidth * (u - v))) >> shift));
        f.y = Position(y0 + bottom + 1 - (static_cast<int>(std::lround(kHalfHeight * (u + v))) >> shift));
    }
    return frames;
}

SpriteImage PaintGlow(const Model& model, int rotation, int zoom) {
    if (!model.hasGlow) return SpriteImage();
    const Ramps ramps = ModelRamps(model);
    const int glowRamp = static_cast<int>(model.materials.size());
    const float scale = 1.0f / static_cast<float>(1 << ZoomShift(zoom));
    const Glow& g = model.glow;
    float u = g.centre.x, v = g.centre.y;
    Turn(rotation, u, v);
    const float cx = kHalfWidth * (u - v) * scale;
    const float cy = (kHalfHeight * (u + v) - kPixelsPerHeight * g.centre.z) * scale;
    const float radius = g.radius * kGlowPixelsPerTile * scale;
    const int x0 = static_cast<int>(std::floor(cx - radius)), x1 = static_cast<int>(std::ceil(cx + radius));
    const int y0 = static_cast<int>(std::floor(cy - radius)), y1 = static_cast<int>(std::ceil(cy + radius));
    SpriteImage f(x1 - x0, y1 - y0);
    for (int py = 0; py < f.height; ++py) {
        for (int px = 0; px < f.width; ++px) {
            const float r = std::hypot(x0 + px + 0.5f - cx, y0 + py + 0.5f - cy) / radius;
            const size_t i = f.Index(px, py);
            f.alpha[i] = r < 1.0f ? ToByte(255.0f * g.strength * (1.0f - r) * (1.0f - r)) : 0;
            if (f.alpha[i] == 0) continue;
            f.color[i] = ramps.Index(glowRamp, 1.0f + std::max(0.0f, 1.0f - 2.5f * r));  // whiter towards the core
            f.depth[i] = 0;  // in front of the object it crowns
        }
    }
    f.x = Position(x0);
    f.y = Position(y1);
    return f;
}

}  // namespace tambrix::tools
