#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class JobOwner;

// The manager's createJob: checks the name and the scene, makes the job directory and the job,
// and stores the job in the manager's job table.
[[nodiscard]] TRVStatus createJob(JobOwner& manager, const std::string& jobName, TorvoSceneStub& scene,
                                  const std::string& configurationPath, TorvoJobStub*& out);

}  // namespace trv
