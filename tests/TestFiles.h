// Files the tests write: a directory of each test's own, a lowered file-size limit, and reading a
// file back whole.
#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>

namespace testfiles {

namespace fs = std::filesystem;

// "torvo-<prefix>-<pid>-<suite>-<test>" under the temporary directory. Whatever an earlier run
// left there is removed first; the directory is created unless the code under test is to create
// it, and it is removed with the object.
class TestDirectory {
public:
    explicit TestDirectory(const std::string& prefix, bool create = true)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() / ("torvo-" + prefix + "-" + std::to_string(::getpid()) + "-" +
                                             info->test_suite_name() + "-" + info->name());
        fs::remove_all(path_);
        if (create)
            fs::create_directories(path_);
    }
    ~TestDirectory()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const fs::path& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Lowers the size a file of this process may grow to; writes beyond it fail (no signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// The bytes of a file as they are; empty when it cannot be read.
inline std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder `name` inside one folder per test program and prefix ("torvo-<prefix>-<pid>"),
// which is removed when the program ends. Children forked by a test leave it alone.
inline fs::path processScratchDirectory(const std::string& prefix, const std::string& name)
{
    struct Root {
        fs::path path;
        pid_t owner;
        ~Root()
        {
            std::error_code ec;
            if (::getpid() == owner)
                fs::remove_all(path, ec);
        }
    };
    static std::map<std::string, Root> roots;
    auto found = roots.find(prefix);
    if (found == roots.end())
        found = roots
                    .emplace(prefix, Root{fs::temp_directory_path() /
                                              ("torvo-" + prefix + "-" + std::to_string(::getpid())),
                                          ::getpid()})
                    .first;
    const fs::path dir = found->second.path / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return fs::canonical(dir);
}

}  // namespace testfiles
