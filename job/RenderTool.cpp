#include "job/RenderTool.h"

namespace trv {

RenderTool::RenderTool(std::filesystem::path jobDirectory, std::filesystem::path sceneXmlPath,
                       std::filesystem::path fileListPath, std::filesystem::path outputDirectory,
                       int32_t displayMode)
    : jobDirectory_(std::move(jobDirectory)), sceneXmlPath_(std::move(sceneXmlPath)),
      fileListPath_(std::move(fileListPath)), outputDirectory_(std::move(outputDirectory)),
      displayMode_(displayMode)
{
}

RenderTool::~RenderTool() = default;

}  // namespace trv
