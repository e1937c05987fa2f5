// Faults the main window meets while it runs: the partner program crashing under it.

#include "app/frm_main.h"
#include "common/app_info.h"
#include "common/program_data.h"
#include "settings/frm_settings.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QAction>
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

class TestFaultsGui : public QObject
{
    Q_OBJECT

private slots:
#ifdef Q_OS_UNIX
    void partnerKilledWhileWatched();
#endif
};

#ifdef Q_OS_UNIX
// Catches a partner that crashed (killed outright, no chance to say goodbye) leaving the window
// in its running state, with the socket open and the watch ticking, or as a zombie.
void TestFaultsGui::partnerKilledWhileWatched()
{
    ResetProgramData();
    TempProgramFolder folder;
    const QString partner = folder.filePath(QStringLiteral("jtdx"));
    QVERIFY(folder.write(QStringLiteral("jtdx"), "#!/bin/sh\nexec sleep 30\n"));
    QVERIFY(QFile::setPermissions(partner, QFile::permissions(partner) | QFile::ExeOwner));
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"),
                         "ThDbFile=" + folder.filePath("VELKOR.db").toUtf8() +
                             "\r\nJtdxVisible=1\r\nJtdxFile=" + partner.toUtf8() + "\r\n"));
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), QByteArray()));
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), QByteArray()));
    FakePrompts prompts;
    auto w = std::make_unique<frmMain>(Program(), prompts);
    w->Form_Load();
    w->show();
    w->setPartnerWatchInterval(10);
    w->findChild<QAction*>(QStringLiteral("mnuJTDXopen"))->trigger();
    const pid_t pid = w->launchedProcessId();
    QVERIFY(pid > 0);
    QCOMPARE(w->windowTitle(), QStringLiteral("JTDX VELKOR"));
    auto* watch = w->findChild<QTimer*>(QStringLiteral("Timer3"));
    auto* socket = w->findChild<QUdpSocket*>(QStringLiteral("Winsock1"));
    QVERIFY(watch->isActive());

    QCOMPARE(kill(pid, SIGKILL), 0);
    QTRY_COMPARE(w->windowTitle(), AppInfo::idleCaption());
    QCOMPARE(w->statusText(), QStringLiteral("JTDXが終了しました"));
    QVERIFY(!watch->isActive());
    QCOMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(w->findChild<QAction*>(QStringLiteral("mnuJTDXopen"))->isVisible());
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(kill(pid, 0) != 0); // reaped, no zombie left

    if (frmSettings* dialog = w->settingsDialog())
        delete dialog;
}
#endif

QTEST_MAIN(TestFaultsGui)
#include "tst_faults_gui.moc"
