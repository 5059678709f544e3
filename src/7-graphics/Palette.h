#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/SystemPalette.h"

namespace tambrix {

struct DataBlock;

using PaletteEntry = platform::PaletteEntry;
using PaletteTable = std::array<PaletteEntry, platform::kPaletteSize>;

/// The colours that sprites and renders paint their 8-bit indices with: loaded from a
/// "PALT" chunk or built from a full 256-entry table, optionally keeping the display's
/// static colours in entries 0-9 and 246-255.
class Palette {
public:
    Palette() = default;

    /// Builds the entries from a "PALT" chunk. Only the colours the chunk really holds are
    /// taken: a count larger than the chunk gives the entries that fit.
    void LoadFromChunk(const uint8_t* data, uint32_t size);
    void LoadFromChunk(const DataBlock* chunk);

    /// Builds a 256-entry palette and its logical palette. With reserveSystemColours,
    /// entries 0-9 and 246-255 become the display's static colours.
    void BuildFromTable(const PaletteTable& table, bool reserveSystemColours);

    /// The index of the closest entry by the weighted distance 2·dr² + 4·dg² + db²; an
    /// exact match ends the search, ties keep the lower index. The display's static
    /// entries are never answered when they are reserved. 0 for a palette without entries.
    uint8_t NearestIndex(uint8_t red, uint8_t green, uint8_t blue) const;

    /// Deletes the logical palette and the entries.
    void Release();

    uint32_t Count() const { return static_cast<uint32_t>(mEntries.size()); }
    const std::vector<PaletteEntry>& Entries() const { return mEntries; }
    /// Entry `index`, or black (flags 0) beyond the entries held.
    PaletteEntry Entry(uint32_t index) const { return index < mEntries.size() ? mEntries[index] : PaletteEntry{}; }
    bool ReservesSystemColours() const { return mReservesSystemColours; }
    /// The display's logical palette; present only for a palette built from a full table.
    const std::optional<platform::LogicalPalette>& SystemPalette() const { return mSystemPalette; }

private:
    std::optional<platform::LogicalPalette> mSystemPalette;
    std::vector<PaletteEntry> mEntries;
    bool mReservesSystemColours = false;
};

/// A "PALT" chunk of the colours (red, green, blue of each entry; the flags are not stored).
std::vector<uint8_t> EncodePalette(const std::vector<PaletteEntry>& colours);

/// Entry i is (i, i, i).
PaletteTable GreyRampTable();
/// The depth view: entry i is (i, i, i), except black for 255 and every multiple of 4,
/// so that depth bands show as lines.
PaletteTable DepthViewTable();
/// The alpha view: entry i is (i, i, i).
PaletteTable AlphaViewTable();

/// The process-wide grey palette (entry i is (i, i, i), nothing reserved), built on the
/// first call. It colours every depth and alpha plane.
const Palette& GetGreyPalette();

}  // namespace tambrix
