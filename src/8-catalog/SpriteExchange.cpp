#include "catalog/SpriteExchange.h"

#if TAMBRIX_HAVE_IMAGEQUANT
#include <libimagequant.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "core/AsciiCase.h"
#include "core/DataBlock.h"
#include "core/JsonReader.h"
#include "core/NameParts.h"
#include "core/ResourceTypes.h"
#include "core/ResultCodes.h"
#include "core/Sha256.h"
#include "core/TextBuffer.h"
#include "graphics/HeldResource.h"
#include "graphics/Palette.h"
#include "graphics/PngFile.h"
#include "graphics/Sprite.h"
#include "graphics/SpriteEncoder.h"
#include "platform/PlatformFile.h"
#include "sets/GameFile.h"
#include "sets/WritePlace.h"

namespace tambrix {

namespace {

constexpr uint8_t kNoDepth = 255;    // the depth plane where a frame has no pixel
constexpr uint8_t kFlatDepth = 128;  // the depth given to a pixel that had none
constexpr uint32_t kMaxListBytes = 16u << 20;
constexpr size_t kMaxPaletteColours = 256;

// ---------------------------------------------------------------------------------------
// The sprites of a file and their frames as planes.

struct FileSprite {
    bool spr2 = false;
    int32_t id = 0;
    std::string label;
};

const char* TypeName(bool spr2) { return spr2 ? "SPR2" : "SPR#"; }

std::string FolderName(bool spr2, int32_t id) { return std::string(TypeName(spr2)) + "_" + std::to_string(id); }

std::string PictureName(int32_t frame, const char* plane) {
    return "frame" + std::to_string(frame) + "_" + plane + ".png";
}

// Every sprite of the file, "SPR#" first, each by ID; an "SPR2" that an "SPR#" of the
// same ID hides (that one is what every reader draws) is left out.
std::vector<FileSprite> ListSprites(ResourceFile& file) {
    std::vector<FileSprite> sprites;
    std::set<int32_t> hashIds;
    for (const bool spr2 : {false, true}) {
        const ResType type = spr2 ? restype::kSPR2 : restype::kSPR;
        const int16_t count = file.CountResources(type);
        for (int16_t i = 1; i <= count; ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) continue;
            uint16_t id = 0;
            file.GetResID(block, id);
            LabelText label;
            file.GetResName(block, label);
            file.ReleaseResource(block);
            const auto signedId = static_cast<int32_t>(static_cast<ResId>(id));
            if (spr2 && hashIds.count(signedId)) continue;
            if (!spr2) hashIds.insert(signedId);
            sprites.push_back({spr2, signedId, std::string(label.View())});
        }
    }
    std::stable_sort(sprites.begin(), sprites.end(), [](const FileSprite& a, const FileSprite& b) {
        return a.spr2 != b.spr2 ? !a.spr2 : a.id < b.id;
    });
    return sprites;
}

// One frame as the decoder gives it, the colours looked up in its palette.
struct FramePlanes {
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;  ///< the stored position, first value
    int32_t y = 0;  ///< second value
    int32_t paletteId = 0;
    std::vector<uint8_t> index, depth, alpha;
    std::vector<uint8_t> rgb;       ///< 3 bytes a pixel
    std::vector<uint8_t> present;   ///< 1 where the frame has a pixel

    size_t Pixels() const { return static_cast<size_t>(width) * height; }
};

FramePlanes DecodeFrame(SpriteDecoder& decoder, int32_t frame) {
    FramePlanes f;
    uint32_t fill = 0;
    SpritePosition position;
    SpriteSize size;
    Palette palette;
    std::unique_ptr<platform::Bitmap> colour, depth, alpha;
    SpritePlaneSlots slots;
    slots.fillIndex = &fill;
    slots.position = &position;
    slots.size = &size;
    slots.palette = &palette;
    slots.paletteId = &f.paletteId;
    slots.colourPlane = &colour;
    slots.depthPlane = &depth;
    slots.alphaPlane = &alpha;
    decoder.Decode(frame, 0, slots);
    f.x = position.first;
    f.y = position.second;
    if (!colour || !depth || !alpha || size.width <= 0 || size.height <= 0) return f;
    f.width = size.width;
    f.height = size.height;
    const size_t n = f.Pixels();
    f.index.resize(n);
    f.depth.resize(n);
    f.alpha.resize(n);
    f.rgb.resize(3 * n);
    f.present.resize(n);
    for (int32_t y = 0; y < f.height; ++y) {
        const uint8_t* c = colour->TopRow(y);
        const uint8_t* d = depth->TopRow(y);
        const uint8_t* a = alpha->TopRow(y);
        for (int32_t x = 0; x < f.width; ++x) {
            const size_t i = static_cast<size_t>(y) * f.width + x;
            f.index[i] = c[x];
            f.depth[i] = d[x];
            f.alpha[i] = a[x];
            // The decoder leaves depth 255 and alpha 0 where no pixel was drawn.
            f.present[i] = d[x] != kNoDepth || a[x] != 0;
            if (f.present[i]) {
                const PaletteEntry e = palette.Entry(c[x]);
                f.rgb[3 * i] = e.red;
                f.rgb[3 * i + 1] = e.green;
                f.rgb[3 * i + 2] = e.blue;
            }
        }
    }
    return f;
}

// The sprite's own palette ID (its chunk's) and that palette.
int32_t ChunkPalette(SpriteDecoder& decoder, Palette* palette) {
    int32_t id = 0;
    SpritePlaneSlots slots;
    slots.paletteId = &id;
    slots.palette = palette;
    uint32_t fill = 0;
    slots.fillIndex = &fill;
    decoder.Decode(-1, 0, slots);
    return id;
}

// ---------------------------------------------------------------------------------------
// Files.

bool ReadWholeFile(const std::string& path, uint32_t limit, std::vector<uint8_t>& bytes) {
    uint32_t size = 0;
    platform::NativeFile* file = platform::OpenFile(path, platform::OpenMode::ReadExisting, &size);
    if (!file) return false;
    bool ok = size <= limit;
    if (ok) {
        bytes.resize(size);
        uint32_t done = 0;
        ok = size == 0 || (platform::ReadFile(file, bytes.data(), size, done) && done == size);
    }
    platform::CloseFile(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) return false;
    platform::NativeFile* file = platform::OpenFile(path, platform::OpenMode::CreateAlways);
    if (!file) return false;
    uint32_t done = 0;
    const bool ok = (bytes.empty() || platform::WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), done)) &&
                    done == bytes.size() && platform::FlushFile(file);
    platform::CloseFile(file);
    if (!ok) platform::DeleteFile(path);
    return ok;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

// Writes the picture and gives the SHA-256 of its bytes; empty when it was not written.
std::string WritePicture(const std::string& path, const PngImage& image) {
    const std::vector<uint8_t> bytes = EncodePng(image);
    if (bytes.empty() || !WriteWholeFile(path, bytes)) return {};
    return Sha256::Hex(bytes.data(), bytes.size());
}

template <typename Result>
Result Failure(int32_t code, std::string why) {
    Result r;
    r.code = code;
    r.error = std::move(why);
    return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Export.

SpriteExportResult ExportSprites(const std::string& path, const std::string& folder, const std::vector<int32_t>& ids) {
    using R = SpriteExportResult;
    GameFile game;
    if (const int32_t code = game.Open(path, GameFileAccess::kReadOnly); code != rc::kOk || !game.Container())
        return Failure<R>(code == rc::kOk ? rc::kNoFileKind : code, path + ": cannot be opened as a container");
    ResourceFile& file = *game.Container();

    std::vector<FileSprite> sprites = ListSprites(file);
    if (!ids.empty()) {
        std::vector<FileSprite> chosen;
        for (const int32_t id : ids) {
            const auto it = std::find_if(sprites.begin(), sprites.end(), [id](const FileSprite& s) { return s.id == id; });
            if (it == sprites.end()) return Failure<R>(rc::kNoSuchResource, path + ": no sprite " + std::to_string(id));
            if (std::none_of(chosen.begin(), chosen.end(), [&](const FileSprite& s) { return s.id == id; }))
                chosen.push_back(*it);
        }
        sprites = std::move(chosen);
    }
    if (!platform::MakeDirectories(folder))
        return Failure<R>(rc::kCreateFailed, folder + ": the folder cannot be made");

    R result;
    std::string list = "{\n  \"file\": " + JsonQuoted(game.Path().substr(nameparts::FileNameStart(game.Path()))) +
                       ",\n  \"sprites\": [";
    for (size_t s = 0; s < sprites.size(); ++s) {
        const FileSprite& ref = sprites[s];
        SpriteDecoder decoder(file, ref.id);
        const int32_t paletteId = ChunkPalette(decoder, nullptr);
        const uint32_t frames = CountSpriteFrames(file, ref.id);
        const std::string sub = FolderName(ref.spr2, ref.id);
        const std::string subPath = Join(folder, sub);
        if (!platform::DirectoryExists(subPath) && !platform::MakeDirectory(subPath))
            return Failure<R>(rc::kCreateFailed, subPath + ": the folder cannot be made");
        list += std::string(s ? "," : "") + "\n    {\"type\": \"" + TypeName(ref.spr2) +
                "\", \"id\": " + std::to_string(ref.id) + ", \"label\": " + JsonQuoted(ref.label) +
                ", \"palette\": " + std::to_string(paletteId) + ", \"frames\": [";
        for (uint32_t f = 0; f < frames; ++f) {
            FramePlanes planes;
            try {
                planes = DecodeFrame(decoder, static_cast<int32_t>(f));
            } catch (const SpriteDecodeError& e) {
                return Failure<R>(rc::kChunkMismatch, path + ": " + TypeName(ref.spr2) + " " + std::to_string(ref.id) +
                                                          " frame " + std::to_string(f) + ": " + e.what());
            }
            list += std::string(f ? "," : "") + "\n      {\"index\": " + std::to_string(f) +
                    ", \"width\": " + std::to_string(planes.width) + ", \"height\": " + std::to_string(planes.height) +
                    ", \"x\": " + std::to_string(planes.x) + ", \"y\": " + std::to_string(planes.y) +
                    ", \"palette\": " + std::to_string(planes.paletteId);
            ++result.frames;
            if (planes.Pixels() > 0) {
                // The colours, see-through where the frame has no pixel.
                PngImage colour(planes.width, planes.height, 4);
                for (size_t i = 0; i < planes.Pixels(); ++i) {
                    if (!planes.present[i]) continue;
                    std::copy_n(&planes.rgb[3 * i], 3, &colour.pixels[4 * i]);
                    colour.pixels[4 * i + 3] = 255;
                }
                std::vector<std::pair<const char*, PngImage>> pictures;
                pictures.emplace_back("color", std::move(colour));
                if (ref.spr2) {
                    PngImage depth(planes.width, planes.height, 1), alpha(planes.width, planes.height, 1);
                    depth.pixels = planes.depth;
                    alpha.pixels = planes.alpha;
                    pictures.emplace_back("depth", std::move(depth));
                    pictures.emplace_back("alpha", std::move(alpha));
                }
                for (const auto& [plane, picture] : pictures) {
                    const std::string picturePath = Join(subPath, PictureName(static_cast<int32_t>(f), plane));
                    const std::string hash = WritePicture(picturePath, picture);
                    if (hash.empty()) return Failure<R>(rc::kShortWrite, picturePath + ": cannot be written");
                    list += std::string(", \"") + plane + "_sha256\": \"" + hash + "\"";
                    ++result.pictures;
                }
            }
            list += "}";
        }
        list += frames ? "\n    ]}" : "]}";
        ++result.sprites;
    }
    list += sprites.empty() ? "]\n}\n" : "\n  ]\n}\n";
    const std::string listPath = Join(folder, kSpriteListName);
    if (!WriteWholeFile(listPath, std::vector<uint8_t>(list.begin(), list.end())))
        return Failure<R>(rc::kShortWrite, listPath + ": cannot be written");
    return result;
}

// ---------------------------------------------------------------------------------------
// Import.

namespace {

const char* const kPlanes[] = {"color", "depth", "alpha"};

struct ListedFrame {
    int32_t width = 0, height = 0, x = 0, y = 0;
    std::array<std::string, 3> hash;  ///< by kPlanes; empty: no picture was written
};

struct ListedSprite {
    bool spr2 = false;
    int32_t id = 0;
    std::string label;
    std::vector<ListedFrame> frames;
};

bool Integer(const JsonValue& object, std::string_view key, int64_t lo, int64_t hi, int32_t& out) {
    const JsonValue* v = object.Find(key);
    if (!v || v->kind != JsonValue::Kind::Number || v->number < lo || v->number > hi) return false;
    out = static_cast<int32_t>(v->number);
    return true;
}

// The sprites of the list; false with the reason.
bool ReadList(const std::string& path, std::vector<ListedSprite>& sprites, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, kMaxListBytes, bytes)) {
        error = path + ": cannot be read (missing, or larger than a list may be)";
        return false;
    }
    JsonValue root;
    if (!ParseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), root, error)) {
        error = path + ": " + error;
        return false;
    }
    const JsonValue* list = root.Find("sprites");
    if (!list || !list->IsArray()) {
        error = path + ": no \"sprites\" list";
        return false;
    }
    for (size_t s = 0; s < list->items.size(); ++s) {
        const JsonValue& item = list->items[s];
        ListedSprite sprite;
        const JsonValue* type = item.Find("type");
        const JsonValue* frames = item.Find("frames");
        const std::string where = path + ": sprite " + std::to_string(s + 1);
        if (!type || (type->text != "SPR2" && type->text != "SPR#")) {
            error = where + ": \"type\" must be \"SPR2\" or \"SPR#\"";
            return false;
        }
        sprite.spr2 = type->text == "SPR2";
        if (!Integer(item, "id", kLowestResId, kHighestStoredResId, sprite.id)) {
            error = where + ": \"id\" must be a resource ID";
            return false;
        }
        sprite.id = static_cast<ResId>(ToResId(sprite.id));
        if (const JsonValue* label = item.Find("label")) sprite.label = label->text;
        if (!frames || !frames->IsArray()) {
            error = where + ": no \"frames\" list";
            return false;
        }
        for (size_t f = 0; f < frames->items.size(); ++f) {
            const JsonValue& frame = frames->items[f];
            ListedFrame listed;
            constexpr int64_t kSide = std::numeric_limits<uint16_t>::max();
            constexpr int64_t kLow = std::numeric_limits<int16_t>::min(), kHigh = std::numeric_limits<int16_t>::max();
            if (!Integer(frame, "width", 0, kSide, listed.width) || !Integer(frame, "height", 0, kSide, listed.height) ||
                !Integer(frame, "x", kLow, kHigh, listed.x) || !Integer(frame, "y", kLow, kHigh, listed.y)) {
                error = where + " frame " + std::to_string(f) + ": width, height, x and y must be numbers in range";
                return false;
            }
            for (size_t p = 0; p < 3; ++p)
                if (const JsonValue* h = frame.Find(std::string(kPlanes[p]) + "_sha256")) listed.hash[p] = h->text;
            sprite.frames.push_back(std::move(listed));
        }
        sprites.push_back(std::move(sprite));
    }
    return true;
}

// A frame as it will be encoded: colours as red, green, blue.
struct NewFrame {
    int32_t width = 0, height = 0, x = 0, y = 0;
    std::vector<uint8_t> rgb, depth, alpha, present;
    std::vector<uint8_t> oldIndex;  ///< the stored indices, for a frame whose colours did not change
    bool colourChanged = false;
    size_t Pixels() const { return static_cast<size_t>(width) * height; }
};

uint32_t Rgb(const uint8_t* p) { return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]; }

int32_t ChannelError(uint32_t a, const PaletteEntry& e) {
    const int dr = std::abs(static_cast<int>(a >> 16 & 0xFF) - e.red);
    const int dg = std::abs(static_cast<int>(a >> 8 & 0xFF) - e.green);
    const int db = std::abs(static_cast<int>(a & 0xFF) - e.blue);
    return std::max({dr, dg, db});
}

uint8_t Nearest(const std::vector<PaletteEntry>& palette, uint32_t rgb) {
    int64_t best = std::numeric_limits<int64_t>::max();
    uint8_t bestIndex = 0;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int64_t dr = static_cast<int>(rgb >> 16 & 0xFF) - palette[i].red;
        const int64_t dg = static_cast<int>(rgb >> 8 & 0xFF) - palette[i].green;
        const int64_t db = static_cast<int>(rgb & 0xFF) - palette[i].blue;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = static_cast<uint8_t>(i);
            if (d == 0) break;
        }
    }
    return bestIndex;
}

// At most 256 colours for all of a sprite's pixels: the colours themselves when there are
// no more, else libimagequant's choice.
bool MakePalette(const std::map<uint32_t, uint32_t>& counts, std::vector<PaletteEntry>& palette, std::string& error) {
    palette.clear();
    if (counts.size() <= kMaxPaletteColours) {
        for (const auto& [rgb, count] : counts)
            palette.push_back({static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb), 0});
        if (palette.empty()) palette.push_back({0, 0, 0, 0});
        return true;
    }
#if !TAMBRIX_HAVE_IMAGEQUANT
    error = "more than 256 colours need the quantizer, which this build has not";
    return false;
#else
    liq_attr* attr = liq_attr_create();
    if (!attr) {
        error = "the quantizer could not start";
        return false;
    }
    liq_set_max_colors(attr, static_cast<int>(kMaxPaletteColours));
    liq_histogram* histogram = liq_histogram_create(attr);
    std::vector<liq_histogram_entry> entries;
    entries.reserve(counts.size());
    for (const auto& [rgb, count] : counts)
        entries.push_back({{static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                            static_cast<unsigned char>(rgb), 255},
                           count});
    liq_result* result = nullptr;
    bool ok = histogram &&
              liq_histogram_add_colors(histogram, attr, entries.data(), static_cast<int>(entries.size()), 0) == LIQ_OK &&
              liq_histogram_quantize(histogram, attr, &result) == LIQ_OK;
    if (ok) {
        const liq_palette* made = liq_get_palette(result);
        for (unsigned i = 0; i < made->count && i < kMaxPaletteColours; ++i)
            palette.push_back({made->entries[i].r, made->entries[i].g, made->entries[i].b, 0});
        ok = !palette.empty();
    }
    if (result) liq_result_destroy(result);
    if (histogram) liq_histogram_destroy(histogram);
    liq_attr_destroy(attr);
    if (!ok) error = "the quantizer could not make a palette";
    return ok;
#endif
}

// Floyd-Steinberg error diffusion of a frame's pixels onto the palette; pixels the frame
// lacks neither take nor pass on error.
std::vector<uint8_t> DitherFrame(const NewFrame& f, const std::vector<PaletteEntry>& palette, int32_t& largest) {
    std::vector<uint8_t> out(f.Pixels(), 0);
    std::vector<std::array<int32_t, 3>> carry(f.Pixels(), {0, 0, 0});
    for (int32_t y = 0; y < f.height; ++y) {
        for (int32_t x = 0; x < f.width; ++x) {
            const size_t i = static_cast<size_t>(y) * f.width + x;
            if (!f.present[i]) continue;
            std::array<int32_t, 3> want{};
            for (int c = 0; c < 3; ++c) want[c] = std::clamp(f.rgb[3 * i + c] + carry[i][c] / 16, 0, 255);
            const uint32_t rgb = static_cast<uint32_t>(want[0]) << 16 | static_cast<uint32_t>(want[1]) << 8 | want[2];
            out[i] = Nearest(palette, rgb);
            const PaletteEntry& e = palette[out[i]];
            largest = std::max(largest, ChannelError(Rgb(&f.rgb[3 * i]), e));
            const std::array<int32_t, 3> err{want[0] - e.red, want[1] - e.green, want[2] - e.blue};
            const auto spread = [&](int32_t dx, int32_t dy, int32_t weight) {
                const int32_t nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= f.width || ny >= f.height) return;
                const size_t n = static_cast<size_t>(ny) * f.width + nx;
                if (!f.present[n]) return;
                for (int c = 0; c < 3; ++c) carry[n][c] += err[c] * weight;
            };
            spread(1, 0, 7);
            spread(-1, 1, 3);
            spread(0, 1, 5);
            spread(1, 1, 1);
        }
    }
    return out;
}

struct MemberWrite {
    ResType type = 0;
    int32_t id = 0;
    std::string label;
    std::vector<uint8_t> body;
};

// The files an object is stored in: the file, and for an object file its ".spf"
// companion when there is one.
std::vector<std::string> MemberFiles(const std::string& path, GameFileKind kind) {
    std::vector<std::string> members{path};
    if (kind == GameFileKind::kObject) {
        const std::string companion = path.substr(0, path.size() - nameparts::Extension(path).size()) + ".spf";
        if (platform::FileExists(companion)) members.push_back(platform::ResolvePath(companion));
    }
    return members;
}

// Which of the files holds the resource; -1 when none.
int MemberHolding(const std::vector<std::unique_ptr<GameFile>>& members, ResType type, int32_t id) {
    for (size_t m = 0; m < members.size(); ++m) {
        ResourceFile* file = members[m]->Container();
        if (!file || !FitsResId(id)) continue;
        if (DataBlock* block = file->GetResource(type, ToResId(id), nullptr)) {
            file->ReleaseResource(block);
            return static_cast<int>(m);
        }
    }
    return -1;
}

std::string CopyName(const std::string& path) { return path + ".tambrix-import"; }

// Writes the changes into a copy of the file beside it through the container writer;
// the caller puts the copy in the file's place once every copy is written. A failure
// removes the copy: the file is left as it was.
bool WriteChangedCopy(const std::string& path, const std::vector<MemberWrite>& writes, std::string& error) {
    const std::string copy = CopyName(path);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, std::numeric_limits<uint32_t>::max(), bytes)) {
        error = path + ": cannot be read";
        return false;
    }
    if (!WriteWholeFile(copy, bytes)) {
        error = path + ": cannot write its copy beside it";
        return false;
    }
    bool ok = true;
    {
        GameFile game;
        ok = game.Locate(copy) == rc::kOk && game.OpenAlone(GameFileAccess::kViewing) == rc::kOk && game.Container() &&
             game.Container()->IsWritable();
        if (!ok) error = path + ": its copy does not open for writing";
        ResourceFile* file = game.Container();
        for (size_t w = 0; ok && w < writes.size(); ++w) {
            const MemberWrite& change = writes[w];
            const ResId id = ToResId(change.id);
            LabelText label(change.label);
            if (DataBlock* old = file->GetResource(change.type, id, nullptr)) {
                file->GetResName(old, label);
                ok = file->RemoveResource(old) == rc::kOk;
            }
            DataBlock* block = ok ? NewDataBlock(static_cast<uint32_t>(change.body.size())) : nullptr;
            if (block) {
                if (!change.body.empty()) std::memcpy(block->data, change.body.data(), change.body.size());
                if (file->AddResource(block, change.type, id, label, true) != rc::kOk) {
                    FreeDataBlock(block);
                    ok = false;
                } else {
                    ok = file->WriteResource(block) == rc::kOk;
                    file->ReleaseResource(block);
                }
            } else {
                ok = false;
            }
            if (!ok) error = path + ": the changed sprite cannot be written (" + DescribeResult(file->GetError()) + ")";
        }
        if (game.Container()) {
            const int32_t closed = game.Container()->Close();
            if (ok && closed != rc::kOk) {
                ok = false;
                error = path + ": the changes cannot be written (" + std::string(DescribeResult(closed)) + ")";
            }
        }
    }
    if (!ok) platform::DeleteFile(copy);
    return ok;
}

}  // namespace

std::string SpriteImportChange::Describe() const {
    std::string line = type + " " + std::to_string(id) + " \"" + label + "\": ";
    if (frames.empty()) return line + "unchanged";
    line += frames.size() == 1 ? "frame " : "frames ";
    for (size_t i = 0; i < frames.size(); ++i) line += (i ? ", " : "") + std::to_string(frames[i]);
    line += " re-encoded; palette " + std::to_string(paletteId);
    if (paletteKept)
        line += " kept";
    else
        line += std::string(paletteAdded ? " made as a new resource" : " made") + " (" +
                std::to_string(paletteColours) + " colours)";
    return line + "; largest colour error " + std::to_string(largestError);
}

SpriteImportResult ImportSprites(const std::string& path, const std::string& folder,
                                 const SpriteImportOptions& options) {
    using R = SpriteImportResult;
    auto opened = std::make_unique<GameFile>();
    GameFile& game = *opened;
    int32_t code = game.Locate(path);
    if (code != rc::kOk) return Failure<R>(code, path + ": no such file");
    if (game.State() == GamePathState::kArchiveEntry)
        return Failure<R>(rc::kNotWritable, path + ": lies in an archive; sprites are imported only into files on disk");
    if (CheckWritePlace(game.Path()) != rc::kOk)
        return Failure<R>(rc::kNotWritable, path + ": lies in the game's own folders, which are never written");
    const std::string target = game.Path();
    const std::vector<std::string> memberPaths = MemberFiles(target, game.Kind());
    for (const std::string& member : memberPaths) {
        platform::NativeFile* probe = platform::OpenFile(member, platform::OpenMode::ReadWriteExisting);
        if (!probe) return Failure<R>(rc::kNotWritable, member + ": cannot be written");
        platform::CloseFile(probe);
    }
    if ((code = game.Open(GameFileAccess::kReadOnly)) != rc::kOk || !game.Container())
        return Failure<R>(code == rc::kOk ? rc::kNoFileKind : code, path + ": cannot be opened as a container");
    ResourceFile& file = *game.Container();

    std::vector<ListedSprite> listed;
    std::string error;
    if (!ReadList(Join(folder, kSpriteListName), listed, error)) return Failure<R>(rc::kBadHeader, error);

    // Which palettes more than one sprite of the file uses.
    std::map<int32_t, int> paletteUsers;
    const std::vector<FileSprite> all = ListSprites(file);
    for (const FileSprite& ref : all) {
        SpriteDecoder decoder(file, ref.id);
        ++paletteUsers[ChunkPalette(decoder, nullptr)];
    }

    std::vector<std::unique_ptr<GameFile>> members;
    for (const std::string& member : memberPaths) {
        auto alone = std::make_unique<GameFile>();
        if (alone->Locate(member) == rc::kOk) alone->OpenAlone(GameFileAccess::kReadOnly);
        members.push_back(std::move(alone));
    }
    std::vector<std::vector<MemberWrite>> writes(members.size());
    std::set<int32_t> takenPalettes;  // IDs given to new palettes in this import

    R result;
    for (const ListedSprite& sprite : listed) {
        SpriteImportChange change;
        change.type = TypeName(sprite.spr2);
        change.id = sprite.id;
        change.label = sprite.label;
        const std::string name = change.type + " " + std::to_string(sprite.id);
        const auto found = std::find_if(all.begin(), all.end(), [&](const FileSprite& s) {
            return s.id == sprite.id && s.spr2 == sprite.spr2;
        });
        if (found == all.end()) return Failure<R>(rc::kNoSuchResource, path + ": has no " + name);
        change.label = found->label;
        SpriteDecoder decoder(file, sprite.id);
        const uint32_t frameCount = CountSpriteFrames(file, sprite.id);
        if (frameCount != sprite.frames.size())
            return Failure<R>(rc::kChunkMismatch, name + ": the file has " + std::to_string(frameCount) +
                                                      " frames, sprites.json lists " +
                                                      std::to_string(sprite.frames.size()));
        Palette oldPalette;
        const int32_t oldPaletteId = ChunkPalette(decoder, &oldPalette);
        change.paletteId = oldPaletteId;
        const std::string subPath = Join(folder, FolderName(sprite.spr2, sprite.id));

        std::vector<NewFrame> frames(frameCount);
        for (uint32_t f = 0; f < frameCount; ++f) {
            const ListedFrame& lf = sprite.frames[f];
            const std::string frameName = name + " frame " + std::to_string(f);
            FramePlanes old;
            try {
                old = DecodeFrame(decoder, static_cast<int32_t>(f));
            } catch (const SpriteDecodeError& e) {
                return Failure<R>(rc::kChunkMismatch, frameName + ": " + e.what());
            }
            NewFrame& nf = frames[f];
            nf.width = old.width;
            nf.height = old.height;
            nf.x = lf.x;
            nf.y = lf.y;
            nf.rgb = old.rgb;
            nf.depth = old.depth;
            nf.alpha = old.alpha;
            nf.present = old.present;
            // The stored indices stand for their colours only in the sprite's own palette.
            if (old.paletteId == oldPaletteId) nf.oldIndex = old.index;
            bool changed = lf.x != old.x || lf.y != old.y;

            // Which pictures differ from what the export wrote.
            std::array<std::optional<PngImage>, 3> pictures;
            const size_t planes = sprite.spr2 ? 3 : 1;
            for (size_t p = 0; p < planes; ++p) {
                if (lf.hash[p].empty()) continue;
                const std::string picturePath = Join(subPath, PictureName(static_cast<int32_t>(f), kPlanes[p]));
                std::vector<uint8_t> bytes;
                if (!ReadWholeFile(picturePath, kMaxPngFileBytes, bytes))
                    return Failure<R>(rc::kNoSuchFile, frameName + ": " + picturePath + " cannot be read");
                if (Sha256::Hex(bytes.data(), bytes.size()) == lf.hash[p]) continue;
                PngImage image;
                const PngResult read = DecodePng(bytes.data(), bytes.size(), p == 0 ? 4 : 1, image);
                if (!read.Ok()) return Failure<R>(read.code, frameName + ": " + picturePath + ": " + read.error);
                pictures[p] = std::move(image);
                changed = true;
            }
            if (!changed) continue;
            change.frames.push_back(static_cast<int32_t>(f));

            // A colour picture of another size brings depth and alpha pictures of that size.
            int32_t width = nf.width, height = nf.height;
            if (pictures[0]) {
                width = pictures[0]->width;
                height = pictures[0]->height;
            }
            const bool resized = width != nf.width || height != nf.height;
            if (resized && sprite.spr2) {
                for (size_t p = 1; p < 3; ++p)
                    if (!pictures[p] || pictures[p]->width != width || pictures[p]->height != height)
                        return Failure<R>(rc::kChunkMismatch,
                                          frameName + ": the colour picture is " + std::to_string(width) + " x " +
                                              std::to_string(height) + ", so the " + kPlanes[p] +
                                              " picture must be changed to that size too");
            }
            for (size_t p = 1; p < 3; ++p)
                if (pictures[p] && (pictures[p]->width != width || pictures[p]->height != height))
                    return Failure<R>(rc::kChunkMismatch, frameName + ": the " + std::string(kPlanes[p]) +
                                                              " picture is " + std::to_string(pictures[p]->width) +
                                                              " x " + std::to_string(pictures[p]->height) +
                                                              ", the frame " + std::to_string(width) + " x " +
                                                              std::to_string(height));
            if (resized) {
                const size_t n = static_cast<size_t>(width) * height;
                nf.width = width;
                nf.height = height;
                nf.rgb.assign(3 * n, 0);
                nf.depth.assign(n, kNoDepth);
                nf.alpha.assign(n, 0);
                nf.present.assign(n, 0);
            }
            if (pictures[1]) nf.depth = pictures[1]->pixels;
            if (pictures[2]) nf.alpha = pictures[2]->pixels;
            if (pictures[0]) {
                nf.colourChanged = true;
                nf.oldIndex.clear();
                for (size_t i = 0; i < nf.Pixels(); ++i) {
                    const uint8_t* px = &pictures[0]->pixels[4 * i];
                    nf.present[i] = px[3] != 0;
                    std::copy_n(px, 3, &nf.rgb[3 * i]);
                }
            }
            // A pixel's translucency is its alpha plane's; a pixel new to the frame whose
            // planes say nothing of it takes the colour picture's alpha and a middle depth.
            for (size_t i = 0; i < nf.Pixels(); ++i) {
                if (!nf.present[i]) {
                    nf.alpha[i] = 0;
                    nf.depth[i] = kNoDepth;
                    continue;
                }
                if (nf.alpha[i] == 0) nf.alpha[i] = pictures[0] ? pictures[0]->pixels[4 * i + 3] : 255;
                if (!sprite.spr2) nf.alpha[i] = 255;
                if (nf.depth[i] == kNoDepth && !pictures[1]) nf.depth[i] = kFlatDepth;
            }
        }
        if (change.frames.empty()) {
            result.sprites.push_back(change);
            continue;
        }

        // Colours: the sprite's palette when it holds every one, else a palette made for it.
        const std::vector<PaletteEntry>& oldEntries = oldPalette.Entries();
        std::map<uint32_t, uint8_t> exact;
        for (size_t i = oldEntries.size(); i-- > 0;)
            exact[uint32_t{oldEntries[i].red} << 16 | uint32_t{oldEntries[i].green} << 8 | oldEntries[i].blue] =
                static_cast<uint8_t>(i);
        std::map<uint32_t, uint32_t> counts;
        bool keep = !oldEntries.empty();
        for (const NewFrame& nf : frames)
            for (size_t i = 0; i < nf.Pixels(); ++i)
                if (nf.present[i]) {
                    const uint32_t rgb = Rgb(&nf.rgb[3 * i]);
                    ++counts[rgb];
                    if (keep && !exact.count(rgb)) keep = false;
                }
        std::vector<PaletteEntry> palette = oldEntries;
        if (!keep) {
            if (!MakePalette(counts, palette, error)) return Failure<R>(rc::kNoMemory, name + ": " + error);
            change.paletteKept = false;
            change.paletteColours = static_cast<uint32_t>(palette.size());
            // A palette another sprite uses, or one the file lacks, is not changed: the
            // sprite gets one of its own.
            const bool present = MemberHolding(members, restype::kPALT, oldPaletteId) >= 0;
            if (!present || paletteUsers[oldPaletteId] > 1 || takenPalettes.count(oldPaletteId)) {
                int32_t id = sprite.id;
                for (int32_t tries = 0;; ++tries, id = id >= std::numeric_limits<ResId>::max() ? 1 : id + 1) {
                    if (tries > 0x10000) return Failure<R>(rc::kNoMemory, path + ": no free palette ID is left");
                    if (!takenPalettes.count(id) && MemberHolding(members, restype::kPALT, id) < 0 && id > 0) break;
                }
                change.paletteId = id;
                change.paletteAdded = true;
            }
            takenPalettes.insert(change.paletteId);
        }

        // Index planes.
        std::vector<SpriteImage> images;
        for (const NewFrame& nf : frames) {
            SpriteImage image(nf.width, nf.height);
            image.x = static_cast<int16_t>(nf.x);
            image.y = static_cast<int16_t>(nf.y);
            image.depth = nf.depth;
            image.alpha = nf.alpha;
            std::vector<uint8_t> dithered;
            if (!keep && options.dither) dithered = DitherFrame(nf, palette, change.largestError);
            for (size_t i = 0; i < nf.Pixels(); ++i) {
                if (!nf.present[i]) {
                    image.alpha[i] = 0;
                    continue;
                }
                const uint32_t rgb = Rgb(&nf.rgb[3 * i]);
                uint8_t index = 0;
                if (keep) {
                    // The stored index when it still shows the colour (a palette may hold
                    // a colour twice), else the palette's first entry of the colour.
                    const bool same = !nf.oldIndex.empty() && nf.oldIndex[i] < oldEntries.size() &&
                                      ChannelError(rgb, oldEntries[nf.oldIndex[i]]) == 0;
                    index = same ? nf.oldIndex[i] : exact.at(rgb);
                } else if (!dithered.empty()) {
                    index = dithered[i];
                } else {
                    index = Nearest(palette, rgb);
                    change.largestError = std::max(change.largestError, ChannelError(rgb, palette[index]));
                }
                image.color[i] = index;
            }
            images.push_back(std::move(image));
        }

        const int member = MemberHolding(members, sprite.spr2 ? restype::kSPR2 : restype::kSPR, sprite.id);
        if (member < 0) return Failure<R>(rc::kNoSuchResource, path + ": has no " + name);
        MemberWrite spriteWrite;
        spriteWrite.type = sprite.spr2 ? restype::kSPR2 : restype::kSPR;
        spriteWrite.id = sprite.id;
        spriteWrite.label = change.label;
        spriteWrite.body = sprite.spr2 ? EncodeSpr2(images, change.paletteId) : EncodeSprHash(images, change.paletteId);
        if (!keep) {
            MemberWrite paletteWrite;
            paletteWrite.type = restype::kPALT;
            paletteWrite.id = change.paletteId;
            paletteWrite.label = change.label;
            paletteWrite.body = EncodePalette(palette);
            // A palette changed in place stays where it is; a new one goes beside the sprite.
            const int holder = MemberHolding(members, restype::kPALT, change.paletteId);
            writes[holder >= 0 ? holder : member].push_back(std::move(paletteWrite));
        }
        writes[member].push_back(std::move(spriteWrite));
        result.sprites.push_back(change);
    }

    if (options.dryRun) return result;
    members.clear();
    opened.reset();  // nothing of the file stays open while it is replaced
    // An object and its companion change together: every copy is written before
    // either takes its file's place.
    std::vector<size_t> copied;
    for (size_t m = 0; m < writes.size(); ++m) {
        if (writes[m].empty()) continue;
        if (!WriteChangedCopy(memberPaths[m], writes[m], error)) {
            for (const size_t c : copied) platform::DeleteFile(CopyName(memberPaths[c]));
            return Failure<R>(rc::kShortWrite, error);
        }
        copied.push_back(m);
    }
    for (size_t i = 0; i < copied.size(); ++i) {
        const std::string& member = memberPaths[copied[i]];
        if (!platform::MoveFile(CopyName(member), member, true)) {
            for (size_t j = i; j < copied.size(); ++j) platform::DeleteFile(CopyName(memberPaths[copied[j]]));
            result.code = rc::kShortWrite;
            result.error = member + ": cannot be replaced by its changed copy";
            result.written = i > 0;
            return result;
        }
        result.written = true;
    }
    return result;
}

}  // namespace tambrix
