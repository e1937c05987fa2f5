#include "delivery/adif_log.h"
#include "delivery/contact_pipeline.h"
#include "hamlog/builtin_store.h"

#include "support/fake_hamlog_library.h"
#include "support/hamlog_tables.h"

#include <QtTest>

namespace {

constexpr qint64 kDay = 24LL * 60 * 60 * 1000;
constexpr qint64 kNow = 1733500000000LL;

class QuietHost : public HamlogHost
{
public:
    void setStatusText(const QString&) override {}
    void setLastCallSign(const QString&) override {}
    void yieldToEventLoop() override {}
};

QString contact(const QString& call)
{
    return QStringLiteral("<call:%1>%2 <qso_date:8>20240315 <time_on:6>123456 <freq:6>14.074 <mode:3>FT8 <eor>")
        .arg(call.size())
        .arg(call);
}

QStringList calls(const QList<FakeHamlogLibrary::Record>& records)
{
    QStringList out;
    for (const auto& r : records)
        out << r[1];
    return out;
}

// The pipeline over one library, as the main window builds it; start() is a start of the program
// (a new session on the same files and database).
struct Road
{
    HamlogTestTables tables;
    Settings settings;
    FakePrompts prompts;
    QuietHost host;
    HamlogLibrary* library;
    std::unique_ptr<ContactPipeline> pipeline;

    explicit Road(HamlogLibrary* lib) : library(lib)
    {
        settings.ThDbFile = tables.folder.filePath(QStringLiteral("VELKOR.db"));
        start();
    }
    void start()
    {
        pipeline.reset();
        pipeline = std::make_unique<ContactPipeline>(settings, tables.countries, tables.dxcc, prompts, host,
                                                     std::make_unique<BorrowedHamlogLibrary>(*library),
                                                     tables.folder.filePath(QStringLiteral("Velkor.outbox")));
    }
    ContactDelivery& delivery() { return pipeline->delivery(); }
    Outbox& outbox() { return pipeline->outbox(); }
    void receive(const QString& text)
    {
        for (qint64 id : delivery().take({text}, 2)) {
            if (!delivery().isRefused(id)) // as the intake does
                delivery().deliver({{id, text}});
        }
    }
};

} // namespace

class TstOutbox : public QObject
{
    Q_OBJECT

private slots:
    void tornRecordAtEveryLength();
    void compactionKeepsWhatWaits();
    void foreignFileLeftAlone();
    void refusalReason_data();
    void refusalReason();
    void failedAppendsWaitAndFollowTheNextSuccess();
    void uncertainAppendPutToTheUser();
    void builtinStoreNeverStoresAnEntryTwice();
    void startUpWithCompactionsDuringTheRetry();
};

// Catches a record cut short by a crash that hides the entries before it, is read as an entry, or
// leaves the file so that entries appended after it cannot be read.
void TstOutbox::tornRecordAtEveryLength()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velkor.outbox"));
    qint64 first = 0;
    QByteArray whole;
    {
        Outbox box(path);
        QVERIFY(box.load(kNow));
        first = box.add(QStringLiteral("<call:6>JA1AAA <name:4>Jörg <eor>"), 2, kNow);
        QVERIFY(box.flush());
        QVERIFY(box.setState(first, Outbox::State::Failed, QStringLiteral("ディスクがいっぱいです"), kNow, true));
        box.add(contact(QStringLiteral("JA1BBB")), 4, kNow);
        QVERIFY(box.flush());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    whole = file.readAll();
    file.close();
    const int lastRecord = int(whole.size()) - (8 + 1 + 8 + 8 + 1 + 1 + 8 + 4 + contact(QStringLiteral("JA1BBB")).size());

    for (int cut = lastRecord; cut < whole.size(); ++cut) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(whole.left(cut));
        file.close();
        Outbox box(path);
        QVERIFY(box.load(kNow));
        QCOMPARE(box.tornBytes(), 0); // rewritten without the torn record, which is kept aside
        if (cut > lastRecord)
            QCOMPARE(QFileInfo(path + QStringLiteral(".unreadable")).size(), qint64(cut));
        QCOMPARE(box.count({Outbox::State::Waiting}), 0);
        const std::optional<Outbox::Entry> e = box.entry(first);
        QVERIFY(e);
        QCOMPARE(e->text, QStringLiteral("<call:6>JA1AAA <name:4>Jörg <eor>"));
        QCOMPARE(e->state, Outbox::State::Failed);
        QCOMPARE(e->reason, QStringLiteral("ディスクがいっぱいです"));
        const qint64 next = box.add(contact(QStringLiteral("JA1CCC")), 1, kNow + 1);
        QVERIFY(box.flush());
        QVERIFY(next > first);

        Outbox again(path);
        QVERIFY(again.load(kNow));
        QCOMPARE(again.count({Outbox::State::Waiting, Outbox::State::Failed}), 2);
        QCOMPARE(again.entry(next)->source, qint16(1));
    }
    // Untouched, the last record is read whole.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole);
    file.close();
    Outbox box(path);
    QVERIFY(box.load(kNow));
    QCOMPARE(box.count({Outbox::State::Waiting}), 1);
}

// Catches compaction dropping a contact that is not yet in the database (or a refused one the user
// has not removed), keeping what may go, or handing out an id again once the outbox is empty.
void TstOutbox::compactionKeepsWhatWaits()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velkor.outbox"));
    const qint64 old = kNow - 8 * kDay;
    qint64 oldAppended, newAppended, oldWaiting, oldFailed, oldRefused, removed;
    {
        Outbox box(path);
        QVERIFY(box.load(kNow));
        oldAppended = box.add(contact(QStringLiteral("JA1OLD")), 2, old);
        newAppended = box.add(contact(QStringLiteral("JA1NEW")), 2, old);
        oldWaiting = box.add(contact(QStringLiteral("JA1WAI")), 2, old);
        oldFailed = box.add(contact(QStringLiteral("JA1FAI")), 2, old);
        oldRefused = box.add(QStringLiteral("<call:2><> <eor>"), 2, old, Outbox::State::Refused, QStringLiteral("x"));
        removed = box.add(contact(QStringLiteral("JA1REM")), 2, kNow);
        QVERIFY(box.flush());
        QVERIFY(box.setState(oldAppended, Outbox::State::Appended, QString(), old, false));
        QVERIFY(box.setState(newAppended, Outbox::State::Appended, QString(), kNow - kDay, false));
        QVERIFY(box.setState(oldFailed, Outbox::State::Failed, QStringLiteral("locked"), old, false));
        QVERIFY(box.setState(removed, Outbox::State::Removed, QString(), kNow, true)); // takes the others along
    }
    Outbox reread(path);
    QVERIFY(reread.load(kNow)); // compacts as it loads
    QVERIFY(!reread.entry(oldAppended));
    QVERIFY(!reread.entry(removed));
    for (qint64 id : {newAppended, oldWaiting, oldFailed, oldRefused})
        QVERIFY(reread.entry(id));
    Outbox third(path);
    QVERIFY(third.load(kNow));
    QCOMPARE(third.count({Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Refused,
                          Outbox::State::Appended}),
             4);

    // Everything gone: the next id is still above every id handed out before.
    for (qint64 id : {newAppended, oldWaiting, oldFailed, oldRefused})
        QVERIFY(third.setState(id, Outbox::State::Removed, QString(), kNow, false));
    QVERIFY(third.compact(kNow));
    Outbox empty(path);
    QVERIFY(empty.load(kNow));
    QVERIFY(empty.add(contact(QStringLiteral("JA1AFT")), 2, old) > removed);
}

// Catches a file of another kind under the outbox's name being rewritten or written to.
void TstOutbox::foreignFileLeftAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velkor.outbox"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("my notes, not an outbox\n");
    file.close();
    Outbox box(path);
    QVERIFY(!box.load(kNow));
    QVERIFY(!box.lastError().isEmpty());
    box.add(contact(QStringLiteral("JA1AAA")), 2, kNow);
    QVERIFY(!box.flush());
    QVERIFY(!box.compact(kNow));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("my notes, not an outbox\n"));
}

void TstOutbox::refusalReason_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reasonHolds"); // empty: a contact

    QTest::newRow("plain") << contact(QStringLiteral("JA1ABC")) << QString();
    QTest::newRow("lower case, portable") << contact(QStringLiteral("kh6/ja1abc/p")) << QString();
    QTest::newRow("blanks around") << QStringLiteral("<call:8> JA1ABC  <eor>") << QString();
    QTest::newRow("no CALL") << QStringLiteral("<name:4>Taro <eor>") << QStringLiteral("CALL");
    QTest::newRow("blanks only") << QStringLiteral("<call:3>    <eor>") << QStringLiteral("空");
    QTest::newRow("NUL") << QStringLiteral("<call:6>JA") + QChar(0) + QStringLiteral("ABC <eor>")
                         << QStringLiteral("制御文字 (0x00)");
    QTest::newRow("TAB") << QStringLiteral("<call:6>JA\tABC <eor>") << QStringLiteral("0x09");
    QTest::newRow("CR") << QStringLiteral("<call:6>JA\rABC <eor>") << QStringLiteral("0x0D");
    QTest::newRow("nested tag") << QStringLiteral("<call:10><CALL:3>AB <eor>") << QStringLiteral("「<」");
    QTest::newRow("hashed call") << QStringLiteral("<call:5><...> <eor>") << QStringLiteral("「<」");
    QTest::newRow("Latin-1 bytes") << QStringLiteral("<call:6>JAÿþZZ <eor>") << QStringLiteral("「ÿ」");
    QTest::newRow("blank inside") << QStringLiteral("<call:7>JA1 ABC <eor>") << QStringLiteral("「 」");
    QTest::newRow("too long") << contact(QString(21, QLatin1Char('A'))) << QStringLiteral("長すぎ");
    QTest::newRow("CALL past 32767") << QStringLiteral("<notes:40000>") + QString(40000, QLatin1Char('x')) +
                                            QStringLiteral(" <call:6>JA1ABC <eor>")
                                     << QStringLiteral("32767");
}

// Catches junk taken for a contact (and stored as a record nobody can use), or a real call sign
// refused.
void TstOutbox::refusalReason()
{
    QFETCH(QString, text);
    QFETCH(QString, reasonHolds);
    const QString reason = CallSign::CheckContact(text).reason;
    if (reasonHolds.isEmpty())
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
    else
        QVERIFY2(reason.contains(reasonHolds), qPrintable(reason));
}

// Catches a failed append that drops the contact, one that is not appended again (oldest first)
// after the next append that succeeds, a contact that cannot be converted holding up the others,
// and junk reaching the library.
void TstOutbox::failedAppendsWaitAndFollowTheNextSuccess()
{
    FakeHamlogLibrary library;
    Road road(&library);
    library.openResult = 1;
    road.receive(contact(QStringLiteral("JA1AAA")));
    road.receive(contact(QStringLiteral("JA1BBB")));
    QCOMPARE(road.delivery().waitingCount(), 2);
    const auto waiting = road.outbox().entries({Outbox::State::Failed});
    QCOMPARE(int(waiting.size()), 2);
    QVERIFY2(waiting[0].reason.startsWith(HamlogTransfer::cannotOpenText()), qPrintable(waiting[0].reason));

    library.openResult = 0;
    road.receive(QStringLiteral("<call:6>JA\t1CC <eor>")); // junk: never reaches the library
    road.receive(contact(QStringLiteral("JA1DDD")));
    QTRY_COMPARE(calls(library.appended).join(","), QStringLiteral("JA1DDD,JA1AAA,JA1BBB"));
    QCOMPARE(road.delivery().waitingCount(), 0);
    QCOMPARE(road.delivery().refusedCount(), 1);
    QList<qint64> refused;
    for (const Outbox::Entry& e : road.outbox().entries({Outbox::State::Refused}))
        refused << e.id;
    road.delivery().retry(refused); // the user insists: junk still stays out
    QCOMPARE(library.appended.size(), 3);

    // A contact whose conversion fails is refused alone; the others in the same retry go in.
    library.openResult = 1;
    road.receive(contact(QStringLiteral("JA1EEE")));
    road.receive(QStringLiteral("<call:6>JA1FFF <freq:40000>") + QString(40000, QLatin1Char('1')) +
                 QStringLiteral(" <eor>"));
    road.receive(contact(QStringLiteral("JA1GGG")));
    library.openResult = 0;
    road.delivery().retryWaiting();
    QCOMPARE(calls(library.appended).mid(3), (QStringList{"JA1EEE", "JA1GGG"}));
    QCOMPARE(road.delivery().refusedCount(), 2);
    QCOMPARE(road.delivery().waitingCount(), 0);

    // Everything survives a restart as it stands.
    road.start();
    QCOMPARE(road.delivery().refusedCount(), 2);
    QCOMPARE(road.delivery().waitingCount(), 0);
}

// Catches an append with HAMLOG's libraries that a crash cut off being repeated or dropped without
// the user's word.
void TstOutbox::uncertainAppendPutToTheUser()
{
    FakeHamlogLibrary library;
    Road road(&library);
    for (const char* call : {"JA1AAA", "JA1BBB"}) {
        const QList<qint64> ids = road.delivery().take({contact(QLatin1String(call))}, 2);
        // The crash: the mark "started" is on the disk, nothing after it.
        QVERIFY(road.outbox().setState(ids[0], Outbox::State::Started, QString(), kNow, true));
    }
    road.start();
    road.prompts.answers = {true, false};
    road.delivery().resume(road.prompts);
    QCOMPARE(road.prompts.questions.size(), 2);
    QVERIFY2(road.prompts.questions[0].contains(QStringLiteral("JA1AAA")), qPrintable(road.prompts.questions[0]));
    QCOMPARE(calls(library.appended), QStringList{"JA1AAA"});
    QCOMPARE(road.delivery().waitingCount(), 0);

    road.start();
    road.delivery().resume(road.prompts);
    QCOMPARE(road.prompts.questions.size(), 2); // asked once
    QCOMPARE(calls(library.appended), QStringList{"JA1AAA"});
}

// Catches a contact the built-in store took but whose mark a crash cut off being stored twice when
// appended again, and the entry left waiting.
void TstOutbox::builtinStoreNeverStoresAnEntryTwice()
{
    BuiltinStore store;
    Road road(&store);
    const QList<qint64> ids = road.delivery().take({contact(QStringLiteral("JA1AAA"))}, 2);
    road.delivery().deliver({{ids[0], contact(QStringLiteral("JA1AAA"))}});
    // The crash: the mark "appended" never reached the disk.
    QVERIFY(road.outbox().setState(ids[0], Outbox::State::Waiting, QString(), kNow, true));
    road.start();
    road.delivery().resume(road.prompts);
    QList<StoredRecord> records;
    QString error;
    QVERIFY2(BuiltinStore::ReadRecords(road.settings.ThDbFile, records, error), qPrintable(error));
    QCOMPARE(records.size(), 1);
    QCOMPARE(road.outbox().entry(ids[0])->state, Outbox::State::Appended);
    QVERIFY(road.prompts.questions.isEmpty());
}

// Catches the pipeline's start-up work leaving contacts a crash caught out of the ADIF log, or
// appending an uncertain one without the user's word; and entries of a large retry read after a
// compaction had rebuilt the outbox under them (lost, doubled or out of order; a sanitizer build
// sees the stale memory itself).
void TstOutbox::startUpWithCompactionsDuringTheRetry()
{
    constexpr int kTaken = 200;  // taken in, never handed on: the crash came before the ADIF log
    constexpr int kStarted = 40; // their appends cut off by the crash
    FakeHamlogLibrary library;
    Road road(&library);
    QStringList texts;
    QStringList expected;
    for (int i = 0; i < kTaken + kStarted; ++i)
        texts << contact(QStringLiteral("JA%1").arg(i, 4, 10, QLatin1Char('0')));
    const QList<qint64> ids = road.delivery().take(texts, 2);
    for (int i = 0; i < kTaken + kStarted; ++i) {
        if (i >= kTaken)
            QVERIFY(road.outbox().setState(ids[i], Outbox::State::Started, QString(), kNow, true));
        if (i < kTaken || (i - kTaken) % 2 == 0) // the user keeps every second uncertain one
            expected << QStringLiteral("JA%1").arg(i, 4, 10, QLatin1Char('0'));
    }

    road.start();
    road.outbox().setCompactAfterRecords(0); // rewritten again and again while the retry marks
    QList<bool> answers;
    for (int i = 0; i < kStarted; ++i)
        answers << (i % 2 == 0);
    road.prompts.answers = answers;
    const QString logPath = road.tables.folder.filePath(QStringLiteral("Velkor.adi"));
    road.pipeline->startUp(logPath, road.prompts);

    QCOMPARE(road.prompts.questions.size(), kStarted);
    QCOMPARE(calls(library.appended), expected);
    QCOMPARE(road.delivery().waitingCount(), 0);
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    QCOMPARE(logged.count("<eor>"), kTaken);
    QVERIFY(logged.contains("JA0199") && !logged.contains("JA0200"));
    QFile box(road.outbox().path());
    QVERIFY(box.open(QIODevice::ReadOnly));
    QCOMPARE(box.read(25).at(24), 'N'); // a compaction's first record: the outbox was rewritten

    road.start();
    road.pipeline->startUp(logPath, road.prompts);
    QCOMPARE(road.prompts.questions.size(), kStarted);
    QCOMPARE(library.appended.size(), expected.size());
}

QTEST_GUILESS_MAIN(TstOutbox)
#include "tst_outbox.moc"
