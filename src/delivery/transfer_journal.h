#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class HamlogTransfer;

// What VELKOR has put into each HAMLOG database, one line per contact appended, so that an ADIF
// file imported a second time (or VELKOR's own log imported after its contacts went in over UDP)
// does not double every record. The journal lies in the program's Log folder and is shared by the
// window and velkor-cli.
//
// A contact is known by its identity (IdentityOf: call sign, date, time on to the minute as
// HAMLOG keeps it, band and mode), not by its text: the same contact exported by two programs is
// still the same contact. One without a call sign is never noted.
namespace TransferJournal {

// The journal file: the program's folder followed by "Log/Transferred.txt".
QString Path();

// For each record, whether a contact with its identity went into database before.
QVector<bool> TransferredAlready(const QString& database, const QStringList& records);

// Notes that the contacts were appended to database. False when the journal could not be
// written; the contacts are in the database all the same.
bool Add(const QString& database, const QStringList& contactTexts);

// Notes from now on every contact the transfer puts into a database.
void Keep(HamlogTransfer& transfer);

} // namespace TransferJournal
