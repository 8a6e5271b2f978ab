#include "EmissiveSurfaces.h"

#include "GlobalIllumination.h"
#include "RayScene.h"

#include <algorithm>

namespace torvo_renderer {

namespace {

// Where a triangle's emission is read to weigh it: its corners and its centre, as barycentrics
// (b1, b2), so that a textured or vertex-coloured emitter dark at its centre is still found.
constexpr float probes[][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f / 3.0f, 1.0f / 3.0f}};

float brightest(Vec3 c) { return std::max(c.x, std::max(c.y, c.z)); }

}  // namespace

EmissiveSurfaces::EmissiveSurfaces(const RayScene& rays, const SurfaceMaterials& materials)
{
    std::vector<float> area;
    for (size_t i = 0; i < rays.instances().size(); ++i) {
        const InstanceGeometry& g = rays.instances()[i];
        firstOf_.push_back(area.size());
        for (uint32_t p = 0; p < g.triangles.size(); ++p) {
            area.push_back(0.0f);
            if (!g.stat(renderStat::CastGI))
                continue;
            float emitted = 0.0f;
            for (const auto& b : probes) {
                const SurfaceLook look = materials.at(static_cast<int>(i), static_cast<int>(p), b[0], b[1]);
                emitted = std::max(emitted, brightest(look.emission * look.material->emissiveGIScale));
            }
            const float a = g.area(p);
            if (!(emitted > 0.0f) || !(a > 0.0f))
                continue;
            area.back() = a;
            picks_.push_back({static_cast<int>(i), p, total_});
            total_ += double(emitted) * double(a);
        }
    }
    if (picks_.empty() || !(total_ > 0.0)) {
        picks_.clear();
        return;
    }
    density_.assign(area.size(), 0.0f);
    for (size_t k = 0; k < picks_.size(); ++k) {
        const double next = k + 1 < picks_.size() ? picks_[k + 1].weightBefore : total_;
        const size_t at = firstOf_[static_cast<size_t>(picks_[k].instance)] + picks_[k].primitive;
        density_[at] = static_cast<float>((next - picks_[k].weightBefore) / total_ / double(area[at]));
    }
}

EmissiveSurfaces::Sample EmissiveSurfaces::sample(float u, float v) const
{
    Sample s;
    if (picks_.empty())
        return s;
    const double at = double(u) * total_;
    auto pick = std::upper_bound(picks_.begin(), picks_.end(), at,
                                 [](double a, const Pick& p) { return a < p.weightBefore; });
    if (pick != picks_.begin())
        --pick;
    s.instance = pick->instance;
    s.primitive = pick->primitive;
    const double next = pick + 1 != picks_.end() ? (pick + 1)->weightBefore : total_;
    const double stretched = next > pick->weightBefore ? (at - pick->weightBefore) / (next - pick->weightBefore) : 0.0;
    // Folding the unit square onto the triangle keeps the points uniform over its area.
    s.b1 = std::clamp(static_cast<float>(stretched), 0.0f, 1.0f);
    s.b2 = v;
    if (s.b1 + s.b2 > 1.0f) {
        s.b1 = 1.0f - s.b1;
        s.b2 = 1.0f - s.b2;
    }
    s.density = density(s.instance, s.primitive);
    return s;
}

float EmissiveSurfaces::density(int instance, uint32_t primitive) const
{
    if (density_.empty() || instance < 0 || static_cast<size_t>(instance) >= firstOf_.size())
        return 0.0f;
    const size_t at = firstOf_[static_cast<size_t>(instance)] + primitive;
    return at < density_.size() ? density_[at] : 0.0f;
}

}  // namespace torvo_renderer
