#include "IsoPainter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tambrix::tools {

namespace {

constexpr float kTileHalfWidth = 64.0f;   // screen x per tile step at near zoom
constexpr float kTileHalfHeight = 32.0f;  // screen y per tile step at near zoom
constexpr float kEpsilon = 1e-4f;
constexpr float kNoHit = std::numeric_limits<float>::max();
constexpr float kShadowMargin = 0.35f;  // floor around the object that may hold shadow
constexpr int kNearDepthRange = 250;    // depth bytes of one tile at near zoom (255 = no pixel)
constexpr float kHeightDepthWeight = 0.5f;
constexpr Rgb kShadowColour{18, 16, 24};
constexpr float kGlowPixelsPerTile = 80.0f;

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(Vec3 a) {
    const float len = std::sqrt(Dot(a, a));
    return len > 0 ? a * (1.0f / len) : a;
}

// The rotated ("view") coordinates u, v of a floor point; the screen is
// x = 64 (u - v), y = 32 (u + v) - 96 z at near zoom. Rotation r turns the object by
// r quarter turns, matching the renderer's tile placement table.
void ToView(int rotation, float x, float y, float& u, float& v) {
    switch (rotation & 3) {
        case 0: u = x; v = y; break;
        case 1: u = -y; v = x; break;
        case 2: u = -x; v = -y; break;
        default: u = y; v = -x; break;
    }
}
void ToWorld(int rotation, float u, float v, float& x, float& y) {
    switch (rotation & 3) {
        case 0: x = u; y = v; break;
        case 1: x = v; y = -u; break;
        case 2: x = -u; y = -v; break;
        default: x = -v; y = u; break;
    }
}
Vec3 ViewToWorld(int rotation, Vec3 p) {
    Vec3 w{0, 0, p.z};
    ToWorld(rotation, p.x, p.y, w.x, w.y);
    return w;
}

struct Ray {
    Vec3 origin;
    Vec3 dir;
};

struct Hit {
    float s = kNoHit;
    Vec3 normal;
};

void HitBox(const Shape& sh, const Ray& ray, Hit& hit) {
    float sMin = -kNoHit, sMax = kNoHit;
    Vec3 n{};
    const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const float d[3] = {ray.dir.x, ray.dir.y, ray.dir.z};
    const float lo[3] = {sh.a.x, sh.a.y, sh.a.z};
    const float hi[3] = {sh.b.x, sh.b.y, sh.b.z};
    for (int k = 0; k < 3; ++k) {
        if (std::fabs(d[k]) < 1e-9f) {
            if (o[k] < lo[k] || o[k] > hi[k]) return;
            continue;
        }
        float s0 = (lo[k] - o[k]) / d[k];
        float s1 = (hi[k] - o[k]) / d[k];
        float sign = -1.0f;
        if (s0 > s1) {
            std::swap(s0, s1);
            sign = 1.0f;
        }
        if (s0 > sMin) {
            sMin = s0;
            n = Vec3{};
            (k == 0 ? n.x : k == 1 ? n.y : n.z) = sign;
        }
        sMax = std::min(sMax, s1);
        if (sMin > sMax) return;
    }
    if (sMin > kEpsilon && sMin < hit.s) {
        hit.s = sMin;
        hit.normal = n;
    }
}

void HitCylinder(const Shape& sh, const Ray& ray, Hit& hit) {
    const float height = sh.b.z - sh.a.z;
    if (height <= 0) return;
    const float k = (sh.r1 - sh.r0) / height;
    const float ox = ray.origin.x - sh.a.x, oy = ray.origin.y - sh.a.y, oz = ray.origin.z - sh.a.z;
    const float dx = ray.dir.x, dy = ray.dir.y, dz = ray.dir.z;
    const float rOrigin = sh.r0 + k * oz;
    const float qa = dx * dx + dy * dy - k * k * dz * dz;
    const float qb = 2.0f * (ox * dx + oy * dy - k * rOrigin * dz);
    const float qc = ox * ox + oy * oy - rOrigin * rOrigin;
    auto trySide = [&](float s) {
        if (s <= kEpsilon || s >= hit.s) return;
        const float z = oz + s * dz;
        if (z < 0 || z > height) return;
        const float r = sh.r0 + k * z;
        if (r <= 0) return;
        const float x = ox + s * dx, y = oy + s * dy;
        hit.s = s;
        hit.normal = Normalize(Vec3{x, y, -k * r});
    };
    if (std::fabs(qa) > 1e-9f) {
        const float disc = qb * qb - 4 * qa * qc;
        if (disc >= 0) {
            const float root = std::sqrt(disc);
            trySide((-qb - root) / (2 * qa));
            trySide((-qb + root) / (2 * qa));
        }
    }
    auto tryCap = [&](float capZ, float r, float nz) {
        if (std::fabs(dz) < 1e-9f) return;
        const float s = (capZ - oz) / dz;
        if (s <= kEpsilon || s >= hit.s) return;
        const float x = ox + s * dx, y = oy + s * dy;
        if (x * x + y * y > r * r) return;
        hit.s = s;
        hit.normal = Vec3{0, 0, nz};
    };
    tryCap(0.0f, sh.r0, -1.0f);
    tryCap(height, sh.r1, 1.0f);
}

void HitSphere(const Shape& sh, const Ray& ray, Hit& hit) {
    const Vec3 o = ray.origin - sh.a;
    const float qa = Dot(ray.dir, ray.dir);
    const float qb = 2.0f * Dot(o, ray.dir);
    const float qc = Dot(o, o) - sh.r0 * sh.r0;
    const float disc = qb * qb - 4 * qa * qc;
    if (disc < 0) return;
    const float root = std::sqrt(disc);
    for (float s : {(-qb - root) / (2 * qa), (-qb + root) / (2 * qa)}) {
        if (s > kEpsilon && s < hit.s) {
            hit.s = s;
            hit.normal = Normalize((o + ray.dir * s) * (1.0f / sh.r0));
            return;
        }
    }
}

Hit Intersect(const Shape& sh, const Ray& ray) {
    Hit hit;
    switch (sh.kind) {
        case ShapeKind::Box: HitBox(sh, ray, hit); break;
        case ShapeKind::Cylinder: HitCylinder(sh, ray, hit); break;
        case ShapeKind::Sphere: HitSphere(sh, ray, hit); break;
    }
    return hit;
}

// A fixed spiral of offsets around the light direction: soft shadows without a
// random source, so that two runs draw the same pixels.
std::vector<Vec3> LightSamples(Vec3 light, int count) {
    std::vector<Vec3> dirs;
    const Vec3 side = Normalize(Vec3{-light.y, light.x, 0});
    const Vec3 up = Normalize(Vec3{light.y * side.z - light.z * side.y, light.z * side.x - light.x * side.z,
                                   light.x * side.y - light.y * side.x});
    constexpr float kGoldenAngle = 2.39996323f;
    constexpr float kSpread = 0.16f;
    for (int i = 0; i < count; ++i) {
        const float radius = count == 1 ? 0.0f : kSpread * std::sqrt((i + 0.5f) / count);
        const float angle = i * kGoldenAngle;
        dirs.push_back(Normalize(light + side * (radius * std::cos(angle)) + up * (radius * std::sin(angle))));
    }
    return dirs;
}

struct Sample {
    float r = 0, g = 0, b = 0;  // colour, not premultiplied
    float alpha = 0;
    Vec3 point;                 // what the depth and the tile are taken from
};

class Tracer {
public:
    Tracer(const Model& model, int rotation, const Quality& quality) : mModel(model), mRotation(rotation) {
        // The light comes from the upper left of the screen, the same in every view.
        const Vec3 lightView = Normalize(Vec3{0.35f, 0.75f, 1.3f});
        mLight = ViewToWorld(rotation, lightView);
        mLightSamples = LightSamples(mLight, std::max(1, quality.shadowSamples));
        // The screen rectangle of each solid: a ray outside it cannot meet the solid.
        for (const Shape& sh : model.shapes) {
            Vec3 lo = sh.a, hi = sh.b;
            const float r = std::max(sh.r0, sh.r1);
            if (sh.kind != ShapeKind::Box) {
                lo = Vec3{sh.a.x - r, sh.a.y - r, sh.kind == ShapeKind::Sphere ? sh.a.z - r : sh.a.z};
                hi = Vec3{sh.a.x + r, sh.a.y + r, sh.kind == ShapeKind::Sphere ? sh.a.z + r : sh.b.z};
            }
            ScreenBox box{kNoHit, kNoHit, -kNoHit, -kNoHit};
            for (float x : {lo.x, hi.x}) {
                for (float y : {lo.y, hi.y}) {
                    for (float z : {lo.z, hi.z}) {
                        float u, v;
                        ToView(rotation, x, y, u, v);
                        const float sx = kTileHalfWidth * (u - v), sy = kTileHalfHeight * (u + v) - kPixelsPerHeight * z;
                        box.x0 = std::min(box.x0, sx - 1);
                        box.x1 = std::max(box.x1, sx + 1);
                        box.y0 = std::min(box.y0, sy - 1);
                        box.y1 = std::max(box.y1, sy + 1);
                    }
                }
            }
            mScreenBoxes.push_back(box);
            mTops.push_back(hi.z);
        }
    }

    // The ray through screen point (sx, sy), given in near-zoom pixels.
    Ray ScreenRay(float sx, float sy) const {
        const float a = sx / kTileHalfWidth;
        constexpr float kStart = 40.0f;  // far on the viewer's side of any object
        const Vec3 originView{a / 2 + kStart / 2, -a / 2 + kStart / 2, (kTileHalfHeight * kStart - sy) / kPixelsPerHeight};
        const Vec3 dirView{-0.5f, -0.5f, -kTileHalfHeight / kPixelsPerHeight};
        return Ray{ViewToWorld(mRotation, originView), ViewToWorld(mRotation, dirView)};
    }

    // The ray through screen point (sx, sy) in near-zoom pixels (made by ScreenRay).
    Sample Trace(const Ray& ray, float sx, float sy) const {
        // The nearest opaque surface, and glass in front of it.
        float opaqueS = kNoHit;
        int opaqueShape = -1;
        Vec3 opaqueNormal;
        struct GlassHit {
            float s;
            int shape;
            Vec3 normal;
        };
        std::vector<GlassHit> glass;
        for (size_t i = 0; i < mModel.shapes.size(); ++i) {
            const ScreenBox& box = mScreenBoxes[i];
            if (sx < box.x0 || sx > box.x1 || sy < box.y0 || sy > box.y1) continue;
            const Shape& sh = mModel.shapes[i];
            const Hit hit = Intersect(sh, ray);
            if (hit.s == kNoHit) continue;
            if (mModel.materials[sh.material].opacity >= 1.0f) {
                if (hit.s < opaqueS) {
                    opaqueS = hit.s;
                    opaqueShape = static_cast<int>(i);
                    opaqueNormal = hit.normal;
                }
            } else {
                glass.push_back({hit.s, static_cast<int>(i), hit.normal});
            }
        }
        Sample out;
        if (opaqueShape >= 0) {
            out.point = ray.origin + ray.dir * opaqueS;
            const Rgb c = Shade(mModel.shapes[opaqueShape], out.point, opaqueNormal, ray.dir);
            out.r = c.r;
            out.g = c.g;
            out.b = c.b;
            out.alpha = 1.0f;
        } else if (ray.dir.z < 0) {
            // The floor: shadow only, otherwise nothing.
            const float s = -ray.origin.z / ray.dir.z;
            const Vec3 p = ray.origin + ray.dir * s;
            opaqueS = s;
            if (p.x > -kShadowMargin && p.y > -kShadowMargin && p.x < mModel.tilesX + kShadowMargin &&
                p.y < mModel.tilesY + kShadowMargin) {
                out.alpha = FloorShadow(p);
                out.r = kShadowColour.r;
                out.g = kShadowColour.g;
                out.b = kShadowColour.b;
                out.point = p;
            }
        }
        // Glass from back to front over what lies behind it.
        std::sort(glass.begin(), glass.end(), [](const GlassHit& l, const GlassHit& r) { return l.s > r.s; });
        for (const GlassHit& g : glass) {
            if (g.s >= opaqueS) continue;
            const Shape& sh = mModel.shapes[g.shape];
            const Material& m = mModel.materials[sh.material];
            const Vec3 p = ray.origin + ray.dir * g.s;
            const Rgb c = Shade(sh, p, g.normal, ray.dir);
            const float facing = std::fabs(Dot(g.normal, Normalize(ray.dir)));
            const float a = std::min(1.0f, m.opacity + (1.0f - m.opacity) * 0.7f * std::pow(1.0f - facing, 3.0f));
            const float outAlpha = a + out.alpha * (1.0f - a);
            if (outAlpha > 0) {
                const float keep = out.alpha * (1.0f - a);
                out.r = (c.r * a + out.r * keep) / outAlpha;
                out.g = (c.g * a + out.g * keep) / outAlpha;
                out.b = (c.b * a + out.b * keep) / outAlpha;
            }
            out.alpha = outAlpha;
            if (opaqueShape < 0) out.point = p;  // no solid behind: the glass gives the depth
        }
        return out;
    }

private:
    // How much of the light reaches p: 1 lit, 0 in full shadow. Glass lets half through.
    float LightReaching(Vec3 p, Vec3 normal) const {
        const Vec3 start = p + normal * 2e-3f;
        float lit = 0;
        for (const Vec3& dir : mLightSamples) {
            float pass = 1.0f;
            const Ray ray{start, dir};
            for (size_t i = 0; i < mModel.shapes.size(); ++i) {
                // The light is above: a solid whose top lies below the point casts nothing on it.
                if (mTops[i] < p.z) continue;
                const Shape& sh = mModel.shapes[i];
                if (Intersect(sh, ray).s == kNoHit) continue;
                const float opacity = mModel.materials[sh.material].opacity;
                pass *= opacity >= 1.0f ? 0.0f : 0.55f;
                if (pass == 0) break;
            }
            lit += pass;
        }
        return lit / static_cast<float>(mLightSamples.size());
    }

    float FloorShadow(Vec3 p) const {
        const float shadow = 1.0f - LightReaching(p, Vec3{0, 0, 1});
        // Contact shadow: darker the closer the floor point lies to the foot of a solid
        // that stands low, measured on the floor so that it fades smoothly.
        constexpr float kReach = 0.22f;
        constexpr float kLowEnough = 0.6f;
        float contact = 0;
        for (const Shape& sh : mModel.shapes) {
            if (mModel.materials[sh.material].opacity < 1.0f) continue;
            float distance = 0, bottom = 0;
            switch (sh.kind) {
                case ShapeKind::Box: {
                    const float dx = std::max({sh.a.x - p.x, 0.0f, p.x - sh.b.x});
                    const float dy = std::max({sh.a.y - p.y, 0.0f, p.y - sh.b.y});
                    distance = std::sqrt(dx * dx + dy * dy);
                    bottom = sh.a.z;
                    break;
                }
                case ShapeKind::Cylinder:
                    distance = std::max(0.0f, std::hypot(p.x - sh.a.x, p.y - sh.a.y) - std::max(sh.r0, sh.r1));
                    bottom = sh.a.z;
                    break;
                case ShapeKind::Sphere:
                    distance = std::max(0.0f, std::hypot(p.x - sh.a.x, p.y - sh.a.y) - sh.r0);
                    bottom = sh.a.z - sh.r0;
                    break;
            }
            const float low = std::clamp(1.0f - bottom / kLowEnough, 0.0f, 1.0f);
            const float near = std::clamp(1.0f - distance / kReach, 0.0f, 1.0f);
            contact = std::max(contact, near * near * low);
        }
        return std::min(0.8f, mModel.shadowStrength * (0.75f * shadow + 0.8f * contact));
    }

    Rgb Shade(const Shape& sh, Vec3 p, Vec3 normal, Vec3 rayDir) const {
        const Material& m = mModel.materials[sh.material];
        const Vec3 n = Normalize(normal);
        const Vec3 toViewer = Normalize(rayDir * -1.0f);
        float r, g, b;
        if (m.emission > 0) {
            // Lit from inside: bright, a little warmer towards the edge.
            const float edge = 1.0f - std::fabs(Dot(n, toViewer));
            const float k = 0.95f + 0.25f * m.emission - 0.25f * edge;
            r = m.colour.r * k;
            g = m.colour.g * k;
            b = m.colour.b * (k - 0.1f * edge);
        } else {
            const float lit = LightReaching(p, n);
            const float diffuse = std::max(0.0f, Dot(n, mLight));
            const float sky = 0.34f + 0.14f * n.z;
            const float nearFloor = 0.72f + 0.28f * std::min(1.0f, p.z / 0.12f);
            const float k = sky * nearFloor + 0.78f * diffuse * lit;
            const Vec3 half = Normalize(mLight + toViewer);
            const float spec = m.gloss * lit * std::pow(std::max(0.0f, Dot(n, half)), 36.0f) * 255.0f;
            r = m.colour.r * k + spec;
            g = m.colour.g * k + spec;
            b = m.colour.b * k + spec;
        }
        auto clamp = [](float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.0f); };
        return Rgb{clamp(r + 0.5f), clamp(g + 0.5f), clamp(b + 0.5f)};
    }

    struct ScreenBox {
        float x0, y0, x1, y1;
    };

    const Model& mModel;
    int mRotation;
    std::vector<ScreenBox> mScreenBoxes;
    std::vector<float> mTops;
    Vec3 mLight;
    std::vector<Vec3> mLightSamples;
};

struct ScreenRect {
    int x0, y0, x1, y1;  // pixels, x1 and y1 excluded
};

// The pixels that the model and its shadow can cover in one view.
ScreenRect Bounds(const Model& model, int rotation, int shift) {
    float minX = kNoHit, minY = kNoHit, maxX = -kNoHit, maxY = -kNoHit;
    const float scale = 1.0f / static_cast<float>(1 << shift);
    for (float x : {-kShadowMargin, model.tilesX + kShadowMargin}) {
        for (float y : {-kShadowMargin, model.tilesY + kShadowMargin}) {
            for (float z : {0.0f, model.Height()}) {
                float u, v;
                ToView(rotation, x, y, u, v);
                const float sx = kTileHalfWidth * (u - v) * scale;
                const float sy = (kTileHalfHeight * (u + v) - kPixelsPerHeight * z) * scale;
                minX = std::min(minX, sx);
                maxX = std::max(maxX, sx);
                minY = std::min(minY, sy);
                maxY = std::max(maxY, sy);
            }
        }
    }
    return ScreenRect{static_cast<int>(std::floor(minX)) - 1, static_cast<int>(std::floor(minY)) - 1,
                      static_cast<int>(std::ceil(maxX)) + 1, static_cast<int>(std::ceil(maxY)) + 1};
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

}  // namespace

int Model::AddMaterial(const Material& m) {
    materials.push_back(m);
    return static_cast<int>(materials.size()) - 1;
}
void Model::AddBox(Vec3 lo, Vec3 hi, int material) {
    shapes.push_back(Shape{ShapeKind::Box, lo, hi, 0, 0, material});
}
void Model::AddCylinder(Vec3 base, float top, float r0, float r1, int material) {
    shapes.push_back(Shape{ShapeKind::Cylinder, base, Vec3{base.x, base.y, top}, r0, r1, material});
}
void Model::AddSphere(Vec3 centre, float radius, int material) {
    shapes.push_back(Shape{ShapeKind::Sphere, centre, centre, radius, radius, material});
}
float Model::Height() const {
    float h = 0;
    for (const Shape& s : shapes) {
        h = std::max(h, s.kind == ShapeKind::Sphere ? s.a.z + s.r0 : s.b.z);
    }
    return h;
}

WholeView PaintWholeView(const Model& model, int rotation, int zoom, const Quality& quality) {
    const int shift = ZoomShift(zoom);
    const float unit = static_cast<float>(1 << shift);  // near pixels per pixel of this zoom
    const ScreenRect rect = Bounds(model, rotation, shift);
    const int width = rect.x1 - rect.x0, height = rect.y1 - rect.y0;
    const int tileCount = model.tilesX * model.tilesY;
    const int samples = std::max(1, quality.samples);
    const float nearnessMax = 2.0f + kHeightDepthWeight * (model.Height() + 0.1f);
    const int depthRange = kNearDepthRange >> shift;
    Tracer tracer(model, rotation, quality);

    // Each tile's square in view coordinates, for the depth of its pixels.
    std::vector<float> tileU(tileCount), tileV(tileCount);
    for (int ty = 0; ty < model.tilesY; ++ty) {
        for (int tx = 0; tx < model.tilesX; ++tx) {
            float minU = kNoHit, minV = kNoHit;
            for (int cx = 0; cx <= 1; ++cx) {
                for (int cy = 0; cy <= 1; ++cy) {
                    float u, v;
                    ToView(rotation, static_cast<float>(tx + cx), static_cast<float>(ty + cy), u, v);
                    minU = std::min(minU, u);
                    minV = std::min(minV, v);
                }
            }
            tileU[ty * model.tilesX + tx] = minU;
            tileV[ty * model.tilesX + tx] = minV;
        }
    }
    auto tileOf = [&](Vec3 p) {
        const int tx = std::clamp(static_cast<int>(std::floor(p.x)), 0, model.tilesX - 1);
        const int ty = std::clamp(static_cast<int>(std::floor(p.y)), 0, model.tilesY - 1);
        return ty * model.tilesX + tx;
    };

    // Draw the whole view once; every pixel remembers the tile it belongs to.
    WholeView view;
    view.x0 = rect.x0;
    view.y0 = rect.y0;
    view.width = width;
    view.height = height;
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<Rgb>& rgb = view.rgb;
    std::vector<uint8_t>& alpha = view.alpha;
    std::vector<uint8_t>& depth = view.depth;
    std::vector<int>& owner = view.owner;
    rgb.assign(pixels, Rgb{});
    alpha.assign(pixels, 0);
    depth.assign(pixels, 255);
    owner.assign(pixels, -1);
    std::vector<float> tileWeight(tileCount);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            float sumR = 0, sumG = 0, sumB = 0, sumA = 0, bestA = 0;
            Vec3 bestPoint;
            std::fill(tileWeight.begin(), tileWeight.end(), 0.0f);
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const float fx = (rect.x0 + px + (sx + 0.5f) / samples) * unit;
                    const float fy = (rect.y0 + py + (sy + 0.5f) / samples) * unit;
                    const Sample s = tracer.Trace(tracer.ScreenRay(fx, fy), fx, fy);
                    if (s.alpha <= 0) continue;
                    sumR += s.r * s.alpha;
                    sumG += s.g * s.alpha;
                    sumB += s.b * s.alpha;
                    sumA += s.alpha;
                    tileWeight[tileOf(s.point)] += s.alpha;
                    if (s.alpha > bestA) {
                        bestA = s.alpha;
                        bestPoint = s.point;
                    }
                }
            }
            const float a = sumA / static_cast<float>(samples * samples);
            const uint8_t a8 = ToByte(a * 255.0f);
            if (a8 == 0) continue;
            const size_t i = static_cast<size_t>(py) * width + px;
            rgb[i] = Rgb{ToByte(sumR / sumA), ToByte(sumG / sumA), ToByte(sumB / sumA)};
            alpha[i] = a8;
            const int tile = static_cast<int>(std::max_element(tileWeight.begin(), tileWeight.end()) - tileWeight.begin());
            owner[i] = tile;
            float u, v;
            ToView(rotation, bestPoint.x, bestPoint.y, u, v);
            const float nearness = (u - tileU[tile]) + (v - tileV[tile]) + kHeightDepthWeight * bestPoint.z;
            const float far = 1.0f - std::clamp(nearness / nearnessMax, 0.0f, 1.0f);
            depth[i] = static_cast<uint8_t>(std::lround(far * depthRange));
        }
    }

    return view;
}

std::vector<RgbaFrame> CutTiles(const Model& model, const WholeView& view, int rotation, int zoom) {
    const int shift = ZoomShift(zoom);
    const int tileCount = model.tilesX * model.tilesY;
    const int width = view.width, height = view.height;
    const std::vector<int>& owner = view.owner;
    // Cut the view into one picture per tile, placed against the tile's own origin.
    std::vector<RgbaFrame> frames(tileCount);
    for (int tile = 0; tile < tileCount; ++tile) {
        int x0 = width, y0 = height, x1 = -1, y1 = -1;
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                if (owner[static_cast<size_t>(py) * width + px] != tile) continue;
                x0 = std::min(x0, px);
                x1 = std::max(x1, px);
                y0 = std::min(y0, py);
                y1 = std::max(y1, py);
            }
        }
        if (x1 < 0) continue;
        RgbaFrame& f = frames[tile];
        f.width = x1 - x0 + 1;
        f.height = y1 - y0 + 1;
        f.rgb.assign(static_cast<size_t>(f.width) * f.height, Rgb{});
        f.alpha.assign(f.rgb.size(), 0);
        f.depth.assign(f.rgb.size(), 255);
        for (int py = y0; py <= y1; ++py) {
            for (int px = x0; px <= x1; ++px) {
                const size_t src = static_cast<size_t>(py) * width + px;
                if (owner[src] != tile) continue;
                const size_t dst = static_cast<size_t>(py - y0) * f.width + (px - x0);
                f.rgb[dst] = view.rgb[src];
                f.alpha[dst] = view.alpha[src];
                f.depth[dst] = view.depth[src];
            }
        }
        // The renderer adds the tile's own screen offset; ours is relative to it.
        const int tx = tile % model.tilesX, ty = tile / model.tilesX;
        float u, v;
        ToView(rotation, static_cast<float>(tx), static_cast<float>(ty), u, v);
        const int tileX = static_cast<int>(std::lround(kTileHalfWidth * (u - v))) >> shift;
        const int tileY = static_cast<int>(std::lround(kTileHalfHeight * (u + v))) >> shift;
        f.x = view.x0 + x0 - tileX;
        f.y = view.y0 + y1 + 1 - tileY;
    }
    return frames;
}

std::vector<RgbaFrame> PaintView(const Model& model, int rotation, int zoom, const Quality& quality) {
    return CutTiles(model, PaintWholeView(model, rotation, zoom, quality), rotation, zoom);
}

RgbaFrame PaintGlow(const Model& model, int rotation, int zoom) {
    RgbaFrame f;
    if (!model.hasGlow) return f;
    const int shift = ZoomShift(zoom);
    const float scale = 1.0f / static_cast<float>(1 << shift);
    const Glow& g = model.glow;
    float u, v;
    ToView(rotation, g.centre.x, g.centre.y, u, v);
    const float cx = kTileHalfWidth * (u - v) * scale;
    const float cy = (kTileHalfHeight * (u + v) - kPixelsPerHeight * g.centre.z) * scale;
    const float radius = g.radius * kGlowPixelsPerTile * scale;
    const int x0 = static_cast<int>(std::floor(cx - radius)), x1 = static_cast<int>(std::ceil(cx + radius));
    const int y0 = static_cast<int>(std::floor(cy - radius)), y1 = static_cast<int>(std::ceil(cy + radius));
    f.width = x1 - x0;
    f.height = y1 - y0;
    f.rgb.assign(static_cast<size_t>(f.width) * f.height, g.colour);
    f.alpha.assign(f.rgb.size(), 0);
    f.depth.assign(f.rgb.size(), 0);  // in front of the object it crowns
    for (int py = 0; py < f.height; ++py) {
        for (int px = 0; px < f.width; ++px) {
            const float dx = (x0 + px + 0.5f - cx) / radius, dy = (y0 + py + 0.5f - cy) / radius;
            const float r = std::sqrt(dx * dx + dy * dy);
            if (r >= 1.0f) continue;
            const float falloff = (1.0f - r) * (1.0f - r);
            const size_t i = static_cast<size_t>(py) * f.width + px;
            f.alpha[i] = ToByte(255.0f * g.strength * falloff);
            // Whiter towards the core.
            const float core = std::max(0.0f, 1.0f - 2.5f * r);
            f.rgb[i] = Rgb{ToByte(g.colour.r + (255 - g.colour.r) * core), ToByte(g.colour.g + (255 - g.colour.g) * core),
                           ToByte(g.colour.b + (255 - g.colour.b) * core)};
            if (f.alpha[i] == 0) f.depth[i] = 255;
        }
    }
    for (size_t i = 0; i < f.alpha.size(); ++i) {
        if (f.alpha[i] == 0) f.depth[i] = 255;
    }
    f.x = x0;
    f.y = y1;
    return f;
}

}  // namespace tambrix::tools
