// Shows a running bake: a bar on a terminal, plain lines otherwise.
#ifndef TORVO_BAKE_PROGRESS_H
#define TORVO_BAKE_PROGRESS_H

#include <cstdio>
#include <string>

namespace torvobake {

class Progress {
public:
    // onTerminal: redraw one line in place; otherwise write a line per phase and per tenth of
    // the job.
    Progress(std::FILE* out, bool onTerminal, bool quiet);
    // A step of the tool itself (importing, laying out, writing).
    void step(const std::string& text);
    // The job's current phase title, its progress and the whole job's, 0 to 100.
    void update(const std::string& title, int phase, int global);
    // Ends the bar's line.
    void finish();

private:
    std::FILE* out_;
    bool terminal_, quiet_;
    bool barShown_ = false;
    std::string lastTitle_;
    int lastTenth_ = -1;
};

} // namespace torvobake

#endif
