#include "app/frm_main.h"

#include "common/app_info.h"
#include "delivery/program_data.h"
#include "common/prompts.h"
#include "partners/partner_programs.h"
#include "platform/file_attributes.h"
#include "reception/contact_intake.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>

// Launching and watching the partner programs.

void frmMain::launchEntryClicked(int programNumber)
{
    const PartnerProgram& program = PartnerPrograms().at(static_cast<size_t>(programNumber - 1));
    const QString path = m_data.settings.*program.file;
    // Hidden and system files do not count, as in the settings file test.
    if (!FileAttributes::isVisibleFile(path)) {
        m_prompts.showMessage(program.missingFileMessage);
        showSettingsDialogModeless();
        return;
    }

    if (!m_processStarter)
        m_processStarter = CreateSystemProcessStarter();
    std::string reason;
    std::unique_ptr<PartnerProcess> process = m_processStarter->start(path.toStdString(), reason);
    if (!process) {
        // Nothing started, so nothing to receive from or watch: the window stays as it was,
        // a partner started earlier still watched.
        m_prompts.showMessage(LaunchRefusedMessage(program, path, QString::fromStdString(reason)));
        return;
    }
    // A partner started earlier is no longer watched; it keeps running.
    m_partnerProcess = std::move(process);
    m_launchedProcessId = static_cast<qint32>(m_partnerProcess->processId());

    // The socket set-up may have something to say in panel 1 (a port it cannot open); that stays
    // readable after the start's own text.
    setStatusText(QString());
    OpenUdpPort(program.number);
    const QString portReport = statusText();
    const QString wholePortReport = m_panel1->toolTip();
    Timer3->start();
    MnuOff();
    if (portReport.isEmpty()) {
        setStatusText(program.startedStatus);
    } else {
        // The port problem is the point: it stays whole, after the start's own text where both fit
        // (the caption names the partner too).
        const QString both = program.startedStatus + QStringLiteral("　") + portReport;
        showStatus(fitsStatusPanel(both) ? both : portReport,
                   program.startedStatus + QStringLiteral("　") + wholePortReport);
    }
    setWindowTitle(program.runningCaption);
}

void frmMain::Timer3_Timer()
{
    if (m_partnerProcess && m_partnerProcess->isRunning())
        return;
    // Contacts being handled (an append lets events run) are finished first: the end is noticed at
    // the next tick, after them.
    if (m_intake && m_intake->isHandling())
        return;
    returnToIdle(sourceProgram());
}

void frmMain::returnToIdle(qint16 endedProgram)
{
    Timer3->stop();
    m_partnerProcess.reset();
    // The socket closes, unless the settings name a partner to be heard from the start: that one
    // is heard again (on the socket as it is, when it was the partner that ended).
    listenAsSet();
    // What the partner sent before it ended is handled now, so that its contacts come before the
    // end in panel 1.
    if (m_intake)
        m_intake->dataArrived();
    if (endedProgram >= 1 && endedProgram <= 4)
        setStatusText(PartnerPrograms().at(static_cast<size_t>(endedProgram - 1)).endedStatus);
    setWindowTitle(AppInfo::idleCaption());
    MnuOn();
}

void frmMain::setProcessStarter(std::unique_ptr<PartnerProcessStarter> starter)
{
    m_processStarter = std::move(starter);
}

void frmMain::setPartnerWatchInterval(int milliseconds)
{
    Timer3->setInterval(milliseconds);
}
