#include "delivery/adif_log.h"

#include "common/program_folder.h"
#include "platform/code_page.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QtTest>

#include <chrono>
#include <future>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QByteArray kHeader = "Velkor ADIF Export<eoh>\r\n";
const QString kContact1 = QStringLiteral("<call:5>QQ1AA <mode:6>FREEDV <eor>");
const QString kContact2 = QStringLiteral("<call:5>QQ3CC <mode:3>FT8 <eor>");
} // namespace

class TestAdifLog : public QObject
{
    Q_OBJECT

private slots:
    void pathIsLogFolderOfProgram();
    void createsFileWithHeader();
    void appendsOneLinePerContact();
    void recreatesDeletedFile();
    void emptyFileGetsHeader();
    void writesCodePageAndKeepsLineEnds();
    void missingFolderFailsSilently();
    void specialFileFailsAtOnce();
    void failedWriteLeavesNoHalfLine();
    void missingContactsWrittenOnce();
};

// Catches a log path outside the program's Log folder or with the wrong separators.
void TestAdifLog::pathIsLogFolderOfProgram()
{
    TempProgramFolder folder;
    QCOMPARE(AdifLogPath(), QDir::toNativeSeparators(folder.filePath(QStringLiteral("Log/Velkor.adi"))));
}

// Catches a missing or repeated header, or a line end other than CR LF.
void TestAdifLog::createsFileWithHeader()
{
    TempProgramFolder folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact1));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")), kHeader + kContact1.toLatin1() + "\r\n");
}

// Catches a header written again into an existing log, or a contact that overwrites the last one.
void TestAdifLog::appendsOneLinePerContact()
{
    TempProgramFolder folder;
    const QByteArray before = kHeader + "<call:5>QQ9ZZ <eor>\r\n";
    QVERIFY(folder.write(QStringLiteral("Log/Velkor.adi"), before));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact1));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact2));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")),
             before + kContact1.toLatin1() + "\r\n" + kContact2.toLatin1() + "\r\n");
}

// Catches a log kept open across contacts: a file deleted meanwhile must come back with its header.
void TestAdifLog::recreatesDeletedFile()
{
    TempProgramFolder folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact1));
    QVERIFY(QFile::remove(AdifLogPath()));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact2));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")), kHeader + kContact2.toLatin1() + "\r\n");
}

// Catches a log left without its header when the file exists but holds nothing.
void TestAdifLog::emptyFileGetsHeader()
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("Log/Velkor.adi"), QByteArray()));
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact1));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")), kHeader + kContact1.toLatin1() + "\r\n");
}

// Catches text written as UTF-8 instead of the code page, and a contact's own line end dropped.
void TestAdifLog::writesCodePageAndKeepsLineEnds()
{
    TempProgramFolder folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    const QString japanese = QStringLiteral("<call:5>QQ1AA <comment:5>こんにちは <eor>");
    const QString withLineEnd = QStringLiteral("<call:5>QQ3CC <eor>\r\n");
    QVERIFY(AppendAdifLog(AdifLogPath(), japanese));
    QVERIFY(AppendAdifLog(AdifLogPath(), withLineEnd));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")),
             kHeader + CodePage::fromUnicode(japanese) + "\r\n" + withLineEnd.toLatin1() + "\r\n");
}

// Catches a missing folder that is created behind the user's back, or a failure that throws.
void TestAdifLog::missingFolderFailsSilently()
{
    TempProgramFolder folder;
    QVERIFY(!AppendAdifLog(AdifLogPath(), kContact1));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("Log"))));
    QVERIFY(!AppendAdifLog(QString(), kContact1));
    // A folder where the file should be.
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log/Velkor.adi")));
    QVERIFY(!AppendAdifLog(AdifLogPath(), kContact1));
}

// Catches the log waiting forever on a FIFO named like it (no reader ever comes) or writing into
// one or into a device, where the contact would be gone.
void TestAdifLog::specialFileFailsAtOnce()
{
#ifdef Q_OS_UNIX
    TempProgramFolder folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    const QByteArray path = QFile::encodeName(AdifLogPath());
    QCOMPARE(mkfifo(path.constData(), 0600), 0);
    for (const bool withReader : {false, true}) {
        const int reader = withReader ? ::open(path.constData(), O_RDONLY | O_NONBLOCK) : -1;
        auto append = std::async(std::launch::async, [] { return AppendAdifLog(AdifLogPath(), kContact1); });
        if (append.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Let the stuck writer go before failing, so the test ends.
            const int release = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
            append.wait();
            ::close(release);
            QFAIL("the append blocked on a FIFO");
        }
        QVERIFY(!append.get());
        if (reader >= 0) {
            char byte;
            QVERIFY(::read(reader, &byte, 1) <= 0); // nothing went into the pipe
            ::close(reader);
        }
    }
    QVERIFY(QFile::remove(AdifLogPath()));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), AdifLogPath()));
    QVERIFY(!AppendAdifLog(AdifLogPath(), kContact1));
#else
    QSKIP("needs FIFOs");
#endif
}

// Catches a half-written line left behind by a failed write (here the file size limit of the
// process, as a full disk would do), which would run into the next contact's line.
void TestAdifLog::failedWriteLeavesNoHalfLine()
{
#ifdef Q_OS_UNIX
    TempProgramFolder folder;
    const QByteArray before = kHeader + kContact1.toLatin1() + "\r\n";
    QVERIFY(folder.write(QStringLiteral("Log/Velkor.adi"), before));

    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = rlim_t(before.size() + 10);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = AppendAdifLog(AdifLogPath(), kContact2);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")), before);
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact2));
    QCOMPARE(folder.read(QStringLiteral("Log/Velkor.adi")), before + kContact2.toLatin1() + "\r\n");

    // A log that this call created is removed again when even its first line fails.
    QVERIFY(QFile::remove(AdifLogPath()));
    tight.rlim_cur = 5;
    std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool created = AppendAdifLog(AdifLogPath(), kContact2);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!created);
    QVERIFY(!QFileInfo::exists(AdifLogPath()));
#else
    QSKIP("needs a file size limit");
#endif
}

// Catches a contact missing from the log never written (found only in its tail), one already there
// written again (a text spanning lines, at every start), or a log that cannot be read taken for
// an empty one.
void TestAdifLog::missingContactsWrittenOnce()
{
    TempProgramFolder folder;
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    const QString spanning = QStringLiteral("<call:5>QQ4DD <eor>\r\n");
    QVERIFY(AppendAdifLog(AdifLogPath(), kContact1));
    QVERIFY(AppendAdifLog(AdifLogPath(), spanning));
    QVERIFY(AppendAdifLog(AdifLogPath(), QString(5 * 1024 * 1024, QLatin1Char('x')))); // far behind now
    QCOMPARE(AppendMissingToAdifLog(AdifLogPath(), {kContact1, spanning, kContact2, kContact2}), 1);
    QCOMPARE(AppendMissingToAdifLog(AdifLogPath(), {kContact1, spanning, kContact2}), 0);
    QVERIFY(folder.read(QStringLiteral("Log/Velkor.adi")).endsWith(kContact2.toLatin1() + "\r\n"));
    QVERIFY(QFile::remove(AdifLogPath()) && QDir().mkdir(AdifLogPath()));
    QCOMPARE(AppendMissingToAdifLog(AdifLogPath(), {kContact1}), -1);
}

QTEST_GUILESS_MAIN(TestAdifLog)
#include "tst_adif_log.moc"
