#include "demo.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define JOB_CONFIG "demo_job_config.xml"
#define JOB_INFO_LOG "demo_job_info.log"
#define DEMO_TITLE_SIZE 256
#define DEMO_TILE_SIZE (demoQuick ? 64 : 256)
/* The quick bake gathers with few rays; the full one keeps the renderer's own settings. */
#define DEMO_QUICK_GATHER_RAYS "8"
#define DEMO_TILES_X 4
#define DEMO_TILES_Y 2
#define DEMO_DIRECT_LIGHT_ONLY 0
#define DEMO_AO_DISTANCE 2.0f
#define DEMO_AO_CONE 180.0f
#define DEMO_AO_RAYS (demoQuick ? 8 : 64)
#define DEMO_DISPLAY_GAMMA 2.2f
/* The radiosity normal map: direct and indirect light along the three directions of the first
   basis, its indirect part read from the renderer's radiance cache (no gather rays of its own). */
#define DEMO_RNM_BOTH_COMPONENTS 2
#define DEMO_RNM_CACHE_SAMPLES 0
#define DEMO_RNM_BASIS 0
#define DEMO_RNM_DIRECTIONS 3
#define DEMO_RNM_CHANNELS_PER_DIRECTION 4
#define DEMO_VIEW_WIDTH (demoQuick ? 160 : 640)
#define DEMO_VIEW_HEIGHT (demoQuick ? 100 : 400)
/* The atlased light map: every piece packed into one square texture, sized by its surface area
   (texels per world unit), so that texel density is even across the room. */
#define DEMO_ATLAS_SIZE (demoQuick ? 256 : 512)
#define DEMO_ATLAS_TEXELS_PER_UNIT (demoQuick ? 9.0f : 18.0f)
#define DEMO_ATLAS_PADDING 2
#define DEMO_ATLAS_COUNT 1

/* The host's job configuration: a surface-transfer bake with final gathering at the renderer's
   default quality (a quick bake asks for fewer gather rays). */
static int demoWriteConfig(void)
{
    FILE* file = fopen(JOB_CONFIG, "w");
    if (!file)
        return 1;
    fprintf(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<KXConfig>\n"
          "\t<FrameSettings><renderType>surfaceTransfer</renderType></FrameSettings>\n"
          "\t<GISettings>\n"
          "\t\t<enableGI>true</enableGI>\n"
          "\t\t<primaryIntegrator>FinalGather</primaryIntegrator>\n"
          "%s"
          "\t\t<secondaryIntegrator>PathTracer</secondaryIntegrator>\n"
          "\t\t<fgUseCache>RadianceSH</fgUseCache>\n"
          "\t</GISettings>\n"
          "\t<SurfaceTransferSettings><targets/></SurfaceTransferSettings>\n"
          "</KXConfig>\n",
          demoQuick ? "\t\t<fgRays>" DEMO_QUICK_GATHER_RAYS "</fgRays>\n" : "");
    return fclose(file) != 0;
}

/* Polls the running job and keeps one line of progress up to date. */
static void demoShowProgress(TorvoJob job)
{
    char title[DEMO_TITLE_SIZE] = "";
    int32_t progress = 0, global = 0;
    TRVBool running = 1;
    while (running) {
        TRVWaitJobDone(job, 100);
        TRVBool activity = 0, fresh = 0;
        TRVJobHasNewProgress(job, &activity, &fresh);
        if (fresh) {
            TorvoString text = NULL;
            if (TRVGetJobProgress(job, &text, &progress) == TRV_SUCCESS) {
                int32_t length = 0;
                TRVGetLength(text, &length);
                /* a title too long for the line keeps the previous one */
                if (length <= (int32_t)sizeof title)
                    TRVCopy(text, title, length);
                TRVReleaseString(text);
            }
            TRVGetGlobalJobProgress(job, &global);
            printf("\r  %-48.48s %3d%%   job %3d%%", title, (int)progress, (int)global);
            fflush(stdout);
        }
        if (TRVIsJobRunning(job, &running) != TRV_SUCCESS)
            break;
    }
    printf("\n");
}

/* Reads the RGB of a finished target's result (image index: the atlas of an atlased target, 0
   otherwise) for one pass, gamma-corrected for display, and writes it as a PNG file. */
static int demoSaveResult(TorvoTarget target, TorvoRenderPass pass, int32_t index, const char* path)
{
    TorvoFramebuffer framebuffer = NULL;
    TRVStatus status = TRVGetFramebuffer(target, pass, index, &framebuffer);
    demoPrintStatus("  TRVGetFramebuffer", status);
    if (status != TRV_SUCCESS)
        return 1;
    int32_t width = 0, height = 0;
    TRVGetResolution(framebuffer, &width, &height);
    uint8_t* rgb = malloc((size_t)width * (size_t)height * 3);
    int failed = rgb == NULL;
    if (!failed) {
        status = TRVReadRegionLDR(framebuffer, 0, 0, width, height, TRV_CHANNEL_RGB, DEMO_DISPLAY_GAMMA, rgb);
        failed = status != TRV_SUCCESS || demoWritePng(path, rgb, width, height) != 0;
    }
    printf("  %s (%d x %d): %s\n", path, (int)width, (int)height, failed ? "not written" : "written");
    free(rgb);
    TRVDestroyFramebuffer(framebuffer);
    return failed;
}

/* Where the atlas put every piece, and the atlas's light map. */
static int demoShowAtlas(TorvoTarget atlas, TorvoRenderPass pass, TorvoTargetEntity* pieces)
{
    int32_t count = 0;
    TRVStatus status = TRVGetFramebufferCount(atlas, &count);
    demoPrintStatus("  TRVGetFramebufferCount of the atlas", status);
    if (status != TRV_SUCCESS || count < 1)
        return 1;
    printf("  %d atlas(es); where each piece landed (atlas, uv offset, uv scale):\n", (int)count);
    for (int i = 0; i < DEMO_ROOM_PIECES; ++i) {
        int32_t index = -1;
        float offset[2] = {0, 0}, scale[2] = {0, 0};
        status = TRVGetAtlasInformation(pieces[i], &index, offset, scale);
        if (status != TRV_SUCCESS) {
            demoPrintStatus("  TRVGetAtlasInformation", status);
            return 1;
        }
        printf("    piece %d: atlas %d, offset (%.3f, %.3f), scale (%.3f, %.3f)\n", i, (int)index, offset[0], offset[1],
               scale[0], scale[1]);
    }
    return demoSaveResult(atlas, pass, 0, "room_atlas.png");
}

/* Writes the light along each RNM basis direction (channels 4k .. 4k + 2 of the pass's result) as
   prefix0.png, prefix1.png, prefix2.png, gamma-corrected for display. */
static int demoSaveRnm(TorvoTarget target, TorvoRenderPass pass, const char* prefix)
{
    TorvoFramebuffer framebuffer = NULL;
    TRVStatus status = TRVGetFramebuffer(target, pass, 0, &framebuffer);
    demoPrintStatus("  TRVGetFramebuffer (RNM)", status);
    if (status != TRV_SUCCESS)
        return 1;
    int32_t width = 0, height = 0, channels = 0;
    TRVGetResolution(framebuffer, &width, &height);
    TRVGetChannelCount(framebuffer, &channels);
    const size_t pixels = (size_t)width * (size_t)height;
    float* values = malloc(pixels * (size_t)(channels > 0 ? channels : 1) * sizeof(float));
    uint8_t* rgb = malloc(pixels * 3);
    int failed = !values || !rgb || channels < DEMO_RNM_DIRECTIONS * DEMO_RNM_CHANNELS_PER_DIRECTION ||
                 TRVReadRegionHDR(framebuffer, 0, 0, width, height, TRV_CHANNEL_ALL, values) != TRV_SUCCESS;
    for (int k = 0; k < DEMO_RNM_DIRECTIONS && !failed; ++k) {
        for (size_t p = 0; p < pixels; ++p)
            for (int c = 0; c < 3; ++c) {
                float v = values[p * (size_t)channels + (size_t)(k * DEMO_RNM_CHANNELS_PER_DIRECTION + c)];
                v = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
                rgb[p * 3 + (size_t)c] = (uint8_t)(powf(v, 1.0f / DEMO_DISPLAY_GAMMA) * 255.0f + 0.5f);
            }
        char path[64];
        snprintf(path, sizeof path, "%s%d.png", prefix, k);
        failed = demoWritePng(path, rgb, width, height) != 0;
        printf("  %s (%d x %d): %s\n", path, (int)width, (int)height, failed ? "not written" : "written");
    }
    free(values);
    free(rgb);
    TRVDestroyFramebuffer(framebuffer);
    return failed;
}

int demoJob(TorvoManager manager, const DemoRoom* room)
{
    printf("\n== A bake of the room: direct light and ambient occlusion into one light map, direct light into an atlas\n");
    if (!room->scene) {
        printf("  no room scene to bake\n");
        return 0;
    }
    if (demoWriteConfig() != 0) {
        printf("  could not write %s\n", JOB_CONFIG);
        return 1;
    }
    TorvoJob job = NULL;
    TRVStatus status = TRVCreateJob(manager, "room bake", room->scene, JOB_CONFIG, &job);
    demoPrintStatus("  TRVCreateJob", status);
    if (status != TRV_SUCCESS)
        return 1;

    /* Every piece gets its own tile of one light map; the tiles are DEMO_TILES_X by DEMO_TILES_Y. */
    TorvoTarget target = NULL;
    TorvoRenderPass light = NULL, occlusion = NULL, shading = NULL, rnm = NULL;
    TorvoTarget view = NULL, atlas = NULL;
    TorvoTargetEntity atlasPieces[DEMO_ROOM_PIECES] = {NULL};
    status = TRVCreateTextureTarget(job, "room lightmap", DEMO_TILE_SIZE * DEMO_TILES_X,
                                    DEMO_TILE_SIZE * DEMO_TILES_Y, &target);
    demoPrintStatus("  TRVCreateTextureTarget", status);
    for (int i = 0; i < DEMO_ROOM_PIECES && status == TRV_SUCCESS; ++i) {
        TorvoTargetEntity entity = NULL;
        status = TRVAddBakeInstance(target, room->pieces[i], &entity);
        const float offset[2] = {(float)(i % DEMO_TILES_X) / DEMO_TILES_X, (float)(i / DEMO_TILES_X) / DEMO_TILES_Y};
        const float scale[2] = {1.0f / DEMO_TILES_X, 1.0f / DEMO_TILES_Y};
        if (status == TRV_SUCCESS)
            status = TRVSetUVTransform(entity, offset, scale);
    }
    demoPrintStatus("  TRVAddBakeInstance and TRVSetUVTransform, every piece", status);
    if (status == TRV_SUCCESS) {
        status = TRVCreateIlluminationPass(job, "direct light", DEMO_DIRECT_LIGHT_ONLY, &light);
        demoPrintStatus("  TRVCreateIlluminationPass", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVCreateAmbientOcclusionPass(job, "occlusion", DEMO_AO_DISTANCE, DEMO_AO_CONE, &occlusion);
        demoPrintStatus("  TRVCreateAmbientOcclusionPass", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVSetAONumRays(occlusion, DEMO_AO_RAYS, DEMO_AO_RAYS);
        demoPrintStatus("  TRVSetAONumRays", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVCreateFullShadingPass(job, "full shading", &shading);
        demoPrintStatus("  TRVCreateFullShadingPass", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVCreateRNMPass(job, "radiosity normal map", DEMO_RNM_BOTH_COMPONENTS, DEMO_RNM_CACHE_SAMPLES,
                                  DEMO_RNM_BASIS, &rnm);
        demoPrintStatus("  TRVCreateRNMPass", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVCreateCameraTarget(job, "visitor view", room->eye, DEMO_VIEW_WIDTH, DEMO_VIEW_HEIGHT, &view);
        demoPrintStatus("  TRVCreateCameraTarget", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVCreateAtlasedTextureTarget(job, "room atlas", DEMO_ATLAS_SIZE, DEMO_ATLAS_SIZE, DEMO_ATLAS_COUNT,
                                               &atlas);
        demoPrintStatus("  TRVCreateAtlasedTextureTarget", status);
    }
    if (status == TRV_SUCCESS)
        status = TRVSetAtlasPadding(atlas, DEMO_ATLAS_PADDING);
    for (int i = 0; i < DEMO_ROOM_PIECES && status == TRV_SUCCESS; ++i) {
        status = TRVAddBakeInstance(atlas, room->pieces[i], &atlasPieces[i]);
        if (status == TRV_SUCCESS)
            status = TRVSetTexelScale(atlasPieces[i], DEMO_ATLAS_TEXELS_PER_UNIT);
    }
    if (atlas)
        demoPrintStatus("  TRVAddBakeInstance and TRVSetTexelScale, every piece into the atlas", status);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(atlas, light);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(target, light);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(target, occlusion);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(target, shading);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(target, rnm);
    if (status == TRV_SUCCESS)
        status = TRVAddPassToTarget(view, shading);
    demoPrintStatus("  TRVAddPassToTarget, every pass", status);
    if (status == TRV_NOT_IMPLEMENTED) {
        printf("  targets and passes are not available in this build: no bake\n");
        demoPrintStatus("  TRVDestroyJob", TRVDestroyJob(job));
        return 0;
    }
    if (status != TRV_SUCCESS) {
        TRVDestroyJob(job);
        return 1;
    }

    /* The renderer's messages go to the information log: keep them off the progress line. */
    TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, JOB_INFO_LOG);
    status = TRVStartJob(job, 2, demoDistribution);
    demoPrintStatus("  TRVStartJob", status);
    int failed = status != TRV_SUCCESS;
    if (!failed) {
        demoShowProgress(job);
        int32_t result = -1;
        demoPrintStatus("  TRVGetJobResult", TRVGetJobResult(job, &result));
        printf("  job result %d, renderer output in %s\n", (int)result, JOB_INFO_LOG);
        failed = result != 0;
    }
    TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_STDOUT, NULL);
    if (!failed) {
        failed |= demoSaveResult(target, light, 0, "room_lightmap.png");
        failed |= demoSaveResult(target, occlusion, 0, "room_ao.png");
        failed |= demoSaveResult(target, shading, 0, "room_fullshading.png");
        failed |= demoSaveResult(view, shading, 0, "room_view.png");
        failed |= demoShowAtlas(atlas, light, atlasPieces);
        failed |= demoSaveRnm(target, rnm, "room_rnm");
    }
    demoPrintStatus("  TRVDestroyJob", TRVDestroyJob(job));
    return failed;
}
