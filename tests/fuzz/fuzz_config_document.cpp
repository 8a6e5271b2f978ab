// The job's configuration document: loading the host's document, building the stages from it and
// estimating the phases of every stage document (and of the input read as a stage document).
#include "FuzzSupport.h"
#include "LibraryFiles.h"
#include "StageParts.h"
#include "core/XmlTools.h"
#include "job/ConfigDocument.h"
#include "job/TorvoRenderTool.h"

namespace {

// The estimate throws XMLGetException for a setting that is not a number; nothing else may leave it.
void estimate(const std::filesystem::path& stage)
{
    uint32_t count = 0;
    try {
        (void)trv::estimatePhases(stage, count);
    } catch (const trv::xmlTools::XMLGetException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        const auto files = trvfuzz::makeLibraryFiles(trvfuzz::scratchDirectory() / "seeds");
        int index = 0;
        for (const auto& path : files.hostConfigurations)
            seeds.add("host" + std::to_string(index++) + ".xml", trvfuzz::readFile(path));
        for (const auto& path : files.stageDocuments)
            seeds.add("stage" + std::to_string(index++) + ".xml", trvfuzz::readFile(path));
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    const fs::path& scratch = trvfuzz::scratchDirectory();
    const fs::path input = scratch / "job.xml";
    trvfuzz::writeFile(input, data, size);

    tinyxml2::XMLDocument document;
    const TRVStatus loaded = trv::loadSourceDocument(input, document);
    estimate(input);
    if (loaded != 0)
        return 0;

    const fs::path jobDirectory = scratch / "job";
    std::error_code ec;
    fs::remove_all(jobDirectory, ec);
    fs::create_directories(jobDirectory);
    trv::PassesAndTargets parts;
    trvfuzz::addStageParts(parts);
    trv::TorvoRenderTool tool(jobDirectory, scratch / "scene.xml", scratch / "scene_files.xml", jobDirectory / "output",
                              0, scratch / "thetorvo.exe");
    std::vector<trv::JobStage> stages;
    if (trv::buildStages(parts, jobDirectory, input, stages, tool) != 0)
        return 0;
    // Two texture targets share the pass's stage; the third target has one of its own.
    TRV_FUZZ_REQUIRE(stages.size() == 2);
    for (const trv::JobStage& stage : stages)
        estimate(stage.configurationPath);
    return 0;
}
