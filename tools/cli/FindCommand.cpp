// The find command: the objects of a game folder whose catalog name, description or
// file name holds every word of a text, through the folder's index in the user's cache
// folder, the same database the browser keeps (built on first use, brought up to date on
// every later one).

#include <filesystem>

#include "catalog/ObjectSet.h"
#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "core/ResultCodes.h"
#include "index/GameIndex.h"

namespace tambrix::tools {

int CommandFind(Context& c) {
    const std::string& folder = c.args.positional[0];
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) BadFile(folder + ": not a folder");
    const std::string database = c.args.Has("--index") ? c.args.Get("--index") : DefaultIndexPath(folder);
    if (database.empty()) BadFile("no cache folder to keep the index in (set HOME or XDG_CACHE_HOME, or give --index)");

    GameIndex index;
    // The cache's own database is thrown away and built again when damaged; one named
    // with --index may be something else given by mistake and is only refused.
    bool rebuilt = false;
    int32_t code = c.args.Has("--index") ? index.Open(database) : index.OpenCache(database, &rebuilt);
    if (code != rc::kOk) BadFile(database + ": " + DescribeResult(code));
    if (rebuilt) c.err << database << ": the index was damaged and is built again\n";
    code = index.Refresh(folder);
    if (code != rc::kOk) BadFile(folder + ": " + DescribeResult(code));
    std::vector<IndexHit> hits;
    code = index.Query(c.args.positional[1], static_cast<uint32_t>(c.values.limit), hits);
    if (code != rc::kOk) BadFile(database + ": " + DescribeResult(code));

    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginArray();
        for (const IndexHit& hit : hits) {
            j.BeginObject().Key("file").Utf8(hit.path).Key("object").Number(hit.object);
            j.Key("name").Utf8(hit.name).Key("description").Utf8(hit.description);
            j.Key("price");
            if (hit.price)
                j.Number(*hit.price);
            else
                j.Null();
            j.Key("guid");
            if (hit.object >= 0)
                j.String(GuidText(hit.guid));
            else
                j.Null();
            j.Key("problem").String(hit.problem).EndObject();
        }
        j.EndArray();
        c.out << "\n";
        return kExitOk;
    }
    for (const IndexHit& hit : hits) {
        c.out << hit.path;
        if (!hit.name.empty()) c.out << "  \"" << hit.name << "\"";
        if (hit.price) c.out << "  $" << *hit.price;
        if (!hit.problem.empty()) c.out << "  (" << hit.problem << ")";
        c.out << "\n";
    }
    return kExitOk;
}

}  // namespace tambrix::tools
