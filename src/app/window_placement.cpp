#include "app/window_placement.h"

namespace {

// The invisible resize border that Windows counts in a window's frame: a window put against a
// screen edge lies that far beyond it and is still seen whole.
constexpr int kInvisibleBorder = 8;

qint64 area(const QRect& r)
{
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

qint64 squaredDistance(const QRect& a, const QRect& b)
{
    const qint64 dx = qMax(0, qMax(b.left() - a.right(), a.left() - b.right()));
    const qint64 dy = qMax(0, qMax(b.top() - a.bottom(), a.top() - b.bottom()));
    return dx * dx + dy * dy;
}

QRect freeArea(const ScreenArea& screen)
{
    return screen.available.isValid() ? screen.available : screen.geometry;
}

int within(int start, int length, int areaStart, int areaLength)
{
    // A window larger than the area keeps its top-left corner (and title bar) in it.
    return qMax(areaStart, qMin(start, areaStart + areaLength - length));
}

} // namespace

QPoint ReachablePosition(const QRect& frame, const QList<ScreenArea>& screens)
{
    if (screens.isEmpty())
        return frame.topLeft();
    // Seen whole when the free areas of the screens together hold all of it (screens do not
    // overlap, so their shares add up).
    const QRect seen =
        frame.adjusted(kInvisibleBorder, kInvisibleBorder, -kInvisibleBorder, -kInvisibleBorder);
    qint64 shown = 0;
    for (const ScreenArea& screen : screens)
        shown += area(seen.intersected(freeArea(screen)));
    if (seen.isEmpty() || shown >= area(seen))
        return frame.topLeft();
    // Otherwise onto the screen that holds most of it, or the nearest when none holds any of it,
    // just as far as needed.
    const ScreenArea* best = &screens.first();
    qint64 bestShare = -1;
    qint64 bestDistance = 0;
    for (const ScreenArea& screen : screens) {
        const qint64 share = area(frame.intersected(screen.geometry));
        const qint64 distance = squaredDistance(frame, screen.geometry);
        if (share > bestShare || (share == 0 && bestShare == 0 && distance < bestDistance)) {
            best = &screen;
            bestShare = share;
            bestDistance = distance;
        }
    }
    const QRect free = freeArea(*best);
    return QPoint(within(frame.left(), frame.width(), free.left(), free.width()),
                  within(frame.top(), frame.height(), free.top(), free.height()));
}
