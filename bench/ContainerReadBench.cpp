// Opening a container and reading every body, beside one read() of the whole file: the
// floor of any reader of these files. Two files, written here by the library: about 80
// resources in 136 KB (a small object) and about 200 in 3 MB (a large one). The
// container is opened as a viewer opens it (nothing may be written) and, for
// comparison, with write access. Read the pairs side by side: Container/x over
// ReadWhole/x is the distance from the floor.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/IffResourceFile.h"
#include "core/DataBlock.h"
#include "fileaccess/FileSystem.h"

namespace {

using namespace tambrix;

class Files {
public:
    Files() {
        mDir = std::filesystem::temp_directory_path() / ("tambrix-read-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mDir);
        Make("small.iff", 80, size_t{136} << 10);
        Make("large.iff", 200, size_t{3} << 20);
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(mDir, ignored);
    }
    std::string Path(const std::string& name) const { return (mDir / name).string(); }

private:
    // `count` resources of mixed types and sizes whose chunks come to about `total` bytes.
    void Make(const std::string& name, int count, size_t total) {
        const ResType types[] = {restype::kSPR2, restype::kDGRP, restype::kSTR,       restype::kOBJD,
                                 restype::kPALT, restype::kCTSS, MakeResType("BHAV"), MakeResType("TTAB")};
        const size_t mean = total / static_cast<size_t>(count) - 76;  // less the chunk header
        FileNameText path(Path(name));
        IffResourceFile iff;
        iff.Create(path);
        iff.Open(path);
        for (int i = 0; i < count; ++i) {
            // From a fifth of the mean to nearly twice it, as sprites, strings and code vary.
            const auto size = static_cast<uint32_t>(mean / 5 + (static_cast<size_t>(i) * 7919) % (mean * 8 / 5));
            DataBlock* block = NewDataBlock(size);
            for (uint32_t k = 0; k < size; ++k) block->data[k] = static_cast<uint8_t>(k * 31 + i);
            FileNameText label("resource " + std::to_string(i));
            iff.AddResource(block, types[i % 8], static_cast<ResId>(128 + i / 8), label, true);
        }
        iff.Close();
    }

    std::filesystem::path mDir;
};

const Files& files() {
    static Files instance;
    return instance;
}

void readEveryBody(benchmark::State& state, const std::string& file, bool viewer) {
    FileNameText path(files().Path(file));
    std::optional<FileSystem::ReadOnlyScope> readOnly;
    if (viewer) readOnly.emplace();
    int64_t bytes = 0;
    for (auto _ : state) {
        IffResourceFile iff;
        if (iff.Open(path) != 0) {
            state.SkipWithError("open failed");
            break;
        }
        for (int16_t t = 1; t <= iff.CountTypes(); ++t) {
            const ResType type = iff.GetIndType(t);
            for (int16_t i = 1; i <= iff.CountResources(type); ++i) {
                DataBlock* block = iff.GetIndResource(type, i, nullptr);
                benchmark::DoNotOptimize(block);
                bytes += BlockSize(block);
            }
        }
        iff.Close();
    }
    state.SetBytesProcessed(bytes);
}

void readWhole(benchmark::State& state, const std::string& file) {
    const std::string path = files().Path(file);
    std::vector<uint8_t> buffer;
    int64_t bytes = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            state.SkipWithError("open failed");
            break;
        }
        buffer.resize(static_cast<size_t>(info.st_size));
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        ::close(fd);
        bytes += n;
    }
    state.SetBytesProcessed(bytes);
}

void BM_Container_Small(benchmark::State& s) { readEveryBody(s, "small.iff", true); }
void BM_ContainerWritable_Small(benchmark::State& s) { readEveryBody(s, "small.iff", false); }
void BM_ReadWhole_Small(benchmark::State& s) { readWhole(s, "small.iff"); }
void BM_Container_Large(benchmark::State& s) { readEveryBody(s, "large.iff", true); }
void BM_ContainerWritable_Large(benchmark::State& s) { readEveryBody(s, "large.iff", false); }
void BM_ReadWhole_Large(benchmark::State& s) { readWhole(s, "large.iff"); }

BENCHMARK(BM_Container_Small)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ContainerWritable_Small)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadWhole_Small)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Container_Large)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ContainerWritable_Large)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadWhole_Large)->Unit(benchmark::kMicrosecond);

}  // namespace
