#include "graphics/PngFile.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "core/ResultCodes.h"
#include "platform/PlatformFile.h"

namespace {

// Every allocation of the decoder passes here: a picture within the caps never needs
// more, so a damaged stream that would inflate without end fails instead.
constexpr size_t kMaxDecoderAllocation = size_t{320} << 20;

void* pngMalloc(size_t size) { return size > kMaxDecoderAllocation ? nullptr : std::malloc(size); }
void* pngRealloc(void* p, size_t size) { return size > kMaxDecoderAllocation ? nullptr : std::realloc(p, size); }

}  // namespace

// The PNG reader and writer are compiled here and nowhere else, PNG only, without their
// own file calls: the files go through the platform layer like every other file.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#define STBI_MALLOC(size) pngMalloc(size)
#define STBI_REALLOC(p, size) pngRealloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace tambrix {

uint32_t PngChunkCrc(const uint8_t* data, size_t size) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kHeaderEnd = 8 + 8 + 13;  // signature, chunk length and type, header body

uint32_t be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

bool withinCaps(int64_t width, int64_t height, int64_t pixels = kMaxPngPixels) {
    return width > 0 && height > 0 && width <= kMaxPngSide && height <= kMaxPngSide && width * height <= pixels;
}

bool validChannels(int32_t channels) { return channels == 1 || channels == 3 || channels == 4; }

PngResult failure(int32_t code, std::string why) { return {code, std::move(why)}; }

// The decoder does not check the chunks' checksums: a picture damaged on the way would
// decode into wrong pixels without a word. Every chunk must lie inside the bytes and
// carry its right checksum, up to the end chunk.
bool chunksIntact(const uint8_t* data, size_t size) {
    size_t at = sizeof kSignature;
    while (size - at >= 12) {
        const uint32_t length = be32(data + at);
        if (length > size - at - 12) return false;
        const uint8_t* type = data + at + 4;
        if (PngChunkCrc(type, length + 4) != be32(type + 4 + length)) return false;
        if (std::memcmp(type, "IEND", 4) == 0) return true;
        at += 12 + size_t{length};
    }
    return false;
}

}  // namespace

bool ReadPngHeader(const uint8_t* data, size_t size, int32_t& width, int32_t& height) {
    if (!data || size < kHeaderEnd || std::memcmp(data, kSignature, sizeof kSignature) != 0) return false;
    if (be32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    const uint32_t w = be32(data + 16), h = be32(data + 20);
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

PngResult DecodePng(const uint8_t* data, size_t size, int32_t channels, PngImage& out) {
    out = PngImage();
    if (!validChannels(channels)) return failure(rc::kUnsupported, "channels must be 1, 3 or 4");
    int32_t width = 0, height = 0;
    if (!ReadPngHeader(data, size, width, height)) return failure(rc::kBadHeader, "not a PNG picture");
    if (!withinCaps(width, height))
        return failure(rc::kNoMemory, std::to_string(width) + " x " + std::to_string(height) +
                                          " pixels is not a size a picture may have here");
    if (size > static_cast<size_t>(INT32_MAX)) return failure(rc::kNoMemory, "the file is too large");
    if (!chunksIntact(data, size)) return failure(rc::kBadHeader, "damaged PNG picture (a chunk is cut or fails its checksum)");
    int w = 0, h = 0, inFile = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &w, &h, &inFile, channels);
    if (!pixels) {
        const char* why = stbi_failure_reason();
        return failure(rc::kBadHeader, std::string("damaged PNG picture (") + (why ? why : "unreadable") + ")");
    }
    if (w != width || h != height) {
        stbi_image_free(pixels);
        return failure(rc::kBadHeader, "damaged PNG picture (its size changed while reading)");
    }
    out.width = w;
    out.height = h;
    out.channels = channels;
    out.pixels.assign(pixels, pixels + static_cast<size_t>(w) * h * channels);
    stbi_image_free(pixels);
    return {};
}

std::vector<uint8_t> EncodePng(const PngImage& image) {
    if (!validChannels(image.channels) || !withinCaps(image.width, image.height, kMaxPngWrittenPixels)) return {};
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.channels) return {};
    std::vector<uint8_t> bytes;
    const auto sink = [](void* context, void* data, int size) {
        auto* to = static_cast<std::vector<uint8_t>*>(context);
        const auto* from = static_cast<const uint8_t*>(data);
        to->insert(to->end(), from, from + size);
    };
    if (!stbi_write_png_to_func(sink, &bytes, image.width, image.height, image.channels, image.pixels.data(),
                                image.width * image.channels))
        return {};
    return bytes;
}

PngResult ReadPngFile(const std::string& path, int32_t channels, PngImage& out) {
    out = PngImage();
    uint32_t size = 0;
    platform::NativeFile* file = platform::OpenFile(path, platform::OpenMode::ReadExisting, &size);
    if (!file) return failure(rc::kNoSuchFile, "cannot be opened");
    if (size > kMaxPngFileBytes) {
        platform::CloseFile(file);
        return failure(rc::kNoMemory, "is larger than a picture may be here");
    }
    std::vector<uint8_t> bytes(size);
    uint32_t done = 0;
    const bool read = size == 0 || platform::ReadFile(file, bytes.data(), size, done);
    platform::CloseFile(file);
    if (!read || done != size) return failure(rc::kShortRead, "cannot be read");
    return DecodePng(bytes.data(), bytes.size(), channels, out);
}

PngResult WritePngFile(const std::string& path, const PngImage& image) {
    const std::vector<uint8_t> bytes = EncodePng(image);
    if (bytes.empty()) return failure(rc::kUnsupported, "not a picture that PNG can hold");
    if (bytes.size() > UINT32_MAX) return failure(rc::kNoMemory, "too large");
    // Written beside the name and moved in place: a failure leaves an earlier file of the
    // name as it was, and never a cut-off picture.
    if (!platform::WriteWholeFile(path, {{bytes.data(), static_cast<uint32_t>(bytes.size())}}))
        return failure(rc::kShortWrite, "cannot be written");
    return {};
}

}  // namespace tambrix
