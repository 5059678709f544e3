#include "Cli.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "DemoFolder.h"
#include "Json.h"
#include "PngWriter.h"
#include "catalog/ObjectPreview.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffFormat.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "core/AsciiCase.h"
#include "core/ResultCodes.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FileSystem.h"
#include "graphics/BitmapExport.h"
#include "graphics/PreviewRenderer.h"
#include "graphics/Sprite.h"
#include "platform/Bitmap.h"
#include "platform/PlatformFile.h"
#include "resfile/ResourceFile.h"
#include "sets/ViewResourceSet.h"

namespace tambrix::tools {

namespace fs = std::filesystem;

namespace {

/// A failure that ends the command: one line on stderr and the exit code.
class CliError : public std::runtime_error {
public:
    CliError(int code, const std::string& what) : std::runtime_error(what), mCode(code) {}
    int Code() const { return mCode; }

private:
    int mCode;
};

[[noreturn]] void BadArgument(const std::string& what) { throw CliError(kExitBadArgument, what); }
[[noreturn]] void BadFile(const std::string& what) { throw CliError(kExitBadFile, what); }

constexpr uint32_t kWhite = 0xFFFFFF;

// The words for a file that is not a container; every command uses the same ones.
const char* const kNoSuchFile = "no such file";
const char* const kIsDirectory = "is a directory";
const char* const kHeaderMissing = "not an IFF file: the header is missing";

std::string Extension(const std::string& path) { return FoldedAscii(fs::path(path).extension().string()); }

// ---- command line ------------------------------------------------------------------

struct Args {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--json" -> "" for switches
    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = "") const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

// Options that take a value; every other known option is a switch.
const std::map<std::string, std::vector<std::string>> kCommandOptions = {
    {"ls", {"--json", "--no-write"}},
    {"info", {"--json", "--no-write"}},
    {"strings", {"--json", "--no-write", "--id"}},
    {"render", {"--no-write", "--object", "--view", "--background", "-o"}},
    {"sprite", {"--no-write", "--id", "--frame", "--mode", "-o"}},
    {"demo", {"--scale", "--draft"}},
    {"far", {"--json", "-o"}},
};
const std::vector<std::string> kValueOptions = {"--id", "--object", "--view", "--background",
                                                "-o",   "--frame",  "--mode", "--scale"};

Args ParseArgs(const std::vector<std::string>& argv) {
    Args args;
    if (argv.empty()) BadArgument("no command given (try --help)");
    args.command = argv[0];
    auto known = kCommandOptions.find(args.command);
    if (known == kCommandOptions.end()) BadArgument("unknown command \"" + args.command + "\" (try --help)");
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::find(known->second.begin(), known->second.end(), a) == known->second.end())
                BadArgument("unknown option " + a + " for " + args.command);
            if (args.Has(a)) BadArgument("option " + a + " given twice");
            if (std::find(kValueOptions.begin(), kValueOptions.end(), a) != kValueOptions.end()) {
                if (i + 1 >= argv.size()) BadArgument("option " + a + " needs a value");
                args.options[a] = argv[++i];
            } else {
                args.options[a] = "";
            }
        } else {
            args.positional.push_back(a);
        }
    }
    if (args.command == "far") {
        // far SUBCOMMAND ARCHIVE [ENTRY...]
        const std::string sub = args.positional.empty() ? "" : args.positional[0];
        if (sub != "ls" && sub != "extract") BadArgument("far needs ls or extract (try --help)");
        if (args.positional.size() < 2) BadArgument("far " + sub + " needs an archive");
        if (sub == "ls" && args.positional.size() != 2) BadArgument("far ls takes exactly one archive");
        if (sub == "ls" && args.Has("-o")) BadArgument("far ls takes no -o");
        if (sub == "extract" && args.Has("--json")) BadArgument("far extract takes no --json");
        if (sub == "extract" && !args.Has("-o")) BadArgument("far extract needs -o DIR");
        return args;
    }
    if (args.positional.size() != 1)
        BadArgument(args.command + " takes exactly one " + (args.command == "demo" ? "folder" : "file"));
    return args;
}

long ParseInteger(const std::string& text, const std::string& option, long lo, long hi) {
    size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < lo || value > hi)
        BadArgument(option + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", not \"" +
                    text + "\"");
    return value;
}

// RRGGBB as the 0x00BBGGRR colour the library takes.
uint32_t ParseColour(const std::string& text) {
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); }))
        BadArgument("--background must be six hexadecimal digits RRGGBB, not \"" + text + "\"");
    const uint32_t rgb = static_cast<uint32_t>(std::stoul(text, nullptr, 16));
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// Every option value, checked before any file is touched.
struct Values {
    long id = 0;
    long frame = 0;
    int32_t viewMode = 0;
    long object = 0;
    long view = kDefaultPreviewImage;
    uint32_t background = kWhite;
    std::string out;
    int scale = 0;
};

void CheckPictureName(const std::string& out) {
    const std::string ext = Extension(out);
    if (ext != ".bmp" && ext != ".png") BadArgument("-o must name a .bmp or .png file, not \"" + out + "\"");
}

Values CheckValues(const Args& args) {
    Values v;
    const std::string& c = args.command;
    if (c == "far") v.out = args.Get("-o");
    if (c == "render" || c == "sprite") {
        if (c == "sprite" && !args.Has("--id")) BadArgument("sprite needs --id ID");
        if (!args.Has("-o")) BadArgument(c + " needs -o OUT");
        v.out = args.Get("-o");
        CheckPictureName(v.out);
    }
    if (args.Has("--id")) v.id = ParseInteger(args.Get("--id"), "--id", -32768, 32767);
    if (args.Has("--frame")) v.frame = ParseInteger(args.Get("--frame"), "--frame", 0, 1L << 30);
    if (args.Has("--object")) v.object = ParseInteger(args.Get("--object"), "--object", 0, 1L << 20);
    if (args.Has("--view")) v.view = ParseInteger(args.Get("--view"), "--view", 0, kPreviewImageCount - 1);
    if (args.Has("--background")) v.background = ParseColour(args.Get("--background"));
    if (args.Has("--scale")) v.scale = static_cast<int>(ParseInteger(args.Get("--scale"), "--scale", 0, kMaxDemoScale));
    if (args.Has("--mode")) {
        const std::string mode = args.Get("--mode");
        if (mode == "color" || mode == "colour")
            v.viewMode = 0;
        else if (mode == "depth")
            v.viewMode = 1;
        else if (mode == "alpha")
            v.viewMode = 2;
        else
            BadArgument("--mode must be color, depth or alpha, not \"" + mode + "\"");
    }
    return v;
}

// ---- files on disk and inside archives ------------------------------------------

/// Whether a name is a disk file or folder, or an entry of a mounted archive.
bool NameExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec) || FileSystem::Instance().Find(path.c_str());
}

/// Whether a name is an entry of a mounted archive (and so read-only).
bool InArchive(const std::string& path) { return FileSystem::Instance().Find(path.c_str()); }

/// Up to `count` bytes from the start of a file, on disk or inside an archive.
std::vector<uint8_t> ReadHead(const std::string& path, uint32_t count) {
    std::vector<uint8_t> bytes(count);
    FileSystem& files = FileSystem::Instance();
    FileHandle* handle = files.Open(path.c_str(), false);
    if (!handle) return {};
    bytes.resize(handle->Read(bytes.data(), count));
    files.Close(handle);
    return bytes;
}

// ---- the container's own header ----------------------------------------------------

// The version text of a container's 64-byte header: "IFF FILE d.d:..." with the major
// digit at offset 9 and the minor digit at offset 11.
std::string ContainerVersion(const std::string& path) {
    constexpr size_t kHeaderSize = 64;
    constexpr size_t kMajorOffset = 9, kMinorOffset = 11;
    const std::vector<uint8_t> bytes = ReadHead(path, kHeaderSize);
    if (bytes.size() < kHeaderSize) return "";
    const char* header = reinterpret_cast<const char*>(bytes.data());
    if (std::string(header, 9) != "IFF FILE ") return "";
    const char major = header[kMajorOffset], minor = header[kMinorOffset];
    if (!std::isdigit(static_cast<unsigned char>(major)) || !std::isdigit(static_cast<unsigned char>(minor))) return "";
    return std::string{major, '.', minor};
}

/// The same words for the same problem whichever command meets it: a name that is not
/// there, a folder, or a file without the container header (an empty or cut file,
/// random bytes). `container`: the command opens the file as a container.
void CheckFile(const std::string& path, const std::string& shown, bool container) {
    if (!NameExists(path)) BadFile(shown + ": " + kNoSuchFile);
    std::error_code ec;
    if (!InArchive(path) && fs::is_directory(path, ec)) BadFile(shown + ": " + kIsDirectory);
    if (container && ContainerVersion(path).empty()) BadFile(shown + ": " + kHeaderMissing);
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

/// Walks the chunks as they stand back to back after the 64-byte header (each size,
/// big-endian at offset 4 of its header, counts the header) and says on `err` where the
/// file is cut short or a size cannot be right: the container then opens with fewer
/// resources than the file was meant to hold. Nothing is said of a sound file.
void WarnAboutChunks(const std::string& path, const std::string& shown, std::ostream& err) {
    constexpr uint32_t kFileHeader = 64, kModernChunkHeader = 76, kLegacyChunkHeader = 16, kSizeField = 4;
    const uint32_t headerSize = ContainerVersion(path) == "1.0" ? kLegacyChunkHeader : kModernChunkHeader;
    FileSystem& files = FileSystem::Instance();
    FileHandle* handle = files.Open(path.c_str(), false);
    if (!handle) return;
    const uint32_t size = handle->GetSize();
    uint32_t at = kFileHeader;
    std::string problem;
    while (at < size && problem.empty()) {
        uint8_t raw[kSizeField + 4];
        const std::string where = at == kFileHeader ? "its first chunk" : "the chunk at offset " + std::to_string(at);
        if (size - at < headerSize || !handle->Seek(at) || handle->Read(raw, sizeof raw) != sizeof raw) {
            problem = "the file ends inside " + where;
            break;
        }
        const uint32_t chunkSize = BigEndian32(raw + kSizeField);
        if (chunkSize < headerSize)
            problem = "the chunk at offset " + std::to_string(at) + " gives an impossible size (" +
                      std::to_string(chunkSize) + " bytes)";
        else if (chunkSize > size - at)
            problem = "the file ends inside " + where + " (" + std::to_string(size) + " bytes, the chunk needs " +
                      std::to_string(uint64_t{at} + chunkSize) + ")";
        else
            at += chunkSize;
    }
    files.Close(handle);
    if (!problem.empty()) err << "tambrix-cli: " << shown << ": " << problem << "\n";
}

// ---- opening files as the object view does -----------------------------------------

enum class FileKind { Object, Sprites, Wall, Floor, Bitmap, Other };

FileKind KindOf(const std::string& path) {
    const std::string ext = Extension(path);
    if (ext == ".iff") return FileKind::Object;
    if (ext == ".spf") return FileKind::Sprites;
    if (ext == ".wll") return FileKind::Wall;
    if (ext == ".flr") return FileKind::Floor;
    if (ext == ".bmp") return FileKind::Bitmap;
    return FileKind::Other;
}

FileNameText NameText(const std::string& path) {
    FileNameText name(path);
    if (name.Length() != path.size()) BadFile(path + ": the name is longer than 259 characters");
    return name;
}

std::unique_ptr<ResourceFile> TryOpen(std::unique_ptr<ResourceFile> file, const std::string& path, int32_t& code) {
    code = file->Open(NameText(path));
    return code == rc::kOk ? std::move(file) : nullptr;
}

/// Opens exactly this container: version 1.0 first for a wall or floor file, version 2.x
/// first otherwise, the other as a fallback.
std::unique_ptr<ResourceFile> OpenContainer(const std::string& path, const std::string& shown) {
    CheckFile(path, shown, true);
    const FileKind kind = KindOf(path);
    const bool legacyFirst = kind == FileKind::Wall || kind == FileKind::Floor;
    int32_t code = rc::kOk;
    std::unique_ptr<ResourceFile> file;
    if (legacyFirst) file = TryOpen(std::make_unique<LegacyIffResourceFile>(), path, code);
    if (!file) file = TryOpen(std::make_unique<IffResourceFile>(), path, code);
    if (!file && !legacyFirst) file = TryOpen(std::make_unique<LegacyIffResourceFile>(), path, code);
    if (!file) BadFile(shown + ": " + DescribeResult(code));
    return file;
}

/// Opens a file the way the object view does: an object file together with its ".spf"
/// companion (by its name without extension), a wall or floor file as version 1.0 or
/// else 2.x, anything else as a single container.
std::unique_ptr<ResourceFile> OpenForView(const std::string& path, const std::string& shown) {
    CheckFile(path, shown, true);
    if (KindOf(path) == FileKind::Object) {
        const fs::path p(path);
        const std::string stem = (p.parent_path() / p.stem()).string();
        auto set = std::make_unique<ViewResourceSet>();
        const int32_t code = set->Open(NameText(stem));
        if (code != rc::kOk) BadFile(shown + ": " + DescribeResult(code));
        return set;
    }
    return OpenContainer(path, shown);
}

std::string KindText(FileKind kind) {
    switch (kind) {
        case FileKind::Object: return "object file";
        case FileKind::Sprites: return "sprite file";
        case FileKind::Wall: return "wall file";
        case FileKind::Floor: return "floor file";
        case FileKind::Bitmap: return "bitmap";
        case FileKind::Other: return "not listed";
    }
    return "";
}

// ---- pictures ------------------------------------------------------------------------

void WritePicture(const platform::Bitmap& bitmap, const std::string& out) {
    const std::string ext = Extension(out);
    if (ext == ".png") {
        const int w = bitmap.Width(), h = bitmap.Height();
        bool ok = false;
        if (bitmap.BitsPerPixel() == 24) {
            std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
            for (int y = 0; y < h; ++y) {
                const uint8_t* row = bitmap.TopRow(y);
                for (int x = 0; x < w; ++x) {
                    uint8_t* px = &rgb[(static_cast<size_t>(y) * w + x) * 3];
                    px[0] = row[3 * x + 2];
                    px[1] = row[3 * x + 1];
                    px[2] = row[3 * x];
                }
            }
            ok = WritePngRgb(out, w, h, rgb);
        } else if (bitmap.BitsPerPixel() == 8) {
            std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
            for (int y = 0; y < h; ++y) std::copy_n(bitmap.TopRow(y), w, &indices[static_cast<size_t>(y) * w]);
            std::vector<uint8_t> palette;
            for (const platform::RgbQuad& q : bitmap.ColourTable()) {
                palette.push_back(q.red);
                palette.push_back(q.green);
                palette.push_back(q.blue);
            }
            ok = WritePngIndexed(out, w, h, indices, palette);
        }
        if (!ok) BadFile(out + ": cannot write the picture");
        return;
    }
    if (ext != ".bmp") BadArgument("-o must name a .bmp or .png file, not \"" + out + "\"");
    const std::optional<PackedDib> packed = BitmapToPackedDib(&bitmap, kDibUncompressed);
    if (!packed || !WritePackedDibFile(out, &*packed)) BadFile(out + ": cannot write the bitmap");
}

// ---- commands ------------------------------------------------------------------------

struct Context {
    std::ostream& out;
    std::ostream& err;
    const Args& args;
    const Values& values;
    std::string file;      // as given
    std::string openPath;  // what is opened: the name as found on disk
};

std::string FlagsText(uint16_t flags) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", flags);
    return text;
}

int CommandLs(Context& c) {
    const std::string version = ContainerVersion(c.openPath);
    std::unique_ptr<ResourceFile> file = OpenContainer(c.openPath, c.file);
    struct Row {
        ResType type;
        int id;
        std::string label;
        uint32_t size;
        uint16_t flags;
    };
    std::vector<Row> rows;
    const int16_t types = file->CountTypes();
    for (int16_t t = 1; t <= types; ++t) {
        const ResType type = file->GetIndType(t);
        const int16_t count = file->CountResources(type);
        for (int16_t i = 1; i <= count; ++i) {
            DataBlock* block = file->GetIndResource(type, i, nullptr);
            if (!block)
                BadFile(c.file + ": cannot read " + ResTypeText(type) + " number " + std::to_string(i) + ": " +
                        DescribeResult(file->GetError()));
            uint16_t id = 0;
            file->GetResID(block, id);
            LabelText label;
            file->GetResName(block, label);
            // The flags word as the reader holds it: attribute byte high, library-order bit low.
            const uint16_t flags = static_cast<uint16_t>((file->GetResAttrs(block) << 8) |
                                                         (file->IsLibraryOrder(block) ? iff::kFlagLibraryOrder : 0));
            rows.push_back(Row{type, static_cast<int16_t>(id), std::string(label.View()), block->size, flags});
        }
    }
    file->Close();
    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginObject().Key("version").String(version).Key("resources").BeginArray();
        for (const Row& r : rows) {
            j.BeginObject().Key("type").String(ResTypeText(r.type)).Key("id").Number(r.id).Key("label").String(r.label);
            j.Key("size").Number(r.size).Key("flags").Number(r.flags).EndObject();
        }
        j.EndArray().EndObject();
        c.out << "\n";
        return kExitOk;
    }
    c.out << "version " << version << ", " << rows.size() << " resources\n";
    char line[160];
    std::snprintf(line, sizeof line, "%-4s %6s %8s %6s  %s\n", "TYPE", "ID", "SIZE", "FLAGS", "LABEL");
    c.out << line;
    for (const Row& r : rows) {
        std::snprintf(line, sizeof line, "%-4s %6d %8u %6s  ", ResTypeText(r.type).c_str(), r.id, r.size,
                      FlagsText(r.flags).c_str());
        c.out << line << r.label << "\n";
    }
    return kExitOk;
}

// Strings 1 to 3 of string table 0, or three empty texts when it cannot be loaded.
std::vector<std::string> TableZeroTexts(ResourceFile* file, bool& found) {
    StringTable table;
    found = table.Load(file, 0, false) == rc::kOk;
    std::vector<std::string> texts;
    for (int i = 1; i <= 3; ++i) {
        const char* s = found ? table.Get(i, StringTable::kCurrentLanguage) : nullptr;
        texts.push_back(s ? s : "");
    }
    return texts;
}

// Width, height and depth from a bitmap file's two headers, read with bounds:
// "BM", u32 file size, two u16, u32 pixel offset, then u32 header size, i32 width,
// i32 height, u16 planes, u16 bits per pixel.
std::string BitmapSummary(const std::string& path, const std::string& shown) {
    constexpr size_t kHeaders = 30;
    const std::vector<uint8_t> bytes = ReadHead(path, kHeaders);
    const uint8_t* b = bytes.data();
    if (bytes.size() < kHeaders || b[0] != 'B' || b[1] != 'M') BadFile(shown + ": not a bitmap file");
    auto le32 = [&](size_t at) {
        return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                    (static_cast<uint32_t>(b[at + 3]) << 24));
    };
    const int32_t width = le32(18), height = le32(22);
    const int bits = b[28] | (b[29] << 8);
    // A negative height stores the rows top-down; the picture is as tall either way.
    return ", " + std::to_string(width) + " x " + std::to_string(height < 0 ? -static_cast<int64_t>(height) : height) +
           " pixels of " + std::to_string(bits) + " bits";
}

const char* const kFarMediumNear[] = {"Far", "Medium", "Near"};
const char* const kWallFrames[] = {"Left", "Right", "Facing", "Insert"};

int CommandInfo(Context& c) {
    const FileKind kind = KindOf(c.file);
    const bool json = c.args.Has("--json");
    if (kind == FileKind::Bitmap || kind == FileKind::Sprites || kind == FileKind::Other) {
        CheckFile(c.openPath, c.file, false);
        std::string shown = kind == FileKind::Bitmap ? "the bitmap itself" : "nothing";
        if (kind == FileKind::Bitmap) shown += BitmapSummary(c.openPath, c.file);
        if (json) {
            JsonWriter j(c.out);
            j.BeginObject().Key("kind").String(KindText(kind)).Key("shows").String(shown).EndObject();
            c.out << "\n";
        } else {
            c.out << "kind: " << KindText(kind) << "\nthe object view shows " << shown << "\n";
        }
        return kExitOk;
    }
    ObjectSet set;
    set.SetResourceSet(OpenForView(c.openPath, c.file));
    set.Load(1);
    ResourceFile* file = set.ResourceSet();

    std::string name, price, description;
    bool tableFound = true;
    if (kind == FileKind::Object && !set.Objects().empty()) {
        const ObjectRecord* first = set.Objects().front();
        name = first->Name();
        price = std::to_string(first->Price());
        description = first->Description();
    } else {
        const std::vector<std::string> texts = TableZeroTexts(file, tableFound);
        name = texts[0];
        price = texts[1];
        description = texts[2];
    }

    if (json) {
        JsonWriter j(c.out);
        j.BeginObject().Key("name").String(name).Key("price").String(price).Key("description").String(description);
        j.Key("objects").BeginArray();
        for (const auto& r : set.AllRecords()) {
            j.BeginObject().Key("id").Number(r->Id()).Key("label").String(r->Label().View());
            j.Key("name").String(r->Name()).Key("description").String(r->Description());
            j.Key("price").Number(r->Price()).Key("catalog_found").Bool(r->CatalogFound() != 0);
            j.Key("master_id").Number(r->MasterId()).Key("sub_index").Number(r->SubIndex());
            j.Key("display_index").Number(r->DisplayIndex()).Key("tiles").BeginArray();
            for (const ObjectRecord* t : r->Tiles()) j.Number(t->Id());
            j.EndArray().EndObject();
        }
        j.EndArray().Key("sprites").BeginArray();
        for (const SpriteRef& s : set.Sprites())
            j.BeginObject()
                .Key("type")
                .String(ResTypeText(s.type))
                .Key("id")
                .Number(s.id)
                .Key("label")
                .String(s.label.View())
                .EndObject();
        j.EndArray().Key("draw_groups").BeginArray();
        for (const DrawGroupRef& d : set.DrawGroups())
            j.BeginObject().Key("id").Number(d.id).Key("label").String(d.label.View()).EndObject();
        j.EndArray().Key("palettes").BeginArray();
        for (const PaletteRef& p : set.Palettes())
            j.BeginObject().Key("id").Number(p.id).Key("label").String(p.label.View()).EndObject();
        j.EndArray().EndObject();
        c.out << "\n";
        return kExitOk;
    }

    std::ostream& o = c.out;
    o << "kind: " << KindText(kind) << "\n";
    if ((kind == FileKind::Wall || kind == FileKind::Floor) && !tableFound) {
        o << "(no string table: the view keeps its previous texts)\n";
    }
    o << "name: " << name << "\nprice: " << price << "\ndescription: " << description << "\n";
    if (kind == FileKind::Object && !set.Objects().empty()) {
        o << "picture: the preview of object 0 in view 10\n";
    } else {
        // The sprite and frame lists of the form.
        o << "picture: the selected frame of the selected sprite\nsprite list:";
        if (set.Sprites().empty()) o << " (empty, hidden)";
        o << "\n";
        for (size_t i = 0; i < set.Sprites().size(); ++i) {
            const SpriteRef& s = set.Sprites()[i];
            uint32_t frames = 0;
            frames = CountSpriteFrames(*file, s.id);
            o << "  " << s.id;
            if (kind == FileKind::Wall || kind == FileKind::Floor)
                o << " \"" << (i < 3 ? kFarMediumNear[i] : "") << "\"";
            o << ": " << frames << " frame" << (frames == 1 ? "" : "s");
            if (kind == FileKind::Wall) {
                o << " (";
                for (uint32_t f = 0; f < frames; ++f) o << (f ? ", " : "") << (f < 4 ? kWallFrames[f] : "\"\"");
                o << ")";
            }
            if (kind == FileKind::Floor) o << " (frame list hidden)";
            o << "\n";
        }
    }
    o << "objects: " << set.AllRecords().size() << (set.AllRecords().size() == 1 ? " record, " : " records, ")
      << set.Objects().size() << " shown\n";
    for (const auto& r : set.AllRecords()) {
        o << "  " << r->Id() << " \"" << r->Label().View() << "\": " << r->Name() << " / price " << r->Price()
          << (r->CatalogFound() ? "" : " / no catalog") << " / master " << r->MasterId() << " sub-index "
          << r->SubIndex() << " display " << r->DisplayIndex();
        if (!r->Tiles().empty()) {
            o << " tiles";
            for (const ObjectRecord* t : r->Tiles()) o << " " << t->Id();
        }
        o << "\n    " << r->Description() << "\n";
    }
    o << "sprites:";
    for (const SpriteRef& s : set.Sprites())
        o << " " << ResTypeText(s.type) << " " << s.id << " \"" << s.label.View() << "\";";
    o << "\ndraw groups:";
    for (const DrawGroupRef& d : set.DrawGroups()) o << " " << d.id << " \"" << d.label.View() << "\";";
    o << "\npalettes:";
    for (const PaletteRef& p : set.Palettes()) o << " " << p.id << " \"" << p.label.View() << "\";";
    o << "\n";
    return kExitOk;
}

// The kinds of string table, in the order one ID is tried: a string list, a catalog
// table, a caret text.
struct TableKind {
    ResType type;
    uint8_t mode;
};
const TableKind kTableKinds[] = {{restype::kSTR, StringTable::kBinaryMode},
                                 {restype::kCTSS, StringTable::kBinaryMode},
                                 {restype::kCST, StringTable::kTextMode}};

// One table in every language that holds strings of its own (not the copies of the
// first language that an all-language read makes).
void PrintTable(Context& c, ResType type, long id, StringTable& table, JsonWriter* json) {
    std::vector<int> languages;
    for (int l = 0; l < StringTable::kLanguageCount; ++l) {
        const int count = table.Count(static_cast<uint8_t>(l));
        bool own = l == 0 && count > 0;
        for (int i = 1; i <= count && !own; ++i) own = table.SourceLanguage(i, static_cast<uint8_t>(l)) != 0;
        if (own) languages.push_back(l);
    }
    if (json) {
        JsonWriter& j = *json;
        j.BeginObject()
            .Key("type")
            .String(ResTypeText(type))
            .Key("id")
            .Number(id)
            .Key("label")
            .String(table.Label().View());
        j.Key("languages").BeginArray();
        for (int l : languages) {
            j.BeginObject().Key("code").Number(l + 1).Key("strings").BeginArray();
            for (int i = 1; i <= table.Count(static_cast<uint8_t>(l)); ++i) {
                const char* v = table.Get(i, static_cast<uint8_t>(l));
                const char* k = table.GetComment(i, static_cast<uint8_t>(l));
                j.BeginObject().Key("value").String(v ? v : "").Key("comment").String(k ? k : "").EndObject();
            }
            j.EndArray().EndObject();
        }
        j.EndArray().EndObject();
        return;
    }
    c.out << ResTypeText(type) << " " << id << " \"" << table.Label().View() << "\"\n";
    for (int l : languages) {
        c.out << "language " << (l + 1) << ":\n";
        for (int i = 1; i <= table.Count(static_cast<uint8_t>(l)); ++i) {
            const char* v = table.Get(i, static_cast<uint8_t>(l));
            const char* k = table.GetComment(i, static_cast<uint8_t>(l));
            c.out << "  " << i << ": " << (v ? v : "");
            if (k && *k) c.out << "   (" << k << ")";
            c.out << "\n";
        }
    }
}

int32_t ReadTable(ResourceFile* file, const TableKind& kind, long id, StringTable& table) {
    table.SetSource(file, static_cast<uint16_t>(id), kind.type, kind.mode, -1);
    return table.Read(true, true);
}

// With --id, the first kind of table under that ID; without, every table of the file,
// kind by kind in the file's order (JSON: an array of them).
int CommandStrings(Context& c) {
    std::unique_ptr<ResourceFile> file = OpenForView(c.openPath, c.file);
    const bool json = c.args.Has("--json");
    std::optional<JsonWriter> writer;
    if (json) writer.emplace(c.out);
    if (c.args.Has("--id")) {
        const long id = c.values.id;
        StringTable table;
        for (const TableKind& kind : kTableKinds) {
            if (ReadTable(file.get(), kind, id, table) != rc::kOk) continue;
            PrintTable(c, kind.type, id, table, json ? &*writer : nullptr);
            if (json) c.out << "\n";
            return kExitOk;
        }
        BadFile(c.file + ": no string table " + std::to_string(id) + " (STR#, CTSS or CST)");
    }
    std::vector<std::pair<const TableKind*, long>> tables;
    for (const TableKind& kind : kTableKinds) {
        const int16_t count = file->CountResources(kind.type);
        for (int16_t i = 1; i <= count; ++i) {
            DataBlock* block = file->GetIndResource(kind.type, i, nullptr);
            if (!block) continue;
            uint16_t id = 0;
            file->GetResID(block, id);
            file->ReleaseResource(block);
            tables.emplace_back(&kind, static_cast<int16_t>(id));
        }
    }
    if (json) writer->BeginArray();
    bool first = true;
    for (const auto& [kind, id] : tables) {
        StringTable table;
        if (const int32_t code = ReadTable(file.get(), *kind, id, table); code != rc::kOk) {
            c.err << "tambrix-cli: " << c.file << ": " << ResTypeText(kind->type) << " " << id
                  << ": cannot be read: " << DescribeResult(code) << "\n";
            continue;
        }
        if (!json && !first) c.out << "\n";
        first = false;
        PrintTable(c, kind->type, id, table, json ? &*writer : nullptr);
    }
    if (json) {
        writer->EndArray();
        c.out << "\n";
    }
    return kExitOk;
}

int CommandSprite(Context& c) {
    const long id = c.values.id, frame = c.values.frame;
    const std::string& out = c.values.out;
    std::unique_ptr<ResourceFile> file = OpenForView(c.openPath, c.file);
    auto picture = DrawSprite(*file, static_cast<int32_t>(id), static_cast<int32_t>(frame), kWhite, c.values.viewMode);
    if (!picture)
        BadFile(c.file + ": sprite " + std::to_string(id) + " frame " + std::to_string(frame) + ": " +
                LastGraphicsError());
    WritePicture(*picture, out);
    return kExitOk;
}

int CommandRender(Context& c) {
    const long object = c.values.object, view = c.values.view;
    const uint32_t background = c.values.background;
    const std::string& out = c.values.out;
    ObjectSet set;
    set.SetResourceSet(OpenForView(c.openPath, c.file));
    set.Load(1);
    if (static_cast<size_t>(object) >= set.Objects().size())
        BadFile(c.file + ": no object " + std::to_string(object) + " (the file shows " +
                std::to_string(set.Objects().size()) + ")");
    PreviewReport report;
    auto picture = RenderObjectPreview(*set.Objects()[static_cast<size_t>(object)], static_cast<int32_t>(view),
                                       background, &report);
    // A blank picture would pass for a render: say why there is none instead.
    if (report.outcome != PreviewReport::Outcome::kDrawn) BadFile(c.file + ": " + PreviewReportText(report));
    if (!picture) BadFile(c.file + ": the preview could not be rendered");
    WritePicture(*picture, out);
    return kExitOk;
}

int CommandDemo(Context& c) {
    DemoOptions options;
    options.scale = c.values.scale;
    if (c.args.Has("--draft")) options.quality = kDraftQuality;
    std::vector<DemoFile> files;
    std::string error;
    const int32_t code = WriteDemoFolder(c.file, options, &files, error);
    if (code != rc::kOk) BadFile(error);
    for (const DemoFile& f : files) c.out << f.path << (f.note.empty() ? "" : "  -- " + f.note) << "\n";
    return kExitOk;
}

int RunFileCommand(Context& c) {
    const std::string& command = c.args.command;
    const FileKind kind = KindOf(c.file);
    const bool container =
        command != "info" || kind == FileKind::Object || kind == FileKind::Wall || kind == FileKind::Floor;
    CheckFile(c.openPath, c.file, container);
    if (container) WarnAboutChunks(c.openPath, c.file, c.err);
    if (command == "ls") return CommandLs(c);
    if (command == "info") return CommandInfo(c);
    if (command == "strings") return CommandStrings(c);
    if (command == "sprite") return CommandSprite(c);
    return CommandRender(c);  // the commands are checked by ParseArgs
}

// ---- archives --------------------------------------------------------------------------

const char* VariantText(FarVariant variant) { return variant == FarVariant::k1b ? "1b" : "1a"; }

int CommandFarLs(Context& c, const std::string& archive) {
    FarManifest manifest;
    const int32_t code = ListFarArchive(archive.c_str(), manifest);
    if (code != rc::kOk) BadFile(archive + ": " + DescribeResult(code));
    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginObject().Key("variant").String(VariantText(manifest.variant));
        j.Key("declared_count").Number(manifest.declaredCount).Key("entries").BeginArray();
        for (const FarEntry& e : manifest.entries) {
            j.BeginObject().Key("name").String(e.name).Key("size").Number(e.size);
            j.Key("stored_size").Number(e.StoredSize()).Key("offset").Number(e.offset);
            j.Key("compressed").Bool(e.compressed).Key("usable").Bool(e.status == rc::kOk);
            j.Key("problem").String(e.status == rc::kOk ? "" : DescribeResult(e.status)).EndObject();
        }
        j.EndArray().EndObject();
        c.out << "\n";
        return kExitOk;
    }
    c.out << "variant " << VariantText(manifest.variant) << ", " << manifest.entries.size()
          << (manifest.entries.size() == 1 ? " entry" : " entries");
    if (manifest.declaredCount != manifest.entries.size())
        c.out << " (the manifest declares " << manifest.declaredCount << ")";
    c.out << "\n";
    char line[160];
    std::snprintf(line, sizeof line, "%10s %10s %10s %4s  %s\n", "SIZE", "STORED", "OFFSET", "COMP", "NAME");
    c.out << line;
    for (const FarEntry& e : manifest.entries) {
        std::snprintf(line, sizeof line, "%10u %10u %10u %4s  ", e.size, e.StoredSize(), e.offset,
                      e.compressed ? "yes" : "no");
        c.out << line << e.name;
        if (e.status != rc::kOk) c.out << "   (skipped: " << DescribeResult(e.status) << ")";
        c.out << "\n";
    }
    return kExitOk;
}

int CommandFarExtract(Context& c, const std::string& archive) {
    const std::vector<std::string> names(c.args.positional.begin() + 2, c.args.positional.end());
    // A name that would leave the output folder is refused before anything is written.
    for (const std::string& name : names) {
        if (!IsSafeFarEntryName(name))
            BadArgument("entry \"" + name + "\" would leave the output folder; nothing was extracted");
    }
    const std::string outDir = c.values.out;
    FarExtractReport report;
    const int32_t code = ExtractFarArchive(archive.c_str(), names, outDir.c_str(), &report);
    for (const std::string& path : report.files) c.out << path << "\n";
    if (code == rc::kOk) return kExitOk;
    if (report.problems.empty()) BadFile(archive + ": " + DescribeResult(code));
    // One line per entry not written; the exit code says that not all of them were.
    for (const FarExtractProblem& p : report.problems) {
        c.err << "tambrix-cli: " << archive << ": " << p.name << ": ";
        if (p.code == rc::kFileExists)
            c.err << "already exists in " << outDir << "; not replaced";
        else
            c.err << DescribeResult(p.code);
        c.err << "\n";
    }
    return kExitBadFile;
}

int CommandFar(Context& c) {
    const std::string& archive = c.args.positional[1];
    CheckFile(archive, archive, false);
    if (c.args.positional[0] == "ls") return CommandFarLs(c, archive);
    return CommandFarExtract(c, archive);
}

}  // namespace

std::string CliUsage() {
    return "usage: tambrix-cli COMMAND ...\n"
           "  ls FILE [--json]                      the container version and every resource\n"
           "  info FILE [--json]                    what the object view shows, every object record,\n"
           "                                        the sprites, draw groups and palettes\n"
           "  strings FILE [--id N] [--json]        string table N (without --id: every string\n"
           "                                        table; --json then writes an array) in every\n"
           "                                        language\n"
           "  render FILE [--object K] [--view N] [--background RRGGBB] -o OUT.bmp|OUT.png\n"
           "                                        the preview of top-level object K (default 0)\n"
           "                                        in view N (0-11, default 10)\n"
           "  sprite FILE --id ID [--frame F] [--mode color|depth|alpha] -o OUT.bmp|OUT.png\n"
           "                                        one sprite frame on white\n"
           "  demo OUTDIR [--scale N] [--draft]     writes the demo game folder\n"
           "  far ls ARCHIVE [--json]               the entries of a .far archive: size, stored\n"
           "                                        (second) size, offset, compressed, name\n"
           "  far extract ARCHIVE [ENTRY...] -o DIR writes the entries (all when none are named)\n"
           "                                        into DIR; never replaces a file, never writes\n"
           "                                        outside DIR\n"
           "far ls --json writes {\"variant\": \"1a\"|\"1b\", \"declared_count\": N, \"entries\":\n"
           "[{\"name\", \"size\", \"stored_size\", \"offset\", \"compressed\", \"usable\",\n"
           "\"problem\"}]}; an entry that cannot be used is listed with the reason.\n"
           "Object files open with their .spf companion, as the browser opens them. ls, strings,\n"
           "render and sprite open files read-only and never change them. info completes an\n"
           "incomplete catalog table, as the browser does; with --no-write it opens the file\n"
           "read-only and changes nothing.\n"
           "A file that is cut short inside a chunk is listed as far as it goes, with a\n"
           "warning on stderr. render fails (exit 1) rather than write a blank picture when the\n"
           "object has no sprite to draw in the view or the picture exceeds the size limits.\n"
           "A FILE may lie inside an archive (GameData/Objects/Objects.far/Chairs/Chair.iff):\n"
           "the archive is mounted and the entry opens read-only, with its companion from the\n"
           "same archive; nothing in an archive is ever changed.\n"
           "Exit status: 0 done, 1 a bad file or resource, 2 a bad command line.\n";
}

int RunCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    if (argv.size() == 1 && (argv[0] == "--help" || argv[0] == "-h" || argv[0] == "help")) {
        out << CliUsage();
        return kExitOk;
    }
    try {
        const Args args = ParseArgs(argv);
        const Values values = CheckValues(args);
        Context c{out, err, args, values, args.positional[0], args.positional[0]};
        if (args.command == "demo") return CommandDemo(c);
        if (args.command == "far") return CommandFar(c);
        // Only info completes catalog tables, as the browser does; every other command,
        // and info with --no-write, opens files read-only, so nothing it does can write.
        struct ReadOnly {
            bool on = false;
            bool before = false;
            ~ReadOnly() {
                if (on) FileSystem::Instance().SetReadOnly(before);
            }
        } readOnly;
        if (args.command != "info" || args.Has("--no-write")) {
            readOnly.on = true;
            readOnly.before = FileSystem::Instance().SetReadOnly(true);
        }
        // A name that leads through an archive ("Objects.far/Chairs/Chair.iff") opens the
        // entry: the archive is mounted first, and its entries are read-only, so changes
        // are refused as for any read-only file and --no-write needs no copy.
        FarMountReport mount;
        const int32_t mounted = MountFarArchiveOnPath(c.file.c_str(), &mount);
        if (mounted != rc::kOk)
            BadFile((mount.archive.empty() ? c.file : std::string(mount.archive)) + ": " + DescribeResult(mounted));
        // What this command mounted is unmounted when it ends (an archive mounted before
        // stays), so that a later command sees the archive as it is then.
        struct Unmount {
            std::string archive;
            ~Unmount() {
                if (!archive.empty()) UnmountFarArchives(archive.c_str());
            }
        } unmount{mount.mounted > 0 ? std::string(mount.archive) : std::string()};
        if (InArchive(c.file)) {
            const int32_t why = MountedEntryError(c.file.c_str());
            if (why != rc::kOk) BadFile(c.file + ": " + DescribeResult(why));
            return RunFileCommand(c);
        }
        // Names are matched as the game's own platform matches them: without regard to case.
        c.openPath = platform::ResolvePath(c.file);
        return RunFileCommand(c);
    } catch (const CliError& e) {
        err << "tambrix-cli: " << e.what() << "\n";
        return e.Code();
    } catch (const std::exception& e) {
        err << "tambrix-cli: " << e.what() << "\n";
        return kExitBadFile;
    }
}

}  // namespace tambrix::tools
