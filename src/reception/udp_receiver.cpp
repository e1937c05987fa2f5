#include "reception/udp_receiver.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QUdpSocket>
#include <QWaitCondition>

#include <utility>

namespace {

// The largest datagram IPv6 carries without a jumbogram; IPv4 carries 65,507 bytes.
constexpr int kLargestDatagram = 65536;
// What a datagram costs the queue beyond its bytes, so that empty ones fill it as well.
constexpr qint64 kDatagramOverhead = 64;
// A flood is read in turns of this many datagrams, so that close() is heard between them.
constexpr int kDatagramsPerTurn = 512;
// Turns read once close() has been asked for, at most: more than an 8 MiB buffer holds.
constexpr int kClosingTurns = 256;

} // namespace

// The datagrams read and not yet taken; the only thing both threads touch.
class UdpReceiver::Queue
{
public:
    // Keeps what fits and counts the rest. True when the owner is to be told that datagrams wait.
    bool put(std::vector<ReceivedDatagram>& batch)
    {
        const QMutexLocker lock(&m_mutex);
        for (ReceivedDatagram& datagram : batch) {
            const qint64 cost = datagram.data.size() + kDatagramOverhead;
            if (m_bytes + cost > m_limit) {
                ++m_dropped;
                continue;
            }
            m_bytes += cost;
            m_datagrams.push_back(std::move(datagram));
        }
        if (m_announced || m_datagrams.empty())
            return false;
        m_announced = true;
        return true;
    }

    std::vector<ReceivedDatagram> take()
    {
        const QMutexLocker lock(&m_mutex);
        m_bytes = 0;
        m_announced = false;
        return std::exchange(m_datagrams, {});
    }

    size_t size() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_datagrams.size();
    }
    qint64 dropped() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_dropped;
    }
    void resetDropped()
    {
        const QMutexLocker lock(&m_mutex);
        m_dropped = 0;
    }
    void setLimit(qint64 bytes)
    {
        const QMutexLocker lock(&m_mutex);
        m_limit = bytes;
    }

private:
    mutable QMutex m_mutex;
    std::vector<ReceivedDatagram> m_datagrams;
    qint64 m_bytes = 0;
    qint64 m_limit = kDefaultQueueLimit;
    qint64 m_dropped = 0;
    bool m_announced = false; // datagramsWaiting is on its way and nothing was taken since
};

// The reading thread: binds the socket, then reads it from its own event loop until quit().
class UdpReceiver::Reader : public QThread
{
public:
    Reader(UdpReceiver& owner, QString address, qint32 port)
        : m_owner(owner), m_address(std::move(address)), m_port(port)
    {
        setObjectName(QStringLiteral("UdpReceiver"));
    }

    // Starts the thread and waits until the socket is bound or has failed.
    ListenOutcome bind(quint16* localPort, QHostAddress* localAddress)
    {
        // Reading must keep up with a partner's burst while other threads are busy.
        start(QThread::HighPriority);
        const QMutexLocker lock(&m_mutex);
        while (!m_bound)
            m_boundCondition.wait(&m_mutex);
        *localPort = m_localPort;
        *localAddress = m_localAddress;
        return m_outcome;
    }

protected:
    void run() override
    {
        QUdpSocket socket;
        const ListenOutcome outcome = ListenOn(socket, m_address, m_port);
        {
            const QMutexLocker lock(&m_mutex);
            m_outcome = outcome;
            m_localPort = socket.localPort();
            m_localAddress = socket.localAddress();
            m_bound = true;
            m_boundCondition.wakeAll();
        }
        if (!outcome.listening)
            return;
        m_buffer.resize(kLargestDatagram);
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [this, &socket] { read(socket); });
        read(socket);
        // Returns at once when quit() came before it (QThread::exit).
        exec();
        // Closing: what the partner sent before is read still, to its last datagram; a flood that
        // goes on is cut after what a full receive buffer holds.
        for (int turn = 0; turn < kClosingTurns && read(socket) == kDatagramsPerTurn; ++turn) {
        }
    }

private:
    // Reads one turn's worth; how many datagrams were read.
    int read(QUdpSocket& socket)
    {
        std::vector<ReceivedDatagram> batch;
        // Read until nothing is left (a read that fails), one call to the system each: asking
        // first whether a datagram waits would double the calls of a burst.
        for (int n = 0; n < kDatagramsPerTurn; ++n) {
            ReceivedDatagram datagram;
            const qint64 size =
                socket.readDatagram(m_buffer.data(), m_buffer.size(), &datagram.sender, &datagram.senderPort);
            if (size < 0)
                break;
            datagram.data = QByteArray(m_buffer.constData(), static_cast<int>(size));
            batch.push_back(std::move(datagram));
        }
        // What is left at the socket makes it ready to read again at the next turn.
        if (!batch.empty() && m_owner.m_queue->put(batch)) {
            UdpReceiver* owner = &m_owner;
            QMetaObject::invokeMethod(owner, [owner] { emit owner->datagramsWaiting(); }, Qt::QueuedConnection);
        }
        return static_cast<int>(batch.size());
    }

    UdpReceiver& m_owner; // only its queue is touched here, and its thread is posted to
    const QString m_address;
    const qint32 m_port;
    QByteArray m_buffer;

    QMutex m_mutex;
    QWaitCondition m_boundCondition;
    bool m_bound = false;
    ListenOutcome m_outcome;
    quint16 m_localPort = 0;
    QHostAddress m_localAddress;
};

UdpReceiver::UdpReceiver(QObject* parent) : QObject(parent), m_queue(std::make_unique<Queue>()) {}

UdpReceiver::~UdpReceiver()
{
    close();
}

ListenOutcome UdpReceiver::listen(const QString& addressSetting, qint32 port)
{
    close();
    m_queue->resetDropped();
    m_reader = std::make_unique<Reader>(*this, addressSetting, port);
    ListenOutcome outcome = m_reader->bind(&m_localPort, &m_localAddress);
    if (!outcome.listening) {
        close();
        return outcome;
    }
    m_receiveBufferBytes = outcome.receiveBufferBytes;
    return outcome;
}

void UdpReceiver::close()
{
    if (m_reader) {
        m_reader->quit();
        m_reader->wait();
        m_reader.reset();
    }
    m_localPort = 0;
    m_localAddress.clear();
    m_receiveBufferBytes = 0;
}

QAbstractSocket::SocketState UdpReceiver::state() const
{
    return m_reader ? QAbstractSocket::BoundState : QAbstractSocket::UnconnectedState;
}

std::vector<ReceivedDatagram> UdpReceiver::takeDatagrams()
{
    return m_queue->take();
}

bool UdpReceiver::hasDatagrams() const
{
    return m_queue->size() > 0;
}

qint64 UdpReceiver::droppedDatagrams() const
{
    return m_queue->dropped();
}

void UdpReceiver::setQueueLimit(qint64 bytes)
{
    m_queue->setLimit(bytes);
}
