#include "reception/qso_logged_decoder.h"

#include "common/text_lines.h"

#include <QLatin1String>

#include <limits>

namespace {

// The message as QDataStream writes it at version Qt_5_2: big-endian numbers; a string is a
// quint32 byte count (0xFFFFFFFF for a null string) followed by its UTF-8 bytes; a date-time is a
// qint64 Julian day, a quint32 time of day in milliseconds (0xFFFFFFFF when null) and a quint8
// Qt::TimeSpec, followed by a qint32 offset in seconds for Qt::OffsetFromUTC (2) and by the
// zone for Qt::TimeZone (3).
//
// Once a read runs past the end, the message counts as cut short and every later read fails, so
// the fields after the cut stay empty rather than being read from the wrong place.
class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool cut() const { return m_cut; }

    bool readNumber(int size, quint64* value)
    {
        if (m_cut || remaining() < static_cast<quint64>(size)) {
            m_cut = true;
            return false;
        }
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v = (v << 8) | static_cast<uchar>(m_bytes.at(static_cast<qsizetype>(m_pos++)));
        *value = v;
        return true;
    }

    bool skip(quint64 size)
    {
        if (m_cut || remaining() < size) {
            m_pos = static_cast<quint64>(m_bytes.size());
            m_cut = true;
            return false;
        }
        m_pos += size;
        return true;
    }

    // The bytes of a string; a null string reads as empty. A string that runs past the end holds
    // the bytes that are still there and cuts the message.
    bool readString(QByteArray* out)
    {
        out->clear();
        quint64 length = 0;
        if (!readNumber(4, &length))
            return false;
        if (length == 0xFFFFFFFFu)
            return true;
        const quint64 taken = qMin(length, remaining());
        *out = m_bytes.mid(static_cast<qsizetype>(m_pos), static_cast<qsizetype>(taken));
        return skip(length);
    }

    bool skipString()
    {
        quint64 length = 0;
        if (!readNumber(4, &length))
            return false;
        return length == 0xFFFFFFFFu || skip(length);
    }

private:
    quint64 remaining() const { return static_cast<quint64>(m_bytes.size()) - m_pos; }

    const QByteArray& m_bytes;
    quint64 m_pos = 0;
    bool m_cut = false;
};

// A string that was cut short may end in the middle of a UTF-8 sequence; those bytes are dropped
// rather than shown as a replacement character.
QByteArray withoutIncompleteTail(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = size - 1; i >= 0 && i >= size - 4; --i) {
        const uchar c = static_cast<uchar>(bytes.at(i));
        if ((c & 0xC0) == 0x80)
            continue; // continuation byte, keep looking for the lead byte
        int needed = 1;
        if ((c & 0xE0) == 0xC0)
            needed = 2;
        else if ((c & 0xF0) == 0xE0)
            needed = 3;
        else if ((c & 0xF8) == 0xF0)
            needed = 4;
        return i + needed > size ? bytes.left(i) : bytes;
    }
    return bytes;
}

// Control characters (a line break above all) would split the contact across lines of the ADIF
// log; they become blanks.
QString textOf(const QByteArray& bytes, bool cutShort)
{
    QString text = QString::fromUtf8(cutShort ? withoutIncompleteTail(bytes) : bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text;
}

QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

QByteArray utf16BigEndian(const char* latin1)
{
    QByteArray out;
    for (const char* p = latin1; *p; ++p) {
        out.append('\0');
        out.append(*p);
    }
    return out;
}

// Qt writes a zone as its id, a QString (UTF-16). Zones made from a fixed offset write the tag
// "OffsetFromUtc" instead, followed by id, offset, name, abbreviation, country and comment.
void skipTimeZone(Reader& reader)
{
    static const QByteArray kOffsetTag = utf16BigEndian("OffsetFromUtc");
    QByteArray id;
    if (!reader.readString(&id) || id != kOffsetTag)
        return;
    if (reader.skipString() && reader.skip(4) && reader.skipString() && reader.skipString() && reader.skip(4))
        reader.skipString();
}

QString dateText(const QDate& date)
{
    return QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
}

// A day number that gives no date leaves the date decoded before it in the same message
// (*lastDate), which starts as 30 December 1899. A day number that is missing altogether leaves
// the date empty.
void readDateTime(Reader& reader, QString* date, QString* time, QString* lastDate)
{
    quint64 day = 0;
    if (!reader.readNumber(8, &day))
        return;
    const qint64 signedDay = static_cast<qint64>(day);
    if (signedDay >= std::numeric_limits<qint32>::min() && signedDay <= std::numeric_limits<qint32>::max()) {
        if (const std::optional<QDate> converted = JulianToDate(static_cast<qint32>(signedDay)))
            *lastDate = dateText(*converted);
    }
    *date = *lastDate;

    quint64 milliseconds = 0;
    if (!reader.readNumber(4, &milliseconds))
        return;
    *time = QsoLogged::TimeOfDayText(static_cast<quint32>(milliseconds));

    // The time is taken as it stands, in whatever zone the sender gives it; only the bytes that
    // follow the time spec byte are passed over.
    quint64 spec = 0;
    if (!reader.readNumber(1, &spec))
        return;
    if (spec == 2)
        reader.skip(4);
    else if (spec == 3)
        skipTimeZone(reader);
}

struct BandRow
{
    const char* name;
    quint64 lowerKhz;
    quint64 upperKhz;
    bool upperIncluded;
};

const BandRow kBands[] = {
    {"2200m", 135, 138, false},       {"600m", 472, 480, false},        {"160m", 1800, 1913, false},
    {"80m", 3500, 3688, false},       {"75m", 3702, 3806, false},       {"40m", 7000, 7200, true},
    {"30m", 10100, 10150, true},      {"20m", 14000, 14350, true},      {"17m", 18068, 18168, true},
    {"15m", 21000, 21450, true},      {"12m", 24890, 24990, true},      {"10m", 28000, 29700, true},
    {"6m", 50000, 54000, true},       {"2m", 144000, 146000, true},     {"70cm", 430000, 440000, true},
    {"23cm", 1260000, 1300000, true}, {"13cm", 2400000, 2450000, true}, {"5cm", 5650000, 5850000, true},
};

void appendField(QString& text, const char* tag, const QString& value)
{
    text += QLatin1Char('<');
    text += QLatin1String(tag);
    text += QLatin1Char(':');
    text += QString::number(value.size());
    text += QLatin1Char('>');
    text += value;
    text += QLatin1Char(' ');
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

namespace QsoLogged {

QString HexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

qsizetype FindMarker(const QString& hexText)
{
    const QLatin1String marker(kMarker);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = hexText.indexOf(marker, from);
        if (at < 0)
            return -1;
        if (at % 2 == 0)
            return at;
        from = at + 1;
    }
}

Contact DecodeMessage(const QByteArray& message)
{
    Contact contact;
    Reader reader(message);
    const auto note = [&](const char* field) {
        if (reader.cut() && contact.cutShortAt.isEmpty())
            contact.cutShortAt = QLatin1String(field);
    };
    QByteArray bytes;
    const auto readText = [&](const char* field) {
        reader.readString(&bytes);
        note(field);
        return textOf(bytes, reader.cut());
    };

    reader.skip(kMarkerBytes);
    note("magic, schema and type");

    contact.mode = withoutBlanks(readText("Id")).toUpper();

    QString lastDate = QStringLiteral("18991230");
    readDateTime(reader, &contact.qsoDateOff, &contact.timeOff, &lastDate);
    note("Date & Time Off");

    contact.call = withoutBlanks(readText("DX call")).toUpper();
    contact.gridsquare = withoutBlanks(readText("DX grid"));

    quint64 hz = 0;
    if (reader.readNumber(8, &hz)) {
        contact.freq = FrequencyText(hz);
        contact.band = BandName(hz);
    }
    note("Tx frequency");

    // The message's own Mode. FreeDV's contact takes the sending program for its mode; any other
    // sender (WSJT-X pointed at this port) names the mode it ran, and "WSJT-X" is no mode.
    contact.loggedMode = withoutBlanks(readText("Mode")).toUpper();
    if (!contact.mode.startsWith(QLatin1String("FREEDV")) && !contact.loggedMode.isEmpty())
        contact.mode = contact.loggedMode;
    contact.rstSent = withoutBlanks(readText("Report sent"));
    contact.rstRcvd = withoutBlanks(readText("Report received"));
    reader.skipString();
    note("Tx power");
    contact.comment = TextLines::trimSpaces(readText("Comments"));
    contact.name = TextLines::trimSpaces(readText("Name"));

    readDateTime(reader, &contact.qsoDate, &contact.timeOn, &lastDate);
    note("Date & Time On");

    reader.skipString();
    note("Operator call");
    contact.stationCallsign = readText("My call").toUpper();
    contact.myGridsquare = withoutBlanks(readText("My grid"));
    // Exchange, propagation mode, satellite and whatever later senders add are not used.
    return contact;
}

QString ContactText(const Contact& contact)
{
    QString text;
    appendField(text, "call", contact.call);
    appendField(text, "gridsquare", contact.gridsquare);
    appendField(text, "mode", contact.mode);
    appendField(text, "rst_sent", contact.rstSent);
    appendField(text, "rst_rcvd", contact.rstRcvd);
    appendField(text, "qso_date", contact.qsoDate);
    appendField(text, "time_on", contact.timeOn);
    appendField(text, "qso_date_off", contact.qsoDateOff);
    appendField(text, "time_off", contact.timeOff);
    appendField(text, "band", contact.band);
    appendField(text, "freq", contact.freq);
    appendField(text, "station_callsign", contact.stationCallsign);
    appendField(text, "my_gridsquare", contact.myGridsquare);
    // The comment comes last and only when there is one, so that the thirteen fields keep their
    // order and a contact without a comment reads exactly as before. HAMLOG's remarks take it.
    if (!contact.comment.isEmpty())
        appendField(text, "comment", contact.comment);
    text += QLatin1String("<eor>");
    return text;
}

QString FrequencyText(quint64 hz)
{
    const quint64 khz = hz / 1000 + (hz % 1000 >= 500 ? 1 : 0);
    return QStringLiteral("%1.%2").arg(khz / 1000).arg(khz % 1000, 3, 10, QLatin1Char('0'));
}

QString BandName(quint64 hz)
{
    for (const BandRow& row : kBands) {
        const quint64 lower = row.lowerKhz * 1000;
        const quint64 upper = row.upperKhz * 1000;
        if (hz >= lower && (row.upperIncluded ? hz <= upper : hz < upper))
            return QLatin1String(row.name);
    }
    return QString();
}

QString TimeOfDayText(quint32 milliseconds)
{
    if (milliseconds >= 86400000u)
        return QString();
    const quint32 seconds = milliseconds / 1000;
    return QString::asprintf("%02u%02u%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

} // namespace QsoLogged

namespace {

// 32-bit signed arithmetic that reports leaving the range instead of wrapping.
class Checked32
{
public:
    bool failed = false;

    qint64 check(qint64 v)
    {
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            failed = true;
        return v;
    }
    qint64 add(qint64 a, qint64 b) { return check(a + b); }
    qint64 sub(qint64 a, qint64 b) { return check(a - b); }
    qint64 mul(qint64 a, qint64 b) { return check(a * b); }
};

} // namespace

std::optional<QDate> JulianToDate(qint32 dayNumber, JulianDateError* error)
{
    const auto fail = [error](JulianDateError why) {
        if (error)
            *error = why;
        return std::optional<QDate>();
    };
    // Integer divisions cut toward zero, as C++ does; every product and sum stays in 32 bits. The
    // operands never exceed 32 bits, so the 64-bit intermediates below are exact.
    Checked32 k;
    const qint64 a = k.add(dayNumber, 32044);
    const qint64 b = k.add(k.mul(4, a), 3) / 146097;
    const qint64 c = k.sub(a, k.mul(146097, b) / 4);
    const qint64 d = k.add(k.mul(4, c), 3) / 1461;
    const qint64 e = k.sub(c, k.mul(1461, d) / 4);
    const qint64 m = k.add(k.mul(5, e), 2) / 153;
    const qint64 day = k.add(k.sub(e, k.add(k.mul(153, m), 2) / 5), 1);
    const qint64 month = k.sub(k.add(m, 3), k.mul(12, m / 10));
    const qint64 year = k.add(k.sub(k.add(k.mul(100, b), d), 4800), m / 10);
    if (k.failed)
        return fail(JulianDateError::Overflow);
    for (const qint64 part : {day, month, year}) {
        if (part < std::numeric_limits<qint16>::min() || part > std::numeric_limits<qint16>::max())
            return fail(JulianDateError::Overflow);
    }
    if (year < 100 || year > 9999 || !QDate::isValid(int(year), int(month), int(day)))
        return fail(JulianDateError::NoDate);
    if (error)
        *error = JulianDateError::None;
    return QDate(int(year), int(month), int(day));
}

void DecodeQsoLogged(QString& text)
{
    const qsizetype start = QsoLogged::FindMarker(text);
    QByteArray message;
    if (start >= 0) {
        message.reserve((text.size() - start) / 2);
        for (qsizetype i = start; i + 1 < text.size(); i += 2) {
            const int high = hexDigit(text.at(i));
            const int low = hexDigit(text.at(i + 1));
            if (high < 0 || low < 0)
                break; // what is not hex text ends the message
            message.append(static_cast<char>(high << 4 | low));
        }
    }
    text = QsoLogged::ContactText(QsoLogged::DecodeMessage(message));
}
