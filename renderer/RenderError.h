// A run that cannot go on: the message becomes the run's one "Error: " line and the code its
// exit code.
#pragma once

#include "platform/RendererExit.h"

#include <stdexcept>
#include <string>

namespace torvo_renderer {

// The renderer's exit statuses. Those of the band in platform/RendererExit.h reach the library as
// its 32-bit codes and give the job results 2 to 4 (or the atlas step's failure); the others give
// a failed job.
enum class ExitCode : int {
    Success = 0,
    ResultWriteFailed = 2,                                   // a result file could not be written
    InternalFailure = 4,                                     // ray tracer failure, anything unexpected
    BadInput = trv::platform::ExitStatusInputRefused,        // arguments, scene, meshes, textures, point
                                                             // clouds, scripts or stage document refused
    OutOfResources = trv::platform::ExitStatusOutOfResources,  // out of memory
    NotSupported = trv::platform::ExitStatusUnsupported,     // settings this renderer does not fulfil
    AtlasFailed = trv::platform::ExitStatusAtlasFailed,      // the surfaces do not fit the atlas limits
};

class RenderError : public std::runtime_error {
public:
    RenderError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// Refused input: the most common failure.
inline RenderError badInput(const std::string& message)
{
    return RenderError(ExitCode::BadInput, message);
}

}  // namespace torvo_renderer
