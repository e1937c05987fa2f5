#pragma once

#include <QStringList>
#include <QVector>

// Program-wide data of the HAMLOG transfer. They live as long as the program.

// The block handed by address to every HAMLOG library call. What it holds is the library's
// business; the program never reads or writes its bytes.
constexpr int kHamlogBufferSize = 3928;
extern unsigned char HamlogBuffer[kHamlogBufferSize];

// The ADIF record lines chosen for a transfer, used from position 1 (position 0 holds nothing),
// and their count. The import window fills them, ThDbFileAppend reads positions 1 to
// AdifTransferCount. The count is a plain int: a transfer may hold more than 32,767 records.
extern QStringList AdifTransferList;
extern int AdifTransferCount;
// Records of the chosen range left out of the list because they are in the database already;
// the transfer counts them among the skipped ones.
extern int AdifTransferLeftOut;

// Empties the list for a new transfer: position 0 alone, count 0, nothing left out.
void ClearAdifTransferList();
// Adds one record line at the next position and counts it.
void AddAdifTransferRecord(const QString& line);

// Fills AdifTransferList with records first to last (numbered from 1), in order; numbers without
// a record are left out, and first greater than last gives an empty list. Records whose entry in
// leaveOut (indexed like records) is true are left out too.
void FillAdifTransferList(const QStringList& records, int first, int last, const QVector<bool>& leaveOut = {});
