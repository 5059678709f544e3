// The archive commands: far ls (an archive's manifest) and far extract (its entries
// into a folder, never replacing a file and never writing outside it).

#include <cstdio>

#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "core/ResultCodes.h"
#include "fileaccess/FarArchive.h"

namespace tambrix::tools {

namespace {

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

}  // namespace

int CommandFar(Context& c) {
    const std::string& archive = c.args.positional[1];
    GameFile file;
    LocateFile(c, archive, file, false);
    if (c.args.positional[0] == "ls") return CommandFarLs(c, archive);
    return CommandFarExtract(c, archive);
}

}  // namespace tambrix::tools
