#include "Options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace torvobake {
namespace {

// The largest texture side the renderer bakes.
constexpr int largestSide = 16384;

bool parseInt(const std::string& text, int low, int high, int& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool parseFloat(const std::string& text, float low, float high, float& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < low || value > high)
        return false;
    out = value;
    return true;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

} // namespace

std::string usage()
{
    return R"(usage: torvo-bake [options] MODEL

Bakes light maps for a model file (glTF 2.0, OBJ, FBX, Collada, IFC and whatever else Assimp
reads) and writes them, with a glTF binary of the scene that shows them, to the output folder.

Output and size:
  -o, --output DIR         output folder (default: torvo-bake-out)
      --cache DIR          the library's cache folder (default: DIR/cache)
  -s, --size N             texture side in texels (default: 1024)
      --density D          texels per world unit; the texture side follows from it
                           (at most --max-size, default 8192)
      --layout KIND        atlas: every object's charts in one texture (default);
                           per-object: one texture per object;
                           library: the library's atlased target packs the objects
      --atlas              the same as --layout atlas
      --per-object         the same as --layout per-object
      --margin N           free texels between charts (default: 2)
      --chart-angle DEG    largest angle between faces of one chart (default: 45)

What is baked:
  -p, --passes LIST        comma-separated among lightmap, ao, fullshading, normals
                           (default: lightmap,ao)
      --ao-rays N          occlusion rays per texel (default: 64)
      --ao-distance D      occlusion reach in world units (default: a tenth of the scene)
      --gi-rays N          final-gather rays per texel for indirect light; 0 bakes direct
                           light only (default: 32)
      --shadow-samples N   shadow rays per light and texel for soft lights (default: 16)

Lights (a model without lights gets a sun and a sky: a large area light above the scene):
      --lights KIND        auto: the file's lights, else the default ones (default);
                           file, default, or both
      --sun X,Y,Z          direction the sunlight travels (default: -0.4,-1,-0.3)
      --sun-intensity F    (default: 0.8)
      --sky-intensity F    (default: 0.4)

Running:
  -j, --threads N          renderer threads (default: every core)
      --distribution KIND  local (default), preferred or only: where the renderer runs
  -q, --quiet              no progress, only errors
  -v, --verbose            the library's and renderer's log on standard output
      --timings            print where the time went (import, library calls, renderer)
      --view               serve the viewer and the result on localhost and print the address
      --port N             the viewer's port (default: 8642)
      --viewer-dir DIR     the viewer page's folder
  -h, --help               this text
)";
}

std::optional<Options> parseOptions(int argc, char** argv, std::string& error, bool& helpAsked)
{
    Options options;
    helpAsked = false;
    std::vector<std::string> models;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const size_t equals = arg.find('=');
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                hasInlineValue = true;
            }
        }
        const auto next = [&](std::string& into) {
            if (hasInlineValue) {
                into = value;
                return true;
            }
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        const auto bad = [&](const std::string& what) {
            error = "option " + arg + ": \"" + value + "\" is not " + what;
            return std::nullopt;
        };
        if (arg == "-h" || arg == "--help") {
            helpAsked = true;
            return std::nullopt;
        } else if (arg == "-o" || arg == "--output") {
            if (!next(options.output))
                return std::nullopt;
            if (options.output.empty())
                return bad("a folder");
        } else if (arg == "--cache") {
            if (!next(options.cache))
                return std::nullopt;
        } else if (arg == "-s" || arg == "--size") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 16, largestSide, options.size))
                return bad("a texture side from 16 to " + std::to_string(largestSide));
        } else if (arg == "--density") {
            if (!next(value))
                return std::nullopt;
            if (!parseFloat(value, 1e-6f, 1e9f, options.density) || options.density <= 0)
                return bad("a positive number of texels per world unit");
        } else if (arg == "--max-size") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 16, largestSide, options.maxSize))
                return bad("a texture side from 16 to " + std::to_string(largestSide));
        } else if (arg == "--layout") {
            if (!next(value))
                return std::nullopt;
            if (value == "atlas")
                options.layout = Layout::Atlas;
            else if (value == "per-object")
                options.layout = Layout::PerObject;
            else if (value == "library")
                options.layout = Layout::LibraryAtlas;
            else
                return bad("atlas, per-object or library");
        } else if (arg == "--atlas") {
            options.layout = Layout::Atlas;
        } else if (arg == "--per-object") {
            options.layout = Layout::PerObject;
        } else if (arg == "--margin") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 0, 64, options.margin))
                return bad("a number of texels from 0 to 64");
        } else if (arg == "--chart-angle") {
            if (!next(value))
                return std::nullopt;
            if (!parseFloat(value, 1, 89, options.chartAngle))
                return bad("an angle from 1 to 89 degrees");
        } else if (arg == "-p" || arg == "--passes") {
            if (!next(value))
                return std::nullopt;
            options.passes.clear();
            for (const std::string& pass : split(value, ',')) {
                const auto& known = passNames();
                if (std::find(known.begin(), known.end(), pass) == known.end())
                    return bad("a list of lightmap, ao, fullshading and normals");
                if (std::find(options.passes.begin(), options.passes.end(), pass) == options.passes.end())
                    options.passes.push_back(pass);
            }
            if (options.passes.empty())
                return bad("a list of lightmap, ao, fullshading and normals");
        } else if (arg == "--ao-rays") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 1, 65536, options.aoRays))
                return bad("a number of rays from 1 to 65536");
        } else if (arg == "--ao-distance") {
            if (!next(value))
                return std::nullopt;
            if (!parseFloat(value, 0, 1e30f, options.aoDistance) || options.aoDistance <= 0)
                return bad("a positive distance");
        } else if (arg == "--gi-rays") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 0, 65536, options.giRays))
                return bad("a number of rays from 0 to 65536");
        } else if (arg == "--shadow-samples") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 1, 4096, options.shadowSamples))
                return bad("a number of samples from 1 to 4096");
        } else if (arg == "--lights") {
            if (!next(value))
                return std::nullopt;
            if (value == "auto")
                options.lights = LightChoice::Automatic;
            else if (value == "file")
                options.lights = LightChoice::File;
            else if (value == "default")
                options.lights = LightChoice::Default;
            else if (value == "both")
                options.lights = LightChoice::Both;
            else
                return bad("auto, file, default or both");
        } else if (arg == "--sun") {
            if (!next(value))
                return std::nullopt;
            const auto parts = split(value, ',');
            Vec3 d;
            if (parts.size() != 3 || !parseFloat(parts[0], -1e6f, 1e6f, d.x) || !parseFloat(parts[1], -1e6f, 1e6f, d.y) ||
                !parseFloat(parts[2], -1e6f, 1e6f, d.z) || length(d) == 0)
                return bad("a direction X,Y,Z");
            options.sunDirection = d;
        } else if (arg == "--sun-intensity") {
            if (!next(value))
                return std::nullopt;
            if (!parseFloat(value, 0, 1e6f, options.sunIntensity))
                return bad("an intensity of at least 0");
        } else if (arg == "--sky-intensity") {
            if (!next(value))
                return std::nullopt;
            if (!parseFloat(value, 0, 1e6f, options.skyIntensity))
                return bad("an intensity of at least 0");
        } else if (arg == "-j" || arg == "--threads") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 1, 4096, options.threads))
                return bad("a number of threads from 1 to 4096");
        } else if (arg == "--distribution") {
            if (!next(value))
                return std::nullopt;
            if (value == "local")
                options.distribution = 0;
            else if (value == "preferred")
                options.distribution = 1;
            else if (value == "only")
                options.distribution = 2;
            else
                return bad("local, preferred or only");
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--timings") {
            options.timings = true;
        } else if (arg == "--view") {
            options.view = true;
        } else if (arg == "--port") {
            if (!next(value))
                return std::nullopt;
            if (!parseInt(value, 1, 65535, options.port))
                return bad("a port from 1 to 65535");
        } else if (arg == "--viewer-dir") {
            if (!next(options.viewerDir))
                return std::nullopt;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg + " (see --help)";
            return std::nullopt;
        } else {
            models.push_back(arg);
        }
        if (hasInlineValue && value.empty() && arg != "--cache") {
            error = "option " + arg + " needs a value";
            return std::nullopt;
        }
    }
    if (models.size() != 1) {
        error = models.empty() ? "no model file given (see --help)" : "more than one model file given";
        return std::nullopt;
    }
    options.model = models.front();
    if (options.quiet && options.verbose) {
        error = "--quiet and --verbose exclude each other";
        return std::nullopt;
    }
    return options;
}

} // namespace torvobake
