#include "common/twips_gui.h"

#include <QPushButton>
#include <QWidget>
#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440.0;
int g_dpiOverride = 0;

double dpiX(const QWidget* widget)
{
    const int dpi = g_dpiOverride > 0 ? g_dpiOverride : widget->logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

double dpiY(const QWidget* widget)
{
    const int dpi = g_dpiOverride > 0 ? g_dpiOverride : widget->logicalDpiY();
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

void OverrideLogicalDpi(int dpi)
{
    g_dpiOverride = dpi;
}

void KeepCaptionRoom(QPushButton* button)
{
    // An eighth of an inch on each side, the room a button's caption usually has.
    const int room = TwipsToPixelsX(button, 180);
    const int needed = button->fontMetrics().horizontalAdvance(button->text()) + 2 * room;
    button->setMinimumWidth(qMax(button->sizeHint().width(), needed));
}
