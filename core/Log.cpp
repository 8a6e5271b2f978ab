#include "core/Log.h"

#include "core/LogState.h"
#include "platform/Platform.h"

#include <boost/iostreams/device/file_descriptor.hpp>
#include <boost/iostreams/filter/newline.hpp>
#include <boost/iostreams/tee.hpp>

#include <iostream>

namespace io = boost::iostreams;

namespace trv {

std::streamsize ErrorSink::write(const char* s, std::streamsize n)
{
    if (record_->complete) {
        record_->text.clear();
        record_->complete = false;
    }
    record_->text.append(s, static_cast<size_t>(n));
    if (n > 0 && s[n - 1] == '\n')
        record_->complete = true;
    return n;
}

std::streamsize DebugOutSink::write(const char* s, std::streamsize n)
{
    const std::string piece(s, static_cast<size_t>(n));
    platform::debugOutput(piece.c_str());
    return n;
}

LogStreamSet::LogStreamSet() : record(std::make_shared<ErrorRecord>())
{
    info.set_auto_close(false);
    error.set_auto_close(false);
    info.push(io::newline_filter(io::newline::dos));
    info.push(nullSink);
    error.push(io::tee(ErrorSink(record)));
    error.push(io::newline_filter(io::newline::dos));
    error.push(nullSink);
}

LogState& LogState::instance()
{
    // Created once and never destroyed: threads may still log while the process ends.
    static LogState* state = new LogState();
    return *state;
}

namespace {

// Ends the calling thread's stream set with the thread: identifiers of ended threads are given
// to new ones, which must not see the old thread's error record or keep its files open.
// t_registration is touched only while the thread is not ending (t_state, which needs no
// destruction, tells); a set made while the thread ends stays until the process ends.
enum RegistrationState { Unregistered, Registered, Ended };
thread_local RegistrationState t_state = Unregistered;

struct ThreadRegistration {
    ~ThreadRegistration()
    {
        t_state = Ended;
        LogState::instance().forget(std::this_thread::get_id());
    }
};

thread_local ThreadRegistration t_registration;

void registerThread()
{
    if (t_state != Unregistered)
        return;
    static_cast<void>(&t_registration);  // constructs it, so that it is destroyed with the thread
    t_state = Registered;
}

}  // namespace

LogStreamSet& LogState::streams()
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto& slot = streams_[std::this_thread::get_id()];
    if (!slot) {
        registerThread();
        auto set = std::make_shared<LogStreamSet>();
        apply(*set, ErrorLog);  // failures leave the null device in place
        apply(*set, InfoLog);
        slot = set;
    }
    return *slot;
}

void LogState::forget(std::thread::id thread)
{
    std::shared_ptr<LogStreamSet> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = streams_.find(thread);
        if (it == streams_.end())
            return;
        ended = std::move(it->second);
        streams_.erase(it);
    }
    // The set (and any file it holds) goes outside the lock.
}

int32_t LogState::apply(LogStreamSet& set, int32_t logKind)
{
    io::filtering_ostream& stream = logKind == ErrorLog ? set.error : set.info;
    const Target& target = targets_[logKind];
    stream.flush();
    switch (target.kind) {
    case 0:
        stream.pop();
        stream.push(set.nullSink);
        return 0;
    case 1:
        stream.pop();
        stream.push(std::cout);
        return 0;
    case 2:
        stream.pop();
        stream.push(std::cerr);
        return 0;
    case 3: {
        // Opened close-on-exec: the renderer processes the library starts must not hold the log.
        const int descriptor = platform::openLogFile(target.fileName);
        if (descriptor < 0)
            return 1;
        io::file_descriptor_sink file(descriptor, io::close_handle);
        stream.pop();
        stream.push(file);
        return 0;
    }
    case 4:
        stream.pop();
        stream.push(DebugOutSink());
        return 0;
    default:
        return 1;
    }
}

int32_t LogState::setTarget(int32_t logKind, int32_t targetKind, const std::string& fileName)
{
    if (logKind != ErrorLog && logKind != InfoLog)
        return 1;
    if (targetKind == 3 && fileName.empty())
        return 1;
    targets_[logKind] = Target{targetKind, fileName};
    streams();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : streams_) {
        const int32_t status = apply(*entry.second, logKind);
        if (status != 0)
            return status;
    }
    return 0;
}

std::ostream& errorStream()
{
    return LogState::instance().streams().error;
}

std::ostream& infoStream()
{
    return LogState::instance().streams().info;
}

std::string lastError()
{
    return LogState::instance().streams().record->text;
}

int32_t setLogTarget(int32_t logKind, int32_t targetKind, const std::string& fileName)
{
    return LogState::instance().setTarget(logKind, targetKind, fileName);
}

}  // namespace trv
