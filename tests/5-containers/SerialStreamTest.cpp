#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "containers/SerialStream.h"
#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

using test::MemoryResourceFile;

SerialStream reader(std::vector<uint8_t>& bytes, uint16_t swap = 0) {
    return SerialStream(bytes.data(), static_cast<uint32_t>(bytes.size()), SerialStream::kRead, swap);
}

// ---------------------------------------------------------------------------------------
// Byte order

TEST(SerialStreamOrder, SwapFlagDecidesHowValuesRead) {
    std::vector<uint8_t> bytes = {0x12, 0x34, 0x12, 0x34, 0x56, 0x78};
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    SerialStream swapped = reader(bytes, 1);
    swapped.U16s(&u16, 1);
    swapped.U32s(&u32, 1);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);

    SerialStream plain = reader(bytes, 0);
    plain.U16s(&u16, 1);
    plain.U32s(&u32, 1);
    EXPECT_EQ(u16, 0x3412);
    EXPECT_EQ(u32, 0x78563412u);
    EXPECT_EQ(plain.Position(), 6u);
}

// ---------------------------------------------------------------------------------------
// Texts

TEST(SerialStreamText, TextIsPaddedToAnEvenPosition) {
    struct Case {
        const char* text;
        uint32_t startAt;  // bytes written before the text
        uint32_t advance;
    };
    const Case cases[] = {{"ab", 0, 4}, {"abc", 0, 4}, {"", 0, 2}, {"a", 0, 2}, {"ab", 1, 3}, {"abc", 1, 5}};
    for (const auto& c : cases) {
        std::vector<uint8_t> out(16, 0xA3);
        FixedText<16> text(c.text);
        uint8_t lead = 0x77;
        SerialStream writer(out.data(), 16, SerialStream::kWrite, 0);
        SerialStream measure = SerialStream::MeasureStream();
        for (uint32_t i = 0; i < c.startAt; ++i) {
            writer.Bytes(&lead, 1);
            measure.Bytes(&lead, 1);
        }
        writer.Text(text);
        measure.Text(text);
        EXPECT_EQ(writer.Position(), c.startAt + c.advance) << '"' << c.text << "\" from " << c.startAt;
        EXPECT_EQ(measure.Position(), writer.Position()) << c.text;
        // The characters and the NUL; a pad byte is passed over and keeps the fill byte.
        uint32_t length = static_cast<uint32_t>(std::strlen(c.text));
        EXPECT_EQ(std::memcmp(out.data() + c.startAt, c.text, length), 0);
        EXPECT_EQ(out[c.startAt + length], 0) << c.text;
        for (uint32_t i = c.startAt + length + 1; i < writer.Position(); ++i) EXPECT_EQ(out[i], 0xA3) << c.text;
        EXPECT_EQ(out[writer.Position()], 0xA3);  // nothing beyond
    }
}

TEST(SerialStreamText, ATextWithoutItsNulFailsAtTheBlockEnd) {
    std::vector<uint8_t> bytes = {'a', 'b', 'c'};
    FixedText<16> text;
    SerialStream s = reader(bytes);
    s.Text(text);
    EXPECT_EQ(text.View(), "abc");
    EXPECT_EQ(s.Position(), 3u);
    EXPECT_TRUE(s.Failed());
}

// ---------------------------------------------------------------------------------------
// Bounds

TEST(SerialStreamBounds, AReadThatWouldPassTheEndFailsAndZeroes) {
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    SerialStream s = reader(bytes);
    uint32_t exact = 0;
    s.U32s(&exact, 1);
    EXPECT_FALSE(s.Failed());
    uint32_t over = 0xFFFFFFFF;
    s.U32s(&over, 1);  // 2 bytes left
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(over, 0u);
    EXPECT_EQ(s.Position(), 4u);
    // Failure sticks: even a read that would fit now yields zeros and goes nowhere.
    uint16_t fits = 0xFFFF;
    s.U16s(&fits, 1);
    EXPECT_EQ(fits, 0);
    EXPECT_EQ(s.Position(), 4u);
    FixedText<8> text("stale");
    s.Text(text);
    EXPECT_EQ(text.Length(), 0u);
}

TEST(SerialStreamBounds, AWriteNeverPassesItsBlock) {
    std::vector<uint8_t> out(3, 0xA3);
    SerialStream writer(out.data(), 2, SerialStream::kWrite, 0);  // only 2 of the 3 bytes are its block
    uint16_t first = 0x0102;
    uint8_t second = 9;
    writer.U16s(&first, 1);
    writer.Bytes(&second, 1);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.Position(), 2u);
    EXPECT_EQ(out[2], 0xA3);
    FixedText<8> text("a");
    SerialStream textWriter(out.data(), 1, SerialStream::kWrite, 0);
    textWriter.Text(text);  // "a" NUL needs 2
    EXPECT_TRUE(textWriter.Failed());
}

// ---------------------------------------------------------------------------------------
// Objects in their envelope

/// An object with one field of every kind, in a fixed order.
struct Sample : Serializable {
    uint8_t flags[3] = {1, 2, 3};
    uint16_t count = 0x1234;
    uint32_t id = 0x89ABCDEF;
    uint32_t raw = 0x11223344;
    FixedText<32> name{"Dining chair"};
    FixedText<32> note{"odd"};
    uint16_t tail = 0xBEEF;

    void Serialize(SerialStream& s, uint32_t /*version*/) override {
        s.Bytes(flags, 3);
        s.Text(name);
        s.U16s(&count, 1);
        s.U32s(&id, 1);
        s.RawU32s(&raw, 1);
        s.Text(note);
        s.U16s(&tail, 1);
    }
    ResType Tag() const override { return MakeResType("SMPL"); }

    void Clear() {
        std::memset(flags, 0, sizeof flags);
        count = 0;
        id = raw = 0;
        name.Clear();
        note.Clear();
        tail = 0;
    }
    bool operator==(const Sample& o) const {
        return std::memcmp(flags, o.flags, 3) == 0 && count == o.count && id == o.id && raw == o.raw &&
               name.View() == o.name.View() && note.View() == o.note.View() && tail == o.tail;
    }
};

struct Empty : Serializable {
    void Serialize(SerialStream&, uint32_t) override {}
};

/// Writes one more value than it measures: a broken routine.
struct Inconsistent : Serializable {
    uint32_t value = 5;
    void Serialize(SerialStream& s, uint32_t) override {
        s.U32s(&value, 1);
        if (s.GetMode() == SerialStream::kWrite) s.U32s(&value, 1);
    }
};

TEST(SerialEnvelope, MeasureAndWriteAgreeAndTheObjectComesBack) {
    Sample original;
    SerialStream measure = SerialStream::MeasureStream();
    original.Serialize(measure, 3);
    DataBlock* block = SerializeToBlock(original, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->size, measure.Position() + kEnvelopeSize);

    Sample copy;
    copy.Clear();
    uint32_t version = 0;
    EXPECT_TRUE(DeserializeFromBlock(copy, block, &version));
    EXPECT_EQ(version, 3u);
    EXPECT_TRUE(copy == original);
    FreeDataBlock(block);
}

TEST(SerialEnvelope, ForeignOrderBodyReadsAfterConversion) {
    // A body as a big-endian writer stores it: envelope and payload values most significant first.
    std::vector<uint8_t> body = {
        0,    0,    0,    0,     // swap flag as stored (0); conversion sets it
        0x00, 0x00, 0x00, 0x07,  // version 7, big-endian
        'S',  'M',  'P',  'L',   // tag, big-endian
        9,    8,    7,           // flags
        'B',  'e',  'd',  0,     // name "Bed" NUL, position 7: odd, one pad
        0,                       // pad
        0x43, 0x21,              // count 0x4321
        0x01, 0x02, 0x03, 0x04,  // id 0x01020304
        0xAA, 0xBB, 0xCC, 0xDD,  // raw: never swapped, so it reads as 0xDDCCBBAA
        'n',  0,                 // note "n" NUL, position 20: even, no pad
        0xCA, 0xFE,              // tail 0xCAFE
    };
    EnvelopeConversion(body.data(), static_cast<uint32_t>(body.size()));
    EXPECT_EQ(body[0], 1);
    DataBlock block{body.data(), static_cast<uint32_t>(body.size())};
    Sample object;
    object.Clear();
    uint32_t version = 0;
    ASSERT_TRUE(DeserializeFromBlock(object, &block, &version));
    EXPECT_EQ(version, 7u);
    EXPECT_EQ(object.flags[0], 9);
    EXPECT_EQ(object.name.View(), "Bed");
    EXPECT_EQ(object.count, 0x4321);
    EXPECT_EQ(object.id, 0x01020304u);
    EXPECT_EQ(object.raw, 0xDDCCBBAAu);
    EXPECT_EQ(object.note.View(), "n");
    EXPECT_EQ(object.tail, 0xCAFE);
}

TEST(SerialEnvelope, BrokenRoutinesAndShortBlocksAreRefused) {
    Inconsistent broken;
    EXPECT_EQ(SerializeToBlock(broken, 0), nullptr);

    Sample object;
    uint32_t version = 99;
    std::vector<uint8_t> tooShort(kEnvelopeSize - 1, 0);
    DataBlock shortBlock{tooShort.data(), static_cast<uint32_t>(tooShort.size())};
    EXPECT_FALSE(DeserializeFromBlock(object, &shortBlock, &version));
    EXPECT_EQ(version, 0u);
    EXPECT_FALSE(DeserializeFromBlock(object, nullptr, nullptr));

    // A payload cut short: the reads past its end fail and give zeros, not neighbouring bytes.
    DataBlock* full = SerializeToBlock(object, 0);
    ASSERT_NE(full, nullptr);
    std::vector<uint8_t> cut(full->data, full->data + full->size - 2);
    cut.insert(cut.end(), {0x55, 0x55});  // bytes beyond the block that a reader must not see
    DataBlock truncated{cut.data(), full->size - 2};
    Sample copy;
    EXPECT_FALSE(DeserializeFromBlock(copy, &truncated, nullptr));
    EXPECT_EQ(copy.tail, 0);
    FreeDataBlock(full);
}

// ---------------------------------------------------------------------------------------
// Objects as resources

TEST(SerialResource, LoadConvertsABodyNotInLibraryOrder) {
    MemoryResourceFile file;
    std::vector<uint8_t> body = {
        0,    0,    0,   0,   0, 0, 0, 1,  // flag, version 1 big-endian
        'S',  'M',  'P', 'L',              // tag
        1,    1,    1,   0,                // flags; empty name (its NUL ends at 4: no pad)
        0x00, 0x02,                        // count 2
        0,    0,    0,   3,                // id 3
        0,    0,    0,   0,                // raw
        0,    0,                           // empty note (ends at 15) and its pad
        0x00, 0x04,                        // tail 4
    };
    file.Put(MakeResType("SMPL"), 5, body, "", false);
    Sample object;
    uint32_t version = 0;
    ASSERT_EQ(LoadObject(object, file, 5, &version), 0);
    EXPECT_EQ(version, 1u);
    EXPECT_EQ(object.count, 2);
    EXPECT_EQ(object.id, 3u);
    EXPECT_EQ(object.tail, 4);
}

TEST(SerialResource, FailuresAreReportedNeverAsSuccess) {
    Sample object;
    {
        MemoryResourceFile file;
        file.failAdd = rc::kNoAcceptingMember;
        EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kNoAcceptingMember);
        EXPECT_EQ(file.CountTypes(), 0);
    }
    {
        MemoryResourceFile file;
        file.failWrite = rc::kShortWrite;
        EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kShortWrite);
        EXPECT_EQ(file.Stored(MakeResType("SMPL"), 1), nullptr);  // the half-added resource is gone
    }
    {
        MemoryResourceFile file;
        file.failDetach = rc::kNoSuchLabel;
        EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kNoSuchLabel);
        EXPECT_EQ(file.LoadedBlocks(), 1);  // the block stayed the file's, and the file frees it
    }
    {
        MemoryResourceFile file;
        file.readOnly = true;
        EXPECT_EQ(StoreObject(object, 0, file, 1), rc::kNotWritable);
    }
    {
        MemoryResourceFile file;
        file.Put(MakeResType("SMPL"), 1, {0, 0, 0, 0, 0, 0, 0, 0, 'L', 'P', 'M', 'S', 1});  // payload cut short
        EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kChunkMismatch);
        file.failGet = rc::kNoMemory;
        EXPECT_EQ(LoadObject(object, file, 1, nullptr), rc::kNoMemory);
    }
}

}  // namespace
}  // namespace tambrix
