// Runs "velkor-cli decode" as operators do and checks what it prints and its exit status.

#include "support/run_tool.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace {

// A QSO Logged message (or another type) as a Qt sender writes it, schema 2 at Qt_5_2.
QByteArray message(quint32 schema, quint32 type)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_5_2);
    s << quint32(0xADBCCBDA) << schema << type << QByteArray("FreeDV");
    if (type != 5)
        return out;
    s << qint64(2460311) << quint32(45610000) << quint8(1) << QByteArray("QQ1AA") << QByteArray("PM95")
      << quint64(7177000) << QByteArray("DATA") << QByteArray("59") << QByteArray("57") << QByteArray()
      << QByteArray() << QByteArray() << qint64(2460311) << quint32(45296789) << quint8(1) << QByteArray()
      << QByteArray("QQ2BB") << QByteArray("PM95");
    return out;
}

const QString kContact =
    QStringLiteral("<call:5>QQ1AA <gridsquare:4>PM95 <mode:6>FREEDV <rst_sent:2>59 <rst_rcvd:2>57 "
                   "<qso_date:8>20240101 <time_on:6>123456 <qso_date_off:8>20240101 <time_off:6>124010 "
                   "<band:3>40m <freq:5>7.177 <station_callsign:5>QQ2BB <my_gridsquare:4>PM95 <eor>\n");

ToolRun decode(const QStringList& args)
{
    return RunTool(QStringLiteral("velkor-cli"), QStringList{QStringLiteral("decode")} + args);
}

} // namespace

class TestDecodeCli : public QObject
{
    Q_OBJECT

private slots:
    void exitStatusesAndMessages();
};

// Catches wrong exit statuses, and a "no contact" reason that names only the first of several
// messages in one read or gives a byte position one too low.
void TestDecodeCli::exitStatusesAndMessages()
{
    TempProgramFolder folder;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        const QString rel = QString::fromLatin1(name);
        folder.write(rel, bytes);
        return folder.filePath(rel);
    };
    const QByteArray contact = message(2, 5);
    const QByteArray heartbeat = message(2, 0);

    ToolRun r = decode({file("raw.bin", heartbeat + contact)});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, kContact);
    QVERIFY(r.err.contains(QStringLiteral("starts at byte %1").arg(heartbeat.size() + 1)));

    QByteArray spaced = contact.toHex().toUpper();
    spaced.insert(24, "\r\n ");
    r = decode({QStringLiteral("--hex"), file("spaced.hex", spaced)});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, kContact);

    r = decode({file("other.bin", heartbeat + message(3, 5))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("starts with a Heartbeat message (type 0) of schema 2")),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("at byte %1 the input holds a QSO Logged message of schema 3")
                                .arg(heartbeat.size() + 1)),
             qPrintable(r.err));

    QCOMPARE(decode({file("adif.txt", "<call:5>QQ1AA <eor>")}).status, 1);
    QCOMPARE(decode({file("empty.bin", QByteArray())}).status, 1);

    QCOMPARE(decode({}).status, 2);
    QCOMPARE(decode({folder.filePath(QStringLiteral("missing.bin"))}).status, 2);
    QCOMPARE(decode({QStringLiteral("--hex"), file("bad.hex", "ADBCCBDZ")}).status, 2);
    QCOMPARE(decode({QStringLiteral("--hex"), file("odd.hex", "ADB")}).status, 2);
}

QTEST_GUILESS_MAIN(TestDecodeCli)
#include "tst_decode_cli.moc"
