// The commands that write what the user asks for: clone (a copy of an object file with
// new GUIDs), set (catalog texts and price), and conflicts (GUIDs held by more than one
// file of a game folder, from its index).

#include <filesystem>

#include "catalog/ObjectSet.h"
#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "core/ResultCodes.h"
#include "edit/CatalogEdit.h"
#include "edit/ObjectClone.h"
#include "sets/WritePlace.h"
#include "index/GameIndex.h"

namespace tambrix::tools {

namespace {

/// The index database: --index, else the one the user's cache folder keeps for the folder.
std::string DatabaseFor(const Context& c, const std::string& folder) {
    return c.args.Has("--index") ? c.args.Get("--index") : DefaultIndexPath(folder);
}

}  // namespace

int CommandClone(Context& c) {
    CloneRequest request;
    request.source = c.file;
    request.target = c.values.out;
    request.objects = c.values.objects;
    request.replace = c.args.Has("--force");
    request.makeFolder = true;
    if (c.args.Has("--name")) request.name = c.args.Get("--name");
    int32_t code = CheckCloneRequest(request);
    if (code != rc::kOk) BadFile(request.target + ": " + DescribeResult(code));

    // The GUIDs the game folder holds, as its index knows them.
    std::string folder = FindGameFolder(c.file);
    if (folder.empty()) folder = FindGameFolder(std::filesystem::path(request.target).parent_path().string());
    bool indexed = false;
    const std::string database = folder.empty() ? std::string() : DatabaseFor(c, folder);
    // A database named on the command line is made when missing; the user's cache is only
    // used when find has built an index there.
    code = IndexedGuids(folder, database, c.args.Has("--index"), request.usedGuids, indexed);
    if (code != rc::kOk) BadFile(database + ": " + DescribeResult(code));

    CloneResult result;
    code = CloneObjectFile(request, result);
    if (code == rc::kEditTargetExists) BadFile(request.target + ": " + DescribeResult(code) + " (--force replaces it)");
    if (code == rc::kEditNoObject) BadFile(c.file + ": " + DescribeResult(code));
    if (code != rc::kOk) BadFile(request.target + ": " + DescribeResult(code));

    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginObject().Key("file").Utf8(result.objectFile).Key("sprite_file");
        if (result.spriteFile.empty())
            j.Null();
        else
            j.Utf8(result.spriteFile);
        j.Key("indexed").Bool(indexed).Key("left_out").Number(result.leftOut).Key("objects").BeginArray();
        for (const ClonedRecord& r : result.records) {
            j.BeginObject().Key("id").Number(r.id).Key("label").String(r.label).Key("object").Number(r.object);
            j.Key("tile").Bool(r.tile).Key("old_guid").String(GuidText(r.oldGuid));
            j.Key("new_guid").String(GuidText(r.newGuid)).EndObject();
        }
        j.EndArray().EndObject();
        c.out << "\n";
        return kExitOk;
    }
    c.out << "wrote " << result.objectFile;
    if (!result.spriteFile.empty()) c.out << " and " << result.spriteFile;
    c.out << "\n";
    for (const ClonedRecord& r : result.records) {
        c.out << "  " << r.id << " \"" << r.label << "\" (object " << r.object << (r.tile ? ", tile" : "")
              << "): " << GuidText(r.oldGuid) << " -> " << GuidText(r.newGuid) << "\n";
    }
    if (result.leftOut > 0)
        c.out << "note: " << result.leftOut << " object definition" << (result.leftOut == 1 ? " was" : "s were")
              << " left out; every other resource was copied, also what only they use\n";
    if (!indexed)
        c.out << "note: no index of the game folder, so the new GUIDs are unique within the file only"
              << " (find builds one)\n";
    c.out << "note: a GUID that the file's behaviour code mentions is left as it is\n";
    return kExitOk;
}

int CommandConflicts(Context& c) {
    const std::string& folder = c.file;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) BadFile(folder + ": not a folder");
    const std::string database = DatabaseFor(c, folder);
    if (database.empty()) BadFile("no cache folder to keep the index in (set HOME or XDG_CACHE_HOME, or give --index)");
    GameIndex index;
    int32_t code = index.Open(database);
    if (code != rc::kOk) BadFile(database + ": " + DescribeResult(code));
    if ((code = index.Refresh(folder)) != rc::kOk) BadFile(folder + ": " + DescribeResult(code));
    std::vector<GuidConflict> conflicts;
    if ((code = index.GuidConflicts(conflicts)) != rc::kOk) BadFile(database + ": " + DescribeResult(code));

    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginArray();
        for (const GuidConflict& conflict : conflicts) {
            j.BeginObject().Key("guid").String(GuidText(conflict.guid)).Key("same_file").Bool(conflict.SameFile());
            j.Key("files").BeginArray();
            for (const GuidHolder& h : conflict.holders) {
                j.BeginObject().Key("file").Utf8(h.path).Key("object").Number(h.object).Key("name").Utf8(h.name);
                j.Key("same_file_as");
                if (h.sameFileAs.empty())
                    j.Null();
                else
                    j.Utf8(h.sameFileAs);
                j.EndObject();
            }
            j.EndArray().EndObject();
        }
        j.EndArray();
        c.out << "\n";
        return kExitOk;
    }
    if (conflicts.empty()) c.out << "no GUID conflicts\n";
    for (const GuidConflict& conflict : conflicts) {
        c.out << GuidText(conflict.guid) << (conflict.SameFile() ? "  (same file)" : "") << "\n";
        for (const GuidHolder& h : conflict.holders) {
            c.out << "  " << h.path << "  object " << h.object;
            if (!h.name.empty()) c.out << " \"" << h.name << "\"";
            if (!h.sameFileAs.empty()) c.out << "  same file as " << h.sameFileAs;
            c.out << "\n";
        }
    }
    return kExitOk;
}

int CommandSet(Context& c) {
    CatalogChange change;
    change.file = c.file;
    change.object = static_cast<int32_t>(c.values.object);
    change.language = c.values.language;
    if (c.args.Has("--name")) change.name = c.args.Get("--name");
    if (c.args.Has("--description")) change.description = c.args.Get("--description");
    if (c.args.Has("--price")) change.price = c.values.price;
    const int32_t code = ApplyCatalogChange(change);
    if (code != rc::kOk) BadFile(c.file + ": " + DescribeResult(code));
    c.out << "saved " << c.file << "\n";
    return kExitOk;
}

}  // namespace tambrix::tools
