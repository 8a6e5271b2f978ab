// The operating-system facilities the library needs, behind one small interface.
// Only the implementation files under platform/ include OS headers.
#pragma once

#include <optional>
#include <string>

namespace trv::platform {

// Text in the process's 8-bit code page (on POSIX: the codeset of the environment's locale).
// ansiToUtf16 gives nullopt when the system cannot convert the text.
std::optional<std::u16string> ansiToUtf16(const std::string& ansi);
// Characters the code page lacks become a space and set usedDefault.
std::optional<std::string> utf16ToAnsi(const std::u16string& text, bool& usedDefault);

// Passes one zero-terminated piece of text to the platform's debugger output.
void debugOutput(const char* text);

// Opens a log file by its 8-bit name for appending, creating it when missing; other processes
// may read and write it meanwhile. The descriptor is not inherited by programs the library
// starts. Gives -1 when the file cannot be opened.
int openLogFile(const std::string& name);

}  // namespace trv::platform
