#include "RenderRun.h"

#include "Arguments.h"
#include "AtlasRun.h"
#include "Bakers.h"
#include "DirectLighting.h"
#include "LightPassBake.h"
#include "MeshData.h"
#include "PassValues.h"
#include "PointCloudFiles.h"
#include "Progress.h"
#include "RayScene.h"
#include "RenderError.h"
#include "ResultFiles.h"
#include "SceneDocument.h"
#include "StageSettings.h"
#include "TextureImage.h"
#include "XmlReading.h"

#include <lua.hpp>
#include <tbb/global_control.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <set>

namespace torvo_renderer {

namespace fs = std::filesystem;

namespace {

constexpr const char* threadsVariable = "TORVO_RENDER_THREADS";

void warn(const std::string& text)
{
    Progress::say("Warning: " + text);
}

std::unique_ptr<tbb::global_control> threadLimit()
{
    const char* text = std::getenv(threadsVariable);
    if (!text || !*text)
        return nullptr;
    char* end = nullptr;
    const long threads = std::strtol(text, &end, 10);
    if (*end != '\0' || threads < 1 || threads > 4096)
        throw badInput(std::string(threadsVariable) + " is not a thread count: \"" + text + "\"");
    return std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                 static_cast<size_t>(threads));
}

// Compiles the Lua pass's script so that a missing or broken script is refused before baking.
void checkLuaScript(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        throw badInput("Lua script not found: " + path.string());
    std::unique_ptr<lua_State, void (*)(lua_State*)> state(luaL_newstate(), &lua_close);
    if (!state)
        throw RenderError(ExitCode::InternalFailure, "The Lua interpreter cannot be started");
    if (luaL_loadfile(state.get(), path.c_str()) != LUA_OK) {
        const char* message = lua_tostring(state.get(), -1);
        throw badInput("Lua script does not compile: " + std::string(message ? message : path.string()));
    }
}

// Spot light gobos are decoded; material textures are only checked to exist, since no pass of
// this renderer reads them yet.
std::map<std::string, TextureImage> readTextures(const SceneDescription& scene)
{
    std::map<std::string, TextureImage> images;
    std::set<std::string> unreadable;
    for (const SceneLight& light : scene.lights)
        if (light.kind == LightKind::Spot && !light.goboTexture.empty() && !images.count(light.goboTexture))
            images.emplace(light.goboTexture, TextureImage::read(systemPath(light.goboTexture)));
    for (const SceneMaterial& material : scene.materials)
        for (int c = 0; c < MaterialChannelCount; ++c) {
            const MaterialChannel& channel = material.channels[c];
            std::error_code ec;
            if (!channel.texture.empty() && !fs::is_regular_file(systemPath(channel.texture), ec))
                throw badInput("Material " + material.name + " uses a texture file that is not there: " +
                               systemPath(channel.texture).string());
            // Diffuse, emissive and transparency textures shape the surfaces; the other channels are not shaded.
            if ((c == Diffuse || c == Emissive || c == Transparency) && !channel.texture.empty() && !images.count(channel.texture)) {
                if (isReadableTexture(systemPath(channel.texture)))
                    images.emplace(channel.texture, TextureImage::read(systemPath(channel.texture)));
                else if (unreadable.insert(channel.texture).second)
                    warn("texture " + systemPath(channel.texture).string() +
                         " is of a type this renderer does not read (EXR, PNG, JPEG, TGA), left out");
            }
        }
    return images;
}

// Phases the stage's estimate counts for global illumination and the occlusion prepass. The
// prepass levels of a final gather fill the radiance cache (the first target's phases do the work,
// the cache then serves every target); the other phases are reported, empty, so that the job's
// progress adds up: the bake phase computes their light.
void reportPlannedPhases(Progress& progress, const PhaseCounts& counts, const std::string& label, PassValues& pass)
{
    auto empty = [&](const std::string& title) {
        progress.title(title + " (" + label + ")");
        progress.finish();
    };
    if (counts.gi) {
        for (uint32_t k = 0; k < counts.primary; ++k) {
            if (counts.primaryFinalGather && k < counts.prepassLevels) {
                progress.title("Precalculating Path Tracer Lighting: prepass level " + std::to_string(k + 1) + " of " +
                               std::to_string(counts.prepassLevels) + " (" + label + ")");
                pass.prepass(k, &progress);
                progress.finish();
            } else
                empty(counts.primaryFinalGather ? "GI calculation: final gather" : "GI calculation: primary bounce");
        }
        for (uint32_t k = 0; k < counts.secondary; ++k)
            empty("GI calculation: secondary bounces");
    }
    for (uint32_t k = 0; k < counts.occlusionPrepass; ++k)
        empty("Precalculating Path Tracer Lighting: occlusion prepass level " + std::to_string(k + 1) + " of " +
              std::to_string(counts.occlusionPrepass));
}

struct Inputs {
    Arguments arguments;
    SceneDescription scene;
    std::vector<MeshData> meshes;
    StageSettings stage;
    bool haveStage = false;
};

void bakeStage(Inputs& in, Progress& progress)
{
    const StageSettings& stage = in.stage;
    const fs::path output = systemPath(in.arguments.outputDirectory);
    const std::map<std::string, TextureImage> textures = readTextures(in.scene);

    if (stage.pass == PassKind::Lua)
        checkLuaScript(systemPath(stage.luaScript));
    for (const std::string& name : stage.fullyBakedLights)
        if (std::none_of(in.scene.lights.begin(), in.scene.lights.end(),
                         [&](const SceneLight& light) { return light.name == name; }))
            throw badInput("Stage bakes light " + name + " fully, which the scene does not hold");

    progress.title("Building ray tracing structures");
    std::map<std::string, const MeshData*> meshByName;
    for (const MeshData& mesh : in.meshes)
        meshByName[mesh.path.stem().string()] = &mesh;
    std::vector<const MeshData*> meshOf;
    for (const SceneInstance& instance : in.scene.instances) {
        const auto found = meshByName.find(instance.shape);
        if (found == meshByName.end())
            throw badInput("Instance " + instance.name + " shows mesh " + instance.shape +
                           ", which the file list does not name");
        meshOf.push_back(found->second);
    }
    RayScene rays;
    rays.build(in.scene, meshOf);
    for (const InstanceGeometry& g : rays.instances())
        if (g.skipped > 0)
            warn("skipped " + std::to_string(g.skipped) + " zero-area triangles of instance " +
                 in.scene.instances[static_cast<size_t>(g.sceneInstance)].name + " (mesh file " +
                 g.mesh->path.string() + ")");
    progress.finish();

    const DirectLighting light(in.scene, rays, textures);
    PassValues pass(stage.pass, stage, in.scene, rays, light, textures,
                    stage.pass == PassKind::Lua ? systemPath(stage.luaScript) : fs::path());
    std::unique_ptr<LightPassBake> lightPass;
    if (stage.pass == PassKind::LightPass) {
        lightPass = std::make_unique<LightPassBake>(stage, in.scene, rays, light, textures);
        pass.setLightPass(lightPass.get());
    }
    const std::string layer = resultLayerName(stage.pass, stage);
    uint64_t traced = 0;

    for (const TargetSlot& slot : stage.slots) {
        reportPlannedPhases(progress, stage.phases, slot.label, pass);
        pass.prepassAll();
        switch (slot.kind) {
        case TargetSlot::Kind::Texture: {
            const TextureTarget& target = stage.textures[slot.index];
            progress.title("Baking Texture " + target.name);
            const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Texture);
            TextureResult result = bakeTexture(rays, in.scene, target, stage, pass, layout, &progress, traced);
            if (lightPass && lightPass->distanceField()) {
                DistanceFieldSettings field = lightPass->distanceFieldSettings();
                field.texelWorldSize = texelWorldSize(target, in.scene, rays, result.covered);
                shadowMapToDistanceField(result.values, layout.size(), result.width, result.height, field);
            }
            if (result.flatInUV > 0)
                warn("target " + target.name + ": left out " + std::to_string(result.flatInUV) +
                     " triangles that have no area in their UV layout");
            const fs::path file = output / ("result_" + target.name + ".exr");
            writeExrImage(file, result.width, result.height, layout.names, result.values);
            if (stage.normalize.enabled)
                writeNormalizationDocument(output / ("result_" + target.name + ".xml"), result.ranges);
            progress.finish();
            break;
        }
        case TargetSlot::Kind::Vertex: {
            const TextureTarget& target = stage.textures[slot.index];
            progress.title("Vertex Transfer " + target.name);
            const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Points);
            const PointsResult result = bakeVertices(rays, in.scene, target, pass, layout, &progress, traced);
            writeResultPointCloud(output / ("result_" + target.name + "_" + layer + ".pc"), result.points,
                                  result.values, static_cast<uint32_t>(layout.size()));
            progress.finish();
            break;
        }
        case TargetSlot::Kind::PointCloud: {
            const PointCloudTarget& target = stage.pointClouds[slot.index];
            progress.title("Baking Point Cloud " + target.outputFile);
            const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Points);
            PointsResult result =
                bakePoints(readInputPointCloud(systemPath(target.input)), pass, layout, &progress, traced);
            writeResultPointCloud(output / ("result_" + target.outputFile), result.points, result.values,
                                  static_cast<uint32_t>(layout.size()));
            progress.finish();
            break;
        }
        case TargetSlot::Kind::Camera: {
            const std::string& name = in.arguments.outputName;
            if (name.empty() || name.find_first_of("/\\") != std::string::npos)
                throw badInput("A camera image needs a plain output name (-o), got \"" + name + "\"");
            const SceneCamera* camera = nullptr;
            for (const SceneCamera& c : in.scene.cameras)
                if (c.name == stage.cameraName)
                    camera = &c;
            if (!camera)
                throw badInput("Stage renders camera " + stage.cameraName + ", which the scene does not hold");
            if (camera->kind == CameraKind::Unknown)
                throw badInput("Camera " + camera->name + " is an environment camera of no known kind");
            if (camera->kind == CameraKind::Perspective && !(camera->fovX > 0.0f && camera->fovX < Pi))
                throw badInput("Camera " + camera->name + " has a field of view outside 0 to pi (not included): " +
                               std::to_string(camera->fovX));
            progress.title("Baking Texture " + name);
            const ChannelLayout layout = channelLayout(stage.pass, stage, ResultKind::Camera);
            const TextureResult result =
                bakeCamera(rays, *camera, stage.cameraWidth, stage.cameraHeight, pass, layout, &progress, traced);
            writeExrImage(output / (name + "_shape.exr"), result.width, result.height, layout.names, result.values);
            progress.finish();
            break;
        }
        case TargetSlot::Kind::Empty:
            progress.title(std::string(stage.renderType == RenderType::PointCloudBake ? "Baking Point Cloud"
                                       : stage.renderType == RenderType::VertexTransfer ? "Vertex Transfer"
                                                                                         : "Baking Texture") +
                           " (nothing to bake: " + slot.label + ")");
            progress.finish();
            break;
        }
    }
}

int run(const std::vector<std::string>& args)
{
    Inputs in;
    std::string error;
    if (!parseArguments(args, in.arguments, error))
        throw badInput(error);
    const auto limit = threadLimit();
    Progress progress;

    progress.title("Checking scene");
    in.scene = readSceneDocument(systemPath(in.arguments.scene));
    progress.finish();

    progress.title("Checking geometry");
    const std::vector<fs::path> files = readFileList(systemPath(in.arguments.fileList));
    for (size_t i = 0; i < files.size(); ++i) {
        in.meshes.push_back(readMeshFile(files[i]));
        progress.value(static_cast<int>((i + 1) * 100 / files.size()));
    }
    progress.finish();

    if (!in.arguments.configuration.empty() && !in.arguments.atlas) {
        progress.title("Checking configuration");
        in.stage = readStageDocument(systemPath(in.arguments.configuration));
        in.haveStage = true;
        progress.finish();
    }

    std::error_code ec;
    if (!fs::is_directory(systemPath(in.arguments.outputDirectory), ec))
        throw badInput("Output directory not found: " + in.arguments.outputDirectory);
    if (in.arguments.atlas) {
        if (in.arguments.configuration.empty() || in.arguments.atlasResult.empty())
            throw badInput("An atlas run needs the request (-x) and the layout file to write (-o after -od)");
        runAtlas(systemPath(in.arguments.configuration), systemPath(in.arguments.atlasResult), in.scene, in.meshes,
                 progress);
        Progress::say("Done rendering!");
        return static_cast<int>(ExitCode::Success);
    }

    if (in.haveStage && in.stage.renderType != RenderType::None)
        bakeStage(in, progress);
    Progress::say("Done rendering!");
    return static_cast<int>(ExitCode::Success);
}

}  // namespace

fs::path systemPath(std::string text)
{
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return fs::path(text);
}

std::vector<fs::path> readFileList(const fs::path& path)
{
    tinyxml2::XMLDocument document;
    xml::load(path, "File list", "inputspecification", document);
    const tinyxml2::XMLElement* list = document.RootElement()->FirstChildElement("filelist");
    if (!list)
        throw badInput("File list has no filelist element: " + path.string());
    std::vector<fs::path> meshes;
    for (const auto* file = list->FirstChildElement("file"); file; file = file->NextSiblingElement("file")) {
        const std::string text = xml::text(file);
        if (text.empty())
            throw badInput("File list holds an empty file entry: " + path.string());
        meshes.push_back(systemPath(text));
    }
    return meshes;
}

int runRenderer(const std::vector<std::string>& args)
{
    ExitCode code = ExitCode::InternalFailure;
    std::string message;
    try {
        return run(args);
    } catch (const RenderError& e) {
        code = e.code();
        message = e.what();
    } catch (const std::bad_alloc&) {
        code = ExitCode::OutOfResources;
        message = "Out of memory";
    } catch (const std::exception& e) {
        message = std::string("Unexpected failure: ") + e.what();
    }
    Progress::say("Error: " + message);
    return static_cast<int>(code);
}

}  // namespace torvo_renderer
