// Stands in for a partner program in the Windows test of the process watch. It is started the way
// the program starts a partner (no arguments), so everything it is told comes from the environment
// it inherits:
//   VELKOR_PARTNER_HOLD      the name of an event it waits for before anything else (at most a
//                            minute), so that the test decides when it ends
//   VELKOR_PARTNER_SLEEP_MS  how long it runs after that before it ends (default 0)
//   VELKOR_PARTNER_EXIT      the exit code it ends with, decimal (default 0; 259 included)
//   VELKOR_PARTNER_REPORT    a file it writes at its start, one line in UTF-8:
//                              <process id> <argument count> <current directory>
//                            so the test can see which process it is and how it was started.
//   VELKOR_PARTNER_SEND      "AFTER PORT EVERY FILE": AFTER milliseconds from its start (a real
//                            partner takes a while to come up), before its sleep, it sends each
//                            line of FILE as one UDP datagram to 127.0.0.1:PORT through Winsock,
//                            one every EVERY milliseconds, as a partner reports logged contacts

// Winsock 2 first: windows.h would bring in the older winsock.h.
#include <winsock2.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::wstring environment(const wchar_t* name)
{
    wchar_t value[1024];
    const DWORD size = GetEnvironmentVariableW(name, value, 1024);
    if (size == 0 || size >= 1024)
        return std::wstring();
    return std::wstring(value, size);
}

// The arguments after the program's own name, counted as the C runtime would split them.
int argumentCount()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments)
        LocalFree(arguments);
    return count - 1;
}

void report(const std::wstring& path)
{
    wchar_t directory[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, directory);
    const std::wstring line = std::to_wstring(GetCurrentProcessId()) + L" " +
                              std::to_wstring(argumentCount()) + L" " + std::wstring(directory, length) +
                              L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &utf8[0], size, nullptr,
                        nullptr);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

void send(const std::wstring& what)
{
    const wchar_t* rest = what.c_str();
    wchar_t* end = nullptr;
    const unsigned long after = std::wcstoul(rest, &end, 10);
    const unsigned long port = std::wcstoul(end, &end, 10);
    const unsigned long every = std::wcstoul(end, &end, 10);
    while (*end == L' ')
        ++end;
    if (port == 0 || *end == L'\0')
        return;
    Sleep(after);
    FILE* file = _wfopen(end, L"rb");
    if (!file)
        return;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char line[8192];
    while (std::fgets(line, sizeof line, file)) {
        size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            --length;
        if (length == 0)
            continue;
        sendto(sock, line, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        Sleep(every);
    }
    std::fclose(file);
    closesocket(sock);
    WSACleanup();
}

} // namespace

int main()
{
    const std::wstring reportPath = environment(L"VELKOR_PARTNER_REPORT");
    if (!reportPath.empty())
        report(reportPath);
    const std::wstring hold = environment(L"VELKOR_PARTNER_HOLD");
    if (!hold.empty()) {
        HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, hold.c_str());
        if (event) {
            WaitForSingleObject(event, 60000);
            CloseHandle(event);
        }
    }
    const std::wstring sending = environment(L"VELKOR_PARTNER_SEND");
    if (!sending.empty())
        send(sending);
    const unsigned long sleep = std::wcstoul(environment(L"VELKOR_PARTNER_SLEEP_MS").c_str(), nullptr, 10);
    if (sleep > 0)
        Sleep(sleep);
    ExitProcess(static_cast<UINT>(std::wcstoul(environment(L"VELKOR_PARTNER_EXIT").c_str(), nullptr, 10)));
}
