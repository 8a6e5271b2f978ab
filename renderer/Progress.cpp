#include "Progress.h"

#include <algorithm>
#include <cstdio>

namespace torvo_renderer {

void Progress::say(const std::string& text)
{
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void Progress::title(const std::string& text)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        say("[PROGRESS] Progress Title: " + text);
        last_ = -1;
    }
    value(0);
}

void Progress::value(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent <= last_.load(std::memory_order_relaxed))
        return;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (percent <= last_)
        return;
    last_ = percent;
    say("[PROGRESS] Progress " + std::to_string(percent));
}

}  // namespace torvo_renderer
