#pragma once

// Every install of the game on this machine, wherever people have it: the game's own
// registry entry, the Steam libraries (the re-release lives in
// steamapps/common/The Sims Legacy Collection), the EA app's default folder and the
// classic Maxis folders. Windows places are looked at on the machine itself when it runs
// Windows and inside every Wine prefix (~/.wine and $WINEPREFIX) elsewhere; on other
// systems Steam's own folders are looked at too (native, and the Flatpak's).
//
// A folder counts as an install when it holds a "GameData" folder, in whatever case the
// disk spells it. Only looks: nothing is created or written.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tambrix::platform {

enum class InstallSource {
    kRegistry,      ///< the game's registry entry
    kSteam,         ///< a Steam library
    kSteamFlatpak,  ///< a library of the Flatpak Steam
    kEaApp,         ///< the EA app's default folder
    kMaxis,         ///< Program Files (x86)\Maxis\The Sims or Program Files\Maxis\The Sims
};

struct GameInstall {
    std::string folder;  ///< the install's folder, spelled as on disk
    InstallSource source = InstallSource::kRegistry;
    std::string winePrefix;  ///< the Wine prefix it was found in; empty on the machine itself
};

/// Where it was found, for people: "Steam library", "EA app folder", ... and, inside a
/// prefix, "... in Wine prefix /home/me/.wine".
std::string DescribeInstallSource(const GameInstall& install);
/// A short fixed word for the source, for scripts: "registry", "steam", "steam-flatpak",
/// "ea-app", "maxis".
std::string_view InstallSourceKey(InstallSource source);

/// The two registry hives programs keep their entries under.
enum class RegistryHive { kMachine, kUser };

/// A text value of the host's own registry. Only Windows has one, and a Windows build
/// gives this its own definition; elsewhere there is never a value.
std::optional<std::string> ReadHostRegistryText(RegistryHive hive, std::string_view key, std::string_view value);

#ifdef _WIN32
inline constexpr bool kWindowsHost = true;
#else
inline constexpr bool kWindowsHost = false;
#endif

/// What the search reads of the process, so that tests can give it a made-up home.
struct InstallSearchHost {
    std::string home;  ///< the user's folder ($HOME); empty when unknown
    /// An environment variable, empty when unset (WINEPREFIX, ProgramFiles, ProgramFiles(x86)).
    std::function<std::string(const std::string& name)> variable;
    /// Whether the machine runs Windows: its own registry and Program Files are looked at;
    /// otherwise Steam's own folders and the Wine prefixes.
    bool windows = kWindowsHost;
    /// The host's registry (ReadHostRegistryText).
    std::function<std::optional<std::string>(RegistryHive, std::string_view key, std::string_view value)> registry;

    /// This process: $HOME, the real environment and registry.
    static InstallSearchHost Process();
};

/// The Steam folder's name for the re-release, inside steamapps/common.
inline constexpr std::string_view kSteamGameFolder = "The Sims Legacy Collection";

/// Every install found, in this order: the game's registry entry, Steam libraries, the EA
/// app, the Maxis folders; on the machine itself first, then in each Wine prefix
/// ($WINEPREFIX before ~/.wine). A folder reached twice (a link, two listings, two names of
/// one prefix) is listed once, where it was found first.
std::vector<GameInstall> FindInstalls(const InstallSearchHost& host);
std::vector<GameInstall> FindInstalls();

}  // namespace tambrix::platform
