// The values of a light pass: for each entry, its lights on its entities only.
//
// - "LightMap": the entry's lights' direct light, as the illumination pass computes it.
// - "ShadowMap": the mean over the entry's lights of each light's visibility, 0 to 1 (soft where
//   the light has a radius, an angle or an area), 0 where a light does not reach the point at all
//   (facing away, outside its cone, beyond its cutoff); in R, G and B.
// - "FullShading": what a camera would see of the entry's lights alone: the albedo times their
//   direct light plus the indirect light they send around the scene (no emission).
// Points of instances no entry names get zeros (with their coverage).
#pragma once

#include "DirectLighting.h"
#include "GlobalIllumination.h"
#include "LightPassSettings.h"
#include "RayScene.h"
#include "SceneDocument.h"
#include "SignedDistanceField.h"
#include "StageSettings.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace torvo_renderer {

class LightPassBake {
public:
    // Throws RenderError for an entry naming a light the scene lacks. textures: the scene's decoded
    // images (materials, gobos).
    LightPassBake(const StageSettings& stage, const SceneDescription& scene, const RayScene& rays,
                  const DirectLighting& light, const std::map<std::string, TextureImage>& textures);

    // R, G, B at point.
    void at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const;

    // Whether texture results become distance fields, and with which settings.
    bool distanceField() const { return distanceField_; }
    DistanceFieldSettings distanceFieldSettings() const;

private:
    // Full shading of one set of lights: their direct light, and the light they send around the
    // scene, each on its own (no emission, no other light).
    struct Shading {
        std::unique_ptr<DirectLighting> direct;
        std::unique_ptr<DirectLighting> bounced;  // the lights at their indirect scales
        std::unique_ptr<GlobalIllumination> gi;
    };

    const LightPassSettings& settings_;
    const DirectLighting& light_;
    LightBakeType type_ = LightBakeType::None;
    bool distanceField_ = false;
    std::vector<std::vector<size_t>> lightsOf_;  // per ray-scene instance: scene light indices
    std::unique_ptr<SurfaceMaterials> materials_;  // full shading only
    std::vector<Shading> shading_;                 // full shading: one per distinct light set
    std::vector<int> shadingOf_;                   // per ray-scene instance: index into shading_, -1 for none
};

// The mean world length of a texel side of a baked texture: the world area of its surfaces'
// instances over the texels they cover; 0 when nothing is covered.
float texelWorldSize(const TextureTarget& target, const SceneDescription& scene, const RayScene& rays,
                     const std::vector<uint8_t>& covered);

// Turns the first value channel of a shadow-map texture into its distance field, in R, G and B.
void shadowMapToDistanceField(std::vector<float>& values, size_t channels, int width, int height,
                              const DistanceFieldSettings& settings);

}  // namespace torvo_renderer
