#include "app/contact_label.h"
#include "app/frm_main.h"
#include "app/message_box_prompts.h"
#include "app/start_up.h"
#include "app/status_panel.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "common/twips_gui.h"
#include "hamlog/builtin_store.h"
#include "delivery/contact_delivery.h"
#include "hamlog/hamlog_data.h"
#include "platform/help_gui.h"
#include "platform/single_instance.h"
#include "reception/udp_receiver.h"
#include "settings/frm_settings.h"
#include "support/fake_partner_process.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <functional>
#include <memory>

namespace {

const char* const kLaunchEntries[] = {"mnuJTDXopen", "mnuWSJTopen", "mnuMSHVopen", "mnuFreeDVopen"};

// Records, with each message, whether the settings dialog was already open at that moment.
class OrderedPrompts : public FakePrompts
{
public:
    void showMessage(const QString& text) override
    {
        FakePrompts::showMessage(text);
        dialogOpenAtMessage.append(window && window->settingsDialog() != nullptr);
    }
    frmMain* window = nullptr;
    QList<bool> dialogOpenAtMessage;
};

QAction* action(QWidget* w, const char* name)
{
    QAction* a = w->findChild<QAction*>(QLatin1String(name));
    if (!a)
        qFatal("no menu entry %s", name);
    return a;
}

QStringList visibleLaunchEntries(QWidget* w)
{
    QStringList shown;
    for (const char* name : kLaunchEntries) {
        if (action(w, name)->isVisible())
            shown << action(w, name)->text();
    }
    return shown;
}

// Runs check on the next modal window that opens, then lets the caller's blocking call go on.
void onNextModal(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        check(modal);
    });
}

// The value of key in a settings file's text, as a number.
double numberIn(const QByteArray& file, const QByteArray& key)
{
    for (const QByteArray& line : file.split('\n')) {
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1).trimmed().toDouble();
    }
    return -1;
}

// The saved position is the window's, in twips: the one it was given, to within one pixel.
void verifyPosition(const QWidget* w, const QByteArray& file)
{
    QVERIFY2(file.startsWith("frmTop="), file.constData());
    QVERIFY(qAbs(numberIn(file, "frmTop") - 1500) <= 1440.0 / w->logicalDpiY());
    QVERIFY(qAbs(numberIn(file, "frmLeft") - 3000) <= 1440.0 / w->logicalDpiX());
    QVERIFY(file.contains("\r\nfrmLeft="));
}

QByteArray settingsFile(const QByteArray& extra)
{
    return "ThDbFile=C:\\Hamlog\\Hamlog.hdb\r\n" + extra;
}

} // namespace

class TstFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAsBuilt();
    void startWithoutSettingsFile();
    void startWithWsjtVisible();
    void logFolderCreatedOrLeftAlone();
    void loadGoesOnWhenLogFolderCannotBeMade();
    void settingsMenuWrapsTheDialog();
    void settingsMenuBringsTheOpenDialogForward();
    void launchEntryWithoutProgramFile();
    void topmostToggledTwice();
    void settingsWrittenOnClose();
    void closingWhileMinimizedKeepsThePosition();
    void closingDropsAnOpenModelessDialog();
    void helpOpensBesideTheProgram();
    void importWindowIsModal();
    void secondCopyEndsAtOnce();
    void unwritableProgramFolderIsSaid();
    void messageBoxesCarryTheTitle();
    void startUpDialogComesUpOnTop();
    void positionOffEveryScreenComesBack();
    void clockPanelsKeepTheirPadding();
    void textsReadableWhole_data();
    void textsReadableWhole();
    void qtDialogsSpeakJapanese();
    void appendsReachTheStore();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<OrderedPrompts> m_prompts;
    std::unique_ptr<frmMain> m_window;

    frmMain* load(bool show = true)
    {
        m_window = std::make_unique<frmMain>(Program(), *m_prompts);
#ifdef Q_OS_WIN
        // Windows appends through HAMLOG's libraries only; these tests look into the built-in store.
        m_window->setHamlogLibrary(std::make_unique<BuiltinStore>());
#endif
        m_prompts->window = m_window.get();
        m_window->setHelpOpener([](QWidget*, const QString&) {});
        m_window->Form_Load();
        if (show)
            m_window->show();
        return m_window.get();
    }
    void writeTables()
    {
        QVERIFY(m_folder->write(QStringLiteral("Cty.dat"), QByteArray()));
        QVERIFY(m_folder->write(QStringLiteral("TH_DX.dat"), QByteArray()));
    }
};

void TstFrmMain::init()
{
    ResetProgramData();
    m_folder = std::make_unique<TempProgramFolder>();
    QVERIFY(m_folder->isValid());
    m_prompts = std::make_unique<OrderedPrompts>();
}

void TstFrmMain::cleanup()
{
    if (m_window) {
        if (frmSettings* dialog = m_window->settingsDialog())
            delete dialog;
        m_window.reset();
    }
    m_prompts.reset();
    m_folder.reset();
}

// Catches drift in the window's caption, size, menus, timers and status panels.
void TstFrmMain::windowAsBuilt()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    frmMain* w = load();
    QCOMPARE(w->windowTitle(), QStringLiteral("VELKOR   Ver 1.2.23"));
    QCOMPARE(w->windowTitle(), AppInfo::idleCaption());
    QCOMPARE(w->width(), TwipsToPixelsX(w, 7575));
    QCOMPARE(w->minimumSize(), w->maximumSize()); // fixed border
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    const struct
    {
        const char* name;
        QString caption;
    } entries[] = {
        {"mnuADIF2HamLog", QStringLiteral("ADIFデータをハムログに転送")},
        {"mnuFrmTop", QStringLiteral("フォームを上層にする")},
        {"mnuSettings", QStringLiteral("設定")},
        {"mnuJTDXopen", QStringLiteral("JTDXを起動")},
        {"mnuWSJTopen", QStringLiteral("WSJT-Xを起動")},
        {"mnuMSHVopen", QStringLiteral("MSHVを起動")},
        {"mnuFreeDVopen", QStringLiteral("FreeDVを起動")},
        {"mnuHelp", QStringLiteral("HELP")},
    };
    for (const auto& e : entries)
        QCOMPARE(action(w, e.name)->text(), e.caption);
    QCOMPARE(w->findChild<QMenu*>(QStringLiteral("mnuFileMenu"))->title(), QStringLiteral("ファイル"));
    QCOMPARE(w->findChild<QMenu*>(QStringLiteral("mnuSet"))->title(), QStringLiteral("設定"));
    QCOMPARE(w->findChild<QMenu*>(QStringLiteral("mnuHp"))->title(), QStringLiteral("HELP"));
    QVERIFY(!action(w, "mnuFrmTop")->isChecked());
    QVERIFY(action(w, "mnuADIF2HamLog")->isVisible() && action(w, "mnuSettings")->isVisible());

    auto* timer2 = w->findChild<QTimer*>(QStringLiteral("Timer2"));
    auto* timer3 = w->findChild<QTimer*>(QStringLiteral("Timer3"));
    QVERIFY(timer2 && timer3);
    QCOMPARE(timer2->interval(), 1000);
    QCOMPARE(timer3->interval(), 2000);
    QVERIFY(!timer2->isActive() && !timer3->isActive());
    QCOMPARE(w->findChild<UdpReceiver*>(QStringLiteral("Winsock1"))->state(),
             QAbstractSocket::UnconnectedState);

    auto* label = w->findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(label && label->text().isEmpty());
    QCOMPARE(label->width(), TwipsToPixelsX(w, 7335));
    QVERIFY(w->findChild<QStatusBar*>(QStringLiteral("StatusBar1")));
    w->setStatusText(QStringLiteral("JA1ZZZ をTURBO HAMLOG データベースに追加しました"));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("StatusBar1_Panel1"))->text(), w->statusText());
    const QString date = w->findChild<QLabel*>(QStringLiteral("StatusBar1_Panel2"))->text();
    const QString time = w->findChild<QLabel*>(QStringLiteral("StatusBar1_Panel3"))->text();
    QVERIFY2(QDate::fromString(date, QStringLiteral("yyyy/MM/dd")).isValid(), qPrintable(date));
    QVERIFY2(QTime::fromString(time, QStringLiteral("H:mm")).isValid(), qPrintable(time));
}

// Catches a first start that loses the settings message, opens no dialog, blocks on it, or
// shows launch entries nobody chose.
void TstFrmMain::startWithoutSettingsFile()
{
    frmMain* w = load();
    QCOMPARE(m_prompts->messages.value(0), QStringLiteral("設定ファイルがありません\r\n設定をして下さい"));
    QCOMPARE(m_prompts->dialogOpenAtMessage.value(0), false); // message first, then the dialog
    // The two country files are missing too; their messages follow, each step still runs.
    QCOMPARE(m_prompts->messages.size(), 3);
    frmSettings* dialog = w->settingsDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(w->windowTitle(), AppInfo::idleCaption());
    QVERIFY(visibleLaunchEntries(w).isEmpty());
    QVERIFY(QFileInfo(m_folder->filePath(QStringLiteral("Log"))).isDir());
    QCOMPARE(Program().AdifLogPath,
             QDir::toNativeSeparators(m_folder->filePath(QStringLiteral("Log/Velkor.adi"))));
    // The dialog shows the addresses and ports the program will use, for the partner's settings.
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("Text3"))->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("Text4"))->text(), QStringLiteral("2333"));
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("Text2"))->text(), QStringLiteral("2433"));

    // OK there brings the launch entry at once, and the file written holds those ports.
    dialog->findChild<QCheckBox*>(QStringLiteral("Check8"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QCOMPARE(Program().settings.WsjtVisible, qint16(1));
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("WSJT-Xを起動")});
    QTRY_VERIFY(!w->settingsDialog());
    w->close();
    const QByteArray file = m_folder->read(QStringLiteral("VELKOR.ini"));
    QVERIFY2(file.contains("WsjtIP=127.0.0.1\r\n") && file.contains("WsjtPort=2333\r\n"), file.constData());
}

// Catches launch entries shown for programs not in use, or a needless settings message.
void TstFrmMain::startWithWsjtVisible()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"),
                            settingsFile("JtdxVisible=0\r\nWsjtVisible=1\r\nMshvVisible=2\r\n")));
    frmMain* w = load();
    QVERIFY2(m_prompts->messages.isEmpty(), qPrintable(m_prompts->messages.join(QLatin1Char('|'))));
    QVERIFY(!w->settingsDialog());
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("WSJT-Xを起動")});
    QCOMPARE(Program().settings.WsjtPort, 2333);
    QCOMPARE(w->findChild<UdpReceiver*>(QStringLiteral("Winsock1"))->state(),
             QAbstractSocket::UnconnectedState);
}

// Catches a start that fails to make the log folder, or empties an existing one.
void TstFrmMain::logFolderCreatedOrLeftAlone()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    QVERIFY(m_folder->write(QStringLiteral("Log/Velkor.adi"), "ADIF Export\r\n<call:6>JA1ZZZ <eor>\r\n"));
    load();
    QCOMPARE(m_folder->read(QStringLiteral("Log/Velkor.adi")),
             QByteArray("ADIF Export\r\n<call:6>JA1ZZZ <eor>\r\n"));
    QVERIFY(m_prompts->messages.isEmpty());
}

// Catches a failed step that stops the rest of the loading.
void TstFrmMain::loadGoesOnWhenLogFolderCannotBeMade()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("Log"), "a file where the folder should be"));
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("FreeDvVisible=1\r\n")));
    frmMain* w = load();
    QVERIFY(QFileInfo(m_folder->filePath(QStringLiteral("Log"))).isFile());
    QVERIFY(!Program().AdifLogPath.isEmpty());
    QCOMPARE(Program().settings.ThDbFile, QStringLiteral("C:\\Hamlog\\Hamlog.hdb"));
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("FreeDVを起動")});
}

// Catches launch entries shown while the modal dialog is up, or left stale after it.
void TstFrmMain::settingsMenuWrapsTheDialog()
{
    writeTables();
    QVERIFY(
        m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("JtdxVisible=1\r\nMshvVisible=1\r\n")));
    frmMain* w = load();
    QCOMPARE(visibleLaunchEntries(w).size(), 2);
    bool sawModal = false;
    onNextModal([&](QWidget* modal) {
        sawModal = true;
        QCOMPARE(modal, static_cast<QWidget*>(w->settingsDialog()));
        QVERIFY(visibleLaunchEntries(w).isEmpty());
        modal->findChild<QCheckBox*>(QStringLiteral("Check7"))->click(); // JTDX no longer used
        modal->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    });
    action(w, "mnuSettings")->trigger();
    QVERIFY(sawModal);
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("MSHVを起動")});

    // CANCEL restores the same entries.
    onNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    action(w, "mnuSettings")->trigger();
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("MSHVを起動")});
}

// Catches a second dialog built over the one the user is still editing.
void TstFrmMain::settingsMenuBringsTheOpenDialogForward()
{
    frmMain* w = load(); // no settings file: the dialog opens without blocking
    frmSettings* dialog = w->settingsDialog();
    QVERIFY(dialog);
    auto* address = dialog->findChild<QLineEdit*>(QStringLiteral("Text1"));
    address->setText(QStringLiteral("192.0.2.7"));
    dialog->hide();                      // behind other windows, as far as the test can tell
    action(w, "mnuSettings")->trigger(); // must return at once: nothing modal to answer
    QCOMPARE(w->settingsDialog(), dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(w->findChildren<frmSettings*>().size(), 1);
    QCOMPARE(address->text(), QStringLiteral("192.0.2.7")); // not rebuilt
    w->showSettingsDialogModeless();
    QCOMPARE(w->findChildren<frmSettings*>().size(), 1);
}

// Catches a launch entry that starts nothing useful when its program file is missing.
void TstFrmMain::launchEntryWithoutProgramFile()
{
    writeTables();
    const QString program = m_folder->filePath(QStringLiteral("wsjtx"));
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"),
                            settingsFile("WsjtVisible=1\r\nWsjtFile=" + program.toUtf8() + "\r\n")));
    frmMain* w = load();
    auto starter = std::make_unique<FakePartnerProcessStarter>();
    FakePartnerProcessStarter* launches = starter.get();
    w->setProcessStarter(std::move(starter));
    action(w, "mnuWSJTopen")->trigger();
    QCOMPARE(m_prompts->messages, QStringList{QStringLiteral("WSJT ファイルを設定してください")});
    QVERIFY(w->settingsDialog() && w->settingsDialog()->isVisible());
    QVERIFY(launches->started.isEmpty());
    QCOMPARE(w->windowTitle(), AppInfo::idleCaption());
    QCOMPARE(visibleLaunchEntries(w), QStringList{QStringLiteral("WSJT-Xを起動")});

    QVERIFY(m_folder->write(QStringLiteral("wsjtx"), "#!/bin/sh\n"));
    action(w, "mnuWSJTopen")->trigger();
    QCOMPARE(launches->started, QStringList{program});
    QCOMPARE(w->sourceProgram(), qint16(2));
}

// Catches a topmost toggle that does not toggle back, moves the window or loses it.
void TstFrmMain::topmostToggledTwice()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    frmMain* w = load();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->move(120, 90);
    const QPoint before = w->pos();
    QAction* top = action(w, "mnuFrmTop");
    top->trigger();
    QVERIFY(top->isChecked());
#ifndef Q_OS_WIN
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
#endif
    QVERIFY(w->isVisible());
    QCOMPARE(w->pos(), before);
    top->trigger();
    QVERIFY(!top->isChecked());
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(w->isVisible());
    QCOMPARE(w->pos(), before);
}

// Catches settings changed during the run that never reach the file, or a lost window position.
void TstFrmMain::settingsWrittenOnClose()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("frmTop=1500\r\nfrmLeft=3000\r\n")));
    frmMain* w = load();
    QCOMPARE(w->pos(), QPoint(TwipsToPixelsX(w, 3000), TwipsToPixelsY(w, 1500)));
    Program().settings.WsjtPort = 2500;
    Program().settings.SentMrk = QStringLiteral("済");
    QVERIFY(w->close());
    const QByteArray file = m_folder->read(QStringLiteral("VELKOR.ini"));
    verifyPosition(w, file);
    QVERIFY(file.contains("\r\nThDbFile=C:\\Hamlog\\Hamlog.hdb\r\n"));
    QVERIFY(file.contains("\r\nWsjtPort=2500\r\n"));
    QVERIFY(file.contains("\r\nSentMrk=\x8d\xcf\r\n")); // Shift-JIS
    QVERIFY(!w->findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
    QVERIFY(!w->findChild<QTimer*>(QStringLiteral("Timer3"))->isActive());
    QCOMPARE(w->findChild<UdpReceiver*>(QStringLiteral("Winsock1"))->state(),
             QAbstractSocket::UnconnectedState);
}

// Catches a minimized window's close that writes no position or the icon's position.
void TstFrmMain::closingWhileMinimizedKeepsThePosition()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("frmTop=1500\r\nfrmLeft=3000\r\n")));
    frmMain* w = load();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->showMinimized();
    QVERIFY(w->close());
    const QByteArray file = m_folder->read(QStringLiteral("VELKOR.ini"));
    verifyPosition(w, file);
}

// Catches a modeless dialog that outlives the main window and keeps the program running.
void TstFrmMain::closingDropsAnOpenModelessDialog()
{
    frmMain* w = load(); // the settings dialog is open
    QPointer<frmSettings> dialog = w->settingsDialog();
    QVERIFY(dialog);
    dialog->findChild<QCheckBox*>(QStringLiteral("Check7"))->click();
    QVERIFY(w->close());
    QTRY_VERIFY(!dialog || !dialog->isVisible());
    QCOMPARE(Program().settings.JtdxVisible, qint16(0));
    QVERIFY(m_folder->read(QStringLiteral("VELKOR.ini")).contains("\r\nJtdxVisible=0\r\n"));
}

// Catches help looked for anywhere but beside the program, or a HELP that does nothing where no
// browser is installed.
void TstFrmMain::helpOpensBesideTheProgram()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    frmMain* w = load();
    QStringList opened;
    w->setHelpOpener([&](QWidget* window, const QString& path) {
        QCOMPARE(window, static_cast<QWidget*>(w));
        opened << path;
    });
    action(w, "mnuHelp")->trigger();
    QCOMPARE(opened, QStringList{QDir::toNativeSeparators(m_folder->filePath(QStringLiteral("VELKOR.chm")))});
    QCOMPARE(HtmlHelpPath(opened.first()),
             QDir::toNativeSeparators(m_folder->filePath(QStringLiteral("VELKOR.html"))));
#ifndef Q_OS_WIN
    // Where no browser opens the help (this offscreen platform opens none), it shows in a window
    // of VELKOR's own, one only; a missing help file is named there.
    OpenHelpFile(w, opened.first());
    auto* help = w->findChild<QTextBrowser*>(QStringLiteral("helpWindow"));
    QVERIFY(help && help->isVisible());
    QVERIFY2(help->toPlainText().contains(HtmlHelpPath(opened.first())), qPrintable(help->toPlainText()));
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.html"),
                            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                            "</head><body><h1>使い方</h1></body></html>"));
    OpenHelpFile(w, opened.first());
    QCOMPARE(w->findChildren<QTextBrowser*>().size(), 1);
    QCOMPARE(help->toPlainText().trimmed(), QStringLiteral("使い方"));
    // Escape closes it, as it closes the program's other windows.
    QPointer<QTextBrowser> open(help);
    QApplication::setActiveWindow(help);
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_Escape);
    QTRY_VERIFY(!open);
#endif
    QVERIFY(m_prompts->messages.isEmpty());
}

// Catches a dead import entry or an import window that does not block the main window.
void TstFrmMain::importWindowIsModal()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    frmMain* w = load();
    QString seen;
    onNextModal([&](QWidget* modal) {
        seen = modal->objectName();
        QVERIFY(modal->isModal());
        static_cast<QDialog*>(modal)->reject();
    });
    action(w, "mnuADIF2HamLog")->trigger();
    QCOMPARE(seen, QStringLiteral("frmAdifConv"));
}

// Catches a second copy that opens a window, raises a message or touches the files.
void TstFrmMain::secondCopyEndsAtOnce()
{
    const QString lockPath = m_folder->filePath(QStringLiteral("velkor.lock"));
    SingleInstanceLock first(lockPath);
    QVERIFY(first.tryAcquire());
    SingleInstanceLock second(lockPath);
    const int windowsBefore = QApplication::topLevelWidgets().size();
    std::unique_ptr<frmMain> window = StartUp(second, Program(), *m_prompts);
    QVERIFY(!window);
    QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(!QFileInfo::exists(m_folder->filePath(QStringLiteral("Log"))));

    // The first copy, meanwhile, starts normally.
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    SingleInstanceLock other(m_folder->filePath(QStringLiteral("other.lock")));
    m_window = StartUp(other, Program(), *m_prompts);
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
    QVERIFY(QFileInfo(m_folder->filePath(QStringLiteral("Log"))).isDir());
}

// Catches settings and ADIF log silently lost where the program's folder cannot be written
// (under Program Files): the user is told at start-up, and a writable folder says nothing.
void TstFrmMain::unwritableProgramFolderIsSaid()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    SingleInstanceLock lock(m_folder->filePath(QStringLiteral("velkor.lock")));
    m_window = StartUp(lock, Program(), *m_prompts);
    QVERIFY(m_prompts->messages.isEmpty());
    m_window.reset();

    // A folder below a plain file can be made by nobody, root included.
    const QString blocked = m_folder->filePath(QStringLiteral("VELKOR.ini/folder"));
    ProgramFolder::setPath(blocked);
    m_window = StartUp(lock, Program(), *m_prompts);
    QVERIFY(m_window && m_window->isVisible());
    // After the load's own messages (no settings file, no country files there).
    QCOMPARE(m_prompts->messages.last(), ProgramFolderNotWritableMessage(ProgramFolder::path()));
    QVERIFY(m_prompts->messages.last().contains(QStringLiteral("書き込めません")));
}

// Catches message boxes without the program's title.
void TstFrmMain::messageBoxesCarryTheTitle()
{
    MessageBoxPrompts prompts;
    QString title;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    prompts.showMessage(QStringLiteral("設定ファイルがありません\r\n設定をして下さい"));
    QCOMPARE(title, QStringLiteral("VELKOR"));
    QCOMPARE(text, QStringLiteral("設定ファイルがありません\r\n設定をして下さい"));

    // However short the text, the caption fits beside the title bar's icon and close button
    // (about 100 px of them at 96 DPI); the missing-table box stays above other programs.
    int width = 0;
    int captionWidth = 0;
    int dpi = 96;
    bool onTop = false;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        width = box->width();
        captionWidth = box->fontMetrics().horizontalAdvance(box->windowTitle());
        dpi = box->logicalDpiX();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        modal = box->windowModality() == Qt::ApplicationModal;
        box->button(QMessageBox::Ok)->click();
    });
    prompts.showSystemModalMessage(QStringLiteral("!"));
    QVERIFY2(width >= captionWidth + 100 * dpi / 96, qPrintable(QString::number(width)));
    QVERIFY(onTop);
    QVERIFY(modal);

    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        box->button(QMessageBox::Cancel)->click();
    });
    QVERIFY(!prompts.askOkCancel(QStringLiteral("?")));
}

// Catches the settings dialog of a first start left under the main window, or without the focus.
void TstFrmMain::startUpDialogComesUpOnTop()
{
    writeTables();
    SingleInstanceLock lock(m_folder->filePath(QStringLiteral("velkor.lock")));
    m_window = StartUp(lock, Program(), *m_prompts);
    QVERIFY(m_window);
    QCOMPARE(m_prompts->messages.value(0), QStringLiteral("設定ファイルがありません\r\n設定をして下さい"));
    frmSettings* dialog = m_window->settingsDialog();
    QVERIFY(dialog && dialog->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(dialog));
    QVERIFY(QApplication::focusWidget() && dialog->isAncestorOf(QApplication::focusWidget()));
}

// Catches a window restored to a position on a monitor that is gone, or one moved although it
// was on a screen.
void TstFrmMain::positionOffEveryScreenComesBack()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("frmTop=1500\r\nfrmLeft=60000\r\n")));
    frmMain* w = load();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(free.contains(w->frameGeometry()));
    QCOMPARE(w->frameGeometry().right(), free.right()); // as far as it must, no further
    // The height stays as saved, to within the frame the window system adds once it knows it.
    QVERIFY(qAbs(w->y() - TwipsToPixelsY(w, 1500)) <= w->geometry().y() - w->frameGeometry().y());
}

// Catches date and time drawn against the panel borders.
void TstFrmMain::clockPanelsKeepTheirPadding()
{
    writeTables();
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), settingsFile("")));
    frmMain* w = load();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const struct
    {
        const char* panel;
        QString widest;
    } panels[] = {{"StatusBar1_Panel2", QStringLiteral("2026/12/31")},
                  {"StatusBar1_Panel3", QStringLiteral("23:59")}};
    for (const auto& p : panels) {
        auto* panel = w->findChild<QLabel*>(QLatin1String(p.panel));
        const int room = panel->contentsRect().width() - panel->fontMetrics().horizontalAdvance(p.widest);
        QVERIFY2(room >= 2 * 4, p.panel);
    }
}

void TstFrmMain::textsReadableWhole_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("scale");  // the display's, in per cent
    QTest::addColumn<bool>("whole"); // drawn whole, not only in the tooltip
    // A typical WSJT-X contact (four lines at the window's font).
    const QString wsjtx =
        QStringLiteral("<call:6>JA1ABC <gridsquare:4>PM95 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 "
                       "<qso_date:8>20240315 <time_on:6>123015 <qso_date_off:8>20240315 <time_off:6>123115 "
                       "<band:3>20m <freq:9>14.074150 <station_callsign:6>JA1ZZZ <my_gridsquare:4>PM95 "
                       "<tx_pwr:2>50 <comment:7>tnx QSO <name:4>Taro <eor>");
    // Every kind of status text at its longest usual length.
    const QStringList statuses{
        frmMain::contactAddedText(QStringLiteral("VK9XYZ/MM")),
        HamlogTransfer::transferredText(43821, 12),
        HamlogTransfer::cancelledText(43821, 12),
        frmMain::refusedText(CallSign::CheckContact(QStringLiteral("<call:6>JA1#XZ <eor>")).reason),
        QStringLiteral("WSJT-Xを起動しました　UDPポート 2333 は使用中です"),
        QStringLiteral("FreeDVを起動しました　マルチキャスト 239.255.255.255 に参加できません"),
        QStringLiteral("FreeDVが終了しました"),
    };
    for (const int scale : {100, 125, 150}) {
        QTest::addRow("WSJT-X contact at %d %%", scale) << "Label1" << wsjtx << scale << true;
        for (const QString& status : statuses)
            QTest::addRow("%s at %d %%", qPrintable(status.left(12)), scale)
                << "StatusBar1_Panel1" << status << scale << true;
    }
    QTest::newRow("contact with a long comment")
        << "Label1" << wsjtx + QStringLiteral(" <comment:400>") + QString(400, QLatin1Char('x')) << 100
        << false;
}

// Catches a contact whose last lines are cut off in Label1, a status text cut beside the counts
// or with no way to read it, counts or missing tables not in view, a failure box that does not
// say the contact is kept, and a window restored against the bottom of the screen whose status
// bar falls below it - at the display scales users have.
void TstFrmMain::textsReadableWhole()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(int, scale);
    QFETCH(bool, whole);
    // The screen at that scale: twips and the window's font both grow.
    OverrideLogicalDpi(96 * scale / 100);
    const QFont appFont = QApplication::font();
    QFont scaled = appFont;
    scaled.setPointSizeF(9.0 * scale / 100); // a desktop's usual size; offscreen platforms differ
    QApplication::setFont(scaled);
    const auto restore = qScopeGuard([appFont] {
        OverrideLogicalDpi(0);
        QApplication::setFont(appFont);
    });
    // No reference tables, a database that fails and a refused contact: every panel is in use.
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    const double top = (free.bottom() + 1) * 1440.0 / (96 * scale / 100) - 1000;
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"),
                            "ThDbFile=" + m_folder->filePath(QStringLiteral("Log")).toUtf8() +
                                "\r\nfrmLeft=300\r\nfrmTop=" + QByteArray::number(top) + "\r\n"));
    frmMain* w = load();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QList<qint64> ids = w->delivery().take(
        {QStringLiteral("<call:6>JA1ABC <mode:3>FT8 <eor>"), QStringLiteral("<call:6>JA1#XZ <eor>")}, 2);
    w->delivery().deliver({{ids.value(0), QStringLiteral("<call:6>JA1ABC <mode:3>FT8 <eor>")}});
    QVERIFY2(m_prompts->messages.last().endsWith(ContactDelivery::keptForRetryText()),
             qPrintable(m_prompts->messages.last()));
    QTRY_COMPARE(w->countsText(), QStringLiteral("未転送 1 件\n受付拒否 1 件"));
    QVERIFY(w->reminderText().startsWith(QStringLiteral("Cty.dat と TH_DX.dat がありません。")));
    QVERIFY(w->reminderText().contains(QStringLiteral("「HELP」")));
    auto* counts = w->findChild<QLabel*>(QStringLiteral("StatusBar1_Counts"));
    for (const QString& line : counts->text().split(QLatin1Char('\n')))
        QVERIFY2(counts->fontMetrics().horizontalAdvance(line) <= counts->contentsRect().width(),
                 qPrintable(line));
    // The window whole on the screen, the status bar inside it. Where the system has given the
    // window no frame yet (X11 without a window manager), room for a title bar above it too;
    // Windows knows its frame and places it.
#ifdef Q_OS_WIN
    const int titleRoom = 0;
#else
    const int titleRoom = TwipsToPixelsY(w, 300);
#endif
    QVERIFY2(w->geometry().bottom() + titleRoom <= free.bottom(),
             qPrintable(QStringLiteral("%1 %2").arg(w->geometry().bottom()).arg(free.bottom())));
    auto* bar = w->findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    QVERIFY(bar->geometry().bottom() < w->height());

    auto* label = w->findChild<QLabel*>(control);
    QString shown;
    if (auto* contact = dynamic_cast<ContactLabel*>(label)) {
        label->setText(text);
        shown = contact->shownText();
        // Measured apart from the label's own layout: the text drawn fits the box.
        const QRect room = label->contentsRect().adjusted(2, 1, -2, -1);
        const QRect needed = QFontMetrics(contact->fittedFont())
                                 .boundingRect(room, Qt::TextWordWrap | Qt::TextWrapAnywhere, shown);
        QVERIFY2(needed.height() <= room.height(), qPrintable(QString::number(needed.height())));
        QVERIFY(contact->fittedFont().pointSizeF() >= 6 * scale / 100);
    } else {
        auto* panel = dynamic_cast<StatusPanel*>(label);
        QVERIFY(panel);
        w->setStatusText(text);
        QCOMPARE(w->statusText(), text);
        shown = panel->shownText();
        const QStringList lines = panel->shownLines();
        const QFontMetrics drawn(panel->fittedFont());
        QVERIFY(panel->fittedFont().pointSizeF() >= panel->font().pointSizeF() * 0.8);
        QVERIFY(lines.size() <= StatusPanel::kLines);
        QVERIFY(lines.size() * drawn.lineSpacing() <= panel->contentsRect().height());
        for (const QString& line : lines)
            QVERIFY(drawn.horizontalAdvance(line.trimmed()) <= panel->contentsRect().width());
    }
#ifdef Q_OS_WIN
    // Whether a text fits whole follows the fonts, and Wine's are wider than Windows' own; cut or
    // not, what is drawn fits and the whole text is at hand.
    whole = shown == text;
#endif
    QCOMPARE(shown == text, whole);
    if (!whole) {
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QHelpEvent tip(QEvent::ToolTip, label->rect().center(), label->mapToGlobal(label->rect().center()));
        QApplication::sendEvent(label, &tip);
        QTRY_COMPARE(QToolTip::text(), text);
        QToolTip::hideText();
    }

    // The reminder goes once the tables are there.
    writeTables();
    QMetaObject::invokeMethod(w, "updateClock"); // the clock's next tick
    QVERIFY(w->reminderText().isEmpty());
}

// Catches Qt's own dialogs (the file-open dialog off Windows) left in English.
void TstFrmMain::qtDialogsSpeakJapanese()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("qtbase_ja.qm"))))
        QSKIP("Qt's Japanese translations are not installed");
    QTranslator* translator = InstallQtTranslations(*qApp);
    QVERIFY(translator);
    const QString open = QCoreApplication::translate("QFileDialog", "&Open");
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QVERIFY2(open != QLatin1String("&Open"), qPrintable(open));
}

// Catches the window's append operations not reaching the store, or reporting a call sign or a
// transfer that did not happen.
void TstFrmMain::appendsReachTheStore()
{
    writeTables();
    const QString db = m_folder->filePath(QStringLiteral("log.db"));
    QVERIFY(m_folder->write(QStringLiteral("VELKOR.ini"), ("ThDbFile=" + db + "\r\n").toUtf8()));
    frmMain* w = load();
    w->setStatusText(QStringLiteral("old"));

    QCOMPARE(w->ThLogDbAppend(QStringLiteral("<call:6>ja1abc <qso_date:8>20240315 <time_on:6>123456 "
                                             "<freq:6>14.074 <mode:3>FT8 <eor>")),
             HamlogTransfer::AppendRan);
    QCOMPARE(w->lastCallSign(), QStringLiteral("JA1ABC"));
    QCOMPARE(w->statusText(), QStringLiteral("old")); // the intake writes the status line

    ClearAdifTransferList();
    AddAdifTransferRecord(QStringLiteral("<CALL:5>K1ABC <QSO_DATE:8>20240316 <FREQ:9>7.074000 <EOR>"));
    AddAdifTransferRecord(QStringLiteral("<QSO_DATE:8>20240316 <EOR>")); // no call sign: skipped
    w->setLastCallSign(QString());
    QCOMPARE(w->ThDbFileAppend(), HamlogTransfer::AppendRan);
    QCOMPARE(w->statusText(),
             QStringLiteral("TURBO HAMLOG データベースに転送しました (追加 1 件、スキップ 1 件)"));
    QVERIFY(w->lastCallSign().isEmpty());
    ClearAdifTransferList();

    QList<StoredRecord> records;
    QString error;
    QVERIFY2(BuiltinStore::ReadRecords(db, records, error), qPrintable(error));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).fields[1], QStringLiteral("JA1ABC"));
    QCOMPARE(records.at(0).fields[2], QStringLiteral("24/03/15"));
    QCOMPARE(records.at(1).fields[1], QStringLiteral("K1ABC"));
    QCOMPARE(records.at(1).fields[6], QStringLiteral("7.074"));

    // A database that cannot be opened: the message, and no call sign reported.
    Program().settings.ThDbFile = m_folder->filePath(QStringLiteral("Cty.dat")); // not a store
    w->setLastCallSign(QString());
    w->ThLogDbAppend(QStringLiteral("<call:5>JA2XY <eor>"));
    QVERIFY(w->lastCallSign().isEmpty());
    QVERIFY(m_prompts->messages.last().startsWith(QStringLiteral("データベースがオープンできません\n")));
}

QTEST_MAIN(TstFrmMain)
#include "tst_frm_main.moc"
