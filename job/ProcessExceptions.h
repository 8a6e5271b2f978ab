// What launching a renderer process can fail with; each carries the system's error code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace trv::ProcessExceptions {

// The progress channel could not be created.
class CreatePipeFailedException : public std::runtime_error {
public:
    explicit CreatePipeFailedException(uint32_t errorCode)
        : std::runtime_error("Failed to create the pipe, error " + std::to_string(errorCode)), errorCode(errorCode)
    {
    }
    uint32_t errorCode;
};

// The process could not be created (a missing executable or working directory included).
class CreateProcessFailedException : public std::runtime_error {
public:
    CreateProcessFailedException(std::string commandLine, uint32_t errorCode)
        : std::runtime_error("Failed to create process " + commandLine + ", error " + std::to_string(errorCode)),
          commandLine(std::move(commandLine)), errorCode(errorCode)
    {
    }
    std::string commandLine;
    uint32_t errorCode;
};

// An output handle could not be handed to the child.
class DuplicateHandleFailedException : public std::runtime_error {
public:
    explicit DuplicateHandleFailedException(uint32_t errorCode)
        : std::runtime_error("Failed to duplicate a handle, error " + std::to_string(errorCode)), errorCode(errorCode)
    {
    }
    uint32_t errorCode;
};

}  // namespace trv::ProcessExceptions
