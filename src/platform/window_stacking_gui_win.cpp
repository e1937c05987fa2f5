#include "platform/window_stacking_gui.h"

#include <QWidget>
#include <windows.h>

void SetWindowTopmost(QWidget* window, bool topmost)
{
    // SetWindowPos changes the stacking alone: no move, no resize, no re-creation of the window.
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
