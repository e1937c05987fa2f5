#include "common/twips_gui.h"

#include <QWidget>
#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440.0;

double dpiX(const QWidget* widget)
{
    const int dpi = widget->logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

double dpiY(const QWidget* widget)
{
    const int dpi = widget->logicalDpiY();
    return dpi > 0 ? dpi : 96;
}

// A position read from a hand-edited file may be anything; keep it a number a window can take.
int toPixels(double twips, double dpi)
{
    const double pixels = twips * dpi / kTwipsPerInch;
    if (!std::isfinite(pixels))
        return 0;
    constexpr double kLimit = 1000000;
    return static_cast<int>(std::lround(qBound(-kLimit, pixels, kLimit)));
}
} // namespace

int TwipsToPixelsX(const QWidget* widget, double twips)
{
    return toPixels(twips, dpiX(widget));
}

int TwipsToPixelsY(const QWidget* widget, double twips)
{
    return toPixels(twips, dpiY(widget));
}

double PixelsToTwipsX(const QWidget* widget, int pixels)
{
    return pixels * kTwipsPerInch / dpiX(widget);
}

double PixelsToTwipsY(const QWidget* widget, int pixels)
{
    return pixels * kTwipsPerInch / dpiY(widget);
}
