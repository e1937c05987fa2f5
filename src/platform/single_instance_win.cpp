#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <windows.h>

// A named mutex in the session's namespace: Windows frees it when the process that owns it ends,
// however it ends, so a killed copy never blocks the next start (a lock file would keep a process
// id that Windows may hand to the next copy).
class SingleInstanceLock::Lock
{
public:
    explicit Lock(const QString& lockPath)
    {
        const QByteArray key = QCryptographicHash::hash(lockPath.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
        m_name = QStringLiteral("Local\\VELKOR-%1").arg(QString::fromLatin1(key));
    }
    ~Lock()
    {
        if (m_mutex)
            CloseHandle(m_mutex);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // 1 taken, 0 another copy holds it, -1 no mutex could be made.
    int take()
    {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<LPCWSTR>(m_name.utf16()));
        if (!mutex)
            return -1;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mutex);
            return 0;
        }
        m_mutex = mutex;
        return 1;
    }

private:
    QString m_name;
    HANDLE m_mutex = nullptr;
};

SingleInstanceLock::SingleInstanceLock(const QString& lockPath)
    : m_lock(std::make_unique<Lock>(lockPath))
{
}

SingleInstanceLock::~SingleInstanceLock() = default;

bool SingleInstanceLock::tryAcquire()
{
    if (m_held)
        return true;
    const int taken = m_lock->take();
    m_held = taken == 1;
    // As with a lock file that cannot be made, a mutex that cannot be made says nothing about
    // other copies and must not keep the program from starting.
    return taken != 0;
}
