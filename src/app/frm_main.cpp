#include "app/frm_main.h"
#include "app/ui_trace.h"

#include "adif_import/frm_adif_conv.h"
#include "app/contact_label.h"
#include "app/frm_outbox.h"
#include "app/status_panel.h"
#include "app/window_placement.h"
#include "common/app_info.h"
#include "delivery/program_data.h"
#include "common/program_folder.h"
#include "common/twips_gui.h"
#include "delivery/contact_delivery.h"
#include "delivery/contact_pipeline.h"
#include "hamlog/hamlog_library.h"
#include "partners/partner_programs.h"
#include "platform/help_gui.h"
#include "platform/window_stacking_gui.h"
#include "reception/contact_intake.h"
#include "reception/udp_receiver.h"
#include "delivery/adif_log.h"
#include "settings/frm_settings.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr double kClientWidthTwips = 7575;
constexpr double kClientHeightTwips = 1200;
constexpr double kLabelWidthTwips = 7335;
constexpr double kLabelHeightTwips = 855;
constexpr double kPanelPaddingTwips = 90;
// A title bar with the frame above it, as tall as the system's at its largest usual size.
constexpr double kTitleBarTwips = 450;

QAction* launchEntry(frmMain* window, QAction** slot, const char* name, const QString& caption)
{
    *slot = new QAction(caption, window);
    (*slot)->setObjectName(QLatin1String(name));
    (*slot)->setVisible(false);
    return *slot;
}

} // namespace

frmMain::frmMain(ProgramData& data, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_data(data), m_prompts(prompts), m_failureBoxes(prompts), m_openHelp(&OpenHelpFile)
{
    setObjectName(QStringLiteral("frmMain"));
    // Fixed single border: minimize and close, no maximize, no resizing.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(AppInfo::idleCaption());
    buildMenus();
    buildControls();
}

frmMain::~frmMain()
{
    delete m_outboxWindow.data();
    m_intake.reset(); // it refers to the pipeline
    m_pipeline.reset();
}

ContactPipeline& frmMain::pipeline()
{
    if (!m_pipeline) {
        m_pipeline = std::make_unique<ContactPipeline>(m_data.settings, m_data.countryTable, m_data.dxccTable,
                                                       m_failureBoxes, *this, std::move(m_libraryToUse));
        connect(m_pipeline.get(), &ContactPipeline::countsChanged, this, &frmMain::showPanel1);
        connect(m_pipeline.get(), &ContactPipeline::contactAppended, this, [this] { m_failureBoxes.succeeded(); });
    }
    return *m_pipeline;
}

HamlogTransfer& frmMain::hamlogTransfer()
{
    return pipeline().transfer();
}

ContactDelivery& frmMain::delivery()
{
    return pipeline().delivery();
}

frmOutbox* frmMain::outboxWindow() const
{
    return m_outboxWindow.data();
}

QString frmMain::outboxCountsText(int waiting, int refused)
{
    QStringList parts;
    if (waiting > 0)
        parts << QStringLiteral("未転送 %1 件").arg(waiting);
    if (refused > 0)
        parts << QStringLiteral("受付拒否 %1 件").arg(refused);
    return parts.join(QStringLiteral("　"));
}

void frmMain::showPanel1()
{
    auto* panel = static_cast<StatusPanel*>(m_panel1);
    // The panel cuts only a text longer than its two lines; the whole text stays readable in its
    // tooltip.
    panel->setStatus(m_statusText);
    panel->setToolTip(m_statusWhole);
    // The counts have a panel of their own, so that no status text has to share a line with them.
    const QString counts =
        m_pipeline ? outboxCountsText(m_pipeline->delivery().waitingCount(), m_pipeline->delivery().refusedCount())
                   : QString();
    // One count a line, the panel as tall as panel 1.
    m_counts->setText(counts.split(QStringLiteral("　"), Qt::SkipEmptyParts).join(QLatin1Char('\n')));
    m_counts->setToolTip(QStringLiteral("「ファイル」→「未転送・受付拒否の交信...」で一覧を見られます"));
    m_counts->setVisible(!counts.isEmpty());
    // What the program lacks stays in sight, in Label1 while no contact is shown.
    static_cast<ContactLabel*>(Label1)->setReminder(
        m_missingTables.isEmpty() ? QString() : missingTablesText(m_missingTables));
}

QString frmMain::missingTablesText(const QStringList& files)
{
    return QStringLiteral("%1 がありません。交信の DXCC などが空のまま記録されます。\n"
                          "入手先と置き場所は「HELP」にあります（置くとこの表示は消えます）")
        .arg(files.join(QStringLiteral(" と ")));
}

QString frmMain::countsText() const
{
    return m_counts->isHidden() ? QString() : m_counts->text();
}

QString frmMain::reminderText() const
{
    return static_cast<const ContactLabel*>(Label1)->reminder();
}

void frmMain::watchMissingTables()
{
    // The reminder stays until the file is there; then the table is read, without a box.
    if (m_missingTables.isEmpty())
        return;
    const QStringList before = m_missingTables;
    if (m_missingTables.contains(QStringLiteral("Cty.dat")) && QFileInfo(CountryFilePath()).isFile()) {
        SilentPrompts quiet;
        m_data.countryTable.LoadCountryFile(CountryFilePath(), quiet);
        m_missingTables.removeAll(QStringLiteral("Cty.dat"));
    }
    if (m_missingTables.contains(QStringLiteral("TH_DX.dat")) && QFileInfo(DxccFilePath()).isFile()) {
        SilentPrompts quiet;
        m_data.dxccTable.LoadDxccFile(DxccFilePath(), quiet);
        m_missingTables.removeAll(QStringLiteral("TH_DX.dat"));
    }
    if (m_missingTables != before)
        showPanel1();
}

void frmMain::mnuOutbox_Click()
{
    if (!m_outboxWindow) {
        m_outboxWindow = new frmOutbox(delivery(), m_prompts, this);
        m_outboxWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_outboxWindow->show();
    m_outboxWindow->raise();
    m_outboxWindow->activateWindow();
}

void frmMain::mnuRetryOutbox_Click()
{
    // Asked for by the user: the failure already shown is shown again when it recurs.
    m_failureBoxes.succeeded();
    delivery().retryWaiting();
}

void frmMain::setHamlogLibrary(std::unique_ptr<HamlogLibrary> library)
{
    if (!m_pipeline) {
        m_libraryToUse = std::move(library);
        return;
    }
    // The list window works on the delivery, which goes with the library.
    if (m_pipeline->transfer().isBusy())
        return;
    delete m_outboxWindow.data();
    m_pipeline->replaceLibrary(std::move(library));
}

HamlogTransfer::AppendRequest frmMain::ThLogDbAppend(const QString& contactText)
{
    const HamlogTransfer::AppendRequest request = hamlogTransfer().ThLogDbAppend(contactText);
    // An import that waited for this contact has run inside the call.
    closeTransferProgressWhenIdle();
    return request;
}

HamlogTransfer::AppendRequest frmMain::ThDbFileAppend()
{
    m_failureBoxes.setShowEvery(true);
    const HamlogTransfer::AppendRequest request = hamlogTransfer().ThDbFileAppend();
    m_failureBoxes.setShowEvery(false);
    // Every import asked for meanwhile has run by now, whether it ended, failed or was cancelled.
    closeTransferProgressWhenIdle();
    return request;
}

void frmMain::closeTransferProgressWhenIdle()
{
    if (m_transferProgress && !hamlogTransfer().isBusy())
        delete m_transferProgress.data();
}

bool frmMain::importProgress(int done, int total)
{
    if (done == 0) {
        delete m_transferProgress.data();
        // Parented to the main window: the import window has closed before the transfer runs.
        m_transferProgress = new QProgressDialog(this);
        m_transferProgress->setObjectName(QStringLiteral("transferProgress"));
        m_transferProgress->setWindowTitle(AppInfo::title());
        m_transferProgress->setWindowModality(Qt::WindowModal);
        m_transferProgress->setCancelButtonText(QStringLiteral("中止"));
        m_transferProgress->setAutoClose(false);
        m_transferProgress->setAutoReset(false);
        m_transferProgress->setMinimumDuration(500);
        m_transferProgress->setRange(0, qMax(total, 1));
        m_transferProgressShownMs = -1;
    }
    emit importProgressed(done, total);
    QProgressDialog* dialog = m_transferProgress.data();
    if (!dialog)
        return true;
    if (dialog->wasCanceled())
        return false;
    // Updating the dialog lets the event loop run; a few times a second is plenty.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (done == 0 || done == total || now - m_transferProgressShownMs >= 100) {
        m_transferProgressShownMs = now;
        dialog->setLabelText(
            QStringLiteral("TURBO HAMLOG データベースに転送しています\n%1 / %2 件").arg(done).arg(total));
        dialog->setValue(done);
    }
    const bool goOn = !dialog->wasCanceled();
    if (!goOn || done == total)
        delete dialog;
    return goOn;
}

QProgressDialog* frmMain::transferProgressDialog() const
{
    return m_transferProgress.data();
}

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();

    mnuFileMenu = bar->addMenu(QStringLiteral("ファイル"));
    mnuFileMenu->setObjectName(QStringLiteral("mnuFileMenu"));
    mnuADIF2HamLog = mnuFileMenu->addAction(QStringLiteral("ADIFデータをハムログに転送"));
    mnuADIF2HamLog->setObjectName(QStringLiteral("mnuADIF2HamLog"));
    connect(mnuADIF2HamLog, &QAction::triggered, this, &frmMain::mnuADIF2HamLog_Click);
    mnuOutbox = mnuFileMenu->addAction(QStringLiteral("未転送・受付拒否の交信..."));
    mnuOutbox->setObjectName(QStringLiteral("mnuOutbox"));
    connect(mnuOutbox, &QAction::triggered, this, &frmMain::mnuOutbox_Click);
    mnuRetryOutbox = mnuFileMenu->addAction(QStringLiteral("未転送の交信を今すぐ再試行"));
    mnuRetryOutbox->setObjectName(QStringLiteral("mnuRetryOutbox"));
    connect(mnuRetryOutbox, &QAction::triggered, this, &frmMain::mnuRetryOutbox_Click);

    mnuSet = bar->addMenu(QStringLiteral("設定"));
    mnuSet->setObjectName(QStringLiteral("mnuSet"));
    mnuFrmTop = mnuSet->addAction(QStringLiteral("フォームを上層にする"));
    mnuFrmTop->setObjectName(QStringLiteral("mnuFrmTop"));
    mnuFrmTop->setCheckable(true);
    connect(mnuFrmTop, &QAction::triggered, this, &frmMain::mnuFrmTop_Click);
    mnuSettings = mnuSet->addAction(QStringLiteral("設定"));
    mnuSettings->setObjectName(QStringLiteral("mnuSettings"));
    connect(mnuSettings, &QAction::triggered, this, &frmMain::mnuSettings_Click);

    QAction** entries[] = {&mnuJTDXopen, &mnuWSJTopen, &mnuMSHVopen, &mnuFreeDVopen};
    int i = 0;
    for (const PartnerProgram& program : PartnerPrograms()) {
        QAction* entry = launchEntry(this, entries[i++], program.launchEntry, program.launchCaption);
        mnuSet->addAction(entry);
        const int number = program.number;
        connect(entry, &QAction::triggered, this, [this, number] { launchEntryClicked(number); });
    }

    mnuHp = bar->addMenu(QStringLiteral("HELP"));
    mnuHp->setObjectName(QStringLiteral("mnuHp"));
    mnuHelp = mnuHp->addAction(QStringLiteral("HELP"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    connect(mnuHelp, &QAction::triggered, this, &frmMain::mnuHelp_Click);
}

void frmMain::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("clientArea"));
    auto* layout = new QVBoxLayout(central);
    const int margin = (TwipsToPixelsX(this, kClientWidthTwips) - TwipsToPixelsX(this, kLabelWidthTwips)) / 2;
    layout->setContentsMargins(margin, margin / 2, margin, 0);

    // The last received contact, across the window.
    Label1 = new ContactLabel(central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label1->setAutoFillBackground(true);
    Label1->setBackgroundRole(QPalette::Base);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextFormat(Qt::PlainText); // contact texts are full of "<" and ">"
    Label1->setFixedSize(TwipsToPixelsX(this, kLabelWidthTwips), TwipsToPixelsY(this, kLabelHeightTwips));
    layout->addWidget(Label1);
    layout->addStretch(1);
    setCentralWidget(central);

    // Panel 1 carries the status texts; panels 2 and 3 the date and time, kept current here.
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_panel1 = new StatusPanel(StatusBar1);
    m_panel1->setObjectName(QStringLiteral("StatusBar1_Panel1"));
    m_panel2 = new QLabel(StatusBar1);
    m_panel2->setObjectName(QStringLiteral("StatusBar1_Panel2"));
    m_panel3 = new QLabel(StatusBar1);
    m_panel3->setObjectName(QStringLiteral("StatusBar1_Panel3"));
    for (QLabel* panel : {m_panel1, m_panel2, m_panel3}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
    }
    m_panel2->setAlignment(Qt::AlignCenter);
    m_panel3->setAlignment(Qt::AlignCenter);
    // Date and time keep some room inside their borders, and the same width whatever the digits.
    const int padding = TwipsToPixelsX(this, kPanelPaddingTwips);
    m_panel2->setMinimumWidth(m_panel2->fontMetrics().horizontalAdvance(QStringLiteral("8888/88/88")) +
                              2 * (m_panel2->frameWidth() + padding));
    m_panel3->setMinimumWidth(m_panel3->fontMetrics().horizontalAdvance(QStringLiteral("88:88")) +
                              2 * (m_panel3->frameWidth() + padding));
    // Counts of waiting and refused contacts, and tables the program lacks; shown while any.
    m_counts = new QLabel(StatusBar1);
    m_counts->setObjectName(QStringLiteral("StatusBar1_Counts"));
    m_counts->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_counts->setTextFormat(Qt::PlainText);
    m_counts->setAlignment(Qt::AlignCenter);
    m_counts->setContentsMargins(padding, 0, padding, 0);
    m_counts->hide();
    StatusBar1->addWidget(m_panel1, 1);
    StatusBar1->addPermanentWidget(m_counts);
    StatusBar1->addPermanentWidget(m_panel2);
    StatusBar1->addPermanentWidget(m_panel3);
    m_clock = new QTimer(this);
    m_clock->setObjectName(QStringLiteral("clock"));
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmMain::updateClock);
    updateClock();
    m_clock->start();

    Winsock1 = new UdpReceiver(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(2000);
    connect(Winsock1, &UdpReceiver::datagramsWaiting, this, &frmMain::Winsock1_DataArrival);
    // Whether contacts can arrive at all, and on which port, at the free end of the menu bar:
    // silence is never a mystery, and no status text loses room to it.
    m_listening = new QLabel(menuBar());
    m_listening->setObjectName(QStringLiteral("listening"));
    m_listening->setTextFormat(Qt::PlainText);
    m_listening->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_listening->setContentsMargins(0, 0, padding, 0);
    menuBar()->setCornerWidget(m_listening, Qt::TopRightCorner);
    showListening();
    connect(Timer2, &QTimer::timeout, this, &frmMain::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &frmMain::Timer3_Timer);

    // Client area of 7575 x 1200 twips below the menu bar; the status bar lives inside it, and
    // where this system's fonts make it taller the window grows rather than clip it.
    const int clientHeight = qMax(TwipsToPixelsY(this, kClientHeightTwips),
                                  Label1->height() + margin / 2 + StatusBar1->sizeHint().height() + 2);
    central->setFixedHeight(clientHeight - StatusBar1->sizeHint().height());
    setFixedSize(TwipsToPixelsX(this, kClientWidthTwips), menuBar()->sizeHint().height() + clientHeight);
}

void frmMain::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_panel2->setText(now.toString(QStringLiteral("yyyy/MM/dd")));
    m_panel3->setText(now.toString(QStringLiteral("H:mm")));
    watchMissingTables();
}

void frmMain::Form_Load()
{
    setWindowTitle(AppInfo::idleCaption());

    const QString logFolder = ProgramFolder::filePath(QStringLiteral("Log"));
    if (!QFileInfo(logFolder).isDir())
        QDir().mkdir(logFolder); // a failure shows later, when the log is written
    m_data.AdifLogPath = ::AdifLogPath();

    ReadSettingsFile(m_data.settings, *this, m_prompts);
    keepOnScreen();
    m_data.countryTable.LoadCountryFile(CountryFilePath(), m_prompts);
    m_data.dxccTable.LoadDxccFile(DxccFilePath(), m_prompts);
    // A box at start-up is soon forgotten; the status bar keeps saying what is missing.
    m_missingTables.clear();
    if (!QFileInfo(CountryFilePath()).isFile())
        m_missingTables << QStringLiteral("Cty.dat");
    if (!QFileInfo(DxccFilePath()).isFile())
        m_missingTables << QStringLiteral("TH_DX.dat");
    showPanel1();
    MnuOn();
    // Contacts a failure or a crash left in the outbox go to the database now; those a crash
    // caught before they reached the ADIF log go there first.
    if (m_intake)
        m_intake->setAdifLogPath(m_data.AdifLogPath);
    pipeline().startUp(m_data.AdifLogPath, m_prompts);
    // Reception stays off until a partner program is started from its launch entry, unless the
    // settings name one to be heard from the start.
    listenAsSet();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // A settings dialog left open would keep the program running after its settings were
    // written, and its OK would then be lost: it closes with the main window, as CANCEL does.
    if (m_settingsDialog)
        m_settingsDialog->reject();
    WriteSettingsFile(m_data.settings, *this);
    if (m_outboxWindow)
        m_outboxWindow->close();
    Timer2->stop();
    Timer3->stop();
    // A partner program started from the menu keeps running; only the socket goes.
    CloseUdpPort();
}

void frmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange)
        qCInfo(lcUi).noquote() << "caption:" << windowTitle();
    QMainWindow::changeEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMain::MnuOn()
{
    QAction* entries[] = {mnuJTDXopen, mnuWSJTopen, mnuMSHVopen, mnuFreeDVopen};
    int i = 0;
    for (const PartnerProgram& program : PartnerPrograms()) {
        if (IsPartnerUsed(m_data.settings, program))
            entries[i]->setVisible(true);
        ++i;
    }
}

void frmMain::MnuOff()
{
    for (QAction* entry : {mnuJTDXopen, mnuWSJTopen, mnuMSHVopen, mnuFreeDVopen})
        entry->setVisible(false);
}

void frmMain::setStatusText(const QString& text)
{
    showStatus(text, text);
}

void frmMain::showStatus(const QString& shown, const QString& whole)
{
    qCInfo(lcUi).noquote() << "status:" << whole;
    m_statusText = shown;
    m_statusWhole = whole;
    showPanel1();
}

bool frmMain::fitsStatusPanel(const QString& text) const
{
    // A framed label keeps half an "x" free at its sides.
    const QFontMetrics metrics = m_panel1->fontMetrics();
    return metrics.horizontalAdvance(text) <=
           m_panel1->contentsRect().width() - metrics.horizontalAdvance(QLatin1Char('x'));
}

QString frmMain::statusText() const
{
    return m_statusText;
}

void frmMain::mnuADIF2HamLog_Click()
{
    frmAdifConv window(
        m_prompts, [this] { ThDbFileAppend(); }, this);
    window.setJournalDatabase(m_data.settings.ThDbFile);
    window.exec();
}

void frmMain::mnuFrmTop_Click()
{
    // The action has toggled its check already: checked now means "keep on top".
    SetWindowTopmost(this, mnuFrmTop->isChecked());
}

void frmMain::mnuSettings_Click()
{
    // The dialog opened without blocking (start-up, a launch entry) is still up: bring that one
    // forward rather than build a second from a record it is about to change.
    if (m_settingsDialog) {
        showSettingsDialogModeless();
        return;
    }
    MnuOff();
    frmSettings* dialog = openSettingsDialog();
    dialog->exec();
    MnuOn();
}

void frmMain::mnuHelp_Click()
{
    const QString helpFilePath = ProgramFolder::filePath(QStringLiteral("VELKOR.chm"));
    if (m_openHelp)
        m_openHelp(this, helpFilePath);
}

void frmMain::setHelpOpener(HelpOpener opener)
{
    m_openHelp = std::move(opener);
}

frmSettings* frmMain::openSettingsDialog()
{
    // The system keeps a dialog in front of the native window that owns it; at start-up the
    // dialog comes before this window has shown, so its native window is made now to own it.
    create();
    auto* dialog = new frmSettings(m_data.settings, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The launch entries follow the settings as soon as the user has applied them, however the
    // dialog was opened (at the first start, without blocking).
    connect(dialog, &QDialog::accepted, this, [this] {
        MnuOff();
        MnuOn();
        listenAsSet();
    });
    m_settingsDialog = dialog;
    return dialog;
}

void frmMain::showSettingsDialogModeless()
{
    if (m_settingsDialog) {
        if (m_settingsDialog->isMinimized())
            m_settingsDialog->showNormal();
        m_settingsDialog->show();
        m_settingsDialog->raise();
        m_settingsDialog->activateWindow();
        return;
    }
    openSettingsDialog()->show();
}

frmSettings* frmMain::settingsDialog() const
{
    return m_settingsDialog.data();
}

void frmMain::keepOnScreen()
{
    // A saved position may belong to a monitor that is gone. The native window is made first, so
    // that its frame counts where the system tells it before the window shows.
    create();
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    QRect frame = frameGeometry();
    // Where the system tells the frame only once the window shows (X11, Wine), the title bar is
    // counted all the same: without it a window saved against the bottom of the screen at one
    // scale lost its status bar below the screen at a larger one.
    const int titleBar = TwipsToPixelsY(this, kTitleBarTwips);
    const int counted = geometry().top() - frame.top();
    if (counted < titleBar / 2)
        frame.setHeight(frame.height() + titleBar - counted);
    const QPoint reachable = ReachablePosition(frame, screens);
    if (reachable != frame.topLeft())
        move(reachable);
}

void frmMain::setTopTwips(float twips)
{
    move(x(), TwipsToPixelsY(this, twips));
}

void frmMain::setLeftTwips(float twips)
{
    move(TwipsToPixelsX(this, twips), y());
}

float frmMain::topTwips() const
{
    return static_cast<float>(PixelsToTwipsY(this, y()));
}

float frmMain::leftTwips() const
{
    return static_cast<float>(PixelsToTwipsX(this, x()));
}

void frmMain::showNormal()
{
    QMainWindow::showNormal();
}

bool frmMain::isMinimized() const
{
    return QMainWindow::isMinimized();
}
