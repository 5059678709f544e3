// The game's installation entry in a Wine prefix: the registry file read, the Windows
// path mapped through the drive folders.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/GameInstall.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

// A registry file as Wine writes it: keys relative to HKEY_LOCAL_MACHINE, backslashes
// doubled in key names and values, a decoy value under another key before the game's.
std::string systemReg(const std::string& key, const std::string& valueLine) {
    return "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\Machine\r\n\r\n#arch=win32\r\n\r\n"
           "[Software\\\\Microsoft\\\\Other] 1700000000\r\n\"SIMS_DATA\"=\"C:\\\\Wrong\"\r\n\r\n[" +
           key + "] 1700000000\r\n#time=1d9a0c0e0a0b0c0\r\n" + valueLine +
           "\r\n\r\n[Software\\\\Zeta] 1700000000\r\n\"x\"=dword:00000001\r\n";
}

const std::string kSimsKey = "Software\\\\Maxis\\\\The Sims";

TEST(WineRegistry, FindsTheValueUnderEitherKeyAndUndoesItsEscapes) {
    struct Case {
        const char* what;
        std::string text;
        GameEntryState state;
        std::string path;
    };
    const Case cases[] = {
        {"plain", systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\Games\\\\Sims\\\\\""), GameEntryState::kFound,
         "C:\\Games\\Sims\\"},
        {"expandable, other case", systemReg("software\\\\maxis\\\\THE SIMS", "\"sims_data\"=str(2):\"D:\\\\Sims\""),
         GameEntryState::kFound, "D:\\Sims"},
        {"32-bit key of a 64-bit prefix",
         systemReg("Software\\\\Wow6432Node\\\\Maxis\\\\The Sims", "\"SIMS_DATA\"=\"E:\\\\S\""), GameEntryState::kFound,
         "E:\\S"},
        {"escapes", systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\Games \\\"Q\\\"\\\\S\\x00e9ims\\0rest\""),
         GameEntryState::kFound, "C:\\Games \"Q\"\\S\xC3\xA9ims"},
        {"key without the value", systemReg(kSimsKey, "\"Version\"=\"1.0\""), GameEntryState::kValueMissing, ""},
        {"numeric value", systemReg(kSimsKey, "\"SIMS_DATA\"=dword:00000001"), GameEntryState::kValueMissing, ""},
        {"unclosed value and a key line without its bracket",
         "[Software\\\\Maxis\\\\The Sims 1\n\"SIMS_DATA\"=\"C:\\\\x\n" +
             systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\unclosed"),
         GameEntryState::kValueMissing, ""},
        {"no key", systemReg("Software\\\\Maxis\\\\SimCity", "\"SIMS_DATA\"=\"C:\\\\x\""), GameEntryState::kKeyMissing,
         ""},
        {"the game's buffer holds 2047 bytes",
         systemReg(kSimsKey, "\"SIMS_DATA\"=\"" + std::string(2046, 'a') + "\\x00e9\""), GameEntryState::kFound,
         std::string(2046, 'a')},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GameEntry entry = ReadWineRegistryEntry(dir.Write("system.reg", c.text));
        EXPECT_EQ(entry.state, c.state);
        EXPECT_EQ(entry.windowsPath, c.path);
    }
    EXPECT_EQ(ReadWineRegistryEntry(dir.File("missing.reg")).state, GameEntryState::kKeyMissing);
}

TEST(WineRegistry, WindowsPathsMapThroughTheDriveFoldersWithoutRegardToCase) {
    test::TempDir prefix;
    prefix.MakeDir("drive_c/Games/The Sims");
    prefix.MakeDir("dosdevices/d:/Sims");
    const std::string none = "(none)";
    struct Case {
        const char* windowsPath;
        std::string folder;
    };
    const Case cases[] = {
        {"c:\\GAMES\\the sims\\\\", prefix.File("drive_c/Games/The Sims")},
        {"C:\\", prefix.File("drive_c")},
        {"D:/Sims", prefix.File("dosdevices/d:/Sims")},
        {"C:\\Games\\.\\The Sims", prefix.File("drive_c/Games/The Sims")},
        {"C:\\Games\\Missing", none},
        {"C:\\Games\\..\\..\\..", none},
        {"E:\\Games", none},
        {"\\\\server\\share", none},
        {"C", none},
        {"", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windowsPath);
        EXPECT_EQ(MapWindowsPath(prefix.Path(), c.windowsPath).value_or(none), c.folder);
    }
}

TEST(WineRegistry, FindGameFolderReadsThePrefixAndCountsAValueLeadingNowhereAsAMissingKey) {
    test::TempDir prefix;
    prefix.MakeDir("drive_c/Sims");
    const char* old = getenv("WINEPREFIX");
    const std::string kept = old ? old : "";
    setenv("WINEPREFIX", prefix.Path().c_str(), 1);
    prefix.Write("system.reg", systemReg(kSimsKey, "\"SIMS_DATA\"=\"C:\\\\SIMS\\\\\""));
    GameFolder found = FindGameFolder();
    EXPECT_EQ(found.state, GameEntryState::kFound);
    EXPECT_EQ(found.folder, prefix.File("drive_c/Sims"));
    prefix.Write("system.reg", systemReg(kSimsKey, "\"SIMS_DATA\"=\"Q:\\\\Nowhere\""));
    EXPECT_EQ(FindGameFolder().state, GameEntryState::kKeyMissing);
    if (old)
        setenv("WINEPREFIX", kept.c_str(), 1);
    else
        unsetenv("WINEPREFIX");
}

}  // namespace
}  // namespace tambrix::platform
