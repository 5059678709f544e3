#pragma once

// A small JSON writer for the command-line tool's --json output.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace tambrix::tools {

/// A JSON string literal for 8-bit text. Bytes above 0x7F are taken as Windows-1252,
/// the game's single-byte texts, and written as \uXXXX escapes so that the output stays
/// valid UTF-8; with `utf8` the text is UTF-8 already and they are written as they are.
std::string JsonString(std::string_view text, bool utf8 = false);

/// Writes an object or array with commas placed for the caller.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : mOut(out) {}
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    /// The key of the next value inside an object.
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Number(int64_t value);
    JsonWriter& Bool(bool value);
    /// A text already in UTF-8: its bytes past ASCII are written as they are.
    JsonWriter& Utf8(std::string_view value);
    JsonWriter& Null();

private:
    void beforeValue();

    std::ostream& mOut;
    bool mNeedComma = false;
    bool mAfterKey = false;
};

}  // namespace tambrix::tools
