#include "demo.h"

int demoJob(TorvoManager manager, TorvoScene scene)
{
    (void)manager;
    (void)scene;
    return 0;
}
