#pragma once

// A small JSON writer for the command-line tool's --json output.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace tambrix::tools {

/// A JSON string literal for 8-bit text. Bytes above 0x7F are taken as Latin-1, the
/// game's single-byte texts, and written as \u00XX so that the output stays valid UTF-8.
std::string JsonString(std::string_view text);

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

private:
    void beforeValue();

    std::ostream& mOut;
    bool mNeedComma = false;
    bool mAfterKey = false;
};

}  // namespace tambrix::tools
