// Conversions between the caller's text, the library's UTF-8 byte strings and file-system paths.
#pragma once

#include "torvo.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace trv {

class FSTorvoString;

// The process-wide string encoding chosen by the host (0 until chosen).
int32_t stringEncoding();
// Records the encoding on the first call; later calls return 0 for the same value, else 5.
[[nodiscard]] TRVStatus chooseStringEncoding(int32_t encoding);

// Caller text (in the chosen encoding, zero-terminated) to a UTF-8 byte string; null is "".
std::string fromCaller(const void* text);
// A UTF-8 byte string to a string object of the chosen encoding.
std::unique_ptr<FSTorvoString> makeString(const std::string& text);
// UTF-8 byte string to a file-system path, and back.
std::filesystem::path toWide(const std::string& text);
std::string toBytes(const std::filesystem::path& path);

// Exact UTF conversions; they throw the UTF library's exceptions on invalid input.
std::u16string utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const std::u16string& text);

}  // namespace trv
