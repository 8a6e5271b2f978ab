// Renders each stage with one run of the local renderer executable.
#pragma once

#include "job/RenderTool.h"

namespace trv {

class TorvoRenderTool : public RenderTool {
public:
    TorvoRenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
                    std::filesystem::path fileListPath, std::filesystem::path outputDirectory, int32_t displayMode,
                    std::filesystem::path executable);

    void runStage(ProcessHandler& handler, const std::filesystem::path& configurationPath, const JobStage& stage,
                  bool& keepGoing) override;
    void runBatch(ProcessHandler& handler) override;
    void runAtlas(ProcessHandler& handler, const std::filesystem::path& atlasConfigurationPath,
                  const std::filesystem::path& atlasResultPath) override;
    void cancelHook() override;

    const std::filesystem::path& executable() const { return executable_; }

private:
    std::filesystem::path executable_;
};

}  // namespace trv
