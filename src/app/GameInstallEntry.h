#pragma once

// The game's own installation entry: the machine-wide registry key
// "Software\Maxis\The Sims", value "SIMS_DATA". It is only ever read. Away from
// Windows the same key is read from the user's Wine prefix (its system.reg, also
// under Wow6432Node) and the Windows path is mapped to a local folder through the
// prefix's drive folders.

#include <QString>
#include <optional>

namespace tambrix::app {

enum class GameEntryState {
    KeyMissing,    ///< the key could not be opened: ask the user
    ValueMissing,  ///< the key exists without "SIMS_DATA": stay silent
    Found,
};

struct GameEntry {
    GameEntryState state = GameEntryState::KeyMissing;
    QString windowsPath;  ///< the value as stored, when found
};

/// Reads the entry from a Wine registry file (a prefix's system.reg).
GameEntry ReadWineRegistryEntry(const QString& systemRegPath);

/// "C:\Games\Sims\\" -> "C:\Games\Sims": every trailing backslash goes.
QString RemoveTrailingBackslashes(const QString& path);

/// $WINEPREFIX when set, else ~/.wine.
QString WinePrefix();

/// The local folder behind a Windows path inside a Wine prefix: the drive through
/// dosdevices/<x>: (or drive_c for C:), each further component matched without regard
/// to case. Nothing when the drive or the folder does not exist.
std::optional<QString> MapWindowsPath(const QString& prefix, const QString& windowsPath);

struct GameFolder {
    GameEntryState state = GameEntryState::KeyMissing;
    QString folder;  ///< the local folder, without trailing separator, when found
};

/// The whole lookup: the platform's registry on Windows, else the Wine prefix. A
/// value that does not lead to a local folder counts as a missing key, so that the
/// user is asked.
GameFolder FindGameFolder();

}  // namespace tambrix::app
