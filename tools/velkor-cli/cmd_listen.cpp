// velkor-cli listen: opens the port that VELKOR opens for a partner program and prints, for each
// datagram, the contact text VELKOR makes of it or why it makes none; for checking a partner's
// set-up. Ends on Ctrl+C (or a termination request).
//
//   velkor-cli listen --source N [--settings VELKOR.ini]
//
// N is 1 JTDX, 2 WSJT-X, 3 MSHV, 4 FreeDV. Without --settings the default address and ports are
// used (127.0.0.1; 2433, 2333, 2233, 2133). Exit status 0 after Ctrl+C, 1 when the port cannot be
// opened, 2 on a usage error.
#include "cli.h"

#include "reception/datagram_intake.h"
#include "reception/udp_listener.h"
#include "reception/udp_receiver.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

const char kUsage[] = "listen --source N [--settings VELKOR.ini]   print what VELKOR makes of each datagram";

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
}

int usage()
{
    cliErr() << "usage: velkor-cli " << kUsage << "\n";
    return kCliUsage;
}

int runListen(const QStringList& args)
{
    int source = 0;
    QString settingsPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--source") && i + 1 < args.size())
            source = args[++i].toInt();
        else if (args[i] == QLatin1String("--settings") && i + 1 < args.size())
            settingsPath = args[++i];
        else
            return usage();
    }
    if (source < 1 || source > 4)
        return usage();

    Settings settings;
    if (settingsPath.isEmpty()) {
        settings.JtdxIP = settings.WsjtIP = settings.MshvIP = settings.FreeDvIP = QStringLiteral("127.0.0.1");
        settings.JtdxPort = 2433, settings.WsjtPort = 2333, settings.MshvPort = 2233,
        settings.FreeDvPort = 2133;
    } else {
        NoSettingsWindow window;
        CliPrompts prompts(QStringLiteral("listen"));
        ReadSettingsFile(settings, window, prompts, settingsPath);
    }
    QString address;
    qint32 port = 0;
    ReceptionEndpoint(settings, qint16(source), &address, &port);

    UdpReceiver receiver;
    const ListenOutcome outcome = receiver.listen(address, port);
    if (!outcome.note.isEmpty())
        cliErr() << "velkor-cli listen: " << outcome.note << "\n";
    if (!outcome.listening)
        return kCliNothing;
    cliOut() << "listening on " << receiver.localAddress().toString() << ":" << receiver.localPort()
             << " for source " << source << "; Ctrl+C ends\n";
    cliOut().flush();

    ContactQueue queue([](const QStringList& contacts) {
        for (const QString& contact : contacts)
            cliOut() << "  contact: " << contact << "\n";
    });
    QObject::connect(&receiver, &UdpReceiver::datagramsWaiting, [&] {
        for (const ReceivedDatagram& datagram : receiver.takeDatagrams()) {
            cliOut() << QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) << " "
                     << datagram.data.size() << " bytes from " << datagram.sender.toString() << ":"
                     << datagram.senderPort << "\n";
            const Datagrams::Reading reading = Datagrams::Read(datagram.data, qint16(source));
            if (reading.contacts.isEmpty())
                cliOut() << "  no contact: " << reading.reason << "\n";
            for (const ContactQueue::Decision& decision : queue.take(datagram.data, reading.contacts)) {
                switch (decision.kind) {
                case ContactQueue::Decision::Taken:
                    cliOut() << "  taken: a new contact\n";
                    break;
                case ContactQueue::Decision::TakenAgain:
                    cliOut() << "  " << decision.note << "\n";
                    break;
                case ContactQueue::Decision::Copy:
                    cliOut() << "  dropped: " << decision.note << "\n";
                    break;
                }
            }
            queue.run();
        }
        cliOut().flush();
    });

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (g_interrupted)
            QCoreApplication::quit();
    });
    poll.start(100);
    QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    cliOut() << "stopped\n";
    return kCliOk;
}

const CliRegistration registration({QStringLiteral("listen"), QLatin1String(kUsage), runListen});

} // namespace
