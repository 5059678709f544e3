// The opening entry: every name a program may be given, with the kind it is, where it
// leads and what opening it answers. The browser and tambrix-cli both open through it.

#include <gtest/gtest.h>

#include "SetFiles.h"
#include "containers/IffResourceFile.h"
#include "containers/LegacyIffResourceFile.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "sets/GameFile.h"
#include "sets/ViewResourceSet.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::BlockText;
using test::WriteTextContainer;

constexpr ResType kSprite = restype::kSPR;
constexpr ResType kObject = restype::kOBJD;

class GameFiles : public ::testing::Test {
protected:
    void SetUp() override {
        // Object files, each with its companion holding sprite 100, but for "lonely".
        for (const char* base : {"chair", "my.sofa", "lonely", "junk"}) {
            if (std::string(base) != "junk")
                WriteTextContainer<IffResourceFile>(mDir.File(base + std::string(".iff")), {{kObject, 128}});
            if (std::string(base) != "lonely")
                WriteTextContainer<IffResourceFile>(mDir.File(base + std::string(".spf")), {{kSprite, 100}});
        }
        mDir.Write("junk.iff", std::string(300, 'x'));
        WriteTextContainer<LegacyIffResourceFile>(mDir.File("stripe.wll"), {{kSprite, 1}});
        WriteTextContainer<IffResourceFile>(mDir.File("modern.flr"), {{kSprite, 1}});
        WriteTextContainer<IffResourceFile>(mDir.File("Behavior.dat"), {{restype::kSTR, 1}});
        mDir.Write("Photo.bmp", std::string("BM and the rest"));
        mDir.MakeDir("folder.iff");
        ASSERT_EQ(WriteFarArchive(mDir.File("Art.far").c_str(), {{"Box\\Thing.iff", mDir.Read("chair.iff")},
                                                                 {"Box\\Thing.spf", mDir.Read("chair.spf")}}),
                  rc::kOk);
        mDir.Write("Broken.far", std::string("FAR!byAZ\2\0\0\0\0\0\0\0", 16));  // version 2
    }

    test::TempDir mDir;
};

TEST_F(GameFiles, EachNameHasOneKindOnePlaceAndOneAnswer) {
    constexpr int kNoSet = -1;
    using K = GameFileKind;
    using S = GamePathState;
    const struct {
        const char* name;
        K kind;
        S state;
        int32_t located, opened;  ///< what Locate answers, then Open
        int members;              ///< of the view's set, or kNoSet
    } rows[] = {
        {"chair.iff", K::kObject, S::kFile, rc::kOk, rc::kOk, 2},
        {"my.sofa.iff", K::kObject, S::kFile, rc::kOk, rc::kOk, 2},  // the base holds a dot
        {"CHAIR.IFF", K::kObject, S::kFile, rc::kOk, rc::kOk, 2},    // names are found in any case
        {"lonely.iff", K::kObject, S::kFile, rc::kOk, rc::kOk, 1},
        {"junk.iff", K::kObject, S::kFile, rc::kOk, rc::kBadHeader, kNoSet},  // its companion stands in for nothing
        {"chair.spf", K::kSprites, S::kFile, rc::kOk, rc::kOk, kNoSet},
        {"stripe.wll", K::kWall, S::kFile, rc::kOk, rc::kOk, kNoSet},
        {"modern.flr", K::kFloor, S::kFile, rc::kOk, rc::kOk, kNoSet},
        {"Behavior.dat", K::kOther, S::kFile, rc::kOk, rc::kOk, kNoSet},
        {"Photo.bmp", K::kBitmap, S::kFile, rc::kOk, rc::kNoFileKind, kNoSet},
        {"Art.far", K::kArchive, S::kFile, rc::kOk, rc::kNoFileKind, kNoSet},
        {"Art.far/Box/Thing.iff", K::kObject, S::kArchiveEntry, rc::kOk, rc::kOk, 2},
        {"Art.far\\box\\THING.spf", K::kSprites, S::kArchiveEntry, rc::kOk, rc::kOk, kNoSet},
        {"Art.far/Box/Gone.iff", K::kObject, S::kMissing, rc::kNoSuchFile, rc::kNoSuchFile, kNoSet},
        {"Broken.far/Thing.iff", K::kObject, S::kMissing, rc::kFarBadVersion, rc::kNoSuchFile, kNoSet},
        {"folder.iff", K::kObject, S::kFolder, rc::kNoFileKind, rc::kNoSuchFile, kNoSet},
        {"gone.iff", K::kObject, S::kMissing, rc::kNoSuchFile, rc::kNoSuchFile, kNoSet},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        GameFile file;
        EXPECT_EQ(file.Locate(mDir.File(row.name)), row.located);
        EXPECT_EQ(file.Kind(), row.kind);
        EXPECT_EQ(file.State(), row.state);
        EXPECT_EQ(file.Open(GameFileAccess::kReadOnly), row.opened);
        EXPECT_EQ(file.Container() != nullptr, row.opened == rc::kOk);
        auto* set = dynamic_cast<ViewResourceSet*>(file.Container());
        EXPECT_EQ(set ? set->CountMembers() : kNoSet, row.members);
        // With its companion, the object file's sprites come from there.
        if (row.members == 2) {
            EXPECT_EQ(BlockText(set->GetResource(kSprite, 100, nullptr)), "SPR# 100");
        }
    }
    // A name too long for the platform would be cut to another file's name.
    GameFile file;
    EXPECT_EQ(file.Locate(mDir.File(std::string(kMaxFileNameLength, 'n') + ".iff")), rc::kNoSuchFile);
    EXPECT_EQ(file.Locate(""), rc::kNoSuchFile);
}

// Read-only access opens nothing for writing, not even the object file with its
// companion; an archive's entries never are writable; the mount goes with the file
// unless the archive was mounted before.
TEST_F(GameFiles, ReadOnlyAccessOpensNothingForWritingAndTheMountGoesWithTheFile) {
    const std::vector<uint8_t> before = mDir.Read("chair.iff");
    GameFile file;
    ASSERT_EQ(file.Open(mDir.File("chair.iff"), GameFileAccess::kViewing), rc::kOk);
    EXPECT_TRUE(file.Container()->IsWritable());
    ASSERT_EQ(file.Open(mDir.File("chair.iff"), GameFileAccess::kReadOnly), rc::kOk);
    DataBlock* block = NewDataBlock(1);
    EXPECT_NE(file.Container()->AddResource(block, restype::kSTR, 5, LabelText(), true), rc::kOk);
    FreeDataBlock(block);
    EXPECT_EQ(file.OpenAlone(GameFileAccess::kReadOnly), rc::kOk);
    EXPECT_FALSE(file.Container()->IsWritable());
    EXPECT_EQ(mDir.Read("chair.iff"), before);

    const std::string entry = mDir.File("Art.far/Box/Thing.iff");
    ASSERT_EQ(file.Open(entry, GameFileAccess::kViewing), rc::kOk);
    EXPECT_FALSE(file.Container()->IsWritable());
    EXPECT_EQ(file.ContainerVersion(), "2.5");
    EXPECT_TRUE(FileSystem::Instance().Find(entry.c_str()));
    file.Locate(mDir.File("chair.iff"));
    EXPECT_FALSE(FileSystem::Instance().Find(entry.c_str()));
    ASSERT_EQ(MountFarArchive(mDir.File("Art.far").c_str()), rc::kOk);
    file.Locate(entry);
    file.Locate(mDir.File("chair.iff"));
    EXPECT_TRUE(FileSystem::Instance().Find(entry.c_str()));
    UnmountFarArchives(mDir.Path().c_str());
}

}  // namespace
}  // namespace tambrix
