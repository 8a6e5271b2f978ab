// Per-thread stream sets of the two logs and the stored log targets.
//
// Threads: a stream set's chain (filters and buffers) is used only by the thread it belongs to.
// The device at the end of each chain sits in a DeviceSlot with a lock of its own, because a new
// target is applied to every thread's set by whichever thread sets it. The registry of sets and
// the stored targets are guarded by LogState's mutex.
#pragma once

#include "core/Log.h"
#include "torvo.h"

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace trv {

// The last error message of one thread, shared between its stream set and its ErrorSink.
struct ErrorRecord {
    std::string text;
    bool complete = false;
};

// Collects what the error stream writes so that the last message can be fetched.
class ErrorSink {
public:
    typedef char char_type;
    typedef boost::iostreams::sink_tag category;

    explicit ErrorSink(std::shared_ptr<ErrorRecord> record) : record_(std::move(record)) {}
    std::streamsize write(const char* s, std::streamsize n);

private:
    std::shared_ptr<ErrorRecord> record_;
};

class NullOutSink {
public:
    typedef char char_type;
    typedef boost::iostreams::sink_tag category;
    std::streamsize write(const char*, std::streamsize n) { return n; }
};

class DebugOutSink {
public:
    typedef char char_type;
    typedef boost::iostreams::sink_tag category;
    std::streamsize write(const char* s, std::streamsize n);
};

// One device a log can write to (the null sink, a standard stream, a file, the debugger output).
class LogDevice {
public:
    virtual ~LogDevice() = default;
    virtual void write(const char* s, std::streamsize n) = 0;
    virtual void flush() {}
};

// The device at the end of one stream, exchangeable from any thread.
struct DeviceSlot {
    std::mutex mutex;
    std::unique_ptr<LogDevice> device;
};

// The last link of a stream's chain: passes what reaches it on to the slot's current device.
// Failures of the device are absorbed, so that a full disk never stops the stream (nor the
// error record before it).
class SlotSink {
public:
    typedef char char_type;
    struct category : boost::iostreams::sink_tag, boost::iostreams::flushable_tag {};

    explicit SlotSink(std::shared_ptr<DeviceSlot> slot) : slot_(std::move(slot)) {}
    std::streamsize write(const char* s, std::streamsize n);
    bool flush();

private:
    std::shared_ptr<DeviceSlot> slot_;
};

struct LogStreamSet {
    LogStreamSet();
    boost::iostreams::filtering_ostream info;
    boost::iostreams::filtering_ostream error;
    std::shared_ptr<ErrorRecord> record;
    std::shared_ptr<DeviceSlot> infoDevice;
    std::shared_ptr<DeviceSlot> errorDevice;
};

class LogState {
public:
    static LogState& instance();

    LogStreamSet& streams();
    // Any thread may call it at any time, also while other threads write their logs.
    [[nodiscard]] TRVStatus setTarget(int32_t logKind, int32_t targetKind, const std::string& fileName);
    // Drops the stream set of a thread that ends, so that a later thread that is given the same
    // identifier starts with a set of its own (and an empty error record).
    void forget(std::thread::id thread);

private:
    struct Target {
        int32_t kind = LogTargetNone;
        std::string fileName;
    };

    LogState() = default;
    // Both need mutex_ held.
    LogStreamSet& streamsLocked();
    [[nodiscard]] TRVStatus apply(LogStreamSet& set, int32_t logKind);

    std::mutex mutex_;  // guards the registry and the stored targets
    std::map<std::thread::id, std::shared_ptr<LogStreamSet>> streams_;
    Target targets_[2];
};

}  // namespace trv
