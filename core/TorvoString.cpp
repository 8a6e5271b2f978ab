#include "core/TorvoString.h"

#include "core/Log.h"

#include <cstring>

namespace trv {
namespace {

[[nodiscard]] TRVStatus tooSmall(int32_t capacity, size_t length, const char* separator)
{
    errorStream() << "Target string is too small. Allocated size: " << capacity << " string length" << separator
                  << length << std::endl;
    return 1;
}

template <class Unit>
[[nodiscard]] TRVStatus copyUnits(const Unit* units, size_t count, void* target, int32_t capacity,
                                  const char* separator)
{
    if (target == nullptr || capacity < 0 || static_cast<size_t>(capacity) < count)
        return tooSmall(capacity, count, separator);
    std::memcpy(target, units, count * sizeof(Unit));
    return 0;
}

}  // namespace

TRVStatus FSTorvoStringUtf8::getLength(int32_t* length)
{
    if (length)
        *length = static_cast<int32_t>(text_.size() + 1);
    return 0;
}

TRVStatus FSTorvoStringUtf8::copy(void* target, int32_t capacity)
{
    if (target == nullptr || capacity < 0 || static_cast<size_t>(capacity) < text_.size() + 1)
        return tooSmall(capacity, text_.size(), " ");
    std::memcpy(target, text_.c_str(), text_.size() + 1);
    return 0;
}

TRVStatus FSTorvoStringUtf16::getLength(int32_t* length)
{
    if (length)
        *length = static_cast<int32_t>(units_.size());
    return 0;
}

TRVStatus FSTorvoStringUtf16::copy(void* target, int32_t capacity)
{
    return copyUnits(units_.data(), units_.size(), target, capacity, " ");
}

TRVStatus FSTorvoStringUtf32::getLength(int32_t* length)
{
    if (length)
        *length = static_cast<int32_t>(units_.size());
    return 0;
}

TRVStatus FSTorvoStringUtf32::copy(void* target, int32_t capacity)
{
    // This message has never had a blank before the number; hosts may parse it.
    return copyUnits(units_.data(), units_.size(), target, capacity, "");
}

}  // namespace trv
