#pragma once

#include <string>
#include <utility>

namespace tambrix {

/// The growable text of the file access layer: the standard string of bytes (no encoding
/// is interpreted) with a small virtual interface for trimming spaces. It holds the keys
/// and names of the file system's index and the name of every open file.
class CTGString : public std::string {
public:
    using std::string::basic_string;
    using std::string::operator=;

    CTGString() = default;
    CTGString(const std::string& text) : std::string(text) {}
    CTGString(std::string&& text) : std::string(std::move(text)) {}
    CTGString(const CTGString&) = default;
    CTGString(CTGString&&) = default;
    CTGString& operator=(const CTGString&) = default;
    CTGString& operator=(CTGString&&) = default;
    virtual ~CTGString();

    /// Removes the leading spaces (0x20 only; tabs stay).
    virtual void TrimLeft();
    /// Removes the trailing spaces (0x20 only).
    virtual void TrimRight();
    /// TrimLeft, then TrimRight.
    virtual void Trim();
};

}  // namespace tambrix
