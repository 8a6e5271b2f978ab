// Ambient occlusion: the unoccluded fraction of the directions sampled in a cone around the
// surface normal.
#pragma once

#include "RayScene.h"
#include "StageSettings.h"

#include <cstdint>

namespace torvo_renderer {

class AmbientOcclusion {
public:
    AmbientOcclusion(const RayScene& scene, const AmbientOcclusionSettings& settings);

    // The occlusion value at point (after contrast and scale), from the sequence of seed. rays
    // grows by the number of rays traced.
    float at(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const;
    // The unoccluded fraction alone, before contrast and scale.
    float openFraction(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const;

private:
    const RayScene& scene_;
    AmbientOcclusionSettings settings_;
    float cosMax_;
    float maxDistance_;
};

}  // namespace torvo_renderer
