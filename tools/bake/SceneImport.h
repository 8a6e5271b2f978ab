// Reads a model file with Assimp into the bake scene.
#ifndef TORVO_BAKE_SCENEIMPORT_H
#define TORVO_BAKE_SCENEIMPORT_H

#include "BakeModel.h"

#include <string>
#include <vector>

namespace torvobake {

struct ImportResult {
    bool ok = false;
    std::string error;                 // one line, set when !ok
    std::vector<std::string> warnings; // things used with a change
};

// Imports path into out. Embedded textures are written into textureDirectory (made when missing).
// Refuses files Assimp cannot read or that it reads incomplete, scenes without triangles, and
// geometry with numbers that are not finite. Unless verbose, what Assimp prints to standard error
// by itself is dropped.
ImportResult importScene(const std::string& path, const std::string& textureDirectory, Scene& out, bool verbose = false);

} // namespace torvobake

#endif
