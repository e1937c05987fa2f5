// velkor-cli send: sends one contact to a UDP port the way a partner program does, to try a
// set-up without the partner.
//
//   velkor-cli send --port P [--host H] --adif TEXT|FILE            plain ADIF text (JTDX, WSJT-X, MSHV)
//   velkor-cli send --port P [--host H] --qso-logged FIELD=VALUE...  a QSO Logged message (FreeDV)
//
// --adif takes the name of an existing file (its bytes are sent as they are) or else the text
// itself, sent as UTF-8. Exit status 0 when the datagram was sent, 1 when it could not be, 2 on a
// usage or read error.
#include "cli.h"

#include "reception/qso_logged_encoder.h"
#include "reception/udp_listener.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QUdpSocket>

namespace {

const char kUsage[] = "send --port P [--host H] (--adif TEXT|FILE | --qso-logged FIELD=VALUE...)";

int usage(const QString& problem = QString())
{
    if (!problem.isEmpty())
        cliErr() << "velkor-cli send: " << problem << "\n";
    cliErr() << "usage: velkor-cli " << kUsage << "\n"
             << "QSO Logged fields: " << QsoLogged::OutgoingFieldNames() << "\n";
    return kCliUsage;
}

int runSend(const QStringList& args)
{
    QString host = QStringLiteral("127.0.0.1");
    int port = -1;
    QString adif;
    bool haveAdif = false;
    bool qsoLogged = false;
    QsoLogged::Outgoing qso;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--port") && i + 1 < args.size()) {
            bool ok = false;
            port = args[++i].toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return usage(QStringLiteral("--port must be 1 to 65535: %1").arg(args[i]));
        } else if (a == QLatin1String("--host") && i + 1 < args.size()) {
            host = args[++i];
        } else if (a == QLatin1String("--adif") && i + 1 < args.size()) {
            adif = args[++i];
            haveAdif = true;
        } else if (a == QLatin1String("--qso-logged")) {
            qsoLogged = true;
        } else if (qsoLogged && a.contains(QLatin1Char('='))) {
            QString error;
            if (!QsoLogged::SetOutgoingField(qso, a.section(QLatin1Char('='), 0, 0),
                                             a.section(QLatin1Char('='), 1), &error))
                return usage(error);
        } else {
            return usage(QStringLiteral("unexpected argument \"%1\"").arg(a));
        }
    }
    if (port < 0 || haveAdif == qsoLogged)
        return usage();

    QByteArray datagram;
    if (qsoLogged) {
        datagram = QsoLogged::EncodeQsoLogged(qso);
    } else if (QFileInfo(adif).isFile()) {
        if (!cliReadInput(QStringLiteral("send"), adif, &datagram, 65507))
            return kCliUsage;
    } else {
        datagram = adif.toUtf8();
    }
    if (datagram.size() > 65507) {
        cliErr() << "velkor-cli send: " << datagram.size()
                 << " bytes do not fit in one UDP datagram (65507)\n";
        return kCliNothing;
    }

    // A name is looked up as the listener looks its address setting up.
    const QHostAddress address = ReceptionAddress(host);
    if (address.isNull()) {
        cliErr() << "velkor-cli send: unknown host \"" << host << "\"\n";
        return kCliNothing;
    }
    QUdpSocket socket;
    const qint64 sent = socket.writeDatagram(datagram, address, static_cast<quint16>(port));
    if (sent != datagram.size()) {
        cliErr() << "velkor-cli send: cannot send to " << address.toString() << ":" << port << ": "
                 << socket.errorString() << "\n";
        return kCliNothing;
    }
    cliOut() << "sent " << sent << " bytes to " << address.toString() << ":" << port << "\n";
    return kCliOk;
}

const CliRegistration registration({QStringLiteral("send"), QLatin1String(kUsage), runSend});

} // namespace
