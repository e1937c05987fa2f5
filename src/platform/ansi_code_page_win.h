#pragma once

// The system's ANSI code page, through the Windows API alone. No Qt, so that the Windows test can
// run the very conversion that the program's texts take on their way to files and HAMLOG.

#include <string>

namespace AnsiCodePage {

// The code page number (932 on a Japanese system).
unsigned current();

// UTF-16 to the ANSI code page. A character the code page cannot hold becomes "?": no look-alike
// is put in its place, so that "¥" never turns into a path separator and "é" never into a silent "e".
std::string fromWide(const wchar_t* text, size_t length);

// The ANSI code page to UTF-16, as the system decodes it.
std::wstring toWide(const char* bytes, size_t length);

} // namespace AnsiCodePage
