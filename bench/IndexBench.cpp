// The game folder index over the demo folder (scale 1000 writes about 1,000 files,
// scale 5000 about 5,000): from cold with two workers, again with nothing changed, and
// queries, one that matches every generated object and one that matches a few.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "demo/DemoFolder.h"
#include "index/GameIndex.h"

namespace tambrix {
namespace {

namespace fs = std::filesystem;

/// The demo folder and a place for databases, written once per run and removed at exit.
struct DemoSetup {
    explicit DemoSetup(int scale) {
        root = fs::temp_directory_path() / ("tambrix-index-bench-" + std::to_string(std::random_device{}()));
        tools::DemoOptions options;
        options.scale = scale;
        options.quality = tools::kDraftQuality;
        std::string error;
        ok = tools::WriteDemoFolder((root / "game").string(), options, nullptr, error) == 0;
        if (!ok) message = error;
    }
    ~DemoSetup() { fs::remove_all(root); }
    std::string game() const { return (root / "game").string(); }
    std::string database(const std::string& name) const { return (root / name).string(); }

    fs::path root;
    bool ok = false;
    std::string message;
};

DemoSetup& Demo(int64_t scale) {
    static DemoSetup small(1000);
    if (scale == 1000) return small;
    static DemoSetup large(5000);
    return large;
}

void BM_IndexFromCold(benchmark::State& state) {
    DemoSetup& demo = Demo(state.range(0));
    if (!demo.ok) return state.SkipWithError(demo.message.c_str());
    IndexReport report;
    int run = 0;
    for (auto _ : state) {
        GameIndex index;
        const std::string path = demo.database("cold-" + std::to_string(state.range(0)) + "-" + std::to_string(run++) + ".sqlite");
        if (index.Open(path) != 0 || index.Refresh(demo.game(), {}, &report, 2) != 0)
            return state.SkipWithError("indexing failed");
    }
    state.counters["files"] = report.files;
    state.counters["objects"] = report.objects;
    state.counters["problems"] = report.problems;
}
BENCHMARK(BM_IndexFromCold)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RefreshUnchanged(benchmark::State& state) {
    DemoSetup& demo = Demo(state.range(0));
    if (!demo.ok) return state.SkipWithError(demo.message.c_str());
    GameIndex index;
    if (index.Open(demo.database("warm-" + std::to_string(state.range(0)) + ".sqlite")) != 0 || index.Refresh(demo.game()) != 0)
        return state.SkipWithError("indexing failed");
    IndexReport report;
    for (auto _ : state) index.Refresh(demo.game(), {}, &report);
    state.counters["sources"] = report.sources;
    state.counters["read"] = report.read;
}
BENCHMARK(BM_RefreshUnchanged)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_Query(benchmark::State& state, const char* text) {
    DemoSetup& demo = Demo(5000);
    if (!demo.ok) return state.SkipWithError(demo.message.c_str());
    GameIndex index;
    if (index.Open(demo.database("query.sqlite")) != 0 || index.Refresh(demo.game()) != 0)
        return state.SkipWithError("indexing failed");
    std::vector<IndexHit> hits;
    for (auto _ : state) index.Query(text, 100, hits);
    state.counters["hits"] = static_cast<double>(hits.size());
}
// The browser's second start on a folder: the index of an earlier run opened, brought up
// to date with nothing changed, and a first text looked up.
void BM_SecondStart(benchmark::State& state) {
    DemoSetup& demo = Demo(state.range(0));
    if (!demo.ok) return state.SkipWithError(demo.message.c_str());
    const std::string path = demo.database("second-start-" + std::to_string(state.range(0)) + ".sqlite");
    {
        GameIndex first;
        if (first.Open(path) != 0 || first.Refresh(demo.game()) != 0) return state.SkipWithError("indexing failed");
    }
    std::vector<IndexHit> hits;
    for (auto _ : state) {
        GameIndex index;
        if (index.Open(path) != 0 || index.Refresh(demo.game()) != 0 || index.Query("kitchen chair", 200, hits) != 0)
            return state.SkipWithError("second start failed");
    }
    state.counters["hits"] = static_cast<double>(hits.size());
}
BENCHMARK(BM_SecondStart)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_Query, every_crate, "crate")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Query, a_few, "no 4242")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tambrix
