// The installs command: every install of the game the search finds on this machine, with
// where it was found, for people looking for their game and for bug reports.

#include "cli/CliCommon.h"
#include "cli/Json.h"
#include "platform/InstallSearch.h"

namespace tambrix::tools {

int CommandInstalls(Context& c) {
    const std::vector<platform::GameInstall> installs = platform::FindInstalls();
    if (c.args.Has("--json")) {
        JsonWriter j(c.out);
        j.BeginArray();
        for (const platform::GameInstall& install : installs) {
            j.BeginObject().Key("folder").Utf8(install.folder);
            j.Key("source").String(platform::InstallSourceKey(install.source));
            j.Key("where").Utf8(platform::DescribeInstallSource(install));
            j.Key("wine_prefix");
            if (install.winePrefix.empty())
                j.Null();
            else
                j.Utf8(install.winePrefix);
            j.EndObject();
        }
        j.EndArray();
        c.out << "\n";
        return kExitOk;
    }
    if (installs.empty()) c.out << "no install found\n";
    for (const platform::GameInstall& install : installs)
        c.out << install.folder << "  (" << platform::DescribeInstallSource(install) << ")\n";
    return kExitOk;
}

}  // namespace tambrix::tools
