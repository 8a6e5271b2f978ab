// Finding the renderer's executables.
#include "core/Log.h"
#include "cache/Installation.h"
#include "platform/Module.h"
#include "torvo.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Sets or clears environment variables for one test and puts the old values back.
class Env {
public:
    ~Env()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    void set(const char* name, const char* value)
    {
        const char* old = ::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class Installation : public ::testing::Test {
protected:
    void SetUp() override
    {
        log_ = dir_ / "info.log";
        ASSERT_EQ(trv::setLogTarget(trv::InfoLog, trv::LogTargetFile, log_.string()), TRV_SUCCESS);
        env_.set("PROCESSOR_ARCHITECTURE", nullptr);
        env_.set("PROCESSOR_ARCHITEW6432", nullptr);
        env_.set("TORVO_ROOT", nullptr);
    }
    void TearDown() override { EXPECT_EQ(trv::setLogTarget(trv::InfoLog, trv::LogTargetNone, ""), TRV_SUCCESS); }
    fs::path directoryWith(const std::string& name, std::initializer_list<const char*> files)
    {
        const fs::path d = dir_ / name;
        fs::create_directories(d);
        for (const char* f : files)
            std::ofstream(d / f) << "exe";
        return d;
    }
    std::string info() const
    {
        std::string out;
        for (char c : testfiles::readFile(log_))
            if (c != '\r')
                out += c;
        return out;
    }

    testfiles::TestDirectory dir_{"install"};
    fs::path log_;
    Env env_;
};

}  // namespace

TEST_F(Installation, WordSizeFromTheEnvironmentThenTheMachine)
{
    env_.set("PROCESSOR_ARCHITECTURE", "amd64");
    EXPECT_TRUE(trv::is64BitSystem());
    env_.set("PROCESSOR_ARCHITECTURE", "x86");
    EXPECT_FALSE(trv::is64BitSystem());
    env_.set("PROCESSOR_ARCHITEW6432", "AMD64");
    EXPECT_TRUE(trv::is64BitSystem());
    env_.set("PROCESSOR_ARCHITECTURE", nullptr);
    env_.set("PROCESSOR_ARCHITEW6432", nullptr);
    EXPECT_EQ(trv::is64BitSystem(), sizeof(void*) == 8);  // this build runs natively
}

TEST_F(Installation, UsableDirectoriesAndThePreferredExecutable)
{
    const fs::path only64 = directoryWith("only64", {"thetorvo-64.exe"});
    const fs::path all = directoryWith("all", {"thetorvo.exe", "thetorvo-32.exe", "thetorvo-64.exe", "torvofarm.exe"});
    const fs::path plain = directoryWith("plain", {"thetorvo.exe"});
    fs::create_directories(dir_ / "dirs" / "thetorvo.exe");

    env_.set("PROCESSOR_ARCHITECTURE", "AMD64");
    EXPECT_TRUE(trv::binariesUsable(only64));
    EXPECT_EQ(trv::preferredLocalExecutable(all), all / "thetorvo-64.exe");
    EXPECT_EQ(trv::preferredLocalExecutable(plain), plain / "thetorvo.exe");
    EXPECT_EQ(trv::preferredLocalExecutable(dir_ / "dirs"), std::nullopt);

    env_.set("PROCESSOR_ARCHITECTURE", "x86");
    EXPECT_FALSE(trv::binariesUsable(only64));
    EXPECT_EQ(trv::preferredLocalExecutable(only64), std::nullopt);
    EXPECT_EQ(trv::preferredLocalExecutable(all), all / "thetorvo-32.exe");
    EXPECT_TRUE(trv::binariesUsable(plain));
    EXPECT_FALSE(trv::binariesUsable(dir_ / "dirs"));
    EXPECT_FALSE(trv::binariesUsable(dir_ / "missing"));
    EXPECT_FALSE(trv::binariesUsable(plain / "thetorvo.exe"));

    EXPECT_TRUE(trv::frontEndAvailable(all));
    EXPECT_FALSE(trv::frontEndAvailable(plain));
    EXPECT_FALSE(trv::frontEndAvailable(dir_ / "missing"));

    const std::string log = info();
    EXPECT_NE(log.find("Could not use the directory: " + only64.string() + " for torvo binaries\n"), std::string::npos);
    EXPECT_NE(log.find("Could not use the directory: " + (dir_ / "missing").string() + " for torvo binaries\n"),
              std::string::npos);
}

TEST_F(Installation, LookupPrefersTorvoRootThenTheLibraryDirectory)
{
    const fs::path good = directoryWith("good/bin", {"thetorvo.exe"}).parent_path();
    env_.set("TORVO_ROOT", good.string().c_str());
    bool usable = false;
    EXPECT_EQ(trv::locateBinaries(&usable), good / "bin");
    EXPECT_TRUE(usable);
    EXPECT_EQ(info(), "Using Torvo binaries located by TORVO_ROOT.\n");

    // A root whose "bin" lacks the executables: the library's own directory is next.
    const fs::path bad = directoryWith("bad/bin", {}).parent_path();
    env_.set("TORVO_ROOT", bad.string().c_str());
    const auto module = trv::platform::ownModuleFile();
    ASSERT_TRUE(module);
    const fs::path found = trv::locateBinaries(&usable);
    const std::string log = info();
    EXPECT_NE(log.find("Could not use the directory: " + (bad / "bin").string() + " for torvo binaries\n"),
              std::string::npos);
    if (usable) {
        EXPECT_NE(log.find("Using Torvo binaries located the directory the dll is located in.\n"), std::string::npos);
    } else {
        EXPECT_NE(log.find("No Torvo binaries found!\n"), std::string::npos);
    }
    // Either way the last candidate is the library's directory.
    EXPECT_EQ(found, module->parent_path());
}

TEST_F(Installation, OwnModuleIsTheFileHoldingTheCode)
{
    // The tests link the library's objects into their own program.
    const auto module = trv::platform::ownModuleFile();
    ASSERT_TRUE(module);
    EXPECT_EQ(*module, fs::read_symlink("/proc/self/exe"));
}

#include <dlfcn.h>

namespace {

// Loads a copy of the library from the directory, creates and destroys a manager with it and
// returns what the copy logged. The copy stays loaded: it keeps its logs for the life of the
// process, as the library does.
std::string logOfLibraryCopyIn(const fs::path& home, const fs::path& scratch)
{
    fs::copy_file(TORVO_LIBRARY_PATH, home / "libtorvo32.so");
    void* library = ::dlopen((home / "libtorvo32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << ::dlerror();
    if (!library)
        return {};
    using SetLogTarget = TRVStatus (*)(int32_t, int32_t, const void*);
    using CreateManager = TRVStatus (*)(int32_t, const void*, int32_t, TorvoManager*);
    using DestroyManager = TRVStatus (*)(TorvoManager);
    auto setLogTarget = reinterpret_cast<SetLogTarget>(::dlsym(library, "TRVSetLogTargetImp"));
    auto create = reinterpret_cast<CreateManager>(::dlsym(library, "TRVCreateManagerImp"));
    auto destroy = reinterpret_cast<DestroyManager>(::dlsym(library, "TRVDestroyManager"));
    EXPECT_TRUE(setLogTarget && create && destroy);
    if (!setLogTarget || !create || !destroy)
        return {};
    const fs::path log = home / "library.log";
    EXPECT_EQ(setLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, log.c_str()), 0);
    TorvoManager manager = nullptr;
    EXPECT_EQ(create(TRV_INTERFACE_VERSION, (scratch / "cache").c_str(), 0, &manager), 0);
    destroy(manager);
    return testfiles::readFile(log);
}

}  // namespace

TEST_F(Installation, InstalledLibraryFindsBinariesInItsOwnFolder)
{
    // The installed layout: lib/libtorvo32.so with the executables in lib/torvo32/. Executables
    // right beside the library still come first.
    struct Case {
        const char* name;
        bool beside;
        bool inFolder;
        const char* expected;
    };
    const Case cases[] = {
        {"installed", false, true, "Using Torvo binaries installed beside the library in "},
        {"both", true, true, "Using Torvo binaries located the directory the dll is located in."},
        {"neither", false, false, "No Torvo binaries found!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path lib = directoryWith(std::string(c.name) + "/lib", {});
        if (c.beside)
            std::ofstream(lib / "thetorvo.exe") << "exe";
        if (c.inFolder)
            directoryWith(std::string(c.name) + "/lib/torvo32", {"thetorvo.exe"});
        const std::string text = logOfLibraryCopyIn(lib, dir_ / c.name);
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        if (std::string(c.name) == "installed") {
            EXPECT_NE(text.find(c.expected + fs::canonical(lib / "torvo32").string() + "."), std::string::npos)
                << text;
        }
    }
}

TEST_F(Installation, SharedLibraryFindsBinariesBesideItself)
{
    // A copy of the library with a renderer beside it, loaded on its own.
    const fs::path home = directoryWith("home", {"thetorvo.exe"});
    fs::copy_file(TORVO_LIBRARY_PATH, home / "libtorvo32.so");
    void* library = ::dlopen((home / "libtorvo32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    using SetLogTarget = TRVStatus (*)(int32_t, int32_t, const void*);
    using CreateManager = TRVStatus (*)(int32_t, const void*, int32_t, TorvoManager*);
    using DestroyManager = TRVStatus (*)(TorvoManager);
    auto setLogTarget = reinterpret_cast<SetLogTarget>(::dlsym(library, "TRVSetLogTargetImp"));
    auto create = reinterpret_cast<CreateManager>(::dlsym(library, "TRVCreateManagerImp"));
    auto destroy = reinterpret_cast<DestroyManager>(::dlsym(library, "TRVDestroyManager"));
    ASSERT_TRUE(setLogTarget && create && destroy);
    const fs::path log = dir_ / "library.log";
    ASSERT_EQ(setLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, log.c_str()), 0);
    TorvoManager manager = nullptr;
    EXPECT_EQ(create(TRV_INTERFACE_VERSION, (dir_ / "cache").c_str(), 0, &manager), 0);
    destroy(manager);
    // Not unloaded: the copy keeps its logs for the life of the process, as the library does.
    const std::string text = testfiles::readFile(log);
    EXPECT_NE(text.find("Using Torvo binaries located the directory the dll is located in."), std::string::npos)
        << text;
}
