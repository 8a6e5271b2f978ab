// Scenes through the exported functions: names, refusals, ending and releasing; instances and cameras.
#include "SceneTestSupport.h"

#include "api/Frame.h"
#include "cache/NameHash.h"
#include "scene/FSTorvoInstance.h"
#include "scene/FSTorvoPerspCamera.h"

#include <cmath>
#include <functional>
#include <set>

using namespace scenetest;

namespace {

class Scene : public SceneFixture {};

trv::FSTorvoInstance& instanceObject(TorvoInstance handle)
{
    return *dynamic_cast<trv::FSTorvoInstance*>(trv::objectOf(handle));
}

}  // namespace

TEST_F(Scene, DuplicateNamesPerKindWithTheirMessages)
{
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoMesh box = mesh("box");
    instance(box, "thing");
    TorvoInstance inst = reinterpret_cast<TorvoInstance>(1);
    EXPECT_EQ(TRVCreateInstance(scene_, box, "thing", &m, &inst), TRV_DUPLICATE_NAME);
    EXPECT_EQ(inst, nullptr);
    EXPECT_EQ(trv::lastError(), "An instance named thing already exists\n");

    // Each kind has its own name space.
    TorvoCamera camera = nullptr;
    TorvoLightSource light = nullptr;
    TorvoMaterial material = nullptr;
    TorvoPointCloud cloud = nullptr;
    ASSERT_EQ(TRVCreatePerspectiveCamera(scene_, "thing", &m, &camera), TRV_SUCCESS);
    ASSERT_EQ(TRVCreatePointLight(scene_, "thing", &m, &white, &light), TRV_SUCCESS);
    ASSERT_EQ(TRVCreateMaterial(scene_, "thing", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVCreatePointCloud(scene_, "thing", &cloud), TRV_SUCCESS);

    EXPECT_EQ(TRVCreateEnvironmentCamera(scene_, "thing", &m, TRV_ENV_BALL, &camera), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "An camera named thing already exists\n");
    EXPECT_EQ(TRVCreatePointLight(scene_, "thing", &m, &white, &light), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A lightsource named thing already exists\n");
    EXPECT_EQ(TRVCreateSpotLight(scene_, "thing", &m, &white, &light), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A light source named thing already exists\n");
    EXPECT_EQ(TRVCreateWindowLight(scene_, "thing", &m, &white, &light), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A light source named thing already exists\n");
    EXPECT_EQ(TRVCreateMaterial(scene_, "thing", &material), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A material named thing already exists\n");
    EXPECT_EQ(TRVCreatePointCloud(scene_, "thing", &cloud), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A point cloud named thing already exists\n");
    EXPECT_EQ(cloud, nullptr);
    EXPECT_EQ(scene().instances().size(), 1u);
    EXPECT_EQ(scene().lights().size(), 1u);

    EXPECT_EQ(TRVCreateInstance(scene_, box, "no transform", nullptr, &inst), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVCreatePointLight(scene_, "no color", &m, nullptr, &light), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter color must not be NULL.\n");
}

TEST_F(Scene, InstancesNeedAMeshOfTheSameManager)
{
    const TRVMatrix4x4 m = identity();
    TorvoInstance inst = nullptr;
    EXPECT_EQ(TRVCreateInstance(scene_, nullptr, "x", &m, &inst), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoMesh Handle: " + trv::formatPointer(nullptr) + "\n");

    // Another manager on another directory: a mesh of the same name has the same cache name
    // (shared scope) but is not this manager's.
    TorvoManager other = nullptr;
    ASSERT_EQ(TRVCreateManager((root_.path().string() + "-other").c_str(), TRV_CACHE_SHARED, &other), TRV_SUCCESS);
    TorvoMesh foreign = nullptr;
    ASSERT_EQ(TRVBeginMesh(other, "box", &foreign), TRV_SUCCESS);
    mesh("box");
    EXPECT_EQ(TRVCreateInstance(scene_, foreign, "x", &m, &inst), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(),
              "Mesh not part of the same torvo manager: " + trv::formatPointer(trv::objectOf(foreign)) + ".\n");
    EXPECT_EQ(inst, nullptr);
    TRVDestroyManager(other);
    fs::remove_all(root_.path().string() + "-other");

    // A handle of another kind behind a mesh handle.
    TorvoMaterial material = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "m", &material), TRV_SUCCESS);
    TorvoMesh wrong = reinterpret_cast<TorvoMesh>(trv::objectOf(scene_));
    EXPECT_EQ(TRVCreateInstance(scene_, wrong, "x", &m, &inst), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Invalid Mesh Handle: " + trv::formatPointer(trv::objectOf(scene_)) + ".\n");
}

TEST_F(Scene, EndedSceneIsFrozen)
{
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoMesh box = mesh("box");
    TorvoMaterial material = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "mat", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_TRUE(scene().isFinalized());

    TorvoInstance inst = nullptr;
    TorvoCamera camera = nullptr;
    TorvoLightSource light = nullptr;
    TorvoPointCloud cloud = nullptr;
    TorvoMaterial found = nullptr;
    const TRVStatus results[] = {
        TRVCreateInstance(scene_, box, "i", &m, &inst),
        TRVCreatePerspectiveCamera(scene_, "c", &m, &camera),
        TRVCreateEnvironmentCamera(scene_, "c", &m, 0, &camera),
        TRVCreatePointLight(scene_, "l", &m, &white, &light),
        TRVCreateSpotLight(scene_, "l", &m, &white, &light),
        TRVCreateDirectionalLight(scene_, "l", &m, &white, &light),
        TRVCreateAreaLight(scene_, "l", &m, &white, &light),
        TRVCreateWindowLight(scene_, "l", &m, &white, &light),
        TRVCreateMaterial(scene_, "m", &found),
        TRVFindMaterial(scene_, "mat", &found),
        TRVCreatePointCloud(scene_, "p", &cloud),
        TRVEndScene(scene_),
    };
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i)
        EXPECT_EQ(results[i], TRV_INVALID_OBJECT_STATE) << i;
    EXPECT_EQ(trv::lastError(), "Scene already finalized.\n");
    EXPECT_EQ(found, nullptr);
    const TRVLinearRGBA red = {1, 0, 0, 1};
    EXPECT_EQ(TRVSetMaterialColor(material, 0, &red), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(TRVSetMaterialScale(material, 0, 2), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(TRVSetMaterialUseVertexColors(material, 0), TRV_INVALID_OBJECT_STATE);
    // These three and the UV layer still work on an ended scene (they no longer reach the file).
    EXPECT_EQ(TRVSetAlphaAsTransparency(material, 1), TRV_SUCCESS);
    EXPECT_EQ(TRVSetGIScale(material, 1, 1, 1), TRV_SUCCESS);
    EXPECT_EQ(TRVSetChannelUVLayer(material, 0, "uv"), TRV_SUCCESS);
}

TEST_F(Scene, FindMaterialAndRelease)
{
    TorvoMaterial material = nullptr, found = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "stone", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVFindMaterial(scene_, "stone", &found), TRV_SUCCESS);
    EXPECT_EQ(found, material);
    found = reinterpret_cast<TorvoMaterial>(1);
    EXPECT_EQ(TRVFindMaterial(scene_, "wood", &found), TRV_UNKNOWN_OBJECT);
    EXPECT_EQ(found, nullptr);

    EXPECT_EQ(TRVReleaseScene(nullptr), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoScene Handle: " + trv::formatPointer(nullptr) + "\n");
    EXPECT_EQ(TRVReleaseScene(scene_), TRV_SUCCESS);
    // The name is free again.
    TorvoScene again = nullptr;
    EXPECT_EQ(TRVBeginScene(manager_, "room", &again), TRV_SUCCESS);
}

// A scene directory that cannot take the files: status 7, the scene stays open, and ending it
// again succeeds once the directory is back.
TEST_F(Scene, UnwritableSceneDirectoryLeavesTheSceneOpen)
{
    instance(mesh("box"), "box");
    const fs::path directory = scenesDirectory();
    fs::remove_all(directory);
    std::ofstream(directory) << "a file where the directory should be";
    EXPECT_EQ(TRVEndScene(scene_), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError(), "Failed to create scene file: " + (directory / "room.xml").string() + ".\n");
    EXPECT_FALSE(scene().isFinalized());
    TorvoMaterial material = nullptr;
    EXPECT_EQ(TRVCreateMaterial(scene_, "late", &material), TRV_SUCCESS);

    fs::remove(directory);
    fs::create_directories(directory);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_NE(sceneXml().find("<Name><![CDATA[late]]></Name>"), std::string::npos);
    EXPECT_NE(fileList().find(".ttm</file>"), std::string::npos);
}

// A write that fails part-way (a full device) is reported by the step that notices it.
TEST_F(Scene, FailedWritesAreReportedAndTheSceneStaysOpen)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TorvoScene full = nullptr;
    const fs::path link = scenesDirectory() / "full.xml";
    fs::create_symlink("/dev/full", link);
    ASSERT_EQ(TRVBeginScene(manager_, "full", &full), TRV_SUCCESS);
    EXPECT_EQ(TRVEndScene(full), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError(), "Failed to finalize serialization.\n");
    fs::remove(link);
    EXPECT_EQ(TRVEndScene(full), TRV_SUCCESS);

    // The file list failing after the document: the scene is ended all the same.
    fs::create_symlink("/dev/full", scenesDirectory() / "room_files.xml");
    EXPECT_EQ(TRVEndScene(scene_), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError(), "Scene serializing failed when writing geometry list\n");
    EXPECT_TRUE(scene().isFinalized());
}

TEST_F(Scene, RenderStatsLightLinksOverridesAndLevelsOfDetail)
{
    TorvoMesh box = mesh("box");
    TorvoInstance low = instance(box, "low"), high = instance(box, "high");
    trv::FSTorvoInstance& object = instanceObject(low);
    EXPECT_EQ(object.renderStats(), 323071);
    ASSERT_EQ(TRVSetRenderStats(low, 2, TRV_RSOP_DISABLE), TRV_SUCCESS);
    ASSERT_EQ(TRVSetRenderStats(low, 512, TRV_RSOP_ENABLE), TRV_SUCCESS);
    EXPECT_EQ(object.renderStats(), (323071 & ~2) | 512);
    EXPECT_EQ(TRVSetRenderStats(low, 1, 2), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(),
              "Parameter renderstat operation must be either TRV_RSOP_ENABLE or TRV_RSOP_DISABLE\n");

    TRVLightHandle lights[] = {reinterpret_cast<TRVLightHandle>(8), reinterpret_cast<TRVLightHandle>(16)};
    ASSERT_EQ(TRVAddInstanceLightLinks(low, 0, lights, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVAddInstanceLightLinks(low, 0, lights + 1, 1), TRV_SUCCESS);
    EXPECT_EQ(TRVAddInstanceLightLinks(low, 1, lights, 2), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Tried to add light links of different type than previous calls\n");
    EXPECT_EQ(object.lightLinks()->handles(), std::vector<TRVLightHandle>(lights, lights + 2));
    EXPECT_EQ(TRVAddInstanceLightLinks(low, 0, nullptr, 3), TRV_INVALID_PARAMETER);

    TRVMaterialHandle materials[] = {nullptr, nullptr};
    EXPECT_EQ(TRVSetMaterialOverrides(low, materials, 2), TRV_NOT_IMPLEMENTED);
    EXPECT_EQ(trv::lastError(), "More than one material override not supported at the moment\n");
    ASSERT_EQ(TRVSetMaterialOverrides(low, materials, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVSetMaterialOverrides(low, materials, 1), TRV_SUCCESS);
    EXPECT_EQ(object.materialOverrides().size(), 2u);

    EXPECT_EQ(TRVAddLODInstance(low, low), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Can't use itself as high res lod on instance\n");
    ASSERT_EQ(TRVAddLODInstance(low, high), TRV_SUCCESS);
    EXPECT_EQ(object.renderStats(), 0);
    EXPECT_EQ(TRVAddLODInstance(low, high), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Duplicate high res mesh set for the instance\n");
    EXPECT_EQ(object.highResPartners().size(), 1u);

    TorvoScene other = nullptr;
    ASSERT_EQ(TRVBeginScene(manager_, "other", &other), TRV_SUCCESS);
    const TRVMatrix4x4 m = identity();
    TorvoInstance elsewhere = nullptr;
    ASSERT_EQ(TRVCreateInstance(other, box, "elsewhere", &m, &elsewhere), TRV_SUCCESS);
    EXPECT_EQ(TRVAddLODInstance(low, elsewhere), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "High res lod not in the same scene as low res lod\n");
}

TEST_F(Scene, CamerasHashTheirNamesAndCheckTheFov)
{
    const TRVMatrix4x4 m = identity();
    TorvoCamera perspective = nullptr, environment = nullptr;
    ASSERT_EQ(TRVCreatePerspectiveCamera(scene_, "main", &m, &perspective), TRV_SUCCESS);
    ASSERT_EQ(TRVCreateEnvironmentCamera(scene_, "probe", &m, 7, &environment), TRV_SUCCESS);
    auto& camera = *dynamic_cast<trv::FSTorvoPerspCamera*>(trv::objectOf(perspective));
    EXPECT_EQ(camera.hashedName(), trv::nameHash(std::string("main")));

    EXPECT_EQ(TRVSetFov(perspective, 3.2f, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter horizontal fov must be between 0 and 3.14159, was 3.2\n");
    EXPECT_EQ(TRVSetFov(perspective, 1.0f, -1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter pixelAspectRatio must be above or equal to 0, was -1.\n");
    EXPECT_EQ(camera.horizontalFov(), 1.5707964f);
    EXPECT_EQ(TRVSetFov(perspective, std::nanf(""), 1.0f), TRV_INVALID_PARAMETER);
    ASSERT_EQ(TRVSetFov(perspective, 3.1415927f, 2.0f), TRV_SUCCESS);
    EXPECT_EQ(camera.pixelAspectRatio(), 2.0f);
    EXPECT_EQ(TRVSetFov(environment, 1.0f, 1.0f), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Tried to set fov on a camera that doesn't support fov.\n");

    // Types outside 0..2 are kept and give no type element.
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    const std::string xml = sceneXml();
    EXPECT_NE(xml.find("\t\t<Type>ENVIRONMENT</Type>\n\t</Camera>\n"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<x>3.14159274</x>"), std::string::npos);
}

// The mesh of an instance erased from the cache afterwards: the scene keeps the cache name it had.
TEST_F(Scene, MeshErasedAfterTheInstanceIsNotRead)
{
    TorvoMesh box = mesh("box");
    const std::string name = meshName(box);
    instance(box, "box");
    TRVEraseCachedMesh(manager_, "box");
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_NE(sceneXml().find("<Shape><![CDATA[" + name + "]]></Shape>"), std::string::npos);
    EXPECT_NE(fileList().find(name + ".ttm"), std::string::npos);
}

// A device that fills up while the objects are written: the step of the object in hand reports
// it with the kind and the name, status 7, and the scene stays open to be ended again.
TEST_F(Scene, FullDiskReportsTheObjectBeingWritten)
{
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    struct Case {
        const char* scene;
        const char* message;
        std::function<void(TorvoScene, const std::string&)> create;
    };
    TorvoMesh box = mesh("box");
    const Case cases[] = {
        {"instances", "Scene serialization failed in instance: ",
         [&](TorvoScene s, const std::string& name) {
             TorvoInstance out = nullptr;
             ASSERT_EQ(TRVCreateInstance(s, box, name.c_str(), &m, &out), TRV_SUCCESS);
         }},
        {"cameras", "Scene serialization failed in camera: ",
         [&](TorvoScene s, const std::string& name) {
             TorvoCamera out = nullptr;
             ASSERT_EQ(TRVCreatePerspectiveCamera(s, name.c_str(), &m, &out), TRV_SUCCESS);
         }},
        {"lights", "Scene serialization failed in light source: ",
         [&](TorvoScene s, const std::string& name) {
             TorvoLightSource out = nullptr;
             ASSERT_EQ(TRVCreateAreaLight(s, name.c_str(), &m, &white, &out), TRV_SUCCESS);
         }},
        {"materials", "Scene serialization failed in material: ",
         [&](TorvoScene s, const std::string& name) {
             TorvoMaterial out = nullptr;
             ASSERT_EQ(TRVCreateMaterial(s, name.c_str(), &out), TRV_SUCCESS);
         }},
    };
    for (const Case& c : cases) {
        TorvoScene scene = nullptr;
        ASSERT_EQ(TRVBeginScene(manager_, c.scene, &scene), TRV_SUCCESS);
        std::set<std::string> names;
        for (int i = 0; i < 200; ++i) {
            const std::string name = std::string(c.scene) + " " + std::to_string(1000 + i);
            names.insert(name);
            c.create(scene, name);
        }
        {
            testfiles::FileSizeLimit limit(1024);
            EXPECT_EQ(TRVEndScene(scene), TRV_FILE_IO_ERROR) << c.scene;
        }
        const std::string error = trv::lastError();
        const std::string start = c.message;
        ASSERT_EQ(error.compare(0, start.size(), start), 0) << error;
        EXPECT_EQ(names.count(error.substr(start.size(), error.size() - start.size() - 1)), 1u) << error;
        EXPECT_FALSE(static_cast<trv::FSTorvoScene*>(trv::objectOf(scene))->isFinalized());
        ASSERT_EQ(TRVEndScene(scene), TRV_SUCCESS) << c.scene;
    }
}

// Cameras and point clouds tell the information log the hashed names the renderer will see.
TEST_F(Scene, CamerasAndPointCloudsLogTheirHashedNames)
{
    const fs::path log = root_ / "info.log";
    ASSERT_EQ(TRVSetLogTarget(1, 3, log.string().c_str()), 0);
    const TRVMatrix4x4 m = identity();
    TorvoCamera camera = nullptr;
    TorvoPointCloud cloud = nullptr;
    const TRVStatus cameraStatus = TRVCreateEnvironmentCamera(scene_, "probe", &m, 0, &camera);
    const TRVStatus cloudStatus = TRVCreatePointCloud(scene_, "samples", &cloud);
    TRVSetLogTarget(1, 0, nullptr);
    ASSERT_EQ(cameraStatus, TRV_SUCCESS);
    ASSERT_EQ(cloudStatus, TRV_SUCCESS);
    EXPECT_EQ(readFile(log), "Hashed camera probe to " + trv::nameHash(std::string("probe")) + "\r\n" +
                                 "Point cloud named samples was hashed to " +
                                 trv::nameHash(std::string("samplesroom")) + "\r\n");
}
