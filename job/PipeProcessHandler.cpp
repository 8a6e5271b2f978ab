#include "job/PipeProcessHandler.h"

#include "job/ProcessExceptions.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iostream>

namespace trv {

PipeProcessHandler::PipeProcessHandler() : buffer_(100, 0)
{
    const int error = platform::createMessageChannel(channel_);
    if (error != 0)
        throw ProcessExceptions::CreatePipeFailedException(static_cast<uint32_t>(error));
}

PipeProcessHandler::~PipeProcessHandler()
{
    platform::closeDescriptor(channel_.client);
    platform::closeDescriptor(channel_.server);
}

void PipeProcessHandler::launch(const std::string&, const std::filesystem::path& executable,
                                const std::string& arguments, const std::filesystem::path& workingDirectory)
{
    const int error = platform::startChild(executable.native(), platform::splitArguments(arguments),
                                           workingDirectory, channel_.client, child_);
    if (error != 0)
        throw ProcessExceptions::CreateProcessFailedException(executable.string() + " " + arguments,
                                                              static_cast<uint32_t>(error));
    running_ = true;
}

int32_t PipeProcessHandler::wait(int32_t timeoutMilliseconds)
{
    outputAvailable_ = false;
    if (!connectReported_) {
        connectReported_ = true;
        lastOutput_.clear();
        outputAvailable_ = true;
        return WaitOutput;
    }
    // Once the process has ended, what it wrote is all queued: only that much more is taken.
    // Whatever a process it left behind writes may never stop, and must not hide the end.
    noteEnd();
    if (endNoted_ && leftAfterEnd_ <= 0) {
        running_ = false;
        return WaitProcessEnded;
    }
    // A queued piece is taken at once: output goes before the end, and a busy channel costs no wait.
    int error = 0;
    const long queued = platform::peekMessageLength(channel_.server, error);
    if (queued >= 0) {
        outputAvailable_ = readMessage(queued);
        return WaitOutput;
    }
    switch (platform::waitForMessageOrEnd(channel_.server, child_, timeoutMilliseconds)) {
    case platform::WaitEvent::Message:
        outputAvailable_ = readMessage(-1);
        return WaitOutput;
    case platform::WaitEvent::Ended:
        platform::reapChild(child_, true);
        endNoted_ = true;
        leftAfterEnd_ = 0;
        running_ = false;
        return WaitProcessEnded;
    case platform::WaitEvent::TimedOut:
        break;
    }
    return WaitTimeout;
}

void PipeProcessHandler::noteEnd()
{
    if (endNoted_ || !running_ || !platform::reapChild(child_, false))
        return;
    endNoted_ = true;
    leftAfterEnd_ = platform::queuedMessageBytes(channel_.server);
    if (leftAfterEnd_ < 0)
        leftAfterEnd_ = LONG_MAX;  // unknown: the queue is drained until it is empty
}

bool PipeProcessHandler::readMessage(long length)
{
    int error = 0;
    if (length < 0)
        length = platform::peekMessageLength(channel_.server, error);
    if (length < 0) {
        std::cout << "ReadFile from pipe failed with error: " << error << std::endl;
        leftAfterEnd_ = 0;  // after the end, a failing channel ends the reading
        return false;
    }
    // The buffer keeps room for the terminating 0 and doubles until the piece fits.
    while (static_cast<std::size_t>(length) > buffer_.size() - 1)
        buffer_.resize(buffer_.size() * 2, 0);
    const long got = platform::receiveMessage(channel_.server, buffer_.data(), buffer_.size() - 1, error);
    if (got < 0) {
        std::cout << "ReadFile from pipe failed with error: " << error << std::endl;
        leftAfterEnd_ = 0;
        return false;
    }
    leftAfterEnd_ -= got;
    buffer_[static_cast<std::size_t>(got)] = 0;
    lastOutput_.assign(buffer_.data(), std::strlen(buffer_.data()));
    return true;
}

}  // namespace trv
