#include "common/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

namespace {
QString& overrideFolder()
{
    // cppcheck-suppress unassignedVariable ; set through the returned reference
    static QString folder;
    return folder;
}
} // namespace

namespace ProgramFolder {

QString path()
{
    QString folder = overrideFolder();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    folder = QDir::toNativeSeparators(QDir::cleanPath(folder));
    while (folder.size() > 1 && folder.endsWith(QDir::separator()) && !folder.endsWith(QLatin1String(":\\")))
        folder.chop(1);
    return folder;
}

QString filePath(const QString& relative)
{
    QString rel = QDir::toNativeSeparators(relative);
    while (rel.startsWith(QDir::separator()))
        rel.remove(0, 1);
    const QString folder = path();
    if (folder.endsWith(QDir::separator()))
        return folder + rel;
    return folder + QDir::separator() + rel;
}

bool isWritable()
{
    QTemporaryFile probe(filePath(QStringLiteral("velkor-write-test-XXXXXX.tmp")));
    return probe.open();
}

void setPath(const QString& folder)
{
    overrideFolder() = folder;
}

} // namespace ProgramFolder
