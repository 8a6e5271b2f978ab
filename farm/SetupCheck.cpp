#include "SetupCheck.h"

#include "FarmExit.h"
#include "FarmStages.h"
#include "NodeCheck.h"
#include "SlurmClient.h"
#include "TaskScript.h"
#include "Watcher.h"

#include <tinyxml2.h>

#include <cstdlib>
#include <fstream>
#include <thread>

namespace farm {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr auto commandLimit = 10s;
constexpr auto pollPause = 100ms;
constexpr auto queuePause = 1s;
// A finished check task's answer may reach this machine's view of a shared file system late.
constexpr auto answerGrace = 3s;
const char* const checkTimeLimit = "--time=1";  // minutes: the check task only looks at files

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// What the cluster's answer depends on besides the cluster itself.
std::string cacheKey(const FarmArguments& a)
{
    return a.binDirectory.string() + "|" + a.sceneXml.string() + "|" + a.fileList.string() + "|" +
           a.resultDirectory.string() + "|" + environment("SLURM_CONF") + "|" + environment("SBATCH_PARTITION") +
           "|" + environment("TORVOFARM_SBATCH_OPTIONS");
}

struct CachedAnswer {
    bool passed = false;
    std::string why;
    long long age = 0;
};

long long secondsNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool readCache(const fs::path& file, const std::string& key, const SetupCheckLimits& limits, CachedAnswer& answer)
{
    std::ifstream in(file, std::ios::binary);
    std::string verdict, stamp, storedKey, why;
    if (!in || !std::getline(in, verdict) || !std::getline(in, stamp) || !std::getline(in, storedKey) ||
        storedKey != key)
        return false;
    std::getline(in, why);
    answer.passed = verdict == "pass";
    answer.why = why;
    answer.age = secondsNow() - std::atoll(stamp.c_str());
    const long long kept = answer.passed ? limits.passKept.count() : limits.failureKept.count();
    return answer.age >= 0 && answer.age < kept;
}

void writeCache(const fs::path& file, const std::string& key, bool passed, const std::string& why)
{
    const fs::path temporary = file.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << (passed ? "pass" : "fail") << "\n" << secondsNow() << "\n" << key << "\n" << why << "\n";
        if (!out.flush())
            return;
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
}

// The meshes the file list names, relative to the job directory as the renderer reads them.
bool meshFiles(const FarmArguments& a, std::vector<fs::path>& meshes, std::string& why)
{
    tinyxml2::XMLDocument document;
    if (document.LoadFile(a.fileList.c_str()) != tinyxml2::XML_SUCCESS) {
        why = "the scene's file list cannot be read: " + a.fileList.string();
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("inputspecification");
    const tinyxml2::XMLElement* list = root ? root->FirstChildElement("filelist") : nullptr;
    for (const tinyxml2::XMLElement* file = list ? list->FirstChildElement("file") : nullptr; file;
         file = file->NextSiblingElement("file")) {
        std::string text = file->GetText() ? file->GetText() : "";
        for (char& c : text)
            if (c == '\\')
                c = '/';
        if (text.empty())
            continue;
        const fs::path path(text);
        meshes.push_back(path.is_absolute() ? path : (a.jobDirectory / path).lexically_normal());
    }
    return true;
}

std::string firstLineOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            return line;
    return {};
}

// Runs the check task; empty when everything passed, else why not.
std::string checkCluster(const FarmArguments& a, const fs::path& renderer, const SetupCheckLimits& limits)
{
    const SlurmClient client(commandLimit);
    std::string why;
    if (!client.configurationPresent(why))
        return why;
    std::string partition;
    if (!client.partitionReady(partition, why))
        return why;
    if (client.arrayLimits().maxTasks == 0)
        return "the cluster takes no job arrays (MaxArraySize is 0)";

    std::vector<NodeCheckItem> items = {{NodeCheckItem::Kind::Executable, renderer},
                                        {NodeCheckItem::Kind::Executable, taskProgram(a.binDirectory)},
                                        {NodeCheckItem::Kind::WritableDirectory, a.jobDirectory},
                                        {NodeCheckItem::Kind::WritableDirectory, a.resultDirectory},
                                        {NodeCheckItem::Kind::Readable, a.sceneXml},
                                        {NodeCheckItem::Kind::Readable, a.fileList}};
    for (const fs::path& configuration : a.configurations)
        items.push_back({NodeCheckItem::Kind::Readable, configuration});
    std::vector<fs::path> meshes;
    if (!meshFiles(a, meshes, why))
        return why;
    for (const fs::path& mesh : meshes)
        items.push_back({NodeCheckItem::Kind::Readable, mesh});

    const std::string name = newJobName("check");
    const fs::path directory = a.jobDirectory / "farm" / name;
    std::error_code ec;
    fs::create_directories(directory, ec);
    if (ec)
        return "cannot make " + directory.string() + ": " + ec.message();
    struct Cleanup {
        fs::path directory;
        ~Cleanup()
        {
            std::error_code ignored;
            fs::remove_all(directory, ignored);
        }
    } cleanup{directory};

    const fs::path list = directory / "check.list";
    const fs::path answer = directory / "check.answer";
    const fs::path script = directory / "check.sh";
    if (!writeCheckList(list, items, why) ||
        !writeTaskScript(script, {taskProgram(a.binDirectory).string(), "--check", list.string(), answer.string()},
                         false, why))
        return why;

    Watcher watcher;
    if (!watcher.start(name, a.jobDirectory / "farm" / "watcher.log", why))
        return why;
    std::vector<std::string> options = {checkTimeLimit};
    for (const std::string& option : splitOptions(environment("TORVOFARM_SBATCH_OPTIONS")))
        options.push_back(option);
    const long id = client.submitArray(script.string(), 1, name, a.jobDirectory.string(),
                                       (directory / "task-%a.log").string(), options, why);
    if (id < 0)
        return "the cluster refuses the check task: " + why;
    watcher.submitted(id);

    const auto start = Clock::now();
    auto nextQueueLook = start;
    Clock::time_point endedAt{};
    for (;;) {
        bool passed = false;
        std::string line;
        if (readCheckResult(answer, passed, line)) {
            watcher.release();
            return passed ? std::string() : line;
        }
        const auto now = Clock::now();
        if (now - start > limits.taskWait) {
            client.cancel(id, why);
            return "the check task did not run within " + std::to_string(limits.taskWait.count()) +
                   " s (the cluster may be busy)";
        }
        if (now >= nextQueueLook) {
            nextQueueLook = now + queuePause;
            std::map<uint32_t, TaskState> states;
            bool known = true;
            if (client.taskStates(id, states, known)) {
                const bool finished = !known || (states.count(0) && states[0].finished());
                if (finished && endedAt == Clock::time_point{})
                    endedAt = now;
                if (finished && now - endedAt > answerGrace) {
                    watcher.release();
                    const std::string state = states.count(0) ? states[0].state : "unknown to the queue";
                    const std::string log = firstLineOf(directory / "task-0.log");
                    return "the check task ended (" + state + ") without an answer" + (log.empty() ? "" : ": " + log);
                }
            }
        }
        std::this_thread::sleep_for(pollPause);
    }
}

}  // namespace

int validateSetup(const FarmArguments& a, Output& report, const SetupCheckLimits& limits)
{
    auto refuse = [&](int code, const std::string& why) {
        report.say("torvofarm: cannot distribute: " + why);
        return code;
    };
    std::error_code ec;
    if (!fs::is_directory(a.jobDirectory, ec))
        return refuse(ExitNotDistributable, "the job directory does not exist: " + a.jobDirectory.string());
    for (const fs::path* file : {&a.sceneXml, &a.fileList})
        if (!fs::is_regular_file(*file, ec))
            return refuse(ExitNotDistributable, "a scene file does not exist: " + file->string());
    for (const FarmStage& stage : prepareStages(a))
        if (!stage.readable)
            return refuse(ExitNotDistributable, "the stage " + stage.name + " cannot be read: " + stage.unreadableWhy);
    const fs::path renderer = localRenderer(a.binDirectory);
    if (renderer.empty())
        return refuse(ExitNotDistributable, "no renderer in " + a.binDirectory.string());
    if (!fs::is_regular_file(taskProgram(a.binDirectory), ec))
        return refuse(ExitNotDistributable, "the task program is missing: " + taskProgram(a.binDirectory).string());

    const fs::path farmDirectory = a.jobDirectory / "farm";
    fs::create_directories(farmDirectory, ec);
    const fs::path cacheFile = farmDirectory / "setup-check";
    const std::string key = cacheKey(a);
    CachedAnswer cached;
    if (readCache(cacheFile, key, limits, cached))
        return cached.passed ? ExitSuccess
                             : refuse(ExitClusterUnavailable,
                                      cached.why + " (found " + std::to_string(cached.age) + " s ago)");
    const std::string why = checkCluster(a, renderer, limits);
    writeCache(cacheFile, key, why.empty(), why);
    return why.empty() ? ExitSuccess : refuse(ExitClusterUnavailable, why);
}

}  // namespace farm
