#include "reception/qso_logged_decoder.h"

#include <QDataStream>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTimeZone>
#include <QtTest>

#include <functional>
#include <limits>

namespace {

// One date-time as a Qt sender writes it at stream version Qt_5_2.
struct WireDateTime
{
    WireDateTime() = default;
    WireDateTime(qint64 julianDay, quint32 milliseconds) : day(julianDay), ms(milliseconds) {}

    qint64 day = 2460311;
    quint32 ms = 0;
    quint8 spec = 1;   // Qt::UTC
    qint32 offset = 0; // written only for Qt::OffsetFromUTC (2)
    QByteArray zoneId; // written as a QString only for Qt::TimeZone (3)
    QDateTime qt;      // when valid, written by QDataStream itself instead of the above
};

// A QSO Logged message laid out field by field as the sender's QDataStream writes it. QByteArray()
// is a null string (length 0xFFFFFFFF), QByteArray("") an empty one.
struct Message
{
    quint32 magic = 0xADBCCBDA;
    quint32 schema = 2;
    quint32 type = 5;
    QByteArray id = "FreeDV";
    WireDateTime off{2460311, 45610000};
    QByteArray dxCall = "QQ1AA";
    QByteArray dxGrid = "PM95";
    quint64 txFrequency = 7177000;
    QByteArray mode = "DATA";
    QByteArray reportSent = "59";
    QByteArray reportReceived = "57";
    QByteArray txPower = "";
    QByteArray comments = "";
    QByteArray name = "";
    WireDateTime on{2460311, 45296789};
    QByteArray operatorCall = "";
    QByteArray myCall = "QQ2BB";
    QByteArray myGrid = "PM95";
    QList<QByteArray> after; // exchange sent, exchange received, propagation mode, ...

    QByteArray bytes() const
    {
        QByteArray out;
        QDataStream s(&out, QIODevice::WriteOnly);
        s.setVersion(QDataStream::Qt_5_2);
        s << magic << schema << type << id;
        write(s, off);
        s << dxCall << dxGrid << txFrequency << mode << reportSent << reportReceived << txPower << comments
          << name;
        write(s, on);
        s << operatorCall << myCall << myGrid;
        for (const QByteArray& field : after)
            s << field;
        return out;
    }

    static void write(QDataStream& s, const WireDateTime& dt)
    {
        if (dt.qt.isValid()) {
            s << dt.qt;
            return;
        }
        s << dt.day << dt.ms << dt.spec;
        if (dt.spec == 2)
            s << dt.offset;
        else if (dt.spec == 3)
            s << QString::fromUtf8(dt.zoneId);
    }
};

QString decodeBytes(const QByteArray& bytes)
{
    QString text = QsoLogged::HexText(bytes);
    DecodeQsoLogged(text);
    return text;
}

// Splits a contact text into tag/value pairs, checking every length against its value and the
// final "<eor>"; an empty list when the text is malformed.
QList<QPair<QString, QString>> splitContact(const QString& text)
{
    QList<QPair<QString, QString>> fields;
    qsizetype pos = 0;
    while (text.mid(pos) != QLatin1String("<eor>")) {
        if (pos >= text.size() || text.at(pos) != QLatin1Char('<'))
            return {};
        const qsizetype colon = text.indexOf(QLatin1Char(':'), pos);
        const qsizetype close = text.indexOf(QLatin1Char('>'), colon);
        if (colon < 0 || close < 0)
            return {};
        bool ok = false;
        const int length = text.mid(colon + 1, close - colon - 1).toInt(&ok);
        if (!ok || close + 1 + length >= text.size() || text.at(close + 1 + length) != QLatin1Char(' '))
            return {};
        fields.append({text.mid(pos + 1, colon - pos - 1), text.mid(close + 1, length)});
        pos = close + 2 + length;
    }
    return fields;
}

const QStringList kTags = {
    QStringLiteral("call"),         QStringLiteral("gridsquare"),   QStringLiteral("mode"),
    QStringLiteral("rst_sent"),     QStringLiteral("rst_rcvd"),     QStringLiteral("qso_date"),
    QStringLiteral("time_on"),      QStringLiteral("qso_date_off"), QStringLiteral("time_off"),
    QStringLiteral("band"),         QStringLiteral("freq"),         QStringLiteral("station_callsign"),
    QStringLiteral("my_gridsquare")};

// Field values by tag; fails the test when the text is not 13 fields in order (plus a comment).
QHash<QString, QString> contactFields(const QString& text)
{
    const auto fields = splitContact(text);
    QHash<QString, QString> byTag;
    for (int i = 0; i < fields.size(); ++i) {
        const bool inOrder = i < kTags.size()
                                 ? fields.at(i).first == kTags.at(i)
                                 : i == kTags.size() && fields.at(i).first == QLatin1String("comment");
        if (!inOrder)
            return {};
        byTag.insert(fields.at(i).first, fields.at(i).second);
    }
    return fields.size() >= kTags.size() ? byTag : QHash<QString, QString>();
}

using Tweak = std::function<void(Message&)>;

} // namespace

Q_DECLARE_METATYPE(Tweak)

class TestQsoLoggedDecoder : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void fields_data();
    void fields();
    void frequencyAndBand_data();
    void frequencyAndBand();
    void julianToDate_data();
    void julianToDate();
    void julianToDateMatchesCalendar();
    void timeSpecsAsQtWritesThem_data();
    void timeSpecsAsQtWritesThem();
    void sendersOfDifferentLengths();
    void markerFinding_data();
    void markerFinding();
    void truncatedMessages();
    void garbageNeverBreaksTheText();
    void randomMessages();
};

// Catches any drift from the exact contact text: field order, tags, lengths, blanks, "<eor>" end.
void TestQsoLoggedDecoder::workedExample()
{
    Message m;
    m.myCall = "qq2bb /p";
    QCOMPARE(
        decodeBytes(m.bytes()),
        QStringLiteral("<call:5>QQ1AA <gridsquare:4>PM95 <mode:6>FREEDV <rst_sent:2>59 <rst_rcvd:2>57 "
                       "<qso_date:8>20240101 <time_on:6>123456 <qso_date_off:8>20240101 <time_off:6>124010 "
                       "<band:3>40m <freq:5>7.177 <station_callsign:8>QQ2BB /P <my_gridsquare:4>PM95 <eor>"));
}

void TestQsoLoggedDecoder::fields_data()
{
    QTest::addColumn<Tweak>("tweak");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, Tweak tweak, const char* tag, const QString& expected) {
        QTest::newRow(name) << tweak << QString::fromLatin1(tag) << expected;
    };
    row(
        "FreeDV: mode is the Id, not Mode", [](Message& m) { m.mode = "FT8"; }, "mode", "FREEDV");
    // WSJT-X pointed at the FreeDV port: its own Mode, not the program's name.
    row(
        "another sender: mode is Mode", [](Message& m) { m.id = "WSJT-X", m.mode = "ft4"; }, "mode", "FT4");
    row(
        "another sender without Mode: the Id", [](Message& m) { m.id = "WSJT-X", m.mode = ""; }, "mode",
        "WSJT-X");
    row(
        "call loses blanks, upper case", [](Message& m) { m.dxCall = " qq1 x "; }, "call", "QQ1X");
    row(
        "empty grid", [](Message& m) { m.dxGrid = ""; }, "gridsquare", "");
    row(
        "null grid", [](Message& m) { m.dxGrid = QByteArray(); }, "gridsquare", "");
    row(
        "grid keeps its case", [](Message& m) { m.dxGrid = "pm95Ab"; }, "gridsquare", "pm95Ab");
    row(
        "report loses blanks", [](Message& m) { m.reportSent = " 5 9"; }, "rst_sent", "59");
    row(
        "my call keeps blanks", [](Message& m) { m.myCall = "qq2bb /p"; }, "station_callsign", "QQ2BB /P");
    row(
        "null my call", [](Message& m) { m.myCall = QByteArray(); }, "station_callsign", "");
    row(
        "call over 255 bytes", [](Message& m) { m.dxCall = QByteArray(300, 'k'); }, "call",
        QString(300, 'K'));
    row(
        "field after a long string", [](Message& m) { m.dxCall = QByteArray(256, 'K'); }, "gridsquare",
        "PM95");
    row(
        "name of 70000 bytes", [](Message& m) { m.name = QByteArray(70000, 'n'); }, "my_gridsquare", "PM95");
    row(
        "null strings everywhere",
        [](Message& m) { m.mode = m.txPower = m.comments = m.name = m.operatorCall = QByteArray(); },
        "my_gridsquare", "PM95");
    row(
        "tx power skipped by its length", [](Message& m) { m.txPower = "100 W"; }, "my_gridsquare", "PM95");
    row(
        "tx power over 255 bytes", [](Message& m) { m.txPower = QByteArray(1000, '5'); }, "time_on",
        "123456");
    row(
        "UTF-8 call", [](Message& m) { m.dxCall = QStringLiteral("qqé1").toUtf8(); }, "call", "QQÉ1");
    row(
        "comment keeps inner blanks, UTF-8",
        [](Message& m) { m.comments = QStringLiteral("  こんにちは  73 ").toUtf8(); }, "comment",
        QStringLiteral("こんにちは  73"));
    row(
        "line break in a comment", [](Message& m) { m.comments = "tnx\r\nqso"; }, "comment", "tnx  qso");
    row(
        "line break in a call", [](Message& m) { m.dxCall = "QQ1\nAA"; }, "call", "QQ1AA");
    row(
        "time 0 ms", [](Message& m) { m.on.ms = 0; }, "time_on", "000000");
    row(
        "time 86399999 ms", [](Message& m) { m.on.ms = 86399999; }, "time_on", "235959");
    row(
        "time of a whole day", [](Message& m) { m.on.ms = 86400000; }, "time_on", "");
    row(
        "null time", [](Message& m) { m.off.ms = 0xFFFFFFFF; }, "time_off", "");
    row(
        "offset after time off", [](Message& m) { m.off.spec = 2, m.off.offset = -32400; }, "call", "QQ1AA");
    row(
        "offset after time on", [](Message& m) { m.on.spec = 2, m.on.offset = 3600; }, "station_callsign",
        "QQ2BB");
    row(
        "zone after time off", [](Message& m) { m.off.spec = 3, m.off.zoneId = "Asia/Tokyo"; }, "freq",
        "7.177");
    row(
        "time taken as it stands", [](Message& m) { m.on.spec = 2, m.on.offset = 32400; }, "time_on",
        "123456");
    row(
        "leap day", [](Message& m) { m.on.day = 2460370; }, "qso_date", "20240229");
    row(
        "off and on come from their own fields", [](Message& m) { m.off.day = 2451545, m.on.day = 2460311; },
        "qso_date_off", "20000101");
    row(
        "unconvertible off date", [](Message& m) { m.off.day = 0; }, "qso_date_off", "18991230");
    row(
        "unconvertible on date takes off date", [](Message& m) { m.off.day = 2451545, m.on.day = 0; },
        "qso_date", "20000101");
    row(
        "both unconvertible", [](Message& m) { m.off.day = -1, m.on.day = 600000000; }, "qso_date",
        "18991230");
    row(
        "day beyond 32 bits is no date", [](Message& m) { m.off.day = 0x100258A97LL; }, "qso_date_off",
        "18991230");
    row(
        "null date", [](Message& m) { m.on.day = std::numeric_limits<qint64>::min(); }, "qso_date",
        "20240101");
}

// Catches wrong handling of one field: blanks, case, null and long strings, skipped fields, dates.
void TestQsoLoggedDecoder::fields()
{
    QFETCH(Tweak, tweak);
    QFETCH(QString, tag);
    QFETCH(QString, expected);
    Message m;
    tweak(m);
    const auto fields = contactFields(decodeBytes(m.bytes()));
    QVERIFY(!fields.isEmpty());
    QCOMPARE(fields.value(tag), expected);
    QCOMPARE(fields.contains(QStringLiteral("comment")), !m.comments.trimmed().isEmpty());
}

void TestQsoLoggedDecoder::frequencyAndBand_data()
{
    QTest::addColumn<quint64>("hz");
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("band");
    QTest::newRow("40m") << quint64(7177000) << "7.177"
                         << "40m";
    QTest::newRow("between 80m and 75m") << quint64(3695000) << "3.695"
                                         << "";
    QTest::newRow("80m upper bound excluded") << quint64(3688000) << "3.688"
                                              << "";
    QTest::newRow("80m just below") << quint64(3687999) << "3.688"
                                    << "80m";
    QTest::newRow("2200m upper bound excluded") << quint64(138000) << "0.138"
                                                << "";
    QTest::newRow("2200m lower bound") << quint64(135000) << "0.135"
                                       << "2200m";
    QTest::newRow("40m upper bound included") << quint64(7200000) << "7.200"
                                              << "40m";
    QTest::newRow("40m just above") << quint64(7200001) << "7.200"
                                    << "";
    QTest::newRow("23cm") << quint64(1296500000) << "1296.500"
                          << "23cm";
    QTest::newRow("13cm") << quint64(2400000000) << "2400.000"
                          << "13cm";
    QTest::newRow("5cm upper bound") << quint64(5850000000) << "5850.000"
                                     << "5cm";
    QTest::newRow("20m") << quint64(14074000) << "14.074"
                         << "20m";
    QTest::newRow("zero") << quint64(0) << "0.000"
                          << "";
    QTest::newRow("rounds down below half") << quint64(7177499) << "7.177"
                                            << "40m";
    QTest::newRow("rounds half up") << quint64(7177500) << "7.178"
                                    << "40m";
    QTest::newRow("largest") << std::numeric_limits<quint64>::max() << "18446744073709.552"
                             << "";
}

// Catches wrong rounding, lost digits and band bounds that include or exclude the wrong edge.
void TestQsoLoggedDecoder::frequencyAndBand()
{
    QFETCH(quint64, hz);
    QFETCH(QString, freq);
    QFETCH(QString, band);
    Message m;
    m.txFrequency = hz;
    const auto fields = contactFields(decodeBytes(m.bytes()));
    QCOMPARE(fields.value(QStringLiteral("freq")), freq);
    QCOMPARE(fields.value(QStringLiteral("band")), band);
}

void TestQsoLoggedDecoder::julianToDate_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("error");
    const int none = int(JulianDateError::None);
    const int noDate = int(JulianDateError::NoDate);
    const int overflow = int(JulianDateError::Overflow);
    QTest::newRow("2000-01-01") << 2451545 << QDate(2000, 1, 1) << none;
    QTest::newRow("2024-01-01") << 2460311 << QDate(2024, 1, 1) << none;
    QTest::newRow("2024-02-29") << 2460370 << QDate(2024, 2, 29) << none;
    QTest::newRow("1582-10-14 proleptic") << 2299160 << QDate(1582, 10, 14) << none;
    QTest::newRow("first day") << 1757585 << QDate(100, 1, 1) << none;
    QTest::newRow("last day") << 5373484 << QDate(9999, 12, 31) << none;
    QTest::newRow("before year 100") << 1757584 << QDate() << noDate;
    QTest::newRow("after year 9999") << 5373485 << QDate() << noDate;
    QTest::newRow("day 0") << 0 << QDate() << noDate;
    QTest::newRow("negative") << -1000 << QDate() << noDate;
    QTest::newRow("overflow at step 2") << 536838868 << QDate() << overflow;
    QTest::newRow("year beyond 16 bits") << 536838867 << QDate() << overflow;
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << QDate() << overflow;
    QTest::newRow("most positive") << std::numeric_limits<int>::max() << QDate() << overflow;
}

// Catches a wrong calendar formula and unchecked overflow that would give a made-up date.
void TestQsoLoggedDecoder::julianToDate()
{
    QFETCH(int, day);
    QFETCH(QDate, date);
    QFETCH(int, error);
    JulianDateError why = JulianDateError::Overflow;
    const std::optional<QDate> result = JulianToDate(day, &why);
    QCOMPARE(int(why), error);
    QCOMPARE(result.has_value(), date.isValid());
    if (result)
        QCOMPARE(*result, date);
}

// Catches off-by-one days anywhere in the range, against Qt's own calendar.
void TestQsoLoggedDecoder::julianToDateMatchesCalendar()
{
    for (qint32 day = 1757585; day <= 5373484; day += 997) {
        const std::optional<QDate> date = JulianToDate(day);
        QVERIFY2(date.has_value(), qPrintable(QString::number(day)));
        QCOMPARE(*date, QDate::fromJulianDay(day));
    }
}

void TestQsoLoggedDecoder::timeSpecsAsQtWritesThem_data()
{
    QTest::addColumn<QDateTime>("dateTime");
    const QDate date(2024, 1, 1);
    const QTime time(12, 34, 56, 789);
    QTest::newRow("UTC") << QDateTime(date, time, Qt::UTC);
    QTest::newRow("local time") << QDateTime(date, time, Qt::LocalTime);
    QTest::newRow("offset from UTC") << QDateTime(date, time, Qt::OffsetFromUTC, 9 * 3600);
    QTest::newRow("named zone") << QDateTime(date, time, QTimeZone("Asia/Tokyo"));
    QTest::newRow("zone of a fixed offset") << QDateTime(date, time, QTimeZone(-5 * 3600));
    QTest::newRow("custom zone") << QDateTime(date, time, QTimeZone("Custom/Zone", 3600, "name", "CZ"));
}

// Catches a Qt::TimeSpec whose trailing offset or zone is not passed over exactly as Qt
// writes it, which would shift every later field.
void TestQsoLoggedDecoder::timeSpecsAsQtWritesThem()
{
    QFETCH(QDateTime, dateTime);
    QVERIFY(dateTime.isValid());
    Message m;
    m.off.qt = dateTime;
    m.on.qt = dateTime;
    const auto fields = contactFields(decodeBytes(m.bytes()));
    QCOMPARE(fields.value(QStringLiteral("call")), QStringLiteral("QQ1AA"));
    QCOMPARE(fields.value(QStringLiteral("qso_date")), QStringLiteral("20240101"));
    QCOMPARE(fields.value(QStringLiteral("time_on")), QStringLiteral("123456"));
    QCOMPARE(fields.value(QStringLiteral("time_off")), QStringLiteral("123456"));
    QCOMPARE(fields.value(QStringLiteral("station_callsign")), QStringLiteral("QQ2BB"));
    QCOMPARE(fields.value(QStringLiteral("my_gridsquare")), QStringLiteral("PM95"));
    const QsoLogged::Contact contact = QsoLogged::DecodeMessage(m.bytes());
    QVERIFY(contact.cutShortAt.isEmpty());
}

// Catches a decoder that reads past My grid, or trips over senders that add fields after it.
void TestQsoLoggedDecoder::sendersOfDifferentLengths()
{
    Message shortest;
    Message longer;
    longer.after = {"599 012", "599 034", "TR", QByteArray(), "QO-100"};
    Message later;
    later.after = {"", "", "", "", "", QByteArray(500, 'x')};
    const QString expected = decodeBytes(shortest.bytes());
    QCOMPARE(decodeBytes(longer.bytes()), expected);
    QCOMPARE(decodeBytes(later.bytes()), expected);
    QVERIFY(QsoLogged::DecodeMessage(shortest.bytes()).cutShortAt.isEmpty());
}

void TestQsoLoggedDecoder::markerFinding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("found");
    Message heartbeat;
    heartbeat.type = 0;
    Message schema3;
    schema3.schema = 3;
    const QByteArray contact = Message().bytes();
    QTest::newRow("at the start") << contact << true;
    QTest::newRow("after another datagram") << heartbeat.bytes() + contact << true;
    QTest::newRow("after 20000 bytes") << QByteArray(20000, '\x11') + contact << true;
    QTest::newRow("other message type") << heartbeat.bytes() << false;
    QTest::newRow("schema 3") << schema3.bytes() << false;
    // 0x?A 0xDB 0xCC ...: the marker's digits appear, but half a byte off.
    QTest::newRow("straddling bytes") << QByteArray::fromHex("0ADBCCBDA0000000200000005000") << false;
    QTest::newRow("straddling, then real")
        << QByteArray::fromHex("0ADBCCBDA0000000200000005000") + contact << true;
    QTest::newRow("empty") << QByteArray() << false;
}

// Catches a marker search that misses a contact behind other bytes, or starts half a byte off.
void TestQsoLoggedDecoder::markerFinding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, found);
    const QString hex = QsoLogged::HexText(bytes);
    QCOMPARE(hex, QString::fromLatin1(bytes.toHex().toUpper()));
    const qsizetype at = QsoLogged::FindMarker(hex);
    QCOMPARE(at >= 0, found);
    if (found) {
        QCOMPARE(at % 2, qsizetype(0));
        QCOMPARE(decodeBytes(bytes), decodeBytes(Message().bytes()));
    }
}

// Catches garbage or a crash when a message ends early: what was cut off must be empty, never
// read from the wrong place.
void TestQsoLoggedDecoder::truncatedMessages()
{
    Message m;
    m.comments = "tnx fer QSO";
    m.name = "Taro";
    const QByteArray full = m.bytes();
    const QHash<QString, QString> complete = contactFields(decodeBytes(full));
    for (int cut = 0; cut < full.size(); ++cut) {
        const QHash<QString, QString> fields = contactFields(decodeBytes(full.left(cut)));
        QVERIFY2(!fields.isEmpty() || cut < QsoLogged::kMarkerBytes, qPrintable(QString::number(cut)));
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            const QString whole = complete.value(it.key());
            QVERIFY2(it.value().isEmpty() || whole.startsWith(it.value()),
                     qPrintable(QStringLiteral("cut %1 %2=%3").arg(cut).arg(it.key(), it.value())));
        }
        if (cut >= QsoLogged::kMarkerBytes)
            QVERIFY(!QsoLogged::DecodeMessage(full.left(cut)).cutShortAt.isEmpty());
    }

    // Ends right after the DX call.
    const qsizetype end = full.indexOf("QQ1AA") + 5;
    const QString text = decodeBytes(full.left(end));
    QCOMPARE(text, QStringLiteral("<call:5>QQ1AA <gridsquare:0> <mode:6>FREEDV <rst_sent:0> <rst_rcvd:0> "
                                  "<qso_date:0> <time_on:0> <qso_date_off:8>20240101 <time_off:6>124010 "
                                  "<band:0> <freq:0> <station_callsign:0> <my_gridsquare:0> <eor>"));

    // A multi-byte character cut in half is dropped, not shown as a replacement character.
    Message utf8;
    utf8.dxCall = QStringLiteral("QQ日本").toUtf8();
    const QByteArray bytes = utf8.bytes();
    const QsoLogged::Contact halfChar = QsoLogged::DecodeMessage(bytes.left(bytes.indexOf("QQ") + 6));
    QCOMPARE(halfChar.call, QStringLiteral("QQ日"));
    QCOMPARE(halfChar.cutShortAt, QStringLiteral("DX call"));
}

// Catches crashes and malformed contact texts on arbitrary bytes after the marker or in the hex text.
void TestQsoLoggedDecoder::garbageNeverBreaksTheText()
{
    QRandomGenerator random(20240101);
    const QByteArray marker = QByteArray::fromHex(QsoLogged::kMarker);
    for (int i = 0; i < 500; ++i) {
        QByteArray tail(int(random.bounded(200)), '\0');
        for (char& c : tail)
            c = char(random.bounded(256));
        // Small lengths now and then so that the walk gets further than the first string.
        for (int k = 0; k + 4 < tail.size(); k += int(random.bounded(4, 40)))
            tail[k] = tail[k + 1] = tail[k + 2] = 0;
        QVERIFY(!contactFields(decodeBytes(marker + tail)).isEmpty());
    }
    QString notHex = QsoLogged::HexText(Message().bytes());
    notHex[60] = QLatin1Char('G');
    DecodeQsoLogged(notHex);
    QCOMPARE(contactFields(notHex).value(QStringLiteral("call")), QString());
    QString noMarker = QStringLiteral("00FF");
    DecodeQsoLogged(noMarker);
    QVERIFY(!contactFields(noMarker).isEmpty());
}

namespace {

QByteArray randomText(QRandomGenerator& random)
{
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/- "
                       "日本語テストｱé");
    const quint32 kind = random.bounded(20);
    if (kind == 0)
        return QByteArray();
    const int length = kind == 1 ? int(random.bounded(250, 700)) : int(random.bounded(12));
    QString text;
    for (int i = 0; i < length; ++i)
        text += kAlphabet.at(int(random.bounded(kAlphabet.size())));
    return text.toUtf8();
}

WireDateTime randomDateTime(QRandomGenerator& random)
{
    WireDateTime dt;
    const quint32 dayKind = random.bounded(10);
    dt.day = dayKind == 0   ? qint64(random.bounded(-100, 1757585))
             : dayKind == 1 ? qint64(5373485) + random.bounded(600000000)
                            : qint64(random.bounded(2400000, 2500000));
    const quint32 msKind = random.bounded(10);
    dt.ms = msKind == 0   ? 0xFFFFFFFFu
            : msKind == 1 ? 86400000u + random.bounded(1000000)
                          : random.bounded(86400000u);
    dt.spec = quint8(random.bounded(5));
    dt.offset = random.bounded(-50000, 50000);
    dt.zoneId = random.bounded(2) ? QByteArray("Europe/Berlin") : QByteArray();
    return dt;
}

QString expectedDate(qint64 day, const QString& before)
{
    if (day < 1757585 || day > 5373484)
        return before;
    return QDate::fromJulianDay(day).toString(QStringLiteral("yyyyMMdd"));
}

QString expectedTime(quint32 ms)
{
    if (ms >= 86400000u)
        return QString();
    return QTime::fromMSecsSinceStartOfDay(int(ms)).toString(QStringLiteral("hhmmss"));
}

QString expectedBand(quint64 hz)
{
    struct Band
    {
        double low, high;
        bool closed;
        const char* name;
    };
    static const Band kBands[] = {
        {135, 138, false, "2200m"},       {472, 480, false, "600m"},        {1800, 1913, false, "160m"},
        {3500, 3688, false, "80m"},       {3702, 3806, false, "75m"},       {7000, 7200, true, "40m"},
        {10100, 10150, true, "30m"},      {14000, 14350, true, "20m"},      {18068, 18168, true, "17m"},
        {21000, 21450, true, "15m"},      {24890, 24990, true, "12m"},      {28000, 29700, true, "10m"},
        {50000, 54000, true, "6m"},       {144000, 146000, true, "2m"},     {430000, 440000, true, "70cm"},
        {1260000, 1300000, true, "23cm"}, {2400000, 2450000, true, "13cm"}, {5650000, 5850000, true, "5cm"},
    };
    const double khz = double(hz) / 1000.0;
    for (const Band& b : kBands) {
        if (khz >= b.low && (b.closed ? khz <= b.high : khz < b.high))
            return QString::fromLatin1(b.name);
    }
    return QString();
}

} // namespace

// Catches any disagreement, field by field, with an independent reading of a few hundred messages
// of every shape: long, null, UTF-8 and blank-filled strings, odd dates, time specs, extra fields.
void TestQsoLoggedDecoder::randomMessages()
{
    QRandomGenerator random(7177);
    static const quint64 kKhz[] = {136,   475,    1840,   3573,    3695,    3710,    7074,
                                   7200,  10136,  14074,  18100,   21074,   24915,   28074,
                                   50313, 144174, 432065, 1296500, 2400000, 5760000, 99999};
    for (int i = 0; i < 400; ++i) {
        Message m;
        m.id = randomText(random);
        m.off = randomDateTime(random);
        m.dxCall = randomText(random);
        m.dxGrid = randomText(random);
        quint64 khz = kKhz[random.bounded(int(sizeof kKhz / sizeof kKhz[0]))];
        if (random.bounded(3) == 0)
            khz = random.bounded(6000000);
        quint32 extraHz = random.bounded(1000u);
        if (extraHz == 500)
            extraHz = 501;
        m.txFrequency = khz * 1000 + (random.bounded(2) ? extraHz : 0);
        m.mode = randomText(random);
        m.reportSent = randomText(random);
        m.reportReceived = randomText(random);
        m.txPower = randomText(random);
        m.comments = randomText(random);
        m.name = randomText(random);
        m.on = randomDateTime(random);
        m.operatorCall = randomText(random);
        m.myCall = randomText(random);
        m.myGrid = randomText(random);
        for (quint32 n = random.bounded(4); n > 0; --n)
            m.after.append(randomText(random));

        const QString text = decodeBytes(m.bytes());
        const auto fields = contactFields(text);
        QVERIFY2(!fields.isEmpty(), qPrintable(text));
        const auto noBlanks = [](const QByteArray& b) {
            return QString::fromUtf8(b).remove(QLatin1Char(' '));
        };
        const QString offDate = expectedDate(m.off.day, QStringLiteral("18991230"));
        const QString comment = QString::fromUtf8(m.comments).trimmed();

        const QString row = QStringLiteral("message %1: %2").arg(i).arg(text);
        QVERIFY2(fields.value(QStringLiteral("call")) == noBlanks(m.dxCall).toUpper(), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("gridsquare")) == noBlanks(m.dxGrid), qPrintable(row));
        const QString id = noBlanks(m.id).toUpper(), mode = noBlanks(m.mode).toUpper();
        QVERIFY2(fields.value(QStringLiteral("mode")) ==
                     (id.startsWith(QLatin1String("FREEDV")) || mode.isEmpty() ? id : mode),
                 qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("rst_sent")) == noBlanks(m.reportSent), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("rst_rcvd")) == noBlanks(m.reportReceived), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("qso_date_off")) == offDate, qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("time_off")) == expectedTime(m.off.ms), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("qso_date")) == expectedDate(m.on.day, offDate),
                 qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("time_on")) == expectedTime(m.on.ms), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("freq")) == QString::number(double(m.txFrequency) / 1e6, 'f', 3),
                 qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("band")) == expectedBand(m.txFrequency), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("station_callsign")) == QString::fromUtf8(m.myCall).toUpper(),
                 qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("my_gridsquare")) == noBlanks(m.myGrid), qPrintable(row));
        QVERIFY2(fields.value(QStringLiteral("comment")) == comment, qPrintable(row));
    }
}

QTEST_GUILESS_MAIN(TestQsoLoggedDecoder)
#include "tst_qso_logged_decoder.moc"
