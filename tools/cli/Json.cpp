#include "cli/Json.h"

#include <cstdio>

#include "core/GameCharset.h"

namespace tambrix::tools {

std::string JsonString(std::string_view text, bool utf8) {
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F || (c > 0x7F && !utf8)) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(CodePointOfGameByte(c)));
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void JsonWriter::beforeValue() {
    if (mAfterKey) {
        mAfterKey = false;
        return;
    }
    if (mNeedComma) mOut << ", ";
}

JsonWriter& JsonWriter::BeginObject() {
    beforeValue();
    mOut << '{';
    mNeedComma = false;
    return *this;
}
JsonWriter& JsonWriter::EndObject() {
    mOut << '}';
    mNeedComma = true;
    return *this;
}
JsonWriter& JsonWriter::BeginArray() {
    beforeValue();
    mOut << '[';
    mNeedComma = false;
    return *this;
}
JsonWriter& JsonWriter::EndArray() {
    mOut << ']';
    mNeedComma = true;
    return *this;
}
JsonWriter& JsonWriter::Key(std::string_view key) {
    if (mNeedComma) mOut << ", ";
    mOut << JsonString(key) << ": ";
    mAfterKey = true;
    mNeedComma = false;
    return *this;
}
JsonWriter& JsonWriter::String(std::string_view value) {
    beforeValue();
    mOut << JsonString(value);
    mNeedComma = true;
    return *this;
}
JsonWriter& JsonWriter::Number(int64_t value) {
    beforeValue();
    mOut << value;
    mNeedComma = true;
    return *this;
}
JsonWriter& JsonWriter::Bool(bool value) {
    beforeValue();
    mOut << (value ? "true" : "false");
    mNeedComma = true;
    return *this;
}

}  // namespace tambrix::tools

namespace tambrix::tools {

JsonWriter& JsonWriter::Utf8(std::string_view value) {
    beforeValue();
    mOut << JsonString(value, true);
    mNeedComma = true;
    return *this;
}

JsonWriter& JsonWriter::Null() {
    beforeValue();
    mOut << "null";
    mNeedComma = true;
    return *this;
}

}  // namespace tambrix::tools
