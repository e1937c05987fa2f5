#include "hamlog/hamlog_conversion.h"

#include "adif/adif_fields.h"

#include "reference/country_table.h"
#include "reference/dxcc_table.h"

#include <QLocale>

#include <cmath>

namespace {

QString trimSpaces(const QString& text)
{
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace


QString FormatUdpFrequency(const QString& freq)
{
    const double value = ReadDecimalNumber(freq);
    if (!std::isfinite(value))
        return QString();
    // Rounded as the number was written, half away from zero: the value's 15 significant digits
    // are rounded as decimal text, so 1.0005 gives 1.001 although the nearest double lies just
    // below it.
    const QString scientific = QString::number(std::fabs(value), 'e', 14);
    const int e = int(scientific.indexOf(QLatin1Char('e')));
    QString digits = scientific.left(e).remove(QLatin1Char('.'));
    int integerDigits = scientific.mid(e + 1).toInt() + 1;
    if (integerDigits < 0) {
        digits.prepend(QString(-integerDigits, QLatin1Char('0')));
        integerDigits = 0;
    }
    if (digits.size() < integerDigits + 4)
        digits.append(QString(integerDigits + 4 - int(digits.size()), QLatin1Char('0')));
    const bool roundUp = digits.at(integerDigits + 3) >= QLatin1Char('5');
    digits.truncate(integerDigits + 3);
    if (roundUp) {
        int i = int(digits.size()) - 1;
        for (; i >= 0 && digits.at(i) == QLatin1Char('9'); --i)
            digits[i] = QLatin1Char('0');
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            ++integerDigits;
        }
    }
    // The pattern has no leading zero: 0.475 is ".475", -0.5 is "-.500"; nothing is "-.000".
    int first = 0;
    while (first < integerDigits && digits.at(first) == QLatin1Char('0'))
        ++first;
    const bool zero = digits.count(QLatin1Char('0')) == digits.size();
    return (value < 0 && !zero ? QStringLiteral("-") : QString()) + digits.mid(first, integerDigits - first) +
           QLatin1Char('.') + digits.mid(integerDigits);
}

QString CutImportFrequency(const QString& freq)
{
    return CutFrequencyText(freq);
}

QString BuildQslText(const Settings& settings)
{
    auto mark = [](qint16 flag, const QString& text) {
        if (flag != 1)
            return QString(QLatin1Char(' '));
        const QString trimmed = trimSpaces(text);
        return trimmed.isEmpty() ? QString(QLatin1Char(' ')) : trimmed.left(1);
    };
    static const char kRoutes[] = {'J', 'D', 'M', 'N', ' '};
    if (settings.QslRoot < 0 || settings.QslRoot > 4)
        return QString();
    return QLatin1Char(kRoutes[settings.QslRoot]) + mark(settings.QslSent, settings.SentMrk) +
           mark(settings.QslRcvd, settings.RcvdMrk);
}

bool ConvertContact(const QString& contactText, ContactSource source, const QString& qslText,
                    const Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
                    HamlogRecord& record, QString& error, const std::function<void()>& yield)
{
    record = HamlogRecord();

    // Read in this order; the first failure stops the conversion.
    enum { QsoDate, TimeOn, Call, Freq, Mode, RstSent, RstRcvd, TxPwr, Grid, Name, Comment, Count };
    static const char* const kOrder[Count] = {"QSO_DATE",   "TIME_ON",  "CALL",     "FREQ",
                                              "MODE",       "RST_SENT", "RST_RCVD", "TX_PWR",
                                              "GRIDSQUARE", "NAME",     "COMMENT"};
    QString values[Count];
    for (int i = 0; i < Count; ++i) {
        const AdifField field = ReadAdifField(contactText, QLatin1String(kOrder[i]));
        if (field.status == AdifField::Failed) {
            error = field.error;
            return false;
        }
        values[i] = field.value;
    }

    // Pieces of the date and time as they come; a short value gives shorter pieces.
    const auto piece = [](const QString& v, int from) {
        const int size = int(v.size());
        return from >= size ? QStringView() : QStringView(v).mid(from, qMin(2, size - from));
    };
    const QString& date = values[QsoDate];
    if (!date.isEmpty()) {
        QString& out = record[2];
        out.reserve(8);
        out.append(piece(date, 2))
            .append(QLatin1Char('/'))
            .append(piece(date, 4))
            .append(QLatin1Char('/'))
            .append(piece(date, 6));
    }
    const QString& time = values[TimeOn];
    if (!time.isEmpty()) {
        QString& out = record[3];
        out.reserve(5);
        out.append(piece(time, 0)).append(QLatin1Char(':')).append(piece(time, 2));
    }
    record[1] = values[Call].toUpper();
    record[4] = values[RstSent];
    record[5] = values[RstRcvd];
    if (!values[Freq].isEmpty()) {
        record[6] = source == ContactSource::Udp ? FormatUdpFrequency(values[Freq])
                                                 : CutImportFrequency(values[Freq]);
        // Only a number beyond any range gives no text; "inf" is no frequency for the log.
        if (source == ContactSource::Udp && record[6].isEmpty()) {
            error = QStringLiteral("周波数 %1 が大きすぎます").arg(values[Freq]);
            return false;
        }
    }
    // FT4, Q65, FST4 and the like are logged as MODE MFSK with the mode proper in SUBMODE; the
    // log's mode column wants the mode proper. A SUBMODE that cannot be read counts as absent.
    const QString submode = ReadAdifField(contactText, QStringLiteral("SUBMODE")).value.trimmed();
    record[7] = (submode.isEmpty() ? values[Mode] : submode).toUpper();
    record[9] = values[Grid];
    record[10] = qslText;
    record[11] = values[Name];

    const QString prefix =
        record[1].isEmpty() ? QStringLiteral("?????") : countries.LookupDxccPrefix(record[1]);
    record[16] = prefix == QLatin1String("JA") ? QStringLiteral("0") : QStringLiteral("8");
    const DxccColumns columns = dxcc.FindDxccLine(prefix);
    record[8] = columns.columnA;
    record[12] = columns.columnB;
    if (yield)
        yield();

    // Each step overwrites the one before: power wins over comment for the same remark.
    if (settings.Com2Rmk1 == 1)
        record[13] = values[Comment];
    if (settings.Com2Rmk2 == 1)
        record[14] = values[Comment];
    if (settings.Pwr2Rmk1 == 1)
        record[13] = values[TxPwr];
    if (settings.Pwr2Rmk2 == 1)
        record[14] = values[TxPwr];
    return true;
}
