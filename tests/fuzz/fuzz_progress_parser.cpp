// The job's reading of the renderer's output: progress titles, progress values, the completion
// text. The input is a stage set-up (four bytes) and then the pieces of output, separated by the
// byte 0x1E, in the order the renderer would write them.
#include "FuzzSupport.h"
#include "job/RendererOutput.h"

#include <utf8.h>

namespace {

constexpr char pieceSeparator = '\x1e';
constexpr std::size_t setupSize = 4;
constexpr uint8_t weightRange = 8;

std::string seed(uint8_t expectedPhases, std::initializer_list<const char*> pieces)
{
    std::string bytes = {char(expectedPhases), char(1), char(2), char(1)};
    bool first = true;
    for (const char* piece : pieces) {
        if (!first)
            bytes += pieceSeparator;
        bytes += piece;
        first = false;
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // What the renderer program writes while it works on a stage.
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        seeds.add("phases", seed(2, {"Loading scene\n", "[PROGRESS] Progress Title: GI calculation\n",
                                     "[PROGRESS] Progress 40\n", "[PROGRESS] Progress 100\n",
                                     "[PROGRESS] Progress Title: Baking Texture\n", "[PROGRESS] Progress 50\n",
                                     "Done rendering!\n"}));
        seeds.add("lines", seed(1, {"[PROGRESS] Progress Title: Vertex Transfer\n[PROGRESS] Progress 7\n"}));
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < setupSize)
        return 0;
    // The stage as the job sets it up when it launches the stage: the weights of the stages done,
    // this one and those to come.
    trv::JobProgress progress;
    const uint32_t done = data[1] % weightRange;
    const uint32_t weight = data[2] % weightRange + 1;
    const uint32_t total = done + weight + data[3] % weightRange;
    progress.expectedPhases = data[0] % weightRange;
    progress.stageFraction = static_cast<float>(weight) / static_cast<float>(total);
    progress.stageBase = static_cast<int32_t>(static_cast<float>(done) / static_cast<float>(total) * 100.0f);

    const std::string output(reinterpret_cast<const char*>(data) + setupSize, size - setupSize);
    std::size_t begin = 0;
    while (begin <= output.size()) {
        std::size_t end = output.find(pieceSeparator, begin);
        if (end == std::string::npos)
            end = output.size();
        (void)trv::readRendererOutput(output.substr(begin, end - begin), progress);
        // What the host is handed: percentages and a title its encoding can carry.
        TRV_FUZZ_REQUIRE(progress.progress >= 0 && progress.progress <= 100);
        TRV_FUZZ_REQUIRE(progress.globalProgress >= 0 && progress.globalProgress <= 100);
        TRV_FUZZ_REQUIRE(utf8::is_valid(progress.title.begin(), progress.title.end()));
        begin = end + 1;
    }
    return 0;
}
