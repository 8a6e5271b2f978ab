// The front end's messages. Its standard output is the job's progress channel, which takes every
// write as one message, so every line goes out in one write.
#pragma once

#include <string>

namespace farm {

class Output {
public:
    explicit Output(int descriptor) : descriptor_(descriptor) {}
    // Writes the line and a line feed at once. False when the reader is gone (the host has
    // ended or dropped the job).
    bool say(const std::string& line);

private:
    int descriptor_;
};

}  // namespace farm
