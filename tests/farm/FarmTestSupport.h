// What the front-end tests share: the built programs, an installation of the front end with the
// fake renderer, stage documents, running the front end, and the test cluster (when there is one).
#pragma once

#include "../TestFiles.h"

#include "CommandRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace farmtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline const fs::path binDirectory = fs::path(TORVO_BINARY_DIR) / "bin";
inline const fs::path frontEnd = binDirectory / "torvofarm.exe";
inline const fs::path taskProgram = binDirectory / "torvofarm-task.exe";
inline const fs::path fakeRenderer = fs::path(TORVO_BINARY_DIR) / "tests" / "fakes" / "fake_renderer";

// A stage document whose phase estimate is 2 (one surface-transfer target, global illumination
// with a primary and no secondary integrator: primary 1 + secondary 0 + 1).
inline const char* const twoPhaseStage =
    "<KXConfig><GISettings><enableGI>true</enableGI><primaryIntegrator>pathtracer</primaryIntegrator>"
    "<secondaryIntegrator>none</secondaryIntegrator></GISettings>"
    "<SurfaceTransferSettings><targets><SurfaceTransferTexture/></targets></SurfaceTransferSettings></KXConfig>";

// The renderer's messages of one phase going from its title to 100.
inline std::string fakePhase(const std::string& title)
{
    return "say [PROGRESS] Progress Title: " + title + "\nsay [PROGRESS] Progress 50\nsay [PROGRESS] Progress 100\n";
}

// A renderer installation with the front end, its task program and the fake renderer.
inline fs::path farmInstallation(const fs::path& dir)
{
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    fs::create_symlink(frontEnd, bin / "torvofarm.exe");
    fs::create_symlink(taskProgram, bin / "torvofarm-task.exe");
    fs::create_symlink(fakeRenderer, bin / "thetorvo.exe");
    return bin;
}

// A cache-like tree: scenes/s.xml, scenes/s_files.xml and the job directory jobs/j with its
// output directory and stage documents target<i>_pass0.xml, each with a fake-renderer script.
struct FarmJob {
    fs::path root;
    fs::path jobDirectory;
    fs::path bin;

    FarmJob(const fs::path& dir, const std::vector<std::string>& scripts) : root(dir)
    {
        fs::create_directories(root / "scenes");
        jobDirectory = root / "jobs" / "j";
        fs::create_directories(jobDirectory / "output");
        std::ofstream(root / "scenes" / "s.xml") << "<KXScene/>";
        std::ofstream(root / "scenes" / "s_files.xml") << "<inputspecification version =\"1\"><filelist/></inputspecification>";
        for (size_t i = 0; i < scripts.size(); ++i) {
            std::ofstream(jobDirectory / stage(i)) << twoPhaseStage;
            std::ofstream(jobDirectory / (stage(i) + ".fake")) << scripts[i];
        }
        bin = farmInstallation(root);
        count = scripts.size();
    }
    static std::string stage(size_t i) { return "target" + std::to_string(i) + "_pass0.xml"; }

    // The front end's arguments as the library writes them (relative to the job directory).
    std::vector<std::string> arguments(bool validate = false) const
    {
        std::vector<std::string> a = {"-file", "../../scenes/s.xml", "-filelist", "../../scenes/s_files.xml"};
        for (size_t i = 0; i < count; ++i) {
            a.push_back("-cfg");
            a.push_back(stage(i));
        }
        for (const char* word : {"-jobdir", ".", "-resultdir", "output", "-bindir"})
            a.push_back(word);
        a.push_back(bin.string());
        if (validate)
            a.push_back("-validatesetup");
        return a;
    }
    size_t count = 0;
};

// Runs the front end in dir; environment settings are applied to this process while it runs.
inline farm::CommandResult runFrontEnd(const fs::path& dir, const std::vector<std::string>& arguments,
                                       std::chrono::seconds limit = 120s)
{
    std::vector<std::string> command = {"sh", "-c", "cd \"$0\" && exec \"$@\"", dir.string(), frontEnd.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return farm::runCommand(command, limit);
}

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::string& name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name.c_str()))
            old_ = old;
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    ~ScopedEnvironment()
    {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

// The test cluster the test command started (see scripts/test-cluster.sh), or why there is none.
struct TestCluster {
    bool available = false;
    std::string why;
    std::optional<std::string> slurmConf;  // set for a private cluster
};

inline TestCluster testCluster()
{
    TestCluster cluster;
    std::ifstream in(FARM_CLUSTER_STATE "/cluster.env");
    if (!in) {
        cluster.why = "no test cluster: run the tests through ctest, or scripts/test-cluster.sh start " FARM_CLUSTER_STATE;
        return cluster;
    }
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("SKIP=", 0) == 0)
            cluster.why = line.substr(5);
        else if (line == "EXISTING=1")
            cluster.available = true;
        else if (line.rfind("SLURM_CONF=", 0) == 0)
            cluster.slurmConf = line.substr(11);
    }
    if (cluster.slurmConf)
        cluster.available = true;
    if (!cluster.available && cluster.why.empty())
        cluster.why = "the test cluster did not start";
    return cluster;
}

// Jobs of the array still pending, running or completing.
inline size_t activeTasks(long jobId)
{
    const farm::CommandResult listed =
        farm::runCommand({"squeue", "--noheader", "--array", "--jobs=" + std::to_string(jobId), "--format=%i"}, 10s);
    if (!listed.succeeded())
        return listed.err.find("Invalid job id") != std::string::npos ? 0 : 9999;
    return linesOf(listed.out).size();
}

// Tasks of the array in the RUNNING state.
inline size_t runningTasks(long jobId)
{
    const farm::CommandResult listed = farm::runCommand(
        {"squeue", "--noheader", "--array", "--states=RUNNING", "--jobs=" + std::to_string(jobId), "--format=%i"}, 10s);
    return listed.succeeded() ? linesOf(listed.out).size() : 0;
}

// The job number in the front end's "submitted job N" line; -1 when there is none.
inline long submittedJob(const std::string& output)
{
    const std::string marker = "torvofarm: submitted job ";
    const auto at = output.find(marker);
    return at == std::string::npos ? -1 : std::atol(output.c_str() + at + marker.size());
}

}  // namespace farmtest
