// The renderer's messages on its output channel. The library reads the channel message by message,
// so every message goes out in one write and is flushed at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

namespace torvo_renderer {

class Progress {
public:
    // One message, as one write.
    static void say(const std::string& text);
    // Starts a phase: its title, then the value 0.
    void title(const std::string& text);
    // A value 0..100 inside the current phase; values not above the last one are not sent. Safe
    // to call from any thread.
    void value(int percent);
    // Ends the current phase at 100.
    void finish() { value(100); }

private:
    std::mutex mutex_;
    std::atomic<int> last_{-1};
};

// Work shared by many threads, reported as the values from `from` to `to` of the current phase.
class WorkProgress {
public:
    WorkProgress(Progress* progress, size_t total, int from, int to)
        : progress_(progress), total_(total), from_(from), to_(to)
    {
    }
    void add(size_t done)
    {
        const size_t now = done_ += done;
        if (progress_ && total_ > 0)
            progress_->value(from_ + static_cast<int>((to_ - from_) * static_cast<double>(now) / total_));
    }

private:
    Progress* progress_;
    size_t total_;
    int from_, to_;
    std::atomic<size_t> done_{0};
};

}  // namespace torvo_renderer
