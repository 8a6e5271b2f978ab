#include "Layouts.h"

#include <algorithm>
#include <cmath>

namespace torvobake {

namespace {

double chartArea(const std::vector<std::vector<Chart>>& charts)
{
    double area = 0;
    for (const auto& instanceCharts : charts)
        for (const Chart& chart : instanceCharts)
            area += static_cast<double>(chart.width) * chart.density * chart.height * chart.density;
    return area;
}

} // namespace

bool layOut(const Scene& scene, const Options& options, LayoutResult& out, std::string& error)
{
    LayoutSettings settings;
    settings.chartAngleDegrees = options.chartAngle;
    settings.marginTexels = options.margin;
    std::vector<std::vector<Chart>> charts(scene.instances.size());
    std::vector<Chart*> all;
    for (size_t i = 0; i < scene.instances.size(); ++i) {
        const Instance& instance = scene.instances[i];
        charts[i] = makeCharts(scene.meshes[instance.mesh], instance.world, settings);
        out.chartCount += charts[i].size();
        for (Chart& chart : charts[i])
            all.push_back(&chart);
    }
    const std::string sizeText = std::to_string(options.size) + " x " + std::to_string(options.size);

    // One texture for all: at the given density, the smallest texture that holds it; otherwise
    // the densest layout in the given size.
    if (options.layout == Layout::Atlas) {
        int side = options.size;
        float density = options.density;
        if (density > 0) {
            const auto fitted = fitSize(all, density, options.maxSize, settings);
            if (!fitted) {
                error = "the charts do not fit into " + std::to_string(options.maxSize) +
                        " texels square at that density; lower --density or raise --max-size";
                return false;
            }
            side = *fitted;
        } else {
            const auto fitted = fitDensity(all, side, side, settings);
            if (!fitted) {
                error = "the model's " + std::to_string(all.size()) + " charts do not fit into " + sizeText +
                        " texels even at the smallest size; raise --size";
                return false;
            }
            density = *fitted;
        }
        out.density = density;
        out.textures.push_back(BakeTexture{"atlas0", side, side, {}});
        for (const auto& instanceCharts : charts)
            out.meshes.push_back(joinCharts(instanceCharts, side, side));
        out.coverage = chartArea(charts) / (static_cast<double>(side) * side);
        return true;
    }

    // One texture per object (or one square per object for the library's atlas): at the given
    // density each its own size; otherwise every object at the density of a shared atlas of the
    // given size, or, per object, the whole texture.
    float sharedDensity = options.density;
    if (sharedDensity <= 0 && options.layout == Layout::LibraryAtlas) {
        const auto fitted = fitDensity(all, options.size, options.size, settings);
        if (!fitted) {
            error = "the model's charts do not fit into " + sizeText + " texels; raise --size";
            return false;
        }
        sharedDensity = *fitted;
    }
    for (size_t i = 0; i < charts.size(); ++i) {
        std::vector<Chart*> own;
        for (Chart& chart : charts[i])
            own.push_back(&chart);
        int side = options.size;
        if (sharedDensity > 0) {
            const auto fitted = fitSize(own, sharedDensity, options.layout == Layout::LibraryAtlas ? options.size : options.maxSize,
                                        settings);
            if (!fitted) {
                error = "\"" + scene.instances[i].name + "\" does not fit into one texture at that density";
                return false;
            }
            side = *fitted;
        } else if (!fitDensity(own, side, side, settings)) {
            error = "\"" + scene.instances[i].name + "\" has too many charts for " + sizeText + " texels; raise --size";
            return false;
        }
        if (i == 0)
            out.density = own.empty() ? 0 : own.front()->density;
        LightmapMesh mesh = joinCharts(charts[i], side, side);
        if (options.layout == Layout::PerObject) {
            mesh.texture = static_cast<int>(out.textures.size());
            out.textures.push_back(BakeTexture{"object" + std::to_string(i), side, side, {}});
        } else {
            out.librarySizes.push_back(side);
        }
        out.meshes.push_back(std::move(mesh));
    }
    double texels = 0;
    for (const BakeTexture& texture : out.textures)
        texels += static_cast<double>(texture.width) * texture.height;
    for (const int side : out.librarySizes)
        texels += static_cast<double>(side) * side;
    out.coverage = texels > 0 ? chartArea(charts) / texels : 0;
    return true;
}

} // namespace torvobake
