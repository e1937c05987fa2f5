#pragma once

#include <QString>

class QHostAddress;
class QUdpSocket;
struct Settings;

// Where the reception of partner program n (1 JTDX, 2 WSJT-X, 3 MSHV, 4 FreeDV) listens, from
// its address and port settings. False for any other n.
bool ReceptionEndpoint(const Settings& settings, qint16 n, QString* address, qint32* port);

// The address an address setting names: a numeric address as written, or a name (such as
// "localhost") looked up, an address of this machine preferred, IPv4 before IPv6. Null for an
// empty text or a name that is not found.
QHostAddress ReceptionAddress(const QString& addressSetting);

// True for an address of this machine (loopback included).
bool IsOwnAddress(const QHostAddress& address);

// Binds the socket for a partner's datagrams.
//
// The address setting decides who may send: an address of this machine (127.0.0.1 by default,
// or a name such as "localhost" that resolves to one) binds to that address only, so nobody else
// on the network can write into the logbook; a multicast group binds the port shared with other
// listeners and joins the group; anything else (empty, a name not found, another machine's
// address) listens on all interfaces, as earlier versions did, and the note says so. A port
// outside 1 to 65535 or a bind that fails leaves the socket closed, with the port and the reason
// in the note.
//
// The socket's receive buffer is enlarged (EnlargeReceiveBuffer) so that a burst of contacts
// waits in it while nobody reads. UdpReceiver runs this on its reading thread.
struct ListenOutcome
{
    bool listening = false;
    QString note;  // the whole note; empty when all is as set
    QString brief; // its point, short enough for panel 1 of the status bar beside a launch text
    int receiveBufferBytes = 0; // what the system granted, as it reports it; 0 when not listening
};
ListenOutcome ListenOn(QUdpSocket& socket, const QString& addressSetting, qint32 port);

// Asks for a receive buffer of 8 MiB, then for less until the system grants what is asked, and
// keeps the largest it granted. Returns that size as the system reports it (Linux reports twice
// what it grants, and grants no more than net.core.rmem_max).
int EnlargeReceiveBuffer(QUdpSocket& socket);
