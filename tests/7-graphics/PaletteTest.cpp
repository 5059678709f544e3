#include <gtest/gtest.h>

#include "graphics/Palette.h"
#include "support/SpriteBuilders.h"

using namespace tambrix;
using namespace tambrix::testing;

namespace {

Palette fromChunk(const std::vector<uint8_t>& chunk, uint32_t size) {
    Palette p;
    p.LoadFromChunk(chunk.data(), size);
    return p;
}
Palette fromChunk(const std::vector<uint8_t>& chunk) { return fromChunk(chunk, static_cast<uint32_t>(chunk.size())); }

// A 256-entry table of black with chosen entries set.
Palette built(std::initializer_list<std::pair<int, PaletteEntry>> entries, bool reserve = false) {
    PaletteTable t{};
    for (auto [i, e] : entries) t[i] = e;
    Palette p;
    p.BuildFromTable(t, reserve);
    return p;
}

TEST(PaletteLoad, TakesTheTripletsTheChunkReallyHolds) {
    Palette two = fromChunk(EncodePalette({{10, 20, 30}, {40, 50, 60}}));
    ASSERT_EQ(two.Count(), 2u);
    EXPECT_EQ(two.Entry(1), (PaletteEntry{40, 50, 60, 0}));
    EXPECT_FALSE(two.SystemPalette());
    EXPECT_EQ(fromChunk(EncodePalette({})).Count(), 0u);

    // A count of a billion over one and a half triplets, and chunks cut inside the header.
    auto lying = EncodePalette({{1, 2, 3}});
    lying.insert(lying.end(), {4, 5});
    lying[4] = 0x00;
    lying[5] = 0xCA;
    lying[6] = 0x9A;
    lying[7] = 0x3B;
    Palette p = fromChunk(lying);
    ASSERT_EQ(p.Count(), 1u);
    EXPECT_EQ(p.Entry(1), (PaletteEntry{}));  // beyond the entries: black
    for (uint32_t size : {0u, 7u, 15u}) EXPECT_EQ(fromChunk(lying, size).Count(), 0u) << size;
}

TEST(PaletteBuild, FlagsAndReservedDisplayColours) {
    Palette own;
    own.BuildFromTable(GreyRampTable(), false);
    ASSERT_EQ(own.Count(), 256u);
    EXPECT_EQ(own.Entry(77), (PaletteEntry{77, 77, 77, 5}));
    ASSERT_TRUE(own.SystemPalette());
    EXPECT_EQ(own.SystemPalette()->version, 0x300);

    Palette reserved;
    reserved.BuildFromTable(GreyRampTable(), true);
    EXPECT_EQ(reserved.Entry(0), (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(reserved.Entry(9), (PaletteEntry{166, 202, 240, 0}));
    EXPECT_EQ(reserved.Entry(10), (PaletteEntry{10, 10, 10, 4}));
    EXPECT_EQ(reserved.Entry(245), (PaletteEntry{245, 245, 245, 4}));
    EXPECT_EQ(reserved.Entry(246), (PaletteEntry{255, 251, 240, 0}));
    EXPECT_EQ(reserved.Entry(255), (PaletteEntry{255, 255, 255, 0}));

    // Loading a chunk over a built palette drops the logical palette and the reservation.
    reserved.LoadFromChunk(EncodePalette({{9, 9, 9}}).data(), 19);
    EXPECT_FALSE(reserved.SystemPalette());
    EXPECT_FALSE(reserved.ReservesSystemColours());
}

TEST(PaletteNearest, ReservedRangeIsNeverReturned) {
    Palette grey;
    grey.BuildFromTable(GreyRampTable(), true);
    EXPECT_EQ(grey.NearestIndex(255, 255, 255), 245);  // white itself sits in entry 255
    EXPECT_EQ(grey.NearestIndex(0, 0, 0), 10);
    EXPECT_EQ(grey.NearestIndex(128, 128, 128), 128);
}

TEST(PaletteNearest, WeightedDistanceAndTies) {
    // For (100,100,100): (100,100,110) and (100,105,100) both lie at 100; the lower index wins.
    EXPECT_EQ(built({{20, {100, 100, 110, 0}}, {30, {100, 105, 100, 0}}}).NearestIndex(100, 100, 100), 20);
    EXPECT_EQ(built({{20, {100, 105, 100, 0}}, {30, {100, 100, 110, 0}}}).NearestIndex(100, 100, 100), 20);
    // (100,100,108) at 64 beats (106,100,100) at 72 although its raw difference is larger.
    EXPECT_EQ(built({{40, {106, 100, 100, 0}}, {50, {100, 100, 108, 0}}}).NearestIndex(100, 100, 100), 50);
}

}  // namespace
