// Manager creation on a full cache, and name hashing, each against a baseline of the same run.
//
//   TORVO_BENCH_MESHES=100000 ./torvo_bench --benchmark_filter=Manager
//
// The cache is made once per run in the temp directory and removed at exit.
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "cache/Sha1.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::size_t meshCount()
{
    const char* text = std::getenv("TORVO_BENCH_MESHES");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return value > 0 ? static_cast<std::size_t>(value) : 100000;
}

// A cache whose "meshes" holds meshCount() empty ".ttm" files named like hashed names.
class FullCache {
public:
    FullCache() : root_(fs::temp_directory_path() / ("torvo-bench-cache-" + std::to_string(std::rand())))
    {
        fs::create_directories(root_ / "meshes");
        // One empty file and hard links to it: a directory entry each, without the cost of
        // allocating an inode per file.
        const fs::path first = root_ / "first.ttm";
        if (std::FILE* f = std::fopen(first.c_str(), "wb"))
            std::fclose(f);
        for (std::size_t i = 0; i < meshCount(); ++i) {
            std::error_code ec;
            fs::create_hard_link(first, root_ / "meshes" / (trv::nameHash(std::to_string(i)) + ".ttm"), ec);
        }
    }
    ~FullCache()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

const FullCache& fullCache()
{
    static const FullCache cache;
    return cache;
}

void ManagerOnFullCache(benchmark::State& state)
{
    const fs::path root = fullCache().root();
    double managerSeconds = 0, scanSeconds = 0;
    for (auto _ : state) {
        // Baseline: the bare directory scan.
        auto start = Clock::now();
        std::size_t names = 0;
        for (const auto& entry : fs::directory_iterator(root / "meshes")) {
            benchmark::DoNotOptimize(entry);
            ++names;
        }
        scanSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(names);

        auto manager = std::make_unique<trv::FSTorvoManager>();
        start = Clock::now();
        if (manager->initialize(root, 0) != 0)
            state.SkipWithError("manager creation failed");
        managerSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        benchmark::DoNotOptimize(manager->meshByHashedName(trv::nameHash(std::string("0"))));
        state.PauseTiming();
        manager.reset();  // destruction is not creation
        state.ResumeTiming();
    }
    state.counters["meshes"] = static_cast<double>(meshCount());
    state.counters["scan_ms"] = 1e3 * scanSeconds / static_cast<double>(state.iterations());
    state.counters["manager_ms"] = 1e3 * managerSeconds / static_cast<double>(state.iterations());
    state.counters["ratio"] = managerSeconds / scanSeconds;  // target: at most 2
}
BENCHMARK(ManagerOnFullCache)->Unit(benchmark::kMillisecond)->Iterations(10);

void NameHash32(benchmark::State& state)
{
    std::string name(32, 'n');
    uint8_t block[trv::Sha1::blockSize] = {};
    constexpr int rounds = 200000;
    double hashSeconds = 0, pairSeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            name[i & 31] = static_cast<char>('a' + (i & 15));
            benchmark::DoNotOptimize(trv::nameHash(name));
        }
        hashSeconds += std::chrono::duration<double>(Clock::now() - start).count();

        // Baseline: two applications of the compression function.
        start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            trv::Sha1::State s = trv::Sha1::initialState;
            block[i & 63] = static_cast<uint8_t>(i);
            trv::Sha1::compress(s, block);
            trv::Sha1::compress(s, block);
            benchmark::DoNotOptimize(s);
        }
        pairSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double calls = static_cast<double>(state.iterations()) * rounds;
    state.counters["hash_ns"] = 1e9 * hashSeconds / calls;
    state.counters["pair_ns"] = 1e9 * pairSeconds / calls;
    state.counters["ratio"] = hashSeconds / pairSeconds;  // target: at most 2
}
BENCHMARK(NameHash32)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
