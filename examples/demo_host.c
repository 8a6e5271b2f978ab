/* A small host of the torvo32 library: what a level editor does at start-up and shutdown. */
#include "torvo.h"

#include <stdio.h>
#include <stdlib.h>

static void printText(const char* label, TorvoString string)
{
    int32_t length = 0;
    TRVGetLength(string, &length);
    char* buffer = malloc((size_t)length);
    if (buffer && TRVCopy(string, buffer, length) == TRV_SUCCESS)
        printf("%s%s", label, buffer);
    free(buffer);
    TRVReleaseString(string);
}

static void printStatus(TRVStatus status)
{
    TorvoString text = NULL;
    if (TRVErrorToString(status, &text) == TRV_SUCCESS) {
        char label[32];
        snprintf(label, sizeof label, "  status %2d: ", (int)status);
        printText(label, text);
        printf("\n");
    }
}

int main(void)
{
    printf("torvo32 demo host (interface version %d)\n", TRV_INTERFACE_VERSION);
    if (TRVSetStringEncoding(TRV_ENCODING_UTF8) != TRV_SUCCESS) {
        fprintf(stderr, "could not choose UTF-8\n");
        return 1;
    }
    TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_STDOUT, NULL);
    TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_STDOUT, NULL);

    printf("Status codes:\n");
    for (TRVStatus s = 0; s <= TRV_ATLASING_FAILURE; ++s)
        printStatus(s);

    printf("A call with a null mesh handle logs:\n  ");
    TRVStatus status = TRVEndMesh(NULL);
    printStatus(status);

    TorvoString last = NULL;
    TRVGetExtendErrorInformation(&last);
    printText("Last error, fetched as text: ", last);

    TorvoManager manager = NULL;
    status = TRVCreateManager("demo-cache", TRV_CACHE_SHARED, &manager);
    printf("Created a manager on demo-cache:\n");
    printStatus(status);
    if (manager)
        TRVDestroyManager(manager);
    return status == TRV_SUCCESS ? 0 : 1;
}
