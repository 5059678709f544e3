#pragma once
// PNG pictures: 8-bit grey, RGB and RGBA, read and written by the library itself (the
// sprite export and import, the command-line tool's pictures). Reading is bounded: the
// size the header states is checked against a cap before anything is decoded, and every
// allocation of the decoder is capped too, so a damaged or hostile file gives an error,
// never a crash or a huge allocation.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tambrix {

/// Largest width or height read or written.
inline constexpr int32_t kMaxPngSide = 16384;
/// Largest width times height read.
inline constexpr int64_t kMaxPngPixels = int64_t{4096} * 4096;
/// Largest width times height written: every picture the bitmap caps allow.
inline constexpr int64_t kMaxPngWrittenPixels = int64_t{8192} * 8192;
/// Largest PNG file read.
inline constexpr uint32_t kMaxPngFileBytes = 256u << 20;

/// A picture of `channels` bytes a pixel (1 grey, 3 red green blue, 4 with alpha), rows
/// top first, no padding.
struct PngImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    std::vector<uint8_t> pixels;

    PngImage() = default;
    PngImage(int32_t w, int32_t h, int32_t c)
        : width(w), height(h), channels(c), pixels(static_cast<size_t>(w) * h * c, 0) {}
    uint8_t* At(int32_t x, int32_t y) { return &pixels[(static_cast<size_t>(y) * width + x) * channels]; }
    const uint8_t* At(int32_t x, int32_t y) const {
        return &pixels[(static_cast<size_t>(y) * width + x) * channels];
    }
};

/// The outcome of a PNG read or write: a result code and, on failure, why.
struct PngResult {
    int32_t code = 0;   ///< rc::kOk, or the reason's code
    std::string error;  ///< empty on success
    bool Ok() const { return code == 0; }
};

/// Width and height from the header of PNG bytes; false when the bytes do not start
/// with a PNG signature and header chunk.
bool ReadPngHeader(const uint8_t* data, size_t size, int32_t& width, int32_t& height);

/// Decodes PNG bytes of any colour type and depth into `channels` (1, 3 or 4) bytes a
/// pixel (grey is taken as the mean of red, green and blue weighted as PNG readers do;
/// a picture without alpha reads as opaque). Refuses pictures over the caps before
/// decoding them.
PngResult DecodePng(const uint8_t* data, size_t size, int32_t channels, PngImage& out);

/// The PNG bytes of a picture (channels 1, 3 or 4); empty when the picture is not one
/// (a size of 0 or over the written caps, a wrong pixel count).
std::vector<uint8_t> EncodePng(const PngImage& image);

/// The CRC-32 a PNG chunk carries over its type and data (`size` bytes from the type on).
uint32_t PngChunkCrc(const uint8_t* data, size_t size);

/// Reads and decodes a PNG file (through the platform's file calls).
PngResult ReadPngFile(const std::string& path, int32_t channels, PngImage& out);

/// Encodes and writes a PNG file; a file that could not be written whole is removed.
PngResult WritePngFile(const std::string& path, const PngImage& image);

}  // namespace tambrix
