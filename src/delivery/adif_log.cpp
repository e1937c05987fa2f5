#include "delivery/adif_log.h"

#include "common/program_folder.h"
#include "platform/code_page.h"
#include "platform/durable_file.h"

#include <QDir>
#include <QFile>
#include <QSet>

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

int AppendMissingToAdifLog(const QString& adifLogPath, const QStringList& contactTexts, qint64 maxTailBytes)
{
    if (contactTexts.isEmpty() || adifLogPath.isEmpty())
        return 0;
    QSet<QByteArray> lines;
    QFile file(adifLogPath);
    if (file.open(QIODevice::ReadOnly)) {
        const qint64 from = qMax<qint64>(0, file.size() - maxTailBytes);
        file.seek(from);
        const QList<QByteArray> tail = file.readAll().split('\n');
        for (const QByteArray& line : tail)
            lines.insert(line.endsWith('\r') ? line.left(line.size() - 1) : line);
    }
    // One write for all of them: after a crash in a burst there may be many.
    QString missing;
    int count = 0;
    for (const QString& text : contactTexts) {
        if (!lines.contains(CodePage::fromUnicode(text))) {
            missing += count == 0 ? text : QStringLiteral("\r\n") + text;
            ++count;
        }
    }
    return count > 0 && AppendAdifLog(adifLogPath, missing) ? count : 0;
}
