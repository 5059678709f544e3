#include "graphics/Palette.h"

#include <algorithm>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/DataBlock.h"

namespace tambrix {

namespace {
// "PALT" chunk, integers little-endian:
//   0  u32  version (not read)
//   4  u32  entry count N
//   8  8    not read
//  16  3·N  red, green, blue per entry
constexpr uint32_t kPaltVersion = 1;
constexpr uint32_t kPaltCountOffset = 4;
constexpr uint32_t kPaltEntriesOffset = 16;
constexpr uint32_t kPaltBytesPerEntry = 3;

// Flags of a palette built without the display's colours: free to animate, never collapsed.
constexpr uint8_t kOwnEntryFlags = platform::kPaletteReserved | platform::kPaletteNoCollapse;

constexpr int kLastIndex = platform::kPaletteSize - 1;
constexpr int kDepthBandStep = 4;

int weightedDistance(const PaletteEntry& e, int red, int green, int blue) {
    const int dr = red - e.red;
    const int dg = green - e.green;
    const int db = blue - e.blue;
    return 2 * dr * dr + 4 * dg * dg + db * db;
}
}  // namespace

std::vector<uint8_t> EncodePalette(const std::vector<PaletteEntry>& colours) {
    ByteWriter w;
    w.U32(kPaltVersion).U32(static_cast<uint32_t>(colours.size()));
    w.Fill(kPaltEntriesOffset - w.Size(), 0);
    for (const PaletteEntry& c : colours) w.U8(c.red).U8(c.green).U8(c.blue);
    return w.Take();
}

void Palette::Release() {
    mSystemPalette.reset();
    mEntries.clear();
    mEntries.shrink_to_fit();
    mReservesSystemColours = false;
}

void Palette::LoadFromChunk(const uint8_t* data, uint32_t size) {
    Release();
    ByteReader reader(data, size);
    reader.Seek(kPaltCountOffset);
    const uint32_t count = reader.U32();
    if (reader.Failed() || size < kPaltEntriesOffset) return;
    // The count comes from the file: take no more entries than the chunk holds.
    const uint32_t available = (size - kPaltEntriesOffset) / kPaltBytesPerEntry;
    const uint32_t taken = std::min(count, available);
    mEntries.resize(taken);
    const uint8_t* p = data + kPaltEntriesOffset;
    for (uint32_t i = 0; i < taken; ++i, p += kPaltBytesPerEntry) mEntries[i] = PaletteEntry{p[0], p[1], p[2], 0};
}

void Palette::LoadFromChunk(const DataBlock* chunk) {
    if (!chunk) {
        Release();
        return;
    }
    LoadFromChunk(chunk->data, chunk->size);
}

void Palette::BuildFromTable(const PaletteTable& table, bool reserveSystemColours) {
    Release();
    mEntries.assign(table.begin(), table.end());
    mReservesSystemColours = reserveSystemColours;
    if (!reserveSystemColours) {
        for (auto& e : mEntries) e.flags = kOwnEntryFlags;
    } else {
        const auto system = platform::SystemPaletteEntries();
        for (int i = 0; i < platform::kPaletteSize; ++i) {
            const bool isStatic = i < platform::kStaticColoursLow || i >= platform::kStaticColoursHighStart;
            if (isStatic) {
                mEntries[i] = system[i];
                mEntries[i].flags = 0;
            } else {
                mEntries[i].flags = platform::kPaletteNoCollapse;
            }
        }
    }
    platform::LogicalPalette logical;
    std::copy(mEntries.begin(), mEntries.end(), logical.entries.begin());
    mSystemPalette = logical;
}

uint8_t Palette::NearestIndex(uint8_t red, uint8_t green, uint8_t blue) const {
    int first = 0;
    int last = kLastIndex;
    if (mReservesSystemColours) {
        first = platform::kStaticColoursLow;
        last = platform::kStaticColoursHighStart - 1;
    }
    // A palette loaded from a short chunk has fewer entries: search only those.
    last = std::min(last, static_cast<int>(mEntries.size()) - 1);
    if (last < first) return 0;

    int best = first;
    int bestDistance = weightedDistance(mEntries[first], red, green, blue);
    for (int i = first + 1; i <= last; ++i) {
        const PaletteEntry& e = mEntries[i];
        if (e.red == red && e.green == green && e.blue == blue) return static_cast<uint8_t>(i);
        const int distance = weightedDistance(e, red, green, blue);
        if (distance < bestDistance) {  // ties keep the lower index
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<uint8_t>(best);
}

PaletteTable GreyRampTable() {
    PaletteTable table{};
    for (int i = 0; i < platform::kPaletteSize; ++i) {
        const auto v = static_cast<uint8_t>(i);
        table[i] = PaletteEntry{v, v, v, 0};
    }
    return table;
}

PaletteTable DepthViewTable() {
    PaletteTable table = GreyRampTable();
    for (int i = 0; i < platform::kPaletteSize; ++i) {
        if (i == kLastIndex || i % kDepthBandStep == 0) table[i] = PaletteEntry{0, 0, 0, 0};
    }
    return table;
}

PaletteTable AlphaViewTable() { return GreyRampTable(); }

const Palette& GetGreyPalette() {
    static const Palette grey = [] {
        Palette p;
        p.BuildFromTable(GreyRampTable(), false);
        return p;
    }();
    return grey;
}

}  // namespace tambrix
