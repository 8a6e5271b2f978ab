#include "core/Status.h"

#include <iterator>

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
    if (status < 0 || status >= static_cast<TRVStatus>(std::size(texts)))
        return nullptr;
    return texts[status];
}

}  // namespace trv
