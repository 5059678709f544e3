#include <gtest/gtest.h>

#include "SetFiles.h"
#include "containers/IffResourceFile.h"
#include "sets/ViewResourceSet.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::BlockText;
using test::TempDir;
using test::WriteTextContainer;

constexpr ResType kString = restype::kSTR;
constexpr ResType kSprite = restype::kSPR;

// The file name of a member, without its folder.
std::string MemberName(ResourceSet& set, int index) {
    FileNameText path;
    if (ResourceFile* member = set.GetMember(index)) member->GetPath(path);
    const std::string text(path.View());
    return text.substr(text.find_last_of("/\\") + 1);
}

TEST(KindNameMatching, ExtensionIsComparedOrAppended) {
    // No file name, kind 0 (it ends the registry), an extension too short or without its dot: no match.
    const struct {
        const char *name, *extension;
        uint32_t kind;
        const char* expected;  // null: no match
    } cases[] = {{"chair", ".iff", 2, "chair.iff"},
                 {"CHAIR.IFF", ".iff", 2, "CHAIR.IFF"},
                 {"objects.d/chair", ".iff", 2, "objects.d/chair.iff"},
                 {"objects.d\\chair", ".spf", 1, "objects.d\\chair.spf"},
                 {"chair", ".x", 2, "chair.x"},
                 {"chair.spf", ".iff", 2, nullptr}, {"objects/", ".iff", 2, nullptr}, {"", ".iff", 2, nullptr},
                 {"chair", ".iff", 0, nullptr},     {"chair", ".", 2, nullptr},       {"chair", "ab", 2, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " / " + c.extension);
        FileNameText fileName;
        EXPECT_EQ(KindResourceSet::MatchName(c.kind, c.extension, FileNameText(c.name), fileName),
                  c.expected != nullptr);
        EXPECT_EQ(fileName.View(), c.expected ? c.expected : "");
    }
    // 255 characters fit; with ".iff" one more would need 260 and the terminator.
    const std::string longest(kFileNameCapacity - 1 - 4, 'n');
    FileNameText fileName;
    EXPECT_TRUE(KindResourceSet::MatchName(2, ".iff", FileNameText(longest), fileName));
    EXPECT_EQ(fileName.Length(), kFileNameCapacity - 1);
    EXPECT_FALSE(KindResourceSet::MatchName(2, ".iff", FileNameText(longest + "n"), fileName));
}

class BareKindSet : public KindResourceSet {};

TEST(KindRegistry, UnknownKindsLongExtensionsAndAFullRegistryAreIgnored) {
    TempDir dir;
    WriteTextContainer<IffResourceFile>(dir.File("a.iff"), {{kString, 1}});
    const FileNameText name(dir.File("a.iff"));
    BareKindSet set;
    set.Register(4, ".iff");          // no such kind
    set.Register(2, ".iffffff.iff");  // longer than 7 characters
    EXPECT_EQ(set.Open(name), rc::kNoFileKind);
    for (int i = 0; i < KindResourceSet::kMaxRegistrations; ++i) set.Register(3, ".dir");
    set.Register(2, ".iff");  // one too many
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

TEST(ObjectFileOpen, BothFilesObjectFileFirstAndGraphicsGoToTheSpriteFile) {
    TempDir dir;
    WriteTextContainer<IffResourceFile>(dir.File("chair.iff"), {{kString, 1}, {restype::kOBJD, 128}});
    WriteTextContainer<IffResourceFile>(dir.File("chair.spf"), {{kSprite, 100}, {restype::kPALT, 1}});
    ViewResourceSet set;
    ASSERT_EQ(set.Open(FileNameText(dir.File("chair"))), rc::kOk);
    ASSERT_EQ(set.CountMembers(), 2);
    EXPECT_EQ(MemberName(set, 0), "chair.iff");
    EXPECT_EQ(MemberName(set, 1), "chair.spf");
    EXPECT_EQ(BlockText(set.GetResource(kString, 1, nullptr)), "STR# 1");
    EXPECT_EQ(BlockText(set.GetResource(kSprite, 100, nullptr)), "SPR# 100");
    EXPECT_EQ(set.CountTypes(), 4);

    ResId id = 200;
    for (ResType type : {restype::kSPR, restype::kDGRP, restype::kPALT, MakeResType("BMP_"), restype::kSPR2, kString}) {
        SCOPED_TRACE(ResTypeText(type));
        const bool graphic = type != kString;
        EXPECT_EQ(set.AcceptsType(type), true);
        DataBlock* block = NewDataBlock(3);
        ASSERT_EQ(set.AddResource(block, type, ++id, LabelText("g"), true), rc::kOk);
        EXPECT_EQ(set.GetMember(graphic ? 1 : 0)->GetResource(type, id, nullptr), block);
        EXPECT_EQ(set.GetMember(graphic ? 0 : 1)->GetResource(type, id, nullptr), nullptr);
    }
    // An unregistered extension gives no member, and the earlier ones went with the new Open.
    dir.Write("chair.txt", std::string("text"));
    EXPECT_EQ(set.Open(FileNameText(dir.File("chair.txt"))), rc::kNoFileKind);
    EXPECT_EQ(set.CountMembers(), 0);
    EXPECT_FALSE(set.IsOpen());
}

TEST(ObjectFileCreate, MakesEachFileOnceStopsAtAnExistingOneAndDeletesThemAll) {
    TempDir dir;
    ObjectResourceSet set;
    EXPECT_EQ(set.Create(FileNameText(dir.File("table"))), rc::kOk);
    EXPECT_TRUE(dir.Exists("table.iff") && dir.Exists("table.spf"));
    EXPECT_FALSE(dir.Exists("table.dir"));  // the folder-list class makes nothing
    EXPECT_EQ(set.Open(FileNameText(dir.File("table"))), rc::kOk);
    EXPECT_EQ(set.CountMembers(), 2);
    EXPECT_EQ(set.Delete(FileNameText(dir.File("table"))), rc::kOk);
    EXPECT_FALSE(dir.Exists("table.iff") || dir.Exists("table.spf"));
    EXPECT_NE(set.Delete(FileNameText(dir.File("table"))), rc::kOk);

    dir.Write("chair.iff", std::string("already here"));
    EXPECT_EQ(set.Create(FileNameText(dir.File("chair"))), rc::kFileExists);
    EXPECT_FALSE(dir.Exists("chair.spf"));
    EXPECT_EQ(dir.Read("chair.iff"), test::TextBytes("already here"));

    EXPECT_EQ(set.Create(FileNameText(dir.File("only.SPF"))), rc::kOk);  // the extension picks the file
    EXPECT_FALSE(dir.Exists("only.iff"));
    EXPECT_EQ(set.Create(FileNameText(dir.File("note.txt"))), rc::kNoFileKind);
    EXPECT_FALSE(dir.Exists("note.txt"));
}

}  // namespace
}  // namespace tambrix
