// Sequential reads of one file: through a FileStream (disk file and archive window)
// against plain stdio reads of the same bytes.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/TextBuffer.h"
#include "fileaccess/FileStream.h"
#include "fileaccess/FileSystem.h"

namespace {

constexpr uint32_t kFileSize = 4u << 20;

/// A 4 MB file in the temporary folder, removed at exit.
class BenchFile {
public:
    BenchFile() {
        mPath = (std::filesystem::temp_directory_path() / "tambrix-bench-filestream.bin").string();
        std::vector<char> bytes(kFileSize);
        for (uint32_t i = 0; i < kFileSize; ++i) bytes[i] = static_cast<char>(i * 31);
        std::ofstream(mPath, std::ios::binary).write(bytes.data(), kFileSize);
    }
    ~BenchFile() { std::filesystem::remove(mPath); }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

const BenchFile& benchFile() {
    static BenchFile file;
    return file;
}

void BM_FileStreamSequential(benchmark::State& state) {
    const uint32_t chunk = static_cast<uint32_t>(state.range(0));
    std::vector<char> buffer(chunk);
    tambrix::FileNameText name(benchFile().Path());
    for (auto _ : state) {
        tambrix::FileStream stream;
        if (stream.Open(name) != 0) state.SkipWithError("open failed");
        uint32_t count = chunk;
        while (stream.Read(buffer.data(), count) == 0) count = chunk;
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
}

void BM_ArchiveWindowSequential(benchmark::State& state) {
    const uint32_t chunk = static_cast<uint32_t>(state.range(0));
    std::vector<char> buffer(chunk);
    auto& files = tambrix::FileSystem::Instance();
    auto* archive = files.OpenArchive(benchFile().Path().c_str());
    const char* entry = "bench\\window.bin";
    files.MountEntry(entry, archive, 0, kFileSize);
    tambrix::FileNameText name(entry);
    for (auto _ : state) {
        tambrix::FileStream stream;
        if (stream.Open(name) != 0) state.SkipWithError("open failed");
        uint32_t count = chunk;
        while (stream.Read(buffer.data(), count) == 0) count = chunk;
        benchmark::DoNotOptimize(buffer.data());
    }
    files.CloseArchive(archive);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
}

void BM_StdioSequential(benchmark::State& state) {
    const size_t chunk = static_cast<size_t>(state.range(0));
    std::vector<char> buffer(chunk);
    for (auto _ : state) {
        std::FILE* file = std::fopen(benchFile().Path().c_str(), "rb");
        if (!file) state.SkipWithError("open failed");
        while (std::fread(buffer.data(), 1, chunk, file) == chunk) {}
        std::fclose(file);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFileSize);
}

}  // namespace

BENCHMARK(BM_FileStreamSequential)->Arg(64)->Arg(4096);
BENCHMARK(BM_ArchiveWindowSequential)->Arg(64)->Arg(4096);
BENCHMARK(BM_StdioSequential)->Arg(64)->Arg(4096);
