#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_data.h"
#include "hamlog/hamlog_transfer.h"

#include "support/fake_hamlog_library.h"
#include "support/hamlog_tables.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <stdexcept>

namespace {

class FakeHost : public HamlogHost
{
public:
    QStringList statuses;
    QStringList lastCallSigns;
    std::function<void()> onYield;
    int yields = 0;

    void setStatusText(const QString& text) override { statuses << text; }
    void setLastCallSign(const QString& callSign) override { lastCallSigns << callSign; }
    void yieldToEventLoop() override
    {
        ++yields;
        if (onYield)
            onYield();
    }
};

QString contact(const QString& call, const QString& extra = QString())
{
    QString text =
        QStringLiteral("<qso_date:8>20240315 <time_on:6>123456 <freq:9>14.074150 <mode:3>FT8 ") + extra;
    if (!call.isEmpty())
        text += QStringLiteral("<call:%1>%2 ").arg(call.size()).arg(call);
    return text + QStringLiteral("<eor>");
}

void fillTransferList(const QStringList& lines)
{
    ClearAdifTransferList();
    for (const QString& line : lines)
        AddAdifTransferRecord(line);
}

} // namespace

class TestHamlogTransfer : public QObject
{
    Q_OBJECT

private:
    HamlogTestTables m_tables;
    Settings m_settings;
    FakeHamlogLibrary* m_library = nullptr;
    FakePrompts* m_prompts = nullptr;
    FakeHost* m_host = nullptr;
    HamlogTransfer* m_transfer = nullptr;

private slots:
    void init()
    {
        m_settings = Settings();
        m_settings.ThDbFile = QStringLiteral("C:\\HAMLOG\\Hamlog.hdb");
        m_library = new FakeHamlogLibrary;
        m_prompts = new FakePrompts;
        m_host = new FakeHost;
        m_transfer = new HamlogTransfer(m_settings, m_tables.countries, m_tables.dxcc, *m_library, *m_prompts,
                                        *m_host);
        ClearAdifTransferList();
    }

    void cleanup()
    {
        delete m_transfer;
        delete m_host;
        delete m_prompts;
        delete m_library;
    }

    // Catches a wrong order of calls, field 15 handed over, or the call sign reported before the append.
    void udpAppendHandsOverAndReports()
    {
        QSignalSpy spy(m_transfer, &HamlogTransfer::contactAppended);
        QCOMPARE(m_transfer->ThLogDbAppend(contact(QStringLiteral("ja1abc"))), HamlogTransfer::AppendRan);
        QStringList expected{QStringLiteral("GetThdllVersion"),
                             QStringLiteral("HamlogOpen 0 C:\\HAMLOG\\Hamlog.hdb 1"),
                             QStringLiteral("SetThBuffer 0 ")};
        const char* const values[] = {"",   "JA1ABC", "24/03/15", "12:34", "",     "", "14.074", "FT8",
                                      "JA", "",       "J  ",      "",      "日本", "", ""};
        for (int i = 1; i <= 14; ++i)
            expected << QStringLiteral("SetThBuffer %1 %2").arg(i).arg(QString::fromUtf8(values[i]));
        expected << QStringLiteral("SetThBuffer 16 0") << QStringLiteral("THW_append 16 0")
                 << QStringLiteral("HamlogClose 1");
        QCOMPARE(m_library->calls, expected);
        QVERIFY(m_library->bufferMatched);
        QCOMPARE(m_host->lastCallSigns, QStringList{QStringLiteral("JA1ABC")});
        QVERIFY(m_host->statuses.isEmpty());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("JA1ABC"));
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());

        // A second contact opens and closes again and starts from empty fields.
        m_library->calls.clear();
        m_transfer->ThLogDbAppend(QStringLiteral("<call:4>W1AW<eor>"));
        QCOMPARE(m_library->outline(),
                 (QStringList{"GetThdllVersion", "HamlogOpen", "THW_append", "HamlogClose"}));
        QCOMPARE(m_library->appended.size(), 2);
        QVERIFY(m_library->appended[1][2].isEmpty());
        QVERIFY(m_library->appended[1][7].isEmpty());
    }

    // Catches a contact without a call sign appended as an empty record, or reported.
    void udpContactWithoutCallSignNotAppended()
    {
        QSignalSpy spy(m_transfer, &HamlogTransfer::contactAppended);
        for (const char* text : {"<mode:3>FT4<eor>", "<call:0>JA1ABC<mode:3>FT4<eor>", "<call:2>  <eor>"}) {
            QCOMPARE(m_transfer->ThLogDbAppend(QString::fromLatin1(text)), HamlogTransfer::AppendRan);
            QVERIFY2(m_library->calls.isEmpty(), text);
        }
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QVERIFY(m_host->statuses.isEmpty());
        QCOMPARE(spy.count(), 0);
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());
    }

    // Catches a second message, a close, or a reported call sign when the library is missing.
    void versionZeroWithFailingOpen()
    {
        m_library->version = 0;
        m_library->openResult = 1;
        m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        fillTransferList({contact(QStringLiteral("JA1ABC"))});
        m_transfer->ThDbFileAppend();
        QCOMPARE(m_prompts->messages,
                 (QStringList{HamlogTransfer::libraryMissingText(), HamlogTransfer::libraryMissingText()}));
        QVERIFY(m_prompts->questions.isEmpty());
        QCOMPARE(m_library->outline(),
                 (QStringList{"GetThdllVersion", "HamlogOpen", "GetThdllVersion", "HamlogOpen"}));
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QVERIFY(m_host->statuses.isEmpty());
    }

    // Catches an unopened database being written to or reported as transferred.
    void openFails()
    {
        m_library->openResult = 3;
        m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        QCOMPARE(m_prompts->messages, QStringList{HamlogTransfer::cannotOpenText()});
        QVERIFY(m_library->appended.isEmpty());
        QVERIFY(m_host->lastCallSigns.isEmpty());
    }

    // Catches a usable library refused because its version's hex digits hold a letter.
    void versionWithLetterIsUsable()
    {
        m_library->version = 0x5A0;
        m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());
        QCOMPARE(m_library->appended.size(), 1);
    }

    void udpFailurePath_data()
    {
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("outline");
        QTest::addColumn<bool>("loaded"); // false: the library could not be loaded at all
        QTest::newRow("append refused by the store")
            << "THW_append" << contact(QStringLiteral("JA1ABC")) << "fake failure"
            << QStringList{"GetThdllVersion", "HamlogOpen", "THW_append", "HamlogClose"} << true;
        QTest::newRow("version cannot be called")
            << "GetThdllVersion" << contact(QStringLiteral("JA1ABC")) << "fake failure"
            << QStringList{"GetThdllVersion", "HamlogClose"} << true;
        QTest::newRow("field cannot be set")
            << "SetThBuffer" << contact(QStringLiteral("JA1ABC")) << "fake failure"
            << QStringList{"GetThdllVersion", "HamlogOpen", "HamlogClose"} << true;
        QTest::newRow("conversion fails")
            << "" << QStringLiteral("<call:5>JA1AB<name:4 x")
            << "<NAME:" << QStringList{"GetThdllVersion", "HamlogOpen", "HamlogClose"} << true;
        // The 64-bit build, for one: a fact to read with one OK button, not a question.
        QTest::newRow("library not loaded")
            << "GetThdllVersion" << contact(QStringLiteral("JA1ABC")) << "fake failure"
            << QStringList{"GetThdllVersion"} << false;
    }

    // Catches a failed append reported as added, or the failure path skipping its close or box.
    void udpFailurePath()
    {
        QFETCH(QString, failingCall);
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(QStringList, outline);
        QFETCH(bool, loaded);
        m_library->failingCall = failingCall;
        m_library->loaded = loaded;
        QSignalSpy spy(m_transfer, &HamlogTransfer::contactAppended);
        m_prompts->answers << false;
        QCOMPARE(m_transfer->ThLogDbAppend(text), HamlogTransfer::AppendRan);
        QCOMPARE(m_library->outline(), outline);
        const QStringList& boxes = loaded ? m_prompts->questions : m_prompts->messages;
        QCOMPARE(m_prompts->messages.size() + m_prompts->questions.size(), 1);
        QVERIFY(boxes.value(0).contains(error));
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QCOMPARE(spy.count(), 0);
        QVERIFY(!m_transfer->isBusy());
    }

    // Catches a record without call sign being appended in an import, or state carried over.
    void importSkipsRecordWithoutCall()
    {
        fillTransferList({contact(QStringLiteral("JA1ABC"), QStringLiteral("<name:3>Ken ")),
                          contact(QString()), contact(QStringLiteral("W1AW"))});
        QCOMPARE(m_transfer->ThDbFileAppend(), HamlogTransfer::AppendRan);
        QCOMPARE(m_library->outline(),
                 (QStringList{"GetThdllVersion", "HamlogOpen", "THW_append", "THW_append", "HamlogClose"}));
        QCOMPARE(m_library->calls.filter(QStringLiteral("SetThBuffer 0 ")).size(), 3);
        QCOMPARE(m_library->appended.size(), 2);
        QCOMPARE(m_library->appended[0][1], QStringLiteral("JA1ABC"));
        QCOMPARE(m_library->appended[1][1], QStringLiteral("W1AW"));
        QVERIFY(m_library->appended[1][11].isEmpty());
        QCOMPARE(m_library->appended[1][6], QStringLiteral("14.074"));
        QCOMPARE(m_host->statuses, (QStringList{QString(), HamlogTransfer::transferredText(2, 1)}));
        QCOMPARE(m_transfer->lastImport().skipped, 1);
        QCOMPARE(m_host->yields, 3); // one after each record
        QVERIFY(m_host->lastCallSigns.isEmpty());
    }

    // Catches an empty transfer skipping the open and close or the closing status text.
    void importOfNothing()
    {
        QCOMPARE(AdifTransferCount, 0);
        m_transfer->ThDbFileAppend();
        QCOMPARE(m_library->outline(), (QStringList{"GetThdllVersion", "HamlogOpen", "HamlogClose"}));
        QCOMPARE(m_host->statuses, (QStringList{QString(), HamlogTransfer::transferredText(0, 0)}));
    }

    // Catches a failure that loses the number of the failing record or reports success.
    void importFailureNamesRecord()
    {
        fillTransferList({contact(QStringLiteral("JA1ABC")), contact(QStringLiteral("JA1ABD")),
                          contact(QStringLiteral("JA1ABE"))});
        m_library->failAfterAppends = 2;
        m_transfer->ThDbFileAppend();
        QCOMPARE(m_library->appended.size(), 2);
        QCOMPARE(m_library->outline().last(), QStringLiteral("HamlogClose"));
        QCOMPARE(m_prompts->questions.size(), 1);
        QVERIFY(m_prompts->questions[0].contains(QStringLiteral("3 件目")));
        QVERIFY(m_prompts->questions[0].contains(QStringLiteral("それまでに 2 件を追加")));
        QVERIFY(m_prompts->questions[0].contains(QLatin1String("fake failure")));
        QCOMPARE(m_host->statuses, QStringList{QString()});
    }

    // Catches a contact that arrives during an import interleaving with it, or being dropped.
    void udpDuringImportWaits()
    {
        fillTransferList({contact(QStringLiteral("JA1AAA")), contact(QStringLiteral("JA1BBB")),
                          contact(QStringLiteral("JA1CCC"))});
        QSignalSpy spy(m_transfer, &HamlogTransfer::contactAppended);
        QList<HamlogTransfer::AppendRequest> answers;
        int appendedWhenAsked = -1;
        m_host->onYield = [&] {
            if (m_host->yields == 1) { // after the first record
                appendedWhenAsked = m_library->appended.size();
                answers << m_transfer->ThLogDbAppend(contact(QStringLiteral("K1UDP")));
                answers << m_transfer->ThLogDbAppend(contact(QStringLiteral("K2UDP")));
            }
        };
        QCOMPARE(m_transfer->ThDbFileAppend(), HamlogTransfer::AppendRan);
        QCOMPARE(appendedWhenAsked, 1);
        QCOMPARE(answers, (QList<HamlogTransfer::AppendRequest>{HamlogTransfer::AppendDeferred,
                                                                HamlogTransfer::AppendDeferred}));
        QStringList calls;
        for (const auto& r : m_library->appended)
            calls << r[1];
        QCOMPARE(calls, (QStringList{"JA1AAA", "JA1BBB", "JA1CCC", "K1UDP", "K2UDP"}));
        QCOMPARE(m_library->outline(),
                 (QStringList{"GetThdllVersion", "HamlogOpen", "THW_append", "THW_append", "THW_append",
                              "HamlogClose", "GetThdllVersion", "HamlogOpen", "THW_append", "HamlogClose",
                              "GetThdllVersion", "HamlogOpen", "THW_append", "HamlogClose"}));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("K1UDP"));
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QVERIFY(!m_transfer->isBusy());
    }

    // Catches requests made while a deferred append runs being dropped, reordered or run inside it.
    void requestsDuringDeferredAppendWait()
    {
        fillTransferList({contact(QStringLiteral("JA1AAA"))});
        m_host->onYield = [&] {
            if (m_host->yields == 1) { // after the import's only record
                m_transfer->ThLogDbAppend(contact(QStringLiteral("K1UDP")));
            } else if (m_host->yields == 2) { // inside K1UDP's lookup, which was itself deferred
                QCOMPARE(m_library->appended.size(), 1);
                fillTransferList({contact(QStringLiteral("W1AW"))});
                QCOMPARE(m_transfer->ThDbFileAppend(), HamlogTransfer::AppendDeferred);
                QCOMPARE(m_transfer->ThLogDbAppend(contact(QStringLiteral("K2UDP"))),
                         HamlogTransfer::AppendDeferred);
            }
        };
        m_transfer->ThDbFileAppend();
        QStringList calls;
        for (const auto& r : m_library->appended)
            calls << r[1];
        QCOMPARE(calls, (QStringList{"JA1AAA", "K1UDP", "W1AW", "K2UDP"}));
        QCOMPARE(m_library->outline().count(QStringLiteral("HamlogOpen")), 4);
        QCOMPARE(m_library->outline().count(QStringLiteral("HamlogClose")), 4);
        QVERIFY(!m_library->open);
        QVERIFY(!m_transfer->isBusy());
    }

    // Catches an exception thrown through an append leaving the transfer busy for good, so that
    // every later contact would wait forever.
    void exceptionDoesNotBlockLaterAppends()
    {
        m_host->onYield = [] { throw std::runtime_error("boom"); };
        bool thrown = false;
        try {
            m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QVERIFY(!m_transfer->isBusy());
        m_host->onYield = nullptr;
        QCOMPARE(m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABD"))), HamlogTransfer::AppendRan);
        QCOMPARE(m_library->appended.size(), 1);
        QCOMPARE(m_host->lastCallSigns, QStringList{QStringLiteral("JA1ABD")});
    }

    // Catches a failed close on the failure path going unmentioned, so that the records appended
    // before the error would seem safe.
    void failedCloseOnFailurePathIsReported()
    {
        fillTransferList({contact(QStringLiteral("JA1ABC")), QStringLiteral("<call:5>JA1CC<freq:6 7.074")});
        m_library->failingCall = QStringLiteral("HamlogClose");
        m_library->error = QStringLiteral("disk full");
        m_transfer->ThDbFileAppend();
        QCOMPARE(m_prompts->questions.size(), 1);
        QVERIFY(m_prompts->questions[0].contains(QStringLiteral("2 件目")));
        QVERIFY(m_prompts->questions[0].contains(QLatin1String("<FREQ:")));
        QVERIFY(m_prompts->questions[0].contains(QLatin1String("disk full")));
        QCOMPARE(m_host->statuses, QStringList{QString()});
    }

    // Catches an import started during a contact's append running inside it, or transferring a
    // list refilled after it was asked for.
    void importDuringUdpWaits()
    {
        m_host->onYield = [&] {
            if (m_host->yields == 1) {
                fillTransferList({contact(QStringLiteral("W1AW"))});
                QCOMPARE(m_transfer->ThDbFileAppend(), HamlogTransfer::AppendDeferred);
                fillTransferList({contact(QStringLiteral("W2XX"))});
            }
        };
        m_transfer->ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        QCOMPARE(m_library->appended.size(), 2);
        QCOMPARE(m_library->appended[0][1], QStringLiteral("JA1ABC"));
        QCOMPARE(m_library->appended[1][1], QStringLiteral("W1AW"));
        QCOMPARE(m_host->lastCallSigns, QStringList{QStringLiteral("JA1ABC")});
        QCOMPARE(m_host->statuses.last(), HamlogTransfer::transferredText(1, 0));
    }

    // Catches the 16-bit count limit, and records lost or altered on the way into the real store.
    void largeImportIntoBuiltinStore()
    {
        QTemporaryDir dir;
        m_settings.ThDbFile = dir.filePath(QStringLiteral("velkor.db"));
        BuiltinStore store;
        HamlogTransfer transfer(m_settings, m_tables.countries, m_tables.dxcc, store, *m_prompts, *m_host);
        ClearAdifTransferList();
        const int count = 40000;
        for (int i = 0; i < count; ++i)
            AddAdifTransferRecord(contact(QStringLiteral("JA%1").arg(i)));
        QCOMPARE(AdifTransferCount, count);
        transfer.ThDbFileAppend();
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());
        QList<StoredRecord> records;
        QString error;
        QVERIFY2(BuiltinStore::ReadRecords(m_settings.ThDbFile, records, error), qPrintable(error));
        QCOMPARE(records.size(), count);
        QCOMPARE(records.last().fields[1], QStringLiteral("JA39999"));
        QCOMPARE(records.last().fields[12], QStringLiteral("日本"));
        QCOMPARE(m_host->statuses.last(), HamlogTransfer::transferredText(count, 0));
    }

    // Catches the failure path of the real store losing what was appended before the failure.
    void builtinStoreKeepsRecordsBeforeFailure()
    {
        QTemporaryDir dir;
        m_settings.ThDbFile = dir.filePath(QStringLiteral("velkor.db"));
        BuiltinStore store;
        HamlogTransfer transfer(m_settings, m_tables.countries, m_tables.dxcc, store, *m_prompts, *m_host);
        fillTransferList({contact(QStringLiteral("JA1AAA")), contact(QStringLiteral("JA1BBB")),
                          QStringLiteral("<call:5>JA1CC<freq:6 7.074"), contact(QStringLiteral("JA1DDD"))});
        transfer.ThDbFileAppend();
        QCOMPARE(m_prompts->questions.size(), 1);
        QVERIFY(m_prompts->questions[0].contains(QStringLiteral("3 件目")));
        QVERIFY(!store.isOpen());
        QList<StoredRecord> records;
        QString error;
        QVERIFY(BuiltinStore::ReadRecords(m_settings.ThDbFile, records, error));
        QCOMPARE(records.size(), 2);
    }

    // Catches the real store appending into, altering or standing in for a HAMLOG database, or the
    // user not learning why the open failed.
    void foreignDatabaseRefused()
    {
        TempProgramFolder dir;
        const QByteArray foreign = QByteArray("\x03\x7f HAMLOG data", 13) + QByteArray(2000, '\x11');
        QVERIFY(dir.write(QStringLiteral("Hamlog.hdb"), foreign));
        m_settings.ThDbFile = dir.filePath(QStringLiteral("Hamlog.hdb"));
        BuiltinStore store;
        HamlogTransfer transfer(m_settings, m_tables.countries, m_tables.dxcc, store, *m_prompts, *m_host);
        transfer.ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        fillTransferList({contact(QStringLiteral("JA1ABC"))});
        transfer.ThDbFileAppend();
        QCOMPARE(m_prompts->messages.size(), 2);
        for (const QString& message : m_prompts->messages) {
            QVERIFY(message.startsWith(HamlogTransfer::cannotOpenText() + QLatin1Char('\n')));
            QVERIFY2(message.contains(QStringLiteral("VELKOR のデータベースではありません")),
                     qPrintable(message));
        }
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QCOMPARE(dir.read(QStringLiteral("Hamlog.hdb")), foreign);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Hamlog.hdb")});

        // A folder is named as a folder, by the store as for HAMLOG's library, which says nothing.
        m_prompts->messages.clear();
        m_settings.ThDbFile = dir.path();
        transfer.ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        m_library->openResult = 3;
        HamlogTransfer viaLibrary(m_settings, m_tables.countries, m_tables.dxcc, *m_library, *m_prompts,
                                  *m_host);
        viaLibrary.ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        QCOMPARE(m_prompts->messages.size(), 2);
        for (const QString& message : m_prompts->messages)
            QVERIFY2(message.contains(QStringLiteral("はフォルダーです")), qPrintable(message));

        // A HAMLOG name that is missing is never made into a store; the user learns why.
        m_prompts->messages.clear();
        m_settings.ThDbFile = dir.filePath(QStringLiteral("Moved.HDB"));
        transfer.ThLogDbAppend(contact(QStringLiteral("JA1ABC")));
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY2(m_prompts->messages[0].contains(QStringLiteral("TURBO HAMLOG 自身のデータベース")),
                 qPrintable(m_prompts->messages[0]));
        QVERIFY(m_host->lastCallSigns.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Hamlog.hdb")});
    }
};

QTEST_GUILESS_MAIN(TestHamlogTransfer)
#include "tst_hamlog_transfer.moc"
