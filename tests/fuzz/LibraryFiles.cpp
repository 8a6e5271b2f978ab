#include "LibraryFiles.h"

#include "StageParts.h"
#include "job/ConfigDocument.h"
#include "job/TorvoRenderTool.h"
#include "torvo.h"

#include <fstream>
#include <string>
#include <system_error>

namespace trvfuzz {

namespace fs = std::filesystem;

namespace {

// Host configuration documents of the kinds the phase estimate tells apart.
const char* const hostConfigurations[] = {
    ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KXConfig>\n"
    "\t<FrameSettings><renderType>surfaceTransfer</renderType></FrameSettings>\n"
    "\t<GISettings><enableGI>true</enableGI><primaryIntegrator>finalgather</primaryIntegrator>"
    "<fgDepth>2</fgDepth><secondaryIntegrator>none</secondaryIntegrator>"
    "<prepassMinSampleRate>-2</prepassMinSampleRate><prepassMaxSampleRate>0</prepassMaxSampleRate></GISettings>\n"
    "\t<SurfaceTransferSettings><targets/></SurfaceTransferSettings>\n</KXConfig>\n"),
    ("<KXConfig><FrameSettings><renderType>render</renderType></FrameSettings><GISettings><enableGI>true"
    "</enableGI><primaryIntegrator>pathtracer</primaryIntegrator></GISettings><AOSettings><aoAdaptive>true"
    "</aoAdaptive><aoBendNormals>false</aoBendNormals></AOSettings><TextureBakeSettings><RenderComponents>"
    "<customPasses><element>ambientOcclusion</element></customPasses></RenderComponents></TextureBakeSettings>"
    "<VertexBakeSettings><VertexBakeComponents><customPasses><element>ambientOcclusion</element></customPasses>"
    "</VertexBakeComponents></VertexBakeSettings></KXConfig>"),
    ("<KXConfig><FrameSettings><renderType>pointcloudBake</renderType></FrameSettings><PointCloudBakeSettings>"
    "<targets><a/><!-- b --><c/></targets></PointCloudBakeSettings></KXConfig>"),
};

std::vector<fs::path> filesWithExtension(const fs::path& directory, const std::string& extension)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(directory, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec) && it->path().extension() == extension)
            found.push_back(it->path());
    return found;
}

// A quad of two material groups with a uv layer and colours, and a bare triangle.
void makeMeshes(TorvoManager manager)
{
    const TRVVec3 positions[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const TRVVec3 normals[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const TRVVec2 uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const TRVLinearRGBA colors[4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 0.5f}};
    const int32_t first[3] = {0, 1, 2};
    const int32_t second[3] = {0, 2, 3};
    TorvoMesh quad = nullptr;
    if (TRVBeginMesh(manager, "seed quad", &quad) == TRV_SUCCESS) {
        (void)TRVAddVertexData(quad, positions, normals, 4);
        (void)TRVBeginMaterialGroup(quad, "front");
        (void)TRVAddTriangleData(quad, first, 3);
        (void)TRVEndMaterialGroup(quad);
        (void)TRVBeginMaterialGroup(quad, "back");
        (void)TRVAddTriangleData(quad, second, 3);
        (void)TRVEndMaterialGroup(quad);
        (void)TRVBeginUVLayer(quad, "lightmap");
        (void)TRVAddUVData(quad, uvs, 4);
        (void)TRVEndUVLayer(quad);
        (void)TRVBeginColorLayer(quad, "tint");
        (void)TRVAddColorData(quad, colors, 4);
        (void)TRVEndColorLayer(quad);
        (void)TRVEndMesh(quad);
    }
    TorvoMesh triangle = nullptr;
    if (TRVBeginMesh(manager, "seed triangle", &triangle) == TRV_SUCCESS) {
        (void)TRVAddVertexData(triangle, positions, normals, 3);
        (void)TRVBeginMaterialGroup(triangle, "only");
        (void)TRVAddTriangleData(triangle, first, 3);
        (void)TRVEndMaterialGroup(triangle);
        (void)TRVEndMesh(triangle);
    }
}

// A scene of an instance of every mesh, a light, a material and a point cloud of three points.
void makeScene(TorvoManager manager)
{
    TorvoScene scene = nullptr;
    if (TRVBeginScene(manager, "seed scene", &scene) != TRV_SUCCESS)
        return;
    const TRVMatrix4x4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    const TRVLinearRGB white = {1, 1, 1};
    for (const char* name : {"seed quad", "seed triangle"}) {
        TorvoMesh mesh = nullptr;
        TorvoInstance instance = nullptr;
        if (TRVFindMesh(manager, name, &mesh) == TRV_SUCCESS)
            (void)TRVCreateInstance(scene, mesh, name, &identity, &instance);
    }
    TorvoLightSource light = nullptr;
    (void)TRVCreatePointLight(scene, "lamp", &identity, &white, &light);
    TorvoMaterial material = nullptr;
    (void)TRVCreateMaterial(scene, "front", &material);
    TorvoPointCloud cloud = nullptr;
    if (TRVCreatePointCloud(scene, "probes", &cloud) == TRV_SUCCESS) {
        const TRVVec3 points[3] = {{0, 0, 1}, {0.5f, 0.5f, 1}, {-3, 2, 0.25f}};
        const TRVVec3 normals[3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
        (void)TRVAddPointCloudData(cloud, points, normals, 3);
        (void)TRVEndPointCloud(cloud);
    }
    (void)TRVEndScene(scene);
    (void)TRVReleaseScene(scene);
}

void makeStages(const fs::path& directory, LibraryFiles& files)
{
    int index = 0;
    for (const char* text : hostConfigurations) {
        const fs::path host = directory / ("host" + std::to_string(index) + ".xml");
        std::ofstream(host, std::ios::binary) << text;
        files.hostConfigurations.push_back(host);
        const fs::path jobDirectory = directory / ("stages" + std::to_string(index));
        fs::create_directories(jobDirectory);
        trv::PassesAndTargets parts;
        addStageParts(parts);
        trv::TorvoRenderTool tool(jobDirectory, directory / "scene.xml", directory / "scene_files.xml",
                                  jobDirectory / "output", 0, directory / "thetorvo.exe");
        std::vector<trv::JobStage> stages;
        if (trv::buildStages(parts, jobDirectory, host, stages, tool) == 0)
            for (const trv::JobStage& stage : stages)
                files.stageDocuments.push_back(stage.configurationPath);
        ++index;
    }
}

}  // namespace

LibraryFiles makeLibraryFiles(const fs::path& directory)
{
    LibraryFiles files;
    fs::create_directories(directory);
    const fs::path cache = directory / "cache";
    TorvoManager manager = nullptr;
    if (TRVCreateManager(cache.c_str(), TRV_CACHE_SHARED, &manager) == TRV_SUCCESS) {
        makeMeshes(manager);
        makeScene(manager);
    }
    if (manager)
        (void)TRVDestroyManager(manager);
    files.meshFiles = filesWithExtension(cache, ".ttm");
    files.pointClouds = filesWithExtension(cache, ".pc");
    for (const fs::path& xml : filesWithExtension(cache / "scenes", ".xml")) {
        const std::string name = xml.filename().string();
        const std::string listSuffix = "_files.xml";
        const bool list = name.size() > listSuffix.size() &&
                          name.compare(name.size() - listSuffix.size(), listSuffix.size(), listSuffix) == 0;
        (list ? files.fileLists : files.sceneDocuments).push_back(xml);
    }
    makeStages(directory, files);
    return files;
}

}  // namespace trvfuzz
