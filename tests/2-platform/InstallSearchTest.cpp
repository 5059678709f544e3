// Every install of the game, looked for in made-up homes: Steam's folders and the
// libraries they list, the Flatpak Steam, Wine prefixes with their registry entries, Steam
// for Windows, the EA app and Maxis folders, and a Windows machine.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/InstallSearch.h"
#include "support/HostTest.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kLocalSteam = ".local/share/Steam";
const std::string kGame = "/steamapps/common/The Sims Legacy Collection";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

/// Builds a tree below `home` from lines: "a/b/" a folder, "a/f=text" a file, "a->b" a
/// link to b. A "~" in a text or a link stands for the home.
void build(const test::TempDir& home, const Lines& tree) {
    for (const std::string& line : tree) {
        const size_t equals = line.find('='), arrow = line.find("->");
        if (arrow != std::string::npos) {
            fs::create_directories(fs::path(home.File(line.substr(0, arrow))).parent_path());
            fs::create_directory_symlink(replaceAll(line.substr(arrow + 2), "~", home.Path()),
                                         home.File(line.substr(0, arrow)));
        } else if (equals != std::string::npos) {
            home.Write(line.substr(0, equals), replaceAll(line.substr(equals + 1), "~", home.Path()));
        } else {
            home.MakeDir(line);
        }
    }
}

/// The installs as "folder: where", the home written "~" (and on Windows, where a folder
/// is spelled with '\\', with '/' as the tests write it).
Lines found(const test::TempDir& home, const InstallSearchHost& host) {
    Lines lines;
    for (const GameInstall& install : FindInstalls(host)) {
        const std::string folder = test::kWindowsHost ? replaceAll(install.folder, "\\", "/") : install.folder;
        lines.push_back(replaceAll(folder + ": " + DescribeInstallSource(install), home.Path(), "~"));
    }
    return lines;
}

InstallSearchHost hostAt(const std::string& home, std::map<std::string, std::string> variables = {}) {
    InstallSearchHost host;
    host.home = home;
    host.windows = false;
    host.variable = [variables](const std::string& name) {
        const auto it = variables.find(name);
        return it == variables.end() ? std::string() : it->second;
    };
    return host;
}

std::string vdf(const Lines& paths) {
    std::string text = "\"libraryfolders\"\n{\n";
    for (size_t i = 0; i < paths.size(); ++i)
        text += "\t\"" + std::to_string(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + paths[i] + "\"\n\t}\n";
    return text + "}\n";
}

std::string reg(const std::string& key, const std::string& value) {
    return "WINE REGISTRY Version 2\n\n[" + key + "] 1700000000\n" + value + "\n";
}

struct Case {
    const char* what;
    Lines tree;
    std::string winePrefix;  ///< below the home; empty: unset
    Lines installs;
};

TEST(InstallSearch, FindsEveryInstallOnceWithWhereItWasFound) {
    TAMBRIX_SKIP_ON_WINDOWS(test::kNoPrefixSearchOnWindows);
    const std::string vdfAt = kLocalSteam + "/steamapps/libraryfolders.vdf=";
    const std::string steamGame = kLocalSteam + kGame + "/GameData/";
    const std::string wineC = ".wine/drive_c/";
    const Case cases[] = {
        {"nothing at all", {}, "", {}},
        {"a library on a second disk listed by Steam's list",
         {steamGame, "disk2/SteamLibrary" + kGame + "/GameData/",
          vdfAt + vdf({"~/.local/share/Steam", "~/disk2/SteamLibrary"})},
         "",
         {"~/" + kLocalSteam + kGame + ": Steam library", "~/disk2/SteamLibrary" + kGame + ": Steam library"}},
        {"several libraries, one without the game, one without GameData, one missing, one relative",
         {"d1/L" + kGame + "/GameData/", "d2/L/steamapps/common/", "d3/L" + kGame + "/Other/",
          "d4/L" + kGame + "/gamedata/", kLocalSteam + "/steamapps/",
          vdfAt + vdf({"~/d1/L", "~/d2/L", "~/d3/L", "~/gone", "d4/L", "~/d4/L"})},
         "",
         {"~/d1/L" + kGame + ": Steam library", "~/d4/L" + kGame + ": Steam library"}},
        {"the launcher's link to Steam's folder and a list naming it again give it once",
         {steamGame, ".steam/steam->~/" + kLocalSteam, vdfAt + vdf({"~/.local/share/Steam", "~/.steam/steam"})},
         "",
         {"~/" + kLocalSteam + kGame + ": Steam library"}},
        {"a Steam folder only behind the launcher's link",
         {".steam/debian-installation" + kGame + "/GameData/", ".steam/steam->~/.steam/debian-installation"},
         "",
         {"~/.steam/steam" + kGame + ": Steam library"}},
        {"a damaged list: the Steam folder's own library only",
         {steamGame, "disk2/L" + kGame + "/GameData/", vdfAt + "\"libraryfolders\" { \"0\" { \"path\" \"~/disk2/L\" }"},
         "",
         {"~/" + kLocalSteam + kGame + ": Steam library"}},
        {"the Flatpak's place, folder names in another case spelled as on disk",
         {".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/the sims legacy collection/GAMEDATA/"},
         "",
         {"~/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/the sims legacy collection: "
          "Flatpak Steam library"}},
        {"an EA app folder inside WINEPREFIX",
         {"pfx/drive_c/Program Files/EA Games/The Sims Legacy/GameData/"},
         "pfx",
         {"~/pfx/drive_c/Program Files/EA Games/The Sims Legacy: EA app folder in Wine prefix ~/pfx"}},
        {"a folder without GameData is no install",
         {wineC + "Program Files/EA Games/The Sims Legacy/Game Data/"},
         "",
         {}},
        {"the registry entry, Maxis folders and the EA app in ~/.wine, also named by WINEPREFIX",
         {wineC + "Games/Sims/GameData/", wineC + "Program Files (x86)/Maxis/The Sims/GameData/",
          wineC + "Program Files/Maxis/The Sims/GameData/", wineC + "Program Files/EA Games/The Sims Legacy/GameData/",
          ".wine/system.reg=" + reg("Software\\\\Maxis\\\\The Sims", "\"SIMS_DATA\"=\"c:\\\\games\\\\sims\\\\\"")},
         ".wine",
         {"~/" + wineC + "Games/Sims: registry entry in Wine prefix ~/.wine",
          "~/" + wineC + "Program Files/EA Games/The Sims Legacy: EA app folder in Wine prefix ~/.wine",
          "~/" + wineC + "Program Files (x86)/Maxis/The Sims: Maxis folder in Wine prefix ~/.wine",
          "~/" + wineC + "Program Files/Maxis/The Sims: Maxis folder in Wine prefix ~/.wine"}},
        {"a registry entry naming a Maxis folder lists it once, as the registry's",
         {wineC + "Program Files/Maxis/The Sims/GameData/",
          ".wine/system.reg=" + reg("Software\\\\Wow6432Node\\\\Maxis\\\\The Sims",
                                    "\"SIMS_DATA\"=\"C:\\\\Program Files\\\\Maxis\\\\The Sims\"")},
         "",
         {"~/" + wineC + "Program Files/Maxis/The Sims: registry entry in Wine prefix ~/.wine"}},
        {"Steam for Windows in a prefix: its folder from the user's registry, its list's Windows paths mapped",
         {"pfx/drive_c/Steam" + kGame + "/GameData/", "pfx/dosdevices/e:->~/disk2", "disk2/Lib" + kGame + "/GameData/",
          "pfx/drive_c/Program Files (x86)/Steam" + kGame + "/GameData/",
          "pfx/user.reg=" + reg("Software\\\\Valve\\\\Steam", "\"SteamPath\"=\"c:/steam\""),
          "pfx/drive_c/Steam/steamapps/libraryfolders.vdf=" + vdf({"C:\\\\Steam", "E:\\\\Lib", "F:\\\\Gone", "/abs"})},
         "pfx",
         {"~/pfx/drive_c/Steam" + kGame + ": Steam library in Wine prefix ~/pfx",
          "~/pfx/dosdevices/e:/Lib" + kGame + ": Steam library in Wine prefix ~/pfx",
          "~/pfx/drive_c/Program Files (x86)/Steam" + kGame + ": Steam library in Wine prefix ~/pfx"}},
        {"the machine's places before the prefixes, WINEPREFIX before ~/.wine",
         {wineC + "Program Files/Maxis/The Sims/GameData/", "pfx/drive_c/Program Files/Maxis/The Sims/GameData/",
          steamGame},
         "pfx",
         {"~/" + kLocalSteam + kGame + ": Steam library",
          "~/pfx/drive_c/Program Files/Maxis/The Sims: Maxis folder in Wine prefix ~/pfx",
          "~/" + wineC + "Program Files/Maxis/The Sims: Maxis folder in Wine prefix ~/.wine"}},
    };
    for (const Case& c : cases) {
        test::TempDir home;
        build(home, c.tree);
        std::map<std::string, std::string> variables;
        if (!c.winePrefix.empty()) variables["WINEPREFIX"] = home.File(c.winePrefix);
        EXPECT_EQ(found(home, hostAt(home.Path(), variables)), c.installs) << c.what;
    }
}

TEST(InstallSearch, AHomeThatIsNotAnAbsoluteFolderIsNotLookedIn) {
    TAMBRIX_SKIP_ON_WINDOWS(test::kNoPrefixSearchOnWindows);
    test::TempDir home;
    build(home, {kLocalSteam + kGame + "/GameData/", ".wine/drive_c/Program Files/Maxis/The Sims/GameData/"});
    const std::string relative = fs::relative(home.Path(), fs::current_path()).string();
    EXPECT_EQ(found(home, hostAt(relative)), Lines{});
    EXPECT_EQ(found(home, hostAt("", {{"WINEPREFIX", relative + "/.wine"}})), Lines{});
    EXPECT_EQ(found(home, hostAt("", {{"WINEPREFIX", home.File(".wine")}})).size(), 1u);
}

// On Windows: the registry's folders and Program Files as the environment names them,
// and no Wine prefix or Steam folder of the home.
TEST(InstallSearch, OnWindowsTheRegistryAndProgramFilesAreLookedAt) {
    test::TempDir root;
    build(root, {"pf86/Steam" + kGame + "/GameData/", "steam2" + kGame + "/GameData/", "sims/GameData/",
                 "pf/EA Games/The Sims Legacy/GameData/", "pf/Maxis/The Sims/GameData/",
                 "steam2/steamapps/libraryfolders.vdf=" + vdf({"~/lib", "relative"}), "lib" + kGame + "/GameData/",
                 ".wine/drive_c/Program Files/Maxis/The Sims/GameData/", kLocalSteam + kGame + "/GameData/"});
    InstallSearchHost host = hostAt(root.Path(), {{"ProgramFiles", root.File("pf")},
                                                  {"ProgramFiles(x86)", root.File("pf86")},
                                                  {"WINEPREFIX", root.File(".wine")}});
    host.windows = true;
    host.registry = [&](RegistryHive hive, std::string_view key, std::string_view value) -> std::optional<std::string> {
        if (hive == RegistryHive::kMachine && key == "Software\\Maxis\\The Sims" && value == "SIMS_DATA")
            return root.File("sims") + "\\";
        if (hive == RegistryHive::kMachine && key == "Software\\Wow6432Node\\Valve\\Steam" && value == "InstallPath")
            return root.File("steam2");
        return std::nullopt;
    };
    EXPECT_EQ(found(root, host),
              (Lines{"~/sims: registry entry", "~/steam2" + kGame + ": Steam library",
                     "~/lib" + kGame + ": Steam library", "~/pf86/Steam" + kGame + ": Steam library",
                     "~/pf/EA Games/The Sims Legacy: EA app folder", "~/pf/Maxis/The Sims: Maxis folder"}));
}

}  // namespace
}  // namespace tambrix::platform
