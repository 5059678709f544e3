#include "ColourQuantizer.h"

#include <algorithm>

namespace tambrix::tools {

namespace {
struct Box {
    std::vector<int> bins;  // occupied bins
    uint64_t count = 0;
};
}  // namespace

void ColourQuantizer::Add(const std::vector<Rgb>& colours, const std::vector<uint8_t>& weights) {
    for (size_t i = 0; i < colours.size() && i < weights.size(); ++i) {
        if (weights[i] == 0) continue;
        const int bin = Bin(colours[i]);
        ++mCounts[bin];
        mSumR[bin] += colours[i].r;
        mSumG[bin] += colours[i].g;
        mSumB[bin] += colours[i].b;
    }
}

std::vector<Rgb> ColourQuantizer::BuildPalette() {
    auto channel = [](int bin, int c) { return (bin >> (kBits * (2 - c))) & (kSide - 1); };
    std::vector<Box> boxes(1);
    for (int bin = 0; bin < kBins; ++bin) {
        if (mCounts[bin] == 0) continue;
        boxes[0].bins.push_back(bin);
        boxes[0].count += mCounts[bin];
    }
    // Split the box with the most pixels times widest channel, at the median pixel,
    // until there are enough boxes or none can be split.
    while (static_cast<int>(boxes.size()) < kPaletteSize) {
        int best = -1, bestChannel = 0;
        uint64_t bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].bins.size() < 2) continue;
            for (int c = 0; c < 3; ++c) {
                int lo = kSide, hi = -1;
                for (int bin : boxes[i].bins) {
                    lo = std::min(lo, channel(bin, c));
                    hi = std::max(hi, channel(bin, c));
                }
                const uint64_t score = boxes[i].count * static_cast<uint64_t>(hi - lo);
                if (hi > lo && score > bestScore) {
                    bestScore = score;
                    best = static_cast<int>(i);
                    bestChannel = c;
                }
            }
        }
        if (best < 0) break;
        Box& box = boxes[best];
        std::stable_sort(box.bins.begin(), box.bins.end(),
                         [&](int l, int r) { return channel(l, bestChannel) < channel(r, bestChannel); });
        uint64_t running = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.bins.size(); ++i) {
            running += mCounts[box.bins[i]];
            cut = i + 1;
            if (running * 2 >= box.count) break;
        }
        Box upper;
        upper.bins.assign(box.bins.begin() + static_cast<std::ptrdiff_t>(cut), box.bins.end());
        box.bins.resize(cut);
        box.count = 0;
        for (int bin : box.bins) box.count += mCounts[bin];
        for (int bin : upper.bins) upper.count += mCounts[bin];
        boxes.push_back(std::move(upper));
    }

    mPalette.assign(kPaletteSize, Rgb{255, 255, 255});
    size_t used = 0;
    for (const Box& box : boxes) {
        if (box.count == 0) continue;
        uint64_t r = 0, g = 0, b = 0;
        for (int bin : box.bins) {
            r += mSumR[bin];
            g += mSumG[bin];
            b += mSumB[bin];
        }
        mPalette[used++] = Rgb{static_cast<uint8_t>(r / box.count), static_cast<uint8_t>(g / box.count),
                               static_cast<uint8_t>(b / box.count)};
    }
    if (used == 0) used = 1;
    mLookup.assign(kBins, 0);
    for (int bin = 0; bin < kBins; ++bin) {
        const int r = (channel(bin, 0) << 3) + 4, g = (channel(bin, 1) << 3) + 4, b = (channel(bin, 2) << 3) + 4;
        int best = 0;
        int bestDistance = INT32_MAX;
        for (size_t i = 0; i < used; ++i) {
            const int dr = r - mPalette[i].r, dg = g - mPalette[i].g, db = b - mPalette[i].b;
            const int distance = 2 * dr * dr + 4 * dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<int>(i);
            }
        }
        mLookup[bin] = static_cast<uint8_t>(best);
    }
    return mPalette;
}

uint8_t ColourQuantizer::Index(Rgb c) const { return mLookup.empty() ? 0 : mLookup[Bin(c)]; }

}  // namespace tambrix::tools
