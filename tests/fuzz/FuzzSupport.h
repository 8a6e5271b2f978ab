// What every fuzz target shares: a scratch directory of its own, writing an input to a file for the
// readers that take a path, and seeding the corpus directory at start-up.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

namespace trvfuzz {

namespace fs = std::filesystem;

// Stops the run as a crash: a broken promise of the code under test, not bad input.
#define TRV_FUZZ_REQUIRE(condition)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// "torvo-fuzz-<pid>" in the directory TORVO_FUZZ_SCRATCH names, else in memory-backed storage when
// there is some (each input is written to a file and read back). Removed when the process exits
// normally; libFuzzer ends a timed run without that, so the run script removes its directory.
inline const fs::path& scratchDirectory()
{
    static const fs::path directory = [] {
        std::error_code ec;
        const char* given = std::getenv("TORVO_FUZZ_SCRATCH");
        fs::path base = given && *given ? given : "/dev/shm";
        if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
            base = fs::temp_directory_path();
        fs::path made = base / ("torvo-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(made, ec);
        fs::create_directories(made);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(scratchDirectory(), ignored);
        });
        return made;
    }();
    return directory;
}

inline void writeFile(const fs::path& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    writeFile(path, bytes.data(), bytes.size());
}

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Receives the seeds of a corpus.
class SeedWriter {
public:
    explicit SeedWriter(fs::path directory) : directory_(std::move(directory)) {}
    void add(const std::string& name, const std::string& bytes) { writeFile(directory_ / name, bytes); }

private:
    fs::path directory_;
};

// Called from LLVMFuzzerInitialize, which runs before the corpus is read: the first argument that
// is a directory is the corpus, and an empty corpus receives the seeds. Runs on single inputs (a
// crash being reproduced) name files, not directories, and get no seeds.
inline void seedCorpus(int* argc, char*** argv, const std::function<void(SeedWriter&)>& makeSeeds)
{
    for (int i = 1; i < *argc; ++i) {
        const char* argument = (*argv)[i];
        if (argument[0] == '-')
            continue;
        std::error_code ec;
        if (!fs::is_directory(argument, ec))
            continue;
        if (fs::directory_iterator(argument, ec) == fs::directory_iterator()) {
            SeedWriter writer(argument);
            makeSeeds(writer);
        }
        return;
    }
}

}  // namespace trvfuzz
