// Collects the stages of a job and renders them in one run of the distributed front end,
// testing each stage first when it may fall back to local rendering.
#pragma once

#include "job/RenderTool.h"

#include <memory>
#include <vector>

namespace trv {

class TorvoRenderTool;

class TorvofarmRenderTool : public RenderTool {
public:
    TorvofarmRenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
                        std::filesystem::path fileListPath, std::filesystem::path outputDirectory,
                        int32_t displayMode, std::filesystem::path frontEndPath,
                        std::shared_ptr<TorvoRenderTool> localTool, bool fallbackAllowed);

    void runStage(ProcessHandler& handler, const std::filesystem::path& configurationPath, const JobStage& stage,
                  bool& keepGoing) override;
    void runBatch(ProcessHandler& handler) override;
    void runAtlas(ProcessHandler& handler, const std::filesystem::path& atlasConfigurationPath,
                  const std::filesystem::path& atlasResultPath) override;
    void cancelHook() override;

    // True when the front end accepts the stage for distribution.
    bool distributionTest(const std::filesystem::path& configurationPath);

    const std::vector<std::filesystem::path>& queuedConfigurations() const { return queued_; }
    const std::filesystem::path& frontEndPath() const { return frontEndPath_; }
    bool fallbackAllowed() const { return fallbackAllowed_; }

private:
    std::vector<std::filesystem::path> queued_;
    std::shared_ptr<TorvoRenderTool> localTool_;
    std::filesystem::path frontEndPath_;
    bool fallbackAllowed_;
};

}  // namespace trv
