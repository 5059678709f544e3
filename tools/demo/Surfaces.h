#pragma once

// The flat pictures of the demo folder: wallpaper segments, floor tiles, interface
// icons and plain images, drawn procedurally. Sprites come in palette indices of the
// palette that goes with them.

#include <memory>
#include <vector>

#include "demo/IsoPainter.h"
#include "platform/Bitmap.h"

namespace tambrix::tools {

/// The four wall pieces of one zoom: "Left", "Right", "Facing", "Insert".
std::vector<SpriteImage> PaintWallFrames(int zoom);
std::vector<Rgb> WallPalette();

/// One floor tile (a diamond) of one zoom: parquet.
SpriteImage PaintFloorTile(int zoom);
std::vector<Rgb> FloorPalette();

/// Two interface icons of 32 x 32, a gold coin and a green diamond, each as a normal and
/// a highlighted frame; one palette serves both.
enum class Icon { Coin, Diamond };
std::vector<SpriteImage> PaintIcon(Icon icon);
std::vector<Rgb> IconPalette();

/// A 24-bit picture: a sunset over hills.
std::unique_ptr<platform::Bitmap> PaintSunset(int width, int height);

/// An 8-bit picture: a grid of colour swatches over a colour cube and a grey ramp.
std::unique_ptr<platform::Bitmap> PaintSwatches(int width, int height);

}  // namespace tambrix::tools
