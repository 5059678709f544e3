#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "containers/SerialStream.h"
#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

using test::MemoryResourceFile;

/// An object with one field of every kind, in a fixed order.
struct Sample : Serializable {
    uint8_t flags[3] = {1, 2, 3};
    uint16_t count = 0x1234;
    uint32_t id = 0x89ABCDEF, raw = 0x11223344;
    FixedText<32> name{"Dining chair"}, note{"odd"};
    uint16_t tail = 0xBEEF;

    void Serialize(SerialStream& s, uint32_t) override {
        s.Bytes(flags, 3);
        s.Text(name);
        s.U16s(&count, 1);
        s.U32s(&id, 1);
        s.RawU32s(&raw, 1);
        s.Text(note);
        s.U16s(&tail, 1);
    }
    ResType Tag() const override { return MakeResType("SMPL"); }
    std::string Fields() const {
        return std::to_string(flags[0]) + std::string(name.View()) + "/" + std::to_string(count) + "/" +
               std::to_string(id) + "/" + std::to_string(raw) + "/" + std::string(note.View()) + "/" +
               std::to_string(tail);
    }
};

/// Writes one more value than it measures: a broken routine.
struct Inconsistent : Serializable {
    uint32_t value = 5;
    void Serialize(SerialStream& s, uint32_t) override {
        s.U32s(&value, 1);
        if (s.GetMode() == SerialStream::kWrite) s.U32s(&value, 1);
    }
};

TEST(SerialStream, TextIsPaddedToAnEvenPositionAndMeasuredAlike) {
    const std::tuple<const char*, uint32_t, uint32_t> cases[] = {
        // text, bytes before it, advance
        {"ab", 0, 4}, {"abc", 0, 4}, {"", 0, 2}, {"a", 0, 2}, {"ab", 1, 3}, {"abc", 1, 5}};
    for (const auto& [chars, startAt, advance] : cases) {
        SCOPED_TRACE(std::string(chars) + " from " + std::to_string(startAt));
        std::vector<uint8_t> out(16, 0xA3);
        FixedText<16> text(chars);
        uint8_t lead = 0x77;
        SerialStream writer(out.data(), 16, SerialStream::kWrite, 0), measure = SerialStream::MeasureStream();
        for (uint32_t i = 0; i < startAt; ++i) writer.Bytes(&lead, 1), measure.Bytes(&lead, 1);
        writer.Text(text);
        measure.Text(text);
        EXPECT_EQ(writer.Position(), startAt + advance);
        EXPECT_EQ(measure.Position(), writer.Position());
        // The characters and the NUL; a pad byte is passed over and keeps the fill byte.
        const size_t length = std::strlen(chars);
        EXPECT_EQ(std::string(out.begin() + startAt, out.begin() + startAt + length + 1),
                  std::string(chars, length + 1));
        for (uint32_t i = startAt + length + 1; i <= writer.Position(); ++i) EXPECT_EQ(out[i], 0xA3) << i;
    }
}

TEST(SerialStream, ReadsAndWritesNeverPassTheBlockAndAFailureSticks) {
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6}, unterminated = {'a', 'b', 'c'}, out(3, 0xA3);
    SerialStream s(bytes.data(), 6, SerialStream::kRead, 0);
    uint32_t exact = 0, over = 0xFFFFFFFF;
    s.U32s(&exact, 1);
    EXPECT_FALSE(s.Failed());
    s.U32s(&over, 1);  // 2 bytes left
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(over, 0u);
    uint16_t fits = 0xFFFF;
    s.U16s(&fits, 1);
    FixedText<8> stale("stale");
    s.Text(stale);
    EXPECT_EQ(fits + stale.Length() + s.Position(), 4u) << "zeros, and the position stays";
    SerialStream text(unterminated.data(), 3, SerialStream::kRead, 0);
    FixedText<16> read;
    text.Text(read);
    EXPECT_EQ(read.View(), "abc");
    EXPECT_TRUE(text.Failed());
    SerialStream writer(out.data(), 2, SerialStream::kWrite, 0);  // only 2 of the 3 bytes are its block
    uint16_t first = 0x0102;
    uint8_t second = 9;
    writer.U16s(&first, 1);
    writer.Bytes(&second, 1);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(out[2], 0xA3);
}

TEST(SerialStream, AnObjectComesBackFromItsEnvelopeInEitherByteOrder) {
    Sample original, copy;
    SerialStream measure = SerialStream::MeasureStream();
    original.Serialize(measure, 3);
    DataBlock* block = SerializeToBlock(original, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->size, measure.Position() + kEnvelopeSize);
    copy.count = copy.tail = 0;
    copy.name.Clear();
    uint32_t version = 0;
    EXPECT_TRUE(DeserializeFromBlock(copy, block, &version));
    EXPECT_EQ(version, 3u);
    EXPECT_EQ(copy.Fields(), original.Fields());
    FreeDataBlock(block);

    // As a big-endian writer stores it: flag 0 (conversion sets it), version 7, tag,
    // flags, "Bed" NUL and a pad (odd end), count, id, raw (never swapped), "n" NUL, tail.
    std::vector<uint8_t> body = {0,    0,    0,    0,    0,    0,    0,   7, 'S',  'M',  'P',  'L',
                                 9,    8,    7,    'B',  'e',  'd',  0,   0, 0x43, 0x21, 0x01, 0x02,
                                 0x03, 0x04, 0xAA, 0xBB, 0xCC, 0xDD, 'n', 0, 0xCA, 0xFE};
    EnvelopeConversion(body.data(), static_cast<uint32_t>(body.size()));
    EXPECT_EQ(body[0], 1);
    DataBlock foreign{body.data(), static_cast<uint32_t>(body.size())};
    ASSERT_TRUE(DeserializeFromBlock(copy, &foreign, &version));
    EXPECT_EQ(version, 7u);
    EXPECT_EQ(copy.Fields(), "9Bed/17185/16909060/3721182122/n/51966");
}

TEST(SerialStream, BrokenRoutinesShortBlocksAndFailingFilesAreReportedNeverAsSuccess) {
    Inconsistent broken;
    EXPECT_EQ(SerializeToBlock(broken, 0), nullptr);
    Sample object;
    uint32_t version = 99;
    std::vector<uint8_t> tooShort(kEnvelopeSize - 1, 0);
    DataBlock shortBlock{tooShort.data(), static_cast<uint32_t>(tooShort.size())};
    EXPECT_FALSE(DeserializeFromBlock(object, &shortBlock, &version));
    EXPECT_EQ(version, 0u);
    EXPECT_FALSE(DeserializeFromBlock(object, nullptr, nullptr));
    // A payload cut short: the reads past its end give zeros, not neighbouring bytes.
    DataBlock* full = SerializeToBlock(object, 0);
    std::vector<uint8_t> cut(full->data, full->data + full->size - 2);
    cut.insert(cut.end(), {0x55, 0x55});
    DataBlock truncated{cut.data(), full->size - 2};
    EXPECT_FALSE(DeserializeFromBlock(object, &truncated, nullptr));
    EXPECT_EQ(object.tail, 0);
    FreeDataBlock(full);

    const std::pair<std::function<void(MemoryResourceFile&)>, int32_t> stores[] = {
        {[](MemoryResourceFile& f) { f.failAdd = rc::kNoAcceptingMember; }, rc::kNoAcceptingMember},
        {[](MemoryResourceFile& f) { f.failWrite = rc::kShortWrite; }, rc::kShortWrite},
        {[](MemoryResourceFile& f) { f.failDetach = rc::kNoSuchLabel; }, rc::kNoSuchLabel},
        {[](MemoryResourceFile& f) { f.readOnly = true; }, rc::kNotWritable}};
    for (const auto& [fail, code] : stores) {
        MemoryResourceFile file;
        fail(file);
        EXPECT_EQ(StoreObject(object, 0, file, 1), code);
        if (code == rc::kShortWrite) EXPECT_EQ(file.Stored(MakeResType("SMPL"), 1), nullptr) << "half-added";
        if (code == rc::kNoSuchLabel) EXPECT_EQ(file.LoadedBlocks(), 1) << "the block stays the file's";
    }
    MemoryResourceFile file;
    file.Put(MakeResType("SMPL"), 1, {0, 0, 0, 0, 0, 0, 0, 0, 'L', 'P', 'M', 'S', 1});  // payload cut short
    EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kChunkMismatch);
    file.failGet = rc::kNoMemory;
    EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kNoMemory);
}

}  // namespace
}  // namespace tambrix
