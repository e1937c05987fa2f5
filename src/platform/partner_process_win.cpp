#include "platform/partner_process.h"

#include "platform/utf8_win.h"

#include <windows.h>

#include <string>

// The watch keeps the process handle that CreateProcess returns open for as long as it watches:
// the process object, and with it its id, cannot go to another program while a handle is open,
// and the handle is signalled when the program ends, whatever exit code it chose (259 included).

namespace {

std::string narrow(const wchar_t* text, int length)
{
    if (length <= 0)
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], size, nullptr, nullptr);
    return utf8;
}

// The system's text for an error code: in Japanese where the system has it so, else in the
// system's own language, followed by the code. Some texts name the file as "%1" (a file that is
// no program: "%1 は有効な Win32 アプリケーションではありません。"); the file's name takes its place.
std::string systemReason(DWORD code, const std::string& path)
{
    const DWORD languages[] = {MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), 0};
    for (DWORD language : languages) {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, language, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
        if (length > 0 && buffer) {
            std::string text = narrow(buffer, static_cast<int>(length));
            LocalFree(buffer);
            while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
                text.pop_back();
            const std::string name = path.substr(path.find_last_of("\\/") + 1);
            for (size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at + name.size()))
                text.replace(at, 2, name);
            return text + " (" + std::to_string(code) + ")";
        }
        if (buffer)
            LocalFree(buffer);
    }
    return "システム エラー " + std::to_string(code);
}

class WinPartnerProcess : public PartnerProcess
{
public:
    WinPartnerProcess(HANDLE process, DWORD id) : m_process(process), m_id(id) {}
    ~WinPartnerProcess() override { CloseHandle(m_process); }
    WinPartnerProcess(const WinPartnerProcess&) = delete;
    WinPartnerProcess& operator=(const WinPartnerProcess&) = delete;

    long long processId() const override { return m_id; }

    bool isRunning() override
    {
        if (!m_running)
            return false;
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            return true;
        // Ended, or a handle that can no longer be waited on, which counts as ended.
        m_running = false;
        DWORD code = 0;
        if (GetExitCodeProcess(m_process, &code))
            m_exitCode = code;
        return false;
    }

    long long exitCode() const override { return m_exitCode; }

private:
    HANDLE m_process;
    DWORD m_id;
    bool m_running = true;
    long long m_exitCode = -1;
};

class WinProcessStarter : public PartnerProcessStarter
{
public:
    std::unique_ptr<PartnerProcess> start(const std::string& path, std::string& error) override
    {
        // The quoted path alone is the command line, so a path with blanks names one file.
        std::wstring commandLine = L"\"" + WidenUtf8(path) + L"\"";
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION info;
        ZeroMemory(&info, sizeof info);

        // Out of this program's job where the job allows it, so that a job closed with this
        // program (a launcher's, a debugger's) does not take the partner with it.
        BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                      CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &startup, &info);
        if (!started && GetLastError() == ERROR_ACCESS_DENIED)
            started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &info);
        if (!started) {
            error = systemReason(GetLastError(), path);
            return nullptr;
        }
        CloseHandle(info.hThread);
        return std::unique_ptr<PartnerProcess>(new WinPartnerProcess(info.hProcess, info.dwProcessId));
    }
};

} // namespace

std::unique_ptr<PartnerProcessStarter> CreateSystemProcessStarter()
{
    return std::unique_ptr<PartnerProcessStarter>(new WinProcessStarter());
}
