// velkor-demo-partner: stands in for a partner program, to see a contact travel through VELKOR
// without a radio. Set as a partner's program file and started from its launch entry, it reads
// VELKOR.ini beside it, waits, sends one sample contact the way that partner sends it to the
// address and port that VELKOR.ini gives for it, stays a while and ends, so VELKOR's watch sees a
// partner program end too. Nothing goes to any other port: another VELKOR may listen there.
//
//   velkor-demo-partner [--delay-ms 3000] [--stay-ms 10000] [--settings VELKOR.ini]
//                       [--partner JTDX|WSJT-X|MSHV|FreeDV] [--host ADDRESS] [--port N]
//
// The partner is the one whose program file in the settings is the path it was started by (the
// launch passes that path and nothing else); --partner names it instead. The settings are
// VELKOR.ini beside that path, or beside this program. --host and --port replace the settings'.
#include "common/prompts.h"
#include "partners/partner_programs.h"
#include "reception/qso_logged_encoder.h"
#include "reception/udp_listener.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QStringList>
#include <QThread>
#include <QTimeZone>
#include <QUdpSocket>

#include <cstdio>
#include <utility>

namespace {

QString field(const char* tag, const QString& value)
{
    return QStringLiteral("<%1:%2>%3").arg(QLatin1String(tag)).arg(value.size()).arg(value);
}

// One contact as each partner writes it: its own letter case, separators and header.
QByteArray jtdxRecord(const QDateTime& t)
{
    const QString date = t.toString(QStringLiteral("yyyyMMdd"));
    const QString time = t.toString(QStringLiteral("HHmmss"));
    QString r;
    const std::pair<const char*, QString> fields[] = {
        std::make_pair("CALL", QStringLiteral("JA1DMO")),
        std::make_pair("GRIDSQUARE", QStringLiteral("PM95")),
        std::make_pair("MODE", QStringLiteral("FT8")),
        std::make_pair("RST_SENT", QStringLiteral("-08")),
        std::make_pair("RST_RCVD", QStringLiteral("-12")),
        std::make_pair("QSO_DATE", date),
        std::make_pair("TIME_ON", time),
        std::make_pair("QSO_DATE_OFF", date),
        std::make_pair("TIME_OFF", time),
        std::make_pair("BAND", QStringLiteral("20m")),
        std::make_pair("FREQ", QStringLiteral("14.075123")),
        std::make_pair("STATION_CALLSIGN", QStringLiteral("JA9ZZZ")),
        std::make_pair("MY_GRIDSQUARE", QStringLiteral("PM86")),
        std::make_pair("COMMENT", QStringLiteral("デモ交信")),
        std::make_pair("NAME", QStringLiteral("Taro"))};
    for (const auto& f : fields)
        r += field(f.first, f.second) + QLatin1Char(' ');
    return (r + QStringLiteral("<EOR>")).toUtf8();
}

QByteArray wsjtRecord(const QDateTime& t)
{
    const QString date = t.toString(QStringLiteral("yyyyMMdd"));
    const QString time = t.toString(QStringLiteral("HHmmss"));
    QString r;
    const std::pair<const char*, QString> fields[] = {
        std::make_pair("call", QStringLiteral("JH2DMO")),
        std::make_pair("gridsquare", QStringLiteral("PM84")),
        std::make_pair("mode", QStringLiteral("FT8")),
        std::make_pair("rst_sent", QStringLiteral("-10")),
        std::make_pair("rst_rcvd", QStringLiteral("-05")),
        std::make_pair("qso_date", date),
        std::make_pair("time_on", time),
        std::make_pair("qso_date_off", date),
        std::make_pair("time_off", time),
        std::make_pair("band", QStringLiteral("40m")),
        std::make_pair("freq", QStringLiteral("7.075512")),
        std::make_pair("station_callsign", QStringLiteral("JA9ZZZ")),
        std::make_pair("my_gridsquare", QStringLiteral("PM86"))};
    for (const auto& f : fields)
        r += field(f.first, f.second) + QLatin1Char(' ');
    return (r + QStringLiteral("<eor>")).toLatin1();
}

QByteArray mshvRecord(const QDateTime& t)
{
    const QString date = t.toString(QStringLiteral("yyyyMMdd"));
    const QString time = t.toString(QStringLiteral("HHmmss"));
    QString r = QStringLiteral("<ADIF_VER:5>3.1.0\n<PROGRAMID:4>MSHV\n<EOH>\n");
    const std::pair<const char*, QString> fields[] = {
        std::make_pair("CALL", QStringLiteral("JR3DMO")),
        std::make_pair("GRIDSQUARE", QString()),
        std::make_pair("MODE", QStringLiteral("FT4")),
        std::make_pair("RST_SENT", QStringLiteral("-03")),
        std::make_pair("RST_RCVD", QStringLiteral("+02")),
        std::make_pair("QSO_DATE", date),
        std::make_pair("TIME_ON", time),
        std::make_pair("QSO_DATE_OFF", date),
        std::make_pair("TIME_OFF", time),
        std::make_pair("BAND", QStringLiteral("15m")),
        std::make_pair("FREQ", QStringLiteral("21.141000")),
        std::make_pair("STATION_CALLSIGN", QStringLiteral("JA9ZZZ"))};
    for (const auto& f : fields)
        r += field(f.first, f.second);
    return (r + QStringLiteral("<EOR>")).toUtf8();
}

QByteArray freedvMessage(const QDateTime& t)
{
    QsoLogged::Outgoing qso;
    qso.id = QStringLiteral("FreeDV");
    qso.timeOn = t.addSecs(-120);
    qso.timeOff = t;
    qso.dxCall = QStringLiteral("JE4DMO");
    qso.dxGrid = QStringLiteral("PM64");
    qso.txFrequencyHz = 14236000;
    qso.mode = QStringLiteral("DIGITALVOICE");
    qso.reportSent = QStringLiteral("59");
    qso.reportReceived = QStringLiteral("57");
    qso.myCall = QStringLiteral("JA9ZZZ");
    qso.myGrid = QStringLiteral("PM86");
    return QsoLogged::EncodeQsoLogged(qso);
}

// The sample contact as partner n (1 JTDX, 2 WSJT-X, 3 MSHV, 4 FreeDV) sends it.
QByteArray sampleContact(int n, const QDateTime& t)
{
    switch (n) {
    case 1:
        return jtdxRecord(t);
    case 2:
        return wsjtRecord(t);
    case 3:
        return mshvRecord(t);
    default:
        return freedvMessage(t);
    }
}

int usage()
{
    std::fprintf(stderr, "usage: velkor-demo-partner [--delay-ms N] [--stay-ms N] [--settings VELKOR.ini] "
                         "[--partner JTDX|WSJT-X|MSHV|FreeDV] [--host ADDRESS] [--port N]\n");
    return 2;
}

int fail(const QString& problem)
{
    std::fprintf(stderr, "velkor-demo-partner: %s\n", qPrintable(problem));
    return 2;
}

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), cs) == 0;
}

// The partners whose program file is the path this program was started by; failing that, whose
// program file is this program (a link to it counts). Several only when the settings name it for
// several partners.
QList<int> partnersStartedAs(const Settings& settings, const QString& startedBy)
{
    QList<int> byPath, byFile;
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    for (const PartnerProgram& program : PartnerPrograms()) {
        const QString file = settings.*program.file;
        if (samePath(file, startedBy))
            byPath << program.number;
        else if (!file.isEmpty() && QFileInfo(file).canonicalFilePath() == self)
            byFile << program.number;
    }
    return byPath.isEmpty() ? byFile : byPath;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int delayMs = 3000;
    int stayMs = 10000;
    QString settingsPath;
    int partner = 0;
    QString host;
    int port = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = i + 1 < args.size();
        if (a == QLatin1String("--delay-ms") && ok) {
            delayMs = args[++i].toInt(&ok);
        } else if (a == QLatin1String("--stay-ms") && ok) {
            stayMs = args[++i].toInt(&ok);
        } else if (a == QLatin1String("--settings") && ok) {
            settingsPath = args[++i];
        } else if (a == QLatin1String("--partner") && ok) {
            const QString& name = args[++i];
            for (const PartnerProgram& program : PartnerPrograms()) {
                if (name.compare(program.name, Qt::CaseInsensitive) == 0)
                    partner = program.number;
            }
            ok = partner != 0;
        } else if (a == QLatin1String("--host") && ok) {
            host = args[++i];
            ok = !QHostAddress(host).isNull();
        } else if (a == QLatin1String("--port") && ok) {
            port = args[++i].toInt(&ok);
            ok = ok && port >= 1 && port <= 65535;
        } else {
            ok = false;
        }
        if (!ok || delayMs < 0 || stayMs < 0)
            return usage();
    }

    // The launch passes the program file's path as the program's name.
    const QString startedBy = app.arguments().value(0);
    if (settingsPath.isEmpty()) {
        settingsPath = QFileInfo(startedBy).absoluteDir().filePath(QStringLiteral("VELKOR.ini"));
        if (!QFileInfo(settingsPath).isFile())
            settingsPath =
                QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VELKOR.ini"));
    }
    Settings settings;
    if (QFileInfo(settingsPath).isFile()) {
        NoSettingsWindow window;
        SilentPrompts prompts;
        ReadSettingsFile(settings, window, prompts, settingsPath);
    } else if (partner == 0 || host.isEmpty() || port == 0) {
        return fail(
            QStringLiteral("no settings file %1; give --partner, --host and --port").arg(settingsPath));
    }
    const QList<int> partners = partner != 0 ? QList<int>{partner} : partnersStartedAs(settings, startedBy);
    if (partners.isEmpty()) {
        return fail(QStringLiteral("%1 names %2 as no partner's program file; give --partner")
                        .arg(settingsPath, startedBy));
    }

    std::printf("velkor-demo-partner: sending a sample contact in %d ms\n", delayMs);
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(delayMs));
    QDateTime now = QDateTime::currentDateTimeUtc();
    now = now.addMSecs(-now.time().msec());
    QUdpSocket socket;
    int failed = 0;
    for (int number : partners) {
        QString address;
        qint32 settingsPort = 0;
        ReceptionEndpoint(settings, qint16(number), &address, &settingsPort);
        // Where VELKOR listens on all interfaces (no address of this machine set), loopback reaches it.
        QHostAddress to = ReceptionAddress(address);
        if (to.isNull() || !(to.isMulticast() || IsOwnAddress(to)))
            to = QHostAddress(QHostAddress::LocalHost);
        if (!host.isEmpty())
            to = QHostAddress(host);
        const qint32 toPort = port != 0 ? port : settingsPort;
        const PartnerProgram& program = PartnerPrograms().at(size_t(number - 1));
        const QByteArray datagram = sampleContact(number, now);
        QString outcome = QStringLiteral("no usable port in the settings");
        if (toPort >= 1 && toPort <= 65535) {
            const bool sent = socket.writeDatagram(datagram, to, quint16(toPort)) == datagram.size();
            outcome = sent ? QStringLiteral("sent") : socket.errorString();
        }
        failed += outcome == QLatin1String("sent") ? 0 : 1;
        std::printf("velkor-demo-partner: %s contact to %s:%d: %s\n", qPrintable(program.name),
                    qPrintable(to.toString()), int(toPort), qPrintable(outcome));
    }
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(stayMs));
    return failed == 0 ? 0 : 1;
}
