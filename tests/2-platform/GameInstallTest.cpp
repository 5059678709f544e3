// The game's installation entry in a Wine prefix: the registry read, the Windows path mapped.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/GameInstall.h"
#include "support/HostTest.h"
#include "support/TempDir.h"

namespace tambrix::platform {
namespace {

// A registry as Wine writes it (backslashes doubled), a decoy value under another key before the game's.
std::string systemReg(const std::string& value, const std::string& key = "Software\\\\Maxis\\\\The Sims") {
    return "WINE REGISTRY Version 2\r\n;; All keys relative to \\\\Machine\r\n\r\n#arch=win32\r\n\r\n"
           "[Software\\\\Microsoft\\\\Other] 1700000000\r\n\"SIMS_DATA\"=\"C:\\\\Wrong\"\r\n\r\n[" +
           key + "] 1700000000\r\n#time=1d9a0c0e0a0b0c0\r\n" + value +
           "\r\n\r\n[Software\\\\Zeta] 1700000000\r\n\"x\"=dword:00000001\r\n";
}

std::string gameValue(const std::string& value, const std::string& key = "Software\\\\Maxis\\\\The Sims") {
    return systemReg("\"SIMS_DATA\"=" + value, key);
}

TEST(WineRegistry, FindsTheValueUnderEitherKeyAndUndoesItsEscapes) {
    using enum GameEntryState;
    const struct { const char* what; std::string text; GameEntryState state; std::string path; } cases[] = {
        {"plain", gameValue("\"C:\\\\Games\\\\Sims\\\\\""), kFound, "C:\\Games\\Sims\\"},
        {"expandable, other case", systemReg("\"sims_data\"=str(2):\"D:\\\\Sims\"", "software\\\\maxis\\\\THE SIMS"),
         kFound, "D:\\Sims"},
        {"32-bit key", gameValue("\"E:\\\\S\"", "Software\\\\Wow6432Node\\\\Maxis\\\\The Sims"), kFound, "E:\\S"},
        {"escapes", gameValue("\"C:\\\\Games \\\"Q\\\"\\\\S\\x00e9ims\\0rest\""), kFound, "C:\\Games \"Q\"\\S\xC3\xA9ims"},
        {"key without the value", systemReg("\"Version\"=\"1.0\""), kValueMissing, ""},
        {"numeric value", gameValue("dword:00000001"), kValueMissing, ""},
        {"unclosed value, key line without its bracket",
         "[Software\\\\Maxis\\\\The Sims 1\n\"SIMS_DATA\"=\"C:\\\\x\n" + gameValue("\"C:\\\\unclosed"), kValueMissing, ""},
        {"no key", gameValue("\"C:\\\\x\"", "Software\\\\Maxis\\\\SimCity"), kKeyMissing, ""},
        {"the game's buffer holds 2047 bytes", gameValue("\"" + std::string(2046, 'a') + "\\x00e9\""), kFound,
         std::string(2046, 'a')}};
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GameEntry entry = ReadWineRegistryEntry(dir.Write("system.reg", c.text));
        EXPECT_TRUE(entry.state == c.state && entry.windowsPath == c.path);
    }
    EXPECT_EQ(ReadWineRegistryEntry(dir.File("missing.reg")).state, kKeyMissing);

    // A line without end is passed over whole and costs no more memory than a long line;
    // the lines after it are read as ever.
    const std::string endless = "\"Other\"=\"" + std::string(4 << 20, 'x') + "\"\n";
    const GameEntry entry =
        ReadWineRegistryEntry(dir.Write("long.reg", gameValue(endless + "\"SIMS_DATA\"=\"C:\\\\S\"")));
    EXPECT_TRUE(entry.state == kFound && entry.windowsPath == "C:\\S");
    EXPECT_EQ(ReadWineRegistryEntry(dir.Write("endless.reg", systemReg("") + std::string(4 << 20, 'x'))).state,
              kValueMissing);
}

// Values other than the game's: Steam's folder for the machine or the user.
TEST(WineRegistry, ReadsOtherValuesUnderTheKeysGiven) {
    test::TempDir dir;
    const std::string path = dir.Write(
        "user.reg", systemReg("\"SteamPath\"=\"c:/program files (x86)/steam\"", "Software\\\\Valve\\\\Steam"));
    const std::string_view steam[] = {"Software\\Valve\\Steam"}, other[] = {"Software\\Valve\\Other"};
    const GameEntry found = ReadWineRegistryValue(path, steam, "steampath");
    EXPECT_TRUE(found.state == GameEntryState::kFound && found.windowsPath == "c:/program files (x86)/steam");
    EXPECT_EQ(ReadWineRegistryValue(path, steam, "InstallPath").state, GameEntryState::kValueMissing);
    EXPECT_EQ(ReadWineRegistryValue(path, other, "SteamPath").state, GameEntryState::kKeyMissing);
}

TEST(WineRegistry, WindowsPathsMapThroughTheDriveFoldersWithoutRegardToCase) {
    TAMBRIX_SKIP_ON_WINDOWS("a Wine prefix names its drives dosdevices/c:, a name Windows does not allow");
    test::TempDir prefix;
    for (const char* folder : {"drive_c/Games/The Sims", "dosdevices/d:/Sims", "drive_c/Sims"}) prefix.MakeDir(folder);
    const std::string none = "(none)", sims = prefix.File("drive_c/Games/The Sims");
    const std::pair<const char*, std::string> cases[] = {
        {"c:\\GAMES\\the sims\\\\", sims}, {"C:\\Games\\.\\The Sims", sims},   {"C:\\", prefix.File("drive_c")},
        {"D:/Sims", prefix.File("dosdevices/d:/Sims")}, {"C:\\Games\\Missing", none}, {"C:\\Games\\..\\..\\..", none},
        {"E:\\Games", none}, {"\\\\server\\share", none}, {"C", none}, {"", none}};
    for (const auto& [windowsPath, folder] : cases)
        EXPECT_EQ(MapWindowsPath(prefix.Path(), windowsPath).value_or(none), folder) << windowsPath;

    // The whole search: the prefix's registry, the value mapped; one leading nowhere counts as a missing key.
    const std::optional<std::string> kept = test::Variable("WINEPREFIX");  // put back at the end
    test::SetVariable("WINEPREFIX", prefix.Path());
    prefix.Write("system.reg", gameValue("\"C:\\\\SIMS\\\\\""));
    const GameFolder found = FindGameFolder();
    EXPECT_TRUE(found.state == GameEntryState::kFound && found.folder == prefix.File("drive_c/Sims"));
    prefix.Write("system.reg", gameValue("\"Q:\\\\Nowhere\""));
    EXPECT_EQ(FindGameFolder().state, GameEntryState::kKeyMissing);
    test::SetVariable("WINEPREFIX", kept);
}

}  // namespace
}  // namespace tambrix::platform
