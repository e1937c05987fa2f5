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

// Where a window whose frame is frame goes so that the user sees all of it. A window seen whole
// on the screens' free areas (without taskbars) stays exactly where it is. One partly off them
// (saved at another scale or resolution, its monitor removed) moves onto the free area of the
// screen that holds most of it, or of the nearest screen, as far as it must and no further. With
// no screens known, nothing moves.
QPoint ReachablePosition(const QRect& frame, const QList<ScreenArea>& screens);
