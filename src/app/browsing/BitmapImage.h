#pragma once

// Between the library's bitmaps (bottom-up rows padded to 4 bytes, BGR or indexed)
// and Qt's images, for the screen and for bitmap files read from disk.

#include <QImage>
#include <memory>

#include "platform/Bitmap.h"

namespace tambrix::app {

/// An image for the screen: 8-bit pictures keep their colour table, 16-bit depth
/// buffers show as grey. Null for a bitmap of another depth.
QImage ToImage(const platform::Bitmap& bitmap);

/// A library bitmap of an image: indexed images (up to 256 colours) become 8-bit with
/// their colour table, every other image 24-bit. Null when the bitmap cannot be made.
std::unique_ptr<platform::Bitmap> FromImage(const QImage& image);

}  // namespace tambrix::app
