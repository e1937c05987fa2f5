// UDP intake under a burst: 10,000 contacts (distinct call signs) sent on loopback as fast as the
// sender can, into the running intake that writes the ADIF log and the built-in store, one
// contact after the other as the main window does. How many reached each, and contacts/s;
// against the same sender into a bare QUdpSocket receive loop in the same run, the ceiling.
#include "common/prompts.h"
#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_transfer.h"
#include "reception/adif_log.h"
#include "reception/datagram_intake.h"
#include "reception/udp_listener.h"
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
#include <QVariant>

#include <cstdio>
#include <functional>

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
        for (const QByteArray& d : m_datagrams) {
            while (socket.writeDatagram(d, QHostAddress::LocalHost, m_port) < 0)
                QThread::yieldCurrentThread(); // a full send buffer: try again
        }
        elapsedMs = timer.nsecsElapsed() / 1e6;
    }

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

int receiveBufferBytes(QUdpSocket& socket)
{
    return socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QList<QByteArray> datagrams;
    for (int i = 0; i < kContacts; ++i)
        datagrams << wsjtDatagram(i);

    // The ceiling: a bare receive loop that only counts.
    int bareReceived = 0;
    double bareMs = 0;
    {
        QUdpSocket socket;
        socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 * 1024 * 1024));
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
            "bare QUdpSocket loop:  %d of %d received in %.0f ms (%.0f datagrams/s; sender %.0f ms)\n",
            bareReceived, kContacts, bareMs, bareReceived / bareMs * 1000, sender.elapsedMs);
    }

    // The intake as the main window runs it: ADIF log, then the store, one contact at a time.
    SilentPrompts prompts;
    QuietHost host;
    Settings settings;
    settings.ThDbFile = dir.filePath(QStringLiteral("udp.db"));
    CountryTable countries;
    DxccTable dxcc;
    BuiltinStore store;
    HamlogTransfer transfer(settings, countries, dxcc, store, prompts, host);
    const QString logPath = dir.filePath(QStringLiteral("Velkor.adi"));

    QUdpSocket socket;
    quint16 port = 0;
    for (int attempt = 0; attempt < 20 && port == 0; ++attempt) {
        QUdpSocket probe;
        probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
        const quint16 candidate = probe.localPort();
        probe.close();
        if (ListenOn(socket, QStringLiteral("127.0.0.1"), candidate).listening)
            port = candidate;
    }
    int handled = 0;
    double intakeMs = 0;
    QElapsedTimer timer;
    int taken = 0;
    double slowestMs = 0;
    std::function<void()> drain;
    ContactQueue queue([&](const QString& contact) {
        QElapsedTimer one;
        one.start();
        AppendAdifLog(logPath, contact);
        drain(); // as the window does between the two writes
        transfer.ThLogDbAppend(contact);
        slowestMs = qMax(slowestMs, one.nsecsElapsed() / 1e6);
        if (++handled == kContacts)
            intakeMs = timer.nsecsElapsed() / 1e6;
    });
    drain = [&] {
        for (const QByteArray& d : ReadPendingDatagrams(socket)) {
            queue.take(d, Intake::Read(d, 2).contacts);
            ++taken;
        }
    };
    queue.setDrain(drain);
    QObject::connect(&socket, &QUdpSocket::readyRead, [&] { queue.run(); });
    // A running intake: the log and the store exist already, as after the first contact ever.
    AppendAdifLog(logPath, QStringLiteral("<call:6>JA0WRM <eor>"));
    transfer.ThLogDbAppend(QStringLiteral("<call:6>JA0WRM <eor>"));
    Sender sender(port, datagrams);
    timer.start();
    sender.start();
    runUntil(
        sender, [&] { return handled == kContacts; }, [&] { return handled; });
    if (intakeMs == 0)
        intakeMs = timer.nsecsElapsed() / 1e6;

    QFile log(logPath);
    int logged = -2; // the header line and the first contact
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n'))
            logged += line.trimmed().isEmpty() ? 0 : 1;
    }
    QList<StoredRecord> records;
    QString error;
    BuiltinStore::ReadRecords(settings.ThDbFile, records, error);

    std::printf("intake (ADIF log + built-in store): %d of %d handled in %.0f ms (%.0f contacts/s; "
                "receive buffer %d bytes)\n",
                handled, kContacts, intakeMs, handled / intakeMs * 1000, receiveBufferBytes(socket));
    std::printf("  read from the socket: %d; slowest contact %.1f ms\n", taken, slowestMs);
    std::printf("  in the ADIF log: %d, in the store: %d (target %d in both)\n", qMax(logged, 0),
                int(records.size()) - 1, kContacts);
    std::printf("intake contacts/s / bare loop datagrams/s: %.3f\n",
                (handled / intakeMs) / (bareReceived / bareMs));
    return 0;
}
