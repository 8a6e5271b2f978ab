// A renderer process whose standard output and error arrive on a message channel, one piece
// of output per write of the child.
#pragma once

#include "job/ProcessHandler.h"

#include <vector>

namespace trv {

class PipeProcessHandler : public ProcessHandler {
public:
    // Creates the channel; throws ProcessExceptions::CreatePipeFailedException.
    PipeProcessHandler();
    ~PipeProcessHandler() override;

    // Throws ProcessExceptions::CreateProcessFailedException.
    void launch(const std::string& applicationName, const std::filesystem::path& executable,
                const std::string& arguments, const std::filesystem::path& workingDirectory) override;
    // A piece of output the process wrote always comes before its end. The first wait hands
    // over an empty piece: the channel reports itself connected. Output that arrives after the
    // end (from a process the child left behind, which keeps the channel open) may be left
    // unread, so that it cannot hold back the end.
    int32_t wait(int32_t timeoutMilliseconds) override;

    // The read buffer's size: 100 bytes at first, doubled whenever a piece does not fit.
    std::size_t bufferSize() const { return buffer_.size(); }

private:
    // Takes the next piece; its length when already known, else -1.
    bool readMessage(long length);
    // Notices, without waiting, whether the process has ended, and then how much output it left.
    void noteEnd();

    platform::MessageChannel channel_;
    std::vector<char> buffer_;
    bool connectReported_ = false;
    bool endNoted_ = false;
    long leftAfterEnd_ = 0;  // bytes still to be taken once the end is noted
};

}  // namespace trv
