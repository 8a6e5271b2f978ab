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
    AmbientOcclusionSettings ambientOcclusion;
    NormalizeSettings normalize;
    bool rnmNormalComponent = false;
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
