#include <gtest/gtest.h>

#include <string>

#include "core/Sha256.h"

namespace tambrix {
namespace {

struct Vector {
    std::string input;
    size_t repeat;
    const char* digest;
};

// The published test vectors, and lengths around the padding's block boundary.
class Sha256Vectors : public ::testing::TestWithParam<Vector> {};

TEST_P(Sha256Vectors, GiveTheStandardDigest) {
    const Vector& v = GetParam();
    std::string whole;
    for (size_t i = 0; i < v.repeat; ++i) whole += v.input;
    EXPECT_EQ(Sha256::Hex(whole.data(), whole.size()), v.digest);

    // Added in uneven pieces, the digest is the same.
    Sha256 pieces;
    for (size_t at = 0, step = 1; at < whole.size(); at += step, step = step * 2 + 1)
        pieces.Add(whole.data() + at, std::min(step, whole.size() - at));
    EXPECT_EQ(Sha256::Hex(pieces.Finish()), v.digest);
}

INSTANTIATE_TEST_SUITE_P(
    Standard, Sha256Vectors,
    ::testing::Values(
        Vector{"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        Vector{"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Vector{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
               "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Vector{"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopq"
               "rstnopqrstu",
               1, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        Vector{"a", 1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // 55 and 56 bytes: the length just fits in the last block, or needs another one.
        Vector{"a", 55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        Vector{"a", 56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        Vector{"a", 64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"}));

TEST(Sha256, StartsOverAfterFinish) {
    Sha256 sha;
    sha.Add("abc", 3);
    const std::string first = Sha256::Hex(sha.Finish());
    sha.Add("abc", 3);
    EXPECT_EQ(Sha256::Hex(sha.Finish()), first);
}

}  // namespace
}  // namespace tambrix
