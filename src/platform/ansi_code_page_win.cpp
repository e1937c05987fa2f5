#include "platform/ansi_code_page_win.h"

#include <windows.h>

#include <climits>

namespace AnsiCodePage {

unsigned current()
{
    return GetACP();
}

std::string fromWide(const wchar_t* text, size_t length)
{
    if (length == 0 || length > INT_MAX)
        return std::string();
    const int count = static_cast<int>(length);
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring toWide(const char* bytes, size_t length)
{
    if (length == 0 || length > INT_MAX)
        return std::wstring();
    const int count = static_cast<int>(length);
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes, count, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, count, &out[0], size);
    return out;
}

} // namespace AnsiCodePage
