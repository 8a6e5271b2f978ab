// The batch script the cluster runs for every task of an array: it only starts the task program
// with its arguments (and, when asked, the task's index in the array).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace farm {

// The word between single quotes, safe for a POSIX shell whatever it holds.
std::string shellQuoted(const std::string& word);

bool writeTaskScript(const std::filesystem::path& file, const std::vector<std::string>& command,
                     bool appendTaskIndex, std::string& why);

}  // namespace farm
