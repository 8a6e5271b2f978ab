// The frame every exported function runs in: handle checks, the call of one operation,
// the out-handle rule and the catch-all that turns every exception into status 10.
//
//   TRV_FUNC(TRVStatus) TRVEndMesh(TorvoMesh mesh)
//   { return trv::frame([&](auto& m) { return m.endMesh(); }, mesh); }
#pragma once

#include "core/Checks.h"
#include "core/Handles.h"
#include "core/Log.h"
#include "core/Status.h"

#include <string>

namespace trv {

// "Invalid <kind> Handle: " + the handle as the platform's pointer format prints it.
void logInvalidHandle(const char* kind, const void* handle) noexcept;
// The frame's last resort: logs "Unhandled Exception: ..." of the exception in flight.
TRVStatus unhandledException() noexcept;

template <class Handle>
bool handleValid(Handle handle)
{
    if (handle != nullptr)
        return true;
    logInvalidHandle(HandleTraits<Handle>::kind, handle);
    return false;
}

// Checks the handles in the given order, then calls body with a reference to each object.
template <class Body, class... Handles>
TRVStatus frame(Body&& body, Handles... handles) noexcept
{
    try {
        if (!(handleValid(handles) && ...))
            return Status::InvalidHandle;
        return body(*objectOf(handles)...);
    } catch (...) {
        return unhandledException();
    }
}

// The frame of functions that hand out a new or found object: body receives the objects and a
// local out variable; the caller's out handle receives it on success and null otherwise.
template <class Out, class Body, class... Handles>
TRVStatus frameOut(Out* out, Body&& body, Handles... handles) noexcept
{
    return frame(
        [&](auto&... objects) {
            typename HandleTraits<Out>::Stub* local = nullptr;
            const TRVStatus status = body(objects..., local);
            if (out)
                *out = status == Status::Success ? handleOf<Out>(local) : nullptr;
            return status;
        },
        handles...);
}

// The frame of a function whose operation this build does not provide yet.
template <class... Handles>
TRVStatus notImplemented(Handles... handles) noexcept
{
    return frame([](auto&...) { return TRVStatus(Status::NotImplemented); }, handles...);
}

// Caller text converted by the chosen encoding (Text.h); named for use inside frame bodies.
std::string text(const void* callerText);


}  // namespace trv
