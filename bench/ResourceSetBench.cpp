// Costs of reaching resources through a set and through a folder list.

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "containers/DirectoryResourceFile.h"
#include "containers/IffResourceFile.h"
#include "sets/ViewResourceSet.h"

namespace {

using namespace tambrix;

constexpr int kResourcesPerType = 100;
constexpr ResType kTypes[] = {restype::kSTR, restype::kOBJD, restype::kSPR, restype::kPALT, restype::kDGRP};

/// A scratch folder under the system's temporary folder, removed afterwards.
struct Scratch {
    Scratch() {
        std::random_device random;
        path = std::filesystem::temp_directory_path() / ("tambrix-bench-" + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

void WriteIff(const std::string& path, std::initializer_list<ResType> types) {
    IffResourceFile file;
    FileNameText name(path);
    file.Create(name);
    file.Open(name);
    for (ResType type : types) {
        for (int id = 1; id <= kResourcesPerType; ++id) {
            DataBlock* block = NewDataBlock(256);
            std::memset(block->data, id, block->size);
            file.AddResource(block, type, static_cast<ResId>(id), LabelText(), true);
        }
    }
    file.Close();
}

/// An object file and its sprite file, as the object view opens them.
struct ObjectPair {
    ObjectPair() {
        WriteIff(scratch.File("chair.iff"), {restype::kSTR, restype::kOBJD});
        WriteIff(scratch.File("chair.spf"), {restype::kSPR, restype::kPALT, restype::kDGRP});
        set.Open(FileNameText(scratch.File("chair")));
    }
    Scratch scratch;
    ViewResourceSet set;
};

void BM_SetGetResourceFromSecondMember(benchmark::State& state) {
    ObjectPair pair;
    ResId id = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pair.set.GetResource(restype::kSPR, id, nullptr));
        id = static_cast<ResId>(id % kResourcesPerType + 1);
    }
}
BENCHMARK(BM_SetGetResourceFromSecondMember);

void BM_SetTypeUnion(benchmark::State& state) {
    ObjectPair pair;
    for (auto _ : state) benchmark::DoNotOptimize(pair.set.GetIndType(3));
}
BENCHMARK(BM_SetTypeUnion);

void BM_SetIndexedLookupAcrossMembers(benchmark::State& state) {
    ObjectPair pair;
    for (auto _ : state) benchmark::DoNotOptimize(pair.set.GetIndResource(restype::kSPR, kResourcesPerType, nullptr));
}
BENCHMARK(BM_SetIndexedLookupAcrossMembers);

/// A folder of `count` sprite files "#<id>#sprite<id>.SPR" of 1 KiB each.
struct SpriteFolder {
    explicit SpriteFolder(int count) {
        std::string body(1024, 'x');
        for (int id = 1; id <= count; ++id) {
            std::string number = std::to_string(id);
            std::string name(1, '#');
            name.append(number).append("#sprite").append(number).append(".SPR");
            std::ofstream(scratch.File(name), std::ios::binary) << body;
        }
        file.Open(FileNameText(scratch.path.string()));
    }
    Scratch scratch;
    DirectoryResourceFile file;
};

void BM_DirectoryFirstLookup(benchmark::State& state) {
    SpriteFolder folder(static_cast<int>(state.range(0)));
    ResId id = 1;
    for (auto _ : state) {
        DataBlock* block = folder.file.GetResource(restype::kSPR, id, nullptr);
        folder.file.ReleaseResource(block);  // the next look-up reads the file again
        id = static_cast<ResId>(id % state.range(0) + 1);
    }
}
BENCHMARK(BM_DirectoryFirstLookup)->Arg(10)->Arg(200);

void BM_DirectoryLoadedLookup(benchmark::State& state) {
    SpriteFolder folder(static_cast<int>(state.range(0)));
    for (int id = 1; id <= state.range(0); ++id)
        folder.file.GetResource(restype::kSPR, static_cast<ResId>(id), nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(folder.file.GetResource(restype::kSPR, 1, nullptr));
}
BENCHMARK(BM_DirectoryLoadedLookup)->Arg(10)->Arg(200);

void BM_DirectoryTypeList(benchmark::State& state) {
    SpriteFolder folder(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(folder.file.CountTypes());
}
BENCHMARK(BM_DirectoryTypeList)->Arg(200);

}  // namespace
