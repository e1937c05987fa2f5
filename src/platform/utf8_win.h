#pragma once

// UTF-8 texts (the program hands paths over as UTF-8) to the UTF-16 the wide Windows API takes.
// Plain C++ and the Windows API only, no Qt.

#include <windows.h>

#include <string>

inline std::wstring WidenUtf8(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], size);
    return wide;
}
