#include "job/RendererOutput.h"

#include <utf8.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace trv {

namespace {

const std::string titleMarker = "[PROGRESS] Progress Title: ";
const std::string progressMarker = "[PROGRESS] Progress ";
const std::string completionText = "Done rendering!";
const char* const countedTitles[] = {"Precalculating Path Tracer Lighting", "GI calculation", "Baking Texture",
                                     "Baking Point Cloud", "Vertex Transfer"};
constexpr long percentMin = 0;
constexpr long percentMax = 100;

std::string trimmed(const std::string& text)
{
    const char* blanks = " \t\n\v\f\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The renderer's bytes as text the host can be given: every invalid UTF-8 sequence becomes U+FFFD.
std::string validText(const std::string& bytes)
{
    if (utf8::is_valid(bytes.begin(), bytes.end()))
        return bytes;
    std::string text;
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(text));
    return text;
}

void applyTitle(const std::string& title, JobProgress& progress)
{
    progress.title = title;
    progress.progress = 0;
    progress.newActivity = true;
    progress.newProgress = true;
    progress.countedPhase = false;
    for (const char* counted : countedTitles) {
        if (title.find(counted) != std::string::npos) {
            ++progress.phaseCount;
            progress.countedPhase = true;
            break;
        }
    }
}

void applyProgress(int32_t value, JobProgress& progress)
{
    progress.progress = value;
    // The counted-phase flag outlives a stage launch, which resets the phase count: until the new
    // stage reports a counted title of its own there is no phase to place the value in.
    if (progress.countedPhase && progress.phaseCount >= 1 && progress.expectedPhases >= progress.phaseCount) {
        const float quotient =
            static_cast<float>((static_cast<double>(progress.phaseCount - 1u) +
                                static_cast<double>(static_cast<uint32_t>(value)) / 100.0) /
                               progress.expectedPhases);
        const double share = static_cast<double>(progress.stageFraction * quotient * 100.0f);
        // A value outside 0..100 from the renderer must not push the job outside 0..100.
        const double global = std::trunc(std::min(std::max(progress.stageBase + share, 0.0), 100.0));
        progress.globalProgress = static_cast<int32_t>(global);
    }
    progress.newProgress = true;
}

}  // namespace

bool readRendererOutput(const std::string& piece, JobProgress& progress)
{
    const auto title = piece.find(titleMarker);
    if (title != std::string::npos) {
        // Handed to the host as a string of its encoding, which needs valid text.
        applyTitle(validText(trimmed(piece.substr(title + titleMarker.size()))), progress);
        return false;
    }
    const auto value = piece.find(progressMarker);
    if (value != std::string::npos) {
        const std::string number = trimmed(piece.substr(value + progressMarker.size()));
        const char* begin = number.c_str();
        char* end = nullptr;
        const long parsed = std::strtol(begin, &end, 10);
        // A value is a percentage: whatever the renderer wrote, the host gets 0..100.
        if (end != begin && !std::isspace(static_cast<unsigned char>(*begin)))
            applyProgress(static_cast<int32_t>(std::clamp(parsed, percentMin, percentMax)), progress);
        return false;
    }
    return piece.find(completionText) != std::string::npos;
}

}  // namespace trv
