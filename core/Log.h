// The library's two logs. Every message is one line: compose it on the stream and end it
// with std::endl (line feed and flush), e.g.
//   trv::errorStream() << "Failed to write file: " << trv::toBytes(path) << std::endl;
#pragma once

#include "torvo.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace trv {

enum LogKind : int32_t { ErrorLog = 0, InfoLog = 1 };
// Where a log writes.
enum LogTargetKind : int32_t {
    LogTargetNone = 0,
    LogTargetStandardOutput = 1,
    LogTargetStandardError = 2,
    LogTargetFile = 3,
    LogTargetDebugger = 4,
};

// The calling thread's streams (created on first use).
std::ostream& errorStream();
std::ostream& infoStream();

// The calling thread's most recent error message, with its line feed.
std::string lastError();

// Sets where one log writes; 1 for an unknown log or target kind, a file target without a name or
// a file that cannot be opened (which is stored all the same and tried again for new threads).
[[nodiscard]] TRVStatus setLogTarget(int32_t logKind, int32_t targetKind, const std::string& fileName);

}  // namespace trv
