// The stage document (KXConfig) as the renderer uses it: what to render, for which targets, with
// which settings, and how many counted progress phases each target reports.
#pragma once

#include "LightPassSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace torvo_renderer {

enum class RenderType { None, SurfaceTransfer, VertexTransfer, Render, PointCloudBake };

enum class PassKind {
    FullShading,
    Normals,
    Illumination,          // modes 0 and 2
    IndirectIllumination,  // mode 1
    FullAndIndirect,       // mode 3
    Rnm,
    Lua,
    AmbientOcclusion,
    LightPass,
};

enum class SelfOcclusionMode { Disabled, Environment, Enabled };

struct AmbientOcclusionSettings {
    bool uniformSampling = false;
    bool bentNormals = false;
    bool reflectionOcclusion = false;
    bool useDisplacement = false;
    bool obeyTransparency = true;
    uint32_t minRays = 64;
    uint32_t maxRays = 300;
    float coneAngleDegrees = 180;  // full apex angle of the sampled cone around the normal
    float maxDistance = 0;         // 0: unlimited
    float contrast = 1;
    float scale = 1;
    SelfOcclusionMode selfOcclusion = SelfOcclusionMode::Enabled;
    bool adaptive = false;
    float accuracy = 1;
    float smooth = 1;
};

enum class GIIntegrator { FinalGather, PathTracer, None };

// Global illumination: the primary integrator takes the first bounce from the sample point, the
// secondary one every later bounce.
struct GISettings {
    GIIntegrator primary = GIIntegrator::FinalGather;
    GIIntegrator secondary = GIIntegrator::PathTracer;
    uint32_t finalGatherRays = 64;    // fgRays (smoothing over neighbours multiplies them)
    uint32_t finalGatherDepth = 1;    // fgDepth: bounces the final gather follows before the secondary integrator
    uint32_t pathSamples = 256;       // ptSamples: paths per sample point of the path tracer
    uint32_t maxBounces = 0;          // giMaxBounces: 0 unlimited (Russian roulette ends paths)
    uint32_t rouletteStart = 3;       // giRussianRouletteStart: bounces before paths may end at random
    bool radianceCache = false;       // fgUseCache "RadianceSH"
    int32_t prepassMinRate = -4;      // prepassMinSampleRate, prepassMaxSampleRate: the radiance cache's
    int32_t prepassMaxRate = 0;       // levels (a rate r caches 4^r times the finest level's points)
    uint32_t smoothingRadius = 6;     // giSmoothing: texels (pixels) over which the indirect light is smoothed
};

enum class RnmBasis { HL2, UnrealEngine, UnrealEngineFlipped };
enum class RnmComponents { Direct, Indirect, DirectAndIndirect };
// Allow: signed projections; Disallow: clamped at 0; DisallowCullHorizon: clamped, and light
// from below the surface's own horizon left out.
enum class RnmNegative { Allow, Disallow, DisallowCullHorizon };

struct RnmSettings {
    uint32_t samples = 300;  // 0: the GI settings' sample count
    bool matchNormalIntensity = false;  // adjustIntensity
    bool normalComponent = false;
    RnmComponents components = RnmComponents::DirectAndIndirect;
    RnmNegative allowNegative = RnmNegative::DisallowCullHorizon;
    RnmBasis basis = RnmBasis::HL2;
    bool lambertianClampEnabled = false;
    float lambertianClamp = 2.0f;
};

struct NormalizeSettings {
    bool enabled = false;
    bool perChannel = false;
};

// One surface baked into a texture (or, for vertex targets, one mesh's vertices).
struct SurfaceTarget {
    std::string instance;
    std::string entity;
    std::string uvSet;  // empty: the mesh's first UV layer
    float uvScale[2] = {1, 1};
    float uvBias[2] = {0, 0};
    std::vector<std::string> sourceSurfaces;
};

struct TextureTarget {
    std::string name;  // textureName, already prefixed with the pass's short name
    int width = 0;
    int height = 0;
    std::vector<SurfaceTarget> surfaces;
};

struct PointCloudTarget {
    std::string input;       // as written, relative to the working directory
    std::string outputFile;  // already prefixed
};

// The counted phases one target reports before its result is done.
struct PhaseCounts {
    uint32_t prepassLevels = 0;
    bool gi = false;
    uint32_t primary = 0;          // prepass levels (final gather) or one phase for other integrators
    bool primaryFinalGather = false;
    bool finalGatherDepth = false; // one more primary phase
    uint32_t secondary = 0;
    uint32_t occlusionPrepass = 0; // adaptive occlusion prepass levels

    uint32_t perTarget() const { return (gi ? primary + secondary + 1 : 1) + occlusionPrepass; }
};

// A child node of the stage's targets element, in document order. Nodes that name no target of
// the render type still count as targets for the progress estimate and report empty phases.
struct TargetSlot {
    enum class Kind { Texture, Vertex, PointCloud, Camera, Empty };
    Kind kind = Kind::Empty;
    size_t index = 0;  // into the list of its kind
    std::string label; // for the phase titles
};

struct StageSettings {
    RenderType renderType = RenderType::None;
    PassKind pass = PassKind::FullShading;
    bool giEnabled = false;
    GISettings gi;
    AmbientOcclusionSettings ambientOcclusion;
    NormalizeSettings normalize;
    bool rnmNormalComponent = false;
    RnmSettings rnm;
    std::vector<std::string> fullyBakedLights;  // full and indirect illumination
    std::string luaScript;  // relative to the working directory
    LightPassSettings lightPass;

    std::vector<TargetSlot> slots;
    std::vector<TextureTarget> textures;  // texture targets, or one per mesh for vertex targets
    std::vector<PointCloudTarget> pointClouds;
    std::string cameraName;
    int cameraWidth = 0;
    int cameraHeight = 0;

    PhaseCounts phases;
};

// Reads and checks the stage document; throws RenderError for anything it cannot use.
StageSettings readStageDocument(const std::filesystem::path& path);

// Result layer name of a pass ("tpNormals", ...).
const char* resultLayerName(PassKind pass, const StageSettings& stage);

// Largest texture or image side and texel count accepted.
constexpr int maxImageSide = 16384;
constexpr long long maxImageTexels = 1LL << 26;

}  // namespace torvo_renderer
