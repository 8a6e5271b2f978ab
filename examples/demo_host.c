/* A small host of the torvo32 library: what a level editor does to bake its level. */
#include "demo.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void demoPrintText(const char* label, TorvoString string)
{
    int32_t length = 0;
    TRVGetLength(string, &length);
    char* buffer = malloc((size_t)length);
    if (buffer && TRVCopy(string, buffer, length) == TRV_SUCCESS)
        printf("%s%s", label, buffer);
    free(buffer);
    TRVReleaseString(string);
}

void demoPrintStatus(const char* what, TRVStatus status)
{
    TorvoString text = NULL;
    if (TRVErrorToString(status, &text) == TRV_SUCCESS) {
        printf("%s: %d ", what, (int)status);
        demoPrintText("", text);
        printf("\n");
    }
}

int32_t demoDistribution = 0;
int demoQuick = 0;

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--distribution") == 0 && i + 1 < argc) {
            demoDistribution = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--quick") == 0) {
            demoQuick = 1;
        } else {
            fprintf(stderr, "usage: demo_host [--distribution 0|1|2] [--quick]\n");
            return 2;
        }
    }
    printf("torvo32 demo host (interface version %d)\n", TRV_INTERFACE_VERSION);
    if (TRVSetStringEncoding(TRV_ENCODING_UTF8) != TRV_SUCCESS) {
        fprintf(stderr, "could not choose UTF-8\n");
        return 1;
    }
    TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_STDOUT, NULL);
    TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_STDOUT, NULL);

    printf("\n== Status codes\n");
    for (TRVStatus s = 0; s <= TRV_ATLASING_FAILURE; ++s)
        demoPrintStatus("  status", s);

    printf("\n== A call with a null mesh handle\n");
    demoPrintStatus("  TRVEndMesh(NULL)", TRVEndMesh(NULL));
    TorvoString last = NULL;
    TRVGetExtendErrorInformation(&last);
    demoPrintText("  last error, fetched as text: ", last);

    printf("\n== Manager on demo-cache\n");
    TorvoManager manager = NULL;
    TRVStatus status = TRVCreateManager("demo-cache", TRV_CACHE_SHARED, &manager);
    demoPrintStatus("  TRVCreateManager", status);
    int failed = status != TRV_SUCCESS;
    DemoRoom room = {0};
    if (!failed) {
        failed |= demoCache(manager);
        failed |= demoGeometry(manager);
        failed |= demoScene(manager, &room);
        failed |= demoJob(manager, &room);
    }
    if (manager)
        demoPrintStatus("  TRVDestroyManager", TRVDestroyManager(manager));
    return failed ? 1 : 0;
}
