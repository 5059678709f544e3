#include "containers/IffFileBase.h"

#include <algorithm>

namespace tambrix {

using namespace iff;

int16_t IffFileBase::clampCount(size_t n) { return static_cast<int16_t>(std::min<size_t>(n, INT16_MAX)); }

int32_t IffFileBase::finish(int32_t code) {
    SetError(code);
    return code;
}

bool IffFileBase::beginOp() {
    if (!mStream.IsOpen() || !hasIndex()) {
        SetError(rc::kNotOpen);
        return false;
    }
    SetError(rc::kOk);
    return true;
}

bool IffFileBase::beginChange() {
    if (!beginOp()) return false;
    if (!mStream.IsOpenedForWriting()) {
        SetError(rc::kNotWritable);
        return false;
    }
    return true;
}

// ---- files ---------------------------------------------------------------------

int32_t IffFileBase::Delete(const TextBuffer& name) {
    if (IsOpen()) return finish(rc::kAlreadyOpen);
    return finish(mStream.Delete(name));
}

bool IffFileBase::IsWritable() { return mStream.IsOpenedForWriting(); }

int32_t IffFileBase::GetPath(TextBuffer& name) {
    name.Clear();
    return finish(mStream.GetName(name));
}

bool IffFileBase::IsOpen() { return mStream.IsOpen(); }

// ---- bodies --------------------------------------------------------------------

int32_t IffFileBase::loadBody(ResType type, uint32_t offset, uint16_t storedFlags, uint16_t& flags, DataBlock*& data,
                              ConversionRoutine convert) {
    if (data) return rc::kOk;
    if (offset == kNoOffset) return rc::kChunkMismatch;  // detached before it was ever written
    const uint32_t headerSize = mSpace.HeaderBytes();
    ChunkHeader header;
    int32_t r = mSpace.ReadHeader(offset, header);
    if (r != rc::kOk) return r;
    if (header.type != type || header.size < headerSize || header.size - headerSize > MaxChunkSize(mSpace.Layout()))
        return rc::kChunkMismatch;
    const uint32_t bodySize = header.size - headerSize;
    uint32_t fileSize = 0;
    r = mStream.GetSize(fileSize);
    if (r != rc::kOk) return r;
    const uint64_t bodyEnd = uint64_t{offset} + headerSize + bodySize;
    if (bodyEnd > fileSize) return rc::kShortRead;  // the body runs past the end of the file
    // A size that runs over another listed chunk (a cut chunk with new chunks behind
    // the old end) would hand out that chunk's bytes as this body.
    if (mSpace.CoversListedChunk(offset, bodyEnd)) return rc::kChunkMismatch;
    DataBlock* block = NewDataBlock(bodySize);
    if (!block) return rc::kNoMemory;
    if (bodySize > 0) {
        r = ReadAt(mStream, offset + headerSize, block->data, bodySize);
        if (r != rc::kOk) {
            FreeDataBlock(block);
            return r;
        }
    }
    if (!(storedFlags & kFlagLibraryOrder) && convert) {
        convert(block->data, block->size);
        flags |= kFlagLibraryOrder;
    }
    data = block;
    return rc::kOk;
}

// ---- answers about one resource ------------------------------------------------

void IffFileBase::GetResName(DataBlock* block, TextBuffer& label) {
    label.Clear();
    if (!beginOp()) return;
    EntryFacts facts;
    if (!describe(block, facts)) {
        SetError(rc::kNoSuchResource);
        return;
    }
    label.Assign(facts.label);
}

ResType IffFileBase::GetResType(DataBlock* block) {
    if (!beginOp()) return 0;
    EntryFacts facts;
    if (!describe(block, facts)) {
        SetError(rc::kNoSuchResource);
        return 0;
    }
    return facts.type;
}

int32_t IffFileBase::GetResID(DataBlock* block, uint16_t& id) {
    if (!beginOp()) return GetError();
    EntryFacts facts;
    if (!describe(block, facts)) return finish(rc::kNoSuchResource);
    id = facts.id;
    return rc::kOk;
}

int32_t IffFileBase::GetResAux(DataBlock* /*block*/, uint16_t& aux) {
    aux = 0;
    if (!beginOp()) return GetError();
    return finish(rc::kUnsupported);
}

uint8_t IffFileBase::GetResAttrs(DataBlock* block) {
    if (!beginOp()) return 0;
    EntryFacts facts;
    if (!describe(block, facts)) {
        SetError(rc::kNoSuchResource);
        return 0;
    }
    return facts.attribute;
}

void IffFileBase::UniqueName(ResType type, TextBuffer& label) {
    if (!beginOp()) return;
    PickUniqueName(label, [this, type](std::string_view text) { return labelTaken(type, text); });
}

ResId IffFileBase::UniqueID(ResType type) {
    if (!beginOp()) return 0;
    return PickUniqueId(idsOf(type));
}

int32_t IffFileBase::DetachResource(DataBlock* block) {
    if (!beginOp()) return GetError();
    EntryFacts facts;
    if (!describe(block, facts)) return finish(rc::kNoSuchLabel);
    // A body that cannot be written stays with the file, which tries again on close;
    // handing it over would drop the change while answering success.
    if (facts.awaitsWrite && WriteResource(block) != rc::kOk) return GetError();
    return finish(detachBody(block));
}

int32_t IffFileBase::ReservedOp(DataBlock* /*block*/) {
    if (!beginOp()) return GetError();
    return finish(rc::kUnsupported);
}

bool IffFileBase::IsLibraryOrder(DataBlock* block) {
    if (!beginOp()) return true;
    EntryFacts facts;
    if (!describe(block, facts)) {
        SetError(rc::kNoSuchLabel);
        return true;
    }
    return (facts.flags & kFlagLibraryOrder) != 0;
}

int32_t IffFileBase::SetResID(DataBlock* block, ResId id) {
    LabelText label;
    GetResName(block, label);
    if (GetError() != rc::kOk) return GetError();
    uint8_t attribute = GetResAttrs(block);
    if (GetError() != rc::kOk) return GetError();
    return SetResInfo(block, id, label, attribute);
}

}  // namespace tambrix
