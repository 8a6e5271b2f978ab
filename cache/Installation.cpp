#include "cache/Installation.h"

#include "core/Log.h"
#include "core/Text.h"
#include "platform/Environment.h"
#include "platform/Module.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace trv {
namespace {

// An installed tree keeps the executables out of the library directory itself, in a folder of
// this name beside the library (<libdir>/torvo32/, as `cmake --install` lays them out).
constexpr const char* installedBinariesFolder = "torvo32";

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Regular file test that reports a file-system error instead of throwing it.
bool regularFileIn(const fs::path& directory, const char* name, std::error_code& ec)
{
    const bool regular = fs::is_regular_file(directory / name, ec);
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
        ec.clear();
    return regular && !ec;
}

bool usableUnlogged(const fs::path& directory)
{
    std::error_code ec;
    if (!fs::is_directory(directory, ec)) {
        if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
            infoStream() << ec.message() << std::endl;
        return false;
    }
    bool found = regularFileIn(directory, "thetorvo.exe", ec);
    if (!found && !ec && is64BitSystem())
        found = regularFileIn(directory, "thetorvo-64.exe", ec);
    if (ec) {
        infoStream() << ec.message() << std::endl;
        return false;
    }
    return found;
}

}  // namespace

bool binariesUsable(const fs::path& directory)
{
    if (usableUnlogged(directory))
        return true;
    infoStream() << "Could not use the directory: " << toBytes(directory) << " for torvo binaries" << std::endl;
    return false;
}

bool is64BitSystem()
{
    const auto architecture = platform::environmentVariable("PROCESSOR_ARCHITECTURE");
    const auto wow64 = platform::environmentVariable("PROCESSOR_ARCHITEW6432");
    const std::string first = upperCase(architecture.value_or(std::string()));
    const std::string second = upperCase(wow64.value_or(std::string()));
    if (first == "AMD64" || second == "AMD64")
        return true;
    if (!first.empty() || !second.empty())
        return false;
    // Neither is set: the machine itself tells (a 32-bit process on a 64-bit kernel still sees
    // the 64-bit machine, as the second variable would say).
    const std::string machine = platform::machineArchitecture();
    return machine.find("64") != std::string::npos || machine == "s390x";
}

bool frontEndAvailable(const fs::path& binariesDirectory)
{
    std::error_code ec;
    const bool present = fs::is_regular_file(binariesDirectory / "torvofarm.exe", ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        infoStream() << ec.message() << std::endl;
        return false;
    }
    return present;
}

std::optional<fs::path> preferredLocalExecutable(const fs::path& binariesDirectory)
{
    const bool wide = is64BitSystem();
    for (const char* name : {"thetorvo-64.exe", "thetorvo-32.exe", "thetorvo.exe"}) {
        if (!wide && name == std::string("thetorvo-64.exe"))
            continue;
        std::error_code ec;
        const fs::path candidate = binariesDirectory / name;
        if (fs::is_regular_file(candidate, ec))
            return candidate;
    }
    return std::nullopt;
}

fs::path locateBinaries(bool* usable)
{
    fs::path candidate;
    if (usable)
        *usable = false;
    const auto root = platform::environmentVariable("TORVO_ROOT");
    fs::path rootPath;
    try {
        if (root)
            rootPath = toWide(*root);
    } catch (const std::exception&) {
        // Not UTF-8: no path the library could name in its logs and files; not a candidate.
    }
    if (!rootPath.empty()) {
        candidate = rootPath / "bin";
        if (binariesUsable(candidate)) {
            infoStream() << "Using Torvo binaries located by TORVO_ROOT." << std::endl;
            if (usable)
                *usable = true;
            return candidate;
        }
    }
    if (const auto module = platform::ownModuleFile()) {
        candidate = module->parent_path();
        if (binariesUsable(candidate)) {
            infoStream() << "Using Torvo binaries located the directory the dll is located in." << std::endl;
            if (usable)
                *usable = true;
            return candidate;
        }
        const fs::path installed = candidate / installedBinariesFolder;
        std::error_code ec;
        if (fs::is_directory(installed, ec) && binariesUsable(installed)) {
            infoStream() << "Using Torvo binaries installed beside the library in " << toBytes(installed) << "."
                         << std::endl;
            if (usable)
                *usable = true;
            return installed;
        }
    }
    infoStream() << "No Torvo binaries found!" << std::endl;
    return candidate;
}

}  // namespace trv
