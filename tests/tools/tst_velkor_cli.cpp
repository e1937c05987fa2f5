// Runs velkor-cli as users do on inputs that are wrong in the ways real ones are: too large,
// endless, unreadable, of the wrong kind, left by a crash.

#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_data.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// Runs velkor-cli; asOther runs it as an unprivileged user when the test runs as the superuser,
// so that file permissions count.
Run cli(const QStringList& args, [[maybe_unused]] bool asOther = false)
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/velkor-cli");
    QStringList arguments = args;
#ifdef Q_OS_UNIX
    if (asOther && geteuid() == 0) {
        arguments = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
                    args;
        program = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    }
#endif
    Run run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// False when permissions cannot be tried here (the superuser without a way to drop privileges).
[[maybe_unused]] bool permissionsCount()
{
#ifdef Q_OS_UNIX
    return geteuid() != 0 || !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
#else
    return false;
#endif
}

bool appendOne(BuiltinStore& store, const QString& call, const QString& filler = QString())
{
    store.SetThBuffer(HamlogBuffer, QString(), 0);
    store.SetThBuffer(HamlogBuffer, call, 1);
    store.SetThBuffer(HamlogBuffer, filler, 11);
    qint32 variable = 0;
    return store.THW_append(HamlogBuffer, 16, variable);
}

} // namespace

class TestVelkorCli : public QObject
{
    Q_OBJECT

private slots:
    void oversizedInputRefused_data();
    void oversizedInputRefused();
    void clearMessages();
    void storeLeftByCrash();
};

void TestVelkorCli::oversizedInputRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<qint64>("size"); // of a sparse file named by "%1"; 0: the arguments as they are
    QTest::newRow("decode endless device") << QStringList{"decode", "/dev/zero"} << qint64(0);
    QTest::newRow("decode large file") << QStringList{"decode", "%1"} << qint64(17) * 1024 * 1024;
    QTest::newRow("decode large hex") << QStringList{"decode", "--hex", "%1"} << qint64(33) * 1024 * 1024;
    QTest::newRow("convert large file") << QStringList{"convert", "%1"} << qint64(65) * 1024 * 1024;
}

// Catches an input read without bound (an abort on /dev/zero, gigabytes of memory for a wrong file).
void TestVelkorCli::oversizedInputRefused()
{
    QFETCH(QStringList, args);
    QFETCH(qint64, size);
    TempProgramFolder folder;
    if (size > 0) {
        QFile file(folder.filePath(QStringLiteral("big")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        args.replaceInStrings(QStringLiteral("%1"), file.fileName());
    }
    const Run r = cli(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QStringLiteral(" MiB, the most velkor-cli")), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

// Catches messages that name the wrong cause: permissions, folders and FIFOs, settings that are
// silently replaced by defaults, bad hex bytes printed raw, and a convert that finds nothing yet
// reports success.
void TestVelkorCli::clearMessages()
{
    TempProgramFolder folder;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        folder.write(QString::fromLatin1(name), bytes);
        return folder.filePath(QString::fromLatin1(name));
    };

    Run r = cli({"decode", "--hex", file("control.hex", "ADBC\x01")});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QStringLiteral("byte 0x01 at position 5")), qPrintable(r.err));
    r = cli({"decode", "--hex", file("utf8.hex", "AD\xC3\xA9")});
    QVERIFY2(r.err.contains(QStringLiteral("byte 0xC3 at position 3")), qPrintable(r.err));

    const QString store = folder.filePath(QStringLiteral("log.db"));
    {
        BuiltinStore writer;
        qint32 result = -1;
        writer.HamlogOpen(0, HamlogBuffer, store, 1, result);
        QCOMPARE(result, 0);
        QVERIFY(appendOne(writer, QStringLiteral("JA1ABC")));
        QVERIFY(writer.HamlogClose(HamlogBuffer, 1));
    }
    r = cli({"logbook", "count", "--db", folder.path()});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("フォルダー")), qPrintable(r.err));
#ifdef Q_OS_UNIX
    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    r = cli({"logbook", "count", "--db", fifo});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("FIFO")), qPrintable(r.err));
    if (permissionsCount()) {
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ExeOther | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner));
        r = cli({"logbook", "count", "--db", store}, true);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("権限")), qPrintable(r.err));
    }
#endif

    // A settings file asked for by name is used or refused, never replaced by defaults.
    const QString contact = file("contact.txt", "<call:6>JA1ABC <freq:5>7.074 <eor>\n");
    QCOMPARE(cli({"convert", "--dir", folder.path(), "--settings", file("ok.ini", "ThDbFile=x\r\n"), contact})
                 .status,
             0);
    QStringList unreadable{folder.filePath(QStringLiteral("missing.ini")), folder.path()};
#ifdef Q_OS_LINUX
    // Exists but fails every read, even for the superuser.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), folder.filePath(QStringLiteral("mem.ini"))));
    unreadable << folder.filePath(QStringLiteral("mem.ini"));
#endif
    for (const QString& settings : unreadable) {
        r = cli({"convert", "--dir", folder.path(), "--settings", settings, contact});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QStringLiteral("cannot read the settings file")), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    r = cli({"convert", "--dir", folder.path(), file("plain.txt", "JA1ABC 7.074 FT8\nhello\n")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("no line holds an ADIF field")), qPrintable(r.err));
}

// Catches a store whose last append a crash cut short being unreadable for the logbook, or a
// reader who may not write getting no word on how to recover it.
void TestVelkorCli::storeLeftByCrash()
{
    TempProgramFolder folder;
    const QString path = folder.filePath(QStringLiteral("live.db"));
    const QString crashed = folder.filePath(QStringLiteral("crashed.db"));
    BuiltinStore store;
    qint32 result = -1;
    store.HamlogOpen(0, HamlogBuffer, path, 1, result);
    QCOMPARE(result, 0);
    QVERIFY(appendOne(store, QStringLiteral("JA1ABC")));
    QVERIFY(store.HamlogClose(HamlogBuffer, 1));
    // Enough changes to spill to the file while the transaction is open: copies of the file and its
    // journal now are what a kill in the middle of an import leaves.
    store.HamlogOpen(0, HamlogBuffer, path, 1, result);
    for (int i = 0; i < 2000; ++i)
        QVERIFY(appendOne(store, QStringLiteral("BB1BB"), QString(2000, QLatin1Char('w'))));
    QVERIFY(QFile::copy(path, crashed));
    QVERIFY(QFile::copy(path + QStringLiteral("-journal"), crashed + QStringLiteral("-journal")));
    QVERIFY(store.HamlogClose(HamlogBuffer, 1));

#ifdef Q_OS_UNIX
    if (permissionsCount()) {
        // A reader who may not write there is told what to do.
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder.path(), readOnly));
        QVERIFY(QFile::setPermissions(crashed, QFile::ReadOwner | QFile::ReadOther));
        const Run r = cli({"logbook", "count", "--db", crashed}, true);
        QVERIFY(QFile::setPermissions(folder.path(), readOnly | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(crashed, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("回復")) &&
                     r.err.contains(QStringLiteral("velkor-cli logbook")),
                 qPrintable(r.err));
        QVERIFY(QFile::exists(crashed + QStringLiteral("-journal")));
    }
#endif
    // One who may write reads the store as it was before the interrupted append.
    const Run r = cli({"logbook", "count", "--db", crashed});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("1\n"));
    QVERIFY(!QFile::exists(crashed + QStringLiteral("-journal")));
}

QTEST_GUILESS_MAIN(TestVelkorCli)
#include "tst_velkor_cli.moc"
