#include "demo.h"

int demoCache(TorvoManager manager)
{
    (void)manager;
    return 0;
}
