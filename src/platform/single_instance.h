#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// The one-copy-running test. The first copy holds a lock file for as long as it runs; a second
// copy fails to take it and ends. The lock records the holder's process id, so a lock left behind
// by a copy that crashed is recognised as stale and taken over instead of blocking every later
// start.
class SingleInstanceLock
{
public:
    // The lock file shared by every copy the current user starts.
    static QString defaultLockPath();

    explicit SingleInstanceLock(const QString& lockPath = defaultLockPath());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // False when another copy runs. True when this object now holds the lock (or already did),
    // and also when no lock file can be made at all: the start then goes on without one
    // (isHeld() stays false).
    bool tryAcquire();
    bool isHeld() const { return m_held; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
