// Select-to-picture of a 3 MB object file on disk, as the object view does it: the file
// opened through ShownFile with the viewing access (a catalog completion may follow),
// then the first object's preview rendered. Beside it the same with the read-only access
// that render and the thumbnails use, and the open alone of both.
//
// The object is the demo's dining chair painted in every view, its sprite chunks
// repeated under fresh IDs until the file holds 3 MB, with a whole catalog table: the
// usual file, which needs no completion.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/ShownFile.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "demo/Furniture.h"
#include "demo/IsoPainter.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"

using namespace tambrix;

namespace {

constexpr size_t kTargetBytes = size_t{3} << 20;
constexpr ResId kObjectId = 128;
constexpr ResId kPaletteId = 10;
constexpr ResId kDrawGroupId = 100;
constexpr ResId kFirstSpriteId = 100;
constexpr ResId kFillerSpriteId = 1000;

void add(IffResourceFile& iff, ResType type, ResId id, const std::vector<uint8_t>& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    if (!body.empty()) std::memcpy(block->data, body.data(), body.size());
    iff.AddResource(block, type, id, LabelText("bench"), true);
    iff.WriteResource(block);
}

class ObjectOnDisk {
public:
    ObjectOnDisk() {
        using namespace tambrix::tools;
        mDir = std::filesystem::temp_directory_path() / ("tambrix-viewing-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mDir);
        mPath = (mDir / "Chair.iff").string();
        const Model model = DiningChairModel();
        FileNameText name(mPath);
        IffResourceFile iff;
        iff.Create(name);
        iff.Open(name);
        add(iff, restype::kPALT, kPaletteId, EncodePalette(PaletteEntries(ModelRamps(model).Palette())));
        // One sprite per zoom holding the four rotations; the draw group shows each view.
        std::vector<std::vector<uint8_t>> sprites;
        DrawGroupImages images(kViewCount);
        for (int zoom = 0; zoom < kViewZooms; ++zoom) {
            std::vector<SpriteImage> frames;
            for (int rotation = 0; rotation < kViewRotations; ++rotation) {
                frames.push_back(std::move(PaintView(model, rotation, zoom, kFineQuality).front()));
                const SpriteImage& f = frames.back();
                images[zoom * kViewRotations + rotation].push_back({.spriteId = kFirstSpriteId + zoom,
                                                                    .frameIndex = rotation,
                                                                    .xOffset = f.x,
                                                                    .yOffset = f.y});
            }
            sprites.push_back(EncodeSpr2(frames, kPaletteId));
            add(iff, restype::kSPR2, static_cast<ResId>(kFirstSpriteId + zoom), sprites.back());
        }
        add(iff, restype::kDGRP, kDrawGroupId, EncodeDrawGroup(images));
        ObjectDefinition d;
        d.baseGraphic = kDrawGroupId;
        d.price = 80;
        d.catalogId = kObjectId;
        add(iff, restype::kOBJD, kObjectId, EncodeObjectDefinition(d));
        StringTable table;
        table.SetSource(&iff, static_cast<uint16_t>(kObjectId), restype::kCTSS, 0, 0);
        table.Set(1, "Dining Chair", 0);
        table.Set(2, "Solid oak and a cushioned seat.", 0);
        table.Save();
        size_t bytes = 0;
        for (ResId id = kFillerSpriteId; bytes < kTargetBytes; ++id) {
            const std::vector<uint8_t>& chunk = sprites[(id - kFillerSpriteId) % sprites.size()];
            add(iff, restype::kSPR2, id, chunk);
            bytes += chunk.size();
        }
        iff.Close();
        mBytes = std::filesystem::file_size(mPath);
    }
    ~ObjectOnDisk() {
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    const std::string& Path() const { return mPath; }
    uintmax_t Bytes() const { return mBytes; }

private:
    std::filesystem::path mDir;
    std::string mPath;
    uintmax_t mBytes = 0;
};

const ObjectOnDisk& object() {
    static ObjectOnDisk instance;
    return instance;
}

void selectToPicture(benchmark::State& state, GameFileAccess access, bool render) {
    const ObjectOnDisk& file = object();
    for (auto _ : state) {
        ShownFile shown;
        if (shown.Open(file.Path(), access) != rc::kOk) {
            state.SkipWithError("open failed");
            break;
        }
        if (render) {
            auto picture = shown.RenderPreview(0, kDefaultPreviewImage, 0xFFFFFF);
            if (!picture) state.SkipWithError("no picture");
            benchmark::DoNotOptimize(picture.get());
        }
    }
    state.counters["file_bytes"] = static_cast<double>(file.Bytes());
}

void BM_SelectToPicture_Viewing(benchmark::State& s) { selectToPicture(s, GameFileAccess::kViewing, true); }
void BM_SelectToPicture_ReadOnly(benchmark::State& s) { selectToPicture(s, GameFileAccess::kReadOnly, true); }
void BM_Open_Viewing(benchmark::State& s) { selectToPicture(s, GameFileAccess::kViewing, false); }
void BM_Open_ReadOnly(benchmark::State& s) { selectToPicture(s, GameFileAccess::kReadOnly, false); }

BENCHMARK(BM_SelectToPicture_Viewing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectToPicture_ReadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_Viewing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_ReadOnly)->Unit(benchmark::kMillisecond);

}  // namespace
