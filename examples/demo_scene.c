#include "demo.h"

#include <stddef.h>

int demoScene(TorvoManager manager, TorvoScene* outScene)
{
    (void)manager;
    *outScene = NULL;
    return 0;
}
