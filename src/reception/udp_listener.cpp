#include "reception/udp_listener.h"

#include "settings/settings.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QVariant>

#include <algorithm>

namespace {

// Enough for thousands of contacts; the system may grant less.
constexpr int kLargestReceiveBuffer = 8 * 1024 * 1024;
constexpr int kSmallestReceiveBuffer = 256 * 1024;

QString bindFailureReason(const QUdpSocket& socket)
{
    switch (socket.error()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("他のプログラムがこのポートを使用しています");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("このポートを使う権限がありません");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("このアドレスはこのパソコンでは使えません");
    default:
        return socket.errorString();
    }
}

// The point of a bind failure, short enough to stay whole beside a launch text.
QString bindFailureBrief(const QUdpSocket& socket, qint32 port)
{
    switch (socket.error()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("UDPポート %1 は使用中です").arg(port);
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("UDPポート %1 を使う権限がありません").arg(port);
    default:
        return QStringLiteral("UDPポート %1 を開けません").arg(port);
    }
}

} // namespace

bool IsOwnAddress(const QHostAddress& address)
{
    if (address.isLoopback())
        return true;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    for (const QHostAddress& a : own) {
        if (a.isEqual(address, QHostAddress::TolerantConversion))
            return true;
    }
    return false;
}

QHostAddress ReceptionAddress(const QString& addressSetting)
{
    const QString text = addressSetting.trimmed();
    const QHostAddress literal(text);
    if (text.isEmpty() || !literal.isNull())
        return literal;
    // A name waits for the system's resolver; "localhost" and the names in the hosts file answer at once.
    QList<QHostAddress> found = QHostInfo::fromName(text).addresses();
    std::stable_sort(found.begin(), found.end(), [](const QHostAddress& a, const QHostAddress& b) {
        const auto rank = [](const QHostAddress& x) {
            return (IsOwnAddress(x) ? 0 : 2) + (x.protocol() == QAbstractSocket::IPv4Protocol ? 0 : 1);
        };
        return rank(a) < rank(b);
    });
    return found.isEmpty() ? QHostAddress() : found.first();
}

bool ReceptionEndpoint(const Settings& settings, qint16 n, QString* address, qint32* port)
{
    switch (n) {
    case 1:
        *address = settings.JtdxIP, *port = settings.JtdxPort;
        return true;
    case 2:
        *address = settings.WsjtIP, *port = settings.WsjtPort;
        return true;
    case 3:
        *address = settings.MshvIP, *port = settings.MshvPort;
        return true;
    case 4:
        *address = settings.FreeDvIP, *port = settings.FreeDvPort;
        return true;
    default:
        return false;
    }
}

ListenOutcome ListenOn(QUdpSocket& socket, const QString& addressSetting, qint32 port)
{
    ListenOutcome outcome;
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.abort();
    if (port < 1 || port > 65535) {
        outcome.note =
            QStringLiteral("UDPポート番号 %1 は使えません（1～65535）。設定を確認してください").arg(port);
        outcome.brief = QStringLiteral("UDPポート番号 %1 は使えません").arg(port);
        return outcome;
    }
    const quint16 p = static_cast<quint16>(port);
    const QString text = addressSetting.trimmed();
    const QHostAddress address = ReceptionAddress(text);

    bool bound = false;
    if (!address.isNull() && address.isMulticast()) {
        const QHostAddress any = address.protocol() == QAbstractSocket::IPv6Protocol ? QHostAddress::AnyIPv6
                                                                                     : QHostAddress::AnyIPv4;
        bound = socket.bind(any, p, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
        if (bound && !socket.joinMulticastGroup(address)) {
            outcome.note = QStringLiteral("マルチキャストグループ %1 に参加できません: %2")
                               .arg(address.toString(), socket.errorString());
            outcome.brief = QStringLiteral("マルチキャスト %1 に参加できません").arg(address.toString());
        }
    } else if (!address.isNull() && IsOwnAddress(address)) {
        // Not shared: a second logger on the same port must fail here rather than split the
        // contacts between the two without a word.
        bound = socket.bind(address, p, QUdpSocket::DontShareAddress);
    } else {
        bound = socket.bind(QHostAddress::Any, p, QUdpSocket::DontShareAddress);
        if (bound) {
            QString why = QStringLiteral("受信アドレス %1 はこのパソコンのアドレスではないため").arg(text);
            if (text.isEmpty())
                why = QStringLiteral("受信アドレスが設定されていないため");
            else if (address.isNull())
                why = QStringLiteral("受信アドレス %1 が見つからないため").arg(text);
            outcome.note =
                why + QStringLiteral("、すべてのネットワークから受信します（ポート %1）").arg(port);
            outcome.brief = QStringLiteral("すべてのネットワークから受信します");
        }
    }
    if (!bound) {
        outcome.note =
            QStringLiteral("UDPポート %1 を開けません: %2").arg(port).arg(bindFailureReason(socket));
        outcome.brief = bindFailureBrief(socket, port);
        socket.abort();
        return outcome;
    }
    outcome.receiveBufferBytes = EnlargeReceiveBuffer(socket);
    outcome.listening = true;
    return outcome;
}

int EnlargeReceiveBuffer(QUdpSocket& socket)
{
    const auto grant = [&socket](int bytes) {
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(bytes));
        return socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    };
    // Some systems refuse a size above their limit outright instead of granting the limit.
    int best = 0;
    int bestAsked = 0;
    for (int asked = kLargestReceiveBuffer; asked >= kSmallestReceiveBuffer; asked /= 2) {
        const int granted = grant(asked);
        if (granted > best)
            best = granted, bestAsked = asked;
        if (granted >= asked)
            return granted;
    }
    return bestAsked > 0 ? grant(bestAsked) : best;
}
