#include "BatchPlan.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace farm {

namespace fs = std::filesystem;

namespace {

const char* const planHeader = "torvofarm plan 1";

bool oneLine(const std::string& text)
{
    return text.find('\n') == std::string::npos && text.find('\r') == std::string::npos;
}

}  // namespace

uint32_t stagesPerTask(size_t stageCount, uint32_t maxTasks)
{
    if (maxTasks == 0)
        maxTasks = 1;
    const size_t per = (stageCount + maxTasks - 1) / maxTasks;
    return static_cast<uint32_t>(per == 0 ? 1 : per);
}

uint32_t BatchPlan::taskCount() const
{
    const size_t per = stagesPerTask == 0 ? 1 : stagesPerTask;
    const size_t tasks = (stageArguments.size() + per - 1) / per;
    return static_cast<uint32_t>(tasks == 0 ? 1 : tasks);
}

std::pair<size_t, size_t> BatchPlan::stagesOfTask(uint32_t task) const
{
    const size_t per = stagesPerTask == 0 ? 1 : stagesPerTask;
    const size_t first = std::min(stageArguments.size(), static_cast<size_t>(task) * per);
    return {first, std::min(stageArguments.size(), first + per)};
}

bool BatchPlan::write(const fs::path& file, std::string& why) const
{
    for (const std::string& text : {jobDirectory.string(), renderer.string()})
        if (!oneLine(text)) {
            why = "a path holds a line break: " + text;
            return false;
        }
    for (const std::string& arguments : stageArguments)
        if (!oneLine(arguments)) {
            why = "a command line holds a line break: " + arguments;
            return false;
        }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << planHeader << "\n"
        << jobDirectory.string() << "\n"
        << renderer.string() << "\n"
        << stagesPerTask << "\n"
        << stageArguments.size() << "\n";
    for (const std::string& arguments : stageArguments)
        out << arguments << "\n";
    out.flush();
    if (!out) {
        why = "cannot write " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool BatchPlan::read(const fs::path& file, std::string& why)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "cannot read " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    std::string header, job, exe, perText, countText;
    if (!std::getline(in, header) || header != planHeader || !std::getline(in, job) || !std::getline(in, exe) ||
        !std::getline(in, perText) || !std::getline(in, countText)) {
        why = file.string() + " is not a batch plan";
        return false;
    }
    char* end = nullptr;
    const unsigned long per = std::strtoul(perText.c_str(), &end, 10);
    if (perText.empty() || *end != 0 || per == 0 || per > UINT32_MAX) {
        why = file.string() + " is not a batch plan";
        return false;
    }
    const unsigned long count = std::strtoul(countText.c_str(), &end, 10);
    if (countText.empty() || *end != 0) {
        why = file.string() + " is not a batch plan";
        return false;
    }
    jobDirectory = job;
    renderer = exe;
    stagesPerTask = static_cast<uint32_t>(per);
    stageArguments.clear();
    for (unsigned long i = 0; i < count; ++i) {
        std::string arguments;
        if (!std::getline(in, arguments)) {
            why = file.string() + " ends before its last stage";
            return false;
        }
        stageArguments.push_back(arguments);
    }
    return true;
}

std::string stageOutputName(size_t stage)
{
    return "stage-" + std::to_string(stage) + ".out";
}

std::string stageEndName(size_t stage)
{
    return "stage-" + std::to_string(stage) + ".end";
}

std::string StageEnd::describe() const
{
    switch (kind) {
    case Kind::Exited:
        return "exit code " + std::to_string(code);
    case Kind::Signalled:
        return "signal " + std::to_string(code) + " (" + ::strsignal(code) + ")";
    case Kind::NotStarted:
        return std::string("renderer not started: ") + std::strerror(code);
    }
    return {};
}

bool StageEnd::write(const fs::path& file) const
{
    const char* words[] = {"exited", "signalled", "not-started"};
    const fs::path temporary = file.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << words[static_cast<int>(kind)] << " " << code << "\n" << host << "\nend\n";
        out.flush();
        if (!out)
            return false;
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
    return !ec;
}

bool StageEnd::read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string first, name, last;
    if (!in || !std::getline(in, first) || !std::getline(in, name) || !std::getline(in, last) || last != "end")
        return false;
    std::istringstream words(first);
    std::string word;
    int value = 0;
    if (!(words >> word >> value))
        return false;
    if (word == "exited")
        kind = Kind::Exited;
    else if (word == "signalled")
        kind = Kind::Signalled;
    else if (word == "not-started")
        kind = Kind::NotStarted;
    else
        return false;
    code = value;
    host = name;
    return true;
}

}  // namespace farm
