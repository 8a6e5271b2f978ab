#include "results/ExrReadThreads.h"

#include <ImfThreading.h>

#include <algorithm>
#include <mutex>
#include <thread>

namespace trv {

namespace {

std::mutex poolMutex;
int readers = 0;
int countBefore = 0;

}  // namespace

int ExrReadThreads::count()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

ExrReadThreads::ExrReadThreads()
{
    const std::lock_guard<std::mutex> lock(poolMutex);
    if (readers == 0) {
        countBefore = Imf::globalThreadCount();
        if (countBefore < count())
            Imf::setGlobalThreadCount(count());
    }
    ++readers;
}

ExrReadThreads::~ExrReadThreads()
{
    try {
        const std::lock_guard<std::mutex> lock(poolMutex);
        if (--readers == 0 && countBefore < count())
            Imf::setGlobalThreadCount(countBefore);
    } catch (...) {
        // The pool keeps its workers; reads stay correct, only idle threads remain.
    }
}

}  // namespace trv
