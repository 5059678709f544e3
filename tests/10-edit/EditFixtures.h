#pragma once

// A small game folder for the edit tests, written with the library's own writers: a
// multi-tile object with its sprite companion on disk, and a copy of it inside an archive.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/ObjectSet.h"
#include "containers/IffResourceFile.h"
#include "fileaccess/FarWriter.h"
#include "sets/GameFile.h"
#include "support/ByteBuilder.h"
#include "support/ResourceFixtures.h"
#include "support/TempDir.h"

namespace tambrix::test {

using Bytes = std::vector<uint8_t>;
/// Every resource of a file: (type, ID, label) -> body.
using Contents = std::map<std::tuple<ResType, int32_t, std::string>, Bytes>;

/// The resources of a container file as they are stored, read-only.
inline Contents ReadContents(const std::string& path) {
    Contents all;
    GameFile located;
    if (located.Locate(path) != rc::kOk || located.OpenAlone(GameFileAccess::kReadOnly) != rc::kOk) {
        ADD_FAILURE() << "cannot open " << path;
        return all;
    }
    ResourceFile& file = *located.Container();
    for (int16_t t = 1; t <= file.CountTypes(); ++t) {
        const ResType type = file.GetIndType(t);
        for (int16_t i = 1; i <= file.CountResources(type); ++i) {
            DataBlock* block = file.GetIndResource(type, i, nullptr);
            if (!block) {
                ADD_FAILURE() << "unreadable resource in " << path;
                continue;
            }
            uint16_t id = 0;
            file.GetResID(block, id);
            LabelText label;
            file.GetResName(block, label);
            all[{type, static_cast<int16_t>(id), std::string(label.View())}] = Bytes(block->data, block->data + block->size);
            file.ReleaseResource(block);
        }
    }
    return all;
}

inline uint32_t GuidOf(const Bytes& definition) {
    uint32_t guid = 0;
    ReadDefinitionGuid(definition.data(), static_cast<uint32_t>(definition.size()), guid);
    return guid;
}

/// GameData/Objects/Sofa.iff (+ .spf): object 0 a single chair (GUID 0x11111111, "CATS"
/// 100), object 1 a sofa of two tiles (master 0x22222222, tiles 0x33333333 and
/// 0x44444444, "CTSS" 101 in languages 0 and 1). The same pair inside
/// GameData/Objects/Objects.far/Seating/.
class EditFolder {
public:
    static constexpr uint32_t kChairGuid = 0x11111111, kSofaGuid = 0x22222222;
    static constexpr uint32_t kTileGuids[2] = {0x33333333, 0x44444444};

    EditFolder() {
        ObjectDefinition chair;
        chair.guid = kChairGuid;
        chair.price = 120;
        chair.catalogId = 100;
        chair.baseGraphic = 200;
        ObjectDefinition sofa;
        sofa.guid = kSofaGuid;
        sofa.price = 900;
        sofa.catalogId = 101;
        sofa.masterId = 7;
        sofa.subIndex = ObjectRecord::kMasterSubIndex;
        std::vector<Resource> objects = {
            {restype::kOBJD, 128, "chair", EncodeObjectDefinition(chair)},
            {restype::kCATS, 100, "chair texts", EncodeCatalogStrings("Oak Chair", "Sturdy")},
            {restype::kOBJD, 129, "sofa", EncodeObjectDefinition(sofa)},
            {restype::kCTSS, 101, "sofa texts",
             testing::ByteBuilder().U16(0xFFFD).U16(4).Entry(1, "Sofa").Entry(1, "Soft and deep")
                 .Entry(2, "Canape").Entry(2, "Doux")},
            {MakeResType("BHAV"), 4096, "behaviour", Bytes{1, 2, 3, 4, 5}},
        };
        for (int t = 0; t < 2; ++t) {
            ObjectDefinition tile = sofa;
            tile.guid = kTileGuids[t];
            tile.subIndex = TileSubIndex(t, 0);
            tile.catalogId = 0;
            objects.push_back({restype::kOBJD, static_cast<ResId>(130 + t), "sofa tile", EncodeObjectDefinition(tile)});
        }
        const std::vector<Resource> sprites = {
            {restype::kDGRP, 200, "chair", Bytes(20, 7)},
            {restype::kSPR2, 300, "chair sprite", Bytes(40, 9)},
        };
        game.MakeDir("GameData/Objects");
        game.MakeDir("Downloads");
        WriteContainer<IffResourceFile>(game.File("GameData/Objects/Sofa.iff"), objects);
        WriteContainer<IffResourceFile>(game.File("GameData/Objects/Sofa.spf"), sprites);
        EXPECT_EQ(WriteFarArchive(game.File("GameData/Objects/Objects.far").c_str(),
                                  {{"Seating\\Sofa.iff", game.Read("GameData/Objects/Sofa.iff")},
                                   {"Seating\\Sofa.spf", game.Read("GameData/Objects/Sofa.spf")}}),
                  rc::kOk);
    }

    std::string Disk() const { return game.File("GameData/Objects/Sofa.iff"); }
    std::string Archived() const { return game.File("GameData/Objects/Objects.far/Seating/Sofa.iff"); }

    TempDir game;
};

/// Every file below a folder with its bytes.
inline std::map<std::string, Bytes> Snapshot(const TempDir& dir) {
    namespace fs = std::filesystem;
    std::map<std::string, Bytes> all;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        if (entry.is_regular_file()) all[fs::relative(entry.path(), dir.Path()).generic_string()] = {};
    for (auto& [relative, bytes] : all) bytes = dir.Read(relative);
    return all;
}

}  // namespace tambrix::test
