#include "containers/LabelTable.h"

#include <algorithm>

#include "core/ByteReader.h"

namespace tambrix {

namespace {
constexpr uint32_t kMinRecordBytes = 6;  // label number, empty label with its pad byte
constexpr uint32_t kSwapFlagOffset = 0;
}  // namespace

void LabelTable::Serialize(SerialStream& stream, uint32_t /*version*/) {
    if (stream.IsReading()) {
        mRecords.clear();
        uint32_t count = 0;
        stream.U32s(&count, 1);
        if (stream.Failed()) return;
        const uint32_t room = stream.Size() > stream.Position() ? stream.Size() - stream.Position() : 0;
        count = std::min(count, room / kMinRecordBytes);
        mRecords.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            Record record;
            stream.U32s(&record.number, 1);
            stream.Text(record.label);
            if (stream.Failed()) return;
            mRecords.push_back(record);
        }
        return;
    }
    uint32_t count = static_cast<uint32_t>(mRecords.size());
    stream.U32s(&count, 1);
    for (auto& record : mRecords) {
        stream.U32s(&record.number, 1);
        stream.Text(record.label);
    }
}

void LabelTable::ReadCurrentForm(const DataBlock& body) {
    mRecords.clear();
    if (body.size < kEnvelopeSize) return;
    uint16_t swap = body.data[kSwapFlagOffset] != 0 ? 1 : 0;
    SerialStream stream(body.data + kEnvelopeSize, body.size - kEnvelopeSize, SerialStream::kRead, swap);
    Serialize(stream, 0);
}

void LabelTable::ReadOlderForm(const DataBlock& body) {
    mRecords.clear();
    ByteReader reader(body.data, body.size);
    while (!reader.AtEnd()) {
        uint32_t number = 0;
        uint8_t length = 0;
        const uint8_t* text = nullptr;
        if (!reader.ReadU32(number) || !reader.ReadU8(length) || !reader.ReadBytes(length, text)) break;
        Record record;
        record.number = number;
        record.label.AppendN(reinterpret_cast<const char*>(text), length);
        mRecords.push_back(record);
    }
}

const LabelTable::Record* LabelTable::Find(uint32_t number) const {
    for (const auto& record : mRecords)
        if (record.number == number) return &record;
    return nullptr;
}

void LabelTable::Set(uint32_t number, std::string_view label) {
    mChanged = true;
    for (auto& record : mRecords) {
        if (record.number == number) {
            record.label.Assign(label);
            return;
        }
    }
    Record record;
    record.number = number;
    record.label.Assign(label);
    mRecords.push_back(record);
}

void LabelTable::Remove(uint32_t number) {
    auto it =
        std::remove_if(mRecords.begin(), mRecords.end(), [number](const Record& r) { return r.number == number; });
    if (it == mRecords.end()) return;
    mRecords.erase(it, mRecords.end());
    mChanged = true;
}

}  // namespace tambrix
