#include "core/JsonReader.h"

#include <cstring>

namespace tambrix {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : mText(text) {}

    bool Document(JsonValue& out, std::string& error) {
        if (mText.size() > kMaxJsonBytes) return fail("the text is too large", error);
        skipSpace();
        if (!value(out, 0)) return fail(mWhy, error);
        skipSpace();
        if (mAt != mText.size()) return fail("text after the value", error);
        return true;
    }

private:
    bool fail(const char* why, std::string& error) const {
        size_t line = 1;
        for (size_t i = 0; i < mAt && i < mText.size(); ++i) line += mText[i] == '\n';
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    }
    bool bad(const char* why) {
        mWhy = why;
        return false;
    }
    void skipSpace() {
        while (mAt < mText.size() && std::strchr(" \t\r\n", mText[mAt]) && mText[mAt] != 0) ++mAt;
    }
    bool literal(std::string_view word) {
        if (mText.substr(mAt, word.size()) != word) return bad("an unknown word");
        mAt += word.size();
        return true;
    }

    bool value(JsonValue& out, int depth) {
        if (mAt >= mText.size()) return bad("the text ends where a value should be");
        const char c = mText[mAt];
        if (c == '{' || c == '[') {
            if (depth >= kMaxJsonDepth) return bad("nested too deeply");
            return c == '{' ? object(out, depth + 1) : array(out, depth + 1);
        }
        if (c == '"') {
            out.kind = JsonValue::Kind::String;
            return string(out.text);
        }
        if (c == 't' || c == 'f') {
            out.kind = JsonValue::Kind::Bool;
            out.boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            out.kind = JsonValue::Kind::Null;
            return literal("null");
        }
        return number(out);
    }

    bool number(JsonValue& out) {
        const bool negative = mText[mAt] == '-';
        if (negative) ++mAt;
        if (mAt >= mText.size() || mText[mAt] < '0' || mText[mAt] > '9') return bad("not a value");
        uint64_t magnitude = 0;
        const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
        while (mAt < mText.size() && mText[mAt] >= '0' && mText[mAt] <= '9') {
            const auto digit = static_cast<uint64_t>(mText[mAt++] - '0');
            if (magnitude > (limit - digit) / 10) return bad("a number too large");
            magnitude = magnitude * 10 + digit;
        }
        if (mAt < mText.size() && std::strchr(".eE", mText[mAt]) && mText[mAt] != 0)
            return bad("a number that is not a whole number");
        out.kind = JsonValue::Kind::Number;
        out.number = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
        return true;
    }

    bool hex4(uint32_t& code) {
        if (mText.size() - mAt < 4) return bad("a cut \\u escape");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = mText[mAt++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return bad("a bad \\u escape");
        }
        return true;
    }

    bool string(std::string& out) {
        ++mAt;  // the opening quote
        out.clear();
        while (true) {
            if (mAt >= mText.size()) return bad("a string without its closing quote");
            const char c = mText[mAt++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return bad("a control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (mAt >= mText.size()) return bad("a string without its closing quote");
            const char e = mText[mAt++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    uint32_t code = 0;
                    if (!hex4(code)) return false;
                    if (code >= 0xD800 && code < 0xDC00 && mText.substr(mAt, 2) == "\\u") {
                        mAt += 2;
                        uint32_t low = 0;
                        if (!hex4(low)) return false;
                        if (low < 0xDC00 || low > 0xDFFF) return bad("a broken surrogate pair");
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    if (code < 0x100) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | code >> 6);
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else if (code < 0x10000) {
                        out += static_cast<char>(0xE0 | code >> 12);
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xF0 | code >> 18);
                        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default: return bad("an unknown escape");
            }
        }
    }

    bool array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Array;
        ++mAt;
        skipSpace();
        if (mAt < mText.size() && mText[mAt] == ']') return ++mAt, true;
        while (true) {
            skipSpace();
            out.items.emplace_back();
            if (!value(out.items.back(), depth)) return false;
            skipSpace();
            if (mAt >= mText.size()) return bad("an array without its closing bracket");
            const char c = mText[mAt++];
            if (c == ']') return true;
            if (c != ',') return bad("a missing comma in an array");
        }
    }

    bool object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Object;
        ++mAt;
        skipSpace();
        if (mAt < mText.size() && mText[mAt] == '}') return ++mAt, true;
        while (true) {
            skipSpace();
            if (mAt >= mText.size() || mText[mAt] != '"') return bad("a member without a quoted name");
            std::string key;
            if (!string(key)) return false;
            skipSpace();
            if (mAt >= mText.size() || mText[mAt++] != ':') return bad("a missing colon after a name");
            skipSpace();
            JsonValue member;
            if (!value(member, depth)) return false;
            if (!out.members.emplace(std::move(key), std::move(member)).second) return bad("a name given twice");
            skipSpace();
            if (mAt >= mText.size()) return bad("an object without its closing brace");
            const char c = mText[mAt++];
            if (c == '}') return true;
            if (c != ',') return bad("a missing comma in an object");
        }
    }

    std::string_view mText;
    size_t mAt = 0;
    const char* mWhy = "";
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
    if (kind != Kind::Object) return nullptr;
    const auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
}

std::string JsonQuoted(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b >= 0x7F) {
            out += "\\u00";
            out += kDigits[b >> 4];
            out += kDigits[b & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool ParseJson(std::string_view text, JsonValue& out, std::string& error) {
    out = JsonValue();
    error.clear();
    Parser parser(text);
    if (parser.Document(out, error)) return true;
    out = JsonValue();
    return false;
}

}  // namespace tambrix
