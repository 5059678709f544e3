#include <gtest/gtest.h>

#include <vector>

#include "resfile/ResourceFile.h"
#include "support/MemoryResourceFile.h"

namespace tambrix {
namespace {

using test::MemoryResourceFile;

constexpr ResType kPlain = MakeResType("PLAN");
constexpr ResType kOther = MakeResType("OTHR");

DataBlock* blockOf(std::vector<uint8_t> bytes) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(bytes.size()));
    if (block && !bytes.empty()) std::copy(bytes.begin(), bytes.end(), block->data);
    return block;
}

// --- What the base class does for every container ---

TEST(ResourceFileBase, AttributeZeroLookupIsAPlainLookup) {
    MemoryResourceFile file;
    file.Put(kPlain, 3, {1, 2});
    DataBlock* plain = file.GetResource(kPlain, 3, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 3, 0, nullptr), plain);
    EXPECT_EQ(file.GetError(), rc::kOk);
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 4, 0, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kNoSuchResource);  // the lookup's own error passes through
    EXPECT_EQ(file.GetResourceWithAttr(kPlain, 3, 1, nullptr), nullptr);
    EXPECT_EQ(file.GetError(), rc::kAttrUnsupported);
}

TEST(ResourceFileBase, AttributesAreNeitherKeptNorReported) {
    MemoryResourceFile file;
    DataBlock* block = blockOf({7});
    LabelText label("ignored");
    ASSERT_EQ(file.AddResourceWithAttr(block, kPlain, 9, label, 0x40, true), rc::kOk);
    LabelText name("before");
    file.GetResName(block, name);
    EXPECT_EQ(name.Length(), 0u);  // added with an empty label
    EXPECT_EQ(file.GetResAttrs(block), 0);
    EXPECT_EQ(file.GetError(), rc::kOk);

    DataBlock stranger;
    EXPECT_EQ(file.GetResAttrs(&stranger), 0);
    EXPECT_EQ(file.GetError(), rc::kNoSuchLabel);  // from the GetResID it asks
}

TEST(ResourceFileBase, ReleaseDetachesThenFrees) {
    MemoryResourceFile file;
    file.Put(kPlain, 1, {1, 2, 3});
    DataBlock* block = file.GetResource(kPlain, 1, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(file.ReleaseResource(block), rc::kOk);
    EXPECT_EQ(file.LoadedBlocks(), 0);
    // The resource stays; a new lookup loads a new block.
    EXPECT_NE(file.GetResource(kPlain, 1, nullptr), nullptr);

    // A block that is not the file's is neither detached nor freed.
    DataBlock* stranger = blockOf({1});
    EXPECT_EQ(file.ReleaseResource(stranger), rc::kNoSuchLabel);
    FreeDataBlock(stranger);
}

}  // namespace
}  // namespace tambrix
