// Lays out the light maps of every instance: the textures and each instance's light-map mesh.
#ifndef TORVO_BAKE_LAYOUTS_H
#define TORVO_BAKE_LAYOUTS_H

#include "BakeModel.h"
#include "Charts.h"
#include "LibraryBake.h"
#include "Options.h"

#include <string>
#include <vector>

namespace torvobake {

struct LayoutResult {
    std::vector<LightmapMesh> meshes;  // one per instance
    std::vector<BakeTexture> textures; // empty for the library's atlas, which makes its own
    std::vector<int> librarySizes;     // per instance, for the library's atlas
    size_t chartCount = 0;
    float density = 0; // texels per world unit (the atlas's, or the first object's)
    double coverage = 0; // share of the textures' texels inside the charts' rectangles
};

// False with error set when the charts do not fit.
bool layOut(const Scene& scene, const Options& options, LayoutResult& out, std::string& error);

} // namespace torvobake

#endif
