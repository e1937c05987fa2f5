#include "app/frm_main.h"

#include "common/program_data.h"
#include "common/prompts.h"
#include "partners/partner_programs.h"

#include <QFileInfo>

// Launching and watching the partner programs.

void frmMain::launchEntryClicked(int programNumber)
{
    const PartnerProgram& program = PartnerPrograms().at(static_cast<size_t>(programNumber - 1));
    const QString path = m_data.settings.*program.file;
    // Hidden files do not count, as in the settings file test.
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile() || file.isHidden()) {
        m_prompts.showMessage(program.missingFileMessage);
        showSettingsDialogModeless();
        return;
    }
    emit launchRequested(programNumber);
}

void frmMain::Timer3_Timer()
{
}

void frmMain::returnToIdle(qint16 endedProgram)
{
    Q_UNUSED(endedProgram);
}
