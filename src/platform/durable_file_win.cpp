#include "platform/durable_file.h"

#include "platform/utf8_win.h"

#include <windows.h>

#include <string>

namespace {

bool writeAll(HANDLE file, const char* data, size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

namespace DurableFile {

bool append(const std::string& path, const std::string& header, const std::string& data)
{
    const std::wstring wide = WidenUtf8(path);
    if (wide.empty())
        return false;
    bool created = false;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        created = file != INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Only a file on a disk is the log; a device or pipe of that name is not written to.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return false;
    }

    LARGE_INTEGER previous;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    if (!GetFileSizeEx(file, &previous) || !SetFilePointerEx(file, zero, nullptr, FILE_END)) {
        CloseHandle(file);
        return false;
    }
    const std::string bytes = previous.QuadPart == 0 ? header + data : data;

    const bool ok = writeAll(file, bytes.data(), bytes.size()) && FlushFileBuffers(file);
    if (ok) {
        CloseHandle(file);
        return true;
    }
    if (created) {
        CloseHandle(file);
        DeleteFileW(wide.c_str());
        return false;
    }
    if (SetFilePointerEx(file, previous, nullptr, FILE_BEGIN) && SetEndOfFile(file))
        FlushFileBuffers(file);
    CloseHandle(file);
    return false;
}

bool publishNew(const std::string& from, const std::string& to, bool& exists)
{
    exists = false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    if (MoveFileExW(WidenUtf8(from).c_str(), WidenUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    return false;
}

bool replace(const std::string& path, const std::string& data)
{
    const std::wstring wide = WidenUtf8(path);
    if (wide.empty())
        return false;
    const std::wstring temp = wide + L".new";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = writeAll(file, data.data(), data.size()) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!written ||
        !MoveFileExW(temp.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

} // namespace DurableFile
