#include "cli/PngWriter.h"

#include <algorithm>

#include "graphics/PngFile.h"

namespace tambrix::tools {

namespace {

bool Write(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels) {
    if (width <= 0 || height <= 0) return false;
    const size_t count = static_cast<size_t>(width) * height * channels;
    if (pixels.size() < count) return false;
    PngImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));
    return WritePngFile(path, image).Ok();
}

}  // namespace

bool WritePngRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbTopDown) {
    return Write(path, width, height, 3, rgbTopDown);
}

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbaTopDown) {
    return Write(path, width, height, 4, rgbaTopDown);
}

bool WritePngIndexed(const std::string& path, int width, int height, const std::vector<uint8_t>& indicesTopDown,
                     const std::vector<uint8_t>& paletteRgb) {
    // Stored as the colours the indices stand for: the same pixels in every reader.
    const size_t entries = std::min<size_t>(paletteRgb.size() / 3, 256);
    if (entries == 0 || width <= 0 || height <= 0) return false;
    const size_t count = static_cast<size_t>(width) * height;
    if (indicesTopDown.size() < count) return false;
    std::vector<uint8_t> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        const size_t index = indicesTopDown[i];
        if (index >= entries) return false;  // an index past the table names no colour
        std::copy_n(&paletteRgb[3 * index], 3, &rgb[3 * i]);
    }
    return Write(path, width, height, 3, rgb);
}

}  // namespace tambrix::tools
