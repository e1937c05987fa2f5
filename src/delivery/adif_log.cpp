#include "delivery/adif_log.h"

#include "common/program_folder.h"
#include "common/regular_file.h"
#include "platform/code_page.h"
#include "platform/durable_file.h"

#include <QDir>
#include <QFile>
#include <QSet>

QString AdifLogPath()
{
    return ProgramFolder::filePath(QStringLiteral("Log/Velkor.adi"));
}

QString RemovedLogPath()
{
    return ProgramFolder::filePath(QStringLiteral("Log/Removed.adi"));
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

int AppendMissingToAdifLog(const QString& adifLogPath, const QStringList& contactTexts)
{
    if (adifLogPath.isEmpty() || !RegularFile::problem(adifLogPath).isEmpty())
        return -1;
    if (contactTexts.isEmpty())
        return 0;
    // The whole log is read: a contact missed while the disk was full may lie anywhere before
    // the lines written since.
    QSet<QByteArray> lines;
    QByteArray whole;
    QFile file(adifLogPath);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return -1; // everything would look missing
        whole = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return -1;
        for (const QByteArray& line : whole.split('\n'))
            lines.insert(line.endsWith('\r') ? line.left(line.size() - 1) : line);
    }
    // One write for all of them: after a crash in a burst there may be many.
    QString missing;
    int count = 0;
    for (const QString& text : contactTexts) {
        const QByteArray line = CodePage::fromUnicode(text);
        // A text with a line end of its own spans lines: it is looked for in the whole log.
        const bool spans = line.contains('\n') || line.contains('\r');
        if (spans ? !whole.contains(line) : !lines.contains(line)) {
            if (spans)
                whole += line;
            lines.insert(line);
            missing += count == 0 ? text : QStringLiteral("\r\n") + text;
            ++count;
        }
    }
    if (count == 0)
        return 0;
    return AppendAdifLog(adifLogPath, missing) ? count : -1;
}

QString AdifLogFailureText(const QString& adifLogPath)
{
    const QString irregular = RegularFile::problem(adifLogPath);
    return QStringLiteral("ADIF ログ %1 に交信を書き込めませんでした。%2\n"
                          "交信は未転送ファイルに残っています。書き込めるようになったら ADIF ログに書き込みます。")
        .arg(QDir::toNativeSeparators(adifLogPath),
             irregular.isEmpty() ? QStringLiteral("読み取り専用か、ディスクがいっぱいか、フォルダーがありません。")
                                 : irregular + QStringLiteral("。"));
}
