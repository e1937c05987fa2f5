// UDP intake, on the road the main window runs: each contact into the outbox, the ADIF log, then
// the built-in store.
//  - A burst of 10,000 contacts (distinct call signs) sent on loopback as fast as the sender can:
//    how many reached each place, and contacts/s; against the same sender into a bare QUdpSocket
//    receive loop (the ceiling), and against a bare durable pipeline of the same contacts (per
//    contact one line appended and synced, then one SQLite commit), both in the same run.
//  - 10,000 other contacts each sent twice, as a partner with both of its servers pointed at the
//    port sends them (Logged ADIF, then the plain broadcast), 20,000 contacts a second: every
//    contact once, none lost.
//  - Contacts one at a time, each after the one before is stored: the cost of a lone contact,
//    against the bare pipeline's per contact.
//  - 500 real contacts at 20 to 100 a second inside 100,000 junk datagrams (oversized, NULs,
//    invalid UTF-8, binary messages cut short), with every failure box held open a while: how
//    many reached the outbox and the store, and how many boxes were ever open at once.
//  - 10,000 waiting contacts drained by one retry, against a bare insert of the same records.
#include "bench_result.h"
#include "bench_store_support.h"
#include "common/program_folder.h"
#include "common/prompts.h"
#include "hamlog/builtin_store.h"
#include "delivery/contact_pipeline.h"
#include "platform/durable_file.h"
#include "delivery/adif_log.h"
#include "reception/contact_intake.h"
#include "reception/qso_logged_encoder.h"
#include "reception/udp_listener.h"
#include "reception/udp_receiver.h"
#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>

namespace {

constexpr int kContacts = 10000;

class QuietHost : public HamlogHost
{
public:
    void setStatusText(const QString&) override {}
    void setLastCallSign(const QString&) override {}
};

QByteArray wsjtDatagram(int i)
{
    static const char* const prefixes[] = {"JA1", "JH2", "7K3", "K1", "W2", "DL5", "VK3", "PY2"};
    const QByteArray call = QByteArray(prefixes[i % 8]) + QByteArray::number(i).rightJustified(5, '0');
    auto f = [](const char* tag, const QByteArray& v) {
        return QByteArray("<") + tag + ':' + QByteArray::number(v.size()) + '>' + v + ' ';
    };
    return f("call", call) + f("gridsquare", "PM95") + f("mode", "FT8") + f("rst_sent", "-10") +
           f("rst_rcvd", "-12") + f("qso_date", "20240315") + f("time_on", "123456") +
           f("qso_date_off", "20240315") + f("time_off", "123600") + f("band", "20m") +
           f("freq", "14.074150") + f("station_callsign", "JA1ZZZ") + f("my_gridsquare", "PM95aa") +
           f("tx_pwr", "50") + f("comment", "FT8  Sent: -10  Rcvd: -12") + "<eor>";
}

// Sends every datagram from its own thread, without pause.
class Sender : public QThread
{
public:
    Sender(quint16 port, const QList<QByteArray>& datagrams) : m_port(port), m_datagrams(datagrams) {}
    double elapsedMs = 0;

protected:
    void run() override
    {
        QUdpSocket socket;
        QElapsedTimer timer;
        timer.start();
        qint64 sent = 0;
        for (const QByteArray& d : m_datagrams) {
            // At a pace: datagram n leaves no earlier than n / perSecond seconds after the first.
            while (perSecond > 0 && timer.nsecsElapsed() < sent * 1000000000 / perSecond)
                QThread::yieldCurrentThread();
            while (socket.writeDatagram(d, QHostAddress::LocalHost, m_port) < 0)
                QThread::yieldCurrentThread(); // a full send buffer: try again
            ++sent;
        }
        elapsedMs = timer.nsecsElapsed() / 1e6;
    }

public:
    qint64 perSecond = 0; // datagrams a second; 0: as fast as the sender can

private:
    quint16 m_port;
    QList<QByteArray> m_datagrams;
};

// Runs the event loop until done() holds or nothing has moved for a second after the sender ended.
void runUntil(Sender& sender, const std::function<bool()>& done, const std::function<int()>& progress)
{
    QElapsedTimer idle;
    idle.start();
    int last = -1;
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const int now = progress();
        if (now != last) {
            last = now;
            idle.restart();
        }
        if (sender.isFinished() && idle.elapsed() > 1000)
            break;
        if (!sender.isRunning() && !sender.isFinished())
            break;
    }
    sender.wait();
}

// The road of the main window without its window: the receiver, the intake and the window's
// pipeline (outbox, ADIF log, delivery, journal). Prompts go where the caller says.
class Road
{
public:
    Road(const QString& folder, Settings& settings, const CountryTable& countries, const DxccTable& dxcc,
         std::unique_ptr<HamlogLibrary> library, Prompts& boxes)
        : m_logPath((QDir().mkpath(folder), folder + QStringLiteral("/Velkor.adi"))),
          m_pipeline(settings, countries, dxcc, boxes, m_host, std::move(library),
                     folder + QStringLiteral("/Velkor.outbox")),
          m_intake(receiver, m_pipeline, 2, m_logPath)
    {
        QObject::connect(&m_pipeline, &ContactPipeline::contactAppended, [this] { ++handled; });
        QObject::connect(&receiver, &UdpReceiver::datagramsWaiting, [this] { m_intake.dataArrived(); });
    }

    quint16 listen()
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QUdpSocket probe;
            probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
            const quint16 candidate = probe.localPort();
            probe.close();
            if (receiver.listen(QStringLiteral("127.0.0.1"), candidate).listening)
                return candidate;
        }
        return 0;
    }
    // A running intake: the log and the store exist already, as after the first contact ever.
    void warmUp()
    {
        QUdpSocket sender;
        sender.writeDatagram(QByteArray("<call:6>JA0WRM <eor>"), QHostAddress::LocalHost, receiver.localPort());
        while (handled == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    int loggedContacts() const
    {
        QFile log(m_logPath);
        int lines = -1; // the header
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n'))
                lines += line.trimmed().isEmpty() ? 0 : 1;
        }
        return lines;
    }
    const Outbox& outbox() const { return m_pipeline.outbox(); }
    ContactDelivery& delivery() { return m_pipeline.delivery(); }
    int taken() const { return m_intake.datagramsRead(); }

    UdpReceiver receiver;
    int handled = 0; // contacts appended

private:
    QuietHost m_host;
    QString m_logPath;
    ContactPipeline m_pipeline;
    ContactIntake m_intake;
};

// Per contact, what any durable logger must do at the least: one line appended and synced, then
// one SQLite commit of one row.
double barePipelineMs(const QString& folder, const QList<QByteArray>& datagrams)
{
    QDir().mkpath(folder);
    const std::string log = (folder + QStringLiteral("/log.adi")).toStdString();
    sqlite3* db = nullptr;
    sqlite3_open((folder + QStringLiteral("/bare.db")).toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE r(text TEXT)", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO r VALUES(?)", -1, &stmt, nullptr);
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& d : datagrams) {
        DurableFile::append(log, "header\r\n", d.toStdString() + "\r\n");
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_text(stmt, 1, d.constData(), int(d.size()), SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ms;
}

// Every box stays open a while, as a user takes a moment to read it; counts how many were open at once.
class HeldBoxes : public Prompts
{
public:
    void showMessage(const QString&) override {}
    bool askOkCancel(const QString&) override { return true; }
    void showWithoutWaiting(const QString&, bool, const std::function<void()>& closed) override
    {
        ++shown;
        mostOpen = qMax(mostOpen, ++open);
        QTimer::singleShot(300, [this, closed] {
            --open;
            if (closed)
                closed();
        });
    }
    int open = 0;
    int mostOpen = 0;
    int shown = 0;
};

QByteArray floodJunk(int n)
{
    const QByteArray tag = QByteArray::number(n);
    const QByteArray tail = " <srx:" + QByteArray::number(tag.size()) + '>' + tag + " <eor>";
    switch (n % 5) {
    case 0:
        // Only one in a thousand is large, or the loopback would carry gigabytes.
        if (n % 1000 == 0)
            return "<call:6>JR9BIG <freq:33000>" + QByteArray(33000, '1') + tail; // fails its conversion
        return QByteArray("<call:6>JR\0ZZZ", 14) + tail;
    case 1:
        return "<call:6>JR\xff\xfeZZ <name:2>\xc3\x28" + tail;
    case 2:
        return QByteArray("\xad\xbc\xcb\xda\x00\x00\x00\x02\x00\x00\x00\x0c\x00\x00\x00", 15) + tag;
    case 3:
        return "<call:10><CALL:3>AB" + tail;
    default:
        return "\x01\x02 not adif at all " + tag;
    }
}

// Sends the real contacts at 20 to 100 a second with the junk spread between them.
class FloodSender : public QThread
{
public:
    FloodSender(quint16 port, int real, int junk) : m_port(port), m_real(real), m_junk(junk) {}

protected:
    void run() override
    {
        QUdpSocket socket;
        QRandomGenerator random(20261207);
        int junkSent = 0;
        for (int i = 0; i < m_real; ++i) {
            const int share = (m_junk - junkSent) / (m_real - i);
            for (int k = 0; k < share; ++k, ++junkSent) {
                while (socket.writeDatagram(floodJunk(junkSent), QHostAddress::LocalHost, m_port) < 0)
                    QThread::yieldCurrentThread();
            }
            socket.writeDatagram(wsjtDatagram(500000 + i), QHostAddress::LocalHost, m_port);
            QThread::msleep(10 + random.bounded(41)); // 20 to 100 contacts a second
        }
    }

private:
    quint16 m_port;
    int m_real;
    int m_junk;
};

void junkFlood(const QString& folder)
{
    constexpr int kReal = 500;
    constexpr int kJunk = 100000;
    HeldBoxes held;
    FailureBoxes boxes(held);
    Settings settings;
    settings.ThDbFile = folder + QStringLiteral("/flood.db");
    CountryTable countries;
    DxccTable dxcc;
    Road intake(folder, settings, countries, dxcc, std::make_unique<BuiltinStore>(), boxes);
    const quint16 port = intake.listen();
    FloodSender sender(port, kReal, kJunk);
    QElapsedTimer timer;
    timer.start();
    sender.start();
    while (!sender.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 1500;) {
        if (!settle.isValid())
            settle.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    int inOutbox = 0;
    for (const Outbox::Entry& e : intake.outbox().entries({Outbox::State::Appended}))
        inOutbox += e.text.contains(QLatin1String("JR9BIG")) ? 0 : 1;
    QList<StoredRecord> records;
    QString error;
    BuiltinStore::ReadRecords(settings.ThDbFile, records, error);
    int stored = 0;
    for (const StoredRecord& r : records)
        stored += r.fields[1] != QLatin1String("JR9BIG") ? 1 : 0;
    std::printf("junk flood: %d of %d real contacts appended in the outbox, %d in the store, among %d junk "
                "datagrams (%d read in all) in %.1f s; %d refused, %d failure boxes shown, at most %d open at once\n",
                inOutbox, kReal, stored, kJunk, intake.taken(), timer.elapsed() / 1000.0,
                intake.delivery().refusedCount(), held.shown, held.mostOpen);
    printBenchResult(QStringLiteral("Junk flood: %1 contacts in %2 junk datagrams").arg(kReal).arg(kJunk),
                     QStringLiteral("%1 outbox, %2 store").arg(inOutbox).arg(stored),
                     QStringLiteral("%1 sent").arg(kReal), QStringLiteral("%1 box(es) open at most").arg(held.mostOpen),
                     QStringLiteral("all in outbox and store, <= 1 box"),
                     inOutbox == kReal && stored == kReal && held.mostOpen <= 1);
}

void retryDrain(const QString& folder)
{
    constexpr int kWaiting = 10000;
    QDir().mkpath(folder);
    ProgramData data;
    SilentPrompts prompts;
    bench::loadBenchData(folder, prompts, data);
    QStringList texts;
    for (int i = 0; i < kWaiting; ++i)
        texts << QString::fromLatin1(wsjtDatagram(i));
    {
        Outbox outbox(folder + QStringLiteral("/Velkor.outbox"));
        outbox.load(QDateTime::currentMSecsSinceEpoch());
        for (const QString& text : texts)
            outbox.add(text, 2, QDateTime::currentMSecsSinceEpoch());
        outbox.flush();
    }
    // A new session finds them waiting, as after a day of a broken database.
    data.settings.ThDbFile = folder + QStringLiteral("/drain.db");
    QuietHost host;
    ContactPipeline pipeline(data.settings, data.countryTable, data.dxccTable, prompts, host,
                             std::make_unique<BuiltinStore>(), folder + QStringLiteral("/Velkor.outbox"));
    ContactDelivery& delivery = pipeline.delivery();
    QElapsedTimer timer;
    timer.start();
    delivery.retryWaiting();
    const double drainMs = timer.nsecsElapsed() / 1e6;
    const int left = delivery.waitingCount();

    std::vector<HamlogRecord> rows;
    for (const QString& text : texts) {
        HamlogRecord record;
        QString error;
        ConvertContact(text, ContactSource::Udp, BuildQslText(data.settings), data.settings, data.countryTable,
                       data.dxccTable, record, error);
        rows.push_back(record);
    }
    const double bareMs = bench::bareInsertMs(folder + QStringLiteral("/bare.db"), rows);
    QList<StoredRecord> records;
    QString error;
    BuiltinStore::ReadRecords(data.settings.ThDbFile, records, error);
    std::printf("retry drain: %d waiting contacts appended in %.0f ms (%d left waiting, %d in the store); "
                "bare insert of the same records %.0f ms\n",
                kWaiting, drainMs, left, int(records.size()), bareMs);
    printBenchResult(QStringLiteral("Retry: %1 waiting contacts drained").arg(kWaiting), benchValue(drainMs, "ms", 0),
                     benchValue(bareMs, "ms", 0) + QStringLiteral(" (bare insert)"),
                     QString::number(bareMs / drainMs, 'f', 3), QStringLiteral("every one stored, once"),
                     left == 0 && records.size() == kWaiting);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    // The transfer journal goes where the program's folder is.
    ProgramFolder::setPath(dir.path());
    QList<QByteArray> datagrams;
    for (int i = 0; i < kContacts; ++i)
        datagrams << wsjtDatagram(i);

    // The ceiling: a bare receive loop that only counts.
    int bareReceived = 0;
    double bareMs = 0;
    {
        QUdpSocket socket;
        socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        const int bareBuffer = EnlargeReceiveBuffer(socket);
        QElapsedTimer timer;
        QObject::connect(&socket, &QUdpSocket::readyRead, [&] {
            while (socket.hasPendingDatagrams()) {
                QByteArray d(int(socket.pendingDatagramSize()), Qt::Uninitialized);
                if (socket.readDatagram(d.data(), d.size()) >= 0 && ++bareReceived == kContacts)
                    bareMs = timer.nsecsElapsed() / 1e6;
            }
        });
        Sender sender(socket.localPort(), datagrams);
        timer.start();
        sender.start();
        runUntil(
            sender, [&] { return bareReceived == kContacts; }, [&] { return bareReceived; });
        if (bareMs == 0)
            bareMs = timer.nsecsElapsed() / 1e6;
        std::printf(
            "bare QUdpSocket loop:  %d of %d received in %.0f ms (%.0f datagrams/s; sender %.0f ms; receive "
            "buffer %d bytes)\n",
            bareReceived, kContacts, bareMs, bareReceived / bareMs * 1000, sender.elapsedMs, bareBuffer);
    }

    // The intake as the main window runs it.
    SilentPrompts prompts;
    Settings settings;
    settings.ThDbFile = dir.filePath(QStringLiteral("udp.db"));
    CountryTable countries;
    DxccTable dxcc;
    Road intake(dir.filePath(QStringLiteral("burst")), settings, countries, dxcc, std::make_unique<BuiltinStore>(),
                prompts);
    const quint16 port = intake.listen();
    intake.warmUp();
    Sender sender(port, datagrams);
    QElapsedTimer timer;
    timer.start();
    sender.start();
    runUntil(
        sender, [&] { return intake.handled == kContacts + 1; }, [&] { return intake.handled; });
    const double intakeMs = timer.nsecsElapsed() / 1e6;
    const int handled = intake.handled - 1;
    const int logged = intake.loggedContacts() - 1;
    QList<StoredRecord> records;
    QString error;
    BuiltinStore::ReadRecords(settings.ThDbFile, records, error);
    const int storedCount = int(records.size()) - 1;

    // Every datagram sent either was taken by the intake, was left by a full queue, or was dropped
    // by the system before the reading thread could read it.
    const int readContacts = intake.taken() - 1;
    const int queueDropped = int(intake.receiver.droppedDatagrams());
    const int systemDropped = kContacts - readContacts - queueDropped;
    std::printf("intake (outbox + ADIF log + built-in store): %d of %d handled in %.0f ms (%.0f contacts/s; "
                "receive buffer %d bytes)\n",
                handled, kContacts, intakeMs, handled / intakeMs * 1000, intake.receiver.receiveBufferBytes());
    std::printf("  read: %d; dropped by the system before the read: %d, by the full queue: %d; in the ADIF "
                "log: %d, in the store: %d (target %d in both)\n",
                readContacts, systemDropped, queueDropped, qMax(logged, 0), storedCount, kContacts);
    std::printf("intake contacts/s / bare loop datagrams/s: %.3f\n", (handled / intakeMs) / (bareReceived / bareMs));
    // The sender is far faster than any partner (10,000 in a few tens of ms); the reading thread
    // keeps up with it while the intake waits for the disk.
    const bool everyContact =
        systemDropped == 0 && queueDropped == 0 && logged == kContacts && storedCount == kContacts;
    printBenchResult(QStringLiteral("UDP intake: burst of %1 contacts").arg(kContacts),
                     benchValue(handled / intakeMs * 1000, "contacts/s", 0) +
                         QStringLiteral(" (%1 dropped before the read, %2 log, %3 store; buffer %4 bytes)")
                             .arg(systemDropped + queueDropped)
                             .arg(logged)
                             .arg(storedCount)
                             .arg(intake.receiver.receiveBufferBytes()),
                     benchValue(bareReceived / bareMs * 1000, "datagrams/s", 0) +
                         QStringLiteral(" (bare socket, %1 of %2 received)").arg(bareReceived).arg(kContacts),
                     QString::number((handled / intakeMs) / (bareReceived / bareMs), 'f', 3),
                     QStringLiteral("0 dropped, every contact in log and store"), everyContact);

    // WSJT-X with both of its servers pointed at the port: each contact twice, as its Logged ADIF
    // message and as its plain broadcast, 20,000 contacts a second (40,000 datagrams; a burst far
    // beyond any partner's). Every contact once, every second copy left, none lost before the read.
    {
        QList<QByteArray> twice;
        for (int i = 0; i < kContacts; ++i) {
            const QByteArray record = wsjtDatagram(500000 + i);
            twice << QsoLogged::EncodeLoggedAdif(QStringLiteral("WSJT-X"), "<adif_ver:5>3.1.0 <EOH>\n" + record)
                  << record;
        }
        Road both(dir.filePath(QStringLiteral("both")), settings, countries, dxcc, std::make_unique<BuiltinStore>(),
                  prompts);
        settings.ThDbFile = dir.filePath(QStringLiteral("both.db"));
        const quint16 bothPort = both.listen();
        both.warmUp();
        Sender bothSender(bothPort, twice);
        bothSender.perSecond = qint64(2) * 20000;
        QElapsedTimer bothTimer;
        bothTimer.start();
        bothSender.start();
        runUntil(
            bothSender, [&] { return both.handled == kContacts + 1 && both.taken() == 2 * kContacts + 1; },
            [&] { return both.handled + both.taken(); });
        const double bothMs = bothTimer.nsecsElapsed() / 1e6;
        QList<StoredRecord> bothRecords;
        BuiltinStore::ReadRecords(settings.ThDbFile, bothRecords, error);
        const int bothRead = both.taken() - 1;
        const int bothDropped = 2 * kContacts - bothRead;
        const int bothLogged = both.loggedContacts() - 1;
        const int bothStored = int(bothRecords.size()) - 1;
        std::printf("both servers, 20000 contacts/s: %d datagrams read of %d (%d dropped before the read); %d "
                    "contacts in the ADIF log, %d in the store (target %d, the copies left) in %.0f ms\n",
                    bothRead, 2 * kContacts, bothDropped, bothLogged, bothStored, kContacts, bothMs);
        printBenchResult(QStringLiteral("UDP intake: %1 contacts sent twice (both servers), 20000 a second").arg(kContacts),
                         benchValue(2 * kContacts / bothMs * 1000, "datagrams/s", 0) +
                             QStringLiteral(" (%1 dropped before the read, %2 log, %3 store)")
                                 .arg(bothDropped)
                                 .arg(bothLogged)
                                 .arg(bothStored),
                         benchValue(bareReceived / bareMs * 1000, "datagrams/s", 0) + QStringLiteral(" (bare socket)"),
                         QString::number((2 * kContacts / bothMs) / (bareReceived / bareMs), 'f', 3),
                         QStringLiteral("0 dropped, every contact once"),
                         bothDropped == 0 && bothLogged == kContacts && bothStored == kContacts);
        settings.ThDbFile = dir.filePath(QStringLiteral("udp.db"));
    }

    const double pipelineMs = barePipelineMs(dir.filePath(QStringLiteral("pipeline")), datagrams);
    const double ratio = (kContacts / intakeMs) / (kContacts / pipelineMs);
    std::printf("bare durable pipeline: %d contacts in %.0f ms (%.0f contacts/s)\n", kContacts, pipelineMs,
                kContacts / pipelineMs * 1000);
    printBenchResult(QStringLiteral("UDP intake against a bare durable pipeline"),
                     benchValue(handled / intakeMs * 1000, "contacts/s", 0),
                     benchValue(kContacts / pipelineMs * 1000, "contacts/s", 0) +
                         QStringLiteral(" (line synced + commit)"),
                     QString::number(ratio, 'f', 3), QStringLiteral(">= 0.8"), ratio >= 0.8);

    // Contacts one at a time, each sent once the one before is in the store: what a contact costs
    // when nothing is grouped (the usual day), against the bare pipeline's cost per contact.
    constexpr int kAlone = 300;
    QUdpSocket alone;
    QElapsedTimer aloneTimer;
    aloneTimer.start();
    for (int i = 0; i < kAlone; ++i) {
        const int before = intake.handled;
        alone.writeDatagram(wsjtDatagram(700000 + i), QHostAddress::LocalHost, port);
        while (intake.handled == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const double aloneMs = aloneTimer.nsecsElapsed() / 1e6 / kAlone;
    std::printf("contacts one at a time: %.2f ms each; the bare pipeline %.2f ms each\n", aloneMs,
                pipelineMs / kContacts);
    printBenchResult(QStringLiteral("UDP intake, contacts one at a time (no target)"), benchValue(aloneMs, "ms", 2),
                     benchValue(pipelineMs / kContacts, "ms", 2) + QStringLiteral(" (line synced + commit)"),
                     QString::number(pipelineMs / kContacts / aloneMs, 'f', 3), QStringLiteral("(figure only)"),
                     true);

    junkFlood(dir.filePath(QStringLiteral("flood")));
    retryDrain(dir.filePath(QStringLiteral("drain")));
    return 0;
}
