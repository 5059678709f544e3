// PNG pictures: any bytes decoded into each channel count, as they are and with every
// chunk's checksum made right (the reader refuses a wrong one first, which would keep
// the fuzzer from the decoder behind). A picture that decodes is within the caps, holds
// exactly its pixels, and encodes and decodes again to the same pixels.
//
// Input: the bytes of the file.

#include <vector>

#include "FuzzSupport.h"
#include "graphics/PngFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

namespace {

std::vector<uint8_t> WithChecksums(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const uint32_t length = uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
                                uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12) break;
        const uint32_t crc = PngChunkCrc(&bytes[at + 4], length + 4);
        for (int k = 0; k < 4; ++k) bytes[at + 8 + length + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
        at += 12 + size_t{length};
    }
    return bytes;
}

void Check(const uint8_t* data, size_t size) {
    for (const int32_t channels : {1, 3, 4}) {
        PngImage image;
        const PngResult result = DecodePng(data, size, channels, image);
        if (!result.Ok()) {
            if (result.error.empty()) Fail("a failure without a reason");
            if (!image.pixels.empty()) Fail("a failure left pixels behind");
            continue;
        }
        if (image.width <= 0 || image.height <= 0 || image.width > kMaxPngSide || image.height > kMaxPngSide ||
            int64_t{image.width} * image.height > kMaxPngPixels)
            Fail("a %d x %d picture passed the caps", image.width, image.height);
        if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * channels)
            Fail("%zu bytes for a %d x %d picture", image.pixels.size(), image.width, image.height);
        const std::vector<uint8_t> again = EncodePng(image);
        PngImage back;
        if (again.empty() || !DecodePng(again.data(), again.size(), channels, back).Ok() ||
            back.pixels != image.pixels)
            Fail("a decoded picture did not survive encoding");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(data, size);
    const std::vector<uint8_t> mended = WithChecksums(data, size);
    Check(mended.data(), mended.size());
    return 0;
}
