#include "fileaccess/FileStream.h"

#include "core/ResultCodes.h"
#include "fileaccess/FileSystem.h"

namespace tambrix {

FileStream::~FileStream() {
    if (mHandle) Close();
}

int32_t FileStream::Open(const TextBuffer& name) {
    if (mHandle) return rc::kAlreadyOpen;
    FileSystem& files = FileSystem::Instance();
    mHandle = files.Open(name.CStr(), true);
    mOpenedForWriting = 1;
    if (!mHandle) {
        // A file we may not write (read-only, or inside an archive) still opens for reading.
        mOpenedForWriting = 0;
        mHandle = files.Open(name.CStr(), false);
    }
    return mHandle ? rc::kOk : rc::kIoFailed;
}

int32_t FileStream::Create(const TextBuffer& name) {
    if (mHandle) return rc::kAlreadyOpen;
    FileSystem& files = FileSystem::Instance();
    if (files.Exists(name.CStr())) return rc::kFileExists;
    return files.Create(name.CStr()) ? rc::kOk : rc::kCreateFailed;
}

int32_t FileStream::Delete(const TextBuffer& name) {
    if (mHandle) return rc::kAlreadyOpen;
    FileSystem& files = FileSystem::Instance();
    if (!files.Exists(name.CStr())) return rc::kNoSuchFile;
    return files.Delete(name.CStr()) ? rc::kOk : rc::kDeleteFailed;
}

int32_t FileStream::Close() {
    if (!mHandle) return rc::kNotOpen;
    FileSystem::Instance().Close(mHandle);
    mHandle = nullptr;
    mOpenedForWriting = 0;
    return rc::kOk;
}

int32_t FileStream::Read(void* buffer, uint32_t& count) {
    if (!mHandle) {
        count = 0;
        return rc::kNotOpen;
    }
    uint32_t asked = count;
    count = mHandle->Read(buffer, asked);
    return count < asked ? rc::kShortRead : rc::kOk;
}

DataBlock* FileStream::Lend(uint32_t offset, uint32_t count) {
    return mHandle ? mHandle->Lend(offset, count) : nullptr;
}

const uint8_t* FileStream::Peek(uint32_t offset, uint32_t count) {
    return mHandle ? mHandle->Peek(offset, count) : nullptr;
}

int32_t FileStream::Write(const void* buffer, uint32_t& count) {
    if (!mHandle) {
        count = 0;
        return rc::kNotOpen;
    }
    uint32_t asked = count;
    count = mHandle->Write(buffer, asked);
    return count < asked ? rc::kShortWrite : rc::kOk;
}

int32_t FileStream::Seek(uint32_t position) {
    if (!mHandle) return rc::kNotOpen;
    return mHandle->Seek(position) ? rc::kOk : rc::kShortRead;
}

int32_t FileStream::GetSize(uint32_t& size) {
    if (!mHandle) {
        size = 0;
        return rc::kNotOpen;
    }
    size = mHandle->GetSize();
    return rc::kOk;
}

int32_t FileStream::SetSize(uint32_t size) {
    if (!mHandle) return rc::kNotOpen;
    return mHandle->SetSize(size) ? rc::kOk : rc::kIoFailed;
}

int32_t FileStream::Flush() {
    if (!mHandle) return rc::kNotOpen;
    return mHandle->Flush() ? rc::kOk : rc::kIoFailed;
}

int32_t FileStream::GetName(TextBuffer& name) {
    if (!mHandle) return rc::kNotOpen;
    name.Assign(mHandle->GetName());
    return rc::kOk;
}

}  // namespace tambrix
