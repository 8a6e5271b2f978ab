// A stand-in for the renderer and its distributed front end whose behaviour each test writes
// into a small script. Every "say" is one write, so every line is one message.
//
// Where the script comes from, first match wins:
//   --script <file>                 (tests of the process layer)
//   -validatesetup among the args   exit code read from <cfg>.validate (1 when missing;
//                                   ".validate" for a check without a stage)
//   <cfg>.fake                      for the stage configuration given after -x or -cfg
//   fake.script                     in the working directory
// otherwise the default: say the arguments, say "Done rendering!", exit 0.
// Every run also appends its arguments as one line to invocations.log in the working directory.
//
// Script lines:
//   say <text>            one message: text and a line feed
//   raw <text>            one message: text without line feed
//   err <text>            one message on standard error
//   big <n> <c>           one message of n bytes of character c
//   burst <n> <text>      n messages "text <i>\n" as fast as possible
//   stamps <n> <gap_us>   n titles holding the steady clock in nanoseconds, gap_us apart
//   args                  one message with the arguments joined by " | "
//   cwd                   one message with the working directory
//   sleep <ms>            pause
//   hang                  sleep until killed
//   crash                 raise SIGSEGV
//   exit <code>           end with the code
//   touch <file>          create an empty file in the working directory
//   copy <from> <to>      copy a file (paths without blanks), replacing what is there: results
//   close                 close standard output and error; the script runs on
//   spawn <ms> <n> <text> start a grandchild that keeps the output open, waits ms, says n messages
//                         "text <i>\n" (n 0: until a write fails, at most 10 s) and ends; the
//                         script runs on at once
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> args;

bool put(int fd, const std::string& text)
{
    ssize_t written;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    return written >= 0;
}

// The grandchild of "spawn": not the renderer's business any more once started.
void spawnGrandchild(long delayMs, long count, const std::string& text)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (long i = 0; count == 0 || i < count; ++i) {
        if (!put(1, text + " " + std::to_string(i) + "\n") || std::chrono::steady_clock::now() > deadline)
            break;
    }
    ::_exit(0);
}

std::string joinedArgs()
{
    std::string all;
    for (size_t i = 1; i < args.size(); ++i)
        all += (i > 1 ? " | " : "") + args[i];
    return all;
}

std::string valueAfter(const std::string& flag)
{
    for (size_t i = 1; i + 1 < args.size(); ++i)
        if (args[i] == flag)
            return args[i + 1];
    return {};
}

bool has(const std::string& flag)
{
    for (const std::string& a : args)
        if (a == flag)
            return true;
    return false;
}

int runScript(std::istream& in)
{
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string op;
        words >> op;
        std::string rest;
        std::getline(words >> std::ws, rest);
        if (op == "say") {
            put(1, rest + "\n");
        } else if (op == "raw") {
            put(1, rest);
        } else if (op == "err") {
            put(2, rest + "\n");
        } else if (op == "big") {
            std::istringstream r(rest);
            size_t n = 0;
            char c = 'x';
            r >> n >> c;
            put(1, std::string(n, c));
        } else if (op == "burst") {
            std::istringstream r(rest);
            int n = 0;
            std::string text;
            r >> n;
            std::getline(r >> std::ws, text);
            for (int i = 0; i < n; ++i)
                put(1, text + " " + std::to_string(i) + "\n");
        } else if (op == "stamps") {
            std::istringstream r(rest);
            int n = 0;
            long gap = 0;
            r >> n >> gap;
            for (int i = 0; i < n; ++i) {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                put(1, "[PROGRESS] Progress Title: " +
                           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "\n");
                if (gap > 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(gap));
            }
        } else if (op == "args") {
            put(1, joinedArgs() + "\n");
        } else if (op == "cwd") {
            put(1, std::filesystem::current_path().string() + "\n");
        } else if (op == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(rest.c_str())));
        } else if (op == "hang") {
            for (;;)
                ::pause();
        } else if (op == "crash") {
            std::signal(SIGSEGV, SIG_DFL);  // past any handler a sanitizer installed
            std::raise(SIGSEGV);
        } else if (op == "exit") {
            return std::atoi(rest.c_str());
        } else if (op == "touch") {
            std::ofstream(rest).put('\n');
        } else if (op == "copy") {
            std::istringstream r(rest);
            std::string from, to;
            r >> from >> to;
            std::error_code ec;
            std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
        } else if (op == "close") {
            ::close(1);
            ::close(2);
        } else if (op == "spawn") {
            std::istringstream r(rest);
            long delay = 0;
            long count = 0;
            std::string text;
            r >> delay >> count;
            std::getline(r >> std::ws, text);
            spawnGrandchild(delay, count, text);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    args.assign(argv, argv + argc);
    {
        std::ofstream log("invocations.log", std::ios::app);
        log << joinedArgs() << "\n";
    }
    const std::string script = valueAfter("--script");
    if (!script.empty()) {
        std::ifstream in(script);
        return runScript(in);
    }
    std::string configuration = valueAfter("-x");
    if (configuration.empty())
        configuration = valueAfter("-cfg");
    if (has("-validatesetup")) {
        std::ifstream in(configuration + ".validate");
        int code = 1;
        if (in >> code)
            return code;
        return 1;
    }
    if (!configuration.empty()) {
        std::ifstream in(configuration + ".fake");
        if (in)
            return runScript(in);
    }
    std::ifstream local("fake.script");
    if (local)
        return runScript(local);
    put(1, joinedArgs() + "\n");
    put(1, "Done rendering!\n");
    return 0;
}
