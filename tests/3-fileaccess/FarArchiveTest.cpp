#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/ByteBuilder.h"
#include "support/HostTest.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;
using testing::ByteBuilder;

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

/// Bytes that differ from one position and one entry to the next.
std::vector<uint8_t> pattern(uint32_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 8));
    return bytes;
}

std::vector<uint8_t> readWhole(FileSystem& files, const std::string& name) {
    FileHandle* handle = files.Open(name.c_str(), false);
    if (!handle) return {};
    std::vector<uint8_t> bytes(handle->GetSize());
    bytes.resize(handle->Read(bytes.data(), handle->GetSize()));
    files.Close(handle);
    return bytes;
}

/// Every file below a folder, as paths relative to it.
std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
        if (item.is_regular_file()) found.push_back(std::filesystem::relative(item.path(), folder).generic_string());
    std::sort(found.begin(), found.end());
    return found;
}

class FarVariants : public ::testing::TestWithParam<FarVariant> {};

TEST_P(FarVariants, HandMadeArchivesReadAndWrittenOnesRoundTrip) {
    // header (manifest at 21); "chair" at 16; count 2: "Objects\Chair.iff" 5 at 16, "Empty.flr" 0 at 21
    ByteBuilder far;
    far.FarHeader(21).Text("chair").U32(2);
    if (GetParam() == FarVariant::k1a)
        far.FarEntry1a(5, 5, 16, "Objects\\Chair.iff").FarEntry1a(0, 0, 21, "Empty.flr");
    else
        far.FarEntry1b(5, 5, 16, "Objects\\Chair.iff").FarEntry1b(0, 0, 21, "Empty.flr");
    FarManifest manifest;
    ASSERT_EQ(ParseFarArchive(far.Bytes().data(), far.Size(), manifest), rc::kOk);
    ASSERT_TRUE(manifest.variant == GetParam() && manifest.entries.size() == 2u);
    const FarEntry& chair = manifest.entries[0];
    EXPECT_EQ(chair.name + "/" + manifest.entries[1].name, "Objects\\Chair.iff/Empty.flr");
    EXPECT_EQ(chair.size + chair.secondSize + chair.offset, 26u);
    // the second entry is empty, starting exactly at the end of the bodies
    EXPECT_TRUE(!chair.compressed && manifest.entries[1].status == rc::kOk);

    TempDir dir;
    FileSystem files;
    const std::vector<FarWriterEntry> entries = {
        {"a.iff", pattern(300, 1)}, {"Sub\\Deeper\\b.spf", pattern(70000, 2)}, {"c.wll", {}}};
    const std::string path = dir.File("Round.far");
    ASSERT_EQ(WriteFarArchive(path.c_str(), entries, GetParam(), files), rc::kOk);
    ASSERT_EQ(ListFarArchive(path.c_str(), manifest, files), rc::kOk);
    ASSERT_TRUE(manifest.variant == GetParam() && manifest.entries.size() == entries.size());
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(manifest.entries[i].name == entries[i].name && manifest.entries[i].size == entries[i].bytes.size());
        EXPECT_EQ(ReadFarEntry(path.c_str(), entries[i].name.c_str(), bytes, files), rc::kOk);
        EXPECT_EQ(bytes, entries[i].bytes) << entries[i].name;
    }
    ASSERT_EQ(ReadFarEntry(path.c_str(), "SUB/deeper/B.SPF", bytes, files), rc::kOk) << "names fold";
    EXPECT_EQ(bytes, entries[1].bytes);
    for (const char* missing : {"d.iff", "a.if", "", static_cast<const char*>(nullptr)}) {
        bytes = {1};
        EXPECT_EQ(ReadFarEntry(path.c_str(), missing, bytes, files), rc::kFarNoSuchEntry);
        EXPECT_TRUE(bytes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(BothNameLengths, FarVariants, ::testing::Values(FarVariant::k1a, FarVariant::k1b));

TEST(FarNames, SafeNamesStayInsideTheirFolderAndTheWriterRefusesTheRest) {
    for (const char* good : {"a.iff", "Sub\\b.iff", "Sub/c.iff", "x..y.iff", ".hidden", "with space.iff"})
        EXPECT_TRUE(IsSafeFarEntryName(good)) << good;
    for (const char* bad : {"", "..", "..\\up.iff", "a\\..\\..\\up.iff", "a/../up.iff", "\\abs.iff", "/abs.iff",
                            "C:\\drive.iff", "c:drive.iff", "a\\\\b.iff", "dir\\", ".", "a\\.\\b.iff", "...\\up.iff",
                            ". .\\up.iff", "tab\there.iff", "bell\x07.iff", "stream.iff:x"})
        EXPECT_FALSE(IsSafeFarEntryName(bad)) << bad;
    std::vector<uint8_t> out;
    EXPECT_EQ(BuildFarArchive({{"..\\up.iff", {}}}, FarVariant::k1a, out), rc::kFarUnsafeName);
    EXPECT_EQ(BuildFarArchive({{"a/b.iff", {}}, {"A\\B.IFF", {}}}, FarVariant::k1a, out), rc::kFarDuplicateName);
    EXPECT_EQ(BuildFarArchive({{std::string(0x10000, 'n'), {}}}, FarVariant::k1b, out), rc::kFarNameTooLong);
    EXPECT_EQ(BuildFarArchive({{std::string(0xFFFF, 'n'), {}}}, FarVariant::k1b, out), rc::kOk);
    EXPECT_EQ(BuildFarArchive({{std::string(0x10000, 'n'), {}}}, FarVariant::k1a, out), rc::kOk);
}

// Hostile archives: listing and mounting each one, never more than its valid entries.
/// Header, the body "good!" at 16, a manifest at 21 of a good entry and whatever `tail` adds.
std::vector<uint8_t> goodThen(uint32_t count, const std::function<void(ByteBuilder&)>& tail) {
    ByteBuilder far;
    far.FarHeader(21).Text("good!").U32(count).FarEntry1a(5, 5, 16, "good.iff");
    tail(far);
    return far.Bytes();
}
/// The same with a second entry `name` of the given sizes and offset.
std::vector<uint8_t> goodThenName(const std::string& name, uint32_t size = 5, uint32_t stored = 5, uint32_t at = 16) {
    return goodThen(2, [&](ByteBuilder& far) { far.FarEntry1a(size, stored, at, name); });
}

TEST(FarHostile, ArchivesMountTheirValidEntriesOrNothing) {
    using namespace rc;
    const int32_t ok = kOk;
    const struct {
        const char* label;
        std::vector<uint8_t> bytes;
        int32_t listCode, mountCode;
        uint32_t mounted, skipped;
        int32_t firstSkip;
    } cases[] = {
        {"zero-length file", {}, kFarNotArchive, kFarNotArchive, 0, 0, ok},
        {"truncated header", ByteBuilder().Text("FAR!byAZ").U16(1), kFarNotArchive, kFarNotArchive, 0, 0, ok},
        {"wrong signature", ByteBuilder().Text("FAR!byXX").U32(1).U32(16).U32(0), kFarNotArchive, kFarNotArchive, 0, 0,
         ok},
        {"version 3", ByteBuilder().FarHeader(16, 3).U32(0), kFarBadVersion, kFarBadVersion, 0, 0, ok},
        {"manifest past the end", ByteBuilder().FarHeader(5000).U32(0), kFarBadManifest, kFarBadManifest, 0, 0, ok},
        {"manifest in the header", ByteBuilder().FarHeader(8).U32(0), kFarBadManifest, kFarBadManifest, 0, 0, ok},
        {"no room for the count", ByteBuilder().FarHeader(16).U16(0), kFarBadManifest, kFarBadManifest, 0, 0, ok},
        {"empty archive", ByteBuilder().FarHeader(16).U32(0), ok, ok, 0, 0, ok},
        {"entry outside", goodThenName("long.iff", 100, 100), ok, ok, 1, 1, kFarEntryOutside},
        {"offset past the end", goodThenName("late.iff", 0, 0, 5000), ok, ok, 1, 1, kFarEntryOutside},
        {"offset plus size wraps", goodThenName("w.iff", 32, 32, 0xFFFFFFF0u), ok, ok, 1, 1, kFarEntryOutside},
        {"count beyond the manifest", goodThen(0xFFFFFFFFu, [](ByteBuilder&) {}), ok, ok, 1, 0xFFFFFFFEu,
         kFarEntriesMissing},
        {"name longer than its bytes", goodThen(2, [](ByteBuilder& f) { f.U32(5).U32(5).U32(16).U32(1000).Text("s"); }),
         ok, ok, 1, 1, kFarEntriesMissing},
        {"only entry's name too long", ByteBuilder().FarHeader(16).U32(1).U32(0).U32(0).U32(16).U32(0xFFFFFFF0u),
         ok, kFarNoUsableEntry, 0, 1, kFarEntriesMissing},
        {"parent folder", goodThenName("sub\\..\\..\\evil.iff"), ok, ok, 1, 1, kFarUnsafeName},
        {"absolute name", goodThenName("/tmp/evil.iff"), ok, ok, 1, 1, kFarUnsafeName},
        {"name with a NUL", goodThenName(std::string("ok.iff\0..\\x", 11)), ok, ok, 1, 1, kFarUnsafeName},
        {"same name in other case", goodThenName("GOOD.IFF"), ok, ok, 1, 1, kFarDuplicateName},
        {"compressed entry: listed, never opened", goodThenName("packed.iff", 10), ok, ok, 2, 0, ok},
        {"only unsafe entries", ByteBuilder().FarHeader(21).Text("evil!").U32(1).FarEntry1a(5, 5, 16, "..\\x"), ok,
         kFarNoUsableEntry, 0, 1, kFarUnsafeName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        FileSystem files;
        const std::string path = dir.Write("Hostile.far", c.bytes);
        FarManifest manifest;
        EXPECT_EQ(ParseFarArchive(c.bytes.data(), c.bytes.size(), manifest), c.listCode);
        EXPECT_EQ(ListFarArchive(path.c_str(), manifest, files), c.listCode);
        if (c.firstSkip == rc::kFarEntryOutside || c.firstSkip == rc::kFarUnsafeName) {  // the listing marks it already
            EXPECT_TRUE(std::any_of(manifest.entries.begin(), manifest.entries.end(),
                                    [&](const FarEntry& entry) { return entry.status == c.firstSkip; }));
        }
        FarMountReport report;
        EXPECT_EQ(MountFarArchive(path.c_str(), &report, files), c.mountCode);
        EXPECT_EQ(std::tuple(report.code, report.mounted, report.skipped, report.firstSkip),
                  std::tuple(c.mountCode, c.mounted, c.skipped, c.firstSkip));
        std::vector<MountedFile> mounted, outside;
        files.ListMountedFiles(path.c_str(), mounted);
        ASSERT_EQ(mounted.size(), c.mounted);
        if (c.mounted == 1) {
            EXPECT_EQ(readWhole(files, path + "\\good.iff"), bytesOf("good!"));
        }
        EXPECT_EQ(files.Open((path + "\\packed.iff").c_str(), false), nullptr);
        files.ListMountedFiles(dir.Path().c_str(), outside);  // nothing beside or above the archive
        files.ListMountedFiles("", outside);
        std::vector<CTGString> folders;
        files.ListMountedFolders(path.c_str(), folders);
        EXPECT_TRUE(outside.empty() && folders.empty());
    }
}

// A name fits the index with the archive's path and a separator before it, and not one longer.
TEST(FarHostile, NamesLongerThanTheIndexTakesAreSkipped) {
    TempDir dir;
    FileSystem files;
    const std::string path = dir.File("Long.far");
    const std::string fits(kMaxFileNameLength - path.size() - 1, 'n');
    ASSERT_EQ(WriteFarArchive(path.c_str(), {{fits, bytesOf("f")}, {fits + "n", bytesOf("l")}}, FarVariant::k1a, files),
              rc::kOk);
    FarMountReport report;
    EXPECT_EQ(MountFarArchive(path.c_str(), &report, files), rc::kOk);
    EXPECT_TRUE(report.mounted == 1 && report.firstSkip == rc::kFarNameTooLong);
}

TEST(FarMount, FoldersAndPathsMountTheArchivesTheyHold) {
    TempDir dir;
    FileSystem files;
    const std::vector<FarWriterEntry> one = {{"x.iff", bytesOf("x")}};
    ASSERT_EQ(WriteFarArchive(dir.File("Game/Z.FAR").c_str(), one, FarVariant::k1a, files), rc::kCreateFailed);
    dir.MakeDir("Game/Sub/Deeper");
    for (const char* name : {"Game/Z.FAR", "Game/Sub/b.far", "Game/Sub/Deeper/c.Far"})
        ASSERT_EQ(WriteFarArchive(dir.File(name).c_str(), one, FarVariant::k1b, files), rc::kOk);
    dir.Write("Game/Sub/broken.far", std::string("FAR!"));
    dir.Write("Game/Sub/dup.far", goodThenName("GOOD.IFF"));  // one entry mounts, its twin is skipped
    dir.Write("Game/notes.txt", std::string("not an archive"));
    FarFolderReport report;
    ASSERT_EQ(MountFarFolder(dir.File("Game").c_str(), &report, files), rc::kOk);
    EXPECT_EQ(std::tuple(report.archivesFound, report.archivesMounted, report.entriesMounted, report.entriesSkipped),
              std::tuple(5u, 4u, 4u, 1u));
    ASSERT_EQ(report.archives.size(), 5u);
    for (const FarMountReport& archive : report.archives)
        EXPECT_EQ(archive.code, archive.archive.find("broken.far") == std::string::npos ? rc::kOk : rc::kFarNotArchive);
    EXPECT_EQ(readWhole(files, dir.File("game/sub/deeper/c.far/X.IFF")), bytesOf("x"));
    std::vector<CTGString> folders;
    files.ListMountedFolders(dir.File("Game").c_str(), folders);
    EXPECT_EQ(folders, (std::vector<CTGString>{"Sub", "Z.FAR"}));
    EXPECT_EQ(MountFarFolder(dir.File("Missing").c_str(), &report, files), rc::kNoSuchFile);
    EXPECT_EQ(UnmountFarArchives(dir.File("Game/Sub").c_str(), files), 3u);
    EXPECT_TRUE(files.Find(dir.File("Game/Z.FAR/x.iff").c_str()));  // sorts behind Sub: left alone

    // A name leading through an archive mounts it; through none, or the archive itself, mounts nothing.
    FarMountReport mount;
    const std::string inside = dir.File("game/sub/B.FAR/X.iff");
    EXPECT_TRUE(MountFarArchiveOnPath(inside.c_str(), &mount, files) == rc::kOk && mount.mounted == 1);
    EXPECT_EQ(readWhole(files, inside), bytesOf("x"));
    EXPECT_EQ(MountFarArchiveOnPath(inside.c_str(), &mount, files), rc::kOk);  // mounted already
    EXPECT_EQ(MountFarArchive(dir.File("Game/Z.FAR").c_str(), &mount, files), rc::kFarAlreadyMounted);
    for (const char* none : {"Game/notes.txt", "Game/Sub/Deeper/c.Far"}) {
        UnmountFarArchives(dir.File("Game/Sub/Deeper").c_str(), files);
        EXPECT_TRUE(MountFarArchiveOnPath(dir.File(none).c_str(), &mount, files) == rc::kOk && !mount.mounted) << none;
    }
    EXPECT_EQ(MountFarArchiveOnPath(dir.File("Game/Sub/broken.far/x.iff").c_str(), &mount, files), rc::kFarNotArchive);
}

// Extraction writes new files only, inside the chosen folder.
TEST(FarExtract, EntriesLandInTheirFoldersAndNothingIsReplaced) {
    TempDir dir;
    FileSystem files;
    const std::string archive = dir.File("Objects.far"), out = dir.File("out/nested");
    const std::vector<FarWriterEntry> entries = {{"Chairs\\Chair.iff", bytesOf("chair object")},
                                                 {"Chairs/Chair.spf", pattern((2 << 16) + 1, 5)},  // two copy steps and one byte
                                                 {"Floor.flr", bytesOf("floor")},
                                                 {"Empty.txt", {}}};
    ASSERT_EQ(WriteFarArchive(archive.c_str(), entries, FarVariant::k1a, files), rc::kOk);
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {"chairs/CHAIR.IFF", "Nowhere.iff"}, out.c_str(), &report, files),
              rc::kFarNoSuchEntry);
    ASSERT_TRUE(report.written == 1 && report.problems.size() == 1);
    EXPECT_EQ(report.problems[0].name, "Nowhere.iff");
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {"Nowhere.iff"}, dir.File("other").c_str(), &report, files),
              rc::kFarNoSuchEntry);
    EXPECT_FALSE(dir.Exists("other"));

    platform::Hooks().failWritesAfter = 0;
    const int32_t failed = ExtractFarArchive(archive.c_str(), {"Chairs\\Chair.spf"}, out.c_str(), &report, files);
    platform::Hooks().failWritesAfter = -1;
    EXPECT_TRUE(failed == rc::kShortWrite && !dir.Exists("out/nested/Chairs/Chair.spf"));  // no part file

    dir.Write("out/nested/Floor.flr", std::string("mine"));
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, out.c_str(), &report, files), rc::kFileExists);
    ASSERT_TRUE(report.written == 2 && report.problems.size() == 2);
    EXPECT_EQ(report.problems[0].name + report.problems[1].name, "Chairs\\Chair.iffFloor.flr");
    EXPECT_EQ(dir.Read("out/nested/Floor.flr"), bytesOf("mine"));
    EXPECT_EQ(filesBelow(out),
              (std::vector<std::string>{"Chairs/Chair.iff", "Chairs/Chair.spf", "Empty.txt", "Floor.flr"}));
    EXPECT_EQ(dir.Read("out/nested/Chairs/Chair.iff"), entries[0].bytes);
    EXPECT_EQ(dir.Read("out/nested/Chairs/Chair.spf"), entries[1].bytes);
}

TEST(FarExtract, NothingIsWrittenOutsideTheFolder) {
    TempDir dir;
    FileSystem files;
    dir.MakeDir("a/b/out");
    dir.MakeDir("elsewhere");
    // Windows lets only privileged users make symbolic links: there "Link" is a plain new folder.
    const bool linked = !test::kWindowsHost;
    if (linked) std::filesystem::create_directory_symlink(dir.File("elsewhere"), dir.File("a/b/out/Link"));
    // "ok" at 16, "evil" at 18; one good entry, one through a linked folder, names that try to leave
    // (IsSafeFarEntryName's own table has every spelling; these are the kinds.)
    const std::vector<std::string> escapes = {"..\\escape1.txt", "sub\\..\\..\\escape2.txt",
                                              "/" + dir.File("escape3.txt"), "C:\\escape4.txt"};
    ByteBuilder far;
    far.FarHeader(22).Text("ok").Text("evil").U32(static_cast<uint32_t>(escapes.size() + 2));
    far.FarEntry1a(2, 2, 16, "sub\\inside.txt").FarEntry1a(2, 2, 16, "Link\\x.txt");
    for (const std::string& name : escapes) far.FarEntry1a(4, 4, 18, name);
    const std::string archive = dir.Write("a/b/Evil.far", far.Bytes()), out = dir.File("a/b/out");
    FarExtractReport report;
    EXPECT_EQ(ExtractFarArchive(archive.c_str(), {}, out.c_str(), &report, files),
              linked ? rc::kFarUnsafeTarget : rc::kFarUnsafeName);
    ASSERT_TRUE(report.written == (linked ? 1u : 2u) && report.problems.size() == escapes.size() + (linked ? 1 : 0));
    for (size_t i = 0; i < report.problems.size(); ++i)
        EXPECT_EQ(report.problems[i].code, linked && i == 0 ? rc::kFarUnsafeTarget : rc::kFarUnsafeName);
    EXPECT_EQ(filesBelow(dir.Path()),
              linked ? (std::vector<std::string>{"a/b/Evil.far", "a/b/out/sub/inside.txt"})
                     : (std::vector<std::string>{"a/b/Evil.far", "a/b/out/Link/x.txt", "a/b/out/sub/inside.txt"}));
    EXPECT_TRUE(ExtractFarArchive(archive.c_str(), {"..\\escape1.txt"}, out.c_str(), &report, files) ==
                    rc::kFarUnsafeName &&
                report.written == 0);

    const std::string broken = dir.Write("Short.far", std::string("FAR!by"));
    EXPECT_EQ(ExtractFarArchive(broken.c_str(), {}, dir.File("new").c_str(), &report, files), rc::kFarNotArchive);
    EXPECT_EQ(ExtractFarArchive(dir.File("missing.far").c_str(), {}, dir.File("new").c_str(), &report, files),
              rc::kNoSuchFile);
    EXPECT_FALSE(dir.Exists("new"));
}

}  // namespace
}  // namespace tambrix
