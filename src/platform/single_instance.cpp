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

SingleInstanceLock::SingleInstanceLock(const QString& lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath))
{
    // A lock is stale only when its holder is gone, never because it is old: the first copy may
    // run for weeks.
    m_lock->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::tryAcquire()
{
    if (m_held)
        return true;
    m_held = m_lock->tryLock(0);
    // Only a lock that another copy holds ends the start. A lock file that cannot be made at all
    // (temporary folder missing or read-only) says nothing about other copies, and refusing then
    // would keep the program from ever starting, without a word.
    return m_held || m_lock->error() != QLockFile::LockFailedError;
}
