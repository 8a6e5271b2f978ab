// The job's configuration document: loading the job's copy, turning passes and targets into
// saved stage documents, and estimating how many counted phases a stage reports.
#pragma once

#include "job/JobTarget.h"
#include "job/JobStage.h"

#include <tinyxml2.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace trv {

class JobPass;
class PassesAndTargets;
class RenderTool;

// Loads the document (a bare declaration for an empty path) and switches every render
// component off. 7 with "Failed to open file ..." or "Failed to parse the source XML file ...".
[[nodiscard]] TRVStatus loadSourceDocument(const std::filesystem::path& configurationPath,
                                           tinyxml2::XMLDocument& document);
// Sets the texture-bake and vertex-bake component switches to "false".
void resetRenderComponents(tinyxml2::XMLDocument& document);

// Appends the first surface-transfer texture of source to destination's targets; an empty
// destination takes the source instead. False (with its error line) when either is missing.
bool mergeSurfaceTransfer(std::unique_ptr<tinyxml2::XMLDocument>& destination,
                          std::unique_ptr<tinyxml2::XMLDocument>& source);

// Writes document to file: 7 with "Failed to open file <file>" or "Failed to save job xml: <file>".
[[nodiscard]] TRVStatus saveDocument(const tinyxml2::XMLDocument& document, const std::filesystem::path& file);

// Saves a copy of document with pass's settings as <target>_<pass>.xml in the job directory.
[[nodiscard]] TRVStatus saveStage(JobTarget& target, JobPass& pass, const tinyxml2::XMLDocument& document,
                                  const std::filesystem::path& jobDirectory, JobStage& stage);

// Appends the stages of every pass and its targets to stages.
[[nodiscard]] TRVStatus buildStages(PassesAndTargets& passesAndTargets, const std::filesystem::path& jobDirectory,
                                    const std::filesystem::path& configurationPath, std::vector<JobStage>& stages,
                                    RenderTool& tool);

// The counted phases the renderer reports for the stage; count untouched unless status is 0.
// A setting that is not a number throws xmlTools::XMLGetException.
[[nodiscard]] TRVStatus estimatePhases(const std::filesystem::path& stageConfigurationPath, uint32_t& count);

}  // namespace trv
