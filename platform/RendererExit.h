// Exit statuses of the renderer and of the distributed front end that stand for the library's
// 32-bit exit codes. A POSIX exit status holds 8 bits, so a child cannot end with 0x20000001 or
// 0x2000000D itself; it ends with one of the band statuses below and the process layer hands the
// job the code the status stands for. Statuses outside the band reach the job unchanged.
//
// | Status | Code       | Job result | Meaning                                                    |
// |--------|------------|------------|------------------------------------------------------------|
// | 101    | 0x20000001 | 2          | input refused: arguments, scene, meshes, textures, stage   |
// | 102    | 0x20000002 | 3          | out of resources: memory, or the ray tracer had no room    |
// | 103    | 0x20000003 | 4          | settings this renderer does not fulfil                     |
// | 113    | 0x2000000D | (status 12 of the atlas step) the atlas cannot be packed       |
#pragma once

#include <cstdint>

namespace trv::platform {

constexpr int ExitStatusInputRefused = 101;
constexpr int ExitStatusOutOfResources = 102;
constexpr int ExitStatusUnsupported = 103;
constexpr int ExitStatusAtlasFailed = 113;

constexpr int32_t ExitCodeInputRefused = 0x20000001;
constexpr int32_t ExitCodeOutOfResources = 0x20000002;
constexpr int32_t ExitCodeUnsupported = 0x20000003;
constexpr int32_t ExitCodeAtlasFailed = 0x2000000D;

// The exit code a child's exit status stands for.
constexpr int32_t exitCodeOfStatus(int status)
{
    switch (status) {
    case ExitStatusInputRefused:
        return ExitCodeInputRefused;
    case ExitStatusOutOfResources:
        return ExitCodeOutOfResources;
    case ExitStatusUnsupported:
        return ExitCodeUnsupported;
    case ExitStatusAtlasFailed:
        return ExitCodeAtlasFailed;
    default:
        return status;
    }
}

}  // namespace trv::platform
