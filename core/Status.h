#pragma once

#include "torvo.h"

namespace trv {

namespace Status {
enum : TRVStatus {
    Success = 0,
    InvalidParameter = 1,
    MemoryAllocation = 2,
    DuplicateName = 3,
    NotImplemented = 4,
    InvalidObjectState = 5,
    InvalidHandle = 6,
    FileIOError = 7,
    UnknownObject = 8,
    NotSupported = 9,
    UnhandledException = 10,
    JobExecutionFailure = 11,
    AtlasingFailure = 12,
};
}

// The text of a status code, or null for a value outside 0..12.
const char* statusText(TRVStatus status);

}  // namespace trv
