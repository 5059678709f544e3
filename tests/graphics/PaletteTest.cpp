#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/Palette.h"
#include "platform/SystemPalette.h"

using namespace tambrix;

namespace {

// A "PALT" chunk: version, count N, 8 unused bytes, then N red/green/blue triplets.
std::vector<uint8_t> paltChunk(uint32_t count, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> bytes = {
        1, 0, 0, 0,  // version (not read)
        static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count >> 16),
        static_cast<uint8_t>(count >> 24),  // entry count
        0, 0, 0, 0, 0, 0, 0, 0,             // not read
    };
    bytes.insert(bytes.end(), rgb.begin(), rgb.end());
    return bytes;
}

// A 256-entry table of one colour, with chosen entries overridden.
PaletteTable uniformTable(PaletteEntry fill) {
    PaletteTable t;
    t.fill(fill);
    return t;
}

}  // namespace

TEST(PaletteLoad, ReadsTripletsRedGreenBlueWithFlagsCleared) {
    auto chunk = paltChunk(2, {10, 20, 30, 40, 50, 60});
    Palette p;
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(chunk.size()));
    ASSERT_EQ(p.Count(), 2u);
    EXPECT_EQ(p.Entry(0), (PaletteEntry{10, 20, 30, 0}));
    EXPECT_EQ(p.Entry(1), (PaletteEntry{40, 50, 60, 0}));
    EXPECT_FALSE(p.ReservesSystemColours());
    EXPECT_FALSE(p.SystemPalette().has_value());
}

TEST(PaletteLoad, ZeroCountGivesNoEntries) {
    auto chunk = paltChunk(0, {});
    Palette p;
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(chunk.size()));
    EXPECT_EQ(p.Count(), 0u);
    EXPECT_EQ(p.NearestIndex(1, 2, 3), 0);
}

TEST(PaletteLoad, CountLargerThanChunkTakesOnlyWholeEntriesPresent) {
    // Claims a billion entries but holds one and a half.
    auto chunk = paltChunk(1000000000u, {1, 2, 3, 4, 5});
    Palette p;
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(chunk.size()));
    ASSERT_EQ(p.Count(), 1u);
    EXPECT_EQ(p.Entry(0), (PaletteEntry{1, 2, 3, 0}));
    EXPECT_EQ(p.Entry(1), (PaletteEntry{}));  // beyond the entries: black
}

TEST(PaletteLoad, ChunkShorterThanHeaderGivesNoEntries) {
    auto chunk = paltChunk(4, {});
    for (uint32_t size : {0u, 3u, 8u, 15u}) {
        Palette p;
        p.LoadFromChunk(chunk.data(), size);
        EXPECT_EQ(p.Count(), 0u) << "size " << size;
    }
}

TEST(PaletteLoad, ReloadReplacesTheBuiltTableAndItsLogicalPalette) {
    Palette p;
    p.BuildFromTable(GreyRampTable(), true);
    ASSERT_TRUE(p.SystemPalette().has_value());
    auto chunk = paltChunk(1, {9, 9, 9});
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(chunk.size()));
    EXPECT_EQ(p.Count(), 1u);
    EXPECT_FALSE(p.SystemPalette().has_value());
    EXPECT_FALSE(p.ReservesSystemColours());
}

TEST(PaletteBuild, WithoutReservedColoursEveryEntryIsOwnAndAnimatable) {
    Palette p;
    p.BuildFromTable(GreyRampTable(), false);
    ASSERT_EQ(p.Count(), 256u);
    for (uint32_t i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        ASSERT_EQ(p.Entry(i), (PaletteEntry{v, v, v, 5})) << i;
    }
    ASSERT_TRUE(p.SystemPalette().has_value());
    EXPECT_EQ(p.SystemPalette()->version, 0x300);
    EXPECT_EQ(p.SystemPalette()->entries[77], p.Entry(77));
}

TEST(PaletteBuild, ReservedColoursComeFromTheDisplayWithFlagsZero) {
    Palette p;
    p.BuildFromTable(uniformTable({1, 2, 3, 0}), true);
    const auto system = platform::SystemPaletteEntries();
    for (int i = 0; i < 256; ++i) {
        const bool isStatic = i < 10 || i >= 246;
        if (isStatic) {
            EXPECT_EQ(p.Entry(i), system[i]) << i;
            EXPECT_EQ(p.Entry(i).flags, 0) << i;
        } else {
            EXPECT_EQ(p.Entry(i), (PaletteEntry{1, 2, 3, 4})) << i;
        }
    }
    // The classic static set: black first, white last.
    EXPECT_EQ(system[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(system[255], (PaletteEntry{255, 255, 255, 0}));
}

TEST(PaletteNearest, ReservedRangeIsNeverReturned) {
    Palette p;
    p.BuildFromTable(uniformTable({100, 100, 100, 0}), true);
    // White and black are exact matches only in the reserved entries.
    EXPECT_EQ(p.NearestIndex(255, 255, 255), 10);
    EXPECT_EQ(p.NearestIndex(0, 0, 0), 10);
    Palette grey;
    grey.BuildFromTable(GreyRampTable(), true);
    EXPECT_EQ(grey.NearestIndex(255, 255, 255), 245);
    EXPECT_EQ(grey.NearestIndex(0, 0, 0), 10);
    EXPECT_EQ(grey.NearestIndex(128, 128, 128), 128);
}

TEST(PaletteNearest, FirstExactMatchAfterTheStartWins) {
    PaletteTable t = uniformTable({0, 0, 0, 0});
    t[0] = {50, 60, 70, 0};
    t[7] = {50, 60, 70, 0};
    t[9] = {50, 60, 70, 0};
    Palette p;
    p.BuildFromTable(t, false);
    EXPECT_EQ(p.NearestIndex(50, 60, 70), 7);

    t[7] = t[9] = {0, 0, 0, 0};
    p.BuildFromTable(t, false);
    EXPECT_EQ(p.NearestIndex(50, 60, 70), 0);
}

TEST(PaletteNearest, WeightedTiesKeepTheLowerIndex) {
    // For (100,100,100): (100,100,110) and (100,105,100) both lie at distance 100.
    PaletteTable t = uniformTable({0, 0, 0, 0});
    t[20] = {100, 100, 110, 0};
    t[30] = {100, 105, 100, 0};
    Palette p;
    p.BuildFromTable(t, false);
    EXPECT_EQ(p.NearestIndex(100, 100, 100), 20);
    std::swap(t[20], t[30]);
    p.BuildFromTable(t, false);
    EXPECT_EQ(p.NearestIndex(100, 100, 100), 20);
}

TEST(PaletteNearest, WeightedDistanceBeatsRawDifference) {
    // (100,100,108) lies at 64, (106,100,100) at 72 although its raw difference is smaller.
    PaletteTable t = uniformTable({0, 0, 0, 0});
    t[40] = {106, 100, 100, 0};
    t[50] = {100, 100, 108, 0};
    Palette p;
    p.BuildFromTable(t, false);
    EXPECT_EQ(p.NearestIndex(100, 100, 100), 50);
}

TEST(PaletteNearest, ShortPaletteSearchesOnlyItsEntries) {
    auto chunk = paltChunk(3, {0, 0, 0, 200, 0, 0, 0, 0, 200});
    Palette p;
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(chunk.size()));
    EXPECT_EQ(p.NearestIndex(255, 255, 255), 1);  // a blue difference weighs least
    EXPECT_EQ(p.NearestIndex(10, 0, 190), 2);
}

TEST(PaletteTables, DepthViewBlacksOutBandsAndTheNoPixelValue) {
    const auto depth = DepthViewTable();
    EXPECT_EQ(depth[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(depth[1], (PaletteEntry{1, 1, 1, 0}));
    EXPECT_EQ(depth[4], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(depth[254], (PaletteEntry{254, 254, 254, 0}));
    EXPECT_EQ(depth[255], (PaletteEntry{0, 0, 0, 0}));
    const auto alpha = AlphaViewTable();
    EXPECT_EQ(alpha[255], (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(alpha[31], (PaletteEntry{31, 31, 31, 0}));
}

TEST(PaletteTables, GreyPaletteIsSharedAndUnreserved) {
    const Palette& a = GetGreyPalette();
    const Palette& b = GetGreyPalette();
    EXPECT_EQ(&a, &b);
    EXPECT_FALSE(a.ReservesSystemColours());
    ASSERT_EQ(a.Count(), 256u);
    EXPECT_EQ(a.Entry(200), (PaletteEntry{200, 200, 200, 5}));
    EXPECT_EQ(a.NearestIndex(0, 0, 0), 0);
}
