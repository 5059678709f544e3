#pragma once

#include <cstdint>
#include <memory>

#include "core/TextBuffer.h"
#include "containers/IffFileBase.h"
#include "containers/ResourceMap.h"

namespace tambrix {

/// A resource file over an IFF container of version 2.0 or 2.5. Opens read-write when
/// it can and read-only otherwise; indexes the chunks from the resource map when the
/// file has a trustworthy one and by walking the chunks otherwise; changes chunks in
/// place, reuses freed space next-fit, and writes a fresh map when a changed file is
/// closed. A file that is never changed is never written.
class IffResourceFile : public IffFileBase {
public:
    IffResourceFile();
    ~IffResourceFile() override;

    int32_t Create(const TextBuffer& name) override;
    int32_t Open(const TextBuffer& name) override;
    int32_t Suspend() override;
    int32_t Resume() override;
    int32_t Close() override;
    int32_t Update() override;
    int16_t CountTypes() override;
    ResType GetIndType(int16_t index) override;
    int16_t CountResources(ResType type) override;
    DataBlock* GetResource(ResType type, ResId id, ConversionRoutine convert) override;
    DataBlock* GetNamedResource(ResType type, const TextBuffer& label, ConversionRoutine convert) override;
    DataBlock* GetIndResource(ResType type, int16_t index, ConversionRoutine convert) override;
    /// With a non-zero attribute, the entry carrying it, else the one with attribute 0.
    DataBlock* GetResourceWithAttr(ResType type, ResId id, uint8_t attribute, ConversionRoutine convert) override;
    int32_t AddResource(DataBlock* block, ResType type, ResId id, const TextBuffer& label, bool libraryOrder) override;
    int32_t AddResourceWithAttr(DataBlock* block, ResType type, ResId id, const TextBuffer& label, uint8_t attribute,
                                bool libraryOrder) override;
    int32_t WriteResource(DataBlock* block) override;
    int32_t RemoveResource(DataBlock* block) override;
    int32_t SetResInfo(DataBlock* block, ResId id, const TextBuffer& label, uint8_t attribute) override;

    /// Squeezes every free chunk and every old map out of the file, moving the other
    /// chunks down. Runs on its own at Close when much space is free.
    int32_t Compact();

private:
    bool describe(const DataBlock* block, EntryFacts& facts) override;
    int32_t detachBody(const DataBlock* block) override;
    bool labelTaken(ResType type, std::string_view label) override;
    std::vector<int32_t> idsOf(ResType type) override;
    bool hasIndex() const override;

    struct Found {
        ResourceTypeGroup* group = nullptr;
        ResourceEntry* entry = nullptr;
    };

    Found findByBlock(const DataBlock* block);
    ResourceEntry* findById(ResType type, int32_t id, uint8_t attribute);
    ResourceEntry* findByLabel(ResType type, std::string_view label);
    DataBlock* load(ResType type, ResourceEntry* entry, ConversionRoutine convert);
    bool readMap(uint32_t offset);
    void walk();
    int32_t writeFileHeader(uint32_t mapOffset);
    int32_t beforeChunkWrite();
    int32_t writeMap();

    std::unique_ptr<ResourceIndex> mIndex;
    uint32_t mMapOffset = 0;
    bool mDirty = false;
    FileNameText mRememberedPath;
};

}  // namespace tambrix
