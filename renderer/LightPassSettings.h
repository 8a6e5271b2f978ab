// The light pass of a stage: entries of lights and the target entities they light, all of one
// bake type, and the shadow map's distance field settings.
#pragma once

#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace torvo_renderer {

enum class LightBakeType { LightMap, ShadowMap, FullShading, None };

struct LightPassEntry {
    std::vector<std::string> lights;
    LightBakeType bakeType = LightBakeType::None;
    std::vector<std::string> targets;  // entity names
};

struct LightPassSettings {
    std::vector<LightPassEntry> entries;
    bool signedDistanceField = false;
    int filterPixels = 0;
    float maxWorldDistance = 0;
};

// From the components node (RenderComponents or VertexBakeComponents). Throws RenderError.
LightPassSettings readLightPassSettings(const tinyxml2::XMLElement* components);

}  // namespace torvo_renderer
