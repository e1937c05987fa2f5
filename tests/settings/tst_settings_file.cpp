#include "platform/code_page.h"
#include "platform/file_attributes.h"
#include "settings/settings_file.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Stands in for the main window: keeps a position, can be stuck minimized, and records when the
// settings dialog is opened (with how many messages had been shown by then).
class FakeWindow : public SettingsWindow
{
public:
    void setTopTwips(float twips) override
    {
        top = twips;
        ++moves;
    }
    void setLeftTwips(float twips) override
    {
        left = twips;
        ++moves;
    }
    float topTwips() const override { return top; }
    float leftTwips() const override { return left; }
    void showNormal() override
    {
        if (!stuckMinimized)
            minimized = false;
    }
    bool isMinimized() const override { return minimized; }
    void showSettingsDialogModeless() override
    {
        dialogAfterMessages.append(prompts ? prompts->messages.size() : -1);
    }

    float top = 0;
    float left = 0;
    int moves = 0;
    bool minimized = false;
    bool stuckMinimized = false;
    const FakePrompts* prompts = nullptr;
    QList<int> dialogAfterMessages;
};

const QString kNoSettingsFile = QStringLiteral("設定ファイルがありません\r\n設定をして下さい");
const QString kNoDatabase = QStringLiteral("ターボハムログ データベースの場所を設定してください");

struct ReadResult
{
    Settings settings;
    FakePrompts prompts;
    FakeWindow window;
};

void readFrom(const QByteArray& content, ReadResult& r)
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), content));
    r.window.prompts = &r.prompts;
    ReadSettingsFile(r.settings, r.window, r.prompts, SettingsFilePath());
}

Settings everyFieldSet()
{
    Settings s;
    s.ThDbFile = QStringLiteral("C:\\ハムログ\\Hamlog.hdb");
    s.Com2Rmk1 = 1;
    s.Com2Rmk2 = 0;
    s.Pwr2Rmk1 = 0;
    s.Pwr2Rmk2 = 1;
    s.SentMrk = QStringLiteral("済");
    s.RcvdMrk = QStringLiteral("*");
    s.QslSent = 1;
    s.QslRcvd = 1;
    s.QslRoot = 3;
    s.JtdxIP = QStringLiteral("192.168.1.5");
    s.WsjtIP = QStringLiteral("127.0.0.2");
    s.MshvIP = QStringLiteral("10.0.0.1");
    s.FreeDvIP = QStringLiteral("239.255.0.1");
    s.JtdxPort = 2434;
    s.WsjtPort = -5;
    s.MshvPort = 70000;
    s.FreeDvPort = 2137;
    s.JtdxVisible = 1;
    s.WsjtVisible = 0;
    s.MshvVisible = 2;
    s.FreeDvVisible = 1;
    s.JtdxFile = QStringLiteral("C:\\JTDX\\bin\\jtdx.exe");
    s.WsjtFile = QStringLiteral("C:\\WSJT\\wsjtx\\bin\\wsjtx.exe");
    s.MshvFile = QStringLiteral("D:\\無線\\MSHV=2\\MSHV.exe");
    s.FreeDvFile = QStringLiteral("C:\\Program Files\\FreeDV\\freedv.exe");
    s.ListenOnStart = 2;
    return s;
}

QList<QByteArray> keysOf(const QByteArray& file)
{
    QList<QByteArray> keys;
    for (const QByteArray& line : file.split('\n')) {
        if (!line.isEmpty())
            keys.append(line.left(line.indexOf('=')));
    }
    return keys;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void databasePathAloneGetsDefaults();
    void missingFileLeavesStartValues();
    void numbers_data();
    void numbers();
    void texts_data();
    void texts();
    void brokenCharacterKeepsNextLine();
    void positionAppliedAsRead();
    void roundTrip();
    void writesFixedOrderInCodePage();
    void minimizedWindowLeavesPositionOut();
    void positionFormatting_data();
    void positionFormatting();
    void failedWriteKeepsOldFile();
    void readOnlyFolderKeepsOldFile();
    void specialFileEndsReading();
    void unreadableFileNotOverwritten();
};

// Catches defaults applied to the wrong field or a database message shown although a path was read.
void TestSettingsFile::databasePathAloneGetsDefaults()
{
    ReadResult r;
    readFrom("ThDbFile=C:\\Hamlog\\Hamlog.hdb\r\n", r);
    Settings expected;
    expected.ThDbFile = QStringLiteral("C:\\Hamlog\\Hamlog.hdb");
    expected.JtdxIP = expected.WsjtIP = expected.MshvIP = expected.FreeDvIP = QStringLiteral("127.0.0.1");
    expected.JtdxPort = 2433;
    expected.WsjtPort = 2333;
    expected.MshvPort = 2233;
    expected.FreeDvPort = 2133;
    QVERIFY(r.settings == expected);
    QVERIFY(r.prompts.messages.isEmpty());
    QVERIFY(r.window.dialogAfterMessages.isEmpty());
    QCOMPARE(r.window.moves, 0);
}

// Catches defaults applied without a file, a missing dialog, or a folder or dot-file taken for the file.
void TestSettingsFile::missingFileLeavesStartValues()
{
    TempProgramFolder folder;
    QDir(folder.path()).mkdir(QStringLiteral("VELKOR.ini")); // a folder of that name is no file
    const QStringList paths = {SettingsFilePath(), folder.filePath(QStringLiteral("nothing.ini"))};
    for (const QString& path : paths) {
        Settings s;
        FakePrompts prompts;
        FakeWindow window;
        window.prompts = &prompts;
        ReadSettingsFile(s, window, prompts, path);
        QVERIFY(s == Settings());
        QCOMPARE(prompts.messages, QStringList{kNoSettingsFile});
        QCOMPARE(window.dialogAfterMessages, QList<int>{1}); // the dialog follows the message
        QCOMPARE(window.moves, 0);
    }
#ifndef Q_OS_WIN
    QVERIFY(folder.write(QStringLiteral(".hidden.ini"), "ThDbFile=x\r\n"));
    Settings s;
    FakePrompts prompts;
    FakeWindow window;
    ReadSettingsFile(s, window, prompts, folder.filePath(QStringLiteral(".hidden.ini")));
    QCOMPARE(prompts.messages, QStringList{kNoSettingsFile});
#endif
    // A file marked system counts as missing too (the mark stands in for Windows' attribute).
    QVERIFY(folder.write(QStringLiteral("system.ini"), "ThDbFile=x\r\n"));
    const QString system = folder.filePath(QStringLiteral("system.ini"));
    FileAttributes::setMarkedForTesting([system](const QString& path) { return path == system; });
    Settings marked;
    FakePrompts markedPrompts;
    FakeWindow markedWindow;
    ReadSettingsFile(marked, markedWindow, markedPrompts, system);
    FileAttributes::setMarkedForTesting(nullptr);
    QVERIFY(marked == Settings());
    QCOMPARE(markedPrompts.messages, QStringList{kNoSettingsFile});
}

void TestSettingsFile::numbers_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("jtdxPort");
    QTest::addColumn<int>("qslRoot");

    QTest::newRow("spaces around key and value") << QByteArray("  JtdxPort  =  2500  \r\n") << 2500 << 0;
    QTest::newRow("not a number") << QByteArray("JtdxPort=abc\r\nQslRoot=x1\r\n") << 2433 << 0;
    QTest::newRow("zero gets default") << QByteArray("JtdxPort=0\r\n") << 2433 << 0;
    QTest::newRow("negative kept") << QByteArray("JtdxPort=-1\r\nQslRoot=-7\r\n") << -1 << -7;
    QTest::newRow("empty value") << QByteArray("JtdxPort=\r\nQslRoot=\r\n") << 2433 << 0;
    QTest::newRow("half to even") << QByteArray("JtdxPort=2500.5\r\nQslRoot=2.5\r\n") << 2500 << 2;
    QTest::newRow("half to even upward") << QByteArray("JtdxPort=2501.5\r\nQslRoot=-3.5\r\n") << 2502 << -4;
    QTest::newRow("fraction rounds") << QByteArray("JtdxPort=2500.51\r\nQslRoot=1.49\r\n") << 2501 << 1;
    QTest::newRow("too big for 16 bits") << QByteArray("QslRoot=32768\r\nJtdxPort=65536\r\n") << 65536 << 0;
    QTest::newRow("16-bit limits") << QByteArray("QslRoot=-32768\r\n") << 2433 << -32768;
    QTest::newRow("rounds past 16 bits") << QByteArray("QslRoot=32767.5\r\n") << 2433 << 0;
    QTest::newRow("too big for 32 bits") << QByteArray("JtdxPort=2147483648\r\n") << 2433 << 0;
    QTest::newRow("32-bit limit") << QByteArray("JtdxPort=-2147483648\r\n") << int(-2147483647 - 1) << 0;
    QTest::newRow("half to even at the limits")
        << QByteArray("JtdxPort=2147483646.5\r\nQslRoot=-32768.5\r\n") << 2147483646 << -32768;
    QTest::newRow("sign and exponent") << QByteArray("JtdxPort=+25e2\r\nQslRoot=.4E1\r\n") << 2500 << 4;
    QTest::newRow("hex and digit grouping are no decimals")
        << QByteArray("JtdxPort=2,500\r\nQslRoot=&H3\r\n") << 2433 << 0;
    QTest::newRow("not finite") << QByteArray("JtdxPort=inf\r\nQslRoot=nan\r\n") << 2433 << 0;
    QTest::newRow("last line wins") << QByteArray("JtdxPort=1000\r\nJtdxPort=2000\r\n") << 2000 << 0;
    QTest::newRow("bad later value keeps earlier")
        << QByteArray("JtdxPort=1000\r\nJtdxPort=zz\r\nQslRoot=4\r\n") << 1000 << 4;
    QTest::newRow("key case matters") << QByteArray("jtdxport=1000\r\nJTDXPORT=1000\r\n") << 2433 << 0;
    QTest::newRow("tab is no space") << QByteArray("\tJtdxPort=1000\r\n") << 2433 << 0;
    QTest::newRow("lines without = and empty lines")
        << QByteArray("garbage\r\n\r\nJtdxPort 2000\r\nQslRoot=1\r\n") << 2433 << 1;
    QTest::newRow("lone LF and CR line ends")
        << QByteArray("JtdxPort=2600\nQslRoot=2\rWsjtPort=1\n") << 2600 << 2;
    QTest::newRow("no line end at the end") << QByteArray("QslRoot=3") << 2433 << 3;
    QTest::newRow("full-width digits, as the dialog reads them")
        << QByteArray("JtdxPort=\x82\x51\x82\x51\x82\x52\x82\x56\r\n") << 2237 << 0;
}

// Catches number parsing that accepts junk, misrounds, wraps around or ignores the last line.
void TestSettingsFile::numbers()
{
    QFETCH(QByteArray, content);
    QFETCH(int, jtdxPort);
    QFETCH(int, qslRoot);
    ReadResult r;
    readFrom("ThDbFile=C:\\x.hdb\r\n" + content, r);
    QCOMPARE(r.settings.JtdxPort, jtdxPort);
    QCOMPARE(int(r.settings.QslRoot), qslRoot);
    QCOMPARE(r.settings.WsjtPort, content.contains("WsjtPort=1") ? 1 : 2333);
    QVERIFY(r.prompts.messages.isEmpty());
}

void TestSettingsFile::texts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("thDbFile");
    QTest::addColumn<QString>("jtdxIp");

    QTest::newRow("value holds =") << QByteArray("ThDbFile=C:\\a=b\\log.hdb\r\n")
                                   << QStringLiteral("C:\\a=b\\log.hdb") << QStringLiteral("127.0.0.1");
    QTest::newRow("key in other case ignored")
        << QByteArray("thdbfile=C:\\x.hdb\r\n") << QString() << QStringLiteral("127.0.0.1");
    QTest::newRow("spaces trimmed, value kept inside")
        << QByteArray("  ThDbFile =  C:\\My Logs\\a.hdb  \r\nJtdxIP= 10.0.0.9\r\n")
        << QStringLiteral("C:\\My Logs\\a.hdb") << QStringLiteral("10.0.0.9");
    QTest::newRow("Shift-JIS path") << QByteArray("ThDbFile=C:\\\x83\x6E\x83\x80\\log.hdb\r\n")
                                    << QStringLiteral("C:\\ハム\\log.hdb") << QStringLiteral("127.0.0.1");
    QTest::newRow("empty address gets default") << QByteArray("ThDbFile=a\r\nJtdxIP=\r\nJtdxIP=   \r\n")
                                                << QStringLiteral("a") << QStringLiteral("127.0.0.1");
    QTest::newRow("later empty value wins")
        << QByteArray("ThDbFile=a\r\nThDbFile=\r\n") << QString() << QStringLiteral("127.0.0.1");
}

// Catches a key split at the wrong "=", trimming of more than spaces, a wrong code page, or the
// database message missing when no path was read.
void TestSettingsFile::texts()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, thDbFile);
    QFETCH(QString, jtdxIp);
    ReadResult r;
    readFrom(content, r);
    QCOMPARE(r.settings.ThDbFile, thDbFile);
    QCOMPARE(r.settings.JtdxIP, jtdxIp);
    if (thDbFile.isEmpty()) {
        QCOMPARE(r.prompts.messages, QStringList{kNoDatabase});
        QCOMPARE(r.window.dialogAfterMessages, QList<int>{1});
        QCOMPARE(r.settings.JtdxPort, 2433); // defaults come before the message
    } else {
        QVERIFY(r.prompts.messages.isEmpty());
    }
}

// Catches a line that ends in half a double-byte character swallowing the line end, and with it
// the next setting.
void TestSettingsFile::brokenCharacterKeepsNextLine()
{
    for (const char* end : {"\r\n", "\n", "\r"}) {
        ReadResult r;
        readFrom(QByteArray("SentMrk=\x8D\x87\x93") + end + "ThDbFile=C:\\a.hdb" + end + "RcvdMrk=\x82" +
                     end + "JtdxPort=2500" + end,
                 r);
        QCOMPARE(r.settings.ThDbFile, QStringLiteral("C:\\a.hdb"));
        QCOMPARE(r.settings.JtdxPort, 2500);
        QVERIFY(r.settings.SentMrk.startsWith(QStringLiteral("合")));
    }
}

// Catches a position that is not applied, applied as an integer, or applied although it is junk.
void TestSettingsFile::positionAppliedAsRead()
{
    ReadResult r;
    r.window.top = 111;
    r.window.left = 222;
    readFrom("frmTop=1234.5\r\nfrmLeft=-300\r\nThDbFile=a\r\n", r);
    QCOMPARE(r.window.top, 1234.5f);
    QCOMPARE(r.window.left, -300.0f);

    ReadResult bad;
    bad.window.top = 111;
    bad.window.left = 222;
    readFrom("frmTop=1e39\r\nfrmLeft=abc\r\nThDbFile=a\r\n", bad);
    QCOMPARE(bad.window.top, 111.0f);
    QCOMPARE(bad.window.left, 222.0f);
    QCOMPARE(bad.window.moves, 0);
}

// Catches a field that is written but not read back (or the reverse), and lost Japanese text.
void TestSettingsFile::roundTrip()
{
    TempProgramFolder folder;
    const Settings original = everyFieldSet();
    FakeWindow window;
    window.top = 1500;
    window.left = 2745;
    QVERIFY(WriteSettingsFile(original, window));

    Settings back;
    FakePrompts prompts;
    FakeWindow other;
    ReadSettingsFile(back, other, prompts);
    QVERIFY(back == original);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(other.top, 1500.0f);
    QCOMPARE(other.left, 2745.0f);

    // Text values lose their outer spaces on the way, nothing else.
    Settings spaced = original;
    spaced.SentMrk = QStringLiteral("  OK ");
    QVERIFY(WriteSettingsFile(spaced, window));
    ReadSettingsFile(back, other, prompts);
    QCOMPARE(back.SentMrk, QStringLiteral("OK"));
}

// Catches a wrong key order, missing keys, LF-only line ends or text written as UTF-8.
void TestSettingsFile::writesFixedOrderInCodePage()
{
    TempProgramFolder folder;
    FakeWindow window;
    window.top = 1440;
    window.left = 0;
    QVERIFY(WriteSettingsFile(everyFieldSet(), window));
    const QByteArray file = folder.read(QStringLiteral("VELKOR.ini"));

    const QList<QByteArray> expected = {
        "frmTop",      "frmLeft",     "ThDbFile",      "Com2Rmk1", "Com2Rmk2", "Pwr2Rmk1",   "Pwr2Rmk2",
        "SentMrk",     "RcvdMrk",     "QslSent",       "QslRcvd",  "QslRoot",  "JtdxIP",     "WsjtIP",
        "MshvIP",      "FreeDvIP",    "JtdxPort",      "WsjtPort", "MshvPort", "FreeDvPort", "JtdxVisible",
        "WsjtVisible", "MshvVisible", "FreeDvVisible", "JtdxFile", "WsjtFile", "MshvFile",   "FreeDvFile",
        "ListenOnStart"};
    QCOMPARE(keysOf(file), expected);
    QCOMPARE(file.count("\r\n"), 29);
    QCOMPARE(file.count('\n'), 29);
    QVERIFY(file.startsWith(
        "frmTop=1440\r\nfrmLeft=0\r\nThDbFile=C:\\\x83\x6E\x83\x80\x83\x8D\x83\x4F\\Hamlog.hdb\r\n"));
    QVERIFY(file.contains("\r\nWsjtPort=-5\r\n"));
    QVERIFY(file.contains("\r\nMshvVisible=2\r\n"));
    QVERIFY(file.endsWith("\r\nFreeDvFile=C:\\Program Files\\FreeDV\\freedv.exe\r\nListenOnStart=2\r\n"));
}

// Catches a minimized window's position being saved (it would reopen off screen) or the restore
// step being skipped.
void TestSettingsFile::minimizedWindowLeavesPositionOut()
{
    TempProgramFolder folder;
    FakeWindow window;
    window.minimized = true;
    window.top = 60;
    window.left = 75;
    QVERIFY(WriteSettingsFile(everyFieldSet(), window));
    QVERIFY(!window.minimized);
    QVERIFY(folder.read(QStringLiteral("VELKOR.ini")).startsWith("frmTop=60\r\nfrmLeft=75\r\nThDbFile="));

    window.minimized = true;
    window.stuckMinimized = true;
    QVERIFY(WriteSettingsFile(everyFieldSet(), window));
    const QByteArray file = folder.read(QStringLiteral("VELKOR.ini"));
    QVERIFY(file.startsWith("ThDbFile="));
    QCOMPARE(file.count("\r\n"), 27);
}

void TestSettingsFile::positionFormatting_data()
{
    QTest::addColumn<float>("twips");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("whole") << 2400.0f << QByteArray("2400");
    QTest::newRow("fraction") << 1234.5f << QByteArray("1234.5");
    QTest::newRow("negative") << -15.0f << QByteArray("-15");
    QTest::newRow("negative zero") << -0.0f << QByteArray("0");
    QTest::newRow("seven digits") << 1234567.0f << QByteArray("1234567");
    QTest::newRow("small fraction") << 0.1f << QByteArray("0.1");
}

// Catches positions written with a trailing ".0", float noise ("0.100000001") or "-0".
void TestSettingsFile::positionFormatting()
{
    QFETCH(float, twips);
    QFETCH(QByteArray, text);
    TempProgramFolder folder;
    FakeWindow window;
    window.top = twips;
    window.left = twips;
    QVERIFY(WriteSettingsFile(Settings(), window));
    QVERIFY(folder.read(QStringLiteral("VELKOR.ini"))
                .startsWith("frmTop=" + text + "\r\nfrmLeft=" + text + "\r\n"));
}

// Catches a write that truncates the old file before the new one is safely in place.
void TestSettingsFile::failedWriteKeepsOldFile()
{
    TempProgramFolder folder;
    FakeWindow window;
    // A name so long that no scratch file can be made beside it: the write must fail before
    // touching the file, whoever runs the test.
    const QString name = QString(250, QLatin1Char('v')) + QStringLiteral(".ini");
    const QByteArray old = "ThDbFile=C:\\old.hdb\r\n";
    if (!folder.write(name, old))
        QSKIP("the file system takes no name this long");
    QVERIFY(!WriteSettingsFile(everyFieldSet(), window, folder.filePath(name)));
    QCOMPARE(folder.read(name), old);

    // A path whose folder is a file.
    QVERIFY(folder.write(QStringLiteral("plain"), "x"));
    QVERIFY(!WriteSettingsFile(everyFieldSet(), window, folder.filePath(QStringLiteral("plain/VELKOR.ini"))));
    QCOMPARE(folder.read(QStringLiteral("plain")), QByteArray("x"));
}

// Catches a write into a folder that refuses it destroying the settings already there.
void TestSettingsFile::readOnlyFolderKeepsOldFile()
{
#ifdef Q_OS_WIN
    QSKIP("folder permissions are not POSIX modes here");
#else
    if (geteuid() == 0)
        QSKIP("permissions do not stop the superuser");
    TempProgramFolder folder;
    const QByteArray old = "ThDbFile=C:\\old.hdb\r\n";
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), old));
    QVERIFY(chmod(QFile::encodeName(folder.path()).constData(), 0555) == 0);
    FakeWindow window;
    const bool written = WriteSettingsFile(everyFieldSet(), window);
    chmod(QFile::encodeName(folder.path()).constData(), 0755);
    QVERIFY(!written);
    QCOMPARE(folder.read(QStringLiteral("VELKOR.ini")), old);
#endif
}

// Catches reading that blocks forever on something that is not a plain file.
void TestSettingsFile::specialFileEndsReading()
{
#ifdef Q_OS_WIN
    QSKIP("no named pipes in the file system here");
#else
    TempProgramFolder folder;
    QVERIFY(mkfifo(QFile::encodeName(SettingsFilePath()).constData(), 0600) == 0);
    Settings s;
    FakePrompts prompts;
    FakeWindow window;
    ReadSettingsFile(s, window, prompts);
    QVERIFY(s == Settings());
    QVERIFY(prompts.messages.value(0).contains(QStringLiteral("FIFO")));
    QVERIFY(!WriteSettingsFile(s, window)); // left as it is
#endif
}

// Catches a settings file that cannot be read passing unnoticed (no addresses, ports 0), or the
// record of a failed read being written back over the user's settings.
void TestSettingsFile::unreadableFileNotOverwritten()
{
#ifndef Q_OS_LINUX
    QSKIP("needs a file that exists but cannot be read, made here through /proc");
#else
    TempProgramFolder folder;
    // A link to a file that exists but fails every read from its start, even for the superuser.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), SettingsFilePath()));
    Settings s;
    FakePrompts prompts;
    FakeWindow window;
    window.prompts = &prompts;
    ReadSettingsFile(s, window, prompts);
    // Told once, with the file and the system's reason; then started as from an empty file.
    QCOMPARE(prompts.messages.size(), 2);
    const QString& told = prompts.messages[0];
    QVERIFY2(told.contains(QDir::toNativeSeparators(SettingsFilePath())), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("理由: ")) && !told.contains(QStringLiteral("理由: \r\n")),
             qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("上書きしない")), qPrintable(told));
    QCOMPARE(prompts.messages[1], kNoDatabase);
    QCOMPARE(window.dialogAfterMessages, QList<int>{2});
    QCOMPARE(s.JtdxIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(s.FreeDvPort, 2133);
    QVERIFY(!WriteSettingsFile(s, window));
    QCOMPARE(QFileInfo(SettingsFilePath()).symLinkTarget(), QStringLiteral("/proc/self/mem"));

    // Once the file reads again, writing works as before.
    QVERIFY(QFile::remove(SettingsFilePath()));
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"), "ThDbFile=C:\\a.hdb\r\n"));
    ReadSettingsFile(s, window, prompts);
    QVERIFY(WriteSettingsFile(s, window));
#endif
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
