#include "platform/single_instance.h"

#include <QCoreApplication>
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
    void staleLockIsTakenOver_data();
    void staleLockIsTakenOver();
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

// Catches a killed copy's lock that would keep the program from ever starting again: its holder
// is gone, or its process id has since been given to the copy that is starting.
void TstSingleInstance::staleLockIsTakenOver_data()
{
    QTest::addColumn<bool>("ownId");
    QTest::newRow("holder gone") << false;
    QTest::newRow("id given to this copy") << true;
}

void TstSingleInstance::staleLockIsTakenOver()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows the lock is a mutex that Windows frees with its owner; no file is left");
#else
    QFETCH(bool, ownId);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("velkor.lock"));
    qint64 pid = QCoreApplication::applicationPid();
    if (!ownId) {
        // A process that has ended stands in for a copy that crashed while holding the lock.
        QProcess gone;
        gone.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
        QVERIFY(gone.waitForStarted());
        pid = gone.processId();
        QVERIFY(gone.waitForFinished());
    }
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + "\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
               QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();

    SingleInstanceLock next(path);
    QVERIFY(next.tryAcquire());
    QVERIFY(next.isHeld());
#endif
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
#ifdef Q_OS_WIN
    QSKIP("the Windows lock is a named mutex, which needs no folder");
#endif
    QTemporaryDir dir;
    SingleInstanceLock lock(dir.filePath(QStringLiteral("no-such-folder/velkor.lock")));
    QVERIFY(lock.tryAcquire());
    QVERIFY(!lock.isHeld());
}

QTEST_GUILESS_MAIN(TstSingleInstance)
#include "tst_single_instance.moc"
