// The program killed outright (SIGKILL, as a crash or a power cut would end it) at many random
// instants while it writes to the built-in store: the store must always open, hold together and
// keep every record reported as appended.

#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <sqlite3.h>

namespace {

constexpr int kKills = 200;
constexpr int kImportRecords = 10000;
constexpr int kMaxDelayMs = 300;

QString cliProgram()
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/velkor-cli");
#ifdef Q_OS_WIN
    program += QStringLiteral(".exe");
#endif
    return program;
}

QByteArray adifFile(int records, int offset)
{
    QByteArray bytes = "made for a test <eoh>\n";
    for (int i = 0; i < records; ++i) {
        const QByteArray call = "JA" + QByteArray::number((offset + i) % 10) + "K" +
                                QByteArray::number((offset + i) % 1000).rightJustified(3, '0');
        bytes += "<call:" + QByteArray::number(call.size()) + ">" + call +
                 " <qso_date:8>20240315 <time_on:6>" + QByteArray::number(100000 + i % 100000).right(6) +
                 " <freq:9>14.074150 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 <gridsquare:4>PM95 <eor>\n";
    }
    return bytes;
}

// Opens the store as the next run of the program would (which rolls back an append a kill cut
// short) and checks it. Returns the number of records, or -1 with why in error.
int checkStore(const QString& path, QString& error)
{
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        error = QStringLiteral("cannot open: ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const QByteArray result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        if (result != "ok")
            error = QStringLiteral("integrity check: ") + QString::fromUtf8(result);
    } else {
        error = QStringLiteral("integrity check failed: ") + QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    stmt = nullptr;
    if (error.isEmpty() &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM hamlog_records", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        count = sqlite3_column_int(stmt, 0);
    else if (error.isEmpty())
        error = QStringLiteral("cannot count: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return error.isEmpty() ? count : -1;
}

} // namespace

class TestFaultsKill : public QObject
{
    Q_OBJECT

private slots:
    void importKilledAtRandomInstants();
};

// Catches an import that a kill leaves as a store that cannot be opened, fails its integrity
// check, holds part of an import (the store commits once per import: all of it or none), or lost
// records of an import that had reported them appended.
void TestFaultsKill::importKilledAtRandomInstants()
{
    TempProgramFolder folder;
    const QString db = folder.filePath(QStringLiteral("VELKOR.db"));
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=" + db.toUtf8() + "\r\n"));
    QVERIFY(folder.write(QStringLiteral("small.adi"), adifFile(10, 0)));
    QVERIFY(folder.write(QStringLiteral("big.adi"), adifFile(kImportRecords, 10)));
    const QStringList common{QStringLiteral("--dir"), folder.path()};

    QProcess first;
    first.start(cliProgram(),
                QStringList{QStringLiteral("import"), folder.filePath(QStringLiteral("small.adi"))} + common);
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(QFile::copy(db, db + QStringLiteral(".base")));
    const int base = 10;

    QRandomGenerator random(20261207);
    int expected = base;
    int completed = 0;
    int rolledBack = 0;
    for (int run = 0; run < kKills; ++run) {
        // Started over from the small store now and then, so that checks stay quick.
        if (expected >= base + 3 * kImportRecords) {
            QVERIFY(QFile::remove(db));
            QVERIFY(QFile::copy(db + QStringLiteral(".base"), db));
            expected = base;
        }
        const int delay = int(random.bounded(kMaxDelayMs + 1));
        QProcess import;
        import.start(cliProgram(),
                     QStringList{QStringLiteral("import"), folder.filePath(QStringLiteral("big.adi"))} +
                         common);
        QVERIFY(import.waitForStarted(10000));
        bool finished = import.waitForFinished(delay);
        if (!finished) {
            import.kill();
            QVERIFY(import.waitForFinished(10000));
        }
        const bool reported =
            import.exitStatus() == QProcess::NormalExit && import.exitCode() == 0 &&
            import.readAllStandardOutput().contains("appended: " + QByteArray::number(kImportRecords) + "\n");
        const bool journal = QFileInfo::exists(db + QStringLiteral("-journal"));

        QString error;
        const int count = checkStore(db, error);
        const QString where = QStringLiteral("run %1, killed after %2 ms: ").arg(run).arg(delay);
        QVERIFY2(count >= 0, qPrintable(where + error));
        QVERIFY2(count == expected || count == expected + kImportRecords,
                 qPrintable(where + QStringLiteral("%1 records, %2 or %3 expected")
                                        .arg(count)
                                        .arg(expected)
                                        .arg(expected + kImportRecords)));
        QVERIFY2(!reported || count == expected + kImportRecords,
                 qPrintable(where + QStringLiteral("an import reported as appended is missing")));
        completed += count > expected ? 1 : 0;
        rolledBack += journal ? 1 : 0;
        expected = count;
    }
    qInfo("%d kills: %d imports complete, %d rolled back from a journal", kKills, completed, rolledBack);
}

QTEST_GUILESS_MAIN(TestFaultsKill)
#include "tst_faults_kill.moc"
