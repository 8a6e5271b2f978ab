#include "core/Checks.h"

#include <cstdint>

namespace trv {

std::string formatPointer(const void* pointer)
{
    static const char digits[] = "0123456789ABCDEF";
    constexpr unsigned bitsPerDigit = 4;
    constexpr std::uintptr_t digitMask = 0xF;
    auto value = reinterpret_cast<std::uintptr_t>(pointer);
    std::string text(sizeof(void*) * 2, '0');
    for (size_t i = text.size(); i-- > 0; value >>= bitsPerDigit)
        text[i] = digits[value & digitMask];
    return text;
}

bool checkNotNull(const char* name, const void* pointer)
{
    if (pointer != nullptr)
        return true;
    errorStream() << "Parameter " << name << " must not be NULL." << std::endl;
    return false;
}

}  // namespace trv
