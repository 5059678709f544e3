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

TEST(CTGString, SpacesOnlyAndEmptyBecomeEmpty) {
    for (auto trim : {&CTGString::TrimLeft, &CTGString::TrimRight, &CTGString::Trim}) {
        CTGString spaces("    ");
        (spaces.*trim)();
        EXPECT_TRUE(spaces.empty());
        CTGString empty;
        (empty.*trim)();
        EXPECT_TRUE(empty.empty());
    }
}

TEST(CTGString, TabsAndOtherWhiteSpaceStay) {
    CTGString text("\t x \n");
    text.Trim();
    EXPECT_EQ(text, "\t x \n");
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

TEST(CTGString, TrimCallsTheOverridesAndDeletesThroughTheBase) {
    auto text = std::make_unique<CountingString>(" a ");
    text->Trim();
    EXPECT_EQ(text->lefts, 1);
    EXPECT_EQ(*text, "a");
    std::unique_ptr<CTGString> base = std::move(text);  // virtual destructor
}

}  // namespace
}  // namespace tambrix
