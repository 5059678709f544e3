#include "edit/CatalogEdit.h"

#include <limits>
#include <memory>

#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "core/ByteReader.h"
#include "core/ResultCodes.h"
#include "core/GameText.h"
#include "edit/ResourceBody.h"
#include "edit/StagedFile.h"
#include "sets/WritePlace.h"
#include "platform/PlatformFile.h"
#include "resfile/ResourceFile.h"
#include "sets/GameFile.h"

namespace tambrix {

namespace {

constexpr int kNameIndex = 1;  // in a "CTSS" table
constexpr int kDescriptionIndex = 2;
// A file is copied whole in memory; no object file comes near this.
constexpr uint32_t kMaxCopiedSize = 256u << 20;

}  // namespace

int32_t ReadWholeFile(const GameFile& file, std::vector<uint8_t>& bytes) {
    const int32_t code = file.ReadHead(bytes, kMaxCopiedSize + 1);
    if (code != rc::kOk) return code;
    if (bytes.size() > kMaxCopiedSize) {
        bytes.clear();
        return rc::kEditTooLarge;
    }
    return rc::kOk;
}

std::vector<uint8_t> CatalogNameLanguages(ResourceFile& file, int16_t catalogId) {
    StringTable table;
    table.SetSource(&file, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode, 0);
    std::vector<uint8_t> languages;
    if (table.Read(true, false) == rc::kOk)
        for (uint8_t l = 0; l < StringTable::kLanguageCount; ++l)
            if (table.Count(l) >= kNameIndex && table.SourceLanguage(kNameIndex, l) == l) languages.push_back(l);
    if (languages.empty()) languages.push_back(0);
    return languages;
}

int32_t WriteCatalogTexts(ResourceFile& file, int16_t catalogId, uint8_t language, const std::string* name,
                          const std::string* description) {
    if (!name && !description) return rc::kOk;
    if (DataBlock* block = file.GetResource(restype::kCATS, catalogId, nullptr)) {
        // "CATS": the description, then the name; one language only.
        ByteReader in(block->data, block->size);
        const std::string oldDescription(in.ReadTextToEnd());
        const std::string oldName(in.AtEnd() ? std::string_view() : in.ReadTextToEnd());
        return ReplaceResourceBody(file, block, EncodeCatalogStrings(name ? *name : oldName,
                                                                     description ? *description : oldDescription));
    }
    StringTable table;
    table.SetSource(&file, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode,
                    static_cast<int8_t>(language));
    DataBlock* stored = file.GetResource(restype::kCTSS, catalogId, nullptr);
    const bool exists = stored != nullptr;
    if (stored) file.ReleaseResource(stored);
    if (exists) {
        // Saving merges with the stored table: only one read whole keeps every text.
        StringTable whole;
        whole.SetSource(&file, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode, 0);
        if (whole.Read(true, false) != rc::kOk || !whole.LastReadComplete()) return rc::kEditCatalogUnsafe;
        if (table.Read(false, false) != rc::kOk) return rc::kEditCatalogUnsafe;
    }
    // The name comes before the description: a table that lacks the name gets an empty one.
    if (table.Count(language) < kNameIndex) table.Set(kNameIndex, name ? name->c_str() : "", language);
    if (name) table.Set(kNameIndex, name->c_str(), language);
    if (description) table.Set(kDescriptionIndex, description->c_str(), language);
    const int32_t saved = table.Save();
    return saved == -1 ? rc::kNotOpen : saved;
}

const char* CatalogLanguageName(int32_t language) {
    // The order of the language tables in a multi-language string table.
    static const char* const kNames[StringTable::kLanguageCount] = {
        "English (US)", "English (UK)", "French",   "German",  "Italian",    "Spanish",
        "Dutch",        "Danish",       "Swedish",  "Norwegian", "Finnish",  "Hebrew",
        "Russian",      "Portuguese",   "Japanese", "Polish",  "Chinese (Simplified)",
        "Chinese (Traditional)", "Thai", "Korean"};
    if (language < 0 || language >= StringTable::kLanguageCount) return "";
    return kNames[language];
}

int32_t ReadCatalogTexts(const std::string& path, int32_t object, int32_t language, CatalogTexts& texts) {
    texts = CatalogTexts();
    if (language < 0 || language >= StringTable::kLanguageCount) return rc::kEditLanguage;
    if (object < 0) return rc::kEditNoObject;
    GameFile source;
    int32_t code = source.Locate(path);
    if (code != rc::kOk) return code == rc::kNoFileKind ? rc::kNoSuchFile : code;
    if (source.Kind() != GameFileKind::kObject) return rc::kEditNotObjectFile;
    if ((code = source.OpenAlone(GameFileAccess::kReadOnly)) != rc::kOk) return code;
    ObjectSet set;
    set.SetResourceSet(source.TakeContainer());
    set.Load(0);
    if (object >= static_cast<int32_t>(set.Objects().size())) return rc::kEditNoObject;
    const ObjectRecord* record = set.Objects()[static_cast<size_t>(object)];
    texts.price = record->Price();
    texts.found = record->CatalogFound() != 0;
    ResourceFile* file = set.ResourceSet();
    const int16_t catalogId = record->CatalogStringsId();
    std::string name, description;
    if (DataBlock* block = file->GetResource(restype::kCATS, catalogId, nullptr)) {
        file->ReleaseResource(block);
        texts.oneLanguage = true;
        ObjectSet::CatalogText(name, description, file, catalogId, false);
    } else {
        StringTable table;
        table.SetSource(file, static_cast<uint16_t>(catalogId), restype::kCTSS, StringTable::kBinaryMode, 0);
        if (table.Read(true, true) == rc::kOk) {
            const auto l = static_cast<uint8_t>(language);
            if (const char* text = table.Get(kNameIndex, l)) name = text;
            if (const char* text = table.Get(kDescriptionIndex, l)) description = text;
        }
    }
    texts.name = GameTextToUtf8(name);
    texts.description = GameTextToUtf8(description);
    return rc::kOk;
}

int32_t CheckCatalogChange(const CatalogChange& change) {
    if (const int32_t place = CheckWritePlace(change.file); place != rc::kOk) return place;
    if (change.language < 0 || change.language >= StringTable::kLanguageCount) return rc::kEditLanguage;
    if (change.object < 0) return rc::kEditNoObject;
    if (change.price && (*change.price < std::numeric_limits<int16_t>::min() ||
                         *change.price > std::numeric_limits<int16_t>::max()))
        return rc::kEditPriceRange;
    std::string converted;
    for (const auto* text : {&change.name, &change.description})
        if (*text && Utf8ToGameText(**text, converted) != rc::kOk) return rc::kEditBadText;
    return rc::kOk;
}

int32_t ApplyCatalogChange(const CatalogChange& change) {
    if (const int32_t checked = CheckCatalogChange(change); checked != rc::kOk) return checked;
    std::string name, description;
    if (change.name) Utf8ToGameText(*change.name, name);
    if (change.description) Utf8ToGameText(*change.description, description);

    GameFile source;
    int32_t code = source.Locate(change.file);
    if (source.State() == GamePathState::kArchiveEntry) return rc::kEditInArchive;
    if (code != rc::kOk) return code == rc::kNoFileKind ? rc::kNoSuchFile : code;
    if (source.Kind() != GameFileKind::kObject) return rc::kEditNotObjectFile;
    // A file the host would not let us write is not replaced behind its back.
    platform::NativeFile* probe = platform::OpenFile(source.Path(), platform::OpenMode::ReadWriteExisting);
    if (!probe) return rc::kNotWritable;
    platform::CloseFile(probe);

    // Which record and table: read from the file as it is, read-only.
    int32_t recordId = 0;
    int16_t catalogId = 0;
    {
        code = source.OpenAlone(GameFileAccess::kReadOnly);
        if (code != rc::kOk) return code;
        ObjectSet set;
        set.SetResourceSet(source.TakeContainer());
        set.Load(0);
        if (change.object >= static_cast<int32_t>(set.Objects().size())) return rc::kEditNoObject;
        const ObjectRecord* record = set.Objects()[static_cast<size_t>(change.object)];
        recordId = record->Id();
        catalogId = record->CatalogStringsId();
    }

    std::vector<uint8_t> bytes;
    if ((code = ReadWholeFile(source, bytes)) != rc::kOk) return code;
    StagedFile staged;
    if ((code = staged.Stage(source.Path(), bytes)) != rc::kOk) return code;
    staged.KeepPermissionsOf(source.Path());
    std::unique_ptr<ResourceFile> file;
    if ((code = staged.Open(file)) != rc::kOk) return code;

    if (change.price) {
        DataBlock* block = file->GetResource(restype::kOBJD, static_cast<ResId>(recordId), nullptr);
        if (!block) code = rc::kEditNoObject;
        if (block && block->size < ObjectRecord::kPriceOffset + 2) {
            file->ReleaseResource(block);
            code = rc::kEditShortDefinition;
        } else if (block) {
            std::vector<uint8_t> body(block->data, block->data + block->size);
            const auto price = static_cast<uint16_t>(static_cast<int16_t>(*change.price));
            body[ObjectRecord::kPriceOffset] = static_cast<uint8_t>(price & 0xFF);
            body[ObjectRecord::kPriceOffset + 1] = static_cast<uint8_t>(price >> 8);
            code = ReplaceResourceBody(*file, block, body);
        }
    }
    if (code == rc::kOk)
        code = WriteCatalogTexts(*file, catalogId, static_cast<uint8_t>(change.language), change.name ? &name : nullptr,
                                 change.description ? &description : nullptr);
    const int32_t closed = file->Close();
    if (code == rc::kOk) code = closed;
    if (code != rc::kOk) return code;  // the staged file goes with `staged`
    return staged.Commit(true);
}

}  // namespace tambrix
