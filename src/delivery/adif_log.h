#pragma once

#include <QString>
#include <QStringList>

// The ADIF log: every contact the intake takes in, one line each, after the header line
// "Velkor ADIF Export<eoh>" that is written when the file is created. The file is in the
// program's 8-bit code page with CR LF line ends, opened and closed for every contact.

// Path of the ADIF log: "Log/Velkor.adi" in the program's folder, with native separators.
QString AdifLogPath();

// Appends the contact text as one line. When this returns true the line is on the disk, so a power
// cut right after a contact cannot lose it. A write that fails is cut back to the file's previous
// length, so a half line never runs into the next contact's line; false then; the caller
// reports it and goes on with the contact (the HAMLOG append) either way. The folder is not
// created here.
bool AppendAdifLog(const QString& adifLogPath, const QString& contactText);

// Path of the file that keeps the contacts the user removed from the outbox: "Log/Removed.adi" in
// the program's folder, an ADIF file like the log.
QString RemovedLogPath();

// Appends those of the contact texts that are not among the lines of the log, in order: the
// contacts a crash caught before they were written, or that came while the log could not be
// written. Returns how many were appended, or -1 when the log could not be read or written
// (nothing was appended then).
int AppendMissingToAdifLog(const QString& adifLogPath, const QStringList& contactTexts);

// What the user is told when contacts could not be written to the ADIF log.
QString AdifLogFailureText(const QString& adifLogPath);
