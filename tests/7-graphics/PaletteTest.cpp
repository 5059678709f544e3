#include <gtest/gtest.h>

#include "graphics/Palette.h"

using namespace tambrix;

namespace {

Palette fromChunk(const std::vector<uint8_t>& chunk, size_t size) {
    Palette p;
    p.LoadFromChunk(chunk.data(), static_cast<uint32_t>(size));
    return p;
}

TEST(Palette, LoadTakesTheTripletsTheChunkReallyHolds) {
    Palette two = fromChunk(EncodePalette({{10, 20, 30}, {40, 50, 60}}), 22);
    ASSERT_EQ(two.Count(), 2u);
    EXPECT_EQ(two.Entry(1), (PaletteEntry{40, 50, 60, 0}));
    EXPECT_FALSE(two.SystemPalette());
    // A count of a billion over one and a half triplets, and chunks cut inside the header.
    auto lying = EncodePalette({{1, 2, 3}});
    lying.insert(lying.end(), {4, 5});
    lying[4] = 0x00, lying[5] = 0xCA, lying[6] = 0x9A, lying[7] = 0x3B;
    Palette p = fromChunk(lying, lying.size());
    ASSERT_EQ(p.Count(), 1u);
    EXPECT_EQ(p.Entry(1), (PaletteEntry{}));  // beyond the entries: black
    for (size_t size : {0u, 7u, 15u}) EXPECT_EQ(fromChunk(lying, size).Count(), 0u) << size;
}

TEST(Palette, BuildFlagsReservesDisplayColoursAndLoadingDropsThem) {
    Palette own, reserved;
    own.BuildFromTable(GreyRampTable(), false);
    ASSERT_EQ(own.Count(), 256u);
    EXPECT_EQ(own.Entry(77), (PaletteEntry{77, 77, 77, 5}));
    ASSERT_TRUE(own.SystemPalette());
    EXPECT_EQ(own.SystemPalette()->version, 0x300);

    reserved.BuildFromTable(GreyRampTable(), true);
    const std::pair<int, PaletteEntry> entries[] = {{0, {0, 0, 0, 0}},         {9, {166, 202, 240, 0}},
                                                    {10, {10, 10, 10, 4}},     {245, {245, 245, 245, 4}},
                                                    {246, {255, 251, 240, 0}}, {255, {255, 255, 255, 0}}};
    for (auto [i, e] : entries) EXPECT_EQ(reserved.Entry(i), e) << i;
    // The reserved range is never the nearest colour; white itself sits in entry 255.
    EXPECT_EQ(reserved.NearestIndex(255, 255, 255), 245);
    EXPECT_EQ(reserved.NearestIndex(0, 0, 0), 10);
    EXPECT_EQ(reserved.NearestIndex(128, 128, 128), 128);

    reserved.LoadFromChunk(EncodePalette({{9, 9, 9}}).data(), 19);
    EXPECT_FALSE(reserved.SystemPalette());
    EXPECT_FALSE(reserved.ReservesSystemColours());
}

// Distances are weighted, and ties go to the lower index.
TEST(Palette, NearestWeighsTheChannels) {
    const std::tuple<int, PaletteEntry, int, PaletteEntry, int> cases[] = {
        {20, {100, 100, 110, 0}, 30, {100, 105, 100, 0}, 20},  // both at 100 from (100,100,100)
        {20, {100, 105, 100, 0}, 30, {100, 100, 110, 0}, 20},
        {40, {106, 100, 100, 0}, 50, {100, 100, 108, 0}, 50},  // 64 beats 72 though its raw difference is larger
    };
    for (auto [i, a, j, b, nearest] : cases) {
        PaletteTable t{};
        t[i] = a, t[j] = b;
        Palette p;
        p.BuildFromTable(t, false);
        EXPECT_EQ(p.NearestIndex(100, 100, 100), nearest);
    }
}

}  // namespace
