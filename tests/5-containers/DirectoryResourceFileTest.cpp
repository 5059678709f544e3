// A folder list read as a container: "#ID#label.EXT" files, mounted archive entries
// reached by position, and every change refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "containers/DirectoryResourceFile.h"
#include "fileaccess/FileSystem.h"
#include "platform/PlatformFile.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::TempDir;
using Folders = std::vector<std::string>;
constexpr ResType kSprite = restype::kSPR;

std::string BlockText(const DataBlock* block) {
    return block ? std::string(reinterpret_cast<const char*>(block->data), block->size) : "<null>";
}
int32_t OpenList(DirectoryResourceFile& file, const std::string& list) { return file.Open(FileNameText(list)); }
uint16_t IdOf(DirectoryResourceFile& file, DataBlock* block) {
    uint16_t id = 0xBAD;
    EXPECT_EQ(file.GetResID(block, id), rc::kOk);
    return id;
}

// "C:" without a separator is relative; a leading ';' is the current folder, kept empty;
// an empty tail is no folder at all.
TEST(DirectoryFolderList, EachNameIsNormalisedAndWhiteSpaceSeparates) {
    const std::pair<const char*, Folders> cases[] = {
        {"./sprites;walls", {".\\sprites\\", ".\\walls\\"}},
        {"././a;./b/c", {".\\a\\", ".\\b\\c\\"}},
        {"..\\up", {".\\..\\up\\"}},  {"C:x", {".\\C:x\\"}},  {"d:\\x\\", {"d:\\x\\"}},
        {"\\\\server\\share", {"\\\\server\\share\\"}},      {"/tmp/sims", {"\\tmp\\sims\\"}},
        {";a", {"", ".\\a\\"}},
        {"a;\rb;\vc;\nd;\fe; \tf", {".\\a\\", ".\\b\\", ".\\c\\", ".\\d\\", ".\\e\\", ".\\f\\"}},
        {"", {".\\"}},  {".\\", {".\\"}},  {"a;b;", {".\\a\\", ".\\b\\"}},  {"a; \t\r\v ", {".\\a\\"}}};
    for (const auto& [list, folders] : cases) EXPECT_EQ(DirectoryResourceFile::ParseFolderList(list), folders) << list;
}

TEST(DirectoryOpen, RelativeListsOpenAgainstTheCurrentFolderAndAMissingFolderFails) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    dir.MakeDir("one");
    dir.Write("two/#3#chair.SPR", "from two");
    dir.Write("#4#here.SPR", "here");
    DirectoryResourceFile file, current, missing;
    EXPECT_EQ(OpenList(file, "./one; two;"), rc::kOk);
    DataBlock* chair = file.GetResource(kSprite, 3, nullptr);
    EXPECT_EQ(BlockText(chair), "from two");
    // Nothing in a folder list is ever changed.
    for (int32_t code : {file.Delete(FileNameText("two/#3#chair.SPR")), file.WriteResource(chair),
                         file.RemoveResource(chair), file.SetResInfo(chair, 2, LabelText("x"), 0), file.Update()})
        EXPECT_EQ(code, rc::kUnsupported);
    EXPECT_FALSE(!dir.Exists("two/#3#chair.SPR") || file.IsWritable() || file.AcceptsType(kSprite));
    FileNameText path;
    EXPECT_EQ(file.GetPath(path), rc::kOk);
    EXPECT_EQ(path.View(), ".\\one\\");
    EXPECT_EQ(OpenList(current, ";one"), rc::kOk);
    EXPECT_EQ(BlockText(current.GetResource(kSprite, 4, nullptr)), "here");
    EXPECT_EQ(OpenList(missing, "one;absent"), rc::kAlreadyOpen);
    EXPECT_EQ(missing.GetError(), -47);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.GetPath(path), rc::kNotOpen);
    EXPECT_EQ(missing.GetResource(kSprite, 3, nullptr), nullptr);
    std::filesystem::current_path(previous);
}

TEST(DirectoryLookup, FileNamesGiveIdAndLabelAndTheFirstFolderWins) {
    TempDir dir;
    const std::pair<const char*, const char*> files[] = {
        {"main/#5#walk.SPR", "walk frames"},    {"main/#55#run.SPR", "run frames"},   {"main/plain.SPR", "no id"},
        {"main/#-2#negative.SPR", "negative"},  {"main/#9#my.fancy.label.SPR", "dotted"},
        {"main/#3#short.CST", "caret"},         {"main/#40000#wide.SPR", "wide"},     {"main/#4x#mixed.SPR", "mixed"},
        {"main/#99999999999#huge.SPR", "huge"}, {"extra/#5#shadowed.SPR", "second folder"},
        {"extra/#6#only.SPR", "only here"},     {"secret.SPR", "outside"}};
    for (const auto& [name, body] : files) dir.Write(name, body);
    dir.MakeDir("main/#7#folder.SPR");
    DirectoryResourceFile file;
    ASSERT_EQ(OpenList(file, dir.File("main") + ";" + dir.File("extra")), rc::kOk);
    struct ById {
        ResType type;
        ResId id;
        const char *body, *label;
    } const byId[] = {{kSprite, 5, "walk frames", "walk"},        {kSprite, 55, "run frames", "run"},
                      {kSprite, 6, "only here", "only"},           {kSprite, -2, "negative", "negative"},
                      {kSprite, 9, "dotted", "my.fancy.label"},    {restype::kCST, 3, "caret", "short"},
                      {kSprite, 4, "<null>", ""},                  {kSprite, 7, "<null>", ""},
                      {MakeResType("PALT"), 5, "<null>", ""}};
    for (const ById& c : byId) {
        SCOPED_TRACE(c.id);
        DataBlock* block = file.GetResource(c.type, c.id, nullptr);
        EXPECT_EQ(BlockText(block), c.body);
        EXPECT_EQ(file.GetError(), block ? rc::kOk : rc::kNoSuchResource);
        if (!block) continue;
        LabelText label;
        file.GetResName(block, label);
        EXPECT_EQ(label.View(), c.label);
        EXPECT_EQ(IdOf(file, block), static_cast<uint16_t>(c.id));
        EXPECT_EQ(file.GetResType(block), c.type);
        EXPECT_TRUE(file.IsLibraryOrder(block));
    }
    // By label: the ID when the name has one (to 32 bits), else 0.
    const std::pair<const char*, uint16_t> byLabel[] = {
        {"plain", 0}, {"walk", 5}, {"wide", 40000}, {"huge", 0}, {"mixed", 0}};
    for (const auto& [name, id] : byLabel) {
        DataBlock* block = file.GetNamedResource(kSprite, LabelText(name), nullptr);
        ASSERT_NE(block, nullptr) << name;
        EXPECT_EQ(IdOf(file, block), id) << name;
    }
    EXPECT_EQ(file.GetResource(kSprite, 5, nullptr), file.GetNamedResource(kSprite, LabelText("walk"), nullptr));
    for (const char* outside : {"../secret", "..\\secret", "absent"}) {
        EXPECT_EQ(file.GetNamedResource(kSprite, LabelText(outside), nullptr), nullptr) << outside;
        EXPECT_EQ(file.GetError(), rc::kNoSuchResource);
    }
    EXPECT_EQ(file.GetNamedResource(kSprite, LabelText(""), nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kNoSuchLabel);
}

TEST(DirectoryTypes, ExtensionsAreTypesAndOnlyFilesOfUpToThreeCharactersCount) {
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(restype::kCST), ".CST");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0x4142), ".AB");
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0xFFFF), DirectoryResourceFile::TypeExtension(0xFFFF0000));
    EXPECT_EQ(DirectoryResourceFile::TypeExtension(0x2A2A2A2A), ".*");
    EXPECT_EQ(DirectoryResourceFile::TypeFromFileName("a.b.X"), 0x58000000u);
    for (const char* none : {"a.SPRX", "a.", "noext"}) EXPECT_EQ(DirectoryResourceFile::TypeFromFileName(none), 0u);
    TempDir dir;
    for (const char* name : {"a/one.SPR", "a/two.spr", "a/three.SPR", "a/four.ABCD", "a/five", "b/six.BMP"})
        dir.Write(name, "x");
    dir.MakeDir("a/sub.DIR");
    dir.MakeDir("empty/sub");
    dir.Write("odd/readme", "no extension");
    // Files, but none with a type, still count without an error; an empty folder does not.
    const std::tuple<std::string, int16_t, int32_t, int32_t> cases[] = {
        {dir.File("a") + ";" + dir.File("b"), 3, rc::kOk, rc::kChunkMismatch},
        {dir.File("empty"), 0, rc::kNoSuchResource, rc::kNoSuchResource},
        {dir.File("odd"), 0, rc::kOk, rc::kChunkMismatch}};
    for (const auto& [list, count, countCode, outsideCode] : cases) {
        SCOPED_TRACE(list);
        DirectoryResourceFile file;
        ASSERT_EQ(OpenList(file, list), rc::kOk);
        ASSERT_EQ(file.CountTypes(), count);
        EXPECT_EQ(file.GetError(), countCode);
        std::vector<ResType> types;
        for (int16_t i = 1; i <= count; ++i) types.push_back(file.GetIndType(i));
        if (count) {  // the second folder's types come last
            EXPECT_EQ(types.back(), 0x424D5000u);
            std::sort(types.begin(), types.end());
            EXPECT_EQ(types, (std::vector<ResType>{0x424D5000, 0x53505200, 0x73707200}));
        }
        EXPECT_EQ(file.GetIndType(count + 1), 0u);
        EXPECT_EQ(file.GetError(), outsideCode);
        EXPECT_EQ(file.GetIndType(0), 0u);
    }
}

TEST(DirectoryIndexed, MountedEntriesAreCountedAndReachedByPosition) {
    TempDir dir;
    dir.Write("real/#9#loose.SPR", "loose");  // a disk file: reached by ID, not counted
    platform::NativeFile* archive = FileSystem::Instance().OpenArchive(dir.Write("blob.bin", "walkrun!pal").c_str());
    ASSERT_NE(archive, nullptr);
    auto mount = [&](const std::string& name, uint32_t offset, uint32_t size, bool compressed = false) {
        return FileSystem::Instance().MountEntry(dir.File(name).c_str(), archive, offset, size, compressed);
    };
    ASSERT_TRUE(mount("real/#6#run.SPR", 4, 4) && mount("real/#5#walk.SPR", 0, 4) && mount("real/plain.PAL", 8, 3));
    ASSERT_TRUE(mount("real/#7#packed.SPR", 0, 4, true));  // can never be read
    {
        DirectoryResourceFile file;
        ASSERT_EQ(OpenList(file, dir.File("real")), rc::kOk);
        EXPECT_EQ(file.CountResources(kSprite), 2);
        EXPECT_EQ(file.GetError(), rc::kOk);
        DataBlock* second = file.GetIndResource(kSprite, 2, nullptr);
        EXPECT_EQ(BlockText(second), "run!");
        EXPECT_EQ(IdOf(file, second), 6);
        EXPECT_EQ(file.GetIndResource(kSprite, 2, nullptr), second) << "handed out once, whichever way asked";
        EXPECT_EQ(file.GetResource(kSprite, 6, nullptr), second);
        EXPECT_EQ(BlockText(file.GetIndResource(kSprite, 1, nullptr)), "walk");
        for (int16_t outside : {0, 3}) {
            EXPECT_EQ(file.GetIndResource(kSprite, outside, nullptr), nullptr);
            EXPECT_EQ(file.GetError(), rc::kChunkMismatch);
        }
        ASSERT_EQ(file.CountResources(MakeResType("PAL")), 1);
        DataBlock* plain = file.GetIndResource(MakeResType("PAL"), 1, nullptr);
        EXPECT_EQ(BlockText(plain), "pal");
        EXPECT_EQ(IdOf(file, plain), 0);
    }
    FileSystem::Instance().CloseArchive(archive);
}

}  // namespace
}  // namespace tambrix
