// Per-thread stream sets of the two logs and the stored log targets.
#pragma once

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

struct LogStreamSet {
    LogStreamSet();
    boost::iostreams::filtering_ostream info;
    boost::iostreams::filtering_ostream error;
    std::shared_ptr<ErrorRecord> record;
    NullOutSink nullSink;
};

class LogState {
public:
    static LogState& instance();

    LogStreamSet& streams();
    int32_t setTarget(int32_t logKind, int32_t targetKind, const std::string& fileName);
    // Drops the stream set of a thread that ends, so that a later thread that is given the same
    // identifier starts with a set of its own (and an empty error record).
    void forget(std::thread::id thread);

private:
    struct Target {
        int32_t kind = 0;
        std::string fileName;
    };

    LogState() = default;
    int32_t apply(LogStreamSet& set, int32_t logKind);

    std::mutex mutex_;  // guards the registry; the streams themselves belong to their thread
    std::map<std::thread::id, std::shared_ptr<LogStreamSet>> streams_;
    Target targets_[2];
};

}  // namespace trv
