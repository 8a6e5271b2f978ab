// torvo-bake's command line.
#ifndef TORVO_BAKE_OPTIONS_H
#define TORVO_BAKE_OPTIONS_H

#include "BakeModel.h"

#include <optional>
#include <string>
#include <vector>

namespace torvobake {

enum class Layout { Atlas, PerObject, LibraryAtlas };
enum class LightChoice { Automatic, File, Default, Both };

// The passes, in the order the viewer toggles them.
inline const std::vector<std::string>& passNames()
{
    static const std::vector<std::string> names = {"fullshading", "lightmap", "ao", "normals"};
    return names;
}

struct Options {
    std::string model;
    std::string output = "torvo-bake-out";
    std::string cache;  // empty: "cache" in the output folder
    int size = 1024;    // texture side in texels
    float density = 0;  // texels per world unit; above 0 it decides the texture size
    int maxSize = 8192; // largest texture side a density may ask for
    std::vector<std::string> passes = {"lightmap", "ao"};
    int aoRays = 64;
    float aoDistance = 0; // 0: a tenth of the scene's diagonal
    int giRays = 32;      // final-gather rays; 0 bakes direct light only
    int shadowSamples = 16;
    Layout layout = Layout::Atlas;
    int margin = 2;
    float chartAngle = 45;
    int threads = 0; // 0: every core
    int distribution = 0;
    LightChoice lights = LightChoice::Automatic;
    Vec3 sunDirection{-0.4f, -1.0f, -0.3f};
    float sunIntensity = 0.8f;
    float skyIntensity = 0.4f;
    bool quiet = false, verbose = false, timings = false;
    bool view = false;
    int port = 8642;
    std::string viewerDir; // empty: the viewer of the source tree or installation
};

// Parses argv; on a bad command line returns nothing and sets error to one line.
std::optional<Options> parseOptions(int argc, char** argv, std::string& error, bool& helpAsked);

std::string usage();

} // namespace torvobake

#endif
