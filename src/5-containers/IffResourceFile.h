#pragma once

#include <cstdint>

#include "containers/IffFileBase.h"
#include "core/TextBuffer.h"

namespace tambrix {

/// A resource file over an IFF container of version 2.0 or 2.5. Opens read-write when
/// it can and read-only otherwise; indexes the chunks from the resource map when the
/// file has a trustworthy one and by walking the chunks otherwise; changes chunks in
/// place, reuses freed space next-fit, and writes a fresh map when a changed version 2.5
/// file is closed (a 2.0 file has no place for one and is walked). A file that is never
/// changed is never written, and a changed one keeps its header but for the map offset.
class IffResourceFile : public IffFileBase {
public:
    IffResourceFile();
    ~IffResourceFile() override;

    int32_t Suspend() override;
    int32_t Resume() override;
    /// With a non-zero attribute, the entry carrying it, else the one with attribute 0.
    DataBlock* GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) override;
    int32_t AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t attribute,
                                bool libraryOrder) override;

private:
    int32_t writeNewHeader(FileStream& stream) override;
    int32_t readHeader() override;
    void readIndex() override;
    int32_t writeBack() override;
    void forgetFile() override {
        mMapOffset = iff::kNoMapOffset;
        mVersion = iff::kVersion25;
    }

    bool readMap(uint32_t offset);
    int32_t writeFileHeader(uint32_t mapOffset);
    int32_t beforeChunkWrite();
    int32_t writeMap();

    /// The map offset the header on disk holds.
    uint32_t mMapOffset = iff::kNoMapOffset;
    /// The version the header on disk states: 2.0 or 2.5.
    uint16_t mVersion = iff::kVersion25;
    FileNameText mRememberedPath;
};

}  // namespace tambrix
