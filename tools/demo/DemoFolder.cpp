#include "demo/DemoFolder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "demo/Furniture.h"
#include "demo/IsoPainter.h"
#include "demo/Surfaces.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/ResultCodes.h"
#include "core/Utf8Path.h"
#include "fileaccess/FarWriter.h"
#include "graphics/BitmapExport.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/SpriteEncoder.h"
#include "resfile/ResourceFile.h"

namespace tambrix::tools {

namespace fs = std::filesystem;

namespace {

// Resource ID conventions of the demo files, close to the game's own.
constexpr int16_t kFirstObjectId = 128;
constexpr int16_t kFirstDrawGroupId = 100;
constexpr int32_t kFirstSpriteId = 100;
constexpr int16_t kStringTableZero = 0;
constexpr int16_t kSurfacePalette = 1;
constexpr int16_t kIconPalette = 1000;

/// Writes one container through the library: Create, Open, then each resource is added
/// and written at once, so that file order is adding order.
class ContainerWriter {
public:
    ContainerWriter(std::unique_ptr<ResourceFile> file, const std::string& path) : mFile(std::move(file)) {
        FileNameText name(path);
        mError = name.Length() != path.size() ? rc::kCreateFailed : mFile->Create(name);
        if (mError == rc::kOk) mError = mFile->Open(name);
    }

    void Add(ResType type, int16_t id, const std::string& label, const std::vector<uint8_t>& body,
             bool libraryOrder = true) {
        if (mError != rc::kOk) return;
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
        if (!block) {
            mError = rc::kNoMemory;
            return;
        }
        if (!body.empty()) std::memcpy(block->data, body.data(), body.size());
        mFile->AddResource(block, type, id, LabelText(label), libraryOrder);
        if (mFile->GetError() != rc::kOk) {
            mError = mFile->GetError();
            FreeDataBlock(block);  // not taken by the file
            return;
        }
        mFile->WriteResource(block);
        if (mFile->GetError() != rc::kOk) mError = mFile->GetError();
    }

    /// A one-language string table saved by the library's own string-table writer.
    void AddStrings(ResType type, int16_t id, const std::vector<std::string>& strings) {
        if (mError != rc::kOk) return;
        StringTable table;
        table.SetSource(mFile.get(), static_cast<uint16_t>(id), type, 0, 0);
        for (size_t i = 0; i < strings.size(); ++i) table.Set(static_cast<int>(i + 1), strings[i].c_str(), 0);
        const int32_t code = table.Save();
        if (code != rc::kOk) mError = code;
    }

    int32_t Finish() {
        const int32_t closed = mFile->IsOpen() ? mFile->Close() : rc::kOk;
        return mError != rc::kOk ? mError : closed;
    }

private:
    std::unique_ptr<ResourceFile> mFile;
    int32_t mError = rc::kOk;
};

// The resources that draw one model: one palette; per tile one sprite per zoom (far,
// medium, near) with one frame per rotation, then the glow's sprites; one draw group per
// tile, whose first tile also carries the glow that crowns the whole object.
struct SpriteArt {
    int32_t id = 0;
    std::string label;
    std::vector<SpriteImage> frames;
};

struct ObjectArt {
    std::vector<Rgb> palette;
    std::vector<SpriteArt> sprites;
    std::vector<DrawGroupImages> drawGroups;
};

ObjectArt PaintObject(const Model& model, const Quality& quality, int32_t firstSpriteId) {
    const char* const zoomLabels[kViewZooms] = {"far", "medium", "near"};
    const int tiles = model.tilesX * model.tilesY;
    const int glows = model.hasGlow ? 1 : 0;
    ObjectArt art;
    art.palette = ModelRamps(model).Palette();
    art.sprites.resize(static_cast<size_t>(tiles + glows) * kViewZooms);
    for (size_t i = 0; i < art.sprites.size(); ++i) {
        const int t = static_cast<int>(i) / kViewZooms;
        const std::string part = t == tiles ? " glow" : tiles > 1 ? " tile " + std::to_string(t) : "";
        art.sprites[i].id = firstSpriteId + static_cast<int32_t>(i);
        art.sprites[i].label = model.name + part + " - " + zoomLabels[i % kViewZooms];
    }
    for (int zoom = 0; zoom < kViewZooms; ++zoom) {
        for (int rotation = 0; rotation < kViewRotations; ++rotation) {
            std::vector<SpriteImage> frames = PaintView(model, rotation, zoom, quality);
            if (glows) frames.push_back(PaintGlow(model, rotation, zoom));
            for (int t = 0; t < tiles + glows; ++t)
                art.sprites[t * kViewZooms + zoom].frames.push_back(std::move(frames[t]));
        }
    }
    for (int t = 0; t < tiles; ++t) {
        DrawGroupImages images(kViewCount);
        for (int image = 0; image < kViewCount; ++image) {
            const int zoom = image / kViewRotations, rotation = image % kViewRotations;
            for (int part : {t, t == 0 && glows ? tiles : -1}) {
                if (part < 0) continue;
                const SpriteArt& sprite = art.sprites[part * kViewZooms + zoom];
                const SpriteImage& f = sprite.frames[rotation];
                if (!f.Empty())
                    images[image].push_back(
                        {.spriteId = sprite.id, .frameIndex = rotation, .xOffset = f.x, .yOffset = f.y});
            }
        }
        art.drawGroups.push_back(std::move(images));
    }
    return art;
}

struct Catalog {
    enum Kind { None, Cats, OneLanguage, TwoLanguages, NameOnly } kind = None;
    std::string name;
    std::string description;
    std::string secondName;  // the second language's texts
    std::string secondDescription;
};

void WriteCatalog(ContainerWriter& w, int16_t id, const Catalog& c) {
    switch (c.kind) {
        case Catalog::None: break;
        case Catalog::Cats: w.Add(restype::kCATS, id, c.name, EncodeCatalogStrings(c.name, c.description)); break;
        case Catalog::OneLanguage: w.AddStrings(restype::kCTSS, id, {c.name, c.description}); break;
        case Catalog::NameOnly: w.AddStrings(restype::kCTSS, id, {c.name}); break;
        case Catalog::TwoLanguages:
            // The library's string-table writer keeps only the languages a table already
            // held, so the generator encodes this one itself.
            w.Add(restype::kCTSS, id, c.name,
                  EncodeLanguageStrings(
                      {{1, c.name, ""}, {1, c.description, ""}, {2, c.secondName, ""}, {2, c.secondDescription, ""}}));
            break;
    }
}

// The palette, the sprites and the draw groups of one painted object. The older kind
// stores SPR# sprites in the other byte order, without the library-order flag (the
// reader turns the header numbers round when it loads the chunk), and older draw groups.
void WriteGraphics(ContainerWriter& gfx, ContainerWriter& w, const ObjectArt& art, int16_t paletteId,
                   int16_t drawGroupId, const std::string& label, bool older) {
    gfx.Add(restype::kPALT, paletteId, label + " palette", EncodePalette(PaletteEntries(art.palette)));
    for (const SpriteArt& s : art.sprites) {
        if (older)
            gfx.Add(restype::kSPR, static_cast<int16_t>(s.id), s.label, EncodeSprHash(s.frames, paletteId, true),
                    false);
        else
            gfx.Add(restype::kSPR2, static_cast<int16_t>(s.id), s.label, EncodeSpr2(s.frames, paletteId));
    }
    for (size_t t = 0; t < art.drawGroups.size(); ++t) {
        const std::string name = art.drawGroups.size() > 1 ? label + " tile " + std::to_string(t) : label;
        w.Add(restype::kDGRP, static_cast<int16_t>(drawGroupId + t), name,
              older ? EncodeOlderDrawGroup(art.drawGroups[t]) : EncodeDrawGroup(art.drawGroups[t]));
    }
}

// The 2.0 header: the library always writes version 2.5, so the demo's one older file
// gets its version digit and map offset changed afterwards. A 2.0 file has no map; a
// reader walks its chunks (and skips the map chunk it finds there).
int32_t MarkVersion20(const std::string& path) {
    constexpr std::streamoff kMinorDigitOffset = 11;
    constexpr std::streamoff kMapOffsetOffset = 60;
    std::fstream f(Utf8Path(path), std::ios::in | std::ios::out | std::ios::binary);
    if (!f) return rc::kIoFailed;
    f.seekp(kMinorDigitOffset);
    f.put('0');
    f.seekp(kMapOffsetOffset);
    const char zero[4] = {0, 0, 0, 0};
    f.write(zero, sizeof zero);
    return f ? rc::kOk : rc::kIoFailed;
}

struct ObjectSpec {
    Model model;
    int16_t price;
    Catalog catalog;
};

// An object file: its objects, each painted with its own palette, sprites and draw groups.
struct ObjectFile {
    std::string path;
    std::vector<ObjectSpec> objects;
    std::string note;
    std::string companionNote;  // not empty: the graphics go to an ".spf" file of the same name
    bool older = false;         // version 2.0, SPR# sprites and older draw groups
};

class DemoWriter {
public:
    DemoWriter(std::string root, const DemoOptions& options, std::vector<DemoFile>* files, std::string& error)
        : mRoot(std::move(root)), mOptions(options), mFiles(files), mError(error) {}

    int32_t Run() {
        WriteText("readme.txt",
                  "Tambrix demo game folder\r\n"
                  "\r\n"
                  "A small folder laid out like the game's own, made by tambrix-cli demo.\r\n"
                  "Every picture in it is drawn by the generator; no game data is included.\r\n");
        WriteText("GameData/Behavior.dat", "not a file the browser lists\n");
        for (const ObjectFile& f : LooseObjects()) WriteObjectFile(f);
        WriteIcons();
        WriteSurface("GameData/Walls/SageStripe.wll",
                     {"Sage Stripe Wallpaper", "12", "Sage and cream stripes with a scatter of tiny roses."}, true);
        WriteSurface("GameData/Floors/Parquet.flr",
                     {"Oak Parquet", "8", "Honey-toned oak planks, laid in staggered rows."}, false);
        WriteBitmaps();
        WriteSkins("GameData/Skins/");
        WriteArchive();
        WriteExpansion();
        MakeFolder("GameData/Sounds");
        WriteUserData();
        if (mOptions.scale > 0) WriteScaled();
        return mCode;
    }

private:
    static std::vector<ObjectFile> LooseObjects() {
        using C = Catalog;
        return {
            {"GameData/Objects/ChairDining.iff",
             {{DiningChairModel(),
               80,
               {C::OneLanguage, "Dining Chair",
                "Solid oak and a cushioned seat. Your Sims will linger over dinner, if only to avoid the dishes.", "",
                ""}}},
             "version 2.5; single tile, twelve views; one-language CTSS catalog",
             ""},
            {"GameData/Objects/Lighting/LampFloor.iff",
             {{FloorLampModel(),
               120,
               {C::Cats, "Brass Reading Lamp",
                "A tall brass lamp with a linen shade. Casts a warm glow over late-night novels and skill building.",
                "", ""}}},
             "CATS catalog; a glow sprite blended over the shade (two entries per view)",
             ""},
            {"GameData/Objects/GlassTable.iff",
             {{GlassTableModel(),
               240,
               {C::TwoLanguages, "Glass Coffee Table",
                "Tempered glass over a walnut shelf. Show off your coffee-table books without ever opening them.",
                "Table basse en verre", "Verre trempe sur une etagere en noyer."}}},
             "sprites and palette in the .spf companion; two-language CTSS catalog",
             "sprite file of GlassTable.iff (the object view shows nothing for it)"},
            {"GameData/Objects/SofaModern.iff",
             {{SofaModel(),
               650,
               {C::OneLanguage, "Three-Seat Sofa",
                "Deep teal cushions on a hardwood frame. Seats three Sims, or one Sim and a very long nap.", "", ""}}},
             "multi-tile: a master and three tiles joined in the preview; tiles without catalog",
             ""},
            {"GameData/Objects/Plants.iff",
             {{FernModel(), 45, {C::NameOnly, "Potted Fern", "", "", ""}},
              {RubberPlantModel(),
               95,
               {C::Cats, "Rubber Plant",
                "Glossy leaves that forgive a forgotten watering or two. Adds a touch of green to any corner.", "",
                ""}}},
             "two objects; the first one's catalog lacks its description (completed on first view)",
             ""},
            {"GameData/Objects/Bookcase_Old.iff",
             {{BookcaseModel(),
               300,
               {C::Cats, "Heirloom Bookcase",
                "Four shelves of well-thumbed classics. Studying here is said to raise Logic, or at least eyebrows.",
                "", ""}}},
             "version 2.0 (no map); older SPR# sprites in the other byte order, their PALT; older draw groups",
             "",
             true},
            {"Downloads/ArmchairPrototype.IFF",
             {{ArmchairModel(), 150, {}}},
             "no catalog: the placeholder text; extension in capitals",
             ""},
        };
    }

    // The archive's objects; its catalog-less crate shows that the completion a loose file
    // gets on first view is skipped for an archived entry, which is read-only.
    static std::vector<ObjectFile> ArchivedObjects() {
        using C = Catalog;
        return {
            {"Chairs/ChairKitchen.iff",
             {{DiningChairModel(),
               55,
               {C::OneLanguage, "Kitchen Chair",
                "Painted pine with a rush seat. Sturdy enough for breakfast, humble enough for the kitchen.", "", ""}}},
             "",
             ""},
            {"Chairs/ArmchairClub.iff",
             {{ArmchairModel(),
               210,
               {C::Cats, "Club Armchair",
                "Rolled arms and a deep seat. The favourite of Sims who read the paper cover to cover.", "", ""}}},
             "",
             ""},
            {"Plants/PlantRubber.iff",
             {{RubberPlantModel(),
               70,
               {C::OneLanguage, "Office Rubber Plant",
                "A rubber plant grown for the corner office. Thrives on neglect and fluorescent light.", "", ""}}},
             "",
             "companion"},
            {"CrateStorage.iff", {{CrateModel(1), 25, {C::NameOnly, "Storage Crate", "", "", ""}}}, "", ""},
        };
    }

    std::string Full(const std::string& relative) const { return Utf8Name(Utf8Path(mRoot) / Utf8Path(relative)); }

    void Fail(int32_t code, const std::string& why) {
        if (mCode != rc::kOk) return;
        mCode = code;
        mError = why;
    }

    void MakeFolder(const std::string& relative) {
        std::error_code ec;
        fs::create_directories(Utf8Path(Full(relative)), ec);
        if (ec) Fail(rc::kCreateFailed, "cannot create folder " + Full(relative) + ": " + ec.message());
    }

    void Note(const std::string& relative, const std::string& note) { mFiles->push_back(DemoFile{relative, note}); }

    void Finish(ContainerWriter& w, const std::string& relative, const std::string& note) {
        const int32_t code = w.Finish();
        if (code != rc::kOk)
            Fail(code, "cannot write " + Full(relative) + " (result code " + std::to_string(code) + ")");
        Note(relative, note);
    }

    template <typename File>
    std::unique_ptr<ContainerWriter> Open(const std::string& relative) {
        MakeFolder(Utf8Name(Utf8Path(relative).parent_path()));
        return std::make_unique<ContainerWriter>(std::make_unique<File>(), Full(relative));
    }

    void WriteText(const std::string& relative, const std::string& text, const std::string& note = "not listed") {
        MakeFolder(Utf8Name(Utf8Path(relative).parent_path()));
        std::ofstream out(Utf8Path(Full(relative)), std::ios::binary);
        out << text;
        if (!out) Fail(rc::kShortWrite, "cannot write " + Full(relative));
        Note(relative, note);
    }

    // A GUID that looks like the game's (random) but stays the same from run to run:
    // a hash of the file, the object and the tile (-1 for the object itself), never 0.
    static uint32_t DemoGuid(const std::string& path, size_t object, int tile) {
        uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : path + "#" + std::to_string(object) + "/" + std::to_string(tile)) {
            hash ^= static_cast<uint8_t>(c);
            hash *= 16777619u;
        }
        return hash == 0 ? 1 : hash;
    }

    // Each object with its draw groups, definitions and catalog. A multi-tile object is a
    // master that carries the catalog texts, and tiles that carry the pictures. `painted`
    // stands in for the pictures of a file's one object.
    void WriteObjectFile(const ObjectFile& file, const std::string& prefix = "", const ObjectArt* painted = nullptr) {
        const std::string path = prefix + file.path;
        const std::string companion = path.substr(0, path.size() - 4) + ".spf";
        auto w = Open<IffResourceFile>(path);
        auto gfx = file.companionNote.empty() ? nullptr : Open<IffResourceFile>(companion);
        for (size_t k = 0; k < file.objects.size(); ++k) {
            const ObjectSpec& spec = file.objects[k];
            const Model& model = spec.model;
            const auto objectId = static_cast<int16_t>(kFirstObjectId + k);
            const auto drawGroupId = static_cast<int16_t>(kFirstDrawGroupId + 10 * k);
            const auto spriteId = static_cast<int32_t>(kFirstSpriteId + 100 * k);
            ObjectArt own;
            const ObjectArt& art = painted ? *painted : (own = PaintObject(model, mOptions.quality, spriteId));
            WriteGraphics(gfx ? *gfx : *w, *w, art, static_cast<int16_t>(spriteId), drawGroupId, model.name,
                          file.older);
            const int tiles = model.tilesX * model.tilesY;
            ObjectDefinition d;
            d.guid = DemoGuid(path, k, -1);
            d.baseGraphic = drawGroupId;
            d.price = spec.price;
            d.catalogId = objectId;
            if (tiles > 1) {
                d.masterId = objectId;
                d.subIndex = ObjectRecord::kMasterSubIndex;
            }
            w->Add(restype::kOBJD, objectId, model.name, EncodeObjectDefinition(d));
            for (int t = 0; tiles > 1 && t < tiles; ++t) {
                ObjectDefinition tile = d;
                tile.guid = DemoGuid(path, k, t);
                tile.baseGraphic = static_cast<int16_t>(drawGroupId + t);
                tile.subIndex = TileSubIndex(t % model.tilesX, t / model.tilesX);
                tile.catalogId = 0;
                w->Add(restype::kOBJD, static_cast<int16_t>(objectId + 1 + t),
                       model.name + " tile " + std::to_string(t), EncodeObjectDefinition(tile));
            }
            WriteCatalog(*w, objectId, spec.catalog);
        }
        Finish(*w, path, file.note);
        if (gfx) Finish(*gfx, companion, file.companionNote);
        if (file.older && mCode == rc::kOk) {
            const int32_t code = MarkVersion20(Full(path));
            if (code != rc::kOk) Fail(code, "cannot mark " + Full(path) + " as version 2.0");
        }
    }

    void WriteIcons() {
        const std::string path = "GameData/UIGraphics/Icons.iff";
        auto w = Open<IffResourceFile>(path);
        // String table 0 as a caret text: the loader falls back to it when no "STR#" 0 exists.
        w->Add(
            restype::kCST, kStringTableZero, "Icons",
            EncodeCaretText({"Interface Icons", "0", "The buy-mode coin and the selection diamond, two frames each."}));
        w->Add(restype::kPALT, kIconPalette, "icons", EncodePalette(PaletteEntries(IconPalette())));
        w->Add(restype::kSPR2, 1000, "coin", EncodeSpr2(PaintIcon(Icon::Coin), kIconPalette));
        w->Add(restype::kSPR2, 1001, "diamond", EncodeSpr2(PaintIcon(Icon::Diamond), kIconPalette));
        Finish(*w, path, "no objects: string table 0 (caret text) and two sprites of two frames");
    }

    // A version 1.0 wall or floor: string table 0 (name, price, description), a palette
    // and the sprites Far, Medium, Near. Such a file lists each type's resources newest
    // first, so they are written near first.
    void WriteSurface(const std::string& path, const std::vector<std::string>& texts, bool wall) {
        auto w = Open<LegacyIffResourceFile>(path);
        w->AddStrings(restype::kSTR, kStringTableZero, texts);
        w->Add(restype::kPALT, kSurfacePalette, wall ? "wallpaper" : "parquet",
               EncodePalette(PaletteEntries(wall ? WallPalette() : FloorPalette())));
        const char* const labels[kViewZooms] = {"Far", "Medium", "Near"};
        for (int zoom = kViewZooms - 1; zoom >= 0; --zoom) {
            w->Add(restype::kSPR2, static_cast<int16_t>(1 + zoom), labels[zoom],
                   wall ? EncodeSpr2(PaintWallFrames(zoom), kSurfacePalette)
                        : EncodeSpr2({PaintFloorTile(zoom)}, kSurfacePalette, Spr2Pixels::ColourOnly));
        }
        Finish(*w, path,
               wall ? "version 1.0 wall: sprites Far, Medium, Near of frames Left, Right, Facing, Insert"
                    : "version 1.0 floor: three one-frame sprites of colour-only pixels");
    }

    // Through the library's own bitmap writer, as the browser saves its pictures.
    void WriteBitmap(const std::string& relative, const platform::Bitmap* bitmap, const std::string& note) {
        MakeFolder(fs::path(relative).parent_path().string());
        const std::optional<PackedDib> packed = BitmapToPackedDib(bitmap, kDibUncompressed);
        if (!bitmap || !packed || !WritePackedDibFile(Full(relative), &*packed))
            Fail(rc::kShortWrite, "cannot write " + Full(relative));
        Note(relative, note);
    }

    void WriteBitmaps() {
        MakeFolder("GameData/UIGraphics");
        WriteBitmap("GameData/UIGraphics/Sunset.bmp", PaintSunset(200, 120).get(), "24-bit bitmap");
        WriteBitmap("GameData/UIGraphics/Swatches.BMP", PaintSwatches(128, 96).get(),
                    "8-bit bitmap with its colour table");
    }

    // The archive of the game's own objects: its entries are written as loose files in a
    // staging folder by the same writers, packed in a fixed order, and the staging folder
    // removed again, so that the archive's bytes are the same on every run.
    void WriteArchive() {
        if (mCode != rc::kOk) return;
        const std::string archive = "GameData/Objects/Objects.far";
        const std::string staging = ".far-staging/";
        std::vector<DemoFile> staged;
        std::vector<DemoFile>* listed = mFiles;
        mFiles = &staged;  // the staged files are not part of the folder
        for (const ObjectFile& f : ArchivedObjects()) WriteObjectFile(f, staging);
        WriteSurface(staging + "Walls/RoseStripe.wll",
                     {"Rose Stripe Wallpaper", "10", "The sage stripe's cousin, for rooms that want roses."}, true);
        WriteSurface(staging + "Floors/ParquetDark.flr",
                     {"Dark Parquet", "9", "Smoked oak planks for a study or a den."}, false);
        mFiles = listed;
        Pack(archive, staging, staged,
             "entries in sub-folders: two chairs, a plant with its .spf companion, a crate (catalog without "
             "description), a wall, a floor");
    }

    // Packs the files staged below `staging` into `archive` in the order written, then
    // removes the staging folder.
    void Pack(const std::string& archive, const std::string& staging, const std::vector<DemoFile>& staged,
              const std::string& what) {
        // Entries in the order written; sub-folders with '\', as the game's archives name them.
        std::vector<FarWriterEntry> entries;
        for (const DemoFile& f : staged) {
            std::string name = f.path.substr(staging.size());
            std::replace(name.begin(), name.end(), '/', '\\');
            std::ifstream in(Utf8Path(Full(f.path)), std::ios::binary);
            if (!in.is_open()) Fail(rc::kShortRead, "cannot read back " + Full(f.path));
            entries.push_back(FarWriterEntry{name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
        }
        std::error_code ec;
        fs::remove_all(Utf8Path(Full(staging)), ec);
        if (mCode != rc::kOk) return;
        if (ec) return Fail(rc::kIoFailed, "cannot remove " + Full(staging) + ": " + ec.message());
        MakeFolder(fs::path(archive).parent_path().string());
        const int32_t code = WriteFarArchive(Full(archive).c_str(), entries);
        if (code != rc::kOk)
            return Fail(code, "cannot write " + Full(archive) + " (result code " + std::to_string(code) + ")");
        Note(archive, "FAR archive (1a) of " + std::to_string(entries.size()) + " " + what);
    }

    // A skin as the game keeps it: the mesh and the skeleton bindings are text files, the
    // texture a bitmap. Made up here, line by line; nothing draws them.
    void WriteSkins(const std::string& folder) {
        WriteText(folder + "DemoBody_fit.skn",
                  "DemoBody_fit\r\nDemoBody_fit.bmp\r\n1\r\npelvis\r\n0\r\n3\r\n"
                  "0 0 0\r\n0 1 0\r\n1 0 0\r\n1\r\n0 1 2\r\n",
                  "skin mesh (a text file): listed and described, not drawn");
        WriteText(folder + "demo-skeleton.cmx",
                  "// demo skeleton bindings\r\nversion 300\r\n0\r\n1\r\nDemoBody_fit\r\n0\r\n1\r\n"
                  "pelvis\r\nDemoBody_fit\r\nDemoBody_fit\r\n",
                  "skeleton bindings (a text file): listed and described");
        WriteBitmap(folder + "DemoBody_fit.bmp", PaintSwatches(32, 32).get(), "the skin's texture: a bitmap");
    }

    // An expansion pack's folder: its own archive of an object and a skin, and an archive
    // of sounds only, which the browser lists none of and describes by what it holds.
    void WriteExpansion() {
        if (mCode != rc::kOk) return;
        const std::string staging = ".far-staging/";
        std::vector<DemoFile> staged;
        std::vector<DemoFile>* listed = mFiles;
        mFiles = &staged;
        using C = Catalog;
        WriteObjectFile({"Objects/PatioChair.iff",
                         {{DiningChairModel(),
                           70,
                           {C::OneLanguage, "Patio Chair",
                            "Weathered teak for the back garden. Shipped with the first expansion of the demo.", "",
                            ""}}},
                         "",
                         ""},
                        staging);
        WriteSkins(staging + "Skins/");
        mFiles = listed;
        Pack("ExpansionPack1/ExpansionPack1.far", staging, staged,
             "entries: an object, a skin mesh, skeleton bindings and the skin's bitmap");
        if (mCode != rc::kOk) return;
        mFiles = &staged;
        staged.clear();
        for (const char* sound : {"splash.wav", "giggle.wav", "doorbell.wav"}) WriteSilence(staging + sound);
        mFiles = listed;
        Pack("ExpansionPack1/Sounds.far", staging, staged, "sounds: no file the browser lists (\"3 files: .wav\")");
    }

    // A short silent sound: a RIFF header and a tenth of a second of 8-bit mono silence.
    void WriteSilence(const std::string& relative) {
        constexpr uint32_t kRate = 11025;
        constexpr uint32_t kSamples = kRate / 10;
        std::string bytes;
        const auto u32 = [&bytes](uint32_t v) {
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        };
        const auto u16 = [&bytes](uint16_t v) {
            bytes.push_back(static_cast<char>(v & 0xFF));
            bytes.push_back(static_cast<char>(v >> 8));
        };
        bytes += "RIFF";
        u32(36 + kSamples);
        bytes += "WAVEfmt ";
        u32(16);
        u16(1);  // PCM
        u16(1);  // mono
        u32(kRate);
        u32(kRate);  // bytes per second
        u16(1);      // block alignment
        u16(8);      // bits per sample
        bytes += "data";
        u32(kSamples);
        bytes.append(kSamples, static_cast<char>(0x80));  // 8-bit silence is the middle value
        WriteText(relative, bytes, "a silent sound");
    }

    // The player's own files: a house, a character and the neighborhood. The browser says
    // what each is and never writes them (the character's catalog lacks its description,
    // which an object file would get completed). Their resources are made up.
    void WriteUserData() {
        auto house = Open<IffResourceFile>("UserData/Houses/House01.iff");
        house->Add(MakeResType("HOUS"), 0, "House 1", std::vector<uint8_t>(64, 0));
        for (int16_t floor = 0; floor < 4; ++floor)
            house->Add(MakeResType("ARRY"), floor, "Floor map " + std::to_string(floor), std::vector<uint8_t>(256, 1));
        Finish(*house, "UserData/Houses/House01.iff", "house file: five resources, no object definitions");
        auto character = Open<IffResourceFile>("UserData/Characters/User00001.iff");
        ObjectDefinition person;
        person.catalogId = 2000;
        character->Add(restype::kOBJD, 128, "Demo Sim", EncodeObjectDefinition(person));
        WriteCatalog(*character, 2000, {Catalog::NameOnly, "Demo Sim", "", "", ""});
        character->AddStrings(restype::kSTR, 200, {"demo", "sim"});
        Finish(*character, "UserData/Characters/User00001.iff",
               "character file: an object without pictures whose catalog lacks its description (never completed)");
        auto neighborhood = Open<IffResourceFile>("UserData/Neighborhood.iff");
        neighborhood->Add(MakeResType("NGBH"), 1, "Neighborhood", std::vector<uint8_t>(32, 0));
        neighborhood->Add(MakeResType("NBRS"), 1, "Neighbors", std::vector<uint8_t>(32, 0));
        Finish(*neighborhood, "UserData/Neighborhood.iff", "neighborhood file: two resources, no object definitions");
    }

    // Scaled folders: one crate painted once; each file gets its own palette (the wood
    // tone turned by swapping channels), price and name, in a tree that widens and
    // deepens as it grows, and the last file at the bottom of a long chain of folders.
    void WriteScaled() {
        const Model crate = CrateModel(0);
        const ObjectArt art = PaintObject(crate, mOptions.quality, kFirstSpriteId);
        constexpr int kFilesPerFolder = 25;
        constexpr int kFanOut = 4;
        constexpr int kDeepLevels = 16;
        const auto folder = [](char letter, int k) { return std::string(1, letter) + std::to_string(k) + '/'; };
        for (int n = 0; n < mOptions.scale && mCode == rc::kOk; ++n) {
            std::string path;
            if (n == mOptions.scale - 1) {
                path = "Deep/";
                for (int level = 1; level <= kDeepLevels; ++level) path += folder('L', level);
            } else {
                // Folder k sits under folder (k - 1) / kFanOut.
                for (int k = n / kFilesPerFolder; k > 0; k = (k - 1) / kFanOut) path = folder('F', k) + path;
            }
            ObjectArt tinted = art;
            for (Rgb& c : tinted.palette) {
                const Rgb o = c;
                if (n % 3 == 1) c = Rgb{o.g, o.b, o.r};
                if (n % 3 == 2) c = Rgb{o.b, o.r, o.g};
            }
            const Catalog catalog{Catalog::OneLanguage, "Crate No. " + std::to_string(n),
                                  "A plain shipping crate, one of many.", "", ""};
            WriteObjectFile({path + "Crate" + std::to_string(n) + ".iff",
                             {{crate, static_cast<int16_t>(10 + n % 500), catalog}},
                             "generated",
                             ""},
                            "Downloads/Generated/", &tinted);
        }
    }

    std::string mRoot;
    DemoOptions mOptions;
    std::vector<DemoFile>* mFiles;
    std::string& mError;
    int32_t mCode = rc::kOk;
};

}  // namespace

int32_t WriteDemoFolder(const std::string& root, const DemoOptions& options, std::vector<DemoFile>* files,
                        std::string& error) {
    if (options.scale < 0 || options.scale > kMaxDemoScale) {
        error = "scale must lie in 0.." + std::to_string(kMaxDemoScale);
        return rc::kIoFailed;
    }
    std::error_code ec;
    if (fs::exists(Utf8Path(root), ec) && !fs::is_empty(Utf8Path(root), ec)) {
        error = root + " already exists and is not empty";
        return rc::kFileExists;
    }
    std::vector<DemoFile> local;
    return DemoWriter(root, options, files ? files : &local, error).Run();
}

std::vector<uint8_t> EncodeOlderDrawGroup(const DrawGroupImages& images) {
    constexpr uint16_t kSkippedType = 0x0001;
    DrawGroupImages typed;
    for (const std::vector<DrawGroupEntry>& image : images) {
        // Were it drawn, the skipped entry would cover the picture.
        std::vector<DrawGroupEntry> entries = {
            {.spriteId = image.empty() ? 0 : image[0].spriteId, .xOffset = -500, .yOffset = 500, .type = kSkippedType}};
        entries.insert(entries.end(), image.begin(), image.end());
        typed.push_back(std::move(entries));
    }
    return EncodeDrawGroup(typed, kDrawGroupOldZVersion);
}

}  // namespace tambrix::tools
