// What a pass writes per sample point, and the channels it writes it into.
#pragma once

#include "AmbientOcclusion.h"
#include "DirectLighting.h"
#include "GlobalIllumination.h"
#include "LuaPass.h"
#include "RayScene.h"
#include "StageSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace torvo_renderer {

class LightPassBake;

enum class ResultKind { Texture, Camera, Points };

// The channels of one result. The first valueCount channels hold the pass's values; coverage
// (1 where a surface was baked or seen) and depth sit in the channels named by their indices.
struct ChannelLayout {
    std::vector<std::string> names;  // EXR channel names, in channel order
    size_t valueCount = 0;
    int coverage = -1;
    int depth = -1;

    size_t size() const { return names.size(); }
};

ChannelLayout channelLayout(PassKind pass, const StageSettings& stage, ResultKind kind);

// Channels the Lua pass writes: the script's values.
constexpr size_t luaChannelCount = luaValueCount;

// The three directions of an RNM basis in tangent space (x along the tangent, y along the
// bitangent, z along the normal).
void rnmBasis(RnmBasis basis, Vec3 directions[3]);

// The unit tangent frame of a surface point: the tangent follows the first UV layer's u, the
// bitangent its v (both made orthogonal to the normal); any frame around the normal where there
// is no usable layout.
void tangentFrame(const RayScene& rays, const SurfacePoint& point, Vec3& tangent, Vec3& bitangent);

class PassValues {
public:
    // light: every light at its direct scale; textures: the scene's decoded images.
    PassValues(PassKind pass, const StageSettings& stage, const SceneDescription& scene, const RayScene& rays,
               const DirectLighting& light, const std::map<std::string, TextureImage>& textures,
               const std::filesystem::path& luaScript = {});

    // Fills level (0 the coarsest) of the radiance cache the indirect light reads, if it reads one;
    // levels come in order, and the bake builds the ones not built yet itself.
    void prepass(uint32_t level, Progress* progress);
    void prepassAll();
    // Rays the prepass levels built so far have traced.
    uint64_t prepassRays() const;

    // A light pass takes its values from bake (which must outlive this).
    void setLightPass(const LightPassBake* bake);

    // Writes the pass's values at point into values (layout's valueCount floats).
    void at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const;

    // Whether the pass tells points inside or under other geometry apart (see buriedAt).
    bool marksBuried() const { return computes_ == Computes::Occlusion; }
    // Whether point is buried as the pass sees it: for occlusion, AmbientOcclusion::buried. A
    // texture bake gives such points its neighbours' values (as it does for buried points of the
    // indirect light). rays grows by the rays traced.
    bool buriedAt(const SurfacePoint& point, uint64_t& rays) const;

    // The floats of indirect light that a bake over a grid of points may smooth before they join the
    // values (0 when the pass has no indirect light or smoothing is off), and the smoothing radius.
    size_t indirectCount() const;
    int smoothingRadius() const { return smoothing_; }
    // The two halves of at for such a bake: indirect gets the indirect light at point
    // (indirectCount floats); then, once smoothed, finish writes values as at would with it.
    // backShare, when given, gets the share of gather rays that met back faces.
    void indirectAt(const SurfacePoint& point, uint64_t seed, float* indirect, uint64_t& rays,
                    float* backShare = nullptr) const;
    void finish(const SurfacePoint& point, uint64_t seed, const float* indirect, float* values, uint64_t& rays) const;

private:
    enum class Computes { Normals, Illumination, Indirect, FullAndIndirect, FullShading, Rnm, Lua, Occlusion, LightPass, Nothing };
    // RNM values from the indirect projections onto the three basis directions and the normal
    // (given, or computed when null).
    void rnm(const SurfacePoint& point, uint64_t seed, const Vec3* indirect, float* values, uint64_t& rays) const;
    // The basis directions in the world at point (rnmDirections of them), then the normal itself,
    // which the normal component and the clamps read.
    void rnmDirectionsAt(const SurfacePoint& point, Vec3* directions) const;
    void rnmIndirect(const SurfacePoint& point, uint64_t seed, Vec3* out, uint64_t& rays,
                     float* backShare = nullptr) const;

    Computes computes_;
    const LightPassBake* lightPass_ = nullptr;
    size_t count_;
    bool withIndirect_;  // illumination and full shading add the indirect light
    int smoothing_ = 0;  // radius in grid steps over which texture and camera bakes smooth the indirect light
    const DirectLighting& light_;
    const RayScene& rays_;
    RnmSettings rnm_;
    AmbientOcclusion occlusion_;
    SurfaceMaterials materials_;
    std::unique_ptr<DirectLighting> indirectLight_;  // the lights at their indirect scales
    std::unique_ptr<DirectLighting> fullyBaked_;     // full and indirect: the fully baked lights only
    std::unique_ptr<GlobalIllumination> gi_;
    std::unique_ptr<LuaPass> lua_;
};

}  // namespace torvo_renderer
