#include "catalog/ObjectSet.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "catalog/StringTable.h"
#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/DataBlock.h"
#include "graphics/Palette.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

namespace {

/// Old definition versions that are upgraded on load, and the version they become.
constexpr uint32_t kOldVersionA = 136;
constexpr uint32_t kOldVersionB = 137;
constexpr uint32_t kCurrentVersion = kObjectDefinitionVersion;

constexpr int kNameIndex = 1;  // in a "CTSS" table
constexpr int kDescriptionIndex = 2;

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

/// The resource ID of a block, sign-extended; 0 when the file cannot tell.
int32_t blockId(ResourceFile& file, DataBlock* block) {
    uint16_t id = 0;
    file.GetResID(block, id);
    return static_cast<int16_t>(id);
}

/// Brings definition data of any length and of the old versions to the 216 bytes of
/// the current version. Data beyond 216 bytes is cut, missing bytes are zero.
std::array<uint8_t, kObjectDefinitionSize> normaliseDefinition(const uint8_t* data, uint32_t size) {
    std::array<uint8_t, kObjectDefinitionSize> def{};
    if (data && size > 0) std::memcpy(def.data(), data, std::min(size, kObjectDefinitionSize));
    uint32_t version = readU32(def.data() + ObjectRecord::kVersionOffset);
    if (version == kOldVersionA || version == kOldVersionB) {
        writeU32(def.data() + ObjectRecord::kVersionOffset, kCurrentVersion);
        // Words the old data did not fully hold start out zero (a trailing odd byte
        // included).
        for (uint32_t word = size / 2; word < kObjectDefinitionWords; ++word) {
            def[2 * word] = 0;
            def[2 * word + 1] = 0;
        }
    }
    return def;
}

enum class TableCompletion : uint8_t { kWhole, kWritten, kPending, kFailed };

/// Gives a "CTSS" table that lacks string 1 or 2 in the current language empty ones,
/// and stores it back. A file that cannot be written is left as it is: the table is
/// pending then.
///
/// Only a table that was read whole is stored back: one in an encoding the decoder does
/// not know reads as empty, one whose decoding stopped early (a string past the end, a
/// bad count) reads short, and storing either would put empty strings over texts that
/// were never read. Packed (0xFFFC) tables are left as the later game wrote them.
TableCompletion completeCatalogTable(ResourceFile& file, int16_t catalogId) {
    StringTable table;
    table.SetSource(&file, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode, -1);
    if (table.Read(false, false) != rc::kOk) return TableCompletion::kWhole;
    if (!table.LastReadComplete() || table.LastEncoding() == StringTable::Encoding::kPacked)
        return TableCompletion::kWhole;
    bool added = false;
    for (int index : {kNameIndex, kDescriptionIndex}) {
        if (table.Get(index, StringTable::kCurrentLanguage)) continue;
        table.Insert(index, "", 0);
        table.SetComment(index, "", 0);
        added = true;
    }
    if (!added) return TableCompletion::kWhole;
    if (!file.IsWritable()) return TableCompletion::kPending;
    return table.Save() == rc::kOk ? TableCompletion::kWritten : TableCompletion::kFailed;
}

}  // namespace

// --- ObjectRecord

ObjectRecord::ObjectRecord(ObjectSet* set, int32_t id, std::string_view label) : mSet(set), mId(id), mLabel(label) {}

void ObjectRecord::SetDefinition(const uint8_t* data, uint32_t size) {
    mDefinition.fill(0);
    if (data && size > 0) std::memcpy(mDefinition.data(), data, std::min(size, kObjectDefinitionSize));
}

int16_t ObjectRecord::Word(uint32_t byteOffset) const {
    if (byteOffset > kObjectDefinitionSize - 2) return 0;
    return static_cast<int16_t>(mDefinition[byteOffset] | (mDefinition[byteOffset + 1] << 8));
}

uint32_t ObjectRecord::Version() const { return readU32(mDefinition.data() + kVersionOffset); }

uint32_t ObjectRecord::Guid() const { return readU32(mDefinition.data() + kGuidOffset); }

void ObjectRecord::SetGuid(uint32_t guid) { writeU32(mDefinition.data() + kGuidOffset, guid); }

// --- references

PaletteRef::PaletteRef() : palette(std::make_unique<Palette>()) {}
PaletteRef::~PaletteRef() = default;
PaletteRef::PaletteRef(PaletteRef&&) noexcept = default;
PaletteRef& PaletteRef::operator=(PaletteRef&&) noexcept = default;

// --- ObjectSet

ObjectSet::ObjectSet() = default;

ObjectSet::~ObjectSet() { Close(); }

void ObjectSet::SetResourceSet(std::unique_ptr<ResourceFile> file) {
    Close();
    mResourceSet = std::move(file);
}

void ObjectSet::Clear() {
    mCatalogTables = CatalogTableCounts{};
    mObjects.clear();
    mAllRecords.clear();
    mSprites.clear();
    mPalettes.clear();
    mDrawGroups.clear();
}

void ObjectSet::Close() {
    Clear();
    if (mResourceSet) {
        mResourceSet->Close();
        mResourceSet.reset();
    }
}

void ObjectSet::Load(uint8_t withGraphics) {
    Clear();
    mGraphicsLoaded = withGraphics;
    if (!mResourceSet) return;

    int16_t count = mResourceSet->CountResources(restype::kOBJD);
    for (int16_t i = 1; i > 0 && i <= count; ++i) loadRecord(i);
    linkTiles();
    if (withGraphics) loadGraphics();
}

void ObjectSet::loadRecord(int16_t index) {
    ResourceFile& file = *mResourceSet;
    DataBlock* block = file.GetIndResource(restype::kOBJD, index, nullptr);
    if (!block) return;  // an unreadable definition makes no record
    int32_t id = blockId(file, block);
    LabelText label;
    file.GetResName(block, label);

    auto record = std::make_unique<ObjectRecord>(this, id, label.View());
    auto def = normaliseDefinition(block->data, block->size);
    record->SetDefinition(def.data(), kObjectDefinitionSize);
    file.ReleaseResource(block);

    int16_t catalogId = record->CatalogStringsId();
    switch (completeCatalogTable(file, catalogId)) {
        case TableCompletion::kWhole: break;
        case TableCompletion::kWritten: ++mCatalogTables.written; break;
        case TableCompletion::kPending: ++mCatalogTables.pending; break;
        case TableCompletion::kFailed: ++mCatalogTables.failed; break;
    }
    if (CatalogText(record->mName, record->mDescription, &file, catalogId, true) == rc::kOk) {
        record->mCatalogFound = 1;
    } else {
        record->mName = kNameUndefined;
        record->mDescription = kNameUndefined;
        record->mCatalogFound = 0;
    }
    mAllRecords.push_back(std::move(record));
}

void ObjectSet::linkTiles() {
    // The first master of each master ID, in enumeration order.
    std::unordered_map<int16_t, ObjectRecord*> masters;
    for (auto& r : mAllRecords)
        if (r->IsMaster()) masters.try_emplace(r->MasterId(), r.get());

    for (auto& r : mAllRecords) {
        if (r->MasterId() == 0 || r->SubIndex() == ObjectRecord::kMasterSubIndex) {
            r->mDisplayIndex = static_cast<int32_t>(mObjects.size());
            mObjects.push_back(r.get());
            continue;
        }
        // A tile whose master is missing is neither shown nor drawn.
        auto m = masters.find(r->MasterId());
        if (m == masters.end()) continue;
        r->mMaster = m->second;
        m->second->mTiles.push_back(r.get());
    }
}

void ObjectSet::loadGraphics() {
    ResourceFile& file = *mResourceSet;
    // Calls fn(block, id, label) for every resource of the type, in enumeration order.
    auto each = [&file](ResType type, auto&& fn) {
        int16_t count = file.CountResources(type);
        for (int16_t i = 1; i > 0 && i <= count; ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) continue;
            LabelText label;
            file.GetResName(block, label);
            fn(block, blockId(file, block), label);
            file.ReleaseResource(block);
        }
    };

    each(restype::kDGRP, [this](DataBlock*, int32_t id, const LabelText& label) {
        DrawGroupRef ref;
        ref.set = this;
        ref.id = id;
        ref.label = label;
        mDrawGroups.push_back(ref);
    });
    for (ResType type : {restype::kSPR, restype::kSPR2}) {
        each(type, [this, type](DataBlock*, int32_t id, const LabelText& label) {
            SpriteRef ref;
            ref.set = this;
            ref.type = type;
            ref.id = id;
            ref.label = label;
            mSprites.push_back(ref);
        });
    }
    each(restype::kPALT, [this](DataBlock* block, int32_t id, const LabelText& label) {
        PaletteRef ref;
        ref.set = this;
        ref.id = id;
        ref.label = label;
        ref.palette->LoadFromChunk(block->data, block->size);
        mPalettes.push_back(std::move(ref));
    });
}

const Palette* ObjectSet::FindPalette(int32_t id) const {
    for (const PaletteRef& ref : mPalettes)
        if (ref.id == id) return ref.palette.get();
    return nullptr;
}

int32_t ObjectSet::CatalogText(std::string& name, std::string& description, ResourceFile* resourceSet,
                               int16_t catalogId, bool anyLanguage) {
    name.clear();
    description.clear();
    if (!resourceSet) return -1;

    if (DataBlock* block = resourceSet->GetResource(restype::kCATS, catalogId, nullptr)) {
        // "CATS": the description, NUL, then the name, NUL. A text not terminated inside
        // the block runs to the block's end.
        ByteReader in(block->data, block->size);
        description = in.ReadTextToEnd();
        if (!in.AtEnd()) name = in.ReadTextToEnd();
        resourceSet->ReleaseResource(block);
        return rc::kOk;
    }

    auto text = [](const char* s) { return std::string(s ? s : ""); };
    StringTable table;
    table.SetSource(resourceSet, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode, -1);
    int32_t result = table.Read(false, false);
    if (result == rc::kOk) {
        name = text(table.Get(kNameIndex, StringTable::kCurrentLanguage));
        description = text(table.Get(kDescriptionIndex, StringTable::kCurrentLanguage));
    }
    if (anyLanguage && name.empty()) {
        result = table.Read(true, false);
        name = text(table.FindInAnyLanguage(kNameIndex, nullptr));
        description = text(table.FindInAnyLanguage(kDescriptionIndex, nullptr));
    }
    return result;
}

std::vector<uint8_t> EncodeObjectDefinition(const ObjectDefinition& d) {
    ByteWriter w;
    w.Fill(kObjectDefinitionSize, 0);
    w.PatchU32(ObjectRecord::kVersionOffset, d.version);
    w.PatchU32(ObjectRecord::kGuidOffset, d.guid);
    const std::pair<uint32_t, int16_t> words[] = {
        {ObjectRecord::kBaseGraphicIdOffset, d.baseGraphic},
        {ObjectRecord::kGraphicCountOffset, d.graphicCount},
        {ObjectRecord::kMasterIdOffset, d.masterId},
        {ObjectRecord::kSubIndexOffset, d.subIndex},
        {ObjectRecord::kPriceOffset, d.price},
        {ObjectRecord::kCatalogStringsIdOffset, d.catalogId},
        {ObjectRecord::kLevelOffset, d.level},
        {ObjectRecord::kDynamicSpriteBaseIdOffset, d.dynamicBase},
        {ObjectRecord::kDynamicSpriteCountOffset, d.dynamicCount},
    };
    for (const auto& [offset, value] : words) w.PatchU16(offset, static_cast<uint16_t>(value));
    return w.Take();
}

bool ReadDefinitionGuid(const uint8_t* body, uint32_t size, uint32_t& guid) {
    guid = 0;
    if (!body || size < ObjectRecord::kGuidOffset + 4) return false;
    guid = readU32(body + ObjectRecord::kGuidOffset);
    return true;
}

bool WriteDefinitionGuid(uint8_t* body, uint32_t size, uint32_t guid) {
    if (!body || size < ObjectRecord::kGuidOffset + 4) return false;
    writeU32(body + ObjectRecord::kGuidOffset, guid);
    return true;
}

std::string GuidText(uint32_t guid) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(guid >> shift) & 0xF];
    return text;
}

std::vector<uint8_t> EncodeCatalogStrings(const std::string& name, const std::string& description) {
    ByteWriter w;
    w.CString(description).CString(name);
    return w.Take();
}

}  // namespace tambrix
