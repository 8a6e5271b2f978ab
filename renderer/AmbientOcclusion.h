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
    // Whether point lies inside or under other geometry (a face resting on another, or sunk into
    // it): the first surface straight out along its normal, at any distance, shows it its back.
    // Rays from such a point that slip out sideways between the solids, or reach no further than
    // the occlusion distance inside a large one, count as open and speckle an otherwise closed
    // face. rays grows by one.
    bool buried(const SurfacePoint& point, uint64_t& rays) const;

private:
    // Whether point's instance receives occlusion (a free point always does).
    bool receives(const SurfacePoint& point) const;
    // The surfaces that may occlude point, as the settings' self-occlusion mode says.
    RayFilter filterFor(const SurfacePoint& point) const;

    const RayScene& scene_;
    AmbientOcclusionSettings settings_;
    float cosMax_;
    float maxDistance_;
};

}  // namespace torvo_renderer
