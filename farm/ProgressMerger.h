// Turns the progress messages of many stages rendering at once into the progress messages of one
// run, as the library reads them: the library expects a batch to report as many counted phases
// as all its stages together (the sum of their phase estimates) and places each progress value
// inside the current phase. The merger adds up how far every stage has come in its own phases
// and reports that sum as phases and a value, so the job's global progress moves steadily from
// where the batch started to 100 however the stages interleave.
#pragma once

#include "job/JobProgress.h"

#include <cstdint>
#include <string>
#include <vector>

namespace farm {

class ProgressMerger {
public:
    // The phase estimate of every stage, in stage order.
    explicit ProgressMerger(std::vector<uint32_t> expectedPhases);

    // One line of a stage's renderer output. True when it was a progress message, which the
    // merged messages stand for and which must not be passed on as it is.
    bool take(size_t stage, const std::string& line);
    // The stage has ended successfully: all its phases are done.
    void stageSucceeded(size_t stage);
    // The stage starts again from nothing (its task was requeued after a node failure).
    void stageRestarted(size_t stage);

    // The messages that bring the reader up to date (each one line without its line feed); none
    // when nothing moved forward. What was reported is never taken back: a restarted stage
    // moves the progress again only once it has passed what it had reached.
    std::vector<std::string> messages();

    // Phases done over all stages, and phases expected in all.
    double phasesDone() const;
    uint64_t phasesExpected() const { return totalPhases_; }

private:
    struct Stage {
        uint32_t expected = 0;
        // The stage's output read as the library reads a local run of it: its counted phases
        // and the value inside the current one.
        trv::JobProgress reading;
        double reached = 0;  // phases done, as of the last value inside a counted phase
        bool finished = false;
    };
    static Stage freshStage(uint32_t expected);

    std::vector<Stage> stages_;
    uint64_t totalPhases_ = 0;
    uint64_t emittedPhases_ = 0;
    int emittedValue_ = -1;
    std::string title_;  // the latest counted title of any stage
};

}  // namespace farm
