#include "catalog/ShownFile.h"

#include <algorithm>
#include <iterator>

#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "graphics/Sprite.h"

namespace tambrix {

namespace {

// Walls and floors label their first sprites and a wall its first frames; the rest get
// empty labels.
constexpr const char* kWallSpriteLabels[] = {"Far", "Medium", "Near"};
constexpr const char* kWallFrameLabels[] = {"Left", "Right", "Facing", "Insert"};
// String table 0 holds name, price and description as its strings 1, 2 and 3.
constexpr int kNameString = 1;
constexpr int kPriceString = 2;
constexpr int kDescriptionString = 3;

template <size_t N>
std::string labelAt(const char* const (&labels)[N], size_t index) {
    return index < N ? labels[index] : "";
}

std::optional<ViewTexts> tableZeroTexts(ResourceFile* file) {
    StringTable table;
    if (table.Load(file, 0, false) != rc::kOk) return std::nullopt;
    auto text = [&table](int index) {
        const char* value = table.Get(index, StringTable::kCurrentLanguage);
        return std::string(value ? value : "");
    };
    return ViewTexts{text(kNameString), text(kPriceString), text(kDescriptionString)};
}

}  // namespace

int NearestSpriteRow(const ViewDescription& view) {
    const size_t labelled = std::size(kWallSpriteLabels);
    return static_cast<int>(std::min(view.sprites.size(), labelled)) - 1;
}

ViewDescription DescribeView(GameFileKind kind, const ViewInputs& inputs) {
    ViewDescription view;
    view.kind = kind;
    for (const ViewTexts& object : inputs.objects) view.objects.push_back(object.name);
    view.objectTexts = inputs.objects;
    switch (kind) {
        case GameFileKind::kBitmap: view.form = ViewForm::kBitmap; return view;
        case GameFileKind::kObject: view.form = inputs.objects.empty() ? ViewForm::kSprites : ViewForm::kPreview; break;
        // A sprite file holds no objects of its own: its sprites show by number.
        case GameFileKind::kSprites: view.form = ViewForm::kSprites; break;
        case GameFileKind::kWall: view.form = ViewForm::kWall; break;
        case GameFileKind::kFloor: view.form = ViewForm::kFloor; break;
        default: return view;
    }
    if (view.form == ViewForm::kPreview) {
        view.texts = inputs.objects.front();
        return view;
    }
    view.tableFound = inputs.tableZero.has_value();
    view.texts = inputs.tableZero.value_or(ViewTexts{});
    view.framesShown = view.form != ViewForm::kFloor;
    const bool numbered = view.form == ViewForm::kSprites;
    for (size_t i = 0; i < inputs.sprites.size(); ++i) {
        const auto [id, frames] = inputs.sprites[i];
        ViewSprite sprite{id, numbered ? std::to_string(id) : labelAt(kWallSpriteLabels, i), frames, {}};
        if (view.form == ViewForm::kFloor) {
            // A floor has one picture per sprite: its frame list holds a single item.
            sprite.frames.push_back(kFloorFrameItem);
        } else {
            for (uint32_t frame = 0; frame < frames; ++frame)
                sprite.frames.push_back(numbered ? std::to_string(frame) : labelAt(kWallFrameLabels, frame));
        }
        view.sprites.push_back(std::move(sprite));
    }
    return view;
}

ShownFile::ShownFile() = default;

// The objects (and the container they own) go before the file, which unmounts.
ShownFile::~ShownFile() { mObjects.reset(); }

int32_t ShownFile::Open(std::string_view path, GameFileAccess access) {
    mObjects.reset();
    mDescription = ViewDescription{};
    const int32_t code = mFile.Locate(path);
    mDescription.kind = mFile.Kind();
    return code == rc::kOk ? Open(access) : code;
}

int32_t ShownFile::Open(GameFileAccess access) {
    mObjects.reset();
    const GameFileKind kind = mFile.Kind();
    mDescription = ViewDescription{};
    mDescription.kind = kind;
    ViewInputs inputs;
    if (kind == GameFileKind::kBitmap) {
        std::vector<uint8_t> head;
        const int32_t code = mFile.ReadHead(head, platform::kBitmapFileInfoBytes);
        if (code != rc::kOk) return code;
        mDescription = DescribeView(kind, inputs);
        mDescription.bitmap = platform::ReadBitmapFileInfo(head.data(), head.size());
        return rc::kOk;
    }
    if (kind == GameFileKind::kObject || kind == GameFileKind::kSprites || kind == GameFileKind::kWall ||
        kind == GameFileKind::kFloor) {
        const int32_t code = mFile.Open(access);
        if (code != rc::kOk) return code;
        mObjects = std::make_unique<ObjectSet>();
        mObjects->SetResourceSet(mFile.TakeContainer());
        mObjects->Load(1);
        ResourceFile* file = mObjects->ResourceSet();
        for (const ObjectRecord* object : mObjects->Objects())
            inputs.objects.push_back({object->Name(), std::to_string(object->Price()), object->Description()});
        // The lists and the table's texts show only when there is no object to preview.
        if (kind != GameFileKind::kObject || inputs.objects.empty()) {
            inputs.tableZero = tableZeroTexts(file);
            for (const SpriteRef& sprite : mObjects->Sprites())
                inputs.sprites.emplace_back(sprite.id, CountSpriteFrames(*file, sprite.id));
        }
    }
    mDescription = DescribeView(kind, inputs);
    return rc::kOk;
}

std::unique_ptr<platform::Bitmap> ShownFile::DrawFrame(int32_t spriteId, int32_t frame, uint32_t background) const {
    if (!mObjects) return nullptr;
    return DrawSprite(*mObjects->ResourceSet(), spriteId, frame, background, kSpriteViewColour);
}

std::unique_ptr<platform::Bitmap> ShownFile::RenderPreview(size_t index, int32_t view, uint32_t background,
                                                           PreviewReport* report) const {
    if (!mObjects || index >= mObjects->Objects().size()) return nullptr;
    return RenderObjectPreview(*mObjects->Objects()[index], view, background, report);
}

}  // namespace tambrix
