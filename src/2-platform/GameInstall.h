#pragma once

// The game's own installation entry: the machine-wide registry key
// "Software\Maxis\The Sims", value "SIMS_DATA", only ever read. Away from Windows the
// key is read from the user's Wine prefix (its system.reg, also under Wow6432Node), and
// the Windows path is mapped to a local folder through the prefix's drive folders.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tambrix::platform {

enum class GameEntryState {
    kKeyMissing,    ///< the key is not there (or the registry cannot be read)
    kValueMissing,  ///< the key is there without "SIMS_DATA"
    kFound,
};

/// The game's key below HKEY_LOCAL_MACHINE (system.reg in a Wine prefix); a 64-bit
/// system keeps the keys of 32-bit programs under Wow6432Node.
inline constexpr std::string_view kGameRegistryKeys[] = {"Software\\Maxis\\The Sims",
                                                         "Software\\Wow6432Node\\Maxis\\The Sims"};
inline constexpr std::string_view kGameRegistryValue = "SIMS_DATA";

struct GameEntry {
    GameEntryState state = GameEntryState::kKeyMissing;
    std::string windowsPath;  ///< the value as stored (UTF-8), when found
};

/// Reads the entry from a Wine registry file (a prefix's system.reg).
GameEntry ReadWineRegistryEntry(const std::string& systemRegPath);

/// Reads a text value under any of `keys` (the first in the file that holds it wins) from a Wine
/// registry file: system.reg for the machine's keys, user.reg for the user's. As for the
/// game's entry, the text ends at its first NUL and after 2047 bytes.
GameEntry ReadWineRegistryValue(const std::string& registryPath, std::span<const std::string_view> keys,
                                std::string_view valueName);

/// "C:\Games\Sims\\" -> "C:\Games\Sims": every trailing backslash goes.
std::string RemoveTrailingBackslashes(std::string path);

/// $WINEPREFIX when set, else $HOME/.wine.
std::string WinePrefix();

/// The local folder behind a Windows path inside a Wine prefix: the drive through
/// dosdevices/<x>: (or drive_<x>), each further component found as the platform finds
/// names, without regard to case. Nothing when the path is not "X:\...", holds a ".."
/// component, or leads to no folder.
std::optional<std::string> MapWindowsPath(const std::string& prefix, const std::string& windowsPath);

struct GameFolder {
    GameEntryState state = GameEntryState::kKeyMissing;
    std::string folder;  ///< the local folder, when found
};

/// The whole lookup in the Wine prefix. A value that leads to no local folder counts as
/// a missing key.
GameFolder FindGameFolder();

}  // namespace tambrix::platform
