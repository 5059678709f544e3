#include "catalog/StringTable.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "core/DataBlock.h"
#include "resfile/ResourceFile.h"

namespace tambrix {

namespace {

/// Format codes: the first signed 16-bit value of a binary table. Positive values are
/// the string count of the count-prefixed format.
constexpr int16_t kFormatPlain = -1;          // 0xFFFF: strings
constexpr int16_t kFormatCommented = -2;      // 0xFFFE: (string, comment) pairs
constexpr int16_t kFormatMultiLanguage = -3;  // 0xFFFD: (language, string, comment)
constexpr int16_t kFormatPacked = -4;         // 0xFFFC: language sets of length-prefixed pairs
constexpr uint16_t kMultiLanguageCode = 0xFFFD;

/// The two bytes of the count-prefixed format that stand for other characters.
constexpr char kOldCharO = static_cast<char>(0xA1);
constexpr char kNewCharO = 'o';
constexpr char kOldApostrophe = static_cast<char>(0xD5);
constexpr char kNewApostrophe = '\'';

constexpr char kCaret = '^';

/// Bytes a stored entry is charged for beyond its two texts: the language byte and two
/// NULs, and one byte more that is never written (it keeps the block's fill byte).
constexpr uint64_t kEntryOverhead = 4;
constexpr uint32_t kHeaderSize = 4;  // format code and entry count
/// The most entries a stored table can count (a signed 16-bit number).
constexpr size_t kMaxEntries = INT16_MAX;

/// The language code the process runs in; tables address it as code - 1.
constexpr uint8_t kLanguageSettingCode = 1;

std::unique_ptr<char[]> copyText(std::string_view text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    if (!text.empty()) std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

std::string_view viewOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

/// A length-prefixed text of the packed format: the length as a varint (7 bits a byte,
/// low bits first, the high bit set on every byte but the last), then that many bytes.
/// False when the varint runs past its five bytes or past the block, or the text past
/// the block.
bool readPacked(ByteReader& in, std::string_view& text) {
    constexpr int kMaxVarintBytes = 5;  // 35 bits hold any 32-bit length
    constexpr int kBitsPerByte = 7;
    constexpr uint8_t kValueBits = 0x7F;
    constexpr uint8_t kMoreFollows = 0x80;
    uint64_t length = 0;
    for (int i = 0;; ++i) {
        uint8_t byte = 0;
        if (i == kMaxVarintBytes || !in.ReadU8(byte)) return false;
        length |= static_cast<uint64_t>(byte & kValueBits) << (kBitsPerByte * i);
        if (!(byte & kMoreFollows)) break;
    }
    if (length > in.Remaining()) return false;
    return in.ReadBytes(static_cast<uint32_t>(length), text);
}

/// Whether nothing but fill follows the last counted string: the 0xA3 bytes a saved
/// table ends in, or zeros. Anything else may be texts that a wrong count hid.
bool onlyFillFollows(ByteReader& in) {
    constexpr std::string_view kFill("\xA3\0", 2);
    std::string_view rest;
    in.ReadBytes(in.Remaining(), rest);
    return rest.find_first_not_of(kFill) == std::string_view::npos;
}

/// Whether a length-prefixed text survives as one of the table's NUL-terminated copies.
bool keepsWhole(std::string_view text) { return text.find('\0') == std::string_view::npos; }

}  // namespace

struct StringTable::CodedEntry {
    uint8_t language;  // the language table: the code in the data - 1
    std::string_view value;
    std::string_view comment;
};

StringTable::StringTable() = default;
StringTable::~StringTable() = default;

uint8_t StringTable::LanguageSetting() { return kLanguageSettingCode; }

void StringTable::SetSource(ResourceFile* source, uint16_t id, ResType type, uint8_t textMode, int8_t language) {
    mSource = source;
    mId = id;
    mType = type;
    mTextMode = textMode;
    mCurrentLanguage = language < 0 ? static_cast<uint8_t>(LanguageSetting() - 1) : static_cast<uint8_t>(language);
}

uint8_t StringTable::resolve(uint8_t language) const {
    return language == kCurrentLanguage ? mCurrentLanguage : language;
}

StringTable::Table* StringTable::tableFor(uint8_t language) {
    uint8_t l = resolve(language);
    return l < kLanguageCount ? &mTables[l] : nullptr;
}

const StringTable::Table* StringTable::tableFor(uint8_t language) const {
    uint8_t l = resolve(language);
    return l < kLanguageCount ? &mTables[l] : nullptr;
}

int StringTable::Count(uint8_t language) const {
    const Table* table = tableFor(language);
    return table ? static_cast<int>(table->size()) : 0;
}

uint8_t StringTable::SourceLanguage(int index, uint8_t language) const {
    const Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return kNoLanguage;
    return (*table)[index - 1].sourceLanguage;
}

void StringTable::setSourceLanguage(int index, uint8_t language, uint8_t source) {
    Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return;
    (*table)[index - 1].sourceLanguage = source;
}

const char* StringTable::Get(int index, uint8_t language) const {
    const Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return nullptr;
    return (*table)[index - 1].value.get();
}

const char* StringTable::GetComment(int index, uint8_t language) const {
    const Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return nullptr;
    return (*table)[index - 1].comment.get();
}

void StringTable::Set(int index, const char* text, uint8_t language) { setText(index, viewOf(text), language); }

void StringTable::setText(int index, std::string_view text, uint8_t language) {
    Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size()) + 1) return;
    if (index == static_cast<int>(table->size()) + 1) table->emplace_back();
    StringTableEntry& entry = (*table)[index - 1];
    entry.value = copyText(text);
    entry.sourceLanguage = resolve(language);
}

void StringTable::SetComment(int index, const char* text, uint8_t language) {
    if (text) {
        setCommentText(index, text, language);
        return;
    }
    Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return;
    (*table)[index - 1].comment = nullptr;
}

void StringTable::setCommentText(int index, std::string_view text, uint8_t language) {
    Table* table = tableFor(language);
    if (!table || index < 1 || index > static_cast<int>(table->size())) return;
    (*table)[index - 1].comment = copyText(text);
}

void StringTable::Insert(int index, const char* text, uint8_t language) { insertText(index, viewOf(text), language); }

void StringTable::insertText(int index, std::string_view text, uint8_t language) {
    Table* table = tableFor(language);
    if (!table) return;
    int count = static_cast<int>(table->size());
    index = std::clamp(index, 1, count + 1);
    table->insert(table->begin() + (index - 1), StringTableEntry{});
    setText(index, text, language);
}

const char* StringTable::FindInAnyLanguage(int index, uint8_t* language) const {
    for (uint8_t l = 0; l < kLanguageCount; ++l) {
        if (const char* text = Get(index, l)) {
            if (language) *language = l;
            return text;
        }
    }
    return nullptr;
}

void StringTable::ClearLanguage(uint8_t language) {
    if (Table* table = tableFor(language)) table->clear();
}

void StringTable::ClearAll() {
    for (Table& table : mTables) table.clear();
}

int32_t StringTable::Load(ResourceFile* source, uint16_t id, bool allLanguages) {
    SetSource(source, id, restype::kSTR, kBinaryMode, -1);
    if (Read(allLanguages, true) == rc::kOk) return rc::kOk;
    SetSource(source, id, restype::kCST, kTextMode, -1);
    return Read(allLanguages, true);
}

int32_t StringTable::Read(bool allLanguages, bool fallback) {
    if (!mSource || !mSource->IsOpen()) return -1;
    mLabel.Clear();
    ClearAll();
    mLastEncoding = Encoding::kNone;
    mLastReadComplete = false;

    ConversionRoutine convert = mTextMode == kBinaryMode ? &StringTableConversion : nullptr;
    DataBlock* block = mSource->GetResource(mType, static_cast<ResId>(mId), convert);
    if (!block) {
        // A container that ran out of memory for the body hands out no block and may
        // still report success; that is no table.
        int32_t error = mSource->GetError();
        return error != rc::kOk ? error : rc::kNoMemory;
    }
    mSource->GetResName(block, mLabel);

    if (mTextMode == kBinaryMode) {
        mLastReadComplete = decodeBinary(block->data, block->size, allLanguages, fallback);
    } else {
        mLastEncoding = Encoding::kCaretText;
        mLastReadComplete = decodeText(block->data, block->size);
    }
    mSource->ReleaseResource(block);

    if (allLanguages) {
        int c0 = Count(0);
        for (uint8_t l = 1; l < kLanguageCount && c0 >= 1; ++l) {
            if (!mTables[l].empty()) continue;
            for (int i = 1; i <= c0; ++i) {
                Set(i, Get(i, 0), l);
                setSourceLanguage(i, l, 0);
            }
        }
    }
    return rc::kOk;
}

void StringTable::insertDecoded(int index, std::string_view text, const std::string_view* comment) {
    insertText(index, text, mCurrentLanguage);
    if (comment) setCommentText(index, *comment, mCurrentLanguage);
    if (mCurrentLanguage != 0) {
        insertText(index, text, 0);
        if (comment) setCommentText(index, *comment, 0);
    }
}

bool StringTable::decodeText(const uint8_t* data, uint32_t size) {
    // Caret text: each string stands between an opening and a closing '^'. Text between
    // strings and an unclosed last string are ignored; "^^" is an empty string.
    int running = 0;
    bool inString = false;
    uint32_t start = 0;
    for (uint32_t pos = 0; pos < size; ++pos) {
        if (data[pos] != static_cast<uint8_t>(kCaret)) continue;
        if (!inString) {
            inString = true;
            start = pos + 1;
            continue;
        }
        ++running;
        insertDecoded(running, std::string_view(reinterpret_cast<const char*>(data + start), pos - start), nullptr);
        inString = false;
    }
    return !inString;
}

bool StringTable::decodeBinary(const uint8_t* data, uint32_t size, bool allLanguages, bool fallback) {
    // Every format starts with a little-endian i16 code. The counts that follow are
    // trusted only as far as the block reaches: decoding stops at the first string (or
    // entry) that does not lie wholly inside the block, keeping what was read before it,
    // and the read counts as incomplete; so does one whose counted strings are followed
    // by anything but fill.
    ByteReader in(data, size);
    int16_t format = 0;
    if (!in.ReadI16(format)) {
        mLastEncoding = Encoding::kUnknown;
        return false;
    }

    if (format == kFormatPlain || format == kFormatCommented) {
        // code, i16 count, then count strings (or count value/comment pairs), each NUL-terminated
        mLastEncoding = format == kFormatPlain ? Encoding::kPlain : Encoding::kCommented;
        int16_t count = 0;
        if (!in.ReadI16(count)) return false;
        bool commented = format == kFormatCommented;
        for (int i = 1; i <= count; ++i) {
            std::string_view value, comment;
            if (!in.ReadCString(value)) return false;
            if (commented && !in.ReadCString(comment)) return false;
            insertDecoded(i, value, commented ? &comment : nullptr);
        }
        return count >= 0 && onlyFillFollows(in);
    }

    if (format == kFormatMultiLanguage) {
        // code, i16 count, then count entries: u8 language code, value, comment (NUL-terminated)
        mLastEncoding = Encoding::kMultiLanguage;
        int16_t count = 0;
        if (!in.ReadI16(count)) return false;
        std::vector<CodedEntry> entries;
        bool whole = count >= 0;
        for (int i = 0; i < count; ++i) {
            uint8_t code = 0;
            CodedEntry entry{};
            if (!in.ReadU8(code) || !in.ReadCString(entry.value) || !in.ReadCString(entry.comment)) {
                whole = false;
                break;
            }
            entry.language = static_cast<uint8_t>(code - 1);
            entries.push_back(entry);
        }
        placeEntries(entries, allLanguages, fallback);
        return whole && onlyFillFollows(in) && std::all_of(entries.begin(), entries.end(), [](const CodedEntry& e) {
                   return e.language < kLanguageCount;
               });
    }

    if (format == kFormatPacked) {
        // The later game's tables:
        //   u8 number of language sets; per set: u16 number of pairs; per pair:
        //   u8 language (code - 1), value, comment, each a varint length and that many bytes.
        mLastEncoding = Encoding::kPacked;
        uint8_t sets = 0;
        if (!in.ReadU8(sets)) return false;
        std::vector<CodedEntry> entries;
        bool whole = true;
        for (int set = 0; set < sets && whole; ++set) {
            uint16_t pairs = 0;
            if (!in.ReadU16(pairs)) {
                whole = false;
                break;
            }
            for (int i = 0; i < pairs; ++i) {
                // No more entries than a saved table can count: beyond that, tables whose
                // languages keep changing would cost quadratic time to place.
                CodedEntry entry{};
                if (entries.size() == kMaxEntries || !in.ReadU8(entry.language) || !readPacked(in, entry.value) ||
                    !readPacked(in, entry.comment)) {
                    whole = false;
                    break;
                }
                entries.push_back(entry);
            }
        }
        placeEntries(entries, allLanguages, fallback);
        return whole && onlyFillFollows(in) && std::all_of(entries.begin(), entries.end(), [](const CodedEntry& e) {
                   return e.language < kLanguageCount && keepsWhole(e.value) && keepsWhole(e.comment);
               });
    }

    if (format >= 1) {
        // The code is the count; each string is a length byte and that many bytes.
        mLastEncoding = Encoding::kCountPrefixed;
        bool whole = true;
        for (int i = 1; i <= format; ++i) {
            uint8_t length = 0;
            std::string_view bytes;
            if (!in.ReadU8(length) || !in.ReadBytes(length, bytes)) return false;
            whole = whole && keepsWhole(bytes);
            std::string text(bytes);
            std::replace(text.begin(), text.end(), kOldCharO, kNewCharO);
            std::replace(text.begin(), text.end(), kOldApostrophe, kNewApostrophe);
            insertDecoded(i, text, nullptr);
        }
        return whole && onlyFillFollows(in);
    }
    // 0 and other negative codes: an empty table.
    mLastEncoding = Encoding::kUnknown;
    return false;
}

void StringTable::placeEntries(const std::vector<CodedEntry>& entries, bool allLanguages, bool fallback) {
    // Entries come grouped by language; a change of language restarts the index.
    int k = 0;
    uint8_t previous = kNoLanguage;
    for (const CodedEntry& entry : entries) {
        const uint8_t l = entry.language;
        // Codes 0 and above 20 name no language table: such entries are skipped whole
        // (code 0 would otherwise read as "the current language").
        if (l >= kLanguageCount) continue;
        if (l != previous) {
            k = 0;
            previous = l;
        }
        if (l != mCurrentLanguage && !allLanguages) continue;
        ++k;
        insertText(k, entry.value, l);
        setCommentText(k, entry.comment, l);
    }

    // Count() rather than the table itself: a current language named outside 0..19
    // has no table.
    if (Count(kCurrentLanguage) == 0 && fallback) {
        int j = 1;
        for (const CodedEntry& entry : entries) {
            if (entry.language != 0) continue;
            insertText(j, entry.value, mCurrentLanguage);
            setCommentText(j, entry.comment, mCurrentLanguage);
            ++j;
        }
    }
}

int32_t StringTable::Save() {
    if (!mSource || !mSource->IsOpen()) return -1;

    // The stored table, merged with this one: stored strings beyond this table's count,
    // and every stored language, remain.
    StringTable stored;
    stored.SetSource(mSource, mId, mType, kBinaryMode, static_cast<int8_t>(mCurrentLanguage));
    if (mType == restype::kCST || mType == 0) {
        // This table is stored as a binary "STR#": merge with the one already there,
        // else with the caret text it came from (read as text, not as binary).
        stored.SetSource(mSource, mId, restype::kSTR, kBinaryMode, static_cast<int8_t>(mCurrentLanguage));
        if (stored.Read(true, true) != rc::kOk && mType == restype::kCST) {
            stored.SetSource(mSource, mId, restype::kCST, kTextMode, static_cast<int8_t>(mCurrentLanguage));
            stored.Read(true, true);
        }
    } else {
        stored.Read(true, true);
    }

    const uint8_t current = mCurrentLanguage;
    const int count = Count(current);
    for (int i = 1; i <= count; ++i) {
        stored.Set(i, Get(i, current), current);
        if (const char* comment = GetComment(i, current)) stored.SetComment(i, comment, current);
    }
    for (int i = 1; i <= count; ++i) {
        for (uint8_t l = 1; l < kLanguageCount; ++l) {
            if (i <= stored.Count(l)) stored.SetComment(i, stored.GetComment(i, 0), l);
        }
    }
    for (uint8_t l = 1; l < kLanguageCount; ++l) {
        for (int i = stored.Count(l) + 1; i <= stored.Count(0); ++i) {
            stored.Set(i, stored.Get(i, 0), l);
            stored.setSourceLanguage(i, l, 0);
            if (const char* comment = stored.GetComment(i, 0)) stored.SetComment(i, comment, l);
        }
    }
    // A language that holds only copies of table 0 is not stored.
    for (uint8_t l = 1; l < kLanguageCount; ++l) {
        const Table& table = stored.mTables[l];
        bool own =
            std::any_of(table.begin(), table.end(), [](const StringTableEntry& e) { return e.sourceLanguage != 0; });
        if (!own) stored.ClearLanguage(l);
    }

    // Layout (EncodeLanguageStrings): per language 0..19 in order and per entry in index
    // order the language code, the value and the comment. One fill byte per entry is left
    // over at the end of the block.
    std::vector<LanguageString> entries;
    uint64_t size = kHeaderSize;
    for (int l = 0; l < kLanguageCount; ++l) {
        for (const StringTableEntry& e : stored.mTables[l]) {
            const std::string_view value = viewOf(e.value.get());
            const std::string_view comment = viewOf(e.comment.get());
            size += value.size() + comment.size() + kEntryOverhead;
            entries.push_back({static_cast<uint8_t>(l + 1), std::string(value), std::string(comment)});
        }
    }
    // The entry count is read back as a signed 16-bit number.
    if (size > std::numeric_limits<uint32_t>::max() || entries.size() > kMaxEntries) return rc::kNoMemory;
    const std::vector<uint8_t> bytes = EncodeLanguageStrings(entries);
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(size));
    if (!block) return rc::kNoMemory;
    std::memcpy(block->data, bytes.data(), bytes.size());

    if (mType == 0 || mType == restype::kCST) {
        // A caret text file is stored back as a binary "STR#" (and read as one from now on).
        mType = restype::kSTR;
        mTextMode = kBinaryMode;
    }

    mSource->AddResource(block, mType, static_cast<ResId>(mId), mLabel, true);
    if (int32_t error = mSource->GetError(); error != rc::kOk) {
        // The file did not take the block: it is still ours to free.
        FreeDataBlock(block);
        return error;
    }
    // From here on the block belongs to the file until it is released.
    mSource->WriteResource(block);
    if (int32_t error = mSource->GetError(); error != rc::kOk) return error;
    mSource->ReleaseResource(block);
    return mSource->GetError();
}

void StringTableConversion(uint8_t* body, uint32_t count) {
    constexpr uint32_t kCodeSize = 2;
    constexpr uint32_t kCodeAndCountSize = 4;
    if (!body || count < kCodeSize) return;
    // The later game writes 0xFFFC tables little-endian only, and its chunks may lack the
    // library-order mark: FC FF is already in order (swapped it would read 0xFCFF, no
    // format at all; nor does any big-endian table start FC FF).
    if (body[0] == 0xFC && body[1] == 0xFF) return;
    std::swap(body[0], body[1]);
    if (body[0] == 0xFF && body[1] == 0xFF && count >= kCodeAndCountSize) std::swap(body[2], body[3]);
}

std::vector<uint8_t> EncodeLanguageStrings(const std::vector<LanguageString>& entries) {
    ByteWriter w;
    w.U16(kMultiLanguageCode).U16(static_cast<uint16_t>(entries.size()));
    for (const LanguageString& e : entries) w.U8(e.languageCode).CString(e.value).CString(e.comment);
    return w.Take();
}

std::vector<uint8_t> EncodePlainStrings(const std::vector<std::string>& strings) {
    ByteWriter w;
    w.I16(kFormatPlain).I16(static_cast<int16_t>(strings.size()));
    for (const std::string& s : strings) w.CString(s);
    return w.Take();
}

std::vector<uint8_t> EncodeCaretText(const std::vector<std::string>& strings) {
    ByteWriter w;
    for (const std::string& s : strings) w.U8(kCaret).Text(s).U8(kCaret).U8('\n');
    return w.Take();
}

void GetIndString(ResourceFile& file, TextBuffer& text, int16_t tableId, int16_t index) {
    StringTable table;
    // A missing table simply leaves the text empty.
    table.Load(&file, static_cast<uint16_t>(tableId), false);
    text.Clear();
    if (index >= 1 && index <= table.Count(StringTable::kCurrentLanguage)) {
        if (const char* value = table.Get(index, StringTable::kCurrentLanguage)) text.Assign(value);
    }
}

}  // namespace tambrix
