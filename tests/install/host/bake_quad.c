/* An outside host built against the installed package: bakes the light map of a quad under a
   sun and checks it. A flat quad with nothing above it gets the same light everywhere: a white
   sun of intensity 1 that is 60 degrees off the vertical gives cos(60 degrees) on every
   texel. Prints what it found; exit status 0 when the bake is right. */
#include <torvo.h>

#include <math.h>
#include <stdio.h>

#define MAP_SIZE 32
#define BORDER 2 /* texels at the edge of the map may be half covered */
#define EXPECTED_LIGHT 0.5f /* cos(60 degrees) */
#define TOLERANCE 0.02f
#define CONFIG_FILE "bake_quad_config.xml"

static int check(const char* what, TRVStatus status)
{
    if (status != TRV_SUCCESS)
        fprintf(stderr, "bake_quad: %s failed with status %d\n", what, (int)status);
    return status != TRV_SUCCESS;
}

static int writeConfig(void)
{
    FILE* file = fopen(CONFIG_FILE, "w");
    if (!file)
        return 1;
    fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<KXConfig>\n"
          "\t<FrameSettings><renderType>surfaceTransfer</renderType></FrameSettings>\n"
          "\t<GISettings><enableGI>false</enableGI></GISettings>\n"
          "\t<SurfaceTransferSettings><targets/></SurfaceTransferSettings>\n"
          "</KXConfig>\n",
          file);
    return fclose(file) != 0;
}

int main(void)
{
    /* A 2 x 2 quad in the ground plane, facing up, its light-map UVs spanning the whole map. */
    const TRVVec3 positions[4] = {{-1, 0, 1}, {1, 0, 1}, {1, 0, -1}, {-1, 0, -1}};
    const TRVVec3 normals[4] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    const TRVVec2 uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const int32_t indices[6] = {0, 1, 2, 0, 2, 3};
    const TRVMatrix4x4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    /* The sun shines along its local -Z, here (sin 60, -cos 60, 0): down and toward +X. The
       matrix acts on column vectors, so its columns are the local axes X = (0, 0, 1),
       Y = (cos 60, sin 60, 0) and Z = (-sin 60, cos 60, 0). */
    const float s = 0.8660254f, c = 0.5f; /* sin and cos of 60 degrees */
    const TRVMatrix4x4 sunPlacement = {{0, c, -s, 0, 0, s, c, 10, 1, 0, 0, 0, 0, 0, 0, 1}};
    const TRVLinearRGB white = {1, 1, 1};

    if (check("TRVSetStringEncoding", TRVSetStringEncoding(TRV_ENCODING_UTF8)))
        return 1;
    TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, "info.log");
    TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_STDERR, NULL);
    TorvoManager manager = NULL;
    if (check("TRVCreateManager", TRVCreateManager("cache", TRV_CACHE_PER_MANAGER, &manager)))
        return 1;

    int failed = 0;
    TorvoMesh mesh = NULL;
    failed |= check("TRVBeginMesh", TRVBeginMesh(manager, "quad", &mesh));
    failed = failed || check("TRVAddVertexData", TRVAddVertexData(mesh, positions, normals, 4));
    failed = failed || check("TRVBeginMaterialGroup", TRVBeginMaterialGroup(mesh, "ground"));
    failed = failed || check("TRVAddTriangleData", TRVAddTriangleData(mesh, indices, 6));
    failed = failed || check("TRVEndMaterialGroup", TRVEndMaterialGroup(mesh));
    failed = failed || check("TRVBeginUVLayer", TRVBeginUVLayer(mesh, "lightmap"));
    failed = failed || check("TRVAddUVData", TRVAddUVData(mesh, uvs, 4));
    failed = failed || check("TRVEndUVLayer", TRVEndUVLayer(mesh));
    failed = failed || check("TRVEndMesh", TRVEndMesh(mesh));

    TorvoScene scene = NULL;
    TorvoInstance quad = NULL;
    TorvoLightSource sun = NULL;
    failed = failed || check("TRVBeginScene", TRVBeginScene(manager, "yard", &scene));
    failed = failed || check("TRVCreateInstance", TRVCreateInstance(scene, mesh, "quad", &identity, &quad));
    failed = failed || check("TRVCreateDirectionalLight",
                             TRVCreateDirectionalLight(scene, "sun", &sunPlacement, &white, &sun));
    failed = failed || check("TRVEndScene", TRVEndScene(scene));
    failed = failed || check("writing " CONFIG_FILE, writeConfig() ? TRV_FILE_IO_ERROR : TRV_SUCCESS);

    TorvoJob job = NULL;
    TorvoTarget target = NULL;
    TorvoRenderPass light = NULL;
    failed = failed || check("TRVCreateJob", TRVCreateJob(manager, "yard bake", scene, CONFIG_FILE, &job));
    failed = failed || check("TRVCreateTextureTarget",
                             TRVCreateTextureTarget(job, "quad lightmap", MAP_SIZE, MAP_SIZE, &target));
    failed = failed || check("TRVAddBakeInstance", TRVAddBakeInstance(target, quad, NULL));
    failed = failed || check("TRVCreateIlluminationPass", TRVCreateIlluminationPass(job, "light", 0, &light));
    failed = failed || check("TRVAddPassToTarget", TRVAddPassToTarget(target, light));
    failed = failed || check("TRVStartJob", TRVStartJob(job, 2, TRV_DISTRIBUTION_LOCAL));
    TRVBool running = !failed;
    while (running) {
        TRVWaitJobDone(job, 100);
        if (TRVIsJobRunning(job, &running) != TRV_SUCCESS)
            break;
    }
    int32_t result = -1;
    failed = failed || check("TRVGetJobResult", TRVGetJobResult(job, &result));
    if (!failed && result != TRV_JOB_SUCCESS) {
        fprintf(stderr, "bake_quad: the job ended with result %d (renderer output in info.log)\n", (int)result);
        failed = 1;
    }

    static float pixels[MAP_SIZE * MAP_SIZE * 3];
    TorvoFramebuffer map = NULL;
    failed = failed || check("TRVGetFramebuffer", TRVGetFramebuffer(target, light, 0, &map));
    failed = failed ||
             check("TRVReadRegionHDR", TRVReadRegionHDR(map, 0, 0, MAP_SIZE, MAP_SIZE, TRV_CHANNEL_RGB, pixels));
    if (!failed) {
        float low = INFINITY, high = -INFINITY;
        for (int y = BORDER; y < MAP_SIZE - BORDER; ++y) {
            for (int x = BORDER; x < MAP_SIZE - BORDER; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const float value = pixels[(y * MAP_SIZE + x) * 3 + c];
                    if (!isfinite(value)) {
                        fprintf(stderr, "bake_quad: texel %d,%d is not a number\n", x, y);
                        failed = 1;
                    } else {
                        low = fminf(low, value);
                        high = fmaxf(high, value);
                    }
                }
            }
        }
        printf("bake_quad: light map texels from %g to %g\n", low, high);
        if (!(fabsf(low - EXPECTED_LIGHT) <= TOLERANCE && fabsf(high - EXPECTED_LIGHT) <= TOLERANCE)) {
            fprintf(stderr, "bake_quad: every texel should hold %g\n", EXPECTED_LIGHT);
            failed = 1;
        }
    }
    if (map)
        TRVDestroyFramebuffer(map);
    if (job)
        TRVDestroyJob(job);
    TRVDestroyManager(manager);
    return failed;
}
