#include "hamlog/hamlog_data.h"

unsigned char HamlogBuffer[kHamlogBufferSize] = {};

QStringList AdifTransferList{QString()};
int AdifTransferCount = 0;
int AdifTransferLeftOut = 0;

void ClearAdifTransferList()
{
    AdifTransferList = QStringList{QString()};
    AdifTransferCount = 0;
    AdifTransferLeftOut = 0;
}

void AddAdifTransferRecord(const QString& line)
{
    // Keep the list and the count in step even if someone set the count by hand.
    while (AdifTransferList.size() <= AdifTransferCount)
        AdifTransferList.append(QString());
    ++AdifTransferCount;
    if (AdifTransferList.size() > AdifTransferCount)
        AdifTransferList[AdifTransferCount] = line;
    else
        AdifTransferList.append(line);
}

void FillAdifTransferList(const QStringList& records, int first, int last, const QVector<bool>& leaveOut)
{
    ClearAdifTransferList();
    const int from = qMax(first, 1);
    const int to = qMin(last, int(records.size()));
    for (int number = from; number <= to; ++number) {
        if (!leaveOut.value(number - 1, false))
            AddAdifTransferRecord(records.at(number - 1));
        else
            ++AdifTransferLeftOut;
    }
}
