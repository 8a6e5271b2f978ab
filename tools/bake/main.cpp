// torvo-bake: bakes light maps for a model file through the torvo32 library.
#include "GlbWriter.h"
#include "ImageFiles.h"
#include "Layouts.h"
#include "LibraryBake.h"
#include "Options.h"
#include "Progress.h"
#include "SceneImport.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace torvobake;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

int fail(const std::string& line, int code = exitFailure)
{
    std::fprintf(stderr, "torvo-bake: %s\n", line.c_str());
    return code;
}

// The pass a viewer shows first: full shading when baked, else the light map, else the first.
std::string shownPass(const std::vector<std::string>& passes)
{
    for (const char* preferred : {"fullshading", "lightmap"})
        for (const std::string& pass : passes)
            if (pass == preferred)
                return pass;
    return passes.front();
}

// PNG encoding of a pass: normals are stored as n/2 + 1/2 without a gamma, as normal maps are.
std::vector<uint8_t> passPng(const std::string& pass, const std::vector<float>& rgba, int width, int height)
{
    if (pass != "normals") {
        std::vector<float> filled(rgba);
        fillGutters(filled, width, height, gutterFillRings);
        return encodePng(filled, width, height, displayGamma);
    }
    std::vector<float> encoded(rgba);
    for (size_t i = 0; i < encoded.size(); i += 4)
        for (int c = 0; c < 3; ++c)
            encoded[i + c] = rgba[i + 3] > 0 ? 0.5f * rgba[i + c] + 0.5f : 0.0f;
    return encodePng(encoded, width, height, 1.0f);
}

GlbDocument makeDocument(const Scene& scene, const std::vector<LightmapMesh>& layouts,
                         const std::vector<BakeTexture>& textures, const std::vector<std::vector<int>>& images,
                         const std::vector<std::vector<uint8_t>>& pngs, const Options& options)
{
    GlbDocument document;
    const auto& known = passNames();
    for (const std::string& name : known)
        for (const std::string& pass : options.passes)
            if (pass == name)
                document.passOrder.push_back(pass);
    document.images = pngs;
    for (size_t t = 0; t < textures.size(); ++t) {
        GlbMaterial material;
        material.name = textures[t].name;
        for (size_t p = 0; p < options.passes.size(); ++p)
            material.passImages[options.passes[p]] = images[t][p];
        material.shown = shownPass(options.passes);
        document.materials.push_back(material);
    }
    for (size_t i = 0; i < scene.instances.size(); ++i) {
        const Instance& instance = scene.instances[i];
        const Mesh& mesh = scene.meshes[instance.mesh];
        const LightmapMesh& layout = layouts[i];
        GlbPrimitive primitive;
        primitive.name = instance.name;
        primitive.material = layout.texture;
        for (size_t v = 0; v < layout.sourceVertex.size(); ++v) {
            const uint32_t s = layout.sourceVertex[v];
            primitive.positions.push_back(instance.world.transformPoint(mesh.positions[s]));
            primitive.normals.push_back(instance.world.transformNormal(mesh.normals[s]));
            if (!mesh.uv0.empty())
                primitive.uv0.push_back(mesh.uv0[s]);
        }
        primitive.uv1 = layout.uv;
        primitive.indices = layout.indices;
        document.primitives.push_back(std::move(primitive));
    }
    return document;
}

#ifndef TORVO_BAKE_VIEWER_DIR
#define TORVO_BAKE_VIEWER_DIR ""
#endif

// Serves the viewer with the result until the server is stopped: the viewer's own server takes
// over this process.
int view(const Options& options, const std::string& glb)
{
    std::error_code ignored;
    std::string dir = options.viewerDir;
    if (dir.empty()) {
        // The source tree's viewer for a build, the installed one (<prefix>/share/torvo32/viewer
        // beside <prefix>/bin) for an installation.
        dir = TORVO_BAKE_VIEWER_DIR;
        const fs::path installed = fs::read_symlink("/proc/self/exe", ignored).parent_path().parent_path() /
                                   "share" / "torvo32" / "viewer";
        if (!fs::is_regular_file(fs::path(dir) / "serve.mjs", ignored) && fs::is_regular_file(installed / "serve.mjs", ignored))
            dir = installed.string();
    }
    const std::string server = (fs::path(dir) / "serve.mjs").string();
    if (dir.empty() || !fs::is_regular_file(server, ignored))
        return fail("--view: no viewer at " + (dir.empty() ? std::string("(none built in)") : dir) + " (see --viewer-dir)");
    const std::string port = std::to_string(options.port);
    std::fflush(stdout);
    execlp("node", "node", server.c_str(), "--port", port.c_str(), glb.c_str(), static_cast<char*>(nullptr));
    return fail("--view: cannot start node to serve the viewer");
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    bool help = false;
    const auto parsed = parseOptions(argc, argv, error, help);
    if (help) {
        std::printf("%s", usage().c_str());
        return 0;
    }
    if (!parsed)
        return fail(error, exitUsage);
    const Options& options = *parsed;
    Progress progress(stdout, isatty(STDOUT_FILENO) != 0, options.quiet);
    const auto report = [&](const std::vector<std::string>& warnings) {
        if (!options.quiet)
            for (const std::string& w : warnings)
                std::fprintf(stderr, "torvo-bake: warning: %s\n", w.c_str());
    };

    const std::string cache = options.cache.empty() ? (fs::path(options.output) / "cache").string() : options.cache;

    const auto importStart = Clock::now();
    progress.step("Importing " + options.model);
    Scene scene;
    const ImportResult imported = importScene(options.model, (fs::path(cache) / "embedded").string(), scene, options.verbose);
    report(imported.warnings);
    if (!imported.ok)
        return fail(imported.error);
    const double importSeconds = seconds(importStart);

    std::error_code fsError;
    fs::create_directories(options.output, fsError);
    if (fsError || !fs::is_directory(options.output, fsError))
        return fail("cannot make the output folder " + options.output);

    const auto layoutStart = Clock::now();
    LayoutResult layout;
    if (!layOut(scene, options, layout, error))
        return fail(error);
    const double layoutSeconds = seconds(layoutStart);
    size_t triangles = 0;
    for (const LightmapMesh& mesh : layout.meshes)
        triangles += mesh.indices.size() / 3;
    progress.step("  " + std::to_string(scene.instances.size()) + " objects, " + std::to_string(triangles) +
                  " triangles, " + std::to_string(scene.lights.size()) + " lights in the file; " +
                  std::to_string(layout.chartCount) + " light-map charts");
    if (options.verbose)
        std::printf("  layout: %g texels per world unit; the charts fill %.0f%% of the texture space\n", layout.density,
                    100.0 * layout.coverage);

    if (options.verbose) {
        const Bounds bounds = worldBounds(scene);
        std::printf("  the model spans (%g, %g, %g) to (%g, %g, %g)\n", bounds.min.x, bounds.min.y, bounds.min.z,
                    bounds.max.x, bounds.max.y, bounds.max.z);
    }
    if (options.verbose)
        for (const Light& light : scene.lights) {
            static const char* const kinds[] = {"point", "spot", "directional", "area"};
            const Vec3 at = light.placement.transformPoint({});
            const Vec3 along = normalized(light.placement.transformVector({0, 0, -1}));
            std::printf("  light \"%s\": %s at (%g, %g, %g) along (%g, %g, %g), colour (%g, %g, %g), falloff 1/d^%g\n",
                        light.name.c_str(), kinds[static_cast<int>(light.kind)], at.x, at.y, at.z, along.x, along.y,
                        along.z, light.color[0], light.color[1], light.color[2], light.falloffExponent);
        }

    BakeInput input;
    input.scene = &scene;
    input.layouts = &layout.meshes;
    input.textures = &layout.textures;
    input.librarySizes = layout.librarySizes;
    BakeTimings timings;
    std::vector<std::string> warnings;
    const bool baked = bakeWithLibrary(options, input, progress, timings, warnings, error);
    report(warnings);
    if (!baked)
        return fail(error);

    const auto writeStart = Clock::now();
    std::vector<std::vector<int>> images(layout.textures.size());
    std::vector<std::vector<uint8_t>> pngs;
    for (size_t t = 0; t < layout.textures.size(); ++t) {
        const BakeTexture& texture = layout.textures[t];
        for (const std::string& pass : options.passes) {
            const std::vector<float>& pixels = texture.passes.at(pass);
            const std::string base = (fs::path(options.output) / (pass + "_" + texture.name)).string();
            if (!writeExr(base + ".exr", pixels, texture.width, texture.height, error))
                return fail(error);
            std::vector<uint8_t> png = passPng(pass, pixels, texture.width, texture.height);
            if (png.empty() || !writeFile(base + ".png", png, error))
                return fail(png.empty() ? "cannot encode " + base + ".png" : error);
            images[t].push_back(static_cast<int>(pngs.size()));
            pngs.push_back(std::move(png));
        }
    }
    const std::string glb = (fs::path(options.output) / "scene.glb").string();
    if (!writeFile(glb, encodeGlb(makeDocument(scene, layout.meshes, layout.textures, images, pngs, options)), error))
        return fail(error);
    const double writeSeconds = seconds(writeStart);
    progress.step("Wrote " + std::to_string(layout.textures.size() * options.passes.size()) +
                  " maps (EXR and PNG) and " + glb);
    if (options.timings) {
        const double total = importSeconds + layoutSeconds + timings.libraryCalls + timings.renderer + writeSeconds;
        std::printf("timings: import %.3f s, layout %.3f s, library calls %.3f s, renderer %.3f s, writing %.3f s, "
                    "total %.3f s, renderer share %.1f%%\n",
                    importSeconds, layoutSeconds, timings.libraryCalls, timings.renderer, writeSeconds, total,
                    total > 0 ? 100.0 * timings.renderer / total : 0.0);
    }
    if (options.view)
        return view(options, glb);
    return 0;
}
