#include <gtest/gtest.h>

#include "core/GameCharset.h"

namespace tambrix {
namespace {

TEST(GameCharset, EveryByteHasItsCharacterAndBackAndOnlyTheSetsCharactersHaveAByte) {
    struct Case {
        uint8_t byte;
        uint32_t code;
    };
    const Case cases[] = {{'A', 'A'},       {0x7F, 0x7F},     {0x80, 0x20AC}, {0x8A, 0x0160}, {0x93, 0x201C},
                          {0x99, 0x2122},   {0x9F, 0x0178},   {0xA0, 0xA0},   {0xE9, 0xE9},   {0xFF, 0xFF},
                          {0x81, 0x81},     {0x9D, 0x9D}};  // undefined: the control character of that number
    for (const Case& c : cases) EXPECT_EQ(CodePointOfGameByte(c.byte), c.code) << int(c.byte);
    for (int byte = 0; byte < 256; ++byte) {
        const uint32_t code = CodePointOfGameByte(static_cast<uint8_t>(byte));
        const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        EXPECT_EQ(GameByteOfCodePoint(code), undefined ? -1 : byte) << byte;
    }
    for (const uint32_t missing : {0x100u, 0x4E2Du, 0x1F600u, 0x85u, 0x2028u})
        EXPECT_EQ(GameByteOfCodePoint(missing), -1) << missing;
}

}  // namespace
}  // namespace tambrix
