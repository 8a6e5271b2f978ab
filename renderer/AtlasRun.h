// The atlas run (-uvpack): reads the request document, sizes every surface, packs them into
// atlases and writes the layout document the library reads back.
//
// Sizes: a surface of type "Resolution" takes its resolution; one of type "Ratio" takes
// ratioScale x sqrt(world area / UV area) texels on a side, so that one world unit spans
// ratioScale texels on every surface. "Block" packing packs the whole UV square of every surface;
// "Texel" packing only the bounding box of its UVs, which the UV scale and bias then map onto
// the placed rectangle.
//
// The layout document is the request with one SurfaceTransferTexture per atlas under
// KXConfig/SurfaceTransferSettings/targets: textureName is the request's textureName + "_" +
// the atlas index, the resolution (resolutionOverride) is the atlas size, and each surface keeps
// its elements and gains UVBias and UVScale (uv' = uv * UVScale + UVBias).
#pragma once

#include "AtlasPacker.h"
#include "MeshData.h"
#include "SceneDocument.h"

#include <tinyxml2.h>

#include <filesystem>
#include <string>
#include <vector>

namespace torvo_renderer {

class Progress;

// One surface of the request, sized.
struct AtlasSurface {
    std::string entity;    // the entity's name
    std::string instance;  // the instance it shows
    float uvLow[2] = {0, 0}, uvHigh[2] = {1, 1};  // the part of UV space that is packed
    AtlasItem item;
};

// Sizes every surface of the request. Throws RenderError: refused input, or the atlas-failure
// status for a surface larger than an atlas.
std::vector<AtlasSurface> sizeAtlasSurfaces(const tinyxml2::XMLElement* texture, const AtlasLimits& limits,
                                            bool texelPacking, const SceneDescription& scene,
                                            const std::vector<MeshData>& meshes);

// The whole run: request at configuration, result at result. Throws RenderError.
void runAtlas(const std::filesystem::path& configuration, const std::filesystem::path& result,
              const SceneDescription& scene, const std::vector<MeshData>& meshes, Progress& progress);

}  // namespace torvo_renderer
