#include "adif/adif_fields.h"

#include <QLocale>
#include <QStringList>

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

AdifField ReadAdifField(const QString& text, QLatin1String name)
{
    return readField(text, name);
}

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

namespace {

// Walks the record tag after tag, each value skipped by its length (taken as characters, cut at
// the end of the text), and hands each field's name and value span to visit until it returns true.
template <typename Visit>
bool walkFields(const QString& contact, Visit visit)
{
    qsizetype pos = 0;
    for (;;) {
        const qsizetype open = contact.indexOf(QLatin1Char('<'), pos);
        const qsizetype close = open < 0 ? -1 : contact.indexOf(QLatin1Char('>'), open + 1);
        if (close < 0)
            return false;
        const QString spec = contact.mid(open + 1, close - open - 1);
        const qsizetype colon = spec.indexOf(QLatin1Char(':'));
        const int size = colon > 0 ? qMax(0, spec.mid(colon + 1).section(QLatin1Char(':'), 0, 0).trimmed().toInt()) : 0;
        pos = close + 1;
        const qsizetype length = qMin<qsizetype>(size, contact.size() - pos);
        if (colon > 0 && visit(spec.left(colon), pos, length))
            return true;
        pos += length;
    }
}

} // namespace

bool FindAdifField(const QString& contact, const char* name, qsizetype* start, qsizetype* length)
{
    return walkFields(contact, [&](const QString& field, qsizetype at, qsizetype size) {
        if (field.compare(QLatin1String(name), Qt::CaseInsensitive) != 0)
            return false;
        *start = at;
        *length = size;
        return true;
    });
}

QList<QPair<QString, QString>> AdifFieldsOf(const QString& contact)
{
    QList<QPair<QString, QString>> fields;
    walkFields(contact, [&](const QString& field, qsizetype at, qsizetype size) {
        fields.append({field.trimmed().toLower(), contact.mid(at, size).trimmed()});
        return false;
    });
    return fields;
}

QString AdifFieldValue(const QString& contact, const char* name)
{
    qsizetype start = 0;
    qsizetype length = 0;
    return FindAdifField(contact, name, &start, &length) ? contact.mid(start, length).trimmed() : QString();
}

QString CutFrequencyText(const QString& freq)
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

namespace {

QString trimmedField(const QString& text, const char* name)
{
    const AdifField f = ReadAdifField(text, QLatin1String(name));
    return f.status == AdifField::Found ? f.value.trimmed() : QString();
}

} // namespace

ContactIdentity IdentityOf(const QString& contact)
{
    // Read as the conversion reads, so that a length miscounted by the writer (bytes for
    // characters) shifts no field of the identity.
    ContactIdentity id;
    id.call = trimmedField(contact, "CALL").toUpper();
    id.date = trimmedField(contact, "QSO_DATE");
    id.time = trimmedField(contact, "TIME_ON").left(4);
    id.band = trimmedField(contact, "BAND").toLower();
    if (id.band.isEmpty())
        id.band = CutFrequencyText(trimmedField(contact, "FREQ"));
    id.mode = trimmedField(contact, "SUBMODE");
    if (id.mode.isEmpty())
        id.mode = trimmedField(contact, "MODE");
    id.mode = id.mode.toUpper();
    return id;
}

QString ContactIdentity::key() const
{
    if (call.isEmpty())
        return QString();
    return QStringList{call, date, time, band, mode}.join(QLatin1Char(' '));
}

namespace CallSign {

Check CheckContact(const QString& contactText)
{
    const auto problem = [](Problem p, const QString& reason) { return Check{p, reason}; };
    const AdifField call = ReadAdifField(contactText, QLatin1String("CALL"));
    if (call.status == AdifField::Failed)
        return problem(Problem::Unreadable, call.error);
    if (call.status == AdifField::Absent)
        return problem(Problem::Missing, QStringLiteral("CALL がありません"));
    const QString value = call.value.trimmed();
    if (value.isEmpty())
        return problem(Problem::Missing, QStringLiteral("コールサインが空です"));
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return problem(Problem::Unusable, QStringLiteral("コールサインに制御文字 (0x%1) があります")
                                                  .arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                                  .toUpper()
                                                  .replace(QLatin1String("0X"), QLatin1String("0x")));
        if (c == QLatin1Char('<') || c == QLatin1Char('>'))
            return problem(Problem::Unusable, QStringLiteral("コールサインに「%1」があります").arg(c));
    }
    if (value.size() > kMaxLength)
        return problem(Problem::Unusable, QStringLiteral("コールサインが長すぎます (%1 文字)").arg(value.size()));
    for (const QChar c : value) {
        const ushort u = c.unicode();
        const bool usable = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '/';
        if (!usable)
            return problem(Problem::Unusable, QStringLiteral("コールサインに使えない文字「%1」があります").arg(c));
    }
    return Check();
}

} // namespace CallSign
