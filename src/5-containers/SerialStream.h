#pragma once

#include <cstdint>

#include "core/DataBlock.h"
#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"

namespace tambrix {

class ResourceFile;

/// Walks a memory block in one of three modes, so that one serialization routine
/// sizes, writes and reads an object. In read mode the stream never passes its block:
/// a read that would pass the end fails, zeroes its target and marks the stream failed.
class SerialStream {
public:
    enum Mode : int32_t { kRead = 0, kWrite = 1, kMeasure = 2 };

    SerialStream(uint8_t* base, uint32_t size, Mode mode, uint16_t swap);
    /// A measuring stream: counts the bytes a write would need.
    static SerialStream MeasureStream() { return SerialStream(nullptr, 0, kMeasure, 0); }

    void Bytes(void* p, uint32_t count);
    void U16s(void* p, uint32_t count);
    void U32s(void* p, uint32_t count);
    /// 32-bit values never swapped.
    void RawU32s(void* p, uint32_t count);
    /// A NUL-terminated text; the position advances over it and its NUL, then to an even position.
    void Text(TextBuffer& text);

    Mode GetMode() const { return mMode; }
    bool IsReading() const { return mMode == kRead; }
    uint32_t Position() const { return mPosition; }
    uint32_t Size() const { return mSize; }
    bool Failed() const { return mFailed; }
    /// Whether the payload's values are to be swapped (stored in the other byte order).
    bool Swapped() const { return mSwap != 0; }

private:
    void Move(void* p, uint32_t count, uint32_t width, bool swap);

    uint8_t* mBase;
    uint32_t mSize;
    uint32_t mPosition = 0;
    Mode mMode;
    uint16_t mSwap;
    bool mFailed = false;
};

/// An object that travels through the 12-byte envelope.
class Serializable {
public:
    virtual ~Serializable();
    virtual void Serialize(SerialStream& stream, uint32_t version) = 0;
    /// The four-character type code, also the resource type it is stored under ("Rcon").
    virtual ResType Tag() const;
};

inline constexpr uint32_t kEnvelopeSize = 12;

/// Measures, allocates and writes the envelope and payload; null when memory is short.
DataBlock* SerializeToBlock(Serializable& object, uint32_t version);
/// Reads the object back; version (when given) receives the envelope's version.
/// Returns false when the block is too short for its envelope or the payload ran out.
bool DeserializeFromBlock(Serializable& object, const DataBlock* block, uint32_t* version);
/// 0, -1 when the block cannot be allocated, or the resource file's error.
int32_t StoreObject(Serializable& object, uint32_t version, ResourceFile& file, ResId id);
/// 0 or the resource file's error.
int32_t LoadObject(Serializable& object, ResourceFile& file, ResId id, uint32_t* version);
/// The conversion routine for enveloped bodies that are not in library order.
void EnvelopeConversion(uint8_t* body, uint32_t count);

}  // namespace tambrix
