// Targets and their entities through the exported functions: what each kind accepts and refuses,
// the documents each kind writes, the result files each kind reads, and normalization ranges.
#include "BakeTestSupport.h"

#include "bake/FSTorvoCameraTarget.h"
#include "bake/FSTorvoTextureTargetEntity.h"
#include "job/TorvoRenderTool.h"
#include "scene/FSTorvoCamera.h"
#include "scene/FSTorvoPointCloud.h"

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <vector>

using namespace baketest;

namespace {

class Target : public BakeFixture {
protected:
    TorvoTarget textureTarget(const char* name, int32_t width = 64, int32_t height = 32)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateTextureTarget(job_, name, width, height, &target), 0);
        return target;
    }
    TorvoTarget cameraTarget(const char* name)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateCameraTarget(job_, name, eye, 320, 240, &target), 0);
        return target;
    }
    TorvoTarget vertexTarget(const char* name)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateVertexTarget(job_, name, &target), 0);
        return target;
    }
    TorvoTarget atlasTarget(const char* name, int32_t maxWidth = 256, int32_t maxHeight = 128)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreateAtlasedTextureTarget(job_, name, maxWidth, maxHeight, 2, &target), 0);
        return target;
    }
    TorvoTarget pointCloudTarget(const char* name)
    {
        TorvoTarget target = nullptr;
        EXPECT_EQ(TRVCreatePointCloudTarget(job_, name, &target), 0);
        return target;
    }
    TorvoTargetEntity add(TorvoTarget target, TorvoInstance instance)
    {
        TorvoTargetEntity entity = nullptr;
        EXPECT_EQ(TRVAddBakeInstance(target, instance, &entity), 0);
        return entity;
    }
    TorvoTargetEntity add(TorvoTarget target, TorvoPointCloud cloud)
    {
        TorvoTargetEntity entity = nullptr;
        EXPECT_EQ(TRVAddBakePointCloud(target, cloud, &entity), 0);
        return entity;
    }
    // The one document a target writes over base.
    std::string document(TorvoTarget target, const char* base = "<KXConfig/>")
    {
        tinyxml2::XMLDocument source;
        EXPECT_EQ(source.Parse(base), tinyxml2::XML_SUCCESS);
        trv::DocumentList documents;
        trv::TorvoRenderTool tool{root_.path(), "s.xml", "f.xml", "out", 2, "r"};
        EXPECT_EQ(targetObject(target).writeConfiguration(source, documents, tool), 0);
        EXPECT_EQ(documents.size(), 1u);
        if (documents.empty())
            return {};
        targetObject(target).prefixOutputNames(*documents.front(), "pass7");
        return printed(*documents.front());
    }
    // The job has finished with its results in outputDirectory.
    fs::path finish()
    {
        const fs::path output = root_ / "output";
        fs::create_directories(output);
        EXPECT_EQ(job().setJobOutputPath(output.string()), 0);
        job().passesAndTargets().jobFinished();
        return output;
    }
    std::string cameraHash() { return dynamic_cast<trv::FSTorvoCamera*>(trv::objectOf(eye))->hashedName(); }
    std::string probesHash()
    {
        return dynamic_cast<trv::FSTorvoPointCloud*>(trv::objectOf(probes))->hashedName();
    }
};

void markErrorLog()
{
    trv::errorStream() << "mark" << std::endl;
}

// The standard text form: 8-4-4-4-12 lower-case hexadecimal digits.
bool isGuidText(const std::string& name)
{
    if (name.size() != 36)
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? name[i] != '-' : !std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(name[i]))
            return false;
    }
    return true;
}

}  // namespace

TEST_F(Target, CreationChecksSizesNamesAndTheCamerasScene)
{
    TorvoTarget target = reinterpret_cast<TorvoTarget>(0x10);
    EXPECT_EQ(TRVCreateTextureTarget(job_, "t", 0, 16, &target), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter width must be above 0, was 0.\n");
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(TRVCreateCameraTarget(job_, "t", eye, 16, -3, &target), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter height must be above 0, was -3.\n");

    // A camera of another scene: the reason, then the refusal.
    trvtest::LogCapture errors(root_ / "errors.log", trv::ErrorLog);
    EXPECT_EQ(TRVCreateCameraTarget(job_, "t", otherEye, 16, 16, &target), TRV_INVALID_HANDLE);
    EXPECT_EQ(errors.text(),
              "Created a camera render job using camera from a different scene\nFailed to create Camera target.\n");
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(TRVCreateCameraTarget(job_, "t", nullptr, 16, 16, &target), TRV_INVALID_HANDLE);
    EXPECT_TRUE(job().passesAndTargets().targets().empty());

    textureTarget("t");
    EXPECT_EQ(TRVCreateVertexTarget(job_, "t", &target), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A target named t already exists\n");
    EXPECT_EQ(target, nullptr);
    // Target and pass names are apart.
    fullShadingPass("t");
    EXPECT_EQ(targetObject(pointCloudTarget("u")).shortName(), "target1");
    EXPECT_EQ(targetObject(cameraTarget("v")).shortName(), "target2");
}

TEST_F(Target, EachKindRefusesWhatBelongsToOthers)
{
    const std::map<std::string, TorvoTarget> kinds{{"texture", textureTarget("texture")},
                                                  {"camera", cameraTarget("camera")},
                                                  {"vertex", vertexTarget("vertex")},
                                                  {"point cloud", pointCloudTarget("point cloud")},
                                                  {"atlas", atlasTarget("atlas")}};
    const TorvoRenderPass pass = fullShadingPass("pass");
    TorvoTarget vertex = kinds.at("vertex");
    const TorvoTargetEntity vertexEntity = add(vertex, floor);
    struct Operation {
        const char* message;
        std::set<std::string> supportedBy;
        std::function<TRVStatus(TorvoTarget)> call;
    };
    const std::vector<Operation> operations{
        {"Tried to add bake instance to target type not supporting it", {"texture", "vertex", "atlas"},
         [&](TorvoTarget t) {
             TorvoTargetEntity out = reinterpret_cast<TorvoTargetEntity>(0x10);
             const TRVStatus status = TRVAddBakeInstance(t, wall, &out);
             EXPECT_EQ(out, nullptr);
             return status;
         }},
        {"Tried to add bake point cloud to target type not supporting it", {"point cloud"},
         [&](TorvoTarget t) {
             TorvoTargetEntity out = nullptr;
             return TRVAddBakePointCloud(t, probes, &out);
         }},
        {"Tried to get framebuffer count from target type not supporting it", {"texture", "camera", "atlas"},
         [&](TorvoTarget t) {
             int32_t count = -5;
             return TRVGetFramebufferCount(t, &count);
         }},
        {"Tried to get framebuffer from target type not supporting it", {"texture", "camera", "atlas"},
         [&](TorvoTarget t) {
             TorvoFramebuffer out = reinterpret_cast<TorvoFramebuffer>(0x10);
             const TRVStatus status = TRVGetFramebuffer(t, pass, 0, &out);
             EXPECT_EQ(out, nullptr);
             return status;
         }},
        {"Tried to get vertex buffer from target type not supporting it", {"vertex", "point cloud"},
         [&](TorvoTarget t) {
             TorvoFramebuffer out = nullptr;
             return TRVGetVertexbuffer(t, pass, vertexEntity, &out);
         }},
        {"Tried to set padding on a target that is not atlased", {"atlas"},
         [](TorvoTarget t) { return TRVSetAtlasPadding(t, 2); }},
        {"Tried to set packing on a target that is not atlased", {"atlas"},
         [](TorvoTarget t) { return TRVSetAtlasPacking(t, 0); }},
        {"Tried to set alignment on a target that is not atlased", {"atlas"},
         [](TorvoTarget t) { return TRVSetAtlasAlignment(t, 4); }},
        {"Tried to set spatial on a target that is not atlased", {"atlas"},
         [](TorvoTarget t) { return TRVEnableAtlasSpatial(t); }},
    };
    for (const auto& [kind, target] : kinds) {
        for (const Operation& operation : operations) {
            if (operation.supportedBy.count(kind))
                continue;
            EXPECT_EQ(operation.call(target), TRV_NOT_SUPPORTED) << kind << ": " << operation.message;
            EXPECT_EQ(trv::lastError(), std::string(operation.message) + "\n") << kind;
        }
    }
    // What they support needs the job to have finished first.
    for (const auto& [kind, target] : kinds) {
        for (const Operation& operation : operations) {
            const bool readsResults = std::string(operation.message).find("Tried to get") == 0;
            if (!operation.supportedBy.count(kind) || !readsResults)
                continue;
            EXPECT_EQ(operation.call(target), TRV_INVALID_OBJECT_STATE) << kind << ": " << operation.message;
            EXPECT_EQ(trv::lastError(), "Tried to get a framebuffer from an unfinished target\n") << kind;
        }
    }
}

TEST_F(Target, PassesAreFilteredByTargetKind)
{
    std::ofstream(root_ / "s.lua") << "\n";
    std::map<std::string, TorvoRenderPass> passes;
    ASSERT_EQ(TRVCreateFullShadingPass(job_, "full", &passes["full"]), 0);
    ASSERT_EQ(TRVCreateNormalPass(job_, "normal", &passes["normal"]), 0);
    ASSERT_EQ(TRVCreateIlluminationPass(job_, "illumination", 2, &passes["illumination"]), 0);
    ASSERT_EQ(TRVCreateRNMPass(job_, "rnm", 2, 300, 0, &passes["rnm"]), 0);
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 0.0f, 180.0f, &passes["ao"]), 0);
    ASSERT_EQ(TRVCreateLuaPass(job_, "lua", (root_ / "s.lua").c_str(), &passes["lua"]), 0);
    const std::string cameraRule = "The only supported render pass for camera targets is the Full Shading Pass\n";
    const std::string vertexRule = "Normal Pass is not supported on Vertex Targets\n";
    const std::string cloudRule = "The only supported render pass for point cloud targets is the LUA Pass\n";
    struct Kind {
        TorvoTarget target;
        std::map<std::string, std::string> refused;  // pass -> message; every other pass is taken
    };
    const std::vector<Kind> kinds{
        {textureTarget("texture"), {}},
        {cameraTarget("camera"),
         {{"normal", cameraRule}, {"illumination", cameraRule}, {"rnm", cameraRule}, {"ao", cameraRule},
          {"lua", cameraRule}}},
        {vertexTarget("vertex"), {{"normal", vertexRule}}},
        {pointCloudTarget("cloud"),
         {{"full", cloudRule}, {"normal", cloudRule}, {"illumination", cloudRule}, {"rnm", cloudRule},
          {"ao", cloudRule}}},
    };
    for (const Kind& kind : kinds) {
        const std::string& name = targetObject(kind.target).name();
        for (const auto& [passName, pass] : passes) {
            const auto refused = kind.refused.find(passName);
            if (refused != kind.refused.end()) {
                EXPECT_EQ(TRVAddPassToTarget(kind.target, pass), TRV_INVALID_PARAMETER) << name << " " << passName;
                EXPECT_EQ(trv::lastError(), refused->second);
                EXPECT_FALSE(targetObject(kind.target).usesPass(passObject(pass)));
                continue;
            }
            EXPECT_EQ(TRVAddPassToTarget(kind.target, pass), 0) << name << " " << passName;
            EXPECT_TRUE(targetObject(kind.target).usesPass(passObject(pass)));
            EXPECT_EQ(TRVAddPassToTarget(kind.target, pass), TRV_INVALID_OBJECT_STATE);
            EXPECT_EQ(trv::lastError(), "Pass " + passName + " already present in Target " + name + "\n");
        }
    }
    // A pass of another job.
    const TorvoRenderPass foreign = fullShadingPass("foreign", otherJob);
    EXPECT_EQ(TRVAddPassToTarget(kinds[0].target, foreign), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Pass foreign belongs to a different TorvoJob than Target texture\n");
    EXPECT_EQ(TRVAddPassToTarget(kinds[0].target, nullptr), TRV_INVALID_HANDLE);
}

TEST_F(Target, EntitiesAreMadePerAdditionFromObjectsOfTheJobsScene)
{
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTargetEntity first = add(texture, floor);
    const TorvoTargetEntity second = add(texture, floor);
    EXPECT_NE(first, second);
    EXPECT_TRUE(isGuidText(entityObject(first).name())) << entityObject(first).name();
    EXPECT_NE(entityObject(first).name(), entityObject(second).name());
    EXPECT_EQ(TRVAddBakeInstance(texture, wall, nullptr), 0);  // the entity need not be handed out

    TorvoTargetEntity out = reinterpret_cast<TorvoTargetEntity>(0x10);
    EXPECT_EQ(TRVAddBakeInstance(texture, otherFloor, &out), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Added instances from a different scene to texture bake target\n");
    EXPECT_EQ(out, nullptr);
    const TorvoTarget vertex = vertexTarget("vertex");
    EXPECT_EQ(TRVAddBakeInstance(vertex, otherFloor, &out), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Added instances from a different scene to texture bake target\n");
    const TorvoTarget cloud = pointCloudTarget("cloud");
    EXPECT_EQ(TRVAddBakePointCloud(cloud, otherProbes, &out), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Added instances from a different scene to texture bake target\n");
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(TRVAddBakeInstance(texture, nullptr, &out), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError().rfind("Invalid TorvoInstance Handle: ", 0), 0u);
    // Three entities, none from the other scene.
    EXPECT_NE(document(texture).find("<target>wall</target>"), std::string::npos);
    EXPECT_EQ(document(texture).find("<target>floor</target>", document(texture).find("<target>wall</target>")),
              std::string::npos);
}

TEST_F(Target, EntitiesRefuseTheSettingsOfOtherKinds)
{
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTarget vertex = vertexTarget("vertex");
    const TorvoTarget cloud = pointCloudTarget("cloud");
    const TorvoTarget atlas = atlasTarget("atlas");
    const TorvoRenderPass pass = fullShadingPass("pass");
    const std::map<std::string, TorvoTargetEntity> kinds{{"texture", add(texture, floor)},
                                                         {"vertex", add(vertex, floor)},
                                                         {"point cloud", add(cloud, probes)},
                                                         {"atlas", add(atlas, floor)}};
    const float offset[2] = {0.5f, 0.5f}, scale[2] = {0.5f, 0.5f};
    struct Setting {
        const char* message;
        std::set<std::string> supportedBy;
        std::function<TRVStatus(TorvoTargetEntity)> call;
    };
    const std::vector<Setting> settings{
        {"Tried to set UV transform on a target entity not supporting it.", {"texture"},
         [&](TorvoTargetEntity e) { return TRVSetUVTransform(e, offset, scale); }},
        {"Tried to set bake uv set on a target entity not supporting it.", {"texture", "atlas"},
         [](TorvoTargetEntity e) { return TRVSetBakeUVSet(e, "map1"); }},
        {"Tried to set bake resolution on a target entity not supporting it.", {"atlas"},
         [](TorvoTargetEntity e) { return TRVSetBakeResolution(e, 64, 64); }},
        {"Tried to set texel scale on a target entity not supporting it.", {"atlas"},
         [](TorvoTargetEntity e) { return TRVSetTexelScale(e, 2.0f); }},
        {"Tried to get atlas information from target type not supporting it", {"texture", "atlas"},
         [](TorvoTargetEntity e) {
             int32_t index = 0;
             float o[2], s[2];
             return TRVGetAtlasInformation(e, &index, o, s);
         }},
        {"Tried to get normalization data from target type not supporting it", {"texture", "atlas"},
         [&](TorvoTargetEntity e) {
             float min = 0, max = 0;
             return TRVGetNormalizationData(e, pass, 0, &min, &max);
         }},
    };
    for (const auto& [kind, entity] : kinds) {
        for (const Setting& setting : settings) {
            if (setting.supportedBy.count(kind)) {
                setting.call(entity);
                EXPECT_NE(trv::lastError(), std::string(setting.message) + "\n");
                continue;
            }
            EXPECT_EQ(setting.call(entity), TRV_INVALID_HANDLE) << kind << ": " << setting.message;
            EXPECT_EQ(trv::lastError(), std::string(setting.message) + "\n") << kind;
        }
    }
}

TEST_F(Target, ATextureEntityIsAnAtlasOfOnePlacedByItsUVTransform)
{
    const TorvoTargetEntity entity = add(textureTarget("texture"), floor);
    int32_t index = -1;
    float offset[2] = {-1, -1}, scale[2] = {-1, -1};
    ASSERT_EQ(TRVGetAtlasInformation(entity, &index, offset, scale), 0);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(std::vector<float>(offset, offset + 2), (std::vector<float>{0.0f, 0.0f}));
    EXPECT_EQ(std::vector<float>(scale, scale + 2), (std::vector<float>{1.0f, 1.0f}));
    const float newOffset[2] = {0.25f, 0.75f}, newScale[2] = {0.5f, 0.125f};
    ASSERT_EQ(TRVSetUVTransform(entity, newOffset, newScale), 0);
    ASSERT_EQ(TRVGetAtlasInformation(entity, &index, offset, scale), 0);
    EXPECT_EQ(std::vector<float>(offset, offset + 2), (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(std::vector<float>(scale, scale + 2), (std::vector<float>{0.5f, 0.125f}));

    // Null out pointers are refused before the entity is looked at.
    EXPECT_EQ(TRVGetAtlasInformation(nullptr, &index, offset, nullptr), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Null pointer passed to TRVGetAtlasInformation\n");
    EXPECT_EQ(TRVGetAtlasInformation(nullptr, &index, offset, scale), TRV_INVALID_HANDLE);
    // A UV transform needs both vectors.
    EXPECT_EQ(TRVSetUVTransform(entity, nullptr, newScale), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter offset must not be NULL.\n");
}

TEST_F(Target, ATextureTargetWritesOneTextureWithASurfacePerEntity)
{
    TorvoInstance detail = instance(box, "detail");
    ASSERT_EQ(TRVAddLODInstance(wall, detail), 0);
    const TorvoTarget texture = textureTarget("light map", 512, 256);
    const TorvoTargetEntity first = add(texture, floor);
    const TorvoTargetEntity second = add(texture, wall);
    const float offset[2] = {0.5f, 0.25f}, scale[2] = {0.5f, 0.1f};
    ASSERT_EQ(TRVSetUVTransform(first, offset, scale), 0);
    ASSERT_EQ(TRVSetBakeUVSet(first, "lightmap"), 0);
    // Set back to the identity: no transform is written.
    const float zero[2] = {0.0f, 0.0f}, one[2] = {1.0f, 1.0f};
    ASSERT_EQ(TRVSetUVTransform(second, offset, scale), 0);
    ASSERT_EQ(TRVSetUVTransform(second, zero, one), 0);

    const std::string expected = R"(
        <SurfaceTransferSettings><targets><SurfaceTransferTexture>
          <hasResolutionOverride>true</hasResolutionOverride>
          <resolutionOverride><x>512</x><y>256</y></resolutionOverride>
          <textureName>pass7_target0</textureName>
          <targetSurfaces>
            <SurfaceTransferTarget>
              <target>floor</target><name>)" + entityObject(first).name() + R"(</name>
              <hasUVSetOverride>1</hasUVSetOverride><UVSetOverride>lightmap</UVSetOverride>
              <UVScale><x>0.5</x><y>0.100000001</y></UVScale><UVBias><x>0.5</x><y>0.25</y></UVBias>
            </SurfaceTransferTarget>
            <SurfaceTransferTarget>
              <target>wall</target><name>)" + entityObject(second).name() + R"(</name>
              <sourceSurfaces><element>detail</element></sourceSurfaces>
            </SurfaceTransferTarget>
          </targetSurfaces>
        </SurfaceTransferTexture></targets></SurfaceTransferSettings>)";
    // Settings already in the document are replaced: the old targets go, the render type changes.
    EXPECT_EQ(document(texture, "<KXConfig><SurfaceTransferSettings><targets><SurfaceTransferTexture>"
                                "<textureName>old</textureName></SurfaceTransferTexture></targets>"
                                "</SurfaceTransferSettings><FrameSettings><renderType>Render</renderType>"
                                "</FrameSettings></KXConfig>"),
              compact("<KXConfig>" + expected +
                      "<FrameSettings><renderType>SurfaceTransfer</renderType><imageFormat>EXRMultiLayer"
                      "</imageFormat></FrameSettings></KXConfig>"));
    EXPECT_TRUE(targetObject(texture).isTextureTarget());
    EXPECT_EQ(targetObject(texture).renderOutputName(passObject(fullShadingPass("p"))), "");
}

TEST_F(Target, AVertexTargetWritesATextureNamedAfterEachEntity)
{
    TorvoInstance detail = instance(box, "detail");
    ASSERT_EQ(TRVAddLODInstance(floor, detail), 0);
    const TorvoTarget vertex = vertexTarget("vertex colors");
    const TorvoTargetEntity first = add(vertex, floor);
    const TorvoTargetEntity second = add(vertex, wall);
    const std::string a = entityObject(first).name(), b = entityObject(second).name();
    EXPECT_EQ(document(vertex), compact(R"(<KXConfig>
        <FrameSettings><renderType>VertexTransfer</renderType></FrameSettings>
        <SurfaceTransferSettings><targets>
          <SurfaceTransferTexture><textureName>pass7_)" + a + R"(</textureName><targetSurfaces>
            <SurfaceTransferTarget><target>floor</target><name>)" + a + R"(</name>
              <sourceSurfaces><element>detail</element></sourceSurfaces></SurfaceTransferTarget>
          </targetSurfaces></SurfaceTransferTexture>
          <SurfaceTransferTexture><textureName>pass7_)" + b + R"(</textureName><targetSurfaces>
            <SurfaceTransferTarget><target>wall</target><name>)" + b + R"(</name></SurfaceTransferTarget>
          </targetSurfaces></SurfaceTransferTexture>
        </targets></SurfaceTransferSettings></KXConfig>)"));
    EXPECT_FALSE(targetObject(vertex).isTextureTarget());
}

TEST_F(Target, APointCloudTargetNamesTheCloudsFileFromTheJobDirectory)
{
    const TorvoTarget cloud = pointCloudTarget("probes");
    add(cloud, probes);
    const std::string hash = probesHash();
    EXPECT_EQ(document(cloud), compact(R"(<KXConfig>
        <FrameSettings><renderType>PointCloudBake</renderType></FrameSettings>
        <PointCloudBakeSettings><targets><PCBakeTarget>
          <input>../../scenes/)" + hash + R"(.pc</input><outputFile>pass7_)" + hash + R"(.pc</outputFile>
          <sourceType>PointCloudFile</sourceType>
        </PCBakeTarget></targets></PointCloudBakeSettings></KXConfig>)"));
    // The renderer runs in the job directory: from there the input is the file the cloud is written to.
    const auto* object = dynamic_cast<trv::FSTorvoPointCloud*>(trv::objectOf(probes));
    EXPECT_EQ(fs::weakly_canonical(job().jobDirectory() / ("../../scenes/" + hash + ".pc")),
              fs::weakly_canonical(object->filePath()));
}

TEST_F(Target, ACameraTargetWritesItsImageSettingsAndNamesItsOutput)
{
    const TorvoTarget camera = cameraTarget("view");
    EXPECT_EQ(document(camera, "<KXConfig><FrameSettings><renderType>SurfaceTransfer</renderType>"
                               "<resolution><x>1</x></resolution></FrameSettings></KXConfig>"),
              compact(R"(<KXConfig><FrameSettings>
                  <renderType>Render</renderType><resolution><x>320</x><y>240</y></resolution>
                  <cameraName>)" + cameraHash() + R"(</cameraName><imageFormat>EXRMultiLayer</imageFormat>
                </FrameSettings></KXConfig>)"));
    const TorvoRenderPass pass = fullShadingPass("p");
    EXPECT_EQ(targetObject(camera).renderOutputName(passObject(pass)), "pass0_" + cameraHash());
}

TEST_F(Target, EmptyTargetsWriteNoDocumentButTheCameraAlwaysDoes)
{
    trvtest::InfoLogCapture info(root_ / "info.log");
    tinyxml2::XMLDocument base;
    base.Parse("<KXConfig/>");
    trv::TorvoRenderTool tool{root_.path(), "s.xml", "f.xml", "out", 2, "r"};
    for (TorvoTarget target : {textureTarget("texture"), vertexTarget("vertex"), pointCloudTarget("cloud")}) {
        trv::DocumentList documents;
        EXPECT_EQ(targetObject(target).writeConfiguration(base, documents, tool), 0);
        EXPECT_TRUE(documents.empty());
        EXPECT_NE(info.text().find("Warning target " + targetObject(target).name() + " is empty.\n"),
                  std::string::npos);
    }
    trv::DocumentList documents;
    EXPECT_EQ(targetObject(cameraTarget("camera")).writeConfiguration(base, documents, tool), 0);
    EXPECT_EQ(documents.size(), 1u);
}

TEST_F(Target, PrefixingNeedsTheTargetsElement)
{
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTarget cloud = pointCloudTarget("cloud");
    tinyxml2::XMLDocument document;
    document.Parse("<KXConfig><SurfaceTransferSettings/></KXConfig>");
    targetObject(texture).prefixOutputNames(document, "pass0");
    EXPECT_EQ(trv::lastError(), "Failed to find surface transfer targets\n");
    targetObject(cloud).prefixOutputNames(document, "pass0");
    EXPECT_EQ(trv::lastError(), "Failed to find point cloud bake targets\n");
    // Only the named children with a name are prefixed.
    document.Parse("<KXConfig><SurfaceTransferSettings><targets><SurfaceTransferTexture><textureName>a"
                   "</textureName></SurfaceTransferTexture><Other><textureName>b</textureName></Other>"
                   "<SurfaceTransferTexture/></targets></SurfaceTransferSettings></KXConfig>");
    targetObject(texture).prefixOutputNames(document, "pass2");
    EXPECT_EQ(printed(document), "<KXConfig><SurfaceTransferSettings><targets><SurfaceTransferTexture><textureName>"
                                 "pass2_a</textureName></SurfaceTransferTexture><Other><textureName>b</textureName>"
                                 "</Other><SurfaceTransferTexture/></targets></SurfaceTransferSettings></KXConfig>");
}

TEST_F(Target, ImageResultsAreReadFromTheirFilesOnceTheJobHasFinished)
{
    fullShadingPass("unused");
    const TorvoRenderPass pass = fullShadingPass("beauty");  // pass1
    const TorvoRenderPass absent = fullShadingPass("absent");
    const TorvoTarget texture = textureTarget("texture");  // target0
    const TorvoTarget camera = cameraTarget("camera");     // target1
    add(texture, floor);
    ASSERT_EQ(TRVAddPassToTarget(texture, pass), 0);
    ASSERT_EQ(TRVAddPassToTarget(camera, pass), 0);
    TorvoFramebuffer framebuffer = nullptr;
    int32_t count = -1;
    EXPECT_EQ(TRVGetFramebuffer(texture, pass, 0, &framebuffer), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Tried to get a framebuffer from an unfinished target\n");
    EXPECT_EQ(TRVGetFramebufferCount(camera, &count), TRV_INVALID_OBJECT_STATE);

    const fs::path output = finish();
    EXPECT_EQ(TRVGetFramebufferCount(texture, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(TRVGetFramebufferCount(camera, &count), 0);
    EXPECT_EQ(count, 1);

    // Missing files name the file each kind reads.
    const fs::path textureFile = output / "result_pass1_target0.exr";
    const fs::path cameraFile = output / ("pass1_" + cameraHash() + "_shape.exr");
    EXPECT_EQ(TRVGetFramebuffer(texture, pass, 0, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError().rfind("Failed to open file: " + textureFile.string() + " ", 0), 0u) << trv::lastError();
    EXPECT_EQ(TRVGetFramebuffer(camera, pass, 0, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError().rfind("Failed to open file: " + cameraFile.string() + " ", 0), 0u) << trv::lastError();
    EXPECT_EQ(framebuffer, nullptr);
    EXPECT_TRUE(targetObject(texture).framebuffers().empty());

    const auto value = [](int c, int x, int y) { return float(c * 100 + y * 10 + x); };
    writeResultImage(textureFile, {"beauty.B", "beauty.G", "beauty.R", "beauty.A", "Z"}, 4, 2, value);
    writeResultImage(cameraFile, {"beauty.B", "beauty.G", "beauty.R", "beauty.A", "Z"}, 4, 2, value);
    TorvoFramebuffer first = nullptr, second = nullptr, third = nullptr;
    EXPECT_EQ(TRVGetFramebuffer(texture, pass, 0, &first), 0);
    EXPECT_EQ(TRVGetFramebuffer(texture, pass, 0, &second), 0);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(first, second);  // every request opens the file again
    EXPECT_EQ(targetObject(texture).framebuffers().size(), 2u);
    EXPECT_EQ(TRVGetFramebuffer(camera, pass, 0, &third), 0);
    EXPECT_EQ(targetObject(camera).framebuffers().size(), 1u);
    // The pixel at (1, 1): the file's channels in the pass's order, named by the pass.
    EXPECT_EQ(contentsOf(first, 1, 1, 2, 2), (Contents{{"R", "G", "B", "A", "Z"}, 4, 2, {211, 111, 11, 311, 411}}));
    EXPECT_EQ(TRVDestroyFramebuffer(first), 0);
    EXPECT_EQ(targetObject(texture).framebuffers().size(), 1u);
    EXPECT_EQ(contentsOf(second, 3, 0, 4, 1), (Contents{{"R", "G", "B", "A", "Z"}, 4, 2, {203, 103, 3, 303, 403}}));

    // The index comes before the pass on a camera target, after it on a texture target.
    markErrorLog();
    EXPECT_EQ(TRVGetFramebuffer(texture, pass, 1, &framebuffer), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVGetFramebuffer(camera, absent, 1, &framebuffer), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "mark\n");
    EXPECT_EQ(TRVGetFramebuffer(texture, absent, 1, &framebuffer), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Render pass is not present in target\n");
    EXPECT_EQ(TRVGetFramebuffer(camera, absent, 0, &framebuffer), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Render pass is not present in target\n");
}

TEST_F(Target, PointResultsAreReadPerEntityOrCloud)
{
    std::ofstream(root_ / "s.lua") << "\n";
    TorvoRenderPass lua = nullptr;
    ASSERT_EQ(TRVCreateLuaPass(job_, "lua", (root_ / "s.lua").c_str(), &lua), 0);  // pass0
    TorvoRenderPass ao = nullptr;
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 0.0f, 180.0f, &ao), 0);  // pass1
    const TorvoTarget vertex = vertexTarget("vertex");
    const TorvoTarget otherVertex = vertexTarget("other vertex");
    const TorvoTarget cloud = pointCloudTarget("cloud");
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTargetEntity floorEntity = add(vertex, floor);
    const TorvoTargetEntity stranger = add(otherVertex, wall);
    const TorvoTargetEntity probeEntity = add(cloud, probes);
    const TorvoTargetEntity textureEntity = add(texture, floor);
    ASSERT_EQ(TRVAddPassToTarget(vertex, ao), 0);
    ASSERT_EQ(TRVAddPassToTarget(cloud, lua), 0);
    TorvoFramebuffer framebuffer = nullptr;
    EXPECT_EQ(TRVGetVertexbuffer(vertex, ao, floorEntity, &framebuffer), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Tried to get a framebuffer from an unfinished target\n");

    const fs::path output = finish();
    struct Refusal {
        TorvoTarget target;
        TorvoRenderPass pass;
        TorvoTargetEntity entity;
        std::string message;
    };
    const std::vector<Refusal> refusals{
        {vertex, ao, textureEntity, "Invalid vertex target entity"},
        {vertex, ao, probeEntity, "Invalid vertex target entity"},
        {vertex, lua, floorEntity, "Invalid renderPass"},
        {vertex, ao, stranger, "Vertex target entity not part of the vertex target"},
        {cloud, lua, floorEntity, "Invalid point cloud target entity"},
        {cloud, ao, probeEntity, "Invalid renderPass"},
    };
    for (const Refusal& r : refusals) {
        EXPECT_EQ(TRVGetVertexbuffer(r.target, r.pass, r.entity, &framebuffer), TRV_INVALID_PARAMETER) << r.message;
        EXPECT_EQ(trv::lastError(), r.message + "\n");
    }

    const fs::path vertexFile =
        output / ("result_pass1_" + entityObject(floorEntity).name() + "_ambientOcclusion.pc");
    const fs::path cloudFile = output / ("result_pass0_" + probesHash() + ".pc");
    EXPECT_EQ(TRVGetVertexbuffer(vertex, ao, floorEntity, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError().rfind("File reading exception when loading vertex data: ", 0), 0u) << trv::lastError();
    writeResultPoints(vertexFile, 1, {0.25f, 0.5f, 1.0f});
    writeResultPoints(cloudFile, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(TRVGetVertexbuffer(vertex, ao, floorEntity, &framebuffer), 0);
    EXPECT_EQ(contentsOf(framebuffer, 0, 0, 3, 1), (Contents{{"R"}, 3, 1, {0.25f, 0.5f, 1.0f}}));
    EXPECT_EQ(TRVGetVertexbuffer(cloud, lua, probeEntity, &framebuffer), 0);
    EXPECT_EQ(contentsOf(framebuffer, 0, 0, 2, 1), (Contents{{"0", "1", "2"}, 2, 1, {1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(targetObject(cloud).framebuffers().size(), 1u);

    // A file of the scene's own point format is no result; a file cut inside its header cannot be read.
    const TorvoPointCloud input = probes;
    const TRVVec3 point = {0, 0, 0}, normal = {0, 1, 0};
    ASSERT_EQ(TRVAddPointCloudData(input, &point, &normal, 1), 0);
    ASSERT_EQ(TRVEndPointCloud(input), 0);
    fs::copy_file(dynamic_cast<trv::FSTorvoPointCloud*>(trv::objectOf(probes))->filePath(), cloudFile,
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ(TRVGetVertexbuffer(cloud, lua, probeEntity, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError(), "Invalid header in point cloud: " + cloudFile.string() + "\n");
    fs::resize_file(vertexFile, 50);
    EXPECT_EQ(TRVGetVertexbuffer(vertex, ao, floorEntity, &framebuffer), TRV_FILE_IO_ERROR);
    EXPECT_EQ(trv::lastError().rfind("File reading exception when loading vertex data: ", 0), 0u) << trv::lastError();
    EXPECT_EQ(targetObject(vertex).framebuffers().size(), 1u);
}

TEST_F(Target, NormalizationRangesAreReadOncePerPassAndSurface)
{
    const TorvoRenderPass linked = fullShadingPass("linked");  // pass0
    TorvoRenderPass perChannel = nullptr;                      // pass1
    ASSERT_EQ(TRVCreateNormalPass(job_, "per channel", &perChannel), 0);
    const TorvoRenderPass plain = fullShadingPass("plain");  // pass2
    const TorvoRenderPass outside = fullShadingPass("outside");
    ASSERT_EQ(TRVNormalizeTextures(linked, 0), 0);
    ASSERT_EQ(TRVNormalizeTextures(perChannel, 1), 0);
    ASSERT_EQ(TRVNormalizeTextures(outside, 1), 0);
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTargetEntity floorEntity = add(texture, floor);
    const TorvoTargetEntity wallEntity = add(texture, wall);
    for (TorvoRenderPass pass : {linked, perChannel, plain})
        ASSERT_EQ(TRVAddPassToTarget(texture, pass), 0);
    const fs::path output = finish();
    const std::string document = R"(<MinMaxRoot><minMaxVec>
        <ShapeMinMax><shape>floor</shape><minVal>-2</minVal><maxVal>8.5</maxVal>
          <ComponentMinMaxVec>
            <ComponentMinMax><minVal>0</minVal><maxVal>1</maxVal></ComponentMinMax>
            <ComponentMinMax><minVal>-1</minVal><maxVal>2</maxVal></ComponentMinMax>
            <ComponentMinMax><minVal>0.25</minVal><maxVal>0.75</maxVal></ComponentMinMax>
          </ComponentMinMaxVec></ShapeMinMax>
      </minMaxVec></MinMaxRoot>)";
    float min = -9, max = -9;

    EXPECT_EQ(TRVGetNormalizationData(nullptr, linked, 0, nullptr, &max), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Null pointer passed to TRVGetNormalizationData\n");
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, plain, 0, &min, &max), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Normalization not enabled on this render pass\n");
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, outside, 0, &min, &max), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Render pass is not present in target\n");

    // No document yet: refused and not remembered, so the document is read once it is there.
    const fs::path linkedFile = output / "result_pass0_target0.xml";
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, linked, 0, &min, &max), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Cannot find " + linkedFile.string() + "\n");
    std::ofstream(linkedFile) << document;
    std::ofstream(output / "result_pass1_target0.xml") << document;
    {
        trvtest::InfoLogCapture info(root_ / "info.log");
        EXPECT_EQ(TRVGetNormalizationData(floorEntity, linked, 2, &min, &max), 0);
        EXPECT_EQ(std::make_pair(min, max), std::make_pair(-2.0f, 8.5f));
        EXPECT_NE(info.text().find("Loading Normalization data from " + linkedFile.string() + "\n"),
                  std::string::npos);
        // A surface the renderer did not list keeps its values as they are.
        EXPECT_EQ(TRVGetNormalizationData(wallEntity, linked, 0, &min, &max), 0);
        EXPECT_EQ(std::make_pair(min, max), std::make_pair(0.0f, 1.0f));
        EXPECT_NE(info.text().find("Cannot find normalization data for entity wall.\n"), std::string::npos);
    }
    // Read once: the document is no longer needed.
    fs::remove(linkedFile);
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, linked, 0, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(-2.0f, 8.5f));

    EXPECT_EQ(TRVGetNormalizationData(floorEntity, perChannel, 1, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(-1.0f, 2.0f));
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, perChannel, 2, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(0.25f, 0.75f));
    min = max = -9;
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, perChannel, 3, &min, &max), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Channel 3 not present in normalization data for floor\n");
    EXPECT_EQ(TRVGetNormalizationData(floorEntity, perChannel, -1, &min, &max), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Channel -1 not present in normalization data for floor\n");
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(-9.0f, -9.0f));
}

TEST_F(Target, ANormalizationDocumentWithoutSurfacesLeavesEverySurfaceAsItIs)
{
    const TorvoRenderPass pass = fullShadingPass("pass");
    ASSERT_EQ(TRVNormalizeTextures(pass, 1), 0);
    const TorvoTarget texture = textureTarget("texture");
    const TorvoTargetEntity entity = add(texture, floor);
    ASSERT_EQ(TRVAddPassToTarget(texture, pass), 0);
    const fs::path output = finish();
    std::ofstream(output / "result_pass0_target0.xml") << "<MinMaxRoot><minMaxVec/></MinMaxRoot>";
    float min = -9, max = -9;
    EXPECT_EQ(TRVGetNormalizationData(entity, pass, 5, &min, &max), 0);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(0.0f, 1.0f));
}
