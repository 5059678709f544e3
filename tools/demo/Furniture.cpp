#include "demo/Furniture.h"

#include <cmath>

namespace tambrix::tools {

namespace {

Material Wood(Rgb c) { return Material{c, 0.22f, 1.0f, 0.0f}; }
Material Fabric(Rgb c) { return Material{c, 0.03f, 1.0f, 0.0f}; }
Material Metal(Rgb c) { return Material{c, 0.85f, 1.0f, 0.0f}; }

// Four square legs inside the rectangle (x0, y0)-(x1, y1).
void Legs(Model& m, float x0, float y0, float x1, float y1, float side, float top, int material) {
    for (float x : {x0, x1 - side}) {
        for (float y : {y0, y1 - side}) m.AddBox({x, y, 0}, {x + side, y + side, top}, material);
    }
}

// Seats are built with their back at low y. The browser's view (rotation 2) looks at
// the sides that face low x and low y, so this turns a seat round to face the viewer.
void FaceFront(Model& m) {
    for (Shape& s : m.shapes) {
        const float ay = s.a.y, by = s.b.y;
        if (s.kind == ShapeKind::Box) {
            s.a.y = m.tilesY - by;
            s.b.y = m.tilesY - ay;
        } else {
            s.a.y = m.tilesY - ay;
            s.b.y = m.tilesY - by;
        }
    }
}

}  // namespace

Model DiningChairModel() {
    Model m;
    m.name = "Dining Chair";
    const int wood = m.AddMaterial(Wood({142, 88, 50}));
    const int cushion = m.AddMaterial(Fabric({168, 46, 56}));
    Legs(m, 0.27f, 0.27f, 0.73f, 0.73f, 0.05f, 0.45f, wood);
    m.AddBox({0.25f, 0.25f, 0.43f}, {0.75f, 0.75f, 0.49f}, wood);
    m.AddBox({0.29f, 0.31f, 0.49f}, {0.71f, 0.71f, 0.535f}, cushion);
    // The back: two posts, a top rail and three slats.
    m.AddBox({0.26f, 0.25f, 0.49f}, {0.31f, 0.30f, 1.02f}, wood);
    m.AddBox({0.69f, 0.25f, 0.49f}, {0.74f, 0.30f, 1.02f}, wood);
    m.AddBox({0.25f, 0.245f, 0.90f}, {0.75f, 0.305f, 1.0f}, wood);
    for (int i = 0; i < 3; ++i) {
        const float x = 0.37f + 0.1f * i;
        m.AddBox({x, 0.26f, 0.53f}, {x + 0.05f, 0.29f, 0.90f}, wood);
    }
    FaceFront(m);
    return m;
}

Model FloorLampModel() {
    Model m;
    m.name = "Floor Lamp";
    const int brass = m.AddMaterial(Metal({196, 160, 84}));
    const int shade = m.AddMaterial(Material{{252, 226, 168}, 0.0f, 1.0f, 0.8f});
    m.AddCylinder({0.5f, 0.5f, 0.0f}, 0.035f, 0.17f, 0.15f, brass);
    m.AddCylinder({0.5f, 0.5f, 0.035f}, 0.09f, 0.05f, 0.025f, brass);
    m.AddCylinder({0.5f, 0.5f, 0.09f}, 1.32f, 0.018f, 0.018f, brass);
    m.AddCylinder({0.5f, 0.5f, 1.22f}, 1.58f, 0.25f, 0.15f, shade);
    m.AddCylinder({0.5f, 0.5f, 1.58f}, 1.62f, 0.02f, 0.02f, brass);
    m.hasGlow = true;
    m.glow = Glow{{0.5f, 0.5f, 1.40f}, 0.62f, {255, 196, 104}, 0.5f};
    return m;
}

Model GlassTableModel() {
    Model m;
    m.name = "Glass Coffee Table";
    const int chrome = m.AddMaterial(Metal({190, 196, 204}));
    const int glass = m.AddMaterial(Material{{168, 214, 226}, 0.9f, 0.28f, 0.0f});
    const int shelf = m.AddMaterial(Wood({96, 62, 40}));
    const int bookA = m.AddMaterial(Fabric({44, 84, 150}));
    const int bookB = m.AddMaterial(Fabric({222, 196, 92}));
    const int bookC = m.AddMaterial(Fabric({160, 52, 48}));
    const int vase = m.AddMaterial(Material{{40, 120, 160}, 0.6f, 1.0f, 0.0f});
    const int bloom = m.AddMaterial(Fabric({236, 110, 150}));
    for (float x : {0.17f, 0.83f}) {
        for (float y : {0.22f, 0.78f}) m.AddCylinder({x, y, 0}, 0.42f, 0.025f, 0.025f, chrome);
    }
    m.AddBox({0.17f, 0.24f, 0.12f}, {0.83f, 0.76f, 0.145f}, shelf);
    m.AddBox({0.26f, 0.34f, 0.145f}, {0.52f, 0.62f, 0.19f}, bookA);
    m.AddBox({0.28f, 0.36f, 0.19f}, {0.50f, 0.60f, 0.225f}, bookB);
    m.AddBox({0.58f, 0.30f, 0.145f}, {0.74f, 0.66f, 0.175f}, bookC);
    m.AddBox({0.12f, 0.17f, 0.42f}, {0.88f, 0.83f, 0.455f}, glass);
    m.AddCylinder({0.62f, 0.42f, 0.455f}, 0.62f, 0.05f, 0.035f, vase);
    m.AddSphere({0.62f, 0.42f, 0.66f}, 0.055f, bloom);
    return m;
}

Model SofaModel() {
    Model m;
    m.name = "Sofa";
    m.tilesX = 3;
    const int fabric = m.AddMaterial(Fabric({54, 118, 128}));
    const int cushion = m.AddMaterial(Fabric({70, 140, 150}));
    const int feet = m.AddMaterial(Wood({60, 38, 24}));
    const int pillow = m.AddMaterial(Fabric({226, 172, 60}));
    for (float x : {0.14f, 2.82f}) {
        for (float y : {0.2f, 0.76f}) m.AddCylinder({x, y, 0}, 0.08f, 0.03f, 0.025f, feet);
    }
    m.AddBox({0.08f, 0.15f, 0.08f}, {2.92f, 0.85f, 0.36f}, fabric);  // frame
    m.AddBox({0.08f, 0.15f, 0.36f}, {2.92f, 0.34f, 0.88f}, fabric);  // back
    m.AddBox({0.08f, 0.15f, 0.36f}, {0.30f, 0.85f, 0.62f}, fabric);  // arms
    m.AddBox({2.70f, 0.15f, 0.36f}, {2.92f, 0.85f, 0.62f}, fabric);
    for (int i = 0; i < 3; ++i) {
        const float x0 = 0.31f + 0.80f * i, x1 = x0 + 0.78f;
        m.AddBox({x0, 0.35f, 0.36f}, {x1, 0.84f, 0.48f}, cushion);                  // seat
        m.AddBox({x0 + 0.02f, 0.34f, 0.48f}, {x1 - 0.02f, 0.46f, 0.82f}, cushion);  // back cushion
    }
    m.AddSphere({0.48f, 0.52f, 0.58f}, 0.11f, pillow);
    FaceFront(m);
    return m;
}

Model FernModel() {
    Model m;
    m.name = "Potted Fern";
    const int pot = m.AddMaterial(Material{{184, 92, 52}, 0.1f, 1.0f, 0.0f});
    const int soil = m.AddMaterial(Fabric({62, 42, 30}));
    const int leafA = m.AddMaterial(Fabric({62, 136, 58}));
    const int leafB = m.AddMaterial(Fabric({92, 166, 70}));
    m.AddCylinder({0.5f, 0.5f, 0}, 0.30f, 0.14f, 0.19f, pot);
    m.AddCylinder({0.5f, 0.5f, 0.28f}, 0.34f, 0.205f, 0.205f, pot);
    m.AddCylinder({0.5f, 0.5f, 0.30f}, 0.33f, 0.18f, 0.18f, soil);
    // Fronds: arching chains of leaflets from the crown, outward and down.
    constexpr int kFronds = 9;
    constexpr int kLeaflets = 7;
    m.AddSphere({0.5f, 0.5f, 0.38f}, 0.1f, leafA);
    for (int f = 0; f < kFronds; ++f) {
        const float angle = 6.2831853f * f / kFronds + 0.3f * (f % 2);
        const float rise = 0.28f + 0.06f * (f % 3);
        for (int k = 1; k <= kLeaflets; ++k) {
            const float t = static_cast<float>(k) / kLeaflets;
            const float reach = 0.05f + 0.3f * t;
            const float height = 0.36f + rise * (2.2f * t - 1.6f * t * t);
            m.AddSphere({0.5f + reach * std::cos(angle), 0.5f + reach * std::sin(angle), height}, 0.05f - 0.022f * t,
                        (f + k) % 3 ? leafA : leafB);
        }
    }
    return m;
}

Model RubberPlantModel() {
    Model m;
    m.name = "Rubber Plant";
    const int pot = m.AddMaterial(Material{{236, 234, 228}, 0.5f, 1.0f, 0.0f});
    const int trunk = m.AddMaterial(Wood({104, 80, 56}));
    const int leaf = m.AddMaterial(Material{{38, 92, 50}, 0.45f, 1.0f, 0.0f});
    m.AddCylinder({0.5f, 0.5f, 0}, 0.36f, 0.15f, 0.17f, pot);
    m.AddCylinder({0.5f, 0.5f, 0.34f}, 1.25f, 0.03f, 0.02f, trunk);
    const float heights[] = {0.62f, 0.78f, 0.92f, 1.06f, 1.2f, 1.32f};
    for (int i = 0; i < 6; ++i) {
        const float angle = 2.2f * i;
        const float r = 0.13f - 0.01f * i;
        m.AddSphere({0.5f + r * std::cos(angle), 0.5f + r * std::sin(angle), heights[i]}, 0.12f - 0.008f * i, leaf);
    }
    return m;
}

Model BookcaseModel() {
    Model m;
    m.name = "Bookcase";
    const int wood = m.AddMaterial(Wood({120, 76, 44}));
    const Rgb spines[] = {{150, 40, 40}, {40, 70, 130}, {210, 180, 90}, {50, 110, 70}, {120, 60, 120}, {200, 120, 60}};
    int spine[6];
    for (int i = 0; i < 6; ++i) spine[i] = m.AddMaterial(Fabric(spines[i]));
    m.AddBox({0.10f, 0.55f, 0}, {0.90f, 0.70f, 1.5f}, wood);  // back
    m.AddBox({0.10f, 0.25f, 0}, {0.15f, 0.70f, 1.5f}, wood);  // sides
    m.AddBox({0.85f, 0.25f, 0}, {0.90f, 0.70f, 1.5f}, wood);
    m.AddBox({0.10f, 0.25f, 1.46f}, {0.90f, 0.70f, 1.52f}, wood);  // top
    for (int s = 0; s < 4; ++s) {
        const float z = 0.04f + 0.36f * s;
        m.AddBox({0.15f, 0.25f, z}, {0.85f, 0.70f, z + 0.04f}, wood);
        // Books standing on the shelf, a pattern that differs per shelf.
        float x = 0.17f;
        for (int b = 0; x < 0.80f; ++b) {
            const float w = 0.035f + 0.012f * ((b * 7 + s * 3) % 4);
            const float h = 0.22f + 0.03f * ((b * 5 + s) % 3);
            m.AddBox({x, 0.32f + 0.02f * (b % 2), z + 0.04f}, {x + w, 0.55f, z + 0.04f + h}, spine[(b + 2 * s) % 6]);
            x += w + 0.006f;
        }
    }
    return m;
}

Model ArmchairModel() {
    Model m;
    m.name = "Armchair";
    const int fabric = m.AddMaterial(Fabric({120, 128, 64}));
    const int feet = m.AddMaterial(Wood({70, 46, 30}));
    for (float x : {0.2f, 0.76f}) {
        for (float y : {0.2f, 0.76f}) m.AddBox({x, y, 0}, {x + 0.04f, y + 0.04f, 0.09f}, feet);
    }
    m.AddBox({0.18f, 0.18f, 0.09f}, {0.82f, 0.82f, 0.34f}, fabric);
    m.AddBox({0.18f, 0.18f, 0.34f}, {0.82f, 0.34f, 0.9f}, fabric);
    m.AddBox({0.18f, 0.18f, 0.34f}, {0.32f, 0.82f, 0.6f}, fabric);
    m.AddBox({0.68f, 0.18f, 0.34f}, {0.82f, 0.82f, 0.6f}, fabric);
    m.AddBox({0.33f, 0.35f, 0.34f}, {0.67f, 0.80f, 0.44f}, fabric);
    FaceFront(m);
    return m;
}

Model CrateModel(uint32_t variant) {
    Model m;
    m.name = "Crate";
    const uint8_t tone = static_cast<uint8_t>(110 + (variant * 37) % 90);
    const int wood = m.AddMaterial(Wood({tone, static_cast<uint8_t>(tone * 3 / 4), static_cast<uint8_t>(tone / 2)}));
    const int slat = m.AddMaterial(Wood(
        {static_cast<uint8_t>(tone * 4 / 5), static_cast<uint8_t>(tone * 3 / 5), static_cast<uint8_t>(tone * 2 / 5)}));
    m.AddBox({0.22f, 0.22f, 0}, {0.78f, 0.78f, 0.5f}, wood);
    m.AddBox({0.21f, 0.21f, 0.06f}, {0.79f, 0.79f, 0.11f}, slat);
    m.AddBox({0.21f, 0.21f, 0.39f}, {0.79f, 0.79f, 0.44f}, slat);
    return m;
}

}  // namespace tambrix::tools
