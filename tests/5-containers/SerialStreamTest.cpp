// The serial stream's failures are never reported as success. Objects through their
// envelope in either byte order are read and written by the map and label-table tests.

#include <gtest/gtest.h>

#include "containers/SerialStream.h"
#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

struct Sample : Serializable {
    uint32_t id = 7;
    void Serialize(SerialStream& s, uint32_t) override { s.U32s(&id, 1); }
    ResType Tag() const override { return MakeResType("SMPL"); }
};

TEST(SerialStream, BrokenRoutinesShortBlocksAndFailingFilesAreReportedNeverAsSuccess) {
    struct Inconsistent : Serializable {  // writes one more value than it measures
        uint32_t value = 5;
        void Serialize(SerialStream& s, uint32_t) override {
            for (int i = s.GetMode() == SerialStream::kWrite ? 0 : 1; i < 2; ++i) s.U32s(&value, 1);
        }
    } broken;
    EXPECT_EQ(SerializeToBlock(broken, 0), nullptr);
    Sample object;
    uint32_t version = 99;
    std::vector<uint8_t> tooShort(kEnvelopeSize - 1, 0);
    DataBlock shortBlock;
    shortBlock.data = tooShort.data();
    shortBlock.size = static_cast<uint32_t>(tooShort.size());
    EXPECT_FALSE(DeserializeFromBlock(object, &shortBlock, &version) || version != 0);
    // Storing: a failed write leaves nothing half-added; a failed detach leaves the block with the file.
    test::MemoryResourceFile file;
    file.failWrite = rc::kShortWrite;
    EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kShortWrite);
    EXPECT_EQ(file.Stored(MakeResType("SMPL"), 1), nullptr);
    file.failWrite = 0;
    file.failDetach = rc::kNoSuchLabel;
    EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kNoSuchLabel);
    EXPECT_EQ(file.LoadedBlocks(), 1);
    file.Put(MakeResType("SMPL"), 2, {0, 0, 0, 0, 0, 0, 0, 0, 'L', 'P', 'M', 'S', 1});  // payload cut short
    EXPECT_EQ(LoadObject(object, file, 2, nullptr), rc::kChunkMismatch);
}

}  // namespace
}  // namespace tambrix
