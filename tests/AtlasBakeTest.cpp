// Atlased targets and light passes baked by the real renderer through the exported functions:
// flat squares under a light from straight above, whose light is known in closed form.
#include "SceneTestSupport.h"
#include "fakes/JobTestDoubles.h"

#include <array>
#include <chrono>
#include <cmath>
#include <vector>

namespace {

namespace fs = std::filesystem;
using scenetest::identity;

const fs::path rendererDirectory = fs::path(TORVO_BINARY_DIR) / "bin";

struct Rgba {
    std::vector<float> values;  // R, G, B, A per texel, row after row
    int32_t width = 0, height = 0;
    const float* at(int32_t x, int32_t y) const { return &values[(size_t(y) * width + x) * 4]; }
};

class AtlasBake : public scenetest::SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        ASSERT_EQ(TRVSetTorvoPath(manager_, rendererDirectory.c_str()), 0);
        // A directional light shining straight down: its local -Z is the world's -Y.
        TRVMatrix4x4 down{{1, 0, 0, 0, 0, 0, 1, 10, 0, -1, 0, 0, 0, 0, 0, 1}};
        const TRVLinearRGB white = {1, 1, 1};
        ASSERT_EQ(TRVCreateDirectionalLight(scene_, "sun", &down, &white, &sun), 0);
    }
    // A square with UVs 0..1 over its corners, counter-clockwise seen from its front.
    TorvoInstance square(const char* name, std::array<TRVVec3, 4> corners)
    {
        const TRVVec3 e1{corners[1].x - corners[0].x, corners[1].y - corners[0].y, corners[1].z - corners[0].z};
        const TRVVec3 e2{corners[3].x - corners[0].x, corners[3].y - corners[0].y, corners[3].z - corners[0].z};
        TRVVec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
        const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n = {n.x / length, n.y / length, n.z / length};
        const TRVVec3 normals[4] = {n, n, n, n};
        const TRVVec2 uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        const int32_t indices[6] = {0, 1, 2, 0, 2, 3};
        TorvoMesh mesh = nullptr;
        EXPECT_EQ(TRVBeginMesh(manager_, name, &mesh), 0);
        EXPECT_EQ(TRVAddVertexData(mesh, corners.data(), normals, 4), 0);
        EXPECT_EQ(TRVBeginMaterialGroup(mesh, "surface"), 0);
        EXPECT_EQ(TRVAddTriangleData(mesh, indices, 6), 0);
        EXPECT_EQ(TRVEndMaterialGroup(mesh), 0);
        EXPECT_EQ(TRVBeginUVLayer(mesh, "lightmap"), 0);
        EXPECT_EQ(TRVAddUVData(mesh, uvs, 4), 0);
        EXPECT_EQ(TRVEndUVLayer(mesh), 0);
        EXPECT_EQ(TRVEndMesh(mesh), 0);
        return instance(mesh, name);
    }
    // A horizontal square facing up, from (x0, z1) to (x1, z0) at height y: u runs along x.
    TorvoInstance flat(const char* name, float x0, float x1, float y, float z0 = -1, float z1 = 1)
    {
        return square(name, {TRVVec3{x0, y, z1}, TRVVec3{x1, y, z1}, TRVVec3{x1, y, z0}, TRVVec3{x0, y, z0}});
    }
    TorvoJob newJob()
    {
        std::ofstream(root_ / "config.xml") << "<KXConfig/>";
        TorvoJob job = nullptr;
        EXPECT_EQ(TRVCreateJob(manager_, "bake", scene_, (root_ / "config.xml").c_str(), &job), 0);
        return job;
    }
    int32_t run(TorvoJob job)
    {
        EXPECT_EQ(TRVStartJob(job, 2, 0), 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        TRVBool running = 1;
        while (running && std::chrono::steady_clock::now() < deadline) {
            EXPECT_EQ(TRVWaitJobDone(job, 1000), 0);
            EXPECT_EQ(TRVIsJobRunning(job, &running), 0);
        }
        int32_t result = -1;
        EXPECT_EQ(TRVGetJobResult(job, &result), 0);
        return result;
    }
    static Rgba image(TorvoTarget target, TorvoRenderPass pass, int32_t index)
    {
        Rgba out;
        TorvoFramebuffer framebuffer = nullptr;
        EXPECT_EQ(TRVGetFramebuffer(target, pass, index, &framebuffer), 0);
        if (!framebuffer)
            return out;
        EXPECT_EQ(TRVGetResolution(framebuffer, &out.width, &out.height), 0);
        out.values.resize(size_t(out.width) * out.height * 4);
        EXPECT_EQ(TRVReadRegionHDR(framebuffer, 0, 0, out.width, out.height, TRV_CHANNEL_RGBA, out.values.data()), 0);
        EXPECT_EQ(TRVDestroyFramebuffer(framebuffer), 0);
        return out;
    }
    TorvoLightSource sun = nullptr;
};

struct Placement {
    int32_t atlas = -1;
    float offset[2] = {0, 0}, scale[2] = {0, 0};
};

Placement placementOf(TorvoTargetEntity entity)
{
    Placement p;
    EXPECT_EQ(TRVGetAtlasInformation(entity, &p.atlas, p.offset, p.scale), 0);
    return p;
}

}  // namespace

TEST_F(AtlasBake, EverySurfaceIsBakedWhereTheLayoutPutItAndLightPassesBakeOnlyTheirEntities)
{
    // Lit at full strength, at cos 60 degrees (a square tilted about the z axis), and a third
    // surface the light pass leaves out.
    const float c = 0.5f, s = std::sqrt(3.0f) / 2;
    const TorvoInstance wide = flat("wide", -6, -2, 0);
    const TorvoInstance tilted = square("tilted", {TRVVec3{1, 0, 1}, TRVVec3{1 + c, s, 1}, TRVVec3{1 + c, s, -1},
                                                   TRVVec3{1, 0, -1}});
    const TorvoInstance small = flat("small", 4, 6, 0);
    ASSERT_EQ(TRVEndScene(scene_), 0);
    const TorvoJob job = newJob();

    // 64 x 32 atlases: the wide square fills one, the two others share the second.
    TorvoTarget atlas = nullptr;
    ASSERT_EQ(TRVCreateAtlasedTextureTarget(job, "atlas", 64, 32, 2, &atlas), 0);
    std::vector<std::pair<TorvoTargetEntity, float>> entities;  // with the light each receives
    for (auto [instance, width, light] : {std::tuple{wide, 64, 1.0f}, {tilted, 32, c}, {small, 32, 1.0f}}) {
        TorvoTargetEntity entity = nullptr;
        ASSERT_EQ(TRVAddBakeInstance(atlas, instance, &entity), 0);
        ASSERT_EQ(TRVSetBakeResolution(entity, width, 32), 0);
        entities.emplace_back(entity, light);
    }
    TorvoRenderPass direct = nullptr, lights = nullptr;
    ASSERT_EQ(TRVCreateIlluminationPass(job, "direct", 0, &direct), 0);
    ASSERT_EQ(TRVCreateLightPass(job, "light map", TRV_LIGHTPASS_LIGHTMAP, &lights), 0);
    TorvoLightPassEntry entry = nullptr;
    ASSERT_EQ(TRVCreateLightPassEntry(lights, &entry), 0);
    ASSERT_EQ(TRVAddLightToPass(entry, sun), 0);
    ASSERT_EQ(TRVAddTargetToPass(entry, entities[0].first), 0);
    ASSERT_EQ(TRVAddTargetToPass(entry, entities[1].first), 0);
    ASSERT_EQ(TRVAddPassToTarget(atlas, direct), 0);
    ASSERT_EQ(TRVAddPassToTarget(atlas, lights), 0);
    ASSERT_EQ(run(job), TRV_JOB_SUCCESS);

    int32_t count = 0;
    ASSERT_EQ(TRVGetFramebufferCount(atlas, &count), 0);
    ASSERT_EQ(count, 2);
    std::vector<Rgba> lit, passed;
    for (int32_t i = 0; i < count; ++i) {
        lit.push_back(image(atlas, direct, i));
        passed.push_back(image(atlas, lights, i));
        EXPECT_EQ(std::make_pair(lit.back().width, lit.back().height), std::make_pair(64, 32));
    }
    std::vector<int32_t> charts(size_t(count), 0);
    for (size_t e = 0; e < entities.size(); ++e) {
        const Placement p = placementOf(entities[e].first);
        ASSERT_GE(p.atlas, 0);
        ASSERT_LT(p.atlas, count);
        // The chart covers whole texels of the atlas: UV 0..1 of the surface maps onto it.
        const float x0 = p.offset[0] * 64, y0 = p.offset[1] * 32;
        const float x1 = x0 + p.scale[0] * 64, y1 = y0 + p.scale[1] * 32;
        EXPECT_GE(x0, -1e-3f);
        EXPECT_GE(y0, -1e-3f);
        EXPECT_LE(x1, 64 + 1e-3f);
        EXPECT_LE(y1, 32 + 1e-3f);
        EXPECT_NEAR(x1 - x0, e == 0 ? 64 : 32, 1e-3) << e;
        charts[size_t(p.atlas)] += int32_t(std::lround((x1 - x0) * (y1 - y0)));
        for (int32_t y = int32_t(std::lround(y0)); y < int32_t(std::lround(y1)); ++y)
            for (int32_t x = int32_t(std::lround(x0)); x < int32_t(std::lround(x1)); ++x) {
                const float* value = lit[size_t(p.atlas)].at(x, y);
                ASSERT_NEAR(value[0], entities[e].second, 1e-3) << e << " at " << x << ", " << y;
                ASSERT_EQ(value[3], 1.0f) << e << " at " << x << ", " << y;
                const float* light = passed[size_t(p.atlas)].at(x, y);
                ASSERT_NEAR(light[0], e < 2 ? entities[e].second : 0.0f, 1e-3) << e << " at " << x << ", " << y;
                ASSERT_EQ(light[3], 1.0f);
            }
    }
    // Every texel of both atlases belongs to exactly one chart.
    EXPECT_EQ(charts, std::vector<int32_t>(size_t(count), 64 * 32));
    EXPECT_EQ(TRVDestroyJob(job), 0);
}

TEST_F(AtlasBake, SurfacesThatCannotBePackedEndTheStartWithTheAtlasFailure)
{
    const TorvoInstance a = flat("a", -3, -1, 0), b = flat("b", 1, 3, 0);
    ASSERT_EQ(TRVEndScene(scene_), 0);
    const TorvoJob job = newJob();
    TorvoTarget atlas = nullptr;
    ASSERT_EQ(TRVCreateAtlasedTextureTarget(job, "atlas", 32, 32, 1, &atlas), 0);
    for (TorvoInstance instance : {a, b}) {
        TorvoTargetEntity entity = nullptr;
        ASSERT_EQ(TRVAddBakeInstance(atlas, instance, &entity), 0);
        ASSERT_EQ(TRVSetBakeResolution(entity, 32, 20), 0);
    }
    TorvoRenderPass direct = nullptr;
    ASSERT_EQ(TRVCreateIlluminationPass(job, "direct", 0, &direct), 0);
    ASSERT_EQ(TRVAddPassToTarget(atlas, direct), 0);
    trvtest::InfoLogCapture info(root_ / "info.log");
    EXPECT_EQ(TRVStartJob(job, 2, 0), TRV_ATLASING_FAILURE);
    EXPECT_EQ(trv::lastError(), "Atlasing failed. Most common errors are that the atlas size is smaller than a user "
                                "set shape size. Or that the max textures critera could not be met.\n");
    // The renderer's reason is in the information log.
    EXPECT_NE(info.text().find("Error: "), std::string::npos) << info.text();
    TRVBool running = 1;
    ASSERT_EQ(TRVIsJobRunning(job, &running), 0);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(TRVDestroyJob(job), 0);
}

TEST_F(AtlasBake, AShadowMapAndItsDistanceFieldFollowTheEdgeOfAShadowingHalfPlane)
{
    // The floor spans x -1..1 (u = (x + 1) / 2); a board above it covers x < 0.
    const TorvoInstance floor = flat("floor", -1, 1, 0);
    flat("board", -3, 0, 1, -3, 3);
    ASSERT_EQ(TRVSetCastShadows(sun, 1), 0);
    ASSERT_EQ(TRVEndScene(scene_), 0);
    const TorvoJob job = newJob();
    constexpr int32_t size = 16;
    constexpr int32_t filter = 4;
    TorvoTarget texture = nullptr;
    ASSERT_EQ(TRVCreateTextureTarget(job, "floor map", size, size, &texture), 0);
    TorvoTargetEntity entity = nullptr;
    ASSERT_EQ(TRVAddBakeInstance(texture, floor, &entity), 0);
    TorvoRenderPass shadow = nullptr, field = nullptr;
    for (TorvoRenderPass* pass : {&shadow, &field}) {
        ASSERT_EQ(TRVCreateLightPass(job, pass == &shadow ? "shadow" : "field", TRV_LIGHTPASS_SHADOWMAP, pass), 0);
        TorvoLightPassEntry entry = nullptr;
        ASSERT_EQ(TRVCreateLightPassEntry(*pass, &entry), 0);
        ASSERT_EQ(TRVAddLightToPass(entry, sun), 0);
        ASSERT_EQ(TRVAddTargetToPass(entry, entity), 0);
        ASSERT_EQ(TRVAddPassToTarget(texture, *pass), 0);
    }
    // The world distance does not limit the range: 4 texels.
    ASSERT_EQ(TRVEnableSignedDistanceField(field, filter, 100.0f), 0);
    ASSERT_EQ(run(job), TRV_JOB_SUCCESS);

    const Rgba visibility = image(texture, shadow, 0), distance = image(texture, field, 0);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            // The edge lies at u = 0.5: the signed distance of the texel's centre from it, in texels.
            const float signedTexels = float(x) + 0.5f - size / 2.0f;
            ASSERT_EQ(visibility.at(x, y)[0], signedTexels > 0 ? 1.0f : 0.0f) << x << ", " << y;
            const float expected = std::min(1.0f, std::max(0.0f, 0.5f + signedTexels / (2 * filter)));
            ASSERT_NEAR(distance.at(x, y)[0], expected, 1e-5) << x << ", " << y;
        }
    EXPECT_EQ(TRVDestroyJob(job), 0);
}
