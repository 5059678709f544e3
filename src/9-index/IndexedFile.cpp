#include "index/IndexedFile.h"

#include "catalog/ObjectSet.h"
#include "core/GameCharset.h"
#include "core/ResultCodes.h"
#include "core/TextBuffer.h"
#include "sets/GameFile.h"

namespace tambrix {

namespace {

/// The length of the UTF-8 sequence led by `lead`, or 0 for a byte that leads none.
size_t sequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool isUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        const size_t length = sequenceLength(lead);
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
        // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
        const uint8_t second = length > 1 ? static_cast<uint8_t>(text[i + 1]) : 0;
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
    }
    return true;
}

}  // namespace

IndexedKind IndexedKindOfName(std::string_view name) {
    // The kind comes from the opening entry, which tells every program's files apart.
    switch (KindOfName(name)) {
        case GameFileKind::kObject: return IndexedKind::kObject;
        case GameFileKind::kWall: return IndexedKind::kWall;
        case GameFileKind::kFloor: return IndexedKind::kFloor;
        case GameFileKind::kArchive: return IndexedKind::kArchive;
        default: return IndexedKind::kNone;
    }
}

std::string GameTextToUtf8(std::string_view text) {
    if (isUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const uint32_t code = CodePointOfGameByte(static_cast<uint8_t>(c));
        if (code < 0x80) {
            out += c;
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::unique_ptr<ResourceFile> OpenIndexedContainer(const std::string& name, int32_t& code) {
    GameFile located;
    code = located.Locate(name);
    if (code == rc::kOk) code = located.OpenAlone(GameFileAccess::kReadOnly);
    if (code != rc::kOk) return nullptr;
    std::unique_ptr<ResourceFile> file = located.TakeContainer();
    // Nothing opened here may be written; a container that opened writable after all is
    // closed unread, so that no completion can reach it.
    if (file->IsWritable()) {
        file->Close();
        code = rc::kIndexWritable;
        return nullptr;
    }
    return file;
}

IndexedFileRead ReadIndexedFile(const std::string& name, IndexedKind kind) {
    IndexedFileRead read;
    if (kind != IndexedKind::kObject) return read;
    int32_t code = rc::kOk;
    std::unique_ptr<ResourceFile> file = OpenIndexedContainer(name, code);
    if (!file) {
        read.problem = DescribeResult(code);
        return read;
    }
    ObjectSet set;
    set.SetResourceSet(std::move(file));
    set.Load(0);
    for (const ObjectRecord* record : set.Objects()) {
        IndexedObject object;
        if (record->CatalogFound()) {
            object.name = GameTextToUtf8(record->Name());
            object.description = GameTextToUtf8(record->Description());
        }
        object.price = record->Price();
        object.guid = record->Guid();
        for (const ObjectRecord* tile : record->Tiles()) object.tileGuids.push_back(tile->Guid());
        read.objects.push_back(std::move(object));
    }
    for (const auto& record : set.AllRecords())
        if (record->DisplayIndex() < 0 && !record->Master()) read.strayGuids.push_back(record->Guid());
    return read;
}

}  // namespace tambrix
