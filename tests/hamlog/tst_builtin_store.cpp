#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_data.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <vector>

#include <sqlite3.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Hands over a record whose fields are "<tag><index>" and appends it.
bool appendRecord(BuiltinStore& store, const QString& tag, const QString& call)
{
    store.SetThBuffer(HamlogBuffer, QString(), 0);
    for (int i = 1; i <= 16; ++i) {
        if (i != 15)
            store.SetThBuffer(HamlogBuffer, i == 1 ? call : tag + QString::number(i), i);
    }
    qint32 variable = 0;
    return store.THW_append(HamlogBuffer, 16, variable);
}

qint32 openStore(BuiltinStore& store, const QString& path)
{
    qint32 result = -1;
    store.HamlogOpen(0, HamlogBuffer, path, 1, result);
    return result;
}

} // namespace

class TestBuiltinStore : public QObject
{
    Q_OBJECT

private slots:
    // Catches records lost between sessions, fields in the wrong columns, or field 15 stored.
    void createsStoreAndKeepsRecords()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ログ.db"));
        BuiltinStore store;
        qint32 version = 0;
        QVERIFY(store.GetThdllVersion(version));
        QVERIFY(version != 0);

        QCOMPARE(openStore(store, path), qint32(BuiltinStore::kOpened));
        QVERIFY(BuiltinStore::IsStoreFile(path));
        QVERIFY(appendRecord(store, QStringLiteral("a"), QStringLiteral("JA1ABC")));
        QVERIFY(appendRecord(store, QStringLiteral("日本"), QString()));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));

        QCOMPARE(openStore(store, path), qint32(BuiltinStore::kOpened));
        QVERIFY(appendRecord(store, QStringLiteral("c"), QStringLiteral("K1ABC")));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));

        QList<StoredRecord> records;
        QString error;
        QVERIFY2(BuiltinStore::ReadRecords(path, records, error), qPrintable(error));
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0].fields[1], QStringLiteral("JA1ABC"));
        QCOMPARE(records[0].fields[14], QStringLiteral("a14"));
        QCOMPARE(records[0].fields[16], QStringLiteral("a16"));
        QVERIFY(records[0].fields[15].isEmpty());
        QCOMPARE(records[1].fields[1], QString());
        QCOMPARE(records[1].fields[11], QStringLiteral("日本11"));
        QCOMPARE(records[2].fields[1], QStringLiteral("K1ABC"));
        QVERIFY(QDateTime::fromString(records[2].appendedAt, Qt::ISODateWithMs).isValid());
    }

    // Catches a held record leaking into the next one when a new record begins.
    void newRecordStartsEmpty()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.db"));
        BuiltinStore store;
        QCOMPARE(openStore(store, path), qint32(0));
        QVERIFY(appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
        store.SetThBuffer(HamlogBuffer, QString(), 0);
        store.SetThBuffer(HamlogBuffer, QStringLiteral("BB1BB"), 1);
        qint32 variable = 0;
        QVERIFY(store.THW_append(HamlogBuffer, 16, variable));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        QList<StoredRecord> records;
        QString error;
        QVERIFY(BuiltinStore::ReadRecords(path, records, error));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].fields[1], QStringLiteral("BB1BB"));
        QVERIFY(records[1].fields[2].isEmpty());
    }

    // Catches records committed before the close (an import half visible) or not at all.
    void recordsCommitAtClose()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.db"));
        BuiltinStore store;
        QCOMPARE(openStore(store, path), qint32(0));
        QVERIFY(appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
        QList<StoredRecord> records;
        QString error;
        QVERIFY2(BuiltinStore::ReadRecords(path, records, error), qPrintable(error));
        QCOMPARE(records.size(), 0);
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        QVERIFY(BuiltinStore::ReadRecords(path, records, error));
        QCOMPARE(records.size(), 1);
    }

    // Catches a closed or never-opened store taking records, or a close without open doing harm.
    void appendNeedsOpenAndCloseIsHarmless()
    {
        BuiltinStore store;
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        QVERIFY(!appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
        QVERIFY(!store.lastError().isEmpty());
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
    }

    void foreignFileLeftUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray hamlog(4096, '\0');
        for (int i = 0; i < hamlog.size(); ++i)
            hamlog[i] = char((i * 7 + 3) & 0xFF);
        QTest::newRow("binary database") << hamlog;
        QTest::newRow("text") << QByteArray("JA1ABC,24/03/15,12:34\r\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("other sqlite database") << QByteArray(); // made in the test
    }

    // Catches the store taking over, rewriting or leaving a journal beside a file it does not own.
    void foreignFileLeftUnchanged()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Hamlog.hdb"));
        if (QByteArray(QTest::currentDataTag()) == "other sqlite database") {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            QCOMPARE(
                sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr),
                SQLITE_OK);
            sqlite3_close(db);
            bytes = readAll(path);
            QVERIFY(!bytes.isEmpty());
        } else {
            QVERIFY(writeAll(path, bytes));
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

        BuiltinStore store;
        QCOMPARE(openStore(store, path), qint32(BuiltinStore::kNotAStore));
        QVERIFY(!appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        QCOMPARE(readAll(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);

        QList<StoredRecord> records;
        QString error;
        QVERIFY(!BuiltinStore::ReadRecords(path, records, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), bytes);
    }

    // Catches a sound store changed by reading it, and a store left by a crash in the middle of an
    // append that cannot be read until the program appends again.
    void readingRecoversInterruptedAppend()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.db"));
        const QString copy = dir.filePath(QStringLiteral("copy.db"));
        BuiltinStore store;
        QCOMPARE(openStore(store, path), qint32(0));
        QVERIFY(appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        // Enough changes to spill from the page cache, so the file and its journal are both written
        // while the transaction is still open; their copies look like a crash in the middle.
        QCOMPARE(openStore(store, path), qint32(0));
        const QString wide(2000, QLatin1Char('w'));
        for (int i = 0; i < 2000; ++i)
            QVERIFY(appendRecord(store, wide, QStringLiteral("BB1BB")));
        QVERIFY(QFile::exists(path + QStringLiteral("-journal")));
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::copy(path + QStringLiteral("-journal"), copy + QStringLiteral("-journal")));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));

        // The interrupted append is rolled back, as the next append would do; what was complete stays.
        QList<StoredRecord> records;
        QString error;
        QVERIFY2(BuiltinStore::ReadRecords(copy, records, error), qPrintable(error));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].fields[1], QStringLiteral("AA1AA"));
        QVERIFY(!QFile::exists(copy + QStringLiteral("-journal")));

        // A sound store reads fine and stays as it was.
        const QByteArray stored = readAll(path);
        QVERIFY2(BuiltinStore::ReadRecords(path, records, error), qPrintable(error));
        QCOMPARE(records.size(), 2001);
        QCOMPARE(readAll(path), stored);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    // Catches a new store made under a HAMLOG database name, or a name refused in one case only.
    void hamlogNameNeverCreated()
    {
        QTemporaryDir dir;
        BuiltinStore store;
        for (const char* name : {"Hamlog.hdb", "HAMLOG.HDB", "log.Hdb"}) {
            QCOMPARE(openStore(store, dir.filePath(QLatin1String(name))),
                     qint32(BuiltinStore::kCannotCreate));
            QVERIFY2(store.lastError().contains(QStringLiteral("TURBO HAMLOG 自身のデータベース")),
                     qPrintable(store.lastError()));
        }
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        // Other names, ".hdb" inside them included, are made as before.
        QCOMPARE(openStore(store, dir.filePath(QStringLiteral("log.hdb.db"))), qint32(BuiltinStore::kOpened));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("log.hdb.db")});
    }

    // Catches a store created by several processes at once losing records or vanishing: one
    // process finding a half-made store, or removing one another process has already written to.
    void concurrentFirstAppends()
    {
        constexpr int kProcesses = 3;
        constexpr int kAppends = 10;
        for (int round = 0; round < 4; ++round) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("new.db"));
            const QString go = dir.filePath(QStringLiteral("go"));
            std::vector<std::unique_ptr<QProcess>> processes;
            for (int p = 0; p < kProcesses; ++p) {
                processes.emplace_back(new QProcess);
                processes.back()->start(QCoreApplication::applicationFilePath(),
                                        {QStringLiteral("--append-helper"), path, go,
                                         QStringLiteral("P%1").arg(p), QString::number(kAppends)});
                QVERIFY(processes.back()->waitForStarted());
            }
            QThread::msleep(100);
            QVERIFY(writeAll(go, QByteArray()));
            for (auto& process : processes) {
                QVERIFY(process->waitForFinished(60000));
                QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
            }
            QList<StoredRecord> records;
            QString error;
            QVERIFY2(BuiltinStore::ReadRecords(path, records, error), qPrintable(error));
            QCOMPARE(records.size(), kProcesses * kAppends);
            // No half-made store is left behind under another name.
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{QStringLiteral("go"), QStringLiteral("new.db")}));
        }
    }

    // Catches an open that claims success where no store can be made or used.
    void unopenableStore()
    {
        QTemporaryDir dir;
        BuiltinStore store;
        QVERIFY(openStore(store, dir.filePath(QStringLiteral("missing/folder/s.db"))) != 0);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(openStore(store, dir.path()) != 0);
        QVERIFY(openStore(store, QString()) != 0);

        // A store cut short after its header: marked as ours, but unusable.
        const QString good = dir.filePath(QStringLiteral("good.db"));
        QCOMPARE(openStore(store, good), qint32(0));
        QVERIFY(store.HamlogClose(HamlogBuffer, 1));
        const QString damaged = dir.filePath(QStringLiteral("damaged.db"));
        QVERIFY(writeAll(damaged, readAll(good).left(100)));
        QCOMPARE(openStore(store, damaged), qint32(BuiltinStore::kCannotOpen));
        QVERIFY(!store.isOpen());
        QVERIFY(!appendRecord(store, QStringLiteral("x"), QStringLiteral("AA1AA")));
    }
};

// Started by concurrentFirstAppends as another process: waits for the go file, then makes count
// appends of one record each, every one with its own open and close as a received contact does.
static int appendHelper(const QStringList& args)
{
    const QString path = args.value(2), go = args.value(3), tag = args.value(4);
    const int count = args.value(5).toInt();
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(go) && waited.elapsed() < 30000)
        QThread::usleep(200);
    int failed = 0;
    BuiltinStore store;
    for (int i = 0; i < count; ++i) {
        const qint32 result = openStore(store, path);
        const bool ok = result == 0 && appendRecord(store, tag, tag + QString::number(i)) &&
                        store.HamlogClose(HamlogBuffer, 1);
        if (!ok) {
            ++failed;
            fprintf(stderr, "%s: append %d failed (open %d): %s\n", qPrintable(tag), i, int(result),
                    qPrintable(store.lastError()));
            store.HamlogClose(HamlogBuffer, 1);
        }
    }
    return failed;
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--append-helper"))
        return appendHelper(app.arguments());
    TestBuiltinStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_builtin_store.moc"
