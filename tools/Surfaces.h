#pragma once

// The flat pictures of the demo folder: wallpaper segments, floor tiles, interface
// icons and plain images, drawn procedurally.

#include <cstdint>
#include <vector>

#include "IsoPainter.h"

namespace tambrix::tools {

/// The four wall pieces of one zoom: "Left", "Right", "Facing", "Insert".
std::vector<RgbaFrame> PaintWallFrames(int zoom);
inline const char* const kWallFrameLabels[4] = {"Left", "Right", "Facing", "Insert"};

/// One floor tile (a diamond) of one zoom: parquet.
RgbaFrame PaintFloorTile(int zoom);

/// Two interface icons of 32 x 32, each as a normal and a highlighted frame.
std::vector<RgbaFrame> PaintCoinIcon();
std::vector<RgbaFrame> PaintDiamondIcon();

/// A 24-bit picture: a sunset over hills, rows top first.
std::vector<Rgb> PaintSunset(int width, int height);

/// An 8-bit picture: a grid of colour swatches. `palette` receives 256 colours,
/// the result one index per pixel, rows top first.
std::vector<uint8_t> PaintSwatches(int width, int height, std::vector<Rgb>& palette);

}  // namespace tambrix::tools
