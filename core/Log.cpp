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

namespace {

template <class Sink>
class SinkDevice : public LogDevice {
public:
    explicit SinkDevice(Sink sink) : sink_(std::move(sink)) {}
    void write(const char* s, std::streamsize n) override { sink_.write(s, n); }

private:
    Sink sink_;
};

// Standard output or error: written through the stream's buffer of the moment, so a host that
// redirects the stream is followed; flushed with every message.
class StandardStreamDevice : public LogDevice {
public:
    explicit StandardStreamDevice(std::ostream& stream) : stream_(stream) {}
    void write(const char* s, std::streamsize n) override
    {
        if (std::streambuf* buffer = stream_.rdbuf())
            buffer->sputn(s, n);
    }
    void flush() override
    {
        if (std::streambuf* buffer = stream_.rdbuf())
            buffer->pubsync();
    }

private:
    std::ostream& stream_;
};

std::unique_ptr<LogDevice> nullDevice()
{
    return std::make_unique<SinkDevice<NullOutSink>>(NullOutSink());
}

}  // namespace

std::streamsize SlotSink::write(const char* s, std::streamsize n)
{
    std::lock_guard<std::mutex> lock(slot_->mutex);
    try {
        slot_->device->write(s, n);
    } catch (...) {
        // A device that fails loses what it was given; the stream goes on.
    }
    return n;
}

bool SlotSink::flush()
{
    std::lock_guard<std::mutex> lock(slot_->mutex);
    try {
        slot_->device->flush();
    } catch (...) {
    }
    return true;
}

LogStreamSet::LogStreamSet()
    : record(std::make_shared<ErrorRecord>()), infoDevice(std::make_shared<DeviceSlot>()),
      errorDevice(std::make_shared<DeviceSlot>())
{
    infoDevice->device = nullDevice();
    errorDevice->device = nullDevice();
    info.set_auto_close(false);
    error.set_auto_close(false);
    info.push(io::newline_filter(io::newline::dos));
    info.push(SlotSink(infoDevice));
    error.push(io::tee(ErrorSink(record)));
    error.push(io::newline_filter(io::newline::dos));
    error.push(SlotSink(errorDevice));
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
    return streamsLocked();
}

LogStreamSet& LogState::streamsLocked()
{
    auto& slot = streams_[std::this_thread::get_id()];
    if (!slot) {
        registerThread();
        auto set = std::make_shared<LogStreamSet>();
        static_cast<void>(apply(*set, ErrorLog));  // a failure leaves the null device in place
        static_cast<void>(apply(*set, InfoLog));
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

TRVStatus LogState::apply(LogStreamSet& set, int32_t logKind)
{
    const Target& target = targets_[logKind];
    std::unique_ptr<LogDevice> device;
    switch (target.kind) {
    case LogTargetNone:
        device = nullDevice();
        break;
    case LogTargetStandardOutput:
        device = std::make_unique<StandardStreamDevice>(std::cout);
        break;
    case LogTargetStandardError:
        device = std::make_unique<StandardStreamDevice>(std::cerr);
        break;
    case LogTargetFile: {
        // Opened close-on-exec: the renderer processes the library starts must not hold the log.
        const int descriptor = platform::openLogFile(target.fileName);
        if (descriptor < 0)
            return 1;
        device = std::make_unique<SinkDevice<io::file_descriptor_sink>>(
            io::file_descriptor_sink(descriptor, io::close_handle));
        break;
    }
    case LogTargetDebugger:
        device = std::make_unique<SinkDevice<DebugOutSink>>(DebugOutSink());
        break;
    default:
        return 1;
    }
    DeviceSlot& slot = logKind == ErrorLog ? *set.errorDevice : *set.infoDevice;
    {
        std::lock_guard<std::mutex> lock(slot.mutex);
        slot.device.swap(device);
    }
    // The old device (and the file it may hold) closes here, outside the slot's lock.
    return 0;
}

TRVStatus LogState::setTarget(int32_t logKind, int32_t targetKind, const std::string& fileName)
{
    if (logKind != ErrorLog && logKind != InfoLog)
        return 1;
    // An unknown kind is refused before it is stored: stored, it would leave every stream set
    // made afterwards without a device.
    if (targetKind < LogTargetNone || targetKind > LogTargetDebugger)
        return 1;
    if (targetKind == LogTargetFile && fileName.empty())
        return 1;
    std::lock_guard<std::mutex> lock(mutex_);
    // Stored before it is tried: a file that cannot be opened yet is tried again for every stream
    // set made later.
    targets_[logKind] = Target{targetKind, fileName};
    streamsLocked();
    for (auto& entry : streams_) {
        const TRVStatus status = apply(*entry.second, logKind);
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

TRVStatus setLogTarget(int32_t logKind, int32_t targetKind, const std::string& fileName)
{
    return LogState::instance().setTarget(logKind, targetKind, fileName);
}

}  // namespace trv
