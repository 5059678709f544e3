#include "cli/TerminalText.h"

#include <cstdio>

#include "core/GameText.h"

namespace tambrix::tools {

namespace {

constexpr uint32_t kDelete = 0x7F;
constexpr uint32_t kFirstC1 = 0x80;
constexpr uint32_t kLastC1 = 0x9F;

bool isC1(uint32_t code) { return code >= kFirstC1 && code <= kLastC1; }

void appendEscape(std::string& out, const char* format, uint32_t code) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, static_cast<unsigned>(code));
    out += escape;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<uint8_t>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == kDelete)
                appendEscape(out, "\\x%02x", byte);
            else
                out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(text.substr(i));
        if (length > 0) {
            // The only two-byte sequences that decode to C1 controls start with 0xC2.
            const uint32_t code = byte == 0xC2 ? static_cast<uint8_t>(text[i + 1]) : 0;
            if (isC1(code))
                appendEscape(out, "\\u%04x", code);
            else
                out.append(text.substr(i, length));
            i += length;
            continue;
        }
        const uint32_t code = Cp1252ToUnicode(byte);
        if (isC1(code))
            appendEscape(out, "\\x%02x", byte);
        else
            AppendUtf8(out, code);
        ++i;
    }
    return out;
}

TerminalStreamBuf::~TerminalStreamBuf() { emit(true); }

TerminalStreamBuf::int_type TerminalStreamBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    mPending += traits_type::to_char_type(ch);
    if (ch == '\n') emit(false);
    return ch;
}

std::streamsize TerminalStreamBuf::xsputn(const char* text, std::streamsize count) {
    mPending.append(text, static_cast<size_t>(count));
    if (mPending.find('\n') != std::string::npos) emit(false);
    return count;
}

int TerminalStreamBuf::sync() {
    emit(true);
    mTarget.flush();
    return mTarget ? 0 : -1;
}

void TerminalStreamBuf::emit(bool all) {
    const size_t end = all ? mPending.size() : mPending.rfind('\n') + 1;
    if (end == 0 || mPending.empty()) return;
    mTarget << TerminalText(std::string_view(mPending).substr(0, end));
    mPending.erase(0, end);
}

}  // namespace tambrix::tools
