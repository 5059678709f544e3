#include "cli/PngWriter.h"

#include <png.h>

#include <cstdint>
#include <vector>

#include "platform/PlatformFile.h"

namespace tambrix::tools {

namespace {

// The encoded picture gathers in memory and is written whole at the end, so that a
// failure leaves an earlier file of the name as it was.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

void flushNothing(png_structp) {}

bool WritePng(const std::string& path, int width, int height, int colourType, const std::vector<uint8_t>& pixels,
              int bytesPerPixel, const std::vector<uint8_t>* paletteRgb) {
    if (width <= 0 || height <= 0) return false;
    if (pixels.size() < static_cast<size_t>(width) * height * bytesPerPixel) return false;
    std::vector<uint8_t> encoded;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_color> palette;
    // libpng reports its failures by jumping back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &encoded, appendBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletteRgb) {
        const size_t count = std::min<size_t>(paletteRgb->size() / 3, 256);
        for (size_t i = 0; i < count; ++i)
            palette.push_back(png_color{(*paletteRgb)[3 * i], (*paletteRgb)[3 * i + 1], (*paletteRgb)[3 * i + 2]});
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * bytesPerPixel;
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(pixels.data() + stride * y));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (encoded.size() > UINT32_MAX) return false;
    return platform::WriteWholeFile(path, {{encoded.data(), static_cast<uint32_t>(encoded.size())}});
}

}  // namespace

bool WritePngRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbTopDown) {
    return WritePng(path, width, height, PNG_COLOR_TYPE_RGB, rgbTopDown, 3, nullptr);
}

bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbaTopDown) {
    return WritePng(path, width, height, PNG_COLOR_TYPE_RGB_ALPHA, rgbaTopDown, 4, nullptr);
}

bool WritePngIndexed(const std::string& path, int width, int height, const std::vector<uint8_t>& indicesTopDown,
                     const std::vector<uint8_t>& paletteRgb) {
    // An index past the table would make a file that readers refuse.
    const size_t entries = std::min<size_t>(paletteRgb.size() / 3, 256);
    if (entries == 0) return false;
    for (size_t i = 0; i < static_cast<size_t>(width) * height && i < indicesTopDown.size(); ++i) {
        if (indicesTopDown[i] >= entries) return false;
    }
    return WritePng(path, width, height, PNG_COLOR_TYPE_PALETTE, indicesTopDown, 1, &paletteRgb);
}

}  // namespace tambrix::tools
