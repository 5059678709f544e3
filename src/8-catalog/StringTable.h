#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ResourceTypes.h"
#include "core/TextBuffer.h"

namespace tambrix {

class ResourceFile;

/// One string of a language table: the value, its comment (either may be null) and
/// the language the value was set for.
struct StringTableEntry {
    std::unique_ptr<char[]> value;
    std::unique_ptr<char[]> comment;
    /// The language table the value was set for; 0 when it was copied from table 0 to
    /// fill another language; 255 in a newly made empty entry.
    uint8_t sourceLanguage = 255;
};

/// A multi-language string table read from and written to a resource file. Decodes
/// "STR#", "CTSS" and caret text ("CST") resources into 20 language tables and stores
/// the whole table back in the multi-language binary format.
///
/// Indexes are 1-based. A language argument of kCurrentLanguage (255) means the
/// current language; any other value must be 0..19 (others are refused: nothing is
/// changed and nothing is found).
class StringTable {
public:
    static constexpr int kLanguageCount = 20;
    static constexpr uint8_t kCurrentLanguage = 255;
    /// Source language of an entry that has never been set.
    static constexpr uint8_t kNoLanguage = 255;
    static constexpr uint8_t kBinaryMode = 0;
    static constexpr uint8_t kTextMode = 1;

    /// The encoding of a block, as the last Read found it.
    enum class Encoding : uint8_t {
        kNone,           ///< no block decoded: no Read yet, or the last Read failed
        kCaretText,      ///< caret-delimited text
        kPlain,          ///< 0xFFFF: strings
        kCommented,      ///< 0xFFFE: (string, comment) pairs
        kMultiLanguage,  ///< 0xFFFD: (language, string, comment), NUL-terminated texts
        kPacked,         ///< 0xFFFC: language sets of length-prefixed (string, comment) pairs
        kCountPrefixed,  ///< 1..32767: that many length-byte strings
        kUnknown,        ///< any other code, or a block too short to hold one
    };

    StringTable();
    virtual ~StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;

    /// Names the resource; a negative language selects the language setting's code - 1.
    void SetSource(ResourceFile* source, uint16_t id, ResType type, uint8_t textMode, int8_t language);
    /// Reads binary "STR#" `id`, and failing that caret text "CST" `id`.
    int32_t Load(ResourceFile* source, uint16_t id, bool allLanguages);
    /// 0, -1 without an open source, or the source's error for a failed load.
    int32_t Read(bool allLanguages, bool fallback);
    /// Merges this table into the stored one and writes it in the multi-language format.
    int32_t Save();

    /// The encoding of the block the last Read decoded (kNone after a failed Read).
    Encoding LastEncoding() const { return mLastEncoding; }
    /// Whether the last Read took in its whole block: a known encoding, no count below
    /// zero, every counted string inside the block and nothing but fill (0xA3 or 0) after
    /// the last, every entry naming one of the 20 language tables, no length-prefixed
    /// text holding a NUL, no caret string left open. Only such a table can be stored
    /// back without losing texts; Read itself succeeds either way.
    bool LastReadComplete() const { return mLastReadComplete; }

    const char* Get(int index, uint8_t language) const;
    const char* GetComment(int index, uint8_t language) const;
    /// 1 <= index <= count + 1; count + 1 appends. text must not be null (null reads as "").
    void Set(int index, const char* text, uint8_t language);
    /// 1 <= index <= count; a null text clears the comment.
    void SetComment(int index, const char* text, uint8_t language);
    /// Inserts at index (clamped to 1..count + 1), moving later entries up.
    void Insert(int index, const char* text, uint8_t language);
    /// The first language 0..19 that has string `index`; stores it in *language.
    const char* FindInAnyLanguage(int index, uint8_t* language) const;
    void ClearLanguage(uint8_t language);
    void ClearAll();

    /// Number of entries of a language table (0 for a refused language).
    int Count(uint8_t language) const;
    /// The source language of entry `index`, or kNoLanguage outside the table.
    uint8_t SourceLanguage(int index, uint8_t language) const;

    ResourceFile* Source() const { return mSource; }
    const TextBuffer& Label() const { return mLabel; }
    TextBuffer& Label() { return mLabel; }
    uint16_t Id() const { return mId; }
    ResType Type() const { return mType; }
    uint8_t TextModeFlag() const { return mTextMode; }
    uint8_t CurrentLanguage() const { return mCurrentLanguage; }

    /// The process-wide language code (1, never changed).
    static uint8_t LanguageSetting();

private:
    using Table = std::vector<StringTableEntry>;

    /// The table for a language argument, or null when it is out of range.
    Table* tableFor(uint8_t language);
    const Table* tableFor(uint8_t language) const;
    uint8_t resolve(uint8_t language) const;
    void setSourceLanguage(int index, uint8_t language, uint8_t source);
    void setText(int index, std::string_view text, uint8_t language);
    void setCommentText(int index, std::string_view text, uint8_t language);
    void insertText(int index, std::string_view text, uint8_t language);

    struct CodedEntry;
    /// Each decoder answers whether it took in the whole block (LastReadComplete).
    bool decodeText(const uint8_t* data, uint32_t size);
    bool decodeBinary(const uint8_t* data, uint32_t size, bool allLanguages, bool fallback);
    /// Places the entries of the two multi-language encodings into the language tables.
    void placeEntries(const std::vector<CodedEntry>& entries, bool allLanguages, bool fallback);
    /// Appends a decoded string at the running index of the current language (and of
    /// table 0 when the current language is another).
    void insertDecoded(int index, std::string_view text, const std::string_view* comment);

    ResourceFile* mSource = nullptr;
    char mLabelStorage[kLabelCapacity] = {};
    TextBuffer mLabel{mLabelStorage, kLabelCapacity};
    uint16_t mId = 0;
    ResType mType = 0;
    uint8_t mTextMode = kBinaryMode;
    uint8_t mCurrentLanguage = 0;
    std::array<Table, kLanguageCount> mTables;
    Encoding mLastEncoding = Encoding::kNone;
    bool mLastReadComplete = false;
};

/// Puts a string-table body that was stored big-endian into library order, in place:
/// swaps bytes 0 and 1, and when the format code then reads 0xFFFF also the count. A
/// body starting FC FF is left as it is (0xFFFC tables exist only little-endian).
void StringTableConversion(uint8_t* body, uint32_t count);

/// One string of a multi-language table, for writing one.
struct LanguageString {
    uint8_t languageCode = 1;  ///< 1 = the first language
    std::string value;
    std::string comment;
};

/// The multi-language format: u16 0xFFFD, u16 count, then per entry the language code,
/// the value and the comment, each NUL-terminated. Entries must come grouped by language.
std::vector<uint8_t> EncodeLanguageStrings(const std::vector<LanguageString>& entries);
/// The plain list format: u16 0xFFFF, i16 count, NUL-terminated strings.
std::vector<uint8_t> EncodePlainStrings(const std::vector<std::string>& strings);
/// A caret text: each string between two carets, one a line.
std::vector<uint8_t> EncodeCaretText(const std::vector<std::string>& strings);

/// String `index` (1-based) of string table `tableId` of the file in the current
/// language, or an empty text: every resource file answers it through its string tables.
void GetIndString(ResourceFile& file, TextBuffer& text, int16_t tableId, int16_t index);

}  // namespace tambrix
