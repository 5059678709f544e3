// The container commands: ls (one container's resources), info (what the object view
// shows, and everything the object set lists), strings (the string tables), and show
// (info for every file the browser lists under a folder, with its pictures).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "catalog/ObjectSet.h"
#include "catalog/ShownFile.h"
#include "catalog/StringTable.h"
#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "containers/IffFormat.h"
#include "core/ResultCodes.h"
#include "core/Utf8Path.h"
#include "fileaccess/FarArchive.h"

namespace tambrix::tools {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
// A bitmap is copied to the pictures only up to this size.
constexpr uint32_t kLargestCopiedBitmap = 64u * 1024u * 1024u;

std::string FlagsText(uint16_t flags) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", flags);
    return text;
}

bool OpensContainer(GameFileKind kind) {
    return kind == GameFileKind::kObject || kind == GameFileKind::kWall || kind == GameFileKind::kFloor;
}

/// What the form shows of a file that opens no container.
std::string ShowsText(const ViewDescription& view) {
    if (view.form == ViewForm::kNote) return "what the file is";
    if (view.form != ViewForm::kBitmap) return "nothing";
    const platform::BitmapFileInfo& bitmap = *view.bitmap;
    return "the bitmap itself, " + std::to_string(bitmap.width) + " x " + std::to_string(bitmap.height) +
           " pixels of " + std::to_string(bitmap.bitsPerPixel) + " bits";
}

void PrintJson(std::ostream& out, const ViewDescription& view, const ObjectSet* set) {
    JsonWriter j(out);
    if (!set) {
        j.BeginObject().Key("kind").String(KindText(view.kind)).Key("shows").String(ShowsText(view));
        if (!view.note.empty()) j.Key("note").String(view.note);
        j.EndObject();
        out << "\n";
        return;
    }
    j.BeginObject();
    if (!view.note.empty()) j.Key("note").String(view.note);
    j.Key("name").String(view.texts.name).Key("price").String(view.texts.price);
    j.Key("description").String(view.texts.description).Key("objects").BeginArray();
    for (const auto& r : set->AllRecords()) {
        j.BeginObject().Key("id").Number(r->Id()).Key("label").String(r->Label().View());
        j.Key("guid").String(GuidText(r->Guid()));
        j.Key("name").String(r->Name()).Key("description").String(r->Description());
        j.Key("price").Number(r->Price()).Key("catalog_found").Bool(r->CatalogFound() != 0);
        j.Key("master_id").Number(r->MasterId()).Key("sub_index").Number(r->SubIndex());
        j.Key("display_index").Number(r->DisplayIndex()).Key("tiles").BeginArray();
        for (const ObjectRecord* t : r->Tiles()) j.Number(t->Id());
        j.EndArray().EndObject();
    }
    j.EndArray().Key("sprites").BeginArray();
    for (const SpriteRef& s : set->Sprites()) {
        j.BeginObject().Key("type").String(ResTypeText(s.type)).Key("id").Number(s.id);
        j.Key("label").String(s.label.View()).EndObject();
    }
    j.EndArray().Key("draw_groups").BeginArray();
    for (const DrawGroupRef& d : set->DrawGroups())
        j.BeginObject().Key("id").Number(d.id).Key("label").String(d.label.View()).EndObject();
    j.EndArray().Key("palettes").BeginArray();
    for (const PaletteRef& p : set->Palettes())
        j.BeginObject().Key("id").Number(p.id).Key("label").String(p.label.View()).EndObject();
    j.EndArray().EndObject();
    out << "\n";
}

void PrintText(std::ostream& o, const ViewDescription& view, const ObjectSet* set) {
    o << "kind: " << KindText(view.kind) << "\n";
    if (!view.note.empty()) o << "note: " << view.note << "\n";
    if (!set) {
        o << "the object view shows " << ShowsText(view) << "\n";
        return;
    }
    const bool tile = view.form == ViewForm::kWall || view.form == ViewForm::kFloor;
    if (tile && !view.tableFound) o << "(no string table: the texts are empty)\n";
    if (view.form != ViewForm::kNote)
        o << "name: " << view.texts.name << "\nprice: " << view.texts.price << "\ndescription: " << view.texts.description
          << "\n";
    if (view.form == ViewForm::kPreview) {
        o << "picture: the preview of object 0 in view " << view.previewView << "\n";
    } else if (view.form == ViewForm::kNote) {
        o << "picture: none (the form says what the file is)\n";
    } else {
        o << "picture: the selected frame of the selected sprite\nsprite list:";
        if (view.sprites.empty()) o << " (empty, hidden)";
        o << "\n";
        for (const ViewSprite& s : view.sprites) {
            o << "  " << s.id;
            if (tile) o << " \"" << s.label << "\"";
            o << ": " << s.frameCount << " frame" << (s.frameCount == 1 ? "" : "s");
            if (view.form == ViewForm::kWall) {
                o << " (";
                for (size_t f = 0; f < s.frames.size(); ++f)
                    o << (f ? ", " : "") << (s.frames[f].empty() ? "\"\"" : s.frames[f]);
                o << ")";
            }
            if (!view.framesShown) o << " (frame list hidden)";
            o << "\n";
        }
    }
    o << "objects: " << set->AllRecords().size() << (set->AllRecords().size() == 1 ? " record, " : " records, ")
      << set->Objects().size() << " shown\n";
    for (const auto& r : set->AllRecords()) {
        o << "  " << r->Id() << " \"" << r->Label().View() << "\": " << r->Name() << " / price " << r->Price()
          << (r->CatalogFound() ? "" : " / no catalog") << " / master " << r->MasterId() << " sub-index "
          << r->SubIndex() << " display " << r->DisplayIndex() << " / GUID " << GuidText(r->Guid());
        if (!r->Tiles().empty()) {
            o << " tiles";
            for (const ObjectRecord* t : r->Tiles()) o << " " << t->Id();
        }
        o << "\n    " << r->Description() << "\n";
    }
    o << "sprites:";
    for (const SpriteRef& s : set->Sprites())
        o << " " << ResTypeText(s.type) << " " << s.id << " \"" << s.label.View() << "\";";
    o << "\ndraw groups:";
    for (const DrawGroupRef& d : set->DrawGroups()) o << " " << d.id << " \"" << d.label.View() << "\";";
    o << "\npalettes:";
    for (const PaletteRef& p : set->Palettes()) o << " " << p.id << " \"" << p.label.View() << "\";";
    o << "\n";
}

/// Locates and opens a file as the object view shows it.
void OpenShown(Context& c, const std::string& shown, ShownFile& file, GameFileAccess access) {
    LocateFile(c, shown, file.File(), OpensContainer(KindOfName(shown)));
    const int32_t code = file.Open(access);
    if (code != rc::kOk) BadFile(shown + ": " + DescribeResult(code));
    if (file.Description().form == ViewForm::kBitmap && !file.Description().bitmap)
        BadFile(shown + ": not a bitmap file");
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
    auto text = [](const char* value) { return value ? value : ""; };
    if (json) {
        JsonWriter& j = *json;
        j.BeginObject().Key("type").String(ResTypeText(type)).Key("id").Number(id);
        j.Key("label").String(table.Label().View()).Key("languages").BeginArray();
        for (int l : languages) {
            j.BeginObject().Key("code").Number(l + 1).Key("strings").BeginArray();
            for (int i = 1; i <= table.Count(static_cast<uint8_t>(l)); ++i) {
                j.BeginObject().Key("value").String(text(table.Get(i, static_cast<uint8_t>(l))));
                j.Key("comment").String(text(table.GetComment(i, static_cast<uint8_t>(l)))).EndObject();
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
            const char* comment = table.GetComment(i, static_cast<uint8_t>(l));
            c.out << "  " << i << ": " << text(table.Get(i, static_cast<uint8_t>(l)));
            if (comment && *comment) c.out << "   (" << comment << ")";
            c.out << "\n";
        }
    }
}

int32_t ReadTable(ResourceFile* file, const TableKind& kind, long id, StringTable& table) {
    table.SetSource(file, static_cast<uint16_t>(id), kind.type, kind.mode, -1);
    return table.Read(true, true);
}

// ---- show: every file the browser lists, archives as folders -----------------------

/// The files of a folder tree in name order, and after each archive its usable entries
/// as paths through it ("Objects.far/Chairs/Chair.iff"), as the browser shows them.
std::vector<std::string> ListedFiles(const std::string& root) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(Utf8Path(root), ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) files.push_back(Utf8Name(fs::relative(it->path(), Utf8Path(root), ec), true));
    std::sort(files.begin(), files.end());
    std::vector<std::string> listed;
    for (const std::string& file : files) {
        listed.push_back(file);
        FarManifest manifest;
        if (KindOfName(file) != GameFileKind::kArchive) continue;
        if (ListFarArchive(Utf8Name(Utf8Path(root) / Utf8Path(file)).c_str(), manifest) != rc::kOk) continue;
        for (FarEntry& entry : manifest.entries) {
            if (entry.status != rc::kOk || entry.compressed) continue;
            std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
            listed.push_back(file + "/" + entry.name);
        }
    }
    return listed;
}

/// What an archive holds when none of its files is of a listed kind ("521 files: .otf");
/// empty otherwise, or when it cannot be read.
std::string UnlistedArchiveText(const std::string& archive) {
    FarManifest manifest;
    if (ListFarArchive(archive.c_str(), manifest) != rc::kOk) return {};
    std::vector<std::string> names;
    for (const FarEntry& entry : manifest.entries) {
        if (IsListedKind(KindOfName(entry.name))) return {};
        names.push_back(entry.name);
    }
    return HeldFilesText(names);
}

/// Writes the pictures the form would show of a file into `folder`, each named after
/// the file; answers their paths.
std::vector<std::string> WriteShownPictures(ShownFile& file, const std::string& name, const std::string& folder,
                                            bool force) {
    std::vector<std::string> written;
    const ViewDescription& view = file.Description();
    auto write = [&](const std::unique_ptr<platform::Bitmap>& picture, const std::string& suffix) {
        if (!picture) return;
        const std::string path = Utf8Name(Utf8Path(folder) / Utf8Path(name + suffix + ".png"));
        WritePicture(*picture, path, force);
        written.push_back(path);
    };
    if (view.form == ViewForm::kPreview)
        write(file.RenderPreview(0, view.previewView, kWhite), "-view" + std::to_string(view.previewView));
    for (const ViewSprite& sprite : view.sprites) {
        // A floor shows one picture per sprite, through its single hidden frame item.
        for (size_t frame = 0; frame < sprite.frames.size(); ++frame)
            write(file.DrawFrame(sprite.id, static_cast<int32_t>(frame)),
                  "-sprite" + std::to_string(sprite.id) + "-frame" + std::to_string(frame));
    }
    if (view.form == ViewForm::kBitmap) {
        std::vector<uint8_t> bytes;
        file.File().ReadHead(bytes, kLargestCopiedBitmap);
        const std::string path = Utf8Name(Utf8Path(folder) / Utf8Path(name + ".bmp"));
        std::ofstream out(Utf8Path(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) BadFile(path + ": cannot write the bitmap");
        written.push_back(path);
    }
    return written;
}

}  // namespace

int CommandLs(Context& c) {
    GameFile file;
    LocateFile(c, c.file, file, true);
    const std::string version = file.ContainerVersion();
    OpenFile(c.file, file, GameFileAccess::kReadOnly, true);
    ResourceFile* container = file.Container();
    struct Row {
        ResType type;
        int id;
        std::string label;
        uint32_t size;
        uint16_t flags;
    };
    std::vector<Row> rows;
    const int16_t types = container->CountTypes();
    for (int16_t t = 1; t <= types; ++t) {
        const ResType type = container->GetIndType(t);
        const int16_t count = container->CountResources(type);
        for (int16_t i = 1; i <= count; ++i) {
            DataBlock* block = container->GetIndResource(type, i, nullptr);
            if (!block)
                BadFile(c.file + ": cannot read " + ResTypeText(type) + " number " + std::to_string(i) + ": " +
                        DescribeResult(container->GetError()));
            uint16_t id = 0;
            container->GetResID(block, id);
            LabelText label;
            container->GetResName(block, label);
            // The flags word as the reader holds it: attribute byte high, library-order bit low.
            const uint16_t flags =
                static_cast<uint16_t>((container->GetResAttrs(block) << iff::kAttributeShift) |
                                      (container->IsLibraryOrder(block) ? iff::kFlagLibraryOrder : 0));
            rows.push_back(Row{type, static_cast<int16_t>(id), std::string(label.View()), block->size, flags});
        }
    }
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

int CommandInfo(Context& c) {
    ShownFile file;
    OpenShown(c, c.file, file, AccessOf(c.args));
    // What the look wrote, or why it did not, beside the description.
    const std::string completion =
        CatalogCompletionText(file.Completion(), fs::path(file.File().Path()).filename().string());
    if (!completion.empty()) c.err << "tambrix-cli: " << c.file << ": " << completion << "\n";
    if (c.args.Has("--json"))
        PrintJson(c.out, file.Description(), file.Objects());
    else
        PrintText(c.out, file.Description(), file.Objects());
    return kExitOk;
}

// With --id, the first kind of table under that ID; without, every table of the file,
// kind by kind in the file's order (JSON: an array of them).
int CommandStrings(Context& c) {
    GameFile opened;
    LocateFile(c, c.file, opened, true);
    OpenFile(c.file, opened, GameFileAccess::kReadOnly);
    ResourceFile* file = opened.Container();
    const bool json = c.args.Has("--json");
    std::optional<JsonWriter> writer;
    if (json) writer.emplace(c.out);
    if (c.args.Has("--id")) {
        const long id = c.values.id;
        StringTable table;
        for (const TableKind& kind : kTableKinds) {
            if (ReadTable(file, kind, id, table) != rc::kOk) continue;
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
        if (const int32_t code = ReadTable(file, *kind, id, table); code != rc::kOk) {
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

int CommandShow(Context& c) {
    const std::string& root = c.file;
    std::error_code ec;
    if (!fs::is_directory(Utf8Path(root), ec)) BadFile(root + ": not a folder");
    const std::string& pictures = c.values.out;
    if (!pictures.empty() && !fs::is_directory(Utf8Path(pictures), ec) && !fs::create_directories(Utf8Path(pictures), ec))
        BadFile(pictures + ": cannot make the folder");
    // The archives stay mounted while their entries are shown; those mounted here are
    // unmounted at the end, whatever happens.
    struct Mounted {
        FarFolderReport report;
        ~Mounted() {
            for (const FarMountReport& archive : report.archives)
                if (archive.code == rc::kOk) UnmountFarArchives(std::string(archive.archive).c_str());
        }
    } mounted;
    MountFarFolder(root.c_str(), &mounted.report);
    for (const std::string& relative : ListedFiles(root)) {
        const GameFileKind kind = KindOfName(relative);
        if (kind == GameFileKind::kArchive) {
            c.out << "\n== " << relative << " (archive: the browser shows it as a folder; its entries follow)\n";
            const std::string held = UnlistedArchiveText((fs::path(root) / relative).string());
            if (!held.empty()) c.out << "   holds no file the browser lists: " << held << "\n";
            continue;
        }
        if (!IsListedKind(kind)) continue;  // not a file the browser lists
        c.out << "\n== " << relative << "\n";
        std::ostringstream text;
        try {
            ShownFile file;
            std::ostringstream warnings;
            Context inner{text, warnings, c.args, c.values, relative};
            OpenShown(inner, Utf8Name(Utf8Path(root) / Utf8Path(relative)), file, GameFileAccess::kReadOnly);
            PrintText(text, file.Description(), file.Objects());
            if (!pictures.empty()) {
                std::string name = relative.substr(0, relative.rfind('.'));
                std::replace(name.begin(), name.end(), '/', '_');
                for (const std::string& path : WriteShownPictures(file, name, pictures, c.values.force))
                    text << "picture: " << path << "\n";
            }
            text << warnings.str();
        } catch (const CliError& e) {
            text << "not shown: " << e.what() << "\n";
        }
        std::istringstream lines(text.str());
        for (std::string line; std::getline(lines, line);) c.out << "   " << line << "\n";
    }
    return kExitOk;
}

}  // namespace tambrix::tools
