// Looking at a file: what it is said to be when it holds no object to show, and when a
// look may write (the catalog completion) and when it must not.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/ShownFile.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "platform/PlatformFile.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix {
namespace {

using test::Resource;
using test::WriteContainer;

Resource Definition(ResId id, int16_t catalogId) {
    return {restype::kOBJD, id, "", EncodeObjectDefinition({.catalogId = catalogId})};
}
// A catalog table holding its name alone: the completion adds the description.
Resource NameOnlyTable(ResId id, const std::string& name) {
    return {restype::kCTSS, id, "", EncodeLanguageStrings({{1, name, ""}})};
}
Resource Filler(const char (&type)[5], ResId id) { return {MakeResType(type), id, "", {1, 2, 3, 4}}; }

std::vector<Resource> Fillers(const char (&type)[5], int count) {
    std::vector<Resource> list;
    for (int i = 0; i < count; ++i) list.push_back(Filler(type, static_cast<ResId>(i)));
    return list;
}

/// The bytes and times of a file, to tell that a look left it alone.
struct Snapshot {
    std::vector<uint8_t> bytes;
    std::optional<platform::FileIdentity> identity;
    bool operator==(const Snapshot&) const = default;
};
Snapshot Take(const test::TempDir& dir, const std::string& name) {
    return {dir.Read(name), platform::IdentifyFile(dir.File(name))};
}

struct NoteCase {
    const char* path;
    std::vector<Resource> resources;  ///< empty: a text file of `textBytes` bytes
    size_t textBytes;
    ViewForm form;
    const char* note;
};

TEST(Viewing, AFileWithoutAnObjectToShowSaysWhatItIsAndTheGamesOwnFilesAreNeverWritten) {
    std::vector<Resource> house = Fillers("ARRY", 3);
    house.push_back(Filler("HOUS", 0));
    // A character holds an object whose table would be completed in an object file.
    const std::vector<Resource> character = {Definition(128, 7), NameOnlyTable(7, "Bella")};
    const NoteCase cases[] = {
        {"UserData/Houses/House01.iff", house, 0, ViewForm::kNote, "house file: 4 resources, no object definitions"},
        {"Lots/HOUSES/mylot.iff", {Filler("ARRY", 1)}, 0, ViewForm::kNote,
         "house file: 1 resource, no object definitions"},
        {"Copies/House12.IFF", {Filler("ARRY", 1)}, 0, ViewForm::kNote, "house file: 1 resource, no object definitions"},
        {"Downloads/lot.iff", {Filler("HOUS", 1)}, 0, ViewForm::kNote, "house file: 1 resource, no object definitions"},
        {"UserData/Characters/User00001.iff", character, 0, ViewForm::kPreview,
         "character file: 2 resources, 1 object definition"},
        {"UserData/Neighborhood.iff", Fillers("ARRY", 2), 0, ViewForm::kNote,
         "neighborhood file: 2 resources, no object definitions"},
        {"Backup/hood.iff", {Filler("NGBH", 1), Filler("NBRS", 1)}, 0, ViewForm::kNote,
         "neighborhood file: 2 resources, no object definitions"},
        {"Downloads/Strings.iff", {{restype::kSTR, 0, "", EncodePlainStrings({"A", "1"})}}, 0, ViewForm::kSprites,
         "object file: 1 resource, no object definitions"},
        {"Downloads/Tiles.iff", {{restype::kOBJD, 129, "", EncodeObjectDefinition({.masterId = 9, .subIndex = 1})}}, 0,
         ViewForm::kSprites, "object file: 1 resource, 1 object definition, none to show"},
        {"Downloads/Chair.iff", {Definition(128, 7), NameOnlyTable(7, "Chair")}, 0, ViewForm::kPreview, ""},
        {"GameData/Skins/B001FAFit_01.skn", {}, 5120, ViewForm::kNote, "skin mesh: 5,120 bytes"},
        {"GameData/Skins/adult-skeleton.CMX", {}, 1, ViewForm::kNote, "skeleton bindings: 1 byte"},
    };
    for (const NoteCase& row : cases) {
        SCOPED_TRACE(row.path);
        test::TempDir dir;
        if (row.resources.empty()) {
            dir.Write(row.path, std::string(row.textBytes, 'v'));
        } else {
            dir.MakeDir(std::filesystem::path(row.path).parent_path().string());
            ASSERT_TRUE(WriteContainer<IffResourceFile>(dir.File(row.path), row.resources));
        }
        const Snapshot before = Take(dir, row.path);
        ShownFile file;
        ASSERT_EQ(file.Open(dir.File(row.path), GameFileAccess::kViewing), rc::kOk);
        EXPECT_EQ(file.Description().form, row.form);
        EXPECT_EQ(file.Description().note, row.note);
        const bool userData = file.Description().userData != UserDataKind::kNone;
        // Only the plain object file of an incomplete table is completed.
        EXPECT_EQ(file.Completion() == CatalogCompletion::kCompleted, std::string(row.path) == "Downloads/Chair.iff");
        if (userData || row.resources.empty()) EXPECT_TRUE(Take(dir, row.path) == before);
    }
}

TEST(Viewing, CountsAreGroupedByThousandsAndAFolderOfUnlistedFilesSaysWhatItHolds) {
    ViewInputs house;
    house.userData = UserDataKind::kHouse;
    house.resources = 1204;
    EXPECT_EQ(DescribeView(GameFileKind::kObject, house).note, "house file: 1,204 resources, no object definitions");
    house.userData = UserDataKind::kCharacter;
    house.definitions = 2;
    house.objects.resize(1);
    EXPECT_EQ(DescribeView(GameFileKind::kObject, house).note, "character file: 1,204 resources, 2 object definitions");

    const std::pair<uint64_t, const char*> numbers[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1204, "1,204"}, {1234567, "1,234,567"}, {100000, "100,000"}};
    for (const auto& [value, text] : numbers) EXPECT_EQ(GroupedNumber(value), text);
    const std::pair<std::vector<std::string>, const char*> held[] = {
        {{}, ""},
        {{"font.otf"}, "1 file: .otf"},
        {std::vector<std::string>(521, "Fonts/x.otf"), "521 files: .otf"},
        {{"b.TXT", "a.otf", "README", "c.OTF", "d.tar.gz"}, "5 files: .gz, .otf, .txt, no extension"},
    };
    for (const auto& [names, text] : held) EXPECT_EQ(HeldFilesText(names), text);
}

// ---- the catalog completion -----------------------------------------------------------

std::string gChangedFile;
int gWriteOpens = 0;

/// As another program would, once: the table's name rewritten in place, the same size.
void RenameInPlace(const std::string&) {
    if (gWriteOpens++ > 0) return;
    std::fstream f(gChangedFile, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), {});
    const size_t at = bytes.find("Potted Fern");
    if (at == std::string::npos) return;
    f.seekp(static_cast<std::streamoff>(at));
    f.write("Potted Fenn", 11);
}
/// As another program would, once: a byte added at the end.
void Append(const std::string&) {
    if (gWriteOpens++ > 0) return;
    std::ofstream(gChangedFile, std::ios::binary | std::ios::app).put('\0');
}
void CountOnly(const std::string&) { ++gWriteOpens; }

enum class Obstacle { kNone, kReadOnlyFile, kRenamed, kAppended, kWriteFails, kLookOnly };

struct CompletionCase {
    const char* what;
    Obstacle obstacle;
    bool complete;  ///< the file's table lacks its description
    CatalogCompletion completion;
    bool written;
    const char* shownName;
};

class CatalogCompletionTest : public ::testing::TestWithParam<CompletionCase> {
protected:
    void TearDown() override {
        platform::Hooks().refuseWriteOpens = false;
        platform::Hooks().failWritesAfter = -1;
        platform::Hooks().beforeWriteOpen = nullptr;
    }
};

TEST_P(CatalogCompletionTest, ALookOpensReadOnlyAndWritesOnlyWhenItMayAndTheFileIsStillTheOneLookedAt) {
    const CompletionCase& row = GetParam();
    test::TempDir dir;
    std::vector<Resource> resources = {Definition(128, 7)};
    if (row.complete)
        resources.push_back({restype::kCTSS, 7, "", EncodeLanguageStrings({{1, "Potted Fern", ""}, {1, "Green.", ""}})});
    else
        resources.push_back(NameOnlyTable(7, "Potted Fern"));
    ASSERT_TRUE(WriteContainer<IffResourceFile>(dir.File("Plants.iff"), resources));
    gChangedFile = dir.File("Plants.iff");
    gWriteOpens = 0;
    platform::IoHooks& hooks = platform::Hooks();
    hooks.beforeWriteOpen = CountOnly;
    switch (row.obstacle) {
        case Obstacle::kReadOnlyFile: hooks.refuseWriteOpens = true; break;
        case Obstacle::kRenamed: hooks.beforeWriteOpen = RenameInPlace; break;
        case Obstacle::kAppended: hooks.beforeWriteOpen = Append; break;
        case Obstacle::kWriteFails: hooks.failWritesAfter = 0; break;
        default: break;
    }
    const Snapshot before = Take(dir, "Plants.iff");
    ShownFile file;
    ASSERT_EQ(file.Open(gChangedFile, row.obstacle == Obstacle::kLookOnly ? GameFileAccess::kReadOnly
                                                                          : GameFileAccess::kViewing),
              rc::kOk);
    TearDown();
    EXPECT_EQ(file.Completion(), row.completion);
    ASSERT_EQ(file.Description().objects.size(), 1u);
    EXPECT_EQ(file.Description().objects[0], row.shownName);
    // A file that needs nothing is never opened for writing.
    if (row.complete) EXPECT_EQ(gWriteOpens, 0);
    const Snapshot after = Take(dir, "Plants.iff");
    if (row.obstacle == Obstacle::kRenamed || row.obstacle == Obstacle::kAppended) {
        // What the other program wrote stays as it wrote it: nothing was added.
        EXPECT_NE(after.bytes, before.bytes);
        EXPECT_LE(after.bytes.size(), before.bytes.size() + 1);
    } else {
        EXPECT_EQ(after != before, row.written);
    }
    if (row.written) {
        StringTable table;
        IffResourceFile iff;
        ASSERT_EQ(iff.Open(FileNameText(gChangedFile)), rc::kOk);
        table.SetSource(&iff, 7, restype::kCTSS, StringTable::kBinaryMode, 0);
        ASSERT_EQ(table.Read(false, false), rc::kOk);
        EXPECT_EQ(table.Count(0), 2);
        iff.Close();
    }
}

const CompletionCase kCompletionCases[] = {
    {"incomplete", Obstacle::kNone, false, CatalogCompletion::kCompleted, true, "Potted Fern"},
    {"complete", Obstacle::kNone, true, CatalogCompletion::kNone, false, "Potted Fern"},
    {"read_only_file", Obstacle::kReadOnlyFile, false, CatalogCompletion::kReadOnly, false, "Potted Fern"},
    {"rewritten_during_the_look", Obstacle::kRenamed, false, CatalogCompletion::kChanged, false, "Potted Fenn"},
    {"grown_during_the_look", Obstacle::kAppended, false, CatalogCompletion::kChanged, false, "Potted Fern"},
    {"write_fails", Obstacle::kWriteFails, false, CatalogCompletion::kFailed, false, "Potted Fern"},
    {"completion_off", Obstacle::kLookOnly, false, CatalogCompletion::kNone, false, "Potted Fern"},
};
INSTANTIATE_TEST_SUITE_P(Cases, CatalogCompletionTest, ::testing::ValuesIn(kCompletionCases),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(Viewing, EachCompletionHasItsStatusText) {
    const std::pair<CatalogCompletion, const char*> texts[] = {
        {CatalogCompletion::kNone, ""},
        {CatalogCompletion::kCompleted, "catalog completed: Plants.iff was changed"},
        {CatalogCompletion::kReadOnly, "catalog not completed: the file is read-only"},
        {CatalogCompletion::kChanged, "catalog not completed: the file changed on disk while it was read"},
        {CatalogCompletion::kFailed, "catalog not completed: the file could not be written"},
    };
    for (const auto& [completion, text] : texts) EXPECT_EQ(CatalogCompletionText(completion, "Plants.iff"), text);
}

}  // namespace
}  // namespace tambrix
