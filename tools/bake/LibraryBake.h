// The bake through the library's public interface: meshes, scene, job, and the results read back.
#ifndef TORVO_BAKE_LIBRARYBAKE_H
#define TORVO_BAKE_LIBRARYBAKE_H

#include "BakeModel.h"
#include "Charts.h"
#include "Options.h"
#include "Progress.h"

#include <map>
#include <string>
#include <vector>

namespace torvobake {

struct BakeTexture {
    std::string name;
    int width = 0, height = 0;
    std::map<std::string, std::vector<float>> passes; // pass name -> RGBA pixels, row 0 first
};

struct BakeTimings {
    double libraryCalls = 0; // meshes, textures, scene, job and targets handed to the library, results read
    double renderer = 0;     // from the job's start to its end
};

struct BakeInput {
    const Scene* scene = nullptr;
    std::vector<LightmapMesh>* layouts = nullptr; // one per instance; the library's atlas rewrites them
    std::vector<BakeTexture>* textures = nullptr; // the textures of the layouts (filled for the library's atlas)
    std::vector<int> librarySizes;                // per instance, for the library's atlas: its resolution
};

// Bakes; false with error set (one line) on failure.
bool bakeWithLibrary(const Options& options, BakeInput& input, Progress& progress, BakeTimings& timings,
                     std::vector<std::string>& warnings, std::string& error);

} // namespace torvobake

#endif
