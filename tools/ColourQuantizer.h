#pragma once

// Turns the true-colour pictures of one object into palette indices: a median cut over
// every colour the object uses gives its 256-entry palette.

#include <array>
#include <cstdint>
#include <vector>

#include "ResourceEncoders.h"

namespace tambrix::tools {

inline constexpr int kPaletteSize = 256;

class ColourQuantizer {
public:
    /// Counts the colours of pixels whose weight (alpha) is not 0.
    void Add(const std::vector<Rgb>& colours, const std::vector<uint8_t>& weights);
    /// Builds the palette (at most 256 colours, always 256 entries) and the lookup.
    std::vector<Rgb> BuildPalette();
    /// The palette index of the entry closest to c; BuildPalette first.
    uint8_t Index(Rgb c) const;

private:
    static constexpr int kBits = 5;
    static constexpr int kSide = 1 << kBits;
    static constexpr int kBins = kSide * kSide * kSide;
    static int Bin(Rgb c) { return ((c.r >> 3) << (2 * kBits)) | ((c.g >> 3) << kBits) | (c.b >> 3); }

    std::vector<uint32_t> mCounts = std::vector<uint32_t>(kBins, 0);
    std::vector<uint64_t> mSumR = std::vector<uint64_t>(kBins, 0);
    std::vector<uint64_t> mSumG = std::vector<uint64_t>(kBins, 0);
    std::vector<uint64_t> mSumB = std::vector<uint64_t>(kBins, 0);
    std::vector<uint8_t> mLookup;
    std::vector<Rgb> mPalette;
};

}  // namespace tambrix::tools
