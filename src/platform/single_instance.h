#pragma once

#include <QString>
#include <memory>

// The one-copy-running test. The first copy holds a lock for as long as it runs; a second copy
// fails to take it and ends. A lock left behind by a copy that was killed or crashed never stops
// a later start: on Windows the lock is a named mutex, which Windows frees when its owner dies;
// elsewhere it is a lock file that records the holder's process id and is taken over once that
// process is gone (or the id has come round to the copy that is starting).
class SingleInstanceLock
{
public:
    // The lock shared by every copy the current user starts (a file path; on Windows the mutex
    // is named after it).
    static QString defaultLockPath();

    explicit SingleInstanceLock(const QString& lockPath = defaultLockPath());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // False when another copy runs. True when this object now holds the lock (or already did),
    // and also when no lock can be made at all: the start then goes on without one (isHeld()
    // stays false).
    bool tryAcquire();
    bool isHeld() const { return m_held; }

    class Lock;

private:
    std::unique_ptr<Lock> m_lock;
    bool m_held = false;
};
