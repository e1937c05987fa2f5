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
// length, so a half line never runs into the next contact's line; false then, and nothing is
// shown: the caller goes on with the contact (the HAMLOG append) either way. The folder is not
// created here.
bool AppendAdifLog(const QString& adifLogPath, const QString& contactText);

// Appends those of the contact texts that are not among the lines at the end of the log (its
// last maxTailBytes), in order: after a crash, the contacts taken in but never written. Returns
// how many were appended.
int AppendMissingToAdifLog(const QString& adifLogPath, const QStringList& contactTexts,
                           qint64 maxTailBytes = qint64(4) * 1024 * 1024);
