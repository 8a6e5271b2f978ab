#include "demo.h"

int demoGeometry(TorvoManager manager)
{
    (void)manager;
    return 0;
}
