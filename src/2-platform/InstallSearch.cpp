#include "platform/InstallSearch.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <system_error>

#include "core/Utf8Path.h"
#include "platform/GameInstall.h"
#include "platform/LibraryFolders.h"
#include "platform/PlatformFile.h"

namespace tambrix::platform {

namespace {

// Steam's installer writes its folder for the machine (under Wow6432Node on 64-bit
// Windows); Steam itself keeps it for the user, spelled with '/'.
constexpr std::string_view kSteamMachineKeys[] = {"Software\\Wow6432Node\\Valve\\Steam", "Software\\Valve\\Steam"};
constexpr std::string_view kSteamMachineValue = "InstallPath";
constexpr std::string_view kSteamUserKey = "Software\\Valve\\Steam";
constexpr std::string_view kSteamUserValue = "SteamPath";
constexpr std::string_view kGameData = "GameData";

// Steam's own folders away from Windows, below the home folder: where it lives (first, so
// that an install is shown under its real folder rather than through the launcher's
// link), the place the launcher links, and the Flatpak's.
constexpr std::string_view kSteamPlaces[] = {".local/share/Steam", ".steam/steam"};
constexpr std::string_view kFlatpakSteamPlace = ".var/app/com.valvesoftware.Steam/.local/share/Steam";

std::string join(std::string folder, std::string_view name) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder + std::string(name);
}

/// A Windows system to look into: the machine itself, or a Wine prefix.
struct WindowsSystem {
    std::string prefix;  ///< empty for the machine itself
    std::string programFiles, programFilesX86;
    std::function<std::optional<std::string>(RegistryHive, std::string_view key, std::string_view value)> registry;
    /// The local folder behind a Windows path, when it leads to one.
    std::function<std::optional<std::string>(const std::string& windowsPath)> local;
};

/// A registry value under the first of `keys` that holds it.
std::optional<std::string> firstValue(const WindowsSystem& system, RegistryHive hive,
                                      std::span<const std::string_view> keys, std::string_view value) {
    for (std::string_view key : keys)
        if (std::optional<std::string> text = system.registry(hive, key, value); text && !text->empty()) return text;
    return std::nullopt;
}

class Search {
public:
    std::vector<GameInstall> Take() { return std::move(mFound); }

    /// Lists `folder` when it is an install not listed yet.
    void Consider(const std::string& folder, InstallSource source, const std::string& prefix) {
        if (folder.empty() || !DirectoryExists(join(folder, kGameData))) return;
        std::string spelled = ResolvePath(folder);
        while (spelled.size() > 1 && (spelled.back() == '/' || spelled.back() == '\\')) spelled.pop_back();
        std::error_code ec;
        std::string same = Utf8Name(std::filesystem::weakly_canonical(Utf8Path(spelled), ec));
        if (ec) same = spelled;
        for (const std::string& seen : mSeen)
            if (seen == same) return;
        mSeen.push_back(same);
        mFound.push_back({spelled, source, prefix});
    }

    /// The game in a Steam folder's own library and in every library its list names;
    /// `local` turns a listed path into a local folder.
    void SteamLibraries(const std::string& steam, InstallSource source, const std::string& prefix,
                        const std::function<std::optional<std::string>(const std::string&)>& local) {
        std::vector<std::string> libraries = {steam};
        for (const std::string& listed : ReadLibraryFolders(join(steam, "steamapps/libraryfolders.vdf")))
            if (std::optional<std::string> folder = local(listed)) libraries.push_back(*folder);
        for (const std::string& library : libraries)
            Consider(join(join(library, "steamapps/common"), kSteamGameFolder), source, prefix);
    }

    void Windows(const WindowsSystem& system) {
        auto windowsPath = [&](const std::string& path) { return system.local(path).value_or(std::string()); };
        if (std::optional<std::string> game =
                firstValue(system, RegistryHive::kMachine, kGameRegistryKeys, kGameRegistryValue))
            Consider(windowsPath(RemoveTrailingBackslashes(*game)), InstallSource::kRegistry, system.prefix);

        std::vector<std::string> steamFolders;
        if (std::optional<std::string> s =
                firstValue(system, RegistryHive::kMachine, kSteamMachineKeys, kSteamMachineValue))
            steamFolders.push_back(*s);
        const std::string_view userKey[] = {kSteamUserKey};
        if (std::optional<std::string> s = firstValue(system, RegistryHive::kUser, userKey, kSteamUserValue))
            steamFolders.push_back(*s);
        steamFolders.push_back(join(system.programFilesX86, "Steam"));
        std::vector<std::string> seenSteam;
        for (const std::string& steam : steamFolders) {
            const std::string folder = windowsPath(steam);
            if (folder.empty() || std::find(seenSteam.begin(), seenSteam.end(), folder) != seenSteam.end()) continue;
            seenSteam.push_back(folder);
            SteamLibraries(folder, InstallSource::kSteam, system.prefix, system.local);
        }

        Consider(windowsPath(join(system.programFiles, "EA Games\\The Sims Legacy")), InstallSource::kEaApp,
                 system.prefix);
        for (const std::string& programFiles : {system.programFilesX86, system.programFiles})
            Consider(windowsPath(join(programFiles, "Maxis\\The Sims")), InstallSource::kMaxis, system.prefix);
    }

private:
    std::vector<GameInstall> mFound;
    std::vector<std::string> mSeen;  ///< the found folders with every link followed
};

std::optional<std::string> existingFolder(const std::string& path) {
    if (path.empty() || !Utf8Path(path).is_absolute() || !DirectoryExists(path)) return std::nullopt;
    return ResolvePath(path);
}

WindowsSystem machine(const InstallSearchHost& host) {
    auto variable = [&](const char* name, const char* fallback) {
        std::string value = host.variable ? host.variable(name) : std::string();
        return value.empty() ? std::string(fallback) : value;
    };
    WindowsSystem system;
    system.programFiles = variable("ProgramFiles", "C:\\Program Files");
    system.programFilesX86 = variable("ProgramFiles(x86)", "C:\\Program Files (x86)");
    system.registry = host.registry ? host.registry : ReadHostRegistryText;
    system.local = existingFolder;
    return system;
}

WindowsSystem winePrefix(const std::string& prefix) {
    WindowsSystem system;
    system.prefix = prefix;
    system.programFiles = "C:\\Program Files";
    system.programFilesX86 = "C:\\Program Files (x86)";
    system.registry = [prefix](RegistryHive hive, std::string_view key, std::string_view value) {
        const std::string file = join(prefix, hive == RegistryHive::kMachine ? "system.reg" : "user.reg");
        const std::string_view keys[] = {key};
        GameEntry entry = ReadWineRegistryValue(file, keys, value);
        return entry.state == GameEntryState::kFound ? std::optional<std::string>(std::move(entry.windowsPath))
                                                     : std::nullopt;
    };
    system.local = [prefix](const std::string& windowsPath) { return MapWindowsPath(prefix, windowsPath); };
    return system;
}

}  // namespace

std::string_view InstallSourceKey(InstallSource source) {
    switch (source) {
        case InstallSource::kRegistry: return "registry";
        case InstallSource::kSteam: return "steam";
        case InstallSource::kSteamFlatpak: return "steam-flatpak";
        case InstallSource::kEaApp: return "ea-app";
        case InstallSource::kMaxis: return "maxis";
    }
    return "unknown";
}

std::string DescribeInstallSource(const GameInstall& install) {
    std::string text;
    switch (install.source) {
        case InstallSource::kRegistry: text = "registry entry"; break;
        case InstallSource::kSteam: text = "Steam library"; break;
        case InstallSource::kSteamFlatpak: text = "Flatpak Steam library"; break;
        case InstallSource::kEaApp: text = "EA app folder"; break;
        case InstallSource::kMaxis: text = "Maxis folder"; break;
    }
    if (!install.winePrefix.empty()) text += " in Wine prefix " + install.winePrefix;
    return text;
}

InstallSearchHost InstallSearchHost::Process() {
    InstallSearchHost host;
    const char* home = std::getenv("HOME");
    host.home = home ? home : "";
    host.variable = [](const std::string& name) {
        const char* value = std::getenv(name.c_str());
        return std::string(value ? value : "");
    };
    host.registry = ReadHostRegistryText;
    return host;
}

std::vector<GameInstall> FindInstalls(const InstallSearchHost& host) {
    Search search;
    if (host.windows) {
        search.Windows(machine(host));
        return search.Take();
    }
    // A relative home would make every place below depend on the working folder.
    const bool home = !host.home.empty() && host.home.front() == '/';
    if (home) {
        auto absolute = [](const std::string& path) -> std::optional<std::string> {
            if (path.empty() || path.front() != '/') return std::nullopt;
            return path;
        };
        for (std::string_view place : kSteamPlaces)
            search.SteamLibraries(join(host.home, place), InstallSource::kSteam, {}, absolute);
        search.SteamLibraries(join(host.home, kFlatpakSteamPlace), InstallSource::kSteamFlatpak, {}, absolute);
    }
    std::vector<std::string> prefixes;
    const std::string variable = host.variable ? host.variable("WINEPREFIX") : std::string();
    if (!variable.empty() && variable.front() == '/') prefixes.push_back(variable);
    if (home) prefixes.push_back(join(host.home, ".wine"));
    std::vector<std::string> seenPrefixes;
    for (const std::string& prefix : prefixes) {
        std::error_code ec;
        const std::string same = Utf8Name(std::filesystem::weakly_canonical(Utf8Path(prefix), ec));
        if (!DirectoryExists(prefix) || std::find(seenPrefixes.begin(), seenPrefixes.end(), same) != seenPrefixes.end())
            continue;
        seenPrefixes.push_back(same);
        search.Windows(winePrefix(prefix));
    }
    return search.Take();
}

std::vector<GameInstall> FindInstalls() { return FindInstalls(InstallSearchHost::Process()); }

}  // namespace tambrix::platform
