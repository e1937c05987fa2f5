// Feeds arbitrary bytes to the QSO Logged decoder, both as a whole read (the marker may be
// anywhere or nowhere) and behind a marker (so that every field of the walk gets exercised), and
// checks that the result is always a well-formed contact text.

#include "reception/qso_logged_decoder.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

// Every field is "<" tag ":" length ">" value " " and the text ends in "<eor>".
bool wellFormed(const QString& text)
{
    qsizetype pos = 0;
    int fields = 0;
    while (text.mid(pos) != QLatin1String("<eor>")) {
        if (pos >= text.size() || text.at(pos) != QLatin1Char('<'))
            return false;
        const qsizetype colon = text.indexOf(QLatin1Char(':'), pos);
        const qsizetype close = colon < 0 ? -1 : text.indexOf(QLatin1Char('>'), colon);
        if (close < 0)
            return false;
        bool ok = false;
        const qsizetype length = text.mid(colon + 1, close - colon - 1).toLongLong(&ok);
        if (!ok || length < 0 || close + 1 + length >= text.size() ||
            text.at(close + 1 + length) != QLatin1Char(' '))
            return false;
        pos = close + 2 + length;
        ++fields;
    }
    return fields == 13 || fields == 14;
}

void check(QString text)
{
    DecodeQsoLogged(text);
    if (!wellFormed(text))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QString hex = QsoLogged::HexText(bytes);
    if (QsoLogged::FindMarker(hex) >= 0)
        check(hex);
    check(QLatin1String(QsoLogged::kMarker) + hex);

    // The raw input as hex text, with whatever characters it holds.
    check(QLatin1String(QsoLogged::kMarker) + QString::fromLatin1(bytes));

    if (size >= 4) {
        qint32 day = 0;
        for (int i = 0; i < 4; ++i)
            day = static_cast<qint32>((static_cast<quint32>(day) << 8) | data[i]);
        JulianToDate(day);
    }
    return 0;
}
