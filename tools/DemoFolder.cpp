#include "DemoFolder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <memory>

#include "Furniture.h"
#include "ObjectArt.h"
#include "ResourceEncoders.h"
#include "SpriteEncoder.h"
#include "Surfaces.h"
#include "resfile/ResourceFile.h"
#include "resfile/ResultCodes.h"
#include "fileaccess/FarWriter.h"

#include "iff/IffResourceFile.h"
#include "iff/LegacyIffResourceFile.h"
#include "catalog/StringTable.h"
#include "graphics/BitmapExport.h"
#include "platform/Bitmap.h"

namespace tambrix::tools {

namespace fs = std::filesystem;

namespace {

// Resource ID conventions of the demo files, close to the game's own.
constexpr int16_t kFirstObjectId = 128;
constexpr int16_t kFirstDrawGroupId = 100;
constexpr int32_t kFirstSpriteId = 100;
constexpr int16_t kStringTableZero = 0;

/// Writes one container through the library: Create, Open, then each resource is added
/// and written at once, so that file order is adding order.
class ContainerWriter {
public:
    ContainerWriter(std::unique_ptr<ResourceFile> file, std::string path) : mFile(std::move(file)), mPath(std::move(path)) {
        FileNameText name(mPath);
        if (name.Length() != mPath.size()) {
            mError = rc::kCreateFailed;
            return;
        }
        mError = mFile->Create(name);
        if (mError == rc::kOk) mError = mFile->Open(name);
    }

    void Add(ResType type, int16_t id, const std::string& label, const std::vector<uint8_t>& body, bool libraryOrder = true) {
        if (mError != rc::kOk) return;
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
        if (!block) {
            mError = rc::kNoMemory;
            return;
        }
        if (!body.empty()) std::memcpy(block->data, body.data(), body.size());
        const LabelText text(label);
        mFile->AddResource(block, type, id, text, libraryOrder);
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

    ResourceFile& File() { return *mFile; }

private:
    std::unique_ptr<ResourceFile> mFile;
    std::string mPath;
    int32_t mError = rc::kOk;
};

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
        case Catalog::TwoLanguages: {
            // Two languages: the library's string-table writer keeps only the languages a
            // table already held, so the generator encodes this one itself.
            const std::vector<LanguageString> entries{{1, c.name, ""}, {1, c.description, ""},
                                                      {2, c.secondName, ""}, {2, c.secondDescription, ""}};
            w.Add(restype::kCTSS, id, c.name, EncodeLanguageStrings(entries));
            break;
        }
    }
}

enum class SpriteKind { Spr2, SprHashBigEndian };

// The palette, the sprites and the draw groups of one painted object.
void WriteGraphics(ContainerWriter& gfx, const ObjectArt& art, int16_t paletteId, const std::string& label,
                   SpriteKind kind) {
    gfx.Add(restype::kPALT, paletteId, label + " palette", EncodePalette(art.palette));
    for (const SpriteArt& s : art.sprites) {
        if (kind == SpriteKind::Spr2) {
            gfx.Add(restype::kSPR2, static_cast<int16_t>(s.id), s.label, EncodeSpr2(s.frames, paletteId));
        } else {
            // Stored in the other byte order, without the library-order flag: the reader
            // turns the header numbers round when it loads the chunk.
            gfx.Add(restype::kSPR, static_cast<int16_t>(s.id), s.label, EncodeSprHash(s.frames, paletteId, true), false);
        }
    }
}

void WriteDrawGroups(ContainerWriter& w, const ObjectArt& art, int16_t firstId, const std::string& label, bool oldVersion) {
    for (size_t t = 0; t < art.drawGroups.size(); ++t) {
        const std::string name = art.drawGroups.size() > 1 ? label + " tile " + std::to_string(t) : label;
        w.Add(restype::kDGRP, static_cast<int16_t>(firstId + t), name,
              oldVersion ? EncodeOldDrawGroup(art.drawGroups[t], 1) : EncodeDrawGroup(art.drawGroups[t]));
    }
}

// The 2.0 header: the library always writes version 2.5, so the demo's one older file
// gets its version digit and map offset changed afterwards. A 2.0 file has no map; a
// reader walks its chunks (and skips the map chunk it finds there).
int32_t MarkVersion20(const std::string& path) {
    constexpr std::streamoff kMinorDigitOffset = 11;
    constexpr std::streamoff kMapOffsetOffset = 60;
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!f) return rc::kIoFailed;
    f.seekp(kMinorDigitOffset);
    f.put('0');
    f.seekp(kMapOffsetOffset);
    const char zero[4] = {0, 0, 0, 0};
    f.write(zero, sizeof zero);
    return f ? rc::kOk : rc::kIoFailed;
}

class DemoWriter {
public:
    DemoWriter(std::string root, const DemoOptions& options, std::vector<DemoFile>* files)
        : mRoot(std::move(root)), mOptions(options), mFiles(files) {}

    int32_t Run(std::string& error) {
        mError = &error;
        WriteReadme();
        WriteChair();
        WriteLamp();
        WriteGlassTable();
        WriteSofa();
        WritePlants();
        WriteBookcase();
        WriteArmchair();
        WriteIcons();
        WriteWall("GameData/Walls/SageStripe.wll", {"Sage Stripe Wallpaper", "12", "Sage and cream stripes with a scatter of tiny roses."});
        WriteFloor("GameData/Floors/Parquet.flr", {"Oak Parquet", "8", "Honey-toned oak planks, laid in staggered rows."});
        WriteBitmaps();
        WriteArchive();
        MakeFolder("GameData/Sounds");
        MakeFolder("UserData/Houses");
        if (mOptions.scale > 0) WriteScaled();
        return mCode;
    }

private:
    std::string Full(const std::string& relative) const { return (fs::path(mRoot) / relative).string(); }

    void MakeFolder(const std::string& relative) {
        std::error_code ec;
        fs::create_directories(Full(relative), ec);
        if (ec) Fail(rc::kCreateFailed, "cannot create folder " + Full(relative) + ": " + ec.message());
    }

    void Fail(int32_t code, const std::string& why) {
        if (mCode != rc::kOk) return;
        mCode = code;
        *mError = why;
    }

    void Note(const std::string& relative, const std::string& note) {
        if (mFiles) mFiles->push_back(DemoFile{relative, note});
    }

    void Finish(ContainerWriter& w, const std::string& relative, const std::string& note) {
        const int32_t code = w.Finish();
        if (code != rc::kOk) Fail(code, "cannot write " + Full(relative) + " (result code " + std::to_string(code) + ")");
        Note(relative, note);
    }

    std::unique_ptr<ContainerWriter> Iff(const std::string& relative) {
        MakeFolder(fs::path(relative).parent_path().string());
        return std::make_unique<ContainerWriter>(std::make_unique<IffResourceFile>(), Full(relative));
    }
    std::unique_ptr<ContainerWriter> Legacy(const std::string& relative) {
        MakeFolder(fs::path(relative).parent_path().string());
        return std::make_unique<ContainerWriter>(std::make_unique<LegacyIffResourceFile>(), Full(relative));
    }

    void WriteText(const std::string& relative, const std::string& text) {
        MakeFolder(fs::path(relative).parent_path().string());
        std::ofstream out(Full(relative), std::ios::binary);
        out << text;
        if (!out) Fail(rc::kShortWrite, "cannot write " + Full(relative));
        Note(relative, "not listed");
    }

    // One single-tile or multi-tile object with its graphics in the same file.
    void WriteObject(ContainerWriter& w, ContainerWriter& gfx, const Model& model, int16_t objectId, int16_t price,
                     int16_t catalogId, const Catalog& catalog, int16_t drawGroupId, int32_t spriteId,
                     SpriteKind kind = SpriteKind::Spr2, bool oldDrawGroups = false) {
        const ObjectArt art = PaintObject(model, mOptions.quality, spriteId, model.name);
        WriteGraphics(gfx, art, static_cast<int16_t>(spriteId), model.name, kind);
        WriteDrawGroups(w, art, drawGroupId, model.name, oldDrawGroups);
        const int tiles = model.tilesX * model.tilesY;
        if (tiles == 1) {
            ObjectDefinition d;
            d.baseGraphic = drawGroupId;
            d.price = price;
            d.catalogId = catalogId;
            w.Add(restype::kOBJD, objectId, model.name, EncodeObjectDefinition(d));
        } else {
            // The master carries the catalog texts; the tiles carry the pictures.
            const int16_t masterId = objectId;
            ObjectDefinition master;
            master.baseGraphic = drawGroupId;
            master.masterId = masterId;
            master.subIndex = kMasterSubIndex;
            master.price = price;
            master.catalogId = catalogId;
            w.Add(restype::kOBJD, objectId, model.name, EncodeObjectDefinition(master));
            for (int t = 0; t < tiles; ++t) {
                ObjectDefinition tile;
                tile.baseGraphic = static_cast<int16_t>(drawGroupId + t);
                tile.masterId = masterId;
                tile.subIndex = TileSubIndex(t % model.tilesX, t / model.tilesX);
                tile.price = price;
                w.Add(restype::kOBJD, static_cast<int16_t>(objectId + 1 + t),
                      model.name + " tile " + std::to_string(t), EncodeObjectDefinition(tile));
            }
        }
        WriteCatalog(w, catalogId, catalog);
    }

    void WriteReadme() {
        WriteText("readme.txt",
                  "Tambrix demo game folder\r\n"
                  "\r\n"
                  "A small folder laid out like the game's own, made by tambrix-cli demo.\r\n"
                  "Every picture in it is drawn by the generator; no game data is included.\r\n");
        WriteText("GameData/Behavior.dat", "not a file the browser lists\n");
    }

    void WriteChair() {
        const std::string path = "GameData/Objects/ChairDining.iff";
        auto w = Iff(path);
        Catalog c{Catalog::OneLanguage, "Dining Chair",
                  "Solid oak and a cushioned seat. Your Sims will linger over dinner, if only to avoid the dishes.", "", ""};
        WriteObject(*w, *w, DiningChairModel(), kFirstObjectId, 80, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, path, "version 2.5; single tile, twelve views; one-language CTSS catalog");
    }

    void WriteLamp() {
        const std::string path = "GameData/Objects/Lighting/LampFloor.iff";
        auto w = Iff(path);
        Catalog c{Catalog::Cats, "Brass Reading Lamp",
                  "A tall brass lamp with a linen shade. Casts a warm glow over late-night novels and skill building.", "", ""};
        WriteObject(*w, *w, FloorLampModel(), kFirstObjectId, 120, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, path, "CATS catalog; a glow sprite blended over the shade (two entries per view)");
    }

    void WriteGlassTable() {
        const std::string path = "GameData/Objects/GlassTable.iff";
        const std::string companion = "GameData/Objects/GlassTable.spf";
        auto w = Iff(path);
        auto gfx = Iff(companion);
        Catalog c{Catalog::TwoLanguages, "Glass Coffee Table",
                  "Tempered glass over a walnut shelf. Show off your coffee-table books without ever opening them.",
                  "Table basse en verre", "Verre trempe sur une etagere en noyer."};
        WriteObject(*w, *gfx, GlassTableModel(), kFirstObjectId, 240, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, path, "sprites and palette in the .spf companion; two-language CTSS catalog");
        Finish(*gfx, companion, "sprite file of GlassTable.iff (the object view shows nothing for it)");
    }

    void WriteSofa() {
        const std::string path = "GameData/Objects/SofaModern.iff";
        auto w = Iff(path);
        Catalog c{Catalog::OneLanguage, "Three-Seat Sofa",
                  "Deep teal cushions on a hardwood frame. Seats three Sims, or one Sim and a very long nap.", "", ""};
        WriteObject(*w, *w, SofaModel(), kFirstObjectId, 650, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, path, "multi-tile: a master and three tiles joined in the preview; tiles without catalog");
    }

    void WritePlants() {
        const std::string path = "GameData/Objects/Plants.iff";
        auto w = Iff(path);
        Catalog fern{Catalog::NameOnly, "Potted Fern", "", "", ""};
        WriteObject(*w, *w, FernModel(), kFirstObjectId, 45, kFirstObjectId, fern, kFirstDrawGroupId, kFirstSpriteId);
        Catalog rubber{Catalog::Cats, "Rubber Plant",
                       "Glossy leaves that forgive a forgotten watering or two. Adds a touch of green to any corner.", "", ""};
        WriteObject(*w, *w, RubberPlantModel(), kFirstObjectId + 1, 95, kFirstObjectId + 1, rubber,
                    kFirstDrawGroupId + 10, kFirstSpriteId + 100);
        Finish(*w, path, "two objects; the first one's catalog lacks its description (completed on first view)");
    }

    void WriteBookcase() {
        const std::string path = "GameData/Objects/Bookcase_Old.iff";
        auto w = Iff(path);
        Catalog c{Catalog::Cats, "Heirloom Bookcase",
                  "Four shelves of well-thumbed classics. Studying here is said to raise Logic, or at least eyebrows.", "", ""};
        WriteObject(*w, *w, BookcaseModel(), kFirstObjectId, 300, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId,
                    SpriteKind::SprHashBigEndian, true);
        Finish(*w, path, "");
        if (mCode == rc::kOk) {
            const int32_t code = MarkVersion20(Full(path));
            if (code != rc::kOk) Fail(code, "cannot mark " + Full(path) + " as version 2.0");
        }
        mFiles->back().note = "version 2.0 (no map); older SPR# sprites in the other byte order, their PALT; older draw groups";
    }

    void WriteArmchair() {
        const std::string path = "Downloads/ArmchairPrototype.IFF";
        auto w = Iff(path);
        WriteObject(*w, *w, ArmchairModel(), kFirstObjectId, 150, kFirstObjectId, Catalog{}, kFirstDrawGroupId,
                    kFirstSpriteId);
        Finish(*w, path, "no catalog: the placeholder text; extension in capitals");
    }

    void WriteIcons() {
        const std::string path = "GameData/UIGraphics/Icons.iff";
        auto w = Iff(path);
        // String table 0 as a caret text: the loader falls back to it when no "STR#" 0 exists.
        w->Add(restype::kCST, kStringTableZero, "Icons",
               EncodeCaretText({"Interface Icons", "0", "The buy-mode coin and the selection diamond, two frames each."}));
        ColourQuantizer q;
        std::vector<RgbaFrame> coin = PaintCoinIcon(), diamond = PaintDiamondIcon();
        for (const std::vector<RgbaFrame>* set : {&coin, &diamond})
            for (const RgbaFrame& f : *set) q.Add(f.rgb, f.alpha);
        const std::vector<Rgb> palette = q.BuildPalette();
        constexpr int16_t kIconPalette = 1000;
        w->Add(restype::kPALT, kIconPalette, "icons", EncodePalette(palette));
        w->Add(restype::kSPR2, 1000, "coin", EncodeSpr2(QuantizeFrames(coin, q), kIconPalette));
        w->Add(restype::kSPR2, 1001, "diamond", EncodeSpr2(QuantizeFrames(diamond, q), kIconPalette));
        Finish(*w, path, "no objects: string table 0 (caret text) and two sprites of two frames");
    }

    // String table 0 of a wall or floor: name, price, description.
    void WriteWall(const std::string& path, const std::vector<std::string>& texts) {
        auto w = Legacy(path);
        w->AddStrings(restype::kSTR, kStringTableZero, texts);
        std::vector<std::vector<RgbaFrame>> zooms;
        ColourQuantizer q;
        for (int zoom = 0; zoom < kZooms; ++zoom) {
            zooms.push_back(PaintWallFrames(zoom));
            for (const RgbaFrame& f : zooms.back()) q.Add(f.rgb, f.alpha);
        }
        const std::vector<Rgb> palette = q.BuildPalette();
        constexpr int16_t kWallPalette = 1;
        w->Add(restype::kPALT, kWallPalette, "wallpaper", EncodePalette(palette));
        // A version 1.0 file lists each type's resources newest first: written near
        // first, they read back far, medium, near.
        const char* const labels[kZooms] = {"Far", "Medium", "Near"};
        for (int zoom = kZooms - 1; zoom >= 0; --zoom)
            w->Add(restype::kSPR2, static_cast<int16_t>(1 + zoom), labels[zoom], EncodeSpr2(QuantizeFrames(zooms[zoom], q), kWallPalette));
        Finish(*w, path, "version 1.0 wall: sprites Far, Medium, Near of frames Left, Right, Facing, Insert");
    }

    void WriteFloor(const std::string& path, const std::vector<std::string>& texts) {
        auto w = Legacy(path);
        w->AddStrings(restype::kSTR, kStringTableZero, texts);
        std::vector<RgbaFrame> tiles;
        ColourQuantizer q;
        for (int zoom = 0; zoom < kZooms; ++zoom) {
            tiles.push_back(PaintFloorTile(zoom));
            q.Add(tiles.back().rgb, tiles.back().alpha);
        }
        const std::vector<Rgb> palette = q.BuildPalette();
        constexpr int16_t kFloorPalette = 1;
        w->Add(restype::kPALT, kFloorPalette, "parquet", EncodePalette(palette));
        const char* const labels[kZooms] = {"Far", "Medium", "Near"};
        for (int zoom = kZooms - 1; zoom >= 0; --zoom)
            w->Add(restype::kSPR2, static_cast<int16_t>(1 + zoom), labels[zoom],
                   EncodeSpr2(QuantizeFrames({tiles[zoom]}, q), kFloorPalette, Spr2Pixels::ColourOnly));
        Finish(*w, path, "version 1.0 floor: three one-frame sprites of colour-only pixels");
    }

    void WriteBitmaps();
    void WriteScaled();
    void WriteArchive();
    // Through the library's own bitmap writer, as the browser saves its pictures.
    void WriteBitmapFile(const std::string& relative, const platform::Bitmap& bitmap, const std::string& note) {
        const std::optional<PackedDib> packed = BitmapToPackedDib(&bitmap, kDibUncompressed);
        if (!packed || !WritePackedDibFile(Full(relative), &*packed)) Fail(rc::kShortWrite, "cannot write " + Full(relative));
        Note(relative, note);
    }

    std::string mRoot;
    DemoOptions mOptions;
    std::vector<DemoFile>* mFiles;
    std::string* mError = nullptr;
    int32_t mCode = rc::kOk;
};

void DemoWriter::WriteBitmaps() {
    MakeFolder("GameData/UIGraphics");
    constexpr int kSunsetWidth = 200, kSunsetHeight = 120;
    auto sunset = platform::Bitmap::Create(kSunsetWidth, kSunsetHeight, 24);
    const std::vector<Rgb> sky = PaintSunset(kSunsetWidth, kSunsetHeight);
    for (int y = 0; y < kSunsetHeight; ++y) {
        uint8_t* row = sunset->TopRow(y);
        for (int x = 0; x < kSunsetWidth; ++x) {
            const Rgb c = sky[static_cast<size_t>(y) * kSunsetWidth + x];
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    WriteBitmapFile("GameData/UIGraphics/Sunset.bmp", *sunset, "24-bit bitmap");

    constexpr int kSwatchWidth = 128, kSwatchHeight = 96;
    auto swatches = platform::Bitmap::Create(kSwatchWidth, kSwatchHeight, 8);
    std::vector<Rgb> palette;
    const std::vector<uint8_t> indices = PaintSwatches(kSwatchWidth, kSwatchHeight, palette);
    for (int i = 0; i < platform::Bitmap::kColourTableSize; ++i)
        swatches->ColourTable()[i] = platform::RgbQuad{palette[i].b, palette[i].g, palette[i].r, 0};
    for (int y = 0; y < kSwatchHeight; ++y)
        std::memcpy(swatches->TopRow(y), indices.data() + static_cast<size_t>(y) * kSwatchWidth, kSwatchWidth);
    WriteBitmapFile("GameData/UIGraphics/Swatches.BMP", *swatches, "8-bit bitmap with its colour table");
}

// The archive of the game's own objects: its entries are written as loose files in a
// staging folder by the same writers, packed in a fixed order, and the staging folder
// removed again, so that the archive's bytes are the same on every run.
void DemoWriter::WriteArchive() {
    if (mCode != rc::kOk) return;
    const std::string archive = "GameData/Objects/Objects.far";
    const std::string staging = ".far-staging";
    std::vector<DemoFile> staged;
    std::vector<DemoFile>* listed = mFiles;
    mFiles = &staged;  // the staged files are not part of the folder

    const auto stage = [&](const std::string& entry) { return staging + "/" + entry; };
    {
        auto w = Iff(stage("Chairs/ChairKitchen.iff"));
        Catalog c{Catalog::OneLanguage, "Kitchen Chair",
                  "Painted pine with a rush seat. Sturdy enough for breakfast, humble enough for the kitchen.", "", ""};
        WriteObject(*w, *w, DiningChairModel(), kFirstObjectId, 55, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, stage("Chairs/ChairKitchen.iff"), "");
    }
    {
        auto w = Iff(stage("Chairs/ArmchairClub.iff"));
        Catalog c{Catalog::Cats, "Club Armchair",
                  "Rolled arms and a deep seat. The favourite of Sims who read the paper cover to cover.", "", ""};
        WriteObject(*w, *w, ArmchairModel(), kFirstObjectId, 210, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, stage("Chairs/ArmchairClub.iff"), "");
    }
    {
        auto w = Iff(stage("Plants/PlantRubber.iff"));
        auto gfx = Iff(stage("Plants/PlantRubber.spf"));
        Catalog c{Catalog::OneLanguage, "Office Rubber Plant",
                  "A rubber plant grown for the corner office. Thrives on neglect and fluorescent light.", "", ""};
        WriteObject(*w, *gfx, RubberPlantModel(), kFirstObjectId, 70, kFirstObjectId, c, kFirstDrawGroupId,
                    kFirstSpriteId);
        Finish(*w, stage("Plants/PlantRubber.iff"), "");
        Finish(*gfx, stage("Plants/PlantRubber.spf"), "");
    }
    {
        auto w = Iff(stage("CrateStorage.iff"));
        // Its catalog lacks the description: the completion a loose file gets on first view
        // is skipped for an archived entry, which is read-only.
        Catalog c{Catalog::NameOnly, "Storage Crate", "", "", ""};
        WriteObject(*w, *w, CrateModel(1), kFirstObjectId, 25, kFirstObjectId, c, kFirstDrawGroupId, kFirstSpriteId);
        Finish(*w, stage("CrateStorage.iff"), "");
    }
    WriteWall(stage("Walls/RoseStripe.wll"), {"Rose Stripe Wallpaper", "10", "The sage stripe's cousin, for rooms that want roses."});
    WriteFloor(stage("Floors/ParquetDark.flr"), {"Dark Parquet", "9", "Smoked oak planks for a study or a den."});
    mFiles = listed;

    // Entries in the order written; sub-folders with '\', as the game's archives name them.
    std::vector<FarWriterEntry> entries;
    for (const DemoFile& f : staged) {
        std::string name = f.path.substr(staging.size() + 1);
        std::replace(name.begin(), name.end(), '/', '\\');
        std::ifstream in(Full(f.path), std::ios::binary);
        if (!in.is_open()) Fail(rc::kShortRead, "cannot read back " + Full(f.path));
        entries.push_back(FarWriterEntry{name, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})});
    }
    std::error_code ec;
    fs::remove_all(Full(staging), ec);
    if (mCode != rc::kOk) return;
    if (ec) return Fail(rc::kIoFailed, "cannot remove " + Full(staging) + ": " + ec.message());
    const int32_t code = WriteFarArchive(Full(archive).c_str(), entries);
    if (code != rc::kOk) return Fail(code, "cannot write " + Full(archive) + " (result code " + std::to_string(code) + ")");
    Note(archive, "FAR archive (1a) of " + std::to_string(entries.size()) +
                      " entries in sub-folders: two chairs, a plant with its .spf companion, a crate (catalog without description), a wall, a floor");
}

void DemoWriter::WriteScaled() {
    // One crate drawn once; each file gets its own palette, price and name.
    const Model crate = CrateModel(0);
    const ObjectArt art = PaintObject(crate, mOptions.quality, kFirstSpriteId, crate.name);
    constexpr int kFilesPerFolder = 25;
    constexpr int kFanOut = 4;
    constexpr int kDeepLevels = 16;
    for (int n = 0; n < mOptions.scale && mCode == rc::kOk; ++n) {
        std::string path;
        if (n == mOptions.scale - 1) {
            // The last one at the bottom of a long chain of folders.
            for (int level = 1; level <= kDeepLevels; ++level) path += "L" + std::to_string(level) + "/";
            path = "Deep/" + path;
        } else {
            // Folder k sits under folder (k - 1) / kFanOut: a tree that widens and deepens as it grows.
            for (int k = n / kFilesPerFolder; k > 0; k = (k - 1) / kFanOut) path = "F" + std::to_string(k) + "/" + path;
        }
        const std::string relative = "Downloads/Generated/" + path + "Crate" + std::to_string(n) + ".iff";
        auto w = Iff(relative);
        ObjectArt tinted = art;
        for (Rgb& c : tinted.palette) {
            // Turn the wood tone per file: swap channels and darken by the number.
            const int turn = n % 3;
            const Rgb o = c;
            if (turn == 1) c = Rgb{o.g, o.b, o.r};
            if (turn == 2) c = Rgb{o.b, o.r, o.g};
        }
        WriteGraphics(*w, tinted, static_cast<int16_t>(kFirstSpriteId), crate.name, SpriteKind::Spr2);
        WriteDrawGroups(*w, tinted, kFirstDrawGroupId, crate.name, false);
        ObjectDefinition d;
        d.baseGraphic = kFirstDrawGroupId;
        d.price = static_cast<int16_t>(10 + n % 500);
        d.catalogId = kFirstObjectId;
        w->Add(restype::kOBJD, kFirstObjectId, "Crate", EncodeObjectDefinition(d));
        w->AddStrings(restype::kCTSS, kFirstObjectId,
                      {"Crate No. " + std::to_string(n), "A plain shipping crate, one of many."});
        Finish(*w, relative, "generated");
    }
}

}  // namespace

int32_t WriteDemoFolder(const std::string& root, const DemoOptions& options, std::vector<DemoFile>* files,
                        std::string& error) {
    if (options.scale < 0 || options.scale > kMaxDemoScale) {
        error = "scale must lie in 0.." + std::to_string(kMaxDemoScale);
        return rc::kIoFailed;
    }
    std::error_code ec;
    if (fs::exists(root, ec) && !fs::is_empty(root, ec)) {
        error = root + " already exists and is not empty";
        return rc::kFileExists;
    }
    std::vector<DemoFile> local;
    DemoWriter writer(root, options, files ? files : &local);
    return writer.Run(error);
}

}  // namespace tambrix::tools
