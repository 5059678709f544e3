#include "containers/IffResourceFile.h"

#include <memory>

namespace tambrix {

using namespace iff;

namespace {
constexpr ResId kMapId = 0;
constexpr uint32_t kMapVersion = 0;
}  // namespace

IffResourceFile::IffResourceFile() : IffFileBase(ChunkLayout::kModern) {
    mSpace.SetWriteGuard([this] { return beforeChunkWrite(); });
}

IffResourceFile::~IffResourceFile() {
    if (IsOpen()) Close();
}

// ---- the file and its map ------------------------------------------------------

// A new file is a version 2.5 header without a map and no chunks.
int32_t IffResourceFile::writeNewHeader(FileStream& stream) { return iff::WriteNewFileHeader(stream); }

int32_t IffResourceFile::readHeader() {
    FileHeaderInfo info;
    int32_t r = ReadFileHeader(mStream, info);
    mMapOffset = r == rc::kOk ? info.mapOffset : kNoMapOffset;
    mVersion = r == rc::kOk ? info.version : kVersion25;
    return r;
}

void IffResourceFile::readIndex() {
    if (mMapOffset == kNoMapOffset || !readMap(mMapOffset)) walk();
    mIndex.RemoveGroup(kMapType);
}

bool IffResourceFile::readMap(uint32_t offset) {
    ChunkHeader header;
    if (mSpace.ReadHeader(offset, header) != rc::kOk || header.IsFree() || header.type != kMapType) return false;
    DataBlock* data = nullptr;
    uint16_t flags = header.flags;
    if (loadBody(kMapType, offset, header.flags, flags, data, nullptr) != rc::kOk || !data) return false;
    std::unique_ptr<DataBlock, void (*)(DataBlock*)> body(data, FreeDataBlock);

    ResourceMap map(mIndex);
    if (!map.Read(*body)) return false;  // counts or labels ran past the body
    mSpace.freeBytes = mIndex.freeBytes;
    // A map that lists a map of its own cannot be the one written for this file.
    if (findById(kMapType, kMapId, 0)) {
        mIndex.groups.clear();
        return false;
    }
    return true;
}

int32_t IffResourceFile::writeBack() {
    if (!mStream.IsOpenedForWriting()) return rc::kOk;
    int32_t r = rc::kOk;
    // A resource added but never written counts as a change too: without it an
    // addition to an otherwise untouched file would be dropped on close.
    if (mChanged || anyAwaitingWrite()) r = Update();
    // A header still naming a map (its zeroing failed) keeps the file from compaction.
    if (r == rc::kOk && mMapOffset == kNoMapOffset) r = compactIfWorthIt();
    // A version 2.0 header has no map offset: its bytes 60-63 belong to the creator
    // text, which stays as the file's maker wrote it, so such a file is walked on every
    // open and gets no map.
    if (r == rc::kOk && mChanged && mVersion == kVersion25) r = writeMap();
    return r;
}

int32_t IffResourceFile::writeMap() {
    mIndex.RemoveGroup(kMapType);
    mIndex.freeBytes = mSpace.freeBytes;
    ResourceMap map(mIndex);
    DataBlock* block = SerializeToBlock(map, kMapVersion);
    if (!block) return rc::kNoMemory;
    LabelText noLabel;
    if (AddResource(block, kMapType, kMapId, noLabel, true) != rc::kOk) {
        FreeDataBlock(block);
        return GetError();
    }
    if (WriteResource(block) != rc::kOk) return GetError();
    ResourceEntry* entry = findById(kMapType, kMapId, 0);
    if (!entry || entry->offset == kNoOffset) return rc::kOk;
    return writeFileHeader(entry->offset);
}

// Before the first header write of a session the header's map offset goes to 0, so
// that a file caught half-written is walked rather than trusted to a stale map.
int32_t IffResourceFile::beforeChunkWrite() {
    mChanged = true;
    if (mMapOffset != kNoMapOffset) return writeFileHeader(kNoMapOffset);
    return rc::kOk;
}

int32_t IffResourceFile::writeFileHeader(uint32_t mapOffset) {
    if (mMapOffset != kNoMapOffset) {
        // The old map becomes free space, but only when it really is a map: a header
        // whose offset points elsewhere must not turn a resource into free space.
        const uint32_t old = mMapOffset;
        mMapOffset = kNoMapOffset;
        ChunkHeader header;
        int32_t r = mSpace.ReadHeader(old, header);
        if (r == rc::kOk && header.type == kMapType && !header.IsFree())
            r = mSpace.ReleaseChunk(old, kMapType);
        else
            r = rc::kOk;
        mMapOffset = old;
        if (r != rc::kOk) return r;
    }
    int32_t r = iff::WriteMapOffset(mStream, mapOffset);
    if (r != rc::kOk) return r;
    r = mStream.Flush();
    mMapOffset = mapOffset;
    mChanged = true;
    return r;
}

int32_t IffResourceFile::Suspend() {
    if (!IsOpen()) return finish(rc::kNotOpen);
    FileNameText name;
    mStream.GetName(name);
    int32_t r = Close();
    mRememberedPath.Assign(name);
    return finish(r);
}

int32_t IffResourceFile::Resume() {
    FileNameText path(mRememberedPath);
    mRememberedPath.Clear();
    if (path.Length() == 0) return finish(rc::kIoFailed);
    // Closing let the search position go: the next search starts at the first chunk.
    return finish(Open(path));
}

// ---- attributes ----------------------------------------------------------------

DataBlock* IffResourceFile::GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) {
    if (!beginOp()) return nullptr;
    return load(type, findById(type, id, attribute), convert);
}

int32_t IffResourceFile::AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label,
                                             uint8_t attribute, bool libraryOrder) {
    return addResource(block, type, id, label, attribute, libraryOrder);
}

}  // namespace tambrix
