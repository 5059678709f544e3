#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/DirectoryResourceFile.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;
using Folders = std::vector<std::string>;

constexpr ResType kSprite = restype::kSPR;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string BlockText(const DataBlock* block) {
    return block ? std::string(reinterpret_cast<const char*>(block->data), block->size) : std::string("<null>");
}

/// Opens a folder list given as text.
int32_t OpenList(DirectoryResourceFile& file, const std::string& list) { return file.Open(FileNameText(list)); }

/// Runs a test with the temporary folder as the current folder, for relative lists.
class InsideTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        mPrevious = std::filesystem::current_path();
        std::filesystem::current_path(mDir.Path());
    }
    void TearDown() override { std::filesystem::current_path(mPrevious); }

    TempDir mDir;

private:
    std::filesystem::path mPrevious;
};

// --- folder lists ------------------------------------------------------------------------

TEST(DirectoryFolderList, EachNameIsNormalisedAndWhiteSpaceSeparates) {
    const std::pair<const char*, Folders> cases[] = {
        // Relative folders get the current-folder prefix and a final separator.
        {"./sprites;walls", {".\\sprites\\", ".\\walls\\"}},
        {"././a;./b/c", {".\\a\\", ".\\b\\c\\"}},
        {".\\a\\", {".\\a\\"}},
        {".", {".\\"}},
        {"..\\up", {".\\..\\up\\"}},
        {"C:x", {".\\C:x\\"}},  // "C:" without a separator is relative
        // Anchored folders keep their start.
        {"C:/Games/Sims", {"C:\\Games\\Sims\\"}},
        {"d:\\x\\", {"d:\\x\\"}},
        {"\\\\server\\share", {"\\\\server\\share\\"}},
        {"/tmp/sims", {"\\tmp\\sims\\"}},
        // White space of every kind after a ';' is skipped.
        {"a;  \tb", {".\\a\\", ".\\b\\"}},
        {"a;\rb;\vc;\nd;\fe", {".\\a\\", ".\\b\\", ".\\c\\", ".\\d\\", ".\\e\\"}},
        // A leading ';' stands for the current folder, kept empty; an empty name (or
        // one empty without its "./") is the current folder written out.
        {";a", {"", ".\\a\\"}},
        {";", {""}},
        {"", {".\\"}},
        {".\\", {".\\"}},
        // An empty tail is no folder at all.
        {"a;", {".\\a\\"}},
        {"a; \t\r\v ", {".\\a\\"}},
        {"a;b;", {".\\a\\", ".\\b\\"}},
    };
    for (const auto& [list, folders] : cases) EXPECT_EQ(DirectoryResourceFile::ParseFolderList(list), folders) << list;
}

TEST_F(InsideTempDir, RelativeListOpensAgainstTheCurrentFolder) {
    mDir.MakeDir("one");
    mDir.MakeDir("two");
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, "./one; two;"), rc::kOk);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Folders(), (Folders{".\\one\\", ".\\two\\"}));
    FileNameText path;
    EXPECT_EQ(file.GetPath(path), rc::kOk);
    EXPECT_EQ(path.View(), ".\\one\\");

    mDir.Write("two/#3#chair.SPR", Bytes("from two"));
    EXPECT_EQ(BlockText(file.GetResource(kSprite, 3, nullptr)), "from two");

    // A leading ';' names the current folder itself.
    DirectoryResourceFile current;
    mDir.Write("#4#here.SPR", Bytes("here"));
    ASSERT_EQ(OpenList(current, ";one"), rc::kOk);
    EXPECT_EQ(BlockText(current.GetResource(kSprite, 4, nullptr)), "here");
}

TEST(DirectoryOpen, MissingFolderFailsAndLeavesTheFileClosed) {
    TempDir dir;
    dir.MakeDir("present");
    DirectoryResourceFile file;
    EXPECT_EQ(OpenList(file, dir.File("present") + ";" + dir.File("absent")), rc::kAlreadyOpen);
    EXPECT_EQ(file.GetError(), -47);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.Folders().empty());
    FileNameText path;
    EXPECT_EQ(file.GetPath(path), rc::kNotOpen);
    EXPECT_EQ(file.GetResource(kSprite, 1, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kNoSuchResource);

    // An empty folder exists: it opens.
    EXPECT_EQ(OpenList(file, dir.File("present")), rc::kOk);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Close(), rc::kOk);
    EXPECT_FALSE(file.IsOpen());
}

// --- look-ups ----------------------------------------------------------------------------

class DirectoryLookup : public ::testing::Test {
protected:
    void SetUp() override {
        mDir.Write("main/#5#walk.SPR", Bytes("walk frames"));
        mDir.Write("main/#55#run.SPR", Bytes("run frames"));
        mDir.Write("main/plain.SPR", Bytes("no id"));
        mDir.Write("main/#-2#negative.SPR", Bytes("negative"));
        mDir.Write("main/#9#my.fancy.label.SPR", Bytes("dotted"));
        mDir.Write("main/#12#empty.BMP", Bytes(""));
        mDir.Write("main/#3#short.CST", Bytes("caret"));
        mDir.MakeDir("main/#7#folder.SPR");
        mDir.Write("extra/#5#shadowed.SPR", Bytes("second folder"));
        mDir.Write("extra/#6#only.SPR", Bytes("only here"));
        ASSERT_EQ(OpenList(mFile, mDir.File("main") + ";" + mDir.File("extra")), rc::kOk);
    }

    TempDir mDir;
    DirectoryResourceFile mFile;
};

TEST_F(DirectoryLookup, IdPrefixGivesTheResourceAndTheRestIsItsLabel) {
    DataBlock* block = mFile.GetResource(kSprite, 5, nullptr);
    ASSERT_NE(block, nullptr) << mFile.GetError();
    EXPECT_EQ(BlockText(block), "walk frames");
    EXPECT_EQ(mFile.GetError(), rc::kOk);

    LabelText label;
    mFile.GetResName(block, label);
    EXPECT_EQ(label.View(), "walk");
    uint16_t id = 0;
    EXPECT_EQ(mFile.GetResID(block, id), rc::kOk);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(mFile.GetResType(block), kSprite);
    EXPECT_EQ(mFile.GetResAttrs(block), 0);
    EXPECT_EQ(mFile.GetError(), rc::kOk);
    EXPECT_TRUE(mFile.IsLibraryOrder(block));

    // "#55#" is not "#5#", and the first folder wins over the second.
    EXPECT_EQ(BlockText(mFile.GetResource(kSprite, 55, nullptr)), "run frames");
    EXPECT_EQ(BlockText(mFile.GetResource(kSprite, 6, nullptr)), "only here");
    EXPECT_EQ(BlockText(mFile.GetResource(kSprite, -2, nullptr)), "negative");
}

TEST_F(DirectoryLookup, LabelRunsToTheExtensionAndKeepsItsDots) {
    DataBlock* block = mFile.GetResource(kSprite, 9, nullptr);
    LabelText label;
    mFile.GetResName(block, label);
    EXPECT_EQ(label.View(), "my.fancy.label");
}

TEST_F(DirectoryLookup, SecondRequestIsServedFromTheLoadedList) {
    DataBlock* first = mFile.GetResource(kSprite, 5, nullptr);
    ASSERT_NE(first, nullptr);
    uint64_t readsBefore = platform::Hooks().reads.load();
    EXPECT_EQ(mFile.GetResource(kSprite, 5, nullptr), first);
    EXPECT_EQ(platform::Hooks().reads.load(), readsBefore);
    EXPECT_EQ(mFile.LoadedCount(), 1u);

    // The named look-up finds the same loaded item by its label.
    EXPECT_EQ(mFile.GetNamedResource(kSprite, LabelText("walk"), nullptr), first);
    EXPECT_EQ(platform::Hooks().reads.load(), readsBefore);
}

TEST_F(DirectoryLookup, DetachedBlockBelongsToTheCallerAndTheNextRequestReadsAgain) {
    DataBlock* first = mFile.GetResource(kSprite, 5, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mFile.DetachResource(first), rc::kOk);
    EXPECT_EQ(mFile.LoadedCount(), 0u);
    EXPECT_EQ(mFile.DetachResource(first), rc::kNoSuchLabel);
    uint16_t id = 1;
    EXPECT_EQ(mFile.GetResID(first, id), rc::kNoSuchLabel);
    EXPECT_EQ(id, 0);

    uint64_t readsBefore = platform::Hooks().reads.load();
    DataBlock* second = mFile.GetResource(kSprite, 5, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_GT(platform::Hooks().reads.load(), readsBefore);
    EXPECT_EQ(BlockText(second), "walk frames");
    EXPECT_EQ(BlockText(first), "walk frames");  // still the caller's, untouched
    FreeDataBlock(first);
}

TEST_F(DirectoryLookup, LookupByLabel) {
    // A file named by its label alone has no ID.
    DataBlock* plain = mFile.GetNamedResource(kSprite, LabelText("plain"), nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(BlockText(plain), "no id");
    uint16_t id = 99;
    EXPECT_EQ(mFile.GetResID(plain, id), rc::kOk);
    EXPECT_EQ(id, 0);

    // A labelled file with an ID prefix gives its ID.
    DataBlock* walk = mFile.GetNamedResource(kSprite, LabelText("walk"), nullptr);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(mFile.GetResID(walk, id), rc::kOk);
    EXPECT_EQ(id, 5);
    // ...and a later look-up by that ID finds the loaded item.
    EXPECT_EQ(mFile.GetResource(kSprite, 5, nullptr), walk);

    EXPECT_EQ(mFile.GetNamedResource(kSprite, LabelText("absent"), nullptr), nullptr);
    EXPECT_EQ(mFile.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(mFile.GetNamedResource(kSprite, LabelText(""), nullptr), nullptr);
    EXPECT_EQ(mFile.GetError(), rc::kNoSuchLabel);
}

TEST_F(DirectoryLookup, NumberBeyondSixteenBitsIsStillTheFilesId) {
    mDir.Write("main/#40000#wide.SPR", Bytes("wide"));
    mDir.Write("main/#99999999999#huge.SPR", Bytes("huge"));
    mDir.Write("main/#4x#mixed.SPR", Bytes("mixed"));
    uint16_t id = 1;
    DataBlock* wide = mFile.GetNamedResource(kSprite, LabelText("wide"), nullptr);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(mFile.GetResID(wide, id), rc::kOk);
    EXPECT_EQ(id, 40000);
    // Beyond 32 bits, or not a number: no ID.
    DataBlock* huge = mFile.GetNamedResource(kSprite, LabelText("huge"), nullptr);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(mFile.GetResID(huge, id), rc::kOk);
    EXPECT_EQ(id, 0);
    DataBlock* mixed = mFile.GetNamedResource(kSprite, LabelText("mixed"), nullptr);
    ASSERT_NE(mixed, nullptr);
    EXPECT_EQ(mFile.GetResID(mixed, id), rc::kOk);
    EXPECT_EQ(id, 0);
}

TEST_F(DirectoryLookup, LabelCannotReachOutsideTheFolders) {
    mDir.Write("secret.SPR", Bytes("outside"));
    EXPECT_EQ(mFile.GetNamedResource(kSprite, LabelText("../secret"), nullptr), nullptr);
    EXPECT_EQ(mFile.GetNamedResource(kSprite, LabelText("..\\secret"), nullptr), nullptr);
    EXPECT_EQ(mFile.GetError(), rc::kNoSuchResource);
}

TEST_F(DirectoryLookup, MissesAndFoldersAreNotResources) {
    EXPECT_EQ(mFile.GetResource(kSprite, 4, nullptr), nullptr);
    EXPECT_EQ(mFile.GetError(), rc::kNoSuchResource);
    // "#7#folder.SPR" is a folder.
    EXPECT_EQ(mFile.GetResource(kSprite, 7, nullptr), nullptr);
    EXPECT_EQ(mFile.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(mFile.GetResource(MakeResType("PALT"), 5, nullptr), nullptr);
    EXPECT_EQ(mFile.LoadedCount(), 0u);
}

TEST_F(DirectoryLookup, ShortTypesAndEmptyFiles) {
    // The three-character type "CST" stands for ".CST".
    EXPECT_EQ(BlockText(mFile.GetResource(restype::kCST, 3, nullptr)), "caret");
    DataBlock* empty = mFile.GetResource(MakeResType("BMP_"), 12, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size, 0u);
}

TEST_F(DirectoryLookup, ConversionRoutineRunsOnceOnTheWholeFile) {
    static int calls;
    static uint32_t seen;
    calls = 0;
    seen = 0;
    auto convert = [](uint8_t* body, uint32_t count) {
        ++calls;
        seen = count;
        body[0] = 'W';
    };
    DataBlock* block = mFile.GetResource(kSprite, 5, convert);
    ASSERT_NE(block, nullptr);
    mFile.GetResource(kSprite, 5, convert);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, 11u);
    EXPECT_EQ(BlockText(block), "Walk frames");

    // An empty file is still handed to the routine, with a count of 0.
    static int emptyCalls;
    emptyCalls = 0;
    auto countOnly = [](uint8_t* /*body*/, uint32_t count) {
        ++emptyCalls;
        seen = count;
    };
    ASSERT_NE(mFile.GetResource(MakeResType("BMP_"), 12, countOnly), nullptr);
    EXPECT_EQ(emptyCalls, 1);
    EXPECT_EQ(seen, 0u);
}

TEST_F(DirectoryLookup, LoadedBlocksOutliveCloseAndGoWithTheFile) {
    auto file = std::make_unique<DirectoryResourceFile>();
    ASSERT_EQ(OpenList(*file, mDir.File("main")), rc::kOk);
    DataBlock* walk = file->GetResource(kSprite, 5, nullptr);
    DataBlock* run = file->GetResource(kSprite, 55, nullptr);
    ASSERT_NE(walk, nullptr);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(file->Close(), rc::kOk);
    EXPECT_EQ(file->LoadedCount(), 2u);
    EXPECT_EQ(file->GetResource(kSprite, 5, nullptr), walk);
    EXPECT_EQ(BlockText(run), "run frames");
    // Destroying the file frees both blocks: the leak checker sees to it.
    file.reset();
}

// --- types -------------------------------------------------------------------------------

TEST(DirectoryTypes, TypeCodesAndExtensions) {
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(kSprite), ".SPR");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(restype::kCST), ".CST");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0x41), ".A");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0x4142), ".AB");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0x2A2A2A2A), ".*");

    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("#1#a.SPR"), 0x53505200u);
    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("a.b.X"), 0x58000000u);
    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("a.SPRX"), 0u);
    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("a."), 0u);
    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("noext"), 0u);
}

TEST(DirectoryTypes, DistinctExtensionsOfPlainFilesAcrossFolders) {
    TempDir dir;
    dir.Write("a/one.SPR", Bytes("1"));
    dir.Write("a/two.spr", Bytes("2"));
    dir.Write("a/three.SPR", Bytes("3"));
    dir.Write("a/four.ABCD", Bytes("4"));  // four characters: no type
    dir.Write("a/five", Bytes("5"));
    dir.MakeDir("a/sub.DIR");
    dir.Write("b/six.BMP", Bytes("6"));
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.File("a") + ";" + dir.File("b")), rc::kOk);

    ASSERT_EQ(file.CountTypes(), 3);
    EXPECT_EQ(file.GetError(), rc::kOk);
    std::vector<ResType> types;
    for (int16_t i = 1; i <= 3; ++i) types.push_back(file.GetIndType(i));
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<ResType>{0x424D5000, 0x53505200, 0x73707200}));
    // The second folder's types come after the first's.
    EXPECT_EQ(file.GetIndType(3), 0x424D5000u);

    EXPECT_EQ(file.GetIndType(0), 0u);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
    EXPECT_EQ(file.GetIndType(4), 0u);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
}

TEST(DirectoryTypes, NoFilesMeansNoTypes) {
    TempDir dir;
    dir.MakeDir("empty/sub");
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.File("empty")), rc::kOk);
    EXPECT_EQ(file.CountTypes(), 0);
    EXPECT_EQ(file.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(file.GetIndType(1), 0u);
    EXPECT_EQ(file.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(file.CountResources(kSprite), 0);
    EXPECT_EQ(file.GetIndResource(kSprite, 1, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
}

TEST(DirectoryTypes, FilesWithoutATypeGiveAnEmptyListNotAMiss) {
    TempDir dir;
    dir.Write("odd/readme", Bytes("no extension"));
    dir.Write("odd/notes.LONG", Bytes("four characters"));
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.File("odd")), rc::kOk);
    EXPECT_EQ(file.CountTypes(), 0);
    EXPECT_EQ(file.GetError(), rc::kOk);
    // There are files, so the list exists; position 1 is merely outside it.
    EXPECT_EQ(file.GetIndType(1), 0u);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
}

/// Closes an archive opened for mounting, so that the process-wide index is left clean.
struct MountedArchive {
    explicit MountedArchive(const std::string& path) : handle(FileSystem::Instance().OpenArchive(path.c_str())) {}
    ~MountedArchive() {
        if (handle) FileSystem::Instance().CloseArchive(handle);
    }
    bool Mount(const std::string& name, uint32_t offset, uint32_t size, bool compressed = false) {
        return FileSystem::Instance().MountEntry(name.c_str(), handle, offset, size, compressed);
    }
    platform::NativeFile* handle;
};

TEST(DirectoryIndexed, MountedEntriesAreCountedAndReachedByPosition) {
    TempDir dir;
    dir.Write("real/#9#loose.SPR", Bytes("loose"));  // a disk file: reached by ID, not counted
    MountedArchive archive(dir.Write("blob.bin", Bytes("walkrun!pal")));
    ASSERT_NE(archive.handle, nullptr);
    ASSERT_TRUE(archive.Mount(dir.File("real/#6#run.SPR"), 4, 4));
    ASSERT_TRUE(archive.Mount(dir.File("real/#5#walk.SPR"), 0, 4));
    ASSERT_TRUE(archive.Mount(dir.File("real/plain.PAL"), 8, 3));
    ASSERT_TRUE(archive.Mount(dir.File("real/#7#packed.SPR"), 0, 4, true));  // can never be read

    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.File("real")), rc::kOk);
    EXPECT_EQ(file.CountResources(kSprite), 2);
    EXPECT_EQ(file.GetError(), rc::kOk);

    DataBlock* second = file.GetIndResource(kSprite, 2, nullptr);
    EXPECT_EQ(BlockText(second), "run!");
    LabelText label;
    file.GetResName(second, label);
    EXPECT_EQ(label.View(), "run");
    uint16_t id = 0;
    EXPECT_EQ(file.GetResID(second, id), rc::kOk);
    EXPECT_EQ(id, 6);
    // Handed out once, whichever way it is asked for.
    EXPECT_EQ(file.GetIndResource(kSprite, 2, nullptr), second);
    EXPECT_EQ(file.GetResource(kSprite, 6, nullptr), second);
    EXPECT_EQ(BlockText(file.GetIndResource(kSprite, 1, nullptr)), "walk");

    EXPECT_EQ(file.GetIndResource(kSprite, 3, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
    EXPECT_EQ(file.GetIndResource(kSprite, 0, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kChunkMismatch);

    const ResType palette = MakeResType("PAL");
    ASSERT_EQ(file.CountResources(palette), 1);
    DataBlock* plain = file.GetIndResource(palette, 1, nullptr);
    EXPECT_EQ(BlockText(plain), "pal");
    EXPECT_EQ(file.GetResID(plain, id), rc::kOk);
    EXPECT_EQ(id, 0);
}

// --- nothing can change --------------------------------------------------------------------

TEST(DirectoryReadOnly, EveryChangeIsUnsupported) {
    TempDir dir;
    dir.Write("#1#x.SPR", Bytes("x"));
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.Path()), rc::kOk);
    DataBlock* block = file.GetResource(kSprite, 1, nullptr);
    ASSERT_NE(block, nullptr);
    DataBlock* fresh = NewDataBlock(2);
    LabelText label("new");
    FileNameText name(dir.File("made.dir"));
    uint16_t aux = 7;

    EXPECT_EQ(file.Create(name), rc::kUnsupported);
    EXPECT_FALSE(dir.Exists("made.dir"));
    EXPECT_EQ(file.Delete(FileNameText(dir.File("#1#x.SPR"))), rc::kUnsupported);
    EXPECT_TRUE(dir.Exists("#1#x.SPR"));
    EXPECT_EQ(file.Update(), rc::kUnsupported);
    EXPECT_EQ(file.GetResAux(block, aux), rc::kUnsupported);
    EXPECT_EQ(aux, 0);
    file.UniqueName(kSprite, label);
    EXPECT_EQ(file.GetError(), rc::kUnsupported);
    EXPECT_EQ(file.UniqueID(kSprite), 0);
    EXPECT_EQ(file.GetError(), rc::kUnsupported);
    EXPECT_EQ(file.ReservedOp(block), rc::kUnsupported);
    EXPECT_EQ(file.SetResID(block, 2), rc::kUnsupported);
    EXPECT_EQ(file.AddResource(fresh, kSprite, 2, label, true), rc::kUnsupported);
    EXPECT_EQ(file.AddResourceWithAttr(fresh, kSprite, 2, label, 1, true), rc::kUnsupported);
    EXPECT_EQ(file.WriteResource(block), rc::kUnsupported);
    EXPECT_EQ(file.RemoveResource(block), rc::kUnsupported);
    EXPECT_EQ(file.SetResInfo(block, 2, label, 0), rc::kUnsupported);
    EXPECT_FALSE(file.IsWritable());
    EXPECT_FALSE(file.AcceptsType(kSprite));
    EXPECT_EQ(file.Suspend(), rc::kOk);
    EXPECT_EQ(file.Resume(), rc::kOk);

    // The resource is untouched and still served.
    EXPECT_EQ(file.GetResource(kSprite, 1, nullptr), block);
    EXPECT_EQ(BlockText(block), "x");
    FreeDataBlock(fresh);
}

}  // namespace
}  // namespace tambrix
