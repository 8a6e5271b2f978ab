// Turns the stages of a job into renderer runs. Every run has the job directory as its working
// directory, so every path on a command line is relative to it.
#pragma once

#include <cstdint>
#include <filesystem>

namespace trv {

class ProcessHandler;
struct JobStage;

class RenderTool {
public:
    RenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
               std::filesystem::path fileListPath, std::filesystem::path outputDirectory, int32_t displayMode);
    virtual ~RenderTool();

    // Starts the stage (keepGoing cleared) or collects it for a batch (keepGoing set).
    virtual void runStage(ProcessHandler& handler, const std::filesystem::path& configurationPath,
                          const JobStage& stage, bool& keepGoing) = 0;
    // Starts the collected stages as one run.
    virtual void runBatch(ProcessHandler& handler) = 0;
    // Starts the atlas layout run; the caller waits for it.
    virtual void runAtlas(ProcessHandler& handler, const std::filesystem::path& atlasConfigurationPath,
                          const std::filesystem::path& atlasResultPath) = 0;
    // Runs before the job terminates its current process.
    virtual void cancelHook() = 0;

    const std::filesystem::path& jobDirectory() const { return jobDirectory_; }
    const std::filesystem::path& sceneXmlPath() const { return sceneXmlPath_; }
    const std::filesystem::path& fileListPath() const { return fileListPath_; }
    const std::filesystem::path& outputDirectory() const { return outputDirectory_; }
    int32_t displayMode() const { return displayMode_; }

private:
    std::filesystem::path jobDirectory_;
    std::filesystem::path sceneXmlPath_;
    std::filesystem::path fileListPath_;
    std::filesystem::path outputDirectory_;
    int32_t displayMode_;
};

}  // namespace trv
