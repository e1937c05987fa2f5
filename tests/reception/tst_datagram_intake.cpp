#include "hamlog/hamlog_conversion.h"
#include "reception/datagram_intake.h"
#include "reception/qso_logged_encoder.h"
#include "reception/udp_listener.h"
#include "reception/udp_receiver.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>
#include <QTimeZone>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

// A QSO Logged message as FreeDV sends it, from the encoder the tools use.
QByteArray freedvMessage(quint32 schema = 2)
{
    QsoLogged::Outgoing qso;
    qso.timeOn = QDateTime(QDate(2024, 1, 5), QTime(12, 34, 56), QTimeZone::utc());
    qso.timeOff = QDateTime(QDate(2024, 1, 5), QTime(12, 40, 10), QTimeZone::utc());
    qso.dxCall = QStringLiteral("ja1abc");
    qso.dxGrid = QStringLiteral("PM95");
    qso.txFrequencyHz = 7177000;
    qso.reportSent = QStringLiteral("59");
    qso.reportReceived = QStringLiteral("57");
    qso.myCall = QStringLiteral("QQ2BB");
    qso.myGrid = QStringLiteral("PM95");
    QByteArray bytes = QsoLogged::EncodeQsoLogged(qso);
    bytes[7] = char(schema);
    return bytes;
}

const QString kFreedvContact = QStringLiteral(
    "<call:6>JA1ABC <gridsquare:4>PM95 <mode:6>FREEDV <rst_sent:2>59 <rst_rcvd:2>57 <qso_date:8>20240105 "
    "<time_on:6>123456 <qso_date_off:8>20240105 <time_off:6>124010 <band:3>40m <freq:5>7.177 "
    "<station_callsign:5>QQ2BB <my_gridsquare:4>PM95 <eor>");

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

// A contact as large as a partner's with a long comment: the system's buffer holds a few
// thousand of them at most.
QByteArray burstDatagram(int i)
{
    return "<call:8>QQ" + QByteArray::number(i).rightJustified(6, '0') + " <comment:1000>" +
           QByteArray(1000, 'x') + " <eor>";
}

// Sends count datagrams to the port, or until sending turns false, 50 to the millisecond at most:
// some 10 MB in a quarter of a second, several times what the system's buffer holds, yet a pace
// a reader keeps up with on a busy machine.
std::unique_ptr<QThread> startSending(quint16 port, int count, const std::atomic<bool>* sending = nullptr)
{
    std::unique_ptr<QThread> sender(QThread::create([=] {
        QUdpSocket socket;
        for (int i = 0; i < count && (!sending || *sending); ++i) {
            while (socket.writeDatagram(burstDatagram(i), QHostAddress::LocalHost, port) < 0)
                QThread::yieldCurrentThread(); // a full send buffer
            if (i % 50 == 49)
                QThread::msleep(1);
        }
    }));
    sender->start();
    return sender;
}

// Takes datagrams from the receiver, letting events run, until count have come or 20 s have passed.
std::vector<ReceivedDatagram> takeUntil(UdpReceiver& receiver, size_t count)
{
    std::vector<ReceivedDatagram> taken;
    QElapsedTimer waited;
    waited.start();
    while (taken.size() < count && waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        for (ReceivedDatagram& datagram : receiver.takeDatagrams())
            taken.push_back(std::move(datagram));
    }
    return taken;
}

} // namespace

class TstDatagramIntake : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void copies_data();
    void copies();
    void noContactInsideAnother();
    void listenOn_data();
    void listenOn();
    void portHeldByAnotherProgram();
    void receiverKeepsEveryDatagram();
};

void TstDatagramIntake::read_data()
{
    QTest::addColumn<qint16>("source");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QStringList>("contacts");
    QTest::addColumn<QString>("reason"); // part of the reason when there is no contact

    const QString wsjt = QStringLiteral("<call:5>QQ1AA <gridsquare:4>PM95 <mode:3>FT8 <eor>");
    QTest::newRow("WSJT-X lower case") << qint16(2) << (wsjt + "\n").toLatin1() << QStringList{wsjt} << "";
    QTest::newRow("JTDX upper case") << qint16(1) << QByteArray("<CALL:5>QQ1AA <MODE:3>FT8 <EOR>")
                                     << QStringList{QStringLiteral("<CALL:5>QQ1AA <MODE:3>FT8 <EOR>")} << "";
    QTest::newRow("MSHV header lines, no separators")
        << qint16(3)
        << QByteArray("<ADIF_VER:5>3.1.0\r\n<PROGRAMID:4>MSHV\r\n<EOH>\r\n<CALL:5>QQ1AA<GRIDSQUARE:0><MODE:3>"
                      "FT4<EOR>")
        << QStringList{QStringLiteral("<CALL:5>QQ1AA<GRIDSQUARE:0><MODE:3>FT4<EOR>")} << "";
    QTest::newRow("header text before the record")
        << qint16(2) << QByteArray("WSJT-X ADIF Export<adif_ver:5>3.1.0 <eoh> <call:5>QQ1AA <eor>")
        << QStringList{QStringLiteral("<call:5>QQ1AA <eor>")} << "";
    QTest::newRow("line breaks become blanks, lengths kept")
        << qint16(2) << QByteArray("<call:5>QQ1AA\r\n<comment:3>a\nb <eor>")
        << QStringList{QStringLiteral("<call:5>QQ1AA  <comment:3>a b <eor>")} << "";
    QTest::newRow("two records, two contacts")
        << qint16(1) << QByteArray("<call:5>QQ1AA <eor>\n<call:5>QQ2BB <eor>\n")
        << QStringList{QStringLiteral("<call:5>QQ1AA <eor>"), QStringLiteral("<call:5>QQ2BB <eor>")} << "";
    QTest::newRow("UTF-8") << qint16(1) << QStringLiteral("<call:5>QQ1AA <name:2>太郎 <eor>").toUtf8()
                           << QStringList{QStringLiteral("<call:5>QQ1AA <name:2>太郎 <eor>")} << "";
    QTest::newRow("Latin-1") << qint16(2) << QByteArray("<call:5>QQ1AA <name:4>J\xF6rg <eor>")
                             << QStringList{QStringLiteral("<call:5>QQ1AA <name:4>Jörg <eor>")} << "";
    QTest::newRow("record without <eor>")
        << qint16(2) << QByteArray("<call:5>QQ1AA") << QStringList{QStringLiteral("<call:5>QQ1AA")} << "";
    QTest::newRow("empty") << qint16(2) << QByteArray() << QStringList() << "empty";
    QTest::newRow("no ADIF") << qint16(2) << QByteArray("hello <eor>") << QStringList() << "no ADIF";
    QTest::newRow("header only") << qint16(3) << QByteArray("<PROGRAMID:4>MSHV<EOH>") << QStringList()
                                 << "no ADIF";
    QTest::newRow("heartbeat on a text port")
        << qint16(2) << QsoLogged::EncodeHeartbeat(QStringLiteral("WSJT-X")) << QStringList() << "Heartbeat";
    QTest::newRow("Logged ADIF on a text port")
        << qint16(2)
        << QsoLogged::EncodeLoggedAdif(QStringLiteral("WSJT-X"),
                                       QStringLiteral("\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n"
                                                      "<call:5>QQ1AA <name:4>Jörg <eor>"))
        << QStringList{QStringLiteral("<call:5>QQ1AA <name:4>Jörg <eor>")} << "";
    // WSJT-X writes the ADIF of its Logged ADIF message in Latin-1, as its plain-text broadcast.
    QTest::newRow("Logged ADIF in Latin-1")
        << qint16(2)
        << QsoLogged::EncodeLoggedAdif(
               QStringLiteral("WSJT-X"),
               QByteArray("\n<adif_ver:5>3.1.0\n<EOH>\n<call:5>QQ1AA <name:6>M\xFCller <eor>"))
        << QStringList{QStringLiteral("<call:5>QQ1AA <name:6>Müller <eor>")} << "";
    QTest::newRow("QSO Logged on a text port (its Logged ADIF carries it)")
        << qint16(2) << freedvMessage() << QStringList() << "type 12";
    QTest::newRow("binary message cut short")
        << qint16(1) << QByteArray("\xAD\xBC\xCB\xDA\x00", 5) << QStringList() << "cut short";
    QTest::newRow("QSO Logged from FreeDV")
        << qint16(4) << freedvMessage() << QStringList{kFreedvContact} << "";
    // WSJT-X 2.6.1's own QSO Logged message, its main server pointed at the FreeDV port.
    QFile wsjtx(QStringLiteral(VELKOR_TEST_DATA "/wsjtx/qso_logged_kanji.bin"));
    QVERIFY(wsjtx.open(QIODevice::ReadOnly));
    QTest::newRow("WSJT-X's QSO Logged on the FreeDV port: its mode")
        << qint16(4) << wsjtx.readAll()
        << QStringList{QStringLiteral(
               "<call:6>JH1XYZ <gridsquare:4>PM85 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 "
               "<qso_date:8>20261207 <time_on:6>210724 <qso_date_off:8>20261207 <time_off:6>210724 "
               "<band:3>20m <freq:6>14.076 <station_callsign:6>JA1ZZZ <my_gridsquare:4>PM95 "
               "<comment:20>TNX <eol> & 73, ü 日本 <eor>")}
        << "";
    QTest::newRow("FreeDV schema 3") << qint16(4) << freedvMessage(3) << QStringList() << "schema 3";
    QTest::newRow("FreeDV heartbeat")
        << qint16(4) << QsoLogged::EncodeHeartbeat(QStringLiteral("FreeDV")) << QStringList() << "Heartbeat";
    QTest::newRow("text on the FreeDV port")
        << qint16(4) << QByteArray("<call:5>QQ1AA <eor>") << QStringList() << "no QSO Logged";
    QTest::newRow("no source yet") << qint16(0) << QByteArray("<call:5>QQ1AA <eor>") << QStringList()
                                   << "no partner";
}

// Catches a datagram read as the wrong contact(s): binary messages taken as text, a header or
// line break carried into the log, a wrong character set, a record lost or doubled.
void TstDatagramIntake::read()
{
    QFETCH(qint16, source);
    QFETCH(QByteArray, datagram);
    QFETCH(QStringList, contacts);
    QFETCH(QString, reason);
    const Datagrams::Reading reading = Datagrams::Read(datagram, source);
    QCOMPARE(reading.contacts, contacts);
    if (contacts.isEmpty())
        QVERIFY2(reading.reason.contains(reason), qPrintable(reading.reason));
}

void TstDatagramIntake::copies_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("msLater");
    QTest::addColumn<int>("kind"); // what becomes of the second's contact (ContactQueue::Decision)
    // NAME and COMMENT of the second's contact; empty: the contact as read
    QTest::addColumn<QStringList>("nameAndComment");
    const auto row = [](const char* tag, const QByteArray& first, const QByteArray& second, int msLater,
                        ContactQueue::Decision::Kind kind, const QStringList& nameAndComment = {}) {
        QTest::newRow(tag) << first << second << msLater << int(kind) << nameAndComment;
    };
    using D = ContactQueue::Decision;

    const QByteArray a("<call:5>QQ1AA <eor>"), b("<call:5>QQ2BB <eor>");
    row("same bytes", a, a, 1999, D::Copy);
    row("another contact", a, b, 0, D::Taken);
    const QByteArray record = "<call:5>JA2XY <qso_date:8>20240315 <time_on:6>123415 <band:3>20m <mode:4>MFSK "
                              "<submode:3>FT4 <name:6>M\xFCller <eor>";
    row("same fields written otherwise", record,
        "<NAME:6>M\xFCller<SUBMODE:3>FT4 <MODE:4>MFSK<BAND:3>20m<TIME_ON:6>123415<QSO_DATE:8>20240315"
        "<comment:0><CALL:5>JA2XY<EOR>",
        9 * 60 * 1000, D::Copy);
    // The same minute, band and mode, and one field more or other: the operator's own doing.
    row("a comment added", record, QByteArray(record).replace("<eor>", "<comment:3>TNX <eor>"), 1500, D::TakenAgain);
    row("seconds differ", record, QByteArray(record).replace("123415", "123450"), 1500, D::TakenAgain);
    row("call in other case", record, QByteArray(record).replace("JA2XY", "ja2xy"), 1500, D::TakenAgain);
    row("band differs", record, QByteArray(record).replace("20m", "40m"), 0, D::Taken);

    // WSJT-X 2.6.1 logging a contact with a Japanese name and comment: its QSO Logged message, then
    // its Logged ADIF message and its plain broadcast, where each such character is "?".
    const auto read = [](const char* name) {
        QFile file(QStringLiteral(VELKOR_TEST_DATA "/wsjtx/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray qsoLogged = read("qso_logged_kanji.bin");
    const QByteArray loggedAdif = read("logged_adif_kanji.bin");
    const QByteArray broadcast = read("broadcast_adif_kanji.adi");
    const QStringList restored{QStringLiteral("Taro 山田"), QStringLiteral("TNX <eol> & 73, ü 日本")};
    const QStringList asSent{QStringLiteral("Taro ??"), QStringLiteral("TNX <eol> & 73, ü ??")};
    row("characters back from QSO Logged: Logged ADIF", qsoLogged, loggedAdif, 0, D::Taken, restored);
    row("characters back from QSO Logged: plain broadcast", qsoLogged, broadcast, 9999, D::Taken, restored);
    row("QSO Logged 10 s before: left as sent", qsoLogged, loggedAdif, 10000, D::Taken, asSent);
    row("QSO Logged of another contact: left as sent", qsoLogged,
        QByteArray(loggedAdif).replace("JH1XYZ", "JH1XYY"), 0, D::Taken, asSent);
    row("texts that differ elsewhere: left as sent", qsoLogged,
        QByteArray(broadcast).replace("Taro ??", "Tara ??"), 0, D::Taken, {QStringLiteral("Tara ??"), restored[1]});
}

// Catches a copy (the same fields however written) stored as a second contact, a contact that
// differs in a field dropped or not said to be taken again; and a Japanese name or comment stored
// as "??" though the partner's QSO Logged message of the same contact held it, or characters taken
// from a message of another contact, or too late.
void TstDatagramIntake::copies()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, msLater);
    QFETCH(int, kind);
    QFETCH(QStringList, nameAndComment);
    QStringList handled;
    ContactQueue queue([&](const QStringList& c) { handled << c; });
    qint64 now = 0;
    queue.setClock([&] { return now; });
    const QStringList firstContacts = Datagrams::Read(first, 2).contacts;
    const QStringList secondContacts = Datagrams::Read(second, 2).contacts;
    QCOMPARE(secondContacts.size(), 1);
    QCOMPARE(queue.take(first, firstContacts).size(), firstContacts.size());
    QVERIFY(queue.take("heartbeat", {}).isEmpty()); // nothing to take: not remembered either
    now = msLater;
    const QList<ContactQueue::Decision> decisions = queue.take(second, secondContacts);
    QCOMPARE(decisions.size(), 1);
    QCOMPARE(int(decisions[0].kind), kind);
    QCOMPARE(decisions[0].note.isEmpty(), kind == ContactQueue::Decision::Taken);
    queue.run();
    const QStringList queued = decisions[0].queued() ? QStringList{decisions[0].contact} : QStringList();
    QCOMPARE(handled, firstContacts + queued);
    QCOMPARE(queue.waiting(), 0);
    if (nameAndComment.isEmpty()) {
        QCOMPARE(queued, decisions[0].queued() ? secondContacts : QStringList());
    } else {
        // The field lengths still fit: read the way the conversion reads them.
        QCOMPARE(ReadAdifField(queued.value(0), QStringLiteral("NAME")).value, nameAndComment[0]);
        QCOMPARE(ReadAdifField(queued.value(0), QStringLiteral("COMMENT")).value, nameAndComment[1]);
    }
}

void TstDatagramIntake::noContactInsideAnother()
{
    QStringList events;
    int drains = 0;
    ContactQueue* q = nullptr;
    ContactQueue queue([&](const QStringList& c) {
        events << "begin " + c.join(',');
        if (c == QStringList{"1"}) {
            q->take("2", {QStringLiteral("2")}); // arrives while 1 is handled
            q->run();                            // the socket's event, re-entered: must not handle 2 now
        }
        events << "end " + c.join(',');
    });
    q = &queue;
    queue.setDrain([&] {
        if (++drains == 2)
            q->take("3", {QStringLiteral("3")}); // waiting at the socket after 1
    });
    queue.take("1", {QStringLiteral("1")});
    queue.run();
    // What waited together is handled together.
    QCOMPARE(events, (QStringList{"begin 1", "end 1", "begin 2,3", "end 2,3"}));
    QVERIFY(!queue.isHandling());
}

void TstDatagramIntake::listenOn_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port"); // -1: a free one
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("boundTo"); // empty: any
    QTest::addColumn<QString>("note");    // part of the note; empty: no note

    QTest::newRow("loopback only") << "127.0.0.1" << -1 << true << "127.0.0.1"
                                   << "";
    QTest::newRow("blanks around") << " 127.0.0.1 " << -1 << true << "127.0.0.1"
                                   << "";
    QTest::newRow("empty: all interfaces, said") << "" << -1 << true << ""
                                                 << "すべてのネットワーク";
    QTest::newRow("another machine: all interfaces, said") << "192.0.2.7" << -1 << true << ""
                                                           << "192.0.2.7 はこのパソコンのアドレスではない";
    QTest::newRow("a name of this machine: loopback only") << "localhost" << -1 << true << "127.0.0.1"
                                                           << "";
    QTest::newRow("a name not found: all interfaces, said") << "no such host" << -1 << true << ""
                                                            << "no such host が見つからない";
    QTest::newRow("port 0 after a first start") << "127.0.0.1" << 0 << false << ""
                                                << "UDPポート番号 0";
    QTest::newRow("port above 65535") << "127.0.0.1" << 65536 << false << ""
                                      << "65536";
}

// Catches a socket open to the whole network when the settings name this machine, a silent
// change of where the program listens, and a port number that binds a random port.
void TstDatagramIntake::listenOn()
{
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(bool, listening);
    QFETCH(QString, boundTo);
    QFETCH(QString, note);
    if (port < 0)
        port = freePort();
    UdpReceiver receiver;
    const ListenOutcome outcome = receiver.listen(address, port);
    QCOMPARE(outcome.listening, listening);
    QVERIFY2(note.isEmpty() ? outcome.note.isEmpty() : outcome.note.contains(note), qPrintable(outcome.note));
    QCOMPARE(outcome.brief.isEmpty(), outcome.note.isEmpty());
    QCOMPARE(receiver.state() == QAbstractSocket::BoundState, listening);
    if (!listening)
        return;
    QCOMPARE(receiver.localPort(), quint16(port));
    if (boundTo.isEmpty())
        QVERIFY(receiver.localAddress() == QHostAddress::Any || receiver.localAddress() == QHostAddress::AnyIPv6);
    else
        QCOMPARE(receiver.localAddress(), QHostAddress(boundTo));

    // It receives what a partner sends to it, and says who sent it.
    QUdpSocket sender;
    sender.writeDatagram("<call:5>QQ1AA <eor>", QHostAddress::LocalHost, quint16(port));
    const std::vector<ReceivedDatagram> taken = takeUntil(receiver, 1);
    QCOMPARE(taken.size(), size_t(1));
    QCOMPARE(taken[0].data, QByteArray("<call:5>QQ1AA <eor>"));
    QCOMPARE(taken[0].senderPort, sender.localPort());
}

// Catches a port held by another logger reported as nothing at all (the contacts would go to
// the other program without a word), and a multicast group that cannot be shared.
void TstDatagramIntake::portHeldByAnotherProgram()
{
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress(QHostAddress::LocalHost), 0));
    UdpReceiver receiver;
    const ListenOutcome held = receiver.listen(QStringLiteral("127.0.0.1"), other.localPort());
    QVERIFY(!held.listening);
    QCOMPARE(receiver.state(), QAbstractSocket::UnconnectedState);
    QVERIFY2(held.note.contains(QString::number(other.localPort())) &&
                 held.note.contains(QStringLiteral("他のプログラム")),
             qPrintable(held.note));

    // Partners are often pointed at a multicast group so that several programs can listen.
    const int port = freePort();
    UdpReceiver first, second;
    const ListenOutcome a = first.listen(QStringLiteral("239.255.12.34"), port);
    const ListenOutcome b = second.listen(QStringLiteral("239.255.12.34"), port);
    QVERIFY(a.listening && b.listening);
    if (!a.note.isEmpty())
        QVERIFY2(a.note.contains(QStringLiteral("239.255.12.34")),
                 qPrintable(a.note)); // no multicast route here
}

// Catches datagrams lost while this thread is busy, as the window's thread is while it writes the
// outbox and the ADIF log (the system's buffer overflows unless they are read meanwhile), one
// event per datagram flooding the event loop, a queue that grows without bound, and a receiver
// that hangs, crashes or leaks when closed, opened again or ended while a partner sends.
void TstDatagramIntake::receiverKeepsEveryDatagram()
{
    constexpr int kBurst = 10000;
    const quint16 port = freePort();
    UdpReceiver receiver;
    QVERIFY(receiver.listen(QStringLiteral("127.0.0.1"), port).listening);
    QVERIFY(receiver.receiveBufferBytes() > 0);
    int announced = 0;
    connect(&receiver, &UdpReceiver::datagramsWaiting, this, [&] { ++announced; });

    // This thread waits for the whole burst without turning its event loop.
    QVERIFY(startSending(port, kBurst)->wait(60000));
    QTRY_COMPARE(announced, 1);
    const std::vector<ReceivedDatagram> taken = takeUntil(receiver, kBurst);
    QCOMPARE(int(taken.size()), kBurst);
    int inOrder = 0;
    while (inOrder < kBurst && taken[size_t(inOrder)].data == burstDatagram(inOrder))
        ++inOrder;
    QCOMPARE(inOrder, kBurst);
    QCOMPARE(taken[0].sender, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(receiver.droppedDatagrams(), 0);

    // A full queue leaves what arrives and counts it.
    receiver.setQueueLimit(10 * (burstDatagram(0).size() + 64));
    QVERIFY(startSending(port, 100)->wait(60000));
    QTRY_COMPARE(receiver.droppedDatagrams(), 90);
    QCOMPARE(int(receiver.takeDatagrams().size()), 10);
    receiver.setQueueLimit(UdpReceiver::kDefaultQueueLimit);

    // Closing reads what still waits and keeps it to be taken: a partner's last contacts, sent
    // just before it ended, are not lost with the socket.
    QVERIFY(startSending(port, 100)->wait(60000));
    receiver.close();
    QCOMPARE(int(receiver.takeDatagrams().size()), 100);
    QVERIFY(receiver.listen(QStringLiteral("127.0.0.1"), port).listening);

    // Closed and opened again, then ended, while a partner keeps sending.
    std::atomic<bool> sending{true};
    const std::unique_ptr<QThread> partner = startSending(port, INT_MAX, &sending);
    for (int round = 0; round < 20; ++round) {
        receiver.close();
        QCOMPARE(receiver.state(), QAbstractSocket::UnconnectedState);
        receiver.takeDatagrams();
        QVERIFY(receiver.listen(QStringLiteral("127.0.0.1"), port).listening);
        QCOMPARE(receiver.state(), QAbstractSocket::BoundState);
        QTest::qWait(round % 3);
    }
    QVERIFY(!takeUntil(receiver, 1).empty());
    receiver.close();
    {
        UdpReceiver ending;
        QVERIFY(ending.listen(QStringLiteral("127.0.0.1"), port).listening);
        QTest::qWait(20);
    }
    sending = false;
    QVERIFY(partner->wait(60000));
}

QTEST_GUILESS_MAIN(TstDatagramIntake)
#include "tst_datagram_intake.moc"
