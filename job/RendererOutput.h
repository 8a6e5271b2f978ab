// What a piece of the renderer's output tells a job: a progress title, a progress value or the
// completion text. Kept apart from the job so that it can be driven without a renderer process.
#pragma once

#include "job/JobProgress.h"

#include <string>

namespace trv {

// Applies one piece of output to the progress record. True when the piece carries the
// completion text ("Done rendering!").
bool readRendererOutput(const std::string& piece, JobProgress& progress);

}  // namespace trv
