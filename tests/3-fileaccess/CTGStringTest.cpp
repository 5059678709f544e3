#include <gtest/gtest.h>

#include <memory>

#include "fileaccess/CTGString.h"

namespace tambrix {
namespace {

TEST(CTGString, TrimsOnlySpacesAtTheRequestedEnds) {
    CTGString left("  two words  ");
    left.TrimLeft();
    EXPECT_EQ(left, "two words  ");

    CTGString right("  two words  ");
    right.TrimRight();
    EXPECT_EQ(right, "  two words");

    CTGString both("  two words  ");
    both.Trim();
    EXPECT_EQ(both, "two words");
}

// Trim reaches the halves through the virtual table, so a derived class can refine them.
class CountingString : public CTGString {
public:
    using CTGString::CTGString;
    void TrimLeft() override {
        ++lefts;
        CTGString::TrimLeft();
    }
    int lefts = 0;
};

}  // namespace
}  // namespace tambrix
