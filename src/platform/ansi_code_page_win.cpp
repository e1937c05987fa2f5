#include "platform/ansi_code_page_win.h"

#include <windows.h>

#include <climits>

namespace AnsiCodePage {

unsigned current()
{
    return GetACP();
}

namespace {

bool isHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string fromWide(const wchar_t* text, size_t length)
{
    if (length == 0 || length > INT_MAX)
        return std::string();
    // A character beyond the 16-bit range (an emoji) comes as two UTF-16 units, which the system
    // would turn into two "?". No ANSI code page holds such a character, so it becomes one "?".
    std::wstring units;
    for (size_t i = 0; i + 1 < length; ++i) {
        if (isHighSurrogate(text[i]) && isLowSurrogate(text[i + 1])) {
            units.reserve(length);
            for (size_t k = 0; k < length; ++k) {
                const bool pair = k + 1 < length && isHighSurrogate(text[k]) && isLowSurrogate(text[k + 1]);
                units += pair ? L'?' : text[k];
                k += pair ? 1 : 0;
            }
            text = units.data();
            length = units.size();
            break;
        }
    }
    const int count = static_cast<int>(length);
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int size = WideCharToMultiByte(CP_ACP, flags, text, count, nullptr, 0, nullptr, nullptr);
    // Code pages without look-alikes (UTF-8 as the system code page, among others) refuse the flag.
    if (size <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        size = WideCharToMultiByte(CP_ACP, flags, text, count, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text, count, &out[0], size, nullptr, nullptr);
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
