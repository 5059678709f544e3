#include <gtest/gtest.h>

#include <memory>

#include "FakeResourceFile.h"
#include "resfile/ResourceSet.h"

namespace tambrix {
namespace {

using test::FakeResourceFile;

constexpr ResType kTypeA = MakeResType("AAAA");
constexpr ResType kTypeB = MakeResType("BBBB");
constexpr ResType kTypeC = MakeResType("CCCC");

/// The member table and forwarding alone; members are added by hand.
class PlainSet : public ResourceSet {
public:
    int32_t Create(const TextBuffer&) override { return rc::kUnsupported; }
    int32_t Delete(const TextBuffer&) override { return rc::kUnsupported; }
    int32_t Open(const TextBuffer&) override { return rc::kUnsupported; }

    FakeResourceFile* Add(std::string path = "fake.iff", bool writable = true) {
        auto file = std::make_unique<FakeResourceFile>(std::move(path), writable);
        FakeResourceFile* raw = file.get();
        EXPECT_TRUE(AddMember(std::move(file)));
        return raw;
    }
};

// --- member table ------------------------------------------------------------------------

TEST(ResourceSetMembers, NinthMemberIsClosedAndDestroyedNotLeftOwnerless) {
    PlainSet set;
    for (int i = 0; i < ResourceSet::kMaxMembers; ++i) set.Add();
    ASSERT_EQ(set.CountMembers(), 8);

    bool destroyed = false;
    auto ninth = std::make_unique<FakeResourceFile>();
    ninth->destroyed = &destroyed;
    FakeResourceFile* raw = ninth.get();
    EXPECT_FALSE(set.AddMember(std::move(ninth)));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(set.CountMembers(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_NE(set.GetMember(i), raw);
    EXPECT_EQ(set.GetMember(8), nullptr);
    EXPECT_EQ(set.GetMember(-1), nullptr);
}

TEST(ResourceSetMembers, RemoveMovesLaterRecordsUpWithTheirListsAndHandsTheFileBack) {
    PlainSet set;
    FakeResourceFile* first = set.Add("a.iff");
    FakeResourceFile* second = set.Add("b.spf");
    FakeResourceFile* third = set.Add("c.iff");
    set.IncludeType(third, kTypeA);

    std::unique_ptr<ResourceFile> removed = set.RemoveMember(second);
    ASSERT_EQ(removed.get(), second);
    EXPECT_EQ(set.CountMembers(), 2);
    EXPECT_EQ(set.GetMember(0), first);
    EXPECT_EQ(set.GetMember(1), third);
    // The include list moved up with its file: only kTypeA goes to the third file.
    set.ExcludeType(first, kTypeA);
    EXPECT_TRUE(set.AcceptsType(kTypeA));  // through the third file
    set.ExcludeType(first, kTypeB);
    EXPECT_FALSE(set.AcceptsType(kTypeB));

    EXPECT_EQ(set.RemoveMember(second), nullptr);  // no longer a member
    EXPECT_EQ(set.RemoveMember(nullptr), nullptr);
}

TEST(ResourceSetMembers, AListKeepsTheModeItStartedWith) {
    PlainSet set;
    FakeResourceFile* file = set.Add();
    set.IncludeType(file, kTypeA);
    set.ExcludeType(file, kTypeB);  // ignored: the list is an include list
    EXPECT_TRUE(set.AcceptsType(kTypeA));
    EXPECT_FALSE(set.AcceptsType(kTypeB));

    PlainSet other;
    FakeResourceFile* excluding = other.Add();
    other.ExcludeType(excluding, kTypeA);
    other.IncludeType(excluding, kTypeB);  // ignored: the list is an exclude list
    EXPECT_FALSE(other.AcceptsType(kTypeA));
    EXPECT_TRUE(other.AcceptsType(kTypeC));
}

TEST(ResourceSetMembers, DestroyingTheSetDestroysEveryMember) {
    bool firstGone = false;
    bool secondGone = false;
    {
        PlainSet set;
        set.Add()->destroyed = &firstGone;
        set.Add()->destroyed = &secondGone;
    }
    EXPECT_TRUE(firstGone);
    EXPECT_TRUE(secondGone);
}

// --- lookups ----------------------------------------------------------------------------

TEST(ResourceSetLookups, IndexedLookupWalksAcrossMembers) {
    PlainSet set;
    FakeResourceFile* first = set.Add();
    FakeResourceFile* second = set.Add();
    for (uint8_t i = 1; i <= 3; ++i) first->Put(kTypeA, i, {}, i);
    for (uint8_t i = 1; i <= 4; ++i) second->Put(kTypeA, i, {}, static_cast<uint8_t>(10 + i));
    first->Put(kTypeB, 99);

    EXPECT_EQ(set.CountResources(kTypeA), 7);
    DataBlock* block = set.GetIndResource(kTypeA, 5, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->data[0], 12);  // the second resource of the second member
    EXPECT_EQ(set.GetError(), rc::kOk);

    ASSERT_NE(set.GetIndResource(kTypeA, 3, nullptr), nullptr);
    EXPECT_EQ(set.GetIndResource(kTypeA, 3, nullptr)->data[0], 3);
    EXPECT_EQ(set.GetIndResource(kTypeA, 7, nullptr)->data[0], 14);
    EXPECT_EQ(set.GetIndResource(kTypeA, 8, nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(set.GetIndResource(kTypeA, 0, nullptr), nullptr);
    EXPECT_EQ(set.GetIndResource(kTypeA, -3, nullptr), nullptr);
}

TEST(ResourceSetLookups, MemberErrorWhileCountingStopsTheCount) {
    PlainSet set;
    set.Add()->Put(kTypeA, 1);
    set.Add()->countError = rc::kNotOpen;
    EXPECT_EQ(set.CountResources(kTypeA), 0);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
    // The first member has only one; index 2 needs the second member's count.
    EXPECT_EQ(set.GetIndResource(kTypeA, 2, nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
    EXPECT_NE(set.GetIndResource(kTypeA, 1, nullptr), nullptr);
}

TEST(ResourceSetLookups, FirstMemberHoldingTheResourceAnswers) {
    PlainSet set;
    FakeResourceFile* first = set.Add();
    FakeResourceFile* second = set.Add();
    first->Put(kTypeA, 1, "one", 1);
    second->Put(kTypeA, 1, "shadowed", 2);
    second->Put(kTypeA, 2, "two", 3);

    EXPECT_EQ(set.GetResource(kTypeA, 1, nullptr)->data[0], 1);
    EXPECT_EQ(set.GetResource(kTypeA, 2, nullptr)->data[0], 3);
    EXPECT_EQ(set.GetError(), rc::kOk);
    EXPECT_EQ(set.GetNamedResource(kTypeA, LabelText("two"), nullptr)->data[0], 3);

    EXPECT_EQ(set.GetResource(kTypeC, 1, nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(set.GetNamedResource(kTypeA, LabelText("none"), nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNoSuchLabel);  // the last member's code

    PlainSet empty;
    EXPECT_EQ(empty.GetResource(kTypeA, 1, nullptr), nullptr);
    EXPECT_EQ(empty.GetError(), rc::kNoSuchResource);
    EXPECT_EQ(empty.GetResourceWithAttr(kTypeA, 1, 2, nullptr), nullptr);
}

TEST(ResourceSetLookups, BlockQueriesAreAnsweredByTheOwningMember) {
    PlainSet set;
    set.Add()->Put(kTypeA, 1, "first");
    FakeResourceFile* second = set.Add();
    DataBlock* block = second->Put(kTypeB, 7, "walk");

    LabelText label;
    set.GetResName(block, label);
    EXPECT_EQ(label.View(), "walk");
    EXPECT_EQ(set.GetResType(block), kTypeB);
    uint16_t id = 0;
    EXPECT_EQ(set.GetResID(block, id), rc::kOk);
    EXPECT_EQ(id, 7);
    EXPECT_TRUE(set.IsLibraryOrder(block));
    EXPECT_EQ(set.GetError(), rc::kOk);

    DataBlock stranger;
    set.GetResName(&stranger, label);
    EXPECT_EQ(set.GetError(), rc::kNoSuchLabel);
    EXPECT_EQ(label.Length(), 0u);
    EXPECT_EQ(set.GetResType(&stranger), 0u);
    EXPECT_EQ(set.GetResID(&stranger, id), rc::kNoSuchLabel);
    EXPECT_EQ(id, 0);
    EXPECT_FALSE(set.IsLibraryOrder(&stranger));
    EXPECT_EQ(set.GetError(), rc::kNoSuchLabel);
    EXPECT_EQ(set.DetachResource(&stranger), rc::kNoSuchLabel);

    EXPECT_EQ(set.DetachResource(block), rc::kOk);
    EXPECT_EQ(set.GetResType(block), 0u);  // no member holds it any more
    FreeDataBlock(block);
}

TEST(ResourceSetLookups, TypeUnionTakesEachMembersTypesBackwardsWithoutRepeats) {
    PlainSet set;
    FakeResourceFile* first = set.Add();
    FakeResourceFile* second = set.Add();
    first->Put(kTypeA, 1);
    first->Put(kTypeB, 1);
    second->Put(kTypeC, 1);
    second->Put(kTypeA, 2);

    ASSERT_EQ(set.CountTypes(), 3);
    EXPECT_EQ(set.GetIndType(1), kTypeB);
    EXPECT_EQ(set.GetIndType(2), kTypeA);
    EXPECT_EQ(set.GetIndType(3), kTypeC);
    EXPECT_EQ(set.GetIndType(0), 0u);
    EXPECT_EQ(set.GetIndType(4), 0u);

    second->typesError = rc::kNotOpen;  // skipped, its code kept
    EXPECT_EQ(set.CountTypes(), 2);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
}

// --- names and IDs ---------------------------------------------------------------------------

TEST(ResourceSetNames, EmptyLabelStartsFromAnonymousAndEveryMemberHasItsSay) {
    PlainSet set;
    FakeResourceFile* first = set.Add();
    FakeResourceFile* second = set.Add();
    first->Put(kTypeA, 1, "anonymous 0");
    second->Put(kTypeA, 1, "anonymous 0+");

    LabelText label;
    set.UniqueName(kTypeA, label);
    EXPECT_EQ(label.View(), "anonymous 0++");

    LabelText given("walk");
    set.UniqueName(kTypeA, given);
    EXPECT_EQ(given.View(), "walk");

    EXPECT_EQ(set.UniqueID(kTypeA), 200);
    PlainSet empty;
    EXPECT_EQ(empty.UniqueID(kTypeA), 0);
    LabelText alone;
    empty.UniqueName(kTypeA, alone);
    EXPECT_EQ(alone.View(), "anonymous 0");
}

// --- changes ---------------------------------------------------------------------------

TEST(ResourceSetChanges, AdditionGoesToTheFirstWritableMemberThatAcceptsTheType) {
    PlainSet set;
    FakeResourceFile* objects = set.Add("x.iff");
    FakeResourceFile* sprites = set.Add("x.spf");
    set.ExcludeType(objects, kTypeA);
    set.IncludeType(sprites, kTypeA);

    DataBlock* sprite = NewDataBlock(4);
    EXPECT_EQ(set.AddResource(sprite, kTypeA, 1, LabelText("s"), true), rc::kOk);
    EXPECT_EQ(objects->addCalls, 0);
    EXPECT_EQ(sprites->addCalls, 1);

    DataBlock* other = NewDataBlock(4);
    EXPECT_EQ(set.AddResource(other, kTypeB, 1, LabelText("o"), true), rc::kOk);
    EXPECT_EQ(objects->addCalls, 1);
    EXPECT_EQ(sprites->addCalls, 1);

    EXPECT_TRUE(set.AcceptsType(kTypeA));
    EXPECT_TRUE(set.AcceptsType(kTypeB));
}

TEST(ResourceSetChanges, RefusedOrReadOnlyMembersGiveTheirCodes) {
    PlainSet refusing;
    FakeResourceFile* only = refusing.Add();
    refusing.IncludeType(only, kTypeA);
    DataBlock* block = NewDataBlock(1);
    EXPECT_EQ(refusing.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoAcceptingMember);
    EXPECT_FALSE(refusing.AcceptsType(kTypeB));

    PlainSet readOnly;
    readOnly.Add("r.iff", false);
    EXPECT_EQ(readOnly.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoWritableMember);
    EXPECT_FALSE(readOnly.AcceptsType(kTypeB));
    EXPECT_FALSE(readOnly.IsWritable());

    PlainSet empty;
    EXPECT_EQ(empty.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoWritableMember);
    FreeDataBlock(block);  // nobody took it
}

TEST(ResourceSetChanges, AddingOverAnExistingResourceReplacesIt) {
    PlainSet set;
    FakeResourceFile* file = set.Add();
    file->Put(kTypeA, 5, "old", 1);

    DataBlock* replacement = NewDataBlock(1);
    replacement->data[0] = 2;
    EXPECT_EQ(set.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kOk);
    ASSERT_EQ(file->resources.size(), 1u);
    EXPECT_EQ(set.GetResource(kTypeA, 5, nullptr), replacement);
}

TEST(ResourceSetChanges, OldResourceStaysWhenNoMemberCanTakeTheNewOne) {
    PlainSet set;
    FakeResourceFile* writable = set.Add("x.iff", true);
    FakeResourceFile* readOnly = set.Add("x.spf", false);
    writable->Put(kTypeA, 5, "old", 1);
    set.ExcludeType(writable, kTypeA);

    DataBlock* replacement = NewDataBlock(1);
    EXPECT_EQ(set.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kNoAcceptingMember);
    ASSERT_EQ(writable->resources.size(), 1u);
    EXPECT_EQ(writable->resources[0].label, "old");
    EXPECT_TRUE(readOnly->resources.empty());
    FreeDataBlock(replacement);  // still the caller's
}

TEST(ResourceSetChanges, ReAddingTheSameBlockKeepsItAlive) {
    PlainSet set;
    FakeResourceFile* file = set.Add();
    file->Put(kTypeA, 5, "walk", 42);
    DataBlock* block = set.GetResource(kTypeA, 5, nullptr);
    ASSERT_NE(block, nullptr);

    // Detached before the old resource is removed, so the block is not freed under us
    // (AddressSanitizer would report the use below).
    EXPECT_EQ(set.AddResource(block, kTypeA, 5, LabelText("walk"), true), rc::kOk);
    EXPECT_EQ(block->data[0], 42);
    EXPECT_EQ(set.GetResource(kTypeA, 5, nullptr), block);
    EXPECT_EQ(file->resources.size(), 1u);
}

TEST(ResourceSetChanges, WritesGoOnlyToWritableMembers) {
    PlainSet set;
    FakeResourceFile* readOnly = set.Add("r.iff", false);
    FakeResourceFile* writable = set.Add("w.iff", true);
    DataBlock* block = writable->Put(kTypeA, 1, "x");

    EXPECT_EQ(set.WriteResource(block), rc::kOk);
    EXPECT_EQ(readOnly->writeCalls, 0);
    EXPECT_EQ(writable->writeCalls, 1);
    EXPECT_EQ(set.SetResInfo(block, 9, LabelText("y"), 0), rc::kOk);
    EXPECT_EQ(writable->resources[0].id, 9);
    EXPECT_EQ(set.RemoveResource(block), rc::kOk);
    EXPECT_TRUE(writable->resources.empty());

    DataBlock stranger;
    EXPECT_EQ(set.RemoveResource(&stranger), rc::kNoSuchLabel);
    EXPECT_EQ(set.ReservedOp(&stranger), rc::kUnsupported);
}

TEST(ResourceSetChanges, UpdateAsksWritableMembersAndKeepsTheFirstError) {
    PlainSet set;
    FakeResourceFile* readOnly = set.Add("r.iff", false);
    FakeResourceFile* failing = set.Add("f.iff");
    FakeResourceFile* alsoFailing = set.Add("g.iff");
    failing->updateResult = rc::kShortWrite;
    alsoFailing->updateResult = rc::kIoFailed;

    EXPECT_EQ(set.Update(), rc::kShortWrite);
    EXPECT_EQ(set.GetError(), rc::kShortWrite);
    EXPECT_EQ(readOnly->updateCalls, 0);
    EXPECT_EQ(failing->updateCalls, 1);
    EXPECT_EQ(alsoFailing->updateCalls, 1);
}

TEST(ResourceSetChanges, CloseAndSuspendReachEveryMemberAndReportTheLastFailure) {
    PlainSet set;
    FakeResourceFile* a = set.Add();
    FakeResourceFile* b = set.Add();
    FakeResourceFile* c = set.Add();
    a->closeResult = rc::kShortWrite;
    b->closeResult = rc::kIoFailed;
    EXPECT_EQ(set.Close(), rc::kIoFailed);
    EXPECT_EQ(c->closeCalls, 1);
    EXPECT_FALSE(set.IsOpen());
    // The plain set keeps its members after Close; only the kind sets let them go.
    EXPECT_EQ(set.CountMembers(), 3);

    a->suspendResult = rc::kNotOpen;
    EXPECT_EQ(set.Suspend(), rc::kNotOpen);
}

TEST(ResourceSetPath, FirstMembersPathWithoutExtension) {
    PlainSet set;
    FileNameText path;
    EXPECT_EQ(set.GetPath(path), rc::kNotOpen);
    set.Add("c:\\sims\\objects.x\\chair.iff");
    set.Add("other.spf");
    EXPECT_EQ(set.GetPath(path), rc::kOk);
    EXPECT_EQ(path.View(), "c:\\sims\\objects.x\\chair");

    PlainSet noExtension;
    noExtension.Add("c:\\sims.d\\chair");
    EXPECT_EQ(noExtension.GetPath(path), rc::kOk);
    EXPECT_EQ(path.View(), "c:\\sims.d\\chair");
}

}  // namespace
}  // namespace tambrix
