#pragma once

#include <cstdint>

#include "core/DataBlock.h"
#include "core/TextBuffer.h"

namespace tambrix {

class FileHandle;

/// The file of one container resource file. Wraps at most one FileHandle and turns
/// every operation into a result code (rc::kOk for success, see core/ResultCodes.h).
class FileStream {
public:
    FileStream() = default;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    /// Closes the handle if one is open.
    virtual ~FileStream();

    /// Read-write first; falls back to read-only (IsOpenedForWriting() then false).
    /// kAlreadyOpen; kIoFailed when neither open succeeded.
    int32_t Open(const TextBuffer& name);
    /// Creates an empty file and leaves the stream closed. kAlreadyOpen; kFileExists;
    /// kCreateFailed.
    int32_t Create(const TextBuffer& name);
    /// kAlreadyOpen when the stream is open; kNoSuchFile; kDeleteFailed.
    int32_t Delete(const TextBuffer& name);
    /// kNotOpen.
    int32_t Close();
    /// count in: bytes asked; out: bytes read. kNotOpen; kShortRead for fewer bytes than asked
    /// (the position still advances over the bytes read).
    int32_t Read(void* buffer, uint32_t& count);
    /// The `count` bytes at `offset` as a block lent from the file held in memory, without
    /// a copy (see FileHandle::Lend); null when they cannot be lent and must be read.
    DataBlock* Lend(uint32_t offset, uint32_t count);
    /// The `count` bytes at `offset` to look at without a copy while the stream is open
    /// (see FileHandle::Peek); null when they must be read.
    const uint8_t* Peek(uint32_t offset, uint32_t count);
    /// count in: bytes to write; out: bytes written. kNotOpen; kShortWrite.
    int32_t Write(const void* buffer, uint32_t& count);
    /// Position from the start. kNotOpen; kShortRead when the seek failed (past the end).
    int32_t Seek(uint32_t position);
    int32_t GetSize(uint32_t& size);
    /// kNotOpen; kIoFailed.
    int32_t SetSize(uint32_t size);
    /// kNotOpen; kIoFailed.
    int32_t Flush();
    /// Copies the handle's normalised name. kNotOpen.
    int32_t GetName(TextBuffer& name);
    bool IsOpen() const { return mHandle != nullptr; }
    bool IsOpenedForWriting() const { return mOpenedForWriting != 0; }

private:
    FileHandle* mHandle = nullptr;
    uint8_t mOpenedForWriting = 0;
};

}  // namespace tambrix
