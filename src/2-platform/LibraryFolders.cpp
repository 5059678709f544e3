#include "platform/LibraryFolders.h"

#include <optional>

#include "core/AsciiCase.h"
#include "platform/PlatformFile.h"

namespace tambrix::platform {

namespace {

constexpr std::string_view kRootKey = "libraryfolders";
constexpr std::string_view kPathKey = "path";

enum class TokenKind { kText, kOpen, kClose, kEnd, kBad };

struct Token {
    TokenKind kind = TokenKind::kEnd;
    std::string text;
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

/// Splits the text into quoted or bare texts and braces; comments ("//" to the end of the
/// line) and conditions ("[$WIN32]") are passed over, as Steam passes over them.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : mText(text) {}

    Token Next() {
        for (;;) {
            while (mPos < mText.size() && isSpace(mText[mPos])) ++mPos;
            if (mPos >= mText.size()) return {TokenKind::kEnd, {}};
            const char c = mText[mPos];
            if (c == '\0') return {TokenKind::kBad, {}};
            if (c == '/' && mPos + 1 < mText.size() && mText[mPos + 1] == '/') {
                const size_t end = mText.find('\n', mPos);
                mPos = end == std::string_view::npos ? mText.size() : end + 1;
                continue;
            }
            if (c == '[') {
                const size_t end = mText.find(']', mPos);
                if (end == std::string_view::npos) return {TokenKind::kBad, {}};
                mPos = end + 1;
                continue;
            }
            if (c == '{' || c == '}') {
                ++mPos;
                return {c == '{' ? TokenKind::kOpen : TokenKind::kClose, {}};
            }
            return c == '"' ? quoted() : bare();
        }
    }

private:
    /// A quoted text: \\ \" \n \t are undone; a backslash before anything else stays, as
    /// in a Windows path written with single backslashes.
    Token quoted() {
        std::string text;
        for (size_t i = mPos + 1; i < mText.size(); ++i) {
            const char c = mText[i];
            if (c == '\0') break;
            if (c == '"') {
                mPos = i + 1;
                return {TokenKind::kText, std::move(text)};
            }
            if (c == '\\' && i + 1 < mText.size()) {
                const char next = mText[i + 1];
                if (next == '\\' || next == '"') {
                    text += next;
                    ++i;
                    continue;
                }
                if (next == 'n' || next == 't') {
                    text += next == 'n' ? '\n' : '\t';
                    ++i;
                    continue;
                }
            }
            text += c;
        }
        return {TokenKind::kBad, {}};  // not closed
    }

    Token bare() {
        const size_t start = mPos;
        while (mPos < mText.size()) {
            const char c = mText[mPos];
            if (isSpace(c) || c == '{' || c == '}' || c == '"' || c == '\0') break;
            ++mPos;
        }
        return {TokenKind::kText, std::string(mText.substr(start, mPos - start))};
    }

    std::string_view mText;
    size_t mPos = 0;
};

}  // namespace

std::vector<std::string> ParseLibraryFolders(std::string_view text) {
    std::vector<std::string> libraries;
    std::vector<std::string> blocks;  // the keys of the open blocks, outermost first
    std::optional<std::string> key;   // a key waiting for its value or block
    Tokenizer tokens(text);
    for (;;) {
        Token token = tokens.Next();
        switch (token.kind) {
            case TokenKind::kBad: return {};
            case TokenKind::kEnd:
                if (key || !blocks.empty()) return {};
                return libraries;
            case TokenKind::kOpen:
                if (!key || blocks.size() >= static_cast<size_t>(kMaxLibraryFoldersDepth)) return {};
                blocks.push_back(std::move(*key));
                key.reset();
                break;
            case TokenKind::kClose:
                if (key || blocks.empty()) return {};
                blocks.pop_back();
                break;
            case TokenKind::kText: {
                if (!key) {
                    key = std::move(token.text);
                    break;
                }
                const std::string& value = token.text;
                const bool inRoot = !blocks.empty() && EqualNoCase(blocks[0], kRootKey);
                // "libraryfolders" { "1" { "path" "..." } } today; "libraryfolders" { "1" "..." } before.
                const bool listed =
                    inRoot && ((blocks.size() == 2 && allDigits(blocks[1]) && EqualNoCase(*key, kPathKey)) ||
                               (blocks.size() == 1 && allDigits(*key)));
                if (listed && !value.empty()) {
                    if (libraries.size() == kMaxLibraryFolders) return {};
                    libraries.push_back(value);
                }
                key.reset();
                break;
            }
        }
    }
}

std::vector<std::string> ReadLibraryFolders(const std::string& path) {
    uint32_t size = 0;
    NativeFile* file = OpenFile(path, OpenMode::ReadExisting, &size);
    if (!file) return {};
    std::string text;
    bool complete = size <= kMaxLibraryFoldersBytes;
    if (complete) {
        text.resize(size);
        uint32_t done = 0;
        complete = ReadFile(file, text.data(), size, done) && done == size;
    }
    CloseFile(file);
    if (!complete) return {};
    return ParseLibraryFolders(text);
}

}  // namespace tambrix::platform
