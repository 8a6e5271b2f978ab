// Which render tool a job start gets, from the installation and the requested distribution
// (0 local, 1 distributed with a test per stage and local fallback, 2 distributed only,
// anything else as 0).
#pragma once

#include "job/RenderTool.h"

#include <memory>

namespace trv {

// Null when the installation cannot serve the request; distribution 2 also asks the front end
// whether the cluster can take the job (its setup check without a stage).
std::shared_ptr<RenderTool> createRenderTool(const std::filesystem::path& binariesDirectory, int32_t distribution,
                                             const std::filesystem::path& jobDirectory,
                                             const std::filesystem::path& sceneXmlPath,
                                             const std::filesystem::path& fileListPath,
                                             const std::filesystem::path& outputDirectory, int32_t displayMode);

}  // namespace trv
