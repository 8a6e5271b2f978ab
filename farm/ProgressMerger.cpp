#include "ProgressMerger.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace farm {

namespace {

const std::string titleMarker = "[PROGRESS] Progress Title: ";
const std::string valueMarker = "[PROGRESS] Progress ";
// The phase titles the library counts against a stage's phase estimate.
const char* const countedTitles[] = {"Precalculating Path Tracer Lighting", "GI calculation", "Baking Texture",
                                     "Baking Point Cloud", "Vertex Transfer"};
// Said when every stage finished without naming a phase of its own.
const char* const fallbackTitle = "Baking Texture";
constexpr int fullValue = 100;

std::string trimmed(const std::string& text)
{
    const char* blanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool counted(const std::string& title)
{
    for (const char* name : countedTitles)
        if (title.find(name) != std::string::npos)
            return true;
    return false;
}

}  // namespace

ProgressMerger::ProgressMerger(std::vector<uint32_t> expectedPhases)
{
    uint64_t sum = 0;
    for (uint32_t phases : expectedPhases)
        sum += phases;
    // Without any estimate the library moves no global progress; one phase per stage still
    // gives the reader a value that moves.
    for (uint32_t phases : expectedPhases) {
        Stage stage;
        stage.expected = sum == 0 ? 1 : phases;
        stages_.push_back(stage);
        totalPhases_ += stage.expected;
    }
}

bool ProgressMerger::take(size_t stage, const std::string& line)
{
    if (stage >= stages_.size())
        return false;
    Stage& s = stages_[stage];
    const auto title = line.find(titleMarker);
    if (title != std::string::npos) {
        const std::string text = trimmed(line.substr(title + titleMarker.size()));
        // A title outside the counted phases keeps what the last counted phase reached, as the
        // library's global progress does.
        s.inCounted = counted(text);
        if (s.inCounted) {
            ++s.counted;
            s.value = 0;
            title_ = text;
        }
        return true;
    }
    const auto value = line.find(valueMarker);
    if (value != std::string::npos) {
        const std::string number = trimmed(line.substr(value + valueMarker.size()));
        char* end = nullptr;
        const long parsed = std::strtol(number.c_str(), &end, 10);
        if (end != number.c_str() && s.inCounted)
            s.value = static_cast<int>(std::clamp<long>(parsed, 0, fullValue));
        return true;
    }
    return false;
}

void ProgressMerger::stageSucceeded(size_t stage)
{
    if (stage < stages_.size())
        stages_[stage].finished = true;
}

void ProgressMerger::stageRestarted(size_t stage)
{
    if (stage < stages_.size()) {
        const uint32_t expected = stages_[stage].expected;
        stages_[stage] = Stage{};
        stages_[stage].expected = expected;
    }
}

double ProgressMerger::phasesDone() const
{
    double done = 0;
    for (const Stage& s : stages_) {
        if (s.finished)
            done += s.expected;
        else if (s.counted > 0)
            done += std::min<double>(s.expected, (s.counted - 1) + s.value / static_cast<double>(fullValue));
    }
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
