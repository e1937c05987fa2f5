#include "hamlog/hamlog_conversion.h"

#include "reference/country_table.h"
#include "reference/dxcc_table.h"

#include <QLocale>

#include <cmath>

namespace {

// Positions and lengths have always been 16-bit; a field beyond that stops the conversion
// rather than being read from the wrong place.
constexpr int kMaxPosition = 32767;

bool isSkippedBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

QChar upperOf(QChar c)
{
    const ushort u = c.unicode();
    if (u < 0x80)
        return QChar(u >= 'a' && u <= 'z' ? ushort(u - 0x20) : u);
    return c.toUpper();
}

// First position of "<" name ":" in the text, the name matched as if the text were upper-cased
// character by character (never "ß" to "SS", which would move every later position).
int findTag(const QString& text, QLatin1String name)
{
    const int n = int(text.size());
    const int nameLength = int(name.size());
    for (int at = int(text.indexOf(QLatin1Char('<'))); at >= 0 && at + nameLength + 1 < n;
         at = int(text.indexOf(QLatin1Char('<'), at + 1))) {
        int k = 0;
        while (k < nameLength && upperOf(text.at(at + 1 + k)) == QLatin1Char(name.at(k)))
            ++k;
        if (k == nameLength && text.at(at + 1 + k) == QLatin1Char(':'))
            return at;
    }
    return -1;
}

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

double readNumber(const QString& text, int from, bool exponent);

// The length after the colon. Plain digits (the usual case) are read here; anything else goes
// through the general number reading.
double readLength(const QString& text, int from)
{
    const int n = int(text.size());
    int value = 0;
    int i = from;
    while (i < n && i - from < 6 && text.at(i).unicode() >= '0' && text.at(i).unicode() <= '9')
        value = value * 10 + (text.at(i++).unicode() - '0');
    if (i > from && i < n && (text.at(i) == QLatin1Char('>') || text.at(i) == QLatin1Char(':')))
        return value;
    return readNumber(text, from, true);
}

AdifField readField(const QString& text, QLatin1String name)
{
    AdifField field;
    const int at = findTag(text, name);
    if (at < 0)
        return field;
    const int gt = int(text.indexOf(QLatin1Char('>'), at));
    const auto tag = [&] { return QLatin1Char('<') + QString(name) + QLatin1Char(':'); };
    if (gt < 0) {
        field.status = AdifField::Failed;
        field.error = QStringLiteral("ADIF のフィールド %1 に \">\" がありません").arg(tag());
        return field;
    }
    const double length = readLength(text, at + int(name.size()) + 2);
    if (at + 1 > kMaxPosition || gt + 1 > kMaxPosition || length > kMaxPosition) {
        field.status = AdifField::Failed;
        field.error =
            QStringLiteral("ADIF のフィールド %1 の位置または長さが 32767 を超えています").arg(tag());
        return field;
    }
    // Whole characters, rounded as an integer variable takes a fraction. A negative length of
    // any size is absent, never converted to int out of range.
    if (!(length > 0.5))
        return field;
    const int count = int(std::nearbyint(length));
    if (count <= 0)
        return field;
    field.status = AdifField::Found;
    field.value = text.mid(gt + 1, count);
    return field;
}

} // namespace

AdifField ReadAdifField(const QString& text, const QString& name)
{
    const QByteArray latin = name.toLatin1();
    return readField(text, QLatin1String(latin.constData(), latin.size()));
}

double ReadDecimalNumber(const QString& text)
{
    // A frequency is digits and one point; "1e3" is 1 followed by something else, not 1000.
    return readNumber(text, 0, false);
}

namespace {

double readNumber(const QString& text, int from, bool exponent)
{
    QString digits;
    bool sign = false, point = false, any = false;
    int i = from;
    const int n = int(text.size());
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (isSkippedBlank(c))
            continue;
        if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && !sign && !any && !point) {
            sign = true;
            digits += c;
        } else if (c.unicode() >= '0' && c.unicode() <= '9') {
            any = true;
            digits += c;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
            digits += c;
        } else {
            break;
        }
    }
    // An exponent counts only when digits follow it ("1E3"); "8E" ends at the E.
    if (exponent && any && i < n && (text.at(i) == QLatin1Char('E') || text.at(i) == QLatin1Char('e'))) {
        QString tail;
        int j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            tail += text.at(j++);
        int expDigits = 0;
        while (j < n && text.at(j).unicode() >= '0' && text.at(j).unicode() <= '9') {
            tail += text.at(j++);
            ++expDigits;
        }
        if (expDigits > 0)
            digits += QLatin1Char('e') + tail;
    }
    if (!any)
        return 0.0;
    bool ok = false;
    const double value = QLocale::c().toDouble(digits, &ok);
    if (!ok)
        return std::isinf(value) ? value : 0.0;
    return value;
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
    // Blanks around the value are no part of the number; a comma stands for the point where
    // there is no point.
    QString value = freq.trimmed();
    int point = int(value.indexOf(QLatin1Char('.')));
    if (point < 0) {
        point = int(value.indexOf(QLatin1Char(',')));
        // HAMLOG reads only a point as the decimal separator.
        if (point >= 0)
            value[point] = QLatin1Char('.');
    }
    if (point < 0)
        return value;
    return value.left(point + 4);
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
        const AdifField field = readField(contactText, QLatin1String(kOrder[i]));
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
    const QString submode = readField(contactText, QLatin1String("SUBMODE")).value.trimmed();
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
