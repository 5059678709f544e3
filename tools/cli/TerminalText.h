#pragma once

// Everything tambrix-cli prints passes through here, so that no byte of a file reaches
// the terminal as it is: a label holding an escape sequence must not recolour or move
// the user's terminal, and the game's 8-bit texts must read as the letters they are.

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace tambrix::tools {

/// `text` as UTF-8 fit for a terminal. Valid UTF-8 stays as it is; any other byte is a
/// Windows-1252 letter of the game's texts. Control characters (C0 but line feed and tab,
/// DEL, C1) are written as escapes: \x1b for a byte, \u009b for a C1 code point.
std::string TerminalText(std::string_view text);

/// An output buffer that passes whole lines through TerminalText to another stream.
class TerminalStreamBuf : public std::streambuf {
public:
    explicit TerminalStreamBuf(std::ostream& target) : mTarget(target) {}
    ~TerminalStreamBuf() override;
    TerminalStreamBuf(const TerminalStreamBuf&) = delete;
    TerminalStreamBuf& operator=(const TerminalStreamBuf&) = delete;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    /// Writes the complete lines held so far (everything with `all`).
    void emit(bool all);

    std::ostream& mTarget;
    std::string mPending;
};

}  // namespace tambrix::tools
