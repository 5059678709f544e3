#pragma once

// The display's palette services, standing in for the palette calls of a palette-based
// display. This host has no such display, so the static colours are the classic fixed
// set of twenty that such a display reserves for itself.

#include <array>
#include <cstdint>

namespace tambrix::platform {

/// One palette entry as the display keeps it: red, green, blue, flags.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

/// Flags of a logical palette entry.
inline constexpr uint8_t kPaletteReserved = 0x01;    ///< the entry may be animated
inline constexpr uint8_t kPaletteNoCollapse = 0x04;  ///< never mapped onto an existing system entry

inline constexpr int kPaletteSize = 256;
/// The display keeps entries 0-9 and 246-255 for itself.
inline constexpr int kStaticColoursLow = 10;
inline constexpr int kStaticColoursHighStart = 246;

/// The display's current system palette: its twenty static colours in entries 0-9 and
/// 246-255 (flags 0); the entries between are black.
std::array<PaletteEntry, kPaletteSize> SystemPaletteEntries();

/// A logical palette as handed to the display: a version word and its entries.
struct LogicalPalette {
    static constexpr uint16_t kVersion = 0x300;
    uint16_t version = kVersion;
    std::array<PaletteEntry, kPaletteSize> entries{};
};

}  // namespace tambrix::platform
