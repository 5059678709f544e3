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

TEST(ResourceSetMembers, EightAtMostAndRemoveMovesLaterRecordsUpWithTheirListsWhichKeepTheirMode) {
    PlainSet full;
    for (int i = 0; i < ResourceSet::kMaxMembers; ++i) full.Add();
    EXPECT_FALSE(full.AddMember(std::make_unique<ProbeFile>()));
    EXPECT_EQ(full.CountMembers(), 8);
    EXPECT_TRUE(full.GetMember(8) == nullptr && full.GetMember(-1) == nullptr);

    PlainSet set;
    ProbeFile* first = set.Add("a.iff");
    ProbeFile* second = set.Add("b.spf");
    ProbeFile* third = set.Add("c.iff");
    set.IncludeType(third, kTypeA);
    set.ExcludeType(third, kTypeB);  // ignored: the list is an include list
    ASSERT_EQ(set.RemoveMember(second).get(), second);
    EXPECT_EQ(set.CountMembers(), 2);
    EXPECT_EQ(set.GetMember(1), third);
    set.ExcludeType(first, kTypeA);
    set.IncludeType(first, kTypeC);        // ignored: the list is an exclude list
    EXPECT_TRUE(set.AcceptsType(kTypeA));  // through the third file, its list moved up with it
    EXPECT_TRUE(set.AcceptsType(kTypeB));  // through the first
    set.ExcludeType(first, kTypeB);
    EXPECT_FALSE(set.AcceptsType(kTypeB));
    EXPECT_EQ(set.RemoveMember(second), nullptr);  // no longer a member
    EXPECT_EQ(set.RemoveMember(nullptr), nullptr);
    // The set's path is its first member's without the extension.
    FileNameText path;
    EXPECT_EQ(PlainSet().GetPath(path), rc::kNotOpen);
    for (const char* p : {"c:\\sims\\objects.x\\chair", "c:\\sims.d\\chair"}) {
        PlainSet named;
        named.Add(std::string(p) + (p[5] == 'd' ? "" : ".iff"));
        named.Add("other.spf");
        EXPECT_EQ(named.GetPath(path), rc::kOk);
        EXPECT_EQ(path.View(), p);
    }
}

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
    // By ID the first member holding the resource answers.
    EXPECT_EQ(set.GetResource(kTypeA, 1, nullptr)->data[0] + set.GetResource(kTypeA, 4, nullptr)->data[0], 1 + 14);
    EXPECT_TRUE(!set.GetResource(kTypeC, 1, nullptr) && set.GetError() == rc::kNoSuchResource);
    const std::pair<int16_t, int> cases[] = {{1, 1},  {3, 3},  {4, 20}, {5, 11}, {6, 12},
                                             {8, 14}, {9, -1}, {0, -1}, {-3, -1}};
    for (auto [index, mark] : cases) {
        SCOPED_TRACE(index);
        DataBlock* block = set.GetIndResource(kTypeA, index, nullptr);
        EXPECT_EQ(block ? block->data[0] : -1, mark);
        EXPECT_EQ(set.GetError(), mark < 0 ? rc::kNoSuchResource : rc::kOk);
    }
    // A member's error while counting stops the count, also for an index within no member.
    second->countError = rc::kNotOpen;
    EXPECT_EQ(set.CountResources(kTypeA), 0);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
    for (int16_t index : {4, 0}) {
        EXPECT_EQ(set.GetIndResource(kTypeA, index, nullptr), nullptr);
        EXPECT_EQ(set.GetError(), rc::kNotOpen);
    }
    EXPECT_NE(set.GetIndResource(kTypeA, 1, nullptr), nullptr);
}

TEST(ResourceSetLookups, TypesNamesAndIdsAskEveryMember) {
    PlainSet set;
    ProbeFile* first = set.Add();
    ProbeFile* second = set.Add();
    first->PutMarked(kTypeA, 1, 0, "anonymous 0");
    first->PutMarked(kTypeB, 1, 0);
    second->PutMarked(kTypeC, 1, 0);
    second->PutMarked(kTypeA, 2, 0, "anonymous 0 2");
    // The type union takes each member's types backwards, without repeats.
    ASSERT_EQ(set.CountTypes(), 3);
    const ResType types[] = {0, kTypeB, kTypeA, kTypeC, 0};
    for (int16_t i = 0; i <= 4; ++i) EXPECT_EQ(set.GetIndType(i), types[i]) << i;
    // An empty label starts from "anonymous 0" and every member has its say.
    LabelText label, given("walk"), alone;
    set.UniqueName(kTypeA, label);
    EXPECT_EQ(label.View(), "anonymous 0 2 2");
    set.UniqueName(kTypeA, given);
    EXPECT_EQ(given.View(), "walk");
    EXPECT_EQ(set.UniqueID(kTypeA), 2);  // the first member's answer
    PlainSet empty;
    EXPECT_EQ(empty.UniqueID(kTypeA), 0);
    empty.UniqueName(kTypeA, alone);
    EXPECT_EQ(alone.View(), "anonymous 0");
    second->typesError = rc::kNotOpen;  // skipped, its code kept
    EXPECT_EQ(set.CountTypes(), 2);
    EXPECT_EQ(set.GetError(), rc::kNotOpen);
}

TEST(ResourceSetChanges, AdditionGoesToTheFirstWritableMemberThatAcceptsTheType) {
    PlainSet set;
    ProbeFile* objects = set.Add("x.iff");
    ProbeFile* sprites = set.Add("x.spf");
    set.ExcludeType(objects, kTypeA);
    set.IncludeType(sprites, kTypeA);
    EXPECT_EQ(set.AddResource(NewDataBlock(4), kTypeA, 1, LabelText("s"), true), rc::kOk);
    EXPECT_EQ(set.AddResource(NewDataBlock(4), kTypeB, 1, LabelText("o"), true), rc::kOk);
    EXPECT_TRUE(sprites->Stored(kTypeA, 1) && !sprites->Stored(kTypeB, 1));
    EXPECT_TRUE(objects->Stored(kTypeB, 1) && !objects->Stored(kTypeA, 1));

    DataBlock* block = NewDataBlock(1);  // refused everywhere: still the caller's
    PlainSet refusing, readOnly, empty;
    refusing.IncludeType(refusing.Add(), kTypeA);
    EXPECT_EQ(refusing.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoAcceptingMember);
    EXPECT_FALSE(refusing.AcceptsType(kTypeB));
    readOnly.Add("r.iff", false);
    EXPECT_EQ(readOnly.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoWritableMember);
    EXPECT_FALSE(readOnly.AcceptsType(kTypeB));
    EXPECT_FALSE(readOnly.IsWritable());
    EXPECT_EQ(empty.AddResource(block, kTypeB, 1, LabelText(), false), rc::kNoWritableMember);
    FreeDataBlock(block);
}

TEST(ResourceSetChanges, ReplacingKeepsTheOldResourceUntilTheNewOneIsTaken) {
    PlainSet set;
    ProbeFile* file = set.Add("x.iff", true);
    ProbeFile* readOnly = set.Add("x.spf", false);
    file->PutMarked(kTypeA, 5, 42, "old");
    // Re-adding the same block: detached before the old resource goes, so it is not freed
    // under us (AddressSanitizer would report the use below).
    DataBlock* block = set.GetResource(kTypeA, 5, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(set.AddResource(block, kTypeA, 5, LabelText("old"), true), rc::kOk);
    EXPECT_EQ(block->data[0], 42);
    EXPECT_EQ(set.GetResource(kTypeA, 5, nullptr), block);

    DataBlock* replacement = NewDataBlock(1);
    set.ExcludeType(file, kTypeA);  // no member can take it: the old one stays
    EXPECT_EQ(set.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kNoAcceptingMember);
    ASSERT_EQ(file->CountResources(kTypeA), 1);
    EXPECT_EQ(*file->Stored(kTypeA, 5), std::vector<uint8_t>{42});
    EXPECT_EQ(readOnly->CountResources(kTypeA), 0);

    PlainSet other;
    ProbeFile* target = other.Add();
    target->PutMarked(kTypeA, 5, 1, "old");
    EXPECT_EQ(other.AddResource(replacement, kTypeA, 5, LabelText("new"), true), rc::kOk);
    EXPECT_EQ(target->CountResources(kTypeA), 1);
    EXPECT_EQ(other.GetResource(kTypeA, 5, nullptr), replacement);
}

TEST(ResourceSetChanges, WritesGoOnlyToWritableMembers) {
    PlainSet set;
    set.Add("r.iff", false);  // first, yet never asked to write what it does not hold
    ProbeFile* writable = set.Add("w.iff", true);
    writable->PutMarked(kTypeA, 1, 0, "x");
    DataBlock* block = writable->GetResource(kTypeA, 1, nullptr);
    block->data[0] = 9;
    EXPECT_EQ(set.WriteResource(block), rc::kOk);
    EXPECT_EQ(*writable->Stored(kTypeA, 1), std::vector<uint8_t>{9});
    EXPECT_EQ(set.SetResInfo(block, 9, LabelText("y"), 0), rc::kOk);
    EXPECT_NE(writable->Stored(kTypeA, 9), nullptr);
    EXPECT_EQ(set.RemoveResource(block), rc::kOk);
    EXPECT_EQ(writable->CountResources(kTypeA), 0);
    DataBlock stranger;
    EXPECT_EQ(set.RemoveResource(&stranger), rc::kNoSuchLabel);
    EXPECT_EQ(set.ReservedOp(&stranger), rc::kUnsupported);
    writable->updateError = rc::kShortWrite;
    EXPECT_EQ(set.Update(), rc::kShortWrite) << "a member's failure is reported";

    // No writable member at all: every change answers "no such label", never success.
    PlainSet onlyReadOnly;
    ProbeFile* held = onlyReadOnly.Add("r.iff", false);
    held->PutMarked(kTypeA, 1, 0, "x");
    DataBlock* heldBlock = held->GetResource(kTypeA, 1, nullptr);
    EXPECT_EQ(onlyReadOnly.SetResInfo(heldBlock, 9, LabelText("y"), 0), rc::kNoSuchLabel);
    EXPECT_EQ(onlyReadOnly.WriteResource(heldBlock), rc::kNoSuchLabel);
    EXPECT_EQ(onlyReadOnly.RemoveResource(heldBlock), rc::kNoSuchLabel);
}

}  // namespace
}  // namespace tambrix
