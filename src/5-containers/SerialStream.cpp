#include "containers/SerialStream.h"

#include <bit>
#include <cstring>
#include <string_view>

#include "core/ResultCodes.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

// Library order is little-endian and an unswapped stream copies values as they lie in
// memory, so the host must be little-endian too.
static_assert(std::endian::native == std::endian::little, "library order is the host's byte order");

namespace {

// The 12-byte envelope in front of every serialized object:
//   offset 0  u8      swap flag: 0 payload in library order, 1 payload values to be swapped
//   offset 1  3 bytes 0
//   offset 4  u32     version handed to Serialize
//   offset 8  u32     tag (the object's type code)
//   offset 12 ...     payload
constexpr uint32_t kSwapFlagOffset = 0;
constexpr uint32_t kVersionOffset = 4;
constexpr uint32_t kTagOffset = 8;
constexpr uint8_t kSwappedPayload = 1;

/// StoreObject's answer when the object's block cannot be made.
constexpr int32_t kNoBlockForObject = -1;

uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void writeLe32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

void reverse4(uint8_t* p) {
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}

/// Copies count items of `width` bytes, reversing the bytes of each item when asked.
void copyItems(uint8_t* to, const uint8_t* from, uint32_t count, uint32_t width, bool reverse) {
    // One value as it lies, the common case of a map or a header, without a library call.
    if (count == 1 && !reverse && (width == 2 || width == 4)) {
        if (width == 2)
            std::memcpy(to, from, 2);
        else
            std::memcpy(to, from, 4);
        return;
    }
    if (!reverse || width == 1) {
        std::memmove(to, from, static_cast<size_t>(count) * width);
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        for (uint32_t b = 0; b < width; ++b) to[b] = from[width - 1 - b];
        to += width;
        from += width;
    }
}

/// The code an operation left behind: the file's last error, else a non-zero result.
int32_t errorOf(ResourceFile& file, int32_t result) {
    int32_t error = file.GetError();
    return error != rc::kOk ? error : result;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// SerialStream

SerialStream::SerialStream(uint8_t* base, uint32_t size, Mode mode, uint16_t swap)
    : mBase(base), mSize(base || mode == kMeasure ? size : 0), mMode(mode), mSwap(swap) {}

void SerialStream::Bytes(void* p, uint32_t count) { Move(p, count, 1, false); }
void SerialStream::U16s(void* p, uint32_t count) { Move(p, count, 2, mSwap != 0); }
void SerialStream::U32s(void* p, uint32_t count) { Move(p, count, 4, mSwap != 0); }
void SerialStream::RawU32s(void* p, uint32_t count) { Move(p, count, 4, false); }

void SerialStream::Move(void* p, uint32_t count, uint32_t width, bool swap) {
    const uint64_t total = static_cast<uint64_t>(count) * width;
    auto* memory = static_cast<uint8_t*>(p);
    switch (mMode) {
        case kMeasure:
            if (total > UINT32_MAX - mPosition) {
                mFailed = true;
                mPosition = UINT32_MAX;
                return;
            }
            mPosition += static_cast<uint32_t>(total);
            return;
        case kRead:
            // Never past the block: the target reads as zeros and the stream stays failed, so
            // that a caller can read everything and then check once.
            if (mFailed || total > mSize - mPosition || (!memory && total > 0)) {
                if (memory && total > 0) std::memset(memory, 0, static_cast<size_t>(total));
                mFailed = true;
                return;
            }
            if (total > 0) copyItems(memory, mBase + mPosition, count, width, swap);
            break;
        case kWrite:
            // A write pass that goes further than its measure pass must not run off the block.
            if (mFailed || total > mSize - mPosition || (!memory && total > 0)) {
                mFailed = true;
                return;
            }
            if (total > 0) copyItems(mBase + mPosition, memory, count, width, swap);
            break;
        default: mFailed = true; return;
    }
    mPosition += static_cast<uint32_t>(total);
}

void SerialStream::Text(TextBuffer& text) {
    // Stored as the characters and a NUL, then one pad byte when that leaves an odd position.
    switch (mMode) {
        case kMeasure: {
            uint64_t stored = static_cast<uint64_t>(text.Length()) + 1;
            stored += (mPosition + stored) & 1;
            if (stored > UINT32_MAX - mPosition) {
                mFailed = true;
                mPosition = UINT32_MAX;
                return;
            }
            mPosition += static_cast<uint32_t>(stored);
            return;
        }
        case kWrite: {
            uint32_t length = text.Length();
            uint32_t stored = length + 1;
            uint32_t pad = (mPosition + stored) & 1;
            if (mFailed || static_cast<uint64_t>(stored) + pad > mSize - mPosition) {
                mFailed = true;
                return;
            }
            if (length > 0) std::memcpy(mBase + mPosition, text.CStr(), length);
            mBase[mPosition + length] = '\0';
            // The pad byte carries no meaning and is left as the block holds it (a new
            // block's fill byte 0xA3), as stored files have it.
            mPosition += stored + pad;
            return;
        }
        case kRead: {
            if (mFailed) {
                text.Clear();
                return;
            }
            const uint8_t* start = mBase + mPosition;
            uint32_t available = mSize - mPosition;
            const void* nul = available > 0 ? std::memchr(start, '\0', available) : nullptr;
            if (!nul) {
                // The text runs to the block's end without its NUL: keep what is there (cut to
                // the buffer), stand at the end and fail.
                text.Assign(std::string_view(reinterpret_cast<const char*>(start), available));
                mPosition = mSize;
                mFailed = true;
                return;
            }
            uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - start);
            // The buffer keeps what fits; the position passes the whole stored text.
            text.Assign(std::string_view(reinterpret_cast<const char*>(start), length));
            mPosition += length + 1;
            // The pad byte of a text that ends the block may be missing: that is no fault.
            if ((mPosition & 1) && mPosition < mSize) ++mPosition;
            return;
        }
        default: mFailed = true; return;
    }
}

// ---------------------------------------------------------------------------------------
// Serializable and the envelope

Serializable::~Serializable() = default;

ResType Serializable::Tag() const { return MakeResType("Rcon"); }

DataBlock* SerializeToBlock(Serializable& object, uint32_t version) {
    SerialStream measure = SerialStream::MeasureStream();
    object.Serialize(measure, version);
    if (measure.Failed() || measure.Position() > UINT32_MAX - kEnvelopeSize) return nullptr;
    const uint32_t payload = measure.Position();

    DataBlock* block = NewDataBlock(payload + kEnvelopeSize);
    if (!block) return nullptr;
    std::memset(block->data, 0, kVersionOffset);
    writeLe32(block->data + kVersionOffset, version);
    writeLe32(block->data + kTagOffset, object.Tag());

    SerialStream write(block->data + kEnvelopeSize, payload, SerialStream::kWrite, 0);
    object.Serialize(write, version);
    // Measure and write passes that disagree would leave unwritten or lost bytes.
    if (write.Failed() || write.Position() != payload) {
        FreeDataBlock(block);
        return nullptr;
    }
    return block;
}

bool DeserializeFromBlock(Serializable& object, const DataBlock* block, uint32_t* version) {
    if (!block || !block->data || block->size < kEnvelopeSize) {
        if (version) *version = 0;
        return false;
    }
    // The flag byte is sign-extended: any non-zero flag means swapped values.
    auto swap = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(block->data[kSwapFlagOffset])));
    uint32_t storedVersion = readLe32(block->data + kVersionOffset);
    if (version) *version = storedVersion;
    SerialStream read(block->data + kEnvelopeSize, block->size - kEnvelopeSize, SerialStream::kRead, swap);
    object.Serialize(read, storedVersion);
    return !read.Failed();
}

int32_t StoreObject(Serializable& object, uint32_t version, ResourceFile& file, ResId id) {
    DataBlock* block = SerializeToBlock(object, version);
    if (!block) return kNoBlockForObject;

    LabelText noLabel;
    int32_t error = errorOf(file, file.AddResource(block, object.Tag(), id, noLabel, true));
    if (error != rc::kOk) {
        FreeDataBlock(block);  // the file did not take it
        return error;
    }
    error = errorOf(file, file.WriteResource(block));
    if (error != rc::kOk) {
        // Removing resets the file's last error; the write's error is the one to report.
        file.RemoveResource(block);
        return error;
    }
    error = errorOf(file, file.DetachResource(block));
    if (error != rc::kOk) return error;  // still the file's block: not ours to free
    FreeDataBlock(block);
    return rc::kOk;
}

int32_t LoadObject(Serializable& object, ResourceFile& file, ResId id, uint32_t* version) {
    DataBlock* block = file.GetResource(object.Tag(), id, EnvelopeConversion);
    if (!block) {
        // A file that finds nothing but reports no error must still not look like success.
        int32_t error = file.GetError();
        return error != rc::kOk ? error : rc::kNoSuchResource;
    }
    bool complete = DeserializeFromBlock(object, block, version);
    file.ReleaseResource(block);
    // A body shorter than its envelope or its payload is not the object asked for.
    return complete ? rc::kOk : rc::kChunkMismatch;
}

void EnvelopeConversion(uint8_t* body, uint32_t count) {
    if (!body || count < kEnvelopeSize) return;
    body[kSwapFlagOffset] = kSwappedPayload;
    reverse4(body + kVersionOffset);
    reverse4(body + kTagOffset);
}

}  // namespace tambrix
