#include "api/Frame.h"

#include "core/Log.h"
#include "core/Text.h"

#include <exception>

namespace trv {

void logInvalidHandle(const char* kind, const void* handle) noexcept
{
    try {
        errorStream() << "Invalid " << kind << " Handle: " << formatPointer(handle) << std::endl;
    } catch (...) {
        // Nothing left to report to; the status still tells the caller.
    }
}

TRVStatus unhandledException() noexcept
{
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            errorStream() << "Unhandled Exception: " << e.what() << std::endl;
        } catch (...) {
            errorStream() << "Unhandled Exception." << std::endl;
        }
    } catch (...) {
    }
    return Status::UnhandledException;
}

std::string text(const void* callerText)
{
    return fromCaller(callerText);
}

}  // namespace trv
