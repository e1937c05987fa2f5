#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

// The QSO Logged message (type 5) of the WSJT-X UDP message protocol, schema 2, as FreeDV sends
// it, and the contact text the rest of the program works with:
//
//   <call:5>QQ1AA <gridsquare:4>PM95 <mode:6>FREEDV <rst_sent:2>59 <rst_rcvd:2>57
//   <qso_date:8>20240105 <time_on:6>123456 <qso_date_off:8>20240105 <time_off:6>124010
//   <band:3>40m <freq:5>7.177 <station_callsign:5>QQ2BB <my_gridsquare:4>PM95 <eor>
//
// (one line, no line end). Field lengths count the characters of the value as QString counts them.

namespace QsoLogged {

// Magic number 0xADBCCBDA, schema 2, message type 5, each a big-endian 32-bit number.
inline const char kMarker[] = "ADBCCBDA0000000200000005";
inline constexpr int kMarkerBytes = 12;
inline constexpr quint32 kMagic = 0xADBCCBDA;

// Received bytes as the hex text: two upper-case digits per byte, nothing between them.
QString HexText(const QByteArray& bytes);

// Character position of the first marker in a hex text that starts on a byte boundary (an even
// position), or -1. A marker that straddles two bytes is no marker: decoding from there would read
// every field half a byte off.
qsizetype FindMarker(const QString& hexText);

// Everything the decoder takes out of one message. Empty texts stand for fields the message did
// not hold (cut short, or a null time of day).
struct Contact
{
    QString call;            // DX call, blanks removed, upper case
    QString gridsquare;      // DX grid, blanks removed, case as sent
    QString mode;            // FreeDV's: the Id field (the sending program), blanks removed, upper
                             // case; another sender's: its Mode (loggedMode) where it sent one
    QString rstSent;         // blanks removed
    QString rstRcvd;         // blanks removed
    QString qsoDate;         // Date & Time On, yyyymmdd
    QString timeOn;          // hhnnss
    QString qsoDateOff;      // Date & Time Off, yyyymmdd
    QString timeOff;         // hhnnss
    QString band;            // from the band table, or empty
    QString freq;            // MHz with three decimals
    QString stationCallsign; // My call, blanks kept, upper case
    QString myGridsquare;    // My grid, blanks removed, case as sent
    QString comment;         // Comments, trimmed, inner blanks kept
    // Not in the contact text (FreeDV's is made without them), but what a partner that sends its
    // contact twice, as this message and as ADIF, may have lost in the ADIF.
    QString name;            // Name, trimmed, inner blanks kept
    QString loggedMode;      // the message's own Mode ("FT8"), blanks removed, upper case

    // Protocol name of the first field the message ended in or before, empty when complete.
    QString cutShortAt;
};

// Decodes a message that begins with the marker (the 12 bytes are not checked again).
Contact DecodeMessage(const QByteArray& message);

// The contact text of a decoded message.
QString ContactText(const Contact& contact);

// "7.177": Hz as MHz, rounded to the nearest kHz, exactly three decimals.
QString FrequencyText(quint64 hz);

// Band name from the band table ("40m"), or empty when the frequency lies in no band.
QString BandName(quint64 hz);

// "123456": time of day in milliseconds since midnight, cut (not rounded) to whole seconds. Empty
// for a null time (0xFFFFFFFF) or one of a day or more: no time is better than a made-up one.
QString TimeOfDayText(quint32 milliseconds);

} // namespace QsoLogged

// Why JulianToDate gave no date.
enum class JulianDateError {
    None,
    Overflow, // an intermediate value left the 32-bit range, or a part the 16-bit one
    NoDate,   // the year, month and day make no date of years 100 to 9999
};

// Julian day number to a date of the proleptic Gregorian calendar (2451545 is 1 January 2000).
// Day numbers 1757585 (1 January 100) to 5373484 (31 December 9999) give dates; every other gives
// none, with the reason in *error when it is given.
std::optional<QDate> JulianToDate(qint32 dayNumber, JulianDateError* error = nullptr);

// Replaces the hex text of one read (which holds the marker) with the contact text of the QSO
// Logged message that begins at the first marker. Never fails: fields the message does not hold
// stay empty. Without a marker the text becomes a contact text with every field empty.
void DecodeQsoLogged(QString& text);
