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

/// A file's identity and the digest of its bytes; nothing when either cannot be had.
std::optional<std::pair<platform::FileIdentity, uint64_t>> fileState(const std::string& path) {
    const std::optional<platform::FileIdentity> identity = platform::IdentifyFile(path);
    const std::optional<uint64_t> digest = identity ? platform::DigestFile(path) : std::nullopt;
    if (!digest) return std::nullopt;
    return std::pair(*identity, *digest);
}

std::vector<ResType> resourceTypes(ResourceFile& file) {
    std::vector<ResType> types;
    for (int16_t type = 1; type <= file.CountTypes(); ++type) types.push_back(file.GetIndType(type));  // from 1
    return types;
}

/// "house file: 1,204 resources, no object definitions".
std::string containerNote(const char* kindText, const ViewInputs& inputs) {
    std::string note = std::string(kindText) + ": " + GroupedNumber(inputs.resources) +
                       (inputs.resources == 1 ? " resource, " : " resources, ");
    if (inputs.definitions == 0) return note + "no object definitions";
    note += GroupedNumber(inputs.definitions) + (inputs.definitions == 1 ? " object definition" : " object definitions");
    // Tiles whose master is missing are neither shown nor drawn.
    return inputs.objects.empty() ? note + ", none to show" : note;
}

}  // namespace

int NearestSpriteRow(const ViewDescription& view) {
    const size_t labelled = std::size(kWallSpriteLabels);
    return static_cast<int>(std::min(view.sprites.size(), labelled)) - 1;
}

std::string CatalogCompletionText(CatalogCompletion completion, std::string_view fileName) {
    switch (completion) {
        case CatalogCompletion::kNone: break;
        case CatalogCompletion::kCompleted: return "catalog completed: " + std::string(fileName) + " was changed";
        case CatalogCompletion::kReadOnly: return "catalog not completed: the file is read-only";
        case CatalogCompletion::kChanged: return "catalog not completed: the file changed on disk while it was read";
        case CatalogCompletion::kFailed: return "catalog not completed: the file could not be written";
    }
    return {};
}

ViewDescription DescribeView(GameFileKind kind, const ViewInputs& inputs) {
    ViewDescription view;
    view.kind = kind;
    view.userData = kind == GameFileKind::kObject ? inputs.userData : UserDataKind::kNone;
    for (const ViewTexts& object : inputs.objects) view.objects.push_back(object.name);
    view.objectTexts = inputs.objects;
    switch (kind) {
        case GameFileKind::kBitmap: view.form = ViewForm::kBitmap; return view;
        case GameFileKind::kSkinMesh:
        case GameFileKind::kSkeleton:
            // Text files of the game: what they are and how large, no picture.
            view.form = ViewForm::kNote;
            view.note = std::string(KindText(kind)) + ": " + GroupedNumber(inputs.bytes) +
                        (inputs.bytes == 1 ? " byte" : " bytes");
            return view;
        case GameFileKind::kObject:
            // A house, character or neighborhood file always says what it is; an object
            // file when it has no object to show.
            if (view.userData != UserDataKind::kNone || inputs.objects.empty())
                view.note = containerNote(UserDataKindText(view.userData), inputs);
            if (!inputs.objects.empty())
                view.form = ViewForm::kPreview;
            else
                view.form = view.userData != UserDataKind::kNone ? ViewForm::kNote : ViewForm::kSprites;
            break;
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
    if (view.form == ViewForm::kNote) return view;
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
    mCompletion = CatalogCompletion::kNone;
    const int32_t code = mFile.Locate(path);
    mDescription.kind = mFile.Kind();
    return code == rc::kOk ? Open(access) : code;
}

int32_t ShownFile::load(GameFileAccess access) {
    mObjects.reset();
    const int32_t code = mFile.Open(access);
    if (code != rc::kOk) return code;
    mObjects = std::make_unique<ObjectSet>();
    mObjects->SetResourceSet(mFile.TakeContainer());
    mObjects->Load(1);
    return rc::kOk;
}

int32_t ShownFile::complete(const std::optional<std::pair<platform::FileIdentity, uint64_t>>& looked) {
    // The read-only container goes first: the file is opened anew for writing.
    mObjects.reset();
    const int32_t opened = mFile.Open(GameFileAccess::kViewing);
    const auto now = fileState(mFile.Path());
    if (opened != rc::kOk || !looked || !now || *looked != *now) {
        // Another program wrote the file (or put another in its place) while it was
        // read: what was decided on the old bytes must not be written into the new ones.
        mCompletion = CatalogCompletion::kChanged;
        if (opened == rc::kOk) mFile.TakeContainer().reset();
        return load(GameFileAccess::kReadOnly);
    }
    mObjects = std::make_unique<ObjectSet>();
    mObjects->SetResourceSet(mFile.TakeContainer());
    if (!mObjects->ResourceSet()->IsWritable()) {
        // Opened for reading only after all: the load below cannot write.
        mCompletion = CatalogCompletion::kReadOnly;
        mObjects->Load(1);
        return rc::kOk;
    }
    mObjects->Load(1);
    const CatalogTableCounts& tables = mObjects->CatalogTables();
    mCompletion = tables.written > 0 ? CatalogCompletion::kCompleted
                  : tables.failed > 0 ? CatalogCompletion::kFailed
                                      : CatalogCompletion::kNone;
    return rc::kOk;
}

int32_t ShownFile::Open(GameFileAccess access) {
    mObjects.reset();
    mCompletion = CatalogCompletion::kNone;
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
    if (kind == GameFileKind::kSkinMesh || kind == GameFileKind::kSkeleton) {
        const int32_t code = mFile.Size(inputs.bytes);
        if (code != rc::kOk) return code;
        mDescription = DescribeView(kind, inputs);
        return rc::kOk;
    }
    if (kind == GameFileKind::kObject || kind == GameFileKind::kSprites || kind == GameFileKind::kWall ||
        kind == GameFileKind::kFloor) {
        // Looked at read-only first: most files need no completion, and a file the user
        // only looks at is not opened for writing. Only a file on disk can be completed;
        // an archive's entries are read-only, always.
        const bool mayComplete = access == GameFileAccess::kViewing && mFile.State() == GamePathState::kFile;
        std::optional<platform::FileIdentity> looked;
        if (mayComplete) looked = platform::IdentifyFile(mFile.Path());
        int32_t code = load(GameFileAccess::kReadOnly);
        if (code != rc::kOk) return code;
        std::vector<ResType> types = resourceTypes(*mObjects->ResourceSet());
        inputs.userData = kind == GameFileKind::kObject ? UserDataKindOf(mFile.Path(), types) : UserDataKind::kNone;
        // A house, character or neighborhood file is the game's, never completed.
        if (mayComplete && inputs.userData == UserDataKind::kNone && mObjects->CatalogTables().pending > 0) {
            // The file's bytes as they are now, when it is still the file the look began
            // on: the write open must find the same.
            auto state = fileState(mFile.Path());
            if (state && (!looked || state->first != *looked)) state.reset();
            code = complete(state);
            if (code != rc::kOk) return code;
            types = resourceTypes(*mObjects->ResourceSet());
        }
        ResourceFile* file = mObjects->ResourceSet();
        for (const ResType type : types)
            inputs.resources += static_cast<uint32_t>(std::max<int16_t>(0, file->CountResources(type)));
        inputs.definitions = static_cast<uint32_t>(mObjects->AllRecords().size());
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
