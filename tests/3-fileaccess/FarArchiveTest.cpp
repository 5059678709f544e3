#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "fileaccess/FileSystem.h"
#include "support/ByteBuilder.h"
#include "support/TempDir.h"

namespace tambrix {

std::ostream& operator<<(std::ostream& out, const FarEntry& entry) {
    return out << "{" << entry.name << " size " << entry.size << " second " << entry.secondSize << " at "
               << entry.offset << " status " << entry.status << "}";
}

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
    std::vector<uint8_t> bytes;
    FileHandle* handle = files.Open(name.c_str(), false);
    if (!handle) return bytes;
    bytes.resize(handle->GetSize());
    bytes.resize(handle->Read(bytes.data(), handle->GetSize()));
    files.Close(handle);
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Reading the manifest

// Hand-made archives of both variants, the same two entries:
//   0   header   "FAR!byAZ", version 1, manifest at 21
//   16  "chair"  5 bytes
//   21  manifest count 2; "Objects\Chair.iff" (5 bytes at 16); "Empty.flr" (0 bytes at 21)
ByteBuilder handMade(FarVariant variant) {
    ByteBuilder far;
    far.FarHeader(21).Text("chair");
    far.U32(2);
    if (variant == FarVariant::k1a) {
        far.FarEntry1a(5, 5, 16, "Objects\\Chair.iff").FarEntry1a(0, 0, 21, "Empty.flr");
    } else {
        far.FarEntry1b(5, 5, 16, "Objects\\Chair.iff").FarEntry1b(0, 0, 21, "Empty.flr");
    }
    return far;
}

class FarVariants : public ::testing::TestWithParam<FarVariant> {};

TEST_P(FarVariants, HandMadeArchiveIsReadUnderItsVariant) {
    ByteBuilder far = handMade(GetParam());
    FarManifest manifest;
    ASSERT_EQ(ParseFarArchive(far.Bytes().data(), far.Size(), manifest), rc::kOk);
    EXPECT_EQ(manifest.variant, GetParam());
    EXPECT_EQ(manifest.declaredCount, 2u);
    ASSERT_EQ(manifest.entries.size(), 2u);
    const FarEntry& chair = manifest.entries[0];
    EXPECT_EQ(chair.name, "Objects\\Chair.iff");
    EXPECT_EQ(chair.size, 5u);
    EXPECT_EQ(chair.secondSize, 5u);
    EXPECT_EQ(chair.offset, 16u);
    EXPECT_FALSE(chair.compressed);
    EXPECT_EQ(chair.status, rc::kOk);
    EXPECT_EQ(manifest.entries[1].name, "Empty.flr");
    // An empty entry that starts exactly at the end of the bodies is still inside the file.
    EXPECT_EQ(manifest.entries[1].status, rc::kOk);
}

TEST_P(FarVariants, WriterRoundTripsThroughTheFile) {
    TempDir dir;
    FileSystem files;
    std::vector<FarWriterEntry> entries = {
        {"a.iff", pattern(300, 1)},
        {"Sub\\Deeper\\b.spf", pattern(70000, 2)},  // a name-length low half alone would mislead
        {"c.wll", {}},
    };
    const std::string path = dir.File("Round.far");
    ASSERT_EQ(WriteFarArchive(path.c_str(), entries, GetParam(), files), rc::kOk);
    FarManifest manifest;
    ASSERT_EQ(ListFarArchive(path.c_str(), manifest, files), rc::kOk);
    EXPECT_EQ(manifest.variant, GetParam());
    ASSERT_EQ(manifest.entries.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(manifest.entries[i].name, entries[i].name);
        EXPECT_EQ(manifest.entries[i].size, entries[i].bytes.size());
        std::vector<uint8_t> bytes;
        ASSERT_EQ(ReadFarEntry(path.c_str(), entries[i].name.c_str(), bytes, files), rc::kOk);
        EXPECT_EQ(bytes, entries[i].bytes) << entries[i].name;
    }
    std::vector<uint8_t> bytes = {1};
    ASSERT_EQ(ReadFarEntry(path.c_str(), "SUB/deeper/B.SPF", bytes, files), rc::kOk) << "names fold";
    EXPECT_EQ(bytes, entries[1].bytes);
    // A name the manifest lacks is answered from the manifest alone, nothing read past it.
    for (const char* missing : {"d.iff", "a.if", ""}) {
        bytes = {1};
        EXPECT_EQ(ReadFarEntry(path.c_str(), missing, bytes, files), rc::kFarNoSuchEntry) << missing;
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_EQ(ReadFarEntry(path.c_str(), nullptr, bytes, files), rc::kFarNoSuchEntry);
}

INSTANTIATE_TEST_SUITE_P(BothNameLengths, FarVariants, ::testing::Values(FarVariant::k1a, FarVariant::k1b),
                         [](const auto& info) { return info.param == FarVariant::k1a ? "u32" : "u16"; });

TEST(FarManifest, SafeNamesStayInsideTheirFolder) {
    for (const char* good : {"a.iff", "Sub\\b.iff", "Sub/c.iff", "x..y.iff", ".hidden", "with space.iff"}) {
        EXPECT_TRUE(IsSafeFarEntryName(good)) << good;
    }
    for (const char* bad : {"", "..", "..\\up.iff", "a\\..\\..\\up.iff", "a/../up.iff", "\\abs.iff", "/abs.iff",
                            "C:\\drive.iff", "c:drive.iff", "a\\\\b.iff", "dir\\", ".", "a\\.\\b.iff", "...\\up.iff",
                            ". .\\up.iff", "tab\there.iff", "bell\x07.iff", "stream.iff:x"}) {
        EXPECT_FALSE(IsSafeFarEntryName(bad)) << bad;
    }
}

// ---------------------------------------------------------------------------------------
// Hostile archives: listing and mounting each one, never more than its valid entries.

struct HostileCase {
    const char* label;
    std::vector<uint8_t> bytes;
    int32_t listCode;
    int32_t mountCode;
    uint32_t mounted;
    uint32_t skipped;
    int32_t firstSkip;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& hostile) { return out << hostile.label; }

/// Header, the body "good!" at 16, then a manifest at 21 of a good entry followed by
/// whatever `tail` adds (its count included in `count`).
std::vector<uint8_t> goodThen(uint32_t count, const std::function<void(ByteBuilder&)>& tail) {
    ByteBuilder far;
    far.FarHeader(21).Text("good!");
    far.U32(count).FarEntry1a(5, 5, 16, "good.iff");
    tail(far);
    return far.Bytes();
}

std::vector<uint8_t> goodThenName(const std::string& name) {
    return goodThen(2, [&](ByteBuilder& far) { far.FarEntry1a(5, 5, 16, name); });
}

std::vector<HostileCase> hostileCases() {
    std::vector<HostileCase> cases;
    auto add = [&](const char* label, std::vector<uint8_t> bytes, int32_t listCode, int32_t mountCode, uint32_t mounted,
                   uint32_t skipped, int32_t firstSkip) {
        cases.push_back({label, std::move(bytes), listCode, mountCode, mounted, skipped, firstSkip});
    };
    const int32_t ok = rc::kOk;
    add("zero-length file", {}, rc::kFarNotArchive, rc::kFarNotArchive, 0, 0, ok);
    add("truncated header", ByteBuilder().Text("FAR!byAZ").U16(1).Bytes(), rc::kFarNotArchive, rc::kFarNotArchive, 0, 0,
        ok);
    add("wrong signature", ByteBuilder().Text("FAR!byXX").U32(1).U32(16).U32(0).Bytes(), rc::kFarNotArchive,
        rc::kFarNotArchive, 0, 0, ok);
    add("version 3", ByteBuilder().FarHeader(16, 3).U32(0).Bytes(), rc::kFarBadVersion, rc::kFarBadVersion, 0, 0, ok);
    add("manifest past the end", ByteBuilder().FarHeader(5000).U32(0).Bytes(), rc::kFarBadManifest, rc::kFarBadManifest,
        0, 0, ok);
    add("manifest inside the header", ByteBuilder().FarHeader(8).U32(0).Bytes(), rc::kFarBadManifest,
        rc::kFarBadManifest, 0, 0, ok);
    add("manifest too short for its count", ByteBuilder().FarHeader(16).U16(0).Bytes(), rc::kFarBadManifest,
        rc::kFarBadManifest, 0, 0, ok);
    add("empty archive", ByteBuilder().FarHeader(16).U32(0).Bytes(), ok, ok, 0, 0, ok);
    add("entry outside the file", goodThen(2, [](ByteBuilder& far) { far.FarEntry1a(100, 100, 16, "long.iff"); }), ok,
        ok, 1, 1, rc::kFarEntryOutside);
    add("entry offset past the end", goodThen(2, [](ByteBuilder& far) { far.FarEntry1a(0, 0, 5000, "late.iff"); }), ok,
        ok, 1, 1, rc::kFarEntryOutside);
    add("offset plus size wrapping around",
        goodThen(2, [](ByteBuilder& far) { far.FarEntry1a(0x20, 0x20, 0xFFFFFFF0u, "wrap.iff"); }), ok, ok, 1, 1,
        rc::kFarEntryOutside);
    add("count larger than the manifest holds", goodThen(0xFFFFFFFFu, [](ByteBuilder&) {}), ok, ok, 1, 0xFFFFFFFEu,
        rc::kFarEntriesMissing);
    add("name longer than its bytes",
        goodThen(2, [](ByteBuilder& far) { far.U32(5).U32(5).U32(16).U32(1000).Text("short"); }), ok, ok, 1, 1,
        rc::kFarEntriesMissing);
    add("only entry's name longer than its bytes",
        ByteBuilder().FarHeader(16).U32(1).U32(0).U32(0).U32(16).U32(0xFFFFFFF0u).Text("x").Bytes(), ok,
        rc::kFarNoUsableEntry, 0, 1, rc::kFarEntriesMissing);
    add("parent folder", goodThenName("..\\evil.iff"), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("parent folder inside", goodThenName("sub\\..\\..\\evil.iff"), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("absolute name", goodThenName("\\evil.iff"), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("absolute name with slash", goodThenName("/tmp/evil.iff"), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("drive letter", goodThenName("C:\\evil.iff"), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("empty name", goodThenName(""), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("name with a NUL", goodThenName(std::string("ok.iff\0..\\x", 11)), ok, ok, 1, 1, rc::kFarUnsafeName);
    add("same name in other case", goodThenName("GOOD.IFF"), ok, ok, 1, 1, rc::kFarDuplicateName);
    add("only unsafe entries", ByteBuilder().FarHeader(21).Text("evil!").U32(1).FarEntry1a(5, 5, 16, "..\\x").Bytes(),
        ok, rc::kFarNoUsableEntry, 0, 1, rc::kFarUnsafeName);
    return cases;
}

class HostileArchive : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchive, MountsItsValidEntriesOrNothing) {
    const HostileCase& hostile = GetParam();
    TempDir dir;
    FileSystem files;
    const std::string path = dir.Write("Hostile.far", hostile.bytes);

    FarManifest manifest;
    EXPECT_EQ(ParseFarArchive(hostile.bytes.data(), hostile.bytes.size(), manifest), hostile.listCode);
    EXPECT_EQ(ListFarArchive(path.c_str(), manifest, files), hostile.listCode);
    // The listing itself marks a bad entry, before the index gets a say.
    if (hostile.firstSkip == rc::kFarEntryOutside || hostile.firstSkip == rc::kFarUnsafeName) {
        EXPECT_TRUE(std::any_of(manifest.entries.begin(), manifest.entries.end(),
                                [&](const FarEntry& entry) { return entry.status == hostile.firstSkip; }));
    }

    FarMountReport report;
    EXPECT_EQ(MountFarArchive(path.c_str(), &report, files), hostile.mountCode);
    EXPECT_EQ(report.code, hostile.mountCode);
    EXPECT_EQ(report.mounted, hostile.mounted);
    EXPECT_EQ(report.skipped, hostile.skipped);
    EXPECT_EQ(report.firstSkip, hostile.firstSkip);

    std::vector<MountedFile> mounted;
    files.ListMountedFiles(path.c_str(), mounted);
    ASSERT_EQ(mounted.size(), hostile.mounted);
    if (hostile.mounted == 1) {
        EXPECT_EQ(mounted[0].name, "good.iff");
        EXPECT_EQ(readWhole(files, path + "\\good.iff"), bytesOf("good!"));
    }
    // Nothing was mounted beside or above the archive's folder.
    std::vector<MountedFile> outside;
    files.ListMountedFiles(dir.Path().c_str(), outside);
    EXPECT_TRUE(outside.empty());
    files.ListMountedFiles("", outside);
    EXPECT_TRUE(outside.empty());
    std::vector<CTGString> folders;
    files.ListMountedFolders(path.c_str(), folders);
    EXPECT_TRUE(folders.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, HostileArchive, ::testing::ValuesIn(hostileCases()), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.label; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

TEST(HostileArchiveFile, NameTooLongForTheIndexIsSkipped) {
    TempDir dir;
    FileSystem files;
    const std::string path = dir.File("Long.far");
    const std::string longName(kMaxFileNameLength - path.size(), 'n');  // one over with the separator
    ASSERT_EQ(
        WriteFarArchive(path.c_str(), {{"short.iff", bytesOf("s")}, {longName, bytesOf("l")}}, FarVariant::k1a, files),
        rc::kOk);
    FarMountReport report;
    EXPECT_EQ(MountFarArchive(path.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 1u);
    EXPECT_EQ(report.firstSkip, rc::kFarNameTooLong);
    const std::string fits(kMaxFileNameLength - path.size() - 1, 'f');
    const std::string other = dir.File("Fits.far");
    ASSERT_EQ(WriteFarArchive(other.c_str(), {{fits, bytesOf("f")}}, FarVariant::k1a, files), rc::kOk);
    EXPECT_EQ(MountFarArchive(other.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 1u);
}

// ---------------------------------------------------------------------------------------
// Mounted archives in the index

class MountedFar : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("Objects.far");
        entries = {
            {"Chairs\\Wood\\Chair.iff", pattern(40000, 1)}, {"Chairs\\Wood\\Chair.spf", pattern(12345, 2)},
            {"Chairs\\Sofa.iff", pattern(777, 3)},          {"Walls\\Brick.wll", pattern(65536 + 3, 4)},
            {"ReadMe.txt", bytesOf("archive of objects")},
        };
        ASSERT_EQ(WriteFarArchive(path.c_str(), entries, FarVariant::k1a, files), rc::kOk);
        ASSERT_EQ(MountFarArchive(path.c_str(), &report, files), rc::kOk);
    }

    TempDir dir;
    FileSystem files;
    std::string path;
    std::vector<FarWriterEntry> entries;
    FarMountReport report;
};

TEST_F(MountedFar, EntriesReadBackThroughWindowsByteForByte) {
    EXPECT_EQ(report.mounted, entries.size());
    EXPECT_EQ(report.skipped, 0u);
    for (const FarWriterEntry& entry : entries) {
        IndexEntry found;
        ASSERT_TRUE(files.Find((path + "\\" + entry.name).c_str(), &found)) << entry.name;
        EXPECT_EQ(found.inArchive, 1);
        EXPECT_EQ(readWhole(files, path + "\\" + entry.name), entry.bytes) << entry.name;
    }
    // Any case and either separator reach the same entry.
    EXPECT_EQ(readWhole(files, dir.Path() + "/OBJECTS.FAR/chairs/wood/chair.SPF"), entries[1].bytes);
}

TEST_F(MountedFar, MountingTwiceIsRefusedAndUnmountingFreesTheFolder) {
    FarMountReport again;
    EXPECT_EQ(MountFarArchive(path.c_str(), &again, files), rc::kFarAlreadyMounted);
    EXPECT_EQ(again.mounted, 0u);

    const std::string sofa = path + "\\Chairs\\Sofa.iff";
    FileHandle* open = files.Open(sofa.c_str(), false);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(UnmountFarArchives(dir.Path().c_str(), files), 1u);
    EXPECT_FALSE(files.Find(sofa.c_str()));
    std::vector<CTGString> folders;
    files.ListMountedFolders(dir.Path().c_str(), folders);
    EXPECT_TRUE(folders.empty());
    // A window open before stays readable.
    std::vector<uint8_t> bytes(777);
    EXPECT_EQ(open->Read(bytes.data(), 777), 777u);
    EXPECT_EQ(bytes, entries[2].bytes);
    files.Close(open);

    EXPECT_EQ(MountFarArchive(path.c_str(), &again, files), rc::kOk);
    EXPECT_EQ(readWhole(files, sofa), entries[2].bytes);
}

TEST(MountedFarCompressed, CompressedEntryIsListedButNeverOpens) {
    TempDir dir;
    FileSystem files;
    // header; "plain" at 16; 6 stored bytes at 21; manifest at 27:
    //   "Plain.iff" 5/5 at 16; "Packed.iff" 10/6 at 21
    ByteBuilder far;
    far.FarHeader(27).Text("plain").Text("packed");
    far.U32(2).FarEntry1a(5, 5, 16, "Plain.iff").FarEntry1a(10, 6, 21, "Packed.iff");
    const std::string path = dir.Write("Mixed.far", far.Bytes());

    FarManifest manifest;
    ASSERT_EQ(ListFarArchive(path.c_str(), manifest, files), rc::kOk);
    ASSERT_EQ(manifest.entries.size(), 2u);
    EXPECT_TRUE(manifest.entries[1].compressed);
    EXPECT_EQ(manifest.entries[1].status, rc::kOk);

    FarMountReport report;
    ASSERT_EQ(MountFarArchive(path.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 2u);
    EXPECT_EQ(report.compressed, 1u);
    std::vector<MountedFile> list;
    files.ListMountedFiles(path.c_str(), list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Packed.iff");
    EXPECT_TRUE(list[0].compressed);
    EXPECT_FALSE(list[1].compressed);

    const std::string packed = path + "\\Packed.iff";
    IndexEntry entry;
    ASSERT_TRUE(files.Find(packed.c_str(), &entry));
    EXPECT_EQ(entry.compressed, 1);
    EXPECT_EQ(files.Open(packed.c_str(), false), nullptr);
    EXPECT_EQ(MountedEntryError(packed.c_str(), files), rc::kFarCompressed);
    EXPECT_EQ(MountedEntryError((path + "\\Plain.iff").c_str(), files), rc::kOk);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadFarEntry(path.c_str(), "packed.iff", bytes, files), rc::kFarCompressed);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(readWhole(files, path + "\\Plain.iff"), bytesOf("plain"));
}

TEST(MountFarFolder, MountsEveryArchiveOfTheTreeAndReportsTheBrokenOne) {
    TempDir dir;
    FileSystem files;
    const std::vector<FarWriterEntry> one = {{"x.iff", bytesOf("x")}};
    ASSERT_EQ(WriteFarArchive(dir.File("Game/A.FAR").c_str(), one, FarVariant::k1a, files), rc::kCreateFailed);
    dir.MakeDir("Game/Sub/Deeper");
    ASSERT_EQ(WriteFarArchive(dir.File("Game/A.FAR").c_str(), one, FarVariant::k1a, files), rc::kOk);
    ASSERT_EQ(WriteFarArchive(dir.File("Game/Sub/b.far").c_str(), one, FarVariant::k1b, files), rc::kOk);
    ASSERT_EQ(WriteFarArchive(dir.File("Game/Sub/Deeper/c.Far").c_str(), one, FarVariant::k1a, files), rc::kOk);
    dir.Write("Game/Sub/broken.far", std::string("not an archive at all"));
    dir.Write("Game/notes.txt", std::string("not an archive either"));

    FarFolderReport report;
    ASSERT_EQ(MountFarFolder(dir.File("Game").c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.archivesFound, 4u);
    EXPECT_EQ(report.archivesMounted, 3u);
    EXPECT_EQ(report.entriesMounted, 3u);
    ASSERT_EQ(report.archives.size(), 4u);
    int broken = 0;
    for (const FarMountReport& archive : report.archives) {
        if (archive.code != rc::kOk) {
            ++broken;
            EXPECT_EQ(archive.code, rc::kFarNotArchive);
            EXPECT_NE(archive.archive.find("broken.far"), std::string::npos);
        }
    }
    EXPECT_EQ(broken, 1);
    EXPECT_EQ(readWhole(files, dir.File("game/sub/deeper/c.far/X.IFF")), bytesOf("x"));
    std::vector<CTGString> folders;
    files.ListMountedFolders(dir.File("Game").c_str(), folders);
    EXPECT_EQ(folders, (std::vector<CTGString>{"A.FAR", "Sub"}));

    EXPECT_EQ(MountFarFolder(dir.File("Missing").c_str(), &report, files), rc::kNoSuchFile);
    EXPECT_EQ(UnmountFarArchives(dir.File("Game/Sub").c_str(), files), 2u);
    EXPECT_TRUE(files.Find(dir.File("Game/A.FAR/x.iff").c_str()));
}

TEST(MountFarArchiveOnPath, MountsTheArchiveANameLeadsThrough) {
    TempDir dir;
    FileSystem files;
    dir.MakeDir("Game");
    const std::string archive = dir.File("Game/Objects.FAR");
    ASSERT_EQ(WriteFarArchive(archive.c_str(), {{"Sub\\Chair.iff", bytesOf("chair")}}, FarVariant::k1a, files),
              rc::kOk);
    const std::string inside = dir.File("game/objects.far/SUB/chair.iff");
    FarMountReport report;
    EXPECT_EQ(MountFarArchiveOnPath(inside.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 1u);
    EXPECT_EQ(readWhole(files, inside), bytesOf("chair"));
    EXPECT_EQ(MountFarArchiveOnPath(inside.c_str(), &report, files), rc::kOk);  // mounted already

    // A name through no archive, or the archive itself, mounts nothing.
    EXPECT_EQ(MountFarArchiveOnPath(dir.File("Game/loose.iff").c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 0u);
    EXPECT_EQ(MountFarArchiveOnPath(archive.c_str(), &report, files), rc::kOk);
    EXPECT_EQ(report.mounted, 0u);
    dir.Write("Game/Broken.far", std::string("FAR!"));
    EXPECT_EQ(MountFarArchiveOnPath(dir.File("Game/Broken.far/x.iff").c_str(), &report, files), rc::kFarNotArchive);
}

// ---------------------------------------------------------------------------------------
// The writer refuses what the reader would skip.

TEST(FarWriter, RefusesNamesTheReaderWouldSkip) {
    std::vector<uint8_t> out;
    EXPECT_EQ(BuildFarArchive({{"..\\up.iff", {}}}, FarVariant::k1a, out), rc::kFarUnsafeName);
    EXPECT_EQ(BuildFarArchive({{"C:\\x.iff", {}}}, FarVariant::k1a, out), rc::kFarUnsafeName);
    EXPECT_EQ(BuildFarArchive({{"a/b.iff", {}}, {"A\\B.IFF", {}}}, FarVariant::k1a, out), rc::kFarDuplicateName);
    EXPECT_EQ(BuildFarArchive({{std::string(0x10000, 'n'), {}}}, FarVariant::k1b, out), rc::kFarNameTooLong);
    EXPECT_EQ(BuildFarArchive({{std::string(0xFFFF, 'n'), {}}}, FarVariant::k1b, out), rc::kOk);
    EXPECT_EQ(BuildFarArchive({{std::string(0x10000, 'n'), {}}}, FarVariant::k1a, out), rc::kOk);
}

}  // namespace
}  // namespace tambrix
