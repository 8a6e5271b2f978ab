// The scene description (KXScene): instances, cameras, lights and materials as the library
// writes them.
#pragma once

#include "MathTypes.h"

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace torvo_renderer {

// Instance render-stat bits; only the bits whose value differs from the initial set are written.
namespace renderStat {
constexpr uint32_t PrimaryVisibility = 1u << 0;
constexpr uint32_t CastShadows = 1u << 1;
constexpr uint32_t ReceiveShadows = 1u << 2;
constexpr uint32_t DoubleSided = 1u << 8;
constexpr uint32_t Opposite = 1u << 9;
constexpr uint32_t CastGI = 1u << 10;
constexpr uint32_t ReceiveGI = 1u << 11;
constexpr uint32_t CastOcclusion = 1u << 14;
constexpr uint32_t ReceiveOcclusion = 1u << 15;
constexpr uint32_t SelfOcclusion = 1u << 18;
constexpr uint32_t Initial = 323071;
}  // namespace renderStat

// One side of a light link: which objects of the other kind it names, and how.
struct LightLinkSet {
    enum class Mode { None, Inclusive, Exclusive };
    Mode mode = Mode::None;
    std::vector<std::string> names;

    // Whether this side lets the named object through.
    bool allows(const std::string& name) const;
};

struct SceneInstance {
    std::string name;
    std::string shape;  // the mesh's cache name
    Mat4 transform;
    uint32_t renderStats = renderStat::Initial;
    LightLinkSet links;  // lights
    std::vector<std::string> materialOverrides;  // empty text: no override

    bool stat(uint32_t bit) const { return (renderStats & bit) != 0; }
};

// Unknown: an environment camera of a kind without a name in the document.
enum class CameraKind { Perspective, Cubemap, Ball, LatLong, Unknown };

struct SceneCamera {
    std::string name;  // hashed name
    Mat4 transform;
    CameraKind kind = CameraKind::Perspective;
    float fovX = Pi / 2;  // horizontal, radians
    float fovY = Pi / 2 * 0.75f;
};

enum class LightKind { Point, Spot, Directional, Area, Window };

struct LightFalloff {
    bool alternative = false;  // "Unreal" attenuation
    float exponent = 0;
    float cutoff = std::numeric_limits<float>::max();
    bool clampToOne = true;
};

struct LightRampEntry {
    Vec3 color;
    float position = 0;
};

struct SceneLight {
    LightKind kind = LightKind::Point;
    std::string name;
    Mat4 transform;  // area and window lights: with the library's fixed adjustment already applied
    Vec3 color;
    int32_t shadowSamples = 1;
    float directScale = 1;
    float indirectScale = 1;
    bool castShadows = false;
    LightLinkSet links;  // instances
    float shadowRadius = 0;        // point, spot
    float shadowAngleDegrees = 0;  // directional, window
    float coneDegrees = 90;        // spot: full cone angle
    float penumbraDegrees = 0;
    float penumbraExponent = 1;
    std::string goboTexture;  // spot, path as written
    std::vector<LightRampEntry> ramp;
    LightFalloff falloff;
};

enum MaterialChannelNumber { Diffuse, Specular, Emissive, Transparency, Shininess, Reflection, MaterialChannelCount };

struct MaterialChannel {
    float color[4] = {0, 0, 0, 0};
    float scale = 1;
    std::string texture;  // path as written, empty without a texture
    std::string uvLayer;
    bool useVertexColors = false;
};

struct SceneMaterial {
    std::string name;
    MaterialChannel channels[MaterialChannelCount];
    float shininess = 0;
    float primaryGIIntensity = 1, primaryGISaturation = 1, secondaryGIIntensity = 1, secondaryGISaturation = 1;
    float diffuseGIBoost = 1, emissiveGIScale = 1, specularGIScale = 1;
    bool alphaAsTransparency = false;

    // The material of a surface that has none: diffuse 0.7 grey.
    static SceneMaterial defaultMaterial();
};

struct SceneDescription {
    std::vector<SceneInstance> instances;
    std::vector<SceneCamera> cameras;
    std::vector<SceneLight> lights;
    std::vector<SceneMaterial> materials;

    // Index of the material of that name, or -1.
    int materialIndex(const std::string& name) const;
    // Index of the instance of that name, or -1.
    int instanceIndex(const std::string& name) const;
    // Whether light lights instance: both sides of the link must allow it. A point that belongs
    // to no instance (instance < 0) is lit by every light that does not list its instances.
    bool lightReaches(const SceneLight& light, int instance) const;
};

// Reads and checks the scene document; throws RenderError for anything it cannot use.
SceneDescription readSceneDocument(const std::filesystem::path& path);

// The material of a mesh's material group for an instance: the instance's override when it has
// one, else the scene's material named like the group, else -1 (the default material).
int resolveMaterial(const SceneDescription& scene, const SceneInstance& instance, const std::string& groupName);

}  // namespace torvo_renderer
