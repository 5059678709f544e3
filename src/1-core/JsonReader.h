#pragma once
// A small, bounded JSON reader for the files the library writes itself and people may
// have edited since (the sprite export's list). It reads the whole grammar, but refuses
// texts over a size, nesting deeper than a bound and numbers that are not integers of
// 64 bits, with the line of the fault; it never throws.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tambrix {

/// Largest text read, and deepest nesting of arrays and objects.
inline constexpr size_t kMaxJsonBytes = 64u << 20;
inline constexpr int kMaxJsonDepth = 64;

class JsonValue {
public:
    enum class Kind : uint8_t { Null, Bool, Number, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    int64_t number = 0;
    /// A string's bytes: \u escapes below 0x100 become that byte, higher ones UTF-8.
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue, std::less<>> members;

    bool IsObject() const { return kind == Kind::Object; }
    bool IsArray() const { return kind == Kind::Array; }
    /// The member of that name, or null when there is none (or this is no object).
    const JsonValue* Find(std::string_view key) const;
};

/// A JSON string literal of 8-bit text that ParseJson gives back byte for byte: quotes,
/// backslashes, control bytes and bytes above 0x7F are written as escapes.
std::string JsonQuoted(std::string_view bytes);

/// Parses `text` into `out`; false with `error` ("line N: ...") when it is not JSON
/// within the bounds.
bool ParseJson(std::string_view text, JsonValue& out, std::string& error);

}  // namespace tambrix
