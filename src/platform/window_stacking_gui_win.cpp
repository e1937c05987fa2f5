#include "platform/window_stacking_gui.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <windows.h>

namespace {

bool isTopmost(HWND hwnd)
{
    return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Whether another window of the program, shown, is kept above all others.
bool otherWindowTopmost(const QWidget* widget)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* other : windows) {
        const Qt::WindowType type = other->windowType();
        if (other != widget && (type == Qt::Window || type == Qt::Dialog) && other->isVisible() &&
            other->testAttribute(Qt::WA_WState_Created) && isTopmost(reinterpret_cast<HWND>(other->winId())))
            return true;
    }
    return false;
}

// An owned window stays above its owner, but one without an owner (a message box while another
// program is active has none) goes below a window kept above all others, and a dialog is lifted
// into that band by some systems only. The native window exists when the widget's Show event
// comes, before it is shown on the screen.
class DialogStacking : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !object->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(object);
        const Qt::WindowType type = widget->windowType();
        if (!widget->isWindow() || (type != Qt::Dialog && type != Qt::Sheet && type != Qt::Tool))
            return false;
        const HWND hwnd = reinterpret_cast<HWND>(widget->winId());
        if (isTopmost(hwnd))
            return false;
        const HWND owner = GetWindow(hwnd, GW_OWNER);
        if (owner ? isTopmost(owner) : otherWindowTopmost(widget))
            SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return false;
    }
};

} // namespace

void SetWindowTopmost(QWidget* window, bool topmost)
{
    // SetWindowPos changes the stacking alone: no move, no resize, no re-creation of the window.
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void KeepDialogsAboveTopmostOwners(QApplication& app)
{
    app.installEventFilter(new DialogStacking(&app));
}
