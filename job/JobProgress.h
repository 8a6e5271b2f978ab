// The progress a job reports while its renderer runs.
#pragma once

#include <cstdint>
#include <string>

namespace trv {

struct JobProgress {
    std::string title;           // the last progress title
    int32_t progress = 0;        // the last progress value, reset by each title
    int32_t globalProgress = 0;  // 0..100 over the whole job
    int32_t stageBase = 0;       // global progress when the current stage was launched
    uint32_t expectedPhases = 0; // counted phases expected in the current stage
    uint32_t phaseCount = 0;     // counted phases seen in the current stage
    bool newActivity = false;
    bool newProgress = false;
    bool countedPhase = false;   // whether the current title is a counted phase
    float stageFraction = 0.0f;  // weight of the current stage over the total weight
};

}  // namespace trv
