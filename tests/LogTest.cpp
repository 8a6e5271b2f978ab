// Log targets, the CR LF line ends of the devices, and the per-thread error record.
#include "ChildProcess.h"

#include "TestFiles.h"

#include "core/Log.h"
#include "torvo.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using testfiles::readFile;

namespace {

class LogTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        TRVSetLogTarget(0, 0, nullptr);
        TRVSetLogTarget(1, 0, nullptr);
    }
    testfiles::TestDirectory dir_{"log"};
};

TEST_F(LogTest, BadTargetsAreRefused)
{
    EXPECT_EQ(TRVSetLogTarget(2, 0, nullptr), 1);
    EXPECT_EQ(TRVSetLogTarget(-1, 0, nullptr), 1);
    EXPECT_EQ(TRVSetLogTarget(0, 3, ""), 1);
    EXPECT_EQ(TRVSetLogTarget(0, 3, nullptr), 1);
    EXPECT_EQ(TRVSetLogTarget(0, 5, nullptr), 1);
    EXPECT_EQ(TRVSetLogTarget(0, 3, (dir_ / "missing" / "log.txt").c_str()), 1);
}

TEST_F(LogTest, AnUnknownTargetKindIsRefusedWithoutReplacingTheTarget)
{
    const fs::path log = dir_ / "kept.log";
    ASSERT_EQ(TRVSetLogTarget(0, 3, log.c_str()), 0);
    EXPECT_EQ(TRVSetLogTarget(0, 5, nullptr), 1);
    EXPECT_EQ(TRVSetLogTarget(0, -1, nullptr), 1);
    // Threads that exist already and threads started afterwards still write to the file.
    TRVEndMesh(nullptr);
    std::thread([] { TRVEndTexture(nullptr); }).join();
    EXPECT_EQ(readFile(log), "Invalid TorvoMesh Handle: 0000000000000000\r\n"
                             "Invalid TorvoTexture Handle: 0000000000000000\r\n");
}

TEST_F(LogTest, AFileThatCannotBeOpenedYetIsTriedAgainByLaterThreads)
{
    const fs::path log = dir_ / "later" / "errors.log";
    EXPECT_EQ(TRVSetLogTarget(0, 3, log.c_str()), 1);
    TRVEndMesh(nullptr);
    fs::create_directories(log.parent_path());
    std::thread([] { TRVEndTexture(nullptr); }).join();
    EXPECT_EQ(readFile(log), "Invalid TorvoTexture Handle: 0000000000000000\r\n");
}

TEST_F(LogTest, FileTargetAppendsLinesEndingInCarriageReturnLineFeed)
{
    const fs::path log = dir_ / "errors.log";
    std::ofstream(log, std::ios::binary) << "earlier\n";
    ASSERT_EQ(TRVSetLogTarget(0, 3, log.c_str()), 0);
    TRVEndMesh(nullptr);
    TRVEndTexture(nullptr);
    EXPECT_EQ(readFile(log), "earlier\n"
                             "Invalid TorvoMesh Handle: 0000000000000000\r\n"
                             "Invalid TorvoTexture Handle: 0000000000000000\r\n");
    // The record holds only the most recent message, with a bare line feed.
    EXPECT_EQ(trv::lastError(), "Invalid TorvoTexture Handle: 0000000000000000\n");
}

TEST_F(LogTest, SwitchingTheTargetOffStopsWritingToTheFile)
{
    const fs::path log = dir_ / "info.log";
    ASSERT_EQ(TRVSetLogTarget(1, 3, log.c_str()), 0);
    trv::infoStream() << "first" << std::endl;
    ASSERT_EQ(TRVSetLogTarget(1, 0, nullptr), 0);
    trv::infoStream() << "second" << std::endl;
    EXPECT_EQ(readFile(log), "first\r\n");
    // Error lines never reach the information log.
    ASSERT_EQ(TRVSetLogTarget(1, 3, log.c_str()), 0);
    TRVEndMesh(nullptr);
    EXPECT_EQ(readFile(log), "first\r\n");
}

TEST_F(LogTest, StandardOutputReceivesWholeLines)
{
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(TRVSetLogTarget(1, 1, nullptr), 0);
    trv::infoStream() << "Found cached mesh: " << 42 << "." << std::endl;
    TRVSetLogTarget(1, 0, nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Found cached mesh: 42.\r\n");
}

TEST_F(LogTest, EachThreadKeepsItsOwnErrorRecordAndEveryThreadFollowsTheTarget)
{
    const fs::path log = dir_ / "threads.log";
    std::thread early([] { TRVEndMesh(nullptr); });  // has a stream set before the target is set
    early.join();
    ASSERT_EQ(TRVSetLogTarget(0, 3, log.c_str()), 0);

    TRVEndTexture(nullptr);
    std::string otherRecord;
    std::thread late([&] {
        TRVEndScene(nullptr);
        otherRecord = trv::lastError();
    });
    late.join();
    std::thread again([] { TRVEndPointCloud(nullptr); });  // started after the target was set
    again.join();

    EXPECT_EQ(trv::lastError(), "Invalid TorvoTexture Handle: 0000000000000000\n");
    EXPECT_EQ(otherRecord, "Invalid TorvoScene Handle: 0000000000000000\n");
    EXPECT_EQ(readFile(log), "Invalid TorvoTexture Handle: 0000000000000000\r\n"
                             "Invalid TorvoScene Handle: 0000000000000000\r\n"
                             "Invalid TorvoPointCloud Handle: 0000000000000000\r\n");
}

TEST_F(LogTest, MessagesWithoutALineEndAreCompletedByTheNextPiece)
{
    trv::errorStream() << "first part" << std::flush;
    trv::errorStream() << " and the rest" << std::endl;
    EXPECT_EQ(trv::lastError(), "first part and the rest\n");
    trv::errorStream() << "next" << std::endl;
    EXPECT_EQ(trv::lastError(), "next\n");
}

}  // namespace

namespace {

TEST_F(LogTest, AFailingDeviceNeitherStopsTheErrorRecordNorLaterLines)
{
    // A device that refuses every write: the record still follows each message.
    ASSERT_EQ(TRVSetLogTarget(0, 3, "/dev/full"), 0);
    TRVEndMesh(nullptr);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoMesh Handle: 0000000000000000\n");
    TRVEndTexture(nullptr);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoTexture Handle: 0000000000000000\n");

    // A file that stops growing part way: what fails is lost, the stream goes on writing.
    const fs::path log = dir_ / "limited.log";
    ASSERT_EQ(TRVSetLogTarget(0, 3, log.c_str()), 0);
    TRVEndMesh(nullptr);
    const std::string first = readFile(log);
    {
        testfiles::FileSizeLimit limit(first.size() + 10);
        TRVEndScene(nullptr);
        EXPECT_EQ(trv::lastError(), "Invalid TorvoScene Handle: 0000000000000000\n");
    }
    TRVEndTexture(nullptr);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoTexture Handle: 0000000000000000\n");
    const std::string text = readFile(log);
    const std::string last = "Invalid TorvoTexture Handle: 0000000000000000\r\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(LogTest, LogFilesAreNotPassedOnToStartedPrograms)
{
    const fs::path log = dir_ / "kept.log";
    ASSERT_EQ(TRVSetLogTarget(1, 3, log.c_str()), 0);
    bool seen = false;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec) != log)
            continue;
        seen = true;
        const int flags = ::fcntl(std::stoi(entry.path().filename().string()), F_GETFD);
        EXPECT_NE(flags & FD_CLOEXEC, 0);
    }
    EXPECT_TRUE(seen);
}

}  // namespace

namespace {

TEST(LogRecord, ANewThreadStartsWithAnEmptyRecordEvenWhenItTakesTheIdOfAnEndedOne)
{
    for (int round = 0; round < 20; ++round) {
        std::thread([] { TRVEndMesh(nullptr); }).join();
        std::string record = "unset";
        std::thread([&] { record = trv::lastError(); }).join();
        EXPECT_EQ(record, "") << "round " << round;
    }
}

}  // namespace
