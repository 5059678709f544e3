#include "core/ResourceTypes.h"

namespace tambrix {

std::string ResTypeText(ResType type) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((type >> shift) & 0xFF);
        if (c == '\0' && text.empty()) continue;
        text.push_back(c);
    }
    return text;
}

}  // namespace tambrix
