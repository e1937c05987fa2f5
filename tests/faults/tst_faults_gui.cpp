// Faults the main window meets while it runs: the partner crashing under it, a burst of contacts
// while the message box of a failed append is open.

#include "app/frm_main.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "delivery/contact_delivery.h"
#include "hamlog/builtin_store.h"
#include "platform/code_page.h"
#include "reception/udp_receiver.h"
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
#include <vector>

namespace {

constexpr int kBurst = 1000;

// Boxes that do not wait stay open until the test closes them; how many were open at once.
class OpenBoxPrompts : public FakePrompts
{
public:
    void showWithoutWaiting(const QString& text, bool, const std::function<void()>& closed) override
    {
        messages << text;
        open.push_back(closed);
        mostOpen = qMax(mostOpen, int(open.size()));
    }
    std::vector<std::function<void()>> open;
    int mostOpen = 0;
};

// Junk a partner port may meet, of the kinds that broke the intake before: oversized, NULs,
// invalid UTF-8, binary messages cut short.
[[maybe_unused]] QByteArray junk(int i) // its test runs on Unix only
{
    // Each one different, so that none is taken for a partner sending the same datagram twice.
    const QByteArray number = QByteArray::number(i);
    const QByteArray tail = " <srx:" + QByteArray::number(number.size()) + ">" + number + " <eor>";
    switch (i % 4) {
    case 0:
        return "<comment:40000>" + QByteArray(40000, 'x') + " <call:6>JR9ZZZ" + tail; // CALL past 32,767
    case 1:
        return QByteArray("<call:6>JR\0ZZZ <mode:3>FT8", 26) + tail;
    case 2:
        return "<call:6>JR\xff\xfeZZ <name:4>\xc3\x28\xa0\xa1" + tail;
    default:
        return QByteArray("\xad\xbc\xcb\xda\x00\x00\x00\x02\x00\x00\x00\x0c\x00\x00", 14) + number;
    }
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

} // namespace

class TestFaultsGui : public QObject
{
    Q_OBJECT

private slots:
#ifdef Q_OS_UNIX
    void partnerKilledWhileWatched();
    void burstWhileFailedAppendsBoxIsOpen();
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
    auto* socket = w->findChild<UdpReceiver*>(QStringLiteral("Winsock1"));
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

// Catches contacts of a burst (with junk among them) lost, reordered or held back while the box
// of a failed append is open, boxes stacked, junk stored, or waiting contacts not appended once
// the store is usable again.
void TestFaultsGui::burstWhileFailedAppendsBoxIsOpen()
{
    ResetProgramData();
    TempProgramFolder folder;
    const quint16 port = freePort();
    const QString db = folder.filePath(QStringLiteral("VELKOR.db"));
    QVERIFY(folder.write(QStringLiteral("VELKOR.db"), QByteArray(8192, 'x'))); // no store: the append fails
    QVERIFY(folder.write(QStringLiteral("VELKOR.ini"),
                         "ThDbFile=" + db.toUtf8() + "\r\nWsjtPort=" + QByteArray::number(port) + "\r\n"));
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), QByteArray()));
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), QByteArray()));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Log")));
    OpenBoxPrompts prompts;
    auto w = std::make_unique<frmMain>(Program(), prompts);
    w->Form_Load();
    prompts.messages.clear();
    w->OpenUdpPort(2);

    auto text = [](int i) {
        const QByteArray call = "JR" + QByteArray::number(i).rightJustified(4, '0');
        return "<call:6>" + call + " <qso_date:8>20240315 <time_on:6>123456 <freq:6>14.074 <mode:3>FT8 <eor>";
    };
    auto logged = [&folder] {
        QStringList lines = CodePage::toUnicode(folder.read(QStringLiteral("Log/Velkor.adi")))
                                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst(); // header
        return lines;
    };
    QUdpSocket sender;
    sender.writeDatagram(text(0), QHostAddress::LocalHost, port);
    QTRY_COMPARE(int(prompts.open.size()), 1);
    QStringList sent{QString::fromLatin1(text(0))};
    for (int i = 1; i <= kBurst; ++i) {
        sender.writeDatagram(junk(i), QHostAddress::LocalHost, port);
        sender.writeDatagram(text(i), QHostAddress::LocalHost, port);
        sent << QString::fromLatin1(text(i));
        if (i % 50 == 0)
            QTest::qWait(5); // a partner sends a few at a time
    }
    QTRY_VERIFY_WITH_TIMEOUT(logged().size() == kBurst + 1, 60000);
    QCOMPARE(logged(), sent);
    QCOMPARE(int(prompts.open.size()), 1);
    QCOMPARE(prompts.mostOpen, 1);

    QVERIFY(QFile::remove(db)); // the user moves the broken file away: a new store is made
    w->findChild<QAction*>(QStringLiteral("mnuRetryOutbox"))->trigger();
    QList<StoredRecord> records;
    QString error;
    QTRY_VERIFY_WITH_TIMEOUT(BuiltinStore::ReadRecords(db, records, error) && records.size() == kBurst + 1,
                             60000);
    for (int i = 0; i <= kBurst; ++i)
        QCOMPARE(records[i].fields[1], QStringLiteral("JR%1").arg(i, 4, 10, QLatin1Char('0')));
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY2(prompts.messages.first().contains(QStringLiteral("VELKOR.db")),
             qPrintable(prompts.messages.first()));
    QCOMPARE(w->delivery().waitingCount(), 0);
    QCOMPARE(w->delivery().refusedCount(), kBurst * 3 / 4); // all but the binary ones
    if (frmSettings* dialog = w->settingsDialog())
        delete dialog;
}

#endif

QTEST_MAIN(TestFaultsGui)
#include "tst_faults_gui.moc"
