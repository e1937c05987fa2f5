// Feeds arbitrary bytes to the QSO Logged decoder, both as a whole read (the marker may be
// anywhere or nowhere) and behind a marker (so that every field of the walk gets exercised), and
// checks that the result is always a well-formed contact text.

#include "fuzz_support.h"

#include "reception/qso_logged_decoder.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void check(QString text)
{
    DecodeQsoLogged(text);
    if (!Fuzz::isDecodedContactText(text))
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
