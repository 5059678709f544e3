// Decoding and saving string tables, and loading an object set, over an in-memory file.

#include <benchmark/benchmark.h>

#include <string>

#include "../tests/catalog/ByteBuilder.h"
#include "../tests/catalog/FakeResourceFile.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"

namespace tambrix {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::FakeResourceFile;

constexpr uint16_t kMulti = 0xFFFD;

/// A multi-language table of `perLanguage` strings in each of `languages` languages.
Bytes MultiLanguageTable(int perLanguage, int languages) {
    ByteBuilder b;
    b.U16(kMulti).U16(static_cast<uint16_t>(perLanguage * languages));
    for (int l = 1; l <= languages; ++l)
        for (int i = 0; i < perLanguage; ++i)
            b.Entry(static_cast<uint8_t>(l), "string number " + std::to_string(i), "a comment");
    return b;
}

void BM_ReadMultiLanguage(benchmark::State& state) {
    FakeResourceFile file;
    const int perLanguage = static_cast<int>(state.range(0));
    file.Put(restype::kSTR, 1, MultiLanguageTable(perLanguage, 20));
    StringTable table;
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    for (auto _ : state) benchmark::DoNotOptimize(table.Read(true, true));
    state.SetItemsProcessed(state.iterations() * perLanguage * 20);
}
BENCHMARK(BM_ReadMultiLanguage)->Arg(10)->Arg(100)->Arg(1000);

void BM_SaveMerged(benchmark::State& state) {
    FakeResourceFile file;
    const int perLanguage = static_cast<int>(state.range(0));
    file.Put(restype::kSTR, 1, MultiLanguageTable(perLanguage, 4));
    StringTable table;
    table.SetSource(&file, 1, restype::kSTR, StringTable::kBinaryMode, -1);
    table.Read(false, true);
    for (auto _ : state) benchmark::DoNotOptimize(table.Save());
    state.SetItemsProcessed(state.iterations() * perLanguage * 4);
}
BENCHMARK(BM_SaveMerged)->Arg(10)->Arg(100)->Arg(1000);

void BM_LoadObjectSet(benchmark::State& state) {
    auto owned = std::make_unique<FakeResourceFile>();
    FakeResourceFile& file = *owned;
    const int objects = static_cast<int>(state.range(0));
    for (int i = 0; i < objects; ++i) {
        Bytes def(kObjectDefinitionSize, 0);
        def[0] = 138;
        def[ObjectRecord::kCatalogStringsIdOffset] = static_cast<uint8_t>(i & 0x7F);
        def[ObjectRecord::kMasterIdOffset] = static_cast<uint8_t>(i / 4 + 1);  // masters with three tiles
        def[ObjectRecord::kSubIndexOffset] = def[ObjectRecord::kSubIndexOffset + 1] = i % 4 == 0 ? 0xFF : 0x01;
        file.Put(restype::kOBJD, static_cast<ResId>(128 + i), def);
        file.Put(restype::kCTSS, static_cast<ResId>(i & 0x7F),
                 ByteBuilder().U16(kMulti).U16(2).Entry(1, "name").Entry(1, "description"));
    }
    ObjectSet set;
    set.SetResourceSet(std::move(owned));
    for (auto _ : state) {
        set.Load(0);
        benchmark::DoNotOptimize(set.Objects().size());
    }
    state.SetItemsProcessed(state.iterations() * objects);
}
BENCHMARK(BM_LoadObjectSet)->Arg(16)->Arg(256);

}  // namespace
}  // namespace tambrix
