#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QSysInfo>

class SingleInstanceLock::Lock : public QLockFile
{
public:
    using QLockFile::QLockFile;
};

SingleInstanceLock::SingleInstanceLock(const QString& lockPath)
    : m_lock(std::make_unique<Lock>(lockPath))
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
    if (!m_held && m_lock->error() == QLockFile::LockFailedError) {
        // After a kill the id in the lock may have come round to this very process, which then
        // looks alive and named like the holder; it is not, since this copy holds nothing yet.
        qint64 pid = 0;
        QString host;
        QString app;
        if (m_lock->getLockInfo(&pid, &host, &app) && pid == QCoreApplication::applicationPid() &&
            host == QSysInfo::machineHostName() && m_lock->removeStaleLockFile())
            m_held = m_lock->tryLock(0);
    }
    // Only a lock that another copy holds ends the start. A lock file that cannot be made at all
    // (temporary folder missing or read-only) says nothing about other copies, and refusing then
    // would keep the program from ever starting, without a word.
    return m_held || m_lock->error() != QLockFile::LockFailedError;
}
