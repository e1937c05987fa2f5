#pragma once

#include "common/prompts.h"
#include "hamlog/hamlog_transfer.h"
#include "platform/partner_process.h"
#include "settings/settings_file.h"

#include <QMainWindow>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressDialog;
class QTimer;
class UdpReceiver;
class frmSettings;
class frmOutbox;
class ContactDelivery;
class ContactIntake;
class ContactPipeline;
class HamlogLibrary;
struct ProgramData;

// The main window: the last received contact in Label1, status texts in StatusBar1, the menus,
// the two timers and the UDP socket. There is one for the whole run; every other window reaches
// the program through it.
//
// Loading is a separate step (Form_Load) so that whoever creates the window decides when message
// boxes may appear; the start-up routine loads, then shows it.
class frmMain : public QMainWindow, public SettingsWindow, public HamlogHost
{
    Q_OBJECT

public:
    // prompts answers every message box the loading raises; data is the program-wide data.
    frmMain(ProgramData& data, Prompts& prompts, QWidget* parent = nullptr);
    ~frmMain() override;

    // Idle caption, Log folder, AdifLogPath, settings file, country tables, launch entries; each
    // step runs even when one before it failed. Reception stays off.
    void Form_Load();

    // Shows the launch entries of the partner programs marked as used; never hides one.
    void MnuOn();
    // Hides all four launch entries.
    void MnuOff();

    // Status panel 1: the status text, in up to two lines; its tooltip the same, whole.
    void setStatusText(const QString& text) override;
    // The status text alone, without the counts.
    QString statusText() const;
    // The counts in their own panel (empty when nothing waits and nothing was refused).
    static QString outboxCountsText(int waiting, int refused);
    // That panel's text while it is shown, one count a line.
    QString countsText() const;
    // The reminder of missing reference tables that Label1 keeps while no contact is shown.
    static QString missingTablesText(const QStringList& files);
    QString reminderText() const;

    // The road of the received contacts: library, transfer, outbox and delivery (made on first
    // use).
    ContactPipeline& pipeline();
    ContactDelivery& delivery();
    // The boxes of failed appends: never more than one open, never waited for.
    FailureBoxes& failureBoxes() { return m_failureBoxes; }
    // The window of waiting and refused contacts while it is open, else nullptr.
    frmOutbox* outboxWindow() const;

    // Appends one contact received over UDP to the HAMLOG database. When another append holds the
    // database, the contact waits and AppendDeferred comes back; hamlogTransfer() then reports it
    // through contactAppended once it is in. LastCallSign is set only for a contact really added.
    HamlogTransfer::AppendRequest ThLogDbAppend(const QString& contactText);
    // Appends the records of AdifTransferList (positions 1 to AdifTransferCount), showing its
    // progress in a dialog whose cancel stops the transfer and keeps what was appended.
    HamlogTransfer::AppendRequest ThDbFileAppend();
    // HamlogHost: the import's progress; false once the user has cancelled.
    bool importProgress(int done, int total) override;
    // The transfer's progress dialog while an import runs, else nullptr.
    QProgressDialog* transferProgressDialog() const;
    // The call sign of the contact just appended by ThLogDbAppend; the intake empties it.
    QString lastCallSign() const { return m_lastCallSign; }
    void setLastCallSign(const QString& callSign) override { m_lastCallSign = callSign; }
    HamlogTransfer& hamlogTransfer();
    // Puts another HAMLOG library in place (tests). Otherwise the library is chosen on the first
    // append: HAMLOG's own DLLs where they load, the built-in store elsewhere.
    void setHamlogLibrary(std::unique_ptr<HamlogLibrary> library);

    // The settings dialog, opened without blocking; when it is open already it is brought to the
    // front as the user left it.
    void showSettingsDialogModeless() override;
    // The dialog while it is open, else nullptr.
    frmSettings* settingsDialog() const;

    // How help is shown; tests replace it so that no browser starts.
    using HelpOpener = std::function<void(QWidget* window, const QString& chmPath)>;
    void setHelpOpener(HelpOpener opener);

    // SettingsWindow: the window's outer position in twips.
    void setTopTwips(float twips) override;
    void setLeftTwips(float twips) override;
    float topTwips() const override;
    float leftTwips() const override;
    void showNormal() override;
    bool isMinimized() const override;

    // --- UDP reception (frm_main_reception.cpp) ---
    // Sets the socket up for partner program n (1 JTDX, 2 WSJT-X, 3 MSHV, 4 FreeDV); SourceProgram
    // keeps n. A socket listening for n at the address and port the settings give is kept as it
    // is, so nothing that arrives meanwhile is lost.
    void OpenUdpPort(qint16 n);
    // Closes the socket (the watch, when the partner has ended; the unload).
    void CloseUdpPort();
    // Without a launched partner: listens for the partner the settings name to be heard from
    // start-up on (ListenOnStart), or closes the socket when they name none.
    void listenAsSet();
    qint16 sourceProgram() const { return m_sourceProgram; }
    // The clock of the intake's copy rule, in milliseconds (tests).
    void setReceptionClock(std::function<qint64()> clock);
    // "QQ1AA をTURBO HAMLOG データベースに追加しました"
    static QString contactAddedText(const QString& callSign);
    // Panel 1 for a datagram whose contact was refused as junk.
    static QString refusedText(const QString& reason);

    // --- Partner programs (frm_main_partners.cpp) ---
    // The idle caption, the launch entries of the used programs, Timer3 off, socket closed.
    void returnToIdle(qint16 endedProgram);
    // Puts another way of starting the partner programs in place (tests); the system's own
    // otherwise.
    void setProcessStarter(std::unique_ptr<PartnerProcessStarter> starter);
    // How often Timer3 looks at the partner: 2000 ms unless a test makes it shorter.
    void setPartnerWatchInterval(int milliseconds);
    // LaunchedProcessId: the process id of the partner last started, 0 before the first.
    qint32 launchedProcessId() const { return m_launchedProcessId; }

signals:
    // After each record of an import (done 0 as it begins), before the cancel is looked at; a
    // test may cancel the transfer's dialog right here.
    void importProgressed(int done, int total);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void mnuADIF2HamLog_Click();
    void mnuFrmTop_Click();
    void mnuSettings_Click();
    void mnuHelp_Click();
    void mnuOutbox_Click();
    void mnuRetryOutbox_Click();
    void showPanel1();
    void launchEntryClicked(int programNumber);
    void updateClock();
    void watchMissingTables();
    // Reception.
    void Winsock1_DataArrival();
    void Timer2_Timer();
    void contactAppendedLater(const QString& callSign, bool deferred);
    // Partner programs: the watch.
    void Timer3_Timer();

private:
    void buildMenus();
    // Status panel 1 showing the point of a long text, the tooltip the whole of it.
    void showStatus(const QString& shown, const QString& whole);
    // True when the text fits status panel 1 as it stands.
    bool fitsStatusPanel(const QString& text) const;
    void buildControls();
    // Closes the transfer's progress dialog once no import runs or waits any more.
    void closeTransferProgressWhenIdle();
    void Form_Unload();
    // Brings the window back onto a screen when it lies on none.
    void keepOnScreen();
    frmSettings* openSettingsDialog();

    ProgramData& m_data;
    Prompts& m_prompts;
    FailureBoxes m_failureBoxes;
    QString m_statusText;  // panel 1 without the counts
    QString m_statusWhole; // its tooltip without the counts
    HelpOpener m_openHelp;
    QPointer<frmSettings> m_settingsDialog;
    bool m_unloaded = false;
    QString m_lastCallSign;

    // --- reception state (frm_main_reception.cpp) ---
    qint16 m_sourceProgram = 0; // SourceProgram
    qint16 m_timer2Phase = 0;   // Timer2Phase
    std::unique_ptr<ContactIntake> m_intake; // refers to the pipeline: goes before it
    std::function<qint64()> m_receptionClock;
    ContactIntake& intake();
    void showContact(const QString& contactText);
    void contactsDelivered(HamlogTransfer::AppendRequest request, const QStringList& takenAgain);
    QString addedStatus(const QString& callSign) const;
    QString adifLogMissing() const;
    void showListening();

    // --- partner state (frm_main_partners.cpp) ---
    qint32 m_launchedProcessId = 0; // LaunchedProcessId
    std::unique_ptr<PartnerProcessStarter> m_processStarter;
    std::unique_ptr<PartnerProcess> m_partnerProcess; // the program Timer3 watches
    std::unique_ptr<HamlogLibrary> m_libraryToUse; // set by a test before the pipeline is made
    std::unique_ptr<ContactPipeline> m_pipeline;
    QPointer<frmOutbox> m_outboxWindow;
    QPointer<QProgressDialog> m_transferProgress;
    qint64 m_transferProgressShownMs = 0;

    QLabel* Label1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* m_panel1 = nullptr;
    QLabel* m_counts = nullptr; // waiting and refused contacts
    QLabel* m_listening = nullptr; // whether and where the socket listens
    // The address setting and port the socket listens on, while it does.
    QString m_listenAddress;
    qint32 m_listenPort = 0;
    QStringList m_missingTables;
    QLabel* m_panel2 = nullptr; // date
    QLabel* m_panel3 = nullptr; // time
    QTimer* m_clock = nullptr;
    UdpReceiver* Winsock1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;

    QMenu* mnuFileMenu = nullptr;
    QAction* mnuADIF2HamLog = nullptr;
    QAction* mnuOutbox = nullptr;
    QAction* mnuRetryOutbox = nullptr;
    QMenu* mnuSet = nullptr;
    QAction* mnuFrmTop = nullptr;
    QAction* mnuSettings = nullptr;
    QAction* mnuJTDXopen = nullptr;
    QAction* mnuWSJTopen = nullptr;
    QAction* mnuMSHVopen = nullptr;
    QAction* mnuFreeDVopen = nullptr;
    QMenu* mnuHp = nullptr;
    QAction* mnuHelp = nullptr;
};
