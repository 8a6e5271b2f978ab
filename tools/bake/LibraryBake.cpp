#include "LibraryBake.h"

#include "torvo.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;

namespace torvobake {
namespace {

constexpr int32_t pollMilliseconds = 100;
constexpr int32_t displayNone = 2;          // no display switch for the renderer
constexpr float aoConeDegrees = 180.0f;     // the whole hemisphere
constexpr float aoSceneFraction = 0.1f;     // default occlusion reach, of the scene's diagonal
constexpr float sunShadowAngle = 0.02f;     // radians: a slightly soft sun
constexpr float skyOverhang = 1.5f;         // the sky square is this much wider than the scene
constexpr float skyHeightFraction = 0.25f;  // above the scene's top, of its diagonal
constexpr int32_t maxLibraryAtlases = 16;     // atlases the library's packer may fill
constexpr int32_t illuminationDirect = 0;   // illumination pass modes
constexpr int32_t illuminationWithGi = 2;
constexpr const char* sceneName = "scene";
constexpr const char* lightmapLayer = "lightmap";
constexpr const char* textureLayer = "uv0";

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string takeText(TorvoString text)
{
    int32_t length = 0;
    std::string out;
    if (text && TRVGetLength(text, &length) == TRV_SUCCESS && length > 0) {
        out.resize(static_cast<size_t>(length));
        if (TRVCopy(text, out.data(), length) != TRV_SUCCESS)
            out.clear();
        else
            out.resize(static_cast<size_t>(length) - 1);
    }
    if (text)
        TRVReleaseString(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

TRVMatrix4x4 toLibrary(const Matrix& m)
{
    TRVMatrix4x4 out;
    for (int i = 0; i < 16; ++i)
        out.m[i] = m.m[i];
    return out;
}

Matrix scaled(const Matrix& m, float sx, float sy, float sz)
{
    Matrix s;
    s.m[0] = sx, s.m[5] = sy, s.m[10] = sz;
    return m * s;
}

class Baker {
public:
    Baker(const Options& options, BakeInput& input, Progress& progress, std::vector<std::string>& warnings)
        : options_(options), input_(input), progress_(progress), warnings_(warnings)
    {
    }

    ~Baker()
    {
        for (TorvoFramebuffer framebuffer : framebuffers_)
            TRVDestroyFramebuffer(framebuffer);
        if (job_)
            TRVDestroyJob(job_);
        if (scene_)
            TRVReleaseScene(scene_);
        if (manager_)
            TRVDestroyManager(manager_);
    }

    bool run(BakeTimings& timings, std::string& error)
    {
        const auto start = Clock::now();
        const bool prepared = prepare();
        timings.libraryCalls += seconds(start);
        if (!prepared) {
            error = error_;
            return false;
        }
        const auto renderStart = Clock::now();
        const bool rendered = render();
        timings.renderer += seconds(renderStart);
        if (!rendered) {
            error = error_;
            return false;
        }
        const auto readStart = Clock::now();
        const bool read = readResults();
        timings.libraryCalls += seconds(readStart);
        if (!read)
            error = error_;
        return read;
    }

private:
    // Records a failed call with the library's own line; true when the call succeeded.
    bool ok(TRVStatus status, const std::string& what)
    {
        if (status == TRV_SUCCESS)
            return true;
        TorvoString text = nullptr;
        std::string detail;
        if (TRVGetExtendErrorInformation(&text) == TRV_SUCCESS)
            detail = takeText(text);
        TorvoString name = nullptr;
        std::string statusText = TRVErrorToString(status, &name) == TRV_SUCCESS ? takeText(name) : "status";
        error_ = what + " failed: " + statusText + " (" + std::to_string(status) + ")" +
                 (detail.empty() ? "" : ": " + detail);
        return false;
    }

    bool prepare()
    {
        const std::string cache = options_.cache.empty() ? (fs::path(options_.output) / "cache").string() : options_.cache;
        TRVStatus encoding = TRVSetStringEncoding(TRV_ENCODING_UTF8);
        if (encoding != TRV_SUCCESS && !ok(encoding, "choosing UTF-8 text"))
            return false;
        if (options_.verbose) {
            TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_STDOUT, nullptr);
            TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_STDOUT, nullptr);
        } else {
            // The renderer's messages go to the information log; keep them for a look afterwards.
            std::error_code ignored;
            fs::create_directories(cache, ignored);
            const std::string log = (fs::path(cache) / "torvo.log").string();
            fs::remove(log, ignored); // the log target appends: keep this bake's lines only
            TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, log.c_str());
        }
        if (options_.threads > 0)
            setenv("TORVO_RENDER_THREADS", std::to_string(options_.threads).c_str(), 1);
        const TRVStatus created = TRVCreateManager(cache.c_str(), TRV_CACHE_SHARED, &manager_);
        if (!ok(created, "setting up the cache " + cache))
            return false;
        // Meshes of an earlier bake in the same cache have the same names: start afresh.
        if (!ok(TRVClearCache(manager_), "clearing the cache " + cache))
            return false;
        return buildMeshes() && buildScene() && buildJob(cache);
    }

    bool buildMeshes()
    {
        const Scene& scene = *input_.scene;
        meshes_.resize(scene.instances.size());
        for (size_t i = 0; i < scene.instances.size(); ++i) {
            const Instance& instance = scene.instances[i];
            const Mesh& mesh = scene.meshes[instance.mesh];
            const LightmapMesh& layout = (*input_.layouts)[i];
            std::vector<TRVVec3> positions, normals;
            std::vector<TRVVec2> lightmap, uv0;
            for (size_t v = 0; v < layout.sourceVertex.size(); ++v) {
                const uint32_t s = layout.sourceVertex[v];
                positions.push_back({mesh.positions[s].x, mesh.positions[s].y, mesh.positions[s].z});
                normals.push_back({mesh.normals[s].x, mesh.normals[s].y, mesh.normals[s].z});
                lightmap.push_back({layout.uv[v].x, layout.uv[v].y});
                if (!mesh.uv0.empty())
                    uv0.push_back({mesh.uv0[s].x, mesh.uv0[s].y});
            }
            std::vector<int32_t> indices(layout.indices.begin(), layout.indices.end());
            const int32_t count = static_cast<int32_t>(positions.size());
            const std::string name = "mesh " + std::to_string(i);
            const std::string what = "building the mesh of \"" + instance.name + "\"";
            TorvoMesh handle = nullptr;
            if (!ok(TRVBeginMesh(manager_, name.c_str(), &handle), what) ||
                !ok(TRVAddVertexData(handle, positions.data(), normals.data(), count), what) ||
                !ok(TRVBeginMaterialGroup(handle, scene.materials[mesh.material].name.c_str()), what) ||
                !ok(TRVAddTriangleData(handle, indices.data(), static_cast<int32_t>(indices.size())), what) ||
                !ok(TRVEndMaterialGroup(handle), what) || !ok(TRVBeginUVLayer(handle, lightmapLayer), what) ||
                !ok(TRVAddUVData(handle, lightmap.data(), count), what) || !ok(TRVEndUVLayer(handle), what))
                return false;
            if (!uv0.empty() && (!ok(TRVBeginUVLayer(handle, textureLayer), what) ||
                                 !ok(TRVAddUVData(handle, uv0.data(), count), what) || !ok(TRVEndUVLayer(handle), what)))
                return false;
            if (!ok(TRVEndMesh(handle), what))
                return false;
            meshes_[i] = handle;
        }
        return true;
    }

    bool buildMaterials()
    {
        const Scene& scene = *input_.scene;
        for (size_t m = 0; m < scene.materials.size(); ++m) {
            const Material& source = scene.materials[m];
            const std::string what = "material \"" + source.name + "\"";
            TorvoMaterial material = nullptr;
            if (!ok(TRVCreateMaterial(scene_, source.name.c_str(), &material), what))
                return false;
            const TRVLinearRGBA diffuse = {source.diffuse[0], source.diffuse[1], source.diffuse[2], source.diffuse[3]};
            if (!ok(TRVSetMaterialColor(material, TRV_CHANNEL_DIFFUSE, &diffuse), what))
                return false;
            if (source.emissive[0] > 0 || source.emissive[1] > 0 || source.emissive[2] > 0) {
                const TRVLinearRGBA emissive = {source.emissive[0], source.emissive[1], source.emissive[2], 1.0f};
                if (!ok(TRVSetMaterialColor(material, TRV_CHANNEL_EMISSIVE, &emissive), what))
                    return false;
            }
            if (!source.diffuseTexture.empty()) {
                TorvoTexture texture = nullptr;
                const std::string name = "texture " + std::to_string(m);
                if (TRVReferenceTexture(manager_, name.c_str(), source.diffuseTexture.c_str(), &texture) == TRV_SUCCESS) {
                    if (!ok(TRVSetMaterialTexture(material, TRV_CHANNEL_DIFFUSE, texture), what) ||
                        !ok(TRVSetChannelUVLayer(material, TRV_CHANNEL_DIFFUSE, textureLayer), what))
                        return false;
                } else {
                    warnings_.push_back(what + ": texture " + source.diffuseTexture + " could not be read, left out");
                }
            }
        }
        return true;
    }

    bool addLight(const Light& light)
    {
        const TRVLinearRGB color = {light.color[0], light.color[1], light.color[2]};
        const std::string what = "light \"" + light.name + "\"";
        TorvoLightSource handle = nullptr;
        TRVMatrix4x4 placement = toLibrary(light.placement);
        switch (light.kind) {
        case LightKind::Point:
            if (!ok(TRVCreatePointLight(scene_, light.name.c_str(), &placement, &color, &handle), what) ||
                !ok(TRVSetFalloff(handle, TRV_FALLOFF_STANDARD, light.falloffExponent,
                                  std::numeric_limits<float>::infinity(), 0), what))
                return false;
            break;
        case LightKind::Spot: {
            if (!ok(TRVCreateSpotLight(scene_, light.name.c_str(), &placement, &color, &handle), what) ||
                !ok(TRVSetFalloff(handle, TRV_FALLOFF_STANDARD, light.falloffExponent,
                                  std::numeric_limits<float>::infinity(), 0), what))
                return false;
            const float pi = 3.14159265f;
            const float inner = std::clamp(light.innerCone, 0.0f, pi / 2), outer = std::clamp(light.outerCone, inner, pi / 2);
            if (!ok(TRVSetSpotlightCone(handle, 2 * inner, outer - inner, 1.0f), what))
                return false;
            break;
        }
        case LightKind::Directional:
            if (!ok(TRVCreateDirectionalLight(scene_, light.name.c_str(), &placement, &color, &handle), what))
                return false;
            break;
        case LightKind::Area: {
            // Area lights are squares in their local X and Z shining toward local -Y: turn the
            // light's -Z onto -Y and size the square.
            Matrix turn;
            turn.m = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
            placement = toLibrary(scaled(light.placement * turn, light.areaWidth / 2, 1, light.areaHeight / 2));
            if (!ok(TRVCreateAreaLight(scene_, light.name.c_str(), &placement, &color, &handle), what))
                return false;
            break;
        }
        }
        return ok(TRVSetCastShadows(handle, 1), what) &&
               (light.kind != LightKind::Area || ok(TRVSetShadowSamples(handle, options_.shadowSamples), what));
    }

    bool addDefaultLights()
    {
        const Bounds bounds = worldBounds(*input_.scene);
        const Vec3 centre = (bounds.min + bounds.max) * 0.5f;
        const float diagonal = std::max(bounds.diagonal(), 1e-3f);
        const Vec3 sunColor{1.0f, 0.96f, 0.9f}, skyColor{0.8f, 0.9f, 1.0f};
        TorvoLightSource sun = nullptr, sky = nullptr;
        const TRVMatrix4x4 sunAt = toLibrary(lookAlong(centre, options_.sunDirection));
        const TRVLinearRGB sunLight = {sunColor.x * options_.sunIntensity, sunColor.y * options_.sunIntensity,
                                       sunColor.z * options_.sunIntensity};
        if (!ok(TRVCreateDirectionalLight(scene_, "torvo-bake sun", &sunAt, &sunLight, &sun), "the default sun") ||
            !ok(TRVSetCastShadows(sun, 1), "the default sun") || !ok(TRVSetShadowAngle(sun, sunShadowAngle), "the default sun"))
            return false;
        // The sky: a square over the whole scene, lighting downward (area lights shine to local -Y).
        Matrix skyAt;
        skyAt.m[3] = centre.x;
        skyAt.m[7] = bounds.max.y + skyHeightFraction * diagonal;
        skyAt.m[11] = centre.z;
        const float halfX = std::max(0.5f * (bounds.max.x - bounds.min.x), 0.05f * diagonal) * skyOverhang;
        const float halfZ = std::max(0.5f * (bounds.max.z - bounds.min.z), 0.05f * diagonal) * skyOverhang;
        const TRVMatrix4x4 skyPlacement = toLibrary(scaled(skyAt, halfX, 1, halfZ));
        const TRVLinearRGB skyLight = {skyColor.x * options_.skyIntensity, skyColor.y * options_.skyIntensity,
                                       skyColor.z * options_.skyIntensity};
        return ok(TRVCreateAreaLight(scene_, "torvo-bake sky", &skyPlacement, &skyLight, &sky), "the default sky") &&
               ok(TRVSetCastShadows(sky, 1), "the default sky") &&
               ok(TRVSetShadowSamples(sky, options_.shadowSamples), "the default sky");
    }

    bool buildScene()
    {
        const Scene& scene = *input_.scene;
        if (!ok(TRVBeginScene(manager_, sceneName, &scene_), "beginning the scene") || !buildMaterials())
            return false;
        instances_.resize(scene.instances.size());
        for (size_t i = 0; i < scene.instances.size(); ++i) {
            const TRVMatrix4x4 world = toLibrary(scene.instances[i].world);
            if (!ok(TRVCreateInstance(scene_, meshes_[i], scene.instances[i].name.c_str(), &world, &instances_[i]),
                    "placing \"" + scene.instances[i].name + "\""))
                return false;
        }
        const bool fileLights = options_.lights == LightChoice::File || options_.lights == LightChoice::Both ||
                                (options_.lights == LightChoice::Automatic && !scene.lights.empty());
        const bool defaultLights = options_.lights == LightChoice::Default || options_.lights == LightChoice::Both ||
                                   (options_.lights == LightChoice::Automatic && scene.lights.empty());
        if (fileLights)
            for (const Light& light : scene.lights)
                if (!addLight(light))
                    return false;
        if (defaultLights && !addDefaultLights())
            return false;
        if (fileLights && !defaultLights && scene.lights.empty())
            warnings_.push_back("the model has no lights and --lights file asks for no others: the light map is dark");
        for (const Camera& camera : scene.cameras) {
            TorvoCamera handle = nullptr;
            const TRVMatrix4x4 placement = toLibrary(camera.placement);
            if (!ok(TRVCreatePerspectiveCamera(scene_, camera.name.c_str(), &placement, &handle), "camera \"" + camera.name + "\"") ||
                !ok(TRVSetFov(handle, camera.horizontalFov, 1.0f), "camera \"" + camera.name + "\""))
                return false;
        }
        return ok(TRVEndScene(scene_), "writing the scene");
    }

    bool writeConfiguration(const std::string& path)
    {
        std::ofstream file(path);
        file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KXConfig>\n"
             << "\t<FrameSettings><renderType>surfaceTransfer</renderType></FrameSettings>\n";
        if (options_.giRays > 0)
            file << "\t<GISettings>\n\t\t<enableGI>true</enableGI>\n"
                 << "\t\t<primaryIntegrator>FinalGather</primaryIntegrator>\n"
                 << "\t\t<fgRays>" << options_.giRays << "</fgRays>\n"
                 << "\t\t<secondaryIntegrator>PathTracer</secondaryIntegrator>\n"
                 << "\t\t<prepassMinSampleRate>-2</prepassMinSampleRate>\n"
                 << "\t\t<prepassMaxSampleRate>0</prepassMaxSampleRate>\n\t</GISettings>\n";
        file << "\t<SurfaceTransferSettings><targets/></SurfaceTransferSettings>\n</KXConfig>\n";
        file.close();
        if (!file) {
            error_ = "cannot write the job's configuration " + path;
            return false;
        }
        return true;
    }

    bool createPass(const std::string& name, TorvoRenderPass& pass)
    {
        const std::string what = "the " + name + " pass";
        if (name == "lightmap")
            return ok(TRVCreateIlluminationPass(job_, name.c_str(), options_.giRays > 0 ? illuminationWithGi : illuminationDirect,
                                                &pass),
                      what);
        if (name == "fullshading")
            return ok(TRVCreateFullShadingPass(job_, name.c_str(), &pass), what);
        if (name == "normals")
            return ok(TRVCreateNormalPass(job_, name.c_str(), &pass), what);
        const Bounds bounds = worldBounds(*input_.scene);
        const float reach = options_.aoDistance > 0 ? options_.aoDistance : aoSceneFraction * bounds.diagonal();
        return ok(TRVCreateAmbientOcclusionPass(job_, name.c_str(), reach, aoConeDegrees, &pass), what) &&
               ok(TRVSetAONumRays(pass, options_.aoRays, options_.aoRays), what);
    }

    bool buildJob(const std::string& cache)
    {
        const std::string configuration = (fs::path(cache) / "bake_config.xml").string();
        if (!writeConfiguration(configuration) ||
            !ok(TRVCreateJob(manager_, "bake", scene_, configuration.c_str(), &job_), "creating the job"))
            return false;
        for (const std::string& name : options_.passes) {
            TorvoRenderPass pass = nullptr;
            if (!createPass(name, pass))
                return false;
            passes_.push_back(pass);
        }
        std::vector<BakeTexture>& textures = *input_.textures;
        if (options_.layout == Layout::LibraryAtlas) {
            TorvoTarget target = nullptr;
            const std::string what = "the library's atlas";
            if (!ok(TRVCreateAtlasedTextureTarget(job_, "atlas", options_.size, options_.size, maxLibraryAtlases, &target),
                    what) ||
                !ok(TRVSetAtlasPadding(target, options_.margin), what))
                return false;
            entities_.resize(instances_.size());
            for (size_t i = 0; i < instances_.size(); ++i) {
                const int side = input_.librarySizes[i];
                if (!ok(TRVAddBakeInstance(target, instances_[i], &entities_[i]), what) ||
                    !ok(TRVSetBakeResolution(entities_[i], side, side), what))
                    return false;
            }
            targets_.push_back(target);
        } else {
            for (size_t t = 0; t < textures.size(); ++t) {
                TorvoTarget target = nullptr;
                if (!ok(TRVCreateTextureTarget(job_, textures[t].name.c_str(), textures[t].width, textures[t].height, &target),
                        "the texture " + textures[t].name))
                    return false;
                targets_.push_back(target);
            }
            for (size_t i = 0; i < instances_.size(); ++i)
                if (!ok(TRVAddBakeInstance(targets_[(*input_.layouts)[i].texture], instances_[i], nullptr),
                        "baking \"" + input_.scene->instances[i].name + "\""))
                    return false;
        }
        for (TorvoTarget target : targets_)
            for (TorvoRenderPass pass : passes_)
                if (!ok(TRVAddPassToTarget(target, pass), "adding a pass to a texture"))
                    return false;
        return true;
    }

    bool render()
    {
        if (!ok(TRVStartJob(job_, displayNone, options_.distribution), "starting the bake"))
            return false;
        TRVBool running = 1;
        std::string title;
        int32_t phase = 0, global = 0;
        while (running) {
            TRVStatus waited = TRVWaitJobDone(job_, pollMilliseconds);
            if (waited != TRV_SUCCESS && waited != TRV_INVALID_OBJECT_STATE) {
                progress_.finish();
                return ok(waited, "waiting for the renderer");
            }
            TRVBool activity = 0, fresh = 0;
            if (TRVJobHasNewProgress(job_, &activity, &fresh) == TRV_SUCCESS && (activity || fresh)) {
                TorvoString text = nullptr;
                if (TRVGetJobProgress(job_, &text, &phase) == TRV_SUCCESS)
                    title = takeText(text);
                TRVGetGlobalJobProgress(job_, &global);
                progress_.update(title, phase, global);
            }
            if (TRVIsJobRunning(job_, &running) != TRV_SUCCESS)
                break;
        }
        progress_.finish();
        int32_t result = -1;
        if (!ok(TRVGetJobResult(job_, &result), "reading the bake's result"))
            return false;
        if (result != TRV_JOB_SUCCESS) {
            const std::string log = options_.verbose ? "" : " (the renderer's messages are in the cache's torvo.log)";
            error_ = "the bake failed: job result " + std::to_string(result) + log;
            return false;
        }
        return true;
    }

    bool readPass(TorvoTarget target, TorvoRenderPass pass, int index, int width, int height, std::vector<float>& out)
    {
        TorvoFramebuffer framebuffer = nullptr;
        if (!ok(TRVGetFramebuffer(target, pass, index, &framebuffer), "reading a result"))
            return false;
        framebuffers_.push_back(framebuffer);
        int32_t w = 0, h = 0;
        if (!ok(TRVGetResolution(framebuffer, &w, &h), "reading a result"))
            return false;
        if (w != width || h != height) {
            error_ = "a result is " + std::to_string(w) + " x " + std::to_string(h) + " texels, not the " +
                     std::to_string(width) + " x " + std::to_string(height) + " asked for";
            return false;
        }
        out.assign(static_cast<size_t>(w) * h * 4, 0.0f);
        if (!ok(TRVReadRegionHDR(framebuffer, 0, 0, w, h, TRV_CHANNEL_RGBA, out.data()), "reading a result"))
            return false;
        framebuffers_.pop_back();
        TRVDestroyFramebuffer(framebuffer);
        return true;
    }

    bool readResults()
    {
        std::vector<BakeTexture>& textures = *input_.textures;
        if (options_.layout == Layout::LibraryAtlas) {
            int32_t count = 0;
            if (!ok(TRVGetFramebufferCount(targets_[0], &count), "reading the atlases"))
                return false;
            textures.assign(static_cast<size_t>(count), BakeTexture{});
            for (int32_t a = 0; a < count; ++a)
                textures[a].name = "atlas" + std::to_string(a);
            for (size_t i = 0; i < entities_.size(); ++i) {
                int32_t atlas = 0;
                float offset[2] = {0, 0}, scale[2] = {1, 1};
                if (!ok(TRVGetAtlasInformation(entities_[i], &atlas, offset, scale), "reading an object's place in the atlas"))
                    return false;
                LightmapMesh& layout = (*input_.layouts)[i];
                layout.texture = atlas;
                for (Vec2& uv : layout.uv)
                    uv = {uv.x * scale[0] + offset[0], uv.y * scale[1] + offset[1]};
            }
            for (int32_t a = 0; a < count; ++a) {
                for (size_t p = 0; p < passes_.size(); ++p) {
                    TorvoFramebuffer framebuffer = nullptr;
                    if (!ok(TRVGetFramebuffer(targets_[0], passes_[p], a, &framebuffer), "reading an atlas"))
                        return false;
                    int32_t w = 0, h = 0;
                    TRVGetResolution(framebuffer, &w, &h);
                    TRVDestroyFramebuffer(framebuffer);
                    textures[a].width = w, textures[a].height = h;
                    if (!readPass(targets_[0], passes_[p], a, w, h, textures[a].passes[options_.passes[p]]))
                        return false;
                }
            }
            return true;
        }
        for (size_t t = 0; t < textures.size(); ++t)
            for (size_t p = 0; p < passes_.size(); ++p)
                if (!readPass(targets_[t], passes_[p], 0, textures[t].width, textures[t].height,
                              textures[t].passes[options_.passes[p]]))
                    return false;
        return true;
    }

    const Options& options_;
    BakeInput& input_;
    Progress& progress_;
    std::vector<std::string>& warnings_;
    std::string error_;
    TorvoManager manager_ = nullptr;
    TorvoScene scene_ = nullptr;
    TorvoJob job_ = nullptr;
    std::vector<TorvoMesh> meshes_;
    std::vector<TorvoInstance> instances_;
    std::vector<TorvoRenderPass> passes_;
    std::vector<TorvoTarget> targets_;
    std::vector<TorvoTargetEntity> entities_;
    std::vector<TorvoFramebuffer> framebuffers_;
};

} // namespace

bool bakeWithLibrary(const Options& options, BakeInput& input, Progress& progress, BakeTimings& timings,
                     std::vector<std::string>& warnings, std::string& error)
{
    Baker baker(options, input, progress, warnings);
    return baker.run(timings, error);
}

} // namespace torvobake
