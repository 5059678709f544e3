// Decoding and saving string tables, and loading an object set, over a container file
// in a temporary folder.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"

namespace tambrix {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kLanguages = 20;

/// A folder under the system's temporary folder, removed with its files.
struct ScratchFolder {
    ScratchFolder() {
        path = std::filesystem::temp_directory_path() /
               ("tambrix-catalog-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

/// A multi-language table of `perLanguage` strings in each of `languages` languages.
Bytes multiLanguageTable(int perLanguage, int languages) {
    std::vector<LanguageString> entries;
    for (int l = 1; l <= languages; ++l) {
        for (int i = 0; i < perLanguage; ++i)
            entries.push_back({static_cast<uint8_t>(l), "string number " + std::to_string(i), "a comment"});
    }
    return EncodeLanguageStrings(entries);
}

void add(IffResourceFile& file, ResType type, ResId id, const Bytes& body) {
    DataBlock* block = NewDataBlock(static_cast<uint32_t>(body.size()));
    std::copy(body.begin(), body.end(), block->data);
    LabelText label("bench");
    if (file.AddResource(block, type, id, label, true) != rc::kOk) {
        FreeDataBlock(block);
        return;
    }
    file.WriteResource(block);
}

/// Creates the file, fills it, and opens it again for the benchmark.
std::unique_ptr<IffResourceFile> makeFile(const ScratchFolder& folder, const std::string& name,
                                          void (*fill)(IffResourceFile&, int), int n) {
    FileNameText path((folder.path / name).string());
    auto file = std::make_unique<IffResourceFile>();
    file->Create(path);
    file->Open(path);
    fill(*file, n);
    file->Close();
    file->Open(path);
    return file;
}

void BM_ReadMultiLanguage(benchmark::State& state) {
    ScratchFolder folder;
    const int perLanguage = static_cast<int>(state.range(0));
    auto file = makeFile(
        folder, "strings.iff",
        [](IffResourceFile& f, int n) { add(f, restype::kSTR, 1, multiLanguageTable(n, kLanguages)); }, perLanguage);
    StringTable table;
    table.SetSource(file.get(), 1, restype::kSTR, StringTable::kBinaryMode, -1);
    for (auto _ : state) benchmark::DoNotOptimize(table.Read(true, true));
    state.SetItemsProcessed(state.iterations() * perLanguage * kLanguages);
}
BENCHMARK(BM_ReadMultiLanguage)->Arg(10)->Arg(100)->Arg(1000);

void BM_SaveMerged(benchmark::State& state) {
    ScratchFolder folder;
    const int perLanguage = static_cast<int>(state.range(0));
    auto file = makeFile(
        folder, "save.iff", [](IffResourceFile& f, int n) { add(f, restype::kSTR, 1, multiLanguageTable(n, 4)); },
        perLanguage);
    StringTable table;
    table.SetSource(file.get(), 1, restype::kSTR, StringTable::kBinaryMode, -1);
    table.Read(false, true);
    for (auto _ : state) benchmark::DoNotOptimize(table.Save());
    state.SetItemsProcessed(state.iterations() * perLanguage * 4);
}
BENCHMARK(BM_SaveMerged)->Arg(10)->Arg(100)->Arg(1000);

void fillObjects(IffResourceFile& file, int objects) {
    constexpr int kTilesPerObject = 4;
    for (int i = 0; i < objects; ++i) {
        // a master (sub-index -1) followed by three tiles (sub-index 0x0101)
        const bool master = i % kTilesPerObject == 0;
        const auto object = static_cast<int16_t>(i / kTilesPerObject);
        add(file, restype::kOBJD, static_cast<ResId>(128 + i),
            EncodeObjectDefinition({.graphicCount = 0,
                                    .masterId = static_cast<int16_t>(object + 1),
                                    .subIndex = master ? ObjectRecord::kMasterSubIndex : TileSubIndex(1, 1),
                                    .catalogId = object}));
        if (master) add(file, restype::kCTSS, object, EncodeLanguageStrings({{1, "name", ""}, {1, "description", ""}}));
    }
}

void BM_LoadObjectSet(benchmark::State& state) {
    ScratchFolder folder;
    const int objects = static_cast<int>(state.range(0));
    ObjectSet set;
    set.SetResourceSet(makeFile(folder, "objects.iff", fillObjects, objects));
    for (auto _ : state) {
        set.Load(1);
        benchmark::DoNotOptimize(set.Objects().size());
    }
    state.SetItemsProcessed(state.iterations() * objects);
}
BENCHMARK(BM_LoadObjectSet)->Arg(16)->Arg(256);

}  // namespace
}  // namespace tambrix
