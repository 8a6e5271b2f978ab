// The renderer program. The library starts it with the job directory as its working directory
// and reads its output message by message; see RenderRun.h.
#include "RenderRun.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Messages are assembled in this buffer and each is handed over with one write.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    return torvo_renderer::runRenderer(std::vector<std::string>(argv + 1, argv + argc));
}
