// The library's two logs. Every message is one line: compose it on the stream and end it
// with std::endl (line feed and flush), e.g.
//   trv::errorStream() << "Failed to write file: " << trv::toBytes(path) << std::endl;
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace trv {

enum LogKind : int32_t { ErrorLog = 0, InfoLog = 1 };

// The calling thread's streams (created on first use).
std::ostream& errorStream();
std::ostream& infoStream();

// The calling thread's most recent error message, with its line feed.
std::string lastError();

// Sets where one log writes (0 nowhere, 1 stdout, 2 stderr, 3 file, 4 debugger output).
int32_t setLogTarget(int32_t logKind, int32_t targetKind, const std::string& fileName);

}  // namespace trv
