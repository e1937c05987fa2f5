#include "settings/port_text.h"

#include <QRegularExpression>
#include <cfenv>
#include <cmath>
#include <limits>

bool ParsePortText(const QString& text, qint32& value)
{
    // Only plain decimal notation: QString::toDouble would also take "inf", "nan" and hex floats.
    static const QRegularExpression decimal(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    if (!decimal.match(trimmed).hasMatch())
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(number);
    std::fesetround(oldMode);
    if (whole < static_cast<double>(std::numeric_limits<qint32>::min()) ||
        whole > static_cast<double>(std::numeric_limits<qint32>::max()))
        return false;
    value = static_cast<qint32>(whole);
    return true;
}
