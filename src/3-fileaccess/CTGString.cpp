#include "fileaccess/CTGString.h"

namespace tambrix {

namespace {
constexpr char kSpace = ' ';
}

CTGString::~CTGString() = default;

void CTGString::TrimLeft() {
    size_type count = 0;
    while (count < size() && (*this)[count] == kSpace) ++count;
    erase(0, count);
}

void CTGString::TrimRight() {
    size_type keep = size();
    while (keep > 0 && (*this)[keep - 1] == kSpace) --keep;
    erase(keep);
}

void CTGString::Trim() {
    TrimLeft();
    TrimRight();
}

}  // namespace tambrix
