#include "platform/single_instance.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class TstSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondHolderIsRefused();
    void releasedOnExit();
    void staleLockOfAVanishedCopyIsTakenOver();
    void defaultPathIsPerUser();
    void lockThatCannotBeMadeDoesNotStopTheStart();
};

// Catches two copies running at once.
void TstSingleInstance::secondHolderIsRefused()
{
    QTemporaryDir dir;
    SingleInstanceLock first(dir.filePath(QStringLiteral("velkor.lock")));
    SingleInstanceLock second(dir.filePath(QStringLiteral("velkor.lock")));
    QVERIFY(first.tryAcquire());
    QVERIFY(first.tryAcquire()); // asking again keeps it
    QVERIFY(!second.tryAcquire());
    QVERIFY(!second.isHeld());
}

// Catches a lock that outlives the copy that ended normally.
void TstSingleInstance::releasedOnExit()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("velkor.lock"));
    {
        SingleInstanceLock first(path);
        QVERIFY(first.tryAcquire());
    }
    SingleInstanceLock next(path);
    QVERIFY(next.tryAcquire());
}

// Catches a crashed copy's lock that would keep the program from ever starting again.
void TstSingleInstance::staleLockOfAVanishedCopyIsTakenOver()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("velkor.lock"));
    // A process that has ended stands in for a copy that crashed while holding the lock.
    QProcess gone;
    gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + "\nvelkor\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();

    SingleInstanceLock next(path);
    QVERIFY(next.tryAcquire());
}

// Catches users of one machine shutting each other out.
void TstSingleInstance::defaultPathIsPerUser()
{
    const QString path = SingleInstanceLock::defaultLockPath();
    QVERIFY(path.endsWith(QStringLiteral(".lock")));
    QVERIFY(path.contains(QStringLiteral("VELKOR")));
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    if (!user.isEmpty())
        QVERIFY(path.contains(user));
}

// Catches a program that silently never starts because its lock file cannot be created (temporary
// folder missing or read-only): only a lock held by another copy may end the start.
void TstSingleInstance::lockThatCannotBeMadeDoesNotStopTheStart()
{
    QTemporaryDir dir;
    SingleInstanceLock lock(dir.filePath(QStringLiteral("no-such-folder/velkor.lock")));
    QVERIFY(lock.tryAcquire());
    QVERIFY(!lock.isHeld());
}

QTEST_GUILESS_MAIN(TstSingleInstance)
#include "tst_single_instance.moc"
