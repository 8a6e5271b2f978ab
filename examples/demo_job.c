#include "demo.h"

#include <stdio.h>

#define JOB_CONFIG "demo_job_config.xml"
#define JOB_INFO_LOG "demo_job_info.log"

/* The host's job configuration: a surface-transfer bake with final gathering. */
static int demoWriteConfig(void)
{
    FILE* file = fopen(JOB_CONFIG, "w");
    if (!file)
        return 1;
    fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<KXConfig>\n"
          "\t<FrameSettings><renderType>surfaceTransfer</renderType></FrameSettings>\n"
          "\t<GISettings>\n"
          "\t\t<enableGI>true</enableGI>\n"
          "\t\t<primaryIntegrator>finalgather</primaryIntegrator>\n"
          "\t\t<secondaryIntegrator>none</secondaryIntegrator>\n"
          "\t\t<prepassMinSampleRate>-2</prepassMinSampleRate>\n"
          "\t\t<prepassMaxSampleRate>0</prepassMaxSampleRate>\n"
          "\t</GISettings>\n"
          "\t<SurfaceTransferSettings><targets/></SurfaceTransferSettings>\n"
          "</KXConfig>\n",
          file);
    return fclose(file) != 0;
}

/* Polls the running job and keeps one line of progress up to date. */
static void demoShowProgress(TorvoJob job)
{
    char title[64] = "";
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
                if (length > (int32_t)sizeof title)
                    length = (int32_t)sizeof title;
                TRVCopy(text, title, length);
                title[sizeof title - 1] = 0;
                TRVReleaseString(text);
            }
            TRVGetGlobalJobProgress(job, &global);
            printf("\r  %-40s %3d%%   job %3d%%", title, (int)progress, (int)global);
            fflush(stdout);
        }
        if (TRVIsJobRunning(job, &running) != TRV_SUCCESS)
            break;
    }
    printf("\n");
}

int demoJob(TorvoManager manager, TorvoScene scene)
{
    printf("\n== A bake of the room\n");
    if (!scene) {
        printf("  no room scene to bake\n");
        return 0;
    }
    if (demoWriteConfig() != 0) {
        printf("  could not write %s\n", JOB_CONFIG);
        return 1;
    }
    TorvoJob job = NULL;
    TRVStatus status = TRVCreateJob(manager, "room bake", scene, JOB_CONFIG, &job);
    demoPrintStatus("  TRVCreateJob", status);
    if (status != TRV_SUCCESS)
        return 1;

    TorvoTarget target = NULL;
    TorvoRenderPass pass = NULL;
    status = TRVCreateTextureTarget(job, "room lightmap", 256, 256, &target);
    demoPrintStatus("  TRVCreateTextureTarget", status);
    if (status == TRV_SUCCESS) {
        status = TRVCreateFullShadingPass(job, "full shading", &pass);
        demoPrintStatus("  TRVCreateFullShadingPass", status);
    }
    if (status == TRV_SUCCESS) {
        status = TRVAddPassToTarget(target, pass);
        demoPrintStatus("  TRVAddPassToTarget", status);
    }
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
    status = TRVStartJob(job, 2, 0);
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
    demoPrintStatus("  TRVDestroyJob", TRVDestroyJob(job));
    return failed;
}
