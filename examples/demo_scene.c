#include "demo.h"

#include <math.h>
#include <stdio.h>

#define SCENE_NAME "demo_room"
#define CHECKER_SIZE 8
#define DEMO_AREA_SHADOW_SAMPLES 32

/* A placement: the local axes x, y, z (unit vectors, each scaled by its factor) and a position.
   Matrices are stored row after row and act on column vectors: the axes are the columns and the
   translation sits in elements 3, 7 and 11. */
static TRVMatrix4x4 demoFrame(TRVVec3 x, TRVVec3 y, TRVVec3 z, float sx, float sy, float sz, TRVVec3 at)
{
    TRVMatrix4x4 m = {{x.x * sx, y.x * sy, z.x * sz, at.x, x.y * sx, y.y * sy, z.y * sz, at.y, x.z * sx,
                       y.z * sy, z.z * sz, at.z, 0, 0, 0, 1}};
    return m;
}

static const TRVVec3 demoX = {1, 0, 0}, demoY = {0, 1, 0}, demoZ = {0, 0, 1};

/* Scale along the world axes, then move. */
static TRVMatrix4x4 demoPlace(float sx, float sy, float sz, float x, float y, float z)
{
    return demoFrame(demoX, demoY, demoZ, sx, sy, sz, (TRVVec3){x, y, z});
}

/* A light or camera at a position whose local -Z looks along the given direction (not vertical). */
static TRVMatrix4x4 demoLookAlong(TRVVec3 at, TRVVec3 direction)
{
    const float length = sqrtf(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    const TRVVec3 z = {-direction.x / length, -direction.y / length, -direction.z / length};
    /* x = up cross z, y = z cross x */
    TRVVec3 x = {z.z, 0, -z.x};
    const float xLength = sqrtf(x.x * x.x + x.z * x.z);
    x.x /= xLength;
    x.z /= xLength;
    const TRVVec3 y = {z.y * x.z - z.z * x.y, z.z * x.x - z.x * x.z, z.x * x.y - z.y * x.x};
    return demoFrame(x, y, z, 1, 1, 1, at);
}

/* The room's one mesh: a unit box with a lightmap uv layer (four vertices per face). */
static TRVStatus demoBuildBox(TorvoManager manager, TorvoMesh* outMesh)
{
    DemoCube cube;
    demoCubeGeometry(&cube);
    /* each face gets its own cell of a 3 x 2 lightmap grid */
    TRVVec2 uvs[24];
    for (int v = 0; v < 24; ++v) {
        const int face = v / 4;
        uvs[v] = (TRVVec2){((float)(face % 3) + cube.faceCorners[v].x * 0.9f + 0.05f) / 3.0f,
                           ((float)(face / 3) + cube.faceCorners[v].y * 0.9f + 0.05f) / 2.0f};
    }
    TorvoMesh mesh = NULL;
    TRVStatus status = TRVBeginMesh(manager, "demo room box", &mesh);
    if (status == TRV_SUCCESS)
        status = TRVAddVertexData(mesh, cube.positions, cube.normals, 24);
    if (status == TRV_SUCCESS)
        status = TRVBeginMaterialGroup(mesh, "surface");
    if (status == TRV_SUCCESS)
        status = TRVAddTriangleData(mesh, cube.indices, 36);
    if (status == TRV_SUCCESS)
        status = TRVEndMaterialGroup(mesh);
    if (status == TRV_SUCCESS)
        status = TRVBeginUVLayer(mesh, "lightmap");
    if (status == TRV_SUCCESS)
        status = TRVAddUVData(mesh, uvs, 24);
    if (status == TRV_SUCCESS)
        status = TRVEndUVLayer(mesh);
    if (status == TRV_SUCCESS)
        status = TRVEndMesh(mesh);
    demoPrintStatus("  box mesh built", status);
    *outMesh = mesh;
    return status;
}

/* A grey checker board for the floor, as an 8-bit RGB texture. */
static TRVStatus demoBuildChecker(TorvoManager manager, TorvoTexture* outTexture)
{
    uint8_t pixels[CHECKER_SIZE * CHECKER_SIZE * 3];
    for (int i = 0; i < CHECKER_SIZE * CHECKER_SIZE; ++i) {
        const uint8_t value = ((i % CHECKER_SIZE) / 2 + (i / CHECKER_SIZE) / 2) % 2 ? 200 : 90;
        pixels[i * 3] = pixels[i * 3 + 1] = pixels[i * 3 + 2] = value;
    }
    TorvoTexture texture = NULL;
    TRVStatus status = TRVBeginTexture(manager, "demo room checker", CHECKER_SIZE, CHECKER_SIZE,
                                       TRV_TEXTURE_LDR_RGB, &texture);
    if (status == TRV_SUCCESS)
        status = TRVAddPixelDataLDR(texture, pixels, CHECKER_SIZE * CHECKER_SIZE);
    if (status == TRV_SUCCESS)
        status = TRVEndTexture(texture);
    demoPrintStatus("  checker texture built", status);
    *outTexture = status == TRV_SUCCESS ? texture : NULL;
    return status;
}

static int demoCheck(const char* what, TRVStatus status)
{
    if (status != TRV_SUCCESS)
        demoPrintStatus(what, status);
    return status != TRV_SUCCESS;
}

int demoScene(TorvoManager manager, DemoRoom* outRoom)
{
    printf("\n== The room scene\n");
    outRoom->scene = NULL;
    TRVEraseCachedMesh(manager, "demo room box");
    TRVEraseCachedTexture(manager, "demo room checker");
    TorvoMesh box = NULL;
    TorvoTexture checker = NULL;
    if (demoBuildBox(manager, &box) != TRV_SUCCESS)
        return 1;
    demoBuildChecker(manager, &checker); /* the room works without its floor pattern too */

    TorvoScene scene = NULL;
    TRVStatus status = TRVBeginScene(manager, SCENE_NAME, &scene);
    demoPrintStatus("  TRVBeginScene(" SCENE_NAME ")", status);
    if (status != TRV_SUCCESS)
        return 1;
    int failed = 0;

    /* Floor, ceiling, three walls, a table and a crate: all the same box, placed and scaled. */
    struct Piece {
        const char* name;
        float sx, sy, sz, x, y, z;
    };
    static const struct Piece pieces[] = {
        {"floor", 8, 0.2f, 8, 0, -0.1f, 0},  {"ceiling", 8, 0.2f, 8, 0, 3.1f, 0},
        {"wall north", 8, 3, 0.2f, 0, 1.5f, -4}, {"wall east", 0.2f, 3, 8, 4, 1.5f, 0},
        {"wall west", 0.2f, 3, 8, -4, 1.5f, 0},  {"table", 1.6f, 0.8f, 0.9f, 0, 0.4f, -1},
        {"crate", 0.6f, 0.6f, 0.6f, 2, 0.3f, 1},
    };
    TorvoInstance* instances = outRoom->pieces;
    for (size_t i = 0; i < sizeof pieces / sizeof pieces[0]; ++i) {
        const struct Piece* p = &pieces[i];
        const TRVMatrix4x4 place = demoPlace(p->sx, p->sy, p->sz, p->x, p->y, p->z);
        failed |= demoCheck("  TRVCreateInstance", TRVCreateInstance(scene, box, p->name, &place, &instances[i]));
    }
    if (failed)
        return 1;
    /* The ceiling is only there for light bounces: the camera does not see it. */
    failed |= demoCheck("  TRVSetRenderStats", TRVSetRenderStats(instances[1], 1, TRV_RSOP_DISABLE));

    const TRVMatrix4x4 eye = demoPlace(1, 1, 1, 0, 1.6f, 3.5f);
    TorvoCamera camera = NULL, probe = NULL;
    failed |= demoCheck("  TRVCreatePerspectiveCamera", TRVCreatePerspectiveCamera(scene, "eye", &eye, &camera));
    failed |= demoCheck("  TRVSetFov", TRVSetFov(camera, 1.2f, 1.0f));
    failed |= demoCheck("  TRVCreateEnvironmentCamera",
                        TRVCreateEnvironmentCamera(scene, "probe", &eye, TRV_ENV_CUBEMAP, &probe));

    /* One light of each kind. Point, spot and directional lights shine along their local -Z; area
       and window lights are squares in their local X and Z that emit toward their local -Y. */
    const TRVLinearRGB warm = {1.0f, 0.85f, 0.6f}, sky = {0.5f, 0.6f, 1.0f}, white = {1, 1, 1};
    const TRVMatrix4x4 bulbAt = demoPlace(1, 1, 1, -2.0f, 2.6f, 1.0f),
                       spotAt = demoLookAlong((TRVVec3){2, 2.8f, 2.0f}, (TRVVec3){0, -1, -0.35f}),
                       sunAt = demoLookAlong((TRVVec3){0, 10, 10}, (TRVVec3){0.35f, -0.6f, -1.0f}),
                       panelAt = demoPlace(1.2f, 1, 0.6f, 0, 2.95f, -1),
                       /* the window faces into the room from the open south side: local -Y becomes -Z */
                       windowAt = demoFrame(demoX, demoZ, (TRVVec3){0, -1, 0}, 1.5f, 1, 1.2f,
                                            (TRVVec3){0, 1.6f, 3.9f});
    TorvoLightSource bulb = NULL, spot = NULL, sun = NULL, panel = NULL, window = NULL;
    failed |= demoCheck("  TRVCreatePointLight", TRVCreatePointLight(scene, "bulb", &bulbAt, &warm, &bulb));
    failed |= demoCheck("  TRVCreateSpotLight", TRVCreateSpotLight(scene, "spot", &spotAt, &white, &spot));
    failed |= demoCheck("  TRVCreateDirectionalLight", TRVCreateDirectionalLight(scene, "sun", &sunAt, &white, &sun));
    failed |= demoCheck("  TRVCreateAreaLight", TRVCreateAreaLight(scene, "panel", &panelAt, &white, &panel));
    failed |= demoCheck("  TRVCreateWindowLight", TRVCreateWindowLight(scene, "window", &windowAt, &sky, &window));
    if (failed)
        return 1;
    TorvoLightSource all[] = {bulb, spot, sun, panel, window};
    for (size_t i = 0; i < sizeof all / sizeof all[0]; ++i)
        failed |= demoCheck("  TRVSetCastShadows", TRVSetCastShadows(all[i], 1));
    failed |= demoCheck("  TRVSetShadowRadius", TRVSetShadowRadius(bulb, 0.05f));
    failed |= demoCheck("  TRVSetFalloff", TRVSetFalloff(bulb, TRV_FALLOFF_STANDARD, 2.0f, 12.0f, 1));
    failed |= demoCheck("  TRVSetIntensityScale", TRVSetIntensityScale(bulb, 3.0f, 1.0f));
    const TRVLinearRGB dim = {0.2f, 0.2f, 0.2f};
    failed |= demoCheck("  TRVSetLightRampEntry", TRVSetLightRampEntry(bulb, 0.0f, &warm));
    failed |= demoCheck("  TRVSetLightRampEntry", TRVSetLightRampEntry(bulb, 1.0f, &dim));
    failed |= demoCheck("  TRVSetSpotlightCone", TRVSetSpotlightCone(spot, 0.8f, 0.1f, 2.0f));
    failed |= demoCheck("  TRVSetShadowSamples", TRVSetShadowSamples(spot, 8));
    /* Soft shadows of the square lights, smooth rather than grainy */
    failed |= demoCheck("  TRVSetShadowSamples", TRVSetShadowSamples(panel, DEMO_AREA_SHADOW_SAMPLES));
    failed |= demoCheck("  TRVSetShadowSamples", TRVSetShadowSamples(window, DEMO_AREA_SHADOW_SAMPLES));
    failed |= demoCheck("  TRVSetShadowAngle", TRVSetShadowAngle(sun, 0.01f));
    failed |= demoCheck("  TRVSetIntensityScale", TRVSetIntensityScale(sun, 0.8f, 1.0f));
    failed |= demoCheck("  TRVSetIntensityScale", TRVSetIntensityScale(panel, 0.3f, 1.0f));
    failed |= demoCheck("  TRVSetIntensityScale", TRVSetIntensityScale(window, 0.5f, 2.0f));
    /* The spot lights only the crate. */
    TRVInstanceHandle crateOnly[] = {instances[6]};
    failed |= demoCheck("  TRVAddLightLightLinks", TRVAddLightLightLinks(spot, TRV_LINK_INCLUSIVE, crateOnly, 1));

    /* Materials: a textured floor, plain walls and a glowing crate override. */
    TorvoMaterial floor = NULL, walls = NULL, glow = NULL;
    failed |= demoCheck("  TRVCreateMaterial", TRVCreateMaterial(scene, "floor", &floor));
    failed |= demoCheck("  TRVCreateMaterial", TRVCreateMaterial(scene, "walls", &walls));
    failed |= demoCheck("  TRVCreateMaterial", TRVCreateMaterial(scene, "glow", &glow));
    if (failed)
        return 1;
    if (checker) {
        failed |= demoCheck("  TRVSetMaterialTexture", TRVSetMaterialTexture(floor, TRV_CHANNEL_DIFFUSE, checker));
        failed |= demoCheck("  TRVSetChannelUVLayer", TRVSetChannelUVLayer(floor, TRV_CHANNEL_DIFFUSE, "lightmap"));
    }
    const TRVLinearRGBA plaster = {0.8f, 0.78f, 0.72f, 1}, orange = {1.0f, 0.5f, 0.1f, 1};
    failed |= demoCheck("  TRVSetMaterialColor", TRVSetMaterialColor(walls, TRV_CHANNEL_DIFFUSE, &plaster));
    failed |= demoCheck("  TRVSetMaterialColor", TRVSetMaterialColor(glow, TRV_CHANNEL_EMISSIVE, &orange));
    failed |= demoCheck("  TRVSetMaterialScale", TRVSetMaterialScale(glow, TRV_CHANNEL_EMISSIVE, 4.0f));
    failed |= demoCheck("  TRVSetGIScale", TRVSetGIScale(glow, 1.0f, 2.0f, 1.0f));
    TRVMaterialHandle overrideGlow[] = {glow}, overrideFloor[] = {floor}, overrideWalls[] = {walls};
    failed |= demoCheck("  TRVSetMaterialOverrides", TRVSetMaterialOverrides(instances[6], overrideGlow, 1));
    /* The box mesh's one group names no material of the scene: the pieces take theirs by override. */
    failed |= demoCheck("  TRVSetMaterialOverrides", TRVSetMaterialOverrides(instances[0], overrideFloor, 1));
    for (int wall = 1; wall <= 4; ++wall)
        failed |= demoCheck("  TRVSetMaterialOverrides", TRVSetMaterialOverrides(instances[wall], overrideWalls, 1));

    /* A few probe points above the floor, written to their own file. */
    TorvoPointCloud probes = NULL;
    TRVVec3 points[9], ups[9];
    for (int i = 0; i < 9; ++i) {
        points[i] = (TRVVec3){(float)(i % 3 - 1) * 2.5f, 0.5f, (float)(i / 3 - 1) * 2.5f};
        ups[i] = (TRVVec3){0, 1, 0};
    }
    failed |= demoCheck("  TRVCreatePointCloud", TRVCreatePointCloud(scene, "floor probes", &probes));
    if (probes) {
        failed |= demoCheck("  TRVAddPointCloudData", TRVAddPointCloudData(probes, points, ups, 9));
        failed |= demoCheck("  TRVEndPointCloud", TRVEndPointCloud(probes));
    }

    status = TRVEndScene(scene);
    demoPrintStatus("  TRVEndScene", status);
    if (status != TRV_SUCCESS)
        return 1;
    printf("  scene files: demo-cache/scenes/" SCENE_NAME ".xml and demo-cache/scenes/" SCENE_NAME "_files.xml\n");
    demoPrintStatus("  a material after the end (refused)", TRVSetMaterialColor(walls, TRV_CHANNEL_DIFFUSE, &orange));
    outRoom->scene = scene;
    outRoom->eye = camera;
    return failed;
}
