// What the base class does for every container that does not override it.

#include <gtest/gtest.h>

#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

constexpr ResType kPlain = MakeResType("PLAN");

TEST(ResourceFileBase, AttributesFallBackToPlainCallsAndReleaseFreesOnlyTheFilesBlocks) {
    test::MemoryResourceFile file;
    file.Put(kPlain, 3, {1, 2});
    DataBlock* plain = file.GetResource(kPlain, 3, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 3, 0, nullptr), plain);
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 4, 0, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kNoSuchResource);  // the lookup's own error passes through
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 3, 1, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kAttrUnsupported);

    DataBlock* added = NewDataBlock(1);
    ASSERT_EQ(file.AddResourceWithAttr(added, kPlain, 9, LabelText("ignored"), 0x40, true), rc::kOk);
    LabelText name("before");
    file.GetResName(added, name);
    EXPECT_EQ(name.Length() + file.GetResAttrs(added), 0u) << "neither label nor attribute is kept";
    DataBlock stranger;
    EXPECT_EQ(file.GetResAttrs(&stranger), 0);
    EXPECT_EQ(file.GetError(), rc::kNoSuchLabel);  // from the GetResID it asks

    EXPECT_EQ(file.ReleaseResource(plain), rc::kOk);
    EXPECT_EQ(file.LoadedBlocks(), 1);
    EXPECT_NE(file.GetResource(kPlain, 3, nullptr), nullptr) << "the resource stays";
    DataBlock* foreign = NewDataBlock(1);
    EXPECT_EQ(file.ReleaseResource(foreign), rc::kNoSuchLabel);  // neither detached nor freed
    FreeDataBlock(foreign);
}

}  // namespace
}  // namespace tambrix
