#include "platform/window_stacking_gui.h"

#include <QApplication>
#include <QWidget>

void SetWindowTopmost(QWidget* window, bool topmost)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    // Changing a window flag re-creates the native window and hides it; put it back where it was.
    const QPoint position = window->pos();
    const bool visible = window->isVisible();
    const bool minimized = window->isMinimized();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (!visible)
        return;
    window->move(position);
    if (minimized)
        window->showMinimized();
    else
        window->show();
}

void KeepDialogsAboveTopmostOwners(QApplication&)
{
    // A dialog is transient for its owner here, and window managers keep it above the owner
    // whatever the owner's stacking.
}
