#include "platform/help_gui.h"

#include "platform/code_page.h"

#include <QWidget>
#include <windows.h>

namespace {
using HtmlHelpAFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT kHhDisplayTopic = 0;
} // namespace

void OpenHelpFile(QWidget* window, const QString& chmPath)
{
    // hhctrl.ocx is loaded on first use and kept, as HTML Help windows outlive the call.
    static HMODULE library = LoadLibraryA("hhctrl.ocx");
    if (!library)
        return;
    // Through the generic function pointer type, which the compiler accepts any function as.
    const auto htmlHelp =
        reinterpret_cast<HtmlHelpAFn>(reinterpret_cast<void (*)()>(GetProcAddress(library, "HtmlHelpA")));
    if (!htmlHelp)
        return;
    const QByteArray path = CodePage::fromUnicode(chmPath);
    htmlHelp(reinterpret_cast<HWND>(window->winId()), path.constData(), kHhDisplayTopic, 0);
}
