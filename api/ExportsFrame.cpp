// Exported functions of the frame itself: errors, encodings, logs, strings, manager lifetime.
#include "api/Frame.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/TorvoString.h"
#include "manager/FSTorvoManager.h"

#include <ImfHeader.h>

#include <memory>
#include <mutex>
#include <new>

using namespace trv;

namespace {

// Hands a string object to the caller; never lets a failure escape.
TRVStatus handOutString(const std::string& text, TorvoString* out) noexcept
{
    try {
        std::unique_ptr<FSTorvoString> string = makeString(text);
        if (out)
            *out = handleOf<TorvoString>(string.release());
        return Status::Success;
    } catch (...) {
        if (out)
            *out = nullptr;
        return unhandledException();
    }
}

}  // namespace

TRV_FUNC(TRVStatus) TRVErrorToString(TRVStatus status, TorvoString* outString)
{
    const char* text = statusText(status);
    if (text == nullptr) {
        if (outString)
            *outString = nullptr;
        return Status::InvalidParameter;
    }
    return handOutString(text, outString);
}

TRV_FUNC(TRVStatus) TRVGetExtendErrorInformation(TorvoString* outString)
{
    std::string last;
    try {
        last = lastError();
    } catch (...) {
        // No record could be made for this thread: report the empty text.
    }
    return handOutString(last, outString);
}

TRV_FUNC(TRVStatus) TRVSetStringEncodingImp(TRVStringEncoding encoding)
{
    try {
        static std::once_flag openExrReady;
        std::call_once(openExrReady, [] { Imf::staticInitialize(); });
        return chooseStringEncoding(encoding);
    } catch (...) {
        return Status::UnhandledException;
    }
}

TRV_FUNC(TRVStatus) TRVCreateManagerImp(int32_t interfaceVersion, const void* cacheDirectory, int32_t cacheScope,
                                        TorvoManager* outManager)
{
    if (interfaceVersion != TRV_INTERFACE_VERSION) {
        try {
            errorStream() << "Incompatible interface version. Header: " << interfaceVersion
                          << ", dll version: " << TRV_INTERFACE_VERSION << std::endl;
        } catch (...) {
        }
        return Status::InvalidParameter;
    }
    return frame([&] {
        const std::filesystem::path directory = toWide(text(cacheDirectory));
        std::unique_ptr<FSTorvoManager> manager(new (std::nothrow) FSTorvoManager());
        if (!manager) {
            errorStream() << "Failed to allocate TorvoManager" << std::endl;
            if (outManager)
                *outManager = nullptr;
            return TRVStatus(Status::MemoryAllocation);
        }
        const TRVStatus status = manager->initialize(directory, cacheScope);
        // The caller owns the manager from here on, also when initialisation failed.
        if (outManager)
            *outManager = handleOf<TorvoManager>(manager.release());
        return status;
    });
}

TRV_FUNC(TRVStatus) TRVDestroyManager(TorvoManager manager)
{
    return frame([](TorvoManagerStub& m) { delete &m; return TRVStatus(Status::Success); }, manager);
}

TRV_FUNC(TRVStatus) TRVDumpMemoryStats(void)
{
    return Status::Success;
}

TRV_FUNC(TRVStatus) TRVSetLogTargetImp(int32_t logKind, int32_t targetKind, const void* fileName)
{
    try {
        return setLogTarget(logKind, targetKind, fromCaller(fileName));
    } catch (...) {
        return Status::UnhandledException;
    }
}

TRV_FUNC(TRVStatus) TRVGetLength(TorvoString string, int32_t* outLength)
{
    return frame([&](TorvoStringStub& s) { return s.getLength(outLength); }, string);
}

TRV_FUNC(TRVStatus) TRVCopy(TorvoString string, void* target, int32_t capacity)
{
    return frame([&](TorvoStringStub& s) { return s.copy(target, capacity); }, string);
}

TRV_FUNC(TRVStatus) TRVReleaseString(TorvoString string)
{
    return frame([](TorvoStringStub& s) { delete &s; return TRVStatus(Status::Success); }, string);
}
