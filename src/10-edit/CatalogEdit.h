#pragma once

// Changing what the catalog shows of an object: its name and description in one language
// and its price. The file is written as a whole new version beside it and put in its
// place in one step (StagedFile): a failed save leaves it as it was.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tambrix {

class ResourceFile;

/// What to change; an empty optional leaves that text or the price as it is.
struct CatalogChange {
    std::string file;         ///< an object file on disk, outside the game's own folders
    int32_t object = 0;       ///< top-level object, 0-based (as the form lists them)
    int32_t language = 0;     ///< one of the 20 language tables of a "CTSS" table, 0..19
    std::optional<std::string> name;         ///< UTF-8
    std::optional<std::string> description;  ///< UTF-8
    std::optional<int32_t> price;
};

/// Checks a change before anything is read or written: the place (CheckWritePlace), the
/// language, the price range and the texts' characters. kOk or the code that refuses it.
int32_t CheckCatalogChange(const CatalogChange& change);

/// Writes the change: the object's catalog table (the chosen language of a "CTSS" table;
/// a "CATS" table has one language) and the price in its definition. Every other byte of
/// the file stays as it is. kOk, a refusal of CheckCatalogChange, kNoSuchFile,
/// kEditNotObjectFile, kNotWritable (the file cannot be written), kEditNoObject,
/// kEditCatalogUnsafe, or the code of a failed write (the file is then unchanged).
int32_t ApplyCatalogChange(const CatalogChange& change);

/// What the catalog shows of one object in one language, as an editor starts from.
struct CatalogTexts {
    std::string name;         ///< UTF-8
    std::string description;  ///< UTF-8
    int32_t price = 0;
    /// Whether the object's table holds one language only (a "CATS" table): a change in
    /// any language then changes that one.
    bool oneLanguage = false;
    /// Whether the object has catalog texts at all; without, both texts are empty (a
    /// save makes its table).
    bool found = false;
};

/// Reads object `object`'s texts in `language` (0..19) and its price, read-only, from an
/// object file on disk or inside an archive. A language without texts of its own gives
/// the first language's, as the game shows it. kOk, kEditLanguage, kNoSuchFile,
/// kEditNotObjectFile, kEditNoObject, or the code of a failed read.
int32_t ReadCatalogTexts(const std::string& file, int32_t object, int32_t language, CatalogTexts& texts);

/// The name of one of the 20 languages of a "CTSS" table ("English (US)"); empty outside 0..19.
const char* CatalogLanguageName(int32_t language);

/// Sets the texts of catalog table `catalogId` of an open, writable file in one language
/// (game bytes, already converted); null leaves a text. A "CATS" table is changed whole,
/// a "CTSS" table only in that language, and one that does not exist is made. kOk,
/// kEditCatalogUnsafe for a table that was not read whole, or the file's write error.
int32_t WriteCatalogTexts(ResourceFile& file, int16_t catalogId, uint8_t language, const std::string* name,
                          const std::string* description);

/// The languages of a "CTSS" table that hold a name of their own (string 1); language 0
/// alone when the table has none or is not there.
std::vector<uint8_t> CatalogNameLanguages(ResourceFile& file, int16_t catalogId);

}  // namespace tambrix
