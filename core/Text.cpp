#include "core/Text.h"

#include "core/Log.h"
#include "core/TorvoString.h"
#include "platform/Platform.h"

#include <utf8.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace trv {
namespace {

std::atomic<int32_t> g_encoding{0};
std::once_flag g_encodingChosen;

size_t unitsUntilZero(const char16_t* p)
{
    size_t n = 0;
    while (p[n] != 0)
        ++n;
    return n;
}

}  // namespace

int32_t stringEncoding()
{
    return g_encoding.load();
}

TRVStatus chooseStringEncoding(int32_t encoding)
{
    bool first = false;
    std::call_once(g_encodingChosen, [&] {
        g_encoding.store(encoding);
        first = true;
    });
    return first || g_encoding.load() == encoding ? 0 : 5;
}

std::u16string utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    utf8::utf8to16(text.begin(), text.end(), std::back_inserter(out));
    return out;
}

std::string utf16ToUtf8(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (auto it = text.begin(); it != text.end(); ++it) {
        uint32_t cp = static_cast<uint16_t>(*it);
        if (utf8::internal::is_lead_surrogate(cp)) {
            auto next = it + 1;
            if (next == text.end() || !utf8::internal::is_trail_surrogate(static_cast<uint16_t>(*next)))
                throw utf8::invalid_utf16(static_cast<utf8::uint16_t>(cp));
            cp = (cp << 10) + static_cast<uint16_t>(*next) + utf8::internal::SURROGATE_OFFSET;
            it = next;
        }
        // A trail surrogate without its lead stands for itself: a surrogate code point.
        if (utf8::internal::is_surrogate(cp) || cp == 0xFFFE || cp == 0xFFFF)
            throw utf8::invalid_code_point(cp);
        utf8::append(cp, std::back_inserter(out));  // throws invalid_code_point
    }
    return out;
}

std::string fromCaller(const void* text)
{
    if (text == nullptr)
        return std::string();
    switch (stringEncoding()) {
    case 0: {
        const auto utf16 = platform::ansiToUtf16(static_cast<const char*>(text));
        if (!utf16)
            throw std::runtime_error("Failed to convert ansi string to utf16");
        return utf16ToUtf8(*utf16);
    }
    case 1: {
        const char* bytes = static_cast<const char*>(text);
        const char* end = bytes + std::strlen(bytes);
        const char* invalid = utf8::find_invalid(bytes, end);
        if (invalid != end)
            throw utf8::invalid_utf8(static_cast<utf8::uint8_t>(*invalid));
        return std::string(bytes, end);
    }
    case 2: {
        const auto* units = static_cast<const char16_t*>(text);
        return utf16ToUtf8(std::u16string(units, unitsUntilZero(units)));
    }
    case 3:
        throw std::runtime_error("UTF32 currently not supported");
    default:
        throw std::runtime_error("Invalid String encoding");
    }
}

std::unique_ptr<FSTorvoString> makeString(const std::string& text)
{
    switch (stringEncoding()) {
    case 0: {
        bool usedDefault = false;
        const auto ansi = platform::utf16ToAnsi(utf8ToUtf16(text), usedDefault);
        if (!ansi)
            throw std::runtime_error("Failed to convert from utf16 to ansi");
        if (usedDefault)
            infoStream() << "Failed to properly convert utf16 to ansi" << std::endl;
        return std::make_unique<FSTorvoStringAnsi>(*ansi);
    }
    case 1:
        return std::make_unique<FSTorvoStringUtf8>(text);
    case 2:
        return std::make_unique<FSTorvoStringUtf16>(utf8ToUtf16(text));
    case 3: {
        std::u32string units;
        utf8::utf8to32(text.begin(), text.end(), std::back_inserter(units));
        return std::make_unique<FSTorvoStringUtf32>(std::move(units));
    }
    default:
        throw std::runtime_error("Invalid string encoding defined");
    }
}

std::filesystem::path toWide(const std::string& text)
{
    // POSIX paths are byte strings; the library keeps them in UTF-8.
    const auto invalid = utf8::find_invalid(text.begin(), text.end());
    if (invalid != text.end())
        throw utf8::invalid_utf8(static_cast<utf8::uint8_t>(*invalid));
    return std::filesystem::path(text);
}

std::string toBytes(const std::filesystem::path& path)
{
    std::string text = path.string();
    const auto invalid = utf8::find_invalid(text.begin(), text.end());
    if (invalid != text.end())
        throw utf8::invalid_utf8(static_cast<utf8::uint8_t>(*invalid));
    return text;
}

}  // namespace trv
