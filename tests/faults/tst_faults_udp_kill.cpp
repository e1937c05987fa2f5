// The reception path killed outright (SIGKILL, as a crash or a power cut would end it) at many
// random instants of a burst of contacts into the built-in store. The program under test is
// faults_udp_driver: the intake, the outbox, the ADIF log and the append as the main window runs
// them, and the reconciliation it makes when it starts.

#include "reception/qso_logged_encoder.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QUdpSocket>
#include <QtTest>

#include <sqlite3.h>

namespace {

constexpr int kKills = 30;
constexpr int kBurst = 1000;
constexpr int kMaxDelayMs = 300;

// The call sign of contact number i of a burst: each one different.
QString burstCall(int run, int i)
{
    return QStringLiteral("7K%1%2").arg(run, 3, 10, QLatin1Char('0')).arg(i, 4, 10, QLatin1Char('0'));
}

QByteArray freeDvContact(const QString& call)
{
    QsoLogged::Outgoing qso;
    qso.dxCall = call;
    qso.dxGrid = QStringLiteral("PM95");
    qso.txFrequencyHz = 14236000;
    qso.mode = QStringLiteral("DATA");
    qso.reportSent = QStringLiteral("59");
    qso.reportReceived = QStringLiteral("57");
    qso.timeOff = QDateTime(QDate(2024, 3, 15), QTime(12, 34, 56), Qt::UTC);
    return QsoLogged::EncodeQsoLogged(qso);
}

// The call signs in the store at path, in the order appended, after an integrity check; opened as
// the next run of the program would, which rolls back an append a kill cut short. None when the
// store was never made.
QStringList checkedStore(const QString& path, QString& error)
{
    QStringList calls;
    if (!QFileInfo::exists(path))
        return calls; // killed before the first contact made it
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        error = QStringLiteral("cannot open: ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return calls;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK ||
        sqlite3_step(stmt) != SQLITE_ROW ||
        qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok"))
        error = QStringLiteral("integrity check: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    stmt = nullptr;
    if (error.isEmpty() && sqlite3_prepare_v2(db, "SELECT call FROM hamlog_records ORDER BY id", -1, &stmt,
                                              nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            calls << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return calls;
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

} // namespace

class TestFaultsUdpKill : public QObject
{
    Q_OBJECT

private slots:
    void killedDuringBurst();
};

// Catches a burst of received contacts that a kill leaves as a store that cannot be opened or
// fails its integrity check, a contact reported as appended that is not in the store, a contact in
// it twice, a half line in the ADIF log, or a store and an ADIF log that disagree once the program
// has started again.
void TestFaultsUdpKill::killedDuringBurst()
{
    TempProgramFolder folder;
    const QString db = folder.filePath(QStringLiteral("VELKOR.db"));
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=" + db.toUtf8() + "\r\n"));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), QByteArray()));
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), QByteArray()));
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/faults_udp_driver");

    QRandomGenerator random(20261207);
    int reportedInAll = 0;
    int stored = 0;
    QStringList reported; // by the run killed last
    for (int run = 0; run <= kKills; ++run) {
        QProcess program;
        program.start(driver, {folder.path(), QString::number(freePort())});
        QVERIFY(program.waitForStarted(60000));
        // Its start reconciles the outbox with the store and the log, which grow run by run: on a
        // busy machine that takes seconds.
        quint16 port = 0;
        while (port == 0 && program.waitForReadyRead(60000)) {
            while (program.canReadLine()) {
                const QByteArray line = program.readLine().trimmed();
                if (line.startsWith("port "))
                    port = quint16(line.mid(5).toUInt());
                else
                    QFAIL(line.constData());
            }
        }
        QVERIFY2(port != 0, qPrintable(QStringLiteral("start %1: the driver does not listen").arg(run)));

        // Started again, the program has reconciled the outbox: the store holds every contact of
        // the ADIF log once, and nothing else; whatever the last run reported is there.
        const QString where = QStringLiteral("start %1: ").arg(run);
        QString error;
        const QStringList calls = checkedStore(db, error);
        QVERIFY2(error.isEmpty(), qPrintable(where + error));
        const QByteArray log = folder.read(QStringLiteral("Log/Velkor.adi"));
        QVERIFY2(log.isEmpty() || log.endsWith("\r\n"), qPrintable(where + QStringLiteral("a half line in the log")));
        QStringList logged;
        for (const QByteArray& line : log.split('\n')) {
            const int at = line.indexOf("<call:");
            if (at >= 0)
                logged << QString::fromLatin1(line.mid(at + 8, line.indexOf(' ', at) - at - 8));
        }
        QVERIFY2(QSet<QString>(calls.begin(), calls.end()).size() == calls.size(),
                 qPrintable(where + QStringLiteral("a contact stored twice")));
        QVERIFY2(QSet<QString>(calls.begin(), calls.end()) == QSet<QString>(logged.begin(), logged.end()),
                 qPrintable(where + QStringLiteral("%1 stored, %2 logged").arg(calls.size()).arg(logged.size())));
        for (const QString& call : reported)
            QVERIFY2(calls.contains(call), qPrintable(where + call + QStringLiteral(" reported, not stored")));
        stored = int(calls.size());
        if (run == kKills)
            break;

        // The burst goes out as fast as a partner can send, then the program is killed.
        QUdpSocket sender;
        const int delay = int(random.bounded(kMaxDelayMs + 1));
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kBurst && clock.elapsed() < delay; ++i)
            sender.writeDatagram(freeDvContact(burstCall(run, i)), QHostAddress::LocalHost, port);
        const qint64 left = delay - clock.elapsed();
        if (left > 0)
            QTest::qSleep(int(left));
        program.kill();
        QVERIFY(program.waitForFinished(60000));

        reported.clear();
        for (const QByteArray& line : program.readAllStandardOutput().split('\n')) {
            if (line.startsWith("appended "))
                reported << QString::fromUtf8(line.mid(9).trimmed());
            else if (line.startsWith("box "))
                QFAIL(line.constData());
        }
        reportedInAll += reported.size();
    }
    qInfo("%d kills: %d contacts reported appended, %d in the store and the ADIF log", kKills, reportedInAll,
          stored);
}

QTEST_GUILESS_MAIN(TestFaultsUdpKill)
#include "tst_faults_udp_kill.moc"
