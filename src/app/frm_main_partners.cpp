#include "app/frm_main.h"

#include "common/program_data.h"
#include "common/prompts.h"
#include "partners/partner_programs.h"
#include "platform/file_attributes.h"

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
    emit launchRequested(programNumber);
}

void frmMain::Timer3_Timer() {}

void frmMain::returnToIdle(qint16 endedProgram)
{
    Q_UNUSED(endedProgram);
}
