// Atlas packing: 10,000 surfaces of mixed sizes into 4096 x 4096 atlases with the skyline packer,
// against a shelf packer on the same surfaces in the same run. Targets: a fill rate of at least
// 0.8 and well under a second per layout.
#include "AtlasPacker.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using torvo_renderer::AtlasItem;
using torvo_renderer::AtlasLayout;
using torvo_renderer::AtlasLimits;

// Mostly small surfaces, a few large ones, sides not powers of two, aspect up to 4:1.
std::vector<AtlasItem> mixedSurfaces()
{
    std::mt19937 random(2026);
    std::lognormal_distribution<double> side(4.0, 0.6);
    std::uniform_real_distribution<double> aspect(0.25, 1.0);
    std::uniform_real_distribution<float> place(0, 100);
    std::vector<AtlasItem> items(10000);
    for (AtlasItem& item : items) {
        const double s = std::min(1024.0, std::max(2.0, side(random)));
        const double a = aspect(random);
        item.width = static_cast<int32_t>(s);
        item.height = std::max<int32_t>(1, static_cast<int32_t>(s * a));
        if (random() & 1)
            std::swap(item.width, item.height);
        for (float& c : item.position)
            c = place(random);
    }
    return items;
}

void BM_AtlasPacking(benchmark::State& state)
{
    const std::vector<AtlasItem> items = mixedSurfaces();
    AtlasLimits limits;
    limits.maxWidth = limits.maxHeight = 4096;
    limits.maxTextures = 16;
    limits.padding = static_cast<int32_t>(state.range(0));
    limits.spatial = state.range(1) != 0;
    AtlasLayout skyline, shelves;
    for (auto _ : state) {
        skyline = torvo_renderer::packAtlas(items, limits);
        benchmark::DoNotOptimize(skyline);
    }
    shelves = torvo_renderer::packAtlasShelves(items, limits);
    if (!skyline.packed || !shelves.packed) {
        state.SkipWithError("layout failed");
        return;
    }
    state.counters["atlases"] = skyline.atlasCount;
    state.counters["skyline_fill"] = skyline.fillRate;
    state.counters["shelf_atlases"] = shelves.atlasCount;
    state.counters["shelf_fill"] = shelves.fillRate;
    state.counters["fill_ratio_vs_shelf"] = skyline.fillRate / shelves.fillRate;
}
// Arguments: padding, spatial.
BENCHMARK(BM_AtlasPacking)->Args({0, 0})->Args({2, 0})->Args({2, 1})->Unit(benchmark::kMillisecond);

}  // namespace
