#include "platform/single_instance.h"

#include <QDir>
#include <QRegularExpression>

QString SingleInstanceLock::defaultLockPath()
{
    // The temporary folder is per user on Windows but shared on other systems, so the user's
    // name goes into the file name: one copy per user, as on a shared Windows machine.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    QString name = QStringLiteral("VELKOR");
    if (!user.isEmpty())
        name += QLatin1Char('-') + user;
    return QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock"));
}
