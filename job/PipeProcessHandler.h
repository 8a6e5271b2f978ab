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
    // A queued piece of output always comes before the end of the process. The first wait
    // hands over an empty piece: the channel reports itself connected.
    int32_t wait(int32_t timeoutMilliseconds) override;

    // The read buffer's size: 100 bytes at first, doubled whenever a piece does not fit.
    std::size_t bufferSize() const { return buffer_.size(); }

private:
    // Takes the next piece; its length when already known, else -1.
    bool readMessage(long length);

    platform::MessageChannel channel_;
    std::vector<char> buffer_;
    bool connectReported_ = false;
};

}  // namespace trv
