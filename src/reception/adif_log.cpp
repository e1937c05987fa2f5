#include "reception/adif_log.h"

#include "common/program_folder.h"
#include "platform/code_page.h"
#include "platform/durable_file.h"

#include <QDir>

QString AdifLogPath()
{
    return ProgramFolder::filePath(QStringLiteral("Log/Velkor.adi"));
}

bool AppendAdifLog(const QString& adifLogPath, const QString& contactText)
{
    if (adifLogPath.isEmpty())
        return false;
    static const QString kLineEnd = QStringLiteral("\r\n");
    const QByteArray header = CodePage::fromUnicode(QStringLiteral("Velkor ADIF Export<eoh>") + kLineEnd);
    const QByteArray line = CodePage::fromUnicode(contactText + kLineEnd);
    return DurableFile::append(QDir::toNativeSeparators(adifLogPath).toUtf8().toStdString(),
                               header.toStdString(), line.toStdString());
}
