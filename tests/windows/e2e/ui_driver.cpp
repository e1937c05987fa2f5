// Drives a program's windows from outside, as a user would, for the Windows end-to-end test:
//   ui_driver wait TITLE MS          waits until a top-level window whose caption begins with TITLE
//                                    is shown (exit 1 when MS pass first)
//   ui_driver gone TITLE MS          waits until no such window is left
//   ui_driver keys TITLE KEY...      brings the window to the front and types the keys: alt, left,
//                                    right, up, down, enter, escape, tab, space
//   ui_driver close TITLE            asks the window to close, as its close button does
//   ui_driver caption TITLE          prints the window's whole caption in UTF-8
//   ui_driver rect TITLE             prints where the window's client area is on the screen:
//                                    left top width height
//   ui_driver above TITLE OTHER      exit 0 when the window TITLE lies above the window OTHER: it
//                                    comes first in the stacking order and owns the point in the
//                                    middle of its client area; prints what it saw
//   ui_driver launch TITLE MS EXE    starts EXE in its own folder, prints the milliseconds until a
//                                    window whose caption begins with TITLE is shown, then closes
//                                    it and waits for the program's end (start-up benchmark)
// Captions are compared as Unicode, so Japanese ones work whatever the code page.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search
{
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK visit(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t caption[512];
    const int length = GetWindowTextW(window, caption, 512);
    if (length >= static_cast<int>(search->prefix.size()) &&
        std::wcsncmp(caption, search->prefix.c_str(), search->prefix.size()) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find(const std::wstring& prefix)
{
    Search search{prefix};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitFor(const std::wstring& prefix, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = find(prefix))
            return window;
        if (GetTickCount() - start > ms)
            return nullptr;
        Sleep(100);
    }
}

WORD keyCode(const std::wstring& name)
{
    static const struct { const wchar_t* name; WORD key; } keys[] = {
        {L"alt", VK_MENU},     {L"left", VK_LEFT},     {L"right", VK_RIGHT}, {L"up", VK_UP},
        {L"down", VK_DOWN},    {L"enter", VK_RETURN},  {L"escape", VK_ESCAPE}, {L"tab", VK_TAB},
        {L"space", VK_SPACE},
    };
    for (const auto& k : keys)
        if (name == k.name)
            return k.key;
    return 0;
}

void press(WORD key)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(250); // the program handles each key before the next, as with a person typing
}

void printUtf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                        nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

struct Walk
{
    HWND target;
    int place = 0;
    int found = -1;
};

BOOL CALLBACK step(HWND window, LPARAM data)
{
    auto* walk = reinterpret_cast<Walk*>(data);
    if (window == walk->target) {
        walk->found = walk->place;
        return FALSE;
    }
    ++walk->place;
    return TRUE;
}

// The window's place in the stacking order, 0 for the top one; -1 when it is not found.
int stackingPlace(HWND target)
{
    Walk walk{target};
    EnumWindows(step, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

bool topmost(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

int above(HWND window, HWND other)
{
    RECT r;
    GetClientRect(window, &r);
    POINT middle = {(r.right - r.left) / 2, (r.bottom - r.top) / 2};
    ClientToScreen(window, &middle);
    const HWND atMiddle = GetAncestor(WindowFromPoint(middle), GA_ROOT);
    const int place = stackingPlace(window);
    const int otherPlace = stackingPlace(other);
    std::printf("stacking: %d%s above %d%s; its middle shows %s\n", place,
                topmost(window) ? " (topmost)" : "", otherPlace, topmost(other) ? " (topmost)" : "",
                atMiddle == window  ? "itself"
                : atMiddle == other ? "the other window"
                                    : "another window");
    return place >= 0 && otherPlace >= 0 && place < otherPlace && atMiddle == window ? 0 : 1;
}

} // namespace

int main()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv || count < 3) {
        std::fprintf(stderr, "usage: ui_driver wait|gone|keys|close|caption TITLE ...\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    const std::wstring title = argv[2];
    const DWORD ms = count > 3 ? std::wcstoul(argv[3], nullptr, 10) : 10000;

    if (verb == L"wait")
        return waitFor(title, ms) ? 0 : 1;
    if (verb == L"gone") {
        const DWORD start = GetTickCount();
        while (find(title)) {
            if (GetTickCount() - start > ms)
                return 1;
            Sleep(100);
        }
        return 0;
    }
    if (verb == L"launch" && count > 4) {
        std::wstring exe = argv[4];
        std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        LARGE_INTEGER frequency, begin, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&begin);
        if (!CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &process))
            return 1;
        HWND shown = waitFor(title, ms);
        QueryPerformanceCounter(&now);
        if (shown) {
            std::printf("%.1f\n",
                        1000.0 * double(now.QuadPart - begin.QuadPart) / double(frequency.QuadPart));
            PostMessageW(shown, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return shown ? 0 : 1;
    }
    HWND window = waitFor(title, 10000);
    if (!window) {
        std::fprintf(stderr, "ui_driver: no window\n");
        return 1;
    }
    if (verb == L"caption") {
        wchar_t caption[512];
        printUtf8(std::wstring(caption, static_cast<size_t>(GetWindowTextW(window, caption, 512))));
        return 0;
    }
    if (verb == L"rect") {
        // The client area: where no window manager draws frames, that is all there is to see.
        RECT r;
        GetClientRect(window, &r);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (verb == L"above" && count > 3) {
        HWND other = waitFor(argv[3], 10000);
        if (!other) {
            std::fprintf(stderr, "ui_driver: no other window\n");
            return 1;
        }
        return above(window, other);
    }
    if (verb == L"close") {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == L"keys") {
        SetForegroundWindow(window);
        SetActiveWindow(window);
        Sleep(500);
        for (int i = 3; i < count; ++i) {
            const WORD key = keyCode(argv[i]);
            if (!key) {
                std::fprintf(stderr, "ui_driver: unknown key\n");
                return 2;
            }
            press(key);
        }
        return 0;
    }
    std::fprintf(stderr, "ui_driver: unknown verb\n");
    return 2;
}
