#include "settings/port_text.h"

#include <QRegularExpression>
#include <cfenv>
#include <cmath>
#include <limits>

namespace {

// A Japanese input method types digits, signs and the space full-width ("２６００", "－１",
// "　"); compatibility folding turns those into ASCII. In kana mode the minus key gives the
// long-vowel mark and the full stop key "。", which no folding touches, so they are mapped here.
QString asciiForm(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC);
    for (QChar& c : folded) {
        switch (c.unicode()) {
        case 0x2212: // minus sign
        case 0x30FC: // katakana long-vowel mark
        case 0xFF70: // its half-width form
            c = QLatin1Char('-');
            break;
        case 0x3002: // ideographic full stop
        case 0xFF61: // its half-width form
            c = QLatin1Char('.');
            break;
        default:
            break;
        }
    }
    return folded;
}

} // namespace

bool ParsePortText(const QString& text, qint32& value)
{
    // Only plain decimal notation: QString::toDouble would also take "inf", "nan" and hex floats.
    static const QRegularExpression decimal(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString trimmed = asciiForm(text).trimmed();
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
