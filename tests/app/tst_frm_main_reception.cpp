#include "app/frm_main.h"
#include "app/frm_outbox.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "hamlog/builtin_store.h"
#include "delivery/contact_delivery.h"
#include "hamlog/hamlog_data.h"
#include "platform/code_page.h"
#include "adif/adif_fields.h"
#include "reception/datagram_intake.h"
#include "reception/qso_logged_encoder.h"
#include "settings/frm_settings.h"
#include "support/fake_hamlog_library.h"
#include "support/fake_partner_process.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QUdpSocket>

#include <deque>
#include <functional>
#include <memory>

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

QByteArray freedvMessage()
{
    QsoLogged::Outgoing qso;
    qso.timeOn = QDateTime(QDate(2024, 1, 5), QTime(12, 34, 56), QTimeZone::utc());
    qso.timeOff = QDateTime(QDate(2024, 1, 5), QTime(12, 40, 10), QTimeZone::utc());
    qso.dxCall = QStringLiteral("JA1FDV");
    qso.dxGrid = QStringLiteral("PM95");
    qso.txFrequencyHz = 7177000;
    qso.reportSent = QStringLiteral("59");
    qso.reportReceived = QStringLiteral("57");
    qso.myCall = QStringLiteral("QQ2BB");
    qso.name = QStringLiteral("花子");
    return QsoLogged::EncodeQsoLogged(qso);
}

QByteArray contact(const char* call)
{
    return QByteArray("<call:") + QByteArray::number(int(qstrlen(call))) + '>' + call +
           " <qso_date:8>20240315 <time_on:6>123456 <freq:6>14.074 <mode:3>FT8 <eor>";
}

// Prompts that can run code while a box is open, as a real box lets events run.
class BoxPrompts : public FakePrompts
{
public:
    void showMessage(const QString& text) override
    {
        nested = nested || depth > 0;
        ++depth;
        FakePrompts::showMessage(text);
        if (whileOpen)
            whileOpen();
        --depth;
        labelsAtClose << (label ? label->text() : QString());
    }
    // Boxes that do not wait stay open until the test closes them.
    void showWithoutWaiting(const QString& text, bool okCancel, const std::function<void()>& closed) override
    {
        (okCancel ? questions : messages) << text;
        openBoxes.push_back(closed);
        mostOpen = qMax(mostOpen, int(openBoxes.size()));
    }
    void closeBoxes()
    {
        while (!openBoxes.empty()) {
            auto closed = std::move(openBoxes.front());
            openBoxes.pop_front();
            if (closed)
                closed();
        }
    }
    std::deque<std::function<void()>> openBoxes;
    int mostOpen = 0;
    std::function<void()> whileOpen;
    QLabel* label = nullptr;
    QStringList labelsAtClose; // Label1 as each box closed
    int depth = 0;
    bool nested = false;
};

} // namespace

#define QVERIFY_RETURN(x)                                                                                    \
    do {                                                                                                     \
        if (!QTest::qVerify(static_cast<bool>(x), #x, "", __FILE__, __LINE__))                               \
            return nullptr;                                                                                  \
    } while (false)

class TstFrmMainReception : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contactReachesEveryPlace_data();
    void contactReachesEveryPlace();
    void onlyTrueCopiesDropped_data();
    void onlyTrueCopiesDropped();
    void binaryMessagesOnATextPort();
    void qsoLoggedMessagesWaitingTogether();
    void portProblemsReported();
    void contactsGoOnWhileAFailureBoxIsOpen();
    void listWindowSaysWhatEachActionDid_data();
    void listWindowSaysWhatEachActionDid();
    void adifLogThatCannotBeWrittenIsSaid();
    void deferredContactReportedOnceAppended();
    void wholeRoadInRealTime();
    void demoPartnerLaunchedFromItsEntry();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<BoxPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;
    quint16 m_ports[5] = {};
    qint64 m_now = 0;

    QString dbPath() const { return m_folder->filePath(QStringLiteral("log.db")); }

    // Loads the window with its settings and the intake's timers in milliseconds, then opens the
    // port of the source.
    frmMain* start(qint16 source, bool fastTimers = true, const QByteArray& extra = QByteArray())
    {
        QVERIFY_RETURN(m_folder->write(QStringLiteral("Cty.dat"), QByteArray()));
        QVERIFY_RETURN(m_folder->write(QStringLiteral("TH_DX.dat"), QByteArray()));
        QByteArray ini = "ThDbFile=" + dbPath().toUtf8() + "\r\n" + extra;
        const char* const keys[] = {"JtdxPort", "WsjtPort", "MshvPort", "FreeDvPort"};
        for (int i = 1; i <= 4; ++i) {
            m_ports[i] = freePort();
            ini += QByteArray(keys[i - 1]) + '=' + QByteArray::number(m_ports[i]) + "\r\n";
        }
        QVERIFY_RETURN(m_folder->write(QStringLiteral("VELKOR.ini"), ini));
        m_window = std::make_unique<frmMain>(Program(), *m_prompts);
#ifdef Q_OS_WIN
        // Windows appends through HAMLOG's libraries only; these tests look into the built-in store.
        m_window->setHamlogLibrary(std::make_unique<BuiltinStore>());
#endif
        m_window->setHelpOpener([](QWidget*, const QString&) {});
        m_window->Form_Load();
        m_window->show();
        m_prompts->label = label();
        if (fastTimers) {
            m_window->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(20);
            m_window->setReceptionClock([this] { return m_now; });
        }
        m_window->OpenUdpPort(source);
        return m_window.get();
    }
    QLabel* label() const { return m_window->findChild<QLabel*>(QStringLiteral("Label1")); }
    void send(const QByteArray& datagram, qint16 source)
    {
        QUdpSocket sender;
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, m_ports[source]),
                 qint64(datagram.size()));
    }
    // The contact lines of the ADIF log, in the program's code page.
    QStringList adifLog() const
    {
        QStringList lines = CodePage::toUnicode(m_folder->read(QStringLiteral("Log/Velkor.adi")))
                                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst(); // header
        return lines;
    }
    QStringList storedCalls() const
    {
        QList<StoredRecord> records;
        QString error;
        BuiltinStore::ReadRecords(dbPath(), records, error);
        QStringList calls;
        for (const StoredRecord& r : records)
            calls << r.fields[1];
        return calls;
    }
};

void TstFrmMainReception::init()
{
    ResetProgramData();
    m_folder = std::make_unique<TempProgramFolder>();
    QVERIFY(m_folder->isValid());
    m_prompts = std::make_unique<BoxPrompts>();
    m_now = 0;
}

void TstFrmMainReception::cleanup()
{
    if (m_window) {
        if (frmSettings* dialog = m_window->settingsDialog())
            delete dialog;
        m_window.reset();
    }
    m_prompts.reset();
    m_folder.reset();
}

void TstFrmMainReception::contactReachesEveryPlace_data()
{
    QTest::addColumn<qint16>("source");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("name"); // as stored

    QTest::newRow("WSJT-X, Latin-1") << qint16(2)
                                     << QByteArray("<call:6>ja1abc <name:4>J\xF6rg <mode:3>FT8 <eor>")
                                     << QStringLiteral("<call:6>ja1abc <name:4>Jörg <mode:3>FT8 <eor>")
                                     << QStringLiteral("JA1ABC") << QStringLiteral("Jörg");
    QTest::newRow("JTDX, UTF-8") << qint16(1) << QStringLiteral("<CALL:6>JA1ABC <NAME:2>太郎 <EOR>").toUtf8()
                                 << QStringLiteral("<CALL:6>JA1ABC <NAME:2>太郎 <EOR>")
                                 << QStringLiteral("JA1ABC") << QStringLiteral("太郎");
    QTest::newRow("MSHV with header")
        << qint16(3)
        << QByteArray("<ADIF_VER:5>3.1.0\r\n<PROGRAMID:4>MSHV\r\n<EOH>\r\n<CALL:5>K1ABC<GRIDSQUARE:0><EOR>")
        << QStringLiteral("<CALL:5>K1ABC<GRIDSQUARE:0><EOR>") << QStringLiteral("K1ABC") << QString();
    QTest::newRow("FreeDV, QSO Logged")
        << qint16(4) << freedvMessage()
        << QStringLiteral("<call:6>JA1FDV <gridsquare:4>PM95 <mode:6>FREEDV "
                          "<rst_sent:2>59 <rst_rcvd:2>57 <qso_date:8>20240105 "
                          "<time_on:6>123456 <qso_date_off:8>20240105 "
                          "<time_off:6>124010 <band:3>40m <freq:5>7.177 "
                          "<station_callsign:5>QQ2BB <my_gridsquare:0> <eor>")
        << QStringLiteral("JA1FDV") << QString();
    const QByteArray big = "<call:5>K2BIG <notes:65474>" + QByteArray(65474, 'x') + " <eor>"; // 65,507 bytes
    QTest::newRow("largest datagram, read whole")
        << qint16(2) << big << QString::fromLatin1(big) << QStringLiteral("K2BIG") << QString();
}

// Catches a contact that misses Label1, the ADIF log, the store or the status line, arrives
// garbled (character set, header, binary message), or stays on the window.
void TstFrmMainReception::contactReachesEveryPlace()
{
    QFETCH(qint16, source);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, contact);
    QFETCH(QString, call);
    QFETCH(QString, name);
    frmMain* w = start(source);
    QVERIFY(w);
    // Label1 keeps the contact however long a slow machine takes over the largest one.
    w->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(60 * 1000);
    w->setStatusText(QStringLiteral("old"));
    send(datagram, source);
    QTRY_COMPARE_WITH_TIMEOUT(label()->text(), contact, 30000);
    w->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(1000);
    QCOMPARE(w->statusText(), call + QStringLiteral(" をTURBO HAMLOG データベースに追加しました"));
    QVERIFY(w->lastCallSign().isEmpty());
    QCOMPARE(adifLog(), QStringList{CodePage::toUnicode(CodePage::fromUnicode(contact))});
    QCOMPARE(storedCalls(), QStringList{call});
    if (!name.isEmpty()) {
        QList<StoredRecord> records;
        QString error;
        QVERIFY(BuiltinStore::ReadRecords(dbPath(), records, error));
        QCOMPARE(records.first().fields[11], name);
    }
    QTRY_VERIFY(label()->text().isEmpty()); // two ticks of Timer2
    QCOMPARE(w->statusText(), call + QStringLiteral(" をTURBO HAMLOG データベースに追加しました"));
}

void TstFrmMainReception::onlyTrueCopiesDropped_data()
{
    // Steps "name@ms": '+' adds a record (its last contact), '!' adds one said to be taken again,
    // '-' adds none. The datagrams are WSJT-X 2.6.1's own, logging one contact with both of its
    // servers pointed at one port, and that contact edited.
    QTest::addColumn<QString>("steps");
    QTest::newRow("primary and secondary copies of one contact") << "-qso@0 +logged@0 -broadcast@18";
    QTest::newRow("the same datagram 2.1 s later") << "+broadcast@0 -broadcast@2100";
    QTest::newRow("Logged ADIF, the broadcast 2.5 s later") << "+logged@0 -broadcast@2500";
    QTest::newRow("a copy 9 minutes later") << "+broadcast@0 -logged@540000";
    QTest::newRow("the same datagram 10 minutes later") << "+broadcast@0 +broadcast@600000";
    QTest::newRow("corrected re-log 1.5 s later, then a late copy of the first")
        << "+broadcast@0 !edited@1500 -broadcast@1600";
    QTest::newRow("second contact in the same minute") << "+broadcast@0 !second@300";
    QTest::newRow("another band while the first is shown") << "+broadcast@0 +band@500";
    QTest::newRow("the same station two minutes on") << "+broadcast@0 +edited@120000";
    QTest::newRow("a copy and a new contact in one datagram") << "+broadcast@0 +pair@100";
}

// Catches a corrected re-log or a second contact with a station dropped as "the same contact" (or
// stored without a word), a true copy that comes late stored twice, or a second contact lost to
// the gate while the first is shown.
void TstFrmMainReception::onlyTrueCopiesDropped()
{
    QFETCH(QString, steps);
    const auto read = [](const char* name) {
        QFile file(QStringLiteral(VELKOR_TEST_DATA "/wsjtx/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray broadcast = read("broadcast_adif_kanji.adi").trimmed();
    QHash<QString, QByteArray> datagrams{
        {"qso", read("qso_logged_kanji.bin")},
        {"logged", read("logged_adif_kanji.bin")},
        {"broadcast", broadcast},
        {"edited", QByteArray(broadcast).replace("<rst_sent:3>-10 <rst_rcvd:3>-12", "<rst_sent:3>-05 <rst_rcvd:3>-06")},
        {"second", QByteArray(broadcast).replace("210724", "210750").replace("14.075500", "14.076100")},
        {"band", QByteArray(broadcast).replace("<band:3>20m <freq:9>14.075500", "<band:3>40m <freq:8>7.075500")},
        {"pair", broadcast + ' ' + QByteArray(broadcast).replace("JH1XYZ", "JH1XYY")},
    };
    frmMain* w = start(2);
    QVERIFY(w);
    int records = 0;
    QStringList expectedCalls;
    for (const QString& step : steps.split(QLatin1Char(' '))) {
        const QByteArray datagram = datagrams.value(step.mid(1).section(QLatin1Char('@'), 0, 0));
        QVERIFY2(!datagram.isEmpty(), qPrintable(step));
        m_now = step.section(QLatin1Char('@'), 1).toLongLong();
        send(datagram, 2);
        if (step.startsWith(QLatin1Char('-')))
            continue;
        const QString last = Datagrams::Read(datagram, 2).contacts.last();
        const QString call = ReadAdifField(last, QLatin1String("CALL")).value;
        expectedCalls << call;
        ++records;
        QTRY_COMPARE(adifLog().size(), records);
        QTRY_COMPARE(storedCalls().size(), records);
        // The record is the contact as sent this time: its report and time, not the first one's.
        for (const char* field : {"RST_SENT", "TIME_ON", "BAND"}) {
            QCOMPARE(ReadAdifField(adifLog().last(), QLatin1String(field)).value,
                     ReadAdifField(last, QLatin1String(field)).value);
        }
        QTRY_VERIFY(w->lastCallSign().isEmpty());
        QCOMPARE(w->statusText(), step.startsWith(QLatin1Char('!'))
                                      ? call + QStringLiteral(" をもう一度記録しました")
                                      : frmMain::contactAddedText(call));
    }
    // A contact of its own after them all: whatever was dropped came before it, and stays dropped.
    m_now += 1000;
    send(contact("JA9END"), 2);
    QTRY_COMPARE(storedCalls().size(), records + 1);
    QCOMPARE(storedCalls(), expectedCalls + QStringList{"JA9END"});
    QCOMPARE(adifLog().size(), records + 1);
    // Each has its own entry in the outbox, marked as appended.
    QTRY_COMPARE(w->delivery().outbox().count({Outbox::State::Appended}), records + 1);
}

// Catches a partner's main UDP server (pointed at a text port) writing heartbeats into the
// logbook, or one contact stored twice because it came as QSO Logged, as Logged ADIF (its Latin-1
// read as such) and from the partner's plain-text broadcast too.
void TstFrmMainReception::binaryMessagesOnATextPort()
{
    frmMain* w = start(2);
    const QByteArray record =
        "<call:6>JA1FDV <qso_date:8>20240105 <time_on:6>123456 <band:3>40m <mode:4>MFSK "
        "<submode:3>FT4 <name:6>M\xFCller <eor>";
    send(QsoLogged::EncodeHeartbeat(QStringLiteral("WSJT-X")), 2);
    send(freedvMessage(), 2);                                  // QSO Logged ...
    send(QsoLogged::EncodeLoggedAdif(QStringLiteral("WSJT-X"), // ... and Logged ADIF of the same contact
                                     "\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n" + record),
         2);
    send(record, 2); // ... and the plain-text broadcast
    const QString contact = CodePage::toUnicode(CodePage::fromUnicode(QString::fromLatin1(record)));
    QTRY_COMPARE(adifLog(), QStringList{contact});
    QCOMPARE(storedCalls(), QStringList{"JA1FDV"});
    QCOMPARE(w->statusText(), QStringLiteral("JA1FDV をTURBO HAMLOG データベースに追加しました"));
    QTest::qWait(100);
    QCOMPARE(adifLog(), QStringList{contact});
}

// Catches QSO Logged messages that wait together decoded as one (only the first contact kept),
// or handled one open of the database each instead of together, out of order, or reported as
// another than the last.
void TstFrmMainReception::qsoLoggedMessagesWaitingTogether()
{
    frmMain* w = start(4);
    auto library = std::make_unique<FakeHamlogLibrary>();
    FakeHamlogLibrary* fake = library.get();
    w->setHamlogLibrary(std::move(library));
    // Label1 keeps the contact however long a loaded machine takes to append the three.
    w->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(60 * 1000);
    QsoLogged::Outgoing qso;
    QUdpSocket sender;
    const QStringList calls{"JA1ONE", "JA1TWO", "JA1THR"};
    for (const QString& call : calls) {
        qso.dxCall = call;
        sender.writeDatagram(QsoLogged::EncodeQsoLogged(qso), QHostAddress::LocalHost, m_ports[4]);
    }
    QTRY_COMPARE(fake->appended.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(fake->appended.at(i)[1], calls.at(i));
        QVERIFY2(adifLog().value(i).contains(calls.at(i)), qPrintable(adifLog().join('\n')));
    }
    QCOMPARE(adifLog().size(), 3);
    QCOMPARE(fake->calls.filter(QStringLiteral("HamlogOpen")).size(), 1);
    QVERIFY(label()->text().contains(QStringLiteral("JA1THR")));
    QCOMPARE(w->statusText(), frmMain::contactAddedText(QStringLiteral("JA1THR")));
}

// Catches a port that cannot be opened passing in silence, the note lost under the launch's own
// status text, or cut off by the panel's edge with the rest of it nowhere to read.
void TstFrmMainReception::portProblemsReported()
{
    frmMain* w = start(2, true, "JtdxVisible=1\r\nJtdxFile=" + dbPath().toUtf8() + "\r\n");
    QVERIFY(m_folder->write(QStringLiteral("log.db"), QByteArray())); // a file to "start"
    w->setProcessStarter(std::make_unique<FakePartnerProcessStarter>());
    auto* panel = w->findChild<QLabel*>(QStringLiteral("StatusBar1_Panel1"));
    // The panel shows the point of its text whole (a framed label keeps half an "x" free at its
    // sides); the tooltip holds all of it.
    const auto check = [&](const QString& shown, const QString& whole) {
        QVERIFY2(panel->text().contains(shown), qPrintable(panel->text()));
        QVERIFY2(panel->toolTip().contains(whole), qPrintable(panel->toolTip()));
        QVERIFY2(panel->fontMetrics().horizontalAdvance(panel->text()) <=
                     panel->contentsRect().width() - panel->fontMetrics().horizontalAdvance(QLatin1Char('x')),
                 qPrintable(panel->text()));
    };
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress::LocalHost, m_ports[1]));
    w->findChild<QAction*>(QStringLiteral("mnuJTDXopen"))->trigger();
    const QString port = QString::number(m_ports[1]);
    check(QStringLiteral("UDPポート ") + port + QStringLiteral(" は使用中です"),
          QStringLiteral("JTDXを起動しました　UDPポート ") + port +
              QStringLiteral(" を開けません: 他のプログラム"));
    QFile::remove(dbPath());
    other.close();

#ifndef Q_OS_WIN
    // Listening everywhere is said too, and it still receives. (Under Wine a bind to every network
    // right after the refused one is refused too; the real Windows has yet to be asked.)
    w->setStatusText(QString());
    Program().settings.WsjtIP.clear();
    w->OpenUdpPort(2);
    check(QStringLiteral("すべてのネットワーク"), QStringLiteral("受信アドレスが設定されていない"));
    send(contact("JA1ANY"), 2);
    QTRY_COMPARE(storedCalls(), QStringList{"JA1ANY"});
#endif

    // A port outside 1 to 65535 (0 after a first start) binds nothing.
    Program().settings.MshvPort = 0;
    w->OpenUdpPort(3);
    check(QStringLiteral("UDPポート番号 0"), QStringLiteral("設定を確認してください"));
    QCOMPARE(w->sourceProgram(), qint16(3));
}

// Catches a failure box that holds the queue (the contacts after it waiting until it closes), a
// second box stacked on the first or opened again for the same failure, a failed contact not
// appended once the database takes contacts again, and junk that becomes a record.
void TstFrmMainReception::contactsGoOnWhileAFailureBoxIsOpen()
{
    frmMain* w = start(2);
    auto* panel = w->findChild<QLabel*>(QStringLiteral("StatusBar1_Counts"));
    Program().settings.ThDbFile = m_folder->filePath(QStringLiteral("Cty.dat")); // not a store: fails
    send(contact("JA1AAA"), 2);
    QTRY_COMPARE(int(m_prompts->openBoxes.size()), 1);
    // The box reassures: the contact is kept, is tried again, and where to look for it.
    QVERIFY2(m_prompts->messages.value(0).endsWith(ContactDelivery::keptForRetryText()),
             qPrintable(m_prompts->messages.value(0)));
    send(contact("JA1BBB"), 2);
    QTRY_COMPARE(adifLog().size(), 2); // handled while the box is open
    QTRY_COMPARE(panel->text(), QStringLiteral("未転送 2 件"));
    m_prompts->closeBoxes();
    send(contact("JA1CCC"), 2); // the same failure again: counted, no box
    QTRY_COMPARE(panel->text(), QStringLiteral("未転送 3 件"));
    QCOMPARE(m_prompts->messages.size() + m_prompts->questions.size(), 1);
    QCOMPARE(m_prompts->mostOpen, 1);

    Program().settings.ThDbFile = dbPath();
    w->findChild<QAction*>(QStringLiteral("mnuRetryOutbox"))->trigger();
    QTRY_COMPARE(storedCalls(), (QStringList{"JA1AAA", "JA1BBB", "JA1CCC"}));
    QTRY_VERIFY(!panel->isVisible());

    send(QByteArray("<call:6>JA\0XYZ <mode:3>FT8 <eor>", 32), 2);
    QTRY_VERIFY2(panel->text().contains(QStringLiteral("受付拒否 1 件")), qPrintable(panel->text()));
    QVERIFY2(w->statusText().contains(QStringLiteral("制御文字")), qPrintable(w->statusText()));
    QVERIFY(panel->isVisible());
    QCOMPARE(adifLog().size(), 3);
    QCOMPARE(storedCalls().size(), 3);

    // The window lists it; it is saved as ADIF, and removed only once the user says OK to a
    // question whose default is Cancel, after it was kept in the removed file.
    w->findChild<QAction*>(QStringLiteral("mnuOutbox"))->trigger();
    frmOutbox* list = w->outboxWindow();
    QVERIFY(list);
    auto* grid = list->findChild<QTableWidget*>(QStringLiteral("Grid1"));
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("受付拒否"));
    const QString saved = m_folder->filePath(QStringLiteral("refused.adi"));
    list->setSaveNameAsker([&saved](QWidget*) { return saved; });
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    QVERIFY(m_folder->read(QStringLiteral("refused.adi")).contains(QByteArray("<mode:3>FT8 <eor>")));
    grid->selectRow(0);
    m_prompts->answers = {false, true};
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 1);
    grid->selectRow(0);
    QTest::mouseClick(list->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    QTRY_COMPARE(grid->rowCount(), 0);
    QCOMPARE(m_prompts->questions.last(), frmOutbox::removeQuestion(1));
    QCOMPARE(m_prompts->cancelDefault.size(), 2);
    QVERIFY(m_prompts->questions.last().contains(QStringLiteral("Removed.adi")));
    QVERIFY(m_folder->read(QStringLiteral("Log/Removed.adi")).contains(QByteArray("<mode:3>FT8 <eor>\r\n")));
    QTRY_VERIFY(!panel->isVisible());
}

void TstFrmMainReception::listWindowSaysWhatEachActionDid_data()
{
    QTest::addColumn<bool>("mended");        // the database takes contacts again before the action
    QTest::addColumn<int>("chosenRow");      // -1 none; row 0 waits, row 1 was refused as junk
    QTest::addColumn<QString>("button");     // Command1 retry, Command2 save, Command3 remove
    QTest::addColumn<QString>("saveName");   // what the user types in the save dialog
    QTest::addColumn<QString>("report");     // what the window then says (%1 the folder)
    QTest::addColumn<QStringList>("stored"); // call signs in the database afterwards
    QTest::newRow("retry, database still broken")
        << false << -1 << "Command1" << QString()
        << QStringLiteral("1 件はまだ追加できません（データベースがオープンできません") << QStringList();
    QTest::newRow("retry once mended")
        << true << 0 << "Command1" << QString()
        << QStringLiteral("1 件を TURBO HAMLOG データベースに追加しました") << QStringList{"JA1AAA"};
    QTest::newRow("retry a refused row")
        << true << 1 << "Command1" << QString()
        << QStringLiteral("1 件は受付拒否のため再試行できません（コールサインに制御文字") << QStringList();
    QTest::newRow("save, extension left off")
        << false << -1 << "Command2" << QStringLiteral("kept")
        << QStringLiteral("2 件を %1kept.adi に保存しました") << QStringList();
    QTest::newRow("save, extension given")
        << false << 0 << "Command2" << QStringLiteral("kept.ADI")
        << QStringLiteral("1 件を %1kept.ADI に保存しました") << QStringList();
    QTest::newRow("remove") << false << 1 << "Command3" << QString()
                            << QStringLiteral("1 件を一覧から削除しました") << QStringList();
}

// Catches an action of the list window that ends without a word, a refused row retried in
// silence, a file saved without the extension the import looks for, a state named otherwise
// than the status bar names it, a reason or time cut with no way to read it, and Tab moving the
// chosen row instead of leaving the list.
void TstFrmMainReception::listWindowSaysWhatEachActionDid()
{
    QFETCH(bool, mended);
    QFETCH(int, chosenRow);
    QFETCH(QString, button);
    QFETCH(QString, saveName);
    QFETCH(QString, report);
    QFETCH(QStringList, stored);
    frmMain* w = start(2);
    Program().settings.ThDbFile = m_folder->filePath(QStringLiteral("Cty.dat")); // not a store: fails
    send(contact("JA1AAA"), 2);
    QTRY_COMPARE(int(m_prompts->openBoxes.size()), 1);
    m_prompts->closeBoxes();
    send(QByteArray("<call:6>JA\0XYZ <mode:3>FT8 <eor>", 32), 2);
    QTRY_COMPARE(w->countsText(), QStringLiteral("未転送 1 件\n受付拒否 1 件"));
    if (mended)
        Program().settings.ThDbFile = dbPath();

    w->findChild<QAction*>(QStringLiteral("mnuOutbox"))->trigger();
    frmOutbox* list = w->outboxWindow();
    QVERIFY(list && QTest::qWaitForWindowExposed(list));
    auto* grid = list->findChild<QTableWidget*>(QStringLiteral("Grid1"));
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("未転送"));
    QCOMPARE(grid->item(1, 3)->text(), QStringLiteral("受付拒否"));
    for (int row = 0; row < 2; ++row) {
        const QTableWidgetItem* reason = grid->item(row, 4);
        QVERIFY(!reason->text().isEmpty());
        QCOMPARE(reason->toolTip(), reason->text());
        const QTableWidgetItem* time = grid->item(row, 1);
        QVERIFY2(grid->columnWidth(1) >= grid->fontMetrics().horizontalAdvance(time->text()),
                 qPrintable(QString::number(grid->columnWidth(1))));
    }

    // Tab and Shift+Tab leave the list and come back; the rows chosen stay chosen.
    if (chosenRow >= 0)
        grid->selectRow(chosenRow);
    const auto chosen = [grid] { return grid->selectionModel()->selectedRows(); };
    const auto before = chosen();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Tab);
    QVERIFY(!grid->hasFocus());
    QCOMPARE(chosen(), before);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(chosen(), before);

    const QString folder = QDir::toNativeSeparators(m_folder->filePath(QStringLiteral("x")).chopped(1));
    list->setSaveNameAsker([&](QWidget*) { return m_folder->filePath(saveName); });
    QTest::mouseClick(list->findChild<QPushButton*>(button), Qt::LeftButton);
    if (report.contains(QLatin1String("%1")))
        report = report.arg(folder);
    QVERIFY2(list->lastReport().startsWith(report), qPrintable(list->lastReport()));
    QTRY_COMPARE(storedCalls(), stored);
    if (!saveName.isEmpty()) {
        const QString file = QFileInfo(saveName).suffix().isEmpty() ? saveName + ".adi" : saveName;
        QVERIFY(m_folder->read(file).contains("<eor>"));
    }
}

// Catches an ADIF log that cannot be written passing under "追加しました" alone, a box for every
// contact, or its contacts never written once it can be written again.
void TstFrmMainReception::adifLogThatCannotBeWrittenIsSaid()
{
    frmMain* w = start(2);
    const QString log = m_folder->filePath(QStringLiteral("Log/Velkor.adi"));
    QVERIFY(QDir().mkpath(log)); // nothing can write there
    send(contact("JA1AAA"), 2);
    QTRY_COMPARE(storedCalls(), QStringList{"JA1AAA"});
    send(contact("JA1BBB"), 2);
    QTRY_COMPARE(storedCalls().size(), 2);
    QTRY_COMPARE(w->statusText(), frmMain::contactAddedText(QStringLiteral("JA1BBB")) +
                                      QStringLiteral("（ADIF ログには書き込めていません）"));
    QCOMPARE(m_prompts->messages.size(), 1);
    QVERIFY(m_prompts->messages.first().contains(QDir::toNativeSeparators(log)));

    QVERIFY(QDir().rmdir(log));
    send(contact("JA1CCC"), 2);
    QTRY_COMPARE(adifLog().size(), 3);
    QTRY_COMPARE(w->statusText(), frmMain::contactAddedText(QStringLiteral("JA1CCC")));
    QCOMPARE(storedCalls().size(), 3);
}

// Catches a contact that waited for an import never reported, or reported before it is in.
void TstFrmMainReception::deferredContactReportedOnceAppended()
{
    class SlowOpen : public FakeHamlogLibrary
    {
    public:
        std::function<void()> onFirstOpen;
        bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option,
                        qint32& result) override
        {
            if (onFirstOpen) {
                auto hook = std::move(onFirstOpen);
                onFirstOpen = nullptr;
                hook();
            }
            return FakeHamlogLibrary::HamlogOpen(mode, buffer, path, option, result);
        }
    };
    // Label1 kept its second, not two ticks of 20 ms: the contact is handled while this waits
    // and must still be shown when it looks.
    frmMain* w = start(2, false);
    auto library = std::make_unique<SlowOpen>();
    SlowOpen* fake = library.get();
    w->setHamlogLibrary(std::move(library));
    QString statusWhileImport;
    fake->onFirstOpen = [&] {
        send(contact("JA1UDP"), 2);
        QTRY_COMPARE(label()->text(), QString::fromLatin1(contact("JA1UDP")));
        statusWhileImport = w->statusText();
    };
    ClearAdifTransferList();
    AddAdifTransferRecord(QStringLiteral("<CALL:5>K1IMP <QSO_DATE:8>20240316 <EOR>"));
    w->ThDbFileAppend();
    ClearAdifTransferList();
    QVERIFY(statusWhileImport.isEmpty());
    QCOMPARE(fake->appended.size(), 2);
    QCOMPARE(fake->appended.at(0)[1], QStringLiteral("K1IMP"));
    QCOMPARE(fake->appended.at(1)[1], QStringLiteral("JA1UDP"));
    QCOMPARE(w->statusText(), QStringLiteral("JA1UDP をTURBO HAMLOG データベースに追加しました"));
}

// Catches the real timers and clock disagreeing with the road: two contacts 1.5 s apart both
// stored, the same datagram within 2 s once, Label1 cleared about two seconds after the last.
void TstFrmMainReception::wholeRoadInRealTime()
{
    start(2, false);
    send(contact("JA1AAA"), 2);
    QTRY_COMPARE(storedCalls().size(), 1);
    QTest::qWait(1500);
    send(contact("JA1BBB"), 2);
    send(contact("JA1AAA"), 2);
    QTRY_COMPARE(storedCalls().size(), 2);
    QTest::qWait(300);
    QCOMPARE(storedCalls(), (QStringList{"JA1AAA", "JA1BBB"}));
    QCOMPARE(label()->text(), QString::fromLatin1(contact("JA1BBB")));
    QTest::qWait(700); // one tick since JA1BBB: still shown
    QCOMPARE(label()->text(), QString::fromLatin1(contact("JA1BBB")));
    QTRY_VERIFY_WITH_TIMEOUT(label()->text().isEmpty(), 3000);
}

// The whole road as a newcomer meets it: the demonstration partner started from "WSJT-Xを起動"
// (through a script that keeps the path it was started by and shortens its waits) sends its
// contact to the WSJT-X port that VELKOR.ini beside it gives, and to no other port; the contact
// reaches Label1, the ADIF log, the store and the status text, and the window is back to idle once
// the partner has ended.
void TstFrmMainReception::demoPartnerLaunchedFromItsEntry()
{
#ifdef Q_OS_WIN
    QSKIP("the partner is started through a shell script here; the Windows end-to-end test "
          "launches a Windows partner from the menu");
#endif
    const QString demo =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/velkor-demo-partner");
    QVERIFY2(QFileInfo(demo).isExecutable(), qPrintable(demo));
    const QString script = m_folder->filePath(QStringLiteral("wsjtx.sh"));
    QVERIFY(m_folder->write(QStringLiteral("wsjtx.sh"), "#!/bin/bash\nexec -a \"$0\" '" + demo.toUtf8() +
                                                            "' --delay-ms 300 --stay-ms 2000\n"));
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // Real timers: Label1 keeps the contact two seconds, long enough to look at it.
    frmMain* w = start(2, false, "WsjtVisible=1\r\nWsjtFile=" + script.toUtf8() + "\r\nWsjtIP=127.0.0.1\r\n");
    QVERIFY(w);
    // Stand-ins for other programs on the other partners' ports.
    QUdpSocket others[3];
    for (int i = 0; i < 3; ++i)
        QVERIFY(others[i].bind(QHostAddress::LocalHost, m_ports[i == 0 ? 1 : i + 2]));
    w->setPartnerWatchInterval(50);
    QAction* entry = w->findChild<QAction*>(QStringLiteral("mnuWSJTopen"));
    QVERIFY(entry && entry->isVisible());
    entry->trigger();
    QCOMPARE(w->windowTitle(), QStringLiteral("WSJT-X VELKOR"));
    QTRY_COMPARE_WITH_TIMEOUT(storedCalls(), QStringList{QStringLiteral("JH2DMO")}, 15000);
    QVERIFY(label()->text().contains(QStringLiteral("JH2DMO"), Qt::CaseInsensitive));
    QCOMPARE(adifLog().size(), 1);
    QCOMPARE(w->statusText(), QStringLiteral("JH2DMO をTURBO HAMLOG データベースに追加しました"));
    QTRY_COMPARE_WITH_TIMEOUT(w->statusText(), QStringLiteral("WSJT-Xが終了しました"), 20000);
    QCOMPARE(w->windowTitle(), AppInfo::idleCaption());
    QVERIFY(entry->isVisible());
    QCOMPARE(storedCalls().size(), 1);
    for (QUdpSocket& other : others)
        QVERIFY(!other.hasPendingDatagrams());
}

QTEST_MAIN(TstFrmMainReception)
#include "tst_frm_main_reception.moc"
