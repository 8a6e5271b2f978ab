// Where the renderer's executables are and which one to start.
#pragma once

#include <filesystem>
#include <optional>

namespace trv {

// Looks for the renderer's executables: TORVO_ROOT + "bin", then the directory of the loaded
// library itself, then (installed trees) its "torvo32" folder. Logs which one is used or "No Torvo
// binaries found!". Returns the directory used, or else the last of the first two candidates
// tried (empty when none was tried); usable tells which.
std::filesystem::path locateBinaries(bool* usable = nullptr);
// True when the directory holds a renderer executable usable on this system (logs why not).
bool binariesUsable(const std::filesystem::path& directory);
// True on a 64-bit system.
bool is64BitSystem();
// True when the distributed front end "torvofarm.exe" is in the directory.
bool frontEndAvailable(const std::filesystem::path& binariesDirectory);
// The local renderer to start from the directory: "thetorvo-64.exe" (64-bit systems only),
// then "thetorvo-32.exe", then "thetorvo.exe"; none when the directory has none of them.
std::optional<std::filesystem::path> preferredLocalExecutable(const std::filesystem::path& binariesDirectory);

}  // namespace trv
