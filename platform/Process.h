// Child processes and the message channel that carries their output to the host.
// Descriptors are plain ints; -1 means "none". Error results are the system's error numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace trv::platform {

// Exit codes the library gives ended children, whatever the system reports.
constexpr int32_t ExitCodeTerminated = 1223;                        // ended by terminateChild or a kill
constexpr int32_t ExitCodeCrashed = static_cast<int32_t>(0xC0000005u);  // ended by a crash signal
constexpr int32_t ExitCodeStillActive = 259;                        // not ended yet

// A connection whose every write on the client end arrives as one message on the server end.
struct MessageChannel {
    int server = -1;
    int client = -1;
};
// 0, or the system error number.
[[nodiscard]] int createMessageChannel(MessageChannel& channel);
// Closes the descriptor if it is open and sets it to -1.
void closeDescriptor(int& descriptor) noexcept;

// A started child: its process id and a descriptor that becomes ready when it ends.
struct ChildProcess {
    int pid = 0;
    int endHandle = -1;
    bool reaped = false;
    int32_t exitCode = ExitCodeStillActive;
};

// Starts executable with argv[1..] = arguments, in workingDirectory (empty: the host's), with
// standard output and error on outputDescriptor (-1: the host's). The child is contained so
// that it ends with the host. Returns 0, or the system error number of the failed step
// (a missing executable or working directory included); on failure nothing is left running.
[[nodiscard]] int startChild(const std::string& executable, const std::vector<std::string>& arguments,
                             const std::filesystem::path& workingDirectory, int outputDescriptor, ChildProcess& child);

enum class WaitEvent { Message, Ended, TimedOut };
// Waits up to timeoutMilliseconds (negative: without limit) for a message on server or the end
// of the child; a queued message always comes before the end. server may be -1.
WaitEvent waitForMessageOrEnd(int server, const ChildProcess& child, int timeoutMilliseconds);

// Length of the next queued message without taking it; -1 with error set on failure.
long peekMessageLength(int server, int& error);
// Bytes of all messages queued on server together (an empty message adds none); -1 when the
// system cannot tell.
long queuedMessageBytes(int server);
// Takes the next message into buffer (at most capacity bytes); its length, or -1 with error set.
long receiveMessage(int server, char* buffer, std::size_t capacity, int& error);

// Collects the child's end if it has ended (block: waits for it). True when it has; the
// exit code is then in child.exitCode and child.endHandle is closed.
bool reapChild(ChildProcess& child, bool block);
// Asks the system to end the child at once; false when the request fails.
bool killChild(const ChildProcess& child);

// The host's process id.
int currentProcessId();

// Splits a command line's arguments at blanks; double quotes group and are removed.
std::vector<std::string> splitArguments(const std::string& arguments);

}  // namespace trv::platform
