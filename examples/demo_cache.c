#include "demo.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Prints the calling thread's last error line. */
static void demoPrintLastError(void)
{
    TorvoString last = NULL;
    if (TRVGetExtendErrorInformation(&last) == TRV_SUCCESS)
        demoPrintText("    error line: ", last);
}

int demoCache(TorvoManager manager)
{
    static const char* const meshNames[] = {"demo cube", "demo room box"};
    static const char* const textureNames[] = {"demo hdr rgba", "demo ldr rgb", "demo room checker"};
    int failed = 0;

    printf("\n== What the cache held when the manager was created\n");
    printf("  (the \"Found cached mesh\" and \"Found cached texture\" lines above list every file)\n");
    for (size_t i = 0; i < sizeof meshNames / sizeof *meshNames; ++i) {
        TorvoMesh mesh = NULL;
        TRVStatus status = TRVFindMesh(manager, meshNames[i], &mesh);
        printf("  mesh %-20s %s\n", meshNames[i], status == TRV_SUCCESS ? "cached by an earlier run" : "not cached");
    }
    for (size_t i = 0; i < sizeof textureNames / sizeof *textureNames; ++i) {
        TorvoTexture texture = NULL;
        TRVStatus status = TRVFindTexture(manager, textureNames[i], &texture);
        printf("  texture %-17s %s\n", textureNames[i],
               status == TRV_SUCCESS ? "cached by an earlier run" : "not cached");
    }

    printf("\n== Where the renderer is\n");
    const char* root = getenv("TORVO_ROOT");
    printf("  TORVO_ROOT is %s%s%s\n", root ? "\"" : "", root ? root : "not set", root ? "\"" : "");
    printf("  (the \"Using Torvo binaries\" or \"No Torvo binaries found!\" line above tells which directory won)\n");
    TRVStatus status = TRVSetTorvoPath(manager, "no-such-renderer-directory");
    demoPrintStatus("  TRVSetTorvoPath(no-such-renderer-directory)", status);
    failed |= status != TRV_FILE_IO_ERROR;

    printf("\n== Refusals that leave the cache as it was\n");
    TorvoScene scene = NULL;
    status = TRVBeginScene(manager, "level:1", &scene);
    demoPrintStatus("  TRVBeginScene(level:1)", status);
    demoPrintLastError();
    failed |= status != TRV_INVALID_PARAMETER || scene != NULL;
    status = TRVBeginScene(manager, "level 1.", &scene);
    demoPrintStatus("  TRVBeginScene(\"level 1.\")", status);
    failed |= status != TRV_INVALID_PARAMETER;

    TorvoTexture texture = NULL;
    status = TRVReferenceTexture(manager, "demo missing image", "no-such-image.png", &texture);
    demoPrintStatus("  TRVReferenceTexture(no-such-image.png)", status);
    demoPrintLastError();
    failed |= status != TRV_INVALID_PARAMETER;

    status = TRVBeginTexture(manager, "demo empty texture", 0, 16, TRV_TEXTURE_LDR_RGB, &texture);
    demoPrintStatus("  TRVBeginTexture(width 0)", status);
    demoPrintLastError();
    failed |= status != TRV_INVALID_PARAMETER;

    TorvoManager other = NULL;
    status = TRVCreateManager("demo-cache", 2, &other);
    demoPrintStatus("  TRVCreateManager(scope 2)", status);
    demoPrintLastError();
    failed |= status != TRV_INVALID_PARAMETER;
    if (other)
        TRVDestroyManager(other);

    printf("\n== A per-manager scope sees nothing of the shared one\n");
    other = NULL;
    status = TRVCreateManager("demo-cache", TRV_CACHE_PER_MANAGER, &other);
    demoPrintStatus("  TRVCreateManager(scope 1)", status);
    if (status == TRV_SUCCESS) {
        TorvoMesh mesh = NULL;
        status = TRVFindMesh(other, "demo cube", &mesh);
        demoPrintStatus("  TRVFindMesh(demo cube) in scope 1", status);
        failed |= status != TRV_UNKNOWN_OBJECT;
    } else {
        failed = 1;
    }
    if (other)
        TRVDestroyManager(other);
    return failed;
}
