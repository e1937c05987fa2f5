#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What VELKOR has put into each HAMLOG database, one line per contact appended, so that an ADIF
// file imported a second time (or VELKOR's own log imported after its contacts went in over UDP)
// does not double every record. The journal lies in the program's Log folder and is shared by the
// window and velkor-cli.
//
// A contact is known by its call sign, date, time on (to the minute, as HAMLOG keeps it), band
// and mode (the submode where there is one), not by its text: the same contact exported by two
// programs is still the same contact.
namespace TransferJournal {

// The journal file: the program's folder followed by "Log/Transferred.txt".
QString Path();

// The contact's identity in the journal; empty when it has no call sign (never appended).
QString ContactKey(const QString& contactText);

// For each record, whether a contact with its identity went into database before.
QVector<bool> TransferredAlready(const QString& database, const QStringList& records);

// Notes that the contacts were appended to database. False when the journal could not be
// written; the contacts are in the database all the same.
bool Add(const QString& database, const QStringList& contactTexts);

} // namespace TransferJournal
