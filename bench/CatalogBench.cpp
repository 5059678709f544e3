// Decoding and saving string tables, and loading an object set, over a container file
// in a temporary folder.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/DataBlock.h"
#include "catalog/ObjectSet.h"
#include "catalog/StringTable.h"
#include "containers/IffResourceFile.h"

namespace tambrix {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kMultiLanguage = 0xFFFD;
constexpr int kLanguages = 20;

/// A folder under the system's temporary folder, removed with its files.
struct ScratchFolder {
    ScratchFolder() {
        path = std::filesystem::temp_directory_path() / ("tambrix-catalog-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

void putU16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void putText(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}

/// A multi-language table of `perLanguage` strings in each of `languages` languages.
Bytes multiLanguageTable(int perLanguage, int languages) {
    Bytes b;
    putU16(b, kMultiLanguage);
    putU16(b, static_cast<uint16_t>(perLanguage * languages));
    for (int l = 1; l <= languages; ++l) {
        for (int i = 0; i < perLanguage; ++i) {
            b.push_back(static_cast<uint8_t>(l));
            putText(b, "string number " + std::to_string(i));
            putText(b, "a comment");
        }
    }
    return b;
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
    auto file = makeFile(folder, "strings.iff",
                         [](IffResourceFile& f, int n) { add(f, restype::kSTR, 1, multiLanguageTable(n, kLanguages)); },
                         perLanguage);
    StringTable table;
    table.SetSource(file.get(), 1, restype::kSTR, StringTable::kBinaryMode, -1);
    for (auto _ : state) benchmark::DoNotOptimize(table.Read(true, true));
    state.SetItemsProcessed(state.iterations() * perLanguage * kLanguages);
}
BENCHMARK(BM_ReadMultiLanguage)->Arg(10)->Arg(100)->Arg(1000);

void BM_SaveMerged(benchmark::State& state) {
    ScratchFolder folder;
    const int perLanguage = static_cast<int>(state.range(0));
    auto file = makeFile(folder, "save.iff",
                         [](IffResourceFile& f, int n) { add(f, restype::kSTR, 1, multiLanguageTable(n, 4)); },
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
        Bytes def(kObjectDefinitionSize, 0);
        def[0] = 138;
        def[ObjectRecord::kCatalogStringsIdOffset] = static_cast<uint8_t>(i / kTilesPerObject);
        def[ObjectRecord::kMasterIdOffset] = static_cast<uint8_t>(i / kTilesPerObject + 1);
        // a master (sub-index -1) followed by three tiles (sub-index 0x0101)
        uint8_t sub = i % kTilesPerObject == 0 ? 0xFF : 0x01;
        def[ObjectRecord::kSubIndexOffset] = def[ObjectRecord::kSubIndexOffset + 1] = sub;
        add(file, restype::kOBJD, static_cast<ResId>(128 + i), def);
        if (i % kTilesPerObject == 0) {
            Bytes table;
            putU16(table, kMultiLanguage);
            putU16(table, 2);
            for (const char* s : {"name", "description"}) {
                table.push_back(1);
                putText(table, s);
                putText(table, "");
            }
            add(file, restype::kCTSS, static_cast<ResId>(i / kTilesPerObject), table);
        }
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
