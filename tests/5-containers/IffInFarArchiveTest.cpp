// A container kept inside a FAR archive opens through its mounted name exactly as the
// same bytes do as a loose file, and stays read-only.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "core/TextBuffer.h"
#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "fileaccess/FileSystem.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using Bytes = std::vector<uint8_t>;
using Contents = std::map<std::pair<ResType, ResId>, Bytes>;

int32_t addAndWrite(IffResourceFile& file, ResType type, ResId id, const Bytes& body) {
    return test::AddAndWrite(file, type, id, "r", body);
}

Contents readAll(IffResourceFile& file) {
    Contents all;
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) continue;
            uint16_t id = 0;
            file.GetResID(block, id);
            all[{type, static_cast<ResId>(id)}] = Bytes(block->data, block->data + block->size);
            file.ReleaseResource(block);
        }
    }
    return all;
}

class IffInFarArchive : public ::testing::Test {
protected:
    void SetUp() override {
        // A container written as a loose file first, then packed with a companion.
        FileNameText loose(dir.File("chair.iff"));
        IffResourceFile file;
        ASSERT_EQ(file.Create(loose), rc::kOk);
        ASSERT_EQ(file.Open(loose), rc::kOk);
        ASSERT_EQ(addAndWrite(file, restype::kSTR, 128, Bytes{0xFF, 0xFF, 1, 0, 'h', 'i', 0}), rc::kOk);
        ASSERT_EQ(addAndWrite(file, restype::kSPR2, 300, Bytes(40, 0x5A)), rc::kOk);
        ASSERT_EQ(file.Close(), rc::kOk);
        containerBytes = dir.Read("chair.iff");

        archive = dir.File("Objects.far");
        ASSERT_EQ(WriteFarArchive(archive.c_str(),
                                  {{"Chairs\\Chair.iff", containerBytes}, {"Chairs\\Chair.spf", Bytes(64, 7)}}),
                  rc::kOk);
        archiveBytes = dir.Read("Objects.far");
        ASSERT_EQ(MountFarArchive(archive.c_str()), rc::kOk);
    }
    void TearDown() override { UnmountFarArchives(archive.c_str()); }

    test::TempDir dir;
    std::string archive;
    Bytes containerBytes;
    Bytes archiveBytes;
};

TEST_F(IffInFarArchive, OpensAsTheLooseFileDoesAndStaysReadOnly) {
    IffResourceFile loose;
    ASSERT_EQ(loose.Open(FileNameText(dir.File("chair.iff"))), rc::kOk);
    const Contents expected = readAll(loose);
    loose.Close();
    ASSERT_EQ(expected.size(), 2u);

    IffResourceFile inside;
    ASSERT_EQ(inside.Open(FileNameText(archive + "\\Chairs\\Chair.iff")), rc::kOk);
    EXPECT_FALSE(inside.IsWritable());
    EXPECT_EQ(readAll(inside), expected);
    // Changes are refused and the archive keeps every byte.
    EXPECT_NE(addAndWrite(inside, restype::kSPR2, 301, Bytes(8, 1)), rc::kOk);
    inside.Close();
    EXPECT_EQ(dir.Read("Objects.far"), archiveBytes);
}

}  // namespace
}  // namespace tambrix
