// Mounting a FAR archive of 10,000 entries (time, and the memory the index keeps), and
// opening and reading one entry beside opening the same bytes as a loose file.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "fileaccess/FarArchive.h"
#include "fileaccess/FarWriter.h"
#include "fileaccess/FileSystem.h"

// Live heap bytes of the program, so that a benchmark can tell what the index keeps.
namespace {
std::atomic<int64_t> gLiveBytes{0};
constexpr size_t kSizeHeader = alignof(std::max_align_t);
}  // namespace

void* operator new(size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kSizeHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = size;
    gLiveBytes.fetch_add(static_cast<int64_t>(size));
    return block + kSizeHeader;
}
void operator delete(void* pointer) noexcept {
    if (!pointer) return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - kSizeHeader;
    gLiveBytes.fetch_sub(static_cast<int64_t>(*reinterpret_cast<size_t*>(block)));
    std::free(block);
}
void operator delete(void* pointer, size_t) noexcept { operator delete(pointer); }

namespace {

constexpr uint32_t kEntries = 10000;
constexpr uint32_t kEntriesPerFolder = 250;

/// The benchmark's files in one temporary folder, removed at exit.
class BenchFiles {
public:
    BenchFiles() {
        mFolder = (std::filesystem::temp_directory_path() / "tambrix-bench-far").string();
        std::filesystem::create_directories(mFolder);
        mArchive = mFolder + "/Objects.far";
        std::vector<tambrix::FarWriterEntry> entries;
        entries.reserve(kEntries);
        for (uint32_t i = 0; i < kEntries; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "Group%02u\\Object%05u.iff", i / kEntriesPerFolder, i);
            std::vector<uint8_t> bytes(64 + (i * 37) % 2048, static_cast<uint8_t>(i));
            entries.push_back({name, std::move(bytes)});
        }
        // Two entries of the read comparison, and the same bytes as loose files.
        for (uint32_t size : {4096u, 65536u}) {
            std::vector<uint8_t> bytes(size);
            for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13);
            std::string name = "Read\\Entry" + std::to_string(size) + ".iff";
            entries.push_back({name, bytes});
            std::FILE* loose = std::fopen(LoosePath(size).c_str(), "wb");
            if (loose) {
                std::fwrite(bytes.data(), 1, bytes.size(), loose);
                std::fclose(loose);
            }
        }
        mWritten = tambrix::WriteFarArchive(mArchive.c_str(), entries) == tambrix::rc::kOk;
    }
    ~BenchFiles() { std::filesystem::remove_all(mFolder); }

    const std::string& Archive() const { return mArchive; }
    std::string LoosePath(uint32_t size) const { return mFolder + "/Loose" + std::to_string(size) + ".iff"; }
    std::string EntryPath(uint32_t size) const { return mArchive + "\\Read\\Entry" + std::to_string(size) + ".iff"; }
    bool Written() const { return mWritten; }

private:
    std::string mFolder;
    std::string mArchive;
    bool mWritten = false;
};

const BenchFiles& benchFiles() {
    static BenchFiles files;
    return files;
}

void BM_MountFarArchive10k(benchmark::State& state) {
    if (!benchFiles().Written()) state.SkipWithError("archive not written");
    int64_t kept = 0;
    uint32_t mounted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* files = new tambrix::FileSystem;
        const int64_t before = gLiveBytes.load();
        state.ResumeTiming();
        tambrix::FarMountReport report;
        if (tambrix::MountFarArchive(benchFiles().Archive().c_str(), &report, *files) != tambrix::rc::kOk) {
            state.SkipWithError("mount failed");
        }
        state.PauseTiming();
        kept = gLiveBytes.load() - before;
        mounted = report.mounted;
        delete files;
        state.ResumeTiming();
    }
    state.counters["entries"] = mounted;
    state.counters["index_bytes"] = static_cast<double>(kept);
    state.counters["bytes_per_entry"] = mounted ? static_cast<double>(kept) / mounted : 0.0;
}
BENCHMARK(BM_MountFarArchive10k)->Unit(benchmark::kMillisecond);

void BM_ListFarArchive10k(benchmark::State& state) {
    tambrix::FileSystem files;
    for (auto _ : state) {
        tambrix::FarManifest manifest;
        if (tambrix::ListFarArchive(benchFiles().Archive().c_str(), manifest, files) != tambrix::rc::kOk) {
            state.SkipWithError("list failed");
        }
        benchmark::DoNotOptimize(manifest.entries.data());
    }
}
BENCHMARK(BM_ListFarArchive10k)->Unit(benchmark::kMillisecond);

/// Opens a file by name through the FileSystem, reads all of it, closes it.
void openAndRead(benchmark::State& state, tambrix::FileSystem& files, const std::string& name, uint32_t size) {
    std::vector<uint8_t> buffer(size);
    for (auto _ : state) {
        tambrix::FileHandle* handle = files.Open(name.c_str(), false);
        if (!handle || handle->Read(buffer.data(), size) != size) state.SkipWithError("read failed");
        files.Close(handle);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void BM_OpenReadArchiveEntry(benchmark::State& state) {
    const auto size = static_cast<uint32_t>(state.range(0));
    tambrix::FileSystem files;
    if (tambrix::MountFarArchive(benchFiles().Archive().c_str(), nullptr, files) != tambrix::rc::kOk) {
        state.SkipWithError("mount failed");
    }
    openAndRead(state, files, benchFiles().EntryPath(size), size);
}
BENCHMARK(BM_OpenReadArchiveEntry)->Arg(4096)->Arg(65536);

void BM_OpenReadLooseFile(benchmark::State& state) {
    const auto size = static_cast<uint32_t>(state.range(0));
    tambrix::FileSystem files;
    openAndRead(state, files, benchFiles().LoosePath(size), size);
}
BENCHMARK(BM_OpenReadLooseFile)->Arg(4096)->Arg(65536);

}  // namespace
