#pragma once

#include "reception/udp_listener.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QObject>

#include <memory>
#include <vector>

// A datagram as it was read, and who sent it.
struct ReceivedDatagram
{
    QByteArray data;
    QHostAddress sender;
    quint16 senderPort = 0;
};

// The socket a partner program's datagrams arrive at, read on a thread of its own.
//
// While the thread this object lives on writes to the disk (the outbox, the ADIF log, an append),
// nobody would read the socket, and a burst of contacts would overflow the system's receive
// buffer and be lost before the program ever saw it. So a reading thread owns the socket, reads
// every datagram the moment it arrives and keeps it in a queue, which the owner's thread empties
// with takeDatagrams() whenever it has time. The reading thread touches nothing else: the contacts
// are taken in on the owner's thread (see ContactPipeline for its threading).
//
// The queue is bounded by its size in memory, so that a flood of junk cannot eat the memory;
// what arrives while it is full is counted (droppedDatagrams) and left.
class UdpReceiver : public QObject
{
    Q_OBJECT
public:
    // A queue this large holds tens of thousands of contacts.
    static constexpr qint64 kDefaultQueueLimit = qint64(64) * 1024 * 1024;

    explicit UdpReceiver(QObject* parent = nullptr);
    // Stops reading and closes the socket; what was queued and not taken goes with it.
    ~UdpReceiver() override;

    // Closes the socket if open, then binds a new one with ListenOn (its rules and notes) on the
    // reading thread, and returns once it is bound or has failed; on success, reading has begun.
    // What was read before and not taken yet stays to be taken.
    ListenOutcome listen(const QString& addressSetting, qint32 port);
    // Reads what still waits in the system's buffer, then closes the socket. Nothing that arrived
    // before is lost: it stays in the queue to be taken (datagramsWaiting is on its way).
    void close();

    // BoundState while listening, UnconnectedState otherwise.
    QAbstractSocket::SocketState state() const;
    // Where it listens; 0 and a null address while it does not.
    quint16 localPort() const { return m_localPort; }
    QHostAddress localAddress() const { return m_localAddress; }
    // The system's receive buffer granted to the socket, as the system reports it; 0 while closed.
    int receiveBufferBytes() const { return m_receiveBufferBytes; }

    // Every datagram read and not taken yet, in the order they arrived.
    std::vector<ReceivedDatagram> takeDatagrams();
    bool hasDatagrams() const;
    // Datagrams left because the queue was full, since listen().
    qint64 droppedDatagrams() const;
    // The bound of the queue, in bytes (each datagram counts a little more than its size).
    void setQueueLimit(qint64 bytes);

signals:
    // Datagrams wait to be taken. Emitted on this object's thread once when the queue stops being
    // empty, not once per datagram: the slot takes them all.
    void datagramsWaiting();

private:
    class Queue;
    class Reader;

    std::unique_ptr<Queue> m_queue;   // shared with the reading thread
    std::unique_ptr<Reader> m_reader; // while listening
    quint16 m_localPort = 0;
    QHostAddress m_localAddress;
    int m_receiveBufferBytes = 0;
};
