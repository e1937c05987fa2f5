#include "reception/qso_logged_encoder.h"

#include <QDataStream>
#include <QIODevice>
#include <QStringList>
#include <QTimeZone>

namespace QsoLogged {
namespace {

constexpr quint32 kMagicNumber = 0xADBCCBDA;
constexpr quint32 kSchema = 2;

class Writer
{
public:
    explicit Writer(quint32 type) : m_stream(&m_bytes, QIODevice::WriteOnly)
    {
        m_stream.setVersion(QDataStream::Qt_5_2);
        m_stream << kMagicNumber << kSchema << type;
    }
    Writer& text(const QString& value)
    {
        m_stream << value.toUtf8();
        return *this;
    }
    Writer& raw(const QByteArray& value)
    {
        m_stream << value;
        return *this;
    }
    Writer& dateTime(const QDateTime& value)
    {
        m_stream << value;
        return *this;
    }
    template <typename T> Writer& number(T value)
    {
        m_stream << value;
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    QDataStream m_stream;
};

QDateTime utcNow()
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    return now.addMSecs(-(now.time().msec())); // whole seconds, as a logged contact carries
}

struct FieldSlot
{
    const char* name;
    QString Outgoing::*text;
};

const FieldSlot kTextFields[] = {
    {"id", &Outgoing::id},
    {"call", &Outgoing::dxCall},
    {"gridsquare", &Outgoing::dxGrid},
    {"mode", &Outgoing::mode},
    {"rst_sent", &Outgoing::reportSent},
    {"rst_rcvd", &Outgoing::reportReceived},
    {"tx_pwr", &Outgoing::txPower},
    {"comment", &Outgoing::comments},
    {"name", &Outgoing::name},
    {"operator", &Outgoing::operatorCall},
    {"station_callsign", &Outgoing::myCall},
    {"my_gridsquare", &Outgoing::myGrid},
    {"exch_sent", &Outgoing::exchangeSent},
    {"exch_rcvd", &Outgoing::exchangeReceived},
    {"prop_mode", &Outgoing::propagationMode},
};

} // namespace

QByteArray EncodeQsoLogged(const Outgoing& qso)
{
    const QDateTime off = qso.timeOff.isValid() ? qso.timeOff : utcNow();
    const QDateTime on = qso.timeOn.isValid() ? qso.timeOn : off;
    return Writer(5)
        .text(qso.id)
        .dateTime(off)
        .text(qso.dxCall)
        .text(qso.dxGrid)
        .number(quint64(qso.txFrequencyHz))
        .text(qso.mode)
        .text(qso.reportSent)
        .text(qso.reportReceived)
        .text(qso.txPower)
        .text(qso.comments)
        .text(qso.name)
        .dateTime(on)
        .text(qso.operatorCall)
        .text(qso.myCall)
        .text(qso.myGrid)
        .text(qso.exchangeSent)
        .text(qso.exchangeReceived)
        .text(qso.propagationMode)
        .bytes();
}

QByteArray EncodeLoggedAdif(const QString& id, const QString& adifText)
{
    return EncodeLoggedAdif(id, adifText.toUtf8());
}

QByteArray EncodeLoggedAdif(const QString& id, const QByteArray& adifBytes)
{
    return Writer(12).text(id).raw(adifBytes).bytes();
}

QByteArray EncodeHeartbeat(const QString& id)
{
    return Writer(0)
        .text(id)
        .number(quint32(3))
        .text(QStringLiteral("2.7.0"))
        .text(QStringLiteral(""))
        .bytes();
}

bool SetOutgoingField(Outgoing& qso, const QString& name, const QString& value, QString* error)
{
    for (const FieldSlot& slot : kTextFields) {
        if (name == QLatin1String(slot.name)) {
            qso.*slot.text = value;
            return true;
        }
    }
    if (name == QLatin1String("freq")) {
        bool ok = false;
        const quint64 hz = value.toULongLong(&ok);
        if (!ok) {
            *error = QStringLiteral("freq must be a whole number of Hz: %1").arg(value);
            return false;
        }
        qso.txFrequencyHz = hz;
        return true;
    }
    if (name == QLatin1String("time_on") || name == QLatin1String("time_off")) {
        QDateTime t = QDateTime::fromString(value, Qt::ISODate);
        if (!t.isValid()) {
            *error = QStringLiteral("%1 must be an ISO date and time such as 2024-01-05T12:34:56: %2")
                         .arg(name, value);
            return false;
        }
        if (t.timeSpec() == Qt::LocalTime)
            t.setTimeZone(QTimeZone::utc()); // a time without zone is taken as UTC
        else
            t = t.toUTC();
        (name == QLatin1String("time_on") ? qso.timeOn : qso.timeOff) = t;
        return true;
    }
    *error = QStringLiteral("unknown field \"%1\"; known: %2").arg(name, OutgoingFieldNames());
    return false;
}

QString OutgoingFieldNames()
{
    QStringList names;
    for (const FieldSlot& slot : kTextFields)
        names << QLatin1String(slot.name);
    names << QStringLiteral("freq") << QStringLiteral("time_on") << QStringLiteral("time_off");
    return names.join(QLatin1String(", "));
}

} // namespace QsoLogged
