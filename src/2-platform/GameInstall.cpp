#include "platform/GameInstall.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "core/AsciiCase.h"
#include "core/GameText.h"
#include "core/Utf8Path.h"
#include "platform/PlatformFile.h"

namespace tambrix::platform {

namespace {

// The game reads its entry into a buffer of this many bytes, the NUL included.
constexpr size_t kMaxValueBytes = 2048;
// An expandable string is written str(2):"text"; a plain one "text".
constexpr std::string_view kExpandablePrefix = "str(2):";
constexpr int kMaxHexDigits = 4;
constexpr size_t kMaxLineBytes = 64 * 1024;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char folded = FoldAscii(c);
    if (folded >= 'a' && folded <= 'f') return folded - 'a' + 10;
    return -1;
}

/// Undoes the escapes of a quoted text in a Wine registry file: \\ \" \n \t \0 and
/// \xHHHH (one UTF-16 unit). Starts behind the opening quote and stops at the closing
/// one; `end` receives the index after it, or npos when the text is not closed.
std::string unescapeQuoted(std::string_view line, size_t start, size_t& end) {
    std::string text;
    end = std::string_view::npos;
    for (size_t i = start; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            end = i + 1;
            return text;
        }
        if (c != '\\' || i + 1 >= line.size()) {
            text += c;
            continue;
        }
        const char next = line[++i];
        if (next == 'n') {
            text += '\n';
        } else if (next == 't') {
            text += '\t';
        } else if (next == '0') {
            text += '\0';
        } else if (next == 'x') {
            uint32_t code = 0;
            for (int digits = 0; digits < kMaxHexDigits && i + 1 < line.size() && hexDigit(line[i + 1]) >= 0; ++digits)
                code = code * 16 + static_cast<uint32_t>(hexDigit(line[++i]));
            AppendUtf8(text, code);
        } else {
            text += next;
        }
    }
    return text;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

/// The key name of a section line "[Software\\Maxis\\The Sims] 1234", or nothing.
std::optional<std::string> sectionName(std::string_view line) {
    if (line.empty() || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    std::string name;
    for (size_t i = 1; i < close; ++i) {
        name += line[i];
        if (line[i] == '\\' && i + 1 < close && line[i + 1] == '\\') ++i;
    }
    return name;
}

/// The value of a "NAME"="..." line, or nothing for another line or a value that is no
/// text (a binary or numeric value is no folder).
std::optional<std::string> textValue(std::string_view line, std::string_view valueName) {
    if (line.empty() || line.front() != '"') return std::nullopt;
    size_t nameEnd = 0;
    const std::string name = unescapeQuoted(line, 1, nameEnd);
    if (nameEnd == std::string_view::npos || !EqualNoCase(name, valueName)) return std::nullopt;
    std::string_view rest = line.substr(nameEnd);
    if (rest.empty() || rest.front() != '=') return std::nullopt;
    rest.remove_prefix(1);
    if (rest.starts_with(kExpandablePrefix)) rest.remove_prefix(kExpandablePrefix.size());
    if (rest.empty() || rest.front() != '"') return std::nullopt;
    size_t valueEnd = 0;
    std::string value = unescapeQuoted(rest, 1, valueEnd);
    if (valueEnd == std::string_view::npos) return std::nullopt;
    // What the game's buffer holds (and as much as any folder needs): up to the first NUL, at most 2047 bytes, and a
    // character cut by that limit goes whole.
    value.resize(std::min(value.find('\0'), value.size()));
    if (value.size() >= kMaxValueBytes) {
        value.resize(kMaxValueBytes - 1);
        size_t last = value.size() - 1;
        while (last > 0 && (static_cast<uint8_t>(value[last]) & 0xC0) == 0x80) --last;
        const auto lead = static_cast<uint8_t>(value[last]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (value.size() - last < length) value.resize(last);
    }
    return value;
}

/// The next line, without its end; false at the end of the file. A line longer than
/// kMaxLineBytes comes back empty: no key or value worth reading is that long (Wine splits
/// long data over lines), and a damaged file without line ends must not fill the memory.
bool readLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        any = true;
        if (c == '\n') return true;
        if (line.size() < kMaxLineBytes) {
            line += static_cast<char>(c);
        } else {
            line.clear();
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            return true;
        }
    }
    return any;
}

}  // namespace

GameEntry ReadWineRegistryValue(const std::string& registryPath, std::span<const std::string_view> keys,
                                std::string_view valueName) {
    GameEntry best;
    std::ifstream in(Utf8Path(registryPath), std::ios::binary);
    if (!in) return best;
    bool inKey = false;
    std::string raw;
    while (readLine(in, raw)) {
        const std::string_view line = trimmed(raw);
        if (const std::optional<std::string> name = sectionName(line)) {
            inKey = false;
            for (std::string_view key : keys) inKey = inKey || EqualNoCase(*name, key);
            if (inKey && best.state == GameEntryState::kKeyMissing) best.state = GameEntryState::kValueMissing;
            continue;
        }
        if (!inKey || best.state == GameEntryState::kFound) continue;
        if (std::optional<std::string> value = textValue(line, valueName)) {
            best.state = GameEntryState::kFound;
            best.windowsPath = std::move(*value);
        }
    }
    return best;
}

GameEntry ReadWineRegistryEntry(const std::string& systemRegPath) {
    return ReadWineRegistryValue(systemRegPath, kGameRegistryKeys, kGameRegistryValue);
}

std::string RemoveTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string WinePrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.wine";
}

std::optional<std::string> MapWindowsPath(const std::string& prefix, const std::string& windowsPath) {
    const std::string path = RemoveTrailingBackslashes(windowsPath);
    const char letter = path.size() >= 2 ? FoldAscii(path[0]) : '\0';
    if (letter < 'a' || letter > 'z' || path[1] != ':') return std::nullopt;
    std::string folder = prefix + "/dosdevices/" + letter + ":";
    if (!DirectoryExists(folder)) {
        folder = prefix + "/drive_" + letter;
        if (!DirectoryExists(folder)) return std::nullopt;
    }
    // A ".." would lead out of the drive; the game's folder never needs one.
    size_t start = 2;
    while (start < path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string_view part = std::string_view(path).substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") folder += "/" + std::string(part);
        start = end + 1;
    }
    // Windows names are found without regard to case, as every name of the platform is.
    folder = ResolvePath(folder);
    if (!DirectoryExists(folder)) return std::nullopt;
    return folder;
}

GameFolder FindGameFolder() {
    GameFolder result;
    const std::string prefix = WinePrefix();
    const GameEntry entry = ReadWineRegistryEntry(prefix + "/system.reg");
    result.state = entry.state;
    if (entry.state != GameEntryState::kFound) return result;
    if (std::optional<std::string> folder = MapWindowsPath(prefix, entry.windowsPath)) {
        result.folder = std::move(*folder);
    } else {
        result.state = GameEntryState::kKeyMissing;
    }
    return result;
}

}  // namespace tambrix::platform
