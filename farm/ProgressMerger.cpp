#include "ProgressMerger.h"

#include "job/RendererOutput.h"

#include <algorithm>
#include <cmath>

namespace farm {

namespace {

const std::string titleMarker = "[PROGRESS] Progress Title: ";
// A value message begins with it, and every progress message holds it.
const std::string valueMarker = "[PROGRESS] Progress ";
// Said when every stage finished without naming a phase of its own.
const char* const fallbackTitle = "Baking Texture";
constexpr int fullValue = 100;

}  // namespace

ProgressMerger::Stage ProgressMerger::freshStage(uint32_t expected)
{
    Stage stage;
    stage.expected = expected;
    stage.reading.expectedPhases = expected;
    return stage;
}

ProgressMerger::ProgressMerger(std::vector<uint32_t> expectedPhases)
{
    uint64_t sum = 0;
    for (uint32_t phases : expectedPhases)
        sum += phases;
    // Without any estimate the library moves no global progress; one phase per stage still
    // gives the reader a value that moves.
    for (uint32_t phases : expectedPhases) {
        stages_.push_back(freshStage(sum == 0 ? 1 : phases));
        totalPhases_ += stages_.back().expected;
    }
}

bool ProgressMerger::take(size_t stage, const std::string& line)
{
    if (line.find(valueMarker) == std::string::npos)
        return false;
    if (stage < stages_.size()) {
        trv::JobProgress& reading = stages_[stage].reading;
        const uint32_t countedBefore = reading.phaseCount;
        trv::readRendererOutput(line, reading);
        if (reading.phaseCount != countedBefore)
            title_ = reading.title;
        // Like the job's global progress, only values inside counted phases count; a phase beyond
        // the estimate adds nothing.
        if (reading.countedPhase && reading.phaseCount >= 1)
            stages_[stage].reached =
                std::min<double>(reading.expectedPhases,
                                 (reading.phaseCount - 1) + reading.progress / static_cast<double>(fullValue));
    }
    return true;
}

void ProgressMerger::stageSucceeded(size_t stage)
{
    if (stage < stages_.size())
        stages_[stage].finished = true;
}

void ProgressMerger::stageRestarted(size_t stage)
{
    if (stage < stages_.size())
        stages_[stage] = freshStage(stages_[stage].expected);
}

double ProgressMerger::phasesDone() const
{
    double done = 0;
    for (const Stage& s : stages_)
        done += s.finished ? s.expected : s.reached;
    return done;
}

std::vector<std::string> ProgressMerger::messages()
{
    std::vector<std::string> out;
    if (totalPhases_ == 0)
        return out;
    const double done = phasesDone();
    if (done <= 0 && title_.empty())
        return out;
    const uint64_t phase = std::min<uint64_t>(totalPhases_, static_cast<uint64_t>(std::floor(done)) + 1);
    const int value = std::clamp(
        static_cast<int>(std::floor((done - static_cast<double>(phase - 1)) * fullValue + 1e-9)), 0, fullValue);
    if (phase < emittedPhases_ || (phase == emittedPhases_ && value <= emittedValue_))
        return out;
    const std::string title = title_.empty() ? fallbackTitle : title_;
    while (emittedPhases_ < phase) {
        out.push_back(titleMarker + title);
        ++emittedPhases_;
    }
    // A value goes after every title too: a title alone leaves the job's global progress where it was.
    out.push_back(valueMarker + std::to_string(value));
    emittedValue_ = value;
    return out;
}

}  // namespace farm
