// Opening and indexing an object file, through its resource map and by walking its
// chunks, beside one read of the whole file (the floor no index can beat).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "platform/PlatformFile.h"

namespace {

using namespace tambrix;

/// Two files per size: one with its map (version 2.5), one without (version 2.0).
class Files {
public:
    Files() {
        mDir = std::filesystem::temp_directory_path() / ("tambrix-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mDir);
        Make("small", 30);
        Make("large", 5000);
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    std::string Path(const std::string& name) const { return (mDir / name).string(); }

private:
    void Make(const std::string& name, int count) {
        const ResType types[] = {restype::kSPR2, restype::kDGRP, restype::kSTR,       restype::kOBJD,
                                 restype::kPALT, restype::kCTSS, MakeResType("BHAV"), MakeResType("TTAB")};
        FileNameText path(Path(name + ".iff"));
        IffResourceFile iff;
        iff.Create(path);
        iff.Open(path);
        for (int i = 0; i < count; ++i) {
            // Bodies of 64 bytes to about 2 KiB, as sprites, strings and code vary.
            DataBlock* block = NewDataBlock(static_cast<uint32_t>(64 + (i * 977) % 2000));
            FileNameText label("resource " + std::to_string(i));
            iff.AddResource(block, types[i % 8], static_cast<ResId>(128 + i / 8), label, true);
        }
        iff.Close();
        // The same chunks without a map: version 2.0 is always walked.
        std::ifstream in(Path(name + ".iff"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes[11] = '0';
        std::ofstream(Path(name + "-walk.iff"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path mDir;
};

const Files& files() {
    static Files instance;
    return instance;
}

void openAndIndex(benchmark::State& state, const std::string& file) {
    FileNameText path(files().Path(file));
    for (auto _ : state) {
        IffResourceFile iff;
        if (iff.Open(path) != 0) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(iff.CountTypes());
        iff.Close();
    }
}

void readWhole(benchmark::State& state, const std::string& file) {
    const std::string path = files().Path(file);
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        platform::NativeFile* f = platform::OpenFile(path, platform::OpenMode::ReadExisting);
        if (!f) {
            state.SkipWithError("open failed");
            break;
        }
        buffer.resize(platform::GetFileSize(f));
        uint32_t done = 0;
        platform::ReadFile(f, buffer.data(), static_cast<uint32_t>(buffer.size()), done);
        benchmark::DoNotOptimize(buffer.data());
        platform::CloseFile(f);
    }
}

void BM_Small_Map(benchmark::State& s) { openAndIndex(s, "small.iff"); }
void BM_Small_Walk(benchmark::State& s) { openAndIndex(s, "small-walk.iff"); }
void BM_Small_ReadWhole(benchmark::State& s) { readWhole(s, "small.iff"); }
void BM_Large_Map(benchmark::State& s) { openAndIndex(s, "large.iff"); }
void BM_Large_Walk(benchmark::State& s) { openAndIndex(s, "large-walk.iff"); }
void BM_Large_ReadWhole(benchmark::State& s) { readWhole(s, "large.iff"); }

BENCHMARK(BM_Small_Map);
BENCHMARK(BM_Small_Walk);
BENCHMARK(BM_Small_ReadWhole);
BENCHMARK(BM_Large_Map);
BENCHMARK(BM_Large_Walk);
BENCHMARK(BM_Large_ReadWhole);

}  // namespace
