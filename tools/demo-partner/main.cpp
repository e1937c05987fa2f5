// velkor-demo-partner: stands in for a partner program, to see a contact travel through VELKOR
// without a radio. Started from a launch entry (or by hand), it waits, sends one sample contact to
// each partner's default port on this machine, the way that partner sends it, stays a while and
// ends, so VELKOR's watch sees a partner program end too.
//
//   velkor-demo-partner [--delay-ms 3000] [--stay-ms 10000] [--host 127.0.0.1]
//                       [--ports JTDX,WSJT-X,MSHV,FreeDV]   (default 2433,2333,2233,2133)
#include "reception/qso_logged_encoder.h"

#include <QCoreApplication>
#include <QDateTime>
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

int usage()
{
    std::fprintf(stderr, "usage: velkor-demo-partner [--delay-ms N] [--stay-ms N] [--host ADDRESS] "
                         "[--ports JTDX,WSJT-X,MSHV,FreeDV]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int delayMs = 3000;
    int stayMs = 10000;
    QHostAddress host(QHostAddress::LocalHost);
    QList<quint16> ports = {2433, 2333, 2233, 2133};
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = i + 1 < args.size();
        if (a == QLatin1String("--delay-ms") && ok) {
            delayMs = args[++i].toInt(&ok);
        } else if (a == QLatin1String("--stay-ms") && ok) {
            stayMs = args[++i].toInt(&ok);
        } else if (a == QLatin1String("--host") && ok) {
            host = QHostAddress(args[++i]);
            ok = !host.isNull();
        } else if (a == QLatin1String("--ports") && ok) {
            const QStringList parts = args[++i].split(QLatin1Char(','));
            ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k) {
                const int p = parts[k].toInt(&ok);
                ok = ok && p >= 1 && p <= 65535;
                if (ok)
                    ports[k] = static_cast<quint16>(p);
            }
        } else {
            ok = false;
        }
        if (!ok || delayMs < 0 || stayMs < 0)
            return usage();
    }

    std::printf("velkor-demo-partner: sending sample contacts in %d ms\n", delayMs);
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(delayMs));
    QDateTime now = QDateTime::currentDateTimeUtc();
    now = now.addMSecs(-now.time().msec());
    const QByteArray datagrams[] = {jtdxRecord(now), wsjtRecord(now), mshvRecord(now), freedvMessage(now)};
    const char* const names[] = {"JTDX", "WSJT-X", "MSHV", "FreeDV"};
    QUdpSocket socket;
    for (int k = 0; k < 4; ++k) {
        const qint64 sent = socket.writeDatagram(datagrams[k], host, ports[k]);
        std::printf("velkor-demo-partner: %s contact to %s:%u: %s\n", names[k], qPrintable(host.toString()),
                    unsigned(ports[k]),
                    sent == datagrams[k].size() ? "sent" : qPrintable(socket.errorString()));
    }
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(stayMs));
    return 0;
}
