#include "api/Frame.h"

#include "api/Log.h"
#include "api/Text.h"

#include <cstdint>
#include <exception>

namespace trv {

const char* statusText(TRVStatus status)
{
    static const char* const texts[] = {"Success",
                                        "Invalid parameter",
                                        "Memory allocation",
                                        "Duplicate name",
                                        "Function not implemented",
                                        "Invalid object state",
                                        "Invalid handle",
                                        "File IO error",
                                        "Unknown object",
                                        "Not supported",
                                        "Unhandled exception",
                                        "Job Execution Failure",
                                        "Atlasing Failure"};
    if (status < 0 || status >= static_cast<TRVStatus>(sizeof texts / sizeof texts[0]))
        return nullptr;
    return texts[status];
}

std::string formatPointer(const void* pointer)
{
    static const char digits[] = "0123456789ABCDEF";
    auto value = reinterpret_cast<std::uintptr_t>(pointer);
    std::string text(sizeof(void*) * 2, '0');
    for (size_t i = text.size(); i-- > 0; value >>= 4)
        text[i] = digits[value & 0xF];
    return text;
}

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

bool checkNotNull(const char* name, const void* pointer)
{
    if (pointer != nullptr)
        return true;
    errorStream() << "Parameter " << name << " must not be NULL." << std::endl;
    return false;
}

}  // namespace trv
