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
