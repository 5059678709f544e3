#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "SetFiles.h"
#include "containers/DirectoryResourceFile.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "sets/ViewResourceSet.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::BlockText;
using test::TempDir;
using test::WriteContainer;

constexpr ResType kString = restype::kSTR;
constexpr ResType kSprite = restype::kSPR;
const ResType kSpriteFileTypes[] = {restype::kSPR, restype::kDGRP, restype::kPALT, MakeResType("BMP_"), restype::kSPR2};

std::string MemberPath(ResourceSet& set, int index) {
    FileNameText path;
    ResourceFile* member = set.GetMember(index);
    if (!member) return "<none>";
    member->GetPath(path);
    return std::string(path.View());
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// --- name matching and the registry --------------------------------------------------------

TEST(KindNameMatching, ExtensionIsComparedOrAppended) {
    struct Case {
        const char* name;
        const char* extension;
        uint32_t kind;
        const char* expected;  // null: no match
    };
    const Case cases[] = {
        {"chair", ".iff", 2, "chair.iff"},
        {"chair.iff", ".iff", 2, "chair.iff"},
        {"CHAIR.IFF", ".iff", 2, "CHAIR.IFF"},
        {"chair.spf", ".iff", 2, nullptr},
        {"objects.d/chair", ".iff", 2, "objects.d/chair.iff"},
        {"objects.d\\chair", ".spf", 1, "objects.d\\chair.spf"},
        {"objects/", ".iff", 2, nullptr},  // no file name
        {"", ".iff", 2, nullptr},
        {"chair", ".iff", 0, nullptr},  // kind 0 ends the registry
        {"chair", ".", 2, nullptr},     // too short
        {"chair", "iff", 2, nullptr},   // no dot
    };
    for (const Case& c : cases) {
        FileNameText fileName;
        bool matched = KindResourceSet::MatchName(c.kind, c.extension, FileNameText(c.name), fileName);
        EXPECT_EQ(matched, c.expected != nullptr) << c.name << " / " << c.extension;
        if (c.expected) {
            EXPECT_EQ(fileName.View(), c.expected) << c.name;
        }
    }
}

TEST(KindNameMatching, NameTooLongForTheExtensionDoesNotMatch) {
    // 255 characters fit; with ".iff" they would need 259 plus the terminator.
    std::string longest(kFileNameCapacity - 1 - 4, 'n');
    FileNameText fileName;
    EXPECT_TRUE(KindResourceSet::MatchName(2, ".iff", FileNameText(longest), fileName));
    EXPECT_EQ(fileName.Length(), kFileNameCapacity - 1);
    std::string tooLong = longest + "n";
    EXPECT_FALSE(KindResourceSet::MatchName(2, ".iff", FileNameText(tooLong), fileName));
}

class BareKindSet : public KindResourceSet {};

TEST(KindRegistry, UnknownKindsLongExtensionsAndAFullRegistryAreIgnored) {
    TempDir dir;
    WriteContainer<IffResourceFile>(dir.File("a.iff"), {{kString, 1}});
    BareKindSet set;
    set.Register(4, ".iff");          // no such kind
    set.Register(2, ".iffffff.iff");  // longer than 7 characters
    FileNameText name(dir.File("a.iff"));
    EXPECT_EQ(set.Open(name), rc::kNoFileKind);
    EXPECT_EQ(set.CountMembers(), 0);

    for (int i = 0; i < KindResourceSet::kMaxRegistrations; ++i) set.Register(3, ".dir");
    set.Register(2, ".iff");  // the ninth
    EXPECT_EQ(set.Open(name), rc::kNoFileKind);

    set.ClearRegistry();
    set.Register(0, ".zzz");  // kind 0 ends the registry
    set.Register(2, ".iff");
    EXPECT_EQ(set.Open(name), rc::kNoFileKind);

    set.ClearRegistry();
    set.Register(2, ".iff");
    EXPECT_EQ(set.Open(name), rc::kOk);
    EXPECT_EQ(set.CountMembers(), 1);
}

// --- opening -----------------------------------------------------------------------------

class ObjectFilePair : public ::testing::Test {
protected:
    void SetUp() override {
        WriteContainer<IffResourceFile>(mDir.File("chair.iff"), {{kString, 1}, {restype::kOBJD, 128}});
        WriteContainer<IffResourceFile>(mDir.File("chair.spf"), {{kSprite, 100}, {restype::kPALT, 1}});
        mBase = mDir.File("chair");
    }
    TempDir mDir;
    std::string mBase;
};

TEST_F(ObjectFilePair, NameWithoutExtensionOpensBothFilesObjectFileFirst) {
    ObjectResourceSet set;
    ASSERT_EQ(set.Open(FileNameText(mBase)), rc::kOk);
    ASSERT_EQ(set.CountMembers(), 2);
    EXPECT_TRUE(EndsWith(MemberPath(set, 0), ".iff")) << MemberPath(set, 0);
    EXPECT_TRUE(EndsWith(MemberPath(set, 1), ".spf")) << MemberPath(set, 1);
    EXPECT_TRUE(set.IsOpen());

    // Resources come from whichever member holds them.
    EXPECT_EQ(BlockText(set.GetResource(kString, 1, nullptr)), "STR# 1");
    EXPECT_EQ(BlockText(set.GetResource(kSprite, 100, nullptr)), "SPR# 100");
    EXPECT_EQ(set.CountTypes(), 4);

    FileNameText path;
    EXPECT_EQ(set.GetPath(path), rc::kOk);
    EXPECT_TRUE(EndsWith(std::string(path.View()), "chair")) << path.View();
}

TEST_F(ObjectFilePair, GraphicsTypesGoOnlyToTheSpriteFile) {
    ViewResourceSet set;
    ASSERT_EQ(set.Open(FileNameText(mBase)), rc::kOk);
    ASSERT_EQ(set.CountMembers(), 2);
    ResourceFile* objects = set.GetMember(0);
    ResourceFile* sprites = set.GetMember(1);

    ResId id = 200;
    for (ResType type : kSpriteFileTypes) {
        EXPECT_TRUE(set.AcceptsType(type));
        DataBlock* block = NewDataBlock(3);
        ASSERT_EQ(set.AddResource(block, type, id, LabelText("g"), true), rc::kOk) << ResTypeText(type);
        EXPECT_EQ(sprites->GetResource(type, id, nullptr), block) << ResTypeText(type);
        EXPECT_EQ(objects->GetResource(type, id, nullptr), nullptr) << ResTypeText(type);
        ++id;
    }
    DataBlock* text = NewDataBlock(3);
    ASSERT_EQ(set.AddResource(text, kString, 300, LabelText("t"), true), rc::kOk);
    EXPECT_EQ(objects->GetResource(kString, 300, nullptr), text);
    EXPECT_EQ(sprites->GetResource(kString, 300, nullptr), nullptr);
}

TEST_F(ObjectFilePair, UnregisteredExtensionGivesNoMember) {
    mDir.Write("chair.txt", std::string("text"));
    ObjectResourceSet set;
    ASSERT_EQ(set.Open(FileNameText(mBase)), rc::kOk);
    EXPECT_EQ(set.Open(FileNameText(mDir.File("chair.txt"))), rc::kNoFileKind);
    EXPECT_EQ(set.GetError(), rc::kNoFileKind);
    EXPECT_EQ(set.CountMembers(), 0);  // the earlier members went with the new Open
    EXPECT_FALSE(set.IsOpen());
    FileNameText path;
    EXPECT_EQ(set.GetPath(path), rc::kNotOpen);
}

TEST(ObjectFileOpen, VersionOneFileOpensThroughItsOwnClass) {
    TempDir dir;
    WriteContainer<LegacyIffResourceFile>(dir.File("wall.iff"), {{kString, 3}});
    ObjectResourceSet objectSet;
    ASSERT_EQ(objectSet.Open(FileNameText(dir.File("wall.iff"))), rc::kOk);
    EXPECT_EQ(objectSet.CountMembers(), 1);
    EXPECT_EQ(BlockText(objectSet.GetResource(kString, 3, nullptr)), "STR# 3");

    // The view's set knows only version 2 containers.
    ViewResourceSet viewSet;
    EXPECT_NE(viewSet.Open(FileNameText(dir.File("wall.iff"))), rc::kOk);
    EXPECT_EQ(viewSet.CountMembers(), 0);
}

TEST(ObjectFileOpen, FolderListJoinsAsAMember) {
    TempDir dir;
    dir.Write("art.dir/#5#walk.SPR", std::string("walk"));
    ViewResourceSet set;
    ASSERT_EQ(set.Open(FileNameText(dir.File("art.dir"))), rc::kOk);
    ASSERT_EQ(set.CountMembers(), 1);
    EXPECT_EQ(BlockText(set.GetResource(kSprite, 5, nullptr)), "walk");
    EXPECT_FALSE(set.AcceptsType(kSprite));  // read-only
    DataBlock* block = NewDataBlock(1);
    EXPECT_EQ(set.AddResource(block, kString, 1, LabelText(), true), rc::kNoWritableMember);
    FreeDataBlock(block);
}

// --- creating and deleting -------------------------------------------------------------

TEST(ObjectFileCreate, NameWithoutExtensionMakesEachFileOnce) {
    TempDir dir;
    ObjectResourceSet set;
    EXPECT_EQ(set.Create(FileNameText(dir.File("table"))), rc::kOk);
    EXPECT_TRUE(dir.Exists("table.iff"));
    EXPECT_TRUE(dir.Exists("table.spf"));
    EXPECT_FALSE(dir.Exists("table.dir"));  // the folder-list class makes nothing

    // Both are version 2.5 containers that open.
    IffResourceFile check;
    EXPECT_EQ(check.Open(FileNameText(dir.File("table.spf"))), rc::kOk);
    check.Close();
    EXPECT_EQ(set.Open(FileNameText(dir.File("table"))), rc::kOk);
    EXPECT_EQ(set.CountMembers(), 2);
}

TEST(ObjectFileCreate, ExistingFirstFileStopsAtOnce) {
    TempDir dir;
    dir.Write("table.iff", std::string("already here"));
    ObjectResourceSet set;
    EXPECT_EQ(set.Create(FileNameText(dir.File("table"))), rc::kFileExists);
    EXPECT_FALSE(dir.Exists("table.spf"));
    EXPECT_EQ(dir.Read("table.iff"),
              (std::vector<uint8_t>{'a', 'l', 'r', 'e', 'a', 'd', 'y', ' ', 'h', 'e', 'r', 'e'}));
}

TEST(ObjectFileCreate, ExtensionPicksTheFileAndUnknownOnesAreRefused) {
    TempDir dir;
    ObjectResourceSet set;
    EXPECT_EQ(set.Create(FileNameText(dir.File("only.SPF"))), rc::kOk);
    EXPECT_TRUE(dir.Exists("only.SPF"));
    EXPECT_FALSE(dir.Exists("only.iff"));
    EXPECT_EQ(set.Create(FileNameText(dir.File("note.txt"))), rc::kNoFileKind);
    EXPECT_FALSE(dir.Exists("note.txt"));
}

TEST(ObjectFileDelete, DeletesEveryMatchingFile) {
    TempDir dir;
    WriteContainer<IffResourceFile>(dir.File("gone.iff"), {{kString, 1}});
    WriteContainer<IffResourceFile>(dir.File("gone.spf"), {{kSprite, 1}});
    ObjectResourceSet set;
    EXPECT_EQ(set.Delete(FileNameText(dir.File("gone"))), rc::kOk);
    EXPECT_FALSE(dir.Exists("gone.iff"));
    EXPECT_FALSE(dir.Exists("gone.spf"));
    EXPECT_NE(set.Delete(FileNameText(dir.File("gone"))), rc::kOk);
}

// --- the view's caches -----------------------------------------------------------------------

TEST(ViewSetCaches, EverythingCachedIsDestroyedWithTheSet) {
    static int alive;
    alive = 0;
    struct Counted : CachedObject {
        Counted() { ++alive; }
        ~Counted() override { --alive; }
    };
    {
        ViewResourceSet set;
        EXPECT_TRUE(set.KeyedObjects().empty());
        EXPECT_TRUE(set.FirstRecords().empty());
        EXPECT_TRUE(set.SecondRecords().empty());
        set.KeyedObjects().push_back({7, std::make_unique<Counted>()});
        set.KeyedObjects().push_back({8, std::make_unique<Counted>()});
        set.FirstRecords().push_back(std::make_unique<Counted>());
        set.SecondRecords().push_back(std::make_unique<Counted>());
        EXPECT_EQ(alive, 4);
    }
    EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace tambrix
