#include "Progress.h"

#include <algorithm>

namespace torvobake {
namespace {
constexpr int barWidth = 30;
constexpr int titleWidth = 40;
} // namespace

Progress::Progress(std::FILE* out, bool onTerminal, bool quiet) : out_(out), terminal_(onTerminal), quiet_(quiet) {}

void Progress::step(const std::string& text)
{
    if (quiet_)
        return;
    finish();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void Progress::update(const std::string& title, int phase, int global)
{
    if (quiet_)
        return;
    phase = std::clamp(phase, 0, 100);
    global = std::clamp(global, 0, 100);
    if (terminal_) {
        const int filled = global * barWidth / 100;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(barWidth - filled), '-');
        std::string shown = title.size() > titleWidth ? title.substr(0, titleWidth - 3) + "..." : title;
        std::fprintf(out_, "\r[%s] %3d%%  %-*s %3d%%", bar.c_str(), global, titleWidth, shown.c_str(), phase);
        std::fflush(out_);
        barShown_ = true;
        return;
    }
    const int tenth = global / 10;
    if (title != lastTitle_ || tenth != lastTenth_) {
        std::fprintf(out_, "[%3d%%] %s (%d%%)\n", global, title.c_str(), phase);
        std::fflush(out_);
        lastTitle_ = title;
        lastTenth_ = tenth;
    }
}

void Progress::finish()
{
    if (barShown_) {
        std::fprintf(out_, "\n");
        std::fflush(out_);
        barShown_ = false;
    }
}

} // namespace torvobake
