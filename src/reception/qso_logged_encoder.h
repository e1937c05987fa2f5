#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Writes messages of the WSJT-X UDP message protocol, schema 2, the way a Qt sender writes them
// (QDataStream at version Qt_5_2, strings as UTF-8 byte arrays). Used by the command-line sender,
// the demonstration partner, the tests and the benchmark.
namespace QsoLogged {

// The fields of a QSO Logged message (type 5), in the order they go on the wire.
struct Outgoing
{
    QString id = QStringLiteral("FreeDV"); // the sending program
    QDateTime timeOff;                     // invalid: now
    QString dxCall;
    QString dxGrid;
    quint64 txFrequencyHz = 0;
    QString mode;
    QString reportSent;
    QString reportReceived;
    QString txPower;
    QString comments;
    QString name;
    QDateTime timeOn; // invalid: the same as timeOff
    QString operatorCall;
    QString myCall;
    QString myGrid;
    QString exchangeSent;
    QString exchangeReceived;
    QString propagationMode;
};

QByteArray EncodeQsoLogged(const Outgoing& qso);

// Logged ADIF (type 12): the ADIF text a sender's log holds for one contact, header included.
QByteArray EncodeLoggedAdif(const QString& id, const QString& adifText);
// The same with the ADIF bytes as the sender's log holds them (WSJT-X's are Latin-1).
QByteArray EncodeLoggedAdif(const QString& id, const QByteArray& adifBytes);

// Heartbeat (type 0), sent every 15 seconds by a partner's UDP server.
QByteArray EncodeHeartbeat(const QString& id);

// Sets one field of a QSO Logged message from its command-line name (call, gridsquare, freq in Hz,
// mode, rst_sent, rst_rcvd, tx_pwr, comment, name, time_on, time_off as ISO date and time in UTC,
// operator, station_callsign, my_gridsquare, exch_sent, exch_rcvd, prop_mode, id). False with the
// reason in *error for an unknown name or a value that does not fit.
bool SetOutgoingField(Outgoing& qso, const QString& name, const QString& value, QString* error);

// The names SetOutgoingField knows, for usage texts.
QString OutgoingFieldNames();

} // namespace QsoLogged
