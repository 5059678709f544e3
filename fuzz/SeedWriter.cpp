// Writes the starting inputs of every fuzz target into a folder, one sub-folder per
// target. Everything comes from the library's own writers and the demo generator: the
// demo game folder (drawn in draft quality), small containers of both generations that
// hold every kind of body the readers know, archives, folder trees for the folder-list
// file, and Steam's library lists. The write targets get each container behind a few change programs.
//
// Usage: tambrix-fuzz-seeds OUTDIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "demo/DemoFolder.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/AsciiCase.h"
#include "core/ByteWriter.h"
#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"
#include "fileaccess/FarWriter.h"
#include "graphics/DrawGroup.h"
#include "graphics/Palette.h"
#include "graphics/PngFile.h"
#include "graphics/SpriteEncoder.h"

using namespace tambrix;
using namespace tambrix::tools;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Seeds {
public:
    explicit Seeds(fs::path root) : mRoot(std::move(root)) {}

    void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
        fs::create_directories(mRoot / target);
        std::ofstream out(mRoot / target / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ++mCount[target];
    }

    /// A container for every reading target, and behind each change program for the
    /// write target of its generation.
    void PutContainer(const std::string& name, const Bytes& bytes, bool legacy) {
        for (const char* target : {"iff_read", "objects", "graphics"}) Put(target, name, bytes);
        // Clone and save: every choice, with the second object picked.
        for (const uint8_t choices : {0x00, 0x05, 0x0B, 0x0F}) {
            Bytes seed = {choices, 1, 1};
            seed.insert(seed.end(), bytes.begin(), bytes.end());
            Put("object_edit", name + ".c" + std::to_string(choices), seed);
        }
        const std::string writeTarget = legacy ? "legacy_iff_write" : "iff_write";
        int n = 0;
        for (const Bytes& program : Programs()) {
            Bytes seed = program;
            seed.insert(seed.end(), bytes.begin(), bytes.end());
            Put(writeTarget, name + "." + std::to_string(n++), seed);
        }
    }

    void Report() const {
        for (const auto& [target, count] : mCount) std::printf("%-18s %d seeds\n", target.c_str(), count);
    }

private:
    /// Change programs: a count, then records of eight bytes (see fuzz/WriteCheck.h).
    static std::vector<Bytes> Programs() {
        return {
            // add a labelled OBJD and write it; rewrite the first resource larger
            {2, 0, 0, 0x80, 0, 0, 5, 40, 0x81, 1, 0, 3, 0, 0, 0, 90, 0x11},
            // remove one resource, rename another, add a resource left for the close
            {3, 2, 1, 0, 0, 0, 0, 0, 0, 3, 2, 7, 0, 9, 0, 0, 0, 0, 2, 0x30, 0, 2, 6, 10, 0x02},
            // add with an attribute, update, compact, rewrite smaller
            {4, 0, 1, 0x81, 0, 3, 0, 8, 0x83, 4, 0, 0, 0, 0, 0, 0,   0,
             5, 0, 0, 0,    0, 0, 0, 0, 1,    3, 0, 0, 0, 0, 1, 0x44},
        };
    }

    fs::path mRoot;
    std::map<std::string, int> mCount;
};

/// Writes a container through the library: each resource added, then the file closed.
struct Resource {
    ResType type;
    int16_t id;
    std::string label;
    Bytes body;
    uint8_t attribute = 0;
};

bool WriteContainer(const fs::path& path, const std::vector<Resource>& resources, bool legacy) {
    std::unique_ptr<ResourceFile> file;
    if (legacy)
        file = std::make_unique<LegacyIffResourceFile>();
    else
        file = std::make_unique<IffResourceFile>();
    FileNameText name(path.string());
    fs::remove(path);
    if (file->Create(name) != 0 || file->Open(name) != 0) return false;
    for (const Resource& r : resources) {
        DataBlock* block = NewDataBlock(static_cast<uint32_t>(r.body.size()));
        std::copy(r.body.begin(), r.body.end(), block->data);
        LabelText label(r.label);
        const int32_t code = legacy ? file->AddResource(block, r.type, r.id, label, true)
                                    : file->AddResourceWithAttr(block, r.type, r.id, label, r.attribute, true);
        if (code != 0) {
            FreeDataBlock(block);
            return false;
        }
    }
    return file->Close() == 0;
}

/// The multi-language layout with variable-length string lengths (format code 0xFFFC):
/// one language set per value, each holding its pairs.
Bytes EncodeVarLengthStrings(const std::vector<LanguageString>& strings) {
    ByteWriter w;
    w.U16(0xFFFC);
    w.U8(1);
    w.U16(static_cast<uint16_t>(strings.size()));
    auto text = [&w](const std::string& s) {
        size_t n = s.size();
        do {
            uint8_t b = n & 0x7F;
            n >>= 7;
            w.U8(static_cast<uint8_t>(b | (n ? 0x80 : 0)));
        } while (n);
        w.Text(s);
    };
    for (const LanguageString& s : strings) {
        w.U8(static_cast<uint8_t>(s.languageCode - 1));
        text(s.value);
        text(s.comment);
    }
    return w.Take();
}

Bytes EncodeCommentedStrings(const std::vector<std::pair<std::string, std::string>>& pairs) {
    ByteWriter w;
    w.U16(0xFFFE);
    w.I16(static_cast<int16_t>(pairs.size()));
    for (const auto& [value, comment] : pairs) {
        w.CString(value);
        w.CString(comment);
    }
    return w.Take();
}

SpriteImage SmallFrame(int w, int h, uint8_t colour) {
    SpriteImage image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = image.Index(x, y);
            const bool edge = x == 0 || y == h - 1;
            image.color[i] = static_cast<uint8_t>(colour + x);
            image.depth[i] = static_cast<uint8_t>(40 + y);
            image.alpha[i] = edge ? 128 : (x + y) % 5 == 0 ? 0 : 255;
        }
    }
    return image;
}

/// One small object of every body kind the readers know.
std::vector<Resource> SmallObject() {
    ObjectDefinition master;
    master.baseGraphic = 100;
    master.graphicCount = 1;
    master.catalogId = 2000;
    master.masterId = 7;
    master.subIndex = ObjectRecord::kMasterSubIndex;
    ObjectDefinition tile = master;
    tile.subIndex = TileSubIndex(1, 0);
    DrawGroupImages images(kViewCount);
    for (int i = 0; i < kViewCount; ++i) {
        images[i] = {{.spriteId = 200,
                      .frameIndex = i % 2,
                      .yOffset = 6,
                      .zOffset = 0.5f,
                      .flags = i == 3 ? DrawGroupEntry::kMirror : 0},
                     {.spriteId = 201, .xOffset = 3, .yOffset = 2}};
    }
    std::vector<SpriteImage> frames = {SmallFrame(6, 5, 20), SmallFrame(3, 4, 60)};
    std::vector<PaletteEntry> colours;
    for (int i = 0; i < 256; ++i) colours.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 90, 0});
    const std::vector<LanguageString> catalog = {
        {1, "Small chair", ""}, {1, "A chair for tests.", "note"}, {2, "Petite chaise", ""}};
    return {
        {restype::kOBJD, 128, "chair", EncodeObjectDefinition(master)},
        {restype::kOBJD, 129, "chair tile", EncodeObjectDefinition(tile)},
        {restype::kDGRP, 100, "", EncodeDrawGroup(images)},
        {restype::kDGRP, 101, "old", EncodeOlderDrawGroup(images)},
        {restype::kSPR2, 200, "colour", EncodeSpr2(frames, 1)},
        {restype::kSPR, 201, "hash", EncodeSprHash(frames, 1)},
        {restype::kSPR, 202, "swapped", EncodeSprHash(frames, 1, true)},
        {restype::kPALT, 1, "palette", EncodePalette(colours)},
        {restype::kCTSS, 2000, "catalog", EncodeLanguageStrings(catalog)},
        {restype::kCTSS, 2001, "sets", EncodeVarLengthStrings(catalog)},
        {restype::kCATS, 2002, "", EncodeCatalogStrings("Stool", "A stool.")},
        {restype::kSTR, 300, "plain", EncodePlainStrings({"one", "two", ""})},
        {restype::kSTR, 301, "commented", EncodeCommentedStrings({{"a", "first"}, {"b", ""}})},
        {restype::kCST, 302, "caret", EncodeCaretText({"left", "right"})},
        {restype::kOBJD, 130, "", EncodeObjectDefinition(ObjectDefinition{}), 2},
    };
}

void WriteContainers(Seeds& seeds, const fs::path& work) {
    const std::vector<Resource> object = SmallObject();
    struct Variant {
        const char* name;
        std::vector<Resource> resources;
        bool legacy;
    };
    std::vector<Variant> variants = {
        {"small-object.iff", object, false},
        {"small-object.flr", {object.begin(), object.end() - 1}, true},
        {"two-bodies.iff", {object[0], object[11]}, false},
        {"two-bodies.flr", {object[0], object[11]}, true},
        {"empty.iff", {}, false},
        {"empty.flr", {}, true},
    };
    for (const Variant& v : variants) {
        const fs::path path = work / v.name;
        if (WriteContainer(path, v.resources, v.legacy)) seeds.PutContainer(v.name, ReadAll(path), v.legacy);
    }
}

void WriteArchives(Seeds& seeds, const fs::path& work) {
    std::vector<FarWriterEntry> entries = {
        {"Chairs\\small.iff", ReadAll(work / "two-bodies.iff")},
        {"Walls/small.flr", ReadAll(work / "two-bodies.flr")},
        {"readme.txt", {'h', 'i'}},
        {"empty", {}},
    };
    for (FarVariant variant : {FarVariant::k1a, FarVariant::k1b}) {
        Bytes archive;
        if (BuildFarArchive(entries, variant, archive) == 0)
            seeds.Put("far", variant == FarVariant::k1a ? "small-1a.far" : "small-1b.far", archive);
    }
    Bytes none;
    if (BuildFarArchive({}, FarVariant::k1a, none) == 0) seeds.Put("far", "empty.far", none);
}

/// Inputs of the folder-list target (see fuzz/folder_list.cpp for the layout).
void WriteFolderTrees(Seeds& seeds) {
    struct Tree {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string list;
        std::vector<std::string> labels;
    };
    const std::vector<Tree> trees = {
        {"sprites", {{"#5#walk.SPR", "frames"}, {"#-3#sit.SPR", "x"}, {"plain.BMP", "BM"}}, "", {"walk", "plain"}},
        {"two-folders", {{"a/#1#one.STR", "1"}, {"b/#40000#big.STR", "2"}, {"b/two.STR", "3"}}, "a;b", {"two", "one"}},
        {"current-first", {{"#7#x.iff", "IFF"}, {"sub/y.iff", "y"}}, ";sub\\", {"y"}},
    };
    for (const Tree& t : trees) {
        ByteWriter w;
        w.U8(static_cast<uint8_t>(t.files.size()));
        for (const auto& [name, body] : t.files) {
            w.U8(static_cast<uint8_t>(name.size()));
            w.Text(name);
            w.U8(static_cast<uint8_t>(body.size()));
            w.Text(body);
        }
        w.U8(static_cast<uint8_t>(t.list.size()));
        w.Text(t.list);
        for (const std::string& label : t.labels) {
            w.U8(0);  // the first type
            w.U16(5);
            w.U8(static_cast<uint8_t>(label.size()));
            w.Text(label);
        }
        seeds.Put("folder_list", t.name, w.Take());
    }
}

/// Steam's library lists as today's and older Steam write them, and one by hand.
void WriteLibraryLists(Seeds& seeds) {
    const std::pair<const char*, std::string> lists[] = {
        {"today.vdf",
         "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n\t\t\"label\"\t\t\"\"\n"
         "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1024\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t"
         "\"/mnt/games/SteamLibrary\"\n\t}\n}\n"},
        {"older.vdf",
         "\"LibraryFolders\"\r\n{\r\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\r\n\t\"1\"\t\t\"D:\\\\SteamLibrary\"\r\n}\r\n"},
        {"by-hand.vdf", "// a list\nlibraryfolders { 0 { path /a [$LINUX] } \"1\" { \"path\" \"C:\\\\x \\\"q\\\"\" } }\n"},
    };
    for (const auto& [name, text] : lists) seeds.Put("library_folders", name, Bytes(text.begin(), text.end()));
}

/// Small pictures of each channel count, flat and varied, as the library writes them.
void WritePictures(Seeds& seeds) {
    for (const int32_t channels : {1, 3, 4}) {
        for (const auto& [w, h] : {std::pair{1, 1}, std::pair{9, 5}, std::pair{32, 32}}) {
            PngImage image(w, h, channels);
            for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 29 % 251);
            seeds.Put("png", "c" + std::to_string(channels) + "-" + std::to_string(w) + "x" + std::to_string(h) + ".png",
                      EncodePng(image));
        }
    }
}

/// Larger demo files slow every mutation down more than their variety is worth.
constexpr uintmax_t kMaxDemoSeedSize = 100 * 1024;

void WriteDemo(Seeds& seeds, const fs::path& work) {
    const fs::path demo = work / "demo";
    DemoOptions options;
    options.quality = kDraftQuality;
    std::vector<DemoFile> files;
    std::string error;
    if (WriteDemoFolder(demo.string(), options, &files, error) != 0) {
        std::fprintf(stderr, "demo folder: %s\n", error.c_str());
        return;
    }
    for (const DemoFile& f : files) {
        const fs::path path = demo / f.path;
        if (fs::file_size(path) > kMaxDemoSeedSize) continue;
        const std::string ext = FoldedAscii(path.extension().string());
        const std::string name = "demo-" + path.filename().string();
        if (ext == ".iff" || ext == ".spf")
            seeds.PutContainer(name, ReadAll(path), false);
        else if (ext == ".wll" || ext == ".flr")
            seeds.PutContainer(name, ReadAll(path), true);
        else if (ext == ".far")
            seeds.Put("far", name, ReadAll(path));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path work = out / ".work";
    std::error_code ec;
    fs::remove_all(work, ec);
    fs::create_directories(work);
    Seeds seeds(out);
    WriteContainers(seeds, work);
    WriteArchives(seeds, work);
    WriteFolderTrees(seeds);
    WriteLibraryLists(seeds);
    WritePictures(seeds);
    WriteDemo(seeds, work);
    fs::remove_all(work, ec);
    seeds.Report();
    return 0;
}
