// The frame every export runs in: handle checks, out handles, exceptions, parameter checks.
#include "FakeStubs.h"

#include "api/Frame.h"
#include "core/Log.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

using trvtest::FakeManager;
using trvtest::FakeTexture;

namespace {

const std::string nullHandle = "0000000000000000";

TEST(Frame, NullHandlesAreRefusedWithTheirKindAndLeaveOutArgumentsAlone)
{
    EXPECT_EQ(TRVEndMesh(nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoMesh Handle: " + nullHandle + "\n");

    TorvoMesh mesh = reinterpret_cast<TorvoMesh>(0x42);
    EXPECT_EQ(TRVBeginMesh(nullptr, "name", &mesh), 6);
    EXPECT_EQ(mesh, reinterpret_cast<TorvoMesh>(0x42));
    EXPECT_EQ(trv::lastError(), "Invalid TorvoManager Handle: " + nullHandle + "\n");

    EXPECT_EQ(TRVReleaseString(nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoString Handle: " + nullHandle + "\n");
    EXPECT_EQ(TRVGetChannelCount(nullptr, nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoFramebuffer Handle: " + nullHandle + "\n");
}

TEST(Frame, HandlesAreCheckedInTheirStatedOrder)
{
    // The manager comes first, then the scene.
    EXPECT_EQ(TRVCreateJob(nullptr, "job", nullptr, "config.xml", nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoManager Handle: " + nullHandle + "\n");
    FakeManager manager;
    TorvoJob job = reinterpret_cast<TorvoJob>(0x42);
    EXPECT_EQ(TRVCreateJob(manager.handle(), "job", nullptr, "config.xml", &job), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoScene Handle: " + nullHandle + "\n");
    EXPECT_EQ(job, reinterpret_cast<TorvoJob>(0x42));

    // A baked instance is checked before its target.
    EXPECT_EQ(TRVAddBakeInstance(nullptr, nullptr, nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoInstance Handle: " + nullHandle + "\n");
}

TEST(Frame, HandlesPrintAsUpperCaseHexadecimalWithEveryDigitOfAPointer)
{
    EXPECT_EQ(trv::formatPointer(nullptr), nullHandle);
    EXPECT_EQ(trv::formatPointer(reinterpret_cast<void*>(0xABCDEF12)), "00000000ABCDEF12");
}

TEST(Frame, OutHandleIsWrittenOnSuccessAndNulledOnFailure)
{
    FakeManager manager;
    TorvoMesh mesh = nullptr;
    EXPECT_EQ(TRVBeginMesh(manager.handle(), "box", &mesh), 0);
    EXPECT_EQ(mesh, reinterpret_cast<TorvoMesh>(0x1234));
    EXPECT_EQ(manager.texts, std::vector<std::string>{"box"});

    manager.action = [] { return TRVStatus(3); };
    EXPECT_EQ(TRVBeginMesh(manager.handle(), "box", &mesh), 3);
    EXPECT_EQ(mesh, nullptr);

    // A null out pointer is tolerated.
    manager.action = [] { return TRVStatus(0); };
    EXPECT_EQ(TRVBeginMesh(manager.handle(), "box", nullptr), 0);
}

TEST(Frame, ExceptionsBecomeStatusTenWithTheirMessageAndLeaveOutAlone)
{
    FakeManager manager;
    TorvoMesh mesh = reinterpret_cast<TorvoMesh>(0x42);

    manager.action = []() -> TRVStatus { throw std::runtime_error("disk on fire"); };
    EXPECT_EQ(TRVBeginMesh(manager.handle(), "box", &mesh), 10);
    EXPECT_EQ(trv::lastError(), "Unhandled Exception: disk on fire\n");
    EXPECT_EQ(mesh, reinterpret_cast<TorvoMesh>(0x42));

    manager.action = []() -> TRVStatus { throw 17; };
    EXPECT_EQ(TRVClearCache(manager.handle()), 10);
    EXPECT_EQ(trv::lastError(), "Unhandled Exception.\n");

    manager.action = []() -> TRVStatus { throw std::bad_alloc(); };
    EXPECT_EQ(TRVClearCache(manager.handle()), 10);
    EXPECT_EQ(trv::lastError(), "Unhandled Exception: std::bad_alloc\n");
}

TEST(Frame, TheLaterOfTwoTextsIsConvertedFirst)
{
    FakeManager manager;
    EXPECT_EQ(TRVReferenceTexture(manager.handle(), "name", "path/a.png", nullptr), 0);
    EXPECT_EQ(manager.texts, (std::vector<std::string>{"name", "path/a.png"}));
    // A null text is the empty string.
    EXPECT_EQ(TRVCreateJob(manager.handle(), nullptr, reinterpret_cast<TorvoScene>(0x8), nullptr, nullptr), 0);
    EXPECT_EQ(manager.texts, (std::vector<std::string>{"", ""}));
}

TEST(Frame, ParameterChecksRefuseBeforeTheOperationRuns)
{
    FakeTexture texture;
    const float pixel[4] = {};
    EXPECT_EQ(TRVAddPixelDataHDR(texture.handle(), pixel, 0), 1);
    EXPECT_EQ(trv::lastError(), "Parameter Pixel Count must be above 0, was 0.\n");
    EXPECT_EQ(TRVAddPixelDataLDR(texture.handle(), nullptr, -3), 1);
    EXPECT_EQ(trv::lastError(), "Parameter Pixel Count must be above 0, was -3.\n");
    EXPECT_EQ(TRVAddPixelDataLDR(texture.handle(), nullptr, 1), 1);
    EXPECT_EQ(trv::lastError(), "Parameter Pixel Data must not be NULL.\n");
    EXPECT_EQ(texture.calls, 0);
    EXPECT_EQ(TRVAddPixelDataHDR(texture.handle(), pixel, 1), 0);
    EXPECT_EQ(texture.calls, 1);

    EXPECT_EQ(TRVSetShadowSamples(reinterpret_cast<TorvoLightSource>(0x8), 0), 1);
    EXPECT_EQ(trv::lastError(), "Parameter Shadow samples must be above 0, was 0.\n");
}

TEST(Frame, ManagerCreationRefusesOtherInterfaceVersions)
{
    TorvoManager manager = reinterpret_cast<TorvoManager>(0x42);
    EXPECT_EQ(TRVCreateManagerImp(3, "cache", 0, &manager), 1);
    EXPECT_EQ(trv::lastError(), "Incompatible interface version. Header: 3, dll version: 4\n");
    EXPECT_EQ(manager, reinterpret_cast<TorvoManager>(0x42));
    EXPECT_EQ(TRVDestroyManager(nullptr), 6);
}

TEST(Frame, ErrorTextsAndTheLastErrorComeBackAsStrings)
{
    TorvoString text = reinterpret_cast<TorvoString>(0x42);
    EXPECT_EQ(TRVErrorToString(13, &text), 1);
    EXPECT_EQ(text, nullptr);
    text = reinterpret_cast<TorvoString>(0x42);
    EXPECT_EQ(TRVErrorToString(-1, &text), 1);
    EXPECT_EQ(text, nullptr);

    const char* expected[] = {"Success", "Invalid parameter", "Memory allocation", "Duplicate name",
                              "Function not implemented", "Invalid object state", "Invalid handle",
                              "File IO error", "Unknown object", "Not supported", "Unhandled exception",
                              "Job Execution Failure", "Atlasing Failure"};
    for (TRVStatus code = 0; code <= 12; ++code) {
        ASSERT_EQ(TRVErrorToString(code, &text), 0);
        char buffer[64] = {};
        ASSERT_EQ(TRVCopy(text, buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, expected[code]);
        EXPECT_EQ(TRVReleaseString(text), 0);
    }

    // A thread that never logged an error gets the empty text; after one, that line.
    std::thread([] {
        TorvoString last = nullptr;
        ASSERT_EQ(TRVGetExtendErrorInformation(&last), 0);
        int32_t length = -1;
        TRVGetLength(last, &length);
        EXPECT_EQ(length, 1);
        TRVReleaseString(last);

        TRVEndTexture(nullptr);
        ASSERT_EQ(TRVGetExtendErrorInformation(&last), 0);
        char buffer[128] = {};
        ASSERT_EQ(TRVCopy(last, buffer, sizeof buffer), 0);
        EXPECT_EQ(std::string(buffer), "Invalid TorvoTexture Handle: " + nullHandle + "\n");
        TRVReleaseString(last);
    }).join();

    EXPECT_EQ(TRVDumpMemoryStats(), 0);
}

TEST(Frame, FunctionsOfObjectsNotBuiltYetAnswerNotImplemented)
{
    EXPECT_EQ(TRVEnableSignedDistanceField(reinterpret_cast<TorvoRenderPass>(0x8), 1, 1.0f), 4);
}

}  // namespace
