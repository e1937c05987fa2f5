// Faults from outside while contacts come in: folders and files taken away or made read-only, a
// full disk, a store locked, deleted or damaged, a settings file that cannot be written. Each test
// shows that nothing already stored is lost and that the user hears of it where a box is shown.

#include "hamlog/builtin_store.h"
#include "delivery/contact_pipeline.h"
#include "hamlog/hamlog_data.h"
#include "hamlog/hamlog_transfer.h"
#include "delivery/adif_log.h"
#include "delivery/transfer_journal.h"
#include "settings/settings_file.h"

#include "support/hamlog_tables.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <memory>

#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kHeader = "Velkor ADIF Export<eoh>\r\n";

QString contact(const QString& call)
{
    return QStringLiteral("<call:%1>%2 <qso_date:8>20240315 <time_on:6>123456 <freq:9>14.074150 "
                          "<mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 <eor>")
        .arg(call.size())
        .arg(call);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

class StatusHost : public HamlogHost
{
public:
    void setStatusText(const QString& text) override { status = text; }
    void setLastCallSign(const QString& callSign) override { lastCallSign = callSign; }
    void yieldToEventLoop() override {}
    bool importProgress(int done, int total) override { return !onProgress || onProgress(done, total); }

    QString status;
    QString lastCallSign;
    std::function<bool(int, int)> onProgress;
};

// The intake's path for one contact, as the main window takes it: the ADIF log first, then the
// built-in store, with the boxes recorded.
struct Station
{
    HamlogTestTables tables; // its folder is the program folder
    Settings settings;
    FakePrompts prompts;
    StatusHost host;
    std::unique_ptr<ContactPipeline> pipeline;

    Station()
    {
        settings.ThDbFile = tables.folder.filePath(QStringLiteral("VELKOR.db"));
        QDir(tables.folder.path()).mkpath(QStringLiteral("Log"));
        restart();
    }

    // A new session on the same folder and store, as after a restart of the program.
    void restart()
    {
        pipeline.reset();
        pipeline = std::make_unique<ContactPipeline>(settings, tables.countries, tables.dxcc, prompts, host,
                                                     std::make_unique<BuiltinStore>());
    }

    QString dbPath() const { return settings.ThDbFile; }
    QByteArray adifLog() const { return readFile(AdifLogPath()); }

    // The whole road of the window: the outbox, the ADIF log, then the store, with retries.
    void take(const QString& call)
    {
        const qint64 id = pipeline->delivery().take({contact(call)}, 2).value(0);
        pipeline->logContacts(AdifLogPath(), {contact(call)});
        pipeline->delivery().deliver({{id, contact(call)}});
    }

    bool receive(const QString& call)
    {
        const bool logged = AppendAdifLog(AdifLogPath(), contact(call));
        pipeline->transfer().ThLogDbAppend(contact(call));
        return logged;
    }

    // Every box shown so far, in one text; emptied.
    QString takeBoxes()
    {
        const QString text = (prompts.messages + prompts.questions).join(QLatin1Char('|'));
        prompts.messages.clear();
        prompts.questions.clear();
        return text;
    }

    // Lines of the ADIF log after its header.
    int loggedCount() const { return int(adifLog().count("<eor>\r\n")); }
    int outboxCount(std::initializer_list<Outbox::State> states) const { return pipeline->outbox().count(states); }

    QStringList storedCalls(QString* error = nullptr) const
    {
        QList<StoredRecord> records;
        QString message;
        QStringList calls;
        if (!BuiltinStore::ReadRecords(dbPath(), records, message))
            calls << QStringLiteral("<unreadable: %1>").arg(message);
        for (const StoredRecord& r : records)
            calls << r.fields[1];
        if (error)
            *error = message;
        return calls;
    }
};

QByteArray logLines(const QStringList& calls)
{
    QByteArray bytes = kHeader;
    for (const QString& call : calls)
        bytes += contact(call).toLatin1() + "\r\n";
    return bytes;
}

#ifdef Q_OS_UNIX
// What inChild returns when nobody cannot reach the folder (a temporary folder under a private one).
const char kUnreachable[] = "<folder out of nobody's reach>";

// Runs action in a child process and returns what it returned. There a file size limit (standing
// in for a full disk) cannot cut this test's own output, and with unprivileged the superuser,
// whom no file mode stops, gives up its rights: the child then runs as nobody, with folder handed
// to nobody, so that only the files' own modes refuse.
QString inChild(const std::function<QString()>& action, rlim_t sizeLimit = RLIM_INFINITY,
                const QString& folder = QString())
{
    const QByteArray dir = QFile::encodeName(folder);
    const bool dropRights = !folder.isEmpty() && geteuid() == 0;
    if (dropRights && chown(dir.constData(), 65534, 65534) != 0)
        return QStringLiteral("<chown failed>");
    int channel[2];
    if (pipe(channel) != 0)
        return QStringLiteral("<pipe failed>");
    fflush(stdout);
    fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray out = "<setuid failed>";
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = sizeLimit;
        if (setrlimit(RLIMIT_FSIZE, &limit) == 0 &&
            (!dropRights || (setgid(65534) == 0 && setuid(65534) == 0)))
            out = dropRights && access(dir.constData(), W_OK | X_OK) != 0 ? QByteArray(kUnreachable)
                                                                          : action().toUtf8();
        const ssize_t written = ::write(channel[1], out.constData(), size_t(out.size()));
        _exit(written == out.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, int(n));
    ::close(channel[0]);
    waitpid(child, nullptr, 0);
    if (dropRights && chown(dir.constData(), 0, 0) != 0)
        return QStringLiteral("<chown back failed>");
    return QString::fromUtf8(result);
}
#endif

// The program killed outright (SIGKILL, as a crash or a power cut would end it) at many random
// instants while it writes to the built-in store.
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

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void logFolderRemovedWhileRunning();
#ifdef Q_OS_UNIX
    void readOnlyLog();
    void fullDiskDuringStoreAppend();
    void readOnlyStore();
    void storeLockedLongerThanBusyWait();
    void storeFullThenFreed();
#endif
    void storeDeletedBetweenContacts();
    void storeDeletedDuringImport();
    void damagedStore_data();
    void damagedStore();
#ifdef Q_OS_UNIX
    void settingsUnwritableAtExit();
#endif
    void importKilledAtRandomInstants();
    void damagedOutbox();
    void adifLogUnwritable();
    void journalUnreadableOrUnwritable();
#ifdef Q_OS_UNIX
    void fifosInPlaceOfFiles();
#endif
};

// Catches a log folder that vanished taking the HAMLOG append with it, being recreated by the ADIF
// log behind the user's back, or leaving the next line anything but whole once it is back.
void TestFaults::logFolderRemovedWhileRunning()
{
    Station station;
    QVERIFY(station.receive(QStringLiteral("JA1AAA")));
    QVERIFY(QDir(station.tables.folder.filePath(QStringLiteral("Log"))).removeRecursively());
    QVERIFY(!station.receive(QStringLiteral("JA1BBB")));
    QVERIFY(!QFileInfo::exists(AdifLogPath()));
    QVERIFY(QDir(station.tables.folder.path()).mkpath(QStringLiteral("Log")));
    QVERIFY(station.receive(QStringLiteral("JA1CCC")));

    QCOMPARE(station.adifLog(), logLines({QStringLiteral("JA1CCC")}));
    QCOMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1BBB", "JA1CCC"}));
    QCOMPARE(station.takeBoxes(), QString());
}

#ifdef Q_OS_UNIX
// Catches a read-only log written to anyway, cut, or given a half line, and the store append
// skipped because the log failed.
void TestFaults::readOnlyLog()
{
    Station station;
    QVERIFY(station.receive(QStringLiteral("JA1AAA")));
    const QByteArray before = station.adifLog();
    QVERIFY(QFile::setPermissions(AdifLogPath(), QFile::ReadOwner | QFile::ReadOther));
    const QString logged = inChild(
        [] {
            return AppendAdifLog(AdifLogPath(), contact(QStringLiteral("JA1BBB")))
                       ? QStringLiteral("written")
                       : QStringLiteral("refused");
        },
        RLIM_INFINITY, station.tables.folder.path());
    if (logged == QLatin1String(kUnreachable))
        QSKIP("the temporary folder is out of the unprivileged user's reach");
    QCOMPARE(logged, QStringLiteral("refused"));
    QCOMPARE(station.adifLog(), before);
    station.pipeline->transfer().ThLogDbAppend(contact(QStringLiteral("JA1BBB")));

    QVERIFY(QFile::setPermissions(AdifLogPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(station.receive(QStringLiteral("JA1CCC")));
    QCOMPARE(station.adifLog(), logLines({QStringLiteral("JA1AAA"), QStringLiteral("JA1CCC")}));
    QCOMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1BBB", "JA1CCC"}));
}

// Catches a store append cut off by a full disk that reports success, changes the store or leaves
// a journal that stops the next contact.
void TestFaults::fullDiskDuringStoreAppend()
{
    Station station;
    for (const char* call : {"JA1AAA", "JA1BBB"})
        QVERIFY(station.receive(QLatin1String(call)));
    const QByteArray before = readFile(station.dbPath());
    const QString call = QStringLiteral("JA1CCC");
    QVERIFY(AppendAdifLog(AdifLogPath(), contact(call)));
    const QString boxes = inChild(
        [&] {
            station.host.lastCallSign.clear();
            station.pipeline->transfer().ThLogDbAppend(contact(call));
            return station.takeBoxes() + QStringLiteral("|reported:") + station.host.lastCallSign;
        },
        1024);

    QVERIFY2(boxes.contains(QStringLiteral("VELKOR.db")) &&
                 boxes.contains(QStringLiteral("ディスクがいっぱい")),
             qPrintable(boxes));
    QVERIFY2(boxes.endsWith(QStringLiteral("|reported:")), qPrintable(boxes)); // not reported as appended
    QCOMPARE(readFile(station.dbPath()), before);
    QVERIFY(!QFileInfo::exists(station.dbPath() + QStringLiteral("-journal")));
    QVERIFY(station.receive(QStringLiteral("JA1DDD")));
    QCOMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1BBB", "JA1DDD"}));
    QVERIFY(station.adifLog().endsWith(logLines({call, QStringLiteral("JA1DDD")}).mid(kHeader.size())));

    // An import large enough to spill to the file before its commit: SQLite rolls the whole
    // transaction back when the disk refuses, and the records converted before must not be
    // reported as added.
    const QByteArray beforeImport = readFile(station.dbPath());
    const QString importBoxes = inChild(
        [&] {
            ClearAdifTransferList();
            for (int i = 0; i < 30000; ++i)
                AddAdifTransferRecord(contact(QStringLiteral("K%1ZZ").arg(i)));
            station.pipeline->transfer().ThDbFileAppend();
            return station.takeBoxes() + QStringLiteral("|status:") + station.host.status;
        },
        rlim_t(beforeImport.size() + 64 * 1024));
    QVERIFY2(importBoxes.contains(QStringLiteral("ディスクがいっぱい")) &&
                 importBoxes.contains(QStringLiteral("入っていません")) &&
                 !importBoxes.contains(HamlogTransfer::transferredText()),
             qPrintable(importBoxes));
    // SQLite may leave the rollback to the next opener (its journal stays beside the store); once
    // that has run, the store is as it was.
    QCOMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1BBB", "JA1DDD"}));
    QCOMPARE(readFile(station.dbPath()), beforeImport);
}

// Catches a read-only store answered with a bare or misleading message, or touched at all.
void TestFaults::readOnlyStore()
{
    Station station;
    QVERIFY(station.receive(QStringLiteral("JA1AAA")));
    const QByteArray before = readFile(station.dbPath());
    QVERIFY(QFile::setPermissions(station.dbPath(), QFile::ReadOwner | QFile::ReadOther));
    const QString boxes = inChild(
        [&station] {
            station.pipeline->transfer().ThLogDbAppend(contact(QStringLiteral("JA1BBB")));
            return station.takeBoxes();
        },
        RLIM_INFINITY, station.tables.folder.path());
    if (boxes == QLatin1String(kUnreachable))
        QSKIP("the temporary folder is out of the unprivileged user's reach");
    QVERIFY2(boxes.startsWith(HamlogTransfer::cannotOpenText()) &&
                 boxes.contains(QStringLiteral("VELKOR.db")) &&
                 boxes.contains(QStringLiteral("読み取り専用")),
             qPrintable(boxes));
    QCOMPARE(readFile(station.dbPath()), before);
    QVERIFY(!QFileInfo::exists(station.dbPath() + QStringLiteral("-journal")));
    QCOMPARE(station.storedCalls(), QStringList{QStringLiteral("JA1AAA")});

    // One the user may not even read is not "not a VELKOR database": it says why.
    QVERIFY(QFile::setPermissions(station.dbPath(), QFileDevice::Permissions()));
    const QString unreadable = inChild(
        [&station] {
            station.pipeline->transfer().ThLogDbAppend(contact(QStringLiteral("JA1CCC")));
            return station.takeBoxes();
        },
        RLIM_INFINITY, station.tables.folder.path());
    QVERIFY2(unreadable.contains(QStringLiteral("読む権限がありません")) &&
                 !unreadable.contains(QStringLiteral("データベースではありません")),
             qPrintable(unreadable));
    QVERIFY(QFile::setPermissions(station.dbPath(), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readFile(station.dbPath()), before);
}

// Catches a contact waiting forever on a store another process keeps locked, answered with the
// bare English text of the database, or lost once the lock is gone.
void TestFaults::storeLockedLongerThanBusyWait()
{
    Station station;
    station.take(QStringLiteral("JA1AAA"));
    const QByteArray before = readFile(station.dbPath());
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), station.dbPath()});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    QElapsedTimer waited;
    waited.start();
    station.take(QStringLiteral("JA1BBB"));
    const qint64 elapsed = waited.elapsed();
    const QString boxes = station.takeBoxes();
    QCOMPARE(station.pipeline->delivery().waitingCount(), 1);
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY2(elapsed >= 4000 && elapsed < 20000, qPrintable(QString::number(elapsed)));
    QVERIFY2(boxes.contains(QStringLiteral("VELKOR.db")) && boxes.contains(QStringLiteral("使用中")),
             qPrintable(boxes));
    QCOMPARE(readFile(station.dbPath()), before);

    // Released: the next contact goes in, and the one that waited follows it.
    station.take(QStringLiteral("JA1CCC"));
    QTRY_COMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1CCC", "JA1BBB"}));
    QCOMPARE(station.pipeline->delivery().waitingCount(), 0);
    QCOMPARE(station.takeBoxes(), QString());
    QCOMPARE(station.adifLog(), logLines({"JA1AAA", "JA1BBB", "JA1CCC"}));
}

// Catches contacts lost, or left out of the store for good, when the store's disk fills up: they
// wait (each failure reported as a full disk), and once there is room again every one of them is stored, once.
void TestFaults::storeFullThenFreed()
{
    Station station;
    station.take(QStringLiteral("JA1AAA"));
    // A store larger than the outbox will grow, so that the file size limit that stands in for
    // the full disk stops the store first.
    ClearAdifTransferList();
    for (int i = 0; i < 500; ++i)
        AddAdifTransferRecord(contact(QStringLiteral("K%1ZZ").arg(i)));
    station.pipeline->transfer().ThDbFileAppend();
    const qint64 full = QFileInfo(station.dbPath()).size();
    constexpr int kContacts = 80;
    const QString outcome = inChild(
        [&] {
            for (int i = 0; i < kContacts; ++i)
                station.take(QStringLiteral("JA2%1").arg(i, 3, 10, QLatin1Char('0')));
            const int waiting = station.pipeline->delivery().waitingCount();
            const QString boxes = station.takeBoxes();
            const bool reported =
                boxes.contains(QStringLiteral("VELKOR.db")) && boxes.contains(QStringLiteral("ディスクがいっぱい"));
            // Room again; the once-a-minute retry comes sooner here.
            struct rlimit limit;
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_FSIZE, &limit);
            station.pipeline->delivery().setRetryInterval(10);
            QTest::qWait(500);
            return QStringLiteral("%1 waited, %2; then waiting %3")
                .arg(waiting > 0 ? QStringLiteral("some") : QStringLiteral("none"))
                .arg(reported ? QStringLiteral("reported") : QStringLiteral("not reported"))
                .arg(station.pipeline->delivery().waitingCount());
        },
        rlim_t(full));
    QCOMPARE(outcome, QStringLiteral("some waited, reported; then waiting 0"));
    QStringList stored = station.storedCalls().mid(501);
    stored.sort();
    QStringList expected;
    for (int i = 0; i < kContacts; ++i)
        expected << QStringLiteral("JA2%1").arg(i, 3, 10, QLatin1Char('0'));
    QCOMPARE(stored, expected);
}

#endif

// Catches a store deleted between contacts stopping the next ones or taking the ADIF log along:
// the next contact starts a new store, as a missing store always does.
void TestFaults::storeDeletedBetweenContacts()
{
    Station station;
    QVERIFY(station.receive(QStringLiteral("JA1AAA")));
    QVERIFY(QFile::remove(station.dbPath()));
    QVERIFY(station.receive(QStringLiteral("JA1BBB")));
    QCOMPARE(station.takeBoxes(), QString());
    QCOMPARE(station.storedCalls(), QStringList{QStringLiteral("JA1BBB")});
    QCOMPARE(station.adifLog(), logLines({"JA1AAA", "JA1BBB"}));
}

// Catches an import whose store was deleted (or moved away) while it ran reported as transferred:
// its records went into a file that no longer has a name.
void TestFaults::storeDeletedDuringImport()
{
#ifdef Q_OS_WIN
    QSKIP("Windows refuses to delete or move a file that is open");
#endif
    for (const bool moved : {false, true}) {
        Station station;
        QVERIFY(station.receive(QStringLiteral("JA1AAA")));
        ClearAdifTransferList();
        for (int i = 0; i < 5; ++i)
            AddAdifTransferRecord(contact(QStringLiteral("K1AA") + QString::number(i)));
        const QString away = station.dbPath() + QStringLiteral(".moved");
        station.host.onProgress = [&](int done, int) {
            if (done == 3) {
                if (moved)
                    QFile::rename(station.dbPath(), away);
                else
                    QFile::remove(station.dbPath());
            }
            return true;
        };
        station.pipeline->transfer().ThDbFileAppend();
        const HamlogTransfer::ImportResult result = station.pipeline->transfer().lastImport();
        const QString boxes = station.takeBoxes();
        QVERIFY2(!result.completed, moved ? "moved" : "deleted");
        QVERIFY2(boxes.contains(QStringLiteral("VELKOR.db")) && boxes.contains(QStringLiteral("移動")),
                 qPrintable(boxes));
        QVERIFY(!station.host.status.startsWith(HamlogTransfer::transferredText()));
        if (moved) {
            // The store that was moved keeps what it held, without the import.
            station.settings.ThDbFile = away;
            QCOMPARE(station.storedCalls(), QStringList{QStringLiteral("JA1AAA")});
        }
    }
}

void TestFaults::damagedStore_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated to half") << QStringLiteral("truncate");
    QTest::newRow("garbage in the last page") << QStringLiteral("garbage-last");
    QTest::newRow("garbage in a middle page") << QStringLiteral("garbage-middle");
    QTest::newRow("garbage in the first page's body") << QStringLiteral("garbage-first");
}

// Catches a damaged store written to (and so made worse, or its damage hidden) instead of refused
// with a message that names it, while the contact still reaches the ADIF log.
void TestFaults::damagedStore()
{
    QFETCH(QString, damage);
    Station station;
    // Enough records for a dozen pages.
    ClearAdifTransferList();
    for (int i = 0; i < 400; ++i)
        AddAdifTransferRecord(contact(QStringLiteral("JA%1XYZ").arg(i, 4, 10, QLatin1Char('0'))));
    station.pipeline->transfer().ThDbFileAppend();
    QVERIFY(station.pipeline->transfer().lastImport().completed);
    QByteArray bytes = readFile(station.dbPath());
    const int pageSize = 4096;
    QVERIFY(bytes.size() >= 8 * pageSize);
    const int pages = bytes.size() / pageSize;
    auto garble = [&bytes](int from, int size) {
        quint32 seed = 12345;
        for (int i = from; i < from + size; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes[i] = char(seed >> 24);
        }
    };
    if (damage == QLatin1String("truncate"))
        bytes.truncate((pages / 2) * pageSize);
    else if (damage == QLatin1String("garbage-last"))
        garble((pages - 1) * pageSize, pageSize);
    else if (damage == QLatin1String("garbage-middle"))
        garble((pages / 2) * pageSize, pageSize);
    else
        garble(100, pageSize - 100);
    QVERIFY(writeFile(station.dbPath(), bytes));
    station.restart(); // damage that the append may never read is found as the program starts

    QVERIFY(station.receive(QStringLiteral("JA9NEW")));
    const QString boxes = station.takeBoxes();
    QVERIFY2(boxes.contains(QStringLiteral("VELKOR.db")) && boxes.contains(QStringLiteral("壊れて")),
             qPrintable(boxes));
    QCOMPARE(station.host.lastCallSign, QString());
    QCOMPARE(readFile(station.dbPath()), bytes);
    QVERIFY(!QFileInfo::exists(station.dbPath() + QStringLiteral("-journal")));
    QVERIFY(station.adifLog().endsWith(contact(QStringLiteral("JA9NEW")).toLatin1() + "\r\n"));
}

#ifdef Q_OS_UNIX
// Catches settings written at exit over a read-only file or cut short by a full disk, costing the
// user the settings they had.
void TestFaults::settingsUnwritableAtExit()
{
    TempProgramFolder folder;
    const QByteArray old = "ThDbFile=C:\\HAMLOG\\Hamlog.hdb\r\nJtdxPort=2237\r\n";
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), old));
    Settings changed;
    changed.ThDbFile = QString(3000, QLatin1Char('x')); // far beyond the size limit below
    NoSettingsWindow window;

    auto write = [&] {
        return WriteSettingsFile(changed, window) ? QStringLiteral("written") : QStringLiteral("refused");
    };
    QCOMPARE(inChild(write, rlim_t(old.size())), QStringLiteral("refused"));
    QCOMPARE(folder.read(QStringLiteral("VELKOR.ini")), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"VELKOR.ini"});

    QVERIFY(QFile::setPermissions(folder.filePath(QStringLiteral("VELKOR.ini")),
                                  QFile::ReadOwner | QFile::ReadOther));
    const QString refused = inChild(write, RLIM_INFINITY, folder.path());
    if (refused == QLatin1String(kUnreachable))
        QSKIP("the temporary folder is out of the unprivileged user's reach");
    QCOMPARE(refused, QStringLiteral("refused"));
    QCOMPARE(folder.read(QStringLiteral("VELKOR.ini")), old);
}
#endif

// Catches an import that a kill leaves as a store that cannot be opened, fails its integrity
// check, holds part of an import (the store commits once per import: all of it or none), or lost
// records of an import that had reported them appended.
void TestFaults::importKilledAtRandomInstants()
{
#ifdef Q_OS_WIN
    QSKIP("velkor-cli import appends through HAMLOG's libraries on Windows, not into the built-in store");
#endif
    TempProgramFolder folder;
    const QString db = folder.filePath(QStringLiteral("VELKOR.db"));
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=" + db.toUtf8() + "\r\n"));
    QVERIFY(folder.write(QStringLiteral("big.adi"), adifFile(kImportRecords, 10)));
    const QStringList common{QStringLiteral("--dir"), folder.path()};

    // One import as a whole first: it must complete, and its time spreads the kills over the
    // whole of an import on this machine, commit included, however busy the machine is.
    QProcess first;
    QElapsedTimer clock;
    clock.start();
    first.start(cliProgram(),
                QStringList{QStringLiteral("import"), folder.filePath(QStringLiteral("big.adi"))} + common);
    QVERIFY(first.waitForFinished(60000));
    const int maxDelay = qBound(100, int(clock.elapsed() * 5 / 4), kMaxDelayMs);
    QCOMPARE(first.exitCode(), 0);
    QString error;
    const int base = checkStore(db, error);
    QCOMPARE(base, kImportRecords);
    QVERIFY(QFile::copy(db, db + QStringLiteral(".base")));

    QRandomGenerator random(20261207);
    int expected = base;
    int completed = 0;
    int rolledBack = 0;
    for (int run = 0; run < kKills; ++run) {
        // Started over from the small store now and then, so that checks stay quick.
        if (expected >= base + 2 * kImportRecords) {
            QVERIFY(QFile::remove(db));
            QVERIFY(QFile::copy(db + QStringLiteral(".base"), db));
            expected = base;
        }
        const int delay = int(random.bounded(maxDelay + 1));
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
    qInfo("%d kills within %d ms: %d imports complete, %d rolled back from a journal", kKills, maxDelay,
          completed, rolledBack);
}

// Catches damage in the middle of the outbox hiding the entries behind it, passing without a word,
// or a second damage overwriting the copy of the first.
void TestFaults::damagedOutbox()
{
    Station station;
    station.settings.ThDbFile.clear(); // everything waits
    station.restart();
    for (int i = 0; i < 100; ++i)
        station.take(QStringLiteral("JA%1K%2").arg(i % 10).arg(i, 3, 10, QLatin1Char('0')));
    QCOMPARE(station.outboxCount({Outbox::State::Waiting, Outbox::State::Failed}), 100);
    station.takeBoxes();
    const QString path = Outbox::DefaultPath();
    // Four bytes flipped in the middle of the file, inside the entry of the contact given.
    const auto damage = [&path](const char* call) {
        QByteArray bytes = readFile(path);
        const int at = int(bytes.indexOf(call));
        for (int k = 0; k < 4 && at >= 0; ++k)
            bytes[at + k] = char(bytes[at + k] ^ 0x5A);
        return at >= 0 && writeFile(path, bytes);
    };

    QVERIFY(damage("JA0K050"));
    station.settings.ThDbFile = station.tables.folder.filePath(QStringLiteral("VELKOR.db"));
    station.restart();
    const QString boxes = station.takeBoxes();
    QVERIFY2(boxes.contains(QStringLiteral("1 か所")) && boxes.contains(QStringLiteral("Velkor.outbox.unreadable.1")),
             qPrintable(boxes));
    QCOMPARE(station.outboxCount({Outbox::State::Waiting, Outbox::State::Failed}), 99);
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    QTRY_COMPARE(station.storedCalls().size(), 99);
    QCOMPARE(station.loggedCount(), 100);
    QCOMPARE(station.takeBoxes(), QString()); // said once

    // A second damage gets a copy of its own; the first is kept as it was.
    const QByteArray firstCopy = readFile(path + QStringLiteral(".unreadable.1"));
    QVERIFY(damage("JA1K051"));
    station.restart();
    QVERIFY(station.takeBoxes().contains(QStringLiteral("Velkor.outbox.unreadable.2")));
    QCOMPARE(readFile(path + QStringLiteral(".unreadable.1")), firstCopy);
    QCOMPARE(station.outboxCount({Outbox::State::Appended}), 98);
    QCOMPARE(station.storedCalls().size(), 99);
}

// Catches contacts that could not be written to the ADIF log passing without a word, or never
// written there once it can be written again, within the run or after a restart.
void TestFaults::adifLogUnwritable()
{
    Station station;
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    station.take(QStringLiteral("JA1AAA"));
    const QString log = AdifLogPath();
    QVERIFY(QFile::rename(log, log + QStringLiteral(".aside")));
    QVERIFY(QDir().mkdir(log)); // nothing can write there, the superuser neither
    for (const char* call : {"JA1BBB", "JA1CCC", "JA1DDD"})
        station.take(QLatin1String(call));
    QCOMPARE(station.storedCalls().size(), 4);
    QCOMPARE(station.prompts.messages.filter(QStringLiteral("ADIF ログ")).size(), 1);
    const QString boxes = station.takeBoxes();
    QVERIFY2(boxes.contains(QDir::toNativeSeparators(log)), qPrintable(boxes));
    QVERIFY(!station.pipeline->adifLogError().isEmpty());

    QVERIFY(QDir().rmdir(log));
    QVERIFY(QFile::rename(log + QStringLiteral(".aside"), log));
    QVERIFY(station.pipeline->catchUpAdifLog()); // the retry timer's call
    QCOMPARE(station.adifLog(), logLines({"JA1AAA", "JA1BBB", "JA1CCC", "JA1DDD"}));
    QVERIFY(station.pipeline->adifLogError().isEmpty());

    // Behind when the program ends: the next start writes what is missing.
    QVERIFY(QFile::rename(log, log + QStringLiteral(".aside")));
    QVERIFY(QDir().mkdir(log));
    station.take(QStringLiteral("JA1EEE"));
    station.restart();
    QVERIFY(QDir().rmdir(log));
    QVERIFY(QFile::rename(log + QStringLiteral(".aside"), log));
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    QCOMPARE(station.adifLog(), logLines({"JA1AAA", "JA1BBB", "JA1CCC", "JA1DDD", "JA1EEE"}));
    QCOMPARE(station.storedCalls().size(), 5);
    QCOMPARE(station.outboxCount({Outbox::State::Appended}), 5);
}

// Catches an import doubling everything because the journal could not be read, and contacts that
// went in while it could not be written never noted (doubled by importing the ADIF log).
void TestFaults::journalUnreadableOrUnwritable()
{
    Station station;
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    const QString journal = TransferJournal::Path();
    station.take(QStringLiteral("JA1AAA"));
    QVERIFY(QFile::rename(journal, journal + QStringLiteral(".aside")));
    QVERIFY(QDir().mkdir(journal));
    station.take(QStringLiteral("JA1BBB"));
    station.take(QStringLiteral("JA1CCC"));
    QString boxes = station.takeBoxes();
    QCOMPARE(boxes.count(QStringLiteral("転送済みの記録")), 1);

    // Unreadable: an import hears of it rather than taking everything for new.
    QString unreadable;
    const QStringList records{contact("JA1AAA"), contact("JA1BBB"), contact("JA1CCC"), contact("JA1ZZZ")};
    TransferJournal::TransferredAlready(station.dbPath(), records, &unreadable);
    QVERIFY2(unreadable.contains(QStringLiteral("フォルダー")), qPrintable(unreadable));
#ifndef Q_OS_WIN
    QTemporaryDir cli; // the program folder stays the station's
    QVERIFY(writeFile(cli.filePath(QStringLiteral("VELKOR.ini")), "ThDbFile=" + station.dbPath().toUtf8() + "\r\n"));
    QVERIFY(writeFile(cli.filePath(QStringLiteral("Velkor.adi")), logLines({"JA1AAA", "JA1BBB"})));
    QVERIFY(QDir(cli.path()).mkpath(QStringLiteral("Log/Transferred.txt")));
    QProcess import;
    import.start(cliProgram(), {QStringLiteral("import"), cli.filePath(QStringLiteral("Velkor.adi")),
                                QStringLiteral("--dir"), cli.path()});
    QVERIFY(import.waitForFinished(60000));
    QCOMPARE(import.exitCode(), 1);
    QVERIFY(QString::fromUtf8(import.readAllStandardError()).contains(QStringLiteral("--again")));
    QCOMPARE(station.storedCalls().size(), 3);
#endif

    // Writable again: the contacts it missed are noted with the next one, or at the next start.
    QVERIFY(QDir().rmdir(journal));
    QVERIFY(QFile::rename(journal + QStringLiteral(".aside"), journal));
    station.take(QStringLiteral("JA1DDD"));
    QCOMPARE(TransferJournal::TransferredAlready(station.dbPath(), records, &unreadable),
             QVector<bool>({true, true, true, false}));
    QVERIFY(QFile::remove(journal));
    station.restart();
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    QCOMPARE(TransferJournal::TransferredAlready(station.dbPath(), records, &unreadable),
             QVector<bool>({true, true, true, false}));

    // A damaged line costs that line only.
    QByteArray bytes = readFile(journal);
    bytes.insert(0, QByteArray("\x01\xff\xfe damaged\0\n", 13));
    bytes[bytes.indexOf("JA1BBB") + 2] = 'X';
    QVERIFY(writeFile(journal, bytes));
    QCOMPARE(TransferJournal::TransferredAlready(station.dbPath(), records, &unreadable),
             QVector<bool>({true, false, true, false}));
    QCOMPARE(station.storedCalls().size(), 4);
    QCOMPARE(station.loggedCount(), 4);
    QCOMPARE(station.takeBoxes(), QString());
}

#ifdef Q_OS_UNIX
// Catches a named pipe where the program expects its outbox, ADIF log or journal hanging it, or
// passing without a word naming the file.
void TestFaults::fifosInPlaceOfFiles()
{
    Station station;
    const auto fifo = [](const QString& path) {
        QFile::remove(path);
        return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    };
    QVERIFY(fifo(Outbox::DefaultPath()));
    QVERIFY(fifo(AdifLogPath()));
    QVERIFY(fifo(TransferJournal::Path()));
    station.restart();
    QString boxes = station.takeBoxes();
    QVERIFY2(boxes.contains(QDir::toNativeSeparators(Outbox::DefaultPath())) && boxes.contains(QStringLiteral("FIFO")),
             qPrintable(boxes));
    station.pipeline->startUp(AdifLogPath(), station.prompts);
    station.take(QStringLiteral("JA1AAA"));
    station.take(QStringLiteral("JA1BBB"));
    boxes = station.takeBoxes();
    for (const QString& path : {AdifLogPath(), TransferJournal::Path()})
        QVERIFY2(boxes.contains(QDir::toNativeSeparators(path)), qPrintable(boxes));
    QVERIFY2(boxes.count(QStringLiteral("FIFO")) >= 3, qPrintable(boxes));
    QString unreadable;
    TransferJournal::TransferredAlready(station.dbPath(), {contact("JA1AAA")}, &unreadable);
    QVERIFY(unreadable.contains(QStringLiteral("FIFO")));
    QCOMPARE(station.storedCalls(), QStringList({"JA1AAA", "JA1BBB"}));
    QCOMPARE(station.outboxCount({Outbox::State::Appended}), 2); // kept in memory
    QVERIFY(!QFileInfo(AdifLogPath()).isFile());
}
#endif

// Started by storeLockedLongerThanBusyWait as the other process: holds an exclusive lock on the
// store until its standard input closes.
static int holdLock(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 1;
    fputs("locked\n", stdout);
    fflush(stdout);
    char buffer[64];
    while (fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--hold-lock"))
        return holdLock(app.arguments().value(2));
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
