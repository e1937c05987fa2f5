#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// One screen as windows see it: all of it, and the part the taskbar and docks leave free.
struct ScreenArea
{
    QRect geometry;
    QRect available;
};

// Where a window whose frame is frame goes so that the user can reach it. A window whose title
// bar shows on some screen stays exactly where it is, even partly off the edge. One that lies on
// no screen (its monitor was removed, the resolution shrank) moves onto the free area of the
// nearest screen, as far as it must and no further. With no screens known, nothing moves.
QPoint ReachablePosition(const QRect& frame, const QList<ScreenArea>& screens);
