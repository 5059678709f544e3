#include <gtest/gtest.h>

#include <memory>

#include "ProbeFile.h"
#include "sets/ResourceSet.h"

namespace tambrix {
namespace {

using test::ProbeFile;

constexpr ResType kTypeA = MakeResType("AAAA");
constexpr ResType kTypeB = MakeResType("BBBB");
constexpr ResType kTypeC = MakeResType("CCCC");

/// The member table and forwarding alone; members are added by hand.
class PlainSet : public ResourceSet {
public:
    int32_t Create(const TextBuffer&) override { return rc::kUnsupported; }
    int32_t Delete(const TextBuffer&) override { return rc::kUnsupported; }
    int32_t Open(const TextBuffer&) override { return rc::kUnsupported; }

    ProbeFile* Add(const std::string& path = "probe.iff", bool writable = true) {
        auto file = std::make_unique<ProbeFile>(path, writable);
        ProbeFile* raw = file.get();
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
    auto ninth = std::make_unique<ProbeFile>();
    ninth->destroyed = &destroyed;
    ProbeFile* raw = ninth.get();
    EXPECT_FALSE(set.AddMember(std::move(ninth)));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(set.CountMembers(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_NE(set.GetMember(i), raw);
    EXPECT_EQ(set.GetMember(8), nullptr);
    EXPECT_EQ(set.GetMember(-1), nullptr);
}

TEST(ResourceSetMembers, RemoveMovesLaterRecordsUpWithTheirListsAndHandsTheFileBack) {
    PlainSet set;
    ProbeFile* first = set.Add("a.iff");
    ProbeFile* second = set.Add("b.spf");
    ProbeFile* third = set.Add("c.iff");
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
    ProbeFile* file = set.Add();
    set.IncludeType(file, kTypeA);
    set.ExcludeType(file, kTypeB);  // ignored: the list is an include list
    EXPECT_TRUE(set.AcceptsType(kTypeA));
    EXPECT_FALSE(set.AcceptsType(kTypeB));

    PlainSet other;
    ProbeFile* excluding = other.Add();
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
    // Three, one and four resources: an index past the middle member must count it once.
    PlainSet set;
    ProbeFile* first = set.Add();
    ProbeFile* second = set.Add();
    ProbeFile* third = set.Add();
    for (uint8_t i = 1; i <= 3; ++i) first->PutMarked(kTypeA, i, i);
    second->PutMarked(kTypeA, 1, 20);
    for (uint8_t i = 1; i <= 4; ++i) third->PutMarked(kTypeA, i, static_cast<uint8_t>(10 + i));
    first->PutMarked(kTypeB, 99, 0);

    EXPECT_EQ(set.CountResources(kTypeA), 8);
    const std::pair<int16_t, int> cases[] = {{1, 1}, {3, 3}, {4, 20}, {5, 11}, {6, 12}, {8, 14},
                                             {9, -1}, {0, -1}, {-3, -1}};
    for (auto [index, mark] : cases) {
        SCOPED_TRACE(index);
        DataBlock* block = set.GetIndResource(kTypeA, index, nullptr);
        if (mark < 0) {
            EXPECT_EQ(block, nullptr);
            EXPECT_EQ(set.GetError(), rc::kNoSuchResource);
        } else {
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(block->data[0], mark);
            EXPECT_EQ(set.GetError(), rc::kOk);
        }
    }
}

TEST(ResourceSetLookups, MemberErrorWhileCountingStopsTheCount) {
    PlainSet set;
    set.Add()->PutMarked(kTypeA, 1, 0);
    set.Add()->countError = rc::kNotOpen;
    EXPECT_EQ(set.CountResources(kTypeA), 0);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
    // The first member has only one; index 2 needs the second member's count.
    EXPECT_EQ(set.GetIndResource(kTypeA, 2, nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
    EXPECT_NE(set.GetIndResource(kTypeA, 1, nullptr), nullptr);
    // An index below 1 is within no member, yet the counting error still shows.
    EXPECT_EQ(set.GetIndResource(kTypeA, 0, nullptr), nullptr);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
}

TEST(ResourceSetLookups, FirstMemberHoldingTheResourceAnswers) {
    PlainSet set;
    ProbeFile* first = set.Add();
    ProbeFile* second = set.Add();
    first->PutMarked(kTypeA, 1, 1, "one");
    second->PutMarked(kTypeA, 1, 2, "shadowed");
    second->PutMarked(kTypeA, 2, 3, "two");

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
    set.Add()->PutMarked(kTypeA, 1, 0, "first");
    ProbeFile* second = set.Add();
    second->PutMarked(kTypeB, 7, 0, "walk");
    DataBlock* block = second->GetResource(kTypeB, 7, nullptr);

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
    ProbeFile* first = set.Add();
    ProbeFile* second = set.Add();
    first->PutMarked(kTypeA, 1, 0);
    first->PutMarked(kTypeB, 1, 0);
    second->PutMarked(kTypeC, 1, 0);
    second->PutMarked(kTypeA, 2, 0);

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
    ProbeFile* first = set.Add();
    ProbeFile* second = set.Add();
    first->PutMarked(kTypeA, 1, 0, "anonymous 0");
    second->PutMarked(kTypeA, 1, 0, "anonymous 0 2");

    LabelText label;
    set.UniqueName(kTypeA, label);
    EXPECT_EQ(label.View(), "anonymous 0 2 2");

    LabelText given("walk");
    set.UniqueName(kTypeA, given);
    EXPECT_EQ(given.View(), "walk");

    EXPECT_EQ(set.UniqueID(kTypeA), 2);  // the first member's answer
    PlainSet empty;
    EXPECT_EQ(empty.UniqueID(kTypeA), 0);
    LabelText alone;
    empty.UniqueName(kTypeA, alone);
    EXPECT_EQ(alone.View(), "anonymous 0");
}

// --- changes ---------------------------------------------------------------------------

TEST(ResourceSetChanges, AdditionGoesToTheFirstWritableMemberThatAcceptsTheType) {
    PlainSet set;
    ProbeFile* objects = set.Add("x.iff");
    ProbeFile* sprites = set.Add("x.spf");
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
    ProbeFile* only = refusing.Add();
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
    ProbeFile* file = set.Add();
    file->PutMarked(kTypeA, 5, 1, "old");

    DataBlock* replacement = NewDataBlock(1);
    replacement->data[0] = 2;
    EXPECT_EQ(set.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kOk);
    EXPECT_EQ(file->CountResources(kTypeA), 1);
    EXPECT_EQ(set.GetResource(kTypeA, 5, nullptr), replacement);
}

TEST(ResourceSetChanges, OldResourceStaysWhenNoMemberCanTakeTheNewOne) {
    PlainSet set;
    ProbeFile* writable = set.Add("x.iff", true);
    ProbeFile* readOnly = set.Add("x.spf", false);
    writable->PutMarked(kTypeA, 5, 1, "old");
    set.ExcludeType(writable, kTypeA);

    DataBlock* replacement = NewDataBlock(1);
    EXPECT_EQ(set.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kNoAcceptingMember);
    ASSERT_EQ(writable->CountResources(kTypeA), 1);
    EXPECT_EQ(*writable->Stored(kTypeA, 5), std::vector<uint8_t>{1});
    EXPECT_EQ(readOnly->CountResources(kTypeA), 0);
    FreeDataBlock(replacement);  // still the caller's
}

TEST(ResourceSetChanges, ReAddingTheSameBlockKeepsItAlive) {
    PlainSet set;
    ProbeFile* file = set.Add();
    file->PutMarked(kTypeA, 5, 42, "walk");
    DataBlock* block = set.GetResource(kTypeA, 5, nullptr);
    ASSERT_NE(block, nullptr);

    // Detached before the old resource is removed, so the block is not freed under us
    // (AddressSanitizer would report the use below).
    EXPECT_EQ(set.AddResource(block, kTypeA, 5, LabelText("walk"), true), rc::kOk);
    EXPECT_EQ(block->data[0], 42);
    EXPECT_EQ(set.GetResource(kTypeA, 5, nullptr), block);
    EXPECT_EQ(file->CountResources(kTypeA), 1);
}

TEST(ResourceSetChanges, WritesGoOnlyToWritableMembers) {
    PlainSet set;
    ProbeFile* readOnly = set.Add("r.iff", false);
    ProbeFile* writable = set.Add("w.iff", true);
    writable->PutMarked(kTypeA, 1, 0, "x");
    DataBlock* block = writable->GetResource(kTypeA, 1, nullptr);

    EXPECT_EQ(set.WriteResource(block), rc::kOk);
    EXPECT_EQ(readOnly->writeCalls, 0);
    EXPECT_EQ(writable->writeCalls, 1);
    EXPECT_EQ(set.SetResInfo(block, 9, LabelText("y"), 0), rc::kOk);
    EXPECT_NE(writable->Stored(kTypeA, 9), nullptr);
    EXPECT_EQ(set.RemoveResource(block), rc::kOk);
    EXPECT_EQ(writable->CountResources(kTypeA), 0);

    DataBlock stranger;
    EXPECT_EQ(set.RemoveResource(&stranger), rc::kNoSuchLabel);
    EXPECT_EQ(set.ReservedOp(&stranger), rc::kUnsupported);

    // No writable member at all: every change answers "no such label", never success.
    PlainSet onlyReadOnly;
    ProbeFile* held = onlyReadOnly.Add("r.iff", false);
    held->PutMarked(kTypeA, 1, 0, "x");
    DataBlock* heldBlock = held->GetResource(kTypeA, 1, nullptr);
    EXPECT_EQ(onlyReadOnly.SetResInfo(heldBlock, 9, LabelText("y"), 0), rc::kNoSuchLabel);
    EXPECT_EQ(onlyReadOnly.WriteResource(heldBlock), rc::kNoSuchLabel);
    EXPECT_EQ(onlyReadOnly.RemoveResource(heldBlock), rc::kNoSuchLabel);
}

TEST(ResourceSetChanges, UpdateAsksWritableMembersAndKeepsTheFirstError) {
    PlainSet set;
    ProbeFile* readOnly = set.Add("r.iff", false);
    ProbeFile* failing = set.Add("f.iff");
    ProbeFile* alsoFailing = set.Add("g.iff");
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
    ProbeFile* a = set.Add();
    ProbeFile* b = set.Add();
    ProbeFile* c = set.Add();
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
