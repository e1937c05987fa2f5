// Runs "velkor-cli send", "velkor-cli listen" and the demonstration partner together as an
// operator checking a partner's set-up would.

#include "reception/qso_logged_encoder.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

namespace {

QString program(const char* name)
{
    QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/") + QLatin1String(name);
#ifdef Q_OS_WIN
    path += QStringLiteral(".exe");
#endif
    return path;
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

// Runs a program to its end; its exit status, or -1 when it did not end normally.
int runToEnd(const char* name, const QStringList& args, QString* out = nullptr)
{
    QProcess process;
    process.start(program(name), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitCode();
}

} // namespace

class TstSendListenCli : public QObject
{
    Q_OBJECT

private slots:
    void listenShowsWhatEachDatagramBecomes();
    void sendRefusesBadArguments();
};

// Catches listen printing something other than what VELKOR makes of a datagram (a partner's
// second copy of a contact taken, or left without a word), send writing a
// message a partner would not, the demonstration partner missing the port its settings give, or
// listen not ending cleanly.
void TstSendListenCli::listenShowsWhatEachDatagramBecomes()
{
#ifdef Q_OS_WIN
    QSKIP("listen is ended by a termination request, which Windows cannot send to a console program");
#endif
    TempProgramFolder folder;
    const quint16 wsjt = freePort(), freedv = freePort();
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"),
                         "ThDbFile=x.db\r\nWsjtPort=" + QByteArray::number(wsjt) +
                             "\r\nFreeDvPort=" + QByteArray::number(freedv) + "\r\n"));
    QProcess text, qso;
    text.start(program("velkor-cli"),
               {"listen", "--source", "2", "--settings", folder.filePath("VELKOR.ini")});
    qso.start(program("velkor-cli"),
              {"listen", "--source", "4", "--settings", folder.filePath("VELKOR.ini")});
    QVERIFY(text.waitForReadyRead(10000));
    QVERIFY(qso.waitForReadyRead(10000));

    const QString port = QString::number(wsjt);
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", port, "--adif", "<call:5>QQ1AA <name:2>太郎 <eor>"}),
             0);
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", port, "--adif", "<call:5>QQ1AA <name:2>太郎 <eor>"}),
             0);
    // The same station again with another name: a correction, taken again.
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", port, "--adif", "<call:5>QQ1AA <name:4>Taro <eor>"}), 0);
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", port, "--qso-logged", "call=JA1ABC"}), 0);
    QCOMPARE(
        runToEnd("velkor-cli", {"send", "--port", QString::number(freedv), "--qso-logged", "call=ja1abc",
                                "freq=7177000", "time_off=2024-01-05T12:40:10", "station_callsign=QQ2BB"}),
        0);
    // WSJT-X's two servers pointed at one port: Logged ADIF (its ADIF in Latin-1), then plain text.
    const QByteArray record = "<call:5>JA2XY <qso_date:8>20240315 <time_on:6>123415 <band:3>20m <mode:4>MFSK "
                              "<submode:3>FT4 <name:6>M\xFCller <eor>";
    QUdpSocket partner;
    partner.writeDatagram(QsoLogged::EncodeLoggedAdif(QStringLiteral("WSJT-X"), "<EOH>\n" + record),
                          QHostAddress::LocalHost, wsjt);
    partner.writeDatagram(record, QHostAddress::LocalHost, wsjt);
    for (const char* partnerName : {"WSJT-X", "FreeDV"}) {
        QCOMPARE(runToEnd("velkor-demo-partner", {"--delay-ms", "0", "--stay-ms", "0", "--settings",
                                                  folder.filePath("VELKOR.ini"), "--partner", partnerName}),
                 0);
    }

    QString textOut, qsoOut;
    QTRY_VERIFY_WITH_TIMEOUT((textOut += QString::fromUtf8(text.readAllStandardOutput())).contains("JH2DMO"),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT((qsoOut += QString::fromUtf8(qso.readAllStandardOutput())).contains("JE4DMO"),
                             10000);
    text.terminate();
    qso.terminate();
    QVERIFY(text.waitForFinished(10000));
    QVERIFY(qso.waitForFinished(10000));
    QCOMPARE(text.exitCode(), 0);
    textOut += QString::fromUtf8(text.readAllStandardOutput());
    qsoOut += QString::fromUtf8(qso.readAllStandardOutput());

    QVERIFY2(textOut.contains(QStringLiteral("listening on 127.0.0.1:") + port), qPrintable(textOut));
    QVERIFY2(textOut.contains(QStringLiteral("contact: <call:5>QQ1AA <name:2>太郎 <eor>")),
             qPrintable(textOut));
    QVERIFY2(textOut.contains(QStringLiteral("dropped: a copy of the contact QQ1AA taken")), qPrintable(textOut));
    QVERIFY2(textOut.contains(QStringLiteral("taken again: QQ1AA was taken")), qPrintable(textOut));
    QVERIFY2(textOut.contains(QStringLiteral("no contact: a QSO Logged message")), qPrintable(textOut));
    QVERIFY2(
        textOut.contains(QStringLiteral("dropped: a copy of the contact JA2XY 20240315 1234 20m FT4 taken")),
        qPrintable(textOut));
    QVERIFY2(textOut.contains(QStringLiteral("stopped")), qPrintable(textOut));
    QVERIFY2(qsoOut.contains(QStringLiteral("contact: <call:6>JA1ABC <gridsquare:0> <mode:6>FREEDV")),
             qPrintable(qsoOut));
    QVERIFY2(qsoOut.contains(
                 QStringLiteral("<time_off:6>124010 <band:3>40m <freq:5>7.177 <station_callsign:5>QQ2BB")),
             qPrintable(qsoOut));
}

// Catches send going off with a port or field it cannot use, listen opening a port it was not
// given, and the demonstration partner guessing where to send.
void TstSendListenCli::sendRefusesBadArguments()
{
    QString out;
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", "0", "--adif", "x"}, &out), 2);
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", "2333"}, &out), 2);
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", "2333", "--qso-logged", "colour=red"}, &out), 2);
    QVERIFY2(out.contains(QStringLiteral("unknown field \"colour\"")), qPrintable(out));
    QCOMPARE(runToEnd("velkor-cli", {"send", "--port", "2333", "--qso-logged", "time_on=yesterday"}, &out),
             2);
    QCOMPARE(runToEnd("velkor-cli", {"listen", "--source", "5"}, &out), 2);

    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=x.db\r\nJtdxPort=70000\r\n"));
    QCOMPARE(runToEnd("velkor-cli", {"listen", "--source", "1", "--settings", folder.filePath("VELKOR.ini")},
                      &out),
             1);
    QVERIFY2(out.contains(QStringLiteral("70000")), qPrintable(out));

    // The demonstration partner started as no partner's program file sends nowhere.
    QCOMPARE(runToEnd("velkor-demo-partner",
                      {"--delay-ms", "0", "--stay-ms", "0", "--settings", folder.filePath("VELKOR.ini")},
                      &out),
             2);
    QVERIFY2(out.contains(QStringLiteral("--partner")), qPrintable(out));
}

QTEST_GUILESS_MAIN(TstSendListenCli)
#include "tst_send_listen_cli.moc"
