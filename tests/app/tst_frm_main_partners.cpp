#include "app/frm_main.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "reception/qso_logged_encoder.h"
#include "reception/udp_receiver.h"
#include "settings/frm_settings.h"
#include "support/fake_partner_process.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <memory>

namespace {

const char* const kLaunchEntries[] = {"mnuJTDXopen", "mnuWSJTopen", "mnuMSHVopen", "mnuFreeDVopen"};

QStringList visibleLaunchEntries(QWidget* w)
{
    QStringList shown;
    for (const char* name : kLaunchEntries) {
        if (w->findChild<QAction*>(QLatin1String(name))->isVisible())
            shown << QLatin1String(name);
    }
    return shown;
}

#ifdef Q_OS_UNIX
// A process that has ended but is not reaped yet still answers to its id, as a process that got
// the id afterwards would.
bool idAnswers(long long pid)
{
    return kill(static_cast<pid_t>(pid), 0) == 0;
}

// Ends a partner the test started through the window, and reaps it.
void endChild(long long pid)
{
    kill(static_cast<pid_t>(pid), SIGKILL);
    waitpid(static_cast<pid_t>(pid), nullptr, 0);
}
#endif

} // namespace

class TstFrmMainPartners : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void launchAndEnd_data();
    void launchAndEnd();
    void missingProgramFile_data();
    void missingProgramFile();
    void refusedStartChangesNothing();
    void listenWithoutLaunch_data();
    void listenWithoutLaunch();
#ifdef Q_OS_UNIX
    void systemRefusal();
    void endedPartnerWithAnsweringIdGoesIdle();
    void replacedPartnerLeavesNoZombie();
    void closingLeavesThePartnerRunning();
    void shortPartnerReportedAtTheFirstTick();
#endif

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;
    FakePartnerProcessStarter* m_starter = nullptr;

    // Loads the window from a settings file holding extra; with fake, processes are the fake's.
    frmMain* load(const QByteArray& extra, bool fake = true)
    {
        if (!m_folder->write(QStringLiteral("VELKOR.ini"),
                             "ThDbFile=" + m_folder->filePath("log.velkor").toUtf8() + "\r\n" + extra) ||
            !m_folder->write(QStringLiteral("Cty.dat"), QByteArray()) ||
            !m_folder->write(QStringLiteral("TH_DX.dat"), QByteArray()))
            qFatal("cannot lay out the program folder");
        m_window = std::make_unique<frmMain>(Program(), *m_prompts);
        if (fake) {
            auto starter = std::make_unique<FakePartnerProcessStarter>();
            m_starter = starter.get();
            m_window->setProcessStarter(std::move(starter));
        }
        m_window->Form_Load();
        m_window->show();
        return m_window.get();
    }
    // A program file in the program folder: a shell script when executable.
    QString program(const QString& name, const QByteArray& content = "#!/bin/sh\nexit 0\n",
                    bool executable = true)
    {
        if (!m_folder->write(name, content))
            qFatal("cannot write %s", qPrintable(name));
        const QString path = m_folder->filePath(name);
        if (executable)
            QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    QTimer* timer3() const
    {
        return m_window->findChild<QTimer*>(QStringLiteral("Timer3"));
    }
    UdpReceiver* socket() const
    {
        return m_window->findChild<UdpReceiver*>(QStringLiteral("Winsock1"));
    }
    void trigger(const char* entry)
    {
        m_window->findChild<QAction*>(QLatin1String(entry))->trigger();
    }
    // Nothing the launch changes has changed: idle caption, the used entry shown, no watch.
    void verifyIdle(const QStringList& shownEntries)
    {
        QCOMPARE(m_window->windowTitle(), AppInfo::idleCaption());
        QCOMPARE(visibleLaunchEntries(m_window.get()), shownEntries);
        QVERIFY(!timer3()->isActive());
        QCOMPARE(socket()->state(), QAbstractSocket::UnconnectedState);
    }
};

void TstFrmMainPartners::init()
{
    ResetProgramData();
    m_folder = std::make_unique<TempProgramFolder>();
    QVERIFY(m_folder->isValid());
    m_prompts = std::make_unique<FakePrompts>();
}

void TstFrmMainPartners::cleanup()
{
    if (m_window) {
        if (frmSettings* dialog = m_window->settingsDialog())
            delete dialog;
        m_window.reset();
    }
    m_starter = nullptr;
    m_prompts.reset();
    m_folder.reset();
}

void TstFrmMainPartners::launchAndEnd_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("ended");
    QTest::newRow("JTDX") << QByteArray("Jtdx") << QByteArray("mnuJTDXopen") << 1
                          << QStringLiteral("JTDXを起動しました") << QStringLiteral("JTDX VELKOR")
                          << QStringLiteral("JTDXが終了しました");
    QTest::newRow("WSJT-X") << QByteArray("Wsjt") << QByteArray("mnuWSJTopen") << 2
                            << QStringLiteral("WSJT-Xを起動しました") << QStringLiteral("WSJT-X VELKOR")
                            << QStringLiteral("WSJT-Xが終了しました");
    QTest::newRow("MSHV") << QByteArray("Mshv") << QByteArray("mnuMSHVopen") << 3
                          << QStringLiteral("MSHVを起動しました") << QStringLiteral("MSHV VELKOR")
                          << QStringLiteral("MSHVが終了しました");
    QTest::newRow("FreeDV") << QByteArray("FreeDv") << QByteArray("mnuFreeDVopen") << 4
                            << QStringLiteral("FreeDVを起動しました") << QStringLiteral("FreeDV VELKOR")
                            << QStringLiteral("FreeDVが終了しました");
}

// Catches a wrong text, caption or program number in the table, entries shown while a partner
// runs, a watch that ends the running state early, misses the end by more than a tick or leaves
// any part of the running state behind.
void TstFrmMainPartners::launchAndEnd()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, entry);
    QFETCH(int, number);
    const QString file = program(QStringLiteral("partner"));
    // Only this program is used; another's file is set but must not be what starts.
    const QByteArray other = key == "Jtdx" ? "MshvFile=" : "JtdxFile=";
    frmMain* w = load(key + "Visible=1\r\n" + key + "File=" + file.toUtf8() + "\r\n" + other +
                      program(QStringLiteral("other")).toUtf8() + "\r\n");
    QCOMPARE(visibleLaunchEntries(w), QStringList{QLatin1String(entry)});
    w->setPartnerWatchInterval(20);

    trigger(entry.constData());
    QCOMPARE(m_starter->started, QStringList{file});
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(visibleLaunchEntries(w).isEmpty());
    QTEST(w->statusText(), "started");
    QTEST(w->windowTitle(), "caption");
    QCOMPARE(w->sourceProgram(), qint16(number));
    QCOMPARE(w->launchedProcessId(), qint32(4001));
    QVERIFY(timer3()->isActive());

    // Ticks while it runs change nothing.
    const auto partner = m_starter->last();
    QTRY_VERIFY(partner->polls >= 3);
    QTEST(w->windowTitle(), "caption");
    QVERIFY(visibleLaunchEntries(w).isEmpty());

    partner->running = false;
    const int pollsAtEnd = partner->polls;
    QTRY_COMPARE(w->windowTitle(), AppInfo::idleCaption());
    QCOMPARE(partner->polls, pollsAtEnd + 1); // the first tick after the end
    QTEST(w->statusText(), "ended");
    verifyIdle({QLatin1String(entry)});
    QVERIFY(partner->released);
    // Reception stays set up for the program that ended, with the socket closed.
    QCOMPARE(w->sourceProgram(), qint16(number));
    QCOMPARE(w->launchedProcessId(), qint32(4001));
}

void TstFrmMainPartners::listenWithoutLaunch_data()
{
    QTest::addColumn<int>("listenOnStart"); // in the settings file
    QTest::addColumn<int>("chosen");        // then chosen in the settings dialog; -1: not opened
    QTest::addColumn<int>("launched");      // then launched from the menu; 0: none
    QTest::newRow("off") << 0 << -1 << 0;
    QTest::newRow("WSJT-X started from its own shortcut") << 2 << -1 << 0;
    QTest::newRow("FreeDV started from its own shortcut") << 4 << -1 << 0;
    QTest::newRow("the same partner launched: the socket kept") << 2 << -1 << 2;
    QTest::newRow("another partner launched, then ended") << 2 << -1 << 1;
    QTest::newRow("FreeDV launched while off, then ended") << 0 << -1 << 4;
    QTest::newRow("chosen in the dialog") << 0 << 3 << 0;
    QTest::newRow("turned off in the dialog") << 1 << 0 << 0;
}

// Catches a partner started from its own shortcut logging into silence (no socket, or the wrong
// intake branch), a launch of the same partner that rebinds and loses what waits at the socket, a
// partner's last contact lost or read by another branch when the socket closes or moves, a
// socket not moved back once a launched partner ended, a dialog choice not applied until the next
// start, or a window that does not say whether and where it listens.
void TstFrmMainPartners::listenWithoutLaunch()
{
    QFETCH(int, listenOnStart);
    QFETCH(int, chosen);
    QFETCH(int, launched);
    QByteArray ini = "ListenOnStart=" + QByteArray::number(listenOnStart) + "\r\n";
    quint16 ports[5] = {};
    const char* const keys[] = {"Jtdx", "Wsjt", "Mshv", "FreeDv"};
    for (int i = 1; i <= 4; ++i) {
        QUdpSocket probe;
        probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
        ports[i] = probe.localPort();
        ini += QByteArray(keys[i - 1]) + "Port=" + QByteArray::number(ports[i]) + "\r\n" + keys[i - 1] +
               "Visible=1\r\n" + keys[i - 1] + "File=" + program(QLatin1String(keys[i - 1])).toUtf8() + "\r\n";
    }
    frmMain* w = load(ini);
    w->setPartnerWatchInterval(20);
    auto* label = w->findChild<QLabel*>(QStringLiteral("Label1"));
    auto* listening = w->findChild<QLabel*>(QStringLiteral("listening"));
    QVERIFY(listening);
    const auto verifyListening = [&](int n) {
        if (n == 0) {
            QCOMPARE(socket()->state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(listening->text(), QStringLiteral("受信していません"));
            return;
        }
        QCOMPARE(socket()->state(), QAbstractSocket::BoundState);
        QCOMPARE(socket()->localPort(), ports[n]);
        QCOMPARE(w->sourceProgram(), qint16(n));
        const QString names[] = {"", "JTDX", "WSJT-X", "MSHV", "FreeDV"};
        QCOMPARE(listening->text(), QStringLiteral("%1 を受信中（UDP %2）").arg(names[n]).arg(ports[n]));
    };
    // A contact at the port of partner n, read by its branch: the text partners' ADIF as it is,
    // FreeDV's QSO Logged message decoded.
    QsoLogged::Outgoing qso;
    qso.dxCall = QStringLiteral("JA1FDV");
    int sent = 0; // each contact another, so that none is a copy of the one before
    const auto sendTo = [&](int n) {
        QUdpSocket sender;
        qso.reportSent = QString::number(++sent);
        const QByteArray datagram = n == 4 ? QsoLogged::EncodeQsoLogged(qso)
                                           : "<call:6>JA1TXT <rst_sent:1>" + QByteArray::number(sent) + " <eor>";
        sender.writeDatagram(datagram, QHostAddress::LocalHost, ports[n]);
    };
    // Label1 shows the contact sent last: its call, and its report (the count of those sent).
    const auto verifyHeard = [&](int n) {
        const QString report = QStringLiteral("<rst_sent:1>%1").arg(sent);
        QTRY_VERIFY_WITH_TIMEOUT(label->text().contains(report), 30000);
        QVERIFY2(label->text().startsWith(n == 4 ? "<call:6>JA1FDV" : "<call:6>JA1TXT"), qPrintable(label->text()));
    };
    // Label1 keeps each contact however slow the machine, until the next replaces it.
    w->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(60 * 1000);

    verifyListening(listenOnStart);
    int expected = listenOnStart;
    if (chosen >= 0) {
        w->showSettingsDialogModeless();
        frmSettings* dialog = w->settingsDialog();
        QVERIFY(dialog);
        dialog->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(chosen);
        dialog->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QTRY_VERIFY(!w->settingsDialog());
        QCOMPARE(Program().settings.ListenOnStart, qint16(chosen));
        expected = chosen;
        verifyListening(expected);
    }
    if (expected != 0) {
        sendTo(expected);
        verifyHeard(expected);
    }
    if (launched == 0)
        return;

    // What waits at the socket when the same partner is launched is still read after it.
    if (launched == expected)
        sendTo(expected);
    trigger(kLaunchEntries[launched - 1]);
    verifyListening(launched);
    if (launched == expected)
        verifyHeard(expected);
    // Its last contact, sent just before it ended and not yet taken by the window when the end is
    // noticed, is still taken, by its own branch.
    sendTo(launched);
    m_starter->last()->running = false;
    QVERIFY(QMetaObject::invokeMethod(timer3(), "timeout"));
    QCOMPARE(w->windowTitle(), AppInfo::idleCaption());
    verifyHeard(launched);
    verifyListening(expected);
    if (expected == 0)
        return;
    sendTo(expected);
    verifyHeard(expected);
}

void TstFrmMainPartners::missingProgramFile_data()
{
    QTest::addColumn<QString>("name"); // made in the program folder; empty: no path set
    QTest::addColumn<bool>("makeIt");
    QTest::newRow("no path") << QString() << false;
    QTest::newRow("deleted") << QStringLiteral("jtdx") << false;
    QTest::newRow("a folder") << QStringLiteral("jtdx.d") << true;
#ifdef Q_OS_UNIX
    QTest::newRow("hidden") << QStringLiteral(".jtdx") << true;
#endif
}

// Catches a launch that starts or changes anything when the program file is missing, or that
// leaves the user without the message and the dialog to set it.
void TstFrmMainPartners::missingProgramFile()
{
    QFETCH(QString, name);
    QFETCH(bool, makeIt);
    QByteArray path;
    if (!name.isEmpty()) {
        path = m_folder->filePath(name).toUtf8();
        if (makeIt && name.endsWith(QLatin1String(".d")))
            QVERIFY(QDir().mkpath(m_folder->filePath(name)));
        else if (makeIt)
            program(name);
    }
    frmMain* w = load("JtdxVisible=1\r\nJtdxFile=" + path + "\r\n");
    w->setStatusText(QStringLiteral("K1ABC をTURBO HAMLOG データベースに追加しました"));
    trigger("mnuJTDXopen");
    QCOMPARE(m_prompts->messages, QStringList{QStringLiteral("JTDX ファイルを設定してください")});
    QVERIFY(w->settingsDialog() && w->settingsDialog()->isVisible());
    QVERIFY(!w->settingsDialog()->isModal());
    QVERIFY(m_starter->started.isEmpty());
    verifyIdle({QStringLiteral("mnuJTDXopen")});
    QCOMPARE(w->statusText(), QStringLiteral("K1ABC をTURBO HAMLOG データベースに追加しました"));
    QCOMPARE(w->sourceProgram(), qint16(0));
}

// Catches a refused start reported as started, a refusal without the program's name and the
// system's reason, or one that stops watching the partner already running.
void TstFrmMainPartners::refusedStartChangesNothing()
{
    const QString wsjt = program(QStringLiteral("wsjtx"));
    const QString jtdx = program(QStringLiteral("jtdx"));
    frmMain* w = load("WsjtVisible=1\r\nWsjtFile=" + wsjt.toUtf8() +
                      "\r\nJtdxVisible=1\r\nJtdxFile=" + jtdx.toUtf8() + "\r\n");
    m_starter->refusal = "アクセスが拒否されました。 (5)";
    trigger("mnuJTDXopen");
    QCOMPARE(m_prompts->messages,
             QStringList{QStringLiteral("JTDXを起動できませんでした\r\n") + QDir::toNativeSeparators(jtdx) +
                         QStringLiteral("\r\nアクセスが拒否されました。 (5)")});
    QVERIFY(!w->settingsDialog());
    verifyIdle({QStringLiteral("mnuJTDXopen"), QStringLiteral("mnuWSJTopen")});
    QVERIFY(w->statusText().isEmpty());
    QCOMPARE(w->sourceProgram(), qint16(0));
    QCOMPARE(w->launchedProcessId(), qint32(0));

    // WSJT-X runs; JTDX, chosen again from the entries the settings dialog brings back, is
    // refused: WSJT-X stays the watched partner.
    m_starter->refusal.clear();
    trigger("mnuWSJTopen");
    const auto wsjtProcess = m_starter->last();
    m_starter->refusal = "no";
    trigger("mnuJTDXopen");
    QCOMPARE(m_prompts->messages.size(), 2);
    QCOMPARE(w->windowTitle(), QStringLiteral("WSJT-X VELKOR"));
    QCOMPARE(w->statusText(), QStringLiteral("WSJT-Xを起動しました"));
    QCOMPARE(w->sourceProgram(), qint16(2));
    QCOMPARE(w->launchedProcessId(), qint32(wsjtProcess->id));
    QVERIFY(timer3()->isActive());
    QVERIFY(!wsjtProcess->released);
}

#ifdef Q_OS_UNIX

// Catches the system's refusal (through the real start) passed over or reported without its reason.
void TstFrmMainPartners::systemRefusal()
{
    const QString file = program(QStringLiteral("msh v"), "#!/bin/sh\n", false);
    load("MshvVisible=1\r\nMshvFile=" + file.toUtf8() + "\r\n", false);
    trigger("mnuMSHVopen");
    QCOMPARE(m_prompts->messages,
             QStringList{QStringLiteral("MSHVを起動できませんでした\r\n") + file +
                         QStringLiteral("\r\nアクセスが拒否されました（実行する権限がありません）。")});
    verifyIdle({QStringLiteral("mnuMSHVopen")});
}

// Catches a watch that judges by process id: a partner that has ended while its id still answers
// (unreaped, as an id handed to another program would) must not keep the running state, and no
// zombie may stay behind.
void TstFrmMainPartners::endedPartnerWithAnsweringIdGoesIdle()
{
    const QString file = program(QStringLiteral("wsjtx"), "#!/bin/sh\nexit 3\n");
    frmMain* w = load("WsjtVisible=1\r\nWsjtFile=" + file.toUtf8() + "\r\n", false);
    w->setPartnerWatchInterval(60000);
    trigger("mnuWSJTopen");
    QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.join(QLatin1Char('|'))));
    const pid_t pid = w->launchedProcessId();
    QVERIFY(pid > 0);
    QCOMPARE(getsid(pid), pid); // a session of its own: our terminal's hang-up does not reach it

    siginfo_t info{};
    QCOMPARE(waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0); // ended, not reaped
    QVERIFY(idAnswers(pid));
    QCOMPARE(w->windowTitle(), QStringLiteral("WSJT-X VELKOR"));

    w->setPartnerWatchInterval(10);
    QTRY_COMPARE(w->windowTitle(), AppInfo::idleCaption());
    QCOMPARE(w->statusText(), QStringLiteral("WSJT-Xが終了しました"));
    verifyIdle({QStringLiteral("mnuWSJTopen")});
    QVERIFY(!idAnswers(pid)); // reaped
}

// Catches a partner that a later launch replaced (from the entries the settings dialog brings
// back) left behind as a zombie once it ends.
void TstFrmMainPartners::replacedPartnerLeavesNoZombie()
{
    const QByteArray sleeper = "#!/bin/sh\nexec sleep 30\n";
    frmMain* w = load("WsjtFile=" + program(QStringLiteral("wsjtx"), sleeper).toUtf8() +
                          "\r\nJtdxFile=" + program(QStringLiteral("jtdx"), sleeper).toUtf8() + "\r\n",
                      false);
    w->setPartnerWatchInterval(10);
    trigger("mnuWSJTopen");
    const pid_t first = w->launchedProcessId();
    trigger("mnuJTDXopen");
    const pid_t second = w->launchedProcessId();
    QVERIFY(first > 0 && second > 0 && first != second);

    kill(first, SIGTERM);
    siginfo_t info{};
    QCOMPARE(waitid(P_PID, static_cast<id_t>(first), &info, WEXITED | WNOWAIT), 0);
    QTRY_VERIFY(!idAnswers(first));
    QCOMPARE(w->windowTitle(), QStringLiteral("JTDX VELKOR")); // the watched partner still runs
    endChild(second);
}

// Catches a partner ended, or left a zombie, when the window closes while it runs.
void TstFrmMainPartners::closingLeavesThePartnerRunning()
{
    const QString file = program(QStringLiteral("freedv"), "#!/bin/sh\nexec sleep 30\n");
    frmMain* w = load("FreeDvVisible=1\r\nFreeDvFile=" + file.toUtf8() + "\r\n", false);
    trigger("mnuFreeDVopen");
    const pid_t pid = w->launchedProcessId();
    QVERIFY(pid > 0);
    QVERIFY(w->close());
    QVERIFY(!timer3()->isActive());
    QCOMPARE(socket()->state(), QAbstractSocket::UnconnectedState);
    m_window.reset();
    QTest::qWait(200);

    siginfo_t info{};
    const bool ended =
        waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
    endChild(pid);
    QVERIFY2(!ended, "the partner ended with the window");
}

// Catches a watch that does not run on its own every two seconds: a partner that ends at once is
// reported at the first tick, not before it and not much after it (real time, once).
void TstFrmMainPartners::shortPartnerReportedAtTheFirstTick()
{
    const QString file = program(QStringLiteral("jtdx"), "#!/bin/sh\nexit 0\n");
    frmMain* w = load("JtdxVisible=1\r\nJtdxFile=" + file.toUtf8() + "\r\n", false);
    QElapsedTimer clock;
    clock.start();
    trigger("mnuJTDXopen");
    QCOMPARE(w->statusText(), QStringLiteral("JTDXを起動しました"));
    QTRY_VERIFY_WITH_TIMEOUT(w->statusText() == QStringLiteral("JTDXが終了しました"), 10000);
    QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
    verifyIdle({QStringLiteral("mnuJTDXopen")});
}

#endif

QTEST_MAIN(TstFrmMainPartners)
#include "tst_frm_main_partners.moc"
