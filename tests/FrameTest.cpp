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

// The host-visible text of a string object.
std::string textOf(TorvoString string)
{
    int32_t length = -1;
    EXPECT_EQ(TRVGetLength(string, &length), 0);
    std::string buffer(static_cast<size_t>(length > 0 ? length : 1), '\0');
    EXPECT_EQ(TRVCopy(string, buffer.data(), length), 0);
    return std::string(buffer.c_str());
}

TEST(Frame, ErrorTextsAndTheLastErrorComeBackAsStrings)
{
    // The texts hosts show for each status, as they are documented.
    const struct {
        TRVStatus status;
        const char* text;
    } documented[] = {{TRV_SUCCESS, "Success"},
                      {TRV_INVALID_PARAMETER, "Invalid parameter"},
                      {TRV_MEMORY_ALLOCATION, "Memory allocation"},
                      {TRV_DUPLICATE_NAME, "Duplicate name"},
                      {TRV_NOT_IMPLEMENTED, "Function not implemented"},
                      {TRV_INVALID_OBJECT_STATE, "Invalid object state"},
                      {TRV_INVALID_HANDLE, "Invalid handle"},
                      {TRV_FILE_IO_ERROR, "File IO error"},
                      {TRV_UNKNOWN_OBJECT, "Unknown object"},
                      {TRV_NOT_SUPPORTED, "Not supported"},
                      {TRV_UNHANDLED_EXCEPTION, "Unhandled exception"},
                      {TRV_JOB_EXECUTION_FAILURE, "Job Execution Failure"},
                      {TRV_ATLASING_FAILURE, "Atlasing Failure"}};
    for (const auto& entry : documented) {
        TorvoString text = nullptr;
        ASSERT_EQ(TRVErrorToString(entry.status, &text), 0) << entry.status;
        EXPECT_EQ(textOf(text), entry.text) << entry.status;
        EXPECT_EQ(TRVReleaseString(text), 0);
    }
    // Codes outside the table: refused, with a null string.
    for (const TRVStatus code : {13, -1}) {
        TorvoString text = reinterpret_cast<TorvoString>(0x42);
        EXPECT_EQ(TRVErrorToString(code, &text), 1) << code;
        EXPECT_EQ(text, nullptr) << code;
    }

    // A thread that never logged an error gets the empty text; after one, that line, which calls
    // that succeed afterwards leave in place.
    std::thread([] {
        TorvoString last = nullptr;
        ASSERT_EQ(TRVGetExtendErrorInformation(&last), 0);
        EXPECT_EQ(textOf(last), "");
        TRVReleaseString(last);

        TRVEndTexture(nullptr);
        EXPECT_EQ(TRVDumpMemoryStats(), 0);
        TorvoString kept = nullptr;
        EXPECT_EQ(TRVErrorToString(TRV_SUCCESS, &kept), 0);
        TRVReleaseString(kept);
        ASSERT_EQ(TRVGetExtendErrorInformation(&last), 0);
        EXPECT_EQ(textOf(last), "Invalid TorvoTexture Handle: " + nullHandle + "\n");
        TRVReleaseString(last);
    }).join();
}

}  // namespace
