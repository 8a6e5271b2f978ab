// A run that cannot go on: the message becomes the run's one "Error: " line and the code its
// exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace torvo_renderer {

// The renderer's exit codes. The library maps every non-zero code it does not know to a failed job.
enum class ExitCode : int {
    Success = 0,
    BadInput = 1,          // arguments, scene, meshes, textures, point clouds or stage document refused
    ResultWriteFailed = 2, // a result file could not be written
    NotSupported = 3,      // a request this renderer does not fulfil yet (atlas layouts)
    InternalFailure = 4,   // out of memory, ray tracer failure, anything unexpected
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
