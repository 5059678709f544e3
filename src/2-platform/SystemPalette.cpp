#include "platform/SystemPalette.h"

namespace tambrix::platform {

namespace {
// The twenty static colours of a 256-colour display, in system palette order.
constexpr PaletteEntry kLowStatic[kStaticColoursLow] = {
    {0, 0, 0, 0},     {128, 0, 0, 0},   {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
};
constexpr PaletteEntry kHighStatic[kPaletteSize - kStaticColoursHighStart] = {
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0}, {255, 255, 255, 0},
};
}  // namespace

std::array<PaletteEntry, kPaletteSize> SystemPaletteEntries() {
    std::array<PaletteEntry, kPaletteSize> entries{};
    for (int i = 0; i < kStaticColoursLow; ++i) entries[i] = kLowStatic[i];
    for (int i = kStaticColoursHighStart; i < kPaletteSize; ++i) entries[i] = kHighStatic[i - kStaticColoursHighStart];
    return entries;
}

}  // namespace tambrix::platform
