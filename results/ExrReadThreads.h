// Worker threads for reading result images. The library keeps OpenEXR's global thread pool empty,
// so that its own work stays on the caller's thread; loading a large result is the exception: for
// as long as an object of this kind lives, the pool has one worker per hardware thread.
#pragma once

namespace trv {

class ExrReadThreads {
public:
    ExrReadThreads();
    ~ExrReadThreads();
    ExrReadThreads(const ExrReadThreads&) = delete;
    ExrReadThreads& operator=(const ExrReadThreads&) = delete;

    // The worker count for the reads made meanwhile.
    static int count();
};

}  // namespace trv
