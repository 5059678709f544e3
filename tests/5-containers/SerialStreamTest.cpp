// The serial stream: text padded to an even position, reads that never pass the block,
// an object through its envelope in either byte order, and failures never reported as success.

#include <gtest/gtest.h>

#include <functional>

#include "containers/SerialStream.h"
#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

struct Sample : Serializable {
    uint8_t flag = 1;
    uint16_t count = 0x1234;
    uint32_t id = 0x89ABCDEF, raw = 0x11223344;
    FixedText<32> name{"Dining chair"}, note{"ab"};
    uint16_t tail = 0xBEEF;
    void Serialize(SerialStream& s, uint32_t) override {
        s.Bytes(&flag, 1), s.Text(name), s.U16s(&count, 1), s.U32s(&id, 1), s.RawU32s(&raw, 1), s.Text(note);
        s.U16s(&tail, 1);
    }
    ResType Tag() const override { return MakeResType("SMPL"); }
    std::string Fields() const {
        return std::to_string(flag) + std::string(name.View()) + "/" + std::to_string(count) + "/" +
               std::to_string(id) + "/" + std::to_string(raw) + "/" + std::string(note.View()) + "/" +
               std::to_string(tail);
    }
};

TEST(SerialStream, AnObjectComesBackFromItsEnvelopeInEitherByteOrder) {
    Sample original, copy;
    SerialStream measure = SerialStream::MeasureStream();
    original.Serialize(measure, 3);
    EXPECT_EQ(measure.Position(), 30u) << "the odd end of \"ab\" is padded";
    DataBlock* block = SerializeToBlock(original, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->size, measure.Position() + kEnvelopeSize);
    copy.name.Clear();
    uint32_t version = 0;
    EXPECT_TRUE(DeserializeFromBlock(copy, block, &version));
    EXPECT_EQ(copy.Fields() + std::to_string(version), original.Fields() + "3");
    FreeDataBlock(block);
    // As a big-endian writer stores it: flag 0 (conversion sets it), version 7, tag, flag,
    // "Bed" NUL and a pad (odd end), count, id, raw (never swapped), "n" NUL, tail.
    std::vector<uint8_t> body = {0, 0, 0,    0,    0, 0, 0, 7, 'S',  'M',  'P',  'L',  9,   'B', 'e',  'd',
                                 0, 0, 0x43, 0x21, 1, 2, 3, 4, 0xAA, 0xBB, 0xCC, 0xDD, 'n', 0,   0xCA, 0xFE};
    EnvelopeConversion(body.data(), static_cast<uint32_t>(body.size()));
    DataBlock foreign{body.data(), static_cast<uint32_t>(body.size())};
    ASSERT_TRUE(DeserializeFromBlock(copy, &foreign, &version));
    EXPECT_EQ(copy.Fields() + std::to_string(version), "9Bed/17185/16909060/3721182122/n/519667");
    // Cut short: the reads past the end give zeros and stop, not neighbouring bytes.
    DataBlock truncated{body.data(), static_cast<uint32_t>(body.size() - 2)};
    EXPECT_FALSE(DeserializeFromBlock(copy, &truncated, nullptr));
    EXPECT_EQ(copy.tail, 0);
    std::vector<uint8_t> text = {'a', 'b', 'c'};
    SerialStream s(text.data(), 3, SerialStream::kRead, 0);
    s.Text(copy.note);
    EXPECT_TRUE(s.Failed() && copy.note.View() == "abc") << "an unterminated text";
}

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
    DataBlock shortBlock{tooShort.data(), static_cast<uint32_t>(tooShort.size())};
    EXPECT_FALSE(DeserializeFromBlock(object, &shortBlock, &version) || version != 0);
    using test::MemoryResourceFile;
    const std::pair<std::function<void(MemoryResourceFile&)>, int32_t> stores[] = {
        {[](MemoryResourceFile& f) { f.failAdd = rc::kNoAcceptingMember; }, rc::kNoAcceptingMember},
        {[](MemoryResourceFile& f) { f.failWrite = rc::kShortWrite; }, rc::kShortWrite},
        {[](MemoryResourceFile& f) { f.failDetach = rc::kNoSuchLabel; }, rc::kNoSuchLabel},
        {[](MemoryResourceFile& f) { f.readOnly = true; }, rc::kNotWritable}};
    for (const auto& [fail, code] : stores) {
        MemoryResourceFile file;
        fail(file);
        EXPECT_EQ(StoreObject(object, 0, file, 1), code);
        if (code == rc::kShortWrite) {
            EXPECT_EQ(file.Stored(MakeResType("SMPL"), 1), nullptr) << "half-added";
        }
        if (code == rc::kNoSuchLabel) {
            EXPECT_EQ(file.LoadedBlocks(), 1) << "the block stays the file's";
        }
    }
    MemoryResourceFile file;
    file.Put(MakeResType("SMPL"), 1, {0, 0, 0, 0, 0, 0, 0, 0, 'L', 'P', 'M', 'S', 1});  // payload cut short
    EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kChunkMismatch);
    file.failGet = rc::kNoMemory;
    EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kNoMemory);
}

}  // namespace
}  // namespace tambrix
