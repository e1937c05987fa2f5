#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

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

// For each record, whether a contact with its identity went into database before. A damaged line
// is skipped. When the journal exists but cannot be read (or is no regular file), nothing is
// known, and unreadable (when given) says so for the user; it is emptied otherwise.
QVector<bool> TransferredAlready(const QString& database, const QStringList& records,
                                 QString* unreadable = nullptr);

// Notes that the contacts were appended to database, in one synced write. False when the journal
// could not be written, with why in failure (when given); the contacts are in the database all
// the same.
bool Add(const QString& database, const QStringList& contactTexts, QString* failure = nullptr);

// Notes the contacts missing from the journal (those appended while it could not be written).
// Returns how many were noted, or -1 when it could not be read or written (why in failure).
int AddMissing(const QString& database, const QStringList& contactTexts, QString* failure = nullptr);

// Notes from now on every contact the transfer puts into a database. What cannot be noted is kept
// and noted with the next contacts; report hears of it once each time the journal stops taking
// notes.
void Keep(HamlogTransfer& transfer, const std::function<void(const QString&)>& report);

} // namespace TransferJournal
