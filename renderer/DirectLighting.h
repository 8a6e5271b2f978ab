// Direct light from the scene's lights, as a white diffuse surface reflects it.
#pragma once

#include "RayScene.h"
#include "SceneDocument.h"
#include "TextureImage.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace torvo_renderer {

class DirectLighting {
public:
    // textures: the decoded images by the path written in the scene (spot light gobos).
    DirectLighting(const SceneDescription& scene, const RayScene& rays, const std::map<std::string, TextureImage>& textures);

    // The light reaching point, summed over every light linked to its instance. rays grows by the
    // number of shadow rays traced.
    Vec3 at(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const;

    // The light reaching point projected onto count unit directions (out[k] for directions[k]):
    // what a white diffuse surface facing each direction would reflect. Point, spot and
    // directional lights give their strength times the cosine to each direction (signed when
    // signedCosine, else clamped at 0); area and window lights their form factor towards each
    // direction. With cullHorizon, light from below the surface's own horizon is left out.
    void project(const SurfacePoint& point, const Vec3* directions, size_t count, bool signedCosine,
                 bool cullHorizon, uint64_t seed, uint64_t& rays, Vec3* out) const;
    // The light of the scene's light `index` alone at point (0 where links keep it away), and in
    // seen its unshadowed share: 0 where it does not reach the point at all.
    Vec3 fromLight(size_t index, const SurfacePoint& point, uint64_t seed, uint64_t& rays, float& seen) const;
    size_t lightCount() const { return lights_.size(); }

    struct Light {
        LightKind kind = LightKind::Point;
        Vec3 color;            // with the direct scale
        Vec3 position;         // point, spot: the light; area, window: the centre of the square
        Vec3 toLight;          // directional: unit direction towards the light
        Vec3 axis;             // spot: unit direction the light shines along
        Vec3 edgeX, edgeY;     // area, window: half edges of the square
        Vec3 emitting;         // area, window: unit normal of the lit side
        float cosInner = 1, cosOuter = -1;  // spot cone and penumbra
        float innerAngle = 0, outerAngle = 0;
        float penumbraExponent = 1;
        float tanHalfCone = 1;
        Vec3 goboX, goboY;     // spot: the light's unit local X and Y
        const TextureImage* gobo = nullptr;
        LightFalloff falloff;
        bool castShadows = false;
        int samples = 1;
        float shadowRadius = 0;
        float cosShadowCone = 1;  // directional: cosine of half the shadow angle
        std::vector<uint8_t> reaches;  // per instance
        bool reachesFree = true;       // points that belong to no instance
    };

    // The attenuation of a light at distance d.
    static float attenuation(const LightFalloff& falloff, float distance);
    // The share of a white diffuse surface's full-hemisphere response that a square light gives
    // (the point-to-polygon form factor), before shadows.
    static float squareFormFactor(const Light& light, Vec3 position, Vec3 normal);

private:
    Vec3 lightFrom(const Light& light, size_t index, const SurfacePoint& point, uint64_t seed, uint64_t& rays,
                   float* seen = nullptr) const;
    float visibility(const Light& light, size_t index, const SurfacePoint& point, Vec3 toLight, float distance,
                     uint64_t seed, uint64_t& rays) const;

    const RayScene& rays_;
    std::vector<Light> lights_;
};

}  // namespace torvo_renderer
