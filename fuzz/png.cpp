// PNG pictures: any bytes decoded into each channel count. A picture that decodes is
// within the caps, holds exactly its pixels, and encodes and decodes again to the same
// pixels.
//
// Input: the bytes of the file, as they are.

#include "FuzzSupport.h"
#include "graphics/PngFile.h"

using namespace tambrix;
using namespace tambrix::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
    return 0;
}
