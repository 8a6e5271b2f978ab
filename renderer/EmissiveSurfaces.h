// The triangles that give off light through their material's emission, for sampling them as light
// sources. A gather ray finds a small bright emitter only by chance (a glowing crate a few metres
// off covers well under 1% of a wall texel's hemisphere, so a few dozen rays hit it zero, one or
// two times), which shows as grain the smoothing cannot take out. Aiming one extra ray per gather
// ray at a point chosen on the emitters, and weighting the two ways of finding an emitter by how
// likely each was to find it, keeps the estimate unbiased with far less noise.
#pragma once

#include "MathTypes.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

class RayScene;
class SurfaceMaterials;

class EmissiveSurfaces {
public:
    // Takes every triangle of the instances that cast GI whose emission is not black, chosen in
    // proportion to its area times its brightest emitted colour.
    EmissiveSurfaces(const RayScene& rays, const SurfaceMaterials& materials);

    bool empty() const { return picks_.empty(); }

    struct Sample {
        int instance = -1;
        uint32_t primitive = 0;
        float b1 = 0, b2 = 0;
        float density = 0;  // per unit area, of choosing this point
    };
    // A point on the emitters from two uniform numbers: u picks the triangle and, stretched over
    // the triangle's share, joins v to pick the point on it (uniform over its area). Evenly spread
    // pairs (u, v) so give evenly spread points.
    Sample sample(float u, float v) const;
    // The density per unit area with which sample() picks the points of an instance's primitive.
    float density(int instance, uint32_t primitive) const;

private:
    struct Pick {
        int instance;
        uint32_t primitive;
        double weightBefore;  // the running sum of the weights of the triangles before it
    };
    std::vector<Pick> picks_;
    double total_ = 0;
    std::vector<size_t> firstOf_;  // per instance, its primitives' first index into density_
    std::vector<float> density_;   // per primitive of every instance; empty when there are no emitters
};

}  // namespace torvo_renderer
