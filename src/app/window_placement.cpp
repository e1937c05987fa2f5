#include "app/window_placement.h"

#include <limits>

namespace {

// Enough of the title bar to take hold of with the mouse.
constexpr int kTitleBarHeight = 30;
constexpr int kGripWidth = 40;
constexpr int kGripHeight = 8;

bool titleBarShows(const QRect& frame, const QRect& screen)
{
    const QRect titleBar(frame.left(), frame.top(), frame.width(), qMin(frame.height(), kTitleBarHeight));
    const QRect shown = titleBar.intersected(screen);
    return shown.width() >= qMin(kGripWidth, frame.width()) &&
           shown.height() >= qMin(kGripHeight, frame.height());
}

qint64 squaredDistance(const QRect& a, const QRect& b)
{
    const qint64 dx = qMax(0, qMax(b.left() - a.right(), a.left() - b.right()));
    const qint64 dy = qMax(0, qMax(b.top() - a.bottom(), a.top() - b.bottom()));
    return dx * dx + dy * dy;
}

int within(int start, int length, int areaStart, int areaLength)
{
    // A window larger than the area keeps its top-left corner (and title bar) in it.
    return qMax(areaStart, qMin(start, areaStart + areaLength - length));
}

} // namespace

QPoint ReachablePosition(const QRect& frame, const QList<ScreenArea>& screens)
{
    const ScreenArea* nearest = nullptr;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const ScreenArea& screen : screens) {
        if (titleBarShows(frame, screen.geometry))
            return frame.topLeft();
        const qint64 distance = squaredDistance(frame, screen.geometry);
        if (distance < best) {
            best = distance;
            nearest = &screen;
        }
    }
    if (!nearest)
        return frame.topLeft();
    const QRect area = nearest->available.isValid() ? nearest->available : nearest->geometry;
    return QPoint(within(frame.left(), frame.width(), area.left(), area.width()),
                  within(frame.top(), frame.height(), area.top(), area.height()));
}
