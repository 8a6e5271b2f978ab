// The values of a light pass: for each entry, its lights on its entities only.
//
// - "LightMap": the entry's lights' direct light, as the illumination pass computes it.
// - "ShadowMap": the mean over the entry's lights of each light's visibility, 0 to 1 (soft where
//   the light has a radius, an angle or an area), 0 where a light does not reach the point at all
//   (facing away, outside its cone, beyond its cutoff); in R, G and B.
// - "FullShading": not computed yet; zeros, like the full shading pass.
// Points of instances no entry names get zeros (with their coverage).
#pragma once

#include "DirectLighting.h"
#include "LightPassSettings.h"
#include "RayScene.h"
#include "SceneDocument.h"
#include "SignedDistanceField.h"
#include "StageSettings.h"

#include <cstdint>
#include <vector>

namespace torvo_renderer {

class LightPassBake {
public:
    // Throws RenderError for an entry naming a light the scene lacks.
    LightPassBake(const StageSettings& stage, const SceneDescription& scene, const RayScene& rays,
                  const DirectLighting& light);

    // R, G, B at point.
    void at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const;

    // Whether texture results become distance fields, and with which settings.
    bool distanceField() const { return distanceField_; }
    DistanceFieldSettings distanceFieldSettings() const;

private:
    const LightPassSettings& settings_;
    const DirectLighting& light_;
    LightBakeType type_ = LightBakeType::None;
    bool distanceField_ = false;
    std::vector<std::vector<size_t>> lightsOf_;  // per ray-scene instance: scene light indices
};

// The mean world length of a texel side of a baked texture: the world area of its surfaces'
// instances over the texels they cover; 0 when nothing is covered.
float texelWorldSize(const TextureTarget& target, const SceneDescription& scene, const RayScene& rays,
                     const std::vector<uint8_t>& covered);

// Turns the first value channel of a shadow-map texture into its distance field, in R, G and B.
void shadowMapToDistanceField(std::vector<float>& values, size_t channels, int width, int height,
                              const DistanceFieldSettings& settings);

}  // namespace torvo_renderer
